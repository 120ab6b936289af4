// Level geometry: placing level models, the quads' corner order and fourth corner, platforms
// grown by the clearance margin, walls pushed out to their front, the "invs" and "nocl" bones,
// the slope limit, freeing the level and the view-volume test with a real GL context.
#include "world/geometry.h"

#include "level_fixtures.h"
#include "model/bounds.h"
#include "platform/window.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace
{

vector_type V(float x, float y, float z)
{
    return fastVector_Set(x, y, z);
}

void ExpectTriangle(const vector_type got[3], const vector_type want[3])
{
    for (int i = 0; i < 3; i++)
    {
        SCOPED_TRACE(i);
        ExpectNear(got[i], want[i].x, want[i].y, want[i].z);
    }
}

} // namespace

TEST_F(LevelTest, PlacementMovesTheModelAndQuadsKeepTheTriangleOrder)
{
    mesh_mod* m = NewLevelModel();
    m->materials[0].textureId = 7;
    trio* floor = AddLevelTriangle(m, V(1, 0, 0), V(0, 0, 1), V(0, 0, 0));
    ASSERT_EQ(Place(m, V(0, 90, 0), V(10, 5, -3), 200.0f), m);
    EXPECT_EQ(m->placementScale, 200.0f);
    ExpectNear(m->placementRotation, 0, 90, 0);
    ExpectNear(m->placementPosition, 10, 5, -3);

    // Doubled, turned a quarter (+z goes to +x, +x to -z), then moved.
    fourcorner* q = baseQ.next;
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->next, nullptr);
    EXPECT_EQ(quadPtr, q);
    const float want[4][5] = {
        {10, 5, -5, 0, 0.5f}, {12, 5, -3, 1, 1.5f}, {10, 5, -3, 2, 2.5f}, {10, 5, -3, 2, 2.5f}};
    for (int i = 0; i < 4; i++)
    {
        SCOPED_TRACE(i);
        ExpectNear(q->corners[i].position, want[i][0], want[i][1], want[i][2]);
        EXPECT_EQ(q->corners[i].u, want[i][3]);
        EXPECT_EQ(q->corners[i].v, want[i][4]);
    }
    EXPECT_EQ(q->triangle, floor);
    EXPECT_EQ(q->texture, 7u);
    EXPECT_EQ(q->flags, 0);
    EXPECT_EQ(m->vertexListHead.next->y, 5.0f);
}

TEST_F(LevelTest, UprightTrianglesGetTheFourthCornerOfTheirRectangle)
{
    // Each upright triangle a, b, c in the plane z = 0 becomes the quad b, c, a, d.
    const struct
    {
        vector_type a, b, c, d;
    } cases[] = {
        {V(0, 0, 0), V(2, 0, 0), V(0, 1, 0), V(2, 1, 0)}, // b level with a, c above a
        {V(0, 0, 0), V(2, 0, 0), V(2, 1, 0), V(0, 1, 0)}, // b level with a, c above b
        {V(0, 0, 0), V(0, 1, 0), V(2, 0, 0), V(2, 1, 0)}, // c level with a, b above a
        {V(0, 0, 0), V(2, 1, 0), V(2, 0, 0), V(0, 1, 0)}, // c level with a, b elsewhere
        {V(0, 1, 0), V(0, 0, 0), V(2, 0, 0), V(2, 1, 0)}, // neither, a above b
        {V(0, 1, 0), V(2, 0, 0), V(0, 0, 0), V(2, 1, 0)}, // neither, a elsewhere
    };
    mesh_mod* m = NewLevelModel();
    for (const auto& c : cases)
        AddLevelTriangle(m, c.a, c.b, c.c);
    Place(m);
    std::vector<fourcorner*> quads = Items(baseQ);
    ASSERT_EQ(quads.size(), 6u);
    for (size_t i = 0; i < quads.size(); i++)
    {
        SCOPED_TRACE(i);
        const quadCorner* k = quads[i]->corners;
        ExpectNear(k[0].position, cases[i].b.x, cases[i].b.y, cases[i].b.z);
        ExpectNear(k[1].position, cases[i].c.x, cases[i].c.y, cases[i].c.z);
        ExpectNear(k[2].position, cases[i].a.x, cases[i].a.y, cases[i].a.z);
        ExpectNear(k[3].position, cases[i].d.x, cases[i].d.y, cases[i].d.z);
        EXPECT_EQ(k[0].u, 1.0f); // b's texture coordinates lead
        EXPECT_EQ(k[2].v, 0.5f);
        EXPECT_EQ(k[3].u, 0.0f);
    }
}

TEST_F(LevelTest, FloorsGrowExceptInvisibleOnesAndNoCollisionFacesBuildNothing)
{
    mesh_mod* m = NewLevelModel();
    AddLevelTriangle(m, V(0, 1, 0), V(4, 1, 0), V(0, 1, 2));
    AddLevelTriangle(m, V(0, 3, 0), V(4, 3, 0), V(0, 3, 2), "invs");
    AddLevelTriangle(m, V(0, 0, -2), V(2, 0, -2), V(0, 1, -2), "nocl");
    AddLevelTriangle(m, V(0, 0, 5), V(2, 0, 5), V(0, 1, 5), "invs");
    Place(m);
    Build();

    std::vector<fourcorner*> quads = Items(baseQ);
    ASSERT_EQ(quads.size(), 4u);
    EXPECT_EQ(quads[0]->flags, 0);
    EXPECT_EQ(quads[1]->flags, kQuadInvisible);
    EXPECT_EQ(quads[2]->flags, kQuadNoCollision);
    ExpectNear(quads[0]->normal, 0, -1, 0);

    // Corners 0, 3, 1 at the floor's height; the visible one 0.1 larger on every side.
    std::vector<platfor*> platforms = Items(baseP);
    ASSERT_EQ(platforms.size(), 2u);
    EXPECT_EQ(gNumPlatforms, 2);
    EXPECT_EQ(platforms[0]->height, 1.0f);
    const vector_type grown[3] = {V(-0.1f, 1, -0.1f), V(-0.1f, 1, 2.1f), V(4.1f, 1, -0.1f)};
    ExpectTriangle(platforms[0]->points, grown);
    const vector_type exact[3] = {V(0, 3, 0), V(0, 3, 2), V(4, 3, 0)};
    ExpectTriangle(platforms[1]->points, exact);

    // The "nocl" face keeps its collision triangle (corners 0, 2, 1) for line queries only.
    const vector_type collision[3] = {V(2, 0, -2), V(0, 0, -2), V(0, 1, -2)};
    ExpectTriangle(quads[2]->collisionTriangle, collision);

    // The invisible upright face gives a wall exactly on its collision triangle.
    std::vector<vertWall*> walls = Items(baseWall);
    ASSERT_EQ(walls.size(), 1u);
    EXPECT_EQ(walls[0]->quad, quads[3]);
    ExpectTriangle(walls[0]->triangle, quads[3]->collisionTriangle);
}

TEST_F(LevelTest, SlopesSteeperThanTheLimitAreWalls)
{
    mesh_mod* m = NewLevelModel();
    AddLevelTriangle(m, V(0, 0, 0), V(1, 0, 0), V(0, 4, -3));     // normal y exactly 0.6
    AddLevelTriangle(m, V(0, 0, 10), V(1, 0, 10), V(0, 79, -51)); // normal y about 0.61
    Place(m);
    Build();
    EXPECT_NEAR(baseQ.next->normal.y, 0.6f, 1e-6f);
    ASSERT_EQ(Items(baseWall).size(), 1u);
    EXPECT_EQ(baseWall.next->quad, baseQ.next);
    ASSERT_EQ(Items(baseP).size(), 1u);
    EXPECT_EQ(baseP.next->height, 0.0f);
    // A slope grows along all three axes.
    EXPECT_NEAR(baseP.next->points[2].y, 79.1f, 1e-3f);
    EXPECT_NEAR(baseP.next->points[0].x, -0.1f, 1e-5f);
}

TEST_F(LevelTest, RectangleOfTwoTrianglesGivesTwoWallsPushedToTheFront)
{
    mesh_mod* m = NewLevelModel();
    // Facing +z at z = -2 and facing -x at x = 3.
    AddLevelTriangle(m, V(0, 0, -2), V(2, 0, -2), V(0, 1, -2));
    AddLevelTriangle(m, V(2, 0, -2), V(2, 1, -2), V(0, 1, -2));
    AddLevelTriangle(m, V(3, 0, 0), V(3, 0, 2), V(3, 1, 0));
    Place(m);
    Build();
    EXPECT_EQ(gNumPlatforms, 0);
    std::vector<vertWall*> walls = Items(baseWall);
    ASSERT_EQ(walls.size(), 3u);
    std::vector<fourcorner*> quads = Items(baseQ);
    ExpectNear(quads[0]->normal, 0, 0, 1);
    ExpectNear(quads[2]->normal, -1, 0, 0);

    // Each wall covers its own half, 0.1 in front of it and 0.1 longer at both ends.
    const vector_type first[3] = {V(2.1f, 0, -1.9f), V(-0.1f, 0, -1.9f), V(-0.1f, 1, -1.9f)};
    const vector_type second[3] = {V(2.1f, 1, -1.9f), V(2.1f, 0, -1.9f), V(-0.1f, 1, -1.9f)};
    const vector_type side[3] = {V(2.9f, 0, 2.1f), V(2.9f, 0, -0.1f), V(2.9f, 1, -0.1f)};
    ExpectTriangle(walls[0]->triangle, first);
    ExpectTriangle(walls[1]->triangle, second);
    ExpectTriangle(walls[2]->triangle, side);
    EXPECT_NEAR(walls[0]->angle, 90.0f, 1e-3f);
    EXPECT_NEAR(walls[1]->angle, 90.0f, 1e-3f);
    EXPECT_NEAR(walls[2]->angle, -180.0f, 1e-3f);
    EXPECT_EQ(walls[2]->quad, quads[2]);
}

TEST(LevelGeometry, ScalePlatformStretchesEachAxisAboutItsCentre)
{
    vector_type p[3] = {V(0, 0, 0), V(2, 0.5f, 1), V(1, 1, 4)};
    ScalePlatform(p);
    const vector_type want[3] = {V(-0.1f, -0.1f, -0.1f), V(2.1f, 0.5f, 0.95f), V(1, 1.1f, 4.1f)};
    ExpectTriangle(p, want);
}

TEST_F(LevelTest, DisposingEmptiesTheListsAndTheNextLevelStartsFresh)
{
    mesh_mod* m = NewLevelModel();
    AddLevelTriangle(m, V(0, 0, 0), V(1, 0, 0), V(0, 0, 1));
    AddLevelTriangle(m, V(0, 0, 0), V(1, 0, 0), V(0, 1, 0));
    Place(m);
    Build();
    ASSERT_EQ(gNumPlatforms, 1);
    DisposeLevelGeometry();
    EXPECT_EQ(baseQ.next, nullptr);
    EXPECT_EQ(baseP.next, nullptr);
    EXPECT_EQ(baseWall.next, nullptr);
    EXPECT_EQ(gNumPlatforms, 0);

    mesh_mod* again = NewLevelModel();
    AddLevelTriangle(again, V(0, 2, 0), V(1, 2, 0), V(0, 2, 1));
    Place(again);
    Build();
    EXPECT_EQ(Items(baseQ).size(), 1u);
    EXPECT_EQ(Items(baseP).size(), 1u);
    EXPECT_EQ(gNumPlatforms, 1);
}

TEST(LevelGeometry, QuadsOutsideTheViewVolumeAreCulled)
{
    char err[256];
    static bool gl =
        PLT_InitVideo(err, sizeof err) && PLT_CreateWindow("geometry test", 64, 64, 24, 0, err, sizeof err);
    ASSERT_TRUE(gl) << err;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 1.0, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    auto quadAt = [](float x, float z, float width)
    {
        fourcorner q = {};
        q.corners[0].position = V(x, -0.5f, z);
        q.corners[1].position = V(x + width, -0.5f, z);
        q.corners[2].position = V(x, 0.5f, z);
        q.corners[3].position = V(x + width, 0.5f, z);
        return q;
    };
    const fourcorner ahead = quadAt(0, -5, 1), behind = quadAt(0, 5, 1), aside = quadAt(50, -5, 1),
                     straddling = quadAt(3, -5, 10), beyondFar = quadAt(0, -150, 1);
    RecalculatePlanes();
    EXPECT_EQ(CheckQuadWithPlanes(&ahead), 0);
    EXPECT_EQ(CheckQuadWithPlanes(&behind), 1);
    EXPECT_EQ(CheckQuadWithPlanes(&aside), 1);
    EXPECT_EQ(CheckQuadWithPlanes(&straddling), 0);
    EXPECT_EQ(CheckQuadWithPlanes(&beyondFar), 1);

    // The planes follow the modelview matrix: the camera turned round, then moved back by 10.
    glRotatef(180.0f, 0, 1, 0);
    RecalculatePlanes();
    EXPECT_EQ(CheckQuadWithPlanes(&ahead), 1);
    EXPECT_EQ(CheckQuadWithPlanes(&behind), 0);
    glLoadIdentity();
    glTranslatef(0, 0, 10);
    RecalculatePlanes();
    const fourcorner further = quadAt(0, -15, 1);
    EXPECT_EQ(CheckQuadWithPlanes(&ahead), 1); // the eye now stands at z = -10
    EXPECT_EQ(CheckQuadWithPlanes(&further), 0);
    glLoadIdentity();
}
