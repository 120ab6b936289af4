// Live reload: files the game has read that change on disk while it runs take effect without a
// restart. The folders of what the game reads are watched (platform/file_watch.h: the kernel
// tells, nothing is polled); a changed script, model, pose file, picture, sound or file of the
// current level is taken in once it has been quiet for a moment, with a console line saying what
// was reloaded. A file that fails to load keeps the last good version, and a line says why.
#pragma once

// The one switch: 1 while files changed on disk are reloaded. Start-up sets it (on in a window,
// off in a batch run; --watch and --no-watch force either). A recording or a replay of a game
// must set it to 0 before the game starts: a file changing under a replay would change the game.
// Turned off, the watch is closed at the next tick.
extern int gLiveReload;

// A file is taken in once no change to it has come for this long: editors write in steps.
const int kReloadQuietMs = 150;

// Starts listening to what the game reads (the readers' hook) and to what it writes itself (a
// save is no change to reload). Call once at start-up, before the first content is read.
void BeginLiveReload();
// The tick's part, right after a level load was cleared: watches the folders of what was read
// since, takes the changes the kernel told of and reloads those that have been quiet long enough.
// Does nothing (and closes the watch) while gLiveReload is 0.
void LiveReloadTick();
// Stops listening and closes the watch.
void EndLiveReload();

// What one changed file does to the running game, with its console line: for tests and for the
// tick above. path is as the readers named it (relative to the data folder). 1 when something
// was reloaded, 0 when nothing in the game uses the file, -1 when it failed to load (kept).
int ReloadChangedFile(const char* path);
