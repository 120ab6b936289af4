// Output routing: console lines to stdout; the dialog sink is installed by the program
// (a message box in the game, standard error in tools and batch runs). Owns the escaping of
// unprintable bytes and the report period that folds repeated lines into one count.
#include "core/output.h"

#include "core/clock.h"

#include <cstdarg>
#include <cstdio>
#include <unordered_map>
#include <vector>

outputProc toDialog = nullptr;
outputProc toConsole = nullptr;
int gBatchRun = 0;

namespace
{

// Lines a period remembers; past this many different ones, lines are written without folding.
const size_t kRememberedLines = 512;

struct reportPeriod
{
    uint32_t clock = 0;                                 // gCurrentTime when it began
    std::unordered_map<std::string, long> repeats;      // line -> times held back
    std::vector<std::string> order;                     // lines in the order first written
    std::unordered_map<std::string, long> fileProblems; // file -> problem lines in this period
    std::vector<std::string> cutFiles;                  // files past kShownProblemsPerFile
};

reportPeriod gPeriod;
unsigned gPeriodNumber = 0;

// Length of the valid UTF-8 letter at p (at or above U+00A0), or 0.
int Utf8Letter(const unsigned char* p)
{
    auto follows = [](unsigned char c) { return c >= 0x80 && c <= 0xBF; };
    unsigned char c = p[0];
    if (c >= 0xC2 && c <= 0xDF) return follows(p[1]) && !(c == 0xC2 && p[1] < 0xA0) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF)
    {
        if (!follows(p[1]) || !follows(p[2])) return 0;
        if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] >= 0xA0)) return 0;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4)
    {
        if (!follows(p[1]) || !follows(p[2]) || !follows(p[3])) return 0;
        if ((c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] >= 0x90)) return 0;
        return 4;
    }
    return 0;
}

void WriteConsole(const std::string& line)
{
    if (toConsole) toConsole(line.c_str());
}

void BeginPeriodIfTheClockMoved()
{
    if (gPeriod.clock != gCurrentTime) EndConsolePeriod();
}

} // namespace

std::string PrintableText(const char* text, int keepLineEnds)
{
    std::string out;
    if (!text) return out;
    const unsigned char* p = (const unsigned char*)text;
    while (*p)
    {
        if ((*p >= 0x20 && *p < 0x7F) || (keepLineEnds && *p == '\n'))
        {
            out += char(*p++);
            continue;
        }
        int letter = *p >= 0x80 ? Utf8Letter(p) : 0;
        if (letter)
        {
            out.append((const char*)p, letter);
            p += letter;
            continue;
        }
        char escaped[8];
        snprintf(escaped, sizeof escaped, "\\x%02X", *p++);
        out += escaped;
    }
    return out;
}

// One line, without line ends: written unless this period has written it already.
static void OutputLine(const std::string& text)
{
    std::string line = PrintableText(text.c_str(), 0);
    auto seen = gPeriod.repeats.find(line);
    if (seen != gPeriod.repeats.end())
    {
        seen->second++;
        return;
    }
    if (gPeriod.order.size() < kRememberedLines)
    {
        gPeriod.repeats.emplace(line, 0);
        gPeriod.order.push_back(line);
    }
    WriteConsole(line);
}

void OutputToConsole(const char* text)
{
    if (!toConsole || !text) return;
    BeginPeriodIfTheClockMoved();
    // CR, LF and CR LF end lines (the readers split content at them, so no name holds one); a
    // line end at the very end ends the last line and makes no empty one.
    const char* start = text;
    for (const char* p = text;; p++)
    {
        if (*p != 0 && *p != '\r' && *p != '\n') continue;
        if (*p != 0 || p != start || start == text) OutputLine(std::string(start, p - start));
        if (*p == 0) break;
        if (p[0] == '\r' && p[1] == '\n') p++;
        start = p + 1;
        if (*start == 0) break;
    }
}

void OutputProblemToConsole(const char* file, const char* text)
{
    if (!toConsole || !text) return;
    BeginPeriodIfTheClockMoved();
    long& shown = gPeriod.fileProblems[file ? file : ""];
    if (++shown == kShownProblemsPerFile + 1) gPeriod.cutFiles.push_back(file ? file : "");
    if (shown > kShownProblemsPerFile) return;
    OutputToConsole(text);
}

unsigned ConsolePeriodNumber()
{
    return gPeriodNumber;
}

void EndConsolePeriod()
{
    gPeriodNumber++;
    reportPeriod ended;
    std::swap(ended, gPeriod);
    gPeriod.clock = gCurrentTime;
    char count[64];
    for (const std::string& line : ended.order)
    {
        long repeats = ended.repeats[line];
        if (repeats == 0) continue;
        snprintf(count, sizeof count, "//Repeated %ld more time%s: ", repeats, repeats == 1 ? "" : "s");
        size_t start = line.compare(0, 2, "//") == 0 ? 2 : 0;
        WriteConsole(count + line.substr(start));
    }
    for (const std::string& file : ended.cutFiles)
    {
        snprintf(count, sizeof count, ": %ld more problems not shown",
                 ended.fileProblems[file] - kShownProblemsPerFile);
        WriteConsole("//" + PrintableText(file.c_str(), 0) + count + " (kesrow --check lists them all)");
    }
}

void OutputToDialog(const char* text)
{
    if (toDialog && text) toDialog(PrintableText(text, 1).c_str());
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
