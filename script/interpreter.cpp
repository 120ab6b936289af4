// Running compiled scripts: one run with its if/repeat nesting, loops and idles, the condition
// test, and the bookkeeping that lets a run end safely when its own script is disposed of.
#include "script/interpreter.h"

#include "core/output.h"
#include "core/clock.h"
#include "script/decode.h"
#include "script/register_instructions.h"
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
// Dispatch codes

// The handlers a run executes in place, in the order of their codes from kOpSetInt on.
static const VXR_RunProc kInPlaceHandlers[] = {vxrinstr_setInt,     vxrinstr_setFloat, vxrinstr_addi,
                                               vxrinstr_multi,      vxrinstr_addf,     vxrinstr_multf,
                                               vxrinstr_loadInt,    vxrinstr_storeInt, vxrinstr_loadFloat,
                                               vxrinstr_storeFloat, vxrinstr_loadBool, vxrinstr_storeBool};
static_assert(sizeof kInPlaceHandlers / sizeof kInPlaceHandlers[0] == kOpCount - kOpSetInt,
              "one handler per in-place code");

uint8_t VXR_RunOp(const VXR_Statement* s)
{
    if (s->kind != kStmtInstruction) return (uint8_t)s->kind;
    for (int k = 0; s->instruction && k < kOpCount - kOpSetInt; k++)
        if (s->instruction->run == kInPlaceHandlers[k]) return (uint8_t)(kOpSetInt + k);
    return kOpCall;
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
// its body once. A statement runs only when every open level is in its taken branch.
//
// The run keeps what every pass of a loop touches in locals (the statement, the if depth, the
// count of levels not taken, the innermost repeat level's count and body) and the rest here,
// so that a call to a handler does not push the hot values out to memory.
struct RunState
{
    VXR_scripter* script;
    int frame;          // the run's watch slot
    uint32_t disposals; // gScriptDisposals when the watch was last checked
    int ifOverflow;
    int condition[kMaxScriptNesting + 1];
    int inElse[kMaxScriptNesting + 1];
    int repeatOverflow;
    int repeatDepth;
    // Levels below the innermost repeat level (which the run keeps in locals).
    VXR_Statement* repeatBody[kMaxScriptNesting + 1]; // the statement after the level's repeat
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
int (*gWatchdogHook)(double seconds) = nullptr;
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
    if (gStopRuns) return 1;
    const double seconds = std::chrono::duration<double>(now - gRunClockStart).count();
    if (!(gWatchdogHook ? gWatchdogHook(seconds) : seconds >= gScriptRunTimeLimit)) return 0;
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

// Calls the handler of an instruction statement. 1 when the run must end at once: the statement
// disposed of the running script (its actor removed) or started a level load, and the run must
// not touch the script again.
static __attribute__((noinline)) int CallHandler(VXR_Statement* s, RunState* st)
{
    const VXR_Instruction* in = s->instruction;
    // Only handlers read these; a nested run puts them back when it returns.
    gHumanScriptTarget = st->script->owner;
    gRunningScript = st->script;
    gRunningStatement = s;
    if (in->run)
        in->run(&s->operands);
    else if (in->handler)
        in->handler(s->args);
    if (gScriptDisposals != st->disposals)
    {
        if (!VXR_ScriptSurvived(st->frame)) return 1;
        if (gStopRuns) return EndStoppedRun(st->script, s);
        st->disposals = gScriptDisposals;
    }
    return levelChanged != 0;
}

static int RunStatements(VXR_scripter* S, int frame)
{
    RunState st;
    st.script = S;
    st.frame = frame;
    st.disposals = gScriptDisposals;
    st.ifOverflow = 0;
    st.repeatOverflow = 0;
    st.loopStart = nullptr;
    st.condition[0] = 0;
    st.inElse[0] = 0;
    int ifDepth = 0;
    int blocked = 0; // open levels 1..ifDepth not in their taken branch
    st.repeatDepth = 0;
    int32_t count = 0;                   // passes left at the innermost repeat level
    VXR_Statement* body = nullptr;       // its first statement
    int jumpsToReading = kWatchdogSteps; // backward jumps left before the watchdog reads the clock

    int result = 1;
    VXR_Statement* resume = nullptr;
    VXR_Statement* s = S->current;
    // Invariant: a statement other than if, else and endif is reached only while every open if
    // level is in its taken branch; while one is not, the run hops from branch to branch
    // statement (nextBranch), because nothing in between would run.
    //
    // Threaded dispatch: every statement ends by jumping straight to the code of the next one,
    // so each kind of statement has its own well-predicted jump.
    static const void* const kCode[kOpCount] = {
        &&op_kOpCall,       &&op_kStmtIf,        &&op_kStmtElse,       &&op_kStmtEndif,  &&op_kStmtIdle,
        &&op_kStmtRepeat,   &&op_kStmtEndrepeat, &&op_kStmtExitrepeat, &&op_kStmtLoop,   &&op_kStmtEndloop,
        &&op_kStmtExitloop, &&op_kOpSetInt,      &&op_kOpSetFloat,     &&op_kOpAddi,     &&op_kOpMulti,
        &&op_kOpAddf,       &&op_kOpMultf,       &&op_kOpLoadInt,      &&op_kOpStoreInt, &&op_kOpLoadFloat,
        &&op_kOpStoreFloat, &&op_kOpLoadBool,    &&op_kOpStoreBool};
#define DISPATCH()                                                                                           \
    do                                                                                                       \
    {                                                                                                        \
        if (!s) goto ranOut;                                                                                 \
        goto* kCode[s->op];                                                                                  \
    } while (0)
#define NEXT()                                                                                               \
    do                                                                                                       \
    {                                                                                                        \
        s = s->next;                                                                                         \
        DISPATCH();                                                                                          \
    } while (0)
    DISPATCH();

    // The register and variable handlers run in place, unless the statement's entry has
    // been pointed at another handler since it compiled. They cannot start runs, dispose
    // of scripts or load levels, so they skip the checks after a call.
// clang-format off
#define RUN_IN_PLACE(op, handler)                                                                            \
    op_##op:                                                                                                 \
        if (s->instruction->run != handler) goto op_kOpCall;                                                 \
        handler(&s->operands);                                                                               \
        NEXT();
    // clang-format on
    RUN_IN_PLACE(kOpSetInt, vxrinstr_setInt)
    RUN_IN_PLACE(kOpSetFloat, vxrinstr_setFloat)
    RUN_IN_PLACE(kOpAddi, vxrinstr_addi)
    RUN_IN_PLACE(kOpMulti, vxrinstr_multi)
    RUN_IN_PLACE(kOpAddf, vxrinstr_addf)
    RUN_IN_PLACE(kOpMultf, vxrinstr_multf)
    RUN_IN_PLACE(kOpLoadInt, vxrinstr_loadInt)
    RUN_IN_PLACE(kOpStoreInt, vxrinstr_storeInt)
    RUN_IN_PLACE(kOpLoadFloat, vxrinstr_loadFloat)
    RUN_IN_PLACE(kOpStoreFloat, vxrinstr_storeFloat)
    RUN_IN_PLACE(kOpLoadBool, vxrinstr_loadBool)
    RUN_IN_PLACE(kOpStoreBool, vxrinstr_storeBool)
#undef RUN_IN_PLACE
op_kOpCall:
    if (CallHandler(s, &st)) return 1;
    NEXT();
op_kStmtIf:
    if (__builtin_expect(st.ifOverflow > 0 || ifDepth >= kMaxScriptNesting, 0))
    {
        st.ifOverflow++;
    }
    else
    {
        int c = Test(s->decoded.test, s->decoded.a, s->decoded.b);
        ifDepth++;
        st.condition[ifDepth] = c;
        st.inElse[ifDepth] = 0;
        if (ifDepth >= 1 && !c) blocked++;
    }
    goto nextAfterBranch;
op_kStmtElse:
    if (st.ifOverflow == 0 && ifDepth >= 1 && !st.inElse[ifDepth])
    {
        st.inElse[ifDepth] = 1;
        blocked += st.condition[ifDepth] ? 1 : -1;
    }
    goto nextAfterBranch;
op_kStmtEndif:
    if (st.ifOverflow > 0)
    {
        st.ifOverflow--;
    }
    else if (ifDepth >= 0)
    {
        if (ifDepth >= 1 && st.condition[ifDepth] == st.inElse[ifDepth]) blocked--;
        st.inElse[ifDepth] = 0;
        ifDepth--;
    }
nextAfterBranch:
    // While a level is not taken, only the next if, else or endif can change that.
    s = (blocked | st.ifOverflow) ? s->nextBranch : s->next;
    DISPATCH();
op_kStmtIdle:
    // An idle without a readable time waits for one run, as "idle 0" does.
    st.script->idling = 1;
    st.script->idleDuration = s->decoded.ready ? s->decoded.idleMs : 0;
    st.script->idleStart = gCurrentTime;
    result = 0;
    resume = s->next;
    goto endOfRun;
op_kStmtRepeat:
{
    int32_t n = s->decoded.useI1 ? gScriptVars.i[0] : s->decoded.count;
    // A negative count would never reach 0: it opens no level, like 0.
    if (n > 0)
    {
        if (st.repeatOverflow > 0 || st.repeatDepth >= kMaxScriptNesting)
        {
            st.repeatOverflow++;
        }
        else
        {
            st.repeatBody[st.repeatDepth] = body;
            st.repeatCount[st.repeatDepth] = count;
            st.repeatDepth++;
            body = s->next;
            count = n;
        }
    }
    NEXT();
}
op_kStmtEndrepeat:
    if (st.repeatOverflow > 0)
    {
        st.repeatOverflow--;
    }
    else if (st.repeatDepth > 0)
    {
        if (--count != 0)
        {
            // Backward jumps count down in a local, so a loop pays one decrement a pass.
            if (--jumpsToReading == 0)
            {
                jumpsToReading = kWatchdogSteps;
                if (WatchdogReading()) return EndStoppedRun(st.script, s);
            }
            s = body;
            DISPATCH();
        }
        st.repeatDepth--;
        body = st.repeatBody[st.repeatDepth];
        count = st.repeatCount[st.repeatDepth];
    }
    NEXT();
op_kStmtExitrepeat:
    if (st.repeatOverflow > 0)
    {
        st.repeatOverflow--;
    }
    else if (st.repeatDepth > 0)
    {
        st.repeatDepth--;
        body = st.repeatBody[st.repeatDepth];
        count = st.repeatCount[st.repeatDepth];
    }
    NEXT();
op_kStmtLoop:
    st.loopStart = s;
    st.script->looping = 1;
    NEXT();
op_kStmtEndloop:
    resume = s->next;
    goto endOfRun;
op_kStmtExitloop:
    st.script->looping = 0;
    NEXT();
#undef DISPATCH
#undef NEXT

ranOut:

endOfRun:
    st.script->current = st.script->looping ? st.loopStart : resume;
    return result;
}
