// Words and flashes scripts put on screen: messages stacked, timed out and cleared, HUD text
// lines with register values filled in when the statement runs, and the flash's fields and
// defaults. What the records hold is what the frame draws (the drawing is the app tests').
#include "script/screen_text.h"
#include "script_test_util.h"

using namespace scrtest;

namespace
{

struct ScreenTextTest : ScriptTest
{
    ConsoleCapture console;
    void SetUp() override
    {
        ScriptTest::SetUp();
        ClearAllScreenText();
    }
    // The texts shown, oldest first, each with its time and colour; then the flash's fields.
    static std::string Shown()
    {
        std::string out;
        char line[1024];
        for (const screenMessage& m : gScreenMessages)
            if (m.shown)
                out += (snprintf(line, sizeof line, "%s %u %g,%g,%g; ", m.text, m.duration, m.colour[0],
                                 m.colour[1], m.colour[2]),
                        line);
        const screenFlash& f = gScreenFlash;
        snprintf(line, sizeof line, "flash %g,%g,%g %g %u+%u", f.colour[0], f.colour[1], f.colour[2],
                 f.opacity, f.start, f.duration);
        return out + line;
    }
};

TEST_F(ScreenTextTest, MessagesFlashesAndHudTextLines)
{
    gCurrentTime = 1000;
    // A missing time is 3 s; a colour is kept within 0 to 1, white where none is given.
    RunText("message \"one\",2\rmessage \"two\"\rmessage \"three\",0.5,1,0.5,-1\r");
    const std::string all = "one 2000 1,1,1; two 3000 1,1,1; three 500 1,0.5,0; flash 0,0,0 0 0+0";
    EXPECT_EQ(Shown(), all);
    // Each goes when its own time is over, to the millisecond; the others move up in order.
    EXPECT_EQ((ExpireScreenMessages(1499), Shown()), all);
    EXPECT_EQ((ExpireScreenMessages(1500), ExpireScreenMessages(3000), Shown()),
              "two 3000 1,1,1; flash 0,0,0 0 0+0");

    // A fifth message pushes out the oldest; the empty form takes the text from s1 and the time
    // from f1; an empty text or no time clears them all.
    RunText("message \"b\"\rmessage \"c\"\rmessage \"d\"\rmessage \"e\"\r");
    snprintf(gScriptVars.s[0], 32, "from s1"), F(1) = 0.25, RunText("message\r");
    EXPECT_EQ(Shown(), "c 3000 1,1,1; d 3000 1,1,1; e 3000 1,1,1; from s1 250 1,1,1; flash 0,0,0 0 0+0");
    RunText("message \"gone\",0\r");
    EXPECT_TRUE(Shown() == "flash 0,0,0 0 0+0" && console.Lines().empty());

    // A flash: colour, opacity and time.
    gCurrentTime = 5000;
    EXPECT_EQ((RunText("flash 1,0.5,2,0.4\r"), Shown()), "flash 1,0.5,1 0.5 5000+400");
    // The empty form takes its colour and time from f1 to f4; no time, no flash.
    EXPECT_EQ((F(1) = 0.25, F(4) = 2, RunText("flash\r"), Shown()), "flash 0.25,0,0 0.5 5000+2000");
    EXPECT_EQ((RunText("flash 1,1,1,0\r"), gScreenFlash.duration), 0u);

    // HUD text lines fill in registers when they run and refuse bad numbers.
    VXR_scripter* s = Make("hudText 1,\"Guards $i3 of $i16: $f2 $s1 $b1 $$5 $x $i $i03\"\r"
                           "hudText 8,\"right\",0,1,0\rhudText 9,\"nine\"\rhudText 2,\"$i17 left\"\r"
                           "hudText 3,\"three\"\r");
    // The values are those the registers hold when the statement runs, not when it compiled.
    I(3) = 2, I(16) = -7, F(2) = 1.5, gScriptVars.b[0] = 1;
    snprintf(gScriptVars.s[0], 32, "go"), Run(s);
    // Line 9 and register 17 do nothing and say so once; the line after them still runs.
    std::string texts;
    for (const hudTextLine& l : gHudTextLines)
        texts += std::string(l.text) + "|";
    EXPECT_EQ(texts, "Guards 2 of -7: 1.5 go true $5 $x $i 2||three|||||right|");
    EXPECT_TRUE(gHudTextLines[7].colour[0] == 0 && gHudTextLines[7].colour[1] == 1 &&
                console.Has("hudText: HUD text line 9 is not 1 to 8") &&
                console.Has("hudText: register 17 is not 1 to 16"));

    // Floats show at most two decimals; long register texts are cut to what a line holds.
    F(2) = -0.004, F(3) = 3.25;
    for (int k = 0; k < 5; k++)
        memset(gScriptVars.s[k], 'a' + k, 31);
    RunText("hudText 4,\"$f2 $f3\"\rhudText 5,\"$s1$s2$s3$s4$s5\"\r");
    EXPECT_STREQ(gHudTextLines[3].text, "0 3.25");
    EXPECT_TRUE(strlen(gHudTextLines[4].text) == kScreenTextMax &&
                gHudTextLines[4].text[kScreenTextMax - 1] == 'e');

    // "hudText n" alone empties the line; a level's end empties them all.
    const bool emptied = (RunText("hudText 8\r"), !gHudTextLines[7].text[0]);
    EXPECT_TRUE(emptied && (ClearLevelScreenText(), !gHudTextLines[0].text[0]));
}

} // namespace
