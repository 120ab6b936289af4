// The level editor's instructions: thin handlers over the world's picking, edit history,
// clipboard, level start and "save as", and the register helpers (snap, turn) an editor script
// needs to place things on a grid.
#include "script/editor_instructions.h"

#include "core/output.h"
#include "model/loader.h"
#include "model/posing.h"
#include "resources/paths.h"
#include "script/decode.h"
#include "script/instruction_checks.h"
#include "script/media_instructions.h"
#include "script/variables.h"
#include "world/collision.h"
#include "world/humans.h"
#include "world/level.h"
#include "world/level_copy.h"
#include "world/level_edits.h"
#include "world/level_files.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Decoders

// n,step -> reg[0] = n (with run - 1 registers after it), the step a literal in real[0] (form 0)
// or a float register f<m> (form 'f', reg[1] = m). run 3 for a point.
static void DecodeRegisterAndStep(const char* p, VXR_DecodedArgs* a, int run)
{
    long n = 0;
    int have = VXR_ReadLong(&p, &n);
    if (!VXR_DecodeRegisterField(n, have, a, 0, 0, run)) return;
    if (*p != ',') return;
    p++;
    if (*p == 'f')
    {
        p++;
        long m = 0;
        int haveM = VXR_ReadLong(&p, &m);
        if (!VXR_DecodeRegisterField(m, haveM, a, 1, 0, 1)) return;
        a->form = 'f';
        a->ok = 1;
        return;
    }
    if (!VXR_ReadDouble(&p, &a->real[0])) return;
    a->ok = 1;
}

void VXR_DecodeRegisterAndStep(const char* p, VXR_DecodedArgs* a)
{
    DecodeRegisterAndStep(p, a, 1);
}

void VXR_DecodePointAndAngle(const char* p, VXR_DecodedArgs* a)
{
    DecodeRegisterAndStep(p, a, 3);
}

// [n] -> form 'i' and reg[0] = n when given; empty text writes no register.
void VXR_DecodeOptionalRegister(const char* p, VXR_DecodedArgs* a)
{
    a->ok = 1;
    if (!p[0]) return;
    long n = 0;
    int have = VXR_ReadLong(&p, &n);
    a->ok = VXR_DecodeRegisterField(n, have, a, 0, 0, 1);
    a->form = 'i';
}

// n,m -> reg[0] = n, reg[1] = m; either missing or 0 means register 1.
void VXR_DecodeTwoRegistersFirst(const char* p, VXR_DecodedArgs* a)
{
    long n = 0, m = 0;
    int haveN = VXR_ReadLong(&p, &n), haveM = 0;
    if (*p == ',')
    {
        p++;
        haveM = VXR_ReadLong(&p, &m);
    }
    a->ok = VXR_DecodeRegisterField(n, haveN, a, 0, 1, 1) && VXR_DecodeRegisterField(m, haveM, a, 1, 1, 1);
}

// n (missing or 0: 1) with three registers from it.
void VXR_DecodeRegisterRunOfThree(const char* p, VXR_DecodedArgs* a)
{
    long n = 0;
    int have = VXR_ReadLong(&p, &n);
    a->ok = VXR_DecodeRegisterField(n, have, a, 0, 1, 3);
}

// "name" or "name",replace -> form '"', text, whole[0] = 1 with replace; empty -> form 0: the
// name is s1 when the statement runs.
void VXR_DecodeLevelName(const char* p, VXR_DecodedArgs* a)
{
    a->ok = 1;
    if (!p[0]) return;
    VXR_ReadName(&p, a->text, sizeof a->text);
    a->form = '"';
    if (*p == ',') a->whole[0] = VXR_EqualString(p + 1, "replace");
}

// The step of "snap" or the angle of "turn", as given or from its register.
static double StepOf(const VXR_DecodedArgs* a)
{
    return a->form == 'f' ? gScriptVars.f[a->reg[1]] : a->real[0];
}

// ---------------------------------------------------------------------------------------------
// Handlers

// i[n] <- 1 and the actor selected when one is under the cross-hair (or the pointer), else 0.
void vxrinstr_pick(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "pick")) return;
    vector_type nearPoint, farPoint;
    human_being* found = VXR_PointerLine(&nearPoint, &farPoint) ? PickActorOnSegment(nearPoint, farPoint, nullptr)
                                                                : nullptr;
    if (found) selHuman = found;
    gScriptVars.i[a->reg[0]] = found ? 1 : 0;
}

// f[n] <- the multiple of the step nearest to it (halves away from 0); a step that is not above
// 0 leaves it.
void vxrinstr_snap(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "snap")) return;
    const double step = StepOf(a);
    double& value = gScriptVars.f[a->reg[0]];
    if (!(step > 0.0) || !std::isfinite(step) || !std::isfinite(value)) return;
    double snapped = std::round(value / step) * step;
    // A multiple of 0.1 is kept as the float the level files write, and never as -0.
    snapped = (double)(float)snapped;
    value = snapped == 0.0 ? 0.0 : snapped;
}

// The point (f[n], f[n+1], f[n+2]) turned about the vertical axis through the origin by the
// angle, the way an actor's heading (its rotation about y) turns: a point held in front of the
// player and turned by the change of his heading ("axis" with nobody selected) stays in front.
void vxrinstr_turn(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "turn")) return;
    const double angle = StepOf(a);
    if (!std::isfinite(angle)) return;
    double* f = &gScriptVars.f[a->reg[0]];
    const double r = angle * M_PI / 180.0;
    const double c = std::cos(r), s = std::sin(r);
    const double x = f[0], z = f[2];
    f[0] = x * c + z * s;
    f[2] = -x * s + z * c;
}

void vxrinstr_edit(VXR_DecodedArgs* a)
{
    CommitLevelEdit();
}

static void TellResult(const VXR_DecodedArgs* a, int result)
{
    if (a->form == 'i') gScriptVars.i[a->reg[0]] = result;
}

void vxrinstr_undo(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "undo")) return;
    TellResult(a, UndoLevelEdit());
}

void vxrinstr_redo(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "redo")) return;
    TellResult(a, RedoLevelEdit());
}

// i[n] <- steps undo can take back, i[n+1] <- steps redo can do, i[n+2] <- 1 when unsaved.
void vxrinstr_history(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "history")) return;
    int undoable = 0, redoable = 0, unsaved = 0;
    LevelEditCounts(&undoable, &redoable, &unsaved);
    int32_t* i = &gScriptVars.i[a->reg[0]];
    i[0] = undoable;
    i[1] = redoable;
    i[2] = unsaved;
}

void vxrinstr_copy(VXR_DecodedArgs* a)
{
    CopyActorToClipboard(selHuman);
}

void vxrinstr_paste(VXR_DecodedArgs* a)
{
    human_being* h = PasteActorFromClipboard();
    if (h) selHuman = h;
}

// s[n] <- the name of model number i[m] of the data folder's Models folder, counted from 1 in
// name order; i[m] is first brought into 1 to the count, round (0 past the first is the last).
// With no models both are emptied (i[m] 0).
void vxrinstr_models(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "models")) return;
    std::vector<std::string> names;
    ListModelFiles(routePath, &names);
    int32_t& number = gScriptVars.i[a->reg[1]];
    if (names.empty())
    {
        number = 0;
        gScriptVars.s[a->reg[0]][0] = 0;
        return;
    }
    const long count = (long)names.size();
    long k = ((long)number - 1) % count;
    if (k < 0) k += count;
    number = (int32_t)(k + 1);
    VXR_CopyText(gScriptVars.s[a->reg[0]], kScriptStringMax + 1, names[k].c_str());
}

void vxrinstr_getSize(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "getSize") || !selHuman) return;
    gScriptVars.f[a->reg[0]] = selHuman->scale;
}

void vxrinstr_getModel(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "getModel") || !selHuman || !selHuman->model) return;
    VXR_CopyText(gScriptVars.s[a->reg[0]], kScriptStringMax + 1, selHuman->model->name);
}

void vxrinstr_setStart(VXR_DecodedArgs* a)
{
    gLevelStart = PlayerAsStart();
}

void vxrinstr_saveAs(VXR_DecodedArgs* a)
{
    SaveLevelAs(a->form == '"' ? a->text : gScriptVars.s[0], (int)a->whole[0]);
}

// The folder is copied first: the load replaces what currentLevelFolder holds.
void vxrinstr_reload(VXR_DecodedArgs* a)
{
    if (!currentLevelFolder[0]) return;
    char folder[sizeof currentLevelFolder];
    memcpy(folder, currentLevelFolder, sizeof folder);
    LoadLevel(folder);
}
