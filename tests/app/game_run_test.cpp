// Whole runs of the game with small data folders: the start-up script, the tick's scripts and
// "quit" ending the program by itself.
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

static int RunGame(const TempDir& dir, const std::string& args, std::string* out)
{
    return RunCommand("'" + KesrowExe() + "' --mute --data '" + dir.path + "' --windowed 320x240 " + args,
                      out);
}

TEST(GameRun, TimedScriptQuitsAtTheGameTimeTheScriptImplies)
{
    TempDir dir;
    WriteTextFile(dir / "Data/game script", "// loops every 0.1 s; a timed script ends the game after 1 s\n"
                                            "timeScript \"Data/stopper\",1\n"
                                            "loop\n"
                                            "addi 1,1\n"
                                            "idle 0.1\n"
                                            "endloop\n");
    WriteTextFile(dir / "Data/stopper", "quit");
    std::string out;
    EXPECT_EQ(RunGame(dir, "--frames 500 --fixed-step 20", &out), 0) << out;
    EXPECT_NE(out.find("//Ended: quit after 50 passes, game time 1000 ms"), std::string::npos) << out;
}

TEST(GameRun, QuitFromTheStartUpScriptEndsBeforeAnyPass)
{
    TempDir dir;
    WriteTextFile(dir / "Data/game script", "quit\r\n");
    std::string out;
    EXPECT_EQ(RunGame(dir, "--frames 100 --fixed-step 20", &out), 0) << out;
    EXPECT_NE(out.find("//Ended: quit after 0 passes, game time 0 ms"), std::string::npos) << out;
}

TEST(GameRun, RegistersDecideWhenTheGameEnds)
{
    // Counts ticks in i1 and quits on the 7th: the tick runs the script once per pass.
    TempDir dir;
    WriteTextFile(dir / "Data/game script", "seti 2,7\n"
                                            "loop\n"
                                            "addi 1,1\n"
                                            "if i,1,>=,2\n"
                                            "quit\n"
                                            "endif\n"
                                            "endloop\n");
    std::string out;
    EXPECT_EQ(RunGame(dir, "--frames 100 --fixed-step 10", &out), 0) << out;
    // The start-up run counts 1, then passes 1..6 count 2..7.
    EXPECT_NE(out.find("//Ended: quit after 6 passes, game time 60 ms"), std::string::npos) << out;
}

TEST(GameRun, DemoDataFolderStartsWithoutConsoleProblems)
{
    std::string out;
    const std::string cmd = "'" + KesrowExe() + "' --mute --data '" + SourceDir() +
                            "/demo' --windowed 320x240 --frames 5 --fixed-step 20";
    ASSERT_EQ(RunCommand(cmd, &out), 0) << out;
    // Every line the engine wrote is the level load's or the closing one: no model, texture or
    // script complained.
    std::string rest = out;
    size_t loading = rest.find("//Loading level\n");
    if (loading != std::string::npos) rest.erase(loading, 16);
    size_t ended = rest.find("//Ended: ");
    ASSERT_NE(ended, std::string::npos) << out;
    rest.erase(ended, rest.find('\n', ended) - ended);
    EXPECT_EQ(rest.find("//"), std::string::npos) << out;
}

TEST(GameRun, ShiftStaysDownWhileTheOtherShiftIsHeld)
{
    // The player holds both Shift keys, lets go of the left one and then taps Q: the game quits
    // only if it still sees Shift down. On an X server of its own, so that no other window takes
    // the keys; tried again while the game runs, as a focus change settling releases every key.
    TempDir dir;
    WriteTextFile(dir / "Data/game script", "setb 3,true\n"
                                            "loop\n"
                                            "key \"q\",1\n"
                                            "key 56,2\n"
                                            "if b,1,=,3\n"
                                            "if b,2,=,3\n"
                                            "quit\n"
                                            "endif\n"
                                            "endif\n"
                                            "endloop\n");
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
