// The segment-triangle test, the step test for movers and the line queries against the level
// quads and the actors' boxes. Allocates nothing per call apart from CheckMove's few ground
// candidates, which live on the stack.
#include "world/collision.h"

#include "core/clock.h"

fpl gSliders[kMaxSliders];
float s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;
float oldS1 = 0.0f, oldS2 = 0.0f, oldS3 = 0.0f;
float vecDistance = 65535.0f;
int hitPerson = 0;
human_being* gHitPerson = nullptr;
float lookHeight = 1.0f;
int wallClipping = 1;
int defaultWallClipping = 1;
int32_t (*gTickCountHook)() = nullptr;
