// The demo game played by the real program on copies of demo/: the content tools rebuild the
// committed files exactly, each level runs without a console complaint and a "save" writes back
// files that hold the same level. Whole sessions played with
// real input (the demo won, the player struck down, the editor) are replayed in replay_test.cpp.
#include "play_util.h"

namespace
{

// Every console line but the level loads and the closing line: what the engine complained of.
std::string Complaints(const std::string& out)
{
    std::string rest;
    for (const std::string& line : Fields(out, '\n'))
        if (line != "//Loading level" && line.rfind("//Ended: ", 0) != 0) rest += line + "\n";
    return rest;
}

} // namespace

TEST(DemoGame, ContentToolsRebuildTheCommittedFilesExactly)
{
    TempDir dir;
    std::string out;
    ASSERT_EQ(0, RunCommand("KESROW_BUILD='" + BinaryDir() + "' bash '" + SourceDir() +
                                "/scripts/make-demo.sh' '" + dir.path + "'",
                            &out))
        << out;
    int compared = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path))
    {
        if (!entry.is_regular_file()) continue;
        const std::string rel = fs::relative(entry.path(), dir.path).string();
        EXPECT_TRUE(ReadTextFile(entry.path().string()) == ReadTextFile(SourceDir() + "/demo/" + rel))
            << rel << " differs from what the tools write";
        compared++;
    }
    // Both levels' data files, the models and pictures, the font, fire frames and sounds.
    EXPECT_GT(compared, 50);
}

TEST(DemoGame, EachLevelRunsQuietlyAndSavesBackTheSameLevel)
{
    // The start-up script goes straight to the level, whose files are the demo's in other text
    // (CR LF line ends, which files a save did not write would keep). Its load script saves first;
    // the level then runs 8 s of game time with its guards patrolling.
    const char* const files[] = {"person", "starting", "level models", "tint"};
    for (const std::string level : {"start", "yard"})
    {
        TempDir dir;
        fs::copy(SourceDir() + "/demo", dir.path, fs::copy_options::recursive);
        const std::string game = ReadTextFile(SourceDir() + "/demo/Data/game script");
        ASSERT_TRUE(WriteTextFile(dir / "Data/game script", game.substr(0, game.find("level \"")) +
                                                                "level \"Levels/" + level + "\"\n"));
        const std::string folder = dir / ("Levels/" + level + "/");
        for (const char* f : files)
        {
            std::string crlf;
            for (char c : ReadTextFile(folder + f))
                crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
            ASSERT_TRUE(WriteTextFile(folder + f, crlf));
        }
        ASSERT_TRUE(WriteTextFile(folder + "load script", "save\n" + ReadTextFile(folder + "load script")));
        // The yard runs muted: sounds a muted game cannot play are nothing to complain of.
        std::string out;
        RunCommand("'" + KesrowExe() + "' --data '" + dir.path +
                       "' --windowed 320x240 --fixed-step 20 --seed 1 --frames 400" +
                       (level == "yard" ? " --mute" : ""),
                   &out);
        EXPECT_NE(std::string::npos, out.find("//Ended: frame limit after 400 passes")) << level << "\n"
                                                                                        << out;
        EXPECT_EQ("", Complaints(out)) << level;
        // Written back as the demo's files are, line ends and numbers alike.
        for (const char* f : files)
            EXPECT_EQ(ReadTextFile(SourceDir() + "/demo/Levels/" + level + "/" + f), ReadTextFile(folder + f))
                << level << "/" << f;
        EXPECT_FALSE(FileExists(folder + "person.saving"));
    }
}
