// Fuzzes the "tint" reader: the input is the file of a level folder. The colour read is written
// back by the level writer and read again, which must give the same colour.
#include "level_sandbox.h"

#include "world/level_files.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::LevelFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = fuzz::WriteFile("Levels/fz/tint", data, size);
    if (!LoadTintColor(path.c_str())) abort();
    const float read[3] = {baseCol1, baseCol2, baseCol3};
    std::string again = fuzz::Sandbox() + "Levels/fz/saved/";
    fuzz::WriteFile("Levels/fz/saved/tint", "");
    if (SaveChangesToLevelFiles(again.c_str()) && LoadTintColor((again + "tint").c_str()))
    {
        const float back[3] = {baseCol1, baseCol2, baseCol3};
        for (int i = 0; i < 3; i++)
            if (!fuzz::SameAfterRoundTrip(read[i], back[i])) abort();
    }
    return 0;
}
