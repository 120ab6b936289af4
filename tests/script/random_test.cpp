// The script generator draws the numbers the C library's rand() draws for the same seed, from a
// state of its own that nothing else in the process touches.
#include <gtest/gtest.h>

#include "script/random.h"

#include <cstdlib>

TEST(Random, DrawsWhatTheCLibraryDrawsForEachSeed)
{
    // 0 counts as 1; seeds past 2^31 are taken as negative numbers by the seeding.
    for (uint32_t seed : {0u, 1u, 2u, 77u, 1234u, 127773u, 2147483647u, 2147483648u, 4294967295u})
    {
        srand(seed);
        VXR_SeedRandom(seed);
        for (int i = 0; i < 1000; i++)
            ASSERT_EQ(rand(), VXR_NextRandom()) << "seed " << seed << ", number " << i;
    }
    // Numbers drawn elsewhere (here from the C library) leave the game's sequence alone.
    VXR_SeedRandom(5);
    const int first = VXR_Random();
    VXR_SeedRandom(5);
    for (int i = 0; i < 100; i++)
        rand();
    EXPECT_EQ(first, VXR_Random());
    EXPECT_LT(first, 32768);
}
