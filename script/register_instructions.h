// The handlers that compute in registers and move values between registers and named variables,
// defined inline so that a run executes them in place (interpreter.cpp) as well as through the
// instruction table (instructions.h, whose handler conventions they follow).
#pragma once

#include "script/script_records.h"
#include "script/variables.h"

#include <climits>
#include <cmath>
#include <cstdint>

// Truncation toward zero into 32 bits; values beyond the range saturate and NaN gives 0.
inline int32_t TruncToInt32(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return (int32_t)v;
}

// Named variables and registers: "v",n -> text = v, reg[0] = n (n defaults to 1 for the loads
// and "stores").
inline vaPtr* VXR_ArgsVariable(VXR_DecodedArgs* a)
{
    return VXR_ResolveVariable(a->text, &a->var);
}

inline void vxrinstr_loadInt(VXR_DecodedArgs* a)
{
    if (a->ok) gScriptVars.i[a->reg[0]] = VXR_EntryInt(VXR_ArgsVariable(a));
}

inline void vxrinstr_loadFloat(VXR_DecodedArgs* a)
{
    if (a->ok) gScriptVars.f[a->reg[0]] = VXR_EntryFloat(VXR_ArgsVariable(a));
}

inline void vxrinstr_loadBool(VXR_DecodedArgs* a)
{
    if (a->ok) gScriptVars.b[a->reg[0]] = VXR_EntryInt(VXR_ArgsVariable(a));
}

inline void vxrinstr_storeInt(VXR_DecodedArgs* a)
{
    if (a->ok) VXR_SetEntryInt(VXR_ArgsVariable(a), gScriptVars.i[a->reg[0]]);
}

inline void vxrinstr_storeFloat(VXR_DecodedArgs* a)
{
    if (a->ok) VXR_SetEntryFloat(VXR_ArgsVariable(a), (float)gScriptVars.f[a->reg[0]]);
}

inline void vxrinstr_storeBool(VXR_DecodedArgs* a)
{
    if (a->ok) VXR_SetEntryInt(VXR_ArgsVariable(a), gScriptVars.b[a->reg[0]]);
}

// n,source -> reg[0] = n; form 'f', 'i' or 'b' with reg[1] = m for a register source, form 0
// for a literal in whole[0] (integer forms) or real[0] (float forms, rounded to 32 bits).
inline int32_t VXR_SourceAsInt(const VXR_DecodedArgs* a)
{
    if (a->form == 0) return (int32_t)a->whole[0];
    if (a->form == 'i') return gScriptVars.i[a->reg[1]];
    if (a->form == 'f') return TruncToInt32(gScriptVars.f[a->reg[1]]);
    return gScriptVars.b[a->reg[1]];
}

// Float sources are rounded to 32 bits before they are used, whatever register they come from.
inline double VXR_SourceAsFloat32(const VXR_DecodedArgs* a)
{
    if (a->form == 0) return a->real[0];
    if (a->form == 'f') return (double)(float)gScriptVars.f[a->reg[1]];
    if (a->form == 'i') return (double)(float)gScriptVars.i[a->reg[1]];
    return (double)(float)gScriptVars.b[a->reg[1]];
}

inline void vxrinstr_setInt(VXR_DecodedArgs* a)
{
    if (a->ok) gScriptVars.i[a->reg[0]] = VXR_SourceAsInt(a);
}

inline void vxrinstr_setFloat(VXR_DecodedArgs* a)
{
    if (a->ok) gScriptVars.f[a->reg[0]] = VXR_SourceAsFloat32(a);
}

// Integer arithmetic wraps around in 32 bits; done unsigned so the wrap is defined.
inline void vxrinstr_addi(VXR_DecodedArgs* a)
{
    if (!a->ok) return;
    int32_t& r = gScriptVars.i[a->reg[0]];
    r = (int32_t)((uint32_t)r + (uint32_t)VXR_SourceAsInt(a));
}

inline void vxrinstr_multi(VXR_DecodedArgs* a)
{
    if (!a->ok) return;
    int32_t& r = gScriptVars.i[a->reg[0]];
    r = (int32_t)((uint32_t)r * (uint32_t)VXR_SourceAsInt(a));
}

inline void vxrinstr_addf(VXR_DecodedArgs* a)
{
    if (a->ok) gScriptVars.f[a->reg[0]] = gScriptVars.f[a->reg[0]] + VXR_SourceAsFloat32(a);
}

inline void vxrinstr_multf(VXR_DecodedArgs* a)
{
    if (a->ok) gScriptVars.f[a->reg[0]] = gScriptVars.f[a->reg[0]] * VXR_SourceAsFloat32(a);
}
