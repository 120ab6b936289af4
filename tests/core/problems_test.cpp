// The console and content problems: lines made printable and repeats counted once per period,
// problems on the console or at the sink alone, and the game clock before the first tick.
#include "core/clock.h"
#include "core/content_memory.h"
#include "core/output.h"
#include "core/problems.h"
#include "test_util.h"

#include <gtest/gtest.h>

TEST(ConsoleLines, ProblemsGoToTheConsoleOrTheSinkLinesAreMadePrintableAndRepeatsCountedOncePerPeriod)
{
    // A problem without a file is the one the file reader in hand names; nothing the sink takes reaches the
    // console.
    ConsoleCapture console;
    {
        ProblemCapture capture;
        gProblemFile = "Data/game script";
        gProblemLine = 9;
        ReportContentProblem(nullptr, 0, "path refused", "//path refused");
        ReportContentProblem("Sounds/list", 2, "no slot", "//Sound list Sounds/list: line 2 no slot");
        gProblemFile = nullptr;
        gProblemLine = 0;
        // Content over the memory budget is said for its file, at no line.
        const long long limit = gContentMemoryLimit;
        gContentMemoryLimit = 0;
        EXPECT_EQ(ReserveContentMemory(1 << 20, "Models/box0.png", "picture"), 0);
        gContentMemoryLimit = limit;
        ASSERT_EQ(capture.problems.size(), 3u);
        EXPECT_EQ(capture.problems[2].rfind("Models/box0.png:0: its picture needs 1.0 MB, over", 0), 0u);
        capture.problems.pop_back();
        EXPECT_EQ(capture.problems,
                  (std::vector<std::string>{"Data/game script:9: path refused", "Sounds/list:2: no slot"}));
        EXPECT_TRUE(ConsoleCapture::Lines().empty());
    }

    std::vector<std::string>& lines = ConsoleCapture::Lines();
    // An escape sequence, a C1 control, a broken UTF-8 byte, an overlong form, a surrogate and a
    // tab are escaped; letters of two, three and four bytes stay.
    OutputToConsole(
        "//Failed to load level model: \x1b[2J\xc2\x9b\xff\xe0\x80\xaf\xed\xa0\x80\tGr\xc3\xbc\xc3\x9f "
        "\xe2\x82\xac\xf0\x9f\x99\x82");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0],
              "//Failed to load level model: \\x1B[2J\\xC2\\x9B\\xFF\\xE0\\x80\\xAF\\xED\\xA0\\x80\\x09"
              "Gr\xc3\xbc\xc3\x9f \xe2\x82\xac\xf0\x9f\x99\x82");
    // Line ends end lines; one at the end makes no empty line.
    OutputToConsole("//one\r\n//two\rthree\n");
    EXPECT_EQ(lines, (std::vector<std::string>{lines[0], "//one", "//two", "three"}));

    // A line said 200,000 times in one period is written once, and its count when the period ends.
    lines.clear();
    for (int i = 0; i < 200000; i++)
    {
        OutputToConsole("//Too many actors: cannot add crate, the roster holds at most 256.");
        if (i % 1000 == 0) OutputToConsole("//another line");
    }
    EXPECT_EQ(lines.size(), 2u);
    EndConsolePeriod();
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "//Too many actors: cannot add crate, the roster holds at most 256.", "//another line",
                  "//Repeated 199999 more times: Too many actors: cannot add crate, the roster holds at "
                  "most 256.",
                  "//Repeated 199 more times: another line"}));
    // The next period says it again.
    OutputToConsole("//another line");
    EXPECT_EQ(lines.back(), "//another line");

    // A file's problems: the first ones are shown, the rest counted, whatever their text.
    lines.clear();
    for (int line = 1; line <= 1000; line++)
        ReportContentProblemF("Levels/x/person", line, "position x \"abc%d\" is not a number", line);
    ReportContentProblemF("Levels/x/tint", 0, "2 of the 3 colour numbers given");
    // The first line has its number too; a problem of the whole file has none.
    ASSERT_EQ(lines.size(), size_t(kShownProblemsPerFile + 1));
    EXPECT_EQ(lines[0] + lines.back(), "//Levels/x/person, line 1: position x \"abc1\" is not a number"
                                       "//Levels/x/tint: 2 of the 3 colour numbers given");
    EndConsolePeriod();
    EXPECT_EQ(lines.back(), "//Levels/x/person: 980 more problems not shown (kesrow --check lists them all)");
}

TEST(GameClock, StartsAtZeroWithNoStepTaken)
{
    // What the game script's start-up run reads with "time" and "passed" before the first tick.
    EXPECT_TRUE(gCurrentTime == 0u && gOldTime == 0u);
}
