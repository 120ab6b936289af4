// Level state shared by the shell and the script engine: the level-changed flag and the folder
// of the level in play, and the engine reset.
#pragma once

// Set when a level has just been loaded (or a script asked for it): the running script ends at
// once and no frame is drawn until the next tick clears it.
extern int levelChanged;
// Folder of the level in play, with its separator; empty before the first level.
extern char currentLevelFolder[1024];
