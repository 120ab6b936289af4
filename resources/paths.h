// The separator that every content path is built from, and the rule that keeps names given by
// scripts and lists inside the data folder. The data folder prefix routePath and the way content
// is opened (no link leads out) are core/content_files.h.
#pragma once

#include "core/content_files.h"

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

// 1 if the file at path is a text content file that can be read (OpenContentFile), else 0; a
// file refused (a link out of the data folder, a FIFO, over its size) is reported.
int VXR_FileExists(const char* path);
