// Level folders: the loaded level's state, loading a folder (level models, tint, actors, start
// position, load script, texture list), unloading everything a level owns, restarting at the
// start position, and the engine reset that prepares the empty world at start-up. The files'
// formats and the save live in world/level_files.h.
#pragma once

#include "world/level_state.h"

// Prepares the empty world: the actor roster and model cache heads exist and are empty; no
// level models, level geometry, textures, game scripts or macros; the global script variables
// hold only the engine-bound settings; no level folder. The scripts and variables are reached
// through the hooks below. Needs the GL context when a texture list is still loaded.
void VXR_Init();

// The script system sits above the world; the program registers these at start-up
// (RegisterScriptHooks). While one is null, what it does is left undone.
// Disposes of every game script and every macro (level unload, engine reset).
extern void (*gDisposeGameScriptsHook)();
// Empties the global script variables and binds the engine's own again (engine reset).
extern void (*gResetScriptVariablesHook)();
// Appends the script file at path to the game scripts and compiles it: a level's "load script".
extern int (*gLoadAndExecuteScriptHook)(const char* path);

// Loads the level in folder (ending with the separator): unloads the previous level, finishes or
// undoes a save of the folder that was interrupted (SettleInterruptedSave), then reads
// "level models", "tint", "person", "starting", "load script" and "tex" in that order, reporting
// each of the first four that failed, builds the level geometry and settles the player on it. When
// none of the first four could be read, the folder is not a valid level: a dialog and a console
// line say so, currentLevelFolder keeps its old value and gLevelLoadFailed is set. An empty or
// null folder does nothing. Ends the console's report period.
void LoadLevel(const char* folder);

// What the instruction "save" does: writes the loaded level back into currentLevelFolder
// (SaveChangesToLevelFiles), unless the world no longer holds that level (gLevelLoadFailed) or a
// file of it could not be read at load (gUnreadLevelFiles); those are refused with a console
// line and nothing is written. Nothing happens before the first level. 1 when saved.
int SaveCurrentLevel();

// Unloads the level: every actor with its model copy and scripts, every texture of the list,
// every level model, quad, platform and wall, every game script and macro. selHuman becomes null.
void ReturnToNothing();

// Frees every level model and empties the list.
void DisposeLevelModels();

// Reads a "level models" file: places each listed model in the world (AnalizeModelForCollisionPlanes)
// and appends it to the level model list, which is emptied first. 1, or 0 when the file cannot
// be opened. Models are looked up in the file's own folder's "Models", then under routePath;
// a model found in neither is reported and its line skipped.
int LoadLevelModels(const char* path);

// Reads the "starting" and "tint" files of currentLevelFolder again, puts healthPercentage back
// to 100 and tintColor to the level's tint, and settles the player on the ground where it stands
// (CheckMove on the spot).
void RestartGame();
