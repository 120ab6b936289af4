// What a model's pose yields, kept from one drawing call to the next: the posed vertex positions
// and the posed bone boxes, with the bone inputs they were made from. A model whose pose has not
// changed since the last tick is neither posed nor boxed again.
#pragma once

#include "core/vecmath.h"

#include <cstdint>

struct bonus;
struct mesh_mod;
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

// The model's cache, made or resized for its bones; compares the bones' inputs with the ones
// last seen and raises inputsVersion when any differs. Never null for a non-null model.
model_pose_cache* CheckModelPoseInputs(mesh_mod* model);

// Blends the model's channels at percent (BlendModelChannels) and checks the inputs, unless
// nothing the blend reads or writes and nothing else the pose depends on changed since the last
// call: then the channels already hold what the blend would give. When no function of the model
// code wrote the channels since (the model's poseStamp) and the percent cannot change the result,
// that is known without reading a bone, so an actor that stands still, seen or not, costs next
// to nothing a frame; otherwise the channels are compared. Returns 1 when something changed.
int BlendModelPose(mesh_mod* model, float percent);

// The posed position of every vertex (vertex i of the list at [i]), posed again only when the
// bone inputs changed since they were last posed, or the vertex list was replaced or forgotten.
// *count receives the entries (at least the model's vertexCount, at most kMaxPosedVertices).
const float (*PosedModelVertices(mesh_mod* model, int* count))[3];

// The rest normal of every vertex of the model's data source, by vertex number, built on first
// use and shared by all copies (posing does not turn normals). *count receives the entries.
const float (*ModelRestNormals(mesh_mod* model, int* count))[3];

// Drops what the cache knows: the next drawing poses and boxes the model from scratch. Rest
// positions are too many to compare every frame, so code that moves a model's rest vertices
// calls this (ScaleModelTo does); pose, blend, pivot and extent changes are seen by comparison.
void ForgetModelPose(mesh_mod* model);

// Frees the model's cache.
void FreeModelPoseCache(mesh_mod* model);
