// The level state the rest of the engine reads (the loaded folder, the level-change flag) and
// the engine reset that prepares the empty world at start-up.
#pragma once

// Set to 1 when a level load begins; the game tick clears it. While set, no script statement
// runs: the load has disposed of the scripts and actors that were running.
extern int levelChanged;
// Folder of the loaded level, ending with the separator; empty before the first level.
extern char currentLevelFolder[1024];

// Prepares the empty world: the actor roster and model cache heads exist and are empty, no game
// scripts and no macros, the global script variables hold only the engine-bound settings, no
// level folder. Also connects the actor records to the script lists they own.
void VXR_Init();
