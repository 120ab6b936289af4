// The content checker's mode of the sound list: samples are decoded without a sound device, and
// what is wrong with them is reported with the list line.
#include "core/problems.h"
#include "platform/fsound.h"
#include "resources/paths.h"
#include "resources/sound_list.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <sndfile.h>

TEST(CheckOnly, SoundFilesAreDecodedWithoutADevice)
{
    TempDir dir;
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
    for (int i = 0; i < kSoundSlots; i++)
        EXPECT_EQ(gAllSamples[i], nullptr); // nothing is kept
}
