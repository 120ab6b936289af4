// Player and actor movement on small hand-built levels: the player's and the actors' falls, steps
// along a heading, walls that block and slide, walking to a target, and alwaysWalk.
#include "world/movement.h"

#include "level_fixtures.h"
#include "world/camera.h"
#include "world/collision.h"
#include "world/player.h"

#include <cmath>
#include <cstring>

namespace
{

vector_type V(float x, float y, float z)
{
    return fastVector_Set(x, y, z);
}

// A floor rectangle at height 0 from (x0, z0) to (x1, z1), and an upright 2-high wall along a
// line from (ax, az) to (bx, bz).
void AddFloor(mesh_mod* m, float x0, float z0, float x1, float z1)
{
    AddLevelTriangle(m, V(x0, 0, z0), V(x1, 0, z0), V(x0, 0, z1));
    AddLevelTriangle(m, V(x1, 0, z0), V(x1, 0, z1), V(x0, 0, z1));
}
void AddWall(mesh_mod* m, float ax, float az, float bx, float bz)
{
    AddLevelTriangle(m, V(ax, 0, az), V(bx, 0, bz), V(ax, 2, az));
    AddLevelTriangle(m, V(bx, 0, bz), V(bx, 2, bz), V(ax, 2, az));
}

class Movement : public LevelTest
{
  protected:
    void SetUp() override
    {
        LevelTest::SetUp();
        alwaysWalk = 0;
        wallClipping = defaultWallClipping = 1;
        fall = gPlayerFallTime = 0.0f;
        viewangle = updownangle = zangle = 0.0f;
        // The player far away, so it never blocks the actors.
        entfl = -50.0f, updown = -1.0f, entf = -50.0f;
        healthPercentage = 100.0f;
        mesh_mod* m = NewLevelModel();
        AddFloor(m, -10, -10, 10, 10);
        AddFloor(m, 40, 40, 60, 60);
        AddWall(m, 5, 3, -5, 3); // across z = 3, facing -z: pushed out to z = 2.9
        Place(m);
        Build();
    }
    void TearDown() override
    {
        alwaysWalk = 0;
        LevelTest::TearDown();
    }
    human_being* Walker(vector_type at, vector_type target, float speed = 0.1f)
    {
        human_being* h = AppendNewHuman();
        h->position = at;
        h->walkTarget = target;
        h->walking = 1;
        h->speed = speed;
        return h;
    }
    // Walks until the actor stops (at most 500 ticks); returns the ticks taken.
    int WalkToEnd(human_being* h)
    {
        int ticks = 0;
        while (h->walking && ticks < 500)
        {
            HumanWalkTick(h);
            ticks++;
        }
        return ticks;
    }
};

float HorizontalDistance(vector_type a, vector_type b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.z - b.z) * (a.z - b.z));
}

} // namespace

TEST(PlayerFall, ElevenTicksForAFallOfOneEndingExactly)
{
    const float sinks[] = {0,       0.0029f, 0.0118f, 0.0265f, 0.0471f,
                           0.0736f, 0.1059f, 0.1442f, 0.1884f, 0.2384f};
    updown = -3.0f;
    fall = 1.0f;
    gPlayerFallTime = 0.0f;
    for (float sink : sinks)
    {
        float before = updown;
        player_idle();
        EXPECT_NEAR(sink, updown - before, 1e-4f);
        EXPECT_GT(fall, 0.0f);
    }
    // The eleventh sink (0.2943) passes the ground: the overshoot is taken back.
    player_idle();
    EXPECT_EQ(0.0f, fall);
    EXPECT_EQ(0.0f, gPlayerFallTime);
    EXPECT_NEAR(-2.0f, updown, 1e-5f);
    // Standing: nothing moves.
    player_idle();
    EXPECT_NEAR(-2.0f, updown, 1e-5f);
}

TEST(ActorFall, FiveUnitsOrMoreKillOnLandingAndTheOvershootIsGivenBack)
{
    struct
    {
        float height;
        bool deadly;
    } cases[] = {{5.0f, true}, {4.99f, false}, {8.0f, true}, {0.5f, false}};
    for (auto c : cases)
    {
        human_being h;
        memset(&h, 0, sizeof h);
        ZeroHuman(&h);
        h.position = V(1, 10, 2);
        h.fallHeight = c.height;
        int ticks = 0;
        float firstStep = -1.0f;
        while ((h.fallHeight > 0.0f || h.deadlyFall) && ticks < 1000)
        {
            HumanFallTick(&h);
            if (ticks++ == 1) firstStep = h.fallStep;
        }
        EXPECT_NEAR(10.0f - c.height, h.position.y, 1e-5f) << c.height;
        EXPECT_EQ(0.0f, h.fallTime);
        // The second tick falls (d(0.02) - d(0)) * 1.5.
        EXPECT_NEAR(4.905f * 0.0004f * 1.5f, firstStep, 1e-6f);
        EXPECT_EQ(c.deadly ? 0 : 100, h.health) << c.height;
        EXPECT_EQ(c.deadly ? 1 : 0, h.diesOnZeroHealth) << c.height;
        EXPECT_STREQ(c.deadly ? "Fall1" : "", h.queuedCurrentPose) << c.height;
        EXPECT_STREQ(c.deadly ? "Fall2" : "", h.queuedTargetPose) << c.height;
        EXPECT_EQ(1, h.position.x);
    }
}

TEST_F(Movement, PlayerStepsAlongTheViewAndSlidesAlongWalls)
{
    entfl = 0.0f, updown = -1.0f, entf = 0.0f;
    // Heading 0 steps towards -z, heading 90 towards +x.
    EXPECT_EQ(1, GoForward(nullptr, 0.5f));
    EXPECT_NEAR(0.0f, -entfl, 1e-5f);
    EXPECT_NEAR(-0.5f, -entf, 1e-5f);
    viewangle = 90.0f;
    EXPECT_EQ(1, GoForward(nullptr, 0.5f));
    EXPECT_NEAR(0.5f, -entfl, 1e-5f);
    EXPECT_NEAR(-0.5f, -entf, 1e-5f);
    // The player's box follows the step.
    EXPECT_NEAR(0.5f - 0.25f, std::fmin(playerBox.faces[0][0].x, playerBox.faces[1][0].x), 1e-4f);

    // Walking backwards (heading 180 looks along +z) into the wall at z = 3, at an angle: blocked,
    // but the slide keeps the share along the wall.
    entfl = 0.0f, entf = -2.8f;
    viewangle = 150.0f;
    EXPECT_EQ(0, GoForward(nullptr, 0.3f));
    EXPECT_NEAR(2.8f, -entf, 1e-4f);
    EXPECT_GT(-entfl, 0.1f);
    // Straight on with nothing to slide along: the player stays.
    entfl = 0.0f;
    viewangle = 180.0f;
    EXPECT_EQ(0, GoForward(nullptr, 0.3f));
    EXPECT_NEAR(0.0f, -entfl, 1e-5f);
    EXPECT_NEAR(2.8f, -entf, 1e-5f);
}

TEST_F(Movement, ActorsWalkToTheirTargetTurnToItAndStopWhenBlocked)
{
    // Heading from the target: 0 walks towards +z, 90 towards +x.
    human_being* h = Walker(V(0, 0, -5), V(0, 0, 1));
    int ticks = WalkToEnd(h);
    EXPECT_LT(HorizontalDistance(h->position, h->walkTarget), h->speed);
    EXPECT_NEAR(0.0f, h->rotation.y, 1e-3f);
    EXPECT_NEAR(60, ticks, 2);
    EXPECT_EQ(1, h->returnToStandard);
    h->walkTarget = V(4, 0, 1);
    h->walking = 1;
    WalkToEnd(h);
    EXPECT_NEAR(90.0f, std::fabs(h->rotation.y), 1e-3f);
    EXPECT_LT(HorizontalDistance(h->position, h->walkTarget), h->speed);
    EXPECT_GT(h->position.x, 3.8f);

    // Standing near its last target an actor that is asked nothing stays stopped.
    h->returnToStandard = 0;
    HumanWalkTick(h);
    EXPECT_EQ(1, h->returnToStandard);

    // Straight at the wall at z = 3: the walk ends before it.
    h->walkTarget = V(4, 0, 6);
    h->walking = 1;
    WalkToEnd(h);
    EXPECT_EQ(0, h->walking);
    EXPECT_EQ(1, h->returnToStandard);
    EXPECT_LT(h->position.z, 2.9f);
    EXPECT_GT(h->position.z, 2.5f);

    // Dead actors and actors of another type do not walk.
    human_being* dead = Walker(V(-3, 0, 0), V(-3, 0, 2));
    dead->health = 0;
    human_being* other = Walker(V(-2, 0, 0), V(-2, 0, 2));
    other->type = 0;
    HumanWalkTick(dead);
    HumanWalkTick(other);
    EXPECT_EQ(0.0f, dead->position.z);
    EXPECT_EQ(0.0f, other->position.z);
}

TEST_F(Movement, ActorsSlideAlongWallsAndAlwaysWalkGoesThrough)
{
    // Heading 30 into the wall: blocked (0), moved along the wall instead.
    human_being* h = Walker(V(0, 0, 2.8f), V(0, 0, 0));
    h->rotation.y = 30.0f;
    EXPECT_EQ(0, HumanGoForward(h, 0.3f));
    EXPECT_NEAR(2.8f, h->position.z, 1e-4f);
    EXPECT_GT(h->position.x, 0.1f);
    // Straight at it: no slide, the actor stays.
    h->position = V(0, 0, 2.8f);
    h->rotation.y = 0.0f;
    EXPECT_EQ(0, HumanGoForward(h, 0.3f));
    EXPECT_EQ(0.0f, h->position.x);
    EXPECT_NEAR(2.8f, h->position.z, 1e-5f);

    // alwaysWalk: through the wall without any test, and off the floor's edge without a fall.
    alwaysWalk = 1;
    EXPECT_EQ(1, HumanGoForward(h, 0.5f));
    EXPECT_NEAR(3.3f, h->position.z, 1e-5f);
    h->walkTarget = V(0, 0, 14);
    h->walking = 1;
    WalkToEnd(h);
    EXPECT_GT(h->position.z, 13.8f);
    EXPECT_EQ(0.0f, h->fallHeight);
}
