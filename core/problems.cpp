// Content problems: the sink a checker installs and the console line the game writes instead.
#include "core/problems.h"

#include "core/output.h"

#include <cstdarg>
#include <cstdio>

problemSinkProc gProblemSink = nullptr;
int gCheckOnly = 0;
const char* gProblemFile = nullptr;
int gProblemLine = 0;

void ReportContentProblem(const char* file, int line, const char* message, const char* consoleLine)
{
    if (!message) message = "";
    if (gProblemSink)
    {
        if (!file)
        {
            file = gProblemFile;
            line = gProblemLine;
        }
        gProblemSink(file, line, message);
        return;
    }
    if (!file) file = gProblemFile;
    char text[1400];
    if (!consoleLine)
    {
        if (line > 0)
            snprintf(text, sizeof text, "//%s, line %d: %s", file ? file : "(unknown file)", line, message);
        else
            snprintf(text, sizeof text, "//%s: %s", file ? file : "(unknown file)", message);
        consoleLine = text;
    }
    // A broken file of a million lines says its first problems and how many more there were.
    OutputProblemToConsole(file, consoleLine);
}

void ReportContentProblemF(const char* file, int line, const char* format, ...)
{
    char message[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    ReportContentProblem(file, line, message, nullptr);
}
