// Running compiled scripts: one run with its if/repeat nesting, loops and idles, the condition
// test, and the bookkeeping that lets a run end safely when its own script is disposed of.
#include "script/interpreter.h"

#include "core/output.h"
#include "core/clock.h"
#include "script/variables.h"
#include "world/level.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

human_being* gHumanScriptTarget = nullptr;
uint64_t gScriptStatementCount = 0;

// Condition operators, decoded once when an if compiles.
enum
{
    kOpInvalid = 0,
    kOpLess,
    kOpGreater,
    kOpLessEqual,
    kOpGreaterEqual,
    kOpEqual,
    kOpNotEqual
};

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
static int gNestedRunsStarted = 0;

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

static int OperatorCode(const char* op)
{
    if (!op) return kOpInvalid;
    if (strcmp(op, "<") == 0) return kOpLess;
    if (strcmp(op, ">") == 0) return kOpGreater;
    if (strcmp(op, "<=") == 0) return kOpLessEqual;
    if (strcmp(op, ">=") == 0) return kOpGreaterEqual;
    if (strcmp(op, "=") == 0) return kOpEqual;
    if (strcmp(op, "!=") == 0) return kOpNotEqual;
    return kOpInvalid;
}

// Text registers are compared within their 32 bytes even if one lacks its terminator.
static int RegisterTextsEqual(const char* a, const char* b)
{
    size_t la = strnlen(a, kScriptStringMax + 1);
    size_t lb = strnlen(b, kScriptStringMax + 1);
    return la == lb && memcmp(a, b, la) == 0;
}

// Ordered comparison of two register values; NaN makes every test but "!=" false.
template <typename T> static int CompareValues(T x, T y, int op)
{
    switch (op)
    {
    case kOpLess:
        return x < y;
    case kOpGreater:
        return x > y;
    case kOpLessEqual:
        return x <= y;
    case kOpGreaterEqual:
        return x >= y;
    case kOpEqual:
        return x == y;
    case kOpNotEqual:
        return x != y;
    }
    return 0;
}

static int Condition(char type, int32_t a, int op, int32_t b)
{
    if (a < 1 || a > kScriptRegisterCount || b < 1 || b > kScriptRegisterCount) return 0;
    a--;
    b--;
    switch (type)
    {
    case 'i':
        return CompareValues<int32_t>(gScriptVars.i[a], gScriptVars.i[b], op);
    case 'f':
        return CompareValues<double>(gScriptVars.f[a], gScriptVars.f[b], op);
    case 'b':
        if (op == kOpEqual) return gScriptVars.b[a] == gScriptVars.b[b];
        if (op == kOpNotEqual) return gScriptVars.b[a] != gScriptVars.b[b];
        return 0;
    case 's':
        if (op == kOpEqual) return RegisterTextsEqual(gScriptVars.s[a], gScriptVars.s[b]);
        if (op == kOpNotEqual) return !RegisterTextsEqual(gScriptVars.s[a], gScriptVars.s[b]);
        return 0;
    }
    return 0;
}

int VXR_GetScriptConditionalResult(char type, int a, const char* op, int b)
{
    return Condition(type, a, OperatorCode(op), b);
}

// ---------------------------------------------------------------------------------------------
// Decoding control statements
//
// if     -> type ',' int ',' op ',' int       (op: up to the next comma)
// idle   -> float                             (seconds)
// repeat -> [int]                             (empty: the count is i1 when the repeat runs)
// Integers and floats read as the formatted-input conversions %d and %f read them.

// A decimal integer as %d reads it; values beyond 32 bits saturate.
static int ReadInt(const char** p, int32_t* out)
{
    char* end = nullptr;
    long v = strtol(*p, &end, 10);
    if (end == *p) return 0;
    *p = end;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    *out = (int32_t)v;
    return 1;
}

uint32_t VXR_SecondsToMs(float seconds)
{
    float ms = seconds * 1000;
    if (std::isnan(ms)) return 0;
    if (ms >= 4294967295.0f) return UINT32_MAX;
    if (ms <= -2147483648.0f) return (uint32_t)INT32_MIN;
    // Truncation toward zero; a negative duration wraps as the unsigned clock arithmetic does.
    return (uint32_t)(int64_t)ms;
}

void VXR_DecodeControlArgs(VXR_Statement* s)
{
    if (!s) return;
    VXR_StatementArgs* d = &s->decoded;
    memset(d, 0, sizeof(*d));
    const char* p = s->args;
    switch (s->kind)
    {
    case kStmtIf:
    {
        if (!p[0]) return;
        d->type = p[0];
        p++;
        if (*p++ != ',') return;
        if (!ReadInt(&p, &d->a)) return;
        if (*p++ != ',') return;
        char op[kScriptArgsMax + 1];
        int n = 0;
        while (*p && *p != ',')
            op[n++] = *p++;
        op[n] = 0;
        if (n == 0 || *p++ != ',') return;
        if (!ReadInt(&p, &d->b)) return;
        d->op = (char)OperatorCode(op);
        d->ready = 1;
        return;
    }
    case kStmtIdle:
    {
        char* end = nullptr;
        float seconds = strtof(p, &end);
        if (end == p) return;
        d->idleMs = VXR_SecondsToMs(seconds);
        d->ready = 1;
        return;
    }
    case kStmtRepeat:
        if (!p[0])
            d->useI1 = 1;
        else if (!ReadInt(&p, &d->count))
            d->count = 0;
        d->ready = 1;
        return;
    }
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
// its body once.
struct RunState
{
    int ifDepth;
    int ifOverflow;
    int condition[kMaxScriptNesting + 1];
    int inElse[kMaxScriptNesting + 1];
    int repeatDepth;
    int repeatOverflow;
    VXR_Statement* repeatStart[kMaxScriptNesting + 1];
    int32_t repeatCount[kMaxScriptNesting + 1];
    VXR_Statement* loopStart;
};

static int RunStatements(VXR_scripter* S, int frame);

// A runaway script hits its limits on every tick, thousands of times per run: one line per
// outermost run at most, and none again for the same script in later runs.
static int gRunawayReported = 0;

static void ReportRunaway(VXR_scripter* S, const char* what)
{
    static VXR_scripter* lastScript = nullptr;
    if (gRunawayReported || S == lastScript) return;
    gRunawayReported = 1;
    lastScript = S;
    OutputToConsoleF("//Script %s: %s", S->path[0] ? S->path : "(no file)", what);
}

int ExecuteCompiledVXRScript(VXR_scripter* S)
{
    if (!S) return 0;
    // A request beyond the nesting limits is ignored whole: it does not even end an idle.
    if (gRunDepth >= kMaxScriptRunDepth)
    {
        ReportRunaway(S, "runs nested more than 64 deep; the deeper run is ignored");
        return 1;
    }
    if (gRunDepth > 0)
    {
        if (gNestedRunsStarted >= kMaxNestedRunsPerRun)
        {
            ReportRunaway(S, "more than 1000000 nested runs in one run; further ones are ignored");
            return 1;
        }
        gNestedRunsStarted++;
    }
    else
    {
        gNestedRunsStarted = 0;
        gRunawayReported = 0;
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
    // Outside its statements no script is running: the target goes back to what it was, so no
    // stale actor (perhaps freed since) is left in it after the run.
    human_being* outerTarget = gHumanScriptTarget;
    gRunDepth++;
    int result = RunStatements(S, frame);
    gRunDepth--;
    gHumanScriptTarget = outerTarget;
    VXR_UnwatchScript(frame);
    return result;
}

static int RunStatements(VXR_scripter* S, int frame)
{
    RunState st;
    st.ifDepth = 0;
    st.ifOverflow = 0;
    st.repeatDepth = 0;
    st.repeatOverflow = 0;
    st.loopStart = nullptr;
    st.condition[0] = 0;
    st.inElse[0] = 0;

    int result = 1;
    VXR_Statement* resume = nullptr;
    VXR_Statement* s = S->current;
    while (s)
    {
        gScriptStatementCount++;
        result = 1;
        gHumanScriptTarget = S->owner;
        int execute = 1;
        switch (s->kind)
        {
        case kStmtIf:
            if (st.ifOverflow > 0 || st.ifDepth >= kMaxScriptNesting)
            {
                st.ifOverflow++;
            }
            else
            {
                st.ifDepth++;
                const VXR_StatementArgs* d = &s->decoded;
                st.condition[st.ifDepth] = d->ready ? Condition(d->type, d->a, d->op, d->b) : 0;
                st.inElse[st.ifDepth] = 0;
            }
            break;
        case kStmtElse:
            if (st.ifOverflow == 0 && st.ifDepth >= 1) st.inElse[st.ifDepth] = 1;
            execute = 0;
            break;
        case kStmtEndif:
            if (st.ifOverflow > 0)
            {
                st.ifOverflow--;
            }
            else if (st.ifDepth >= 0)
            {
                st.inElse[st.ifDepth] = 0;
                st.ifDepth--;
            }
            execute = 0;
            break;
        }
        if (st.ifOverflow > 0) execute = 0;
        for (int d = st.ifDepth; d >= 1 && execute; d--)
        {
            if (st.condition[d] == st.inElse[d]) execute = 0;
        }

        if (execute)
        {
            switch (s->kind)
            {
            case kStmtInstruction:
                if (s->instruction && s->instruction->handler) s->instruction->handler(s->args);
                break;
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
                        s = st.repeatStart[st.repeatDepth];
                    else
                        st.repeatDepth--;
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
        }
        // A statement that disposed of this script (its actor removed) ends the run untouched.
        if (!VXR_ScriptSurvived(frame)) return 1;
        if (levelChanged) return 1;
        s = s->next;
    }

endOfRun:
    S->current = S->looping ? st.loopStart : resume;
    return result;
}
