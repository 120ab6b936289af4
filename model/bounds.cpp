// Model bounds and collision boxes: bone rest extents, the bone and model boxes brought up to
// date at every drawing, the view-volume test on a box, rescaling an actor's model and small
// geometric helpers. The world-space boxes describe the model as of its last drawing; nothing
// here draws.
#include "model/bounds.h"

#include "model/actor_record.h"
#include "model/mesh_records.h"
#include "model/pose_cache.h"
#include "model/posing.h"

#include <cmath>
#include <cstring>
#include <vector>

const float kWallClipConstant = 0.1f;
float planeEqs[6][4];
uint32_t gModelBoxesVersion = 0;

namespace
{

// Corner indices of each box face, in face order.
const int kFaceCorners[6][3] = {{0, 1, 3}, {4, 5, 7}, {2, 3, 6}, {0, 1, 4}, {0, 3, 4}, {1, 2, 5}};

void FillBoxCorners(vector_type corners[8], float minX, float maxX, float minY, float maxY, float minZ,
                    float maxZ)
{
    corners[0] = fastVector_Set(minX, minY, maxZ);
    corners[1] = fastVector_Set(minX, maxY, maxZ);
    corners[2] = fastVector_Set(maxX, maxY, maxZ);
    corners[3] = fastVector_Set(maxX, minY, maxZ);
    corners[4] = fastVector_Set(minX, minY, minZ);
    corners[5] = fastVector_Set(minX, maxY, minZ);
    corners[6] = fastVector_Set(maxX, maxY, minZ);
    corners[7] = fastVector_Set(maxX, minY, minZ);
}

void FillBoxPlanes(vector_type planes[6][3], const vector_type corners[8])
{
    for (int face = 0; face < 6; face++)
        for (int i = 0; i < 3; i++)
            planes[face][i] = corners[kFaceCorners[face][i]];
}

// The corner vertices of a triangle: its own corner pointers, or (for an actor's copy, whose
// triangles are its source's) the copy's vertex at each corner's number, found as
// GetVertexPtrByNumber finds it, so both give what a copy with triangles of its own would.
struct cornerLookup
{
    const std::vector<const vtx_typ*>* byNumber; // null: the triangle's own corners

    const vtx_typ* operator()(const trio* t, int i) const
    {
        if (!byNumber) return t->vertices[i];
        if (byNumber->empty()) return nullptr;
        const int n = t->vertexNumbers[i];
        if (n <= 0) return byNumber->front();
        if (n >= (int)byNumber->size()) return byNumber->back();
        return (*byNumber)[n];
    }
};

bool TriangleMovedByBone(const trio* t, const bonus* bone, const cornerLookup& corner)
{
    for (int i = 0; i < 3; i++)
    {
        const vtx_typ* v = corner(t, i);
        if (!v) continue;
        if ((v->bone == bone && v->weight > 0) || (v->secondBone == bone && v->weight < 100)) return true;
    }
    return false;
}

void ComputeBoneExtents(trio* firstTriangle, bonus* firstBone, const cornerLookup& corner)
{
    for (bonus* bone = firstBone; bone; bone = bone->next)
    {
        float minX = 1000.0f, minY = 1000.0f, minZ = 1000.0f;
        float maxX = -1000.0f, maxY = -1000.0f, maxZ = -1000.0f;
        for (trio* t = firstTriangle; t; t = t->next)
        {
            if (!TriangleMovedByBone(t, bone, corner)) continue;
            for (int i = 0; i < 3; i++)
            {
                const vtx_typ* v = corner(t, i);
                if (!v) continue;
                minX = std::fmin(minX, v->x);
                maxX = std::fmax(maxX, v->x);
                minY = std::fmin(minY, v->y);
                maxY = std::fmax(maxY, v->y);
                minZ = std::fmin(minZ, v->z);
                maxZ = std::fmax(maxZ, v->z);
            }
        }
        if (minX == 1000.0f) minX = maxX = minY = maxY = minZ = maxZ = 0.0f;
        bone->minX = minX;
        bone->maxX = maxX;
        bone->minY = minY;
        bone->maxY = maxY;
        bone->minZ = minZ;
        bone->maxZ = maxZ;
    }
}

// Rest extents of a model's bones from its own rest positions, also when its triangles are shared.
void RebuildModelExtents(mesh_mod* model)
{
    if (!model->sharedTriangles)
    {
        GetMeshworkModelHighs(model->triangleListHead.next, model->boneListHead.next);
        return;
    }
    std::vector<const vtx_typ*> byNumber;
    for (const vtx_typ* v = model->vertexListHead.next; v; v = v->next)
        byNumber.push_back(v);
    ComputeBoneExtents(model->triangleListHead.next, model->boneListHead.next, cornerLookup{&byNumber});
}

// A model-space point turned with the model (x, then y, then z) and moved with it: the two
// steps are kept apart so a box that only moved reuses its turned corners.
vector_type Turned(vector_type p, vector_type rotation)
{
    return RotateVector(p, fastVector_Set(0.0f, 0.0f, 0.0f), rotation.x, rotation.y, rotation.z);
}

vector_type Moved(vector_type turned, vector_type position)
{
    return fastVector_Set(turned.x + position.x, turned.y + position.y, turned.z + position.z);
}

int SameBits(vector_type a, vector_type b)
{
    return memcmp(&a, &b, sizeof a) == 0;
}

float GroundDistance(vector_type a, vector_type b)
{
    return std::sqrt(squareOf(a.x - b.x) + squareOf(a.z - b.z));
}

// Factor that takes present to target; 0 targets and unmeasured sizes keep the size.
float SizeFactor(float target, float present)
{
    if (target == 0.0f || present == 0.0f) return 1.0f;
    return target / present;
}

// Bounds of every face point of the bone and model boxes, as the collision code tests them.
void StoreBoxBounds(mesh_mod* model)
{
    vector_type lo = model->boxCorners[0], hi = model->boxCorners[0];
    auto take = [&](const vector_type& p)
    {
        lo.x = std::fmin(lo.x, p.x), hi.x = std::fmax(hi.x, p.x);
        lo.y = std::fmin(lo.y, p.y), hi.y = std::fmax(hi.y, p.y);
        lo.z = std::fmin(lo.z, p.z), hi.z = std::fmax(hi.z, p.z);
    };
    for (const vector_type& c : model->boxCorners)
        take(c);
    for (const bonus* bone = model->boneListHead.next; bone; bone = bone->next)
        for (const vector_type& c : bone->boxCorners)
            take(c);
    model->boxMin = lo;
    model->boxMax = hi;
}

} // namespace

void GetMeshworkModelHighs(trio* firstTriangle, bonus* firstBone)
{
    ComputeBoneExtents(firstTriangle, firstBone, cornerLookup{nullptr});
}

void CreateBoneBox(bonus* bone)
{
    if (!bone) return;
    FillBoxCorners(bone->boxCorners, bone->minX, bone->maxX, bone->minY, bone->maxY, bone->minZ, bone->maxZ);
}

void CreateBoneBoxCenter(bonus* bone)
{
    if (!bone) return;
    vector_type sum = fastVector_Set(0.0f, 0.0f, 0.0f);
    for (int k = 0; k < 8; k++)
    {
        sum.x += bone->boxCorners[k].x;
        sum.y += bone->boxCorners[k].y;
        sum.z += bone->boxCorners[k].z;
    }
    bone->boxCenter = fastVector_Set(sum.x * 0.125f, sum.y * 0.125f, sum.z * 0.125f);
}

void BoneBoxToCollisionPlanes(bonus* bone)
{
    if (bone) FillBoxPlanes(bone->boxPlanes, bone->boxCorners);
}

void ModelBoxToCollisionPlanes(mesh_mod* model)
{
    if (model) FillBoxPlanes(model->boxPlanes, model->boxCorners);
}

// Every bone box carried through its chain (each bone's boxCenter is left posed, in model space),
// the model-space hull of them all widened into the model box, and every corner and the top
// turned with the model; kept in the cache for PlaceBoxes.
static void PoseAndTurnBoxes(mesh_mod* model, model_pose_cache* cache, vector_type rotation)
{
    float minX = 1000.0f, minY = 1000.0f, minZ = 1000.0f;
    float maxX = -1000.0f, maxY = -1000.0f, maxZ = -1000.0f;
    int i = 0;
    for (bonus* bone = model->boneListHead.next; bone && i < cache->boneCount; bone = bone->next, i++)
    {
        CreateBoneBox(bone);
        CreateBoneBoxCenter(bone);
        bone->boxCenter = PoseVertex(bone, bone->boxCenter.x, bone->boxCenter.y, bone->boxCenter.z);
        for (int k = 0; k < 8; k++)
        {
            vector_type c =
                PoseVertex(bone, bone->boxCorners[k].x, bone->boxCorners[k].y, bone->boxCorners[k].z);
            minX = std::fmin(minX, c.x);
            maxX = std::fmax(maxX, c.x);
            minY = std::fmin(minY, c.y);
            maxY = std::fmax(maxY, c.y);
            minZ = std::fmin(minZ, c.z);
            maxZ = std::fmax(maxZ, c.z);
            cache->bones[i].turned[k] = Turned(c, rotation);
        }
    }
    // A model without bones has nothing to measure; its box shrinks to the origin rather than
    // turning inside out.
    if (minX > maxX) minX = maxX = minY = maxY = minZ = maxZ = 0.0f;

    vector_type corners[8];
    FillBoxCorners(corners, minX - kWallClipConstant, maxX + kWallClipConstant, minY, maxY,
                   minZ - kWallClipConstant, maxZ + kWallClipConstant);
    cache->topTurned = Turned(fastVector_Set(0.0f, maxY, 0.0f), rotation);
    for (int k = 0; k < 8; k++)
        cache->modelTurned[k] = Turned(corners[k], rotation);
}

// The turned boxes moved to position: bone and model corners, their faces, topPoint and the
// bounds of them all.
static void PlaceBoxes(mesh_mod* model, const model_pose_cache* cache, vector_type position)
{
    int i = 0;
    for (bonus* bone = model->boneListHead.next; bone && i < cache->boneCount; bone = bone->next, i++)
    {
        for (int k = 0; k < 8; k++)
            bone->boxCorners[k] = Moved(cache->bones[i].turned[k], position);
        BoneBoxToCollisionPlanes(bone);
    }
    model->topPoint = Moved(cache->topTurned, position);
    for (int k = 0; k < 8; k++)
        model->boxCorners[k] = Moved(cache->modelTurned[k], position);
    ModelBoxToCollisionPlanes(model);
    StoreBoxBounds(model);
}

void UpdateModelBoxes(mesh_mod* model, vector_type position, vector_type rotation)
{
    if (!model) return;
    // Three steps, each done again only when what it depends on changed: posing the boxes (the
    // bone inputs), turning them (and the rotation), moving them (and the position). A standing
    // actor skips all three, an actor pushed about in one pose only moves its boxes, a walker,
    // whose pose changes every tick, does all three. Each step computes what the full rebuild
    // computes, so the boxes come out the same to the bit.
    model_pose_cache* cache = CheckModelPoseInputs(model);
    if (!cache->turnedKnown || cache->turnedVersion != cache->inputsVersion ||
        !SameBits(rotation, cache->turnedRotation))
    {
        PoseAndTurnBoxes(model, cache, rotation);
        cache->turnedKnown = 1;
        cache->turnedVersion = cache->inputsVersion;
        cache->turnedRotation = rotation;
        cache->placedKnown = 0;
    }
    if (!cache->placedKnown || !SameBits(position, cache->placedPosition))
    {
        PlaceBoxes(model, cache, position);
        cache->placedKnown = 1;
        cache->placedPosition = position;
        gModelBoxesVersion++;
    }
    model->boxValid = 1;
}

int CheckBoxWithPlanes(const vector_type corners[8])
{
    for (int plane = 0; plane < 6; plane++)
    {
        const float* e = planeEqs[plane];
        int outside = 0;
        for (int k = 0; k < 8; k++)
            if (e[0] * corners[k].x + e[1] * corners[k].y + e[2] * corners[k].z + e[3] < 0.0f) outside++;
        if (outside == 8) return 1;
    }
    return 0;
}

void ScaleModelTo(human_being* actor, float sx, float sy, float sz, int absolute)
{
    if (!actor || !actor->model) return;
    mesh_mod* model = actor->model;
    float fx = sx, fy = sy, fz = sz;
    if (absolute)
    {
        // Sizes of the box of the last drawing, margins included; unmeasured before that.
        float width = 0.0f, height = 0.0f, depth = 0.0f;
        if (model->boxValid)
        {
            const vector_type* c = model->boxCorners;
            width = GroundDistance(c[4], c[7]);
            depth = GroundDistance(c[4], c[0]);
            height = std::fabs(c[4].y - c[5].y);
        }
        fx = SizeFactor(sx, width);
        fy = SizeFactor(sy, height);
        fz = SizeFactor(sz, depth);
    }
    for (vtx_typ* v = model->vertexListHead.next; v; v = v->next)
    {
        v->x *= fx;
        v->y *= fy;
        v->z *= fz;
    }
    for (bonus* b = model->boneListHead.next; b; b = b->next)
    {
        b->pivot.x *= fx;
        b->pivot.y *= fy;
        b->pivot.z *= fz;
    }
    RebuildModelExtents(model);
    // The rest positions moved: the pose cache cannot see that by its bone comparison alone.
    ForgetModelPose(model);
}

char VertexIsPartOfTriangle(vector_type v, const trio* t)
{
    if (!t) return 0;
    for (int i = 0; i < 3; i++)
    {
        const vtx_typ* corner = t->vertices[i];
        if (corner && EqualVector(v, fastVector_Set(corner->x, corner->y, corner->z))) return (char)(i + 1);
    }
    return 0;
}

int EqualVector(vector_type a, vector_type b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

float GetTwoPointAngle(fpoint a, fpoint b)
{
    double dx = (double)a.x - b.x;
    double dz = (double)a.y - b.y;
    double r = std::sqrt(dx * dx + dz * dz);
    if (!(r > 0.0) || !std::isfinite(r)) return 0.0f;
    double ratio = dz / r;
    if (ratio > 1.0) ratio = 1.0;
    if (ratio < -1.0) ratio = -1.0;
    double theta = std::asin(ratio);
    if (dx > 0.0) theta = 3.14159265358979323846 - theta;
    return GetCorrectDegree((float)(theta * 57.29577951308232 + 90.0));
}
