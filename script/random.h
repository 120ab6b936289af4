// The script random generator ("randi"): a generator of the engine's own, so that nothing else in
// the process (the GL driver and the sound server's client both call the C library's rand) can
// take numbers out of the game's sequence. For a seed it gives the numbers the C library's
// rand() gives after srand() with that seed on glibc, so seeded runs play as they always have.
#pragma once

#include <cstdint>

// The generator's whole state: an additive feedback generator over 31 words, each new word the
// sum of the words 31 and 3 places back; front and rear are where the next sum is taken.
struct randomState
{
    int32_t r[31];
    int32_t front, rear;
};

// Seeds the generator (0 counts as 1, as the C library's does).
void VXR_SeedRandom(uint32_t seed);
// The next number, 0 to 2147483647.
int32_t VXR_NextRandom();
// The script generator's next value, 0 to 32767.
int VXR_Random();
// The state, for the replay's check that a game goes as it went when it was recorded.
const randomState* VXR_RandomState();
