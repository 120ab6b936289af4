// The scheduler's clock arithmetic, driven with injected clock readings.
#include "app/timing.h"
#include "play_util.h"

namespace
{
std::string gCalls;

// Drawing every 40 ms and the tick every 20 ms, first run at the clock reading start.
struct SchedulerFixture : ::testing::Test
{
    timed_task draw{}, tick{};
    void Start(int64_t ms, int gated)
    {
        baseTask.next = nullptr;
        gCurrentTime = gOldTime = gFixedStepMs = 0;
        InstallTimedTask(
            &draw, [] { return gCalls += "d", 1; }, 1, 40);
        AppendTimedTask(&draw);
        InstallTimedTask(
            &tick, [] { return gCalls += "t", 1; }, 2, 20);
        AppendTimedTask(&tick);
        tick.gated = gated;
        prevTime = ms;
        HandleTimedTasksAt(ms);
        gCalls.clear();
    }
    void TearDown() override { baseTask.next = nullptr; }
};
} // namespace

TEST_F(SchedulerFixture, PassesMoveTheClockByRealTimeAndTheGatedTickKeepsItsPace)
{
    // Ungated, every pass runs every task in order, even two passes in one millisecond; the game
    // clock follows the readings, the tick's own mark is left alone, the period grid moves by
    // whole intervals.
    Start(1000, 0);
    EXPECT_EQ(gCurrentTime, 0u);
    gOldTime = 7;
    const int32_t drawBefore = draw.lastRun, tickBefore = tick.lastRun;
    for (int64_t reading : {1016, 1016, 1095})
        HandleTimedTasksAt(reading);
    EXPECT_EQ(gCalls, "dtdtdt");
    EXPECT_TRUE(gCurrentTime == 95 && gOldTime == 7);
    EXPECT_TRUE(draw.lastRun - drawBefore == 80 && tick.lastRun - tickBefore == 80);

    // Gated, the tick runs once for each whole interval since its grid point, a few at most
    // after a long stall. {clock reading, the calls of that pass}
    Start(1000, 1);
    const std::pair<int64_t, std::string> passes[] = {{1010, "d"},
                                                      {1065, "dttt"},
                                                      {1070, "d"},
                                                      {3000, "d" + std::string(kMaxCatchUpRuns, 't')},
                                                      {3020, "dt"}};
    for (const auto& [reading, calls] : passes)
    {
        gCalls.clear();
        HandleTimedTasksAt(reading);
        EXPECT_EQ(gCalls, calls) << reading;
    }

    // A fixed step runs each task once per pass and moves both clocks by the step.
    Start(5000, 1);
    gFixedStepMs = 7;
    for (int i = 0; i < 3; i++)
        HandleTimedTasks();
    EXPECT_EQ(gCalls, "dtdtdt");
    EXPECT_TRUE(gCurrentTime == 21 && prevTime == 5021);

    // The game clock wraps at 32 bits.
    Start(0x100000000LL - 30, 0);
    gCurrentTime = 0xFFFFFFF0u;
    HandleTimedTasksAt(0x100000000LL + 10);
    EXPECT_EQ(gCurrentTime, 0x18u); // 40 ms later, modulo 2^32
    EXPECT_EQ(gCalls, "dt");
}

TEST(Clock, TickCountAndCounterConversion)
{
    // Sixtieths of a second at 1000 and 16 ms. Truncated, not rounded; a counter of one tick a
    // second; no frequency, no time.
    auto ticks = [](int64_t ms) { return curTime = ms, (int64_t)TickCount(); };
    EXPECT_EQ(
        (std::vector<int64_t>{60, 0, 2500, 1, 5000, 0}),
        (std::vector<int64_t>{ticks(1000), ticks(16), CounterToMs(2500, 1000),
                              CounterToMs(1999999, 1000000000), CounterToMs(5, 1), CounterToMs(123, 0)}));
}

TEST_F(SchedulerFixture, WaitUntilTheNextTickIsDue)
{
    Start(1000, 0);
    EXPECT_EQ(MsUntilNextTick(1000), 0); // nothing gated yet: no wait
    tick.gated = 1;
    // {clock reading, ms to wait}: the tick's grid point is 1000.
    const int64_t rows[][2] = {{1000, 20}, {1001, 19}, {1019, 1}, {1020, 0}, {1075, 0}, {990, 20}};
    for (auto& r : rows)
        EXPECT_EQ(MsUntilNextTick(r[0]), r[1]) << r[0];
    HandleTimedTasksAt(1047); // two ticks; the grid moves to 1040
    EXPECT_EQ(MsUntilNextTick(1047), 13);
    draw.gated = 1, draw.lastRun = 1045; // the nearest of several gated tasks
    EXPECT_EQ(MsUntilNextTick(1047), 13);
    draw.interval = 10;
    EXPECT_EQ(MsUntilNextTick(1047), 8);
}
