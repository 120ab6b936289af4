// Problems of level files are reported at the line that holds them: an actor's script list and
// model on its person line, a bad number of the start position on its own line.
#include "core/problems.h"
#include "world/camera.h"
#include "world/level_files.h"
#include "world/level_folder_fixture.h"

namespace
{

class LevelProblems : public LevelFolderTest
{
};

} // namespace

TEST_F(LevelProblems, APersonLinesProblemsAreReportedAtThatLine)
{
    std::string person = level + "person";
    WriteTextFile(person, "box,0,0,0,0,0,0,1,1,100,100,Guard,\"Data/guard\",1,\"Data/none\",2\n"
                          "ghost,0,0,0,0,0,0,1,1,100,100\n"
                          "box,0,0,0,0,0,0,1,1,100,100,Lookout,\"Data/guard\"\n");
    ProblemCapture capture;
    ASSERT_EQ(ImportAndLinkPersons(person.c_str()), 1);
    EXPECT_EQ(
        capture.problems,
        (std::vector<std::string>{
            person + ":1: actor script " + dir.path + "/Data/none not found",
            person + ":2: model ghost is in neither " + level + "Models/ nor " + dir.path + "/Models/",
            person + ":3: script list has no event mask (0 used, the script never runs) at: Data/guard\""}));
    EXPECT_EQ(gProblemFile, nullptr); // the person reader gives the place back
    EXPECT_TRUE(LevelConsole().empty());
}

TEST_F(LevelProblems, StartingNumbersAreReportedAtTheirLine)
{
    std::string path = level + "starting";
    // CR LF is one line end, a lone CR another.
    {
        WriteTextFile(path, "1\r\n2\r\nthree\r\n4\rfive\n6\n");
        ProblemCapture capture;
        ASSERT_EQ(ReadPlayerPosition(path.c_str()), 1);
        EXPECT_EQ(capture.problems,
                  (std::vector<std::string>{path + ":3: z \"three\" is not a number, 0 used",
                                            path + ":5: heading \"five\" is not a number, 0 used"}));
        EXPECT_EQ(entfl, -1.0f);
        EXPECT_EQ(updownangle, 4.0f);
        EXPECT_EQ(zangle, 6.0f);
    }

    // The game keeps its console line for it.
    WriteTextFile(path, "1 2 x\n");
    ReadPlayerPosition(path.c_str());
    EXPECT_EQ(LevelConsole(),
              (std::vector<std::string>{"//" + path + ": z \"x\" is not a number, 0 used",
                                        "//" + path + ": 3 of the 6 numbers given, the rest are 0"}));
}
