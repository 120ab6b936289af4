// Runs of compiled scripts: if/else nesting, repeat, loop, idle, finishing, nested runs, the
// condition test and the behaviour at the nesting limits.
#include "script_test_util.h"

#include <cmath>

using namespace scrtest;

namespace
{

using InterpreterTest = ScriptTest;

TEST_F(InterpreterTest, LoopsIdlesRunResultsAndConditionTable)
{
    // Runs of one script: the clock before each run (0 keeps it), the run's result and i1 after
    // it (-1: not checked). Statements add different amounts so each shows whether it ran.
    const int any = -1;
    using Step = std::tuple<uint32_t, int, int>;
    // clang-format off
    const std::pair<std::string, std::vector<Step>> cases[] = {
        // The nesting rules at large are the run model test's, which compares generated scripts
        // with a statement-by-statement walk; these are the cases its pieces do not make.
        // An unreadable count opens no level: the body runs once.
        {"repeat x\raddi 1,1\rendrepeat\r", {{0, any, 1}}},
        // A repeat beyond the 31st level runs its body once: 5 passes of one each and 5 of ten.
        {Times(30, "repeat 1\r") + "repeat 5\raddi 1,1\rrepeat 5\raddi 1,10\rendrepeat\rendrepeat\r" +
             Times(30, "endrepeat\r"), {{0, any, 55}}},
        // An exitrepeat at that level closes it, not the 31st level below it, which runs twice.
        {Times(30, "repeat 1\r") + "repeat 2\rrepeat 5\raddi 1,1\rexitrepeat\rendrepeat\rendrepeat\r" +
             Times(30, "endrepeat\r"), {{0, any, 2}}},
        // A loop gives one pass per run and never reaches what follows it.
        {"addi 1,1\rloop\raddi 1,10\rendloop\raddi 1,100\r", {{0, 1, 11}, {0, 1, 21}, {0, 1, 31}}},
        // exitloop: the pass goes on, the run ends at the endloop, the next run goes on after it.
        {"loop\raddi 1,1\rexitloop\raddi 1,10\rendloop\raddi 1,100\r", {{0, 1, 11}, {0, 1, 111}, {0, 0, 111}}},
        // A loop whose statements run out starts its next pass at the loop as well.
        {"loop\raddi 1,1\r", {{0, any, 1}, {0, any, 2}}},
        // idle 0 pauses for exactly one run; a finished script gives 0 from every later run.
        {"addi 1,1\ridle 0\raddi 1,10\r", {{0, 0, 1}, {0, 1, 1}, {0, 1, 11}, {0, 0, 11}, {0, 0, 11}}},
        // Inside a loop an idle ends the pass; the statements behind it never run.
        {"loop\raddi 1,1\ridle 0.5\raddi 1,10\rendloop\r",
         {{10000, 0, 1}, {10499, 1, 1}, {10500, 1, 1}, {0, 0, 2}}},
        // The clock may wrap during an idle: the elapsed time is unsigned (0x2E7 is 999 ms on).
        {"idle 1\raddi 1,1\r", {{0xFFFFFF00u, any, 0}, {0x2E7, any, 0}, {0x2E8, any, any}, {0, any, 1}}},
        // A negative time idles for good; an idle without a number waits one run.
        {"idle -1\raddi 1,1\r", {{0, any, 0}, {3601000, any, 0}, {0, any, 0}}},
        {"idle\raddi 1,1\r", {{0, any, 0}, {0, any, any}, {0, any, 1}}},
        // An idle inside an if outside a loop: the rest of the block runs unconditionally next time.
        {"if i,2,=,2\ridle 0\raddi 1,1\relse\raddi 1,10\rendif\r", {{0, any, any}, {0, any, any}, {0, any, 11}}},
    };
    // clang-format on
    for (const auto& [text, steps] : cases)
    {
        I(1) = 0, gCurrentTime = 1000;
        VXR_scripter* s = Make(text);
        for (const auto& [time, want, i1] : steps)
        {
            if (time) gCurrentTime = time;
            const int result = Run(s);
            EXPECT_TRUE((want == any || result == want) && (i1 == any || I(1) == i1))
                << text << " at " << gCurrentTime << ": " << result << ", i1 " << I(1);
        }
    }

    // A timed start is the scheduling test's.
    EXPECT_EQ((I(1) = 0, ExecuteVXRCommandScript(nullptr) + ExecuteCompiledVXRScript(nullptr)), 0);
    EXPECT_EQ(ExecuteVXRCommandScript(Make("// nothing\r")) + ExecuteVXRCommandScript(Make("addi 1,1\r")), 2);
    EXPECT_EQ(I(1), 1);
    // A statement that starts a level load ends the run at once.
    VXR_scripter* m = Make("addi 4,1\raddi 4,1\raddi 4,1\r");
    PatchProbe(m, 1), probeAction = [](char*) { levelChanged = 1; };
    EXPECT_TRUE(Run(m) == 1 && I(4) == 1);
    levelChanged = 0;

    gScriptVars = variable_list{{1.5, 1.5000001, NAN}, {-3, 2}, {0, 1, 2}, {"door", "door", "Door"}};
    // clang-format off
    const std::tuple<char, int, const char*, int, int> conditions[] = {
        {'i', 1, "<", 2, 1}, {'i', 1, ">", 2, 0}, {'i', 1, "<=", 2, 1}, {'i', 1, ">=", 2, 0},
        {'i', 1, "=", 1, 1}, {'i', 1, "!=", 2, 1}, {'i', 2, ">=", 2, 1}, {'i', 16, "=", 16, 1}, {'f', 1, "<", 2, 1},
        {'f', 1, "=", 2, 0}, {'f', 2, ">", 1, 1}, {'f', 3, "!=", 3, 1},
        // NaN compares false except with !=.
        {'f', 3, "<", 1, 0}, {'f', 3, ">=", 1, 0}, {'f', 3, "<=", 3, 0}, {'f', 3, "=", 3, 0},
        // Booleans compare their stored integers; only = and != apply. Texts likewise.
        {'b', 1, "<", 2, 0}, {'b', 2, "!=", 3, 1}, {'b', 2, "=", 2, 1}, {'b', 1, ">=", 1, 0},
        {'s', 1, "=", 2, 1}, {'s', 1, "=", 3, 0}, {'s', 1, "!=", 3, 1}, {'s', 1, "<", 3, 0},
        {'s', 3, ">", 1, 0},
        // Unknown operators and types, and registers outside 1 to 16, are false.
        {'i', 1, "==", 1, 0}, {'i', 1, "", 1, 0}, {'x', 1, "=", 1, 0}, {'I', 1, "=", 1, 0},
        {'i', 0, "=", 0, 0}, {'i', 17, "=", 17, 0}, {'i', -1, "!=", 1, 0}, {'s', 1, "=", 99999, 0}};
    // clang-format on
    for (const auto& [type, a, op, b, want] : conditions)
        EXPECT_EQ(VXR_GetScriptConditionalResult(type, a, op, b), want) << type << a << op << b;
}

TEST_F(InterpreterTest, NestedRunsRestoreTheTargetMacrosNestToAnyDepthAndTheWatchdogStopsEndlessRuns)
{
    human_being outerOwner{}, innerOwner{};
    VXR_scripter *inner = Make("seti 1,1\rseti 1,1\r"), *outer = Make("seti 1,1\rseti 1,1\rseti 1,1\r");
    inner->owner = &innerOwner, outer->owner = &outerOwner;
    for (int k = 0; k < 3; k++)
        PatchProbe(inner, k), PatchProbe(outer, k);
    // When a nested run ends the target is the outer run's owner again, before the outer
    // statement goes on; after the outermost run it is null, so no actor pointer outlives a run.
    std::vector<human_being*> seen;
    probeAction = [&](char*)
    {
        seen.push_back(gHumanScriptTarget);
        if (seen.size() != 2) return;
        ExecuteVXRCommandScript(inner);
        seen.push_back(gHumanScriptTarget);
    };
    Run(outer), seen.push_back(gHumanScriptTarget);
    EXPECT_EQ(seen, (std::vector<human_being*>{&outerOwner, &outerOwner, &innerOwner, &innerOwner,
                                               &outerOwner, &outerOwner, nullptr}));

    // Recursion 100 deep ends by itself (each nested run starts at the script's start again, not
    // at the call it is nested in), and each level takes no more stack than the depth limit
    // was derived from. A run has no budget: 1,500,000 macro calls in one run all happen.
    ConsoleCapture console;
    std::vector<intptr_t> marks;
    VXR_scripter* deep = Make("macro \"deep\"\rseti 9,9\raddi 10,1\rif i,10,<,11\rmac \"deep\"\rendif\r");
    PatchProbe(deep, 0);
    probeAction = [&](char*)
    {
        volatile char mark = 0;
        marks.push_back((intptr_t)&mark);
    };
    I(11) = 100, Run(deep);
    ASSERT_TRUE(I(10) == 100 && marks.size() == 100u);
    EXPECT_LE((marks[0] - marks[99]) / 99, kScriptRunStackBytes);
    Make("macro \"inc\"\rloop\raddi 12,1\rendloop\r"), Run(Make("repeat 1500000\rmac \"inc\"\rendrepeat\r"));
    EXPECT_TRUE(I(12) == 1500000 && consoleLines.empty());

    // A script reaching itself without end stops at the depth limit, which the usual stack puts
    // in the thousands, with one console line.
    Run(Make("macro \"rec\"\raddi 7,1\rmac \"rec\"\raddi 8,1\r"));
    EXPECT_TRUE(I(7) == VXR_ScriptRunDepthLimit() && I(8) == I(7) && consoleLines.size() == 1 && I(7) >= 1000)
        << I(7);

    // Two calls per level in a loop double the runs with every level: the run would never end.
    // Past the time limit every script of the run is ended, with one line naming the script and
    // the line it was at; other runs go on as before.
    gScriptRunTimeLimit = 0.05, consoleLines.clear(), I(10) = 0;
    VXR_scripter* two = Make("seti 1,1\rmacro \"two\"\rloop\raddi 9,1\rmac \"two\"\rmac \"two\"\rendloop\r");
    snprintf(two->path, sizeof(two->path), "two");
    VXR_scripter* caller = Make("mac \"two\"\raddi 10,1\r");
    EXPECT_TRUE(Run(caller) == 1 && two->current == nullptr && caller->current == nullptr && I(10) == 0);
    // The recursion also reached the depth limit, which says so first.
    ASSERT_EQ(consoleLines.size(), 2u);
    EXPECT_NE(consoleLines[1].find("//Script two line "), std::string::npos) << consoleLines[1];
    // Other scripts' passes go on: the hostile script test's counter.
    const int calls = I(9);
    EXPECT_TRUE(calls > kWatchdogSteps / 4 && Run(two) == 0 && I(9) == calls) << calls;

    // Repeats that would take ages are stopped at the backward jump that goes on too long.
    VXR_scripter* reps = Make("repeat 2000000000\rrepeat 2000000000\raddi 12,1\rendrepeat\rendrepeat\r");
    snprintf(reps->path, sizeof(reps->path), "reps"), Run(reps);
    ASSERT_TRUE(reps->current == nullptr && consoleLines.size() == 3u);
    EXPECT_NE(consoleLines[2].find("//Script reps line 4: "), std::string::npos) << consoleLines[2];
}

} // namespace
