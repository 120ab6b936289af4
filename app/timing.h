// The scheduler and the game clock: timed tasks called once per pass of the message loop.
// All game timing reads the game clock (core/clock.h); nothing else reads the task bookkeeping.
#pragma once

#include "core/clock.h"

#include <cstdint>

typedef int (*taskProcPtr)();

struct timed_task
{
    int32_t interval; // period in ms (40 drawing, 20 tick)
    int32_t lastRun;  // last period boundary (low half of curTime); 0 = not yet run
    int32_t taskId;   // 1 drawing, 2 tick
    taskProcPtr taskProc;
    timed_task* next;
    // 0: called once on every pass. 1: called once for every whole interval that has passed
    // since lastRun (at most kMaxCatchUpRuns in one pass), so the tick keeps its own pace on
    // any machine.
    int32_t gated;
};

// A pass that finds the tick further behind than this drops the missed ticks instead of
// running them all (a stall or a debugger must not make the game race afterwards).
const int kMaxCatchUpRuns = 5;

extern timed_task baseTask;
extern timed_task* taskPtr;
extern int64_t timeFreq;
extern int64_t curTime;
extern int64_t prevTime;
// Non-zero: every pass advances the clock by exactly this many ms and runs each task once.
extern int32_t gFixedStepMs;
// Set while the game is paused (the console is open): passes go on and the tasks still run, but
// the game clock stands still, so idles, timed scripts, pose blends and messages wait.
extern int gClockPaused;

// Fills a caller-allocated record (lastRun 0, next null, not gated); the caller links it.
void InstallTimedTask(timed_task* task, taskProcPtr proc, int32_t id, int32_t interval);
// Appends task behind the last task of the list.
void AppendTimedTask(timed_task* task);

// Milliseconds of a counter reading at the given frequency, truncated toward zero.
int64_t CounterToMs(uint64_t counter, int64_t frequency);
// Reads the high-resolution clock into a millisecond value.
int64_t ReadClockMs();

// One scheduler pass: reads the clock (or takes the fixed step), advances the game clock,
// calls the tasks.
void HandleTimedTasks();
// The same pass with the clock reading given in ms (tests inject the reading).
void HandleTimedTasksAt(int64_t nowMs);

// Milliseconds from nowMs until a gated task is next due (0 when one is due now or none is gated
// yet). A loop without vsync sleeps this long instead of spinning through empty passes.
int32_t MsUntilNextTick(int64_t nowMs);

// The clock in sixtieths of a second.
int32_t TickCount();
