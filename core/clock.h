// The game clock: milliseconds of game time, advanced by the scheduler pass and read by every
// subsystem that times something (pose blends, idles, timed scripts). Nothing here reads the
// real clock; the scheduler in app/ owns that.
#pragma once

#include <cstdint>

// Game time of this pass; unsigned, so differences wrap with the clock.
extern uint32_t gCurrentTime;
// Game time at the previous game tick, set as each tick ends: during a tick
// gCurrentTime - gOldTime is the time since the previous tick, however many passes ran between.
extern uint32_t gOldTime;
