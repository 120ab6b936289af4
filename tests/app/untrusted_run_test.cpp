// The real program on a data folder a stranger made to hurt: FIFOs, endless devices, links out of
// the folder, a flood of refused instructions, numbers past a float and a save after a failed
// level change. The run ends on its own, says each thing once in printable text, and changes
// nothing it must not.
#include "play_util.h"

TEST(UntrustedRun, AHostileDataFolderIsPlayedToItsEndAndNothingIsLost)
{
    TempDir dir;
    const std::string outside = dir.path + "-outside/";
    ASSERT_TRUE(WriteTextFile(outside + "secret", "private line\n"));
    ASSERT_TRUE(WriteTextFile(dir / "Models/box", kTriangleModel));
    ASSERT_TRUE(WriteTextFile(dir / "Data/game script", "level \"Levels/evil\"\n"));
    const std::string evil = dir / "Levels/evil/";
    // A person line naming a model that is not there (with an escape sequence in its name), kept
    // for the save; the level's own files are fine.
    const std::string person =
        "box,1,0,0,0,0,0,0,1,100,100,Keeper\nmissing\x1b[31mred,2,0,0,0,0,0,0,1,100,100";
    ASSERT_TRUE(WriteTextFile(evil + "person", person));
    ASSERT_TRUE(WriteTextFile(evil + "starting", "0\n1\n0\n0\n0\n0\n"));
    ASSERT_TRUE(WriteTextFile(evil + "level models", "box,0,0,0,0,0,0,100\n"));
    ASSERT_TRUE(
        WriteTextFile(evil + "tex", "Levels/evil/pipe.png\nLevels/evil/zero.png\nLevels/evil/secret.png\n"));
    ASSERT_EQ(0, mkfifo((evil + "pipe.png").c_str(), 0600));
    ASSERT_EQ(0, symlink("/dev/zero", (evil + "zero.png").c_str()));
    ASSERT_EQ(0, symlink((outside + "secret").c_str(), (evil + "secret.png").c_str()));
    ASSERT_EQ(0, mkfifo((evil + "tint").c_str(), 0600));
    ASSERT_TRUE(WriteTextFile(dir / "Sounds/list", "1 Sounds/pipe.wav\n2 Sounds/zero.wav\n"));
    ASSERT_EQ(0, mkfifo((dir / "Sounds/pipe.wav").c_str(), 0600));
    ASSERT_EQ(0, symlink("/dev/zero", (dir / "Sounds/zero.wav").c_str()));
    // The level's script floods the roster, tries a position past a float, snapshots through a
    // planted link, then changes to a folder that is no level; that folder's script saves.
    ASSERT_EQ(0, symlink((outside + "secret").c_str(), (evil + "keyframe1.saving").c_str()));
    ASSERT_TRUE(WriteTextFile(evil + "load script", "repeat 3000\nmake \"box\"\nendrepeat\n"
                                                    "get \"Keeper\"\nsetf 1,3e38\nmultf 1,1e10\nput\n"
                                                    "savekey 1\nlevel \"Levels/empty\"\n"));
    ASSERT_TRUE(WriteTextFile(dir / "Levels/empty/load script", "save\nquit\n"));

    std::string out;
    const std::string run =
        "ALSOFT_DRIVERS=null '" + KesrowExe() + "' --data '" + dir.path + "' --windowed 320x240";
    ASSERT_EQ(0, RunCommand(WindowedCommand(run + " --frames 100 --fixed-step 20"), &out)) << out;
    const char* const said[] = {
        "//Could not read Levels/evil/pipe.png: it is a FIFO, not a regular file",
        "//Could not read Levels/evil/zero.png: it leads outside the data folder",
        "//Could not read Levels/evil/secret.png: it leads outside the data folder",
        "//Could not read Sounds/pipe.wav: it is a FIFO, not a regular file",
        "//Could not read Sounds/zero.wav: it leads outside the data folder",
        "//Failed to load object with model: missing\\x1B[31mred",
        "//Too many actors: cannot add box, the roster holds at most 256.",
        "//Repeated 2744 more times: Too many actors: cannot add box, the roster holds at most 256.",
        "//Script Levels/evil/load script line 7: put: a value is not a finite number",
        "//Could not save Levels/evil/: the last level load failed and emptied the world",
        "//Ended: quit after 2 passes",
    };
    for (const char* line : said)
        EXPECT_EQ(Count(out, line), 1u) << line << "\nin:\n" << out;
    // Each level load reads the tint again (the failed one too, for the level it stays in).
    EXPECT_EQ(Count(out, "//Could not read Levels/evil/tint: it is a FIFO, not a regular file"), 2u) << out;
    // What the flood left unsaid is counted before the next level loads.
    EXPECT_LT(out.find("//Repeated 2744"), out.find("//Loading level\nThis is not a valid level folder"));
    EXPECT_EQ(out.find("Could not find model!"), std::string::npos) << out;
    EXPECT_EQ(out.find('\x1b'), std::string::npos) << out;
    EXPECT_EQ(out.find("private"), std::string::npos) << out;
    EXPECT_LT(Count(out, "\n"), 40u) << out;
    // The level's files are as they were, the key frame was written beside the link's place, and
    // nothing outside changed.
    EXPECT_EQ(ReadTextFile(evil + "person"), person);
    EXPECT_NE(ReadTextFile(evil + "keyframe1").find("Keeper"), std::string::npos);
    EXPECT_EQ(ReadTextFile(outside + "secret"), "private line\n");
    RunCommand("rm -rf '" + outside + "'", nullptr);
}
