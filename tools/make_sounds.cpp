// make_sounds: writes the demo's short sound samples (16-bit mono WAV) and the sound list that
// numbers them into "<out>/Sounds". Run from the source tree: build/make_sounds --out demo
#include "tools/tool_support.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

const int kRate = 22050;
const float kPi = 3.14159265358979f;

struct sampleRecipe
{
    int slot;
    const char* file;
    const char* comment;
    float seconds;
    float (*value)(float t, unsigned* noise);
};

// Repeatable noise: the same files on every run and machine.
float Noise(unsigned* state)
{
    *state = *state * 1664525u + 1013904223u;
    return float((*state >> 8) & 0xFFFF) / 32768.0f - 1.0f;
}

// A footstep: a short burst of noise with a fast decay.
float Step(float t, unsigned* noise)
{
    return 0.6f * Noise(noise) * std::exp(-t * 60.0f);
}

// A landing: a low falling tone with a bit of noise on the hit.
float Thud(float t, unsigned* noise)
{
    float pitch = 90.0f - 40.0f * t;
    return 0.8f * std::exp(-t * 9.0f) * std::sin(2.0f * kPi * pitch * t) +
           0.2f * Noise(noise) * std::exp(-t * 40.0f);
}

// A chime: two tones a fifth apart, for pick-ups and messages.
float Chime(float t, unsigned*)
{
    float env = std::exp(-t * 6.0f) * std::fmin(1.0f, t * 200.0f);
    return 0.35f * env * (std::sin(2.0f * kPi * 660.0f * t) + std::sin(2.0f * kPi * 990.0f * t));
}

// A shot: a sharp crack of noise over a quickly falling low tone.
float Shot(float t, unsigned* noise)
{
    return 0.7f * Noise(noise) * std::exp(-t * 35.0f) +
           0.4f * std::exp(-t * 20.0f) * std::sin(2.0f * kPi * 140.0f * t);
}

// A hit: a short dull knock where a shot lands.
float Hit(float t, unsigned* noise)
{
    float pitch = 220.0f - 300.0f * t;
    return 0.6f * std::exp(-t * 30.0f) * std::sin(2.0f * kPi * pitch * t) +
           0.3f * Noise(noise) * std::exp(-t * 80.0f);
}

// Pain: a short falling buzz when the player is struck.
float Hurt(float t, unsigned*)
{
    float pitch = 300.0f - 250.0f * t;
    float wave = std::sin(2.0f * kPi * pitch * t) > 0.0f ? 1.0f : -1.0f;
    return 0.3f * wave * std::exp(-t * 8.0f) * std::fmin(1.0f, t * 400.0f);
}

// The fire's crackle, made to loop: soft rushing noise with sparse pops; it starts and ends
// near silence so the loop has no click.
float Crackle(float t, unsigned* noise)
{
    float rush = 0.12f * Noise(noise);
    float pop = Noise(noise) > 0.995f ? 0.8f : 0.0f;
    float edge = std::fmin(1.0f, std::fmin(t, 2.0f - t) * 20.0f);
    return (rush + pop) * edge;
}

const sampleRecipe kRecipes[] = {
    {0, "step.wav", "footstep", 0.12f, Step},
    {1, "thud.wav", "landing after a fall", 0.45f, Thud},
    {2, "chime.wav", "pick-up or message", 0.5f, Chime},
    {3, "shot.wav", "the player's shot", 0.35f, Shot},
    {4, "hit.wav", "a shot landing", 0.2f, Hit},
    {5, "hurt.wav", "the player struck", 0.3f, Hurt},
    {6, "crackle.wav", "the fire, looped", 2.0f, Crackle},
};

bool WriteSample(const std::string& path, const sampleRecipe& recipe)
{
    SF_INFO info = {};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
    {
        fprintf(stderr, "make_sounds: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    const int frames = int(recipe.seconds * kRate);
    std::vector<float> data(frames);
    unsigned noise = 12345u + unsigned(recipe.slot);
    for (int i = 0; i < frames; i++)
    {
        float v = recipe.value(float(i) / kRate, &noise);
        // A short fade-out so no sample ends in a click.
        float left = float(frames - i) / (0.01f * kRate);
        data[i] = std::fmax(-1.0f, std::fmin(1.0f, v * std::fmin(1.0f, left)));
    }
    bool ok = sf_writef_float(file, data.data(), frames) == frames;
    sf_close(file);
    if (!ok) fprintf(stderr, "make_sounds: short write to %s\n", path.c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    std::string out = ".";
    const int status =
        ReadOutOption(argc, argv, &out,
                      "usage: make_sounds [--out DATA_FOLDER]\n"
                      "Writes the demo's sound samples and their list into DATA_FOLDER/Sounds\n"
                      "(default: --out .).\n");
    if (status >= 0) return status;
    const std::string folder = out + "/Sounds";
    if (!MakeFolder(folder, "make_sounds")) return 1;

    // The list names paths relative to the data folder; it has no comment syntax, so what each
    // slot is for is said here and in the demo's scripts.
    std::string list;
    for (const sampleRecipe& recipe : kRecipes)
    {
        if (!WriteSample(folder + "/" + recipe.file, recipe)) return 1;
        list += std::to_string(recipe.slot) + " Sounds/" + recipe.file + "\n";
        printf("slot %d: Sounds/%s (%s)\n", recipe.slot, recipe.file, recipe.comment);
    }
    if (!WriteText(folder + "/list", list))
    {
        fprintf(stderr, "make_sounds: cannot write %s/list\n", folder.c_str());
        return 1;
    }
    return 0;
}
