// The player's collision box and fall state, and the movement settings the step test reads.
// The player is no actor: its position is the negated camera translation (world/camera.h).
#pragma once

#include "core/vecmath.h"

#include <cstdint>

// A box as six faces of three corners each, in the face order of the model boxes:
// 0 back, 1 front, 2 left, 3 right, 4 bottom, 5 top (here: z = -h, z = h, x = -h, x = h, y = 0, y = H
// before the turn by the heading).
struct bbox
{
    vector_type faces[6][3];
};

// The player's box: 0.5 wide and deep, 1.3 high, its base 1.0 below the eye, turned with the
// heading. Rebuilt by GeneratePlayerBox after every player step.
extern bbox playerBox;
// Raised by every GeneratePlayerBox, the only writer of playerBox.
extern uint32_t gPlayerBoxVersion;

// Height still to fall (set by CheckMove), the fall clock and the fall's start in sixtieths of
// a second.
extern float fall;
extern float gPlayerFallTime;
extern int32_t fallStartTime;

// When set, movers step without any collision check.
extern int alwaysWalk;
// The player's health; actors are not blocked by a player whose health is 0.
extern float healthPercentage;

// Rebuilds playerBox from the eye position (-entfl, -updown, -entf) and viewangle.
void GeneratePlayerBox();
