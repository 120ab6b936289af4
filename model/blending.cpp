// Actor pose blending: the timed movement of an actor's blendPercent between pose A (100) and
// pose B (0), the blend-in from the present look into a new pose pair, the queued request that
// switches to the pair once the blend-in has arrived, swinging and resting at either pose.
#include "model/blending.h"

#include "core/clock.h"
#include "model/actor_record.h"
#include "model/mesh_records.h"
#include "model/posing.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace
{

// Longer than this and the game clock has stopped or jumped: the blend waits instead of leaping.
const uint32_t kLongestPoseStep = 1000;

int32_t ClampToInt32(long value)
{
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return (int32_t)value;
}

} // namespace

void TargetPoses(human_being* actor, const char* poseA, const char* poseB, long swingTime, long blendInTime)
{
    if (!actor) return;
    // Work on copies cut as the record stores them: the queued names come back in as poseA and
    // poseB, and an over-long name must still compare equal to itself on the next call.
    char nameA[kHumanPoseNameSize];
    char nameB[kHumanPoseNameSize];
    snprintf(nameA, sizeof nameA, "%s", poseA ? poseA : "");
    snprintf(nameB, sizeof nameB, "%s", poseB ? poseB : "");
    int32_t swing = ClampToInt32(swingTime);
    int32_t blendIn = blendInTime == 0 ? 1 : ClampToInt32(blendInTime);

    memcpy(actor->queuedCurrentPose, nameA, sizeof nameA);
    memcpy(actor->queuedTargetPose, nameB, sizeof nameB);
    actor->queuedBlendTime = swing;
    actor->queuedBlendInTime = blendIn;
    actor->poseQueued = 1;

    int sameA = VXR_EqualString(actor->currentPose, nameA);
    int sameB = VXR_EqualString(actor->targetPose, nameB);

    if (actor->blendingIn && actor->blendPercent <= 0.0f) actor->blendingIn = 0;

    if (!(sameA && sameB))
    {
        // The present look becomes pose A, the new first pose pose B, and the blend runs down
        // from 100 to it over the blend-in time.
        MorphModelPoses(actor->model, nameA, &actor->blendPercent);
        actor->blendingIn = 1;
        actor->blendTime = actor->queuedBlendInTime;
    }
    else if (!actor->blendingIn && actor->wasBlendingIn)
    {
        // The blend-in arrived at the last update: the model shows pose A, so swinging can begin.
        actor->blendPercent = 100.0f;
        SetModelPoses(actor->model, nameA, nameB);
        actor->poseQueued = 0; // also without a model, the pair is now loaded as far as it can be
        actor->blendTime = swing;
    }
    memcpy(actor->currentPose, nameA, sizeof nameA);
    memcpy(actor->targetPose, nameB, sizeof nameB);
}

void UpdateModelPose(human_being* actor)
{
    if (!actor) return;
    // Unsigned difference: a clock that went backwards reads as a long pause.
    uint32_t dt = gCurrentTime - (uint32_t)actor->lastPoseTime;

    if (actor->poseQueued)
    {
        // TargetPoses copies the names before it rewrites the queue fields.
        TargetPoses(actor, actor->queuedCurrentPose, actor->queuedTargetPose, actor->queuedBlendTime,
                    actor->queuedBlendInTime);
    }

    if (dt > kLongestPoseStep)
    {
        actor->lastPoseTime = (int32_t)gCurrentTime;
        dt = 0;
    }

    float step = actor->blendTime == 0 ? 100.0f : (float)(dt * (100.0 / actor->blendTime));
    if (actor->blendBackwards) step = -step;
    if (actor->holdFirstPose && actor->blendPercent >= 100.0f && !actor->blendingIn) step = 0.0f;
    if (actor->loopPoses && actor->blendPercent <= 0.0f && !actor->blendingIn) step = 0.0f;

    actor->blendPercent -= step;
    if (actor->blendPercent <= 0.0f)
    {
        actor->blendBackwards = 1;
        actor->blendPercent = 0.0f;
    }
    if (actor->blendPercent >= 100.0f)
    {
        actor->blendBackwards = 0;
        actor->blendPercent = 100.0f;
    }

    if (actor->diesOnZeroHealth && actor->health < 1) actor->returnToStandard = 0;

    if (actor->loopPoses && actor->blendPercent <= 0.0f && !actor->blendingIn)
        SetModelPoses(actor->model, actor->targetPose, actor->targetPose);
    if (actor->holdFirstPose && actor->blendPercent >= 100.0f && !actor->blendingIn)
        SetModelPoses(actor->model, actor->currentPose, actor->currentPose);

    if (actor->returnToStandard) TargetPoses(actor, actor->standardPose, actor->standardPose, 500, 250);

    actor->wasBlendingIn = actor->blendingIn;
    actor->lastPoseTime = (int32_t)gCurrentTime;
}

void SetHumanStandardPose(human_being* actor, const char* name)
{
    if (!actor) return;
    snprintf(actor->standardPose, sizeof actor->standardPose, "%s", name ? name : "");
}
