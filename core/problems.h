// Content problems: what a reader found wrong in a data file, with the file and line it was
// found at. Readers report here instead of writing the console themselves, so that the game
// keeps its console lines and the content checker hears every problem with its place.
#pragma once

// Receives one problem: file as the reader named it (relative to the data folder when the data
// folder is the working directory; null when the reader does not know it), line from 1 (0 when
// the problem has none) and the message without file or line.
typedef void (*problemSinkProc)(const char* file, int line, const char* message);

// Null in the game: problems go to the console. The content checker installs its own.
extern problemSinkProc gProblemSink;

// Set by the content checker: loaders read and decode everything and report what is wrong, but
// make no GL texture objects and no sound samples (there is neither a window nor a sound device).
extern int gCheckOnly;

// Where the script compiler stands while it decodes a statement, for problems found by helpers
// that do not know the file (a path refused inside a decoder). Null and 0 otherwise.
extern const char* gProblemFile;
extern int gProblemLine;

// Reports a problem. With a sink installed it goes there alone (a null file becomes gProblemFile
// and its line gProblemLine); otherwise consoleLine is written, the reader's own wording, or when
// consoleLine is null "//FILE, line N: MESSAGE" ("//FILE: MESSAGE" for line 0).
void ReportContentProblem(const char* file, int line, const char* message, const char* consoleLine);
// The same with a printf-style message and the default console line.
void ReportContentProblemF(const char* file, int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
