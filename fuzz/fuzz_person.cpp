// Fuzzes the "person" reader: the input is the file of a level folder. Every actor it makes is
// written back with the level writer and read again, which must give as many actors; then the
// level is unloaded.
#include "level_sandbox.h"

#include "world/humans.h"
#include "world/level_files.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::LevelFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = fuzz::WriteFile("Levels/fz/person", data, size);
    ImportAndLinkPersons(path.c_str());
    const int actors = CountHumans();
    for (human_being* h = baseHuman->next; h; h = h->next)
        if (strnlen(h->name, sizeof h->name) == sizeof h->name || HumanNameAlreadyUsed(h)) abort();
    std::string again = fuzz::Sandbox() + "Levels/fz/saved/";
    fuzz::WriteFile("Levels/fz/saved/person", "");
    if (SaveChangesToLevelFiles(again.c_str()))
    {
        ImportAndLinkPersons((again + "person").c_str());
        if (CountHumans() != actors) abort();
    }
    ReturnToNothing();
    return 0;
}
