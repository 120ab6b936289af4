// The level folder the level file harnesses read from: "<sandbox>Levels/fz/" with the demo
// level's models (and their pictures) in its own Models folder, the humanoid under the data
// folder's Models, and the demo level's actor scripts, so that the lines a fuzzed file holds can
// name models found in either place and scripts that load.
#pragma once

#include "fuzz_support.h"

#include "model/loader.h"
#include "world/level.h"

namespace fuzz
{

inline std::string LevelFolder()
{
    static std::string folder;
    if (folder.empty())
    {
        Sandbox();
        MakeGLContext();
        const char* models[] = {"demo_floor", "demo_step", "demo_ledge", "demo_walls"};
        for (const char* m : models)
        {
            CopySourceFile(std::string("demo/Levels/start/Models/") + m,
                           std::string("Levels/fz/Models/") + m);
            CopySourceFile(std::string("demo/Levels/start/Models/") + m + "0.png",
                           std::string("Levels/fz/Models/") + m + "0.png");
        }
        CopySourceFile("demo/Models/humanoid", "Models/humanoid");
        CopySourceFile("demo/Models/humanoid_poses", "Models/humanoid_poses");
        CopySourceFile("demo/Models/humanoid0.png", "Models/humanoid0.png");
        CopySourceFile("demo/Levels/start/Scripts/guard", "Levels/start/Scripts/guard");
        CopySourceFile("demo/Levels/start/Scripts/watch", "Levels/start/Scripts/watch");
        VXR_Init();
        folder = Sandbox() + "Levels/fz/";
    }
    return folder;
}

} // namespace fuzz
