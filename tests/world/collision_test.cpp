// Collision and line queries: the segment-triangle results, shots that find the nearest actor or
// the wall before it, pass-through rules, the player's box, every ground case of a step (climb,
// step, ledge, fall, nothing below) and the walls, actors and player that block one with the
// slides they offer.
#include "world/collision.h"

#include "core/clock.h"
#include "level_fixtures.h"
#include "model/bounds.h"
#include "script/interpreter.h"
#include "world/camera.h"
#include "world/player.h"

#include <cstring>

namespace
{

vector_type V(float x, float y, float z)
{
    return fastVector_Set(x, y, z);
}

// A floor rectangle at height y from (x0, z0) to (x1, z1), as two triangles.
void AddFloor(mesh_mod* m, float x0, float z0, float x1, float z1, float y, const char* bone = "None")
{
    AddLevelTriangle(m, V(x0, y, z0), V(x1, y, z0), V(x0, y, z1), bone);
    AddLevelTriangle(m, V(x1, y, z0), V(x1, y, z1), V(x0, y, z1), bone);
}

// An upright rectangle at z from x0 to x1, 2 high, facing +z.
void AddWallAcross(mesh_mod* m, float z, float x0, float x1, const char* bone = "None")
{
    AddLevelTriangle(m, V(x0, 0, z), V(x1, 0, z), V(x0, 2, z), bone);
    AddLevelTriangle(m, V(x1, 0, z), V(x1, 2, z), V(x0, 2, z), bone);
}

// An upright rectangle at x from z0 to z1, 2 high, facing -x.
void AddWallAlong(mesh_mod* m, float x, float z0, float z1)
{
    AddLevelTriangle(m, V(x, 0, z0), V(x, 0, z1), V(x, 2, z0));
    AddLevelTriangle(m, V(x, 0, z1), V(x, 2, z1), V(x, 2, z0));
}

// An actor whose one bone spans (-half, 0, -half) to (half, height, half), its boxes placed at
// position with the heading turned by rotY. A type-1 actor collides with the model box (0.1
// wider), a type-0 one with the bone box.
human_being* AddBoxActor(vector_type position, float half, float height, int type = 1, float rotY = 0)
{
    human_being* h = AppendNewHuman();
    mesh_mod* m = NewLevelModel();
    bonus* b = m->boneListHead.next = NewBone();
    snprintf(b->signature, sizeof b->signature, "None");
    b->parent = b;
    b->minX = b->minZ = -half, b->maxX = b->maxZ = half;
    b->minY = 0, b->maxY = height;
    h->model = m;
    m->owner = h;
    h->type = type;
    h->position = position;
    h->rotation = V(0, rotY, 0);
    UpdateModelBoxes(m, position, h->rotation);
    return h;
}

void PutPlayer(float x, float feet, float z, float heading = 0)
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
        alwaysWalk = 0;
        wallClipping = 1;
        healthPercentage = 100.0f;
        gHumanScriptTarget = nullptr;
        gHitPerson = nullptr;
        gCurrentTime = 1000; // 60 sixtieths
        memset(gSliders, 0, sizeof gSliders);
        PutPlayer(0, -50, 0); // out of the way
    }
    void TearDown() override
    {
        alwaysWalk = 0;
        wallClipping = 1;
        gHumanScriptTarget = nullptr;
        LevelTest::TearDown();
    }
    // The player steps from (x, z) to (nx, nz) with its feet at `feet`; the new height and fall
    // are returned through the globals.
    int PlayerStep(float x, float z, float nx, float nz, float feet, float heading = 0,
                   fpl* slides = gSliders, fpl* retry = nullptr)
    {
        PutPlayer(x, feet, z, heading);
        fall = 5.0f;
        fallStartTime = -1;
        return CheckMove(x, z, nx, nz, &updown, heading, &fall, &fallStartTime, nullptr, slides, retry);
    }
};

} // namespace

TEST(SegmentTest, ResultsInsideTheTriangleItsOtherHalfAndMisses)
{
    const vector_type tri[3] = {V(0, 0, 0), V(2, 0, 0), V(0, 0, 2)};
    const struct
    {
        vector_type from, to;
        int result;
    } cases[] = {
        {V(0.5f, 1, 0.5f), V(0.5f, -1, 0.5f), 1},     // inside
        {V(1.5f, 1, 1.5f), V(1.5f, -1, 1.5f), 2},     // other half of the parallelogram
        {V(2, 1, 2), V(2, -1, 2), 1},                 // its far corner counts as the triangle
        {V(2.5f, 1, 0.5f), V(2.5f, -1, 0.5f), 0},     // beside it
        {V(0.5f, 1, 0.5f), V(0.5f, 0.5f, 0.5f), 0},   // stops short of the plane
        {V(0.5f, -0.5f, 0.5f), V(0.5f, -1, 0.5f), 0}, // starts beyond it
        {V(0.2f, 0, 0.2f), V(1, 0, 0.2f), 0},         // lies in the plane: parallel
        {V(0.5f, 0.2f, 0.5f), V(0.5f, 0.2f, 1), 0},   // parallel above it
        {V(0.5f, -1, 0.5f), V(0.5f, 1, 0.5f), 1},     // from below
    };
    for (const auto& c : cases)
    {
        s1 = s2 = s3 = 99.0f;
        vector_type hit = V(7, 7, 7);
        EXPECT_EQ(LineSegmentCollidesWithTriangle(tri, &c.from, &c.to, &hit), c.result)
            << c.from.x << " " << c.from.y << " " << c.from.z;
        EXPECT_EQ(s1, 99.0f); // a hit pointer keeps the globals
        if (c.result)
            ExpectNear(hit, c.from.x, 0, c.from.z);
        else
            ExpectNear(hit, 7, 7, 7);
    }
    const vector_type from = V(1, 3, 0.5f), to = V(1, -1, 0.5f);
    EXPECT_EQ(LineSegmentCollidesWithTriangle(tri, &from, &to, nullptr), 1);
    EXPECT_EQ(s1, 1.0f);
    EXPECT_NEAR(s2, 0.0f, 1e-6f);
    EXPECT_EQ(s3, 0.5f);
}

TEST_F(Collision, ShotsFindTheNearestActorOrTheWallBeforeIt)
{
    human_being* nearActor = AddBoxActor(V(0, 0, 0), 0.4f, 2);
    human_being* farActor = AddBoxActor(V(0, 0, -5), 0.4f, 2);
    const vector_type from = V(0, 1, 5), to = V(0, 1, -20);
    vecDistance = 123.0f;
    EXPECT_EQ(StandardCollision(from, to), 2);
    EXPECT_EQ(gHitPerson, nearActor);
    EXPECT_EQ(hitPerson, 2);
    EXPECT_NEAR(s3, 0.5f, 1e-4f); // the front of the widened model box
    EXPECT_EQ(vecDistance, 123.0f);

    // The running script's own actor and a whole team are shot through.
    gHumanScriptTarget = nearActor;
    EXPECT_EQ(StandardCollision(from, to), 2);
    EXPECT_EQ(gHitPerson, farActor);
    EXPECT_EQ(GetPersonFromLineIntersection(from, to, nullptr), nearActor);
    gHumanScriptTarget = nullptr;
    nearActor->team = 3;
    EXPECT_EQ(StandardTeamCollision(from, to, 3), 2);
    EXPECT_EQ(gHitPerson, farActor);
    farActor->type = 2;
    gHitPerson = nullptr;
    EXPECT_EQ(StandardTeamCollision(from, to, 3), 0);
    EXPECT_EQ(hitPerson, 0);
    EXPECT_EQ(GetPersonFromLineIntersection(V(0, 1, -2), to, nullptr), nullptr);
    farActor->type = 1;

    // Invisible faces are shot through, "nocl" ones are not; the wall hides the actor behind it.
    mesh_mod* m = NewLevelModel();
    AddWallAcross(m, 3, -2, 2, "invs");
    AddWallAcross(m, 2, -2, 2, "nocl");
    Place(m);
    Build();
    EXPECT_EQ(StandardCollision(from, to), 1);
    EXPECT_EQ(hitPerson, 1);
    EXPECT_EQ(gHitPerson, nullptr);
    EXPECT_NEAR(s3, 2.0f, 1e-4f);
    EXPECT_NEAR(s2, 1.0f, 1e-4f);
    // Shot from between the wall and the actor, the actor is nearer.
    EXPECT_EQ(StandardCollision(V(0, 1, 1.5f), to), 2);
    EXPECT_EQ(gHitPerson, nearActor);
}

TEST_F(Collision, FaceAnglesFollowTheActorsAndBonesHeading)
{
    AddBoxActor(V(0, 0, 0), 0.4f, 2, 1, 30);
    float angle = 0;
    // Face 0 (largest z) is turned by -90; a side face is not.
    ASSERT_NE(GetPersonFromLineIntersection(V(0, 1, 5), V(0, 1, -5), &angle), nullptr);
    EXPECT_NEAR(angle, 60.0f, 1e-3f);
    ASSERT_NE(GetPersonFromLineIntersection(V(5, 1, 0), V(-5, 1, 0), &angle), nullptr);
    EXPECT_NEAR(angle, 150.0f, 1e-3f);

    RemoveAllHumans();
    human_being* boned = AddBoxActor(V(0, 0, 0), 0.4f, 2, 0, 30);
    boned->model->boneListHead.next->rotationY[2] = 10;
    UpdateModelBoxes(boned->model, boned->position, boned->rotation);
    ASSERT_EQ(GetPersonFromLineIntersection(V(5, 1, 0), V(-5, 1, 0), &angle), boned);
    EXPECT_NEAR(angle, 140.0f, 1e-3f);
}

TEST_F(Collision, ThePlayersBoxTurnsWithTheHeading)
{
    PutPlayer(0, 0, 0);
    EXPECT_EQ(PlayerIsIntersected(V(0, 0.5f, -5), V(0, 0.5f, 5)), 1);
    EXPECT_EQ(PlayerIsIntersected(V(0, 1.4f, -5), V(0, 1.4f, 5)), 0); // over the 1.3 top
    EXPECT_EQ(PlayerIsIntersected(V(-5, 0.5f, 0.3f), V(5, 0.5f, 0.3f)), 0);
    PutPlayer(0, 0, 0, 45); // a corner now reaches 0.35 out
    EXPECT_EQ(PlayerIsIntersected(V(-5, 0.5f, 0.3f), V(5, 0.5f, 0.3f)), 1);
    PutPlayer(10, 0, 0);
    EXPECT_EQ(PlayerIsIntersected(V(0, 0.5f, -5), V(0, 0.5f, 5)), 0);
    EXPECT_EQ(PlayerIsIntersected(V(10, 0.5f, -5), V(10, 0.5f, 5)), 1);
}

TEST_F(Collision, StepsClimbStepFallOrFindNoGround)
{
    // The player stands on a floor at 0 reaching to z = -0.2 and steps to z = -0.5, where a
    // second floor lies at the given height (or none).
    const struct
    {
        const char* name;
        bool target;
        float targetHeight;
        int result;
        float feetAfter, fall;
        int32_t fallStart;
    } cases[] = {
        {"step 0.2", true, 0.2f, 1, 0.2f, 0, -1},
        {"step 0.4", true, 0.4f, 1, 0, 0, -1},      // allowed, climbed later
        {"step 0.6", true, 0.6f, 0, 0, 0, -1},      // too high to be ground
        {"ledge 2.0", true, -2.0f, 1, 0, 2.0f, 60}, // a fall starts now
        {"no platform", false, 0, 0, 0, 0, -1},
        {"level", true, 0, 1, 0, 0, -1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        DisposeLevelGeometry();
        mesh_mod* m = NewLevelModel();
        AddFloor(m, -5, -0.2f, 5, 5, 0);
        if (c.target) AddFloor(m, -5, -5, 5, -0.4f, c.targetHeight);
        Place(m);
        Build();
        EXPECT_EQ(PlayerStep(0, 0, 0, -0.5f, 0), c.result);
        EXPECT_NEAR(-updown - 1.0f, c.feetAfter, 1e-5f);
        EXPECT_NEAR(fall, c.fall, 1e-5f);
        EXPECT_EQ(fallStartTime, c.fallStart);
        EXPECT_EQ(lookHeight, 1.0f);

        // An actor's height is its feet.
        PutPlayer(20, 0, 20);
        human_being* walker = AddBoxActor(V(0, 0, 0), 0.2f, 1.5f);
        int32_t start = -1;
        float actorFall = 0;
        EXPECT_EQ(
            CheckMove(0, 0, 0, -0.5f, &walker->position.y, 0, &actorFall, &start, walker, nullptr, nullptr),
            c.result);
        EXPECT_NEAR(walker->position.y, c.feetAfter, 1e-5f);
        EXPECT_NEAR(actorFall, c.fall, 1e-5f);
        RemoveAllHumans();
    }

    // With alwaysWalk every step goes and nothing changes, even with no ground.
    DisposeLevelGeometry();
    alwaysWalk = 1;
    EXPECT_EQ(PlayerStep(0, 0, 3, 3, 7), 1);
    EXPECT_EQ(updown, -8.0f);
    EXPECT_EQ(fall, 5.0f);
}

TEST_F(Collision, ActorsTopsAreGroundAndPlatformsCrossedAtKneeHeightRefuse)
{
    mesh_mod* m = NewLevelModel();
    AddFloor(m, -5, -5, 5, 5, 0);
    AddLevelTriangle(m, V(-5, 0, -2), V(5, 0, -2), V(-5, 0.5f, -3)); // a ramp rising ahead
    Place(m);
    Build();
    // A crate 0.2 high (its top under the knee) lifts the player onto it.
    human_being* crate = AddBoxActor(V(0, 0, -1), 0.3f, 0.2f);
    EXPECT_EQ(PlayerStep(0, 0, 0, -1, 0), 1);
    EXPECT_NEAR(-updown - 1.0f, 0.2f, 1e-5f);
    // Dead actors are no ground.
    crate->health = 0;
    EXPECT_EQ(PlayerStep(0, 0, 0, -1, 0), 1);
    EXPECT_NEAR(-updown - 1.0f, 0.0f, 1e-5f);
    // An actor stands on the player.
    PutPlayer(3, 0, 0);
    human_being* rider = AddBoxActor(V(3, 1.2f, 0.5f), 0.1f, 1);
    float riderFall = 0;
    int32_t start = 0;
    EXPECT_EQ(CheckMove(3, 0.5f, 3, 0, &rider->position.y, 0, &riderFall, &start, rider, nullptr, nullptr),
              1);
    EXPECT_NEAR(rider->position.y, 1.3f, 1e-5f);
    // The knee crossing the ramp's rising face refuses the step onto it.
    EXPECT_EQ(PlayerStep(-4.5f, -2.5f, -4.5f, -2.9f, 0), 0);
    EXPECT_EQ(PlayerStep(-4.5f, -2.7f, -4.5f, -2.9f, 0.35f), 1); // from higher up the ramp
}

TEST_F(Collision, WallsActorsAndThePlayerBlockAndOfferSlides)
{
    mesh_mod* m = NewLevelModel();
    AddFloor(m, -10, -10, 10, 10, 0);
    AddWallAcross(m, -1, -2, 2); // pushed out to z = -0.9
    AddWallAlong(m, 1, -3, 3);   // facing -x, pushed out to x = 0.9
    Place(m);
    Build();
    vertWall* across = baseWall.next;

    // Heading 30 into the wall across: the slide keeps the step's x share.
    EXPECT_EQ(PlayerStep(0, -0.7f, 0.2f, -1.0464f, 0, 30), 0);
    EXPECT_EQ(updown, -1.0f);
    EXPECT_EQ(fall, 0.0f);
    ASSERT_EQ(gSliders[0].valid, 1);
    EXPECT_EQ(gSliders[0].wall, across);
    EXPECT_NEAR(gSliders[0].dx, 0.2f, 1e-3f);
    EXPECT_NEAR(gSliders[0].dz, 0.0f, 1e-3f);
    EXPECT_EQ(gSliders[1].valid, 0);

    // Retrying that slide, the wall that made it (and any parallel one) is not tested again;
    // the wall along still is.
    fpl retry = gSliders[0];
    EXPECT_EQ(PlayerStep(0, -0.7f, 0.2f, -1.0464f, 0, 30, nullptr, &retry), 1);
    EXPECT_EQ(PlayerStep(0.7f, -0.7f, 1.2f, -0.7f, 0, 90, nullptr, &retry), 0);

    // Into the corner: both walls offer a slide, in wall order.
    memset(gSliders, 0, sizeof gSliders);
    EXPECT_EQ(PlayerStep(0.7f, -0.7f, 1.0f, -1.0f, 0, 45), 0);
    EXPECT_EQ(gSliders[0].wall, across);
    EXPECT_EQ(gSliders[1].wall, across->next->next); // the second triangle of the wall along
    EXPECT_EQ(gSliders[1].valid, 1);

    // Without wall clipping walls let the step go, but ground is still needed.
    wallClipping = 0;
    EXPECT_EQ(PlayerStep(0, -0.7f, 0.2f, -1.0464f, 0, 30), 1);
    EXPECT_EQ(PlayerStep(9.9f, 0, 12, 0, 0, 90), 0);
    wallClipping = 1;

    // A living actor in the way blocks with a slide along its face; a dead one does not.
    human_being* guard = AddBoxActor(V(-3, 0, 0), 0.3f, 2);
    EXPECT_EQ(PlayerStep(-3, 1, -3, 0.2f, 0), 0);
    EXPECT_EQ(gSliders[0].valid, 1);
    EXPECT_EQ(gSliders[0].wall, nullptr);
    guard->health = 0;
    EXPECT_EQ(PlayerStep(-3, 1, -3, 0.2f, 0), 1);

    // An actor walking into the player is blocked while the player lives.
    PutPlayer(-6, 0, 0);
    human_being* walker = AddBoxActor(V(-6, 0, 1), 0.1f, 1.5f);
    float walkerFall = 0;
    int32_t start = 0;
    memset(gSliders, 0, sizeof gSliders);
    EXPECT_EQ(
        CheckMove(-6, 1, -6, 0.2f, &walker->position.y, 180, &walkerFall, &start, walker, gSliders, nullptr),
        0);
    EXPECT_EQ(gSliders[0].valid, 1);
    healthPercentage = 0;
    EXPECT_EQ(
        CheckMove(-6, 1, -6, 0.2f, &walker->position.y, 180, &walkerFall, &start, walker, nullptr, nullptr),
        1);
    // An actor of type 2 walks through everything.
    healthPercentage = 100;
    walker->type = 2;
    EXPECT_EQ(
        CheckMove(-6, 1, -6, 0.2f, &walker->position.y, 180, &walkerFall, &start, walker, nullptr, nullptr),
        1);
}

TEST(Slides, TheSlideIsTheStepsShareAlongTheSurface)
{
    const struct
    {
        float surface, heading, dx, dz, angle;
    } cases[] = {
        {-90, 30, 0.5f, 0, 120},   // a wall along x, stepping ahead and right
        {0, 60, 0, -0.5f, 60},     // a wall along z
        {45, 90, 0.5f, -0.5f, 45}, // diagonal walls, four headings
        {45, 0, 0.5f, -0.5f, 135},  {45, 180, -0.5f, 0.5f, 135},
        {45, 270, -0.5f, 0.5f, 45}, {-45, 0, -0.5f, -0.5f, 45}, // the surface angle taken as -45 + 180
        {-45, 90, 0.5f, 0.5f, 135},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.surface << " " << c.heading);
        fpl s = GetLineSlideFromRotation(c.surface, c.heading, 1.0f);
        EXPECT_NEAR(s.dx, c.dx, 1e-4f);
        EXPECT_NEAR(s.dz, c.dz, 1e-4f);
        EXPECT_NEAR(s.angle, c.angle, 1e-3f);
        EXPECT_EQ(s.valid, 0);
    }
}
