// Compile-time decoding: argument readers, the control statements' operands, the instruction
// decoders' entry point and the branch links. Runs never come here.
#include "script/decode.h"

#include "script/variables.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

int VXR_RegisterIndex(long n)
{
    return (n >= 1 && n <= kScriptRegisterCount) ? (int)(n - 1) : -1;
}

int VXR_ReadLong(const char** p, long* out)
{
    char* end = nullptr;
    long v = strtol(*p, &end, 10);
    if (end == *p) return 0;
    *p = end;
    *out = v;
    return 1;
}

int VXR_ReadInt32(const char** p, int32_t* out)
{
    long v;
    if (!VXR_ReadLong(p, &v)) return 0;
    *out = (int32_t)(v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : v));
    return 1;
}

int VXR_ReadDouble(const char** p, double* out)
{
    char* end = nullptr;
    double v = strtod(*p, &end);
    if (end == *p) return 0;
    *p = end;
    *out = v;
    return 1;
}

void VXR_ReadName(const char** p, char* out, int outSize)
{
    const char* s = *p;
    int n = 0;
    if (*s == '"')
    {
        s++;
        while (s[n] && s[n] != '"')
            n++;
        VXR_CopyText(out, (n + 1 < outSize) ? n + 1 : outSize, s);
        s += n;
        if (*s == '"') s++;
    }
    else
    {
        while (s[n] && s[n] != ',')
            n++;
        VXR_CopyText(out, (n + 1 < outSize) ? n + 1 : outSize, s);
        s += n;
    }
    *p = s;
}

// ---------------------------------------------------------------------------------------------
// Control statements
//
// if     -> type ',' int ',' op ',' int       (op: up to the next comma)
// idle   -> float                             (seconds)
// repeat -> [int]                             (empty: the count is i1 when the repeat runs)

int VXR_ConditionTest(char type, const char* op)
{
    static const char* const kOperators[] = {"<", ">", "<=", ">=", "=", "!="};
    int o = 0;
    while (o < 6 && strcmp(op, kOperators[o]) != 0)
        o++;
    if (o == 6) return kTestFalse;
    switch (type)
    {
    case 'i':
        return kTestILess + o;
    case 'f':
        return kTestFLess + o;
    // Texts and truths only know = and !=; ordered operators never hold for them.
    case 'b':
        return o == 4 ? kTestBEqual : o == 5 ? kTestBNotEqual : kTestFalse;
    case 's':
        return o == 4 ? kTestSEqual : o == 5 ? kTestSNotEqual : kTestFalse;
    }
    return kTestFalse;
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

static void DecodeIf(const char* p, VXR_StatementArgs* d)
{
    d->test = kTestFalse;
    if (!p[0]) return;
    char type = *p++;
    int32_t a, b;
    if (*p++ != ',') return;
    if (!VXR_ReadInt32(&p, &a)) return;
    if (*p++ != ',') return;
    char op[kScriptArgsMax + 1];
    int n = 0;
    while (*p && *p != ',')
        op[n++] = *p++;
    op[n] = 0;
    if (n == 0 || *p++ != ',') return;
    if (!VXR_ReadInt32(&p, &b)) return;
    int ra = VXR_RegisterIndex(a), rb = VXR_RegisterIndex(b);
    if (ra < 0 || rb < 0)
    {
        d->registerFault = 1;
        d->badRegister = ra < 0 ? a : b;
        return;
    }
    d->a = (int8_t)ra;
    d->b = (int8_t)rb;
    d->test = (int8_t)VXR_ConditionTest(type, op);
    d->ready = 1;
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
        DecodeIf(p, d);
        return;
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
        else if (!VXR_ReadInt32(&p, &d->count))
            d->count = 0;
        d->ready = 1;
        return;
    }
}

// ---------------------------------------------------------------------------------------------
// Instructions and links

void VXR_DecodeArguments(VXR_DecodeProc decode, const char* text, VXR_DecodedArgs* args)
{
    memset(args, 0, sizeof(*args));
    if (decode) decode(text ? text : "", args);
}

void VXR_DecodeStatement(VXR_Statement* s)
{
    if (!s) return;
    VXR_DecodeControlArgs(s);
    if (s->kind == kStmtInstruction && s->instruction)
        VXR_DecodeArguments(s->instruction->decode, s->args, &s->operands);
}

static int IsBranch(const VXR_Statement* s)
{
    return s->kind == kStmtIf || s->kind == kStmtElse || s->kind == kStmtEndif;
}

void VXR_LinkBranches(VXR_Statement* first)
{
    // Walk once, keeping the statements that still wait for their next branch statement.
    VXR_Statement* waiting = first;
    for (VXR_Statement* s = first ? first->next : nullptr; s; s = s->next)
    {
        if (!IsBranch(s)) continue;
        for (; waiting != s; waiting = waiting->next)
            waiting->nextBranch = s;
    }
    for (; waiting; waiting = waiting->next)
        waiting->nextBranch = nullptr;
}
