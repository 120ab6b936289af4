// The actor record alone: what the posing, blending and drawing code reads and writes on an
// actor. The roster that owns actors, and everything done with them, is the world's.
#pragma once

#include "core/vecmath.h"

#include <cstdint>

struct mesh_mod;
struct VXR_scripter;
struct vaPtr;

enum
{
    kHumanNameSize = 36,
    kHumanPoseNameSize = 64,
    kHumanDeathPoseSize = 10,
    kHumanUnsorted = 65535 // sortNumber of an actor not yet placed in drawing order
};

// One actor. Flags are 0 or 1. Defaults come from ZeroHuman.
struct human_being
{
    char name[kHumanNameSize]; // unique in the roster, compared exactly
    mesh_mod* model;           // private copy of a cached model, owned by the actor
    vector_type position;      // y is the height of the feet
    vector_type rotation;      // degrees; y is the heading
    float blendPercent;        // 100 (currentPose) down to 0 (targetPose)
    int32_t blendTime;         // ms for a blend over the full 100
    int32_t lastPoseTime;
    int32_t blendBackwards;
    float fallHeight;      // still to be fallen
    float fallStep;        // fallen in the current tick
    int32_t fallStartTime; // sixtieths of a second
    int32_t deadlyFall;
    float fallTime; // seconds
    int32_t returnToStandard;
    int32_t blendingIn;
    int32_t wasBlendingIn;
    int32_t diesOnZeroHealth;
    int32_t loopPoses;
    int32_t holdFirstPose;
    int32_t walking; // heading for walkTarget
    int32_t onHud;   // drawn in view space
    int32_t lit;     // drawn at full brightness
    vector_type walkTarget;
    float speed;           // walking distance per tick, also the arrival radius
    VXR_scripter* scripts; // the actor's own script list; disposed through gDisposeHumanScriptsHook
    vaPtr* variables;      // the actor's own variables; disposed through gDisposeHumanVariablesHook
    int32_t type;          // 0, 1 solid; 2 and more: not stood on, passed by line queries
    int32_t health;        // above 0 means alive
    int32_t team;
    char currentPose[kHumanPoseNameSize];
    char targetPose[kHumanPoseNameSize];
    char standardPose[kHumanPoseNameSize];
    char queuedCurrentPose[kHumanPoseNameSize];
    char queuedTargetPose[kHumanPoseNameSize];
    int32_t queuedBlendTime;
    int32_t queuedBlendInTime; // 0 is stored as 1
    int32_t poseQueued;
    char deathPose1[kHumanDeathPoseSize];
    char deathPose2[kHumanDeathPoseSize];
    int32_t sortNumber; // place in drawing order; kHumanUnsorted until placed
    float viewDistance; // the sort key
    float scale;        // percent of the model file's size
    // The actor's place among the level's actors: the order of its person file line, or after
    // them all for an actor made since (AppendNewHuman counts on from gNextLevelOrder). Never
    // reused while the level is loaded: the level's save and the editor's history find the
    // actor by it, whatever the drawing order has made of the roster.
    int32_t levelOrder;
    human_being* next;
};
