// The sound layer driven for real through OpenAL Soft's loopback device: sample files are written
// here, played, and the rendered stereo frames measured. Which side a sound is heard on as the
// listener turns is pinned by the tick's listener test.
#include "platform/fsound.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/output.h"
#include "test_util.h"

namespace
{

const int kRate = 44100;
const float kEye[3] = {10.0f, 2.0f, -5.0f};

void MoveTo(int ch, float dx, float dz)
{
    const float pos[3] = {kEye[0] + dx, kEye[1], kEye[2] + dz};
    FSOUND_3D_SetAttributes(ch, pos, nullptr);
}

// Every channel call on ch is refused and changes nothing.
void ExpectChannelRefused(int ch)
{
    const float pos[3] = {1.0f, 2.0f, 3.0f};
    EXPECT_EQ(FSOUND_3D_SetAttributes(ch, pos, nullptr) + FSOUND_SetVolume(ch, 255) +
                  FSOUND_SetPaused(ch, 0) + FSOUND_StopSound(ch) + FSOUND_IsPlaying(ch),
              0)
        << ch;
}

class SoundTest : public ::testing::Test
{
  protected:
    TempDir dir;
    FSOUND_SAMPLE* sine = nullptr;

    void SetUp() override
    {
        setenv("ALSOFT_DRIVERS", "null", 0);
        ASSERT_NE(FSOUND_InitLoopback(44100, 32), 0);
        ASSERT_TRUE(WriteTone(dir / "sine.wav"));
        sine = FSOUND_Sample_Load(FSOUND_FREE, (dir / "sine.wav").c_str(), 4400, 0);
        ASSERT_NE(sine, nullptr);
        Listen(0.0f, -1.0f); // looking down -z: +x is on the right
    }
    void TearDown() override { FSOUND_Close(); }
    static void Listen(float fx, float fz, float fy = 0.0f)
    {
        FSOUND_3D_Listener_SetAttributes(kEye, nullptr, fx, fy, fz, 0.0f, 1.0f, 0.0f);
        FSOUND_3D_Update();
    }
    // Starts sample looping at (dx, 0, dz) from the eye, the way sndloop does.
    int PlayLooped(FSOUND_SAMPLE* sample, float dx, float dz, float min = 4.0f, float max = 1000.0f)
    {
        FSOUND_Sample_SetMinMaxDistance(sample, min, max);
        FSOUND_Sample_SetMode(sample, FSOUND_LOOP_NORMAL);
        int ch = FSOUND_PlaySoundEx(FSOUND_FREE, sample, nullptr, 1);
        MoveTo(ch, dx, dz);
        FSOUND_SetVolume(ch, 255);
        FSOUND_SetPaused(ch, 0);
        return ch;
    }
};

} // namespace

TEST_F(SoundTest, GainFollowsMinOverDistanceDegenerateFacingsAreRefusedAndLoopsPlayUntilStopped)
{
    int ch = PlayLooped(sine, 0.0f, -4.0f, 4.0f, 40.0f);
    double atMin = LoopbackLevels().Both();
    ASSERT_GT(atMin, 0.1);
    // {distance, gain}: inside min 1, past max min/max.
    for (auto [distance, gain] : {std::pair<float, float>{2, 1}, {8, 0.5f}, {30, 4.0f / 30}, {80, 0.1f}})
    {
        MoveTo(ch, 0.0f, -distance);
        EXPECT_NEAR(LoopbackLevels().Both() / atMin, gain, 0.1 * gain) << "at " << distance;
    }
    // Volume scales on top of distance; 0 silences; too much is full.
    MoveTo(ch, 0.0f, -4.0f);
    for (auto [volume, gain] : {std::pair<int, double>{128, 128.0 / 255.0}, {0, 0.0}, {1000, 1.0}})
    {
        FSOUND_SetVolume(ch, volume);
        EXPECT_NEAR(LoopbackLevels().Both() / atMin, gain, 0.05) << "volume " << volume;
    }
    // A distance model the sound layer cannot use (min not above 0, max below min) is refused.
    EXPECT_EQ(
        FSOUND_Sample_SetMinMaxDistance(sine, 0.0f, 10.0f) + FSOUND_Sample_SetMinMaxDistance(sine, 10, 5), 0);

    // A listener facing forward along up, or with no facing, is refused: the last good facing is
    // kept and a sound on the left stays there.
    MoveTo(ch, -6.0f, 0.0f);
    Listen(0.0f, 0.0f, 2.0f);
    Listen(0.0f, 0.0f);
    SideLevels l = LoopbackLevels();
    EXPECT_TRUE(l.left > 0.05 && l.left > 2.0 * l.right) << l.left << " " << l.right;
    FSOUND_StopSound(ch);

    // The one-second sine, heard across three of its own lengths.
    ch = PlayLooped(sine, 0.0f, -4.0f);
    for (int i = 0; i < 30; i++)
        ASSERT_TRUE(LoopbackLevels(kRate / 10, 0).Both() > 0.1 && FSOUND_IsPlaying(ch)) << "render " << i;
    FSOUND_StopSound(ch);
    EXPECT_LT(FSOUND_IsPlaying(ch) + LoopbackLevels(4410, 512).Both(), 1e-4);

    // The same sample set to play once, as sndplay does; held until released.
    FSOUND_Sample_SetMode(sine, 304);
    ch = FSOUND_PlaySoundEx(FSOUND_FREE, sine, nullptr, 1);
    MoveTo(ch, 0.0f, -4.0f);
    EXPECT_TRUE(LoopbackLevels(2048, 0).Both() < 1e-4 && FSOUND_IsPlaying(ch) == 1);
    FSOUND_SetPaused(ch, 0);
    EXPECT_GT(LoopbackLevels(2048, 0).Both(), 0.1);
    LoopbackLevels(kRate + kRate / 5, 0); // well past its end
    EXPECT_EQ(FSOUND_IsPlaying(ch), 0);

    // Freeing a sample that is playing stops its channel.
    ch = PlayLooped(sine, 0.0f, -4.0f);
    ASSERT_GT(LoopbackLevels().Both(), 0.1);
    FSOUND_Sample_Free(sine);
    EXPECT_LT(FSOUND_IsPlaying(ch) + LoopbackLevels(4410, 512).Both(), 1e-4);
}

TEST_F(SoundTest, ChannelsAreChosenSafelyFilesAreMixedDownBadFilesGiveNullAndNothingHappensWithoutADevice)
{
    int a = FSOUND_PlaySoundEx(FSOUND_FREE, sine, nullptr, 1),
        b = FSOUND_PlaySoundEx(FSOUND_FREE, sine, nullptr, 0);
    ASSERT_TRUE(a >= 0 && b >= 0 && a != b && FSOUND_IsPlaying(a) + FSOUND_IsPlaying(b) == 2);
    EXPECT_EQ(FSOUND_PlaySoundEx(b, sine, nullptr, 1), b); // named explicitly: taken even when busy
    // Every channel busy: nothing more is started until one is stopped.
    int used = 2;
    while (FSOUND_PlaySoundEx(FSOUND_FREE, sine, nullptr, 1) >= 0)
        ASSERT_LE(++used, 32);
    EXPECT_EQ(used, 32);
    FSOUND_StopSound(7);
    EXPECT_EQ(FSOUND_PlaySoundEx(FSOUND_FREE, sine, nullptr, 1), 7);
    for (int i = 0; i < 32; i++)
        FSOUND_StopSound(i);

    // A null sample and bad channels change nothing and say so.
    EXPECT_EQ(FSOUND_PlaySoundEx(FSOUND_FREE, nullptr, nullptr, 0), -1);
    for (int bad : {-2, 32, 1000})
        EXPECT_EQ(FSOUND_PlaySoundEx(bad, sine, nullptr, 0), -1);
    for (int bad : {-2, -1, 32, 1000})
        ExpectChannelRefused(bad);
    EXPECT_LT(LoopbackLevels().Both(), 1e-4); // nothing was started
    EXPECT_EQ(FSOUND_Sample_SetMode(nullptr, 2) + FSOUND_Sample_SetMinMaxDistance(nullptr, 4, 1000), 0);
    // Freeing null frees nothing: the loaded sample still plays.
    FSOUND_Sample_Free(nullptr);
    EXPECT_EQ(FSOUND_Sample_GetLength(sine), kRate);
    EXPECT_GE(FSOUND_PlaySoundEx(FSOUND_FREE, sine, nullptr, 1), 0); // held, so it is not heard below

    // Stereo 0.8 / 0.4 averages to mono 0.6 (1.2 times the 0.5 sine) and is placed like any mono
    // sample. Float samples beyond full scale are clamped, not wrapped: a square of height 2 sounds
    // like one of height 1.
    auto square = [](float h) { return [h](int f, int) { return (f / 50) % 2 ? h : -h; }; };
    ASSERT_TRUE(
        WriteSound(dir / "stereo.wav", 2, kRate / 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                   [](int f, int c)
                   { return (c == 0 ? 0.8f : 0.4f) * std::sin(2.0f * float(M_PI) * 441.0f * f / kRate); }));
    ASSERT_TRUE(WriteSound(dir / "loud.wav", 1, kRate / 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, square(2.0f)));
    ASSERT_TRUE(WriteSound(dir / "full.wav", 1, kRate / 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, square(1.0f)));
    SideLevels levels[4];
    const char* names[] = {"stereo.wav", "sine.wav", "loud.wav", "full.wav"};
    for (int i = 0; i < 4; i++)
    {
        FSOUND_SAMPLE* s = i == 1 ? sine : FSOUND_Sample_Load(FSOUND_FREE, (dir / names[i]).c_str(), 4400, 0);
        ASSERT_NE(s, nullptr) << names[i];
        EXPECT_EQ(FSOUND_Sample_GetLength(s), i == 1 ? kRate : kRate / 2);
        int ch = PlayLooped(s, 4.0f, 0.0f);
        levels[i] = LoopbackLevels();
        FSOUND_StopSound(ch);
    }
    EXPECT_TRUE(levels[0].right > 2.0 * levels[0].left && levels[3].Both() > 0.3);
    EXPECT_NEAR(levels[0].right / levels[1].right, 1.2, 0.04);
    EXPECT_NEAR(levels[2].Both() / levels[3].Both(), 1.0, 0.03);

    // Nothing readable: null, no crash. A file that is there but does not decode is reported; a
    // missing one is left to the caller.
    ConsoleCapture console;
    std::string garbage = dir / "garbage.wav", empty = dir / "empty.wav";
    ASSERT_TRUE(WriteTextFile(garbage, "RIFF, but not really a sound file at all\n"));
    ASSERT_TRUE(WriteSound(empty, 1, 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, [](int, int) { return 0.0f; }));
    for (std::string path : {garbage, empty, dir / "missing.wav", dir.path, std::string()})
        EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), 4400, 0), nullptr) << path;
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, nullptr, 4400, 0), nullptr);
    EXPECT_TRUE(console.Has("// Sound file " + garbage) && console.Has("// Sound file " + empty) &&
                !console.Has("missing.wav"));

    FSOUND_Close();
    FSOUND_Close();
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, (dir / "sine.wav").c_str(), 4400, 0), nullptr);
    Listen(0.0f, -1.0f);
    ExpectChannelRefused(0);
    std::vector<float> out(64, 1.0f);
    FSOUND_RenderLoopback(out.data(), 32);
    EXPECT_EQ(out, std::vector<float>(64, 0.0f));

    // The ordinary device on OpenAL Soft's null driver: a working device that plays to nowhere.
    ASSERT_NE(FSOUND_Init(44100, 32, 0), 0);
    FSOUND_SAMPLE* s = FSOUND_Sample_Load(FSOUND_FREE, (dir / "sine.wav").c_str(), 4400, 0);
    EXPECT_EQ(FSOUND_PlaySoundEx(FSOUND_FREE, s, nullptr, 0) * 10 + FSOUND_IsPlaying(0), 1);
}
