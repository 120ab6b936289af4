// Where scripts come from and when they run: loading game, timed and actor scripts, the pass
// over the game scripts, actor events, and single instructions by name.
#include "script/scheduling.h"

#include "core/content_files.h"
#include "core/output.h"
#include "core/problems.h"
#include "core/clock.h"
#include "core/vecmath.h"
#include "resources/paths.h"
#include "resources/textures.h"
#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/script_problems.h"
#include "script/variables.h"
#include "world/humans.h"
#include "world/level.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

VXR_scripter baseScript;
VXR_scripter* scriptPtr = &baseScript;

// Counts RemoveHumanScripts calls: the roster walk re-checks its position only after a run
// that removed some actor's scripts (an actor disposed of, or its scripts replaced).
static unsigned gActorScriptRemovals = 0;

// Reads a script file into text (kScriptTextSize bytes). lfToCr: every LF becomes a CR.
// Anything but a regular file inside the data folder counts as missing (OpenContentFile).
static int ReadScriptFile(const char* path, char* text, int lfToCr)
{
    FILE* file = OpenContentFile(path, kContentText);
    if (!file) return 0;
    if (!ReadWholeFile(file, text))
    {
        char message[120], console[1200];
        snprintf(message, sizeof message, "longer than %d characters, the rest is ignored", kScriptTextMax);
        snprintf(console, sizeof console, "//Script %s: %s", path, message);
        ReportContentProblem(path, 0, message, console);
    }
    fclose(file);
    if (lfToCr) ReplaceCharsInString(text, '\n', '\r');
    return 1;
}

// The last game script (the head while the list is empty), so that an append does not walk a
// list that a script including scripts in a loop makes long.
static VXR_scripter* gLastGameScript = &baseScript;
static int gGameScriptCount = 0;
// The pass under way (0 between passes) and the number of the last one.
static uint32_t gPassUnderWay = 0;
static uint32_t gLastPass = 0;
// Each of the list's limits is reported once until the list is emptied.
static int gListFullReported = 0;
static int gFirstRunsReported = 0;

static int RoomForGameScript(const char* path)
{
    if (!baseScript.next) gGameScriptCount = 0;
    if (gGameScriptCount < kMaxGameScripts) return 1;
    if (!gListFullReported)
        OutputToConsoleF("//Script %s not loaded: the game script list holds %d scripts already", path,
                         kMaxGameScripts);
    gListFullReported = 1;
    return 0;
}

// Puts scriptPtr on the last game script (the head when there is none) and appends script.
static void AppendGameScript(VXR_scripter* script)
{
    if (!baseScript.next) gLastGameScript = &baseScript;
    while (gLastGameScript->next)
        gLastGameScript = gLastGameScript->next;
    scriptPtr = gLastGameScript;
    gLastGameScript->next = script;
    gLastGameScript = script;
    script->loadedInPass = gPassUnderWay;
    gGameScriptCount++;
}

int LoadAndExecuteScript(const char* path)
{
    if (!path || !RoomForGameScript(path)) return 0;
    char text[kScriptTextSize];
    if (!ReadScriptFile(path, text, 1)) return 0;
    VXR_scripter* script = NewVXRScriptNamed(text, path);
    if (!script) return 0;
    if (VXR_CopyText(script->path, kScriptPathSize, path))
        OutputToConsoleF("//Script path longer than %d characters cut: %.60s...", kScriptPathSize - 1, path);
    AppendGameScript(script);
    return 1;
}

uint32_t VXR_TimedScriptStart(uint32_t now, float seconds)
{
    // A start beyond the clock's range would wrap to the past and run at once: the latest time
    // the clock can show is the longest wait there is. A negative delay starts at once.
    double ms = std::trunc((double)(seconds * 1000.0f));
    if (!(ms > 0.0)) return now;
    double start = (double)now + ms;
    return start >= (double)UINT32_MAX ? UINT32_MAX : (uint32_t)start;
}

int InstallTimedScript(const char* path, float seconds)
{
    if (!path || !RoomForGameScript(path)) return 0;
    char text[kScriptTextSize];
    if (!ReadScriptFile(path, text, 0)) return 0;
    VXR_scripter* script = NewVXRScriptNamed(text, path);
    if (!script) return 0;
    script->startTime = VXR_TimedScriptStart(gCurrentTime, seconds);
    AppendGameScript(script);
    return 1;
}

void HandleGameScripts()
{
    if (++gLastPass == 0) gLastPass = 1;
    gPassUnderWay = gLastPass;
    int firstRuns = 0;
    scriptPtr = baseScript.next;
    while (scriptPtr)
    {
        if (scriptPtr->loadedInPass == gPassUnderWay && ++firstRuns > kMaxFirstRunsPerPass)
        {
            if (!gFirstRunsReported)
                OutputToConsoleF(
                    "//Script %s: %d scripts loaded during this pass have run in it; this one and "
                    "later ones wait for the next pass",
                    scriptPtr->path[0] ? scriptPtr->path : "(no file)", kMaxFirstRunsPerPass);
            gFirstRunsReported = 1;
            break;
        }
        ExecuteVXRCommandScript(scriptPtr);
        // A level load has disposed of the scripts: DisposeScript leaves the cursor null, or
        // the new level's loader has put it back on the head.
        if (!scriptPtr) break;
        scriptPtr = scriptPtr->next;
    }
    gPassUnderWay = 0;
}

void DisposeGameScripts()
{
    VXR_scripter* s = baseScript.next;
    baseScript.next = nullptr;
    while (s)
    {
        VXR_scripter* next = s->next;
        DisposeScript(s);
        s = next;
    }
    scriptPtr = nullptr;
    gLastGameScript = &baseScript;
    gGameScriptCount = 0;
    gListFullReported = 0;
    gFirstRunsReported = 0;
}

// ---------------------------------------------------------------------------------------------
// Actor scripts
//
// list -> pair {',' pair}
// pair -> '"' path '"' ',' mask           (mask: decimal text up to the next comma or the end)

// The person file reader sets gProblemFile and gProblemLine to the line that holds the list.
static void ReportList(human_being* actor, const char* problem, const char* at)
{
    char message[200], console[300];
    snprintf(message, sizeof message, "script list %s at: %.60s", problem, at);
    snprintf(console, sizeof console, "//Actor %.35s: %s", actor->name, message);
    ReportContentProblem(nullptr, 0, message, console);
}

// Appends the script file path (relative to the data root) to the actor's list.
static VXR_scripter* AttachActorScript(human_being* actor, VXR_scripter* tail, const char* path, int32_t mask)
{
    // A level file names scripts inside the data folder, as the script instructions do.
    if (!VXR_PathStaysInDataFolder(path, "actor script")) return tail;
    char full[kScriptPathSize];
    if (snprintf(full, sizeof(full), "%s%s", routePath, path) >= (int)sizeof(full))
    {
        OutputToConsoleF("//Actor %.35s: script path too long: %.60s...", actor->name, path);
        return tail;
    }
    FixPathString(full);
    char text[kScriptTextSize];
    if (!ReadScriptFile(full, text, 1))
    {
        char message[1200], console[1300];
        snprintf(message, sizeof message, "actor script %s not found", full);
        snprintf(console, sizeof console, "//Actor %.35s: script %s not found, left out", actor->name, full);
        ReportContentProblem(nullptr, 0, message, console);
        return tail;
    }
    VXR_scripter* script = NewVXRScriptNamed(text, path);
    if (!script) return tail;
    VXR_CopyText(script->path, kScriptPathSize, path);
    script->eventMask = mask;
    script->owner = actor;
    if (tail)
        tail->next = script;
    else
        actor->scripts = script;
    return script;
}

std::string HumanScriptPaths(const human_being* actor)
{
    std::string text;
    for (const VXR_scripter* s = actor ? actor->scripts : nullptr; s; s = s->next)
        text += std::string(text.empty() ? "" : ",") + "\"" + s->path + "\"," +
                std::to_string((long)s->eventMask);
    return text;
}

void SetHumanScriptsByPaths(human_being* actor, const char* list)
{
    if (!actor || !list || !list[0]) return;
    RemoveHumanScripts(actor);
    VXR_scripter* tail = nullptr;
    const char* p = list;
    for (;;)
    {
        if (*p == ',') p++;
        while (*p == ' ' || *p == '\t')
            p++;
        if (!*p) break;
        if (*p != '"')
        {
            ReportList(actor, "expects a quoted path", p);
            break;
        }
        const char* path = p + 1;
        const char* close = strchr(path, '"');
        if (!close || close == path)
        {
            ReportList(actor, close ? "has an empty path" : "has an unclosed quote", p);
            break;
        }
        char pathText[kScriptPathSize];
        size_t pathLength = (size_t)(close - path);
        if (pathLength >= sizeof(pathText))
        {
            ReportList(actor, "has a path longer than 1023 characters", p);
            break;
        }
        memcpy(pathText, path, pathLength);
        pathText[pathLength] = 0;
        p = close + 1;

        char maskText[32];
        int n = 0;
        if (*p == ',')
        {
            p++;
            while (*p && *p != ',')
            {
                if (n < (int)sizeof(maskText) - 1) maskText[n++] = *p;
                p++;
            }
        }
        maskText[n] = 0;
        if (n == 0) ReportList(actor, "has no event mask (0 used, the script never runs)", path);
        long mask = strtol(maskText, nullptr, 10);
        if (mask > INT32_MAX) mask = INT32_MAX;
        if (mask < INT32_MIN) mask = INT32_MIN;
        tail = AttachActorScript(actor, tail, pathText, (int32_t)mask);
    }
}

void RemoveHumanScripts(human_being* actor)
{
    if (!actor) return;
    VXR_scripter* s = actor->scripts;
    actor->scripts = nullptr;
    while (s)
    {
        VXR_scripter* next = s->next;
        DisposeScript(s);
        s = next;
    }
    gActorScriptRemovals++;
}

void ExecuteHumanScriptsForMask(human_being* actor, long mask)
{
    if (!actor) return;
    VXR_scripter* s = actor->scripts;
    while (s)
    {
        if (((long)s->eventMask & mask) != 0)
        {
            int watch = VXR_WatchScript(s);
            if (watch < 0) return;
            ExecuteVXRCommandScript(s);
            int survived = VXR_ScriptSurvived(watch);
            VXR_UnwatchScript(watch);
            // The actor's list (and perhaps the actor) is gone, or a level load replaced them.
            if (!survived || levelChanged) return;
        }
        s = s->next;
    }
}

void HandleHumanScriptsForMask(long mask)
{
    if (!baseHuman) return;
    human_being* h = baseHuman->next;
    int index = 0;
    while (h)
    {
        unsigned removals = gActorScriptRemovals;
        ExecuteHumanScriptsForMask(h, mask);
        if (levelChanged) return;
        if (removals == gActorScriptRemovals)
        {
            h = h->next;
            index++;
            continue;
        }
        // An actor may have left the roster: continue behind h if it is still there, else with
        // the actor now at h's place.
        human_being* found = baseHuman->next;
        int position = 0;
        while (found && found != h)
        {
            found = found->next;
            position++;
        }
        if (found)
        {
            h = found->next;
            index = position + 1;
        }
        else
        {
            h = baseHuman->next;
            for (int i = 0; h && i < index; i++)
                h = h->next;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Reloading a changed script file

namespace
{

std::vector<std::string>* gCompileProblems = nullptr;

void CollectProblem(const char* file, int line, const char* message)
{
    if (!gCompileProblems) return;
    char text[1200];
    if (line > 0)
        snprintf(text, sizeof text, "line %d: %s", line, message ? message : "");
    else
        snprintf(text, sizeof text, "%s", message ? message : "");
    gCompileProblems->push_back(text);
}

// The problems of text as a script: what compiling it says, and each statement's and block's
// own (script_problems.h). The macro registry is as it was afterwards.
std::vector<std::string> ProblemsOfScriptText(const char* text, const char* path)
{
    std::vector<std::pair<int32_t, VXR_scripter*>> macros;
    for (macroScript* m = baseMacro.next; m; m = m->next)
        macros.push_back({m->code, m->script});
    std::vector<std::string> problems;
    problemSinkProc oldSink = gProblemSink;
    gCompileProblems = &problems;
    gProblemSink = CollectProblem;
    VXR_scripter* trial = NewVXRScriptNamed(text, path);
    gProblemSink = oldSink;
    gCompileProblems = nullptr;
    if (!trial)
    {
        problems.push_back("out of memory");
        return problems;
    }
    for (const VXR_Statement* s = trial->code; s; s = s->next)
    {
        std::string own = VXR_StatementProblem(s);
        if (!own.empty()) problems.push_back("line " + std::to_string(s->line) + ": " + own);
    }
    std::vector<std::pair<int, std::string>> blocks;
    VXR_StructureProblems(trial->code, &blocks);
    for (const auto& block : blocks)
        problems.push_back("line " + std::to_string(block.first) + ": " + block.second);
    DisposeScript(trial);
    // The trial's macros pointed at it and went with it; the running scripts' come back.
    for (const auto& macro : macros)
        if (GetMacroScript(macro.first) != macro.second) RegisterMacro(macro.first, macro.second);
    return problems;
}

// Gives script the new text and starts it from its first statement; its variables stay.
void Recompile(VXR_scripter* script, const char* text)
{
    snprintf(script->text, kScriptTextSize, "%s", text);
    script->idleStart = script->idleDuration = 0;
    script->idling = script->looping = 0;
    script->startTime = 0;
    CompileScript(script);
}

} // namespace

int ScriptFileLoadsCleanly(const char* path, std::string* why)
{
    char text[kScriptTextSize];
    if (!ReadScriptFile(path, text, 1))
    {
        if (why) *why = "it cannot be read (see the line before, or it is gone)";
        return 0;
    }
    std::vector<std::string> problems = ProblemsOfScriptText(text, path);
    if (problems.empty()) return 1;
    if (why)
    {
        *why = problems[0];
        if (problems.size() > 1) *why += " (and " + std::to_string(problems.size() - 1) + " more)";
    }
    return 0;
}

int ReloadScriptFile(const char* path, std::string* why)
{
    // The scripts read from path: game scripts by the path they were loaded from, actor scripts
    // by their data-relative path.
    std::vector<VXR_scripter*> scripts;
    for (VXR_scripter* s = baseScript.next; s; s = s->next)
        if (s->path[0] && !strcmp(s->path, path)) scripts.push_back(s);
    for (human_being* h = baseHuman ? baseHuman->next : nullptr; h; h = h->next)
        for (VXR_scripter* s = h->scripts; s; s = s->next)
        {
            std::string full = std::string(routePath) + s->path;
            FixPathString(&full[0]);
            if (full == path) scripts.push_back(s);
        }
    if (scripts.empty()) return 0;
    char text[kScriptTextSize];
    if (!ScriptFileLoadsCleanly(path, why) || !ReadScriptFile(path, text, 1)) return -1;
    for (VXR_scripter* s : scripts)
        Recompile(s, text);
    return (int)scripts.size();
}

// ---------------------------------------------------------------------------------------------
// Single instructions

int ExecuteVXRCommand(const char* command, const char* args)
{
    if (!command || !command[0]) return 1;
    VXR_Instruction* instruction = GetVXRInstruction(command);
    if (!instruction || !instruction->handler) return 0;
    char text[kScriptArgsMax + 1];
    if (VXR_CopyText(text, sizeof(text), args ? args : ""))
        OutputToConsoleF("//%s: arguments longer than %d characters cut: %s", command, kScriptArgsMax, text);
    instruction->handler(text);
    return 1;
}
