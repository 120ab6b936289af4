// The content checker's mode of the sound list: samples are decoded without a sound device, and
// what is wrong with them is reported with the list line.
#include "core/problems.h"
#include "platform/fsound.h"
#include "resources/paths.h"
#include "resources/sound_list.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

// A mono 16-bit PCM WAV file holding frames samples of silence.
static std::string Wav(uint32_t frames)
{
    auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
    std::string data(frames * 2, '\0');
    return "RIFF" + u32(36 + data.size()) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(8000) + u32(16000) +
           u16(2) + u16(16) + "data" + u32(data.size()) + data;
}

struct CheckOnly : ::testing::Test
{
    TempDir dir;
    void SetUp() override
    {
        gCheckOnly = 1;
        snprintf(routePath, sizeof routePath, "%s/", dir.path.c_str());
    }
    void TearDown() override
    {
        gCheckOnly = 0;
        routePath[0] = 0;
    }
};

TEST_F(CheckOnly, SoundFilesAreDecodedWithoutADevice)
{
    WriteTextFile(dir / "ok.wav", Wav(100));
    WriteTextFile(dir / "empty.wav", Wav(0));
    WriteTextFile(dir / "junk.wav", "RIFF and nothing that follows");
    char err[300];
    EXPECT_EQ(PLT_CheckSoundFile((dir / "ok.wav").c_str(), err, sizeof err), 1);
    EXPECT_EQ(PLT_CheckSoundFile((dir / "empty.wav").c_str(), err, sizeof err), 0);
    EXPECT_STREQ(err, "holds no sound");
    EXPECT_EQ(PLT_CheckSoundFile((dir / "junk.wav").c_str(), err, sizeof err), 0);

    WriteTextFile(dir / "list", "0 ok.wav\r\n1 junk.wav\r\n2 gone.wav\r\n");
    ProblemCapture capture;
    LoadSoundFiles((dir / "list").c_str());
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
