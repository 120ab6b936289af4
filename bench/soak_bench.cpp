// Soak (not a test): a script creates and removes actors over and over, each with a model copy,
// poses and a variable of its own; then the demo level, whose actors carry scripts, is loaded
// and unloaded over and over. Prints the resident memory after a warm-up and at the end of each.
// Whatever a round leaves behind shows as growth: a few hundred kilobytes of allocator noise is
// fine, more than kMostGrowthKB is a leak and the exit status 1.
//
//   soak_bench [actor rounds [level rounds]]      defaults: 100000 and 1000
//
// Needs no display (an offscreen GL context for the model's texture); the demo data folder is
// copied into a scratch folder so that the soak's own scripts sit beside it.
#include "app/script_hooks.h"
#include "core/clock.h"
#include "core/output.h"
#include "model/blending.h"
#include "model/loader.h"
#include "model/mesh_records.h"
#include "resources/paths.h"
#include "script/interpreter.h"
#include "script/scheduling.h"
#include "script/variables.h"
#include "world/humans.h"
#include "world/level.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace
{

const long kMostGrowthKB = 512;

long ResidentKB()
{
    FILE* status = fopen("/proc/self/status", "r");
    char line[256];
    long kb = -1;
    while (status && fgets(line, sizeof line, status))
        if (strncmp(line, "VmRSS:", 6) == 0) kb = atol(line + 6);
    if (status) fclose(status);
    return kb;
}

bool WriteText(const std::string& path, const std::string& text)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    return fclose(f) == 0 && ok;
}

int gConsoleLines = 0;
void CountConsoleLine(const char*)
{
    gConsoleLines++;
}

// The soak's game script: every pass (a loop pass runs once a tick) creates and removes
// kActorsPerPass actors, each with a model copy, a variable of its own, a pose pair, a pose made
// from its current shape and a name.
const int kActorsPerPass = 100;
const char kSoakScript[] = "loop\n"
                           "repeat 100\n"
                           "make \"humanoid\"\n"
                           "def \"hits\",p\n"
                           "addi 1,1\n"
                           "storei \"hits\",1\n"
                           "loadi \"hits\",2\n"
                           "sets 1,\"soak actor\"\n"
                           "setName \"soaker\"\n"
                           "pose \"Walk1\",\"Walk2\",0.5,0.2,true\n"
                           "makePose \"Mine\"\n"
                           "setPose \"Mine\"\n"
                           "put 1,0,1\n"
                           "off\n"
                           "endrepeat\n"
                           "endloop\n";

// One game tick's worth of script work: the game scripts' pass, the actors' per-tick scripts and
// their pose blends.
void Tick()
{
    gCurrentTime += 20;
    levelChanged = 0;
    HandleGameScripts();
    HandleHumanScriptsForMask(1);
    for (human_being* h = baseHuman->next; h; h = h->next)
        UpdateModelPose(h);
}

// One level round: the "level" instruction loads the demo level (its models, geometry, textures,
// actors with their scripts, load script), which runs for two ticks; the next round's load
// unloads it.
void LevelRound()
{
    ExecuteVXRCommand("level", "\"Levels/start\"");
    Tick();
    Tick();
}

} // namespace

int main(int argc, char** argv)
{
    long actorRounds = argc > 1 ? atol(argv[1]) : 100000;
    long levelRounds = argc > 2 ? atol(argv[2]) : 1000;
    toConsole = CountConsoleLine;
    toDialog = MyOutputToStderr;

    char scratch[] = "/tmp/kesrow-soak-XXXXXX";
    if (!mkdtemp(scratch)) return 2;
    std::string data = std::string(scratch) + "/";
    std::string copy = "cp -r '" KESROW_SOURCE_DIR "/demo/.' '" + data + "'";
    if (system(copy.c_str()) != 0) return 2;
    snprintf(routePath, sizeof routePath, "%s", data.c_str());

    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 2;
    SDL_Window* window = SDL_CreateWindow("soak", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context)
    {
        fprintf(stderr, "soak: no GL context: %s\n", SDL_GetError());
        return 2;
    }

    RegisterScriptHooks();
    VXR_Init();
    ImportAllMeshworkModels();
    gCurrentTime = 1000;

    // Actors: the soak script runs pass after pass. The first passes are a warm-up that fills
    // the allocator's free lists and the model cache.
    WriteText(data + "Data/soak", kSoakScript);
    if (!LoadAndExecuteScript((data + "Data/soak").c_str())) return 2;
    const long passes = (actorRounds + kActorsPerPass - 1) / kActorsPerPass;
    const long warmPasses = passes < 100 ? passes / 10 : 10;
    for (long i = 0; i < warmPasses; i++)
        Tick();
    const long actorsStartKB = ResidentKB();
    for (long i = warmPasses; i < passes; i++)
        Tick();
    const long actorsEndKB = ResidentKB();
    printf("soak: %ld actors made and removed by script: resident %ld KB after %ld, %ld KB at the end "
           "(%+ld KB)\n",
           passes * kActorsPerPass, actorsStartKB, warmPasses * kActorsPerPass, actorsEndKB,
           actorsEndKB - actorsStartKB);

    // Levels: loaded and unloaded levelRounds times.
    const long warmLevels = levelRounds < 100 ? levelRounds / 10 : 10;
    for (long i = 0; i < warmLevels; i++)
        LevelRound();
    const long levelsStartKB = ResidentKB();
    for (long i = warmLevels; i < levelRounds; i++)
        LevelRound();
    ReturnToNothing();
    const long levelsEndKB = ResidentKB();
    printf("soak: %ld level loads: resident %ld KB after %ld, %ld KB at the end (%+ld KB)\n", levelRounds,
           levelsStartKB, warmLevels, levelsEndKB, levelsEndKB - levelsStartKB);
    printf("soak: %d console lines\n", gConsoleLines);

    VXR_Init();
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    std::string remove = std::string("rm -rf '") + scratch + "'";
    if (system(remove.c_str()) != 0) fprintf(stderr, "soak: could not remove %s\n", scratch);
    const long growth = std::max(actorsEndKB - actorsStartKB, levelsEndKB - levelsStartKB);
    if (growth > kMostGrowthKB)
    {
        printf("soak: resident memory grew by %ld KB, more than %ld KB: a leak\n", growth, kMostGrowthKB);
        return 1;
    }
    return 0;
}
