// Words and colour on screen in the real program, read back from its screenshots: a message made
// to fit the window and then gone, HUD text lines in the right corner, the flash fading out, and a
// problem reported while playing shown at the top.
// With no level loaded the frame is black, so every coloured pixel is the overlay's.
#include "play_util.h"

namespace
{

struct box
{
    int pixels = 0, left = 1 << 30, right = -1;
};

// Pixels of the frame whose colour passes `is`, within the rectangle given in fractions of the
// frame, and the columns they span.
template <typename Test>
box Find(const PngImage& img, Test is, float x0 = 0, float y0 = 0, float x1 = 1, float y1 = 1)
{
    box b;
    for (int y = int(y0 * img.height); y < int(y1 * img.height); y++)
        for (int x = int(x0 * img.width); x < int(x1 * img.width); x++)
        {
            const unsigned char* p = img.At(x, y);
            if (!is(p[0], p[1], p[2])) continue;
            b.pixels++, b.left = std::min(b.left, x), b.right = std::max(b.right, x);
        }
    return b;
}

bool Green(int r, int g, int b)
{
    return g > 150 && r < 60 && b < 60;
}

// Runs a data folder whose start-up script is `script` for `passes` passes of 20 ms and returns
// the last frame.
PngImage Shot(const TempDir& dir, const std::string& script, int passes, const char* size = "320x240")
{
    EXPECT_TRUE(WriteTextFile(dir / "Data/game script", script));
    EXPECT_TRUE(WriteTextFile(dir / "cache", "")); // a data folder without one is a problem shown
    std::string out;
    const std::string shot = dir / "shot.png";
    EXPECT_EQ(0, RunCommand(WindowedCommand("env ALSOFT_DRIVERS=null '" + KesrowExe() + "' --mute --data '" +
                                            dir.path + "' --windowed " + size + " --frames " +
                                            std::to_string(passes) + " --fixed-step 20 --screenshot '" +
                                            shot + "'"),
                            &out))
        << out;
    return ReadPng(shot);
}

} // namespace

TEST(Overlay, AMessageTooWideIsMadeToFitAndGoesAfterItsTime)
{
    // (Messages centred above the cross-hair at a size that follows the window's, the kept
    // sessions' last frames show, in two window sizes.)
    TempDir dir;
    const std::string script = "message \"THIS MESSAGE IS MUCH TOO LONG FOR A SMALL WINDOW\",1,0,1,0\n";
    // 0.5 s in: within the window; 1.5 s in: gone.
    const box b = Find(Shot(dir, script, 25, "160x120"), Green);
    EXPECT_TRUE(b.pixels > 0 && b.left > 0 && b.right < 159)
        << b.pixels << ": " << b.left << " to " << b.right;
    EXPECT_EQ(0, Find(Shot(dir, script, 75, "160x120"), Green).pixels);
}

TEST(Overlay, HudTextStaysInItsCornerAndAFlashFades)
{
    TempDir dir;
    const std::string script = "hudText 1,\"LEFT\",1,0,0\nhudText 5,\"RIGHT\",0,0,1\nflash 0,1,0,1,1\n";
    PngImage img = Shot(dir, script, 50);
    auto blue = [](int r, int g, int b) { return b > 150 && r < 60 && g < 60; };
    // Line 5 at the top right, nowhere else. (Line 1 at the top left, the kept sessions' last frames
    // show.)
    EXPECT_GT(Find(img, blue, 0.5f, 0, 1, 0.2f).pixels, 20);
    EXPECT_EQ(Find(img, blue).pixels, Find(img, blue, 0.5f, 0, 1, 0.2f).pixels);
    // The green flash, one second long, over black: half gone after half a second (the frame
    // drawn in the 25th pass of 20 ms), gone after one.
    EXPECT_EQ(0, img.At(img.width / 2, img.height / 2)[1]);
    img = Shot(dir, script, 25);
    EXPECT_NEAR(img.At(img.width / 2, img.height / 2)[1], 128, 4);
}

TEST(Overlay, AProblemReportedWhilePlayingShowsAtTheTopForAFewSeconds)
{
    TempDir dir;
    // A model that is not there, asked for at the start.
    const std::string script = "make \"ghost\"\n";
    auto lit = [](int r, int g, int b) { return r + g + b > 200; };
    PngImage img = Shot(dir, script, 50);
    const box top = Find(img, lit, 0, 0, 1, 0.15f);
    EXPECT_GT(top.pixels, 30);
    EXPECT_EQ(top.pixels, Find(img, lit).pixels) << "only at the top";
    // (Its going after 5 s is the console test's: the notices drawn are the console's.)
}
