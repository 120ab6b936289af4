// Whole runs of the game with small data folders: the start-up script, the tick's scripts and
// "quit" ending the program by itself.
#include "test_util.h"

#include <gtest/gtest.h>

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
    // Every line the engine wrote is the closing one: no model, texture or script complained.
    std::string rest = out;
    size_t ended = rest.find("//Ended: ");
    ASSERT_NE(ended, std::string::npos) << out;
    rest.erase(ended, rest.find('\n', ended) - ended);
    EXPECT_EQ(rest.find("//"), std::string::npos) << out;
}
