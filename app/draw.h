// Scene drawing: one frame per scheduler pass, and the camera matrix.
#pragma once

#include "core/vecmath.h"
#include "model/draw_model.h"

extern int doFog;
extern float gFogStart;
extern float gFogEnd;
extern float fogColor[4];
extern float LightAmbient[4];
extern float LightDiffuse[4];
extern float light0Pos[4];

// Draws one frame and swaps; draws nothing while levelChanged is set. Returns 1.
int DrawGLScene();
// Loads the camera into the current (modelview) matrix.
void SetStandardMatrix();
