// Player and actor movement on small hand-built levels: the player's and the actors' falls, steps
// along a heading, walls that block and slide, walking to a target, steps refused off the floor
// or out of the range of numbers. (The player's own steps are walked in every recorded session
// that replay_test.cpp replays; the player's box is the collision test's.)
#include "world/movement.h"

#include "level_fixtures.h"
#include "world/camera.h"
#include "world/collision.h"
#include "world/player.h"

#include <cmath>

class Movement : public LevelTest
{
  protected:
    void SetUp() override
    {
        LevelTest::SetUp();
        alwaysWalk = 0, wallClipping = defaultWallClipping = 1, healthPercentage = 100.0f;
        fall = gPlayerFallTime = viewangle = updownangle = zangle = 0.0f;
        // The player far away, so it never blocks the actors.
        entfl = -50.0f, updown = -1.0f, entf = -50.0f;
        mesh_mod* m = NewModel();
        AddFloor(m, -10, -10, 10, 10, 0);
        AddFloor(m, 40, 40, 60, 60, 0);
        AddWall(m, 5, 3, -5, 3); // across z = 3, facing -z: pushed out to z = 2.9
        Build(m);
    }
    void TearDown() override { alwaysWalk = 0, LevelTest::TearDown(); }
    human_being* Walker(vector_type at, vector_type target, float speed = 0.1f)
    {
        human_being* h = AppendNewHuman();
        h->position = at, h->walkTarget = target, h->walking = 1, h->speed = speed;
        return h;
    }
    // Walks until the actor stops (at most 500 ticks); returns the ticks taken.
    int WalkToEnd(human_being* h)
    {
        int ticks = 0;
        while (h->walking && ticks++ < 500)
            HumanWalkTick(h);
        return ticks;
    }
};

TEST(Falls, ThePlayersTakesElevenTicksForOneAndAnActorsOfFiveOrMoreKills)
{
    const float sinks[] = {0,       0.0029f, 0.0118f, 0.0265f, 0.0471f,
                           0.0736f, 0.1059f, 0.1442f, 0.1884f, 0.2384f};
    updown = -3.0f, fall = 1.0f, gPlayerFallTime = 0.0f;
    for (float sink : sinks)
    {
        const float before = updown;
        player_idle();
        EXPECT_TRUE(std::fabs(updown - before - sink) < 1e-4f && fall > 0.0f) << updown - before;
    }
    // The eleventh sink (0.2943) passes the ground: the overshoot is taken back.
    player_idle();
    EXPECT_TRUE(fall == 0.0f && gPlayerFallTime == 0.0f && std::fabs(updown + 2.0f) < 1e-5f) << updown;

    // An actor's fall: five units or more kill on landing, and the overshoot is given back too.
    for (auto [height, deadly] : {std::pair{5.0f, true}, {4.99f, false}, {8.0f, true}, {0.5f, false}})
    {
        human_being h = {};
        ZeroHuman(&h);
        h.position = V(1, 10, 2), h.fallHeight = height;
        int ticks = 0;
        float firstStep = -1.0f;
        while ((h.fallHeight > 0.0f || h.deadlyFall) && ticks < 1000)
        {
            HumanFallTick(&h);
            if (ticks++ == 1) firstStep = h.fallStep;
        }
        EXPECT_TRUE(std::fabs(10.0f - height - h.position.y) < 1e-5f && h.fallTime == 0.0f &&
                    h.position.x == 1)
            << height;
        // The second tick falls (d(0.02) - d(0)) * 1.5.
        EXPECT_NEAR(4.905f * 0.0004f * 1.5f, firstStep, 1e-6f);
        const std::string state = std::to_string(h.health) + " " + std::to_string(h.diesOnZeroHealth) + " " +
                                  h.queuedCurrentPose + "/" + h.queuedTargetPose;
        EXPECT_EQ(state, deadly ? "0 1 Fall1/Fall2" : "100 0 /") << height;
    }
}

TEST_F(Movement, ActorsWalkToTheirTargetTurnToItAndSlideOrStopAtWalls)
{
    // Turned to face the target: heading 0 walks towards +z, 90 towards +x; stopped within speed.
    human_being* h = Walker(V(0, 0, -5), V(0, 0, 1));
    EXPECT_NEAR(60, WalkToEnd(h), 2);
    EXPECT_NEAR(0.0f, h->rotation.y, 1e-3f);
    EXPECT_LT(std::hypot(h->position.x - h->walkTarget.x, h->position.z - h->walkTarget.z), h->speed);
    // Then to the side, and on straight at the wall at z = 2.9: that walk ends before it.
    for (auto [target, heading] : {std::pair{V(4, 0, 1), 90.0f}, std::pair{V(4, 0, 6), 0.0f}})
    {
        h->walkTarget = target, h->walking = 1, h->returnToStandard = 0;
        WalkToEnd(h);
        EXPECT_TRUE(h->returnToStandard == 1 && std::fabs(h->rotation.y - heading) < 1e-3f) << h->rotation.y;
    }
    EXPECT_TRUE(h->position.z < 2.9f && h->position.z > 2.5f) << h->position.z;

    // Heading 30 into the wall: blocked (0), moved along the wall instead; straight at it: stays.
    h->position = V(0, 0, 2.8f), h->rotation.y = 30.0f;
    EXPECT_EQ(0, HumanGoForward(h, 0.3f));
    EXPECT_EQ(Vecs({h->position}), "0.15 0 2.8");
    h->rotation.y = 0.0f;
    EXPECT_EQ(0, HumanGoForward(h, 0.3f));
    EXPECT_EQ(Vecs({h->position}), "0.15 0 2.8");
    // Off the floor's edge there is no ground: the step is not taken.
    h->position = V(0, 0, -9.9f), h->rotation.y = 180.0f;
    EXPECT_EQ(0, HumanGoForward(h, 0.3f));
    EXPECT_EQ(Vecs({h->position}), "0 0 -9.9");
    // A step that would leave the range of numbers is not taken: positions stay finite, as the
    // level files must hold them.
    h->position = V(3e38f, 0, 0), h->rotation.y = 90.0f, alwaysWalk = 1;
    EXPECT_TRUE(HumanGoForward(h, 1e38f) == 0 && h->position.x == 3e38f);
    // (With alwaysWalk every step goes without a fall: the collision test's, whose early answer
    // an actor's step meets as well.)

    // Dead actors and actors of another type do not walk.
    human_being *dead = Walker(V(-3, 0, 0), V(-3, 0, 2)), *other = Walker(V(-2, 0, 0), V(-2, 0, 2));
    dead->health = 0, other->type = 0;
    HumanWalkTick(dead), HumanWalkTick(other);
    EXPECT_EQ(0.0f, dead->position.z + other->position.z);
}
