// Model drawing: poses a model's vertices on the processor for the actor's blend, rebuilds its
// boxes and draws it with vertex arrays, one indexed call per used material.
#pragma once

#include "core/vecmath.h"

struct mesh_mod;

// The level's tint (1, 1, 1 untinted): materials are drawn in their colour plus tint - 1, and
// textured materials in the tint. Set by the level loader and the tick; read by scene drawing
// for the fog colour.
extern vector_type tintColor;

// Draws model at (x, y, z) turned by (rx, ry, rz) degrees (x, then y, then z, then the move),
// its pose channels blended at blendPercent (100: pose A, 0: pose B). The vertices, posed
// through their one or two bones, come from the model's pose cache (PosedModelVertices), posed
// again only when the blended channels changed; the rest normals are the model source's. The
// bone and model boxes, planes and topPoint are brought up to date and boxValid set. With culled
// non-zero (ignored until the model has been drawn once) nothing is posed or drawn, but the blend
// and boxes still follow. An owner with the lit flag is drawn at full brightness, unlit and
// untinted. A drawn model leaves the vertex, normal and texture coordinate arrays enabled and the
// blend, depth-write and texture state of the last material drawn. Returns (x, y, z); a null
// model gives (0, 0, 0).
vector_type DrawMeshworkModel(mesh_mod* model, float x, float y, float z, float rx, float ry, float rz,
                              float blendPercent, int culled);

// Outlines of every bone box as of the model's last drawing call, in world space, in the
// current colour; lighting and texturing are switched off and left off. For tools and editing.
void DrawModelBoneBoxes(const mesh_mod* model);
