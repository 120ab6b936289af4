// The sound library the game calls: positional samples on numbered channels, on OpenAL Soft,
// with samples decoded by libsndfile. Engine code sees only ints, floats and sample handles.
#pragma once

// A loaded sample. Opaque: owned by the sound layer, freed by FSOUND_Sample_Free or FSOUND_Close.
struct FSOUND_SAMPLE;
// Effect units are not supported; the parameter exists because the game passes "none".
struct FSOUND_DSPUNIT;

// Mode bits. The game passes 4400 when loading (16-bit, signed, mono, hardware 3D), then 304
// (the same without the 3D bit: play once) or 2 (loop) before each play. Only the loop bits
// change playback: every sample is kept as 16-bit mono whatever its file holds.
enum
{
    FSOUND_LOOP_OFF = 1,
    FSOUND_LOOP_NORMAL = 2,
    FSOUND_LOOP_BIDI = 4, // played as a normal loop
    FSOUND_16BITS = 16,
    FSOUND_MONO = 32,
    FSOUND_SIGNED = 256,
    FSOUND_HW3D = 4096
};

// As a sample index: any free slot. As a channel: any channel that is not playing.
enum
{
    FSOUND_FREE = -1
};

// Opens the default output device with maxchannels channels (the game asks for 44100 Hz and
// 32 channels, numbered 0..31) and the inverse-distance-clamped model, Doppler off. flags is
// unused. Non-zero on success; 0 when no device or context opens, and every other call then
// stays a harmless no-op. Calling it while open closes the previous device first (and so frees
// every sample). A device that is opened but never needed can be had with ALSOFT_DRIVERS=null.
int FSOUND_Init(int mixrate, int maxchannels, int flags);

// Opens OpenAL Soft's loopback device instead: nothing is played until FSOUND_RenderLoopback
// asks for frames, which makes exact, fast measurement possible. Non-zero on success.
int FSOUND_InitLoopback(int mixrate, int maxchannels);
// Mixes the next frames of a loopback device into stereoOut (2 * frames floats, left first).
// Writes silence when the layer is not open on a loopback device.
void FSOUND_RenderLoopback(float* stereoOut, int frames);

// Stops every channel, frees every sample (all handles become invalid) and closes the device.
// Safe to call when nothing is open.
void FSOUND_Close();
// 1 while a sound device (or the loopback device) is open: a game started with --mute, or one
// whose device failed, has none, and its empty sample slots are then nothing to report.
int PLT_SoundIsOpen();

// Decodes the file name (any format libsndfile reads) into a 16-bit mono sample; multi-channel
// files are averaged so that every sample can be placed in space. Returns null when the layer is
// not open or the file cannot be read; a file that exists but does not decode is reported on the
// console. index is ignored (every load is a new sample); memlength must be 0 (files only).
FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, int mode, int memlength);
// Opens and decodes the sound file name as FSOUND_Sample_Load would, without a device and
// without keeping anything. 1 when it holds sound; else 0 with the reason in err.
int PLT_CheckSoundFile(const char* name, char* err, int errSize);
// Stops the channels playing the sample, then frees it. Null is ignored.
void FSOUND_Sample_Free(FSOUND_SAMPLE* sample);
// Loads the sound file name again into sample (the same handle): channels playing it go on with
// the new sound, a loop keeps sounding. 0, with the sample as it was, when the file cannot be
// loaded (a refusal or a decoding failure is said on the console).
int FSOUND_Sample_Reload(FSOUND_SAMPLE* sample, const char* name);
// Distance at which attenuation starts (gain 1 up to it, then min / distance) and distance past
// which the sound gets no quieter. Taken by each later play of the sample. Returns 1, or 0 for
// a null sample or an unusable pair (min must be > 0, max >= min).
int FSOUND_Sample_SetMinMaxDistance(FSOUND_SAMPLE* sample, float min, float max);
// Loop flag for later plays: FSOUND_LOOP_NORMAL (or BIDI) loops, anything else plays once.
int FSOUND_Sample_SetMode(FSOUND_SAMPLE* sample, int mode);
// Length in sample frames; 0 for null.
int FSOUND_Sample_GetLength(FSOUND_SAMPLE* sample);

// Puts sample on channel (FSOUND_FREE: the lowest channel that is not playing; a given channel
// stops what it played). With startpaused the channel waits for FSOUND_SetPaused(channel, 0),
// which lets the caller place it first. Returns the channel used, or -1 when the sample is null,
// the channel is out of range, every channel is busy or the layer is not open. dsp is ignored.
int FSOUND_PlaySoundEx(int channel, FSOUND_SAMPLE* sample, FSOUND_DSPUNIT* dsp, int startpaused);
// Places the channel's sound at pos (x, y, z in world units). Null pos is ignored; vel is
// ignored because Doppler is off.
int FSOUND_3D_SetAttributes(int channel, const float* pos, const float* vel);
// 0 (silent) .. 255 (full); values outside are clamped.
int FSOUND_SetVolume(int channel, int volume);
// The loudness of everything the layer plays, 0 (silent) .. 255 (full, the start value); values
// outside are clamped. Kept for a device opened later.
void FSOUND_SetSFXMasterVolume(int volume);
int FSOUND_SetPaused(int channel, int paused);
int FSOUND_StopSound(int channel);
// 1 while the channel holds a sound that has neither ended nor been stopped, paused or not.
int FSOUND_IsPlaying(int channel);
// Every channel call above returns 1 when it acted, 0 for an out-of-range channel or when the
// layer is not open; none of them has any other effect then.

// Places the listener at pos (null keeps the old position). (fx, fy, fz) is the direction the
// player looks (the camera's forward) and (tx, ty, tz) the camera's up, both in world
// coordinates, so that a sound on the player's right is heard on the right. Neither needs unit
// length; a zero vector or a pair of parallel vectors keeps the previous orientation. vel is
// ignored (Doppler is off).
void FSOUND_3D_Listener_SetAttributes(const float* pos, const float* vel, float fx, float fy, float fz,
                                      float tx, float ty, float tz);
// Changes to positions take effect at once on this layer; kept so the tick's call sequence
// stays the library's. Clears any pending OpenAL error so one bad call cannot mask later ones.
void FSOUND_3D_Update();
