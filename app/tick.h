// The game tick: input, falls, listener, mouse view, pose updates and the scripts that are due.
#pragma once

#include "world/collision.h" // wallClipping, defaultWallClipping
#include "world/vecmath.h"

extern int doMouseView;
extern int oldDoMouseView;
extern int ZarnNotAssigned;
extern int zarnX, zarnY;
extern float baseCol1, baseCol2, baseCol3;

// One tick. Returns 1.
int GameLoop();
