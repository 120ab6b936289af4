// Real input, end to end: the game runs in a window on a private X server and xdotool turns the
// view with the mouse under three tick timings and the player's settings, types into the
// console and presses F11; the level's script snapshots what it saw with "savekey" and quits.
// The test reads the snapshot back. Keys, mouse look and clicks in play are also in every
// session of replay_test.cpp, live and replayed.
#include "play_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace
{

// A vertex line of a model file; model files count 660 to a world unit.
std::string Vertex(int n, float x, float y, float z)
{
    char line[96];
    snprintf(line, sizeof line, "%d %g %g %g\n", n, x * 660, y * 660, z * 660);
    return line;
}

// A floor 40 across at height 0 and a wall 4 high across z = -10, each as two triangles with
// vertices of their own, the way level quads are built.
std::string RoomModel()
{
    std::string text = "room for the input test\nfloor and one wall\n";
    const float floor[6][3] = {{-20, 0, -20}, {20, 0, -20}, {-20, 0, 20},
                               {20, 0, -20},  {20, 0, 20},  {-20, 0, 20}};
    const float wall[6][3] = {{-20, 0, -10}, {20, 0, -10}, {-20, 4, -10},
                              {20, 0, -10},  {20, 4, -10}, {-20, 4, -10}};
    for (int i = 0; i < 6; i++)
        text += Vertex(i, floor[i][0], floor[i][1], floor[i][2]);
    for (int i = 0; i < 6; i++)
        text += Vertex(6 + i, wall[i][0], wall[i][1], wall[i][2]);
    text += "EDGES\nMATERIAL Mat 40000 40000 40000 1 0 0 0 0.0 0.0 0.0 0.0 0.0 0.0 0\n0 1 2\n3 4 5\n6 7 8\n9 "
            "10 11\nEND\n";
    return text;
}

// The room with the demo's humanoid model, a level "lvl" with these actors and load script.
void WriteRoom(const TempDir& dir, const std::string& person, const char* loadScript)
{
    for (const char* file : {"humanoid", "humanoid_poses"})
        ASSERT_TRUE(WriteTextFile(dir / (std::string("Models/") + file),
                                  ReadTextFile(SourceDir() + "/demo/Models/" + file)));
    ASSERT_TRUE(WriteTextFile(dir / "Models/room", RoomModel()));
    ASSERT_TRUE(WriteTextFile(dir / "Data/game script", "level \"lvl\"\n"));
    ASSERT_TRUE(WriteTextFile(dir / "lvl/level models", "room,0,0,0,0,0,0,100\n"));
    ASSERT_TRUE(WriteTextFile(dir / "lvl/tint", "1, 1, 1\n"));
    ASSERT_TRUE(WriteTextFile(dir / "lvl/person", person));
    ASSERT_TRUE(WriteTextFile(dir / "lvl/starting", "0\n1\n0\n0\n0\n0\n"));
    ASSERT_TRUE(WriteTextFile(dir / "lvl/load script", loadScript));
}


// A room with the marker; the level script turns the mouse view on and, when K goes down, gives
// the marker the player's angles, snapshots the roster and quits.
const char kTurnScript[] = "savekey 9\n"
                           "seti 15,1\n"
                           "storei \"doMouseView\",15\n"
                           "setb 16,true\n"
                           "loop\n"
                           "key \"k\",1,n\n"
                           "if b,1,=,16\n"
                           "player\n"
                           "axis\n"
                           "get \"marker\"\n"
                           "spin\n"
                           "savekey 1\n"
                           "quit\n"
                           "endif\n"
                           "endloop\n";

// The mouse moves 100 pixels right and 40 down in ten steps, then K ends the run.
const char kTurnInput[] =
    "xdotool mousemove --window $win 320 240\n"
    "sleep 0.5\n"
    "for i in 1 2 3 4 5 6 7 8 9 10; do xdotool mousemove_relative -- 10 4; sleep 0.05; done\n"
    "sleep 0.5\n"
    "xdotool key k";

} // namespace

TEST(RealInput, TheSameMouseMoveTurnsAlikeWhateverTheTickTiming)
{
    SKIP_WITHOUT_XDOTOOL();
    TempDir dir, config;
    WriteRoom(dir, "humanoid,0,0,8,0,0,0,0,2,100,100,marker", kTurnScript);
    // {the timing, the settings file, the turn and the pitch the move gives}: ticks of 20 ms of
    // game time, of 50 ms, and the real clock's pacing; then the player's own sensitivity and
    // invert from the settings file.
    const std::tuple<const char*, const char*, float, float> runs[] = {
        {"--fixed-step 20", "", 14.0f, 5.6f},
        {"--fixed-step 50", "", 14.0f, 5.6f},
        {"", "", 14.0f, 5.6f},
        {"--fixed-step 20", "mouse-sensitivity 0.28\ninvert-mouse yes\n", 28.0f, -11.2f}};
    for (const auto& [timing, settings, turn, pitch] : runs)
    {
        ASSERT_TRUE(WriteTextFile(config / "kesrow/settings", settings));
        std::remove((dir / "lvl/keyframe1").c_str());
        std::remove((dir / "lvl/keyframe9").c_str());
        const std::string out =
            RunDriver(dir, dir.path,
                      XdotoolDriver(std::string("--windowed 640x480 --frames 400000 ") + timing,
                                    "lvl/keyframe9", kTurnInput),
                      "XDG_CONFIG_HOME='" + config.path + "'");
        const std::string game = ReadTextFile(dir / "game.out");
        ASSERT_NE(std::string::npos, game.find("//Ended: quit")) << timing << out << game;
        std::vector<std::string> f = ActorRecord(ReadTextFile(dir / "lvl/keyframe1"), "marker");
        ASSERT_GE(f.size(), 12u) << timing;
        // The marker holds the player's pitch and heading (180 while looking along -z).
        EXPECT_NEAR(pitch, std::stof(f[4]), 0.05f) << timing << " " << settings;
        EXPECT_NEAR(turn, 180.0f - std::stof(f[5]), 0.05f) << timing << " " << settings;
    }
}

namespace
{

// Counts its ticks in "ticks"; once it has counted 40 more than the console's last snapshot
// showed, it snapshots again and quits.
const char kConsoleScript[] = "def \"ticks\"\n"
                              "savekey 9\n"
                              "loop\n"
                              "loadi \"ticks\",1\n"
                              "addi 1,1\n"
                              "storei \"ticks\",1\n"
                              "get \"marker\"\n"
                              "getHealth\n"
                              "seti 2,-5\n"
                              "if i,1,!=,2\n"
                              "addi 1,40\n"
                              "loadi \"ticks\",2\n"
                              "if i,2,>=,1\n"
                              "savekey 5\n"
                              "quit\n"
                              "endif\n"
                              "endif\n"
                              "player\n"
                              "endloop\n";

// Opens the console, copies the tick count into the marker's team and snapshots; waits; does it
// again into the marker's health, changing the snapshot's number from the history; closes it.
const char kConsoleInput[] = R"(sleep 0.3
xdotool key grave
sleep 0.3
for line in 'loadi "ticks",1' 'get "marker"' 'setTeam' 'savekey 3'; do
  xdotool type --delay 20 "$line"; xdotool key Return; sleep 0.1
done
sleep 1.5
for line in 'loadi "ticks",1' 'get "marker"' 'setHealth'; do
  xdotool type --delay 20 "$line"; xdotool key Return; sleep 0.1
done
xdotool key Up Up Up Up BackSpace 4 Return
sleep 0.3
xdotool key grave)";

} // namespace

TEST(RealInput, TheConsoleOpensRunsTypedLinesWhileTheGameWaitsAndCloses)
{
    SKIP_WITHOUT_XDOTOOL();
    TempDir dir;
    // The marker's health (-5) is one no tick count can be.
    WriteRoom(dir, "humanoid,0,0,8,0,0,0,0,2,-5,100,marker", kConsoleScript);
    const std::string out = RunDriver(
        dir, dir.path,
        XdotoolDriver("--windowed 640x480 --frames 400000 --fixed-step 20", "lvl/keyframe9", kConsoleInput));
    const std::string game = ReadTextFile(dir / "game.out");
    ASSERT_NE(std::string::npos, game.find("//Ended: quit")) << out << game;
    // Both snapshots were typed into the console; the second one's number came from the history.
    const std::vector<std::string> first = ActorRecord(ReadTextFile(dir / "lvl/keyframe3"), "marker");
    const std::vector<std::string> second = ActorRecord(ReadTextFile(dir / "lvl/keyframe4"), "marker");
    ASSERT_GE(first.size(), 12u) << game;
    ASSERT_GE(second.size(), 12u) << game;
    // The ticks counted before the console opened, and not one more in the 1.5 s it was open.
    const int before = std::stoi(first[7]);
    EXPECT_GT(before, 0);
    EXPECT_EQ(before, std::stoi(second[9]));
    // Closed again, the game went on: the script counted its 40 ticks and quit.
    const std::vector<std::string> last = ActorRecord(ReadTextFile(dir / "lvl/keyframe5"), "marker");
    ASSERT_GE(last.size(), 12u) << game;
    EXPECT_EQ(before, std::stoi(last[9]));
}

TEST(RealInput, F11SwitchesToFullScreenAndTheSettingsKeepIt)
{
    SKIP_WITHOUT_XDOTOOL();
    TempDir dir, config;
    WriteRoom(dir, "humanoid,0,0,8,0,0,0,0,2,100,100,marker", kTurnScript);
    // A window for this run only; F11 is the player's own change, and kept.
    const std::string out = RunDriver(
        dir, dir.path,
        XdotoolDriver(
            "--windowed 320x240 --frames 400000 --fixed-step 20 --save-settings --screenshot '" +
                (dir / "shot.png") + "'",
            "lvl/keyframe9",
            "xdotool key F11\n"
            "for i in $(seq 1 100); do grep -q 'fullscreen yes' \"$XDG_CONFIG_HOME/kesrow/settings\" "
            "&& break; sleep 0.1; done\n"
            "sleep 1\nxdotool key k"),
        "XDG_CONFIG_HOME='" + config.path + "'");
    ASSERT_NE(std::string::npos, ReadTextFile(dir / "game.out").find("//Ended: quit")) << out;
    const PngImage img = ReadPng(dir / "shot.png");
    EXPECT_TRUE(img.ok && img.width == 800 && img.height == 600) << "the X server's whole screen";
    const std::string settings = ReadTextFile(config / "kesrow/settings");
    EXPECT_NE(std::string::npos, settings.find("\nfullscreen yes\n")) << settings;
    EXPECT_NE(std::string::npos, settings.find("\nwindow-size 1280x720\n"))
        << "not the run's window: " << settings;
}
