// Crash-safe replacement of a file: the new content goes to a temporary file beside the target,
// is flushed to the disk and then renamed over the target, so a reader sees either the whole old
// file or the whole new one. Every engine file writer goes through this.
#pragma once

#include <cstdio>

struct safeWrite
{
    FILE* file;           // the temporary file while it is written; null when none is open
    char path[1100];      // the file to replace
    char temporary[1120]; // path followed by ".saving": same folder, so the rename stays atomic
};

// Opens the temporary file for text output into w->file. 0 with a console line naming path
// when the path does not fit or the temporary cannot be created; nothing is touched then.
int BeginSafeWrite(safeWrite* w, const char* path);

// Finishes a write begun by BeginSafeWrite. When ok is 1 and every write succeeded, flushes,
// syncs and closes the temporary and renames it over the target, then syncs the folder: 1.
// Otherwise (ok 0 for the caller's own failure, a write, sync or rename error) the temporary
// is removed, the old file stays as it was, a console line says so, and 0 is returned.
int EndSafeWrite(safeWrite* w, int ok);

// Writes text as the whole content of path through a safe write. 1 on success.
int SafeWriteText(const char* path, const char* text);
