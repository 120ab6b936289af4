// Model bounds and collision boxes: bone rest extents, the per-draw bone and model boxes with
// their faces, the view-volume test, actor model rescaling and small geometric helpers.
#pragma once

#include "core/vecmath.h"

#include <cstdint>

struct bonus;
struct human_being;
struct mesh_mod;
struct trio;

// Margin by which model boxes are widened in x and z (and level walls pushed out).
extern const float kWallClipConstant;

// The six view-volume planes (a, b, c, d) of the current frame; the level code refills them
// once a frame after setting the camera. A point is outside a plane when a·x + b·y + c·z + d < 0.
extern float planeEqs[6][4];

// Each bone's rest extent: the bounds of every triangle with a vertex that bone moves (first
// bone with weight > 0, or second bone with weight < 100). A bone moving nothing gets 0s.
void GetMeshworkModelHighs(trio* firstTriangle, bonus* firstBone);

// Bone boxCorners <- the eight corners of the rest extent. Corner order, for every bone and
// model box: 0 (minX,minY,maxZ) 1 (minX,maxY,maxZ) 2 (maxX,maxY,maxZ) 3 (maxX,minY,maxZ)
// 4 (minX,minY,minZ) 5 (minX,maxY,minZ) 6 (maxX,maxY,minZ) 7 (maxX,minY,minZ).
void CreateBoneBox(bonus* bone);
// boxCenter <- the mean of the eight boxCorners.
void CreateBoneBoxCenter(bonus* bone);
// boxPlanes <- three corners per face, faces in the order z = maxZ (0 1 3), z = minZ (4 5 7),
// x = maxX (2 3 6), x = minX (0 1 4), y = minY (0 3 4), y = maxY (1 2 5).
void BoneBoxToCollisionPlanes(bonus* bone);
void ModelBoxToCollisionPlanes(mesh_mod* model);

// Raised by every box update that changed a box, so that what is derived from the boxes knows
// when to be rebuilt (an update that found nothing changed leaves it).
extern uint32_t gModelBoxesVersion;

// The per-draw box update for a model drawn at position with rotation (degrees, x then y then
// z): every bone box is posed through its chain into world space, the model box becomes the
// widened model-space hull of the posed bone boxes turned and moved like the model, and topPoint,
// the planes, boxMin/boxMax and each bone's posed boxCenter (model space) follow. Work whose
// inputs (bone channels, pivots, rest extents, rotation, position) are bitwise the same as at the
// last call is skipped: the boxes are then already what a rebuild would give. Sets boxValid.
void UpdateModelBoxes(mesh_mod* model, vector_type position, vector_type rotation);

// 1 when all eight corners lie strictly outside one and the same plane of planeEqs, else 0.
int CheckBoxWithPlanes(const vector_type corners[8]);

// Rescales the actor's private model: vertex rest positions and bone pivots are multiplied by
// the factors, then the rest extents are rebuilt and the model's pose cache is dropped. With absolute 0 the
// arguments are factors; otherwise they are target width, height and depth measured on the model box of the
// last drawing (0 keeps that size). Before the first drawing the present sizes are 0 and the scale is left as
// it is. A null actor or model is ignored.
void ScaleModelTo(human_being* actor, float sx, float sy, float sz, int absolute);

// 1, 2 or 3 when v equals the rest position of the triangle's first, second or third vertex
// (tested in that order), else 0.
char VertexIsPartOfTriangle(vector_type v, const trio* t);

// 1 when all three components are exactly equal.
int EqualVector(vector_type a, vector_type b);

// Heading in degrees (-180..180) of the direction from b to a on the ground, an fpoint holding
// (x, z): 0 looks along -z, 90 along -x. Two equal points give 0.
float GetTwoPointAngle(fpoint a, fpoint b);
