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
    if (consoleLine)
        OutputToConsole(consoleLine);
    else if (line > 0)
        OutputToConsoleF("//%s, line %d: %s", file ? file : "(unknown file)", line, message);
    else
        OutputToConsoleF("//%s: %s", file ? file : "(unknown file)", message);
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
