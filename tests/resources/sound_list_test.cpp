// The sound list: the demo tool's samples listed by slot, loaded through the real sound layer on
// a loopback device, and reported when a line is wrong; in the content checker's mode, samples
// decoded without a sound device and what is wrong with them reported with the list line.
#include "test_util.h"

#include "core/content_memory.h"
#include "core/output.h"
#include "core/problems.h"
#include "platform/fsound.h"
#include "resources/paths.h"
#include "resources/sound_list.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>

TEST(SoundList, LaterLinesWinBadLinesAreReportedSlotsShareBuffersAndTheCheckerDecodesWithoutADevice)
{
    TempDir dir;
    std::string out;
    ASSERT_EQ(0, RunCommand(BinaryDir() + "/make_sounds --out '" + dir.path + "'", &out)) << out;
    ASSERT_TRUE(FSOUND_InitLoopback(44100, 32));
    // Samples are named under the data folder (routePath).
    snprintf(routePath, sizeof routePath, "%s/", dir.path.c_str());
    const std::string s = dir.path + "/Sounds/";
    ASSERT_TRUE(
        WriteTextFile(s + "list", "3 Sounds/step.wav\n\n3 Sounds/thud.wav\r\n255 Sounds/step.wav\n256 "
                                  "x\n-1 x\n99999999999 x\n8 Sounds:step.wav\n8 Sounds/gone.wav\n"
                                  "step.wav\n9\n" +
                                      std::string(600, 'x') + "\n"));
    std::string said;
    {
        ConsoleCapture console;
        LoadSoundFiles((s + "list").c_str());
        LoadSoundFiles((s + "none").c_str()); // no list: nothing changes, nothing is said
        for (const std::string& line : ConsoleCapture::Lines())
            said += line + "\n";
    }
    const int step = FSOUND_Sample_GetLength(gAllSamples[255]);
    // Slot 3 holds thud, the later line; slot 8 is empty, its later line failed.
    EXPECT_TRUE(step > 0 && FSOUND_Sample_GetLength(gAllSamples[3]) > step && !gAllSamples[8]);
    for (const char* report :
         {"line 5: slot 256 is outside 0 to 255", "line 6: slot -1 is outside",
          "line 7: slot 99999999999 is outside", "line 9: sample file " /* gone.wav */,
          "line 10 does not start with a slot number", "line 11 names no sample", "line 12 is longer than"})
        EXPECT_NE(std::string::npos, said.find(report)) << report << "\n" << said;
    EXPECT_EQ(7, std::count(said.begin(), said.end(), '\n')) << said;
    FreeSoundFiles();

    // Slots naming one file share one buffer within the content memory.
    const long long before = ContentMemoryInUse();
    // A second of sound (88,200 bytes as 16-bit mono), named by twenty slots by two spellings.
    ASSERT_TRUE(WriteTextFile(dir / "Sounds/tone.wav", "") && WriteTone(dir / "Sounds/tone.wav"));
    ASSERT_TRUE(WriteTone(dir / "Sounds/other.wav"));
    std::string list;
    for (int slot = 0; slot < 20; slot++)
        list += std::to_string(slot) + (slot % 2 ? " Sounds/tone.wav\n" : " Sounds:tone.wav\n");
    list += "20 Sounds/other.wav\n";
    ASSERT_TRUE(WriteTextFile(dir / "Sounds/list", list));
    // Room for one sample: the second file is refused, by name.
    gContentMemoryLimit = before + 100000;
    ConsoleCapture console;
    LoadSoundFiles((dir / "Sounds/list").c_str());
    EXPECT_EQ(ContentMemoryInUse() - before, 88200);
    for (int slot = 0; slot < 20; slot++)
        EXPECT_EQ(FSOUND_Sample_GetLength(gAllSamples[slot]), 44100) << slot;
    EXPECT_EQ(gAllSamples[20], nullptr);
    EXPECT_TRUE(console.Has("//Could not load " + dir.path +
                            "/Sounds/other.wav: its sound needs 0.1 MB, over what "
                            "is left of the content memory"));
    // Each slot plays its own loop flag; the buffer goes with the last slot that holds it, here
    // slot 0, which the level's end frees with the rest.
    FSOUND_Sample_SetMode(gAllSamples[0], FSOUND_LOOP_NORMAL);
    EXPECT_GE(FSOUND_PlaySoundEx(FSOUND_FREE, gAllSamples[1], nullptr, 0), 0);
    for (int slot = 1; slot < 20; slot++)
    {
        FSOUND_Sample_Free(gAllSamples[slot]);
        gAllSamples[slot] = nullptr;
    }
    EXPECT_EQ(ContentMemoryInUse() - before, 88200);
    FreeSoundFiles();
    EXPECT_EQ(ContentMemoryInUse(), before);
    gContentMemoryLimit = kDefaultContentMemory;
    routePath[0] = 0;
    FSOUND_Close();

    gCheckOnly = 1;
    snprintf(routePath, sizeof routePath, "%s/", dir.path.c_str());
    ASSERT_TRUE(WriteTone(dir / "ok.wav"));
    ASSERT_TRUE(
        WriteSound(dir / "empty.wav", 1, 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, [](int, int) { return 0.0f; }));
    WriteTextFile(dir / "junk.wav", "RIFF and nothing that follows");
    char err[300];
    EXPECT_EQ(PLT_CheckSoundFile((dir / "ok.wav").c_str(), err, sizeof err), 1);
    EXPECT_EQ(PLT_CheckSoundFile((dir / "empty.wav").c_str(), err, sizeof err), 0);
    EXPECT_STREQ(err, "holds no sound");
    EXPECT_EQ(PLT_CheckSoundFile((dir / "junk.wav").c_str(), err, sizeof err), 0);

    WriteTextFile(dir / "list", "0 ok.wav\r\n1 junk.wav\r\n2 gone.wav\r\n");
    ProblemCapture capture;
    LoadSoundFiles((dir / "list").c_str());
    gCheckOnly = 0;
    routePath[0] = 0;
    ASSERT_EQ(capture.problems.size(), 2u);
    EXPECT_EQ(
        capture.problems[0].rfind(dir / "list:2: sample file " + dir.path + "/junk.wav cannot be read", 0),
        0u)
        << capture.problems[0];
    EXPECT_EQ(capture.problems[1],
              dir / "list:3: sample file " + dir.path + "/gone.wav not found, slot 2 stays empty");
    EXPECT_EQ(std::count(gAllSamples, gAllSamples + kSoundSlots, nullptr), kSoundSlots); // nothing is kept
}
