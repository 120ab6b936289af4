// Fuzzes the "level models" reader: the input is the file of a level folder. The models it
// places become level geometry; the level is then unloaded.
#include "level_sandbox.h"

#include "world/level_files.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::LevelFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = fuzz::WriteFile("Levels/fz/level models", data, size);
    LoadLevelModels(path.c_str());
    int models = 0;
    for (mesh_mod* m = baseLevelMesh.next; m; m = m->next)
        if (++models > 100000) abort();
    ReturnToNothing();
    return 0;
}
