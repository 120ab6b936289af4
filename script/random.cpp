// The script random generator: its state, seeding and the numbers it draws. Nothing but the
// script instruction "randi" (and tests) draws from it.
#include "script/random.h"

static randomState gRandom;
// A generator nobody seeded draws as one seeded with 1, as the C library's does.
static int gSeeded = 0;

void VXR_SeedRandom(uint32_t seed)
{
    gSeeded = 1;
    if (seed == 0) seed = 1;
    // The first words come from the multiplicative generator 16807 * x mod (2^31 - 1), computed
    // without overflowing 31 bits, from the seed taken as a signed 32-bit number.
    int32_t word = (int32_t)seed;
    gRandom.r[0] = word;
    for (int i = 1; i < 31; i++)
    {
        const int32_t hi = word / 127773, lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) word += 2147483647;
        gRandom.r[i] = word;
    }
    gRandom.front = 3;
    gRandom.rear = 0;
    // The first 310 numbers are thrown away: they still show the seed's pattern.
    for (int i = 0; i < 310; i++)
        VXR_NextRandom();
}

int32_t VXR_NextRandom()
{
    if (!gSeeded) VXR_SeedRandom(1);
    randomState& s = gRandom;
    const uint32_t sum = (uint32_t)s.r[s.front] + (uint32_t)s.r[s.rear];
    s.r[s.front] = (int32_t)sum;
    s.front = s.front == 30 ? 0 : s.front + 1;
    s.rear = s.rear == 30 ? 0 : s.rear + 1;
    return (int32_t)(sum >> 1);
}

int VXR_Random()
{
    return VXR_NextRandom() % 32768;
}

const randomState* VXR_RandomState()
{
    return &gRandom;
}
