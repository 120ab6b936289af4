// Instruction table and the register, variable, clock, selection and script-control handlers.
// Handlers parse their argument text on every run; they never write outside a register or storage.
#include "script/instructions.h"

#include "core/output.h"
#include "core/clock.h"
#include "resources/paths.h"
#include "resources/textures.h"
#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/scheduling.h"
#include "script/variables.h"
#include "world/humans.h"
#include "world/vecmath.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------------------------------------
// Argument parsing

// Index of a script register number (1 to 16), or -1.
static int RegisterIndex(long n)
{
    return (n >= 1 && n <= kScriptRegisterCount) ? (int)(n - 1) : -1;
}

// Reads a decimal integer at *p the way %d does (optional sign, then digits), moving *p past it.
static int ReadLong(const char** p, long* out)
{
    char* end = nullptr;
    long v = strtol(*p, &end, 10);
    if (end == *p) return 0;
    *p = end;
    *out = v;
    return 1;
}

static int ReadDouble(const char** p, double* out)
{
    char* end = nullptr;
    double v = strtod(*p, &end);
    if (end == *p) return 0;
    *p = end;
    *out = v;
    return 1;
}

// Reads a name: between double quotes when the text starts with one (up to the closing quote or
// the end), else up to the first comma. *p is left after the closing quote or on the comma.
static void ReadName(const char** p, char* out, int outSize)
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

// A text longer than a register or storage holds is cut; the same cut is reported once, not on
// every pass of a looping script.
static void ReportCut(const char* keyword, const char* text)
{
    static char lastReported[80];
    char key[80];
    snprintf(key, sizeof(key), "%s %s", keyword, text);
    if (VXR_EqualString(key, lastReported)) return;
    VXR_CopyText(lastReported, sizeof(lastReported), key);
    OutputToConsoleF("//%s: text longer than %d characters cut: %s", keyword, kScriptStringMax, text);
}

static void CopyToStringRegister(int index, const char* text, const char* keyword)
{
    if (VXR_CopyText(gScriptVars.s[index], kScriptStringMax + 1, text)) ReportCut(keyword, text);
}

// Truncation toward zero into 32 bits; values beyond the range saturate and NaN gives 0.
static int32_t TruncToInt32(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return (int32_t)v;
}

// ---------------------------------------------------------------------------------------------
// Named variables and registers

// Grammar "v",n. When hasDefault, a missing or 0 register number means register 1.
static int ParseVariableAndRegister(const char* args, char* name, int nameSize, int hasDefault, int* index)
{
    const char* p = args ? args : "";
    ReadName(&p, name, nameSize);
    long n = 0;
    int have = 0;
    if (*p == ',')
    {
        p++;
        have = ReadLong(&p, &n);
    }
    if (hasDefault && (!have || n == 0))
        n = 1;
    else if (!have)
        return 0;
    *index = RegisterIndex(n);
    return *index >= 0;
}

void vxrinstr_loadInt(char* args)
{
    char name[kVariableNameSize];
    int r;
    if (ParseVariableAndRegister(args, name, sizeof(name), 1, &r)) gScriptVars.i[r] = GetInt(name);
}

void vxrinstr_loadFloat(char* args)
{
    char name[kVariableNameSize];
    int r;
    if (ParseVariableAndRegister(args, name, sizeof(name), 1, &r)) gScriptVars.f[r] = GetFloat(name);
}

void vxrinstr_loadBool(char* args)
{
    char name[kVariableNameSize];
    int r;
    if (ParseVariableAndRegister(args, name, sizeof(name), 1, &r)) gScriptVars.b[r] = GetBoolean(name);
}

void vxrinstr_loadString(char* args)
{
    char name[kVariableNameSize];
    int r;
    if (!ParseVariableAndRegister(args, name, sizeof(name), 1, &r)) return;
    // Bounded by the variable's storage: an engine-bound int read as text has no terminator of its own.
    GetVarText(name, gScriptVars.s[r], kScriptStringMax + 1);
}

void vxrinstr_storeInt(char* args)
{
    char name[kVariableNameSize];
    int r;
    if (ParseVariableAndRegister(args, name, sizeof(name), 0, &r)) SetInt(name, gScriptVars.i[r]);
}

void vxrinstr_storeFloat(char* args)
{
    char name[kVariableNameSize];
    int r;
    if (ParseVariableAndRegister(args, name, sizeof(name), 0, &r)) SetFloat(name, (float)gScriptVars.f[r]);
}

void vxrinstr_storeBool(char* args)
{
    char name[kVariableNameSize];
    int r;
    if (ParseVariableAndRegister(args, name, sizeof(name), 0, &r)) SetBoolean(name, gScriptVars.b[r]);
}

void vxrinstr_storeString(char* args)
{
    char name[kVariableNameSize];
    int r;
    if (ParseVariableAndRegister(args, name, sizeof(name), 1, &r)) SetString_VXR(name, gScriptVars.s[r]);
}

// ---------------------------------------------------------------------------------------------
// Setting registers

// The source of n,source after the comma. The first character alone decides: f, i or b followed
// by a register number, anything else a literal; so no literal can start with f, i or b.
struct ScriptSource
{
    char kind; // 'f', 'i', 'b', or 0 for a literal
    int index;
    double literal;
};

// Reads n,source. wantFloat picks how a literal is read (%f or %d). 0 when the target or the
// source register is missing or out of range, or the literal is unreadable.
static int ParseTargetAndSource(const char* args, int wantFloat, int* target, ScriptSource* src)
{
    const char* p = args ? args : "";
    long n;
    if (!ReadLong(&p, &n) || *p != ',') return 0;
    p++;
    *target = RegisterIndex(n);
    if (*target < 0) return 0;

    src->kind = 0;
    src->index = -1;
    src->literal = 0.0;
    if (*p == 'f' || *p == 'i' || *p == 'b')
    {
        src->kind = *p++;
        long m;
        if (!ReadLong(&p, &m)) return 0;
        src->index = RegisterIndex(m);
        return src->index >= 0;
    }
    if (wantFloat) return ReadDouble(&p, &src->literal);
    long v;
    if (!ReadLong(&p, &v)) return 0;
    src->literal = (double)(int32_t)(v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : v));
    return 1;
}

static int32_t SourceAsInt(const ScriptSource& s)
{
    switch (s.kind)
    {
    case 'f':
        return TruncToInt32(gScriptVars.f[s.index]);
    case 'i':
        return gScriptVars.i[s.index];
    case 'b':
        return gScriptVars.b[s.index];
    default:
        return (int32_t)s.literal;
    }
}

// Float sources are rounded to 32 bits before they are used, whatever register they come from.
static double SourceAsFloat32(const ScriptSource& s)
{
    switch (s.kind)
    {
    case 'f':
        return (double)(float)gScriptVars.f[s.index];
    case 'i':
        return (double)(float)gScriptVars.i[s.index];
    case 'b':
        return (double)(float)gScriptVars.b[s.index];
    default:
        return (double)(float)s.literal;
    }
}

void vxrinstr_setInt(char* args)
{
    int n;
    ScriptSource s;
    if (ParseTargetAndSource(args, 0, &n, &s)) gScriptVars.i[n] = SourceAsInt(s);
}

void vxrinstr_setFloat(char* args)
{
    int n;
    ScriptSource s;
    if (ParseTargetAndSource(args, 1, &n, &s)) gScriptVars.f[n] = SourceAsFloat32(s);
}

// Integer arithmetic wraps around in 32 bits; done unsigned so the wrap is defined.
void vxrinstr_addi(char* args)
{
    int n;
    ScriptSource s;
    if (ParseTargetAndSource(args, 0, &n, &s))
        gScriptVars.i[n] = (int32_t)((uint32_t)gScriptVars.i[n] + (uint32_t)SourceAsInt(s));
}

void vxrinstr_multi(char* args)
{
    int n;
    ScriptSource s;
    if (ParseTargetAndSource(args, 0, &n, &s))
        gScriptVars.i[n] = (int32_t)((uint32_t)gScriptVars.i[n] * (uint32_t)SourceAsInt(s));
}

void vxrinstr_addf(char* args)
{
    int n;
    ScriptSource s;
    if (ParseTargetAndSource(args, 1, &n, &s)) gScriptVars.f[n] = gScriptVars.f[n] + SourceAsFloat32(s);
}

void vxrinstr_multf(char* args)
{
    int n;
    ScriptSource s;
    if (ParseTargetAndSource(args, 1, &n, &s)) gScriptVars.f[n] = gScriptVars.f[n] * SourceAsFloat32(s);
}

// n,word: only "true" and "false" change the register.
void vxrinstr_setBool(char* args)
{
    const char* p = args ? args : "";
    long n;
    if (!ReadLong(&p, &n) || *p != ',') return;
    int r = RegisterIndex(n);
    if (r < 0) return;
    p++;
    if (VXR_EqualString(p, "true"))
        gScriptVars.b[r] = 1;
    else if (VXR_EqualString(p, "false"))
        gScriptVars.b[r] = 0;
}

// n,"text" (n defaults to 1) or n,s<m> (no default for n). The character after the comma decides.
void vxrinstr_setString(char* args)
{
    const char* p = args ? args : "";
    long n = 0;
    int haveN = 0;
    if (*p != '"')
    {
        haveN = ReadLong(&p, &n);
        if (*p != ',') return;
        p++;
    }
    if (*p == '"')
    {
        if (!haveN || n == 0) n = 1;
        int r = RegisterIndex(n);
        if (r < 0) return;
        p++;
        char text[72];
        int len = 0;
        while (p[len] && p[len] != '"')
            len++;
        VXR_CopyText(text, (len + 1 < (int)sizeof(text)) ? len + 1 : (int)sizeof(text), p);
        CopyToStringRegister(r, text, "sets");
        return;
    }
    if (*p != 's' || !haveN) return;
    p++;
    long m;
    if (!ReadLong(&p, &m)) return;
    int r = RegisterIndex(n), from = RegisterIndex(m);
    if (r < 0 || from < 0 || r == from) return;
    memcpy(gScriptVars.s[r], gScriptVars.s[from], sizeof(gScriptVars.s[r]));
    gScriptVars.s[r][kScriptStringMax] = 0;
}

// ---------------------------------------------------------------------------------------------
// Computing and the clock

// a,b: f[b] <- square root of f[a].
void vxrinstr_sqrt(char* args)
{
    const char* p = args ? args : "";
    long a, b;
    if (!ReadLong(&p, &a) || *p != ',') return;
    p++;
    if (!ReadLong(&p, &b)) return;
    int ra = RegisterIndex(a), rb = RegisterIndex(b);
    if (ra < 0 || rb < 0) return;
    gScriptVars.f[rb] = std::sqrt(gScriptVars.f[ra]);
}

// n (default 1): f[n] <- 1 / f[n]; 0 gives infinity.
void vxrinstr_reciproc(char* args)
{
    const char* p = args ? args : "";
    long n = 0;
    if (!ReadLong(&p, &n) || n == 0) n = 1;
    int r = RegisterIndex(n);
    if (r >= 0) gScriptVars.f[r] = 1.0 / gScriptVars.f[r];
}

int VXR_Random()
{
    // RAND_MAX + 1 is a multiple of 32768 on every platform, so this stays uniform.
    return rand() % 32768;
}

// lo,hi,n: i[n] <- lo + (r mod |hi - lo + 1|). An empty range (hi = lo - 1) gives lo.
void vxrinstr_randi(char* args)
{
    const char* p = args ? args : "";
    long lo, hi, n;
    if (!ReadLong(&p, &lo) || *p != ',') return;
    p++;
    if (!ReadLong(&p, &hi) || *p != ',') return;
    p++;
    if (!ReadLong(&p, &n)) return;
    int r = RegisterIndex(n);
    if (r < 0) return;
    int64_t lo32 = (int32_t)(lo > INT32_MAX ? INT32_MAX : (lo < INT32_MIN ? INT32_MIN : lo));
    int64_t hi32 = (int32_t)(hi > INT32_MAX ? INT32_MAX : (hi < INT32_MIN ? INT32_MIN : hi));
    int64_t modulus = std::llabs(hi32 - lo32 + 1);
    int64_t value = lo32;
    if (modulus != 0) value += VXR_Random() % modulus;
    gScriptVars.i[r] = (int32_t)(uint32_t)(uint64_t)value;
}

// n: f[n] <- the game clock in seconds.
void vxrinstr_time(char* args)
{
    const char* p = args ? args : "";
    long n;
    if (!ReadLong(&p, &n)) return;
    int r = RegisterIndex(n);
    if (r >= 0) gScriptVars.f[r] = (double)gCurrentTime / 1000.0;
}

// n: f[n] <- the time step of the current scheduler pass in seconds.
void vxrinstr_timepassed(char* args)
{
    const char* p = args ? args : "";
    long n;
    if (!ReadLong(&p, &n)) return;
    int r = RegisterIndex(n);
    if (r >= 0) gScriptVars.f[r] = (double)(uint32_t)(gCurrentTime - gOldTime) / 1000.0;
}

// ---------------------------------------------------------------------------------------------
// Selecting the actor

// The actor the last line test hit. No line test has hit an actor yet: the collision queries
// that set it are not part of the engine so far.
static human_being* LastHitActor()
{
    return nullptr;
}

// "name", name, or empty for the name in s1. "me" and "coll" are special unless the name came from s1.
void vxrinstr_get(char* args)
{
    char name[72];
    human_being* found = nullptr;
    if (!args || !args[0])
        found = GetHumanByName(gScriptVars.s[0]);
    else
    {
        const char* p = args;
        if (*p == '"')
            ReadName(&p, name, sizeof(name));
        else
            VXR_CopyText(name, sizeof(name), p);
        if (VXR_EqualString(name, "me"))
            found = gHumanScriptTarget;
        else if (VXR_EqualString(name, "coll"))
            found = LastHitActor();
        else
            found = GetHumanByName(name);
    }
    if (found) selHuman = found;
}

void vxrinstr_player(char* args)
{
    selHuman = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Script and game control

// "v",c or v,c or v: c = 'p' puts the variable in the selected actor's list.
void vxrinstr_def(char* args)
{
    const char* p = args ? args : "";
    char name[kVariableNameSize];
    ReadName(&p, name, sizeof(name));
    if (!name[0]) return;
    char flag = 0;
    if (*p == ',') flag = p[1];
    if (flag == 'p' && selHuman)
        InstallHumanVariablePointer(selHuman, name, nullptr, 1);
    else
        InstallVXRVariablePointer(name, nullptr, 1);
}

void vxrinstr_mac(char* args)
{
    const char* p = args ? args : "";
    char name[72];
    ReadName(&p, name, sizeof(name));
    VXR_scripter* script = GetMacroScript(VXR_MacroCode(name));
    if (script) ExecuteVXRCommandScript(script);
}

// routePath + path, through FixPathString.
static void MakeDataPath(const char* path, char* out, int outSize)
{
    snprintf(out, outSize, "%s%s", routePath, path);
    FixPathString(out);
}

void vxrinstr_includeScript(char* args)
{
    const char* p = args ? args : "";
    char path[1024], full[2048];
    ReadName(&p, path, sizeof(path));
    MakeDataPath(path, full, sizeof(full));
    LoadAndExecuteScript(full);
}

// "path",seconds: a missing time is 0.
void vxrinstr_timeScript(char* args)
{
    const char* p = args ? args : "";
    char path[1024], full[2048];
    ReadName(&p, path, sizeof(path));
    double seconds = 0.0;
    if (*p == ',')
    {
        p++;
        if (!ReadDouble(&p, &seconds)) seconds = 0.0;
    }
    MakeDataPath(path, full, sizeof(full));
    InstallTimedScript(full, (float)seconds);
}

// mask, or empty for i1: one run of each of the selected actor's scripts sharing a bit with it.
void vxrinstr_event(char* args)
{
    if (!selHuman) return;
    long mask = 0;
    if (!args || !args[0])
        mask = gScriptVars.i[0];
    else
    {
        const char* p = args;
        if (!ReadLong(&p, &mask)) mask = 0;
    }
    ExecuteHumanScriptsForMask(selHuman, mask);
}

void (*gQuitHook)(const char* why) = nullptr;

void vxrinstr_quit(char* args)
{
    if (gQuitHook) gQuitHook("quit");
}

// ---------------------------------------------------------------------------------------------
// The table. Keywords are matched exactly; the order is the engine's fixed instruction order.

VXR_Instruction gAllInstructions[] = {
    {"get", vxrinstr_get},
    {"quit", vxrinstr_quit},
    {"includeScript", vxrinstr_includeScript},
    {"timeScript", vxrinstr_timeScript},
    {"loadi", vxrinstr_loadInt},
    {"seti", vxrinstr_setInt},
    {"setf", vxrinstr_setFloat},
    {"setb", vxrinstr_setBool},
    {"sets", vxrinstr_setString},
    {"storei", vxrinstr_storeInt},
    {"loadf", vxrinstr_loadFloat},
    {"storef", vxrinstr_storeFloat},
    {"stores", vxrinstr_storeString},
    {"loadb", vxrinstr_loadBool},
    {"loads", vxrinstr_loadString},
    {"storeb", vxrinstr_storeBool},
    {"player", vxrinstr_player},
    {"multi", vxrinstr_multi},
    {"addi", vxrinstr_addi},
    {"addf", vxrinstr_addf},
    {"multf", vxrinstr_multf},
    {"sqrt", vxrinstr_sqrt},
    {"def", vxrinstr_def},
    {"time", vxrinstr_time},
    {"passed", vxrinstr_timepassed},
    {"randi", vxrinstr_randi},
    {"event", vxrinstr_event},
    {"mac", vxrinstr_mac},
    {"reci", vxrinstr_reciproc},
    {"NULL", nullptr},
};
