// The game clock: milliseconds of game time, advanced by the scheduler pass and read by every
// subsystem that times something (pose blends, idles, timed scripts). Nothing here reads the
// real clock; the scheduler in app/ owns that.
#pragma once

#include <cstdint>

// Game time of this pass and of the previous one; unsigned, so differences wrap with the clock.
extern uint32_t gCurrentTime;
extern uint32_t gOldTime;
