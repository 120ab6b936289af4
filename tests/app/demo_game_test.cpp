// The demo game played by the real program on copies of demo/: the content tools rebuild the
// committed files exactly, both levels run without a console complaint, a guard wears the
// player down and the level starts again, and with real input (xdotool on a private X server)
// the player walks up to the warden, shoots him down and leaves through the door to the yard.
// Test hooks are game scripts added to the copy; they report through "savekey".
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

TEST(DemoGame, AGuardNextToThePlayerWearsHimDownAndTheLevelStartsAgain)
{
    // The hook puts the player beside the warden every tick and copies the player's health into
    // the health of the actor "Crosshair" (a heads-up actor, so nothing else touches it), then
    // snapshots the roster each second. The warden strikes 8 every 40 ticks: 100 health lasts 13
    // blows, then the level starts again and the hook's first run marks it with keyframe 7 (its
    // run goes on after "quit" until the idle).
    TempDir dir;
    CopyDemo(dir,
             "def \"loads\"\n"
             "loadi \"loads\",1\n"
             "addi 1,1\n"
             "storei \"loads\",1\n"
             "seti 2,2\n"
             "if i,1,=,2\n"
             "player\n"
             "getHealth\n"
             "get \"Crosshair\"\n"
             "setHealth\n"
             "savekey 7\n"
             "quit\n"
             "idle 100\n"
             "endif\n"
             "loop\n"
             "get \"Warden\"\n"
             "mark\n"
             "addf 3,1\n"
             "player\n"
             "put\n"
             "getHealth\n"
             "get \"Crosshair\"\n"
             "setHealth\n"
             "savekey 1\n"
             "idle 1\n"
             "endloop\n",
             "");
    const std::string out = RunDemo(dir, "--frames 2000");
    EXPECT_NE(std::string::npos, out.find("//Ended: quit")) << out;
    EXPECT_EQ("", Complaints(out));
    // The second load of the level: the player died, and starts again with full health.
    const std::vector<std::string> cross =
        ActorRecord(ReadTextFile(dir / "Levels/start/keyframe7"), "Crosshair");
    ASSERT_GE(cross.size(), 12u);
    EXPECT_EQ(100, std::stoi(cross[9]));
    // The last snapshot before: the player was worn down below the warning level.
    const std::vector<std::string> last =
        ActorRecord(ReadTextFile(dir / "Levels/start/keyframe1"), "Crosshair");
    ASSERT_GE(last.size(), 12u);
    EXPECT_LT(std::stoi(last[9]), 35);
    EXPECT_GE(std::stoi(last[9]), 0);
}

// Starts the game, waits for the hook's first snapshot, walks forward (W) until the hook says
// the warden is near, clicks until he is down, then walks on until the game ends (the yard's
// hook quits). Each phase has a generous deadline; the script side decides when it is done.
const char kDriver[] = R"(set -u
data="$2"
"$1" --data "$data" --windowed 640x480 --frames 400000 --fixed-step 20 --seed 1 > "$data/game.out" 2>&1 &
pid=$!
wait_for() { for i in $(seq 1 $2); do [ -e "$1" ] && return 0; kill -0 $pid 2>/dev/null || return 1; sleep 0.1; done; return 1; }
win=$(timeout 30 xdotool search --sync --onlyvisible --pid $pid 2>/dev/null | head -n 1)
if [ -z "$win" ]; then echo "driver: no game window"; kill $pid; exit 3; fi
wait_for "$data/Levels/start/keyframe9" 300 || echo "driver: the level did not start"
xdotool windowfocus --sync $win || xdotool windowfocus $win
xdotool keydown w
wait_for "$data/Levels/start/keyframe4" 400 || echo "driver: never near the warden"
xdotool keyup w
for i in $(seq 1 60); do
  [ -e "$data/Levels/start/keyframe2" ] && break
  xdotool click 1
  sleep 0.3
done
xdotool keydown w
for i in $(seq 1 600); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
xdotool keyup w
kill $pid 2>/dev/null
wait $pid
echo "driver: game exit $?"
)";

TEST(DemoGame, ThePlayerShootsTheWardenAndGoesThroughToTheYard)
{
    SKIP_WITHOUT_XDOTOOL();
    // Start hook: reports the start (keyframe 9), keeps the view straight ahead so that the
    // aim does not depend on the pointer, fells the lookout (the door needs both guards down),
    // reports the warden within 3 of the player (keyframe 4) and, once, his fall (keyframe 2: a
    // click still on its way cannot change the health it shows).
    // Yard hook: snapshots into the current level folder and quits.
    TempDir dir;
    CopyDemo(dir,
             "savekey 9\n"
             "def \"fell\"\n"
             "get \"Lookout\"\n"
             "setHealth 0\n"
             "loop\n"
             "player\n"
             "spin 0,180,0\n"
             "get \"Warden\"\n"
             "mark\n"
             "setf 4,f1\n"
             "setf 5,f2\n"
             "setf 6,f3\n"
             "getHealth\n"
             "seti 2,0\n"
             "loadi \"fell\",3\n"
             "if i,1,<=,2\n"
             "if i,3,=,2\n"
             "savekey 2\n"
             "seti 3,1\n"
             "storei \"fell\",3\n"
             "endif\n"
             "endif\n"
             "player\n"
             "mark\n"
             "dist 7\n"
             "setf 8,3\n"
             "if f,7,<,8\n"
             "savekey 4\n"
             "endif\n"
             "endloop\n",
             "savekey 1\n"
             "quit\n");
    ASSERT_TRUE(WriteTextFile(dir / "driver.sh", kDriver));
    std::string out;
    RunCommand("timeout 200 xvfb-run -a -s '-screen 0 800x600x24' bash '" + (dir / "driver.sh") + "' '" +
                   KesrowExe() + "' '" + dir.path + "'",
               &out);
    const std::string game = ReadTextFile(dir / "game.out");
    ASSERT_NE(std::string::npos, game.find("//Ended: quit")) << out << game;
    EXPECT_EQ("", Complaints(game));
    const std::vector<std::string> warden =
        ActorRecord(ReadTextFile(dir / "Levels/start/keyframe2"), "Warden");
    ASSERT_GE(warden.size(), 12u) << out;
    EXPECT_EQ(0, std::stoi(warden[9])) << "four shots of 25 took the warden's 100 health";
    EXPECT_EQ("0", warden[8]) << "a fallen guard no longer walks (type 0)";
    // The yard's hook wrote into the yard's folder: the yard is the current level.
    EXPECT_TRUE(FileExists(dir / "Levels/yard/keyframe1")) << out << game;
    EXPECT_FALSE(ActorRecord(ReadTextFile(dir / "Levels/yard/keyframe1"), "Sentry").empty());
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
