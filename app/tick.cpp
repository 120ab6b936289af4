// The game tick: samples input, lets the player and the actors fall, walks actors to their
// targets, keeps the listener on the player, turns the view with the mouse and runs what is due;
// while the console is open it only serves the console. Game rules live in scripts, not here.
#include "app/tick.h"
#include "app/console.h"
#include "app/live_reload.h"
#include "app/settings.h"
#include "script/screen_text.h"
#include "world/camera.h"
#include "app/draw.h"
#include "app/input.h"
#include "app/replay.h"
#include "app/screen.h"
#include "app/timing.h"
#include "core/output.h"
#include "world/level.h"
#include "world/humans.h"
#include "world/movement.h"
#include "model/blending.h"
#include "script/scheduling.h"
#include "platform/fsound.h"

#include <cmath>

int doMouseView = 0;
int oldDoMouseView = 0;
int ZarnNotAssigned = 0;
int zarnX = 0, zarnY = 0;

// The listener sits at the eye and faces where the camera looks, so a sound on the player's
// right is heard on the right.
static void UpdateListener()
{
    float pos[3] = {-entfl, -updown, -entf};
    const float yaw = viewangle * kPiOver180;
    const float pitch = updownangle * kPiOver180;
    // The camera looks along -z with all angles 0; yaw turns it to the right for positive angles.
    float fx = sinf(yaw) * cosf(pitch);
    float fy = -sinf(pitch);
    float fz = -cosf(yaw) * cosf(pitch);
    float ux = sinf(yaw) * sinf(pitch);
    float uy = cosf(pitch);
    float uz = -cosf(yaw) * sinf(pitch);
    FSOUND_3D_Listener_SetAttributes(pos, nullptr, fx, fy, fz, ux, uy, uz);
    FSOUND_3D_Update();
}

// Turns the view by the cursor's move since the previous tick: a fixed number of degrees per
// pixel (the player's sensitivity), whatever the time between ticks or frames, so the same
// motion always gives the same turn. With turn 0 (the game paused) the move is dropped.
static void UpdateMouseView(int turn)
{
    if (!doMouseView && oldDoMouseView) OutsideShowCursor(1);
    if (doMouseView)
    {
        if (!oldDoMouseView)
        {
            ZarnNotAssigned = 1;
            OutsideShowCursor(0);
        }
        if (ZarnNotAssigned)
        {
            if (gMouseLoc.x != zarnX || gMouseLoc.y != zarnY) ZarnNotAssigned = 0;
            zarnX = gMouseLoc.x;
            zarnY = gMouseLoc.y;
        }
        if (turn)
        {
            const float degrees = gSettings.mouseSensitivity;
            const float pitch = gSettings.invertMouse ? -degrees : degrees;
            viewangle = GetCorrectDegree((float)(gMouseLoc.x - zarnX) * degrees + viewangle);
            updownangle = GetCorrectDegree((float)(gMouseLoc.y - zarnY) * pitch + updownangle);
            if (updownangle > 90.0f) updownangle = 90.0f;
            if (updownangle < -90.0f) updownangle = -90.0f;
        }
        if (gMouseLoc.x > screenRect.right - 50 || gMouseLoc.x < screenRect.left + 50 ||
            gMouseLoc.y > screenRect.bottom - 50 || gMouseLoc.y < screenRect.top + 50)
        {
            OutsideWarpCursor(startLoc.x, startLoc.y);
            zarnX = startLoc.x;
            zarnY = startLoc.y;
            gMouseLoc = startLoc;
            // A real pointer may still report where it was before the warp: the reference is
            // taken again. The virtual one is exactly at the centre now, and the next move counts.
            ZarnNotAssigned = !OutsideCursorIsVirtual();
        }
        else
        {
            zarnX = gMouseLoc.x;
            zarnY = gMouseLoc.y;
        }
    }
    oldDoMouseView = doMouseView;
}

// The key that switches between full screen and a window (F11).
static const int kFullScreenKey = 122;

int GameLoop()
{
    if (levelChanged)
    {
        levelChanged = 0;
        // The new level's scripts set their own HUD text.
        ClearLevelScreenText();
    }
    // Files changed on disk are taken in between ticks' scripts; a level it loads again waits,
    // as any level load does, for the next tick.
    LiveReloadTick();
    // All the input this tick acts on, taken at once: keys, typed text, buttons and the cursor.
    tickInput input;
    SampleTickInput(&input);
    GetAllKeysFrom(input.keys, input.typed, input.typedCount);
    gMouseButtons[0] = keyMap[1];
    gMouseLoc.x = input.cursorX;
    gMouseLoc.y = input.cursorY;

    if (IsKeyDownNow(kFullScreenKey)) gSettings.fullScreen = !gSettings.fullScreen;
    // While the console is open the game waits: nothing falls, walks, poses or runs, the clock
    // stands still, and the mouse does not turn the view.
    const int paused = ConsoleTick();
    gClockPaused = paused;
    TrackSettings((uint32_t)curTime);
    // A settings file that could not be written said so here when the game was recorded.
    ReplayOutsideLines();
    if (paused)
    {
        UpdateMouseView(0);
        SaveOldKeys();
        gOldTime = gCurrentTime;
        TickEnded();
        return 1;
    }

    player_idle();

    UpdateListener();

    // A falling actor drops past walls and other movers; only the ground stops it.
    wallClipping = 0;
    for (human_being* h = baseHuman ? baseHuman->next : nullptr; h; h = h->next)
        HumanFallTick(h);
    wallClipping = defaultWallClipping;
    for (human_being* h = baseHuman ? baseHuman->next : nullptr; h; h = h->next)
        HumanWalkTick(h);

    UpdateMouseView(1);

    for (human_being* h = baseHuman ? baseHuman->next : nullptr; h; h = h->next)
        UpdateModelPose(h);

    HandleGameScripts();
    HandleHumanScriptsForMask(1);

    ExpireScreenMessages(gCurrentTime);

    tintColor = fastVector_Set(baseCol1, baseCol2, baseCol3);
    fogColor[0] = tintColor.x;
    fogColor[1] = tintColor.y;
    fogColor[2] = tintColor.z;

    SaveOldKeys();
    // Every per-tick time step (the mouse view's, the script instruction "passed") is measured
    // from here, not from the previous pass: passes may come faster than ticks.
    gOldTime = gCurrentTime;
    // A problem the tick's scripts met many times is said once, with its count.
    EndConsolePeriod();
    TickEnded();
    return 1;
}
