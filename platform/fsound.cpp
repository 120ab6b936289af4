// The sound library on OpenAL Soft and libsndfile: one OpenAL source per channel, one 16-bit mono
// buffer per sample file (samples loaded from the same file share it). Every call is a no-op
// while no device is open, which is how --mute runs.
#include "platform/fsound.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/content_files.h"
#include "core/content_memory.h"
#include "core/output.h"

// One decoded sample file in an OpenAL buffer, shared by every sample loaded from that file (the
// same device and inode, size and change time): twenty slots naming one file hold it once.
struct sampleData
{
    ALuint buffer;
    int frames;
    int users;
    long long bytes; // taken from the content memory
    dev_t device;
    ino_t inode;
    off_t size;
    struct timespec changed;
    sampleData* next;
};

struct FSOUND_SAMPLE
{
    ALuint buffer; // data's
    sampleData* data;
    int frames;
    int loop;
    float minDistance, maxDistance;
    FSOUND_SAMPLE* next;
};

namespace
{

// The game asks for 32 channels; a few spare ones cost nothing.
const int kFsoundMaxChannels = 64;
// Longest sample kept, in frames: a little over 12 minutes at 44.1 kHz (64 MB of PCM).
const long kFsoundMaxFrames = 1L << 25;
const float kDefaultMinDistance = 1.0f;
const float kDefaultMaxDistance = 1000000000.0f;

struct fsoundChannel
{
    ALuint source;
    FSOUND_SAMPLE* sample; // what the source's buffer belongs to; null when detached
    // Started paused and not yet released by FSOUND_SetPaused. The source itself is still in its
    // initial state then, which OpenAL does not tell apart from a source never used.
    int held;
};

struct fsoundLayer
{
    ALCdevice* device;
    ALCcontext* context;
    int loopback;
    int renderFloat; // loopback renders floats; otherwise shorts, converted in RenderLoopback
    LPALCRENDERSAMPLESSOFT render;
    int channelCount;
    fsoundChannel channels[kFsoundMaxChannels];
    FSOUND_SAMPLE* samples; // every loaded sample, newest first
    sampleData* data;       // every decoded file
};

fsoundLayer gSound;
std::vector<short> gRenderScratch;
// Every channel's loudness is scaled by this (0 to 255); kept across closing and opening.
int gMasterVolume = 255;

fsoundChannel* ChannelAt(int channel)
{
    if (!gSound.context || channel < 0 || channel >= gSound.channelCount) return nullptr;
    return &gSound.channels[channel];
}

int ChannelBusy(const fsoundChannel* ch)
{
    if (ch->held) return 1;
    ALint state = AL_STOPPED;
    alGetSourcei(ch->source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING || state == AL_PAUSED;
}

void DetachChannel(fsoundChannel* ch)
{
    alSourceStop(ch->source);
    alSourcei(ch->source, AL_BUFFER, 0);
    ch->sample = nullptr;
    ch->held = 0;
}

int Finite3(float x, float y, float z)
{
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

// Makes the context current and sets up the channels and the world's rules. On failure the
// device is closed and the layer left as if never opened.
int StartContext(ALCdevice* device, const ALCint* attrs, int maxchannels, int loopback)
{
    ALCcontext* context = alcCreateContext(device, attrs);
    if (!context || !alcMakeContextCurrent(context))
    {
        if (context) alcDestroyContext(context);
        alcCloseDevice(device);
        return 0;
    }
    alGetError();

    gSound.device = device;
    gSound.context = context;
    gSound.loopback = loopback;
    gSound.channelCount = 0;
    gSound.samples = nullptr;
    gSound.data = nullptr;

    int wanted = maxchannels < 1 ? 1 : (maxchannels > kFsoundMaxChannels ? kFsoundMaxChannels : maxchannels);
    for (int i = 0; i < wanted; i++)
    {
        ALuint source = 0;
        alGenSources(1, &source);
        if (alGetError() != AL_NO_ERROR) break;
        fsoundChannel* ch = &gSound.channels[gSound.channelCount++];
        ch->source = source;
        ch->sample = nullptr;
        ch->held = 0;
    }
    if (gSound.channelCount == 0)
    {
        FSOUND_Close();
        return 0;
    }

    // Positions are world positions; attenuation is min / distance between min and max.
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    alDopplerFactor(0.0f);
    alListenerf(AL_GAIN, gMasterVolume / 255.0f);
    alGetError();
    return 1;
}

} // namespace

void FSOUND_SetSFXMasterVolume(int volume)
{
    gMasterVolume = volume < 0 ? 0 : volume > 255 ? 255 : volume;
    if (gSound.context) alListenerf(AL_GAIN, gMasterVolume / 255.0f);
}

int FSOUND_Init(int mixrate, int maxchannels, int flags)
{
    FSOUND_Close();
    if (mixrate <= 0) mixrate = 44100;
    ALCdevice* device = alcOpenDevice(nullptr);
    if (!device) return 0;
    int sources = maxchannels < 1 ? 1 : (maxchannels > kFsoundMaxChannels ? kFsoundMaxChannels : maxchannels);
    const ALCint attrs[] = {ALC_FREQUENCY, mixrate, ALC_MONO_SOURCES, sources, 0};
    return StartContext(device, attrs, maxchannels, 0);
}

int FSOUND_InitLoopback(int mixrate, int maxchannels)
{
    FSOUND_Close();
    if (mixrate <= 0) mixrate = 44100;
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) return 0;
    auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    auto formatSupported = reinterpret_cast<LPALCISRENDERFORMATSUPPORTEDSOFT>(
        alcGetProcAddress(nullptr, "alcIsRenderFormatSupportedSOFT"));
    auto render =
        reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (!openLoopback || !formatSupported || !render) return 0;

    ALCdevice* device = openLoopback(nullptr);
    if (!device) return 0;
    int useFloat = formatSupported(device, mixrate, ALC_STEREO_SOFT, ALC_FLOAT_SOFT) ? 1 : 0;
    if (!useFloat && !formatSupported(device, mixrate, ALC_STEREO_SOFT, ALC_SHORT_SOFT))
    {
        alcCloseDevice(device);
        return 0;
    }
    int sources = maxchannels < 1 ? 1 : (maxchannels > kFsoundMaxChannels ? kFsoundMaxChannels : maxchannels);
    // Plain stereo panning even where a user's configuration asks for HRTF, so that what the
    // loopback renders depends on the positions alone.
    int hrtf = alcIsExtensionPresent(device, "ALC_SOFT_HRTF") ? 1 : 0;
    const ALCint attrs[] = {ALC_FORMAT_CHANNELS_SOFT,
                            ALC_STEREO_SOFT,
                            ALC_FORMAT_TYPE_SOFT,
                            useFloat ? ALC_FLOAT_SOFT : ALC_SHORT_SOFT,
                            ALC_FREQUENCY,
                            mixrate,
                            ALC_MONO_SOURCES,
                            sources,
                            hrtf ? ALC_HRTF_SOFT : 0,
                            ALC_FALSE,
                            0};
    if (!StartContext(device, attrs, maxchannels, 1)) return 0;
    gSound.renderFloat = useFloat;
    gSound.render = render;
    return 1;
}

void FSOUND_RenderLoopback(float* stereoOut, int frames)
{
    if (!stereoOut || frames <= 0) return;
    if (!gSound.context || !gSound.loopback || !gSound.render)
    {
        memset(stereoOut, 0, sizeof(float) * 2 * size_t(frames));
        return;
    }
    if (gSound.renderFloat)
    {
        gSound.render(gSound.device, stereoOut, frames);
        return;
    }
    gRenderScratch.resize(2 * size_t(frames));
    gSound.render(gSound.device, gRenderScratch.data(), frames);
    for (size_t i = 0; i < gRenderScratch.size(); i++)
        stereoOut[i] = gRenderScratch[i] / 32768.0f;
}

void FSOUND_Close()
{
    if (!gSound.context) return;
    for (int i = 0; i < gSound.channelCount; i++)
    {
        DetachChannel(&gSound.channels[i]);
        alDeleteSources(1, &gSound.channels[i].source);
    }
    gSound.channelCount = 0;
    while (gSound.samples)
    {
        FSOUND_SAMPLE* next = gSound.samples->next;
        delete gSound.samples;
        gSound.samples = next;
    }
    while (gSound.data)
    {
        sampleData* next = gSound.data->next;
        alDeleteBuffers(1, &gSound.data->buffer);
        ReleaseContentMemory(gSound.data->bytes);
        delete gSound.data;
        gSound.data = next;
    }
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(gSound.context);
    alcCloseDevice(gSound.device);
    gSound = fsoundLayer();
    gRenderScratch.clear();
}

int PLT_SoundIsOpen()
{
    return gSound.context != nullptr;
}

int PLT_CheckSoundFile(const char* name, char* err, int errSize)
{
    SF_INFO info;
    memset(&info, 0, sizeof(info));
    int fd = OpenContentFd(name, kContentSound);
    if (fd < 0)
    {
        snprintf(err, errSize, "cannot be read: %s",
                 LastContentRefusal()[0] ? LastContentRefusal() : "not found");
        return 0;
    }
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
    if (!file)
    {
        close(fd);
        snprintf(err, errSize, "cannot be read: %s", sf_strerror(nullptr));
        return 0;
    }
    int ok = info.channels > 0 && info.samplerate > 0;
    if (!ok) snprintf(err, errSize, "has no usable format");
    // Decoding it all finds damage past the header; a file without any frame would play nothing.
    sf_count_t frames = 0;
    if (ok && info.channels <= 64)
    {
        std::vector<float> chunk(size_t(4096) * info.channels);
        sf_count_t got;
        while ((got = sf_readf_float(file, chunk.data(), 4096)) > 0)
            frames += got;
        if (sf_error(file) != SF_ERR_NO_ERROR)
        {
            snprintf(err, errSize, "cannot be decoded: %s", sf_strerror(file));
            ok = 0;
        }
        else if (frames == 0)
        {
            snprintf(err, errSize, "holds no sound");
            ok = 0;
        }
    }
    sf_close(file);
    // What the game would keep: 16-bit mono, cut where the game cuts it.
    if (ok) NoteContentMemory(name, (frames < kFsoundMaxFrames ? frames : kFsoundMaxFrames) * 2LL);
    return ok;
}

namespace
{

sampleData* FindSampleData(const struct stat& st)
{
    for (sampleData* d = gSound.data; d; d = d->next)
        if (d->device == st.st_dev && d->inode == st.st_ino && d->size == st.st_size &&
            d->changed.tv_sec == st.st_mtim.tv_sec && d->changed.tv_nsec == st.st_mtim.tv_nsec)
            return d;
    return nullptr;
}

// Frames reserved from the content memory at a time when a file's length is not known ahead.
const long kReserveStepFrames = 1L << 20;

// Decodes the open sound file fd (name for messages) into a new buffer within the content memory.
// Null (reported) when it cannot be had. Does not close fd.
sampleData* DecodeSampleFile(int fd, const char* name, const struct stat& st)
{
    SF_INFO info;
    memset(&info, 0, sizeof(info));
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
    if (!file)
    {
        OutputToConsoleF("// Sound file %s cannot be read: %s", name, sf_strerror(nullptr));
        return nullptr;
    }
    if (info.channels <= 0 || info.samplerate <= 0)
    {
        OutputToConsoleF("// Sound file %s has no usable format", name);
        sf_close(file);
        return nullptr;
    }

    // What the buffer will hold is asked of the content memory before it is decoded, as far as the
    // header tells; a header that says less than the file holds is asked for more on the way.
    long reserved =
        info.frames > 0 ? (info.frames < kFsoundMaxFrames ? long(info.frames) : kFsoundMaxFrames) : 0;
    if (!ReserveContentMemory(reserved * 2LL, name, "sound"))
    {
        sf_close(file);
        return nullptr;
    }

    // Read as floats and convert ourselves: the short reader wraps on full-scale compressed
    // input, and averaging the channels needs headroom anyway.
    const int channels = info.channels;
    const int chunkFrames = channels < 4096 ? 4096 : 1;
    std::vector<float> chunk(size_t(chunkFrames) * channels);
    std::vector<int16_t> pcm;
    pcm.reserve(size_t(reserved));
    int cut = 0, refused = 0;
    for (;;)
    {
        sf_count_t got = sf_readf_float(file, chunk.data(), chunkFrames);
        if (got <= 0) break;
        for (sf_count_t f = 0; f < got; f++)
        {
            if (long(pcm.size()) >= kFsoundMaxFrames)
            {
                cut = 1;
                break;
            }
            if (long(pcm.size()) >= reserved)
            {
                if (!ReserveContentMemory(kReserveStepFrames * 2LL, name, "sound"))
                {
                    refused = 1;
                    break;
                }
                reserved += kReserveStepFrames;
            }
            const float* frame = &chunk[size_t(f) * channels];
            float sum = 0.0f;
            for (int c = 0; c < channels; c++)
                sum += frame[c];
            float v = sum / channels;
            if (v != v)
                v = 0.0f;
            else if (v > 1.0f)
                v = 1.0f;
            else if (v < -1.0f)
                v = -1.0f;
            pcm.push_back(int16_t(lrintf(v * 32767.0f)));
        }
        if (cut || refused) break;
    }
    sf_close(file);
    long kept = refused ? 0 : long(pcm.size());
    ReleaseContentMemory((reserved - kept) * 2LL);
    if (refused) return nullptr;
    if (cut)
        OutputToConsoleF("// Sound file %s is too long; kept its first %ld frames", name, kFsoundMaxFrames);
    if (pcm.empty())
    {
        OutputToConsoleF("// Sound file %s holds no sound", name);
        return nullptr;
    }

    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    if (alGetError() == AL_NO_ERROR)
        alBufferData(buffer, AL_FORMAT_MONO16, pcm.data(), ALsizei(pcm.size() * sizeof(int16_t)),
                     info.samplerate);
    if (!buffer || alGetError() != AL_NO_ERROR)
    {
        OutputToConsoleF("// Sound file %s cannot be played (%d Hz)", name, info.samplerate);
        if (buffer) alDeleteBuffers(1, &buffer);
        ReleaseContentMemory(kept * 2LL);
        return nullptr;
    }
    sampleData* data = new sampleData;
    data->buffer = buffer;
    data->frames = int(pcm.size());
    data->users = 0;
    data->bytes = kept * 2LL;
    data->device = st.st_dev;
    data->inode = st.st_ino;
    data->size = st.st_size;
    data->changed = st.st_mtim;
    data->next = gSound.data;
    gSound.data = data;
    return data;
}

// One sample fewer uses data; the buffer goes with its last user. No channel holds it then: the
// caller has detached the channels of the sample that let it go.
void ReleaseSampleData(sampleData* data)
{
    if (--data->users > 0) return;
    sampleData** link = &gSound.data;
    while (*link && *link != data)
        link = &(*link)->next;
    if (*link) *link = data->next;
    alDeleteBuffers(1, &data->buffer);
    ReleaseContentMemory(data->bytes);
    delete data;
}

} // namespace

FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, int mode, int memlength)
{
    if (!gSound.context || !name || !name[0] || memlength != 0) return nullptr;
    // A missing file is the caller's business (the sound list tries a second path); one refused
    // (a link out of the data folder, a FIFO, too big) has been reported by the opener.
    int fd = OpenContentFd(name, kContentSound);
    if (fd < 0) return nullptr;
    struct stat st;
    sampleData* data = nullptr;
    if (fstat(fd, &st) == 0)
    {
        data = FindSampleData(st);
        if (!data) data = DecodeSampleFile(fd, name, st);
    }
    close(fd);
    if (!data) return nullptr;
    data->users++;

    FSOUND_SAMPLE* sample = new FSOUND_SAMPLE;
    sample->buffer = data->buffer;
    sample->data = data;
    sample->frames = data->frames;
    sample->loop = (mode & (FSOUND_LOOP_NORMAL | FSOUND_LOOP_BIDI)) ? 1 : 0;
    sample->minDistance = kDefaultMinDistance;
    sample->maxDistance = kDefaultMaxDistance;
    sample->next = gSound.samples;
    gSound.samples = sample;
    return sample;
}

int FSOUND_Sample_Reload(FSOUND_SAMPLE* sample, const char* name)
{
    if (!gSound.context || !sample || !name || !name[0]) return 0;
    FSOUND_SAMPLE** link = &gSound.samples;
    while (*link && *link != sample)
        link = &(*link)->next;
    if (!*link) return 0;
    int fd = OpenContentFd(name, kContentSound);
    if (fd < 0) return 0;
    struct stat st;
    sampleData* data = nullptr;
    if (fstat(fd, &st) == 0)
    {
        data = FindSampleData(st);
        if (!data) data = DecodeSampleFile(fd, name, st);
    }
    close(fd);
    if (!data) return 0;
    data->users++;
    // Channels playing the sample go on with the new sound: a loop keeps sounding, from its start.
    for (int i = 0; i < gSound.channelCount; i++)
    {
        fsoundChannel* ch = &gSound.channels[i];
        if (ch->sample != sample) continue;
        ALint state = AL_STOPPED;
        alGetSourcei(ch->source, AL_SOURCE_STATE, &state);
        alSourceStop(ch->source);
        alSourcei(ch->source, AL_BUFFER, ALint(data->buffer));
        alSourceRewind(ch->source);
        if (state == AL_PLAYING) alSourcePlay(ch->source);
    }
    sampleData* old = sample->data;
    sample->data = data;
    sample->buffer = data->buffer;
    sample->frames = data->frames;
    if (old != data) ReleaseSampleData(old);
    else data->users--;
    return 1;
}

void FSOUND_Sample_Free(FSOUND_SAMPLE* sample)
{
    if (!sample || !gSound.context) return;
    FSOUND_SAMPLE** link = &gSound.samples;
    while (*link && *link != sample)
        link = &(*link)->next;
    if (!*link) return; // not ours, or freed already
    *link = sample->next;
    // A buffer still attached to a source cannot be deleted.
    for (int i = 0; i < gSound.channelCount; i++)
        if (gSound.channels[i].sample == sample) DetachChannel(&gSound.channels[i]);
    ReleaseSampleData(sample->data);
    delete sample;
}

int FSOUND_Sample_SetMinMaxDistance(FSOUND_SAMPLE* sample, float min, float max)
{
    if (!sample || !std::isfinite(min) || !std::isfinite(max) || min <= 0.0f || max < min) return 0;
    sample->minDistance = min;
    sample->maxDistance = max;
    return 1;
}

int FSOUND_Sample_SetMode(FSOUND_SAMPLE* sample, int mode)
{
    if (!sample) return 0;
    sample->loop = (mode & (FSOUND_LOOP_NORMAL | FSOUND_LOOP_BIDI)) ? 1 : 0;
    return 1;
}

int FSOUND_Sample_GetLength(FSOUND_SAMPLE* sample)
{
    return sample ? sample->frames : 0;
}

int FSOUND_PlaySoundEx(int channel, FSOUND_SAMPLE* sample, FSOUND_DSPUNIT* dsp, int startpaused)
{
    if (!gSound.context || !sample) return -1;
    if (channel == FSOUND_FREE)
    {
        for (int i = 0; i < gSound.channelCount && channel < 0; i++)
            if (!ChannelBusy(&gSound.channels[i])) channel = i;
    }
    fsoundChannel* ch = ChannelAt(channel);
    if (!ch) return -1;

    ALuint src = ch->source;
    alSourceStop(src);
    alSourcei(src, AL_BUFFER, ALint(sample->buffer));
    alSourcei(src, AL_LOOPING, sample->loop ? AL_TRUE : AL_FALSE);
    alSourcei(src, AL_SOURCE_RELATIVE, AL_FALSE);
    alSourcef(src, AL_REFERENCE_DISTANCE, sample->minDistance);
    alSourcef(src, AL_MAX_DISTANCE, sample->maxDistance);
    alSourcef(src, AL_ROLLOFF_FACTOR, 1.0f);
    alSourcef(src, AL_GAIN, 1.0f);
    alSource3f(src, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSource3f(src, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
    alSourceRewind(src);
    ch->sample = sample;
    ch->held = startpaused ? 1 : 0;
    if (!startpaused) alSourcePlay(src);
    return channel;
}

int FSOUND_3D_SetAttributes(int channel, const float* pos, const float* vel)
{
    fsoundChannel* ch = ChannelAt(channel);
    if (!ch) return 0;
    if (pos && Finite3(pos[0], pos[1], pos[2])) alSource3f(ch->source, AL_POSITION, pos[0], pos[1], pos[2]);
    return 1;
}

int FSOUND_SetVolume(int channel, int volume)
{
    fsoundChannel* ch = ChannelAt(channel);
    if (!ch) return 0;
    if (volume < 0) volume = 0;
    if (volume > 255) volume = 255;
    alSourcef(ch->source, AL_GAIN, volume / 255.0f);
    return 1;
}

int FSOUND_SetPaused(int channel, int paused)
{
    fsoundChannel* ch = ChannelAt(channel);
    if (!ch) return 0;
    ALint state = AL_STOPPED;
    alGetSourcei(ch->source, AL_SOURCE_STATE, &state);
    if (paused)
    {
        if (state == AL_PLAYING) alSourcePause(ch->source);
    }
    else if (ch->held)
    {
        ch->held = 0;
        alSourcePlay(ch->source);
    }
    else if (state == AL_PAUSED)
    {
        alSourcePlay(ch->source);
    }
    return 1;
}

int FSOUND_StopSound(int channel)
{
    fsoundChannel* ch = ChannelAt(channel);
    if (!ch) return 0;
    alSourceStop(ch->source);
    ch->held = 0;
    return 1;
}

int FSOUND_IsPlaying(int channel)
{
    fsoundChannel* ch = ChannelAt(channel);
    return ch ? ChannelBusy(ch) : 0;
}

void FSOUND_3D_Listener_SetAttributes(const float* pos, const float* vel, float fx, float fy, float fz,
                                      float tx, float ty, float tz)
{
    if (!gSound.context) return;
    if (pos && Finite3(pos[0], pos[1], pos[2])) alListener3f(AL_POSITION, pos[0], pos[1], pos[2]);

    if (!Finite3(fx, fy, fz) || !Finite3(tx, ty, tz)) return;
    float lf = std::sqrt(fx * fx + fy * fy + fz * fz);
    float lt = std::sqrt(tx * tx + ty * ty + tz * tz);
    if (lf < 1e-6f || lt < 1e-6f) return;
    // The right-hand vector is forward x up; if it vanishes, left and right are undefined.
    float cx = fy * tz - fz * ty, cy = fz * tx - fx * tz, cz = fx * ty - fy * tx;
    if (std::sqrt(cx * cx + cy * cy + cz * cz) < 1e-4f * lf * lt) return;
    const ALfloat orientation[6] = {fx / lf, fy / lf, fz / lf, tx / lt, ty / lt, tz / lt};
    alListenerfv(AL_ORIENTATION, orientation);
}

void FSOUND_3D_Update()
{
    if (gSound.context) alGetError();
}
