// Running compiled scripts: one run with its if/repeat nesting, loops and idles, the condition
// test, and the bookkeeping that lets a run end safely when its own script is disposed of.
#include "script/interpreter.h"

#include "core/output.h"
#include "core/clock.h"
#include "script/decode.h"
#include "script/variables.h"
#include "world/level.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

human_being* gHumanScriptTarget = nullptr;
VXR_scripter* gRunningScript = nullptr;
VXR_Statement* gRunningStatement = nullptr;
uint32_t gScriptDisposals = 0;
double gScriptRunTimeLimit = 5.0;

// ---------------------------------------------------------------------------------------------
// Run frames and watches
//
// Every run under way and every walker that holds a script across a run keeps one slot here.
// DisposeScript clears the slots of the script it frees, so a run whose script was freed by one
// of its own statements (an actor removing itself) stops without reading the record again.

const int kMaxWatches = 4 * kMaxScriptRunDepth;
static VXR_scripter* gWatched[kMaxWatches];
static int gWatchAlive[kMaxWatches];
static int gWatchCount = 0;
static int gRunDepth = 0;

int VXR_WatchScript(VXR_scripter* script)
{
    if (gWatchCount >= kMaxWatches) return -1;
    gWatched[gWatchCount] = script;
    gWatchAlive[gWatchCount] = 1;
    return gWatchCount++;
}

int VXR_ScriptSurvived(int slot)
{
    return slot >= 0 && slot < gWatchCount && gWatchAlive[slot];
}

void VXR_UnwatchScript(int slot)
{
    if (slot >= 0 && slot == gWatchCount - 1) gWatchCount--;
}

void VXR_ForgetDisposedScript(VXR_scripter* script)
{
    gScriptDisposals++;
    for (int i = 0; i < gWatchCount; i++)
    {
        if (gWatched[i] == script)
        {
            gWatched[i] = nullptr;
            gWatchAlive[i] = 0;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Conditions

// Text registers are compared within their 32 bytes even if one lacks its terminator.
static int RegisterTextsEqual(const char* a, const char* b)
{
    size_t la = strnlen(a, kScriptStringMax + 1);
    size_t lb = strnlen(b, kScriptStringMax + 1);
    return la == lb && memcmp(a, b, la) == 0;
}

// Registers a and b are indices 0-15. Floats compare with IEEE rules: NaN fails all but "!=".
static inline int Test(int test, int a, int b)
{
    const variable_list& r = gScriptVars;
    switch (test)
    {
    case kTestILess:
        return r.i[a] < r.i[b];
    case kTestIGreater:
        return r.i[a] > r.i[b];
    case kTestILessEqual:
        return r.i[a] <= r.i[b];
    case kTestIGreaterEqual:
        return r.i[a] >= r.i[b];
    case kTestIEqual:
        return r.i[a] == r.i[b];
    case kTestINotEqual:
        return r.i[a] != r.i[b];
    case kTestFLess:
        return r.f[a] < r.f[b];
    case kTestFGreater:
        return r.f[a] > r.f[b];
    case kTestFLessEqual:
        return r.f[a] <= r.f[b];
    case kTestFGreaterEqual:
        return r.f[a] >= r.f[b];
    case kTestFEqual:
        return r.f[a] == r.f[b];
    case kTestFNotEqual:
        return r.f[a] != r.f[b];
    case kTestBEqual:
        return r.b[a] == r.b[b];
    case kTestBNotEqual:
        return r.b[a] != r.b[b];
    case kTestSEqual:
        return RegisterTextsEqual(r.s[a], r.s[b]);
    case kTestSNotEqual:
        return !RegisterTextsEqual(r.s[a], r.s[b]);
    }
    return 0;
}

int VXR_GetScriptConditionalResult(char type, int a, const char* op, int b)
{
    int ra = VXR_RegisterIndex(a), rb = VXR_RegisterIndex(b);
    if (!op || ra < 0 || rb < 0) return 0;
    return Test(VXR_ConditionTest(type, op), ra, rb);
}

// ---------------------------------------------------------------------------------------------
// Runs

int ExecuteVXRCommandScript(VXR_scripter* script)
{
    if (!script) return 0;
    if (!script->code) return 1;
    return ExecuteCompiledVXRScript(script);
}

// Nesting of one run. Levels are numbered from 1; an endif with nothing open takes the if
// depth to -1 (level 0 then holds the next if, and is never consulted). Levels beyond 31 are
// counted in the overflow fields only: an if there skips both its branches, a repeat there runs
// its body once. A statement runs only when every open level is in its taken branch; `blocked`
// counts the open levels 1..ifDepth that are not, so the test costs nothing per statement.
struct RunState
{
    int ifDepth;
    int ifOverflow;
    int blocked;
    int condition[kMaxScriptNesting + 1];
    int inElse[kMaxScriptNesting + 1];
    int repeatDepth;
    int repeatOverflow;
    VXR_Statement* repeatStart[kMaxScriptNesting + 1];
    int32_t repeatCount[kMaxScriptNesting + 1];
    VXR_Statement* loopStart;
};

static int RunStatements(VXR_scripter* S, int frame);

int VXR_ScriptRunDepthLimit()
{
    static int limit = 0;
    if (limit == 0)
    {
        rlim_t stack = (rlim_t)8 << 20;
        struct rlimit rl;
        if (getrlimit(RLIMIT_STACK, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY) stack = rl.rlim_cur;
        rlim_t depth = stack / 2 / kScriptRunStackBytes;
        limit = depth < (rlim_t)kMaxScriptRunDepth ? (int)depth : kMaxScriptRunDepth;
        if (limit < 1) limit = 1;
    }
    return limit;
}

static const char* ScriptName(VXR_scripter* S)
{
    return S->path[0] ? S->path : "(no file)";
}

// A script reaching itself without end hits the depth limit thousands of times per run: one line
// per outermost run at most, and none again for the same script in later runs.
static int gRunawayReported = 0;

static void ReportTooDeep(VXR_scripter* S)
{
    static VXR_scripter* lastScript = nullptr;
    if (gRunawayReported || S == lastScript) return;
    gRunawayReported = 1;
    lastScript = S;
    OutputToConsoleF("//Script %s: runs nested more than %d deep; the deeper run is ignored", ScriptName(S),
                     VXR_ScriptRunDepthLimit());
}

// The watchdog. Only backward jumps and nested runs can keep a run going without end, so only
// they count down to a clock reading: each run counts its own backward jumps in a local, nested
// runs are counted here. The outermost run's clock starts at its first reading, so a run with
// fewer than kWatchdogSteps of them never reads the clock. Once the limit has passed, gStopRuns
// makes every run under way end its script and return, innermost first.
typedef std::chrono::steady_clock WatchdogClock;
static WatchdogClock::time_point gRunClockStart;
static int gRunClockStarted = 0;
static int gNestedRunsToReading = kWatchdogSteps;
static int gStopRuns = 0;
static_assert(kWatchdogSteps > 0, "the watchdog needs steps between readings");

// Reads the clock; 1 when the run must stop now. Kept out of line: the loops that count down to
// it stay as tight as they were.
static __attribute__((noinline)) int WatchdogReading()
{
    WatchdogClock::time_point now = WatchdogClock::now();
    if (!gRunClockStarted)
    {
        gRunClockStarted = 1;
        gRunClockStart = now;
        return gStopRuns;
    }
    if (gStopRuns || std::chrono::duration<double>(now - gRunClockStart).count() < gScriptRunTimeLimit)
        return gStopRuns;
    gStopRuns = 1;
    // Every run under way checks its watch after its statement returns when the disposal count
    // has moved: moving it sends each of them to the stop.
    gScriptDisposals++;
    return 1;
}

// The first run to stop names its script and the statement it was at: the backward jump, or
// the statement whose nested run was refused.
static int gStopReported = 0;

static void ReportStop(VXR_scripter* S, const VXR_Statement* s)
{
    if (gStopReported) return;
    gStopReported = 1;
    OutputToConsoleF("//Script %s line %d: still running after %g s in one tick; its runs are stopped",
                     ScriptName(S), (int)s->line, gScriptRunTimeLimit);
}

// A stopped script stays in its list as a finished one.
static int EndStoppedRun(VXR_scripter* S, const VXR_Statement* s)
{
    ReportStop(S, s);
    S->current = nullptr;
    S->looping = 0;
    S->idling = 0;
    return 1;
}

int ExecuteCompiledVXRScript(VXR_scripter* S)
{
    if (!S) return 0;
    // Runs being stopped start no others on their way out.
    if (gRunDepth > 0)
    {
        if (gStopRuns) return 1;
        if (--gNestedRunsToReading == 0)
        {
            gNestedRunsToReading = kWatchdogSteps;
            if (WatchdogReading()) return 1;
        }
    }
    // A request beyond the nesting limit is ignored whole: it does not even end an idle.
    if (gRunDepth >= VXR_ScriptRunDepthLimit())
    {
        ReportTooDeep(S);
        return 1;
    }
    if (levelChanged) return 1;
    if (S->startTime != 0 && S->startTime > gCurrentTime) return 1;
    if (S->idling)
    {
        if (gCurrentTime - S->idleStart >= S->idleDuration) S->idling = 0;
        return 1;
    }
    if (!S->current) return 0;

    int frame = VXR_WatchScript(S);
    if (frame < 0) return 1;
    if (gRunDepth == 0)
    {
        gRunawayReported = 0;
        gRunClockStarted = 0;
        gStopRuns = 0;
        gStopReported = 0;
    }
    // Outside its statements no script is running: the target goes back to what it was, so no
    // stale actor (perhaps freed since) is left in it after the run.
    human_being* outerTarget = gHumanScriptTarget;
    VXR_scripter* outerScript = gRunningScript;
    VXR_Statement* outerStatement = gRunningStatement;
    gRunDepth++;
    int result = RunStatements(S, frame);
    gRunDepth--;
    gHumanScriptTarget = outerTarget;
    gRunningScript = outerScript;
    gRunningStatement = outerStatement;
    VXR_UnwatchScript(frame);
    return result;
}

static int RunStatements(VXR_scripter* S, int frame)
{
    RunState st;
    st.ifDepth = 0;
    st.ifOverflow = 0;
    st.blocked = 0;
    st.repeatDepth = 0;
    st.repeatOverflow = 0;
    st.loopStart = nullptr;
    st.condition[0] = 0;
    st.inElse[0] = 0;

    int result = 1;
    VXR_Statement* resume = nullptr;
    VXR_Statement* s = S->current;
    uint32_t disposals = gScriptDisposals;
    int jumpsToReading = kWatchdogSteps;
    // Invariant: a statement other than if, else and endif is reached only while every open if
    // level is in its taken branch; while one is not, the run hops from branch to branch
    // statement (nextBranch), because nothing in between would run.
    while (s)
    {
        switch (s->kind)
        {
        case kStmtInstruction:
        {
            const VXR_Instruction* in = s->instruction;
            gHumanScriptTarget = S->owner;
            gRunningScript = S;
            gRunningStatement = s;
            if (in->run)
                in->run(&s->operands);
            else if (in->handler)
                in->handler(s->args);
            // A statement that disposed of this script (its actor removed) or started a level
            // load ends the run without touching the script again.
            if (gScriptDisposals != disposals)
            {
                if (!VXR_ScriptSurvived(frame)) return 1;
                if (gStopRuns) return EndStoppedRun(S, s);
                disposals = gScriptDisposals;
            }
            if (levelChanged) return 1;
            break;
        }
        case kStmtIf:
            if (st.ifOverflow > 0 || st.ifDepth >= kMaxScriptNesting)
            {
                st.ifOverflow++;
            }
            else
            {
                int d = ++st.ifDepth;
                int c = Test(s->decoded.test, s->decoded.a, s->decoded.b);
                st.condition[d] = c;
                st.inElse[d] = 0;
                if (d >= 1 && !c) st.blocked++;
            }
            s = (st.blocked | st.ifOverflow) ? s->nextBranch : s->next;
            continue;
        case kStmtElse:
            if (st.ifOverflow == 0 && st.ifDepth >= 1 && !st.inElse[st.ifDepth])
            {
                st.inElse[st.ifDepth] = 1;
                st.blocked += st.condition[st.ifDepth] ? 1 : -1;
            }
            s = (st.blocked | st.ifOverflow) ? s->nextBranch : s->next;
            continue;
        case kStmtEndif:
            if (st.ifOverflow > 0)
            {
                st.ifOverflow--;
            }
            else if (st.ifDepth >= 0)
            {
                int d = st.ifDepth;
                if (d >= 1 && st.condition[d] == st.inElse[d]) st.blocked--;
                st.inElse[d] = 0;
                st.ifDepth--;
            }
            s = (st.blocked | st.ifOverflow) ? s->nextBranch : s->next;
            continue;
        case kStmtIdle:
            // An idle without a readable time waits for one run, as "idle 0" does.
            S->idling = 1;
            S->idleDuration = s->decoded.ready ? s->decoded.idleMs : 0;
            S->idleStart = gCurrentTime;
            result = 0;
            resume = s->next;
            goto endOfRun;
        case kStmtRepeat:
        {
            int32_t count = s->decoded.useI1 ? gScriptVars.i[0] : s->decoded.count;
            // A negative count would never reach 0: it opens no level, like 0.
            if (count > 0)
            {
                if (st.repeatOverflow > 0 || st.repeatDepth >= kMaxScriptNesting)
                {
                    st.repeatOverflow++;
                }
                else
                {
                    st.repeatDepth++;
                    st.repeatStart[st.repeatDepth] = s;
                    st.repeatCount[st.repeatDepth] = count;
                }
            }
            break;
        }
        case kStmtEndrepeat:
            if (st.repeatOverflow > 0)
            {
                st.repeatOverflow--;
            }
            else if (st.repeatDepth > 0)
            {
                if (--st.repeatCount[st.repeatDepth] != 0)
                {
                    if (--jumpsToReading == 0)
                    {
                        jumpsToReading = kWatchdogSteps;
                        if (WatchdogReading()) return EndStoppedRun(S, s);
                    }
                    s = st.repeatStart[st.repeatDepth];
                }
                else
                {
                    st.repeatDepth--;
                }
            }
            break;
        case kStmtExitrepeat:
            if (st.repeatOverflow > 0)
                st.repeatOverflow--;
            else if (st.repeatDepth > 0)
                st.repeatDepth--;
            break;
        case kStmtLoop:
            st.loopStart = s;
            S->looping = 1;
            break;
        case kStmtEndloop:
            resume = s->next;
            goto endOfRun;
        case kStmtExitloop:
            S->looping = 0;
            break;
        }
        s = s->next;
    }

endOfRun:
    S->current = S->looping ? st.loopStart : resume;
    return result;
}
