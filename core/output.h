// The engine's two output channels: the console (loader problems, lines starting with "//")
// and the dialog (fatal start-up problems). Everything that reports goes through these, and
// both are kept safe and quiet here: content names strangers wrote reach the terminal only as
// printable text, and a problem said a million times is written once with its count.
#pragma once

#include <string>

typedef void (*outputProc)(const char* text);

extern outputProc toDialog;
extern outputProc toConsole;

// Set when the run must never wait on a dialog (batch runs): dialogs then go to stderr.
extern int gBatchRun;

// Writes a console line, or several when text holds line ends (CR, LF or CR LF; one at the end
// makes no empty line). Other bytes that are not printable text (control characters, escape
// sequences, broken UTF-8) are written as \xNN. A line already written in this report period is
// not written again but counted; EndConsolePeriod writes the count.
void OutputToConsole(const char* text);
// Writes a dialog text, made printable as console lines are; its line ends stay.
void OutputToDialog(const char* text);

// A content problem's console line for file: written as OutputToConsole does, unless file has had
// kShownProblemsPerFile lines in this period, in which case it is only counted.
void OutputProblemToConsole(const char* file, const char* text);
constexpr int kShownProblemsPerFile = 20;

// Ends the report period: for each line held back since the period began, "//Repeated N more
// times: LINE", and for each file whose problems were cut, "//FILE: N more problems not shown
// (kesrow --check lists them all)". The game ends a period after each tick, each level load and
// the loading at start-up; a change of the game clock ends one before the next line too.
void EndConsolePeriod();
// Counts the periods ended, so that others can tell "already said in this period".
unsigned ConsolePeriodNumber();

// text with every byte that is not printable written as \xNN (valid UTF-8 letters stay, C1
// controls do not); keepLineEnds keeps '\n'.
std::string PrintableText(const char* text, int keepLineEnds);

// Writes text and a line end to standard output, flushed.
void MyOutputToConsole(const char* text);
// Writes text and a line end to standard error, flushed (the dialog sink of tools and of
// runs that must never wait on a message box).
void MyOutputToStderr(const char* text);

// printf-style console line, cut at 1023 characters.
void OutputToConsoleF(const char* format, ...);
