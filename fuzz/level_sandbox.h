// The level folder the level file harnesses read from: "<sandbox>Levels/fz/" with the demo
// level's models (and their pictures) in its own Models folder, the demo's shared models under
// the data folder's Models, and the demo's actor scripts, so that the lines a fuzzed file holds
// can name models found in either place and scripts that load.
#pragma once

#include "fuzz_support.h"

#include "app/script_hooks.h"
#include "model/loader.h"
#include "world/level.h"

#include <cmath>

namespace fuzz
{

inline std::string LevelFolder()
{
    static std::string folder;
    if (folder.empty())
    {
        Sandbox();
        MakeGLContext();
        CopySourceFolder("demo/Levels/start/Models", "Levels/fz/Models");
        CopySourceFolder("demo/Models", "Models");
        CopySourceFolder("demo/Levels/start/Scripts", "Levels/start/Scripts");
        CopySourceFolder("demo/Data", "Data");
        RegisterScriptHooks();
        VXR_Init();
        folder = Sandbox() + "Levels/fz/";
    }
    return folder;
}

// A number that went through a level file's writer and reader: equal up to the digits "%f"
// keeps, and NaN stays NaN.
inline bool SameAfterRoundTrip(float a, float b)
{
    return a == b || (std::isnan(a) && std::isnan(b)) ||
           std::fabs(a - b) <= 1e-5f * std::fmax(1.0f, std::fabs(a));
}

} // namespace fuzz
