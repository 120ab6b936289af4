// Runs of generated if/else/repeat scripts against a plain walk that visits every statement and
// tests every open if level, as the run rules are written: the interpreter's shortcuts (a count
// of levels not taken, hops from branch to branch) must leave the same registers.
#include "script_test_util.h"

#include <cstdio>
#include <random>

using namespace scrtest;

namespace
{

using RunModelTest = ScriptTest;

// One run of script from its first statement, statement by statement.
void ModelRun(VXR_scripter* script)
{
    int ifDepth = 0, ifOverflow = 0, repeatDepth = 0, repeatOverflow = 0, a, b;
    char type, op[8];
    int condition[kMaxScriptNesting + 1] = {}, inElse[kMaxScriptNesting + 1] = {};
    VXR_Statement* start[kMaxScriptNesting + 1];
    int count[kMaxScriptNesting + 1];
    for (VXR_Statement* s = script->code; s; s = s->next)
    {
        int execute = s->kind != kStmtElse && s->kind != kStmtEndif;
        if (s->kind == kStmtIf && (ifOverflow > 0 || ifDepth >= kMaxScriptNesting))
            ifOverflow++;
        else if (s->kind == kStmtIf)
            condition[++ifDepth] = sscanf(s->args, "%c,%d,%7[^,],%d", &type, &a, op, &b) == 4 &&
                                   VXR_GetScriptConditionalResult(type, a, op, b),
            inElse[ifDepth] = 0;
        else if (s->kind == kStmtElse && ifOverflow == 0 && ifDepth >= 1)
            inElse[ifDepth] = 1;
        else if (s->kind == kStmtEndif && ifOverflow > 0)
            ifOverflow--;
        else if (s->kind == kStmtEndif && ifDepth >= 0)
            inElse[ifDepth--] = 0;
        if (ifOverflow > 0) execute = 0;
        for (int d = ifDepth; d >= 1; d--)
            if (condition[d] == inElse[d]) execute = 0;
        if (!execute) continue;
        if (s->kind == kStmtInstruction) s->instruction->handler(s->args);
        const int n = s->kind != kStmtRepeat ? 0 : s->args[0] ? atoi(s->args) : gScriptVars.i[0];
        if (n > 0 && (repeatOverflow > 0 || repeatDepth >= kMaxScriptNesting))
            repeatOverflow++;
        else if (n > 0)
            start[++repeatDepth] = s, count[repeatDepth] = n;
        else if (s->kind == kStmtEndrepeat && !repeatOverflow && repeatDepth > 0 && --count[repeatDepth] != 0)
            s = start[repeatDepth];
        else if ((s->kind == kStmtEndrepeat || s->kind == kStmtExitrepeat) &&
                 repeatOverflow + repeatDepth > 0)
            (repeatOverflow > 0 ? repeatOverflow : repeatDepth)--;
    }
}

TEST_F(RunModelTest, GeneratedBlocksRunAsTheStatementByStatementWalk)
{
    // Stray endifs, unclosed ifs, exitrepeats without a repeat, malformed and impossible
    // conditions, and runs of ifs past the 31-level limit are all in the mix.
    const char* const pieces[] = {"if i,2,<,3",  "if i,4,=,5", "if i,3,!=,6", "if i,1,>=,4", "if f,1,<",
                                  "if i,2,=,17", "else",       "else",        "endif",       "endif",
                                  "endif",       "repeat 2",   "repeat 3",    "repeat",      "repeat 0",
                                  "repeat -2",   "endrepeat",  "endrepeat",   "exitrepeat",  "addi 2,1",
                                  "addi 3,2",    "addi 4,-1",  "addi 5,1",    "addi 6,3",    "seti 7,i2"};
    std::mt19937 random(20261206);
    for (int program = 0; program < 3000; program++)
    {
        std::string text;
        const int length = 5 + random() % 40 + (program % 50 == 0 ? 60 : 0);
        for (int k = 0; k < length; k++)
        {
            if (program % 50 == 0 && k == 3) text += Times(33, "if i,1,=,1\r");
            text += std::string(pieces[random() % std::size(pieces)]) + "\r";
        }
        int preset[8];
        for (int& p : preset)
            p = random() % 4;
        VXR_scripter* script = Make(text);
        std::copy(preset, preset + 8, gScriptVars.i), ModelRun(script);
        const V want = Is(1, 8);
        std::copy(preset, preset + 8, gScriptVars.i), Run(script);
        ASSERT_EQ(Is(1, 8), want) << text;
    }
}

} // namespace
