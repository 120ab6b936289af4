// The register, variable, clock, selection and script-control instructions, run as a script
// statement would run them.
#include "app/draw.h"
#include "app/startup.h"
#include "app/timing.h"
#include "resources/paths.h"
#include "script/compiler.h"
#include "script/instructions.h"
#include "script/interpreter.h"
#include "script/scheduling.h"
#include "script/variables.h"
#include "world/humans.h"
#include "world/level.h"

#include "test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

namespace
{

struct InstructionsTest : ::testing::Test
{
    void SetUp() override
    {
        VXR_Init();
        memset(&gScriptVars, 0, sizeof(gScriptVars));
        selHuman = nullptr;
        gHumanScriptTarget = nullptr;
    }
    void TearDown() override
    {
        selHuman = nullptr;
        gHumanScriptTarget = nullptr;
        RemoveAllHumans();
        DisposeGameScripts();
        DisposeMacros();
        ClearGlobalVariables();
        routePath[0] = 0;
    }
    human_being* NewActor(const char* name)
    {
        human_being* h = AppendNewHuman();
        snprintf(h->name, sizeof(h->name), "%s", name);
        return h;
    }
};

void Exec(const char* command, const char* args)
{
    ASSERT_EQ(ExecuteVXRCommand(command, args), 1) << command;
}

// Compiles text as a script, gives it one run and disposes of it.
void RunScript(const char* text)
{
    VXR_scripter* s = NewVXRScript(text);
    ASSERT_NE(s, nullptr);
    ExecuteVXRCommandScript(s);
    DisposeScript(s);
}

double F(int n)
{
    return gScriptVars.f[n - 1];
}
int32_t I(int n)
{
    return gScriptVars.i[n - 1];
}
int32_t B(int n)
{
    return gScriptVars.b[n - 1];
}
const char* S(int n)
{
    return gScriptVars.s[n - 1];
}

TEST(InstructionTable, HoldsTheEngineOrderEndedByNull)
{
    static const char* order[] = {
        "get",        "mark",     "put",       "quit",      "size",    "axis",     "spin",
        "save",       "off",      "goto",      "setName",   "getName", "make",     "includeScript",
        "timeScript", "level",    "loadPoses", "savePoses", "type",    "live",     "loadi",
        "seti",       "setf",     "setb",      "sets",      "storei",  "loadf",    "storef",
        "stores",     "loadb",    "loads",     "storeb",    "player",  "multi",    "addi",
        "addf",       "multf",    "pose",      "setPose",   "rgb",     "makePose", "setHealth",
        "getHealth",  "stop",     "dist",      "sqrt",      "poke",    "teampoke", "savekey",
        "getSpeed",   "setSpeed", "def",       "move",      "go",      "time",     "passed",
        "randi",      "event",    "tex",       "key",       "sndplay", "sndstop",  "channel",
        "sndloop",    "setTeam",  "getTeam",   "mac",       "mouse",   "click",    "reci",
        "anim",       "hud",      "lux",       "col",       "alpha"};
    const int total = sizeof(order) / sizeof(order[0]);
    ASSERT_EQ(total, 75);

    int k = 0, pos = 0;
    std::set<std::string> seen;
    for (; !VXR_EqualString(gAllInstructions[k].name, "NULL"); k++)
    {
        ASSERT_NE(gAllInstructions[k].handler, nullptr) << gAllInstructions[k].name;
        EXPECT_TRUE(seen.insert(gAllInstructions[k].name).second) << gAllInstructions[k].name;
        while (pos < total && !VXR_EqualString(order[pos], gAllInstructions[k].name))
            pos++;
        ASSERT_LT(pos, total) << gAllInstructions[k].name << " is out of order or unknown";
    }
    EXPECT_EQ(gAllInstructions[k].handler, nullptr);
    for (const char* mine :
         {"get",    "quit",   "includeScript", "timeScript", "loadi",  "seti",  "setf",  "setb",
          "sets",   "storei", "loadf",         "storef",     "stores", "loadb", "loads", "storeb",
          "player", "multi",  "addi",          "addf",       "multf",  "sqrt",  "def",   "time",
          "passed", "randi",  "event",         "mac",        "reci"})
        EXPECT_TRUE(seen.count(mine)) << mine;
}

TEST_F(InstructionsTest, SourceIsPickedByTheCharacterAfterTheComma)
{
    Exec("seti", "1,-5");
    EXPECT_EQ(I(1), -5);
    Exec("seti", "4,i1");
    EXPECT_EQ(I(4), -5);

    gScriptVars.f[0] = -2.7;
    Exec("seti", "3,f1");
    EXPECT_EQ(I(3), -2);
    Exec("setf", "2,i3");
    EXPECT_EQ(F(2), -2.0);

    gScriptVars.b[1] = 1;
    Exec("seti", "5,b2");
    EXPECT_EQ(I(5), 1);

    // A word starting with f, i or b is never a literal: "false" names no register.
    Exec("seti", "5,false");
    EXPECT_EQ(I(5), 1);
    Exec("seti", "5,i");
    EXPECT_EQ(I(5), 1);

    // Floats beyond 32 bits saturate instead of wrapping to nonsense; NaN gives 0.
    gScriptVars.f[5] = 1e20;
    Exec("seti", "6,f6");
    EXPECT_EQ(I(6), INT32_MAX);
    gScriptVars.f[5] = NAN;
    Exec("seti", "6,f6");
    EXPECT_EQ(I(6), 0);

    // setf rounds every source to 32 bits, a float register included.
    gScriptVars.f[6] = 0.1;
    Exec("setf", "8,f7");
    EXPECT_EQ(F(8), (double)0.1f);
    Exec("setf", "9,2.5e1");
    EXPECT_EQ(F(9), 25.0);
}

TEST_F(InstructionsTest, ArithmeticRoundsFloatSourcesAndWrapsIntegers)
{
    for (int k = 0; k < 10; k++)
        Exec("addf", "1,0.1");
    // Each 0.1 is rounded to 32 bits (slightly above 0.1) before the 64-bit sum.
    EXPECT_NE(F(1), 1.0);
    EXPECT_GT(F(1), 1.0);
    EXPECT_NEAR(F(1), 1.0, 1e-6);

    gScriptVars.f[1] = 3.0;
    Exec("multf", "2,0.1");
    EXPECT_EQ(F(2), 3.0 * (double)0.1f);

    gScriptVars.i[0] = INT32_MAX;
    Exec("addi", "1,1");
    EXPECT_EQ(I(1), INT32_MIN);
    gScriptVars.i[1] = 65536;
    Exec("multi", "2,i2");
    EXPECT_EQ(I(2), 0);
    gScriptVars.i[2] = 7;
    gScriptVars.f[3] = -2.9;
    Exec("addi", "3,f4");
    EXPECT_EQ(I(3), 5);
    Exec("multi", "3,-3");
    EXPECT_EQ(I(3), -15);
}

TEST_F(InstructionsTest, RegistersOutsideOneToSixteenDoNothing)
{
    InstallVXRVariablePointer("x", nullptr, 1);
    SetInt("x", 77);
    for (int k = 0; k < 16; k++)
    {
        gScriptVars.f[k] = k + 0.5;
        gScriptVars.i[k] = k + 100;
        gScriptVars.b[k] = k & 1;
        snprintf(gScriptVars.s[k], 32, "reg%d", k + 1);
    }
    variable_list before = gScriptVars;
    const char* lines[][2] = {
        {"seti", "0,5"},       {"seti", "17,5"},       {"seti", "-1,5"},      {"seti", ",5"},
        {"seti", "1,i17"},     {"seti", "1,f0"},       {"setf", "17,1.0"},    {"addi", "99,1"},
        {"multf", "16,f17"},   {"setb", "17,true"},    {"sets", "17,\"a\""},  {"sets", "0,s1"},
        {"sets", "2,s0"},      {"sets", ",s1"},        {"loadi", "\"x\",17"}, {"loadf", "\"x\",-2"},
        {"loads", "\"x\",20"}, {"storei", "\"x\""},    {"storei", "\"x\",0"}, {"storef", "\"x\",17"},
        {"storeb", "\"x\""},   {"stores", "\"x\",17"}, {"time", ""},          {"time", "17"},
        {"passed", "0"},       {"sqrt", "1,17"},       {"sqrt", "17,1"},      {"sqrt", "1"},
        {"reci", "17"},        {"randi", "1,6,17"},    {"randi", "1,6"},      {"randi", "1,6,0"}};
    for (auto& line : lines)
    {
        Exec(line[0], line[1]);
        EXPECT_EQ(memcmp(&before, &gScriptVars, sizeof(before)), 0) << line[0] << " " << line[1];
    }
    EXPECT_EQ(GetInt("x"), 77);
}

TEST_F(InstructionsTest, TextIsCutAt31Characters)
{
    strcpy(gScriptVars.s[1], "untouched");
    Exec("sets", "1,\"0123456789012345678901234567890123456789\"");
    EXPECT_EQ(strlen(S(1)), 31u);
    EXPECT_EQ(strncmp(S(1), "0123456789012345678901234567890", 31), 0);
    EXPECT_STREQ(S(2), "untouched");

    Exec("def", "\"t\"");
    Exec("stores", "\"t\",1");
    EXPECT_EQ(strlen(GetString_VXR("t")), 31u);
    Exec("loads", "\"t\",3");
    EXPECT_STREQ(S(3), S(1));

    // An engine int read as text stops at its four bytes even with no zero byte among them.
    memcpy(&doFog, "WXYZ", 4);
    Exec("loads", "\"doFog\",4");
    EXPECT_STREQ(S(4), "WXYZ");
    doFog = 0;
}

TEST_F(InstructionsTest, SetsAndSetbForms)
{
    Exec("sets", "\"plain\"");
    EXPECT_STREQ(S(1), "plain");
    Exec("sets", "0,\"zero\"");
    EXPECT_STREQ(S(1), "zero");
    Exec("sets", "3,\"with blanks\"");
    Exec("sets", "2,s3");
    EXPECT_STREQ(S(2), "with blanks");

    Exec("setb", "1,true");
    EXPECT_EQ(B(1), 1);
    Exec("setb", "1,yes");
    EXPECT_EQ(B(1), 1);
    Exec("setb", "1,false");
    EXPECT_EQ(B(1), 0);
    Exec("setb", "1,True");
    EXPECT_EQ(B(1), 0);
}

TEST_F(InstructionsTest, RandiStaysInItsRange)
{
    srand(1234);
    std::set<int> seen;
    for (int k = 0; k < 400; k++)
    {
        Exec("randi", "1,6,2");
        ASSERT_GE(I(2), 1);
        ASSERT_LE(I(2), 6);
        seen.insert(I(2));
        Exec("randi", "6,1,3");
        ASSERT_GE(I(3), 6);
        ASSERT_LE(I(3), 9);
        seen.insert(I(3));
    }
    EXPECT_EQ(seen.size(), 9u);

    // hi = lo - 1 leaves no room: the result is lo instead of a division by zero.
    for (int k = 0; k < 20; k++)
    {
        Exec("randi", "5,4,4");
        EXPECT_EQ(I(4), 5);
    }
    Exec("randi", "-2147483648,2147483647,5");
    EXPECT_GE(I(5), INT32_MIN);
    EXPECT_LE(I(5), INT32_MIN + 32767);
}

TEST_F(InstructionsTest, ComputingAndTheClock)
{
    gScriptVars.f[0] = 2.25;
    Exec("sqrt", "1,2");
    EXPECT_EQ(F(2), 1.5);
    Exec("reci", "");
    EXPECT_EQ(F(1), 1.0 / 2.25);
    Exec("reci", "3");
    EXPECT_TRUE(std::isinf(F(3)));

    uint32_t savedNow = gCurrentTime, savedOld = gOldTime;
    gCurrentTime = 12345;
    gOldTime = 12325;
    Exec("time", "1");
    EXPECT_DOUBLE_EQ(F(1), 12.345);
    Exec("passed", "2");
    EXPECT_DOUBLE_EQ(F(2), 0.02);
    // Across the 32-bit wrap of the clock the step is still the small difference.
    gCurrentTime = 10;
    gOldTime = 0xFFFFFFF6u;
    Exec("passed", "2");
    EXPECT_DOUBLE_EQ(F(2), 0.02);
    gCurrentTime = savedNow;
    gOldTime = savedOld;
}

TEST_F(InstructionsTest, EngineBoundVariablesThroughLoadAndStore)
{
    float savedEnd = gFogEnd;
    Exec("loadf", "\"gFogEnd\",1");
    EXPECT_EQ(F(1), (double)gFogEnd);
    Exec("loadf", "\"gameSpeed\"");
    EXPECT_EQ(F(1), (double)gGameSpeedFactor);

    gScriptVars.f[0] = 50.0;
    Exec("storef", "\"gFogEnd\",1");
    EXPECT_EQ(gFogEnd, 50.0f);
    Exec("loadi", "\"gFogEnd\",2");
    int32_t bits;
    memcpy(&bits, &gFogEnd, 4);
    EXPECT_EQ(I(2), bits);

    gScriptVars.b[2] = 1;
    Exec("storeb", "\"doFog\",3");
    EXPECT_EQ(doFog, 1);
    doFog = 0;

    // An unknown name loads 0 and stores nowhere.
    gScriptVars.i[3] = 9;
    Exec("loadi", "\"missing\",4");
    EXPECT_EQ(I(4), 0);
    Exec("storei", "\"missing\",1");
    EXPECT_EQ(GetVarEntry("missing"), nullptr);
    gFogEnd = savedEnd;
}

TEST_F(InstructionsTest, GetAndPlayerSelectActors)
{
    human_being* guard = NewActor("guard1");
    human_being* me = NewActor("me");
    human_being* dog = NewActor("dog1");

    Exec("get", "\"guard1\"");
    EXPECT_EQ(selHuman, guard);
    Exec("get", "dog1");
    EXPECT_EQ(selHuman, dog);
    Exec("get", "\"nobody\"");
    EXPECT_EQ(selHuman, dog);

    // "me" is the running script's owner; a game script has none, so nothing changes.
    Exec("get", "\"me\"");
    EXPECT_EQ(selHuman, dog);
    gHumanScriptTarget = guard;
    Exec("get", "me");
    EXPECT_EQ(selHuman, guard);
    // From s1 the name is not special: it names the actor called "me".
    strcpy(gScriptVars.s[0], "me");
    Exec("get", "");
    EXPECT_EQ(selHuman, me);
    // No line test has hit anyone: "coll" keeps the selection.
    Exec("get", "\"coll\"");
    EXPECT_EQ(selHuman, me);

    Exec("player", "");
    EXPECT_EQ(selHuman, nullptr);
}

TEST_F(InstructionsTest, DefFollowsTheSelectedActor)
{
    human_being* guard = NewActor("guard1");
    Exec("get", "\"guard1\"");
    Exec("def", "\"x\",p");
    gScriptVars.i[0] = 4;
    Exec("storei", "\"x\",1");
    EXPECT_NE(GetHumanVarEntry(guard, "x"), nullptr);
    Exec("player", "");
    gScriptVars.i[0] = 7;
    Exec("loadi", "\"x\",1");
    EXPECT_EQ(I(1), 0);

    // Without a selected actor the flag p defines a global; without quotes the name ends at the comma.
    Exec("def", "y,p");
    ASSERT_NE(GetVarEntry("y"), nullptr);
    EXPECT_EQ(GetHumanVarEntry(guard, "y"), nullptr);

    // The actor's variable hides a global of the same name only while it is selected.
    Exec("def", "\"hp\"");
    gScriptVars.i[0] = 10;
    Exec("storei", "\"hp\",1");
    Exec("get", "\"guard1\"");
    Exec("def", "\"hp\",p");
    gScriptVars.i[0] = 3;
    Exec("storei", "\"hp\",1");
    Exec("loadi", "\"hp\",2");
    EXPECT_EQ(I(2), 3);
    Exec("player", "");
    Exec("loadi", "\"hp\",2");
    EXPECT_EQ(I(2), 10);

    // A second definition leaves the first entry and its value.
    Exec("def", "z");
    gScriptVars.i[0] = 11;
    Exec("storei", "\"z\",1");
    Exec("def", "z");
    Exec("loadi", "\"z\",5");
    EXPECT_EQ(I(5), 11);
}

TEST_F(InstructionsTest, MacRunsTheDeclaringScript)
{
    VXR_scripter* holder = NewVXRScript("macro \"boom\"\raddi 1,1\ridle 1\raddi 1,100\r");
    ASSERT_NE(holder, nullptr);
    RunScript("mac \"boom\"\rmac \"nothing\"\rmac \"boomerang\"\r");
    // "boomerang" shares its first four characters with "boom": the same macro, run twice,
    // but the second run finds the script idling.
    EXPECT_EQ(I(1), 1);
    DisposeScript(holder);
    RunScript("mac \"boom\"\r");
    EXPECT_EQ(I(1), 1);
}

TEST_F(InstructionsTest, EventRunsTheSelectedActorsMatchingScripts)
{
    human_being* a = NewActor("a1");
    const char* texts[] = {"addi 2,1\r", "addi 1,1\r", "multi 1,10\r"};
    int masks[] = {1, 2, 6};
    VXR_scripter* tail = nullptr;
    for (int k = 0; k < 3; k++)
    {
        VXR_scripter* s = NewVXRScript(texts[k]);
        s->eventMask = masks[k];
        s->owner = a;
        s->looping = 0;
        if (tail)
            tail->next = s;
        else
            a->scripts = s;
        tail = s;
    }
    // With no actor selected nothing runs.
    Exec("event", "8");
    Exec("event", "2");
    EXPECT_EQ(I(1), 0);

    Exec("get", "\"a1\"");
    Exec("event", "2");
    // Mask 2 then mask 6, in list order: (0 + 1) * 10.
    EXPECT_EQ(I(1), 10);
    EXPECT_EQ(I(2), 0);

    // Empty: the mask comes from i1 (10 = 8 + 2 shares bits with 2 and 6, not with 1); the
    // scripts ran to their end already, so their runs do nothing.
    Exec("event", "");
    EXPECT_EQ(I(1), 10);
    gScriptVars.i[0] = 1;
    Exec("event", "");
    EXPECT_EQ(I(2), 1);
}

TEST_F(InstructionsTest, IncludeAndTimedScriptsJoinTheGameList)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir / "scripts/inc", "addi 1,1\n"));
    ASSERT_TRUE(WriteTextFile(dir / "scripts/later", "addi 2,1\n"));
    snprintf(routePath, sizeof(routePath), "%s/", dir.path.c_str());

    uint32_t savedNow = gCurrentTime;
    gCurrentTime = 10000;
    Exec("includeScript", "\"scripts:inc\"");
    Exec("timeScript", "\"scripts/later\",2.5");
    Exec("includeScript", "\"scripts/none\"");
    ASSERT_NE(baseScript.next, nullptr);
    ASSERT_NE(baseScript.next->next, nullptr);
    EXPECT_EQ(baseScript.next->next->next, nullptr);
    EXPECT_EQ(baseScript.next->next->startTime, 12500u);

    HandleGameScripts();
    EXPECT_EQ(I(1), 1);
    EXPECT_EQ(I(2), 0);
    gCurrentTime = 12499;
    HandleGameScripts();
    EXPECT_EQ(I(2), 0);
    gCurrentTime = 12500;
    HandleGameScripts();
    EXPECT_EQ(I(2), 1);

    // A missing delay is none.
    Exec("timeScript", "\"scripts/later\"");
    HandleGameScripts();
    EXPECT_EQ(I(2), 2);
    gCurrentTime = savedNow;
}

TEST_F(InstructionsTest, QuitEndsTheMessageLoop)
{
    int savedIdle = doIdle;
    doIdle = 1;
    RunScript("quit\r");
    EXPECT_EQ(doIdle, 0);
    EXPECT_STREQ(gEndReason, "quit");
    doIdle = savedIdle;
}

} // namespace
