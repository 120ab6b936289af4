// The sound layer driven for real through OpenAL Soft's loopback device: sample files are written
// here, played, and the rendered stereo frames measured.
#include "platform/fsound.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/output.h"
#include "test_util.h"

namespace
{

const int kRate = 44100;

// Writes a sound file; value(frame, channel) gives each sample.
bool WriteSound(const std::string& path, int channels, int frames, int format,
                const std::function<float(int, int)>& value)
{
    SF_INFO info = {};
    info.samplerate = kRate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT)
        sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_FALSE);
    std::vector<float> data(size_t(frames) * channels);
    for (int f = 0; f < frames; f++)
        for (int c = 0; c < channels; c++)
            data[size_t(f) * channels + c] = value(f, c);
    sf_count_t written = sf_writef_float(file, data.data(), frames);
    sf_close(file);
    return written == frames;
}

float Sine(int frame, float amplitude)
{
    return amplitude * std::sin(2.0f * float(M_PI) * 441.0f * frame / kRate);
}

struct Levels
{
    double left = 0, right = 0;
    double Both() const { return left + right; }
};

// Renders and drops `settle` frames (so gain and position changes have ramped in), then renders
// `frames` more and returns the RMS level of each side.
Levels Measure(int frames = 4410, int settle = 2048)
{
    std::vector<float> buffer(2 * size_t(settle > frames ? settle : frames));
    if (settle > 0) FSOUND_RenderLoopback(buffer.data(), settle);
    FSOUND_RenderLoopback(buffer.data(), frames);
    Levels l;
    for (int f = 0; f < frames; f++)
    {
        l.left += double(buffer[2 * f]) * buffer[2 * f];
        l.right += double(buffer[2 * f + 1]) * buffer[2 * f + 1];
    }
    l.left = std::sqrt(l.left / frames);
    l.right = std::sqrt(l.right / frames);
    return l;
}

class SoundTest : public ::testing::Test
{
  protected:
    TempDir dir;
    std::string sinePath;

    void SetUp() override
    {
        setenv("ALSOFT_DRIVERS", "null", 0);
        ASSERT_NE(FSOUND_InitLoopback(44100, 32), 0);
        sinePath = dir / "sine.wav";
        ASSERT_TRUE(WriteSound(sinePath, 1, kRate, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                               [](int f, int) { return Sine(f, 0.5f); }));
    }
    void TearDown() override { FSOUND_Close(); }

    // Loads a file as the sound list does and starts it looping at pos, the way sndloop does.
    int PlayLooped(FSOUND_SAMPLE* sample, const float* pos, float min = 4.0f, float max = 1000.0f)
    {
        FSOUND_Sample_SetMinMaxDistance(sample, min, max);
        FSOUND_Sample_SetMode(sample, FSOUND_LOOP_NORMAL);
        int ch = FSOUND_PlaySoundEx(FSOUND_FREE, sample, nullptr, 1);
        FSOUND_3D_SetAttributes(ch, pos, nullptr);
        FSOUND_SetVolume(ch, 255);
        FSOUND_SetPaused(ch, 0);
        return ch;
    }
};

const float kEye[3] = {10.0f, 2.0f, -5.0f};

void Listen(float fx, float fy, float fz)
{
    FSOUND_3D_Listener_SetAttributes(kEye, nullptr, fx, fy, fz, 0.0f, 1.0f, 0.0f);
    FSOUND_3D_Update();
}

} // namespace

TEST_F(SoundTest, SoundOnThePlayersRightIsHeardOnTheRight)
{
    FSOUND_SAMPLE* s = FSOUND_Sample_Load(FSOUND_FREE, sinePath.c_str(), 4400, 0);
    ASSERT_NE(s, nullptr);
    // The player looks down -z, so +x is on the right.
    Listen(0.0f, 0.0f, -1.0f);
    const float right[3] = {kEye[0] + 6.0f, kEye[1], kEye[2]};
    int ch = PlayLooped(s, right);
    ASSERT_GE(ch, 0);
    Levels l = Measure();
    EXPECT_GT(l.right, 0.05);
    EXPECT_GT(l.right, 2.0 * l.left);

    // Turned round (the fixed orientation the original game used): the same sound is on the left.
    Listen(0.0f, 0.0f, 1.0f);
    l = Measure();
    EXPECT_GT(l.left, 2.0 * l.right);

    // Facing it: both sides alike.
    Listen(1.0f, 0.0f, 0.0f);
    l = Measure();
    EXPECT_NEAR(l.left / l.right, 1.0, 0.1);

    // A sound moved to the player's left while looking down -z again.
    Listen(0.0f, 0.0f, -1.0f);
    const float left[3] = {kEye[0] - 6.0f, kEye[1], kEye[2]};
    FSOUND_3D_SetAttributes(ch, left, nullptr);
    l = Measure();
    EXPECT_GT(l.left, 2.0 * l.right);

    // A degenerate orientation (forward along up) is refused and the last good one kept.
    FSOUND_3D_Listener_SetAttributes(kEye, nullptr, 0.0f, 2.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    FSOUND_3D_Listener_SetAttributes(kEye, nullptr, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    l = Measure();
    EXPECT_GT(l.left, 2.0 * l.right);
}

TEST_F(SoundTest, GainFollowsMinOverDistanceBetweenMinAndMax)
{
    FSOUND_SAMPLE* s = FSOUND_Sample_Load(FSOUND_FREE, sinePath.c_str(), 4400, 0);
    ASSERT_NE(s, nullptr);
    Listen(0.0f, 0.0f, -1.0f);
    auto ahead = [](float d) { return std::vector<float>{kEye[0], kEye[1], kEye[2] - d}; };

    std::vector<float> p = ahead(4.0f);
    int ch = PlayLooped(s, p.data(), 4.0f, 40.0f);
    ASSERT_GE(ch, 0);
    double atMin = Measure().Both();
    ASSERT_GT(atMin, 0.1);

    const float distances[] = {2.0f, 8.0f, 16.0f, 30.0f, 80.0f};
    const float expected[] = {1.0f, 0.5f, 0.25f, 4.0f / 30.0f, 0.1f}; // inside min: 1; past max: min/max
    for (int i = 0; i < 5; i++)
    {
        p = ahead(distances[i]);
        FSOUND_3D_SetAttributes(ch, p.data(), nullptr);
        double ratio = Measure().Both() / atMin;
        EXPECT_NEAR(ratio, expected[i], 0.1 * expected[i]) << "at distance " << distances[i];
    }

    // Volume scales on top of distance; 0 silences.
    p = ahead(4.0f);
    FSOUND_3D_SetAttributes(ch, p.data(), nullptr);
    FSOUND_SetVolume(ch, 128);
    EXPECT_NEAR(Measure().Both() / atMin, 128.0 / 255.0, 0.05);
    FSOUND_SetVolume(ch, 0);
    EXPECT_LT(Measure().Both(), 1e-4);
    FSOUND_SetVolume(ch, 1000); // clamped to full
    EXPECT_NEAR(Measure().Both() / atMin, 1.0, 0.05);

    // Distances are taken when a play starts: a new play of the sample uses the new ones.
    FSOUND_Sample_SetMinMaxDistance(s, 8.0f, 1000.0f);
    p = ahead(8.0f);
    FSOUND_StopSound(ch);
    ch = PlayLooped(s, p.data(), 8.0f, 1000.0f);
    EXPECT_NEAR(Measure().Both() / atMin, 1.0, 0.1);
    // Unusable distances are refused.
    EXPECT_EQ(FSOUND_Sample_SetMinMaxDistance(s, 0.0f, 10.0f), 0);
    EXPECT_EQ(FSOUND_Sample_SetMinMaxDistance(s, 10.0f, 5.0f), 0);
}

TEST_F(SoundTest, LoopsUntilStoppedAndOneShotsEndByThemselves)
{
    // A tenth of a second, so a loop is heard across many of its own lengths.
    std::string shortPath = dir / "short.wav";
    ASSERT_TRUE(WriteSound(shortPath, 1, kRate / 10, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                           [](int f, int) { return Sine(f, 0.5f); }));
    FSOUND_SAMPLE* s = FSOUND_Sample_Load(FSOUND_FREE, shortPath.c_str(), 4400, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(FSOUND_Sample_GetLength(s), kRate / 10);
    Listen(0.0f, 0.0f, -1.0f);
    const float front[3] = {kEye[0], kEye[1], kEye[2] - 4.0f};

    int ch = PlayLooped(s, front);
    ASSERT_GE(ch, 0);
    for (int i = 0; i < 30; i++)
    {
        ASSERT_GT(Measure(kRate / 10, 0).Both(), 0.1) << "render " << i;
        ASSERT_EQ(FSOUND_IsPlaying(ch), 1);
    }
    FSOUND_StopSound(ch);
    EXPECT_EQ(FSOUND_IsPlaying(ch), 0);
    EXPECT_LT(Measure(4410, 512).Both(), 1e-4);

    // The same sample set to play once, as sndplay does.
    FSOUND_Sample_SetMode(s, 304);
    ch = FSOUND_PlaySoundEx(FSOUND_FREE, s, nullptr, 1);
    ASSERT_GE(ch, 0);
    FSOUND_3D_SetAttributes(ch, front, nullptr);
    // Held until released: nothing sounds yet.
    EXPECT_LT(Measure(2048, 0).Both(), 1e-4);
    EXPECT_EQ(FSOUND_IsPlaying(ch), 1);
    FSOUND_SetPaused(ch, 0);
    EXPECT_GT(Measure(2048, 0).Both(), 0.1);
    EXPECT_EQ(FSOUND_IsPlaying(ch), 1);
    // Paused halfway, then resumed.
    FSOUND_SetPaused(ch, 1);
    EXPECT_LT(Measure(2048, 256).Both(), 1e-4);
    FSOUND_SetPaused(ch, 0);
    Measure(kRate / 5, 0); // well past its end
    EXPECT_EQ(FSOUND_IsPlaying(ch), 0);
    EXPECT_LT(Measure(4410, 0).Both(), 1e-4);
    // Releasing an ended channel does not start it again.
    FSOUND_SetPaused(ch, 0);
    EXPECT_EQ(FSOUND_IsPlaying(ch), 0);
    EXPECT_LT(Measure(4410, 0).Both(), 1e-4);

    // Freeing a sample that is playing stops its channel.
    ch = PlayLooped(s, front);
    ASSERT_GT(Measure().Both(), 0.1);
    FSOUND_Sample_Free(s);
    EXPECT_EQ(FSOUND_IsPlaying(ch), 0);
    EXPECT_LT(Measure(4410, 512).Both(), 1e-4);
}

TEST_F(SoundTest, ChannelsAreChosenAndCheckedSafely)
{
    FSOUND_SAMPLE* s = FSOUND_Sample_Load(FSOUND_FREE, sinePath.c_str(), 4400, 0);
    ASSERT_NE(s, nullptr);
    int a = FSOUND_PlaySoundEx(FSOUND_FREE, s, nullptr, 1);
    int b = FSOUND_PlaySoundEx(FSOUND_FREE, s, nullptr, 0);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(FSOUND_IsPlaying(a), 1);
    EXPECT_EQ(FSOUND_IsPlaying(b), 1);
    // A channel named explicitly is taken even when busy.
    EXPECT_EQ(FSOUND_PlaySoundEx(b, s, nullptr, 1), b);

    // Every channel busy: nothing more is started.
    int used = 2;
    while (FSOUND_PlaySoundEx(FSOUND_FREE, s, nullptr, 1) >= 0)
        ASSERT_LE(++used, 32);
    EXPECT_EQ(used, 32);
    FSOUND_StopSound(7);
    EXPECT_EQ(FSOUND_PlaySoundEx(FSOUND_FREE, s, nullptr, 1), 7);
    for (int i = 0; i < 32; i++)
        FSOUND_StopSound(i);

    // A null sample and bad channels change nothing and say so.
    const float pos[3] = {1.0f, 2.0f, 3.0f};
    EXPECT_EQ(FSOUND_PlaySoundEx(FSOUND_FREE, nullptr, nullptr, 0), -1);
    EXPECT_EQ(FSOUND_PlaySoundEx(3, nullptr, nullptr, 0), -1);
    for (int bad : {-2, 32, 1000})
        EXPECT_EQ(FSOUND_PlaySoundEx(bad, s, nullptr, 0), -1);
    for (int bad : {-2, -1, 32, 1000})
    {
        EXPECT_EQ(FSOUND_3D_SetAttributes(bad, pos, nullptr), 0);
        EXPECT_EQ(FSOUND_SetVolume(bad, 255), 0);
        EXPECT_EQ(FSOUND_SetPaused(bad, 0), 0);
        EXPECT_EQ(FSOUND_StopSound(bad), 0);
        EXPECT_EQ(FSOUND_IsPlaying(bad), 0);
    }
    for (int i = 0; i < 32; i++)
        EXPECT_EQ(FSOUND_IsPlaying(i), 0) << "channel " << i;
    EXPECT_LT(Measure().Both(), 1e-4);
    EXPECT_EQ(FSOUND_Sample_SetMode(nullptr, 2), 0);
    EXPECT_EQ(FSOUND_Sample_SetMinMaxDistance(nullptr, 4.0f, 1000.0f), 0);
    FSOUND_Sample_Free(nullptr);
}

TEST_F(SoundTest, FilesAreMixedDownToMonoAndBadFilesGiveNull)
{
    Listen(0.0f, 0.0f, -1.0f);
    const float right[3] = {kEye[0] + 4.0f, kEye[1], kEye[2]};

    // Stereo 0.8 / 0.4 averages to the level of a mono 0.6, and is placed like any mono sample.
    std::string stereoPath = dir / "stereo.wav", monoPath = dir / "mono.aiff";
    ASSERT_TRUE(WriteSound(stereoPath, 2, kRate / 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                           [](int f, int c) { return Sine(f, c == 0 ? 0.8f : 0.4f); }));
    ASSERT_TRUE(WriteSound(monoPath, 1, kRate / 2, SF_FORMAT_AIFF | SF_FORMAT_PCM_24,
                           [](int f, int) { return Sine(f, 0.6f); }));
    FSOUND_SAMPLE* stereo = FSOUND_Sample_Load(FSOUND_FREE, stereoPath.c_str(), 4400, 0);
    FSOUND_SAMPLE* mono = FSOUND_Sample_Load(FSOUND_FREE, monoPath.c_str(), 4400, 0);
    ASSERT_NE(stereo, nullptr);
    ASSERT_NE(mono, nullptr);
    EXPECT_EQ(FSOUND_Sample_GetLength(stereo), kRate / 2);
    int ch = PlayLooped(stereo, right);
    Levels fromStereo = Measure();
    FSOUND_StopSound(ch);
    ch = PlayLooped(mono, right);
    Levels fromMono = Measure();
    EXPECT_GT(fromStereo.right, 2.0 * fromStereo.left);
    EXPECT_NEAR(fromStereo.right / fromMono.right, 1.0, 0.03);
    FSOUND_StopSound(ch);

    // Float files beyond full scale are clamped, not wrapped: a square of height 2 sounds like
    // one of height 1.
    std::string loudPath = dir / "loud.wav", fullPath = dir / "full.wav";
    auto square = [](float h) { return [h](int f, int) { return (f / 50) % 2 ? h : -h; }; };
    ASSERT_TRUE(WriteSound(loudPath, 1, kRate / 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, square(2.0f)));
    ASSERT_TRUE(WriteSound(fullPath, 1, kRate / 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, square(1.0f)));
    const float far[3] = {kEye[0], kEye[1], kEye[2] - 8.0f};
    ch = PlayLooped(FSOUND_Sample_Load(FSOUND_FREE, loudPath.c_str(), 4400, 0), far);
    ASSERT_GE(ch, 0);
    double loud = Measure().Both();
    FSOUND_StopSound(ch);
    ch = PlayLooped(FSOUND_Sample_Load(FSOUND_FREE, fullPath.c_str(), 4400, 0), far);
    ASSERT_GE(ch, 0);
    double full = Measure().Both();
    EXPECT_GT(full, 0.3);
    EXPECT_NEAR(loud / full, 1.0, 0.03);

    // Nothing readable: null, no crash. A file that is there but does not decode is reported; a
    // missing one is left to the caller.
    static std::vector<std::string> lines;
    lines.clear();
    outputProc oldConsole = toConsole;
    toConsole = [](const char* text) { lines.push_back(text); };
    std::string garbage = dir / "garbage.wav", empty = dir / "empty.wav";
    ASSERT_TRUE(WriteTextFile(garbage, "RIFF, but not really a sound file at all\n"));
    ASSERT_TRUE(WriteSound(empty, 1, 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, [](int, int) { return 0.0f; }));
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, garbage.c_str(), 4400, 0), nullptr);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, empty.c_str(), 4400, 0), nullptr);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("// Sound file " + garbage, 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("// Sound file " + empty, 0), 0u) << lines[1];
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, (dir / "missing.wav").c_str(), 4400, 0), nullptr);
    EXPECT_EQ(lines.size(), 2u);
    toConsole = oldConsole;
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, dir.path.c_str(), 4400, 0), nullptr);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, "", 4400, 0), nullptr);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, nullptr, 4400, 0), nullptr);
}

TEST_F(SoundTest, EverythingIsANoOpWithoutADevice)
{
    FSOUND_Close();
    FSOUND_Close();
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, sinePath.c_str(), 4400, 0), nullptr);
    const float pos[3] = {0.0f, 0.0f, 0.0f};
    FSOUND_3D_Listener_SetAttributes(pos, nullptr, 0, 0, -1, 0, 1, 0);
    FSOUND_3D_Update();
    EXPECT_EQ(FSOUND_3D_SetAttributes(0, pos, nullptr), 0);
    EXPECT_EQ(FSOUND_SetVolume(0, 255), 0);
    EXPECT_EQ(FSOUND_SetPaused(0, 0), 0);
    EXPECT_EQ(FSOUND_StopSound(0), 0);
    EXPECT_EQ(FSOUND_IsPlaying(0), 0);
    std::vector<float> out(64, 1.0f);
    FSOUND_RenderLoopback(out.data(), 32);
    for (float v : out)
        ASSERT_EQ(v, 0.0f);

    // The ordinary device on OpenAL Soft's null driver: a working device that plays to nowhere.
    ASSERT_NE(FSOUND_Init(44100, 32, 0), 0);
    FSOUND_SAMPLE* s = FSOUND_Sample_Load(FSOUND_FREE, sinePath.c_str(), 4400, 0);
    ASSERT_NE(s, nullptr);
    FSOUND_Sample_SetMode(s, FSOUND_LOOP_NORMAL);
    int ch = FSOUND_PlaySoundEx(FSOUND_FREE, s, nullptr, 0);
    EXPECT_EQ(ch, 0);
    EXPECT_EQ(FSOUND_IsPlaying(ch), 1);
    // Not a loopback device: rendering asks nothing of it.
    FSOUND_RenderLoopback(out.data(), 32);
    EXPECT_EQ(out[0], 0.0f);
    FSOUND_Close();
    EXPECT_EQ(FSOUND_IsPlaying(ch), 0);
}
