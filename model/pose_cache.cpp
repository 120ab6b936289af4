// The per-model pose cache: the bone inputs last seen, the posed vertex positions made from them
// and the shared rest normals. Nothing here draws; the boxes' layers are filled by the bounds code.
#include "model/pose_cache.h"

#include "core/output.h"
#include "model/mesh_records.h"
#include "model/posing.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{

void GatherInputs(const bonus* b, float in[15])
{
    in[0] = b->rotationX[2];
    in[1] = b->rotationY[2];
    in[2] = b->rotationZ[2];
    in[3] = b->moveX[2];
    in[4] = b->moveY[2];
    in[5] = b->moveZ[2];
    in[6] = b->pivot.x;
    in[7] = b->pivot.y;
    in[8] = b->pivot.z;
    in[9] = b->minX;
    in[10] = b->maxX;
    in[11] = b->minY;
    in[12] = b->maxY;
    in[13] = b->minZ;
    in[14] = b->maxZ;
}

void GatherChannels(const bonus* b, float out[18])
{
    const float* arrays[6] = {b->rotationX, b->rotationY, b->rotationZ, b->moveX, b->moveY, b->moveZ};
    for (int a = 0; a < 6; a++)
        for (int k = 0; k < 3; k++)
            out[a * 3 + k] = arrays[a][k];
}

// 1 when the n floats of a and b have the same bits.
bool SameBits(const float* a, const float* b, int n)
{
    for (int i = 0; i < n; i++)
    {
        uint32_t x, y;
        memcpy(&x, &a[i], sizeof x);
        memcpy(&y, &b[i], sizeof y);
        if (x != y) return false;
    }
    return true;
}

// Vertices in the list from first, at most kMaxPosedVertices.
int CountVertices(const vtx_typ* first, int* more)
{
    int n = 0;
    *more = 0;
    for (const vtx_typ* v = first; v; v = v->next)
    {
        if (n == kMaxPosedVertices)
        {
            *more = 1;
            break;
        }
        n++;
    }
    return n;
}

// Entries an array by vertex number needs for model: every listed vertex, and every number below
// vertexCount, which element lists may name.
int EntriesFor(const mesh_mod* model, int listed)
{
    int wanted = model->vertexCount > listed ? model->vertexCount : listed;
    return wanted > kMaxPosedVertices ? kMaxPosedVertices : wanted;
}

void PoseVertices(mesh_mod* model, model_pose_cache* c)
{
    static const mesh_mod* reportedModel = nullptr;
    int more = 0;
    const int listed = CountVertices(model->vertexListHead.next, &more);
    if (more && reportedModel != model)
    {
        OutputToConsoleF("//Model %s has more than %d vertices; only those are posed.", model->name,
                         kMaxPosedVertices);
        reportedModel = model;
    }
    const int entries = EntriesFor(model, listed);
    if (entries != c->posedCount)
    {
        free(c->posed);
        c->posed = entries ? static_cast<float(*)[3]>(malloc(sizeof(float[3]) * entries)) : nullptr;
        c->posedCount = entries;
    }
    int i = 0;
    for (const vtx_typ* v = model->vertexListHead.next; v && i < listed; v = v->next, i++)
    {
        vector_type p = PoseWeightedVertex(v);
        c->posed[i][0] = p.x;
        c->posed[i][1] = p.y;
        c->posed[i][2] = p.z;
    }
    if (entries > i) memset(c->posed + i, 0, sizeof(float[3]) * (entries - i));
    c->posedKnown = 1;
    c->posedVersion = c->inputsVersion;
    c->posedFirstVertex = model->vertexListHead.next;
    c->posedVertexCount = model->vertexCount;
}

} // namespace

model_pose_cache* CheckModelPoseInputs(mesh_mod* model)
{
    if (!model) return nullptr;
    model_pose_cache* c = model->poseCache;
    if (!c) c = model->poseCache = static_cast<model_pose_cache*>(calloc(1, sizeof(model_pose_cache)));
    if (c->inputsChecked)
    {
        c->inputsChecked = 0;
        return c;
    }
    // The inputs are compared rather than trusted to writers that report a change: poses, blends,
    // scripts, tools and tests all write bone channels, and a dozen bones compare in less time
    // than one vertex takes to pose. The comparison is bitwise, so a result is reused only for the
    // very same inputs (-0 and 0 differ; a NaN equals itself and gives the same result again).
    int changed = !c->inputsKnown;
    int i = 0;
    const bonus* b = model->boneListHead.next;
    for (; b && i < c->boneCount; b = b->next, i++)
    {
        posed_bone* p = &c->bones[i];
        float in[15];
        GatherInputs(b, in);
        if (!changed && p->bone == b && p->parent == b->parent && SameBits(in, p->inputs, 15)) continue;
        changed = 1;
        p->bone = b;
        p->parent = b->parent;
        memcpy(p->inputs, in, sizeof in);
    }
    if (b || i != c->boneCount)
    {
        // The bone list is not the one the cache was sized for: size it anew and take every bone.
        int count = 0;
        for (b = model->boneListHead.next; b; b = b->next)
            count++;
        free(c->bones);
        c->bones = count ? static_cast<posed_bone*>(calloc(count, sizeof(posed_bone))) : nullptr;
        c->boneCount = count;
        c->inputsKnown = 0;
        c->blendKnown = 0;
        return CheckModelPoseInputs(model);
    }
    if (changed)
    {
        c->inputsVersion++;
        c->inputsKnown = 1;
    }
    return c;
}

const float (*PosedModelVertices(mesh_mod* model, int* count))[3]
{
    *count = 0;
    if (!model) return nullptr;
    model_pose_cache* c = CheckModelPoseInputs(model);
    if (!c->posedKnown || c->posedVersion != c->inputsVersion ||
        c->posedFirstVertex != model->vertexListHead.next || c->posedVertexCount != model->vertexCount)
        PoseVertices(model, c);
    *count = c->posedCount;
    return c->posed;
}

const float (*ModelRestNormals(mesh_mod* model, int* count))[3]
{
    *count = 0;
    mesh_mod* source = ModelDataSource(model);
    if (!source) return nullptr;
    if (!source->restNormals)
    {
        int more = 0;
        const int listed = CountVertices(source->vertexListHead.next, &more);
        const int entries = EntriesFor(source, listed);
        if (!entries) return nullptr;
        source->restNormals = static_cast<float(*)[3]>(calloc(entries, sizeof(float[3])));
        source->restNormalCount = entries;
        int i = 0;
        for (const vtx_typ* v = source->vertexListHead.next; v && i < listed; v = v->next, i++)
        {
            source->restNormals[i][0] = v->normal.x;
            source->restNormals[i][1] = v->normal.y;
            source->restNormals[i][2] = v->normal.z;
        }
    }
    *count = source->restNormalCount;
    return source->restNormals;
}

int BlendModelPose(mesh_mod* model, float percent)
{
    if (!model) return 0;
    model_pose_cache* c = model->poseCache;
    // A standing actor's blend runs to and fro between two equal poses: the percent changes every
    // tick, the blended values never.
    const bool percentKept =
        c && (SameBits(&percent, &c->blendPercent, 1) || (c->blendIgnoresPercent && std::isfinite(percent)));
    if (percentKept && c->blendKnown && c->blendStamp == model->poseStamp)
    {
        c->inputsChecked = 1;
        return 0;
    }
    if (percentKept && c->blendKnown)
    {
        bool same = true;
        int i = 0;
        const bonus* b = model->boneListHead.next;
        for (; b && same && i < c->boneCount; b = b->next, i++)
        {
            const posed_bone* p = &c->bones[i];
            float channels[18], in[15];
            GatherChannels(b, channels);
            GatherInputs(b, in);
            same = p->bone == b && p->parent == b->parent && SameBits(channels, p->channels, 18) &&
                   SameBits(in + 6, p->inputs + 6, 9);
        }
        if (same && !b && i == c->boneCount)
        {
            c->blendStamp = model->poseStamp;
            c->inputsChecked = 1;
            return 0;
        }
    }
    BlendModelChannels(model, percent);
    c = CheckModelPoseInputs(model);
    int i = 0;
    c->blendIgnoresPercent = 1;
    for (const bonus* b = model->boneListHead.next; b && i < c->boneCount; b = b->next, i++)
    {
        float* channels = c->bones[i].channels;
        GatherChannels(b, channels);
        for (int k = 0; k < 18; k += 3)
            if (!SameBits(&channels[k], &channels[k + 1], 1) || !SameBits(&channels[k], &channels[k + 2], 1))
                c->blendIgnoresPercent = 0;
    }
    c->blendPercent = percent;
    c->blendStamp = model->poseStamp;
    c->blendKnown = 1;
    c->inputsChecked = 1;
    return 1;
}

void ForgetModelPose(mesh_mod* model)
{
    if (!model || !model->poseCache) return;
    model_pose_cache* c = model->poseCache;
    c->blendKnown = 0;
    c->inputsChecked = 0;
    c->inputsKnown = 0;
    c->posedKnown = 0;
    c->turnedKnown = 0;
    c->placedKnown = 0;
}
