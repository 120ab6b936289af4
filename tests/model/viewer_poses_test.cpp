// The demo humanoid in the model viewer: every pose the game relies on is in its pose file and
// shows the figure in a shape of its own.
#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

// Pixels of a that differ from b by more than a little; b may be one background pixel.
static int DifferentPixels(const PngImage& a, const PngImage* b)
{
    int n = 0;
    for (int y = 0; y < a.height; y++)
        for (int x = 0; x < a.width; x++)
        {
            const unsigned char *p = a.At(x, y), *q = b ? b->At(x, y) : a.At(0, 0);
            if (abs(p[0] - q[0]) + abs(p[1] - q[1]) + abs(p[2] - q[2]) > 30) n++;
        }
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
        ASSERT_EQ(RunCommand(WindowedCommand(cmd), &out), 0) << out;
        // A missing pose would be reported and the first pose shown instead.
        EXPECT_EQ(out.find("not found"), std::string::npos) << pose << ": " << out;
        shots.push_back(ReadPng(shot));
        ASSERT_TRUE(shots.back().ok) << pose;
        EXPECT_GT(DifferentPixels(shots.back(), nullptr), 200 * 200 / 50) << pose << " shows no figure";
    }
    for (size_t i = 0; i < shots.size(); i++)
        for (size_t j = i + 1; j < shots.size(); j++)
            EXPECT_GT(DifferentPixels(shots[i], &shots[j]), 100) << poses[i] << " looks like " << poses[j];
}
