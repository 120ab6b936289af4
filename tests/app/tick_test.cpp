// The game tick driven one pass at a time: the mouse view (turn rate, pitch stops, the edge
// rule), the level-change flag and the tint carried into the fog colour.
#include "app/tick.h"

#include "app/draw.h"
#include "app/input.h"
#include "app/startup.h"
#include "core/clock.h"
#include "model/draw_model.h"
#include "platform/window.h"
#include "world/camera.h"
#include "world/humans.h"
#include "world/level.h"

#include <gtest/gtest.h>

namespace
{

class GameTick : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EnsureHumanRoster();
        RemoveAllHumans();
        screenRect = {0, 0, 640, 480};
        startLoc = {320, 240};
        viewangle = updownangle = 0.0f;
        doMouseView = oldDoMouseView = 0;
        gCurrentTime = 1000;
        gOldTime = 980;
    }
    void TearDown() override
    {
        doMouseView = oldDoMouseView = 0;
        RemoveAllHumans();
    }
    // One pass of passMs with the cursor at (x, y).
    void Tick(int x, int y, uint32_t passMs = 20)
    {
        gOldTime = gCurrentTime;
        gCurrentTime += passMs;
        PLT_WarpCursor(x, y);
        GameLoop();
    }
};

} // namespace

TEST_F(GameTick, MouseViewTurnsBySevenDegreesPerPixelSecondAndStopsPitchAtNinety)
{
    doMouseView = 1;
    // The first tick takes the reference point; nothing turns.
    Tick(320, 240);
    EXPECT_EQ(0.0f, viewangle);
    EXPECT_EQ(320, zarnX);
    // 10 pixels right in 20 ms: 10 * 0.02 * 7 = 1.4 degrees; down turns the pitch the same way.
    Tick(330, 245);
    EXPECT_NEAR(1.4f, viewangle, 1e-4);
    EXPECT_NEAR(0.7f, updownangle, 1e-4);
    // The same move in a 40 ms pass turns twice as far.
    Tick(340, 245, 40);
    EXPECT_NEAR(4.2f, viewangle, 1e-4);
    // Heading wraps into -180..180.
    viewangle = 179.0f;
    Tick(350, 245);
    EXPECT_NEAR(-179.6f, viewangle, 1e-3);

    // Pitch stops at exactly 90 and -90, however far the mouse goes.
    updownangle = 89.0f;
    Tick(350, 345);
    EXPECT_EQ(90.0f, updownangle);
    Tick(350, 145);
    EXPECT_NEAR(62.0f, updownangle, 1e-3);
    updownangle = -89.5f;
    Tick(350, 100);
    EXPECT_EQ(-90.0f, updownangle);

    // Mouse view off: nothing turns.
    doMouseView = 0;
    Tick(400, 100);
    EXPECT_EQ(-90.0f, updownangle);
}

TEST_F(GameTick, CursorNearAnEdgeGoesBackToTheCentre)
{
    doMouseView = 1;
    Tick(100, 240);
    // Table: cursor position, and whether it is within 50 pixels of an edge of 640x480.
    struct
    {
        int x, y;
        bool recentred;
    } cases[] = {{50, 240, false}, {49, 240, true}, {590, 240, false}, {591, 240, true},
                 {320, 50, false}, {320, 49, true}, {320, 430, false}, {320, 431, true}};
    for (auto c : cases)
    {
        Tick(c.x == 320 ? 321 : 320, c.y == 240 ? 241 : 240); // a fresh reference away from the edges
        Tick(c.x, c.y);
        int x = 0, y = 0;
        PLT_GetCursor(&x, &y);
        if (c.recentred)
        {
            EXPECT_EQ(320, x) << c.x << "," << c.y;
            EXPECT_EQ(240, y) << c.x << "," << c.y;
            EXPECT_EQ(320, zarnX);
            EXPECT_EQ(240, zarnY);
            EXPECT_EQ(1, ZarnNotAssigned);
        }
        else
        {
            EXPECT_EQ(c.x, x);
            EXPECT_EQ(c.x, zarnX);
            EXPECT_EQ(c.y, zarnY);
        }
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

TEST_F(GameTick, ClearsTheLevelFlagAndCarriesTheTintIntoTheFog)
{
    levelChanged = 1;
    baseCol1 = 0.25f;
    baseCol2 = 0.5f;
    baseCol3 = 0.75f;
    Tick(320, 240);
    EXPECT_EQ(0, levelChanged);
    EXPECT_EQ(0.25f, tintColor.x);
    EXPECT_EQ(0.75f, tintColor.z);
    EXPECT_EQ(0.5f, fogColor[1]);
    EXPECT_EQ(0.75f, fogColor[2]);
    baseCol1 = baseCol2 = baseCol3 = 1.0f;
    Tick(320, 240);
    EXPECT_EQ(1.0f, tintColor.x);
}
