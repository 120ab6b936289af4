// Skeleton posing and pose files: carrying points through a bone chain, loading named poses into
// a model's pose channels, capturing the current shape as a pose, and the two pose file formats.
#pragma once

#include "core/vecmath.h"

struct bonus;
struct mesh_mod;
struct vtx_typ;

// The rest point (x, y, z) carried through bone and its ancestors with their current channel
// values, from the bone outwards. A null bone gives the point back. The walk stops at a bone
// that is its own parent, has none, or after more links than any sane skeleton has (a parent
// cycle in a malformed model never hangs the game).
vector_type PoseVertex(bonus* bone, float x, float y, float z);

// The posed position of one vertex through its one or two bones: the model origin when the
// vertex is detached; weight 100 is the first bone alone, 0 the second alone, else
// P2 - (P2 - P1) / (100 / weight) with the integer quotient. Weights outside 0..100 count as
// the nearest end, so the quotient is never 0.
vector_type PoseWeightedVertex(const vtx_typ* vertex);

// Loads the pose A values from the first pose whose name begins with nameA and the pose B
// values from the one matching nameB; only active entries are applied, a name matching no pose
// changes nothing. Clears the owner's poseQueued (skipped when the model has no owner).
void SetModelPoses(mesh_mod* model, const char* nameA, const char* nameB);

// Freezes the blend at *percent into the pose A values and loads the pose B values from the
// pose matching name (prefix match, active entries only). *percent becomes 100 in every case.
void MorphModelPoses(mesh_mod* model, const char* name, float* percent);

// Pose A and pose B values of every rotation channel become 0.
void SetNonePoseState(mesh_mod* model);

// Stores every bone's current channel values as the pose called name (cut to 63 characters):
// the n-th bone overwrites the n-th entry of an existing pose of that exact name, or a new pose
// is appended. Entries beyond the bone count are left as they were.
void MakePoseFromCurrent(mesh_mod* model, const char* name);

// Frees every pose and entry of the model and empties its pose list.
void DisposeModelPoses(mesh_mod* model);

// Both readers take a bone word longer than 4 characters by its first 4, as the model loader
// does, and say on the console how many words they cut. Lines naming a bone the model lacks
// and entries with fewer than six numbers are reported with their line.
// Reads a pose file of either format into the model, replacing its poses. Returns 1 when the
// file was read, 0 (model untouched) when it could not be opened. Registered at start-up as
// gImportModelPosesHook, so private model copies import their own "<folder><name>_poses".
int ImportModelAnimations(mesh_mod* model, const char* path);

// Reads a "VXR_Poses" file, replacing the model's poses. When the file cannot be opened the
// model is left with no poses and 0 is returned.
int LoadModelPosesVXR(mesh_mod* model, const char* path);

// Writes the model's poses as a "VXR_Poses" file. The file is written beside the target and
// renamed over it only when complete, so a failed save never destroys the old file. 1 on
// success, 0 with a console line otherwise.
int SaveModelPosesVXR(mesh_mod* model, const char* path);

// 1 when a pose file may be written at path: nothing is there (or only a dangling link), the file
// is empty, or it is a pose file (its first line is "VXR_Poses", or its name ends in "_poses", as
// keyframe-format pose files are named). Anything else (a script, a level file, a folder, a file
// that cannot be read) is refused with a console line naming it, so that "savePoses" never writes
// over what is not a pose file.
int PoseFileMayBeReplaced(const char* path);
