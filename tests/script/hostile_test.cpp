// Script files that made the engine misbehave, run as a data folder's game script: each is
// loaded, gets its start-up run and game passes, says what went wrong where it must, lets the
// next pass run, and keeps the process's peak memory (as the kernel counts it) bounded.
#include "script_test_util.h"

using namespace scrtest;

namespace
{

struct HostileScriptTest : ScriptTest
{
    VXR_scripter* game = nullptr;
    // Puts the hostile file in the data folder as "Data/game script" and as "inc", loads it as
    // the start-up does after a game script that counts the passes in i16, gives it the start-up
    // run and two passes; the peak memory must rise by less than 64 MB meanwhile.
    void PlayGame(const std::string& file)
    {
        std::string text = ReadTextFile(SourceDir() + "/tests/data/hostile/" + file);
        ASSERT_FALSE(text.empty()) << file;
        Write("Data/game script", text), Write("inc", text);
        long rise = PeakRiseKB(
            [&]
            {
                LoadAndExecuteScript(Write("counter", "loop\raddi 16,1\rendloop\r").c_str());
                ASSERT_EQ(LoadAndExecuteScript((dir / "Data/game script").c_str()), 1);
                ExecuteVXRCommandScript(game = baseScript.next->next);
                HandleGameScripts(), HandleGameScripts();
            });
        EXPECT_TRUE(rise >= 0 && rise < 64 * 1024 && I(16) == 2) << rise << " KB, passes " << I(16);
    }
};

TEST_F(HostileScriptTest, MacroNameWithAHighByteAndMacroCallingItselfTwiceInALoopWithAnInclude)
{
    PlayGame("script-macro-high-byte.txt");
    // The name is the one byte 0xE9: its code holds that byte unsigned, in the top position.
    EXPECT_EQ(GetMacroScript((int32_t)0xE9000000u), game);

    DisposeGameScripts(), I(16) = 0;
    // Every level of the macro's recursion calls itself twice and includes a copy of the script
    // that takes the macro over: the start-up run would never end. The watchdog stops it with a
    // line naming the script; the list's limit stops the includes; the passes go on.
    gScriptRunTimeLimit = 0.5;
    ConsoleCapture console;
    PlayGame("script-self-macro-include.txt");
    EXPECT_TRUE(game->current == nullptr && console.Has("still running after 0.5 s in one tick"));
}

TEST(HostileScriptGame, RunawayStartUpRunIsStoppedAndTheGameReachesItsFrameLimit)
{
    // The real program with its real time limit: the start-up run is stopped after 5 s, and the
    // game then draws and ticks its 10 passes.
    TempDir dir;
    std::string text = ReadTextFile(SourceDir() + "/tests/data/hostile/script-self-macro-include.txt");
    WriteTextFile(dir / "Data/game script", text), WriteTextFile(dir / "inc", text);
    std::string out;
    const int status = RunCommand(WindowedCommand("'" + KesrowExe() + "' --mute --data '" + dir.path +
                                                  "' --windowed 320x240 --frames 10 --fixed-step 20"),
                                  &out);
    EXPECT_TRUE(status == 0 && out.find("still running after 5 s in one tick") != std::string::npos &&
                out.find("//Ended: frame limit after 10 passes") != std::string::npos)
        << out;
}

} // namespace
