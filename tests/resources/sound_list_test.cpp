// The sound list: the demo tool's samples listed by slot, loaded through the real sound layer on
// a loopback device, reported when a line is wrong, and heard where they stand.
#include "test_util.h"

#include "core/output.h"
#include "platform/fsound.h"
#include "resources/sound_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

static std::string gSoundConsole;

TEST(SoundList, LaterLinesWinBadLinesAreReportedAndSamplesSoundWhereTheyStand)
{
    TempDir dir;
    std::string out;
    ASSERT_EQ(0, RunCommand(BinaryDir() + "/make_sounds --out '" + dir.path + "'", &out)) << out;
    ASSERT_TRUE(FSOUND_InitLoopback(44100, 32));
    const std::string s = dir.path + "/Sounds/";
    ASSERT_TRUE(WriteTextFile(s + "list", "3 " + s + "step.wav\n\n3 " + s + "thud.wav\r\n255 " + s +
                                              "step.wav\n256 x\n-1 x\n99999999999 x\n8 " + s +
                                              "step.wav\n8 " + s + "gone.wav\nstep.wav\n9\n" +
                                              std::string(600, 'x') + "\n"));
    outputProc saved = toConsole;
    toConsole = [](const char* text) { gSoundConsole += std::string(text) + "\n"; };
    LoadSoundFiles((s + "list").c_str());
    LoadSoundFiles((s + "none").c_str()); // no list: nothing changes, nothing is said
    toConsole = saved;

    const int step = FSOUND_Sample_GetLength(gAllSamples[255]);
    EXPECT_GT(step, 0);
    EXPECT_GT(FSOUND_Sample_GetLength(gAllSamples[3]), step); // thud, the later line
    EXPECT_EQ(nullptr, gAllSamples[8]);                       // its later line failed
    for (const char* report :
         {"line 5: slot 256 is outside 0 to 255", "line 6: slot -1 is outside",
          "line 7: slot 99999999999 is outside", "line 9: sample file " /* gone.wav */,
          "line 10 does not start with a slot number", "line 11 names no sample", "line 12 is longer than"})
        EXPECT_NE(std::string::npos, gSoundConsole.find(report)) << report << "\n" << gSoundConsole;
    EXPECT_EQ(7, std::count(gSoundConsole.begin(), gSoundConsole.end(), '\n')) << gSoundConsole;

    // Facing -z, +x is on the listener's right.
    const float eye[3] = {2.0f, 1.0f, 2.0f};
    FSOUND_3D_Listener_SetAttributes(eye, nullptr, 0, 0, -1, 0, 1, 0);
    for (float side : {1.0f, -1.0f})
    {
        int ch = FSOUND_PlaySoundEx(FSOUND_FREE, gAllSamples[3], nullptr, 1);
        const float pos[3] = {eye[0] + 3.0f * side, eye[1], eye[2]};
        FSOUND_3D_SetAttributes(ch, pos, nullptr);
        FSOUND_SetPaused(ch, 0);
        std::vector<float> frames(2 * 4096);
        FSOUND_RenderLoopback(frames.data(), 4096);
        double level[2] = {0, 0};
        for (size_t i = 0; i < frames.size(); i++)
            level[i % 2] += double(frames[i]) * frames[i];
        EXPECT_GT(level[side > 0 ? 1 : 0], 2.0 * level[side > 0 ? 0 : 1]) << side;
        FSOUND_StopSound(ch);
    }
    FreeSoundFiles();
    FSOUND_Close();
}
