// Whole runs of the game with small data folders: the start-up script, the tick's scripts and
// "quit" ending the program by itself, and keys held on a real X server.
#include "test_util.h"

#include <gtest/gtest.h>

#include <tuple>

static int RunGame(const TempDir& dir, const std::string& args, std::string* out)
{
    return RunCommand("'" + KesrowExe() + "' --mute --data '" + dir.path + "' --windowed 320x240 " + args,
                      out);
}

TEST(GameRun, ScriptsEndTheGameAtTheGameTimeTheyImply)
{
    // {game script, fixed step, end line}. A loop every 0.1 s with a timed script that quits after
    // 1 s; a quit in the start-up run, before any pass; a count of ticks in i1 that quits on the
    // 7th (the start-up run counts 1, passes 1 to 6 count 2 to 7).
    const std::tuple<const char*, const char*, const char*> runs[] = {
        {"timeScript \"Data/stopper\",1\nloop\naddi 1,1\nidle 0.1\nendloop\n", "20",
         "//Ended: quit after 50 passes, game time 1000 ms"},
        {"quit\r\n", "20", "//Ended: quit after 0 passes, game time 0 ms"},
        {"seti 2,7\nloop\naddi 1,1\nif i,1,>=,2\nquit\nendif\nendloop\n", "10",
         "//Ended: quit after 6 passes, game time 60 ms"}};
    for (const auto& [script, step, ended] : runs)
    {
        TempDir dir;
        WriteTextFile(dir / "Data/game script", script);
        WriteTextFile(dir / "Data/stopper", "quit");
        std::string out;
        EXPECT_EQ(RunGame(dir, std::string("--frames 500 --fixed-step ") + step, &out), 0) << out;
        EXPECT_NE(out.find(ended), std::string::npos) << out;
    }
}

TEST(GameRun, ShiftStaysDownWhileTheOtherShiftIsHeld)
{
    // The player holds both Shift keys, lets go of the left one and then taps Q: the game quits
    // only if it still sees Shift down. On an X server of its own, so that no other window takes
    // the keys; tried again while the game runs, as a focus change settling releases every key.
    TempDir dir;
    WriteTextFile(
        dir / "Data/game script",
        "setb 3,true\nloop\nkey \"q\",1\nkey 56,2\nif b,1,=,3\nif b,2,=,3\nquit\nendif\nendif\nendloop\n");
    WriteTextFile(
        dir / "play.sh",
        "'" + KesrowExe() + "' --mute --data '" + dir.path +
            "' --windowed 320x240 --frames 1500 &\n"
            "game=$!\n"
            "window=$(xdotool search --sync --pid $game | head -n 1)\n"
            "xdotool windowfocus --sync $window\n"
            "for attempt in 1 2 3 4 5; do\n"
            "  xdotool keydown Shift_L keydown Shift_R sleep 0.2 keyup Shift_L sleep 0.2 key q sleep 0.2 "
            "keyup Shift_R sleep 0.5\n"
            "  kill -0 $game 2>/dev/null || break\n"
            "done\n"
            "wait $game\n");
    std::string out;
    EXPECT_EQ(
        RunCommand("timeout 120 xvfb-run -a -s '-screen 0 640x480x24' sh '" + (dir / "play.sh") + "'", &out),
        0)
        << out;
    EXPECT_NE(out.find("//Ended: quit after "), std::string::npos) << out;
}
