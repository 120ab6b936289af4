// Actor pose blending: the swing between two poses in game time, the long-pause rule, the
// blend-in into a new pair followed by the switch to swinging, and resting at either pose.
#include "model/blending.h"

#include "core/clock.h"
#include "model_fixtures.h"
#include "world/humans.h"

#include <cstring>
#include <string>
#include <tuple>

namespace
{

// An actor standing in "Stand" with a one-armed model whose poses turn the arm about x:
// Stand 0, Fall1 60, Fall2 -30, Walk 20.
struct PosedActor
{
    human_being* actor = NewRecord<human_being>();
    mesh_mod* m = NewRecord<mesh_mod>();
    bonus* arm;

    PosedActor()
    {
        actor->blendPercent = 100;
        actor->blendTime = 30;
        strcpy(actor->currentPose, "Stand");
        strcpy(actor->targetPose, "Stand");
        strcpy(actor->standardPose, "Stand");
        AddBone(m, "None");
        arm = AddBone(m, "arm");
        const char* names[] = {"Stand", "Fall1", "Fall2", "Walk"};
        const float angles[] = {0, 60, -30, 20};
        for (int i = 0; i < 4; i++)
            AddEntry(AddPose(m, names[i]), arm, angles[i]);
        m->owner = actor;
        actor->model = m;
        SetModelPoses(m, "Stand", "Stand");
        gCurrentTime = 100000;
        actor->lastPoseTime = (int32_t)gCurrentTime;
    }
    ~PosedActor()
    {
        DisposeMeshworkModel(m);
        free(actor);
    }
    void Update(uint32_t ms, int times = 1)
    {
        while (times-- > 0)
        {
            gCurrentTime += ms;
            UpdateModelPose(actor);
        }
    }
    // The arm's angle as the next drawing would show it.
    float Shown()
    {
        BlendModelChannels(m, actor->blendPercent);
        return arm->rotationX[2];
    }
};

} // namespace

TEST(PoseBlending, SwingsWithTheBlendTimeAndLongPausesDoNotJump)
{
    PosedActor p;
    human_being* a = p.actor;
    a->blendTime = 500;
    for (int i = 1; i <= 20; i++)
    {
        p.Update(50);
        EXPECT_NEAR(a->blendPercent, i <= 10 ? 100 - 10 * i : 10 * (i - 10), 1e-3) << "update " << i;
        EXPECT_EQ(a->blendBackwards, i >= 10 && i < 20 ? 1 : 0) << "update " << i;
    }
    // A pause longer than a second does not move the blend; exactly 1000 ms still counts; a clock
    // that went backwards (by 300 ms) reads as a pause, not as a huge step. Blend time 0 flips
    // between the poses at every update, even after a pause.
    const std::tuple<uint32_t, float, int> steps[] = {
        {1500, 100, 500}, {1000, 0, 500}, {uint32_t(-300), 0, 500}, {100, 20, 500}, {20, 100, 0},
        {5000, 0, 0},     {20, 100, 0}};
    for (auto [step, percent, blendTime] : steps)
    {
        a->blendTime = blendTime;
        p.Update(step);
        EXPECT_NEAR(a->blendPercent, percent, 1e-3) << "step " << step;
    }
}

TEST(PoseBlending, BlendInThenSwitchThenSwing)
{
    PosedActor p;
    human_being* a = p.actor;
    TargetPoses(a, "Fall1", "Fall2", 500, 16);
    EXPECT_TRUE(a->blendingIn && a->poseQueued && !strcmp(a->currentPose, "Fall1"));
    EXPECT_NEAR(p.Shown(), 0, 1e-4); // the look does not jump

    p.Update(20); // the blend-in arrives within one tick
    EXPECT_EQ(Nums(a->blendPercent, p.Shown()), "0 60");
    p.Update(20); // the queued request switches to the pair
    EXPECT_EQ((std::vector<float>{0, 0, 500, 100, -30}),
              (std::vector<float>{(float)a->blendingIn, (float)a->poseQueued, (float)a->blendTime,
                                  a->blendPercent, p.arm->rotationX[1]}));
    EXPECT_NEAR(p.Shown(), 60, 1e-4);

    // Asking for the playing pair every tick changes nothing but the queue.
    for (int i = 1; i <= 25; i++)
    {
        TargetPoses(a, "Fall1", "Fall2", 500, 16);
        EXPECT_EQ(a->blendingIn, 0);
        p.Update(20);
        EXPECT_NEAR(a->blendPercent, 100 - 4 * i, 1e-3) << "tick " << i;
    }
    p.Update(100);
    EXPECT_NEAR(p.Shown(), -12, 1e-3);

    // A new pair mid-swing freezes the present look as its starting point.
    TargetPoses(a, "Stand", "Stand", 500, 0);
    EXPECT_EQ(Nums(a->queuedBlendInTime, p.Shown()), "1 -12"); // 0 is taken as 1 ms
    // The swing was on its way back up, so the first update only turns it round.
    p.Update(20, 2);
    EXPECT_NEAR(p.Shown(), 0, 1e-3);
}

TEST(PoseBlending, RestsAtEitherPoseAndReturnsToStandard)
{
    PosedActor p;
    human_being* a = p.actor;
    SetModelPoses(a->model, "Walk", "Fall2");
    strcpy(a->currentPose, "Walk");
    strcpy(a->targetPose, "Fall2");
    a->blendTime = 100;
    // Rest at B: loopPoses stops at 0 with both slots holding the second pose.
    a->loopPoses = 1;
    p.Update(20, 9);
    EXPECT_TRUE(a->blendPercent == 0 && p.arm->rotationX[0] == -30 && p.arm->rotationX[1] == -30);
    // Rest at A: holdFirstPose stops at 100 with both slots holding the first pose.
    a->loopPoses = 0;
    a->holdFirstPose = 1;
    SetModelPoses(a->model, "Walk", "Fall2");
    a->blendPercent = 50;
    a->blendBackwards = 1;
    p.Update(20, 6);
    EXPECT_EQ(Nums(a->blendPercent, p.arm->rotationX[1], p.Shown()), "100 20 20");

    a->holdFirstPose = 0;
    TargetPoses(a, "Walk", "Fall1", 500, 16);
    p.Update(20, 5);
    a->returnToStandard = 1;
    p.Update(20, 30);
    EXPECT_EQ(std::string(a->currentPose) + " " + a->targetPose + " " + Nums(p.Shown()), "Stand Stand 0");

    // Over-long names are cut, and the cut pair still counts as the playing pair.
    std::string longName(80, 'q');
    TargetPoses(a, longName.c_str(), longName.c_str(), 500, 100);
    a->blendPercent = 40;
    TargetPoses(a, longName.c_str(), longName.c_str(), 500, 100);
    SetHumanStandardPose(a, longName.c_str());
    EXPECT_EQ(Nums(strlen(a->queuedTargetPose), a->blendPercent, strlen(a->standardPose)), "63 40 63");
}
