// Instruction table and the register, variable, clock, selection and script-control handlers.
// Each instruction is a decoder, run once when its statement compiles, and a handler that reads
// only the decoded record; handlers never write outside a register or a variable's storage.
#include "script/instructions.h"

#include "core/clock.h"
#include "core/output.h"
#include "core/vecmath.h"
#include "resources/paths.h"
#include "resources/textures.h"
#include "script/actor_instructions.h"
#include "script/compiler.h"
#include "script/decode.h"
#include "script/editor_instructions.h"
#include "script/instruction_checks.h"
#include "script/interpreter.h"
#include "script/media_instructions.h"
#include "script/random.h"
#include "script/scheduling.h"
#include "script/screen_text.h"
#include "script/variables.h"
#include "world/collision.h"
#include "world/humans.h"
#include "world/level.h"
#include "world/level_files.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------------------------------------
// Shared helpers

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

// Index 0-15 of register n, or -1 for any other number; that number is kept as the record's
// fault, for the line that says why the statement does nothing.
static int8_t DecodedRegister(long n, VXR_DecodedArgs* a)
{
    int index = VXR_RegisterIndex(n);
    if (index < 0 && !a->fault) VXR_DecodeFault(a, kFaultRegister, n);
    return (int8_t)index;
}

// Instructions without arguments take any text.
static void DecodeNothing(const char* args, VXR_DecodedArgs* a)
{
    a->ok = 1;
}

// n -> reg[0]
static void DecodeRegister(const char* p, VXR_DecodedArgs* a)
{
    long n;
    if (!VXR_ReadLong(&p, &n)) return;
    a->reg[0] = DecodedRegister(n, a);
    a->ok = a->reg[0] >= 0;
}

// ---------------------------------------------------------------------------------------------
// Named variables and registers
//
// "v",n -> text = v, reg[0] = n. For the loads and "stores" a missing or 0 n means register 1;
// the other stores need n.

static void DecodeVariable(const char* p, VXR_DecodedArgs* a, int hasDefault)
{
    VXR_ReadName(&p, a->text, sizeof(a->text));
    long n = 0;
    int have = 0;
    if (*p == ',')
    {
        p++;
        have = VXR_ReadLong(&p, &n);
    }
    if (hasDefault && (!have || n == 0))
        n = 1;
    else if (!have)
        return;
    a->reg[0] = DecodedRegister(n, a);
    a->ok = a->reg[0] >= 0;
}

static void DecodeLoad(const char* args, VXR_DecodedArgs* a)
{
    DecodeVariable(args, a, 1);
}

static void DecodeStore(const char* args, VXR_DecodedArgs* a)
{
    DecodeVariable(args, a, 0);
}

void vxrinstr_loadString(VXR_DecodedArgs* a)
{
    if (a->ok) VXR_EntryText(VXR_ArgsVariable(a), gScriptVars.s[a->reg[0]], kScriptStringMax + 1);
}

void vxrinstr_storeString(VXR_DecodedArgs* a)
{
    if (a->ok) VXR_SetEntryText(VXR_ArgsVariable(a), gScriptVars.s[a->reg[0]]);
}

// ---------------------------------------------------------------------------------------------
// Setting registers
//
// n,source -> reg[0] = n; source: 'f', 'i' or 'b' then m -> form = that letter, reg[1] = m;
//             anything else a literal -> form = 0, whole[0] (integer forms, saturated to 32
//             bits) or real[0] (float forms, already rounded to 32 bits).
// The first character alone decides, so no literal can start with f, i or b.

static void DecodeSource(const char* p, VXR_DecodedArgs* a, int wantFloat)
{
    long n;
    if (!VXR_ReadLong(&p, &n) || *p != ',') return;
    p++;
    a->reg[0] = DecodedRegister(n, a);
    if (a->reg[0] < 0) return;
    if (*p == 'f' || *p == 'i' || *p == 'b')
    {
        a->form = *p++;
        long m;
        if (!VXR_ReadLong(&p, &m)) return;
        a->reg[1] = DecodedRegister(m, a);
        a->ok = a->reg[1] >= 0;
        return;
    }
    if (wantFloat)
    {
        double v;
        if (!VXR_ReadDouble(&p, &v)) return;
        a->real[0] = (double)(float)v;
    }
    else
    {
        int32_t v;
        if (!VXR_ReadInt32(&p, &v)) return;
        a->whole[0] = v;
    }
    a->ok = 1;
}

static void DecodeIntSource(const char* args, VXR_DecodedArgs* a)
{
    DecodeSource(args, a, 0);
}

static void DecodeFloatSource(const char* args, VXR_DecodedArgs* a)
{
    DecodeSource(args, a, 1);
}

// n,word -> reg[0], whole[0] = 1 for "true", 0 for "false"; any other word does nothing.
static void DecodeTruth(const char* p, VXR_DecodedArgs* a)
{
    long n;
    if (!VXR_ReadLong(&p, &n) || *p != ',') return;
    a->reg[0] = DecodedRegister(n, a);
    if (a->reg[0] < 0) return;
    p++;
    if (VXR_EqualString(p, "true"))
        a->whole[0] = 1;
    else if (!VXR_EqualString(p, "false"))
        return;
    a->ok = 1;
}

void vxrinstr_setBool(VXR_DecodedArgs* a)
{
    if (a->ok) gScriptVars.b[a->reg[0]] = (int32_t)a->whole[0];
}

// n,"text" -> form '"', reg[0] = n (missing or 0: 1), text; the closing quote may be missing.
// n,s<m>   -> form 's', reg[0] = n (no default), reg[1] = m; copying a register onto itself does
//             nothing. The character after the comma decides.
static void DecodeText(const char* p, VXR_DecodedArgs* a)
{
    long n = 0;
    int haveN = 0;
    if (*p != '"')
    {
        haveN = VXR_ReadLong(&p, &n);
        if (*p != ',') return;
        p++;
    }
    if (*p == '"')
    {
        if (!haveN || n == 0) n = 1;
        a->reg[0] = DecodedRegister(n, a);
        if (a->reg[0] < 0) return;
        p++;
        int len = 0;
        while (p[len] && p[len] != '"')
            len++;
        VXR_CopyText(a->text, (len + 1 < (int)sizeof(a->text)) ? len + 1 : (int)sizeof(a->text), p);
        a->form = '"';
        a->ok = 1;
        return;
    }
    if (*p != 's' || !haveN) return;
    p++;
    long m;
    if (!VXR_ReadLong(&p, &m)) return;
    a->reg[0] = DecodedRegister(n, a);
    a->reg[1] = DecodedRegister(m, a);
    if (a->reg[0] < 0 || a->reg[1] < 0 || a->reg[0] == a->reg[1]) return;
    a->form = 's';
    a->ok = 1;
}

void vxrinstr_setString(VXR_DecodedArgs* a)
{
    if (!a->ok) return;
    if (a->form == '"')
    {
        CopyToStringRegister(a->reg[0], a->text, "sets");
        return;
    }
    char* to = gScriptVars.s[a->reg[0]];
    memcpy(to, gScriptVars.s[a->reg[1]], sizeof(gScriptVars.s[0]));
    to[kScriptStringMax] = 0;
}

// ---------------------------------------------------------------------------------------------
// Computing and the clock

// a,b -> reg[0], reg[1]: f[b] <- square root of f[a].
static void DecodeTwoRegisters(const char* p, VXR_DecodedArgs* a)
{
    long x, y;
    if (!VXR_ReadLong(&p, &x) || *p != ',') return;
    p++;
    if (!VXR_ReadLong(&p, &y)) return;
    a->reg[0] = DecodedRegister(x, a);
    a->reg[1] = DecodedRegister(y, a);
    a->ok = a->reg[0] >= 0 && a->reg[1] >= 0;
}

void vxrinstr_sqrt(VXR_DecodedArgs* a)
{
    if (a->ok) gScriptVars.f[a->reg[1]] = std::sqrt(gScriptVars.f[a->reg[0]]);
}

// n -> reg[0]; missing, unreadable or 0 means register 1.
static void DecodeRegisterOrFirst(const char* p, VXR_DecodedArgs* a)
{
    long n = 0;
    if (!VXR_ReadLong(&p, &n) || n == 0) n = 1;
    a->reg[0] = DecodedRegister(n, a);
    a->ok = a->reg[0] >= 0;
}

// f[n] <- 1 / f[n]; 0 gives infinity.
void vxrinstr_reciproc(VXR_DecodedArgs* a)
{
    if (a->ok) gScriptVars.f[a->reg[0]] = 1.0 / gScriptVars.f[a->reg[0]];
}

// lo,hi,n -> whole[0] = lo and whole[1] = |hi - lo + 1| (both ends saturated to 32 bits first),
// reg[0] = n.
static void DecodeRandom(const char* p, VXR_DecodedArgs* a)
{
    int32_t lo, hi;
    long n;
    if (!VXR_ReadInt32(&p, &lo) || *p != ',') return;
    p++;
    if (!VXR_ReadInt32(&p, &hi) || *p != ',') return;
    p++;
    if (!VXR_ReadLong(&p, &n)) return;
    a->reg[0] = DecodedRegister(n, a);
    a->whole[0] = lo;
    a->whole[1] = std::llabs((int64_t)hi - lo + 1);
    a->ok = a->reg[0] >= 0;
}

// i[n] <- lo + (r mod |hi - lo + 1|). An empty range (hi = lo - 1) gives lo.
void vxrinstr_randi(VXR_DecodedArgs* a)
{
    if (!a->ok) return;
    int64_t value = a->whole[0];
    if (a->whole[1] != 0) value += VXR_Random() % a->whole[1];
    gScriptVars.i[a->reg[0]] = (int32_t)(uint32_t)(uint64_t)value;
}

// f[n] <- the game clock in seconds.
void vxrinstr_time(VXR_DecodedArgs* a)
{
    if (a->ok) gScriptVars.f[a->reg[0]] = (double)gCurrentTime / 1000.0;
}

// f[n] <- the game time since the previous tick in seconds (core/clock.h).
void vxrinstr_timepassed(VXR_DecodedArgs* a)
{
    if (a->ok) gScriptVars.f[a->reg[0]] = (double)(uint32_t)(gCurrentTime - gOldTime) / 1000.0;
}

// ---------------------------------------------------------------------------------------------
// Selecting the actor

// The actor the last line test ("poke", "teampoke") hit; forgotten when that actor is freed.
static human_being* LastHitActor()
{
    return gHitPerson;
}

// "name" or name -> text, form 'm' for "me", 'c' for "coll", 'n' for any other name;
// empty -> form 0: the name in s1, never special.
static void DecodeActorName(const char* p, VXR_DecodedArgs* a)
{
    a->ok = 1;
    if (!p[0]) return;
    if (*p == '"')
        VXR_ReadName(&p, a->text, sizeof(a->text));
    else
        VXR_CopyText(a->text, sizeof(a->text), p);
    a->form = VXR_EqualString(a->text, "me") ? 'm' : VXR_EqualString(a->text, "coll") ? 'c' : 'n';
}

void vxrinstr_get(VXR_DecodedArgs* a)
{
    human_being* found = nullptr;
    switch (a->form)
    {
    case 0:
        found = GetHumanByName(gScriptVars.s[0]);
        break;
    case 'm':
        found = gHumanScriptTarget;
        break;
    case 'c':
        found = LastHitActor();
        break;
    default:
        found = GetHumanByName(a->text);
        // A name no actor of this level ever bore is a mistake (a misspelt name); one whose actor
        // was removed is the game's business.
        if (!found && !HumanNameWasUsed(a->text))
        {
            char problem[160];
            snprintf(problem, sizeof problem, "no actor of this level is called \"%s\"; the selection stays",
                     a->text);
            VXR_ReportProblem(a, "get", problem, 0);
        }
    }
    if (found) selHuman = found;
}

void vxrinstr_player(VXR_DecodedArgs* a)
{
    selHuman = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Script and game control

// "v",c or v,c or v -> text = v, whole[0] = c (0 when missing). Without quotes the name runs to
// the first comma. An empty name defines nothing.
static void DecodeDefinition(const char* p, VXR_DecodedArgs* a)
{
    VXR_ReadName(&p, a->text, sizeof(a->text));
    if (!a->text[0]) return;
    if (*p == ',') a->whole[0] = (unsigned char)p[1];
    a->ok = 1;
}

// c = 'p' puts the variable in the selected actor's list.
void vxrinstr_def(VXR_DecodedArgs* a)
{
    if (!a->ok) return;
    if (a->whole[0] == 'p' && selHuman)
        InstallHumanVariablePointer(selHuman, a->text, nullptr, 1);
    else
        InstallVXRVariablePointer(a->text, nullptr, 1);
}

// "name" -> whole[0] = the macro code of name.
static void DecodeMacroName(const char* p, VXR_DecodedArgs* a)
{
    VXR_ReadName(&p, a->text, sizeof(a->text));
    a->whole[0] = VXR_MacroCode(a->text);
    a->ok = 1;
}

// The registry is searched when the statement runs: macros come and go with the scripts.
void vxrinstr_mac(VXR_DecodedArgs* a)
{
    if (!a->ok) return;
    VXR_scripter* script = GetMacroScript((int32_t)a->whole[0]);
    if (script) ExecuteVXRCommandScript(script);
}

// "path" or "path",seconds -> text = path, real[0] = seconds (0 when missing or unreadable).
// Said once when the statement compiles (what is wrong with the path) and once when it first
// runs (which script asked).
static void DecodePath(const char* p, VXR_DecodedArgs* a, const char* keyword)
{
    VXR_ReadName(&p, a->text, sizeof(a->text));
    if (!VXR_PathStaysInDataFolder(a->text, keyword))
    {
        VXR_DecodeFault(a, kFaultPath, 0);
        return;
    }
    if (*p == ',')
    {
        p++;
        if (!VXR_ReadDouble(&p, &a->real[0])) a->real[0] = 0.0;
    }
    a->ok = 1;
}

static void DecodeIncludePath(const char* p, VXR_DecodedArgs* a)
{
    DecodePath(p, a, "includeScript");
}

static void DecodeTimedPath(const char* p, VXR_DecodedArgs* a)
{
    DecodePath(p, a, "timeScript");
}

static void DecodeLevelPath(const char* p, VXR_DecodedArgs* a)
{
    DecodePath(p, a, "level");
}

// routePath + path, through FixPathString. The data root is read when the statement runs.
static void MakeDataPath(const char* path, char* out, int outSize)
{
    snprintf(out, outSize, "%s%s", routePath, path);
    FixPathString(out);
}

void vxrinstr_includeScript(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "includeScript")) return;
    char full[2048];
    MakeDataPath(a->text, full, sizeof(full));
    LoadAndExecuteScript(full);
}

void vxrinstr_timeScript(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "timeScript")) return;
    char full[2048];
    MakeDataPath(a->text, full, sizeof(full));
    InstallTimedScript(full, (float)a->real[0]);
}

// "folder": the level folder routePath + folder + the separator. The load disposes
// of the running script; its run ends at once.
void vxrinstr_level(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "level")) return;
    char folder[2048];
    snprintf(folder, sizeof folder, "%s%s%c", routePath, a->text, kDirectoryDevider);
    FixPathString(folder);
    LoadLevel(folder);
}

// Writes the loaded level's files back into its folder; before the first level there is none.
// After a failed level change it refuses (SaveCurrentLevel says why).
void vxrinstr_save(VXR_DecodedArgs* a)
{
    SaveCurrentLevel();
}

// mask -> whole[0] (unreadable: 0); empty -> form 'i': the mask is i1 when the statement runs.
static void DecodeMask(const char* p, VXR_DecodedArgs* a)
{
    a->ok = 1;
    if (!p[0])
    {
        a->form = 'i';
        return;
    }
    long mask;
    if (VXR_ReadLong(&p, &mask)) a->whole[0] = mask;
}

// One run of each of the selected actor's scripts sharing a bit with the mask.
void vxrinstr_event(VXR_DecodedArgs* a)
{
    if (!selHuman) return;
    long mask = a->form == 'i' ? gScriptVars.i[0] : (long)a->whole[0];
    ExecuteHumanScriptsForMask(selHuman, mask);
}

void (*gQuitHook)(const char* why) = nullptr;

void vxrinstr_quit(VXR_DecodedArgs* a)
{
    if (gQuitHook) gQuitHook("quit");
}

// ---------------------------------------------------------------------------------------------
// The table. Keywords are matched exactly; the order is the engine's fixed instruction order.
// Each line names the keyword, the decoder its statements compile with and the handler; the
// text form (ExecuteVXRCommand) decodes into a record of its own and runs the same handler.

template <VXR_DecodeProc decode, VXR_RunProc handler> static void TextForm(char* args)
{
    VXR_DecodedArgs a;
    VXR_DecodeArguments(decode, args, &a);
    handler(&a);
}

#define INSTRUCTION(keyword, decode, handler)                                                                \
    {                                                                                                        \
        keyword, TextForm<decode, handler>, decode, handler                                                  \
    }

VXR_Instruction gAllInstructions[] = {
    INSTRUCTION("get", DecodeActorName, vxrinstr_get),
    INSTRUCTION("mark", VXR_DecodePointRegisters, vxrinstr_mark),
    INSTRUCTION("put", VXR_DecodePoint, vxrinstr_put),
    INSTRUCTION("quit", DecodeNothing, vxrinstr_quit),
    INSTRUCTION("size", VXR_DecodeFloatOrF1, vxrinstr_size),
    INSTRUCTION("axis", VXR_DecodeNone, vxrinstr_axis),
    INSTRUCTION("spin", VXR_DecodePoint, vxrinstr_spin),
    INSTRUCTION("save", DecodeNothing, vxrinstr_save),
    INSTRUCTION("off", VXR_DecodeNone, vxrinstr_off),
    INSTRUCTION("goto", VXR_DecodePoint, vxrinstr_goto),
    INSTRUCTION("setName", VXR_DecodeNameText, vxrinstr_setName),
    INSTRUCTION("getName", VXR_DecodeRegisterFirst, vxrinstr_getName),
    INSTRUCTION("make", VXR_DecodeModelName, vxrinstr_make),
    INSTRUCTION("includeScript", DecodeIncludePath, vxrinstr_includeScript),
    INSTRUCTION("timeScript", DecodeTimedPath, vxrinstr_timeScript),
    INSTRUCTION("level", DecodeLevelPath, vxrinstr_level),
    INSTRUCTION("loadPoses", VXR_DecodeNameText, vxrinstr_loadPoses),
    INSTRUCTION("savePoses", VXR_DecodeSavePath, vxrinstr_savePoses),
    INSTRUCTION("type", VXR_DecodeIntOrI1, vxrinstr_type),
    INSTRUCTION("live", VXR_DecodeIntOrI1, vxrinstr_live),
    INSTRUCTION("loadi", DecodeLoad, vxrinstr_loadInt),
    INSTRUCTION("seti", DecodeIntSource, vxrinstr_setInt),
    INSTRUCTION("setf", DecodeFloatSource, vxrinstr_setFloat),
    INSTRUCTION("setb", DecodeTruth, vxrinstr_setBool),
    INSTRUCTION("sets", DecodeText, vxrinstr_setString),
    INSTRUCTION("storei", DecodeStore, vxrinstr_storeInt),
    INSTRUCTION("loadf", DecodeLoad, vxrinstr_loadFloat),
    INSTRUCTION("storef", DecodeStore, vxrinstr_storeFloat),
    INSTRUCTION("stores", DecodeLoad, vxrinstr_storeString),
    INSTRUCTION("loadb", DecodeLoad, vxrinstr_loadBool),
    INSTRUCTION("loads", DecodeLoad, vxrinstr_loadString),
    INSTRUCTION("storeb", DecodeStore, vxrinstr_storeBool),
    INSTRUCTION("player", DecodeNothing, vxrinstr_player),
    INSTRUCTION("multi", DecodeIntSource, vxrinstr_multi),
    INSTRUCTION("addi", DecodeIntSource, vxrinstr_addi),
    INSTRUCTION("addf", DecodeFloatSource, vxrinstr_addf),
    INSTRUCTION("multf", DecodeFloatSource, vxrinstr_multf),
    INSTRUCTION("pose", VXR_DecodePose, vxrinstr_pose),
    INSTRUCTION("setPose", VXR_DecodeNameText, vxrinstr_setPose),
    INSTRUCTION("rgb", VXR_DecodePoint, vxrinstr_rgb),
    INSTRUCTION("makePose", VXR_DecodeNameText, vxrinstr_makePose),
    INSTRUCTION("setHealth", VXR_DecodeHealth, vxrinstr_setHealth),
    INSTRUCTION("getHealth", VXR_DecodeNone, vxrinstr_getHealth),
    INSTRUCTION("stop", VXR_DecodeNone, vxrinstr_stop),
    INSTRUCTION("dist", VXR_DecodeRegister, vxrinstr_dist),
    INSTRUCTION("sqrt", DecodeTwoRegisters, vxrinstr_sqrt),
    INSTRUCTION("poke", VXR_DecodePoke, vxrinstr_poke),
    INSTRUCTION("teampoke", VXR_DecodePoke, vxrinstr_teampoke),
    INSTRUCTION("savekey", VXR_DecodeIntOrI1, vxrinstr_savekey),
    INSTRUCTION("getSpeed", VXR_DecodeNone, vxrinstr_getSpeed),
    INSTRUCTION("setSpeed", VXR_DecodeFloatOrF1, vxrinstr_setSpeed),
    INSTRUCTION("def", DecodeDefinition, vxrinstr_def),
    INSTRUCTION("move", VXR_DecodeFloatOrF1, vxrinstr_move),
    INSTRUCTION("go", VXR_DecodeFloatOrF1, vxrinstr_go),
    INSTRUCTION("time", DecodeRegister, vxrinstr_time),
    INSTRUCTION("passed", DecodeRegister, vxrinstr_timepassed),
    INSTRUCTION("randi", DecodeRandom, vxrinstr_randi),
    INSTRUCTION("event", DecodeMask, vxrinstr_event),
    INSTRUCTION("tex", VXR_DecodeTexture, vxrinstr_tex),
    INSTRUCTION("key", VXR_DecodeKey, vxrinstr_key),
    INSTRUCTION("sndplay", VXR_DecodeSound, vxrinstr_sndplay),
    INSTRUCTION("sndstop", VXR_DecodeIntOrI1, vxrinstr_sndstop),
    INSTRUCTION("channel", VXR_DecodeIntOrI1, vxrinstr_channel),
    INSTRUCTION("sndloop", VXR_DecodeSound, vxrinstr_sndloop),
    INSTRUCTION("setTeam", VXR_DecodeIntOrI1, vxrinstr_setTeam),
    INSTRUCTION("getTeam", VXR_DecodeRegisterFirst, vxrinstr_getTeam),
    INSTRUCTION("mac", DecodeMacroName, vxrinstr_mac),
    INSTRUCTION("mouse", VXR_DecodeNone, vxrinstr_mouse),
    INSTRUCTION("click", VXR_DecodeClick, vxrinstr_click),
    INSTRUCTION("reci", DecodeRegisterOrFirst, vxrinstr_reciproc),
    INSTRUCTION("anim", VXR_DecodeAnimation, vxrinstr_anim),
    INSTRUCTION("hud", VXR_DecodeTruthWord, vxrinstr_hud),
    INSTRUCTION("lux", VXR_DecodeTruthWord, vxrinstr_lux),
    INSTRUCTION("col", VXR_DecodeMaterialValues, vxrinstr_col),
    INSTRUCTION("alpha", VXR_DecodeMaterialValues, vxrinstr_alpha),
    INSTRUCTION("message", VXR_DecodeMessage, vxrinstr_message),
    INSTRUCTION("hudText", VXR_DecodeHudText, vxrinstr_hudText),
    INSTRUCTION("flash", VXR_DecodeFlash, vxrinstr_flash),
    INSTRUCTION("pick", VXR_DecodeRegisterFirst, vxrinstr_pick),
    INSTRUCTION("snap", VXR_DecodeRegisterAndStep, vxrinstr_snap),
    INSTRUCTION("turn", VXR_DecodePointAndAngle, vxrinstr_turn),
    INSTRUCTION("edit", VXR_DecodeNone, vxrinstr_edit),
    INSTRUCTION("undo", VXR_DecodeOptionalRegister, vxrinstr_undo),
    INSTRUCTION("redo", VXR_DecodeOptionalRegister, vxrinstr_redo),
    INSTRUCTION("history", VXR_DecodeRegisterRunOfThree, vxrinstr_history),
    INSTRUCTION("copy", VXR_DecodeNone, vxrinstr_copy),
    INSTRUCTION("paste", VXR_DecodeNone, vxrinstr_paste),
    INSTRUCTION("models", VXR_DecodeTwoRegistersFirst, vxrinstr_models),
    INSTRUCTION("getSize", VXR_DecodeRegisterFirst, vxrinstr_getSize),
    INSTRUCTION("getModel", VXR_DecodeRegisterFirst, vxrinstr_getModel),
    INSTRUCTION("setStart", VXR_DecodeNone, vxrinstr_setStart),
    INSTRUCTION("saveAs", VXR_DecodeLevelName, vxrinstr_saveAs),
    INSTRUCTION("reload", VXR_DecodeNone, vxrinstr_reload),
    {"NULL", nullptr, nullptr, nullptr},
};
