// The scheduler pass and the game clock. The clock arithmetic takes its reading from
// HandleTimedTasksAt so that it can be driven without a window.
#include "app/timing.h"
#include "platform/window.h"

timed_task baseTask = {0, 0, 0, nullptr, nullptr, 0};
timed_task* taskPtr = nullptr;
int64_t timeFreq = 1000;
int64_t curTime = 0;
int64_t prevTime = 0;
int32_t gFixedStepMs = 0;
int gClockPaused = 0;

void InstallTimedTask(timed_task* task, taskProcPtr proc, int32_t id, int32_t interval)
{
    task->interval = interval;
    task->lastRun = 0;
    task->taskId = id;
    task->taskProc = proc;
    task->next = nullptr;
    task->gated = 0;
}

void AppendTimedTask(timed_task* task)
{
    timed_task* last = &baseTask;
    while (last->next)
        last = last->next;
    last->next = task;
}

int64_t CounterToMs(uint64_t counter, int64_t frequency)
{
    if (frequency <= 0) return 0;
    return (int64_t)((double)counter / (double)frequency * 1000.0);
}

int64_t ReadClockMs()
{
    return CounterToMs(PLT_ReadCounter(), timeFreq);
}

void HandleTimedTasksAt(int64_t nowMs)
{
    curTime = nowMs;
    if (!gClockPaused) gCurrentTime = gCurrentTime + ((uint32_t)curTime - (uint32_t)prevTime);
    prevTime = curTime;

    const int32_t now32 = (int32_t)(uint32_t)curTime;
    for (taskPtr = baseTask.next; taskPtr; taskPtr = taskPtr->next)
    {
        timed_task* task = taskPtr;
        int firstRun = 0;
        if (task->lastRun == 0)
        {
            task->lastRun = now32;
            firstRun = 1;
        }
        // Differences on the 32-bit grid wrap with the clock instead of jumping.
        int32_t elapsed = (int32_t)((uint32_t)now32 - (uint32_t)task->lastRun);
        int32_t interval = task->interval > 0 ? task->interval : 1;
        int32_t remainder = elapsed % interval;

        int runs = 1;
        if (task->gated && !gFixedStepMs && !firstRun)
        {
            int32_t due = elapsed / interval;
            runs = due > kMaxCatchUpRuns ? kMaxCatchUpRuns : (due < 0 ? 0 : due);
        }
        for (int i = 0; i < runs && task->taskProc; i++)
            task->taskProc();

        task->lastRun = (int32_t)((uint32_t)now32 - (uint32_t)remainder);
        if (task->lastRun == 0) task->lastRun = 1; // 0 means "not yet run"
    }
}

void HandleTimedTasks()
{
    int64_t now = gFixedStepMs ? prevTime + gFixedStepMs : ReadClockMs();
    HandleTimedTasksAt(now);
}

int32_t MsUntilNextTick(int64_t nowMs)
{
    const int32_t now32 = (int32_t)(uint32_t)nowMs;
    int32_t wait = -1;
    for (timed_task* task = baseTask.next; task; task = task->next)
    {
        if (!task->gated || task->lastRun == 0) continue;
        const int32_t interval = task->interval > 0 ? task->interval : 1;
        const int32_t elapsed = (int32_t)((uint32_t)now32 - (uint32_t)task->lastRun);
        const int32_t left = elapsed >= interval ? 0 : interval - (elapsed < 0 ? 0 : elapsed);
        if (wait < 0 || left < wait) wait = left;
    }
    return wait < 0 ? 0 : wait;
}

int32_t TickCount()
{
    return (int32_t)((double)curTime * 0.06);
}
