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
// A message box captioned "Kesrow"; standard error in a batch run or when no box can be shown.
void MyOutputToDialog(const char* text);

// printf-style console line, cut at 1023 characters.
void OutputToConsoleF(const char* format, ...);
