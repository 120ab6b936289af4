// What the level editor rests on, through the script instructions that reach it: saves that
// change only the lines that changed, the level's start kept apart from the player, names that go
// on with the level's numbering, undo and redo (also across a save), copy and paste, and "save
// as" refusing names and replacing only when asked. The editor session replayed in replay_test.cpp
// plays the rest through the demo's editor: a level reloaded after a save, "save" writing the new
// folder after "save as", and that folder's copied files and models.
#include "world/level.h"

#include "script/variables.h"
#include "world/camera.h"
#include "world/level_copy.h"
#include "world/level_edits.h"
#include "world/level_folder_fixture.h"

#include <filesystem>

class LevelEdits : public LevelFolderTest
{
  protected:
    void SetUp() override
    {
        LevelFolderTest::SetUp();
        // Written by hand, as a designer does: short numbers, a name spelt with a capital.
        WriteTextFile(level + "person", "crate,1,0,2,0,0,0,0,0,100,100,Crate1\n"
                                        "crate,-2.5,0,4,0,90,0,0,0,100,80,Crate2\n"
                                        "box,0,0,-3,0,180,0,1,1,100,100,Guard,\"Data/guard\",1\n"
                                        "crate,6,0,6,0,0,0,0,0,100,100,Crate4");
        WriteTextFile(level + "starting", "0\n1\n5\n0\n-25\n0\n");
        LoadLevel(level.c_str());
        ASSERT_EQ(Actors().size(), 4u);
    }
    std::string Person() { return ReadTextFile(level + "person"); }
    // What can be undone and redone, and whether something is unsaved.
    std::vector<int> Counts()
    {
        int undoable = -1, redoable = -1, unsaved = -1;
        LevelEditCounts(&undoable, &redoable, &unsaved);
        return {undoable, redoable, unsaved};
    }
    std::vector<std::string> Names()
    {
        std::vector<std::string> out;
        for (human_being* h : Actors())
            out.push_back(h->name);
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(LevelEdits, ASaveChangesOnlyTheLinesThatChangedAndKeepsTheStart)
{
    // (Nothing changed, the files come back byte for byte: the untrusted levels test's, with lines
    // that did not load.)
    // The player walks off: the start stays where the file put it.
    entfl = -30.0f, viewangle = 77.0f;
    // Crate2 moves (a negative zero is written as 0), Crate1 goes, a new crate comes.
    RunLines(
        {"get \"Crate2\"", "put -0.0000001,0,4.25", "get \"Crate1\"", "off", "make \"crate\"", "put 3,0,3"});
    ASSERT_EQ(SaveCurrentLevel(), 1);
    EXPECT_EQ(Person(), "crate,0,0,4.25,0,90,0,0,0,100,80,Crate2\n"
                        "box,0,0,-3,0,180,0,1,1,100,100,Guard,\"Data/guard\",1\n"
                        "crate,6,0,6,0,0,0,0,0,100,100,Crate4\n"
                        "crate,3,0,3,0,0,0,0,1,100,100,Crate1");
    EXPECT_EQ(ReadTextFile(level + "starting"), "0\n1\n5\n0\n-25\n0\n");

    // Only "setStart" moves the start: to where the player stands and looks.
    Run("setStart");
    ASSERT_EQ(SaveCurrentLevel(), 1);
    EXPECT_EQ(ReadTextFile(level + "starting"), "30\n1\n5\n0\n77\n0\n");
}

TEST_F(LevelEdits, NewAndPastedActorsGoOnWithTheLevelsOwnNumbering)
{
    // Crate1, Crate2 and Crate4 are there: the next crate is Crate3, spelt as the level spells it,
    // and the one after that Crate5; a crate1 beside Crate1 is never made. A model the level has not
    // numbered yet starts at 1, spelt as the model is.
    std::string made;
    for (const char* model : {"\"crate\"", "\"crate\"", "\"box\""})
        Run("make", model), made += std::string(selHuman->name) + " ";
    EXPECT_EQ(made, "Crate3 Crate5 box1 ");
    // A freed number is used again, by a pasted actor like the copied one too; nothing is pasted
    // before something is copied.
    Run("paste");
    EXPECT_EQ(Actors().size(), 7u);
    RunLines({"get \"Crate2\"", "copy", "off", "edit", "paste"});
    EXPECT_EQ(std::string(selHuman->name), "Crate2");
    EXPECT_TRUE(selHuman->rotation.y == 90.0f && selHuman->scale == 80.0f);
    // A pasted actor is an edit like any other: undone, the deleted Crate2 stays deleted.
    Run("undo");
    EXPECT_EQ(GetHumanByName("Crate2"), nullptr);
}

TEST_F(LevelEdits, UndoAndRedoTakeBackEveryEditAlsoAcrossASave)
{
    EXPECT_EQ(Counts(), (std::vector<int>{0, 0, 0}));
    RunLines({"get \"Crate1\"", "put 1.5,0,2", "edit", "spin 0,45,0", "size 150", "edit", "get \"Guard\"",
              "off", "edit", "make \"crate\""});
    // The last edit is not closed: undo closes it first and takes it back.
    Run("history", "4");
    EXPECT_TRUE(gScriptVars.i[3] == 4 && gScriptVars.i[4] == 0 && gScriptVars.i[5] == 1);
    Run("undo", "2");
    EXPECT_EQ(gScriptVars.i[1], 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Crate1", "Crate2", "Crate4"}));
    // The guard comes back with its name, its scripts and its place in the file.
    Run("undo");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Crate1", "Crate2", "Crate4", "Guard"}));
    const human_being* guard = GetHumanByName("Guard");
    EXPECT_TRUE(guard && guard->scripts && std::string(guard->scripts->path) == "Data/guard");
    Run("undo");
    human_being* crate = GetHumanByName("Crate1");
    EXPECT_EQ(Nums(crate->position.x, crate->rotation.y, crate->scale), "1.5 0 100");
    EXPECT_FLOAT_EQ(ModelSize(crate), 330 / 660.0f); // the model's size went back with the scale
    Run("redo", "3");
    EXPECT_TRUE(gScriptVars.i[2] == 1 && crate->rotation.y == 45.0f && crate->scale == 150.0f);

    // Saved now: the history goes on, and undoing back to the save leaves nothing unsaved.
    ASSERT_EQ(SaveCurrentLevel(), 1);
    EXPECT_EQ(Counts(), (std::vector<int>{2, 2, 0}));
    RunLines({"undo", "undo"});
    EXPECT_EQ(Counts(), (std::vector<int>{0, 4, 1}));
    // Redone and undone after that save, the guard's line is back in its place.
    RunLines({"redo 3", "undo"});
    ASSERT_EQ(SaveCurrentLevel(), 1);
    EXPECT_EQ(Person().find("box,0,0,-3,0,180,0,1,1,100,100,Guard,\"Data/guard\",1\ncrate,6"),
              Person().find("box,"));

    // A new edit drops what could be redone.
    RunLines({"get \"Crate4\"", "put 0,0,0", "redo 1"});
    EXPECT_EQ(gScriptVars.i[0], 0);
}

TEST_F(LevelEdits, SaveAsRefusesNamesLeavingLevelsAndReplacesOnlyWhenAsked)
{
    // Names that would leave Levels/, hide, or name nothing are refused; nothing is made. (A new
    // folder saved as, made the level's folder, the old one left as it was, is the editor
    // session's replay test's.)
    for (const char* bad : {"", "../out", "a/b", ".hidden", " x", "x:y"})
    {
        LevelConsole().clear();
        EXPECT_TRUE(SaveLevelAs(bad, 0) == 0 && console.Has("//Save as")) << bad;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "Levels"));

    // A folder that is there is written over only when asked to.
    WriteTextFile(dir / "Levels/taken/notes", "mine");
    EXPECT_NE(Run("saveAs", "\"taken\"").find("saveAs \"taken\",replace"), std::string::npos);
    EXPECT_FALSE(FileExists(dir / "Levels/taken/person"));
    WriteTextFile(level + "Models/parts/arm", "a model in a folder of the level's models");
    Run("saveAs", "\"taken\",replace");
    EXPECT_TRUE(FileExists(dir / "Levels/taken/person") && FileExists(dir / "Levels/taken/Models/parts/arm"));
    EXPECT_EQ(ReadTextFile(dir / "Levels/taken/notes"), "mine");
}
