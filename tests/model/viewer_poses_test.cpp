// The demo humanoid in the model viewer: every pose the game relies on is in its pose file and
// shows the figure in a shape of its own.
#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

// Pixels that differ from the background by more than a little.
static int FigurePixels(const PngImage& img, const PngImage& background)
{
    int n = 0;
    for (int y = 0; y < img.height; y++)
        for (int x = 0; x < img.width; x++)
        {
            const unsigned char* a = img.At(x, y);
            const unsigned char* b = background.At(0, 0);
            if (abs(a[0] - b[0]) + abs(a[1] - b[1]) + abs(a[2] - b[2]) > 30) n++;
        }
    return n;
}

static int DifferentPixels(const PngImage& a, const PngImage& b)
{
    int n = 0;
    for (size_t i = 0; i + 3 < a.rgba.size() && i + 3 < b.rgba.size(); i += 4)
        if (abs(a.rgba[i] - b.rgba[i]) + abs(a.rgba[i + 1] - b.rgba[i + 1]) +
                abs(a.rgba[i + 2] - b.rgba[i + 2]) >
            30)
            n++;
    return n;
}

TEST(ViewerPoses, EveryDemoPoseShowsTheFigureDifferently)
{
    TempDir dir;
    const char* poses[] = {"Stand", "Walk1", "Walk2", "Fall1", "Fall2", "Killed1", "Killed2"};
    std::vector<PngImage> shots;
    for (const char* pose : poses)
    {
        const std::string shot = dir / (std::string(pose) + ".png");
        std::string out;
        const std::string cmd = "'" + BinaryDir() +
                                "/model_viewer' --windowed 200x200 --frames 2 --fixed-step 20 " +
                                "--spin 0 --turn 30 --pose " + pose + " --screenshot '" + shot + "' '" +
                                SourceDir() + "/demo/Models/humanoid'";
        ASSERT_EQ(RunCommand(cmd, &out), 0) << out;
        // A missing pose would be reported and the first pose shown instead.
        EXPECT_EQ(out.find("not found"), std::string::npos) << pose << ": " << out;
        shots.push_back(ReadPng(shot));
        ASSERT_TRUE(shots.back().ok) << pose;
        EXPECT_GT(FigurePixels(shots.back(), shots.back()), 200 * 200 / 50) << pose << " shows no figure";
    }
    for (size_t i = 0; i < shots.size(); i++)
        for (size_t j = i + 1; j < shots.size(); j++)
            EXPECT_GT(DifferentPixels(shots[i], shots[j]), 100) << poses[i] << " looks like " << poses[j];
}
