// Small helpers the tests share: scratch folders, files, running the game, reading PNGs, sound
// files and the sound layer's loopback levels.
#pragma once

#include "core/output.h"

#include <functional>
#include <string>
#include <vector>

// A fresh folder under /tmp, removed with everything in it when the object goes.
struct TempDir
{
    std::string path;
    TempDir();
    ~TempDir();
    std::string operator/(const std::string& rel) const { return path + "/" + rel; }
};

// Collects the console lines written while it lives.
struct ConsoleCapture
{
    ConsoleCapture();
    ~ConsoleCapture();
    static std::vector<std::string>& Lines();
    bool Has(const std::string& part) const; // some line holds part

  private:
    outputProc saved;
};

// Writes text to path, creating missing parent folders. Returns true on success.
bool WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);
bool FileExists(const std::string& path);

// Runs a shell command, collecting stdout and stderr together. Returns the exit status
// (-1 when it could not run or ended by a signal).
int RunCommand(const std::string& command, std::string* output);
// command with the leak checker turned off: for programs that open a window, whose system GL
// libraries, unloaded by SDL at exit, leave allocations no suppression can name.
std::string WindowedCommand(const std::string& command);

// Path of the built game executable and of the source tree.
std::string KesrowExe();
std::string SourceDir();
std::string BinaryDir();

// An RGBA image read from a PNG file (rows top first). ok is false when it could not be read.
struct PngImage
{
    bool ok = false;
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
    const unsigned char* At(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};
PngImage ReadPng(const std::string& path);
// Writes a PNG with libpng: data holds the rows top first, packed as libpng expects for the colour
// type and depth (16-bit samples big-endian); palette holds RGB triples, trns palette alphas.
bool WriteTestPng(const std::string& path, int width, int height, int colorType, int bitDepth,
                  const std::vector<unsigned char>& data, const std::vector<unsigned char>& palette = {},
                  const std::vector<unsigned char>& trns = {}, bool interlaced = false);
// Texture loads and drawing need a GL context: one small window of the engine's under the test's X
// server, made on first use. False without a display.
bool EnsureTestGL();

// Runs run and returns how far the process's peak resident size, as the kernel counts it, rose
// above the size at its start, in KB (the peak is reset through /proc/self/clear_refs first). The
// address space is capped 512 MB above its present size meanwhile, so that a reader gone wrong
// fails instead of filling the machine.
long PeakRiseKB(const std::function<void()>& run);

// While alive, content problems go to `problems` as "FILE:LINE: message" ("null" for no file)
// instead of the console; the sink in place before comes back at the end.
struct ProblemCapture
{
    static std::vector<std::string> problems;
    void (*saved)(const char*, int, const char*);
    ProblemCapture();
    ~ProblemCapture();
};

// Writes a 44.1 kHz sound file (libsndfile format) of frames frames; value(frame, channel) gives
// each sample. Tone writes one second of a 441 Hz mono sine of amplitude 0.5.
bool WriteSound(const std::string& path, int channels, int frames, int format,
                const std::function<float(int, int)>& value);
bool WriteTone(const std::string& path);

// RMS level of the left and right side of the sound layer's loopback device over frames frames,
// after settle frames are rendered and dropped (so that changes have ramped in).
struct SideLevels
{
    double left = 0, right = 0;
    double Both() const { return left + right; }
};
SideLevels LoopbackLevels(int frames = 4410, int settle = 2048);
