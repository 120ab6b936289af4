// The in-game console: scroll-back fed from the console output (a consumer of OutputToConsole,
// never a replacement of it), the line editor with its history, running typed lines, and the
// problem notices. Reads only the tick's key snapshot and typed input.
#include "app/console.h"

#include "app/input.h"
#include "core/clock.h"
#include "core/output.h"
#include "platform/keys.h"
#include "script/compiler.h"
#include "script/decode.h"
#include "script/instruction_checks.h"
#include "script/scheduling.h"
#include "script/variables.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int gConsoleOpen = 0;

namespace
{

// The scroll-back: a ring of lines, gNewest the slot of the newest.
char gLines[kConsoleLines][kConsoleLineMax + 1];
int gLineCount = 0;
int gNewest = -1;

struct notice
{
    char text[kConsoleLineMax + 1];
    uint32_t shownAt;
};
notice gNotices[kNotices];
int gNoticeCount = 0;

char gInput[kConsoleInputMax + 1];
int gCursor = 0;
char gHistory[kConsoleHistory][kConsoleInputMax + 1];
int gHistoryCount = 0;
// Position while walking the history: gHistoryCount is the line being typed.
int gHistoryAt = 0;
int gScroll = 0;

outputProc gNextSink = nullptr;

// The line the level load writes is news, not a problem.
const char* const kLevelLoadLine = "//Loading level";

void AddScrollLine(const char* text, int length)
{
    gNewest = (gNewest + 1) % kConsoleLines;
    const int keep = length < kConsoleLineMax ? length : kConsoleLineMax;
    memcpy(gLines[gNewest], text, keep);
    gLines[gNewest][keep] = 0;
    if (gLineCount < kConsoleLines) gLineCount++;
    // A reader scrolled back keeps looking at the same lines.
    if (gScroll > 0 && gScroll < gLineCount - 1) gScroll++;
}

void AddNotice(const char* text, int length)
{
    // Shown without the console's leading slashes.
    while (length > 0 && (*text == '/' || *text == ' '))
    {
        text++;
        length--;
    }
    if (length <= 0) return;
    if (gNoticeCount == kNotices)
    {
        memmove(&gNotices[0], &gNotices[1], sizeof(notice) * (kNotices - 1));
        gNoticeCount--;
    }
    notice& n = gNotices[gNoticeCount++];
    const int keep = length < kConsoleLineMax ? length : kConsoleLineMax;
    memcpy(n.text, text, keep);
    n.text[keep] = 0;
    n.shownAt = gCurrentTime;
}

// Every line goes on to the sink before, then into the scroll-back, one entry per line of text.
void ConsoleSink(const char* text)
{
    if (gNextSink) gNextSink(text);
    if (!text) return;
    const int problem = strcmp(text, kLevelLoadLine) != 0 && !gConsoleOpen;
    const char* p = text;
    do
    {
        const char* end = p;
        while (*end && *end != '\n' && *end != '\r')
            end++;
        if (end > p)
        {
            AddScrollLine(p, (int)(end - p));
            if (problem) AddNotice(p, (int)(end - p));
        }
        p = *end ? end + 1 : end;
    } while (*p);
}

void SetInput(const char* text)
{
    snprintf(gInput, sizeof gInput, "%s", text);
    gCursor = (int)strlen(gInput);
}

void Insert(char c)
{
    const int length = (int)strlen(gInput);
    if (length >= kConsoleInputMax) return;
    memmove(gInput + gCursor + 1, gInput + gCursor, length - gCursor + 1);
    gInput[gCursor++] = c;
}

void Erase(int at)
{
    const int length = (int)strlen(gInput);
    if (at < 0 || at >= length) return;
    memmove(gInput + at, gInput + at + 1, length - at);
    if (gCursor > at) gCursor--;
}

void Remember(const char* line)
{
    if (!line[0]) return;
    if (gHistoryCount && !strcmp(gHistory[gHistoryCount - 1], line)) return;
    if (gHistoryCount == kConsoleHistory)
    {
        memmove(gHistory[0], gHistory[1], sizeof gHistory[0] * (kConsoleHistory - 1));
        gHistoryCount--;
    }
    snprintf(gHistory[gHistoryCount++], sizeof gHistory[0], "%s", line);
}

void WalkHistory(int step)
{
    const int to = gHistoryAt + step;
    if (to < 0 || to > gHistoryCount) return;
    gHistoryAt = to;
    SetInput(to == gHistoryCount ? "" : gHistory[to]);
}

// Lines a page of scrolling moves.
const int kScrollPage = 10;

void Scroll(int lines)
{
    gScroll += lines;
    if (gScroll > gLineCount - 1) gScroll = gLineCount - 1;
    if (gScroll < 0) gScroll = 0;
}

// "i3", "f16", "b1", "s2": shows the register.
int ShowRegister(const char* line)
{
    const char kind = line[0];
    if (!kind || !strchr("ifbs", kind) || line[1] < '1' || line[1] > '9') return 0;
    char* end = nullptr;
    const long n = strtol(line + 1, &end, 10);
    if (*end) return 0;
    const int r = VXR_RegisterIndex(n);
    char shown[kConsoleInputMax + 64];
    if (r < 0)
        snprintf(shown, sizeof shown, "//Console: register %ld is not 1 to 16", n);
    else if (kind == 'i')
        snprintf(shown, sizeof shown, "%s = %d", line, gScriptVars.i[r]);
    else if (kind == 'f')
        snprintf(shown, sizeof shown, "%s = %g", line, gScriptVars.f[r]);
    else if (kind == 'b')
        snprintf(shown, sizeof shown, "%s = %s", line, gScriptVars.b[r] ? "true" : "false");
    else
        snprintf(shown, sizeof shown, "%s = \"%.*s\"", line, kScriptStringMax, gScriptVars.s[r]);
    ConsoleAddLine(shown);
    return 1;
}

void Close()
{
    gConsoleOpen = 0;
    // The key that closed the console, and any other still held, stays out of the game.
    SwallowHeldKeys();
}

} // namespace

void CaptureConsoleOutput()
{
    if (toConsole == ConsoleSink) return;
    gNextSink = toConsole;
    toConsole = ConsoleSink;
}

void ConsoleAddLine(const char* text)
{
    if (text) AddScrollLine(text, (int)strlen(text));
}

int ConsoleLineCount()
{
    return gLineCount;
}

const char* ConsoleLineFromNewest(int n)
{
    if (n < 0 || n >= gLineCount) return nullptr;
    return gLines[(gNewest - n + kConsoleLines) % kConsoleLines];
}

void ResetConsole()
{
    gLineCount = 0;
    gNewest = -1;
    gNoticeCount = 0;
    gInput[0] = 0;
    gCursor = 0;
    gHistoryCount = gHistoryAt = 0;
    gScroll = 0;
    if (gConsoleOpen) Close();
}

void ConsoleRunLine(const char* text)
{
    char line[kConsoleInputMax + 1];
    snprintf(line, sizeof line, "%s", text);
    Remember(line);
    gHistoryAt = gHistoryCount;
    char echo[kConsoleInputMax + 3];
    snprintf(echo, sizeof echo, "> %s", line);
    ConsoleAddLine(echo);
    gScroll = 0;

    char* start = line;
    while (*start == ' ' || *start == '\t')
        start++;
    if (!start[0] || ShowRegister(start)) return;
    char command[kScriptCommandMax + 1], args[kScriptArgsMax + 1];
    MakeVXRCommandOutOfLine(start, command, args);
    if (!command[0]) return;
    // Decoded as a script's statement would be, so that arguments that cannot be used are said,
    // not silently ignored: the player typing wants to know.
    VXR_Instruction* instruction = GetVXRInstruction(command);
    if (instruction && instruction->decode && instruction->run)
    {
        VXR_DecodedArgs decoded;
        VXR_DecodeArguments(instruction->decode, args, &decoded);
        if (decoded.ok)
            instruction->run(&decoded);
        else if (decoded.fault)
            VXR_ReportFault(&decoded, command, decoded.fault, decoded.faultValue);
        else
            OutputToConsoleF("//Console: %s: the arguments \"%s\" cannot be used", command, args);
        return;
    }
    if (ExecuteVXRCommand(command, args)) return;
    static const char* const kScriptOnly[] = {"if",      "else",      "endif",      "idle",
                                              "repeat",  "endrepeat", "exitrepeat", "loop",
                                              "endloop", "exitloop",  "macro"};
    for (const char* word : kScriptOnly)
        if (!strcmp(command, word))
        {
            OutputToConsoleF(
                "//Console: \"%s\" works only inside a script; a typed line runs one instruction", command);
            return;
        }
    OutputToConsoleF("//Console: unknown instruction \"%s\"", command);
}

// The editor's part of one typed entry.
static void Edit(int typed)
{
    if (typed < kTypedKey)
    {
        if (typed != '`') Insert((char)typed);
        return;
    }
    switch (typed - kTypedKey)
    {
    case 8: // Backspace
        Erase(gCursor - 1);
        break;
    case 46: // Delete
        Erase(gCursor);
        break;
    case 37: // Left
        if (gCursor > 0) gCursor--;
        break;
    case 39: // Right
        if (gInput[gCursor]) gCursor++;
        break;
    case 36: // Home
        gCursor = 0;
        break;
    case 35: // End
        gCursor = (int)strlen(gInput);
        break;
    case 38: // Up
        WalkHistory(-1);
        break;
    case 40: // Down
        WalkHistory(1);
        break;
    case 33: // Page Up
        Scroll(kScrollPage);
        break;
    case 34: // Page Down
        Scroll(-kScrollPage);
        break;
    case 13: // Return
    {
        char line[kConsoleInputMax + 1];
        snprintf(line, sizeof line, "%s", gInput);
        SetInput("");
        ConsoleRunLine(line);
        break;
    }
    default:
        break;
    }
}

// The typed entries are taken in the order they came, so that what is typed right after the
// console key, in the same tick, is the line's, and what comes after a closing key is not.
int ConsoleTick()
{
    int first = 0;
    const int wasOpen = gConsoleOpen;
    if (!gConsoleOpen)
    {
        int at = -1;
        for (int i = 0; i < gTypedCount; i++)
            if (gTypedInput[i] == kTypedKey + kConsoleKey) at = i;
        if (at < 0 && !IsKeyDownNow(kConsoleKey)) return 0;
        gConsoleOpen = 1;
        gScroll = 0;
        gHistoryAt = gHistoryCount;
        // What came before the console key was the game's.
        first = at < 0 ? gTypedCount : at + 1;
    }
    for (int i = first; i < gTypedCount; i++)
    {
        if (gTypedInput[i] == kTypedKey + kConsoleKey || gTypedInput[i] == kTypedKey + 27)
        {
            Close();
            return 1;
        }
        Edit(gTypedInput[i]);
    }
    // A key the typed input missed (it was full) still closes it.
    if (wasOpen && (IsKeyDownNow(kConsoleKey) || IsKeyDownNow(27))) Close();
    return 1;
}

const char* ConsoleInputLine()
{
    return gInput;
}

int ConsoleCursor()
{
    return gCursor;
}

int ConsoleScroll()
{
    return gScroll;
}

int ConsoleNotices(uint32_t now, const char** texts, int max)
{
    int n = 0;
    for (int i = 0; i < gNoticeCount && n < max; i++)
        if ((uint32_t)(now - gNotices[i].shownAt) < kNoticeMs) texts[n++] = gNotices[i].text;
    return n;
}
