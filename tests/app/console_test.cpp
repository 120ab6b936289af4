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
#include "play_util.h"

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
    // One tick's input as the game tick reads it, after the given typed text and keys.
    static int Tick(const std::string& text = "", std::vector<int> keys = {})
    {
        for (char c : text)
            PLT_TypedChar(c);
        for (int vk : keys)
            PLT_TypedKey(vk);
        GetAllKeys();
        const int paused = ConsoleTick();
        SaveOldKeys();
        return paused;
    }
    static int Press(int vk)
    {
        PLT_KeyEvent(vk, 1);
        PLT_TypedKey(vk);
        PLT_KeyEvent(vk, 0);
        return Tick();
    }
    static void Enter(const std::string& line) { Tick(line, {13}); }
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
    // Typing while it is closed goes nowhere; the console key opens it and pauses the game. What
    // is typed after the console key, even in the same tick, is the line's (the key's own
    // character comes with it).
    EXPECT_EQ(0, Tick("lost"));
    PLT_KeyEvent(kConsoleKey, 1);
    PLT_TypedKey(kConsoleKey);
    PLT_KeyEvent(kConsoleKey, 0);
    EXPECT_EQ(1, Tick("`seti 9,1", {13}));
    EXPECT_EQ(1, gConsoleOpen);
    EXPECT_EQ(1, gScriptVars.i[8]);
    EXPECT_STREQ("", ConsoleInputLine());

    // A typed line runs as a command line; a register name shows the register; what cannot run
    // says why, in the scroll-back and on the console output.
    for (const char* line : {"seti 3,7", " i3", "s17"})
        Enter(line);
    EXPECT_EQ(7, gScriptVars.i[2]);
    EXPECT_EQ((std::vector<std::string>{"> seti 3,7", ">  i3", "i3 = 7", "> s17",
                                        "//Console: register 17 is not 1 to 16"}),
              Newest(5));
    for (const char* line : {"addi 17,1", "if i,1,=,2", "frobnicate 2", "addi 3,x"})
        Enter(line);
    EXPECT_TRUE(console.Has("//Command addi: register 17 is not 1 to 16") &&
                console.Has("//Console: \"if\" works only inside a script") &&
                console.Has("//Console: unknown instruction \"frobnicate\""));
    EXPECT_EQ("//Console: addi: the arguments \"3,x\" cannot be used", Newest(1)[0]);

    // Editing: "abc", two left, a backspace, an X, to the end and back home, a delete.
    Tick("abc", {37, 37, 8});
    Tick("X", {35, 36, 46});
    EXPECT_EQ("bc at 0", std::string(ConsoleInputLine()) + " at " + std::to_string(ConsoleCursor()));
    // The history: Up walks back through the lines run, the same line run twice is kept once,
    // Down comes back to an empty line; Right past the end stays at the end.
    Tick("", {46, 46});
    Enter("addi 3,x");
    Tick("", {38, 38});
    EXPECT_STREQ("frobnicate 2", ConsoleInputLine());
    Tick("", {40, 40, 39});
    EXPECT_EQ(" at 0", std::string(ConsoleInputLine()) + " at " + std::to_string(ConsoleCursor()));
    // A line from the history, changed and run.
    Tick("", {38, 8, 8, 8});
    Enter("3,1");
    EXPECT_EQ(8, gScriptVars.i[2]);
    // A line longer than the editor holds is cut there.
    Tick(std::string(kConsoleInputMax + 20, 'x'));
    EXPECT_EQ(size_t(kConsoleInputMax), strlen(ConsoleInputLine()));

    // The console key closes it, in a tick that is still paused; the game goes on in the next.
    // (Escape closing it is the tick test's.)
    EXPECT_EQ(1, Press(kConsoleKey));
    EXPECT_EQ(0, gConsoleOpen);
    EXPECT_EQ(0, Tick());
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
    gCurrentTime = 9000;
    OutputToConsole("//seen in the console");
    EXPECT_EQ(0, ConsoleNotices(9000, shown, kNotices));

    // Page Up scrolls back by ten lines, never past the oldest; Page Down comes back; a new line
    // keeps a reader who scrolled back on the lines he reads.
    for (int i = 0; i < 30; i++)
        OutputToConsole(("//line " + std::to_string(i)).c_str());
    Tick("", {33, 33});
    EXPECT_EQ(20, ConsoleScroll());
    OutputToConsole("//newer");
    EXPECT_EQ(21, ConsoleScroll());
    Tick("", {33, 33, 33, 33, 33});
    EXPECT_EQ(ConsoleLineCount() - 1, ConsoleScroll());
    Tick("", std::vector<int>(6, 34));
    EXPECT_EQ(0, ConsoleScroll());
    // The scroll-back keeps the newest lines, each cut to what a line holds. (Each line differs:
    // the same line again within one tick is only counted.)
    for (int i = 0; i < kConsoleLines + 5; i++)
        OutputToConsole((std::to_string(i) + std::string(kConsoleLineMax + 40, 'a' + i % 26)).c_str());
    EXPECT_EQ(kConsoleLines, ConsoleLineCount());
    EXPECT_EQ(size_t(kConsoleLineMax), strlen(ConsoleLineFromNewest(0)));
    EXPECT_EQ(nullptr, ConsoleLineFromNewest(kConsoleLines));
}
