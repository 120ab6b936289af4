// Collision and line queries: the segment-triangle results, shots by team and what a hit says,
// the player's box, every ground case of a step and the walls, actors and player that block one
// with the slides they offer.
#include "world/collision.h"

#include "core/clock.h"
#include "level_fixtures.h"
#include "model/bounds.h"
#include "script/interpreter.h"
#include "world/camera.h"
#include "world/player.h"

#include <cmath>
#include <tuple>

// An actor whose one bone spans (-half, 0, -half) to (half, height, half), placed and turned by
// rotY. Type 1 collides with the model box (0.1 wider), type 0 with the bone box.
static human_being* AddBoxActor(vector_type position, float half, float height, int type = 1, float rotY = 0)
{
    human_being* h = AppendNewHuman();
    mesh_mod* m = h->model = NewRecord<mesh_mod>();
    bonus* b = AddBone(m, "None");
    b->minX = b->minZ = -half, b->maxX = b->maxZ = half, b->maxY = height;
    m->owner = h, h->type = type, h->position = position, h->rotation = V(0, rotY, 0);
    UpdateModelBoxes(m, position, h->rotation);
    return h;
}

static void PutPlayer(float x, float feet, float z, float heading = 0)
{
    entfl = -x, updown = -(feet + 1.0f), entf = -z, viewangle = heading;
    GeneratePlayerBox();
}

class Collision : public LevelTest
{
  protected:
    void SetUp() override
    {
        LevelTest::SetUp();
        alwaysWalk = 0, wallClipping = 1, healthPercentage = 100.0f;
        gHumanScriptTarget = gHitPerson = nullptr, gCurrentTime = 1000; // 60 sixtieths
        memset(gSliders, 0, sizeof gSliders);
        PutPlayer(0, -50, 0); // out of the way
    }
    void TearDown() override
    {
        alwaysWalk = 0, wallClipping = 1, gHumanScriptTarget = nullptr;
        LevelTest::TearDown();
    }
    // The player steps from (x, z) to (nx, nz) with its feet at `feet`; fall starts at 5 and
    // fallStartTime at -1 so that untouched values show.
    int PlayerStep(float x, float z, float nx, float nz, float feet, float heading = 0,
                   fpl* slides = gSliders, fpl* retry = nullptr)
    {
        PutPlayer(x, feet, z, heading);
        fall = 5.0f, fallStartTime = -1;
        return CheckMove(x, z, nx, nz, &updown, heading, &fall, &fallStartTime, nullptr, slides, retry);
    }
    int ActorStep(human_being* h, float nx, float nz, float heading = 0, fpl* slides = nullptr)
    {
        int32_t start = 0;
        return CheckMove(h->position.x, h->position.z, nx, nz, &h->position.y, heading, &h->fallHeight,
                         &start, h, slides, nullptr);
    }
};

TEST(SegmentsAndSlides, HitsInsideTheTriangleOrItsOtherHalfAndTheStepsShareAlongASurface)
{
    const vector_type tri[3] = {V(0, 0, 0), V(2, 0, 0), V(0, 0, 2)};
    const std::tuple<vector_type, vector_type, int> cases[] = {
        {V(0.5f, 1, 0.5f), V(0.5f, -1, 0.5f), 1},     // inside
        {V(0.5f, -1, 0.5f), V(0.5f, 1, 0.5f), 1},     // from below
        {V(1.5f, 1, 1.5f), V(1.5f, -1, 1.5f), 2},     // other half of the parallelogram
        {V(2, 1, 2), V(2, -1, 2), 1},                 // its far corner counts as the triangle
        {V(2.5f, 1, 0.5f), V(2.5f, -1, 0.5f), 0},     // beside it
        {V(0.5f, 1, 0.5f), V(0.5f, 0.5f, 0.5f), 0},   // stops short of the plane
        {V(0.5f, -0.5f, 0.5f), V(0.5f, -1, 0.5f), 0}, // starts beyond it
        {V(0.2f, 0, 0.2f), V(1, 0, 0.2f), 0},         // lies in the plane: parallel
    };
    for (const auto& [from, to, result] : cases)
    {
        s1 = 99.0f;
        vector_type hit = V(7, 7, 7);
        EXPECT_EQ(LineSegmentCollidesWithTriangle(tri, &from, &to, &hit), result) << from.x << " " << from.y;
        EXPECT_EQ(s1, 99.0f); // a hit pointer keeps the globals
        EXPECT_EQ(Vecs({hit}), result ? Nums(from.x, 0, from.z) : "7 7 7");
    }
    const vector_type from = V(1, 3, 0.5f), to = V(1, -1, 0.5f);
    EXPECT_EQ(LineSegmentCollidesWithTriangle(tri, &from, &to, nullptr), 1);
    EXPECT_TRUE(s1 == 1.0f && std::fabs(s2) < 1e-6f && s3 == 0.5f);

    // The slide is the step's share along the surface.
    const float slides[][5] = {
        // surface, heading, dx, dz, angle
        {-90, 30, 0.5f, 0, 120}, // a wall along x, stepping ahead and right
        {0, 60, 0, -0.5f, 60},   // a wall along z
        {45, 90, 0.5f, -0.5f, 45},  {45, 0, 0.5f, -0.5f, 135},  {45, 180, -0.5f, 0.5f, 135},
        {45, 270, -0.5f, 0.5f, 45}, {-45, 0, -0.5f, -0.5f, 45}, // -45 is taken as 135
        {-45, 90, 0.5f, 0.5f, 135},
    };
    for (const auto& c : slides)
    {
        SCOPED_TRACE(testing::Message() << c[0] << " " << c[1]);
        fpl s = GetLineSlideFromRotation(c[0], c[1], 1.0f);
        EXPECT_EQ(Nums(s.dx, s.dz, s.angle), Nums(c[2], c[3], c[4]));
    }
}

TEST_F(Collision, TeamShotsPassTheirTeamAndThePlayersBoxTurnsWithHim)
{
    // Which actor or quad a shot meets first, where, and the face's angle are the level index's
    // differential test's; what the hit says and the team rule are here.
    human_being *nearActor = AddBoxActor(V(0, 0, 0), 0.4f, 2), *farActor = AddBoxActor(V(0, 0, -5), 0.4f, 2);
    const vector_type from = V(0, 1, 5), to = V(0, 1, -20);
    // At the front of the widened model box (vecDistance kept is the differential test's).
    EXPECT_TRUE(StandardCollision(from, to) == 2 && gHitPerson == nearActor && hitPerson == 2);
    EXPECT_NEAR(s3, 0.5f, 1e-4f);
    nearActor->team = 3;
    EXPECT_TRUE(StandardTeamCollision(from, to, 3) == 2 && gHitPerson == farActor);
    farActor->type = 2, gHitPerson = nullptr;
    EXPECT_TRUE(StandardTeamCollision(from, to, 3) == 0 && hitPerson == 0);
    AddWallAcross(NewModel(), 2, -2, 2);
    Build(models.back());
    EXPECT_TRUE(StandardTeamCollision(from, to, 1) == 1 && hitPerson == 1 && gHitPerson == nullptr);

    PutPlayer(3, 0, 0);
    EXPECT_EQ(PlayerIsIntersected(V(3, 0.5f, -5), V(3, 0.5f, 5)), 1);
    EXPECT_EQ(PlayerIsIntersected(V(3, 1.4f, -5), V(3, 1.4f, 5)), 0); // over the 1.3 top
    EXPECT_EQ(PlayerIsIntersected(V(0, 0.5f, 0.3f), V(5, 0.5f, 0.3f)), 0);
    // Down onto the top (1.3 over the feet, which actors stand on) and up into the bottom, near
    // each corner of the 0.5 square.
    for (float dx : {-0.24f, 0.24f})
        for (float dz : {-0.24f, 0.24f})
            EXPECT_EQ(2, PlayerIsIntersected(V(3 + dx, 3, dz), V(3 + dx, 1, dz)) +
                             PlayerIsIntersected(V(3 + dx, -1, dz), V(3 + dx, 0.3f, dz)))
                << dx << " " << dz;
    // Into each side near its top corners, from outside to the middle.
    for (float d : {-0.24f, 0.24f})
        EXPECT_EQ(4, PlayerIsIntersected(V(2, 1.25f, d), V(3, 1.25f, d)) +
                         PlayerIsIntersected(V(4, 1.25f, d), V(3, 1.25f, d)) +
                         PlayerIsIntersected(V(3 + d, 1.25f, -1), V(3 + d, 1.25f, 0)) +
                         PlayerIsIntersected(V(3 + d, 1.25f, 1), V(3 + d, 1.25f, 0)))
            << d;
    PutPlayer(3, 0, 0, 45); // a corner now reaches 0.35 out
    EXPECT_EQ(PlayerIsIntersected(V(0, 0.5f, 0.3f), V(5, 0.5f, 0.3f)), 1);
}

TEST_F(Collision, StepsClimbStepFallOrFindNoGround)
{
    // The mover stands on a floor at 0 reaching to z = -0.2 and steps to z = -0.5, over a
    // second floor at the given height (or none).
    // {second floor, its height, result, feet after, fall, fall start}: climbed at once; allowed but
    // not yet climbed; too high to be ground; a fall starts now; nothing below.
    const std::tuple<bool, float, int, float, float, int32_t> cases[] = {{true, 0.2f, 1, 0.2f, 0, -1},
                                                                         {true, 0.4f, 1, 0, 0, -1},
                                                                         {true, 0.6f, 0, 0, 0, -1},
                                                                         {true, -2.0f, 1, 0, 2.0f, 60},
                                                                         {false, 0, 0, 0, 0, -1}};
    for (const auto& [target, height, result, feet, wantFall, fallStart] : cases)
    {
        SCOPED_TRACE(height);
        DisposeLevelGeometry();
        mesh_mod* m = NewModel();
        AddFloor(m, -5, -0.2f, 5, 5, 0);
        if (target) AddFloor(m, -5, -5, 5, -0.4f, height);
        Build(m);
        EXPECT_EQ(PlayerStep(0, 0, 0, -0.5f, 0), result);
        EXPECT_EQ(Nums(-updown - 1.0f, fall, lookHeight), Nums(feet, wantFall, 1));
        EXPECT_EQ(fallStartTime, fallStart);
        // An actor's height is its feet; its own box does not stop it.
        PutPlayer(20, 0, 20);
        human_being* walker = AddBoxActor(V(0, 0, 0), 0.2f, 1.5f);
        EXPECT_EQ(ActorStep(walker, 0, -0.5f), result);
        EXPECT_EQ(Nums(walker->position.y, walker->fallHeight), Nums(feet, wantFall));
        RemoveAllHumans();
    }
    // With alwaysWalk every step goes and nothing changes, even with no ground.
    DisposeLevelGeometry(), alwaysWalk = 1;
    EXPECT_EQ(PlayerStep(0, 0, 3, 3, 7), 1);
    EXPECT_TRUE(updown == -8.0f && fall == 5.0f);
}

TEST_F(Collision, TopsOfActorsAndThePlayerAreGroundAndKneeHighSlopesRefuse)
{
    mesh_mod* m = NewModel();
    AddFloor(m, -5, -5, 5, 5, 0);
    AddLevelTriangle(m, V(-5, 0, -2), V(5, 0, -2), V(-5, 0.5f, -3)); // a ramp rising ahead
    Build(m);
    human_being* crate = AddBoxActor(V(0, 0, -1), 0.3f, 0.2f); // its top under the knee
    crate->health = 1;                                         // barely alive: still ground
    EXPECT_TRUE(PlayerStep(0, 0, 0, -1, 0) == 1 && std::fabs(-updown - 1.2f) < 1e-5f) << updown;
    crate->health = 0; // the dead are no ground
    EXPECT_TRUE(PlayerStep(0, 0, 0, -1, 0) == 1 && std::fabs(-updown - 1.0f) < 1e-5f) << updown;
    // An actor steps onto the player's head.
    PutPlayer(3, 0, 0);
    human_being* rider = AddBoxActor(V(3, 1.2f, 0.5f), 0.1f, 1);
    EXPECT_TRUE(ActorStep(rider, 3, 0) == 1 && std::fabs(rider->position.y - 1.3f) < 1e-5f)
        << rider->position.y;
    // The knee crossing the ramp refuses the step onto it; from higher up it goes.
    EXPECT_EQ(PlayerStep(-4.5f, -2.5f, -4.5f, -2.9f, 0), 0);
    EXPECT_EQ(PlayerStep(-4.5f, -2.7f, -4.5f, -2.9f, 0.35f), 1);
}

TEST_F(Collision, WallsActorsAndThePlayerBlockAndOfferSlides)
{
    mesh_mod* m = NewModel();
    AddFloor(m, -10, -10, 10, 10, 0);
    AddWallAcross(m, -1, -2, 2);                               // pushed out to z = -0.9
    AddLevelTriangle(m, V(1, 0, -3), V(1, 0, 3), V(1, 2, -3)); // facing -x, pushed to x = 0.9
    Build(m);
    vertWall* across = baseWall.next;

    // Heading 30 into the wall across: the slide keeps the step's x share.
    EXPECT_TRUE(PlayerStep(0, -0.7f, 0.2f, -1.0464f, 0, 30) == 0 && updown == -1.0f && fall == 0.0f);
    ASSERT_TRUE(gSliders[0].valid == 1 && gSliders[0].wall == across && gSliders[1].valid == 0);
    EXPECT_EQ(Nums(gSliders[0].dx, gSliders[0].dz), "0.2 0");
    // Retrying that slide, its wall and walls parallel to it are not tested; others are.
    fpl retry = gSliders[0];
    EXPECT_EQ(PlayerStep(0, -0.7f, 0.2f, -1.0464f, 0, 30, nullptr, &retry), 1);
    EXPECT_EQ(PlayerStep(0.7f, -0.7f, 1.2f, -0.7f, 0, 90, nullptr, &retry), 0);
    // Into the corner both walls offer a slide, in wall order.
    EXPECT_EQ(PlayerStep(0.7f, -0.7f, 1.0f, -1.0f, 0, 45), 0);
    EXPECT_TRUE(gSliders[0].wall == across && gSliders[1].wall == across->next->next);
    // Without wall clipping walls let the step go, but ground is still needed.
    wallClipping = 0;
    EXPECT_EQ(PlayerStep(0, -0.7f, 0.2f, -1.0464f, 0, 30), 1);
    EXPECT_EQ(PlayerStep(9.9f, 0, 12, 0, 0, 90), 0);
    wallClipping = 1;

    // A living actor in the way blocks with a slide along its face; a dead one does not.
    human_being* guard = AddBoxActor(V(-3, 0, 0), 0.3f, 2);
    EXPECT_TRUE(PlayerStep(-3, 1, -3, 0.2f, 0) == 0 && gSliders[0].valid == 1 && gSliders[0].wall == nullptr);
    guard->health = 0;
    EXPECT_EQ(PlayerStep(-3, 1, -3, 0.2f, 0), 1);
    // An actor walking into the player is blocked while the player lives; type 2 never is.
    PutPlayer(-6, 0, 0), gSliders[0].valid = 0;
    human_being* walker = AddBoxActor(V(-6, 0, 1), 0.1f, 1.5f);
    EXPECT_TRUE(ActorStep(walker, -6, 0.2f, 180, gSliders) == 0 && gSliders[0].valid == 1);
    healthPercentage = 0;
    EXPECT_EQ(ActorStep(walker, -6, 0.2f, 180), 1);
    healthPercentage = 100, walker->type = 2;
    EXPECT_EQ(ActorStep(walker, -6, 0.2f, 180), 1);
}
