// The loaded level's state: its folder, its level models, its tint and what its load left
// (whether it failed, which files could not be read). Loading and unloading (level.h), the
// level's files (level_files.h) and the editor's history (level_edits.h) share it.
#pragma once

#include "model/mesh_records.h"

// Set to 1 when a level load begins; the game tick clears it. While set, no script statement
// runs: the load has disposed of the scripts and actors that were running.
extern int levelChanged;
// Folder of the loaded level, ending with the separator; empty before the first level. "save"
// writes here and RestartGame reads the start position and tint from here.
extern char currentLevelFolder[1024];
// 1 after a level load that found none of the four level files: the world was emptied, while
// currentLevelFolder still names the level before, which "save" must then not write over.
extern int gLevelLoadFailed;
// Bit i set: kSavedLevelFiles[i] of the loaded level was there but could not be read (refused,
// unreadable), so a save would replace what nobody saw.
extern int gUnreadLevelFiles;

// The level models: a list behind the head record baseLevelMesh (never a model itself),
// chained through the models' next links; levelMeshPtr is left on the last model appended.
// Each is a private copy placed in the world, owned by the list.
extern mesh_mod baseLevelMesh;
extern mesh_mod* levelMeshPtr;

// The level's tint as read from its "tint" file; the tick and RestartGame copy it into
// tintColor. White (1, 1, 1) until a level says otherwise.
extern float baseCol1, baseCol2, baseCol3;
