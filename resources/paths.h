// The data folder prefix, the separator that every content path is built from, and the rule
// that keeps names given by scripts inside the data folder.
#pragma once

// Put in front of every content path. Empty at start, so content is found from the working
// directory; the shell may set it. Always NUL-terminated within its 1024 bytes.
extern char routePath[1024];

// The separator FixPathString puts in place of every '/' and ':'.
constexpr char kDirectoryDevider = '/';

// 1 when name, a path a script gives relative to the data folder, stays inside it: not empty,
// not absolute (no leading '/' or ':'), and no ".." component (both '/' and ':' separate
// components, as FixPathString makes them one). Otherwise 0 and the console line
// "//<what>: the path "<name>" is refused: <reason>".
int VXR_PathStaysInDataFolder(const char* name, const char* what);
// The same rule for an entry of a list file: the refusal names the list (kind and listPath) and
// its line, "//<kind> <listPath> line <line>: the path ...", and the content checker hears it
// at that file and line.
int VXR_ListEntryStaysInDataFolder(const char* name, const char* kind, const char* listPath, int line);

// 1 if the file at path can be opened for reading and is not a folder, else 0.
int VXR_FileExists(const char* path);
