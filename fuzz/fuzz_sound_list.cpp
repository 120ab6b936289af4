// Fuzzes the sound list reader: the input is a "Sounds/list" file, loaded on a loopback sound
// device (nothing is played). The demo's samples are in the sandbox, so listed slots load real
// samples, replace each other and are freed.
#include "fuzz_support.h"

#include "platform/fsound.h"
#include "resources/sound_list.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Sandbox();
    setenv("ALSOFT_DRIVERS", "null", 0);
    if (!FSOUND_InitLoopback(44100, 32)) abort();
    fuzz::CopySourceFile("demo/Sounds/step.wav", "Sounds/step.wav");
    fuzz::CopySourceFile("demo/Sounds/chime.wav", "Sounds/chime.wav");
    fuzz::CopySourceFile("fuzz/corpus/png/rgb-2x2.png", "Sounds/not a sound.wav");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = fuzz::WriteFile("Sounds/list", data, size);
    LoadSoundFiles(path.c_str());
    for (int slot = 0; slot < kSoundSlots; slot++)
        if (gAllSamples[slot] && FSOUND_Sample_GetLength(gAllSamples[slot]) < 1) abort();
    FreeSoundFiles();
    return 0;
}
