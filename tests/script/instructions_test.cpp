// The register, variable, clock, selection and script-control instructions, run as a script
// statement would run them. How each reads its arguments is the decoded argument test's.
#include "app/draw.h"
#include "app/startup.h"
#include "script/compiler.h"
#include "script/instructions.h"
#include "script/random.h"
#include "script_test_util.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <set>

using namespace scrtest;

namespace
{

using InstructionsTest = ScriptTest;

void Exec(const char* command, const char* args)
{
    ASSERT_EQ(ExecuteVXRCommand(command, args), 1) << command;
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

TEST_F(InstructionsTest, RegisterSixteenServesEveryInstruction)
{
    // Register 16 is the last usable one: each way of naming a register reaches it, as a target
    // and as a source. Before each row: f16 2.25, i16 3, b16 1, s16 "sixteen", s1 "one",
    // the variable "v" holding 40 (as an int; the float and text rows store before they load).
    InstallVXRVariablePointer("v", nullptr, 1);
    auto S = [](int n) { return std::string(gScriptVars.s[n - 1]); };
    const std::pair<const char*, std::function<bool()>> rows[] = {
        {"seti 16,5", [] { return I(16) == 5; }},
        {"seti 1,i16", [] { return I(1) == 3; }},
        {"setf 1,f16", [] { return F(1) == 2.25; }},
        {"seti 1,b16", [] { return I(1) == 1; }},
        {"multi 16,i16", [] { return I(16) == 9; }},
        {"multf 16,f16", [] { return F(16) == 2.25 * 2.25; }},
        {"sets 16,\"x\"", [&] { return S(16) == "x"; }},
        {"sets 16,s1", [&] { return S(16) == "one"; }},
        {"sqrt 16,16", [] { return F(16) == 1.5; }},
        {"reci 16", [] { return F(16) == 1 / 2.25; }},
        {"randi 4,4,16", [] { return I(16) == 4; }},
        {"time 16", [] { return F(16) == 12.345; }},
        {"passed 16", [] { return F(16) == 0.02; }},
        {"loadi \"v\",16", [] { return I(16) == 40; }},
        {"storei \"v\",16\rloadi \"v\",1", [] { return I(1) == 3; }},
        {"storef \"v\",16\rloadf \"v\",16", [] { return F(16) == 2.25; }},
        {"storeb \"v\",2\rloadb \"v\",16", [] { return gScriptVars.b[15] == 0; }},
        {"stores \"v\",1\rloads \"v\",16", [&] { return S(16) == "one"; }},
        // Without a register number "stores" and the loads use register 1.
        {"stores \"v\"\rloads \"v\",2", [&] { return S(2) == "one"; }},
        {"loadi \"v\"", [] { return I(1) == 40; }},
        {"if i,16,=,16\rseti 1,1\rendif\rif i,16,<,1\rseti 1,2\rendif", [] { return I(1) == 1; }},
    };
    for (const auto& [text, ok] : rows)
    {
        memset(&gScriptVars, 0, sizeof(gScriptVars));
        F(16) = 2.25;
        I(16) = 3;
        gScriptVars.b[15] = 1;
        strcpy(gScriptVars.s[15], "sixteen");
        strcpy(gScriptVars.s[0], "one");
        SetInt("v", 40);
        gCurrentTime = 12345;
        gOldTime = 12325;
        RunText(std::string(text) + "\r");
        EXPECT_TRUE(ok()) << text;
    }
}

TEST_F(InstructionsTest, RandiStaysInItsRange)
{
    VXR_SeedRandom(1234);
    std::set<int> seen;
    for (int k = 0; k < 400; k++)
    {
        RunText("randi 1,6,2\rrandi 6,1,3\r");
        ASSERT_TRUE(I(2) >= 1 && I(2) <= 6 && I(3) >= 6 && I(3) <= 9) << I(2) << " " << I(3);
        seen.insert({I(2), I(3)});
    }
    EXPECT_EQ(seen.size(), 9u);
    // hi = lo - 1 leaves no room: the result is lo instead of a division by zero.
    RunText("randi 5,4,4\rrandi -2147483648,2147483647,5\r");
    EXPECT_EQ(I(4), 5);
    EXPECT_LE(I(5), INT32_MIN + 32767);
}

TEST_F(InstructionsTest, ComputingTheClockAndQuit)
{
    F(1) = 2.25;
    gCurrentTime = 12345;
    gOldTime = 12325;
    RunText("sqrt 1,2\rreci\rreci 3\rtime 4\rpassed 5\r");
    EXPECT_EQ(F(2), 1.5);
    EXPECT_EQ(F(1), 1.0 / 2.25);
    EXPECT_TRUE(std::isinf(F(3)));
    EXPECT_DOUBLE_EQ(F(4), 12.345);
    EXPECT_DOUBLE_EQ(F(5), 0.02);
    // Across the 32-bit wrap of the clock the step is still the small difference.
    gCurrentTime = 10;
    gOldTime = 0xFFFFFFF6u;
    RunText("passed 5\r");
    EXPECT_DOUBLE_EQ(F(5), 0.02);

    // quit ends the message loop.
    int savedIdle = doIdle;
    doIdle = 1;
    RunText("quit\r");
    EXPECT_EQ(doIdle, 0);
    EXPECT_STREQ(gEndReason, "quit");
    doIdle = savedIdle;
}

TEST_F(InstructionsTest, GetPlayerAndDefFollowTheSelection)
{
    human_being* guard = NewActor("guard1");
    human_being* me = NewActor("me");
    human_being* dog = NewActor("dog1");
    // "me" is the running script's owner, and a game script has none; no line test has hit
    // anyone, so "coll" keeps the selection.
    const std::pair<const char*, human_being*> steps[] = {
        {"\"guard1\"", guard}, {"dog1", dog}, {"\"nobody\"", dog}, {"\"me\"", dog}, {"\"coll\"", dog}};
    for (auto& [args, selected] : steps)
    {
        Exec("get", args);
        EXPECT_EQ(selHuman, selected) << args;
    }
    gHumanScriptTarget = guard;
    Exec("get", "me");
    EXPECT_EQ(selHuman, guard);
    // From s1 the name is not special: it names the actor called "me".
    strcpy(gScriptVars.s[0], "me");
    Exec("get", "");
    EXPECT_EQ(selHuman, me);
    Exec("player", "");
    EXPECT_EQ(selHuman, nullptr);

    // Without a selected actor the flag p defines a global; without quotes the name ends at the
    // comma. The actor's variable hides a global of the same name only while it is selected.
    RunText("def y,p\rdef \"hp\"\rseti 1,10\rstorei \"hp\",1\rget \"guard1\"\rdef \"hp\",p\r"
            "seti 1,3\rstorei \"hp\",1\rloadi \"hp\",2\rplayer\rloadi \"hp\",3\r");
    EXPECT_EQ(Is(2, 3), (V{3, 10}));
    EXPECT_TRUE(GetVarEntry("y") && GetHumanVarEntry(guard, "hp") && !GetHumanVarEntry(guard, "y"));
}

TEST(InstructionTable, EveryEntryIsCompleteAndFoundByNameUpToTheNullEnd)
{
    // The engine's instruction order, which content tools and listings of the table follow.
    const std::string order =
        "get mark put quit size axis spin save off goto setName getName make includeScript timeScript level "
        "loadPoses savePoses type live loadi seti setf setb sets storei loadf storef stores loadb loads "
        "storeb "
        "player multi addi addf multf pose setPose rgb makePose setHealth getHealth stop dist sqrt poke "
        "teampoke "
        "savekey getSpeed setSpeed def move go time passed randi event tex key sndplay sndstop channel "
        "sndloop "
        "setTeam getTeam mac mouse click reci anim hud lux col alpha message hudText flash pick snap turn edit "
        "undo redo history copy paste models getSize getModel setStart saveAs reload ";
    std::string names;
    for (const VXR_Instruction* e = gAllInstructions; strcmp(e->name, "NULL") != 0; e++)
    {
        // Decoded when the statement compiles, run through the decoded operands.
        EXPECT_TRUE(e->handler && e->decode && e->run) << e->name;
        EXPECT_EQ(GetVXRInstruction(e->name), e);
        names += std::string(e->name) + " ";
    }
    EXPECT_EQ(names, order);
    EXPECT_EQ(GetVXRInstruction("NULL"), nullptr);
}

} // namespace
