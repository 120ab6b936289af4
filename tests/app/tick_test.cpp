// The game tick driven one pass at a time: the mouse view (turn rate, pitch stops, the edge
// rule), a deadly fall; and driven by the real scheduler with injected clock readings: time
// steps measured from tick to tick, the sound listener turning with the camera, and the console
// keeping the mouse and the key that closed it out of the game.
#include "app/tick.h"

#include "app/console.h"
#include "app/settings.h"
#include "platform/keys.h"

#include "app/input.h"
#include "app/screen.h"
#include "app/startup.h"
#include "app/timing.h"
#include "platform/fsound.h"
#include "platform/window.h"
#include "script/scheduling.h"
#include "world/camera.h"
#include "world/humans.h"
#include "play_util.h"

namespace
{

int gTicks = 0;

// The shell's two tasks with the real tick on its 20 ms grid, started at a clock reading of 1000,
// in a window of 640 x 480; the tick is also driven on its own, one pass at a time (Tick).
class GameTick : public ::testing::Test
{
  protected:
    timed_task draw{}, tick{};
    int64_t now = 1000;
    void SetUp() override
    {
        RegisterEngineHooks();
        VXR_Init();
        EnsureHumanRoster();
        RemoveAllHumans();
        memset(&gScriptVars, 0, sizeof gScriptVars);
        screenRect = {0, 0, 640, 480};
        startLoc = {320, 240};
        entfl = updown = entf = viewangle = updownangle = zangle = 0.0f;
        doMouseView = oldDoMouseView = ZarnNotAssigned = 0;
        gCurrentTime = gOldTime = gFixedStepMs = gTicks = 0;
        baseTask.next = nullptr;
        InstallTimedTask(
            &draw, [] { return 1; }, 1, 40);
        AppendTimedTask(&draw);
        InstallTimedTask(
            &tick, [] { return ++gTicks, GameLoop(); }, 2, 20);
        tick.gated = 1;
        AppendTimedTask(&tick);
        prevTime = now;
        HandleTimedTasksAt(now); // the first pass ticks at game time 0
    }
    void TearDown() override
    {
        baseTask.next = nullptr;
        doMouseView = oldDoMouseView = gClockPaused = 0;
        RemoveAllHumans();
        VXR_Init();
        ResetConsole();
        PLT_ResetKeys();
    }
    // One pass of passMs with the cursor at (x, y), the tick called directly.
    void Tick(int x, int y, uint32_t passMs = 20)
    {
        gOldTime = gCurrentTime;
        gCurrentTime += passMs;
        PLT_WarpCursor(x, y);
        GameLoop();
    }
    // Passes every stepMs until the clock has moved on by totalMs.
    void Passes(int stepMs, int totalMs)
    {
        for (int t = stepMs; t <= totalMs; t += stepMs)
            HandleTimedTasksAt(now + t);
        now += totalMs;
    }
};

} // namespace

TEST_F(GameTick, TheTurnIsDegreesPerPixelWhateverTheTimeTheHeadingWrapsAndThePitchStops)
{
    doMouseView = 1;
    Tick(320, 240); // takes the reference point
    // Each row: the pass's length, sensitivity, invert, heading and pitch before, the cursor's move
    // and the heading and pitch after. The same move turns the view alike after 5 ms or after a
    // 200 ms stall; the heading wraps at 180, the pitch stops at 90. (The player's own sensitivity
    // and invert with a real pointer, the real input test's.)
    const float rows[][9] = {
        {20, 0.14f, 0, 0, 0, 10, 0, 1.4f, 0},       {5, 0.14f, 0, 0, 0, 10, 0, 1.4f, 0},
        {200, 0.14f, 0, 0, 0, 0, 10, 0, 1.4f},      {0, 0.14f, 0, 0, 0, -10, 0, -1.4f, 0},
        {35, 0.05f, 1, 0, 0, 40, -40, 2.0f, 2.0f},  {20, 0.14f, 0, 179, 0, 10, 0, -179.6f, 0},
        {20, 0.14f, 0, 0, 89, 0, 100, 0, 90},       {20, 0.14f, 0, 0, 90, 0, -100, 0, 76},
        {20, 0.14f, 0, 0, -89.5f, 0, -100, 0, -90}, {20, 0.14f, 0, -179.5f, 0, -10, 0, 179.1f, 0}};
    for (auto r : rows)
    {
        gSettings.mouseSensitivity = r[1];
        gSettings.invertMouse = int(r[2]);
        viewangle = r[3];
        updownangle = r[4];
        Tick(zarnX + int(r[5]), zarnY + int(r[6]), uint32_t(r[0]));
        EXPECT_NEAR(r[7], viewangle, 1e-3) << r[0] << " ms, " << r[1] << ", from " << r[3] << "/" << r[4];
        EXPECT_NEAR(r[8], updownangle, 1e-3) << r[0] << " ms, " << r[1] << ", from " << r[3] << "/" << r[4];
        Tick(320, 240);
        Tick(321, 240); // a fresh reference point near the centre
    }
    gSettings.mouseSensitivity = kDefaultMouseSensitivity;
    gSettings.invertMouse = 0;
}

TEST_F(GameTick, CursorNearAnEdgeGoesBackToTheCentre)
{
    doMouseView = 1;
    Tick(100, 240);
    // Table: cursor position, and whether it is within 50 pixels of an edge of 640x480.
    const int cases[][3] = {{50, 240, 0}, {49, 240, 1}, {590, 240, 0}, {591, 240, 1},
                            {320, 50, 0}, {320, 49, 1}, {320, 430, 0}, {320, 431, 1}};
    for (auto [cx, cy, recentred] : cases)
    {
        Tick(cx == 320 ? 321 : 320, cy == 240 ? 241 : 240); // a fresh reference away from the edges
        Tick(cx, cy);
        int x = 0, y = 0;
        PLT_GetCursor(&x, &y);
        // Re-centred: the cursor and the reference at the centre, the reference to be taken again.
        const std::vector<int> want =
            recentred ? std::vector<int>{320, 240, 320, 240, 1} : std::vector<int>{cx, cy, cx, cy, 0};
        EXPECT_EQ(want, (std::vector<int>{x, y, zarnX, zarnY, ZarnNotAssigned})) << cx << "," << cy;
    }
    // After a re-centring the reference is taken again at the first reading that differs from the
    // centre; the turning goes on from there.
    Tick(10, 240);
    const float heading = viewangle;
    Tick(320, 240);
    Tick(330, 240);
    EXPECT_EQ(heading, viewangle);
    EXPECT_EQ(0, ZarnNotAssigned);
    Tick(340, 240);
    EXPECT_NEAR(GetCorrectDegree(heading + 1.4f), viewangle, 1e-4);
}

TEST_F(GameTick, AFallOfFiveOrMoreIsDeadly)
{
    // (The player's and the actors' falls and walks, the level flag, the tint and the fog colour
    // cleared, the wall clipping put back after the falls: the kept sessions show those.)
    human_being* faller = AppendNewHuman();
    faller->position.y = faller->fallHeight = 6.0f;
    faller->health = 10;
    for (int i = 0; i < 100; i++)
        Tick(320, 240);
    EXPECT_NEAR(faller->position.y, 0.0f, 1e-4);
    EXPECT_EQ(0, faller->health);
}

TEST_F(GameTick, PassedAddsUpToTheGameTimeWhenPassesOutrunTicks)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir / "adder", "loop\npassed 1\naddf 2,f1\nendloop\n"));
    ASSERT_TRUE(LoadAndExecuteScript((dir / "adder").c_str()));
    Passes(3, 300); // 100 passes, 15 ticks
    EXPECT_TRUE(gTicks == 1 + 15 && gCurrentTime == 300);
    EXPECT_NEAR(gScriptVars.f[1], 0.3, 1e-4);
    EXPECT_NEAR(gScriptVars.f[0], 0.018, 1e-4); // the last tick's own step: passes at 282 and 300 ms
}

TEST_F(GameTick, ListenerTurnsWithTheCamera)
{
    setenv("ALSOFT_DRIVERS", "null", 0);
    ASSERT_NE(FSOUND_InitLoopback(44100, 32), 0);
    TempDir dir;
    ASSERT_TRUE(WriteTone(dir / "tone.wav"));
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, (dir / "tone.wav").c_str(), 4400, 0);
    FSOUND_Sample_SetMinMaxDistance(sample, 4.0f, 1000.0f);
    FSOUND_Sample_SetMode(sample, FSOUND_LOOP_NORMAL);
    const int ch = FSOUND_PlaySoundEx(FSOUND_FREE, sample, nullptr, 1);
    ASSERT_GE(ch, 0);
    FSOUND_SetVolume(ch, 255);
    FSOUND_SetPaused(ch, 0);

    // The eye at (10, 2, -5); the sound 6 away from it. {yaw, pitch, sound dx, dz, on the right}
    entfl = -10.0f, updown = -2.0f, entf = 5.0f;
    // Looking along -z +x is on the right; along +x, +z; looking down keeps right on the right.
    const std::tuple<float, float, float, float, bool> rows[] = {
        {0, 0, 6, 0, true},    {180, 0, 6, 0, false}, {90, 0, 0, 6, true},
        {-90, 0, 0, 6, false}, {0, 60, 6, 0, true},   {90, -60, 0, -6, false}};
    for (const auto& [yaw, pitch, dx, dz, right] : rows)
    {
        viewangle = yaw;
        updownangle = pitch;
        const float pos[3] = {10.0f + dx, 2.0f, -5.0f + dz};
        FSOUND_3D_SetAttributes(ch, pos, nullptr);
        Passes(20, 20);
        SideLevels lr = LoopbackLevels();
        const double near = right ? lr.right : lr.left, far = right ? lr.left : lr.right;
        EXPECT_GT(near, 0.05) << yaw << "/" << pitch;
        EXPECT_GT(near, 2.0 * far) << yaw << "/" << pitch;
    }
    FSOUND_Close();
}

TEST_F(GameTick, WhileTheConsoleIsOpenTheMouseWaitsAndEscapeClosesItUnseen)
{
    // (That no script runs and the clock stands meanwhile, the kept sessions show: their console
    // lines are typed while the game waits.)
    doMouseView = 1;
    Passes(20, 100);
    // The console key, pressed and let go between two ticks, opens it: from that tick on the mouse
    // does not turn the view and no move is saved up for later.
    PLT_KeyEvent(kConsoleKey, 1);
    PLT_KeyEvent(kConsoleKey, 0);
    Passes(20, 200);
    EXPECT_EQ(1, gConsoleOpen);
    int x = 0, y = 0;
    PLT_GetCursor(&x, &y);
    PLT_WarpCursor(x + 30, y + 20);
    Passes(20, 100);
    EXPECT_TRUE(viewangle == 0.0f && updownangle == 0.0f);
    // Escape closes it, and stays out of the game while it is held: a script testing Escape
    // does not see the key that closed the console.
    PLT_KeyEvent(27, 1);
    Passes(20, 20);
    EXPECT_EQ(0, gConsoleOpen);
    Passes(20, 40);
    EXPECT_EQ(0, IsKeyDown(27));
    PLT_KeyEvent(27, 0);
    Passes(20, 20);
    PLT_KeyEvent(27, 1);
    Passes(20, 20);
    EXPECT_NE(0, IsKeyDown(27));
    PLT_KeyEvent(27, 0);
    // The view has not jumped.
    EXPECT_EQ(0.0f, viewangle);
}
