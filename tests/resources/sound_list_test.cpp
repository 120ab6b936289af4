// The sound list: samples written by the demo's sound tool, listed by slot, loaded into the
// slot table through the real sound layer on a loopback device and played back.
#include "test_util.h"

#include "core/output.h"
#include "platform/fsound.h"
#include "resources/paths.h"
#include "resources/sound_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

static std::vector<std::string> gSoundLines;

static bool Reported(const std::string& a, const std::string& b = "")
{
    for (const std::string& line : gSoundLines)
        if (line.rfind("//", 0) == 0 && line.find(a) != std::string::npos &&
            line.find(b) != std::string::npos)
            return true;
    return false;
}

class SoundList : public ::testing::Test
{
  protected:
    TempDir dir;
    outputProc savedConsole = toConsole;
    void SetUp() override
    {
        std::string out;
        ASSERT_EQ(0, RunCommand(BinaryDir() + "/make_sounds --out '" + dir.path + "'", &out)) << out;
        ASSERT_TRUE(FSOUND_InitLoopback(44100, 32));
        snprintf(routePath, sizeof routePath, "%s/", dir.path.c_str());
        gSoundLines.clear();
        toConsole = [](const char* text) { gSoundLines.push_back(text); };
    }
    void TearDown() override
    {
        toConsole = savedConsole;
        routePath[0] = 0;
        FreeSoundFiles();
        FSOUND_Close();
    }
    void LoadList(const std::string& text)
    {
        ASSERT_TRUE(WriteTextFile(dir / "Sounds/list", text));
        LoadSoundFiles((dir / "Sounds/list").c_str());
    }
    int LengthOf(const std::string& file)
    {
        FSOUND_SAMPLE* s = FSOUND_Sample_Load(-1, (dir / file).c_str(), 4400, 0);
        int length = FSOUND_Sample_GetLength(s);
        FSOUND_Sample_Free(s);
        return length;
    }
};

TEST_F(SoundList, SlotsLaterLinesWinAndBadLinesAreReported)
{
    const int step = LengthOf("Sounds/step.wav"), thud = LengthOf("Sounds/thud.wav");
    const int chime = LengthOf("Sounds/chime.wav");
    ASSERT_GT(step, 0);
    ASSERT_NE(step, thud);
    LoadList("3 Sounds/step.wav\n"
             "\n"
             "3 Sounds/thud.wav\r\n"
             "0 Sounds:chime.wav\n"
             "255 Sounds/step.wav\n"
             "256 Sounds/thud.wav\n"
             "-1 Sounds/thud.wav\n"
             "99999999999 Sounds/thud.wav\n"
             "7 Sounds/missing.wav\n"
             "8 Sounds/step.wav\n"
             "8 Sounds/gone.wav\n"
             "step.wav\n"
             "9\n" +
             std::string(600, 'x') + "\n");
    EXPECT_EQ(thud, FSOUND_Sample_GetLength(gAllSamples[3]));
    EXPECT_EQ(chime, FSOUND_Sample_GetLength(gAllSamples[0]));
    EXPECT_EQ(step, FSOUND_Sample_GetLength(gAllSamples[255]));
    // A later line that fails still decides the slot.
    EXPECT_EQ(nullptr, gAllSamples[7]);
    EXPECT_EQ(nullptr, gAllSamples[8]);
    EXPECT_EQ(nullptr, gAllSamples[9]);

    EXPECT_TRUE(Reported("line 6:", "slot 256 is outside 0 to 255"));
    EXPECT_TRUE(Reported("line 7:", "slot -1 is outside"));
    EXPECT_TRUE(Reported("line 8:", "is outside"));
    EXPECT_TRUE(Reported("line 9:", "missing.wav not found"));
    EXPECT_TRUE(Reported("line 11:", "gone.wav not found"));
    EXPECT_TRUE(Reported("line 12 does not start with a slot number"));
    EXPECT_TRUE(Reported("line 13 names no sample"));
    EXPECT_TRUE(Reported("line 14 is longer than"));
    EXPECT_EQ(8u, gSoundLines.size());

    // Without a list nothing changes and nothing is said.
    gSoundLines.clear();
    LoadSoundFiles((dir / "Sounds/none").c_str());
    EXPECT_EQ(thud, FSOUND_Sample_GetLength(gAllSamples[3]));
    EXPECT_TRUE(gSoundLines.empty());
}

TEST_F(SoundList, ListedSampleIsHeardOnTheSideItStandsOn)
{
    LoadList("4 Sounds/chime.wav\n");
    ASSERT_NE(nullptr, gAllSamples[4]);
    const float eye[3] = {2.0f, 1.0f, 2.0f};
    // Facing -z: +x is the listener's right.
    FSOUND_3D_Listener_SetAttributes(eye, nullptr, 0, 0, -1, 0, 1, 0);
    FSOUND_3D_Update();
    for (float side : {1.0f, -1.0f})
    {
        int ch = FSOUND_PlaySoundEx(FSOUND_FREE, gAllSamples[4], nullptr, 1);
        ASSERT_GE(ch, 0);
        const float pos[3] = {eye[0] + 3.0f * side, eye[1], eye[2]};
        FSOUND_3D_SetAttributes(ch, pos, nullptr);
        FSOUND_SetVolume(ch, 255);
        FSOUND_SetPaused(ch, 0);
        std::vector<float> frames(2 * 4096);
        FSOUND_RenderLoopback(frames.data(), 4096);
        double sum[2] = {0, 0};
        for (size_t i = 0; i < frames.size(); i++)
            sum[i % 2] += double(frames[i]) * frames[i];
        if (side > 0)
            EXPECT_GT(sum[1], 2.0 * sum[0]) << "left " << sum[0] << " right " << sum[1];
        else
            EXPECT_GT(sum[0], 2.0 * sum[1]) << "left " << sum[0] << " right " << sum[1];
        FSOUND_StopSound(ch);
    }
}
