// Line tests, roster snapshots, materials and tint, sounds, and the key, button and pointer
// tests. Handlers read only their decoded record and the state they act on.
#include "script/media_instructions.h"

#include "core/clock.h"
#include "core/output.h"
#include "core/safe_write.h"
#include "core/vecmath.h"
#include "model/mesh_records.h"
#include "platform/fsound.h"
#include "platform/keys.h"
#include "resources/animated_textures.h"
#include "resources/sound_list.h"
#include "resources/textures.h"
#include "script/decode.h"
#include "script/instruction_checks.h"
#include "script/variables.h"
#include "world/camera.h"
#include "world/collision.h"
#include "world/humans.h"
#include "world/level.h"
#include "world/level_files.h"

#include <cmath>
#include <cstdio>
#include <cstring>

int gScriptChannel = -1;
VXR_ProgramInput gScriptInput = {};
float* gScriptTint[3] = {nullptr, nullptr, nullptr};

void VXR_ForgetHitActor(human_being* h)
{
    if (gHitPerson == h) gHitPerson = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Line tests and snapshots

// r,p[,team] -> reg[0] = r, reg[1] = p (p to p+2 must exist), whole[0] = team (bit 0 of given).
void VXR_DecodePoke(const char* p, VXR_DecodedArgs* a)
{
    long r = 0, point = 0;
    int haveR = VXR_ReadLong(&p, &r), haveP = 0;
    if (*p == ',')
    {
        p++;
        haveP = VXR_ReadLong(&p, &point);
    }
    if (!VXR_DecodeRegisterField(r, haveR, a, 0, 0, 1)) return;
    if (!VXR_DecodeRegisterField(point, haveP, a, 1, 0, 3)) return;
    if (*p == ',') VXR_DecodeFields(p + 1, a, 0, 1, 1);
    a->ok = 1;
}

void VXR_DecodeRegister(const char* p, VXR_DecodedArgs* a)
{
    long n = 0;
    int have = VXR_ReadLong(&p, &n);
    a->ok = VXR_DecodeRegisterField(n, have, a, 0, 0, 1);
}

static vector_type RegisterPoint(int first)
{
    const double* f = &gScriptVars.f[first];
    return fastVector_Set((float)f[0], (float)f[1], (float)f[2]);
}

// i[r] <- what the segment (f1,f2,f3) -> (f4,f5,f6) hits; on a hit f[p..p+2] <- the hit point.
static void Poke(VXR_DecodedArgs* a, int useTeam, int team)
{
    vector_type from = RegisterPoint(0), to = RegisterPoint(3);
    int result = useTeam ? StandardTeamCollision(from, to, team) : StandardCollision(from, to);
    gScriptVars.i[a->reg[0]] = result;
    if (result == 0) return;
    double* f = &gScriptVars.f[a->reg[1]];
    f[0] = s1;
    f[1] = s2;
    f[2] = s3;
}

void vxrinstr_poke(VXR_DecodedArgs* a)
{
    if (VXR_Ready(a, "poke")) Poke(a, 0, 0);
}

void vxrinstr_teampoke(VXR_DecodedArgs* a)
{
    if (VXR_Ready(a, "teampoke")) Poke(a, 1, VXR_FieldInt(a, 0, 0));
}

// The roster, one record per actor in roster order, each as the level's person file writes it,
// with no line end after the last; written as a whole or not at all.
void vxrinstr_savekey(VXR_DecodedArgs* a)
{
    if (!currentLevelFolder[0]) return;
    // After a failed level change the roster is empty and the folder is the level before's.
    if (gLevelLoadFailed)
    {
        OutputToConsoleF("//Could not save the key frame into %s: the last level load failed and emptied the "
                         "world; nothing was written",
                         currentLevelFolder);
        return;
    }
    char path[1100];
    int length = snprintf(path, sizeof path, "%skeyframe%d", currentLevelFolder, (int)VXR_FieldInt(a, 0, 0));
    if (length < 0 || length >= (int)sizeof path) return;
    safeWrite w;
    if (!BeginSafeWrite(&w, path)) return;
    int ok = 1;
    char line[4096];
    for (human_being* h = baseHuman ? baseHuman->next : nullptr; h && ok; h = h->next)
    {
        FormatPersonLine(h, line, sizeof line);
        ok = fprintf(w.file, "%s%s", h == baseHuman->next ? "" : "\n", line) >= 0;
    }
    EndSafeWrite(&w, ok);
}

void vxrinstr_dist(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "dist")) return;
    vector_type p = RegisterPoint(0), q = RegisterPoint(3);
    float dx = p.x - q.x, dy = p.y - q.y, dz = p.z - q.z;
    gScriptVars.f[a->reg[0]] = sqrtf(dx * dx + dy * dy + dz * dz);
}

// ---------------------------------------------------------------------------------------------
// Display and materials

// word -> whole[0] 1 for "true", else 0; empty -> form 'b': b1 when the statement runs.
void VXR_DecodeTruthWord(const char* p, VXR_DecodedArgs* a)
{
    if (!p[0])
        a->form = 'b';
    else
        a->whole[0] = VXR_EqualString(p, "true");
    a->ok = 1;
}

static int32_t Truth(const VXR_DecodedArgs* a)
{
    return a->form == 'b' ? gScriptVars.b[0] : (int32_t)a->whole[0];
}

void vxrinstr_hud(VXR_DecodedArgs* a)
{
    if (selHuman) selHuman->onHud = Truth(a);
}

void vxrinstr_lux(VXR_DecodedArgs* a)
{
    if (selHuman) selHuman->lit = Truth(a);
}

static int MaterialInRange(long m)
{
    return m >= 1 && m <= kMaxModelMaterials;
}

// m,"texture" -> whole[0] = m, text = the texture's file name as the texture list keeps it.
void VXR_DecodeTexture(const char* p, VXR_DecodedArgs* a)
{
    long m;
    if (!VXR_ReadLong(&p, &m) || *p != ',') return;
    if (!MaterialInRange(m)) return VXR_DecodeFault(a, kFaultMaterial, m);
    p++;
    VXR_ReadName(&p, a->text, sizeof a->text);
    FixPathString(a->text);
    a->whole[0] = m;
    a->ok = 1;
}

// The selected actor's material m (1-8), or null when there is no actor or model.
static model_material* Material(long m)
{
    if (!selHuman || !selHuman->model) return nullptr;
    return &selHuman->model->materials[m - 1];
}

void vxrinstr_tex(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "tex")) return;
    model_material* material = Material(a->whole[0]);
    if (!material) return;
    // The texture list belongs to the level and changes with it: looked up when the statement runs.
    char name[kScriptArgsMax + 1];
    memcpy(name, a->text, sizeof name);
    material->textureId = GetTextureByName(name);
    material->kind = 4;
}

// m,a,restart -> whole[0] = m, whole[1] = the slot index 0-15, whole[2] = restart (0 if missing).
void VXR_DecodeAnimation(const char* p, VXR_DecodedArgs* a)
{
    long m, slot, restart = 0;
    if (!VXR_ReadLong(&p, &m) || *p != ',') return;
    p++;
    if (!VXR_ReadLong(&p, &slot)) return;
    if (*p == ',')
    {
        p++;
        if (!VXR_ReadLong(&p, &restart)) restart = 0;
    }
    if (!MaterialInRange(m)) return VXR_DecodeFault(a, kFaultMaterial, m);
    if (slot < 1 || slot > kAnimationSlots) return VXR_DecodeFault(a, kFaultAnimationSlot, slot);
    a->whole[0] = m;
    a->whole[1] = slot - 1;
    a->whole[2] = restart;
    a->ok = 1;
}

// The frame shows from when the animation started, in whole frame durations, round and round;
// only this instruction picks it, so a script runs it every tick to animate.
void vxrinstr_anim(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "anim")) return;
    const animatedTexture& animation = gTextureAnimations[a->whole[1]];
    if (animation.frameCount < 1 || animation.frameCount > kMaxAnimationFrames ||
        animation.frameDuration < 1 || animation.frames[0] == 0)
        return VXR_ReportFault(a, "anim", kFaultAnimationEmpty, (long)a->whole[1] + 1);
    model_material* material = Material(a->whole[0]);
    if (!material) return;
    if (material->animationStart == 0 || a->whole[2] != 0) material->animationStart = (int32_t)gCurrentTime;
    uint32_t elapsed = gCurrentTime - (uint32_t)material->animationStart;
    uint32_t frame = (elapsed / (uint32_t)animation.frameDuration) % (uint32_t)animation.frameCount;
    material->textureId = animation.frames[frame];
    material->kind = 4;
}

// n,v1,v2,v3 -> whole[0] = n (bit 0), real[1..3] (bits 1-3); a missing n is i1 and missing
// values f1, f2, f3 when the statement runs. A given n outside lo..hi is the fault.
static void DecodeNumberAndValues(const char* p, VXR_DecodedArgs* a, long lo, long hi, int fault)
{
    const char* rest = VXR_DecodeFields(p, a, 0, 1, 1);
    if ((a->given & 1) && (a->whole[0] < lo || a->whole[0] > hi))
        return VXR_DecodeFault(a, fault, (long)a->whole[0]);
    if (*rest) VXR_DecodeFields(rest, a, 1, 3, 0);
    a->ok = 1;
}

// m,r,g,b and m,a. A material number of 0 means material 1.
void VXR_DecodeMaterialValues(const char* p, VXR_DecodedArgs* a)
{
    DecodeNumberAndValues(p, a, 0, kMaxModelMaterials, kFaultMaterial);
}

// Material m of the selected actor, m given or read from i1 (0 meaning 1); null when there is
// no actor or model, or, reported, when m is out of range.
static model_material* ChosenMaterial(VXR_DecodedArgs* a, const char* keyword)
{
    if (!VXR_Ready(a, keyword)) return nullptr;
    long m = VXR_FieldInt(a, 0, 0);
    if (m == 0) m = 1;
    if (MaterialInRange(m)) return Material(m);
    VXR_ReportFault(a, keyword, kFaultMaterial, m);
    return nullptr;
}

void vxrinstr_col(VXR_DecodedArgs* a)
{
    model_material* material = ChosenMaterial(a, "col");
    if (!material) return;
    material->red = (float)VXR_FieldReal(a, 1, 0);
    material->green = (float)VXR_FieldReal(a, 2, 1);
    material->blue = (float)VXR_FieldReal(a, 3, 2);
    material->kind = 0;
}

void vxrinstr_alpha(VXR_DecodedArgs* a)
{
    model_material* material = ChosenMaterial(a, "alpha");
    if (!material) return;
    material->alpha = (float)VXR_FieldReal(a, 1, 0);
    material->blended = 1;
}

// The tint is saved with the level: a colour that is not finite is refused.
void vxrinstr_rgb(VXR_DecodedArgs* a)
{
    float colour[3];
    for (int i = 0; i < 3; i++)
    {
        colour[i] = (float)VXR_FieldReal(a, i, i);
        if (!std::isfinite(colour[i])) return VXR_ReportFault(a, "rgb", kFaultNotFinite, 0);
    }
    for (int i = 0; i < 3; i++)
        if (gScriptTint[i]) *gScriptTint[i] = colour[i];
}

// ---------------------------------------------------------------------------------------------
// Sounds

// n,x,y,z: sample n at a point.
void VXR_DecodeSound(const char* p, VXR_DecodedArgs* a)
{
    DecodeNumberAndValues(p, a, 0, kSoundSlots - 1, kFaultSample);
}

static void PlaySample(VXR_DecodedArgs* a, const char* keyword, int mode)
{
    if (!VXR_Ready(a, keyword)) return;
    long n = VXR_FieldInt(a, 0, 0);
    if (n < 0 || n >= kSoundSlots) return VXR_ReportFault(a, keyword, kFaultSample, n);
    FSOUND_SAMPLE* sample = gAllSamples[n];
    if (!sample)
    {
        // Without a sound device no slot holds a sound; a muted game is not a faulty one.
        if (PLT_SoundIsOpen()) VXR_ReportFault(a, keyword, kFaultSampleEmpty, n);
        return;
    }
    FSOUND_Sample_SetMinMaxDistance(sample, 4.0f, 1000.0f);
    FSOUND_Sample_SetMode(sample, mode);
    int channel = FSOUND_PlaySoundEx(gScriptChannel, sample, nullptr, 1);
    float position[3] = {(float)VXR_FieldReal(a, 1, 0), (float)VXR_FieldReal(a, 2, 1),
                         (float)VXR_FieldReal(a, 3, 2)};
    float velocity[3] = {0, 0, 0};
    FSOUND_3D_SetAttributes(channel, position, velocity);
    FSOUND_SetVolume(channel, 255);
    FSOUND_SetPaused(channel, 0);
}

void vxrinstr_sndplay(VXR_DecodedArgs* a)
{
    PlaySample(a, "sndplay", FSOUND_16BITS | FSOUND_SIGNED | FSOUND_MONO);
}

void vxrinstr_sndloop(VXR_DecodedArgs* a)
{
    PlaySample(a, "sndloop", FSOUND_LOOP_NORMAL);
}

void vxrinstr_sndstop(VXR_DecodedArgs* a)
{
    FSOUND_StopSound(VXR_FieldInt(a, 0, 0));
}

void vxrinstr_channel(VXR_DecodedArgs* a)
{
    gScriptChannel = VXR_FieldInt(a, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// Input, pointer and distance

// k,n,c -> whole[0] = the virtual-key code, reg[0] = n (required), form = c. k is either quoted
// or a Macintosh special-key number. Quoted, one character is its own key (a to z count as A to
// Z, a blank is the space bar) and a longer text is a key name ("Escape", "F1"; an unknown one is
// the fault, the name kept in text).
void VXR_DecodeKey(const char* p, VXR_DecodedArgs* a)
{
    long code = 0;
    if (*p == '"')
    {
        char name[kScriptArgsMax + 1];
        VXR_ReadName(&p, name, sizeof name);
        if (strlen(name) == 1)
        {
            code = (unsigned char)name[0];
            if (code >= 'a' && code <= 'z') code -= 'a' - 'A';
        }
        else
        {
            code = PLT_VirtualKeyByName(name);
            if (!code)
            {
                VXR_CopyText(a->text, sizeof a->text, name);
                return VXR_DecodeFault(a, kFaultKeyName, 0);
            }
        }
        // Anything after the closing quote up to the comma belongs to no field.
        while (*p && *p != ',')
            p++;
    }
    else
    {
        long mac;
        if (!VXR_ReadLong(&p, &mac)) return;
        code = gScriptInput.convertMacKey ? gScriptInput.convertMacKey((int)mac) : 0;
        while (*p && *p != ',')
            p++;
    }
    long n = 0;
    int have = 0;
    if (*p == ',')
    {
        p++;
        have = VXR_ReadLong(&p, &n);
    }
    if (!VXR_DecodeRegisterField(n, have, a, 0, 0, 1)) return;
    if (*p == ',') a->form = p[1];
    a->whole[0] = code;
    a->ok = 1;
}

void vxrinstr_key(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "key")) return;
    int (*test)(int) = a->form == 'n'   ? gScriptInput.isKeyDownNow
                       : a->form == 'o' ? gScriptInput.wasKeyDown
                                        : gScriptInput.isKeyDown;
    gScriptVars.b[a->reg[0]] = test && test((int)a->whole[0]) ? 1 : 0;
}

// n,c -> reg[0] = n (required when the text is not empty), form = c; empty -> b1, button down.
void VXR_DecodeClick(const char* p, VXR_DecodedArgs* a)
{
    if (!p[0])
    {
        a->ok = 1;
        return;
    }
    long n = 0;
    int have = VXR_ReadLong(&p, &n);
    if (!VXR_DecodeRegisterField(n, have, a, 0, 0, 1)) return;
    if (*p == ',') a->form = p[1];
    a->ok = 1;
}

// Edges are counted between one click and the next: only this instruction moves the old state.
void vxrinstr_click(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "click")) return;
    int* now = gScriptInput.mouseButtons;
    int* old = gScriptInput.oldMouseButtons;
    if (!now || !old) return;
    int holds;
    if (a->form == 'n')
        holds = !old[0] && now[0];
    else if (a->form == 'o')
        holds = old[0] && !now[0];
    else
        holds = now[0] != 0;
    gScriptVars.b[a->reg[0]] = holds ? 1 : 0;
    for (int i = 0; i < 3; i++)
        old[i] = now[i];
}

int VXR_PointerLine(vector_type* nearPoint, vector_type* farPoint)
{
    if (!gScriptInput.screenSize || !gScriptInput.mouseLoc) return 0;
    int w = 0, h = 0;
    gScriptInput.screenSize(&w, &h);
    if (w <= 0 || h <= 0) return 0;
    int x = gScriptInput.mouseLoc->x, y = gScriptInput.mouseLoc->y;
    if (gScriptInput.doMouseView && *gScriptInput.doMouseView)
    {
        x = w / 2;
        y = h / 2;
    }
    vector_type d = fastVector_Set(((float)x / (float)w) * 2.0f - 1.0f,
                                   (((float)y / (float)h) * 2.0f - 1.0f) * -0.75f, -1.81f);
    d = RotateVector(d, fastVector_Set(0, 0, 0), -updownangle, -viewangle, -zangle);
    vector_type eye = fastVector_Set(-entfl, -updown, -entf);
    *nearPoint = fastVector_Set(eye.x + 0.01f * d.x, eye.y + 0.01f * d.y, eye.z + 0.01f * d.z);
    *farPoint = fastVector_Set(eye.x + 1000.0f * d.x, eye.y + 1000.0f * d.y, eye.z + 1000.0f * d.z);
    return 1;
}

// f1..f3 <- a point just in front of the eye and f4..f6 one far away, on the line from the eye
// through the pointer (the screen centre in mouse view).
void vxrinstr_mouse(VXR_DecodedArgs* a)
{
    vector_type nearPoint, farPoint;
    if (!VXR_PointerLine(&nearPoint, &farPoint)) return;
    double* f = gScriptVars.f;
    f[0] = nearPoint.x;
    f[1] = nearPoint.y;
    f[2] = nearPoint.z;
    f[3] = farPoint.x;
    f[4] = farPoint.y;
    f[5] = farPoint.z;
}
