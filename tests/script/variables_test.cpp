// Named script variables: the engine-bound settings, scope with a selected actor, duplicate
// definitions, unknown names and text bounds.
#include "app/draw.h"
#include "app/tick.h"
#include "script_test_util.h"

using namespace scrtest;

namespace
{

using VariablesTest = ScriptTest;

TEST_F(VariablesTest, ResetBindsTheEngineSettingsOnce)
{
    // A second reset leaves the same ten (the engine's five and the player's settings), not twenty,
    // and drops what scripts defined.
    InstallVXRVariablePointer("score", nullptr, 1);
    VXR_Init();
    EXPECT_TRUE(GetVarEntry("score") == nullptr && GetVarEntry("gFogEnd")->value == &gFogEnd);
    int n = 0;
    for (vaPtr* v = gGameVariables.next; v; v = v->next)
        n++;
    EXPECT_EQ(n, 10);
    EXPECT_TRUE(GetVarEntry("mouseSensitivity") != nullptr && GetVarEntry("vsync") != nullptr);
    ClearGlobalVariables();
    EXPECT_TRUE(gGameVariables.next == nullptr && gVarPtr == &gGameVariables);
}

TEST_F(VariablesTest, DefinitionsScopeAndUnknownNames)
{
    // A second definition keeps the first entry and its value, adds none, and leaves the cursor
    // on the entry it found (read before a lookup moves it there anyway).
    InstallVXRVariablePointer("x", nullptr, 1);
    SetInt("x", 42);
    InstallVXRVariablePointer("z", nullptr, 1);
    InstallVXRVariablePointer("x", nullptr, 1);
    vaPtr* cursor = gVarPtr;
    EXPECT_EQ(GetInt("x"), 42);
    EXPECT_TRUE(cursor == GetVarEntry("x") && cursor->next == GetVarEntry("z") && !GetVarEntry("z")->next);

    // Likewise for an actor's own; which of the actor's and the global is found is the decoded
    // argument test's.
    human_being* a = NewActor("a1");
    selHuman = a;
    InstallHumanVariablePointer(a, "y", nullptr, 1);
    SetInt("y", 5);
    InstallHumanVariablePointer(a, "y", nullptr, 1);
    EXPECT_TRUE(GetInt("y") == 5 && a->variables->next == nullptr);
    DisposeHumanVariables(a);
    EXPECT_EQ(a->variables, nullptr);

    // Unknown names read as zero and set nothing.
    SetString_VXR("nothing", "text");
    EXPECT_STREQ(GetString_VXR("nothing"), "");
    EXPECT_EQ(GetVarEntry("z")->next, nullptr);

    // Long names are cut to 67 characters and still found.
    std::string name(80, 'n');
    InstallVXRVariablePointer(name.c_str(), nullptr, 1);
    ASSERT_NE(GetVarEntry(name.c_str()), nullptr);
    EXPECT_EQ(strlen(GetVarEntry(name.c_str())->name), 67u);
    EXPECT_EQ(GetVarEntry(name.substr(0, 67).c_str()), GetVarEntry(name.c_str()));
}

TEST_F(VariablesTest, TextIsCutToTheStorage)
{
    InstallVXRVariablePointer("t", nullptr, 1);
    const char* longText = "0123456789012345678901234567890123456789";
    SetString_VXR("t", longText);
    EXPECT_EQ(std::string(GetString_VXR("t")), std::string(longText, 31));

    // An engine-bound int holds four bytes: a text written to it stops there, and the floats
    // declared next to it are untouched.
    float startBefore = gFogStart, endBefore = gFogEnd;
    SetString_VXR("doFog", "hello");
    EXPECT_EQ(memcmp(&doFog, "hel", 4), 0);
    EXPECT_TRUE(gFogStart == startBefore && gFogEnd == endBefore);

    // Read back as text, an int without a zero byte is bounded by its four bytes.
    memcpy(&doFog, "ABCD", 4);
    char out[32];
    GetVarText("doFog", out, sizeof(out));
    EXPECT_STREQ(out, "ABCD");
    GetVarText("t", out, 8);
    EXPECT_STREQ(out, "0123456");
    doFog = 0;
}

} // namespace
