// Fuzzes the "starting" reader: the input is the file of a level folder. The position read is
// written back by the level writer and read again, which must give the same camera.
#include "level_sandbox.h"

#include "world/camera.h"
#include "world/level_files.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::LevelFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = fuzz::WriteFile("Levels/fz/starting", data, size);
    if (!ReadPlayerPosition(path.c_str())) abort();
    const float read[6] = {entfl, updown, entf, updownangle, viewangle, zangle};
    std::string again = fuzz::Sandbox() + "Levels/fz/saved/";
    fuzz::WriteFile("Levels/fz/saved/starting", "");
    if (SaveChangesToLevelFiles(again.c_str()) && ReadPlayerPosition((again + "starting").c_str()))
    {
        const float back[6] = {entfl, updown, entf, updownangle, viewangle, zangle};
        for (int i = 0; i < 6; i++)
            if (!fuzz::SameAfterRoundTrip(read[i], back[i])) abort();
    }
    return 0;
}
