// The player's box and fall state, and the movement settings shared by the step test.
#include "world/player.h"

#include "world/camera.h"

bbox playerBox;
uint32_t gPlayerBoxVersion = 0;
float fall = 0.0f;
float gPlayerFallTime = 0.0f;
int32_t fallStartTime = 0;
int alwaysWalk = 0;
float healthPercentage = 100.0f;

void GeneratePlayerBox()
{
    const float h = 0.25f, H = 1.3f;
    // Back, front, left, right, bottom, top: three corners each, the first the face's corner
    // from which the other two span it.
    static const float local[6][3][3] = {
        {{-1, 0, -1}, {-1, 1, -1}, {1, 0, -1}}, {{-1, 0, 1}, {-1, 1, 1}, {1, 0, 1}},
        {{-1, 0, -1}, {-1, 1, -1}, {-1, 0, 1}}, {{1, 0, -1}, {1, 1, -1}, {1, 0, 1}},
        {{-1, 0, -1}, {1, 0, -1}, {-1, 0, 1}},  {{-1, 1, -1}, {1, 1, -1}, {-1, 1, 1}},
    };
    const float cx = -entfl, cy = -updown - 1.0f, cz = -entf;
    for (int f = 0; f < 6; f++)
        for (int k = 0; k < 3; k++)
            vector_RotSet(&playerBox.faces[f][k], local[f][k][0] * h, local[f][k][1] * H, local[f][k][2] * h,
                          cx, cy, cz, 0.0f, -viewangle, 0.0f);
    gPlayerBoxVersion++;
}
