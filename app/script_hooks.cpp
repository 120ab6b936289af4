// The world's hooks into the script system, filled in at start-up: the world is below the
// script layer and reaches scripts only through them.
#include "app/script_hooks.h"

#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/scheduling.h"
#include "script/variables.h"
#include "world/collision.h"
#include "world/humans.h"
#include "world/level.h"
#include "world/level_files.h"

void RegisterScriptHooks()
{
    gDisposeGameScriptsHook = []
    {
        DisposeGameScripts();
        DisposeMacros();
    };
    gResetScriptVariablesHook = []
    {
        ClearGlobalVariables();
        InstallEngineVariables();
    };
    gLoadAndExecuteScriptHook = LoadAndExecuteScript;
    // An actor's scripts and variables go with the actor.
    gSetHumanScriptsHook = SetHumanScriptsByPaths;
    gHumanScriptPathsHook = HumanScriptPaths;
    gDisposeHumanScriptsHook = RemoveHumanScripts;
    gDisposeHumanVariablesHook = DisposeHumanVariables;
    gScriptTargetHook = [] { return gHumanScriptTarget; };
}
