// The demo game played by the real program on copies of demo/: the content tools rebuild the
// committed files exactly, both levels run without a console complaint and play as they always
// have, the passage leads to the yard across its width, death and Escape. Test hooks are game
// scripts added to the copy; they report through "savekey". Whole sessions played with real
// input (the demo won, the player struck down, the editor) are replayed in replay_test.cpp.
#include "play_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

// A copy of the demo whose level load scripts start by including the given hooks (a hook
// included before the level's own scripts runs before them in every tick).
void CopyDemo(const TempDir& dir, const std::string& startHook, const std::string& yardHook)
{
    fs::copy(SourceDir() + "/demo", dir.path, fs::copy_options::recursive);
    for (auto [level, hook] : {std::pair{"start", startHook}, std::pair{"yard", yardHook}})
    {
        if (hook.empty()) continue;
        const std::string script = dir / (std::string("Levels/") + level + "/load script");
        const std::string hookPath = std::string("test/") + level + " hook";
        ASSERT_TRUE(WriteTextFile(dir / hookPath, hook));
        ASSERT_TRUE(WriteTextFile(script, "includeScript \"" + hookPath + "\"\n" + ReadTextFile(script)));
    }
}

std::string RunDemo(const TempDir& dir, const std::string& options)
{
    std::string out;
    RunCommand("'" + KesrowExe() + "' --data '" + dir.path +
                   "' --windowed 320x240 --fixed-step 20 --seed 1 " + options,
               &out);
    return out;
}

// Every console line but the level loads and the closing line: what the engine complained of.
std::string Complaints(const std::string& out)
{
    std::string rest;
    std::stringstream lines(out);
    for (std::string line; std::getline(lines, line);)
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
    // Both levels' data files, the models and pictures, fire frames and sounds.
    EXPECT_GT(compared, 50);
    for (const char* f : {"Levels/start/person", "Levels/yard/level models", "Animations/fire/fire 08.png",
                          "Models/crate", "Models/crate0.png", "Sounds/list"})
        EXPECT_TRUE(FileExists(dir / f)) << f;
}

TEST(DemoGame, EachLevelRunsWithoutAConsoleComplaint)
{
    // The yard is reached by a start-up script of its own; each level runs 8 s of game time
    // with its guards patrolling, and then saves itself.
    for (const char* level : {"start", "yard"})
    {
        TempDir dir;
        CopyDemo(dir, "", "");
        const std::string game = ReadTextFile(SourceDir() + "/demo/Data/game script");
        ASSERT_TRUE(WriteTextFile(dir / "Data/game script", game.substr(0, game.find("level \"")) +
                                                                "level \"Levels/" + level + "\"\n"));
        // The yard runs muted: sounds a muted game cannot play are nothing to complain of.
        const std::string out =
            RunDemo(dir, std::string("--frames 400") + (level[0] == 'y' ? " --mute" : ""));
        EXPECT_NE(std::string::npos, out.find("//Ended: frame limit after 400 passes")) << level << "\n"
                                                                                        << out;
        EXPECT_EQ("", Complaints(out)) << level;
    }
}

TEST(DemoGame, BothLevelsPlayAsTheyAlwaysHave)
{
    // The same hook in each level walks the player in a slow circle along the walls and shoots
    // every 25 ticks while the guards patrol, chase and strike; after 300 passes the roster's
    // snapshot and the last frame must be those the engine gave before its collision, drawing
    // and posing were made to scale (the pictures taken again when the HUD got a pass of its own
    // and the screen its words). The picture may differ by rounding on a few pixels.
    const std::string expected = SourceDir() + "/tests/app/data/demo_plays_the_same/";
    const std::string hook = ReadTextFile(expected + "hook");
    for (const std::string level : {"start", "yard"})
    {
        TempDir dir;
        CopyDemo(dir, level == "start" ? hook : "", level == "yard" ? hook : "");
        const std::string game = ReadTextFile(SourceDir() + "/demo/Data/game script");
        ASSERT_TRUE(WriteTextFile(dir / "Data/game script", game.substr(0, game.find("level \"")) +
                                                                "level \"Levels/" + level + "\"\n"));
        const std::string out = RunDemo(dir, "--frames 300 --mute --screenshot '" + (dir / "last.png") + "'");
        EXPECT_EQ(ReadTextFile(expected + level + ".keyframe"),
                  ReadTextFile(dir / ("Levels/" + level + "/keyframe1")))
            << level << "\n"
            << out;
        const PngImage want = ReadPng(expected + level + ".png"), got = ReadPng(dir / "last.png");
        ASSERT_TRUE(want.ok && got.ok && want.width == got.width && want.height == got.height)
            << level << out;
        int differing = 0, largest = 0;
        for (size_t i = 0; i < want.rgba.size(); i += 4)
        {
            int d = 0;
            for (int c = 0; c < 3; c++)
                d = std::max(d, std::abs(int(want.rgba[i + c]) - int(got.rgba[i + c])));
            differing += d > 0;
            largest = std::max(largest, d);
        }
        EXPECT_LE(differing, want.width * want.height / 200) << level;
        EXPECT_LE(largest, 6) << level;
    }
}

TEST(DemoGame, ThePassageLeadsToTheYardAnywhereAcrossItsWidth)
{
    // The hook counts both guards down (the door lifts) and puts the player in the passage 1.3
    // from its middle, in a corner no walk along the middle comes near. The yard's hook quits.
    for (const char* x : {"1.3", "-1.3"})
    {
        TempDir dir;
        CopyDemo(dir, std::string("seti 1,2\nstorei \"downed\",1\nplayer\nput ") + x + ",0,-10.9\n",
                 "savekey 1\nquit\n");
        const std::string out = RunDemo(dir, "--mute --frames 200");
        EXPECT_NE(std::string::npos, out.find("//Ended: quit")) << x << "\n" << out;
        EXPECT_TRUE(FileExists(dir / "Levels/yard/keyframe1")) << x;
    }
}

TEST(DemoGame, DeathShowsAMessageAndTheLevelStartsAgainTwoSecondsLater)
{
    // The hook kills the player at the level's start and quits when the level loads again.
    const std::string hook = "def \"loads\"\n"
                             "loadi \"loads\",1\n"
                             "addi 1,1\n"
                             "storei \"loads\",1\n"
                             "seti 2,2\n"
                             "if i,1,=,2\n"
                             "quit\n"
                             "endif\n"
                             "player\n"
                             "setHealth 0\n";
    TempDir dir;
    CopyDemo(dir, hook, "");
    std::string out = RunDemo(dir, "--mute --frames 1000");
    unsigned passes = 0, gameMs = 0;
    const size_t at = out.find("//Ended: quit after ");
    ASSERT_NE(at, std::string::npos) << out;
    ASSERT_EQ(2,
              sscanf(out.c_str() + at, "//Ended: quit after %u passes, game time %u ms", &passes, &gameMs));
    EXPECT_GE(gameMs, 2000u) << "a pause before the restart";
    EXPECT_LT(gameMs, 2500u);
    EXPECT_EQ("", Complaints(out));

    // One second after the death: the message in its red across the middle of the screen.
    out = RunDemo(dir, "--mute --frames 50 --screenshot '" + (dir / "dead.png") + "'");
    const PngImage img = ReadPng(dir / "dead.png");
    ASSERT_TRUE(img.ok) << out;
    int message = 0, elsewhere = 0;
    for (int y = 0; y < img.height; y++)
        for (int x = 0; x < img.width; x++)
        {
            const unsigned char* p = img.At(x, y);
            const bool red = p[0] > 230 && p[1] > 50 && p[1] < 110 && p[2] < 80;
            (y > img.height / 5 && y < img.height / 2 ? message : elsewhere) += red;
        }
    EXPECT_GT(message, 40);
    EXPECT_LT(elsewhere, message / 4);
}

// At the demo's real pace: Escape once, and a second later the game still runs; then again.
const char kEscapeInput[] = R"(sleep 0.3
xdotool key Escape
sleep 1
kill -0 $pid 2>/dev/null && echo "driver: still running after one Escape"
xdotool key Escape)";

TEST(DemoGame, EscapeAsksBeforeItQuits)
{
    SKIP_WITHOUT_XDOTOOL();
    TempDir dir;
    CopyDemo(dir, "savekey 9\n", "");
    const std::string out = RunDriver(
        dir, dir.path,
        XdotoolDriver("--windowed 640x480 --frames 400000", "Levels/start/keyframe9", kEscapeInput));
    EXPECT_NE(std::string::npos, out.find("driver: still running after one Escape")) << out;
    EXPECT_NE(std::string::npos, ReadTextFile(dir / "game.out").find("//Ended: quit")) << out;
}
