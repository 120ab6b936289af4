// Shared decoding of numeric fields and register runs, and the once-per-statement console line
// for numbers outside an instruction's range.
#include "script/instruction_checks.h"

#include "core/output.h"
#include "script/decode.h"
#include "script/interpreter.h"

#include <climits>
#include <cstdio>

static const char* FaultText(int fault)
{
    switch (fault)
    {
    case kFaultRegister:
        return "register %ld is not 1 to 16";
    case kFaultRegisterRun:
        return "three registers from %ld pass register 16";
    case kFaultRegisterMissing:
        return "a register number is missing";
    case kFaultMaterial:
        return "material %ld is not 1 to 8";
    case kFaultAnimationSlot:
        return "animation slot %ld is not 1 to 16";
    case kFaultAnimationEmpty:
        return "animation slot %ld has no frames";
    case kFaultSample:
        return "sample %ld is not 0 to 255";
    case kFaultSampleEmpty:
        return "sample slot %ld holds no sound";
    case kFaultPoseFields:
        return "needs two pose names and two times";
    case kFaultPath:
        return "the path leaves the data folder";
    case kFaultNameCut:
        return "name longer than %ld characters cut";
    case kFaultHudLine:
        return "HUD text line %ld is not 1 to 8";
    case kFaultNotFinite:
        return "a value is not a finite number (inf or nan), which no level file can hold";
    case kFaultKeyName:
        return "no key has that name (the README lists the key names)";
    }
    return "bad argument";
}

void VXR_DescribeFault(int fault, long value, char* out, int size)
{
    snprintf(out, size, FaultText(fault), value, value);
}

void VXR_DescribeRecordFault(const VXR_DecodedArgs* a, char* out, int size)
{
    if (a->fault == kFaultKeyName)
        snprintf(out, size, "no key is called \"%s\" (the README lists the key names)", a->text);
    else
        VXR_DescribeFault(a->fault, a->faultValue, out, size);
}

void VXR_ReportProblem(VXR_DecodedArgs* a, const char* keyword, const char* problem, int doesNothing)
{
    if (a->reported) return;
    a->reported = 1;
    if (gRunningScript)
        OutputToConsoleF("//Script %s line %d: %s: %s%s",
                         gRunningScript->path[0] ? gRunningScript->path : "(no file)",
                         gRunningStatement ? (int)gRunningStatement->line : 0, keyword, problem,
                         doesNothing ? "; the instruction does nothing" : "");
    else
        OutputToConsoleF("//Command %s: %s%s", keyword, problem, doesNothing ? "; the instruction does nothing" : "");
}

void VXR_ReportFault(VXR_DecodedArgs* a, const char* keyword, int fault, long value)
{
    char problem[160];
    if (fault == kFaultKeyName)
        VXR_DescribeRecordFault(a, problem, sizeof problem);
    else
        snprintf(problem, sizeof problem, FaultText(fault), value, value);
    VXR_ReportProblem(a, keyword, problem, fault != kFaultNameCut);
}

int VXR_Ready(VXR_DecodedArgs* a, const char* keyword)
{
    if (a->ok) return 1;
    if (a->fault) VXR_ReportFault(a, keyword, a->fault, a->faultValue);
    return 0;
}

void VXR_DecodeFault(VXR_DecodedArgs* a, int fault, long value)
{
    a->ok = 0;
    a->fault = (int8_t)fault;
    a->faultValue = (int32_t)(value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : value);
}

const char* VXR_DecodeFields(const char* p, VXR_DecodedArgs* a, int first, int count, int integers)
{
    for (int i = first; i < first + count && i < 4; i++)
    {
        const char* q = p;
        double v;
        int32_t n;
        if (integers ? VXR_ReadInt32(&q, &n) : VXR_ReadDouble(&q, &v) && (*q == ',' || *q == 0))
        {
            if (integers)
                a->whole[i] = n;
            else
                a->real[i] = (double)(float)v;
            a->given |= (uint8_t)(1 << i);
        }
        // An unreadable field keeps its default; the next field starts after its comma.
        while (*q && *q != ',')
            q++;
        p = q;
        if (*p != ',') break;
        p++;
    }
    return p;
}

int VXR_DecodeRegisterField(long n, int have, VXR_DecodedArgs* a, int slot, int defaultFirst, int run)
{
    if (!have || n == 0)
    {
        if (!defaultFirst)
        {
            VXR_DecodeFault(a, have ? kFaultRegister : kFaultRegisterMissing, 0);
            return 0;
        }
        n = 1;
    }
    int index = VXR_RegisterIndex(n);
    if (index < 0)
    {
        VXR_DecodeFault(a, kFaultRegister, n);
        return 0;
    }
    if (index + run > kScriptRegisterCount)
    {
        VXR_DecodeFault(a, kFaultRegisterRun, n);
        return 0;
    }
    a->reg[slot] = (int8_t)index;
    return 1;
}

void VXR_DecodeNone(const char* p, VXR_DecodedArgs* a)
{
    a->ok = 1;
}
