// Animated textures: frame file names, the 32-frame clamp, alpha from colour, and the list's
// slot numbers.
#include "texture_test_support.h"
#include "test_util.h"

#include "resources/animated_textures.h"
#include "resources/paths.h"

#include <gtest/gtest.h>
#include <png.h>

class AnimatedTextures : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(EnsureGLContext()) << "no GL context (run under xvfb-run)";
        CaptureConsole();
        routePath[0] = 0;
    }
    void TearDown() override { routePath[0] = 0; }
};

static std::vector<unsigned char> Level0(GLuint name)
{
    int w, h;
    std::vector<unsigned char> rgba;
    ReadTexture(name, 0, &w, &h, &rgba);
    return rgba;
}

// Red of the first pixel, or -1 for an empty texture.
static int FirstRed(GLuint name)
{
    std::vector<unsigned char> rgba = Level0(name);
    return rgba.empty() ? -1 : rgba[0];
}

static bool WriteFrame(const std::string& path, unsigned char r)
{
    return WriteTestPng(path, 1, 1, PNG_COLOR_TYPE_RGB, 8, {r, 0, 31});
}

TEST_F(AnimatedTextures, FramesAreNumberedClampedTo32AndGetAlphaFromTheirColour)
{
    TempDir dir;
    WriteTextFile(dir / "walk/info.txt", "40\r\n50\r\nwalk\r\n");
    for (int i = 1; i <= 40; ++i)
    {
        if (i == 5) continue; // a missing frame stays an empty texture, without a message
        char name[32];
        snprintf(name, sizeof name, i < 10 ? "walk 0%d.png" : "walk %d.png", i);
        if (i == 2)
            ASSERT_TRUE(WriteTestPng(dir / ("walk/" + std::string(name)), 1, 1, PNG_COLOR_TYPE_RGBA, 8,
                                     {2, 0, 31, 7}));
        else
            ASSERT_TRUE(WriteFrame(dir / ("walk/" + std::string(name)), (unsigned char)(i * 6)));
    }
    // Files that a wrong numbering would pick up instead.
    ASSERT_TRUE(WriteFrame(dir / "walk/walk 9.png", 1));
    ASSERT_TRUE(WriteFrame(dir / "walk/walk 010.png", 1));

    animatedTexture anim;
    memset(&anim, 0, sizeof anim);
    EXPECT_EQ(LoadAnimationFromFolder((dir / "walk").c_str(), &anim), 1);
    EXPECT_EQ(anim.frameCount, 32);
    EXPECT_EQ(anim.frameDuration, 50);
    EXPECT_EQ(anim.totalDuration, 2000);
    for (int i = 1; i <= 32; ++i)
    {
        SCOPED_TRACE("frame " + std::to_string(i));
        ASSERT_NE(anim.frames[i - 1], 0u);
        std::vector<unsigned char> px = Level0(anim.frames[i - 1]);
        if (i == 5)
        {
            EXPECT_TRUE(px.empty());
            continue;
        }
        ASSERT_EQ(px.size(), 4u);
        if (i == 2)
        {
            EXPECT_EQ(px, (std::vector<unsigned char>{2, 0, 31, 7})); // its own alpha is kept
            continue;
        }
        EXPECT_EQ(px[0], i * 6);
        EXPECT_EQ(px[3], (i * 6 + 0 + 31) / 3);
    }
    EXPECT_TRUE(ConsoleLines().empty());
    glDeleteTextures(kMaxAnimationFrames, anim.frames);

    // Without an info file: one frame of 100 ms named by a space and 01.png.
    ASSERT_TRUE(WriteFrame(dir / "plain/ 01.png", 240));
    EXPECT_EQ(LoadAnimationFromFolder((dir / "plain").c_str(), &anim), 1);
    EXPECT_EQ(anim.frameCount, 1);
    EXPECT_EQ(anim.frameDuration, 100);
    EXPECT_EQ(anim.totalDuration, 100);
    EXPECT_EQ(Level0(anim.frames[0]), (std::vector<unsigned char>{240, 0, 31, 90}));
    EXPECT_EQ(anim.frames[1], 0u);
    glDeleteTextures(1, anim.frames);

    // Counts and durations the anim instruction could not divide by fall back to the defaults.
    WriteTextFile(dir / "bad/info.txt", "0\n-5\nb\n");
    ASSERT_TRUE(WriteFrame(dir / "bad/b 01.png", 3));
    EXPECT_EQ(LoadAnimationFromFolder((dir / "bad").c_str(), &anim), 1);
    EXPECT_EQ(anim.frameCount, 1);
    EXPECT_EQ(anim.frameDuration, 100);
    EXPECT_TRUE(ConsoleHasLine("frame count 0"));
    EXPECT_TRUE(ConsoleHasLine("frame duration -5"));
    EXPECT_EQ(FirstRed(anim.frames[0]), 3);
    glDeleteTextures(1, anim.frames);

    // A frame that cannot be decoded is reported and left empty.
    ClearConsoleLines();
    WriteTextFile(dir / "broken/info.txt", "1\n100\nx\n");
    WriteTextFile(dir / "broken/x 01.png", "not a picture");
    EXPECT_EQ(LoadAnimationFromFolder((dir / "broken").c_str(), &anim), 1);
    EXPECT_TRUE(ConsoleHasLine("x 01.png"));
    EXPECT_TRUE(Level0(anim.frames[0]).empty());
    glDeleteTextures(1, anim.frames);
}

TEST_F(AnimatedTextures, ListLoadsOnlySlotsOneToSixteen)
{
    TempDir dir;
    snprintf(routePath, sizeof routePath, "%s/", dir.path.c_str());
    WriteTextFile(dir / "fx/fire/info.txt", "3\n40\nfire\n");
    for (int i = 1; i <= 3; ++i)
        ASSERT_TRUE(
            WriteFrame(dir / ("fx/fire/fire 0" + std::to_string(i) + ".png"), (unsigned char)(i * 50)));
    WriteTextFile(dir / "fx/glow/info.txt", "2\n70\nglow\n");
    for (int i = 1; i <= 2; ++i)
        ASSERT_TRUE(WriteFrame(dir / ("fx/glow/glow 0" + std::to_string(i) + ".png"), 9));
    WriteTextFile(dir / "Animations/winlist.txt", "0 \"fx/fire\",\"unused\"\r\n"
                                                  "\r\n"
                                                  "17 \"fx/fire\",\"unused\"\r\n"
                                                  "3 \"fx:fire\",\"unused\"\r\n"
                                                  "no number here\r\n"
                                                  "16 \"fx/glow\",\"unused\"");
    // Never-loaded slots are safe to pick a frame from: (time / duration) mod count.
    EXPECT_EQ(gTextureAnimations[0].frameCount, 1);
    EXPECT_EQ(gTextureAnimations[0].frameDuration, 100);
    EXPECT_EQ(gTextureAnimations[0].frames[0], 0u);

    animatedTexture before[kAnimationSlots];
    memcpy(before, gTextureAnimations, sizeof before);

    LoadAnimationFiles((dir / "Animations/winlist.txt").c_str());
    EXPECT_TRUE(ConsoleHasLine("slot 0"));
    EXPECT_TRUE(ConsoleHasLine("slot 17"));
    EXPECT_TRUE(ConsoleHasLine("line 5"));

    animatedTexture& fire = gTextureAnimations[2];
    EXPECT_EQ(fire.frameCount, 3);
    EXPECT_EQ(fire.frameDuration, 40);
    EXPECT_EQ(fire.totalDuration, 120);
    EXPECT_EQ(FirstRed(fire.frames[2]), 150);
    EXPECT_EQ(gTextureAnimations[15].frameCount, 2);
    EXPECT_EQ(gTextureAnimations[15].frameDuration, 70);
    for (int slot = 0; slot < kAnimationSlots; ++slot)
    {
        if (slot == 2 || slot == 15) continue;
        EXPECT_EQ(memcmp(&gTextureAnimations[slot], &before[slot], sizeof(animatedTexture)), 0) << slot;
    }

    // Loading the same slot again replaces its frames instead of leaking the old ones.
    GLuint oldFrame = fire.frames[0];
    WriteTextFile(dir / "again.txt", "3 \"fx/glow\",\"x\"\n");
    LoadAnimationFiles((dir / "again.txt").c_str());
    EXPECT_EQ(fire.frameCount, 2);
    EXPECT_EQ(fire.frames[2], 0u);
    EXPECT_FALSE(glIsTexture(oldFrame) && oldFrame != fire.frames[0] && oldFrame != fire.frames[1]);
}
