// The game clock's storage; app/timing.cpp advances it.
#include "core/clock.h"

uint32_t gCurrentTime = 0;
uint32_t gOldTime = 0;
