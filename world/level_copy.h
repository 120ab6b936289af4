// Saving the loaded level as a new level folder under Levels/ ("save as"): the name checked, the
// folder made beneath the data folder, what the level needs to load on its own copied into it
// (its load script, its texture list and its Models folder), the four level files written there,
// and the new folder made the current level. Scripts the level names by path stay where they are.
#pragma once

// Longest level name "save as" takes.
const int kLevelNameMax = 63;

// 1 when name can name a level folder under Levels/: 1 to kLevelNameMax letters, digits,
// blanks, '-', '_' and '.', not starting with '.' or a blank (so never "..", a hidden folder or a
// path of more than one folder). Otherwise 0 with why (at least 120 bytes) saying what is wrong.
int LevelNameIsUsable(const char* name, char* why, int whySize);

// Writes the loaded level into "<routePath>Levels/<name>/" and makes that folder the current
// level, with the editor's history kept (the files hold the level as it is). A folder of that
// name that is there already is written over only when replace is set (its other files stay);
// otherwise nothing is written and a console line says how to confirm. The texture list's lines
// that name pictures in the old level's Models folder name the copies. Refused with a console
// line when there is no level, the last level load failed, or a file of the level could not be
// read at load. 1 when saved.
int SaveLevelAs(const char* name, int replace);
