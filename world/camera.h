// The player's camera: a translation applied after pitch, yaw and roll. The eye is at the
// negated translation, the player's feet 1.0 below it.
#pragma once

extern float entfl, updown, entf;             // camera translation
extern float viewangle, updownangle, zangle;  // yaw about y, pitch about x, roll about z (degrees)

#include "core/vecmath.h"

// The player's eye in world coordinates: the negated camera translation.
vector_type EyePosition();
