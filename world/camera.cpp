// Storage of the camera globals shared by drawing, the tick, movement and scripts.
#include "world/camera.h"

float entfl = 0.0f, updown = 0.0f, entf = 0.0f;
float viewangle = 0.0f, updownangle = 0.0f, zangle = 0.0f;

vector_type EyePosition()
{
    return fastVector_Set(-entfl, -updown, -entf);
}
