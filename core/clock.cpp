// The game clock's storage; the scheduler pass (app/timing.cpp) advances it and the game tick
// (app/tick.cpp) marks the time of each tick.
#include "core/clock.h"

uint32_t gCurrentTime = 0;
uint32_t gOldTime = 0;
