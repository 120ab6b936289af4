// Model records: the cache head, lookups over a model's lists, private copies for actors and
// levels with the data they share with their source, their disposal, and the channel blend.
#include "model/mesh_records.h"

#include "core/output.h"
#include "model/pose_cache_record.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

mesh_mod* baseMesh = nullptr;
mesh_mod* meshPtr = nullptr;
float meshwork_modelScaleFactor = 660.0f;
int (*gImportModelPosesHook)(mesh_mod* model, const char* path) = nullptr;
int (*gLoadModelHook)(mesh_mod* model, const char* path) = nullptr;

void EnsureModelCache()
{
    if (!baseMesh)
    {
        baseMesh = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
        meshPtr = baseMesh;
    }
}

vtx_typ* GetVertexPtrByNumber(vtx_typ* first, int n)
{
    vtx_typ* v = first;
    for (int i = 0; v && i < n && v->next; i++)
        v = v->next;
    return v;
}

bonus* GetBonePtrBySignature(bonus* first, const char* signature)
{
    if (!signature) return nullptr;
    for (bonus* b = first; b; b = b->next)
        if (VXR_EqualString(b->signature, signature)) return b;
    return nullptr;
}

int CopyBoneSignature(char* signature, const char* word)
{
    size_t length = strlen(word);
    snprintf(signature, kBoneSignatureSize, "%s", word);
    return length >= kBoneSignatureSize;
}

void LinkBones(bonus* first)
{
    for (bonus* b = first; b; b = b->next)
        b->parent = GetBonePtrBySignature(first, b->parentSignature);
}

bonus* NewBone()
{
    // calloc leaves every channel at 0.
    bonus* b = static_cast<bonus*>(calloc(1, sizeof(bonus)));
    b->inPoses = 1;
    return b;
}

pose_struct* GetPosePtrBySignature(pose_struct* first, const char* name)
{
    if (!name) return nullptr;
    for (pose_struct* p = first; p; p = p->next)
        if (IsTag(p->name, name)) return p;
    return nullptr;
}

mesh_mod* FindCachedModel(const char* name)
{
    if (!baseMesh || !name) return nullptr;
    for (mesh_mod* m = baseMesh->next; m; m = m->next)
        if (VXR_EqualString(m->name, name)) return m;
    return nullptr;
}

void AppendCachedModel(mesh_mod* entry)
{
    EnsureModelCache();
    mesh_mod* tail = baseMesh;
    while (tail->next)
        tail = tail->next;
    tail->next = entry;
    entry->next = nullptr;
    meshPtr = entry;
}

// Position of bone in the list from first, or -1.
static int BoneIndex(const bonus* first, const bonus* bone)
{
    int i = 0;
    for (const bonus* b = first; b; b = b->next, i++)
        if (b == bone) return i;
    return -1;
}

static bonus* BoneAtIndex(bonus* first, int index)
{
    bonus* b = first;
    for (int i = 0; b && i < index; i++)
        b = b->next;
    return b;
}

void FreePoseList(pose_struct* first)
{
    while (first)
    {
        pose_entry* e = first->entryListHead.next;
        while (e)
        {
            pose_entry* nextEntry = e->next;
            free(e);
            e = nextEntry;
        }
        pose_struct* nextPose = first->next;
        free(first);
        first = nextPose;
    }
}

// Deep copy of the entry's poses into copy, each entry driving the copy's bone at the same
// list position as the entry's bone in the source. Entries whose bone is not among the
// source's bones are dropped rather than left pointing into the cache entry.
static void CopyPoses(mesh_mod* copy, pose_struct* sourcePoses, bonus* sourceBones)
{
    copy->poseListHead.next = nullptr;
    copy->poseCursor = &copy->poseListHead;
    bonus* copyBones = copy->boneListHead.next;
    for (pose_struct* src = sourcePoses; src; src = src->next)
    {
        pose_struct* pose = static_cast<pose_struct*>(calloc(1, sizeof(pose_struct)));
        memcpy(pose->name, src->name, sizeof pose->name);
        pose->name[sizeof pose->name - 1] = 0;
        pose_entry* entryTail = &pose->entryListHead;
        for (pose_entry* e = src->entryListHead.next; e; e = e->next)
        {
            int index = BoneIndex(sourceBones, e->bone);
            bonus* bone = index >= 0 ? BoneAtIndex(copyBones, index) : nullptr;
            if (!bone) continue;
            pose_entry* entry = static_cast<pose_entry*>(malloc(sizeof(pose_entry)));
            *entry = *e;
            entry->bone = bone;
            entry->next = nullptr;
            entryTail->next = entry;
            entryTail = entry;
        }
        copy->poseCursor->next = pose;
        copy->poseCursor = pose;
    }
}

// The vertex at list position n as GetVertexPtrByNumber finds it: n <= 0 the first, past the
// end the last; null for no vertices.
static vtx_typ* VertexByNumber(const std::vector<vtx_typ*>& byNumber, int n)
{
    if (byNumber.empty()) return nullptr;
    if (n <= 0) return byNumber.front();
    if (n >= (int)byNumber.size()) return byNumber.back();
    return byNumber[n];
}

mesh_mod* ModelDataSource(mesh_mod* model)
{
    return model && model->source ? model->source : model;
}

void BuildModelPrivateMallocs(mesh_mod* copy, mesh_mod* entry)
{
    if (!copy || !entry) return;
    bonus* entryBones = copy->boneListHead.next;
    vtx_typ* entryVertices = copy->vertexListHead.next;
    pose_struct* entryPoses = copy->poseListHead.next;

    // What the copy shares is held through its source, never through entry alone: a copy of a
    // copy shares the data of the model both were made from, which outlives them both.
    mesh_mod* source = ModelDataSource(entry);
    trio* sourceTriangles = source->triangleListHead.next;
    copy->source = source;
    source->copies++;
    copy->copies = 0;
    copy->disposeWhenUnshared = 0;
    copy->restNormals = nullptr;
    copy->restNormalCount = 0;
    copy->poseCache = nullptr;
    copy->vertexBlock = nullptr;
    copy->vertexBlockCount = 0;
    copy->boneBlock = nullptr;
    copy->boneBlockCount = 0;

    // The bones in one block too: drawing walks them every frame, and neighbours walk faster.
    size_t boneTotal = 0;
    for (bonus* src = entryBones; src; src = src->next)
        boneTotal++;
    copy->boneBlock = boneTotal ? static_cast<bonus*>(malloc(boneTotal * sizeof(bonus))) : nullptr;
    copy->boneBlockCount = (int32_t)boneTotal;
    copy->boneListHead.next = nullptr;
    copy->boneCursor = &copy->boneListHead;
    bonus* b = copy->boneBlock;
    for (bonus* src = entryBones; src; src = src->next, b++)
    {
        *b = *src;
        b->next = nullptr;
        copy->boneCursor->next = b;
        copy->boneCursor = b;
    }
    bonus* firstBone = copy->boneListHead.next;
    for (bonus* b = firstBone; b; b = b->next)
        if (b->parent) b->parent = GetBonePtrBySignature(firstBone, b->parentSignature);

    // One block for all vertices: hundreds of records a copy, and an actor's copy must stay small.
    size_t vertexTotal = 0;
    for (vtx_typ* src = entryVertices; src; src = src->next)
        vertexTotal++;
    copy->vertexListHead.next = nullptr;
    copy->vertexCursor = &copy->vertexListHead;
    if (vertexTotal) copy->vertexBlock = static_cast<vtx_typ*>(malloc(vertexTotal * sizeof(vtx_typ)));
    copy->vertexBlockCount = (int32_t)vertexTotal;
    std::vector<vtx_typ*> byNumber;
    byNumber.reserve(vertexTotal);
    vtx_typ* v = copy->vertexBlock;
    for (vtx_typ* src = entryVertices; src; src = src->next, v++)
    {
        *v = *src;
        v->next = nullptr;
        v->bone = GetBonePtrBySignature(firstBone, v->boneSignature);
        v->secondBone = GetBonePtrBySignature(firstBone, v->secondBoneSignature);
        copy->vertexCursor->next = v;
        copy->vertexCursor = v;
        byNumber.push_back(v);
    }

    copy->sharedTriangles = copy->owner != nullptr;
    if (copy->sharedTriangles)
    {
        // The source's list as it stands; an actor never appends to it.
        copy->triangleListHead.next = sourceTriangles;
        copy->triangleCursor = source->triangleCursor;
    }
    else
    {
        // Corners are found by position through an index, as GetVertexPtrByNumber would find
        // them (n <= 0 the first, past the end the last).
        copy->triangleListHead.next = nullptr;
        copy->triangleCursor = &copy->triangleListHead;
        for (trio* src = sourceTriangles; src; src = src->next)
        {
            trio* t = static_cast<trio*>(malloc(sizeof(trio)));
            *t = *src;
            t->next = nullptr;
            for (int i = 0; i < 3; i++)
                t->vertices[i] = VertexByNumber(byNumber, t->vertexNumbers[i]);
            copy->triangleCursor->next = t;
            copy->triangleCursor = t;
        }
    }

    // The copy starts from the none pose: no rotation in pose A or pose B.
    copy->poseStamp++;
    for (bonus* b = firstBone; b; b = b->next)
    {
        b->rotationX[0] = b->rotationX[1] = 0.0f;
        b->rotationY[0] = b->rotationY[1] = 0.0f;
        b->rotationZ[0] = b->rotationZ[1] = 0.0f;
    }

    // The pose file replaces an empty, private list, so a reader that discards the old list
    // can never free the cache entry's poses.
    copy->poseListHead.next = nullptr;
    copy->poseCursor = &copy->poseListHead;
    int imported = 0;
    if (gImportModelPosesHook)
    {
        char path[kModelFolderSize + kModelNameSize + 16];
        int length = snprintf(path, sizeof path, "%s%s_poses", copy->folder, copy->name);
        if (length > 0 && length < (int)sizeof path) imported = gImportModelPosesHook(copy, path);
    }
    if (!imported)
    {
        FreePoseList(copy->poseListHead.next);
        CopyPoses(copy, entryPoses, entryBones);
    }
}

mesh_mod* MakePrivateModelCopy(mesh_mod* entry, human_being* owner)
{
    if (!entry) return nullptr;
    mesh_mod* copy = static_cast<mesh_mod*>(malloc(sizeof(mesh_mod)));
    *copy = *entry;
    copy->owner = owner;
    BuildModelPrivateMallocs(copy, entry);
    copy->next = nullptr;
    return copy;
}

static int InModelCache(const mesh_mod* model)
{
    if (baseMesh)
        for (mesh_mod* m = baseMesh; m; m = m->next)
            if (m == model) return 1;
    return 0;
}

// Frees the list from first on, but for the records inside block (of count records), which are
// freed with the block.
template <typename T> static void FreeList(T* first, T* block, int32_t count)
{
    const uintptr_t low = (uintptr_t)block, high = (uintptr_t)(block + count);
    for (T* x = first; x;)
    {
        T* next = x->next;
        if (!(block && (uintptr_t)x >= low && (uintptr_t)x < high)) free(x);
        x = next;
    }
    free(block);
}

void FreeModelPoseCache(mesh_mod* model)
{
    if (!model || !model->poseCache) return;
    free(model->poseCache->bones);
    free(model->poseCache->posed);
    free(model->poseCache);
    model->poseCache = nullptr;
}

static void FreeModel(mesh_mod* model)
{
    FreeList(model->vertexListHead.next, model->vertexBlock, model->vertexBlockCount);
    if (!model->sharedTriangles) FreeList<trio>(model->triangleListHead.next, nullptr, 0);
    FreeList(model->boneListHead.next, model->boneBlock, model->boneBlockCount);
    FreePoseList(model->poseListHead.next);
    FreeModelPoseCache(model);
    if (!model->source)
    {
        for (model_material& slot : model->materials)
        {
            free(const_cast<int32_t*>(slot.indices));
            free(const_cast<float(*)[2]>(slot.texCoords));
        }
        free(model->restNormals);
    }
    mesh_mod* source = model->source;
    free(model);
    // The last copy of a source that was disposed of while it was shared takes it along.
    if (source && --source->copies <= 0 && source->disposeWhenUnshared) FreeModel(source);
}

void DisposeMeshworkModel(mesh_mod* model)
{
    if (!model) return;
    if (InModelCache(model))
    {
        OutputToConsoleF("//Refused to dispose of the cached model %s.", model->name);
        return;
    }
    if (model->copies > 0)
    {
        model->disposeWhenUnshared = 1;
        return;
    }
    FreeModel(model);
}

float InverseDegree(float a)
{
    return a >= 0.0f ? a - 360.0f : a + 360.0f;
}

static void BlendAngle(float* channel, float percent)
{
    float a = channel[0];
    float b = channel[1];
    if (std::fabs(b - a) > 180.0f) b = InverseDegree(b);
    channel[2] = b + (a - b) * 0.01f * percent;
}

static void BlendLinear(float* channel, float percent)
{
    channel[2] = channel[1] + (channel[0] - channel[1]) * 0.01f * percent;
}

void BlendModelChannels(mesh_mod* model, float percent)
{
    if (!model) return;
    model->poseStamp++;
    for (bonus* b = model->boneListHead.next; b; b = b->next)
    {
        BlendAngle(b->rotationX, percent);
        BlendAngle(b->rotationY, percent);
        BlendAngle(b->rotationZ, percent);
        BlendLinear(b->moveX, percent);
        BlendLinear(b->moveY, percent);
        BlendLinear(b->moveZ, percent);
    }
}
