// What the compiler reports about script text, each problem at its own line: unknown commands,
// a macro without a quoted name, lines over the limit, paths refused inside a decoder.
#include "core/output.h"
#include "core/problems.h"
#include "script/compiler.h"
#include "script_test_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

TEST(ScriptProblems, EachBadLineIsReportedWithItsNumber)
{
    ProblemCapture capture;
    // The reader around the compile (a person file line) gets its place back afterwards.
    gProblemFile = "outer";
    gProblemLine = 77;
    // CR LF is one line end, a lone CR or LF another.
    std::string text = "idle 1\r\nfrobnicate 2\r\nmacro nameless\r\n" + std::string(520, 'x') +
                       "\rlevel \"../up\"\nIdle 1\rendif\r";
    VXR_scripter* script = NewVXRScriptNamed(text.c_str(), "Data/s");
    EXPECT_STREQ(gProblemFile, "outer");
    EXPECT_EQ(gProblemLine, 77);
    gProblemFile = nullptr;
    gProblemLine = 0;
    EXPECT_EQ(capture.problems,
              (std::vector<std::string>{
                  "Data/s:2: unknown instruction \"frobnicate\", line left out",
                  "Data/s:3: macro needs its name in double quotes; no macro declared",
                  "Data/s:4: line longer than 511 characters cut: " + std::string(40, 'x') + "...",
                  "Data/s:4: command longer than 31 characters: " + std::string(31, 'x') + "...",
                  "Data/s:5: level: the path \"../up\" is refused: it leaves the data folder with \"..\"",
                  "Data/s:6: unknown instruction \"Idle\", line left out"}));
    // What compiles is unchanged: idle, level (refused, so it does nothing) and endif.
    int statements = 0;
    for (VXR_Statement* s = script->code; s; s = s->next)
        statements++;
    EXPECT_EQ(statements, 3);
    DisposeScript(script);
    DisposeMacros();
}
