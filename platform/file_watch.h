// Watching folders for files that change on disk: the kernel tells (Linux's inotify), nothing is
// polled. The game's live reload asks here which of the files it read have been written, moved
// into place or removed since it last asked; asking never blocks.
#pragma once

// Opens the watch. 0 when the kernel offers none (the game then simply does not reload).
int PLT_FileWatchOpen();
// Closes it and forgets every folder. Safe when it was never opened.
void PLT_FileWatchClose();
// 1 while a watch is open.
int PLT_FileWatchIsOpen();

// Watches folder (a path ending with the separator; "" is the working directory) for files
// written and closed, moved in, made or removed. The folder is resolved beneath the data folder
// when it lies in it (core/content_files.h), so a link never leads the watch elsewhere. 1 when it
// is watched (already or now), 0 when it cannot be (missing, refused, or kPltMaxWatchedFolders
// are watched).
int PLT_FileWatchFolder(const char* folder);
const int kPltMaxWatchedFolders = 512;

// Hands each file changed since the last call to changed, as the folder's path given to
// PLT_FileWatchFolder followed by the file's name, in the order the kernel told; returns how many.
// Never waits. A file changed several times is handed once per event.
int PLT_FileWatchTake(void (*changed)(const char* path, void* context), void* context);
