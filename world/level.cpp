// Level folders: the loaded level's state, loading and unloading a level, restarting at its
// start position, and the engine reset. The files' formats are world/level_files.cpp.
#include "world/level.h"

#include "model/mesh_records.h"
#include "resources/paths.h"
#include "script/compiler.h"
#include "script/scheduling.h"
#include "script/variables.h"
#include "world/humans.h"
#include "world/level_files.h"

#include <cstdlib>

int levelChanged = 0;
char currentLevelFolder[1024] = "";
mesh_mod baseLevelMesh;
mesh_mod* levelMeshPtr = &baseLevelMesh;
float baseCol1 = 1.0f, baseCol2 = 1.0f, baseCol3 = 1.0f;
float healthPercentage = 100.0f;

void DisposeLevelModels()
{
    mesh_mod* m = baseLevelMesh.next;
    baseLevelMesh.next = nullptr;
    while (m)
    {
        mesh_mod* next = m->next;
        m->next = nullptr;
        DisposeMeshworkModel(m);
        m = next;
    }
    levelMeshPtr = &baseLevelMesh;
}

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
    DisposeLevelModels();

    DisposeGameScripts();
    DisposeMacros();
    ClearGlobalVariables();
    InstallEngineVariables();
    currentLevelFolder[0] = 0;
}
