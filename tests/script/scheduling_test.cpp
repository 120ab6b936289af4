// Where scripts come from and when they run: game script passes, scripts loaded during a pass,
// timed scripts, actor scripts by event mask, path lists and single instructions.
#include "resources/paths.h"
#include "script_test_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace scrtest;

namespace
{

int& I(int n)
{
    return gScriptVars.i[n - 1];
}

class SchedulingTest : public ::testing::Test
{
  protected:
    TempDir dir;
    char savedRoute[sizeof(routePath)];
    void SetUp() override
    {
        memcpy(savedRoute, routePath, sizeof(routePath));
        snprintf(routePath, sizeof(routePath), "%s/", dir.path.c_str());
        ResetScriptWorld();
    }
    void TearDown() override
    {
        ResetScriptWorld();
        memcpy(routePath, savedRoute, sizeof(routePath));
    }
    std::string Write(const std::string& name, const std::string& text)
    {
        EXPECT_TRUE(WriteTextFile(dir / name, text));
        return dir / name;
    }
    int GameScriptCount()
    {
        int n = 0;
        for (VXR_scripter* s = baseScript.next; s; s = s->next)
            n++;
        return n;
    }
    std::vector<int32_t> Masks(human_being* h)
    {
        std::vector<int32_t> out;
        for (VXR_scripter* s = h->scripts; s; s = s->next)
            out.push_back(s->eventMask);
        return out;
    }
};

TEST_F(SchedulingTest, LoadingGameScripts)
{
    EXPECT_EQ(LoadAndExecuteScript((dir / "missing").c_str()), 0);
    EXPECT_EQ(GameScriptCount(), 0);

    std::string a = Write("a", "seti 1,1\nseti 2,2\n");
    ASSERT_EQ(LoadAndExecuteScript(a.c_str()), 1);
    VXR_scripter* first = baseScript.next;
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->path, a.c_str());
    EXPECT_EQ(strchr(first->text, '\n'), nullptr);
    EXPECT_EQ(StatementCount(first), 2);
    EXPECT_EQ(scriptPtr, &baseScript); // left on the old end of the list

    ASSERT_EQ(LoadAndExecuteScript(a.c_str()), 1);
    EXPECT_EQ(scriptPtr, first);
    EXPECT_EQ(GameScriptCount(), 2);

    // A pass gives each one run; finished scripts stay in the list.
    HandleGameScripts();
    HandleGameScripts();
    EXPECT_EQ(I(2), 2);
    EXPECT_EQ(GameScriptCount(), 2);
    EXPECT_EQ(scriptPtr, nullptr);

    DisposeGameScripts();
    EXPECT_EQ(GameScriptCount(), 0);
}

TEST_F(SchedulingTest, ScriptIncludedDuringAPass)
{
    Write("c", "loop\raddi 3,1\rendloop\r");
    LoadAndExecuteScript(Write("a", "includeScript \"c\"\rloop\raddi 1,1\rendloop\r").c_str());
    LoadAndExecuteScript(Write("b", "loop\raddi 2,1\rendloop\r").c_str());

    // A runs, then the new C; B, between A and the old end, waits for the next pass.
    HandleGameScripts();
    EXPECT_EQ(I(1), 1);
    EXPECT_EQ(I(2), 0);
    EXPECT_EQ(I(3), 1);
    EXPECT_EQ(GameScriptCount(), 3);

    HandleGameScripts();
    EXPECT_EQ(I(1), 2);
    EXPECT_EQ(I(2), 1);
    EXPECT_EQ(I(3), 2);
}

TEST_F(SchedulingTest, TimedScripts)
{
    std::string t = Write("t", "addi 1,1\n");
    gCurrentTime = 10000;
    EXPECT_EQ(InstallTimedScript((dir / "missing").c_str(), 1.0f), 0);
    ASSERT_EQ(InstallTimedScript(t.c_str(), 2.5f), 1);
    VXR_scripter* timed = baseScript.next;
    EXPECT_EQ(timed->startTime, 12500u);
    EXPECT_STREQ(timed->path, "");

    // Through the instruction, with the path under the data root; a missing time is 0.
    LoadAndExecuteScript(Write("g", "timeScript \"t\",1.5\rtimeScript \"t\"\r").c_str());
    gCurrentTime = 11000;
    HandleGameScripts(); // g loads two more; the one without a time runs at once
    EXPECT_EQ(I(1), 1);
    EXPECT_EQ(GameScriptCount(), 4);
    EXPECT_EQ(baseScript.next->next->next->startTime, 12500u);

    gCurrentTime = 12499;
    HandleGameScripts();
    EXPECT_EQ(I(1), 1);
    gCurrentTime = 12500;
    HandleGameScripts();
    EXPECT_EQ(I(1), 3);
}

TEST_F(SchedulingTest, ActorEventMasks)
{
    Write("s1", "loop\raddi 1,1\rendloop\r");
    Write("s2", "loop\rmulti 7,10\raddi 7,2\rendloop\r");
    Write("s6", "loop\rmulti 7,10\raddi 7,6\rendloop\r");
    human_being* actor = AppendNewHuman();
    ASSERT_NE(actor, nullptr);
    strcpy(actor->name, "guard");
    SetHumanScriptsByPaths(actor, "\"s1\",1,\"s2\",2,\"s6\",6");
    EXPECT_EQ(Masks(actor), (std::vector<int32_t>{1, 2, 6}));
    EXPECT_STREQ(actor->scripts->path, "s1");
    EXPECT_EQ(actor->scripts->owner, actor);

    HandleHumanScriptsForMask(1);
    HandleHumanScriptsForMask(1);
    EXPECT_EQ(I(1), 2);
    EXPECT_EQ(I(7), 0);

    // event 2 runs the second and third, in that order, before the next statement.
    LoadAndExecuteScript(Write("g", "get \"guard\"\revent 2\rseti 8,i7\rplayer\revent 2\r").c_str());
    HandleGameScripts();
    EXPECT_EQ(I(7), 26);
    EXPECT_EQ(I(8), 26);
    EXPECT_EQ(I(1), 2);

    ExecuteHumanScriptsForMask(nullptr, 7);
    ExecuteHumanScriptsForMask(actor, 8);
    EXPECT_EQ(I(7), 26);

    // A script with mask 0 never runs.
    Write("s0", "addi 9,1\r");
    SetHumanScriptsByPaths(actor, "\"s0\",0");
    HandleHumanScriptsForMask(-1);
    EXPECT_EQ(I(9), 0);
}

TEST_F(SchedulingTest, PathLists)
{
    ConsoleCapture console;
    Write("a", "addi 1,1\r");
    human_being* actor = AppendNewHuman();
    strcpy(actor->name, "crate");

    // A pair whose file is missing is skipped without a message.
    SetHumanScriptsByPaths(actor, "\"a\",1,\"nofile\",2");
    EXPECT_EQ(Masks(actor), (std::vector<int32_t>{1}));
    EXPECT_TRUE(ConsoleLines().empty());

    // An empty list keeps the scripts.
    SetHumanScriptsByPaths(actor, "");
    EXPECT_EQ(Masks(actor), (std::vector<int32_t>{1}));

    // Malformed lists keep what came before the fault, say so, and never read past the text.
    SetHumanScriptsByPaths(actor, "\"a\",3,\"a");
    EXPECT_EQ(Masks(actor), (std::vector<int32_t>{3}));
    EXPECT_TRUE(console.Contains("crate"));
    SetHumanScriptsByPaths(actor, "garbage");
    EXPECT_EQ(Masks(actor), (std::vector<int32_t>{}));
    SetHumanScriptsByPaths(actor, "\"a\"");
    EXPECT_EQ(Masks(actor), (std::vector<int32_t>{0}));
    SetHumanScriptsByPaths(actor, "\"\",1");
    EXPECT_EQ(Masks(actor), (std::vector<int32_t>{}));
    SetHumanScriptsByPaths(actor, ("\"" + std::string(3000, 'p') + "\",1,\"a\",5").c_str());
    EXPECT_EQ(Masks(actor), (std::vector<int32_t>{}));
    SetHumanScriptsByPaths(actor, "\"a\",12345678901234567890");
    EXPECT_EQ(Masks(actor), (std::vector<int32_t>{INT32_MAX}));
    SetHumanScriptsByPaths(actor, ",\"a\",4,\"a\",5");
    EXPECT_EQ(Masks(actor), (std::vector<int32_t>{4, 5}));

    // Disposing of the actor's scripts drops the macros they declared.
    Write("m", "macro \"lamp\"\r");
    SetHumanScriptsByPaths(actor, "\"m\",1");
    EXPECT_NE(GetMacroScript(VXR_MacroCode("lamp")), nullptr);
    RemoveHumanScripts(actor);
    EXPECT_EQ(actor->scripts, nullptr);
    EXPECT_EQ(GetMacroScript(VXR_MacroCode("lamp")), nullptr);
    RemoveHumanScripts(nullptr);
}

TEST_F(SchedulingTest, ActorsRemovedDuringAWalk)
{
    Write("count", "loop\raddi 1,1\rseti 16,16\rendloop\r");
    human_being* a = AppendNewHuman();
    human_being* b = AppendNewHuman();
    human_being* c = AppendNewHuman();
    strcpy(a->name, "a");
    strcpy(b->name, "b");
    strcpy(c->name, "c");
    for (human_being* h : {a, b, c})
        SetHumanScriptsByPaths(h, "\"count\",1,\"count\",1");

    // a's first script removes b, then a itself: a's second script does not run, b is passed
    // over, c runs both.
    PatchProbe(a->scripts, 2);
    ProbeAction() = [&](char*)
    {
        if (gHumanScriptTarget != a) return;
        RemoveHuman(b);
        RemoveHuman(a);
    };
    HandleHumanScriptsForMask(1);
    EXPECT_EQ(I(1), 3);
    EXPECT_EQ(CountHumans(), 1);
    EXPECT_EQ(baseHuman->next, c);

    // A level load during the walk ends it.
    ProbeAction() = [](char*) { levelChanged = 1; };
    PatchProbe(c->scripts, 2);
    I(1) = 0;
    HandleHumanScriptsForMask(1);
    EXPECT_EQ(I(1), 1);
}

TEST_F(SchedulingTest, LevelLoadDuringAPass)
{
    std::string load = Write("load", "addi 2,1\r");
    LoadAndExecuteScript(Write("a", "seti 1,1\raddi 1,1\r").c_str());
    LoadAndExecuteScript(Write("b", "addi 3,1\r").c_str());
    // The first script starts a level load whose folder has a load script.
    PatchProbe(baseScript.next, 0);
    ProbeAction() = [&](char*)
    {
        levelChanged = 1;
        DisposeGameScripts();
        LoadAndExecuteScript(load.c_str());
    };
    HandleGameScripts();
    EXPECT_EQ(I(1), 0);
    EXPECT_EQ(I(2), 0); // the new script's run returns at once while the load is flagged
    EXPECT_EQ(I(3), 0);
    EXPECT_EQ(GameScriptCount(), 1);
    levelChanged = 0;
    HandleGameScripts();
    EXPECT_EQ(I(2), 1);

    // Without a load script the pass simply ends.
    LoadAndExecuteScript(Write("c", "addi 4,1\r").c_str());
    LoadAndExecuteScript(Write("d", "addi 5,1\r").c_str());
    PatchProbe(baseScript.next->next, 0);
    ProbeAction() = [](char*)
    {
        levelChanged = 1;
        DisposeGameScripts();
    };
    HandleGameScripts();
    EXPECT_EQ(I(5), 0);
    EXPECT_EQ(GameScriptCount(), 0);
}

TEST_F(SchedulingTest, SingleInstructions)
{
    EXPECT_EQ(ExecuteVXRCommand("", "1,5"), 1);
    EXPECT_EQ(ExecuteVXRCommand("seti", "1,5"), 1);
    EXPECT_EQ(I(1), 5);
    EXPECT_EQ(ExecuteVXRCommand("NULL", ""), 0);
    EXPECT_EQ(ExecuteVXRCommand("Seti", "1,6"), 0);
    EXPECT_EQ(I(1), 5);
    // Behaves like the statement with the same text.
    ExecuteVXRCommand("sets", "2,\"Stand\"");
    EXPECT_STREQ(gScriptVars.s[1], "Stand");
    ConsoleCapture console;
    EXPECT_EQ(ExecuteVXRCommand("sets", ("3,\"" + std::string(200, 'x') + "\"").c_str()), 1);
    EXPECT_TRUE(console.Contains("longer than 64"));
}

} // namespace
