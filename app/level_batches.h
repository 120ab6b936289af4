// Drawing the level's quads in batches. Whenever the level geometry changes, the quads are
// sorted once into chunks of the ground plane and, within a chunk, into runs of one material and
// texture laid out in one vertex array; a frame then culls chunk by chunk and draws a run with
// one call. Colours, alpha and tint are read from the materials at every frame, so nothing has
// to be rebuilt when they change.
#pragma once

// Draws every quad that is neither invisible nor without a texture, as the one triangle it was
// made from, in its material's colour under the tint (or in the tint when textured). Opaque
// quads come first, then the blended ones in list order, so that what lies behind glass shows
// through it. Culling is off and depth writes stay on for all of them. Needs the camera set and
// the view planes recalculated; rebuilds the batches first when the geometry changed.
void DrawLevelQuads();

// Frees the batches (they are rebuilt at the next drawing).
void DisposeLevelBatches();

// What the last DrawLevelQuads did, for tests and benchmarks.
struct levelDrawStats
{
    int chunks;         // opaque chunks and blended runs held
    int chunksDrawn;    // of them inside the view volume
    int trianglesDrawn; // triangles handed to GL
};
extern levelDrawStats gLevelDrawStats;
