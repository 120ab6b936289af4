// Helpers the script tests share: a fixture that resets the script world, the console lines,
// register views and a probe instruction tests patch into compiled statements.
#pragma once

#include "core/output.h"
#include "app/startup.h"
#include "app/timing.h"
#include "resources/paths.h"
#include "script/compiler.h"
#include "script/decode.h"
#include "script/interpreter.h"
#include "script/scheduling.h"
#include "script/variables.h"
#include "world/humans.h"
#include "world/level.h"

#include "test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace scrtest
{

using V = std::vector<int>;
inline std::vector<std::string>& consoleLines = ConsoleCapture::Lines();
inline std::function<void(char*)> probeAction;

// Registers, clock, level flag, selection, lists and data root back to an empty engine; scripts
// made with Make are disposed of afterwards.
struct ScriptTest : ::testing::Test
{
    TempDir dir;
    std::vector<VXR_scripter*> made;
    void SetUp() override { Reset(), snprintf(routePath, sizeof(routePath), "%s/", dir.path.c_str()); }
    void TearDown() override
    {
        for (VXR_scripter* s : made)
            DisposeScript(s);
        Reset(), routePath[0] = 0;
    }
    void Reset()
    {
        memset(&gScriptVars, 0, sizeof(gScriptVars)), levelChanged = 0, gCurrentTime = gOldTime = 1000;
        probeAction = [](char*) {};
        RegisterEngineHooks(), VXR_Init();
        selHuman = gHumanScriptTarget = nullptr;
        // Long runs of the tests must not meet the watchdog on a slow machine; its own tests
        // shorten the limit.
        gScriptRunTimeLimit = 600.0;
    }
    static int& I(int n) { return gScriptVars.i[n - 1]; }
    static double& F(int n) { return gScriptVars.f[n - 1]; }
    // Integer registers first to last, to compare several at once.
    static V Is(int first, int last) { return V(gScriptVars.i + first - 1, gScriptVars.i + last); }
    VXR_scripter* Make(const std::string& text) { return made.emplace_back(NewVXRScript(text.c_str())); }
    static int Run(VXR_scripter* s) { return ExecuteCompiledVXRScript(s); }
    // n copies of a text.
    static std::string Times(int n, const std::string& s) { return n > 0 ? s + Times(n - 1, s) : ""; }
    // One run of a fresh script: a sequence of instructions in one line of the test.
    void RunText(const std::string& text) { Run(Make(text)); }
    // Runs each row's script in turn and checks what holds afterwards.
    using Row = std::pair<const char*, std::function<bool()>>;
    void Check(const std::vector<Row>& rows)
    {
        for (const auto& [script, holds] : rows)
            EXPECT_TRUE((RunText(script), holds())) << script;
    }
    // The probe runs the test's current action in place of the statement it is patched into.
    static void PatchProbe(VXR_scripter* script, int index)
    {
        static VXR_Instruction probe = {"probe", [](char* args) { probeAction(args); }};
        VXR_Statement* s = script->code;
        while (s && index-- > 0)
            s = s->next;
        if (s) s->instruction = &probe;
    }
    human_being* NewActor(const char* name)
    {
        human_being* h = AppendNewHuman();
        snprintf(h->name, sizeof(h->name), "%s", name);
        return h;
    }
    std::string Write(const std::string& name, const std::string& text)
    {
        EXPECT_TRUE(WriteTextFile(dir / name, text));
        return dir / name;
    }
};

} // namespace scrtest
