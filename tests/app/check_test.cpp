// The content checker as a content maker runs it: a data folder with one fault of each kind is
// reported line by line with file and line, and the demo checks clean.
#include "platform/window.h"
#include "play_util.h"

// No display and no sound device: the checker needs neither.
static int Check(const std::string& dataDir, std::string* out, const std::string& options = "")
{
    out->clear();
    return RunCommand("env -u DISPLAY ALSOFT_DRIVERS=null '" + KesrowExe() + "' --check " + options +
                          " --data '" + dataDir + "'",
                      out);
}

TEST(ContentCheck, EachFaultIsReportedWithItsFileAndLine)
{
    TempDir dir;
    // The start-up script, line by line with the problems it must be reported with. A macro a
    // level's script declares is known to the start-up script too; a slot the sound list names is
    // no problem of the statement even when its file is bad, nor a texture a level's list names.
    const std::pair<std::string, std::vector<const char*>> script[] = {
        {"// start-up", {}},
        {"frobnicate 1", {"unknown instruction \"frobnicate\""}},
        {"addi 17,1", {"register 17 is not 1 to 16"}},
        {"includeScript \"Data/missing\"", {"script Data/missing not found"}},
        {std::string(520, 'x'), {"line longer than 511 characters", "command longer than 31 characters"}},
        {"endif", {"endif without if"}},
        {"exitrepeat", {"exitrepeat outside a repeat"}},
        {"if i,1,<,0", {"register 0 is not 1 to 16", "if without endif"}},
        {"macro plain", {"macro needs its name in double quotes"}},
        {"level \"Levels/one\"", {}},
        {"level \"Levels/none\"", {"level folder Levels/none not found"}},
        {"sndplay 300", {"sample 300 is not 0 to 255"}},
        {"anim 1,17", {"animation slot 17 is not 1 to 16"}},
        {"col 9,1,1,1", {"material 9 is not 1 to 8"}},
        {"mac \"nowhere\"", {"no checked script declares the macro \"nowhere\""}},
        {"mac \"known\"", {}},
        {"sndplay 7", {"sndplay: sample slot 7 is in no line of the sound list"}},
        {"sndloop 2", {}},
        {"anim 1,3", {"anim: animation slot 3 is in no line of the animation list"}},
        {"tex 1,\"bad.png\"", {}},
        {"tex 2,\"Levels/one/bad.png\"", {"tex: no level's texture list holds \"Levels/one/bad.png\""}},
        {"message \"caf\xc3\xa9 au lait\",2", {"message: the byte 0xC3 has no glyph in the font"}},
        {"hudText 9,\"nine\"", {"hudText: HUD text line 9 is not 1 to 8"}},
        {"message \"$i17 left\"", {"message: register 17 is not 1 to 16"}}};
    std::string text;
    std::vector<std::pair<std::string, std::string>> expected;
    for (size_t n = 0; n < std::size(script); n++)
    {
        text += script[n].first + "\n";
        for (const char* problem : script[n].second)
            expected.push_back({"Data/game script:" + std::to_string(n + 1) + ": ", problem});
    }
    WriteTextFile(dir / "Data/game script", text);
    const size_t scriptProblems = expected.size();
    // A font picture whose sides are no grid of 16 x 8 cells.
    const unsigned char grey[20 * 10 * 3] = {};
    ASSERT_TRUE(PLT_WriteScreenshotPixels((dir / "Data/font.png").c_str(), grey, 20, 10));
    // Line 6 is no vertex; the triangle of line 10 names a vertex that is not there.
    WriteTextFile(dir / "Models/box", "box\nmade by hand\n0 0 0 0\n1 660 0 0\n2 0 660 0 Arm None 100 None\n"
                                      "junk vertex\nEDGES\nMATERIAL\t65535 0 0 1 0 0 0 0 0 0 0 0 0 0\n"
                                      "0 1 2\n0 1 9\nEND\n");
    WriteTextFile(dir / "Models/box_poses",
                  "VXR_Poses\nOpen\n{\nArm 0,0,0,90,0,0,1\nLeg 0,0,0,0,0,0,1\nArm 1,2\n}\n");
    WriteTextFile(dir / "Models/orphan_poses", "VXR_Poses\n");
    WriteTextFile(dir / "cache", "box\nghost\n");
    WriteTextFile(dir / "Sounds/list", "x\n1 Sounds/none.wav\n2 Sounds/bad.wav\n");
    WriteTextFile(dir / "Sounds/bad.wav", "RIFF but no sound at all");
    WriteTextFile(dir / "Animations/winlist.txt", "17 \"Animations/a\",\"x\"\n");
    WriteTextFile(dir / "Levels/one/tex", "Levels/one/missing.png\nLevels/one/bad.png\n");
    WriteTextFile(dir / "Levels/one/bad.png", "\x89PNG but cut short");
    WriteTextFile(dir / "Levels/one/person", "box,0,0,0,0,0,0,1,1,100,100,Crate,\"Levels/one/nope\",1\n"
                                             "ghost,0,0,0,0,0,0,1,1,100,100\n");
    WriteTextFile(dir / "Levels/one/starting", "1\n2\nthree\n0\n0\n0\n");
    WriteTextFile(dir / "Levels/one/load script",
                  "macro \"known\"\nloadPoses \"Models/nope_poses\"\nendrepeat\n");
    WriteTextFile(dir / "Levels/empty/readme", "not a level\n");

    std::string out;
    EXPECT_EQ(Check(dir.path, &out), 1) << out;
    const std::vector<std::string> lines = Fields(out, '\n');

    // Each expected problem of the other files: its "FILE:LINE: " (or "FILE: ") and a part of
    // its message.
    expected.insert(
        expected.end(),
        {
            {"Data/font.png: ", "the font picture is 20 x 10; its sides must be multiples of 16 and 8"},
            {"Models/box:6: ", "not a vertex line"},
            {"Models/box:10: ", "triangle names vertex 9"},
            {"Models/box_poses:5: ", "bone \"Leg\" is not in the model"},
            {"Models/box_poses:6: ", "entry of bone Arm has 2 of its 6 numbers"},
            {"Models/orphan_poses: ", "pose file without its model"},
            {"cache:2: ", "model file Models/ghost not found"},
            {"Sounds/list:1: ", "does not start with a slot number"},
            {"Sounds/list:2: ", "Sounds/none.wav not found"},
            {"Sounds/list:3: ", "Sounds/bad.wav cannot be read"},
            {"Animations/winlist.txt:1: ", "slot 17, outside 1 to 16"},
            {"Levels/one/tex:1: ", "picture Levels/one/missing.png not found"},
            {"Levels/one/bad.png: ", "PNG"},
            {"Levels/one/person:1: ", "actor script Levels/one/nope not found"},
            {"Levels/one/person:2: ", "model ghost is in neither Levels/one/Models/ nor Models/"},
            {"Levels/one/starting:3: ", "z \"three\" is not a number"},
            {"Levels/one/load script:2: ", "pose file Models/nope_poses not found"},
            {"Levels/one/load script:3: ", "endrepeat without repeat"},
            {"Levels/empty/: ", "not a level folder"},
        });
    for (const auto& e : expected)
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [&](const std::string& line) {
                                    return line.rfind(e.first, 0) == 0 &&
                                           line.find(e.second) != std::string::npos;
                                }))
            << e.first << e.second << "\nin:\n"
            << out;
    EXPECT_EQ(Count("\n" + out, "\nData/game script:"), scriptProblems) << out;

    // The last line counts every line before it, and nothing else is printed.
    ASSERT_FALSE(lines.empty());
    unsigned problems = 0, files = 0;
    ASSERT_EQ(sscanf(lines.back().c_str(), "kesrow --check: %u problems in %u files", &problems, &files), 2)
        << lines.back();
    EXPECT_EQ(problems, lines.size() - 1) << out;
    EXPECT_EQ(out.find("//"), std::string::npos) << "a console line leaked:\n" << out;
}

TEST(ContentCheck, TheDemoChecksCleanAndAFolderWithoutAStartUpScriptDoesNot)
{
    std::string out;
    EXPECT_EQ(Check(SourceDir() + "/demo", &out), 0) << out;
    unsigned files = 0;
    EXPECT_EQ(sscanf(out.c_str(), "kesrow --check: 0 problems in %u files\n", &files), 1) << out;
    EXPECT_TRUE(files > 10u && Count(out, "\n") == 1) << out;
    TempDir dir;
    EXPECT_EQ(Check(dir.path, &out), 1) << out;
    EXPECT_EQ(out, "Data/game script: the start-up script is missing\nkesrow --check: 1 problem in 1 file\n");
    EXPECT_EQ(Check(dir / "nowhere", &out), 1) << out;
}

TEST(ContentCheck, LinksOutFifosGiantsInterruptedSavesAndTheMemoryBudgetAreReported)
{
    TempDir dir;
    const std::string outside = dir.path + "-outside";
    ASSERT_TRUE(WriteTextFile(outside + "/secret", "private\n"));
    WriteTextFile(dir / "Data/game script", "level \"Levels/one\"\n");
    WriteTextFile(dir / "Levels/one/starting", "0\n0\n0\n0\n0\n0\n");
    WriteTextFile(dir / "Levels/one/tex", "Levels/one/big.png\n");
    const std::vector<unsigned char> grey(1024 * 1024 * 3, 128);
    ASSERT_TRUE(PLT_WriteScreenshotPixels((dir / "Levels/one/big.png").c_str(), grey.data(), 1024, 1024));
    ASSERT_EQ(0, symlink((outside + "/secret").c_str(), (dir / "Levels/one/person").c_str()));
    ASSERT_EQ(0, mkfifo((dir / "Levels/one/tint").c_str(), 0600));
    ASSERT_TRUE(WriteTextFile(dir / "Levels/one/level models", ""));
    ASSERT_EQ(0, truncate((dir / "Levels/one/level models").c_str(), 20 << 20));
    WriteTextFile(dir / "Levels/one/save journal", "person\n");
    ASSERT_EQ(0, symlink(outside.c_str(), (dir / "Levels/away").c_str()));
    WriteTextFile(dir / "Sounds/list", "1 Sounds/pipe.wav\n");
    // A model name that would retitle the terminal.
    WriteTextFile(dir / "Levels/two/person", "\x1b]0;owned\x07,0,0,0,0,0,0,0,1,100,100\n");
    ASSERT_EQ(0, mkfifo((dir / "Sounds/pipe.wav").c_str(), 0600));

    std::string out;
    EXPECT_EQ(Check(dir.path, &out, "--content-memory 8"), 1) << out;
    const char* const expected[] = {
        "Levels/one/person: it leads outside the data folder",
        "Levels/one/tint: it is a FIFO, not a regular file",
        "Levels/one/level models: it is 20.0 MB, over the 16 MB a level, list, script, model or pose file "
        "may have",
        "Levels/away: it leads outside the data folder",
        "Levels/one/: a save of this level was interrupted",
        "Sounds/pipe.wav: it is a FIFO, not a regular file",
        "Levels/one/tex: pictures and sounds need 10.7 MB of memory (0.0 MB for models, animations and "
        "sounds, "
        "10.7 MB for the texture list of Levels/one/), over the content memory of 8.0 MB",
    };
    for (const char* e : expected)
        EXPECT_NE(out.find(e), std::string::npos) << e << "\nin:\n" << out;
    EXPECT_EQ(out.find("private"), std::string::npos) << out;
    EXPECT_EQ(out.find('\x1b'), std::string::npos) << out;
    EXPECT_NE(out.find("model \\x1B]0;owned\\x07 is in neither"), std::string::npos) << out;
    // With the memory it needs, the picture is no problem.
    Check(dir.path, &out, "--content-memory 12");
    EXPECT_EQ(out.find("over the content memory"), std::string::npos) << out;
    RunCommand("rm -rf '" + outside + "'", nullptr);
}
