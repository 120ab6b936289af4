// Level geometry: the quads made from the placed level models' triangles, the walkable platforms
// and the pushed-out vertical walls built from them, and the view-volume test the scene drawing
// culls quads with. Built once per level; the per-tick collision code only walks these lists.
#pragma once

#include "core/vecmath.h"

#include <cstdint>

struct mesh_mod;
struct trio;

// Quad flags, from the bone signature all three vertices of the source triangle share.
enum
{
    kQuadInvisible = 1,  // bone "invs": not drawn, its platform is not grown, its wall not pushed out
    kQuadNoCollision = 2 // bone "nocl": no platform or wall, but still hit by line queries
};

// Faces whose normal has a larger absolute y than this are walkable.
extern const float kWalkableSlope; // 0.6

struct quadCorner
{
    vector_type position;
    float u, v;
};

// One level model triangle in world coordinates. Corners 0 to 2 are the triangle, corner 3
// completes it to a quad: the third corner again for floors and slopes, the fourth corner of the
// vertical rectangle for walls (without texture coordinates).
struct fourcorner
{
    quadCorner corners[4];
    vector_type normal;               // unit normal of corners 0, 1, 2 (BuildWorldNormals)
    vector_type collisionTriangle[3]; // corners 0, 2, 1: what movement and line queries test
    trio* triangle;                   // the source triangle, which the scene drawing draws
    uint8_t flags;                    // kQuadInvisible, kQuadNoCollision or 0
    unsigned int texture;             // GL texture of the triangle's material
    fourcorner* next;
};

// A walkable triangle.
struct platfor
{
    float height; // the lowest corner height of the source quad
    vector_type points[3];
    platfor* next;
};

// A wall: a quad's collision triangle pushed out by kWallClipConstant.
struct vertWall
{
    float angle;             // perpendicular to the base edge on the ground, -180..180 degrees
    vector_type triangle[3]; // tested at knee height by CheckMove
    fourcorner* quad;        // the quad it was made from
    vertWall* next;
};

// List heads (the lists start at the head's next) and their cursors, left on the last record
// appended. gNumPlatforms counts the platform list.
extern fourcorner baseQ;
extern fourcorner* quadPtr;
extern platfor baseP;
extern platfor* platPtr;
extern int gNumPlatforms;
extern vertWall baseWall;
extern vertWall* wallPtr;
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
