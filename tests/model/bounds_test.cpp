// Model bounds: bone membership by weight, the bone and model boxes with their corner and face
// orders, the view-volume test and rescaling an actor's model.
#include "model/bounds.h"

#include "model_fixtures.h"
#include "world/humans.h"

#include <cmath>
#include <cstring>
#include <tuple>

namespace
{

vtx_typ* AddVertex(mesh_mod* m, float x, float y, float z, bonus* bone, bonus* second = nullptr,
                   int weight = 100)
{
    vtx_typ* v = Append(&m->vertexListHead, NewRecord<vtx_typ>());
    v->x = x, v->y = y, v->z = z;
    v->bone = bone, v->secondBone = second, v->weight = weight;
    m->vertexCount++;
    return v;
}

trio* AddTriangle(mesh_mod* m, vtx_typ* a, vtx_typ* b, vtx_typ* c)
{
    trio* t = Append(&m->triangleListHead, NewRecord<trio>());
    t->vertices[0] = a, t->vertices[1] = b, t->vertices[2] = c;
    m->triangleCount++;
    return t;
}

// One root bone whose two triangles span (-1, 0, -1) to (1, 2, 1).
mesh_mod* NewBlock()
{
    mesh_mod* m = NewRecord<mesh_mod>();
    bonus* root = AddBone(m, "None");
    const float corners[6][3] = {{-1, 0, -1}, {1, 0, -1}, {1, 2, 1}, {-1, 0, 1}, {0, 1, 0}, {1, 2, 1}};
    vtx_typ* v[6];
    for (int i = 0; i < 6; i++)
        v[i] = AddVertex(m, corners[i][0], corners[i][1], corners[i][2], root);
    AddTriangle(m, v[0], v[1], v[2]);
    AddTriangle(m, v[3], v[4], v[5]);
    GetMeshworkModelHighs(m->triangleListHead.next, m->boneListHead.next);
    return m;
}

std::string Corners(const vector_type* c)
{
    return Vecs({c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]});
}

} // namespace

TEST(Bounds, BoneExtentsModelBoxCornerAndFaceOrderPoseCullingAndRescaling)
{
    mesh_mod* m = NewRecord<mesh_mod>();
    bonus* root = AddBone(m, "None");
    bonus* a = AddBone(m, "a");
    bonus* b = AddBone(m, "b");
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
    bonus* idle = AddBone(m, "idle");
    idle->pivot = {5, 5, 5};
    GetMeshworkModelHighs(m->triangleListHead.next, m->boneListHead.next);

    std::string extents;
    for (const bonus* x : {a, b, root, idle})
        extents += Nums(x->minX, x->maxX, x->minY, x->maxY, x->minZ, x->maxZ) + "; ";
    EXPECT_EQ(extents, "-8 21 0 3 -3 9; 10 21 -5 3 -3 2; -8 -6 0 0 0 9; 0 0 0 0 0 0; ");
    // A bone that moves nothing has a zero extent, so its box is the posed origin.
    idle->moveY[2] = 1;
    UpdateModelBoxes(m, {0, 0, 0}, {0, 0, 0});
    for (int k = 0; k < 8; k++)
        EXPECT_EQ(Vecs({idle->boxCorners[k]}), "0 1 0");
    DisposeMeshworkModel(m);

    m = NewBlock();
    UpdateModelBoxes(m, {0, 0, 0}, {0, 0, 0});
    EXPECT_EQ(Corners(m->boxCorners) + "; " + Vecs({m->topPoint}),
              "-1.1 0 1.1, -1.1 2 1.1, 1.1 2 1.1, 1.1 0 1.1, -1.1 0 -1.1, -1.1 2 -1.1, 1.1 2 -1.1, 1.1 0 "
              "-1.1; 0 2 0");
    const int faces[6][3] = {{0, 1, 3}, {4, 5, 7}, {2, 3, 6}, {0, 1, 4}, {0, 3, 4}, {1, 2, 5}};
    root = m->boneListHead.next;
    for (int f = 0; f < 6; f++)
        for (int i = 0; i < 3; i++)
        {
            EXPECT_TRUE(EqualVector(m->boxPlanes[f][i], m->boxCorners[faces[f][i]])) << f << "," << i;
            EXPECT_TRUE(EqualVector(root->boxPlanes[f][i], root->boxCorners[faces[f][i]])) << f << "," << i;
        }
    EXPECT_EQ(Vecs({root->boxCorners[6]}), "1 2 -1"); // bone boxes have no margin

    // Turned a quarter about y and moved: (x, z) goes to (z, -x), then the offset.
    UpdateModelBoxes(m, {5, 0, -3}, {0, 90, 0});
    // The centre stays in model space.
    EXPECT_EQ(Vecs({root->boxCorners[0], m->boxCorners[6], m->topPoint, root->boxCenter}),
              "6 0 -2, 3.9 2 -4.1, 5 2 -3, 0 1 0");

    // An arm pointing up: its box turns with it, and the idle root at the origin joins the hull.
    bonus* arm = AddBone(m, "arm");
    for (vtx_typ* v = m->vertexListHead.next; v; v = v->next)
        v->bone = arm;
    GetMeshworkModelHighs(m->triangleListHead.next, m->boneListHead.next);
    arm->rotationZ[2] = 90;
    UpdateModelBoxes(m, {0, 0, 0}, {0, 0, 0});
    // (1, 2, 1) turned; y is never widened.
    EXPECT_EQ(Vecs({arm->boxCorners[2], root->boxCorners[3], m->boxCorners[4], m->boxCorners[2]}),
              "-2 1 1, 0 0 0, -2.1 -1 -1.1, 0.1 1 1.1");

    // A model without bones gets a margin-sized box at its position, never an inverted one.
    mesh_mod* empty = NewRecord<mesh_mod>();
    UpdateModelBoxes(empty, {1, 1, 1}, {0, 0, 0});
    EXPECT_EQ(Vecs({empty->boxCorners[4], empty->boxCorners[2]}), "0.9 1 0.9, 1.1 1 1.1");
    DisposeMeshworkModel(m);
    DisposeMeshworkModel(empty);

    memset(planeEqs, 0, sizeof planeEqs);
    for (int i = 0; i < 6; i++)
        planeEqs[i][3] = 1;                  // nothing is outside these
    planeEqs[0][0] = 1, planeEqs[0][3] = 0;  // outside: x < 0
    planeEqs[3][0] = -1, planeEqs[3][3] = 3; // outside: x > 3
    // x ranges: wholly left, wholly right, straddling, touching, half out on each side.
    const float cases[][3] = {{-5, -4, 1}, {3.5f, 5, 1}, {-1, 1, 0}, {-1, 0, 0}, {-1, 4, 0}};
    for (auto [minX, maxX, culled] : cases)
    {
        bonus b = {};
        b.minX = minX, b.maxX = maxX, b.maxY = 1, b.maxZ = 1;
        CreateBoneBox(&b);
        EXPECT_EQ(CheckBoxWithPlanes(b.boxCorners), culled) << minX << " to " << maxX;
    }
    memset(planeEqs, 0, sizeof planeEqs);

    human_being* actor = NewRecord<human_being>();
    m = actor->model = NewBlock();
    root = m->boneListHead.next;
    root->pivot = {1, 1, 1};
    vtx_typ* v = m->vertexListHead.next->next; // (1, 0, -1)
    ScaleModelTo(actor, 2, 1, 1, 0);
    ScaleModelTo(actor, 2, 0.5f, 3, 0);
    // The extents are rebuilt.
    EXPECT_EQ(Vecs({{v->x, v->y, v->z}, root->pivot, {root->maxX, root->maxY, 0}}), "4 0 -3, 4 0.5 3, 4 1 0");

    // Absolute before the first drawing: nothing measured, nothing changed.
    mesh_mod* fresh = actor->model = NewBlock();
    ScaleModelTo(actor, 10, 10, 10, 1);
    EXPECT_EQ(fresh->vertexListHead.next->x, -1);
    // After a drawing: 3 high, width and depth kept, whichever way the actor faces.
    actor->position = {4, 1, -2};
    UpdateModelBoxes(fresh, actor->position, {0, 90, 0});
    ScaleModelTo(actor, 0, 3, 0, 1);
    bonus* r = fresh->boneListHead.next;
    EXPECT_EQ(Nums(r->maxX, r->maxY), "1 3");
    // On a block three times as deep as wide, turned a quarter: the width is the model's own x
    // size with both margins (2.2), the depth its z size (6.2), whichever way it faces.
    for (vtx_typ* v = fresh->vertexListHead.next; v; v = v->next)
        v->z *= 3;
    GetMeshworkModelHighs(fresh->triangleListHead.next, fresh->boneListHead.next);
    for (auto [width, depth, expected] : {std::tuple{4.4f, 0.0f, "2 3"}, {0.0f, 3.1f, "2 1.5"}})
    {
        UpdateModelBoxes(fresh, actor->position, {0, 90, 0});
        ScaleModelTo(actor, width, 0, depth, 1);
        EXPECT_EQ(Nums(r->maxX, r->maxZ), expected);
    }
    DisposeMeshworkModel(m);
    DisposeMeshworkModel(fresh);
    free(actor);
}
