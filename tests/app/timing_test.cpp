// The scheduler's clock arithmetic, driven with injected clock readings.
#include "app/timing.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
std::vector<int> gCalls;
int DrawTask()
{
    gCalls.push_back(1);
    return 1;
}
int TickTask()
{
    gCalls.push_back(2);
    return 1;
}

struct SchedulerFixture : ::testing::Test
{
    timed_task draw{}, tick{};
    void SetUp() override
    {
        baseTask.next = nullptr;
        gCalls.clear();
        gCurrentTime = gOldTime = 0;
        gFixedStepMs = 0;
        InstallTimedTask(&draw, DrawTask, 1, 40);
        AppendTimedTask(&draw);
        InstallTimedTask(&tick, TickTask, 2, 20);
        AppendTimedTask(&tick);
    }
    void TearDown() override { baseTask.next = nullptr; }
    void Start(int64_t ms)
    {
        prevTime = ms;
        HandleTimedTasksAt(ms);
        gCalls.clear();
    }
};
} // namespace

TEST_F(SchedulerFixture, ClockAdvancesByRealTimeAndToleratesZeroSteps)
{
    Start(1000);
    EXPECT_EQ(gCurrentTime, 0u);
    gOldTime = 7; // the tick's mark: passes leave it alone
    HandleTimedTasksAt(1016);
    EXPECT_EQ(gCurrentTime, 16u);
    // Two passes in the same millisecond: a zero step, and every task still runs in order.
    HandleTimedTasksAt(1016);
    EXPECT_TRUE(gCurrentTime == 16 && gOldTime == 7);
    EXPECT_EQ(gCalls, (std::vector<int>{1, 2, 1, 2}));
}

TEST_F(SchedulerFixture, PeriodGridAdvancesByWholeIntervals)
{
    Start(1000);
    const int32_t drawBefore = draw.lastRun, tickBefore = tick.lastRun;
    HandleTimedTasksAt(1095);
    EXPECT_TRUE(draw.lastRun - drawBefore == 80 && tick.lastRun - tickBefore == 80 && gCurrentTime == 95);
}

TEST_F(SchedulerFixture, GatedTickKeepsItsPaceWithBoundedCatchUp)
{
    tick.gated = 1;
    Start(1000);
    HandleTimedTasksAt(1010); // half an interval: the tick waits, drawing does not
    EXPECT_EQ(gCalls, (std::vector<int>{1}));
    gCalls.clear();
    HandleTimedTasksAt(1065); // 65 ms since the grid point: three ticks are due
    EXPECT_EQ(gCalls, (std::vector<int>{1, 2, 2, 2}));
    gCalls.clear();
    HandleTimedTasksAt(1070); // 1060 was the last boundary: nothing new for the tick
    EXPECT_EQ(gCalls, (std::vector<int>{1}));
    gCalls.clear();
    HandleTimedTasksAt(3000); // a long stall runs a few ticks, not a hundred
    EXPECT_EQ((int)gCalls.size(), 1 + kMaxCatchUpRuns);
    gCalls.clear();
    HandleTimedTasksAt(3020);
    EXPECT_EQ(gCalls, (std::vector<int>{1, 2}));
}

TEST_F(SchedulerFixture, FixedStepRunsEachTaskOncePerPass)
{
    tick.gated = 1;
    Start(5000);
    gFixedStepMs = 7;
    for (int i = 0; i < 3; i++)
        HandleTimedTasks();
    EXPECT_EQ(gCalls, (std::vector<int>{1, 2, 1, 2, 1, 2}));
    EXPECT_TRUE(gCurrentTime == 21 && prevTime == 5021);
}

TEST_F(SchedulerFixture, GameClockWrapsAt32Bits)
{
    Start(0x100000000LL - 30); // the low half of the reading is about to wrap
    gCurrentTime = 0xFFFFFFF0u;
    HandleTimedTasksAt(0x100000000LL + 10);
    EXPECT_EQ(gCurrentTime, 0x18u); // 40 ms later, modulo 2^32
    EXPECT_EQ(gCalls, (std::vector<int>{1, 2}));
}

TEST(Clock, TickCountAndCounterConversion)
{
    curTime = 1000;
    EXPECT_EQ(TickCount(), 60);
    curTime = 16;
    EXPECT_EQ(TickCount(), 0);
    // Truncated, not rounded; no frequency, no time.
    EXPECT_EQ((std::vector<int64_t>{2500, 1, 0}),
              (std::vector<int64_t>{CounterToMs(2500, 1000), CounterToMs(1999999, 1000000000),
                                    CounterToMs(123, 0)}));
}

TEST_F(SchedulerFixture, WaitUntilTheNextTickIsDue)
{
    Start(1000);
    EXPECT_EQ(MsUntilNextTick(1000), 0); // nothing gated yet: no wait
    tick.gated = 1;
    // {clock reading, ms to wait}: the tick's grid point is 1000.
    const int64_t rows[][2] = {{1000, 20}, {1001, 19}, {1019, 1}, {1020, 0}, {1075, 0}, {990, 20}};
    for (auto& r : rows)
        EXPECT_EQ(MsUntilNextTick(r[0]), r[1]) << r[0];
    HandleTimedTasksAt(1047); // two ticks; the grid moves to 1040
    EXPECT_EQ(MsUntilNextTick(1047), 13);
    draw.gated = 1; // the nearest of several gated tasks
    draw.lastRun = 1045;
    EXPECT_EQ(MsUntilNextTick(1047), 13);
    draw.interval = 10;
    EXPECT_EQ(MsUntilNextTick(1047), 8);
}
