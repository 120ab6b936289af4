// Fuzzes script text: the input is a game script in the sandbox data folder. It is compiled,
// given its start-up run and then game passes as the tick gives them (with the clock moving so
// that idles end and timed scripts start), its actors' scripts fired, and the world reset.
//
// A run has no statement budget, only the wall-clock watchdog, which is shortened here; inputs
// whose work cannot be bounded from the compiled statements are passed over as well, so that the
// fuzzer spends its time on new statements rather than on long runs: a repeat counted from a
// register, counts whose product passes kMostRepeatPasses, or script-to-script runs ("mac",
// "event") beside repeats. Inputs that name ".." are passed over too, so nothing can reach
// outside the sandbox.
#include "level_sandbox.h"

#include "core/clock.h"
#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/scheduling.h"
#include "script/variables.h"
#include "world/humans.h"
#include "world/level.h"

#include <cstring>

static const long kMostRepeatPasses = 4096;
static const int kPasses = 6;
static const char* const kLevelFiles[] = {"level models", "person", "starting", "tint", "load script"};

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // A level the input may load ("Levels/fz"), with the demo level's files, models and scripts.
    fuzz::LevelFolder();
    for (const char* f : kLevelFiles)
        fuzz::CopySourceFile(std::string("demo/Levels/start/") + f, std::string("Levels/fz/") + f);
    fuzz::WriteFile("Levels/fz/tex", "Levels/fz/Models/start_floor0.png\nLevels/fz/Models/start_step0.png\n");
    fuzz::WriteFile("Data/other", "addi 2,1\rsets 1,\"other\"\r");
    fuzz::WriteFile("Data/looping", "loop\raddi 3,1\ridle 0.02\rendloop\r");
    VXR_Init();
    gScriptRunTimeLimit = 0.05;
    return 0;
}

// 1 when the compiled statements of script keep every run short.
static int Bounded(const VXR_scripter* script)
{
    long passes = 1;
    int crossRuns = 0;
    for (const VXR_Statement* s = script->code; s; s = s->next)
    {
        if (s->kind == kStmtRepeat)
        {
            if (s->decoded.useI1 || s->decoded.count < 0 || s->decoded.count > kMostRepeatPasses) return 0;
            if (s->decoded.count > 1) passes *= s->decoded.count;
            if (passes > kMostRepeatPasses) return 0;
        }
        if (s->kind == kStmtInstruction &&
            (!strcmp(s->instruction->name, "mac") || !strcmp(s->instruction->name, "event")))
            crossRuns++;
    }
    return crossRuns == 0 || (crossRuns == 1 && passes == 1);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (memmem(data, size, "..", 2)) return -1;
    // The included and timed scripts the input may name are checked the same way when they load;
    // the input itself is the one file a script could include again and again.
    std::string path = fuzz::WriteFile("Data/fuzz input", data, size);
    memset(&gScriptVars, 0, sizeof gScriptVars);
    gCurrentTime = 1000;
    levelChanged = 0;
    if (!LoadAndExecuteScript(path.c_str())) return 0;
    if (!Bounded(baseScript.next))
    {
        VXR_Init();
        return -1;
    }
    ExecuteVXRCommandScript(baseScript.next);
    for (int pass = 0; pass < kPasses; pass++)
    {
        gCurrentTime += pass == kPasses / 2 ? 5000 : 20;
        levelChanged = 0;
        HandleGameScripts();
        HandleHumanScriptsForMask(1);
    }
    VXR_Init();
    // "save" and "savekey" write into the level: the next input starts from the same one.
    for (const char* f : kLevelFiles)
        fuzz::CopySourceFile(std::string("demo/Levels/start/") + f, std::string("Levels/fz/") + f);
    return 0;
}
