// The spatial index of the level geometry: a uniform grid over the ground plane in which every
// quad, platform and wall is listed in each cell its footprint touches, so that a step or a
// line query tests what lies along its way instead of the whole level. It only narrows the
// search: the collision code still tests each candidate exactly as before and in list order,
// so an indexed answer equals the answer of a scan of the whole lists.
#pragma once

#include "core/vecmath.h"

#include <cstdint>

struct fourcorner;
struct platfor;
struct vertWall;

enum levelIndexKind
{
    kLevelQuads = 0,     // collision triangles of the quads (line queries)
    kLevelPlatforms = 1, // platform points (ground probe)
    kLevelWalls = 2,     // wall triangles (the way at knee height)
    kLevelIndexKinds = 3
};

// Builds the index from the quad, platform and wall lists as they stand. GenerateLevelFromQuads
// calls it; queries also rebuild it when the lists have grown or shrunk since (the list cursors
// and gNumPlatforms no longer match), so an index never answers for geometry it has not seen.
void BuildLevelIndex();

// Frees the index (DisposeLevelGeometry calls it).
void DisposeLevelIndex();

// The grid as last built: its corner, cell side and size in cells (for tests and benchmarks).
void GetLevelIndexGrid(float* originX, float* originZ, float* cellSize, int* columns, int* rows);

// Number of records of a kind the index holds, and the record at list position i (0-based).
int LevelIndexCount(int kind);
fourcorner* LevelQuadAt(uint32_t i);
platfor* LevelPlatformAt(uint32_t i);
vertWall* LevelWallAt(uint32_t i);

// Every record of the kind whose footprint may touch the segment's, each once, by list position
// in ascending order (list order). The array stays valid until the next call for the same kind.
// A segment with a coordinate that is not finite gets every record.
int GatherLevelCandidates(int kind, const vector_type* from, const vector_type* to,
                          const uint32_t** positions);

// Offers the records of the kind along the segment, nearest cells first, each record once:
// visit(context, positions, count, tRest) gets a cell's records (ascending list positions) and
// tRest, a lower bound of the segment parameter (0 at from, 1 at to) at which any record not
// yet offered can be met. Returning false ends the walk: a nearest-hit query stops once its best
// hit lies before tRest.
typedef bool (*levelCellVisitor)(void* context, const uint32_t* positions, int count, float tRest);
void WalkLevelCells(int kind, const vector_type* from, const vector_type* to, levelCellVisitor visit,
                    void* context);
