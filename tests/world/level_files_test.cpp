// Level folder files: parsing "person" and "level models" lines, loading actors with their models,
// names and scripts, problems reported at the line that holds them, the start position's numbers,
// and a save that fails for one file.
#include "world/level_files.h"

#include "core/problems.h"
#include "script/script_records.h"
#include "world/camera.h"
#include "world/level_folder_fixture.h"

#include <filesystem>

using LevelFiles = LevelFolderTest;

TEST_F(LevelFiles, LinesParseWithDefaultsForWhatIsMissingAndActorsLoadWithProblemsAtTheirLine)
{
    personRecord p;
    // No name, but scripts: the list starts right after the scale.
    ASSERT_EQ(ParsePersonLine("box,0,0,0,0,0,0,0,1,100,100,\"Data/guard\",1", &p, "person", 2), 1);
    EXPECT_EQ(std::string(p.name) + "|" + p.scripts, "|\"Data/guard\",1");
    EXPECT_TRUE(LevelConsole().empty());

    // Missing fields keep a new actor's defaults; unreadable ones too, with a line each.
    ASSERT_EQ(ParsePersonLine("box,1,2", &p, "person", 3), 1);
    EXPECT_TRUE(p.type * 1000 + p.health + p.team == 1100 && p.scale == 100.0f && p.position.y == 2.0f);
    EXPECT_EQ(Said(), "//person, line 3: 2 of the 10 numbers given, the rest keep their defaults\n");
    LevelConsole().clear();
    ASSERT_EQ(ParsePersonLine("box,x,0,0,0,0,0,0,2,lots,0", &p, "person", 4), 1);
    EXPECT_TRUE(p.position.x == 0.0f && p.type * 1000 + p.health == 2100 && p.scale == 100.0f);
    ASSERT_EQ(LevelConsole().size(), 3u);
    EXPECT_EQ(LevelConsole()[1], "//person, line 4: health \"lots\" is not a whole number, 100 kept");
    EXPECT_EQ(LevelConsole()[2], "//person, line 4: scale 0 is not above 0, 100 used");

    // Over-long fields are cut to their records, never past them: a name, and numbers of 64
    // characters where 63 fit.
    LevelConsole().clear();
    std::string longName(60, 'n');
    ASSERT_EQ(ParsePersonLine(("box,0,0,0,0,0,0,0,1,100,100," + longName).c_str(), &p, "person", 5), 1);
    EXPECT_EQ(std::string(p.name), longName.substr(0, kHumanNameSize - 1));
    EXPECT_EQ(LevelConsole().size(), 1u);
    LevelConsole().clear();
    const std::string zeros(61, '0'), line = "box," + zeros + "1.5,0,0,0,0,0,0,1,0" + zeros + "75,100";
    ASSERT_EQ(ParsePersonLine(line.c_str(), &p, "person", 6), 1);
    EXPECT_TRUE(p.position.x == 1.0f && p.health == 7);
    EXPECT_EQ(LevelConsole(),
              (std::vector<std::string>{"//person, line 6: position x longer than 63 characters, cut",
                                        "//person, line 6: health longer than 63 characters, cut"}));
    EXPECT_EQ(ParsePersonLine(",1,2,3", &p, "person", 7), 0);

    // Level models: an unreadable scale is the previous line's (missing, or at or below 0, are the
    // level loader's test).
    levelModelRecord m;
    ASSERT_EQ(ParseLevelModelLine("box,1,2,3,0,90,0,big", &m, 40, "level models", 1), 1);
    EXPECT_TRUE(m.scale == 40 && m.position.z == 3);

    // Actors load with their models, names and scripts, and problems are said at their line.
    const std::string person = level + "person";
    WriteTextFile(person,
                  "box,1.5,0,-2,0,90,0,2,0,75,50,Guard,\"Data/guard\",1,\"Data/none\",2,\"Data/look\",6\r\n"
                  "crate,0,0,0,0,0,0,0,1,100,100\r\n"
                  "box,0,0,0,0,0,0,0,1,100,100,Guard\r\n"
                  "ghost,0,0,0,0,0,0,0,1,100,100\r\n"
                  "ghost,1,0,0,0,0,0,0,1,100,100\r\n"
                  "crate,3,0,0,0,0,0,0,1,100,200,Boss,\"Data/guard\"\r\n"
                  "\n"
                  "crate,9,9,9,0,0,0,0,1,100,100,AfterTheEnd\n");
    ProblemCapture capture;
    ASSERT_EQ(ImportAndLinkPersons(person.c_str()), 1);
    EXPECT_EQ(
        capture.problems,
        (std::vector<std::string>{
            person + ":1: actor script " + dir.path + "/Data/none not found",
            person + ":3: the name Guard is taken, this actor is named box1",
            person + ":4: model ghost is in neither " + level + "Models/ nor " + dir.path + "/Models/",
            person + ":6: script list has no event mask (0 used, the script never runs) at: Data/guard\""}));
    // (A model that is not there is looked for and said once, however many lines name it.)
    const std::vector<human_being*> a = Actors();
    ASSERT_TRUE(a.size() == 4 && gProblemFile == nullptr); // the person reader gives the place back

    // CR LF ends one line: every record of the file before its empty line is read. The first actor
    // as a save writes it, every field: the script whose file is missing is skipped, the others keep
    // their order and masks.
    EXPECT_TRUE(a[0]->model->owner == a[0] && a[0]->scripts && a[0]->scripts->owner == a[0]);
    EXPECT_EQ(PersonLineOf(a[0]), "box,1.5,0,-2,0,90,0,2,0,75,50,Guard,\"Data/guard\",1,\"Data/look\",6");

    // Unnamed: the model's name and the first free number; a taken name gets a free one too. The
    // level's own Models folder first (box is 2 there), then scaled.
    EXPECT_EQ(std::string(a[0]->name) + " " + a[1]->name + " " + a[2]->name + " " + a[3]->name,
              "Guard crate1 box1 Boss");
    EXPECT_EQ((std::vector<float>{1, 0.5f, 1}),
              (std::vector<float>{ModelSize(a[0]), ModelSize(a[1]), ModelSize(a[3])}));
}

TEST_F(LevelFiles, StartingNumbersAreReportedAtTheirLineAndAFailedSaveKeepsAllFourOldFiles)
{
    const std::string path = dir / "starting"; // outside the level folder, which the save uses
    // The game keeps its console line for a problem.
    WriteTextFile(path, "1 2 x\n");
    ReadPlayerPosition(path.c_str());
    EXPECT_EQ(Said(), "//" + path + ": z \"x\" is not a number, 0 used\n//" + path +
                          ": 3 of the 6 numbers given, the rest are 0\n");
    LevelConsole().clear();
    // CR LF is one line end, a lone CR another.
    WriteTextFile(path, "1\r\n2\r\nthree\r\n4\rfive\n6\n");
    {
        ProblemCapture capture;
        ASSERT_EQ(ReadPlayerPosition(path.c_str()), 1);
        EXPECT_EQ(capture.problems,
                  (std::vector<std::string>{path + ":3: z \"three\" is not a number, 0 used",
                                            path + ":5: heading \"five\" is not a number, 0 used"}));
        EXPECT_EQ((std::vector<float>{entfl, updownangle, zangle}), (std::vector<float>{-1, 4, 6}));
    }

    // A folder in the temporary's place of the first file: no file of the level changes, not even
    // the ones that could have been written, and the console says so.
    WriteTextFile(level + "person", "old person");
    WriteTextFile(level + "tint", "old tint");
    std::filesystem::create_directory(level + "starting.saving");
    baseCol1 = baseCol2 = baseCol3 = 0.5f;
    EXPECT_EQ(SaveChangesToLevelFiles(level.c_str()), 0);
    EXPECT_EQ(ReadTextFile(level + "person") + ReadTextFile(level + "tint"), "old personold tint");
    EXPECT_FALSE(FileExists(level + "starting") || FileExists(level + "level models") ||
                 FileExists(level + "person.saving") || FileExists(level + "save journal"));
    ASSERT_EQ(LevelConsole().size(), 2u);
    EXPECT_EQ(LevelConsole()[0].rfind("//Could not save " + level + "starting", 0), 0u) << LevelConsole()[0];
    EXPECT_EQ(LevelConsole()[1],
              "//Nothing of the level in " + level + " was saved: its files are as they were");

    // An empty folder name writes nothing at all (not into the working directory).
    EXPECT_EQ(SaveChangesToLevelFiles(""), 0);
    EXPECT_FALSE(FileExists("tint.saving"));
}
