// Level state and the engine reset. Loading and saving level folders build on this.
#include "world/level.h"

#include "model/mesh_records.h"
#include "resources/paths.h"
#include "script/compiler.h"
#include "script/scheduling.h"
#include "script/variables.h"
#include "world/humans.h"

int levelChanged = 0;
char currentLevelFolder[1024] = "";

void VXR_Init()
{
    // An actor's scripts and variables go with the actor.
    gDisposeHumanScriptsHook = RemoveHumanScripts;
    gDisposeHumanVariablesHook = DisposeHumanVariables;
    // Actor model files are looked up in the level's folder first, then under the data root.
    gLevelFolderHook = [] { return (const char*)currentLevelFolder; };
    gRoutePathHook = [] { return (const char*)routePath; };

    EnsureHumanRoster();
    RemoveAllHumans();
    EnsureModelCache();

    DisposeGameScripts();
    DisposeMacros();
    ClearGlobalVariables();
    InstallEngineVariables();
    currentLevelFolder[0] = 0;
}
