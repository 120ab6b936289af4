// Output routing: console lines to stdout; the dialog sink is installed by the program
// (a message box in the game, standard error in tools and batch runs).
#include "core/output.h"

#include <cstdarg>
#include <cstdio>

outputProc toDialog = nullptr;
outputProc toConsole = nullptr;
int gBatchRun = 0;

void OutputToConsole(const char* text)
{
    if (toConsole && text) toConsole(text);
}

void OutputToDialog(const char* text)
{
    if (toDialog && text) toDialog(text);
}

void MyOutputToConsole(const char* text)
{
    fputs(text, stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

void MyOutputToStderr(const char* text)
{
    fputs(text, stderr);
    fputc('\n', stderr);
    fflush(stderr);
}

void OutputToConsoleF(const char* format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    OutputToConsole(line);
}
