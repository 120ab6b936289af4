// Level geometry: the quads made from the placed level models' triangles, the walkable platforms
// and the pushed-out vertical walls built from them, and the view-volume test the scene drawing
// culls quads with. Built once per level; the per-tick collision code only walks these lists.
#pragma once

#include "core/vecmath.h"
#include "world/geometry_lists.h"

#include <cstdint>

struct mesh_mod;

// Faces whose normal has a larger absolute y than this are walkable.
extern const float kWalkableSlope; // 0.6

// Raised whenever quads are appended, the platforms and walls are built, or the geometry is
// freed: what is derived from the quads for drawing is rebuilt when it changes.
extern uint32_t gLevelGeometryVersion;

// Places a level model in the world for good (every vertex scaled by scale percent, turned by
// angles about the origin, moved by position; the placement is kept in the model) and appends
// one quad per triangle in triangle order. Returns the model; a null model adds nothing.
mesh_mod* AnalizeModelForCollisionPlanes(mesh_mod* model, vector_type angles, vector_type position,
                                         float scale);

// Every quad's normal from its corners 0, 1, 2.
void BuildWorldNormals();

// Sets every quad's collision triangle, builds the platforms and walls and indexes all three for
// the collision queries. Call once after all level models are placed and BuildWorldNormals has run.
void GenerateLevelFromQuads();

// Grows a platform triangle by kWallClipConstant on each side about the centre of its bounding
// box, axis by axis; an axis on which the points do not spread is left as it is.
void ScalePlatform(vector_type points[3]);

// Frees every quad, platform and wall and their index and empties the lists (gNumPlatforms 0,
// cursors on the heads). The level models themselves are not touched.
void DisposeLevelGeometry();

// Refills planeEqs from the current GL modelview and projection matrices. Needs a GL context.
void RecalculatePlanes();

// 1 when all four corners lie outside one and the same view plane (the quad cannot be seen).
int CheckQuadWithPlanes(const fourcorner* quad);
