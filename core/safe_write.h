// Crash-safe replacement of files: the new content goes to a temporary file beside the target,
// is flushed to the disk and then renamed over the target, so a reader sees either the whole old
// file or the whole new one. Every engine file writer goes through this. The temporary is made
// afresh, never through a name that is already there (a left-over temporary or a link planted
// at its name is removed first), in the target's folder as resolved beneath the data folder
// (core/content_files.h): no link leads a save out of it. A link at the target's own name is
// replaced by the file, never written through.
//
// Several files of one folder can be replaced as one (a level's four files): each is written
// and sealed, then CommitSafeWrites writes a journal file, renames them all and removes the
// journal. A save killed before the journal leaves only temporaries, a save killed after it
// leaves the journal; SettleInterruptedSave, run before the files are read, removes the first
// and finishes the second, so the files are always all of one save.
#pragma once

#include <cstdio>

struct safeWrite
{
    FILE* file;           // the temporary file while it is written; null when none is open
    int folder;           // descriptor of the target's folder while a write is under way; else -1
    char path[1100];      // the file to replace
    char temporary[1120]; // path followed by ".saving": same folder, so the rename stays atomic
    char name[256];       // the target's name within its folder
};

// Opens the temporary file for text output into w->file. 0 with a console line naming path
// when the path does not fit, its folder cannot be had (or leads out of the data folder) or the
// temporary cannot be created; nothing is touched then.
int BeginSafeWrite(safeWrite* w, const char* path);

// Finishes a write begun by BeginSafeWrite. When ok is 1 and every write succeeded, flushes,
// syncs and closes the temporary and renames it over the target, then syncs the folder: 1.
// Otherwise (ok 0 for the caller's own failure, a write, sync or rename error) the temporary
// is removed, the old file stays as it was, a console line says so, and 0 is returned.
int EndSafeWrite(safeWrite* w, int ok);

// Writes text as the whole content of path through a safe write. 1 on success.
int SafeWriteText(const char* path, const char* text);

// Flushes, syncs and closes the temporary without putting it in place; it waits for
// CommitSafeWrites or AbandonSafeWrite. 0 (temporary removed, console line) on any failure.
int SealSafeWrite(safeWrite* w, int ok);
// Removes a sealed temporary and ends the write; the old file stays.
void AbandonSafeWrite(safeWrite* w);

// Puts count sealed writes of one folder in place as one, with the journal file journal in that
// folder while it happens (see above). Every write is ended either way. 1 when all are in place;
// 0 with console lines when none is (nothing changed). A target that is a folder refuses all.
int CommitSafeWrites(safeWrite* writes, int count, const char* journal);

// Told of every file a safe write has just put in place (its path as given), so that the game's
// live reload knows its own writes from changes made by others; null: nobody is told.
extern void (*gContentWrittenHook)(const char* path);

// Before the files names of folder are read: when journal is there, a commit was interrupted
// and is finished (the temporaries left are renamed into place, the journal removed): 1.
// Otherwise temporaries of names left by a save that never committed are removed: 2 when there
// were any. 0 when there was nothing to do or the folder cannot be had.
int SettleInterruptedSave(const char* folder, const char* const* names, int count, const char* journal);
