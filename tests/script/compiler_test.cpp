// Script text to statements: line format, keywords, argument preparation, limits, the instruction
// table, macros and file reading, and what the compiler reports, each problem at its own line.
#include "script_test_util.h"

#include "core/problems.h"

#include <cmath>

using namespace scrtest;

namespace
{

struct CompilerTest : ScriptTest
{
    // Each statement as "kind:instruction:args".
    std::vector<std::string> Compile(const std::string& text)
    {
        std::vector<std::string> out;
        VXR_scripter* script = Make(text);
        EXPECT_EQ(script->current, script->code);
        for (VXR_Statement* s = script->code; s; s = s->next)
            out.push_back(std::to_string(s->kind) + ":" + (s->instruction ? s->instruction->name : "") + ":" +
                          s->args);
        return out;
    }
    using Lines = std::vector<std::string>;
};

TEST_F(CompilerTest, LineFormatKeywordsArgumentBlanksAndOverlongTextCutNeverOverrun)
{
    // One or two leading '#' are skipped; a third is not, nor are '#' behind blanks.
    EXPECT_EQ(Compile("#idle 1\r##idle 2\r###idle 3\r  ##idle 4\r#\r##\r"), (Lines{"4::1", "4::2"}));
    // Keywords are case-sensitive; unknown commands, comment lines and "macro" make nothing.
    EXPECT_EQ(Compile("Idle 1\rSETI 1,2\rfoo 1\r// only a comment\r   \t\rmacro \"m\"\rseti 1,2\r"),
              Lines{"0:seti:1,2"});
    EXPECT_EQ(Compile("if\nelse\nendif\nidle\nrepeat\nendrepeat\nexitrepeat\nloop\nendloop\nexitloop\n"),
              (Lines{"1::", "2::", "3::", "4::", "5::", "6::", "7::", "8::", "9::", "10::"}));
    EXPECT_EQ(Make("")->code, nullptr);

    // CR, LF and CR LF all end lines; a last line without a line end still compiles.
    EXPECT_EQ(Compile("seti 1,1\rseti 2,2\nseti 3,3\r\nseti 4,4").back() + Make("seti 1,1")->text,
              "0:seti:4,4seti 1,1\r");
    // A statement's source line: the problem lines below and the watchdog's line pin the count.

    ConsoleCapture console;
    char command[kScriptCommandMax + 1 + 8], args[kScriptArgsMax + 1 + 8];
    // Arguments lose their blanks outside quotes; an unclosed quote keeps them to the line end.
    char line[] = "  sets\t1, \"a b\t c\" , x y // tail \"q r\"", open[] = "sets 1,\"a  b";
    MakeVXRCommandOutOfLine(line, command, args);
    const std::string split = std::string(command) + " " + args;
    MakeVXRCommandOutOfLine(open, command, args);
    EXPECT_EQ(split + "|" + args, "sets 1,\"a b\t c\",xy|1,\"a  b");

    // Over-long commands and arguments are cut to their fields, never past them.
    memset(command, 'Z', sizeof(command)), memset(args, 'Z', sizeof(args));
    std::string longLine = std::string(40, 'c') + " " + std::string(100, 'a');
    MakeVXRCommandOutOfLine(&longLine[0], command, args);
    EXPECT_TRUE(strlen(command) == kScriptCommandMax && strlen(args) == kScriptArgsMax &&
                command[kScriptCommandMax + 1] == 'Z' && args[kScriptArgsMax + 1] == 'Z');

    // Arguments over 64 characters are cut and reported; a command over 31 makes nothing.
    Lines lines = Compile("sets 1,\"" + std::string(100, 'q') + "\"\r" + std::string(40, 's') + " 1\r");
    EXPECT_TRUE(lines.size() == 1 && lines[0].size() == strlen("0:sets:") + kScriptArgsMax &&
                console.Has("longer than 64"));
    // The cut at 511 characters, and its report, are the problem lines' test below.

    // A text over 9,190 characters keeps its first 9,190 and the closing CR.
    VXR_scripter* script = Make("seti 1,7\r" + std::string(20000, 'x'));
    EXPECT_TRUE(strlen(script->text) == kScriptTextMax + 1 && script->text[kScriptTextMax] == '\r' &&
                script->code->next == nullptr && console.Has("longer than 9190"));

    // A file read stops at 9,190 characters plus the zero byte.
    char buffer[kScriptTextSize + 16];
    memset(buffer, 'Z', sizeof(buffer));
    FILE* f = fopen(Write("big", std::string(kScriptTextMax + 500, 'b')).c_str(), "r");
    ASSERT_NE(f, nullptr);
    const int read = ReadWholeFile(f, buffer);
    fclose(f);
    EXPECT_TRUE(read == 0 && strlen(buffer) == kScriptTextMax && buffer[kScriptTextMax + 1] == 'Z');
}

TEST_F(CompilerTest, MacroCodesAndRegistry)
{
    // Four characters count; bytes count unsigned, so a byte of 0x80 or above never shifts a
    // negative value.
    EXPECT_EQ((std::vector<int32_t>{VXR_MacroCode("abcdefg"), VXR_MacroCode(""), VXR_MacroCode("a\xff")}),
              (std::vector<int32_t>{0x61626364, 0, (int32_t)0x61FF0000u}));
    auto Macro = [](const char* name) { return GetMacroScript(VXR_MacroCode(name)); };

    // The macro line may stand anywhere; a later script takes the name over (four characters
    // count) without a second entry.
    VXR_scripter* first = Make("seti 1,1\rmacro \"door\"\r");
    EXPECT_EQ(Macro("door"), first);
    VXR_scripter* second = NewVXRScript("macro \"doorway\"\r");
    EXPECT_TRUE(Macro("door") == second && baseMacro.next->next == nullptr);
    // Without a quoted name nothing is registered; "" names the empty macro; an unclosed quote
    // still names the macro.
    VXR_scripter* third = Make("macro gate\rmacro \"\"\rmacro \"lift\r");
    EXPECT_EQ((std::vector<VXR_scripter*>{Macro("gate"), Macro(""), Macro("lift")}),
              (std::vector<VXR_scripter*>{nullptr, third, third}));
    // Disposing of a script drops its entries; the others stay.
    EXPECT_TRUE((DisposeScript(second), Macro("door") == nullptr && Macro("lift") == third));

    // An over-long name is reported and cut to its first four characters.
    ConsoleCapture console;
    VXR_scripter* cut = Make("macro \"abcdefghij\"\r");
    EXPECT_TRUE(Macro("abcd") == cut && console.Has("abcdefg"));
}

TEST(ScriptProblems, EachBadLineIsReportedWithItsNumber)
{
    ProblemCapture capture;
    // The reader around the compile (a person file line) gets its place back afterwards.
    gProblemFile = "outer", gProblemLine = 77;
    // CR LF is one line end, a lone CR or LF another; a line one character over the limit is cut.
    std::string text = "idle 1\r\nfrobnicate 2\r\nmacro nameless\r\n" + std::string(512, 'x') +
                       "\rlevel \"../up\"\nIdle 1\rendif\r";
    VXR_scripter* script = NewVXRScriptNamed(text.c_str(), "Data/s");
    EXPECT_TRUE(!strcmp(gProblemFile, "outer") && gProblemLine == 77);
    gProblemFile = nullptr, gProblemLine = 0;
    EXPECT_EQ(capture.problems,
              (std::vector<std::string>{
                  "Data/s:2: unknown instruction \"frobnicate\", line left out",
                  "Data/s:3: macro needs its name in double quotes; no macro declared",
                  "Data/s:4: line longer than 511 characters cut: " + std::string(40, 'x') + "...",
                  "Data/s:4: command longer than 31 characters: " + std::string(31, 'x') + "...",
                  "Data/s:5: level: the path \"../up\" is refused: it leaves the data folder with \"..\"",
                  "Data/s:6: unknown instruction \"Idle\", line left out"}));
    // What compiles is unchanged: idle, level (refused, so it does nothing) and endif.
    int statements = 0;
    for (VXR_Statement* s = script->code; s; s = s->next)
        statements++;
    EXPECT_EQ(statements, 3);
    DisposeScript(script), DisposeMacros();
}

} // namespace
