// The level geometry's records, quads, platforms and walls, and the lists that hold them. The
// geometry code (geometry.h) fills and frees the lists; the spatial index (level_index.h) and the
// collision code read them.
#pragma once

#include "core/vecmath.h"

#include <cstdint>

struct trio;

// Quad flags, from the bone signature all three vertices of the source triangle share.
enum
{
    kQuadInvisible = 1,  // bone "invs": not drawn, its platform is not grown, its wall not pushed out
    kQuadNoCollision = 2 // bone "nocl": no platform or wall, but still hit by line queries
};

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
