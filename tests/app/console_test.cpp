// The console driven through the platform's key and typed-input layer, one sampled tick at a
// time as the game tick samples them: opening and closing, the line editor and its history,
// typed lines run as command lines (and register names shown), the scroll-back fed from the
// console output, and the problem notices.
#include "app/console.h"

#include "app/input.h"
#include "app/startup.h"
#include "core/clock.h"
#include "platform/keys.h"
#include "script/variables.h"
#include "world/level.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

struct ConsoleTest : ::testing::Test
{
    ConsoleCapture console; // below the console's own sink: every line still reaches the next sink
    void SetUp() override
    {
        RegisterEngineHooks();
        VXR_Init();
        memset(&gScriptVars, 0, sizeof gScriptVars);
        PLT_ResetKeys();
        ResetConsole();
        CaptureConsoleOutput();
        gCurrentTime = 1000;
    }
    void TearDown() override
    {
        ResetConsole();
        PLT_ResetKeys();
    }
    // One tick's input as the game tick reads it.
    static int Tick()
    {
        GetAllKeys();
        const int paused = ConsoleTick();
        SaveOldKeys();
        return paused;
    }
    static void Press(int vk)
    {
        PLT_KeyEvent(vk, 1);
        PLT_TypedKey(vk);
        PLT_KeyEvent(vk, 0);
    }
    static void Type(const std::string& text)
    {
        for (char c : text)
            PLT_TypedChar(c);
    }
    static void Enter(const std::string& line)
    {
        Type(line);
        PLT_TypedKey(13);
        Tick();
    }
    static std::vector<std::string> Newest(int n)
    {
        std::vector<std::string> lines;
        for (int i = n - 1; i >= 0; i--)
            lines.push_back(ConsoleLineFromNewest(i) ? ConsoleLineFromNewest(i) : "(none)");
        return lines;
    }
};

} // namespace

TEST_F(ConsoleTest, OpensOnItsKeyEditsAndRunsTypedLines)
{
    // Typing while it is closed goes nowhere; the console key opens it and pauses the game.
    Type("lost");
    EXPECT_EQ(0, Tick());
    // What is typed after the console key, even in the same tick, is the line's.
    Press(kConsoleKey);
    Type("`seti 9,1"); // the key's own character comes with it
    PLT_TypedKey(13);
    EXPECT_EQ(1, Tick());
    EXPECT_EQ(1, gConsoleOpen);
    EXPECT_EQ(1, gScriptVars.i[8]);
    EXPECT_STREQ("", ConsoleInputLine());

    // A typed line runs as a command line; a register name shows the register.
    Enter("seti 3,7");
    Enter(" i3");
    Enter("s17");
    EXPECT_EQ(7, gScriptVars.i[2]);
    EXPECT_EQ((std::vector<std::string>{"> seti 3,7", ">  i3", "i3 = 7", "> s17",
                                        "//Console: register 17 is not 1 to 16"}),
              Newest(5));
    // What cannot run says why, in the scroll-back and on the console output.
    Enter("addi 17,1");
    Enter("if i,1,=,2");
    Enter("frobnicate 2");
    Enter("addi 3,x");
    EXPECT_TRUE(console.Has("//Command addi: register 17 is not 1 to 16"));
    EXPECT_TRUE(console.Has("//Console: \"if\" works only inside a script"));
    EXPECT_TRUE(console.Has("//Console: unknown instruction \"frobnicate\""));
    EXPECT_EQ("//Console: addi: the arguments \"3,x\" cannot be used", Newest(1)[0]);

    // Editing: "abc", two left, a backspace, an X, to the end and back home, a delete.
    Type("abc");
    for (int vk : {37, 37, 8})
        PLT_TypedKey(vk);
    Type("X");
    for (int vk : {35, 36, 46})
        PLT_TypedKey(vk);
    Tick();
    EXPECT_STREQ("bc", ConsoleInputLine());
    EXPECT_EQ(0, ConsoleCursor());
    // The history: Up walks back through the lines run, the same line run twice is kept once,
    // Down comes back to an empty line; Right past the end stays at the end.
    for (int vk : {46, 46})
        PLT_TypedKey(vk);
    Enter("addi 3,x");
    for (int vk : {38, 38})
        PLT_TypedKey(vk);
    Tick();
    EXPECT_STREQ("frobnicate 2", ConsoleInputLine());
    for (int vk : {40, 40, 39})
        PLT_TypedKey(vk);
    Tick();
    EXPECT_STREQ("", ConsoleInputLine());
    EXPECT_EQ(0, ConsoleCursor());
    // A line from the history, changed and run.
    PLT_TypedKey(38);
    for (int vk : {8, 8, 8})
        PLT_TypedKey(vk);
    Type("3,1");
    PLT_TypedKey(13);
    Tick();
    EXPECT_EQ(8, gScriptVars.i[2]);
    // A line longer than the editor holds is cut there.
    Type(std::string(kConsoleInputMax + 20, 'x'));
    Tick();
    EXPECT_EQ(size_t(kConsoleInputMax), strlen(ConsoleInputLine()));

    // The console key closes it, in a tick that is still paused; the game goes on in the next.
    Press(kConsoleKey);
    EXPECT_EQ(1, Tick());
    EXPECT_EQ(0, gConsoleOpen);
    EXPECT_EQ(0, Tick());
    Press(kConsoleKey);
    Tick();
    Press(27);
    EXPECT_EQ(1, Tick());
    EXPECT_EQ(0, gConsoleOpen);
}

TEST_F(ConsoleTest, ScrollBackAndNoticesComeFromTheConsoleOutput)
{
    // Each console line is also in the scroll-back, a line with line ends as several; a line
    // reporting a problem becomes a notice for 5 s, the level load's line does not.
    OutputToConsole("//Loading level");
    OutputToConsole("//Could not find model!\n");
    gCurrentTime = 2000;
    OutputToConsole("//Script a line 1: one\r\n//Script a line 2: two");
    EXPECT_EQ((std::vector<std::string>{"//Loading level", "//Could not find model!",
                                        "//Script a line 1: one", "//Script a line 2: two"}),
              Newest(4));
    EXPECT_TRUE(console.Has("//Could not find model!"));
    const char* shown[kNotices];
    ASSERT_EQ(3, ConsoleNotices(5999, shown, kNotices));
    EXPECT_STREQ("Could not find model!", shown[0]);
    EXPECT_STREQ("Script a line 2: two", shown[2]);
    EXPECT_EQ(2, ConsoleNotices(6000, shown, kNotices));
    EXPECT_EQ(0, ConsoleNotices(7000, shown, kNotices));
    // At most three at once: a fourth pushes out the oldest.
    OutputToConsole("//four");
    ASSERT_EQ(3, ConsoleNotices(2000, shown, kNotices));
    EXPECT_STREQ("four", shown[2]);

    // While the console is open a problem is in the scroll-back only: it is on the screen.
    Press(kConsoleKey);
    Tick();
    OutputToConsole("//seen in the console");
    EXPECT_EQ(0, ConsoleNotices(9000, shown, kNotices));
    gCurrentTime = 9000;
    EXPECT_EQ(0, ConsoleNotices(9000, shown, kNotices));

    // Page Up scrolls back by ten lines, never past the oldest; Page Down comes back; a new line
    // keeps a reader who scrolled back on the lines he reads.
    for (int i = 0; i < 30; i++)
        OutputToConsole(("//line " + std::to_string(i)).c_str());
    for (int vk : {33, 33})
        PLT_TypedKey(vk);
    Tick();
    EXPECT_EQ(20, ConsoleScroll());
    OutputToConsole("//newer");
    EXPECT_EQ(21, ConsoleScroll());
    for (int i = 0; i < 5; i++)
        PLT_TypedKey(33);
    Tick();
    EXPECT_EQ(ConsoleLineCount() - 1, ConsoleScroll());
    for (int i = 0; i < 6; i++)
        PLT_TypedKey(34);
    Tick();
    EXPECT_EQ(0, ConsoleScroll());
    // The scroll-back keeps the newest lines, each cut to what a line holds. (Each line differs:
    // the same line again within one tick is only counted.)
    for (int i = 0; i < kConsoleLines + 5; i++)
        OutputToConsole((std::to_string(i) + std::string(kConsoleLineMax + 40, 'a' + i % 26)).c_str());
    EXPECT_EQ(kConsoleLines, ConsoleLineCount());
    EXPECT_EQ(size_t(kConsoleLineMax), strlen(ConsoleLineFromNewest(0)));
    EXPECT_EQ(nullptr, ConsoleLineFromNewest(kConsoleLines));
}
