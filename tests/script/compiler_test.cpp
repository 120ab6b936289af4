// Script text to statements: line format, keywords, argument preparation, limits, macros and
// file reading.
#include "script_test_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrtest;

namespace
{

struct CompiledLine
{
    int kind;
    std::string args;
    std::string instruction;
};

std::vector<CompiledLine> Compile(const std::string& text)
{
    std::vector<CompiledLine> out;
    VXR_scripter* script = NewVXRScript(text.c_str());
    for (VXR_Statement* s = script->code; s; s = s->next)
        out.push_back({s->kind, s->args, s->instruction ? s->instruction->name : ""});
    EXPECT_EQ(script->current, script->code);
    DisposeScript(script);
    return out;
}

class CompilerTest : public ::testing::Test
{
  protected:
    void SetUp() override { ResetScriptWorld(); }
    void TearDown() override { ResetScriptWorld(); }
};

TEST_F(CompilerTest, CommentsHashesAndKeywords)
{
    auto lines = Compile("if i,1,<,2 // compare\r");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].kind, kStmtIf);
    EXPECT_EQ(lines[0].args, "i,1,<,2");

    // One or two leading '#' are skipped; a third is not, nor are '#' behind blanks.
    lines = Compile("#idle 1\r##idle 2\r###idle 3\r  ##idle 4\r#\r##\r");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].args, "1");
    EXPECT_EQ(lines[1].args, "2");

    // Keywords are case-sensitive; unknown commands, comment lines and "macro" make nothing.
    lines = Compile("Idle 1\rSETI 1,2\rfoo 1\r// only a comment\r   \t\rmacro \"m\"\rseti 1,2\r");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].instruction, "seti");

    const char* keywords[] = {"if",        "else",       "endif", "idle",    "repeat",
                              "endrepeat", "exitrepeat", "loop",  "endloop", "exitloop"};
    std::string text;
    for (const char* k : keywords)
        text += std::string(k) + "\n";
    lines = Compile(text);
    ASSERT_EQ(lines.size(), 10u);
    for (int k = 0; k < 10; k++)
    {
        EXPECT_EQ(lines[k].kind, k + 1) << keywords[k];
        EXPECT_EQ(lines[k].instruction, "");
    }

    VXR_scripter* comments = NewVXRScript("// a\r//b\r\r");
    EXPECT_EQ(comments->code, nullptr);
    EXPECT_EQ(comments->current, nullptr);
    DisposeScript(comments);
    VXR_scripter* empty = NewVXRScript("");
    EXPECT_EQ(empty->code, nullptr);
    DisposeScript(empty);
}

TEST_F(CompilerTest, LineEndsAndTheLastLine)
{
    // CR, LF and CR LF all end lines; a last line without a line end still compiles.
    auto lines = Compile("seti 1,1\rseti 2,2\nseti 3,3\r\nseti 4,4");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3].args, "4,4");

    VXR_scripter* script = NewVXRScript("seti 1,1");
    EXPECT_STREQ(script->text, "seti 1,1\r");
    DisposeScript(script);
}

TEST_F(CompilerTest, ArgumentsLoseBlanksOutsideQuotes)
{
    char line[] = "  sets\t1, \"a b\t c\" , x y // tail \"q r\"";
    char command[kScriptCommandMax + 1], args[kScriptArgsMax + 1];
    MakeVXRCommandOutOfLine(line, command, args);
    EXPECT_STREQ(command, "sets");
    EXPECT_STREQ(args, "1,\"a b\t c\",xy");
    EXPECT_STREQ(line, "  sets\t1, \"a b\t c\" , x y ");

    char bare[] = "quit";
    MakeVXRCommandOutOfLine(bare, command, args);
    EXPECT_STREQ(command, "quit");
    EXPECT_STREQ(args, "");

    // An unclosed quote keeps its blanks up to the end of the line.
    char open[] = "sets 1,\"a  b";
    MakeVXRCommandOutOfLine(open, command, args);
    EXPECT_STREQ(args, "1,\"a  b");
}

TEST_F(CompilerTest, OverlongTextIsCutNeverOverrun)
{
    ConsoleCapture console;
    char command[kScriptCommandMax + 1 + 8], args[kScriptArgsMax + 1 + 8];
    memset(command, 'Z', sizeof(command));
    memset(args, 'Z', sizeof(args));
    std::string longLine = std::string(40, 'c') + " " + std::string(100, 'a');
    std::vector<char> buffer(longLine.begin(), longLine.end());
    buffer.push_back(0);
    MakeVXRCommandOutOfLine(buffer.data(), command, args);
    EXPECT_EQ(strlen(command), (size_t)kScriptCommandMax);
    EXPECT_EQ(strlen(args), (size_t)kScriptArgsMax);
    EXPECT_EQ(command[kScriptCommandMax + 1], 'Z');
    EXPECT_EQ(args[kScriptArgsMax + 1], 'Z');

    // Arguments over 64 characters are cut and reported; a command over 31 makes nothing.
    auto lines = Compile("sets 1,\"" + std::string(100, 'q') + "\"\r" + std::string(40, 's') + " 1\r");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].args.size(), (size_t)kScriptArgsMax);
    EXPECT_TRUE(console.Contains("longer than 64"));
    EXPECT_TRUE(console.Contains("longer than 31"));

    // A line over 511 characters is cut there: what follows on the same line is lost, the next
    // line compiles.
    ConsoleLines().clear();
    lines = Compile("seti 1,2" + std::string(600, ' ') + "// x\rseti 3,4\r" + std::string(600, ' ') +
                    std::string(10, 'x') + " seti 5,6\r");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].args, "1,2");
    EXPECT_EQ(lines[1].args, "3,4");
    EXPECT_TRUE(console.Contains("line longer than 511"));

    // A text over 9,190 characters keeps its first 9,190 and the closing CR.
    std::string huge = "seti 1,7\r" + std::string(20000, 'x');
    VXR_scripter* script = NewVXRScript(huge.c_str());
    EXPECT_EQ(strlen(script->text), (size_t)kScriptTextMax + 1);
    EXPECT_EQ(script->text[kScriptTextMax], '\r');
    EXPECT_EQ(StatementCount(script), 1);
    DisposeScript(script);
    EXPECT_TRUE(console.Contains("longer than 9190"));
}

TEST_F(CompilerTest, InstructionLookup)
{
    VXR_Instruction* seti = GetVXRInstruction("seti");
    ASSERT_NE(seti, nullptr);
    EXPECT_STREQ(seti->name, "seti");
    EXPECT_NE(seti->handler, nullptr);
    EXPECT_EQ(GetVXRInstruction("Seti"), nullptr);
    EXPECT_EQ(GetVXRInstruction("NULL"), nullptr);
    EXPECT_EQ(GetVXRInstruction(""), nullptr);
    EXPECT_EQ(GetVXRInstruction("set"), nullptr);

    // The table ends with "NULL" and a null handler, and every entry before it is unique.
    int n = 0;
    while (strcmp(gAllInstructions[n].name, "NULL") != 0)
    {
        EXPECT_EQ(GetVXRInstruction(gAllInstructions[n].name), &gAllInstructions[n]);
        n++;
    }
    EXPECT_EQ(gAllInstructions[n].handler, nullptr);
}

TEST_F(CompilerTest, MacroCodesAndRegistry)
{
    EXPECT_EQ(VXR_MacroCode("abcd"), ('a' << 24) + ('b' << 16) + ('c' << 8) + 'd');
    EXPECT_EQ(VXR_MacroCode("ab"), ('a' << 24) + ('b' << 16));
    EXPECT_EQ(VXR_MacroCode("abcdefg"), VXR_MacroCode("abcd"));
    EXPECT_EQ(VXR_MacroCode(""), 0);
    // Bytes count as signed: 0xFF is -1.
    EXPECT_EQ(VXR_MacroCode("\xff"), -(1 << 24));
    EXPECT_EQ(VXR_MacroCode("a\xff"), ('a' << 24) - (1 << 16));

    // The macro line may stand anywhere; it makes no statement.
    VXR_scripter* first = NewVXRScript("seti 1,1\rmacro \"door\"\r");
    EXPECT_EQ(StatementCount(first), 1);
    EXPECT_EQ(GetMacroScript(VXR_MacroCode("door")), first);

    // A later script takes the name over; only four characters count.
    VXR_scripter* second = NewVXRScript("macro \"doorway\"\r");
    EXPECT_EQ(GetMacroScript(VXR_MacroCode("door")), second);
    int entries = 0;
    for (macroScript* m = baseMacro.next; m; m = m->next)
        entries++;
    EXPECT_EQ(entries, 1);

    // Without a quoted name nothing is registered; an unclosed quote still names the macro.
    VXR_scripter* third = NewVXRScript("macro gate\rmacro \"\"\rmacro \"lift\r");
    EXPECT_EQ(GetMacroScript(VXR_MacroCode("gate")), nullptr);
    EXPECT_EQ(GetMacroScript(VXR_MacroCode("lift")), third);

    // Disposing of a script drops its entries; the others stay.
    DisposeScript(second);
    EXPECT_EQ(GetMacroScript(VXR_MacroCode("door")), nullptr);
    EXPECT_EQ(GetMacroScript(VXR_MacroCode("lift")), third);
    DisposeScript(third);
    DisposeScript(first);
    EXPECT_EQ(baseMacro.next, nullptr);

    ConsoleCapture console;
    VXR_scripter* longName = NewVXRScript("macro \"abcdefghij\"\r");
    EXPECT_TRUE(console.Contains("abcdefg"));
    EXPECT_EQ(GetMacroScript(VXR_MacroCode("abcd")), longName);
    DisposeScript(longName);
}

TEST_F(CompilerTest, ControlArgumentsAreDecodedOnce)
{
    VXR_scripter* script = NewVXRScript("if f,2,>=,16\rif i,1,<\rif i,1,<<<,2\ridle 0.25\ridle\ridle -1\r"
                                        "repeat\rrepeat 7\rrepeat x\r");
    VXR_Statement* s = StatementAt(script, 0);
    EXPECT_EQ(s->decoded.ready, 1);
    EXPECT_EQ(s->decoded.type, 'f');
    EXPECT_EQ(s->decoded.a, 2);
    EXPECT_EQ(s->decoded.b, 16);
    EXPECT_EQ(StatementAt(script, 1)->decoded.ready, 0);
    EXPECT_EQ(StatementAt(script, 2)->decoded.ready, 1); // read, but no operator: false when run
    EXPECT_EQ(StatementAt(script, 3)->decoded.idleMs, 250u);
    EXPECT_EQ(StatementAt(script, 4)->decoded.ready, 0);
    EXPECT_EQ(StatementAt(script, 5)->decoded.idleMs, (uint32_t)-1000);
    EXPECT_EQ(StatementAt(script, 6)->decoded.useI1, 1);
    EXPECT_EQ(StatementAt(script, 7)->decoded.count, 7);
    EXPECT_EQ(StatementAt(script, 8)->decoded.count, 0);
    DisposeScript(script);

    EXPECT_EQ(VXR_SecondsToMs(2.5f), 2500u);
    EXPECT_EQ(VXR_SecondsToMs(0.0019f), 1u);
    EXPECT_EQ(VXR_SecondsToMs(1e12f), UINT32_MAX);
    EXPECT_EQ(VXR_SecondsToMs(NAN), 0u);
}

TEST_F(CompilerTest, ReadingFiles)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir / "small", "seti 1,1\nseti 2,2\n"));
    ASSERT_TRUE(WriteTextFile(dir / "big", std::string(kScriptTextMax + 500, 'b')));
    char buffer[kScriptTextSize + 16];
    memset(buffer, 'Z', sizeof(buffer));

    FILE* f = fopen((dir / "small").c_str(), "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadWholeFile(f, buffer), 1);
    fclose(f);
    EXPECT_STREQ(buffer, "seti 1,1\nseti 2,2\n");
    ReplaceCharsInString(buffer, '\n', '\r');
    EXPECT_STREQ(buffer, "seti 1,1\rseti 2,2\r");

    memset(buffer, 'Z', sizeof(buffer));
    f = fopen((dir / "big").c_str(), "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadWholeFile(f, buffer), 0);
    fclose(f);
    EXPECT_EQ(strlen(buffer), (size_t)kScriptTextMax);
    EXPECT_EQ(buffer[kScriptTextMax + 1], 'Z');
}

} // namespace
