// Actor instructions: creating, naming, placing, turning, sizing, moving and posing the selected
// actor, or the player where it has the same value. Handlers read only their decoded record.
#include "script/actor_instructions.h"

#include "core/output.h"
#include "model/blending.h"
#include "model/bounds.h"
#include "model/mesh_records.h"
#include "model/posing.h"
#include "resources/paths.h"
#include "resources/textures.h"
#include "script/decode.h"
#include "script/instruction_checks.h"
#include "script/variables.h"
#include "world/camera.h"
#include "world/humans.h"
#include "world/movement.h"
#include "world/player.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

int gTeam = 0;

// A position, angle, size or speed that is not a finite 32-bit float (a register grown past
// 3.4e38, or holding inf or nan) is refused with the statement's fault line: the level files
// could not hold it, so a level saved with it would not load again.

// 1 when each of the count values is finite as a float; otherwise the fault line, once.
static int FiniteAsFloats(VXR_DecodedArgs* a, const char* keyword, const double* values, int count)
{
    for (int i = 0; i < count; i++)
        if (!std::isfinite((float)values[i]))
        {
            VXR_ReportFault(a, keyword, kFaultNotFinite, 0);
            return 0;
        }
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Decoders

void VXR_DecodeNameText(const char* p, VXR_DecodedArgs* a)
{
    VXR_ReadName(&p, a->text, sizeof a->text);
    a->ok = 1;
}

// n -> reg[0] with run - 1 registers after it; a missing or 0 n means register 1.
static void DecodeRegisterRun(const char* p, VXR_DecodedArgs* a, int run)
{
    long n = 0;
    int have = VXR_ReadLong(&p, &n);
    a->ok = VXR_DecodeRegisterField(n, have, a, 0, 1, run);
}

void VXR_DecodeRegisterFirst(const char* p, VXR_DecodedArgs* a)
{
    DecodeRegisterRun(p, a, 1);
}

void VXR_DecodeIntOrI1(const char* p, VXR_DecodedArgs* a)
{
    VXR_DecodeFields(p, a, 0, 1, 1);
    a->ok = 1;
}

void VXR_DecodeFloatOrF1(const char* p, VXR_DecodedArgs* a)
{
    VXR_DecodeFields(p, a, 0, 1, 0);
    a->ok = 1;
}

// The actor's health is an integer, the player's a float: both readings of the same text.
void VXR_DecodeHealth(const char* p, VXR_DecodedArgs* a)
{
    VXR_DecodeFields(p, a, 0, 1, 1);
    VXR_DecodeFields(p, a, 1, 1, 0);
    a->ok = 1;
}

void VXR_DecodePointRegisters(const char* p, VXR_DecodedArgs* a)
{
    DecodeRegisterRun(p, a, 3);
}

void VXR_DecodePoint(const char* p, VXR_DecodedArgs* a)
{
    VXR_DecodeFields(p, a, 0, 3, 0);
    a->ok = 1;
}

// Milliseconds of a time in seconds, truncated toward zero and held within 32 bits.
static int32_t SecondsToWholeMs(double seconds)
{
    float ms = (float)seconds * 1000.0f;
    if (std::isnan(ms)) return 0;
    if (ms >= 2147483647.0f) return INT32_MAX;
    if (ms <= -2147483648.0f) return INT32_MIN;
    return (int32_t)ms;
}

// "a","b",t1,t2[,flag] -> text = a, text + whole[2] = b, whole[0] and whole[1] the times in ms,
// whole[3] 1 for the flag "true". Fewer than four fields is a fault; unreadable times match no
// grammar.
void VXR_DecodePose(const char* p, VXR_DecodedArgs* a)
{
    char first[kScriptArgsMax + 1], second[kScriptArgsMax + 1];
    VXR_ReadName(&p, first, sizeof first);
    if (*p != ',')
    {
        VXR_DecodeFault(a, kFaultPoseFields, 0);
        return;
    }
    p++;
    VXR_ReadName(&p, second, sizeof second);
    double times[2];
    for (int i = 0; i < 2; i++)
    {
        if (*p != ',')
        {
            VXR_DecodeFault(a, kFaultPoseFields, 0);
            return;
        }
        p++;
        if (!VXR_ReadDouble(&p, &times[i])) return;
    }
    a->whole[3] = (*p == ',' && VXR_EqualString(p + 1, "true")) ? 1 : 0;
    a->whole[0] = SecondsToWholeMs(times[0]);
    a->whole[1] = SecondsToWholeMs(times[1]);
    // Both names came from one argument text of at most 64 characters, so both fit in text.
    int lengthA = (int)strlen(first);
    VXR_CopyText(a->text, sizeof a->text, first);
    VXR_CopyText(a->text + lengthA + 1, (int)sizeof a->text - lengthA - 1, second);
    a->whole[2] = lengthA + 1;
    a->ok = 1;
}

void VXR_DecodeSavePath(const char* p, VXR_DecodedArgs* a)
{
    VXR_ReadName(&p, a->text, sizeof a->text);
    // Said once when the statement compiles (what is wrong with the path) and once when it first
    // runs (which script asked).
    if (!VXR_PathStaysInDataFolder(a->text, "savePoses"))
    {
        VXR_DecodeFault(a, kFaultPath, 0);
        return;
    }
    a->ok = 1;
}

void VXR_DataPath(const char* path, char* out, int outSize)
{
    snprintf(out, outSize, "%s%s", routePath, path);
    FixPathString(out);
}

// ---------------------------------------------------------------------------------------------
// Selecting, creating and naming

// "model" or model -> text; empty -> form 0: the model is s1 when the statement runs.
void VXR_DecodeModelName(const char* p, VXR_DecodedArgs* a)
{
    VXR_DecodeNameText(p, a);
    a->form = p[0] ? 'n' : 0;
}

void vxrinstr_make(VXR_DecodedArgs* a)
{
    if (!a->ok) return;
    human_being* h = AddHuman(a->form ? a->text : gScriptVars.s[0]);
    if (h)
        selHuman = h;
    else if (gAddHumanFailure == kAddHumanNoModel)
        OutputToConsole("//Could not find model!"); // the console adds the line end
    // Otherwise the roster has said what happened (full, a refused name, a model that failed).
}

void vxrinstr_off(VXR_DecodedArgs* a)
{
    if (!selHuman) return;
    RemoveHuman(selHuman);
    selHuman = nullptr;
}

// A name the roster already uses is refused: the actor keeps its old one.
void vxrinstr_setName(VXR_DecodedArgs* a)
{
    human_being* h = selHuman;
    if (!a->ok || !h) return;
    char old[kHumanNameSize];
    memcpy(old, h->name, sizeof old);
    if (VXR_CopyText(h->name, kHumanNameSize, a->text))
        VXR_ReportFault(a, "setName", kFaultNameCut, kHumanNameSize - 1);
    if (HumanNameAlreadyUsed(h)) memcpy(h->name, old, sizeof old);
}

void vxrinstr_getName(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "getName") || !selHuman) return;
    VXR_CopyText(gScriptVars.s[a->reg[0]], kScriptStringMax + 1, selHuman->name);
}

void vxrinstr_type(VXR_DecodedArgs* a)
{
    if (selHuman) selHuman->type = VXR_FieldInt(a, 0, 0);
}

void vxrinstr_live(VXR_DecodedArgs* a)
{
    human_being* h = selHuman;
    if (!h) return;
    SetHumanStandardPose(h, "Stand");
    h->diesOnZeroHealth = 0;
    h->loopPoses = 0;
    h->health = VXR_FieldInt(a, 0, 0);
}

// Truncation toward zero into 32 bits; beyond the range saturates and NaN gives 0.
static int32_t WholeOf(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return (int32_t)v;
}

void vxrinstr_getHealth(VXR_DecodedArgs* a)
{
    gScriptVars.i[0] = selHuman ? selHuman->health : WholeOf(healthPercentage);
}

void vxrinstr_setHealth(VXR_DecodedArgs* a)
{
    if (selHuman)
        selHuman->health = VXR_FieldInt(a, 0, 0);
    else
        healthPercentage = (float)VXR_FieldReal(a, 1, 0);
}

void vxrinstr_getTeam(VXR_DecodedArgs* a)
{
    if (VXR_Ready(a, "getTeam")) gScriptVars.i[a->reg[0]] = selHuman ? selHuman->team : gTeam;
}

void vxrinstr_setTeam(VXR_DecodedArgs* a)
{
    (selHuman ? selHuman->team : gTeam) = VXR_FieldInt(a, 0, 0);
}

void vxrinstr_getSpeed(VXR_DecodedArgs* a)
{
    if (selHuman) gScriptVars.f[0] = selHuman->speed;
}

void vxrinstr_setSpeed(VXR_DecodedArgs* a)
{
    const double speed = VXR_FieldReal(a, 0, 0);
    if (selHuman && FiniteAsFloats(a, "setSpeed", &speed, 1)) selHuman->speed = (float)speed;
}

// ---------------------------------------------------------------------------------------------
// Place, angles, size and motion
//

// The player's point is its feet, 1.0 below the eye. "put" of what "mark" read leaves the player
// where it was: both work in the registers' 64 bits and round once, into the camera.
void vxrinstr_mark(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "mark")) return;
    double* f = &gScriptVars.f[a->reg[0]];
    if (selHuman)
    {
        f[0] = selHuman->position.x;
        f[1] = selHuman->position.y;
        f[2] = selHuman->position.z;
    }
    else
    {
        f[0] = -(double)entfl;
        f[1] = -(double)updown - 1.0;
        f[2] = -(double)entf;
    }
}

void vxrinstr_put(VXR_DecodedArgs* a)
{
    double x = VXR_FieldReal(a, 0, 0), y = VXR_FieldReal(a, 1, 1), z = VXR_FieldReal(a, 2, 2);
    const double values[4] = {x, y, z, -y - 1.0};
    if (!FiniteAsFloats(a, "put", values, 4)) return;
    if (selHuman)
    {
        selHuman->position = fastVector_Set((float)x, (float)y, (float)z);
        return;
    }
    entfl = (float)-x;
    updown = (float)(-y - 1.0);
    entf = (float)-z;
    // The box the actors and line tests meet goes with the player.
    GeneratePlayerBox();
}

void vxrinstr_axis(VXR_DecodedArgs* a)
{
    double* f = gScriptVars.f;
    if (selHuman)
    {
        f[0] = selHuman->rotation.x;
        f[1] = selHuman->rotation.y;
        f[2] = selHuman->rotation.z;
        return;
    }
    f[0] = updownangle;
    f[1] = GetCorrectDegree(180.0f - viewangle);
    f[2] = zangle;
}

void vxrinstr_spin(VXR_DecodedArgs* a)
{
    const double values[3] = {VXR_FieldReal(a, 0, 0), VXR_FieldReal(a, 1, 1), VXR_FieldReal(a, 2, 2)};
    if (!FiniteAsFloats(a, "spin", values, 3)) return;
    float x = (float)values[0], y = (float)values[1], z = (float)values[2];
    if (selHuman)
    {
        selHuman->rotation = fastVector_Set(GetCorrectDegree(x), GetCorrectDegree(y), GetCorrectDegree(z));
        return;
    }
    updownangle = GetCorrectDegree(x);
    viewangle = GetCorrectDegree(180.0f - y);
    zangle = GetCorrectDegree(z);
    GeneratePlayerBox();
}

// A size in percent of the model file's; the model is scaled by the factor from the present size.
void vxrinstr_size(VXR_DecodedArgs* a)
{
    human_being* h = selHuman;
    if (!h) return;
    const double value = VXR_FieldReal(a, 0, 0);
    if (!FiniteAsFloats(a, "size", &value, 1)) return;
    float size = std::fabs((float)value);
    // 0 (and a size that is no number) would flatten the model for good.
    if (!(size > 0.0f) || !(h->scale > 0.0f) || std::isinf(size)) return;
    float k = size / h->scale;
    ScaleModelTo(h, k, k, k, 0);
    h->scale = size;
}

void vxrinstr_goto(VXR_DecodedArgs* a)
{
    human_being* h = selHuman;
    if (!h) return;
    const double values[3] = {VXR_FieldReal(a, 0, 0), VXR_FieldReal(a, 1, 1), VXR_FieldReal(a, 2, 2)};
    if (!FiniteAsFloats(a, "goto", values, 3)) return;
    h->walking = 1;
    h->walkTarget = fastVector_Set((float)values[0], (float)values[1], (float)values[2]);
    h->rotation.y =
        GetTwoPointAngle(SetFPt(h->position.x, h->position.z), SetFPt(h->walkTarget.x, h->walkTarget.z));
}

void vxrinstr_stop(VXR_DecodedArgs* a)
{
    if (selHuman) selHuman->walking = 0;
}

void vxrinstr_go(VXR_DecodedArgs* a)
{
    const double distance = VXR_FieldReal(a, 0, 0);
    if (!FiniteAsFloats(a, "go", &distance, 1)) return;
    float d = (float)distance;
    if (selHuman)
        HumanGoForward(selHuman, d);
    else
        GoForward(nullptr, d);
}

// A step that ignores everything it would meet.
void vxrinstr_move(VXR_DecodedArgs* a)
{
    int saved = alwaysWalk;
    alwaysWalk = 1;
    vxrinstr_go(a);
    alwaysWalk = saved;
}

// ---------------------------------------------------------------------------------------------
// Poses

void vxrinstr_pose(VXR_DecodedArgs* a)
{
    human_being* h = selHuman;
    if (!VXR_Ready(a, "pose") || !h) return;
    h->returnToStandard = 0;
    h->loopPoses = (int32_t)a->whole[3];
    TargetPoses(h, a->text, a->text + a->whole[2], (long)a->whole[0], (long)a->whole[1]);
}

void vxrinstr_setPose(VXR_DecodedArgs* a)
{
    human_being* h = selHuman;
    if (!a->ok || !h || !h->model) return;
    h->returnToStandard = 0;
    h->loopPoses = 0;
    h->holdFirstPose = 0;
    SetModelPoses(h->model, a->text, a->text);
    h->poseQueued = 0;
}

void vxrinstr_makePose(VXR_DecodedArgs* a)
{
    human_being* h = selHuman;
    if (!a->ok || !h || !h->model) return;
    MakePoseFromCurrent(h->model, a->text);
    // The same argument text as a "setPose" decodes into the same record.
    vxrinstr_setPose(a);
    VXR_CopyText(h->currentPose, kHumanPoseNameSize, a->text);
}

void vxrinstr_loadPoses(VXR_DecodedArgs* a)
{
    human_being* h = selHuman;
    if (!a->ok || !h || !h->model) return;
    // Read only inside the data folder, as savePoses writes only there.
    if (!VXR_PathStaysInDataFolder(a->text, "loadPoses")) return;
    char path[2048];
    VXR_DataPath(a->text, path, sizeof path);
    LoadModelPosesVXR(h->model, path);
}

void vxrinstr_savePoses(VXR_DecodedArgs* a)
{
    human_being* h = selHuman;
    if (!VXR_Ready(a, "savePoses") || !h || !h->model) return;
    char path[2048];
    VXR_DataPath(a->text, path, sizeof path);
    if (PoseFileMayBeReplaced(path)) SaveModelPosesVXR(h->model, path);
}
