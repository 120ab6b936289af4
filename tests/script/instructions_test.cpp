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
#include <cstdlib>
#include <set>

using namespace scrtest;

namespace
{

struct InstructionsTest : ScriptTest
{
    // The selection after "get" runs with the given arguments.
    static human_being* Get(const char* args) { return ExecuteVXRCommand("get", args) ? selHuman : nullptr; }
};

TEST_F(InstructionsTest, RandomRandiRangePassedAcrossTheClockWrapReciprocalOfZeroAndQuit)
{
    VXR_SeedRandom(1234);
    // Every number of each range is drawn, and none outside it.
    std::set<int> low, high;
    for (int k = 0; k < 400; k++)
        RunText("randi 1,6,2\rrandi 6,1,3\r"), low.insert(I(2)), high.insert(I(3));
    EXPECT_EQ((std::vector<std::set<int>>{low, high}),
              (std::vector<std::set<int>>{{1, 2, 3, 4, 5, 6}, {6, 7, 8, 9}}));
    // The widest range draws from its low end (an empty one gives lo: the decoded argument test's).
    EXPECT_LE((RunText("randi -2147483648,2147483647,5\r"), I(5)), INT32_MIN + 32767);

    // Across the 32-bit wrap of the clock the step is still the small difference.
    gCurrentTime = 10, gOldTime = 0xFFFFFFF6u;
    EXPECT_TRUE((RunText("passed 5\rreci 3\r"), F(5) == 0.02 && std::isinf(F(3)))) << F(5) << " " << F(3);
    // quit ends the message loop.
    const int savedIdle = doIdle;
    EXPECT_TRUE((doIdle = 1, RunText("quit\r"), doIdle == 0 && !strcmp(gEndReason, "quit")));
    doIdle = savedIdle;

    // The generator draws the numbers the C library's rand() draws for the same seed, from a state
    // of its own that nothing else in the process touches. 0 counts as 1; seeds past 2^31 are taken
    // as negative numbers by the seeding.
    for (uint32_t seed : {0u, 1u, 2u, 77u, 1234u, 127773u, 2147483647u, 2147483648u, 4294967295u})
    {
        srand(seed), VXR_SeedRandom(seed);
        for (int i = 0; i < 1000; i++)
            ASSERT_EQ(rand(), VXR_NextRandom()) << "seed " << seed << ", number " << i;
    }
    // The draws alternate with the C library's: a state shared with it would show at once.
}

TEST_F(InstructionsTest, GetPlayerAndDefFollowTheSelection)
{
    human_being *guard = NewActor("guard1"), *me = NewActor("me"), *dog = NewActor("dog1");
    // "me" is the running script's owner, and a game script has none; no line test has hit
    // anyone, so "coll" keeps the selection.
    const std::pair<const char*, human_being*> steps[] = {
        {"\"guard1\"", guard}, {"dog1", dog}, {"\"nobody\"", dog}, {"\"me\"", dog}, {"\"coll\"", dog}};
    for (auto& [args, selected] : steps)
        EXPECT_EQ(Get(args), selected) << args;
    EXPECT_EQ((gHumanScriptTarget = guard, Get("me")), guard);
    // From s1 the name is not special: it names the actor called "me".
    EXPECT_EQ((strcpy(gScriptVars.s[0], "me"), Get("")), me);
    EXPECT_TRUE(ExecuteVXRCommand("player", "") && selHuman == nullptr);

    // Without a selected actor the flag p defines a global; without quotes the name ends at the
    // comma. The actor's variable hides a global of the same name only while it is selected.
    RunText("def y,p\rdef \"hp\"\rseti 1,10\rstorei \"hp\",1\rget \"guard1\"\rdef \"hp\",p\r"
            "seti 1,3\rstorei \"hp\",1\rloadi \"hp\",2\rplayer\rloadi \"hp\",3\r");
    EXPECT_EQ(Is(2, 3), (V{3, 10}));
    EXPECT_TRUE(GetVarEntry("y") && GetHumanVarEntry(guard, "hp") && !GetHumanVarEntry(guard, "y"));
}

TEST(InstructionTable, EveryEntryIsCompleteAndFoundByItsExactName)
{
    // Decoded when the statement compiles, run through the decoded operands; no name twice.
    for (const VXR_Instruction* e = gAllInstructions; strcmp(e->name, "NULL") != 0; e++)
        EXPECT_TRUE(e->handler && e->decode && e->run && GetVXRInstruction(e->name) == e) << e->name;
    // A single instruction runs by its exact name, its arguments prepared like a statement's.
    ConsoleCapture console;
    EXPECT_EQ(ExecuteVXRCommand("", "1,5") + ExecuteVXRCommand("seti", "1,5"), 2);
    for (const char* unknown : {"NULL", "Seti", "set"})
        EXPECT_TRUE(ExecuteVXRCommand(unknown, "1,6") == 0 && gScriptVars.i[0] == 5) << unknown;
    EXPECT_EQ(ExecuteVXRCommand("sets", ("3,\"" + std::string(200, 'x') + "\"").c_str()), 1);
    EXPECT_TRUE(console.Has("longer than 64"));
}

} // namespace
