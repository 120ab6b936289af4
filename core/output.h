// The engine's two output channels: the console (loader problems, lines starting with "//")
// and the dialog (fatal start-up problems). Everything that reports goes through these.
#pragma once

typedef void (*outputProc)(const char* text);

extern outputProc toDialog;
extern outputProc toConsole;

// Set when the run must never wait on a dialog (batch runs): dialogs then go to stderr.
extern int gBatchRun;

void OutputToConsole(const char* text);
void OutputToDialog(const char* text);

// Writes text and a line end to standard output, flushed.
void MyOutputToConsole(const char* text);
// Writes text and a line end to standard error, flushed (the dialog sink of tools and of
// runs that must never wait on a message box).
void MyOutputToStderr(const char* text);

// printf-style console line, cut at 1023 characters.
void OutputToConsoleF(const char* format, ...);
