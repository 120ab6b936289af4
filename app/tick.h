// The game tick: input, falls, listener, mouse view, pose updates and the scripts that are due.
#pragma once

#include "core/vecmath.h"
#include "world/collision.h" // wallClipping, defaultWallClipping
#include "world/level.h"     // the level tint baseCol1..3 the tick applies

extern int doMouseView;
extern int oldDoMouseView;
extern int ZarnNotAssigned;
extern int zarnX, zarnY;

// One tick. Returns 1.
int GameLoop();
