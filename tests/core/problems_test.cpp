// Content problems: the game's console lines without a sink, the sink alone with one, and the
// reader's standing place for problems found by helpers that do not know the file.
#include "core/output.h"
#include "core/problems.h"
#include "test_util.h"

#include <gtest/gtest.h>

static std::vector<std::string> gConsole;

TEST(ContentProblems, GoToTheConsoleOrToTheSinkAlone)
{
    outputProc saved = toConsole;
    toConsole = [](const char* text) { gConsole.push_back(text); };
    ReportContentProblemF("Levels/a/person", 3, "scale %d is not above 0", -1);
    ReportContentProblemF("Levels/a/tint", 0, "2 of the 3 colour numbers given");
    ReportContentProblem("Models/box", 7, "bad", "//Model Models/box, line 7: bad");
    EXPECT_EQ(gConsole, (std::vector<std::string>{"//Levels/a/person, line 3: scale -1 is not above 0",
                                                  "//Levels/a/tint: 2 of the 3 colour numbers given",
                                                  "//Model Models/box, line 7: bad"}));
    {
        ProblemCapture capture;
        gProblemFile = "Data/game script";
        gProblemLine = 9;
        ReportContentProblem(nullptr, 0, "path refused", "//path refused");
        ReportContentProblem("Sounds/list", 2, "no slot", "//Sound list Sounds/list: line 2 no slot");
        gProblemFile = nullptr;
        gProblemLine = 0;
        ReportContentProblem(nullptr, 5, "nowhere", nullptr);
        EXPECT_EQ(capture.problems, (std::vector<std::string>{"Data/game script:9: path refused",
                                                              "Sounds/list:2: no slot", "null:0: nowhere"}));
    }
    EXPECT_EQ(gConsole.size(), 3u); // nothing of it reached the console
    toConsole = saved;
}
