// Runs of compiled scripts: if/else nesting, repeat, loop, idle, finishing, nested runs, the
// condition test and the behaviour at the nesting limits.
#include "script_test_util.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrtest;

namespace
{

int& I(int n)
{
    return gScriptVars.i[n - 1];
}

class InterpreterTest : public ::testing::Test
{
  protected:
    std::vector<VXR_scripter*> scripts;
    void SetUp() override { ResetScriptWorld(); }
    void TearDown() override
    {
        for (VXR_scripter* s : scripts)
            DisposeScript(s);
        ResetScriptWorld();
    }
    VXR_scripter* Make(const std::string& text)
    {
        VXR_scripter* s = NewVXRScript(text.c_str());
        scripts.push_back(s);
        return s;
    }
    // One run of a freshly compiled text.
    int RunOnce(const std::string& text) { return ExecuteCompiledVXRScript(Make(text)); }
};

TEST_F(InterpreterTest, IfElseWithNesting)
{
    I(1) = 5;
    I(2) = 5;
    const char* text = "if i,1,=,2\raddi 3,1\relse\raddi 4,1\rendif\raddi 5,1\r";
    RunOnce(text);
    EXPECT_EQ(I(3), 1);
    EXPECT_EQ(I(4), 0);
    EXPECT_EQ(I(5), 1);
    I(2) = 6;
    RunOnce(text);
    EXPECT_EQ(I(3), 1);
    EXPECT_EQ(I(4), 1);
    EXPECT_EQ(I(5), 2);

    // Inside a branch not taken, neither branch of an inner if runs, though its condition
    // (true here) is read; the outer else part runs with its own inner if.
    const char* nested = "if i,1,=,2\r"
                         " if i,1,=,1\r addi 6,1\r else\r addi 7,1\r endif\r"
                         "else\r"
                         " if i,1,=,1\r addi 8,1\r else\r addi 9,1\r endif\r"
                         " addi 10,1\r"
                         "endif\r";
    RunOnce(nested);
    EXPECT_EQ(I(6), 0);
    EXPECT_EQ(I(7), 0);
    EXPECT_EQ(I(8), 1);
    EXPECT_EQ(I(9), 0);
    EXPECT_EQ(I(10), 1);
}

TEST_F(InterpreterTest, RepeatCountsAndExitrepeat)
{
    RunOnce("repeat 3\raddi 2,1\rendrepeat\r");
    EXPECT_EQ(I(2), 3);

    // No argument: the count is i1 when the repeat runs.
    I(1) = 4;
    I(2) = 0;
    RunOnce("repeat\raddi 2,1\rendrepeat\r");
    EXPECT_EQ(I(2), 4);

    I(2) = 0;
    RunOnce("repeat 3\rrepeat 4\raddi 2,1\rendrepeat\rendrepeat\r");
    EXPECT_EQ(I(2), 12);

    // exitrepeat makes the current pass the last: the rest of the body still runs.
    I(2) = 0;
    I(4) = 3;
    RunOnce("repeat 5\raddi 2,1\rif i,2,=,4\rexitrepeat\rendif\raddi 3,1\rendrepeat\r");
    EXPECT_EQ(I(2), 3);
    EXPECT_EQ(I(3), 3);

    // After an inner exitrepeat the inner endrepeat acts on the outer level.
    I(2) = 0;
    I(3) = 0;
    RunOnce("repeat 2\rrepeat 3\rexitrepeat\raddi 2,1\rendrepeat\raddi 3,1\rendrepeat\r");
    EXPECT_EQ(I(2), 2);
    EXPECT_EQ(I(3), 1);

    // A count of 0, a negative count and an unreadable count open no level: the body runs once.
    I(2) = 0;
    I(1) = -5;
    RunOnce("repeat 0\raddi 2,1\rendrepeat\rrepeat -3\raddi 2,1\rendrepeat\rrepeat\raddi 2,1\rendrepeat\r"
            "repeat x\raddi 2,1\rendrepeat\r");
    EXPECT_EQ(I(2), 4);

    // exitrepeat and endrepeat with nothing open do nothing.
    I(2) = 0;
    RunOnce("exitrepeat\rendrepeat\rrepeat 2\raddi 2,1\rendrepeat\r");
    EXPECT_EQ(I(2), 2);
}

TEST_F(InterpreterTest, LoopGivesOnePassPerRun)
{
    VXR_scripter* s = Make("addi 1,1\rloop\raddi 2,1\rendloop\raddi 3,1\r");
    for (int run = 1; run <= 4; run++)
    {
        EXPECT_EQ(ExecuteCompiledVXRScript(s), 1);
        EXPECT_EQ(I(1), 1); // before the loop: once
        EXPECT_EQ(I(2), run);
        EXPECT_EQ(I(3), 0); // after the endloop: never while looping
    }
    EXPECT_EQ(s->current, StatementAt(s, 1));

    // exitloop: the pass goes on, the run ends at the endloop, the next run goes on after it.
    VXR_scripter* e = Make("loop\raddi 4,1\rexitloop\raddi 5,1\rendloop\raddi 6,1\r");
    EXPECT_EQ(ExecuteCompiledVXRScript(e), 1);
    EXPECT_EQ(I(4), 1);
    EXPECT_EQ(I(5), 1);
    EXPECT_EQ(I(6), 0);
    EXPECT_EQ(ExecuteCompiledVXRScript(e), 1);
    EXPECT_EQ(I(4), 1);
    EXPECT_EQ(I(6), 1);
    EXPECT_EQ(e->current, nullptr);
    EXPECT_EQ(ExecuteCompiledVXRScript(e), 0);

    // A loop whose statements run out starts its next pass at the loop as well.
    VXR_scripter* open = Make("loop\raddi 7,1\r");
    ExecuteCompiledVXRScript(open);
    ExecuteCompiledVXRScript(open);
    EXPECT_EQ(I(7), 2);
}

TEST_F(InterpreterTest, IdleTiming)
{
    // idle 0 pauses for exactly one run.
    VXR_scripter* s = Make("addi 1,1\ridle 0\raddi 2,1\r");
    EXPECT_EQ(ExecuteCompiledVXRScript(s), 0);
    EXPECT_EQ(I(1), 1);
    EXPECT_EQ(ExecuteCompiledVXRScript(s), 1);
    EXPECT_EQ(I(2), 0);
    EXPECT_EQ(ExecuteCompiledVXRScript(s), 1);
    EXPECT_EQ(I(2), 1);
    // Finished: 0 from every later run.
    EXPECT_EQ(ExecuteCompiledVXRScript(s), 0);
    EXPECT_EQ(ExecuteCompiledVXRScript(s), 0);

    // Inside a loop an idle ends the pass; the statements behind it never run.
    VXR_scripter* l = Make("loop\raddi 3,1\ridle 0.5\raddi 4,1\rendloop\r");
    gCurrentTime = 10000;
    EXPECT_EQ(ExecuteCompiledVXRScript(l), 0);
    EXPECT_EQ(I(3), 1);
    gCurrentTime = 10499;
    EXPECT_EQ(ExecuteCompiledVXRScript(l), 1);
    EXPECT_EQ(l->idling, 1);
    gCurrentTime = 10500;
    EXPECT_EQ(ExecuteCompiledVXRScript(l), 1); // sees the end, runs nothing
    EXPECT_EQ(I(3), 1);
    EXPECT_EQ(ExecuteCompiledVXRScript(l), 0);
    EXPECT_EQ(I(3), 2);
    EXPECT_EQ(I(4), 0);

    // The clock may wrap during an idle: the elapsed time is unsigned.
    VXR_scripter* w = Make("idle 1\raddi 5,1\r");
    gCurrentTime = 0xFFFFFF00u;
    ExecuteCompiledVXRScript(w);
    gCurrentTime = 0x000002E7u; // 999 ms later
    ExecuteCompiledVXRScript(w);
    EXPECT_EQ(w->idling, 1);
    gCurrentTime = 0x000002E8u;
    ExecuteCompiledVXRScript(w);
    ExecuteCompiledVXRScript(w);
    EXPECT_EQ(I(5), 1);

    // A negative time idles for good; an idle without a number waits one run.
    VXR_scripter* n = Make("idle -1\raddi 6,1\r");
    ExecuteCompiledVXRScript(n);
    gCurrentTime += 3600 * 1000;
    ExecuteCompiledVXRScript(n);
    ExecuteCompiledVXRScript(n);
    EXPECT_EQ(I(6), 0);
    VXR_scripter* bare = Make("idle\raddi 7,1\r");
    ExecuteCompiledVXRScript(bare);
    ExecuteCompiledVXRScript(bare);
    ExecuteCompiledVXRScript(bare);
    EXPECT_EQ(I(7), 1);

    // An idle inside an if outside a loop: the rest of the block runs unconditionally next time.
    I(10) = 1;
    VXR_scripter* b = Make("if i,10,=,11\ridle 0\raddi 8,1\relse\raddi 9,1\rendif\r");
    ExecuteCompiledVXRScript(b); // i10 != i11: the idle is skipped, the else part runs
    EXPECT_EQ(I(9), 1);
    I(11) = 1;
    VXR_scripter* c = Make("if i,10,=,11\ridle 0\raddi 8,1\relse\raddi 9,1\rendif\r");
    ExecuteCompiledVXRScript(c);
    ExecuteCompiledVXRScript(c);
    ExecuteCompiledVXRScript(c);
    EXPECT_EQ(I(8), 1);
    EXPECT_EQ(I(9), 2);
}

TEST_F(InterpreterTest, RunResultsAndTimedStart)
{
    EXPECT_EQ(ExecuteVXRCommandScript(nullptr), 0);
    EXPECT_EQ(ExecuteCompiledVXRScript(nullptr), 0);
    VXR_scripter* empty = Make("// nothing\r");
    EXPECT_EQ(ExecuteVXRCommandScript(empty), 1);

    VXR_scripter* s = Make("addi 1,1\r");
    EXPECT_EQ(ExecuteVXRCommandScript(s), 1);
    EXPECT_EQ(ExecuteVXRCommandScript(s), 0);
    EXPECT_EQ(I(1), 1);

    VXR_scripter* t = Make("addi 2,1\r");
    t->startTime = 5000;
    gCurrentTime = 4999;
    EXPECT_EQ(ExecuteCompiledVXRScript(t), 1);
    EXPECT_EQ(I(2), 0);
    gCurrentTime = 5000;
    ExecuteCompiledVXRScript(t);
    EXPECT_EQ(I(2), 1);

    // Nothing runs while a level load is flagged.
    VXR_scripter* l = Make("addi 3,1\r");
    levelChanged = 1;
    EXPECT_EQ(ExecuteCompiledVXRScript(l), 1);
    EXPECT_EQ(I(3), 0);
    levelChanged = 0;
    ExecuteCompiledVXRScript(l);
    EXPECT_EQ(I(3), 1);

    // A statement that starts a level load ends the run at once.
    VXR_scripter* m = Make("addi 4,1\raddi 4,1\raddi 4,1\r");
    PatchProbe(m, 1);
    ProbeAction() = [](char*) { levelChanged = 1; };
    EXPECT_EQ(ExecuteCompiledVXRScript(m), 1);
    EXPECT_EQ(I(4), 1);
}

TEST_F(InterpreterTest, ConditionTable)
{
    auto cond = VXR_GetScriptConditionalResult;
    gScriptVars.i[0] = -3;
    gScriptVars.i[1] = 2;
    EXPECT_EQ(cond('i', 1, "<", 2), 1);
    EXPECT_EQ(cond('i', 1, ">", 2), 0);
    EXPECT_EQ(cond('i', 1, "<=", 2), 1);
    EXPECT_EQ(cond('i', 1, ">=", 2), 0);
    EXPECT_EQ(cond('i', 1, "=", 1), 1);
    EXPECT_EQ(cond('i', 1, "!=", 2), 1);
    EXPECT_EQ(cond('i', 2, ">=", 2), 1);

    gScriptVars.f[0] = 1.5;
    gScriptVars.f[1] = 1.5000001;
    EXPECT_EQ(cond('f', 1, "<", 2), 1);
    EXPECT_EQ(cond('f', 1, "=", 2), 0);
    EXPECT_EQ(cond('f', 2, ">", 1), 1);
    gScriptVars.f[2] = NAN;
    for (const char* op : {"<", ">", "<=", ">=", "="})
    {
        EXPECT_EQ(cond('f', 3, op, 1), 0) << op;
        EXPECT_EQ(cond('f', 3, op, 3), 0) << op;
    }
    EXPECT_EQ(cond('f', 3, "!=", 3), 1);

    // Booleans compare their stored integers; only = and != apply.
    gScriptVars.b[0] = 0;
    gScriptVars.b[1] = 1;
    gScriptVars.b[2] = 2;
    EXPECT_EQ(cond('b', 1, "<", 2), 0);
    EXPECT_EQ(cond('b', 2, "!=", 3), 1);
    EXPECT_EQ(cond('b', 2, "=", 2), 1);
    EXPECT_EQ(cond('b', 1, ">=", 1), 0);

    strcpy(gScriptVars.s[0], "door");
    strcpy(gScriptVars.s[1], "door");
    strcpy(gScriptVars.s[2], "Door");
    EXPECT_EQ(cond('s', 1, "=", 2), 1);
    EXPECT_EQ(cond('s', 1, "=", 3), 0);
    EXPECT_EQ(cond('s', 1, "!=", 3), 1);
    EXPECT_EQ(cond('s', 1, "<", 3), 0);
    EXPECT_EQ(cond('s', 3, ">", 1), 0);

    // Unknown operators and types, and registers outside 1 to 16, are false.
    EXPECT_EQ(cond('i', 1, "==", 1), 0);
    EXPECT_EQ(cond('i', 1, "", 1), 0);
    EXPECT_EQ(cond('x', 1, "=", 1), 0);
    EXPECT_EQ(cond('I', 1, "=", 1), 0);
    EXPECT_EQ(cond('i', 0, "=", 0), 0);
    EXPECT_EQ(cond('i', 17, "=", 17), 0);
    EXPECT_EQ(cond('i', -1, "!=", 1), 0);
    EXPECT_EQ(cond('s', 1, "=", 99999), 0);

    // The statement form agrees, and a malformed condition is false (its else part runs).
    RunOnce("if i,1,<,2\raddi 5,1\rendif\rif i,1,<\raddi 6,1\relse\raddi 7,1\rendif\r"
            "if i,1,=,17\raddi 6,1\rendif\r");
    EXPECT_EQ(gScriptVars.i[4], 1);
    EXPECT_EQ(gScriptVars.i[5], 0);
    EXPECT_EQ(gScriptVars.i[6], 1);
}

TEST_F(InterpreterTest, NestingLimitsAndStrayEndif)
{
    I(1) = 1;
    I(2) = 1;
    // 31 levels are kept; a 32nd if skips both its branches; closing it brings the rest back.
    std::string text;
    for (int d = 0; d < 31; d++)
        text += "if i,1,=,2\r";
    text += "addi 3,1\rif i,1,=,2\raddi 4,1\relse\raddi 4,1\rendif\raddi 5,1\r";
    for (int d = 0; d < 31; d++)
        text += "endif\r";
    text += "addi 6,1\r";
    RunOnce(text);
    EXPECT_EQ(I(3), 1);
    EXPECT_EQ(I(4), 0);
    EXPECT_EQ(I(5), 1);
    EXPECT_EQ(I(6), 1);

    // A repeat beyond the 31st level runs its body once.
    std::string deep;
    for (int d = 0; d < 30; d++)
        deep += "repeat 1\r";
    deep += "repeat 5\raddi 7,1\rrepeat 5\raddi 8,1\rendrepeat\rendrepeat\r";
    for (int d = 0; d < 30; d++)
        deep += "endrepeat\r";
    RunOnce(deep);
    EXPECT_EQ(I(7), 5);
    EXPECT_EQ(I(8), 5);

    // A stray endif takes the depth to -1: the next if's branches both run; more stray endifs
    // are ignored.
    I(2) = 2;
    RunOnce("endif\rendif\rif i,1,=,2\raddi 9,1\relse\raddi 10,1\rendif\r"
            "if i,1,=,2\raddi 11,1\relse\raddi 12,1\rendif\r");
    EXPECT_EQ(I(9), 1);
    EXPECT_EQ(I(10), 1);
    EXPECT_EQ(I(11), 1);
    EXPECT_EQ(I(12), 1);
    // Within a fresh run the depth starts at 0 again.
    RunOnce("if i,1,=,2\raddi 13,1\relse\raddi 14,1\rendif\r");
    EXPECT_EQ(I(13), 0);
    EXPECT_EQ(I(14), 1);
}

TEST_F(InterpreterTest, ScriptTargetAndNestedRuns)
{
    human_being* outerOwner = (human_being*)calloc(1, sizeof(human_being));
    human_being* innerOwner = (human_being*)calloc(1, sizeof(human_being));
    VXR_scripter* inner = Make("seti 1,1\rseti 1,1\r");
    inner->owner = innerOwner;
    VXR_scripter* outer = Make("seti 1,1\rseti 1,1\rseti 1,1\r");
    outer->owner = outerOwner;
    std::vector<human_being*> seen;
    PatchProbe(inner, 0);
    PatchProbe(inner, 1);
    PatchProbe(outer, 0);
    PatchProbe(outer, 1);
    PatchProbe(outer, 2);
    int calls = 0;
    ProbeAction() = [&](char*)
    {
        seen.push_back(gHumanScriptTarget);
        if (++calls == 2) ExecuteVXRCommandScript(inner);
    };
    ExecuteCompiledVXRScript(outer);
    std::vector<human_being*> expected = {outerOwner, outerOwner, innerOwner, innerOwner, outerOwner};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(gHumanScriptTarget, nullptr);
    free(outerOwner);
    free(innerOwner);
}

TEST_F(InterpreterTest, MacroRunsItsOwnScriptNested)
{
    // Each nested run starts at the script's resume point (the start) again.
    I(4) = 3;
    VXR_scripter* s = Make("macro \"self\"\raddi 2,1\rif i,2,<,4\rmac \"self\"\rendif\raddi 5,1\r");
    ExecuteCompiledVXRScript(s);
    EXPECT_EQ(I(2), 3);
    EXPECT_EQ(I(5), 3);
    EXPECT_EQ(s->current, nullptr);

    // A macro taken over by a later script runs the later one.
    VXR_scripter* a = Make("macro \"door\"\raddi 6,1\r");
    VXR_scripter* b = Make("macro \"door\"\raddi 7,1\r");
    RunOnce("mac \"door\"\rmac \"nothing\"\r");
    EXPECT_EQ(I(6), 0);
    EXPECT_EQ(I(7), 1);
    // A finished macro script does nothing when mac runs it.
    RunOnce("mac \"door\"\r");
    EXPECT_EQ(I(7), 1);
    (void)a;
    (void)b;
}

TEST_F(InterpreterTest, RunawayRecursionIsCapped)
{
    ConsoleCapture console;
    // A script reaching itself without end stops at the nesting limit.
    VXR_scripter* s = Make("macro \"rec\"\raddi 2,1\rmac \"rec\"\raddi 3,1\r");
    ExecuteCompiledVXRScript(s);
    EXPECT_GE(I(2), 2);
    EXPECT_LE(I(2), kMaxScriptRunDepth);
    EXPECT_EQ(I(3), I(2));
    EXPECT_FALSE(ConsoleLines().empty());

    // In a loop (the resume point stays at the loop) two calls per level would double the runs
    // with every level: the budget of nested runs per outermost run ends it.
    VXR_scripter* t = Make("macro \"two\"\rloop\raddi 4,1\rmac \"two\"\rmac \"two\"\rendloop\r");
    ExecuteCompiledVXRScript(t);
    EXPECT_GT(I(4), 1000);
    EXPECT_LE(I(4), kMaxNestedRunsPerRun + 1);
}

TEST_F(InterpreterTest, ScriptDisposedByItsOwnStatement)
{
    // The run stops after the statement that disposed of its script and never reads it again.
    human_being* actor = AppendNewHuman();
    ASSERT_NE(actor, nullptr);
    VXR_scripter* own = NewVXRScript("addi 1,1\raddi 1,1\raddi 1,1\rloop\rendloop\r");
    own->owner = actor;
    actor->scripts = own;
    PatchProbe(own, 1);
    ProbeAction() = [](char*) { RemoveHuman(gHumanScriptTarget); };
    EXPECT_EQ(ExecuteCompiledVXRScript(own), 1);
    EXPECT_EQ(I(1), 1);
    EXPECT_EQ(CountHumans(), 0);
    EXPECT_EQ(gHumanScriptTarget, nullptr);
}

} // namespace
