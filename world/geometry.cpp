// Level geometry from the placed level models: quads, platforms, walls and the view-volume test.
// Everything here runs at level load, except RecalculatePlanes and CheckQuadWithPlanes, which the
// scene drawing calls every frame.
#include "world/geometry.h"

#include "core/vecmath.h"
#include "model/bounds.h"
#include "model/mesh_records.h"
#include "world/level_index.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

const float kWalkableSlope = 0.6f;

uint32_t gLevelGeometryVersion = 0;

namespace
{

template <typename T> T* AllocRecord()
{
    return static_cast<T*>(calloc(1, sizeof(T)));
}

// The cursors are left on the tail by every append; after a dispose they rest on the heads.
template <typename T> T* AppendTo(T** cursor, T* item)
{
    (*cursor)->next = item;
    *cursor = item;
    return item;
}

template <typename T> void FreeList(T* head)
{
    T* item = head->next;
    while (item)
    {
        T* next = item->next;
        free(item);
        item = next;
    }
    head->next = nullptr;
}

vector_type VertexPosition(const vtx_typ* v)
{
    return fastVector_Set(v->x, v->y, v->z);
}

quadCorner Corner(vector_type p, float u, float v)
{
    quadCorner c;
    c.position = p;
    c.u = u;
    c.v = v;
    return c;
}

bool SameGroundSpot(vector_type a, vector_type b)
{
    return a.x == b.x && a.z == b.z;
}

// The fourth corner of the vertical rectangle of which the triangle a, b, c is one half: the
// corner at the height the triangle's horizontal edge lacks, beside whichever corner is not
// already spanned by a vertical edge.
vector_type CompleteVerticalRectangle(vector_type a, vector_type b, vector_type c)
{
    vector_type d;
    if (b.y == a.y)
    {
        d = SameGroundSpot(c, a) ? b : a;
        d.y = c.y;
    }
    else if (c.y == a.y)
    {
        d = SameGroundSpot(b, a) ? c : a;
        d.y = b.y;
    }
    else
    {
        d = SameGroundSpot(a, b) ? c : b;
        d.y = a.y;
    }
    return d;
}

bool AllVerticesOfBone(const trio* t, const char* signature)
{
    for (int i = 0; i < 3; i++)
        if (!t->vertices[i] || !VXR_EqualString(t->vertices[i]->boneSignature, signature)) return false;
    return true;
}

void AppendPlatform(float height, vector_type a, vector_type b, vector_type c, bool grow)
{
    platfor* p = AppendTo(&platPtr, AllocRecord<platfor>());
    p->height = height;
    p->points[0] = a;
    p->points[1] = b;
    p->points[2] = c;
    if (grow) ScalePlatform(p->points);
    gNumPlatforms++;
}

float GroundDistanceSquared(vector_type a, vector_type b)
{
    return squareOf(a.x - b.x) + squareOf(a.z - b.z);
}

// Unit direction of the angle (degrees) in the ground plane, in the convention of the plane
// angles: 0 along +x, 90 along +z.
void GroundDirection(float degrees, float* x, float* z)
{
    *x = std::cos(degrees * kPiOver180);
    *z = std::sin(degrees * kPiOver180);
}

void AppendWall(fourcorner* q)
{
    const vector_type c0 = q->corners[0].position;
    const vector_type c1 = q->corners[1].position;
    const vector_type c2 = q->corners[2].position;

    // The base edge is the edge closest to level; its direction fixes which way the wall faces.
    vector_type P, Q;
    switch (
        GetLowestFloatIndexOfList(3, std::fabs(c0.y - c1.y), std::fabs(c0.y - c2.y), std::fabs(c2.y - c1.y)))
    {
    case 0:
        P = c0, Q = c1;
        break;
    case 1:
        P = c0, Q = c2;
        break;
    default:
        P = c1, Q = c2;
        break;
    }

    // An upright base edge has no ground direction; its plane angle is then 0, and the turned
    // normal still picks the side to push to.
    const float edgeAngle = GetVectorAngles(Q, P).y;

    vertWall* w = AppendTo(&wallPtr, AllocRecord<vertWall>());
    w->angle = GetCorrectDegree(edgeAngle - 90.0f);
    w->quad = q;

    // Both base ends move kWallClipConstant out to the normal's side and apart along the edge.
    // In a frame turned so that the edge runs from P toward -z, that is a step along local x
    // and a lengthening along z; in world terms along the edge direction and its perpendicular.
    vector_type moveP = fastVector_Set(0, 0, 0), moveQ = moveP;
    if (!(q->flags & kQuadInvisible))
    {
        float ex, ez; // from P toward Q
        GroundDirection(edgeAngle, &ex, &ez);
        float sx, sz; // local +x
        GroundDirection(edgeAngle + 90.0f, &sx, &sz);
        float side = (q->normal.x * sx + q->normal.z * sz) < 0.0f ? -kWallClipConstant : kWallClipConstant;
        moveQ = fastVector_Set(side * sx + kWallClipConstant * ex, 0.0f, side * sz + kWallClipConstant * ez);
        moveP = fastVector_Set(side * sx - kWallClipConstant * ex, 0.0f, side * sz - kWallClipConstant * ez);
    }
    for (int i = 0; i < 3; i++)
    {
        vector_type v = q->collisionTriangle[i];
        const vector_type& m = GroundDistanceSquared(v, P) < GroundDistanceSquared(v, Q) ? moveP : moveQ;
        w->triangle[i] = fastVector_Set(v.x + m.x, v.y + m.y, v.z + m.z);
    }
}

} // namespace

mesh_mod* AnalizeModelForCollisionPlanes(mesh_mod* model, vector_type angles, vector_type position,
                                         float scale)
{
    if (!model) return nullptr;
    gLevelGeometryVersion++;
    model->placementRotation = angles;
    model->placementPosition = position;
    model->placementScale = scale;

    const vector_type origin = fastVector_Set(0, 0, 0);
    const float factor = scale * 0.01f;
    for (vtx_typ* v = model->vertexListHead.next; v; v = v->next)
    {
        vector_type p = RotateVector(fastVector_Set(v->x * factor, v->y * factor, v->z * factor), origin,
                                     angles.x, angles.y, angles.z);
        v->x = p.x + position.x;
        v->y = p.y + position.y;
        v->z = p.z + position.z;
    }

    for (trio* t = model->triangleListHead.next; t; t = t->next)
    {
        if (!t->vertices[0] || !t->vertices[1] || !t->vertices[2]) continue;
        const vector_type a = VertexPosition(t->vertices[0]);
        const vector_type b = VertexPosition(t->vertices[1]);
        const vector_type c = VertexPosition(t->vertices[2]);
        fourcorner* q = AppendTo(&quadPtr, AllocRecord<fourcorner>());
        if (t->normal.y != 0.0f)
        {
            q->corners[0] = Corner(a, t->u[0], t->v[0]);
            q->corners[1] = Corner(b, t->u[1], t->v[1]);
            q->corners[2] = Corner(c, t->u[2], t->v[2]);
            q->corners[3] = q->corners[2];
        }
        else
        {
            q->corners[0] = Corner(b, t->u[1], t->v[1]);
            q->corners[1] = Corner(c, t->u[2], t->v[2]);
            q->corners[2] = Corner(a, t->u[0], t->v[0]);
            q->corners[3] = Corner(CompleteVerticalRectangle(a, b, c), 0.0f, 0.0f);
        }
        if (AllVerticesOfBone(t, "invs")) q->flags |= kQuadInvisible;
        if (AllVerticesOfBone(t, "nocl")) q->flags |= kQuadNoCollision;
        q->triangle = t;
        q->texture = t->material ? t->material->textureId : 0;
    }
    return model;
}

void BuildWorldNormals()
{
    for (fourcorner* q = baseQ.next; q; q = q->next)
        q->normal = GetNormalOfTrig(q->corners[0].position, q->corners[1].position, q->corners[2].position);
}

void GenerateLevelFromQuads()
{
    gLevelGeometryVersion++;
    for (fourcorner* q = baseQ.next; q; q = q->next)
    {
        const vector_type c0 = q->corners[0].position;
        const vector_type c1 = q->corners[1].position;
        const vector_type c2 = q->corners[2].position;
        const vector_type c3 = q->corners[3].position;
        q->collisionTriangle[0] = c0;
        q->collisionTriangle[1] = c2;
        q->collisionTriangle[2] = c1;
        if (q->flags & kQuadNoCollision) continue;

        const bool grow = !(q->flags & kQuadInvisible);
        if (c0.y == c1.y && c0.y == c2.y && c0.y == c3.y)
            AppendPlatform(c0.y, c0, c3, c1, grow);
        else if (std::fabs(q->normal.y) > kWalkableSlope)
        {
            // The triangle itself (corners 0 to 2): corner 3 is the rectangle's far corner on a
            // quad made from an upright model triangle that the placement tilted into a slope.
            float low = std::fmin(std::fmin(c0.y, c1.y), std::fmin(c2.y, c3.y));
            AppendPlatform(low, c0, c1, c2, grow);
        }
        else
            AppendWall(q);
    }
    BuildLevelIndex();
}

void ScalePlatform(vector_type points[3])
{
    for (int axis = 0; axis < 3; axis++)
    {
        float* c[3];
        for (int i = 0; i < 3; i++)
            c[i] = axis == 0 ? &points[i].x : axis == 1 ? &points[i].y : &points[i].z;
        float low = std::fmin(*c[0], std::fmin(*c[1], *c[2]));
        float high = std::fmax(*c[0], std::fmax(*c[1], *c[2]));
        float extent = high - low;
        if (extent == 0.0f) continue;
        float middle = low + extent * 0.5f;
        float stretch = (extent + 2.0f * kWallClipConstant) / extent;
        for (int i = 0; i < 3; i++)
            *c[i] = middle + (*c[i] - middle) * stretch;
    }
}

void DisposeLevelGeometry()
{
    FreeList(&baseQ);
    FreeList(&baseP);
    FreeList(&baseWall);
    quadPtr = &baseQ;
    platPtr = &baseP;
    wallPtr = &baseWall;
    gNumPlatforms = 0;
    gLevelGeometryVersion++;
    DisposeLevelIndex();
}

void RecalculatePlanes()
{
    float mv[16], pr[16], clip[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    glGetFloatv(GL_PROJECTION_MATRIX, pr);
    // Column-major: element (row r, column c) is at [c * 4 + r].
    for (int c = 0; c < 4; c++)
        for (int r = 0; r < 4; r++)
            clip[c * 4 + r] = pr[0 * 4 + r] * mv[c * 4 + 0] + pr[1 * 4 + r] * mv[c * 4 + 1] +
                              pr[2 * 4 + r] * mv[c * 4 + 2] + pr[3 * 4 + r] * mv[c * 4 + 3];
    // Right, left, bottom, top, far, near: the fourth row minus or plus each of the first three.
    for (int row = 0; row < 3; row++)
        for (int sign = 0; sign < 2; sign++)
        {
            float* plane = planeEqs[row * 2 + sign];
            for (int c = 0; c < 4; c++)
                plane[c] =
                    sign == 0 ? clip[c * 4 + 3] - clip[c * 4 + row] : clip[c * 4 + 3] + clip[c * 4 + row];
        }
}

int CheckQuadWithPlanes(const fourcorner* quad)
{
    if (!quad) return 0;
    for (int plane = 0; plane < 6; plane++)
    {
        const float* e = planeEqs[plane];
        int outside = 0;
        for (int k = 0; k < 4; k++)
        {
            const vector_type& p = quad->corners[k].position;
            if (e[0] * p.x + e[1] * p.y + e[2] * p.z + e[3] < 0.0f) outside++;
        }
        if (outside == 4) return 1;
    }
    return 0;
}
