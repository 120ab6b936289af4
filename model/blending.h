// Actor pose blending: moving an actor's blendPercent with game time, the blend-in from the
// present look into a newly requested pose pair, the swing between its two poses and resting.
#pragma once

struct human_being;

// Requests the pose pair (poseA, poseB) with swingTime ms per half swing, reached from the
// present look within blendInTime ms (0 is taken as 1). The request is also queued, so that
// each update repeats it until the blend-in has arrived and the pair is loaded. Asking again
// for the pair already playing restarts nothing. Names are cut to 63 characters.
void TargetPoses(human_being* actor, const char* poseA, const char* poseB, long swingTime, long blendInTime);

// Advances the actor's blend by the game time since its last update (once per tick). A pause
// over 1000 ms, or a clock that went backwards, moves nothing.
void UpdateModelPose(human_being* actor);

// standardPose <- name (cut to 63 characters).
void SetHumanStandardPose(human_being* actor, const char* name);
