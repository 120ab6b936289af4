// Model bounds: bone membership by weight, the bone and model boxes with their corner and face
// orders, the view-volume test, rescaling an actor's model and the ground heading.
#include "model/bounds.h"

#include "model/mesh_records.h"
#include "model/posing.h"
#include "world/humans.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{

mesh_mod* NewModel()
{
    return static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
}

bonus* AddBone(mesh_mod* m, const char* signature, const char* parent)
{
    bonus* b = NewBone();
    snprintf(b->signature, sizeof b->signature, "%s", signature);
    snprintf(b->parentSignature, sizeof b->parentSignature, "%s", parent);
    bonus* tail = &m->boneListHead;
    while (tail->next)
        tail = tail->next;
    tail->next = b;
    LinkBones(m->boneListHead.next);
    return b;
}

vtx_typ* AddVertex(mesh_mod* m, float x, float y, float z, bonus* bone, bonus* second = nullptr,
                   int weight = 100)
{
    vtx_typ* v = static_cast<vtx_typ*>(calloc(1, sizeof(vtx_typ)));
    *v = {};
    v->x = x;
    v->y = y;
    v->z = z;
    v->bone = bone;
    v->secondBone = second;
    v->weight = weight;
    vtx_typ* tail = &m->vertexListHead;
    while (tail->next)
        tail = tail->next;
    tail->next = v;
    m->vertexCount++;
    return v;
}

trio* AddTriangle(mesh_mod* m, vtx_typ* a, vtx_typ* b, vtx_typ* c)
{
    trio* t = static_cast<trio*>(calloc(1, sizeof(trio)));
    t->vertices[0] = a;
    t->vertices[1] = b;
    t->vertices[2] = c;
    trio* tail = &m->triangleListHead;
    while (tail->next)
        tail = tail->next;
    tail->next = t;
    m->triangleCount++;
    return t;
}

// One root bone whose two triangles span (-1, 0, -1) to (1, 2, 1).
mesh_mod* NewBlock()
{
    mesh_mod* m = NewModel();
    bonus* root = AddBone(m, "None", "None");
    // One vertex a statement: the list order is the vertex numbering.
    const float corners[6][3] = {{-1, 0, -1}, {1, 0, -1}, {1, 2, 1}, {-1, 0, 1}, {0, 1, 0}, {1, 2, 1}};
    vtx_typ* v[6];
    for (int i = 0; i < 6; i++)
        v[i] = AddVertex(m, corners[i][0], corners[i][1], corners[i][2], root);
    AddTriangle(m, v[0], v[1], v[2]);
    AddTriangle(m, v[3], v[4], v[5]);
    GetMeshworkModelHighs(m->triangleListHead.next, m->boneListHead.next);
    return m;
}

void ExpectVector(vector_type v, float x, float y, float z, float tolerance = 1e-4f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

void SetPlane(int i, float a, float b, float c, float d)
{
    planeEqs[i][0] = a;
    planeEqs[i][1] = b;
    planeEqs[i][2] = c;
    planeEqs[i][3] = d;
}

void BoxCorners(vector_type out[8], float x0, float x1, float y0, float y1, float z0, float z1)
{
    bonus b = {};
    b.minX = x0;
    b.maxX = x1;
    b.minY = y0;
    b.maxY = y1;
    b.minZ = z0;
    b.maxZ = z1;
    CreateBoneBox(&b);
    memcpy(out, b.boxCorners, sizeof b.boxCorners);
}

} // namespace

TEST(Bounds, BoneExtentsCoverTheTrianglesTheBoneMoves)
{
    mesh_mod* m = NewModel();
    bonus* root = AddBone(m, "None", "None");
    bonus* a = AddBone(m, "a", "None");
    bonus* b = AddBone(m, "b", "None");
    // weight 100: first bone only; 0: second bone only; 40: both.
    AddTriangle(m, AddVertex(m, 0, 0, 0, a, b, 100), AddVertex(m, 1, 1, 1, a, b, 100),
                AddVertex(m, 0, 1, 0, a, b, 100));
    AddTriangle(m, AddVertex(m, 10, -5, 0, a, b, 0), AddVertex(m, 11, 0, 0, a, b, 0),
                AddVertex(m, 10, 0, 2, a, b, 0));
    AddTriangle(m, AddVertex(m, 20, 0, -3, a, b, 40), AddVertex(m, 21, 0, 0, a, b, 40),
                AddVertex(m, 20, 3, 0, a, b, 40));
    // One vertex is enough: the whole triangle counts, even its corners on other bones.
    AddTriangle(m, AddVertex(m, -7, 0, 0, root), AddVertex(m, -8, 0, 0, root),
                AddVertex(m, -6, 0, 9, a, b, 100));
    GetMeshworkModelHighs(m->triangleListHead.next, m->boneListHead.next);

    EXPECT_EQ(a->minX, -8);
    EXPECT_EQ(a->maxX, 21);
    EXPECT_EQ(a->minY, 0);
    EXPECT_EQ(a->maxY, 3);
    EXPECT_EQ(a->minZ, -3);
    EXPECT_EQ(a->maxZ, 9);
    EXPECT_EQ(b->minX, 10);
    EXPECT_EQ(b->maxX, 21);
    EXPECT_EQ(b->minY, -5);
    EXPECT_EQ(b->maxZ, 2);
    EXPECT_EQ(root->minX, -8);
    EXPECT_EQ(root->maxX, -6);

    // A bone that moves nothing has a zero extent, so its box is the posed origin.
    bonus* idle = AddBone(m, "idle", "None");
    idle->pivot = {5, 5, 5};
    GetMeshworkModelHighs(m->triangleListHead.next, m->boneListHead.next);
    EXPECT_EQ(idle->minX, 0);
    EXPECT_EQ(idle->maxX, 0);
    EXPECT_EQ(idle->maxY, 0);
    EXPECT_EQ(idle->minZ, 0);
    idle->moveY[2] = 1;
    UpdateModelBoxes(m, {0, 0, 0}, {0, 0, 0});
    for (int k = 0; k < 8; k++)
        ExpectVector(idle->boxCorners[k], 0, 1, 0);
    DisposeMeshworkModel(m);
}

TEST(Bounds, ModelBoxIsTheWidenedHullInCornerAndFaceOrder)
{
    mesh_mod* m = NewBlock();
    EXPECT_EQ(m->boxValid, 0);
    UpdateModelBoxes(m, {0, 0, 0}, {0, 0, 0});
    EXPECT_EQ(m->boxValid, 1);
    const float expected[8][3] = {{-1.1f, 0, 1.1f},  {-1.1f, 2, 1.1f},  {1.1f, 2, 1.1f},  {1.1f, 0, 1.1f},
                                  {-1.1f, 0, -1.1f}, {-1.1f, 2, -1.1f}, {1.1f, 2, -1.1f}, {1.1f, 0, -1.1f}};
    for (int k = 0; k < 8; k++)
        ExpectVector(m->boxCorners[k], expected[k][0], expected[k][1], expected[k][2]);
    ExpectVector(m->topPoint, 0, 2, 0);
    const int faces[6][3] = {{0, 1, 3}, {4, 5, 7}, {2, 3, 6}, {0, 1, 4}, {0, 3, 4}, {1, 2, 5}};
    bonus* root = m->boneListHead.next;
    for (int f = 0; f < 6; f++)
        for (int i = 0; i < 3; i++)
        {
            EXPECT_TRUE(EqualVector(m->boxPlanes[f][i], m->boxCorners[faces[f][i]])) << f << "," << i;
            EXPECT_TRUE(EqualVector(root->boxPlanes[f][i], root->boxCorners[faces[f][i]])) << f << "," << i;
        }
    ExpectVector(root->boxCorners[0], -1, 0, 1); // bone boxes have no margin
    ExpectVector(root->boxCorners[6], 1, 2, -1);
    ExpectVector(root->boxCenter, 0, 1, 0);

    // Turned a quarter about y and moved: (x, z) goes to (z, -x), then the offset.
    UpdateModelBoxes(m, {5, 0, -3}, {0, 90, 0});
    ExpectVector(root->boxCorners[0], 6, 0, -2);
    ExpectVector(m->boxCorners[0], 5 + 1.1f, 0, -3 + 1.1f);
    ExpectVector(m->boxCorners[6], 5 - 1.1f, 2, -3 - 1.1f);
    ExpectVector(m->topPoint, 5, 2, -3);
    ExpectVector(root->boxCenter, 0, 1, 0); // the centre stays in model space
    DisposeMeshworkModel(m);
}

TEST(Bounds, BoxesFollowThePose)
{
    mesh_mod* m = NewModel();
    bonus* root = AddBone(m, "None", "None");
    bonus* arm = AddBone(m, "arm", "None");
    AddTriangle(m, AddVertex(m, 0, 0, -0.5f, arm), AddVertex(m, 2, 0.5f, 0.5f, arm),
                AddVertex(m, 1, 0, 0, arm));
    GetMeshworkModelHighs(m->triangleListHead.next, m->boneListHead.next);
    arm->rotationZ[2] = 90; // the arm points up
    UpdateModelBoxes(m, {0, 0, 0}, {0, 0, 0});
    ExpectVector(arm->boxCenter, -0.25f, 1, 0);
    ExpectVector(arm->boxCorners[2], -0.5f, 2, 0.5f); // (2, 0.5, 0.5) turned
    // The idle root's box sits at the origin and belongs to the hull as well.
    ExpectVector(root->boxCorners[3], 0, 0, 0);
    ExpectVector(m->boxCorners[4], -0.6f, 0, -0.6f);
    ExpectVector(m->boxCorners[2], 0.1f, 2, 0.6f);
    ExpectVector(m->topPoint, 0, 2, 0);

    // A model without bones gets a margin-sized box at its position, never an inverted one.
    mesh_mod* empty = NewModel();
    UpdateModelBoxes(empty, {1, 1, 1}, {0, 0, 0});
    ExpectVector(empty->boxCorners[4], 0.9f, 1, 0.9f);
    ExpectVector(empty->boxCorners[2], 1.1f, 1, 1.1f);
    DisposeMeshworkModel(m);
    DisposeMeshworkModel(empty);
}

TEST(Bounds, BoxIsCulledOnlyWhollyOutsideOnePlane)
{
    for (int i = 0; i < 6; i++)
        SetPlane(i, 0, 0, 0, 1); // nothing is outside these
    SetPlane(0, 1, 0, 0, 0);     // outside: x < 0
    SetPlane(3, -1, 0, 0, 3);    // outside: x > 3
    vector_type box[8];
    BoxCorners(box, -5, -4, 0, 1, 0, 1);
    EXPECT_EQ(CheckBoxWithPlanes(box), 1);
    BoxCorners(box, 3.5f, 5, -1, 1, -1, 1);
    EXPECT_EQ(CheckBoxWithPlanes(box), 1);
    BoxCorners(box, -1, 1, 0, 1, 0, 1);
    EXPECT_EQ(CheckBoxWithPlanes(box), 0); // straddles plane 0
    BoxCorners(box, -1, 0, 0, 1, 0, 1);
    EXPECT_EQ(CheckBoxWithPlanes(box), 0); // touching is not outside
    // Half the corners outside one plane, half outside another: still visible.
    BoxCorners(box, -1, 4, 0, 1, 0, 1);
    EXPECT_EQ(CheckBoxWithPlanes(box), 0);
    for (int i = 0; i < 6; i++)
        SetPlane(i, 0, 0, 0, 0);
}

TEST(Bounds, ScaleModelToRelativeAndAbsolute)
{
    human_being* actor = static_cast<human_being*>(calloc(1, sizeof(human_being)));
    actor->model = NewBlock();
    mesh_mod* m = actor->model;
    bonus* root = m->boneListHead.next;
    root->pivot = {1, 1, 1};
    vtx_typ* v = m->vertexListHead.next->next; // (1, 0, -1)

    ScaleModelTo(actor, 2, 1, 1, 0);
    ExpectVector({v->x, v->y, v->z}, 2, 0, -1, 0);
    ExpectVector(root->pivot, 2, 1, 1, 0);
    EXPECT_EQ(root->maxX, 2); // extents rebuilt
    ScaleModelTo(actor, 2, 0.5f, 3, 0);
    ExpectVector({v->x, v->y, v->z}, 4, 0, -3, 0);
    EXPECT_EQ(root->maxY, 1);

    // Absolute before the first drawing: nothing measured, nothing changed.
    mesh_mod* fresh = NewBlock();
    actor->model = fresh;
    ScaleModelTo(actor, 10, 10, 10, 1);
    ExpectVector(
        {fresh->vertexListHead.next->x, fresh->vertexListHead.next->y, fresh->vertexListHead.next->z}, -1, 0,
        -1, 0);

    // After a drawing: 3 high, width and depth kept, whichever way the actor faces.
    actor->position = {4, 1, -2};
    UpdateModelBoxes(fresh, actor->position, {0, 90, 0});
    ScaleModelTo(actor, 0, 3, 0, 1);
    EXPECT_NEAR(fresh->boneListHead.next->maxY, 3, 1e-5);
    EXPECT_NEAR(fresh->boneListHead.next->maxX, 1, 1e-5);
    EXPECT_NEAR(fresh->boneListHead.next->minZ, -1, 1e-5);
    // Width counts the box margins: 2.2 measured, so 4.4 doubles the x extent.
    UpdateModelBoxes(fresh, actor->position, {0, 90, 0});
    ScaleModelTo(actor, 4.4f, 0, 0, 1);
    EXPECT_NEAR(fresh->boneListHead.next->maxX, 2, 1e-4);
    EXPECT_NEAR(fresh->boneListHead.next->maxZ, 1, 1e-5);

    ScaleModelTo(nullptr, 2, 2, 2, 0);
    actor->model = nullptr;
    ScaleModelTo(actor, 2, 2, 2, 1);
    DisposeMeshworkModel(m);
    DisposeMeshworkModel(fresh);
    free(actor);
}

TEST(Bounds, GroundHeadingAndVertexHelpers)
{
    EXPECT_NEAR(GetTwoPointAngle({0, -1}, {0, 0}), 0, 1e-4);
    EXPECT_NEAR(GetTwoPointAngle({0, 1}, {0, 0}), 180, 1e-4);
    EXPECT_NEAR(GetTwoPointAngle({1, 0}, {0, 0}), -90, 1e-4);
    EXPECT_NEAR(GetTwoPointAngle({-1, 0}, {0, 0}), 90, 1e-4);
    EXPECT_NEAR(GetTwoPointAngle({1, -1}, {0, 0}), -45, 1e-4);
    EXPECT_NEAR(GetTwoPointAngle({3, 7}, {3, 2}), 180, 1e-4); // only the difference counts
    float same = GetTwoPointAngle({2.5f, -4}, {2.5f, -4});
    EXPECT_TRUE(std::isfinite(same));
    EXPECT_EQ(same, 0);
    float tiny = GetTwoPointAngle({1e-30f, 0}, {0, 0});
    EXPECT_TRUE(std::isfinite(tiny));

    mesh_mod* m = NewModel();
    vtx_typ* a = AddVertex(m, 1, 2, 3, nullptr);
    vtx_typ* b = AddVertex(m, 4, 5, 6, nullptr);
    vtx_typ* c = AddVertex(m, 1, 2, 3, nullptr);
    trio* t = AddTriangle(m, a, b, c);
    EXPECT_EQ(VertexIsPartOfTriangle({1, 2, 3}, t), 1);
    EXPECT_EQ(VertexIsPartOfTriangle({4, 5, 6}, t), 2);
    c->x = 7;
    EXPECT_EQ(VertexIsPartOfTriangle({7, 2, 3}, t), 3);
    EXPECT_EQ(VertexIsPartOfTriangle({1, 2, 3.0001f}, t), 0);
    EXPECT_EQ(EqualVector({1, 2, 3}, {1, 2, 3}), 1);
    EXPECT_EQ(EqualVector({1, 2, 3}, {1, 2, 3.0001f}), 0);
    EXPECT_EQ(EqualVector({NAN, 0, 0}, {NAN, 0, 0}), 0);
    DisposeMeshworkModel(m);
}
