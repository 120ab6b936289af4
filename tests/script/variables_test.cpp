// Named script variables: the engine-bound settings, scope with a selected actor, duplicate
// definitions, unknown names and text bounds.
#include "app/draw.h"
#include "app/tick.h"
#include "script/variables.h"
#include "world/humans.h"
#include "world/level.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

struct VariablesTest : ::testing::Test
{
    void SetUp() override
    {
        VXR_Init();
        selHuman = nullptr;
    }
    void TearDown() override
    {
        selHuman = nullptr;
        RemoveAllHumans();
        ClearGlobalVariables();
    }
    human_being* NewActor(const char* name)
    {
        human_being* h = AppendNewHuman();
        snprintf(h->name, sizeof(h->name), "%s", name);
        return h;
    }
};

int CountGlobals()
{
    int n = 0;
    for (vaPtr* v = gGameVariables.next; v; v = v->next)
        n++;
    return n;
}

TEST_F(VariablesTest, ResetBindsTheFiveEngineSettingsInOrder)
{
    const char* names[] = {"doMouseView", "doFog", "gFogStart", "gFogEnd", "gameSpeed"};
    void* targets[] = {&doMouseView, &doFog, &gFogStart, &gFogEnd, &gGameSpeedFactor};
    vaPtr* v = gGameVariables.next;
    for (int k = 0; k < 5; k++, v = v->next)
    {
        ASSERT_NE(v, nullptr);
        EXPECT_STREQ(v->name, names[k]);
        EXPECT_EQ(v->value, targets[k]);
        EXPECT_EQ(v->ownsStorage, 0);
    }
    EXPECT_EQ(v, nullptr);

    // A second reset leaves the same five, not ten, and drops what scripts defined.
    InstallVXRVariablePointer("score", nullptr, 1);
    VXR_Init();
    EXPECT_EQ(CountGlobals(), 5);
    EXPECT_EQ(GetVarEntry("score"), nullptr);

    EXPECT_EQ(GetInt("doFog"), 0);
    EXPECT_FLOAT_EQ(GetFloat("gFogStart"), 0.0f);
    EXPECT_FLOAT_EQ(GetFloat("gFogEnd"), 200.0f);
    EXPECT_FLOAT_EQ(GetFloat("gameSpeed"), 1.0f);
    EXPECT_EQ(GetInt("doMouseView"), doMouseView);
}

TEST_F(VariablesTest, SecondDefinitionKeepsTheFirstValue)
{
    InstallVXRVariablePointer("x", nullptr, 1);
    SetInt("x", 42);
    int before = CountGlobals();
    InstallVXRVariablePointer("x", nullptr, 1);
    EXPECT_EQ(GetInt("x"), 42);
    EXPECT_EQ(CountGlobals(), before);
    EXPECT_EQ(gVarPtr, GetVarEntry("x"));

    human_being* a = NewActor("a1");
    InstallHumanVariablePointer(a, "y", nullptr, 1);
    selHuman = a;
    SetInt("y", 5);
    InstallHumanVariablePointer(a, "y", nullptr, 1);
    EXPECT_EQ(GetInt("y"), 5);
    ASSERT_NE(a->variables, nullptr);
    EXPECT_EQ(a->variables->next, nullptr);
    // The actor's entry is found only while the actor is selected.
    selHuman = nullptr;
    EXPECT_EQ(GetVarEntry("y"), nullptr);
    EXPECT_EQ(GetHumanVarEntry(a, "y"), a->variables);
}

TEST_F(VariablesTest, UnknownNamesReadAsZeroAndSetNothing)
{
    int before = CountGlobals();
    EXPECT_EQ(GetInt("nothing"), 0);
    EXPECT_EQ(GetBoolean("nothing"), 0);
    EXPECT_EQ(GetFloat("nothing"), 0.0f);
    EXPECT_STREQ(GetString_VXR("nothing"), "");
    SetInt("nothing", 1);
    SetFloat("nothing", 1.0f);
    SetString_VXR("nothing", "text");
    EXPECT_EQ(CountGlobals(), before);
    EXPECT_STREQ(GetString_VXR("nothing"), "");
}

TEST_F(VariablesTest, TextIsCutToTheStorage)
{
    InstallVXRVariablePointer("t", nullptr, 1);
    const char* longText = "0123456789012345678901234567890123456789"; // 40 characters
    SetString_VXR("t", longText);
    EXPECT_EQ(strlen(GetString_VXR("t")), 31u);
    EXPECT_EQ(strncmp(GetString_VXR("t"), longText, 31), 0);

    // An engine-bound int holds four bytes: a text written to it stops there, and the float
    // declared next to it is untouched.
    float startBefore = gFogStart, endBefore = gFogEnd;
    SetString_VXR("doFog", "hello");
    EXPECT_EQ(memcmp(&doFog, "hel", 4), 0);
    EXPECT_EQ(gFogStart, startBefore);
    EXPECT_EQ(gFogEnd, endBefore);

    // Read back as text, an int without a zero byte is bounded by its four bytes.
    memcpy(&doFog, "ABCD", 4);
    char out[32];
    GetVarText("doFog", out, sizeof(out));
    EXPECT_STREQ(out, "ABCD");
    GetVarText("t", out, 8);
    EXPECT_STREQ(out, "0123456");
    doFog = 0;
}

TEST_F(VariablesTest, LongNamesAreCutAndStillFound)
{
    std::string name(80, 'n');
    InstallVXRVariablePointer(name.c_str(), nullptr, 1);
    vaPtr* v = GetVarEntry(name.c_str());
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(strlen(v->name), 67u);
    EXPECT_EQ(GetVarEntry(name.substr(0, 67).c_str()), v);
}

TEST_F(VariablesTest, DisposingEmptiesTheLists)
{
    human_being* a = NewActor("a1");
    InstallHumanVariablePointer(a, "p", nullptr, 1);
    InstallHumanVariablePointer(a, "q", nullptr, 1);
    DisposeHumanVariables(a);
    EXPECT_EQ(a->variables, nullptr);
    DisposeHumanVariables(nullptr);

    ClearGlobalVariables();
    EXPECT_EQ(gGameVariables.next, nullptr);
    EXPECT_EQ(gVarPtr, &gGameVariables);
    EXPECT_EQ(GetVarEntry("gFogEnd"), nullptr);
}

} // namespace
