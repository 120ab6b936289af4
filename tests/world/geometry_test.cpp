// Level geometry: placing level models, the quads' corner order and fourth corner, platforms
// grown by the clearance margin, the "invs" and "nocl" bones, the slope limit and freeing the
// level. (Walls pushed out to their front are the movement test's, where a walk ends before one;
// every wall of the demo's levels is the recorded sessions'. The view volume's planes are the
// drawing test's: its actors and level chunks are culled by them.)
#include "world/geometry.h"

#include "level_fixtures.h"

// A triangle's corners as rounded text.
static std::string Tri(const vector_type t[3])
{
    return Vecs({t[0], t[1], t[2]});
}

TEST_F(LevelTest, PlacementMovesTheModelAndQuadsKeepTheTriangleOrderUprightOnesGetAFourthCorner)
{
    mesh_mod* m = NewModel();
    m->materials[0].textureId = 7;
    trio* floor = AddLevelTriangle(m, V(1, 0, 0), V(0, 0, 1), V(0, 0, 0));
    ASSERT_EQ(Place(m, V(0, 90, 0), V(10, 5, -3), 200.0f), m);
    EXPECT_EQ(Vecs({m->placementPosition}), "10 5 -3"); // kept for the level's save
    // Doubled, turned a quarter (+z goes to +x, +x to -z), then moved; corner 3 repeats corner 2.
    fourcorner* q = baseQ.next;
    ASSERT_TRUE(q && !q->next && quadPtr == q);
    const vector_type corners[3] = {q->corners[0].position, q->corners[1].position, q->corners[3].position};
    EXPECT_EQ(Tri(corners), "10 5 -5, 12 5 -3, 10 5 -3");
    EXPECT_TRUE(q->corners[1].u == 1.0f && q->corners[3].v == 2.5f);
    EXPECT_TRUE(q->triangle == floor && q->texture == 7u && q->flags == 0);
    DisposeLevelGeometry();

    // Each upright triangle a, b, c in the plane z = 0 becomes the quad b, c, a, d (as listed here).
    const vector_type cases[][4] = {
        {V(2, 0, 0), V(0, 1, 0), V(0, 0, 0), V(2, 1, 0)}, // b level with a, c above a
        {V(2, 0, 0), V(2, 1, 0), V(0, 0, 0), V(0, 1, 0)}, // b level with a, c above b
        {V(0, 1, 0), V(2, 0, 0), V(0, 0, 0), V(2, 1, 0)}, // c level with a, b above a
        {V(2, 1, 0), V(2, 0, 0), V(0, 0, 0), V(0, 1, 0)}, // c level with a, b elsewhere
        {V(0, 0, 0), V(2, 0, 0), V(0, 1, 0), V(2, 1, 0)}, // neither, a above b
        {V(2, 0, 0), V(0, 0, 0), V(0, 1, 0), V(2, 1, 0)}, // neither, a elsewhere
    };
    m = NewModel();
    for (const auto& c : cases)
        AddLevelTriangle(m, c[2], c[0], c[1]);
    Build(m);
    std::vector<fourcorner*> quads = ListOf(baseQ.next);
    ASSERT_EQ(quads.size(), 6u);
    for (size_t i = 0; i < quads.size(); i++)
    {
        SCOPED_TRACE(i);
        for (int k = 0; k < 4; k++)
            EXPECT_EQ(Vecs({quads[i]->corners[k].position}), Vecs({cases[i][k]}));
        // b's texture coordinates lead.
        EXPECT_TRUE(quads[i]->corners[0].u == 1.0f && quads[i]->corners[2].v == 0.5f);
    }
}

TEST_F(LevelTest, FloorsGrowUnlessInvisibleNoCollisionFacesBuildNothingAndSteepSlopesAreWalls)
{
    mesh_mod* m = NewModel();
    AddLevelTriangle(m, V(0, 1, 0), V(4, 1, 0), V(0, 1, 2));
    AddLevelTriangle(m, V(0, 3, 0), V(4, 3, 0), V(0, 3, 2), "invs");
    AddLevelTriangle(m, V(0, 0, -2), V(2, 0, -2), V(0, 1, -2), "nocl");
    AddLevelTriangle(m, V(0, 0, 5), V(2, 0, 5), V(0, 1, 5), "invs");
    Build(m);
    std::vector<fourcorner*> quads = ListOf(baseQ.next);
    ASSERT_EQ(quads.size(), 4u);
    EXPECT_TRUE(quads[1]->flags == kQuadInvisible && quads[2]->flags == kQuadNoCollision);
    EXPECT_EQ(Vecs({quads[0]->normal}), "0 -1 0");

    // Corners 0, 3, 1 at the floor's height, 0.1 larger on every side unless invisible.
    std::vector<platfor*> platforms = ListOf(baseP.next);
    ASSERT_TRUE(platforms.size() == 2 && gNumPlatforms == 2);
    EXPECT_EQ(platforms[0]->height, 1.0f);
    EXPECT_EQ(Tri(platforms[0]->points), "-0.1 1 -0.1, -0.1 1 2.1, 4.1 1 -0.1");
    EXPECT_EQ(Tri(platforms[1]->points), "0 3 0, 0 3 2, 4 3 0");
    // The "nocl" face keeps a collision triangle (corners 0, 2, 1) for line queries only; the
    // invisible upright face gives the one wall, not pushed out.
    EXPECT_EQ(Tri(quads[2]->collisionTriangle), "2 0 -2, 0 0 -2, 0 1 -2");
    ASSERT_TRUE(ListOf(baseWall.next).size() == 1 && baseWall.next->quad == quads[3]);
    EXPECT_EQ(Tri(baseWall.next->triangle), "2 0 5, 0 0 5, 0 1 5");
    // Freeing empties every list and the platform count (no later build resets it). The next
    // level built from the list heads again is the level index and step tests', level after level.
    DisposeLevelGeometry();
    EXPECT_TRUE(!baseQ.next && !baseP.next && !baseWall.next && gNumPlatforms == 0);

    // Turned 45 degrees about x, the upright (0, 2, 0) rises to (0, 1.41, 1.41): a slope whose
    // platform is the triangle itself, not its rectangle's fourth corner (0, 1.41, 0).
    AddLevelTriangle(NewModel(), V(0, 0, 0), V(2, 0, 0), V(0, 2, 0));
    Place(models.back(), V(45, 0, 0));
    m = NewModel();
    AddLevelTriangle(m, V(0, 0, 0), V(1, 0, 0), V(0, 4, -3));     // normal y exactly 0.6
    AddLevelTriangle(m, V(0, 0, 10), V(1, 0, 10), V(0, 79, -51)); // about 0.61
    Build(m);
    EXPECT_NEAR(baseQ.next->next->normal.y, 0.6f, 1e-6f);
    ASSERT_TRUE(ListOf(baseWall.next).size() == 1 && baseWall.next->quad == baseQ.next->next);
    platforms = ListOf(baseP.next);
    ASSERT_EQ(platforms.size(), 2u);
    EXPECT_EQ(Tri(platforms[0]->points), "2.1 -0.1 -0.1, -0.1 1.514 1.514, -0.1 -0.1 -0.1");
    // A slope grows along all three axes, about the middle of each; its height is its lowest.
    EXPECT_EQ(platforms[1]->height, 0.0f);
    EXPECT_EQ(Tri(platforms[1]->points), "-0.1 -0.1 10.1, 1.1 -0.1 10.1, -0.1 79.1 -51.1");
}
