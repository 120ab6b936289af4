// Where scripts come from and when they run: game script passes, scripts loaded during a pass,
// timed scripts, actor scripts by event mask, path lists and single instructions.
#include "script_test_util.h"

#include <cmath>

using namespace scrtest;

namespace
{

struct SchedulingTest : ScriptTest
{
    int Load(const std::string& name, const std::string& text)
    {
        return LoadAndExecuteScript(Write(name, text).c_str());
    }
    // The event masks of the actor's scripts, after it is given the list of paths if there is one.
    std::vector<int32_t> Masks(human_being* h, const char* list = nullptr)
    {
        if (list) SetHumanScriptsByPaths(h, list);
        std::vector<int32_t> out;
        for (VXR_scripter* s = h->scripts; s; s = s->next)
            out.push_back(s->eventMask);
        return out;
    }
};

TEST_F(SchedulingTest, GameScriptsIncludedTimedAndLoadingThemselves)
{
    // A folder is no script: the file reader all loaders share refuses it as a missing file.
    Write("folder/inner", "addi 6,1\r");
    const int loaded =
        LoadAndExecuteScript((dir / "folder").c_str()) + LoadAndExecuteScript((dir / "missing").c_str());
    EXPECT_TRUE(loaded == 0 && baseScript.next == nullptr);
    // A loaded script runs once at once and stays in the list when finished; A then runs, then
    // the C it includes; B, between A and the old end, waits for the next pass.
    ASSERT_EQ(Load("once", "addi 5,1\n"), 1);
    Write("scripts/c", "loop\raddi 3,1\rendloop\r");
    Load("a", "includeScript \"scripts:c\"\rincludeScript \"none\"\rloop\raddi 1,1\rendloop\r");
    Load("b", "loop\raddi 2,1\rendloop\r");
    const V first = (HandleGameScripts(), Is(1, 5));
    EXPECT_EQ((std::vector<V>{first, (HandleGameScripts(), Is(1, 5))}),
              (std::vector<V>{{1, 0, 1, 0, 1}, {2, 1, 2, 0, 1}}));
    EXPECT_EQ((DisposeGameScripts(), baseScript.next), nullptr);

    // Timed scripts wait for their start; through the instruction a missing time is 0.
    EXPECT_EQ((gCurrentTime = 10000, InstallTimedScript((dir / "missing").c_str(), 1.0f)), 0);
    ASSERT_EQ(InstallTimedScript(Write("t", "addi 4,1\n").c_str(), 2.5f), 1);
    Load("g", "timeScript \"t\",1.5\rtimeScript \"t\"\r");
    std::string runs;
    for (uint32_t time : {11000u, 12499u, 12500u})
        gCurrentTime = time, HandleGameScripts(), runs += std::to_string(I(4));
    EXPECT_EQ(runs, "113");

    // Timed starts and durations saturate.
    EXPECT_EQ((std::vector<uint32_t>{2500, 1, UINT32_MAX, 0}),
              (std::vector<uint32_t>{VXR_SecondsToMs(2.5f), VXR_SecondsToMs(0.0019f), VXR_SecondsToMs(1e12f),
                                     VXR_SecondsToMs(NAN)}));
    // clang-format off
    const std::tuple<uint32_t, float, uint32_t> cases[] = {
        {10000, 2.5f, 12500}, {10000, 0.0019f, 10001}, {10000, 4000.0f, 4010000}, {10000, 5e6f, UINT32_MAX},
        {UINT32_MAX - 100, 1.0f, UINT32_MAX}, {UINT32_MAX - 1000, 0.999f, UINT32_MAX - 1},
        {10000, -1.0f, 10000}, {10000, NAN, 10000}, {0, 0.0f, 0}};
    // clang-format on
    for (const auto& [now, seconds, start] : cases)
        EXPECT_EQ(VXR_TimedScriptStart(now, seconds), start) << now << " + " << seconds;

    DisposeGameScripts(), I(1) = 0;
    // A script including itself adds a copy that includes a copy: a pass gives 64 of them their
    // first run and ends, the next pass goes on with the one left waiting; other scripts still
    // run in every pass, and the limit is reported once.
    ConsoleCapture console;
    Load("counter", "loop\raddi 16,1\rendloop\r");
    Load("self", "addi 1,1\rincludeScript \"self\"\r");
    const int firstRuns = (HandleGameScripts(), I(1));
    EXPECT_EQ((V{firstRuns, (HandleGameScripts(), I(1)), I(16), (int)consoleLines.size()}),
              (V{1 + kMaxFirstRunsPerPass, 2 + 2 * kMaxFirstRunsPerPass, 2, 1}));

    // The list holds at most kMaxGameScripts: further loads are refused with one line, and the
    // passes go on.
    DisposeGameScripts(), EndConsolePeriod(), consoleLines.clear(); // a tick ends between the two parts
    Load("counter", "loop\raddi 16,1\rendloop\r");
    Load("self", "includeScript \"self\"\r"), I(16) = 0;
    const int passes = kMaxGameScripts / kMaxFirstRunsPerPass + 4;
    for (int k = 0; k < passes; k++)
        HandleGameScripts();
    int count = 0;
    for (VXR_scripter* g = baseScript.next; g; g = g->next)
        count++;
    EXPECT_TRUE(count == kMaxGameScripts && I(16) == passes && consoleLines.size() == 2 &&
                console.Has("holds " + std::to_string(kMaxGameScripts)));
}

TEST_F(SchedulingTest, PathListsAndActorEventMasks)
{
    ConsoleCapture console;
    Write("a", "addi 1,1\r");
    human_being* actor = NewActor("crate");
    // A pair whose file is missing is skipped with a message; an empty list keeps the scripts.
    SetHumanScriptsByPaths(actor, "\"a\",1,\"nofile\",2");
    EXPECT_EQ(Masks(actor, ""), (std::vector<int32_t>{1}));
    EXPECT_TRUE(consoleLines.size() == 1 && console.Has("nofile not found"));
    consoleLines.clear();

    // Malformed lists keep what came before the fault, say so, and never read past the text.
    // clang-format off
    const std::pair<std::string, std::vector<int32_t>> lists[] = {
        {"\"a\",3,\"a", {3}}, {"garbage", {}}, {"\"a\"", {0}}, {"\"\",1", {}},
        {"\"" + std::string(3000, 'p') + "\",1,\"a\",5", {}}, {"\"a\",12345678901234567890", {INT32_MAX}},
        {",\"a\",4,\"a\",5", {4, 5}}};
    // clang-format on
    for (const auto& [list, masks] : lists)
        EXPECT_EQ(Masks(actor, list.c_str()), masks) << list.substr(0, 40);
    EXPECT_TRUE(console.Has("crate"));

    Write("s1", "loop\raddi 3,1\rendloop\r");
    for (std::string n : {"2", "6"})
        Write("s" + n, "loop\rmulti 7,10\raddi 7," + n + "\rendloop\r");
    human_being* guard = NewActor("guard");
    Write("s0", "addi 9,1\r");
    EXPECT_EQ(Masks(guard, "\"s1\",1,\"s2\",2,\"s6\",6,\"s0\",0"), (std::vector<int32_t>{1, 2, 6, 0}));
    HandleHumanScriptsForMask(1), HandleHumanScriptsForMask(1);
    EXPECT_TRUE(guard->scripts->owner == guard && I(3) == 2 && I(7) == 0);

    // event 2 runs the second and third, in that order, before the next statement; without a
    // number the mask is i1; with no actor selected nothing runs.
    Load("g", "get \"guard\"\revent 2\rseti 8,i7\rseti 1,4\revent\rplayer\revent 2\r");
    EXPECT_EQ((HandleGameScripts(), Is(7, 8)), (V{266, 26}));
    EXPECT_TRUE(I(3) == 2 && I(9) == 0); // s0 never ran: a mask 0 matches no event
}

TEST_F(SchedulingTest, ActorsRemovedAndLevelLoadsDuringWalksAndPasses)
{
    Write("count", "loop\raddi 1,1\rseti 16,16\rendloop\r");
    human_being *a = NewActor("a"), *b = NewActor("b"), *c = NewActor("c");
    for (human_being* h : {a, b, c})
        SetHumanScriptsByPaths(h, "\"count\",1,\"count\",1");

    // a's first script removes b, then a itself: a's second script does not run, b is passed
    // over, c runs both.
    PatchProbe(a->scripts, 2);
    probeAction = [&](char*)
    {
        if (gHumanScriptTarget == a) RemoveHuman(b), RemoveHuman(a);
    };
    HandleHumanScriptsForMask(1);
    EXPECT_TRUE(I(1) == 3 && CountHumans() == 1 && baseHuman->next == c);

    // A level load during the walk ends it.
    probeAction = [](char*) { levelChanged = 1; };
    PatchProbe(c->scripts, 2), I(1) = 0;
    EXPECT_EQ((HandleHumanScriptsForMask(1), I(1)), 1);

    // A level load during a pass of the game scripts.
    levelChanged = I(1) = 0;
    std::string load = Write("load", "addi 2,1\r");
    Load("a", "seti 1,1\raddi 1,1\r");
    Load("b", "addi 3,1\r");
    // The first script starts a level load whose folder has a load script.
    PatchProbe(baseScript.next, 0);
    probeAction = [&](char*) { levelChanged = 1, DisposeGameScripts(), LoadAndExecuteScript(load.c_str()); };
    HandleGameScripts();
    // The new script's run returns at once while the load is flagged.
    EXPECT_TRUE(Is(1, 3) == (V{0, 0, 0}) && baseScript.next->next == nullptr);
    EXPECT_EQ((levelChanged = 0, HandleGameScripts(), I(2)), 1);

    // Without a load script the pass simply ends.
    Load("c", "addi 4,1\r"), Load("d", "addi 5,1\r");
    PatchProbe(baseScript.next->next, 0);
    probeAction = [](char*) { levelChanged = 1, DisposeGameScripts(); };
    EXPECT_TRUE((HandleGameScripts(), I(5) == 0 && baseScript.next == nullptr));
}

} // namespace
