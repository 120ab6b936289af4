// The record a model keeps of its last pose: the posed vertex positions and bone boxes with the
// bone inputs they were made from. The model record points to it and frees it; pose_cache.* fills it.
#pragma once

#include "core/vecmath.h"

#include <cstdint>

struct bonus;
struct vtx_typ;

// The inputs of one bone as last seen, and its posed box corners turned with the model.
struct posed_bone
{
    const bonus* bone;
    const bonus* parent;
    // Current rotation x, y, z and move x, y, z, the pivot, the rest extent minX ... maxZ.
    float inputs[15];
    // Pose A, pose B and current values of the six channels as the last blend left them.
    float channels[18];
    vector_type turned[8]; // posed box corners turned with the model, before the move
};

struct model_pose_cache
{
    int32_t boneCount;      // entries of bones
    int32_t inputsKnown;    // 0: the next look at the bones counts as a change
    uint32_t inputsVersion; // raised whenever the bone inputs differ from the last ones seen
    posed_bone* bones;      // in bone list order
    int32_t blendKnown;     // channels and blendPercent hold the last blend
    float blendPercent;
    int32_t blendIgnoresPercent; // every channel's pose A, pose B and current value were equal:
                                 // any finite percent blends them to the same values
    uint32_t blendStamp;         // the model's poseStamp right after the last blend
    int32_t inputsChecked;       // set by a blend check that found the inputs current: the next
                                 // CheckModelPoseInputs need not compare them again

    // Posed positions, vertex i of the list at [i]; entries past the list stay at the origin.
    float (*posed)[3];
    int32_t posedCount;
    int32_t posedKnown;
    uint32_t posedVersion;           // inputsVersion the positions were posed at
    const vtx_typ* posedFirstVertex; // the list and vertexCount they were posed from
    int32_t posedVertexCount;

    // Boxes: posed and turned at turnedVersion for turnedRotation, moved to placedPosition.
    int32_t turnedKnown;
    uint32_t turnedVersion;
    vector_type turnedRotation;
    vector_type modelTurned[8]; // model box corners turned, before the move
    vector_type topTurned;
    int32_t placedKnown;
    vector_type placedPosition;
};
