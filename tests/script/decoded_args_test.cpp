// Argument texts decoded once at compile time: the edge cases where the decoded record must act
// exactly as reading the text at every run did (defaults, malformed and extra fields, register
// numbers from 1 to 16 and outside them, saturation, 32-bit rounding, quotes), and the rule that
// keeps a resolved named variable only while it is still the one a lookup would find.
#include "app/draw.h"
#include "script/instructions.h"
#include "script/random.h"
#include "script_test_util.h"

#include <cmath>

using namespace scrtest;

namespace
{

using DecodedArgsTest = ScriptTest;

// Registers set apart from each other so any change shows: f[n] = n + 0.25, i[n] = 10n,
// b[n] = n mod 3, s[n] = "sn"; f4 = -1.37, f10 = 1e10, f11 = NaN, i13 = INT32_MAX, s5 = 31
// characters. Variables: global x = 1234 (int), global hp = 2.5 (float), the actor's own hp.
void Preset(human_being* actor)
{
    for (int k = 0; k < 16; k++)
        gScriptVars.f[k] = k + 1.25, gScriptVars.i[k] = (k + 1) * 10, gScriptVars.b[k] = (k + 1) % 3,
        snprintf(gScriptVars.s[k], 32, "s%d", k + 1);
    gScriptVars.f[3] = -1.37, gScriptVars.f[9] = 1e10, gScriptVars.f[10] = NAN, gScriptVars.i[12] = INT32_MAX;
    strcpy(gScriptVars.s[4], "0123456789012345678901234567890");
    InstallVXRVariablePointer("x", nullptr, 1), SetInt("x", 1234);
    InstallVXRVariablePointer("hp", nullptr, 1), SetFloat("hp", 2.5f);
    InstallHumanVariablePointer(actor, "hp", nullptr, 1);
    doFog = 0, gFogEnd = 200, gCurrentTime = 123456, gOldTime = 123400, VXR_SeedRandom(77);
}

// What changed against the preset, as " i3=7 f2=0.5 x=...": registers, then the variables.
std::string Changes(const variable_list& before, human_being* actor)
{
    std::string out;
    char b[96];
    auto note = [&](bool changed, const char* format, auto... v)
    {
        if (changed) out += (snprintf(b, sizeof b, format, v...), b);
    };
    for (int k = 0; k < 16; k++)
    {
        note(memcmp(&before.f[k], &gScriptVars.f[k], sizeof(double)), " f%d=%.17g", k + 1, gScriptVars.f[k]);
        note(before.i[k] != gScriptVars.i[k], " i%d=%d", k + 1, gScriptVars.i[k]);
        note(before.b[k] != gScriptVars.b[k], " b%d=%d", k + 1, gScriptVars.b[k]);
        note(memcmp(before.s[k], gScriptVars.s[k], 32), " s%d=%s", k + 1, gScriptVars.s[k]);
    }
    human_being* selected = selHuman;
    selHuman = nullptr;
    note(GetInt("x") != 1234, " x=%d", GetInt("x"));
    note(GetFloat("hp") != 2.5f, " hp=%g", GetFloat("hp"));
    note(VXR_EntryFloat(GetHumanVarEntry(actor, "hp")) != 0, " %s", "actor's hp changed");
    note(doFog != 0, " doFog=%d", doFog), note(gFogEnd != 200, " gFogEnd=%g", gFogEnd);
    selHuman = selected;
    return out;
}

TEST_F(DecodedArgsTest, EdgeCasesActAsTheTextDidAndResolvedVariablesFollowDefinitionsSelectionAndRemoval)
{
    // clang-format off
    const char* const rows[][2] = {
        // The source's first character picks a register; otherwise a literal as %d or %f reads it. NaN
        // truncates to 0, 1e10 saturates, -1.37 truncates toward zero; extra fields are ignored; 0.1 is
        // rounded to 32 bits; adding 1 to the largest int wraps.
        {"seti 3,f11", " i3=0"}, {"seti 3,f10", " i3=2147483647"}, {"seti 3,f4", " i3=-1"},
        {"seti 3,-2147483649", " i3=-2147483648"}, {"seti 3,5,9", " i3=5"}, {"seti 3,0x10", " i3=0"},
        {"seti 3,b2", " i3=2"}, {"seti 3,i+2", " i3=20"}, {"seti +3,007", " i3=7"}, {"seti 3.7,1", ""},
        {"seti 3", ""}, {"seti 3,false", ""}, {"addf 3,", ""}, {"setf 3,0.1", " f3=0.10000000149011612"},
        {"setf 3,1.5e40", " f3=inf"}, {"setf 3,i13", " f3=2147483648"}, {"setf 3,1e", " f3=1"},
        {"setf 3,f4", " f3=-1.3700000047683716"}, {"addi 13,1", " i13=-2147483648"}, {"addi 2,f4", " i2=19"},
        {"multi 4,-3", " i4=-120"}, {"multi 13,i2", " i13=-20"}, {"addf 3,f10", " f3=10000000003.25"},
        {"multf 4,0.1", " f4=-0.1370000020414591"},
        // Truths take only the words true and false, nothing after them.
        {"setb 3,true", " b3=1"}, {"setb 1,false", " b1=0"}, {"setb 3,true,1", ""}, {"setb 3,\"true\"", ""},
        {"setb 3,True", ""}, {"setb 1,yes", ""},
        // Texts: n defaults to 1 before a quote; an open quote runs to the end; copies need n. An
        // empty random range gives lo.
        {"sets \"short\"", " s1=short"}, {"sets 0,\"zero\"", " s1=zero"}, {"sets 3,\"open", " s3=open"},
        {"sets 3,s5", " s3=0123456789012345678901234567890"},
        {"sets 3,\"0123456789012345678901234567890123456789\"", " s3=0123456789012345678901234567890"},
        {"sets 3,s3", ""}, {"sets s2", ""}, {"sqrt 4,5", " f5=-nan"}, {"sqrt 2,5,7", " f5=1.5"}, {"sqrt 2", ""},
        {"reci", " f1=0.80000000000000004"}, {"reci 0", " f1=0.80000000000000004"},
        {"reci x", " f1=0.80000000000000004"}, {"reci 2,9", " f2=0.44444444444444442"},
        {"randi 5,4,3", " i3=5"}, {"time 3", " f3=123.456"}, {"passed 16", " f16=0.056000000000000001"},
        {"time", ""},
        // Variables: loads and "stores" default to register 1, the other stores need one. Text after
        // the quote ends the grammar; an engine int read as text stops at its storage; gFogEnd read
        // as an int gives the float's bits; "s1" stored gives its bytes; "012" and the terminator
        // fill doFog's 4 bytes.
        {"loadi \"x\"", " i1=1234"}, {"loadi \"x\",0", " i1=1234"}, {"loadi x,4", " i4=1234"},
        {"loadi \"x\"y,4", " i1=1234"}, {"loadi \"missing\",4", " i4=0"}, {"loadb \"x\",3", " b3=1234"},
        {"loads \"doFog\",3", " s3="}, {"loadf \"gFogEnd\",3", " f3=200"},
        {"loadi \"gFogEnd\",3", " i3=1128792064"}, {"storei \"x\"", ""}, {"storei \"x\",0", ""},
        {"storei \"x\",5", " x=50"}, {"storeb \"x\",3", " x=0"}, {"stores \"x\"", " x=12659"},
        {"storef \"gFogEnd\",6", " gFogEnd=6.25"}, {"stores \"doFog\",5", " doFog=3289392"},
        {"storei \"missing\",5", ""}, {"storei \"unterminated,5", ""}, {"storei ,5", ""},
        // Register 16 is the last one, as target and as source (one range check serves every reader).
        {"seti 16,5", " i16=5"}, {"seti 1,i16", " i1=160"}, {"setf 1,f16", " f1=16.25"},
        {"sets 16,s1", " s16=s1"}, {"storef \"hp\",16", " hp=16.25"},
        // Registers outside 1 to 16, as target or source, do nothing at all.
        {"seti 0,5", ""}, {"seti 17,5", ""}, {"seti -1,5", ""}, {"seti ,5", ""}, {"seti 1,i17", ""},
        {"seti 1,f0", ""}, {"setf 17,1.0", ""}, {"addi 99,1", ""}, {"multf 16,f17", ""}, {"setb 17,true", ""},
        {"sets 17,\"a\"", ""}, {"sets 0,s1", ""}, {"sets 2,s0", ""}, {"sets ,s1", ""}, {"loadi \"x\",17", ""},
        {"loadf \"x\",-2", ""}, {"loads \"x\",20", ""}, {"storef \"x\",17", ""}, {"storeb \"x\"", ""},
        {"stores \"x\",17", ""}, {"time 17", ""}, {"passed 0", ""}, {"sqrt 1,17", ""}, {"sqrt 17,1", ""},
        {"reci 17", ""}, {"randi 1,6,17", ""}, {"randi 1,6", ""}, {"randi 1,6,0", ""},
    };
    // clang-format on
    human_being* actor = NewActor("guard");
    for (auto& [line, want] : rows)
    {
        VXR_scripter* script = Make(std::string(line) + "\r");
        ASSERT_NE(script->code, nullptr) << line;
        const std::string text(line), command = text.substr(0, text.find(' '));
        // The compiled statement twice (the second run keeps what the first resolved), then the
        // text form that single commands use.
        for (int way = 0; way < 3; way++)
        {
            variable_list before = (Preset(actor), gScriptVars);
            if (way < 2)
                script->current = script->code, Run(script);
            else
                ExecuteVXRCommand(command.c_str(), text.c_str() + std::min(text.size(), command.size() + 1));
            EXPECT_EQ(Changes(before, actor), want) << line << " (way " << way << ")";
        }
    }
    EXPECT_EQ(GetVarEntry("missing"), nullptr); // a store to an unknown name makes none

    VXR_Init(); // the variables start again
    // One compiled statement run again and again, with the given actor selected, while the
    // variable lists change under it.
    VXR_scripter* load = Make("loadi \"hp\",1\r");
    auto Hp = [&](human_being* selected)
    {
        selHuman = selected, I(1) = -1, load->current = load->code;
        return (Run(load), I(1));
    };
    human_being* a = NewActor("a");
    const int none = Hp(nullptr);
    RunText("def \"hp\"\rseti 2,40\rstorei \"hp\",2\r");
    // No variable yet; defined after the statement compiled; the actor has none: the global one.
    EXPECT_EQ((V{none, Hp(nullptr), Hp(a)}), (V{0, 40, 40}));
    InstallHumanVariablePointer(a, "hp", nullptr, 1), SetInt("hp", 7);
    // The actor's own hides the global while the actor is selected.
    EXPECT_EQ((V{Hp(a), Hp(nullptr), Hp(a)}), (V{7, 40, 7}));

    // The actor goes with its variables; one made in its place has none of its own. A kept
    // global entry moves the cursor as a lookup does.
    RemoveHuman(a);
    human_being* b = NewActor("b");
    EXPECT_EQ(Hp(b), 40);
    vaPtr* global = GetVarEntry("hp");
    EXPECT_TRUE((gVarPtr = &gGameVariables, Hp(b) == 40 && gVarPtr == global));

    // An engine reset drops the global: the statement finds nothing again.
    selHuman = nullptr, VXR_Init();
    EXPECT_EQ(Hp(nullptr), 0);
}

} // namespace
