// What a model's pose yields, kept from one drawing call to the next: the posed vertex positions
// and the posed bone boxes, with the bone inputs they were made from. A model whose pose has not
// changed since the last tick is neither posed nor boxed again.
#pragma once

#include "model/pose_cache_record.h"

struct mesh_mod;

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
