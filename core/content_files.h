// Opening content: every file the engine reads from the data folder, and every folder it saves
// into, is opened here, so that one set of rules holds for all of them. Content comes from
// strangers (downloaded levels and mods); the rules keep it from reaching anything else.
//
// The rules:
// - The data folder is routePath, or the working directory while routePath is empty. A path that
//   lies in it (routePath followed by a relative path) is resolved beneath it: no symbolic link,
//   ".." or mount point leads outside, while links that stay inside work as usual. Linux's
//   openat2 with RESOLVE_BENEATH does this where the kernel has it; elsewhere the file is opened
//   and the path it resolved to is checked to lie in the data folder (a mount point inside the
//   data folder is then not noticed). A path outside the data folder is not content: it came
//   from the command line or a tool, and is opened as given.
// - Only regular files are read: a FIFO, a device or a socket is refused at once and never
//   waited on. A folder counts as no file (nothing is said).
// - Each kind of file has a size limit, generous for anything real, checked before a byte is
//   read: a sparse 1 GB file costs nothing.
// - What is refused is said on the console as "//Could not read PATH: REASON" (a checker hears
//   the file and the reason); a missing file is the caller's business and is not reported here.
#pragma once

#include <cstdio>

// Put in front of every content path. Empty at start, so content is found from the working
// directory; the shell may set it. Always NUL-terminated within its 1024 bytes.
extern char routePath[1024];

// Kinds of content, by what limits their size.
enum contentKind
{
    kContentText,    // level files, lists, scripts, info files, models, pose files, key frames
    kContentPicture, // PNG and BMP pictures
    kContentSound,   // sound samples
    kContentKinds
};

// Largest file of each kind, in bytes: 16 MB for text (a level or model file of thousands of
// lines is under 1 MB), 256 MB for pictures (an 8192x8192 picture of noise packs into about
// 200 MB) and for sound (about 12 minutes of 16-bit stereo at 96 kHz).
long long ContentSizeLimit(int kind);

// What a path names, as a content reader sees it.
enum contentState
{
    kContentMissing, // nothing there, a folder where a file was asked for, or unreadable
    kContentFile,    // a regular file inside the data folder, within its kind's limit
    kContentFolder,  // a folder inside the data folder
    kContentRefused  // leads outside, not a regular file, or over its limit
};

// Opens path for reading as content of kind: a descriptor of a regular file within the limit
// (close-on-exec, blocking reads), or -1. A refusal is reported; a missing file is not.
int OpenContentFd(const char* path, int kind);
// The same as a stdio stream ("rb"); null when missing or refused.
FILE* OpenContentFile(const char* path, int kind);
// What path is (see contentState); a refusal is reported.
int ContentPathState(const char* path, int kind);
// 1 when path is a content file that OpenContentFile would open; a refusal is reported.
int ContentFileExists(const char* path, int kind);
// Why the last refusal happened ("it leads outside the data folder" ...), for callers that put it
// into words of their own; empty when the last look found nothing wrong.
const char* LastContentRefusal();

// Opens folder (with or without a trailing separator) as a directory descriptor for writing
// into it, resolved beneath the data folder when it lies in it, else as given. -1 with the
// reason in why when it cannot be had.
int OpenContentFolder(const char* folder, char* why, int whySize);

// 1 when the name at path exists in any form (a file, a folder, a link, even a dangling one).
// Lets a save tell a file that was never there from one it could not read.
int ContentNameTaken(const char* path);

// Told of every path a reader opens or looks for (whether or not a file is there), so that the
// game's live reload can watch the folders of what it read; null: nobody is told.
extern void (*gContentLookedAtHook)(const char* path);

// Tests set this to 1 to use the resolved-path check that kernels without openat2 get; it is
// also set when the kernel turns openat2 down.
extern int gContentResolveByPath;
