// Named script variables: the engine-bound settings, duplicate definitions, unknown names and
// text bounds. Which of an actor's and a global variable a lookup finds is the decoded argument
// test's.
#include "app/draw.h"
#include "script_test_util.h"

using namespace scrtest;

namespace
{

using VariablesTest = ScriptTest;

TEST_F(VariablesTest, DefinitionsResetsUnknownNamesAndTextBounds)
{
    // A second definition keeps the first entry and its value and adds none; likewise for an
    // actor's own.
    InstallVXRVariablePointer("x", nullptr, 1), SetInt("x", 42);
    InstallVXRVariablePointer("z", nullptr, 1);
    InstallVXRVariablePointer("x", nullptr, 1);
    EXPECT_TRUE(GetInt("x") == 42 && GetVarEntry("x")->next == GetVarEntry("z") && !GetVarEntry("z")->next);
    human_being* a = selHuman = NewActor("a1");
    InstallHumanVariablePointer(a, "y", nullptr, 1), SetInt("y", 5);
    InstallHumanVariablePointer(a, "y", nullptr, 1);
    EXPECT_TRUE(GetInt("y") == 5 && a->variables->next == nullptr);
    selHuman = nullptr;
    // Unknown names read as zero and set nothing; long names are cut to 67 characters and found.
    SetString_VXR("nothing", "text");
    std::string name(80, 'n');
    InstallVXRVariablePointer(name.c_str(), nullptr, 1);
    vaPtr* cut = GetVarEntry(name.c_str());
    ASSERT_TRUE(cut && strlen(cut->name) == 67 && GetVarEntry(name.substr(0, 67).c_str()) == cut);
    EXPECT_STREQ(GetString_VXR("nothing"), "");
    // A text is cut to the 31 characters a variable holds.
    SetString_VXR("x", "0123456789012345678901234567890123456789");
    char out[32];
    GetVarText("x", out, 8);
    EXPECT_EQ(std::string(out) + " " + GetString_VXR("x"), "0123456 0123456789012345678901234567890");

    // A reset drops what scripts defined and binds the engine's ten settings again, not twenty.
    VXR_Init();
    int n = 0;
    for (vaPtr* v = gGameVariables.next; v; v = v->next)
        n++;
    EXPECT_EQ(n, 10);
    EXPECT_TRUE(GetVarEntry("x") == nullptr && GetVarEntry("gFogEnd")->value == &gFogEnd);
    // An engine-bound int read back as text is bounded by its four bytes (a text written to it
    // stops there: the decoded argument test's stores to doFog).
    memcpy(&doFog, "ABCD", 4), GetVarText("doFog", out, sizeof(out));
    EXPECT_STREQ(out, "ABCD");
    doFog = 0, ClearGlobalVariables();
    EXPECT_TRUE(gGameVariables.next == nullptr && gVarPtr == &gGameVariables);
}

} // namespace
