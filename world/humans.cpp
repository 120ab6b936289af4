// The actor roster: creation from model files with a private model copy each, naming, lookup,
// removal and the per-frame drawing order. The roster never holds more than kMaxHumans actors.
#include "world/humans.h"

#include "core/content_files.h"
#include "core/output.h"
#include "model/bounds.h"
#include "model/mesh_records.h"
#include "model/posing.h"
#include "resources/paths.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <strings.h>

human_being* baseHuman = nullptr;
human_being* humanPtr = nullptr;
human_being* selHuman = nullptr;
uint32_t gRosterVersion = 0;
int32_t gNextLevelOrder = 0;
// Names of the level's actors that have been removed.
static std::set<std::string> gFormerNames;
int gAddHumanFailure = 0;

void (*gDisposeHumanScriptsHook)(human_being* h) = nullptr;
void (*gDisposeHumanVariablesHook)(human_being* h) = nullptr;
void (*gHumanDisposedHook)(human_being* h) = nullptr;
vector_type (*gEyePositionHook)() = nullptr;
const char* (*gLevelFolderHook)() = nullptr;
const char* (*gRoutePathHook)() = nullptr;

static const char kModelFolderFormat[] = "%sModels%c%s";
static const char kSeparator = '/';

static void CopyText(char* dest, size_t size, const char* src)
{
    snprintf(dest, size, "%s", src ? src : "");
}

void EnsureHumanRoster()
{
    if (!baseHuman)
    {
        baseHuman = static_cast<human_being*>(calloc(1, sizeof(human_being)));
        ZeroHuman(baseHuman);
        humanPtr = baseHuman;
    }
}

void ZeroHuman(human_being* h)
{
    if (!h) return;
    h->position = fastVector_Set(0.0f, 0.0f, 0.0f);
    h->rotation = fastVector_Set(0.0f, 0.0f, 0.0f);
    h->blendPercent = 100.0f;
    h->blendTime = 30;
    h->lastPoseTime = 0;
    h->blendBackwards = 0;
    h->fallHeight = 0.0f;
    h->fallStep = 0.0f;
    h->fallStartTime = 0;
    h->deadlyFall = 0;
    h->fallTime = 0.0f;
    h->returnToStandard = 1;
    h->blendingIn = 0;
    h->wasBlendingIn = 0;
    h->diesOnZeroHealth = 0;
    h->loopPoses = 0;
    h->holdFirstPose = 0;
    h->walking = 0;
    h->onHud = 0;
    h->lit = 0;
    h->walkTarget = fastVector_Set(0.0f, 0.0f, 0.0f);
    h->speed = 0.02f;
    h->scripts = nullptr;
    h->variables = nullptr;
    h->type = 1;
    h->health = 100;
    h->team = 0;
    CopyText(h->currentPose, sizeof h->currentPose, "Stand");
    CopyText(h->targetPose, sizeof h->targetPose, "Stand");
    CopyText(h->standardPose, sizeof h->standardPose, "Stand");
    h->poseQueued = 0;
    CopyText(h->deathPose1, sizeof h->deathPose1, "Killed1");
    CopyText(h->deathPose2, sizeof h->deathPose2, "Killed2");
    h->sortNumber = kHumanUnsorted;
}

int CountHumans()
{
    int n = 0;
    if (baseHuman)
        for (human_being* h = baseHuman->next; h; h = h->next)
            n++;
    return n;
}

static int ModelFileExists(const char* path)
{
    return ContentFileExists(path, kContentText);
}

// "<folder>Models/<modelFile>" into path; 0 when it does not fit.
static int FormModelPath(char* path, size_t size, const char* folder, const char* modelFile)
{
    int length = snprintf(path, size, kModelFolderFormat, folder ? folder : "", kSeparator, modelFile);
    return length >= 0 && (size_t)length < size;
}

mesh_mod* ObtainCachedModel(const char* modelFile, const char* path)
{
    mesh_mod* entry = FindCachedModel(modelFile);
    if (entry) return entry;
    if (!gLoadModelHook)
    {
        OutputToConsoleF("//Cannot load model %s: no model loader.", path ? path : "");
        return nullptr;
    }
    entry = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    if (!gLoadModelHook(entry, path))
    {
        // Nothing was cached, so a later attempt tries the file again.
        free(entry);
        OutputToConsoleF("//Failed to load model: %s", path ? path : "");
        return nullptr;
    }
    AppendCachedModel(entry);
    return entry;
}

human_being* AppendNewHuman()
{
    EnsureHumanRoster();
    human_being* tail = baseHuman;
    int count = 0;
    while (tail->next)
    {
        tail = tail->next;
        count++;
    }
    if (count >= kMaxHumans)
    {
        OutputToConsoleF("//Too many actors: the roster holds at most %d.", kMaxHumans);
        return nullptr;
    }
    human_being* h = static_cast<human_being*>(calloc(1, sizeof(human_being)));
    ZeroHuman(h);
    h->scale = 100.0f;
    h->levelOrder = gNextLevelOrder++;
    h->next = nullptr;
    tail->next = h;
    humanPtr = h;
    gRosterVersion++;
    return h;
}

human_being* AddHuman(const char* modelFile)
{
    gAddHumanFailure = kAddHumanNoModel;
    if (!modelFile || !modelFile[0]) return nullptr;
    // The model is looked up under a Models folder, and a name never leads out of it.
    gAddHumanFailure = kAddHumanRefused;
    if (!VXR_PathStaysInDataFolder(modelFile, "model")) return nullptr;
    EnsureHumanRoster();
    gAddHumanFailure = kAddHumanRosterFull;
    if (CountHumans() >= kMaxHumans)
    {
        OutputToConsoleF("//Too many actors: cannot add %s, the roster holds at most %d.", modelFile,
                         kMaxHumans);
        return nullptr;
    }

    char path[2048];
    const char* levelFolder = gLevelFolderHook ? gLevelFolderHook() : "";
    const char* root = gRoutePathHook ? gRoutePathHook() : "";
    gAddHumanFailure = kAddHumanNoModel;
    if (!FormModelPath(path, sizeof path, levelFolder, modelFile) || !ModelFileExists(path))
    {
        if (!FormModelPath(path, sizeof path, root, modelFile) || !ModelFileExists(path)) return nullptr;
    }

    // The model comes first, so a model that cannot be had leaves the roster as it was.
    gAddHumanFailure = kAddHumanModelFailed;
    mesh_mod* entry = ObtainCachedModel(modelFile, path);
    if (!entry) return nullptr;
    gAddHumanFailure = kAddHumanRosterFull;
    human_being* h = AppendNewHuman();
    if (!h) return nullptr;
    gAddHumanFailure = 0;
    h->model = MakePrivateModelCopy(entry, h);
    BuildFreeHumanNameByModelSignature(h);
    humanPtr = h;
    return h;
}

void RenewHumanModel(human_being* h, mesh_mod* entry)
{
    if (!h || !entry) return;
    mesh_mod* copy = MakePrivateModelCopy(entry, h);
    if (!copy) return;
    DisposeMeshworkModel(h->model);
    h->model = copy;
    const float s = h->scale * 0.01f;
    ScaleModelTo(h, s, s, s, 0);
    const int32_t queued = h->poseQueued;
    SetModelPoses(copy, h->currentPose, h->targetPose);
    h->poseQueued = queued;
    gRosterVersion++;
}

void DisposeHuman(human_being* h)
{
    if (!h) return;
    if (h->name[0] && gFormerNames.size() < 4096) gFormerNames.insert(h->name);
    if (gDisposeHumanScriptsHook) gDisposeHumanScriptsHook(h);
    if (gDisposeHumanVariablesHook) gDisposeHumanVariablesHook(h);
    if (gHumanDisposedHook) gHumanDisposedHook(h);
    DisposeMeshworkModel(h->model);
    h->model = nullptr;
    if (selHuman == h) selHuman = nullptr;
    if (humanPtr == h) humanPtr = baseHuman;
    free(h);
}

void RemoveHuman(human_being* h)
{
    if (!h || !baseHuman) return;
    // Find it before touching it: a pointer that is no longer in the roster is never read.
    human_being* before = baseHuman;
    while (before->next && before->next != h)
        before = before->next;
    if (before->next != h) return;
    before->next = h->next;
    gRosterVersion++;
    DisposeHuman(h);
    humanPtr = before;
}

void RemoveAllHumans()
{
    if (!baseHuman) return;
    human_being* h = baseHuman->next;
    baseHuman->next = nullptr;
    gRosterVersion++;
    while (h)
    {
        human_being* nextHuman = h->next;
        DisposeHuman(h);
        h = nextHuman;
    }
    humanPtr = baseHuman;
    selHuman = nullptr;
    gNextLevelOrder = 0;
    gFormerNames.clear();
}

int HumanNameWasUsed(const char* name)
{
    return name && gFormerNames.count(name) > 0;
}

human_being* GetHumanByLevelOrder(int32_t order)
{
    for (human_being* h = baseHuman ? baseHuman->next : nullptr; h; h = h->next)
        if (h->levelOrder == order) return h;
    return nullptr;
}

human_being* GetHumanByName(const char* name)
{
    if (!baseHuman || !name) return nullptr;
    // The cursor stays on the last record looked at, never past the tail.
    for (human_being* h = baseHuman->next; h; h = h->next)
    {
        humanPtr = h;
        if (VXR_EqualString(h->name, name)) return h;
    }
    return nullptr;
}

int HumanNameAlreadyUsed(human_being* h)
{
    if (!h || !baseHuman) return 0;
    for (human_being* other = baseHuman->next; other; other = other->next)
        if (other != h && VXR_EqualString(other->name, h->name)) return 1;
    return 0;
}

// 1 when name is base (letters in either case) followed by one digit or more.
static int IsNumberedName(const char* name, const char* base, size_t baseLength)
{
    if (strncasecmp(name, base, baseLength) != 0) return 0;
    const char* digits = name + baseLength;
    if (!*digits) return 0;
    for (; *digits; digits++)
        if (*digits < '0' || *digits > '9') return 0;
    return 1;
}

static int NameTakenIgnoringCase(const human_being* h, const char* name)
{
    for (human_being* other = baseHuman ? baseHuman->next : nullptr; other; other = other->next)
        if (other != h && strcasecmp(other->name, name) == 0) return 1;
    return 0;
}

void BuildFreeHumanNameByModelSignature(human_being* h)
{
    if (!h) return;
    KillString(h->name);
    const char* model = h->model ? h->model->name : "";
    // The level may spell the model's numbered names its own way ("Crate1" for the model crate):
    // new names follow the first of them in level order.
    char base[kHumanNameSize];
    snprintf(base, sizeof base, "%.*s", (int)sizeof base - 1, model);
    const size_t baseLength = strlen(base);
    int32_t firstOrder = INT32_MAX;
    for (human_being* other = baseHuman ? baseHuman->next : nullptr; other; other = other->next)
        if (other != h && other->levelOrder < firstOrder && IsNumberedName(other->name, base, baseLength))
        {
            memcpy(base, other->name, baseLength);
            firstOrder = other->levelOrder;
        }
    char candidate[kHumanNameSize];
    for (int n = 1;; n++)
    {
        // Cut the model name, never the number, so that every n gives a different name and a
        // free one is always found (the roster holds at most kMaxHumans).
        char digits[16];
        int digitCount = snprintf(digits, sizeof digits, "%d", n);
        int room = (int)sizeof candidate - 1 - digitCount;
        snprintf(candidate, sizeof candidate, "%.*s%s", room, base, digits);
        if (!NameTakenIgnoringCase(h, candidate)) break;
    }
    CopyText(h->name, sizeof h->name, candidate);
}

human_being* GetHumanByNumber(human_being* first, int n)
{
    for (human_being* h = first; h; h = h->next)
        if (h->sortNumber == n) return h;
    return nullptr;
}

void IncreaseHumanNumbers(human_being* first, int from, int count)
{
    for (int i = count - 1; i >= from; i--)
    {
        human_being* h = GetHumanByNumber(first, i);
        if (h) h->sortNumber++;
    }
}

static float DistanceBetween(vector_type a, vector_type b)
{
    float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void SortHumansForBlending()
{
    if (!baseHuman || !baseHuman->next) return;
    static human_being* order[kMaxHumans];
    vector_type eye = gEyePositionHook ? gEyePositionHook() : fastVector_Set(0.0f, 0.0f, 0.0f);
    vector_type origin = fastVector_Set(0.0f, 0.0f, 0.0f);

    // Insertion by falling distance: a farther actor than every placed one goes first,
    // otherwise in front of the first placed actor strictly nearer than it, else last; so equal
    // distances keep their roster order. The order table stands in for walking sort numbers.
    float farthest = -65535.0f;
    int k = 0;
    human_being* h = baseHuman->next;
    for (; h && k < kMaxHumans; h = h->next)
    {
        h->viewDistance = DistanceBetween(h->position, h->onHud ? origin : eye);
        int place = k;
        if (h->viewDistance > farthest)
        {
            place = 0;
            farthest = h->viewDistance;
        }
        else
        {
            for (int i = 0; i < k; i++)
                if (order[i]->viewDistance < h->viewDistance)
                {
                    place = i;
                    break;
                }
        }
        memmove(&order[place + 1], &order[place], sizeof order[0] * (k - place));
        order[place] = h;
        k++;
    }
    human_being* rest = h; // beyond the table: kept behind the sorted actors in their order
    for (; h; h = h->next)
        h->sortNumber = kHumanUnsorted;

    human_being* tail = baseHuman;
    for (int i = 0; i < k; i++)
    {
        order[i]->sortNumber = i;
        tail->next = order[i];
        tail = order[i];
    }
    tail->next = rest;
    gRosterVersion++;
}
