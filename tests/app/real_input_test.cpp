// Real input, end to end: the game runs in a window on a private X server at the real clock's
// pace; xdotool turns the view with the mouse under the player's own settings and presses F11;
// the level's script snapshots what it saw with "savekey". The test reads the snapshot and the
// settings file back. Keys, mouse look, clicks and typed console lines in play are also in every
// session of replay_test.cpp, live and replayed; the tick's turn under other timings is
// tick_test.cpp's.
#include "play_util.h"

namespace
{

// A floor 40 across at height 0, as two triangles with vertices of their own (model files count
// 660 to a world unit).
const char kFloor[] = "room\nfloor\n0 -13200 0 -13200\n1 13200 0 -13200\n2 -13200 0 13200\n3 13200 0 -13200\n"
                      "4 13200 0 13200\n5 -13200 0 13200\nEDGES\n"
                      "MATERIAL Mat 40000 40000 40000 1 0 0 0 0 0 0 0 0 0 0\n0 1 2\n3 4 5\nEND\n";

// The level script turns the mouse view on; K gives the marker the player's angles and
// snapshots the roster, Q quits.
const char kTurnScript[] =
    "savekey 9\nseti 15,1\nstorei \"doMouseView\",15\nsetb 16,true\nloop\n"
    "key \"k\",1,n\nif b,1,=,16\nplayer\naxis\nget \"marker\"\nspin\nsavekey 1\nendif\n"
    "key \"q\",2,n\nif b,2,=,16\nquit\nendif\nendloop\n";

// The mouse moves 100 pixels right and 40 down in ten steps, K snapshots; F11, and once the
// settings file says so, Q.
const char kInput[] =
    "xdotool mousemove --window $win 320 240\nsleep 0.5\n"
    "for i in 1 2 3 4 5 6 7 8 9 10; do xdotool mousemove_relative -- 10 4; sleep 0.05; done\n"
    "sleep 0.5\nxdotool key k\nsleep 0.3\nxdotool key F11\n"
    "for i in $(seq 1 100); do grep -q 'fullscreen yes' \"$XDG_CONFIG_HOME/kesrow/settings\" "
    "&& break; sleep 0.1; done\nsleep 1\nxdotool key q";

} // namespace

TEST(RealInput, TheMouseTurnsBySettingsAndF11SwitchesToFullScreenAndIsKept)
{
    SKIP_WITHOUT_XDOTOOL();
    TempDir dir, config;
    for (const char* file : {"humanoid", "humanoid_poses"})
        ASSERT_TRUE(WriteTextFile(dir / (std::string("Models/") + file),
                                  ReadTextFile(SourceDir() + "/demo/Models/" + file)));
    ASSERT_TRUE(WriteTextFile(dir / "Models/room", kFloor));
    ASSERT_TRUE(WriteTextFile(dir / "Data/game script", "level \"lvl\"\n"));
    ASSERT_TRUE(WriteTextFile(dir / "lvl/level models", "room,0,0,0,0,0,0,100\n"));
    ASSERT_TRUE(WriteTextFile(dir / "lvl/tint", "1, 1, 1\n"));
    ASSERT_TRUE(WriteTextFile(dir / "lvl/person", "humanoid,0,0,8,0,0,0,0,2,100,100,marker"));
    ASSERT_TRUE(WriteTextFile(dir / "lvl/starting", "0\n1\n0\n0\n0\n0\n"));
    ASSERT_TRUE(WriteTextFile(dir / "lvl/load script", kTurnScript));
    // The player's own sensitivity (twice the default) and invert; a window for this run only.
    ASSERT_TRUE(WriteTextFile(config / "kesrow/settings", "mouse-sensitivity 0.28\ninvert-mouse yes\n"));
    const std::string out =
        RunDriver(dir, dir.path,
                  XdotoolDriver("--windowed 640x480 --frames 400000 --save-settings --screenshot '" +
                                    (dir / "shot.png") + "'",
                                "lvl/keyframe9", kInput),
                  "XDG_CONFIG_HOME='" + config.path + "'");
    const std::string game = ReadTextFile(dir / "game.out");
    ASSERT_NE(std::string::npos, game.find("//Ended: quit")) << out << game;
    // The marker holds the player's pitch and heading (180 while looking along -z).
    std::vector<std::string> f = ActorRecord(ReadTextFile(dir / "lvl/keyframe1"), "marker");
    ASSERT_GE(f.size(), 12u) << game;
    EXPECT_NEAR(-11.2f, std::stof(f[4]), 0.05f);
    EXPECT_NEAR(28.0f, 180.0f - std::stof(f[5]), 0.05f);
    // Full screen is the X server's whole screen; the player's change is kept, not the run's window.
    const PngImage img = ReadPng(dir / "shot.png");
    EXPECT_TRUE(img.ok && img.width == 800 && img.height == 600) << img.width << "x" << img.height;
    const std::string settings = ReadTextFile(config / "kesrow/settings");
    for (const char* line : {"\nfullscreen yes\n", "\nwindow-size 1280x720\n", "mouse-sensitivity 0.28\n",
                             "\ninvert-mouse yes\n"})
        EXPECT_NE(std::string::npos, settings.find(line)) << line << " in:\n" << settings;
}
