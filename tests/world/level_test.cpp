// Loading level folders: which files make a level and how missing ones are reported, a folder
// that is none, the unload of everything the previous level owned, level model placement and the
// start. (What a save writes is the level edits test's, to the byte; the demo's levels saved and
// compared field by field are the demo game test's.)
#include "world/level.h"

#include "resources/textures.h"
#include "script/script_records.h"
#include "world/camera.h"
#include "world/geometry.h"
#include "world/player.h"
#include "model/draw_model.h"
#include "world/level_folder_fixture.h"

#include <GL/gl.h>

#include <cstring>
#include <filesystem>

using Levels = LevelFolderTest;

TEST_F(Levels, AnyOfTheFourFilesMakesALevelAndEachMissingOneIsReportedInOrder)
{
    // Which of m(odels), t(int), p(erson), s(tarting) are there, and the lines after "//Failed to
    // load level ".
    const std::pair<const char*, std::string> cases[] = {
        {"s", "models!\n//Failed to load tint color!\n//Failed to load level objects!\n"},
        {"p", "models!\n//Failed to load tint color!\n//Failed to load starting position!\n"},
        {"mt", "objects!\n//Failed to load starting position!\n"},
    };
    int n = 0;
    for (const auto& [files, lines] : cases)
    {
        std::string folder = dir / ("levels/case" + std::to_string(n++) + "/");
        if (strchr(files, 'm')) WriteTextFile(folder + "level models", "box,0,0,0,0,0,0,100\n");
        if (strchr(files, 't')) WriteTextFile(folder + "tint", "1, 1, 1\n");
        if (strchr(files, 'p')) WriteTextFile(folder + "person", "crate,0,0,0,0,0,0,0,1,100,100");
        if (strchr(files, 's')) WriteTextFile(folder + "starting", "1\n2\n3\n4\n45\n0\n");
        LevelConsole().clear(), levelChanged = 0;
        LoadLevel(folder.c_str());
        EXPECT_EQ(Said(), "//Loading level\n//Failed to load level " + lines) << files;
        EXPECT_TRUE(currentLevelFolder == folder && levelChanged == 1 && LevelDialogs().empty());
    }
    // The first folder's player stands at its start position (the second has none, so stays).
    EXPECT_EQ(entfl * 100 + updown * 10 + entf, -100.0f - 20 - 3);
    EXPECT_EQ(viewangle, 45.0f);
    // A script's "level" names the folder from the data folder, ':' standing for '/'. (Names that
    // leave the data folder are the data folder test's; that "save" then writes the loaded level's
    // folder is the editor session's replay test's.)
    levelChanged = 0;
    ASSERT_EQ(ExecuteVXRCommand("level", "\"levels:case1\""), 1);
    EXPECT_TRUE(currentLevelFolder == dir / "levels/case1/" && levelChanged == 1);
}

TEST_F(Levels, AFolderWithNoneOfTheFourIsRefusedAndNothingIsSavedUntilALevelLoadsAgain)
{
    WriteTextFile(level + "starting", "0\n0\n0\n0\n0\n0\n");
    WriteTextFile(level + "person", "box,1,0,0,0,0,0,0,1,100,100,Keeper");
    LoadLevel(level.c_str());
    ASSERT_EQ(Actors().size(), 1u);

    const std::string empty = dir / "levels/empty/";
    WriteTextFile(empty + "load script", "addi 1,1\n"), LevelConsole().clear();
    LoadLevel(empty.c_str());
    EXPECT_EQ(LevelDialogs(), std::vector<std::string>{"This is not a valid level folder:\n" + empty});
    EXPECT_EQ(Said(), "//Loading level\n//Loading failed. Chosen folder is not a valid level folder.\n");
    EXPECT_STREQ(currentLevelFolder, level.c_str());
    // The old level is gone all the same; what the folder's script made stays.
    EXPECT_TRUE(Actors().empty());
    EXPECT_TRUE(baseScript.next && baseScript.next->path == empty + "load script");
    // Saving the emptied world over the level is refused, a key frame too.
    EXPECT_NE(Run("save").find("//Could not save " + level + ": the last level load failed"),
              std::string::npos);
    EXPECT_NE(Run("savekey", "1").find("//Could not save the key frame"), std::string::npos);
    EXPECT_EQ(ReadTextFile(level + "person"), "box,1,0,0,0,0,0,0,1,100,100,Keeper");
    EXPECT_FALSE(FileExists(level + "keyframe1"));

    // An empty folder name is no load at all.
    levelChanged = 0, LevelConsole().clear();
    LoadLevel("");
    EXPECT_TRUE(levelChanged == 0 && LevelConsole().empty() && baseScript.next);
    // (That a level loaded again is saved is the untrusted levels test's, after a folder leading
    // out of the data folder failed to load.)
}

TEST_F(Levels, LoadingALevelUnloadsEverythingThePreviousOneOwned)
{
    ASSERT_TRUE(EnsureTestGL());
    ASSERT_TRUE(WriteTestPng(dir / "Textures/wall.png", 1, 1, PNG_COLOR_TYPE_RGB, 8, {255, 0, 0}));
    WriteTextFile(level + "tex", "Textures/wall.png\n");
    WriteTextFile(level + "level models", "box,0,0,0,0,0,0,100\ncrate,0,0,5,0,0,0,100\n");
    WriteTextFile(level + "person",
                  "crate,0,0,0,0,0,0,0,1,100,100,A,\"Data/guard\",1\ncrate,0,0,0,0,0,0,0,1,100,100");
    WriteTextFile(level + "load script", "macro \"jump\"\naddi 1,1\n");
    LoadLevel(level.c_str());
    ASSERT_TRUE(Actors().size() == 2 && baseTexture.next);
    GLuint texture = baseTexture.next->glName;
    EXPECT_STREQ(baseTexture.next->fileName, "wall.png");
    EXPECT_TRUE(glIsTexture(texture) && ListOf(baseQ.next).size() == 2 && baseMacro.next && baseScript.next);
    selHuman = Actors()[0];

    const std::string next = dir / "levels/two/";
    WriteTextFile(next + "starting", "0\n0\n0\n0\n0\n0\n");
    LoadLevel(next.c_str());
    EXPECT_TRUE(Actors().empty() && !selHuman && !baseTexture.next && !glIsTexture(texture));
    EXPECT_TRUE(!baseLevelMesh.next && !baseQ.next && gNumPlatforms == 0 && !baseP.next && !baseWall.next);
    EXPECT_TRUE(!baseMacro.next && !baseScript.next);
}

TEST_F(Levels, LevelModelsArePlacedWithTheirScaleFromEitherModelsFolder)
{
    WriteTextFile(level + "level models", "box,1,0,0,0,0,0,0\r\n"
                                          "crate,0,0,0,0,90,0,-50\r\n"
                                          "barrel,0,0,0,0,0,0,250\r\n"
                                          "barrel,0,0,0,0,0,0,300\r\n"
                                          "box,0,2,0,0,0,0\r\n");
    ASSERT_EQ(LoadLevelModels((level + "level models").c_str()), 1);
    std::vector<mesh_mod*> models = ListOf(baseLevelMesh.next);
    ASSERT_TRUE(models.size() == 3 && levelMeshPtr == models[2]);
    // Scale 0 and below are 100; a line without a scale takes the line before's (the skipped one's).
    EXPECT_EQ((std::vector<float>{100, 100, 300, 90}),
              (std::vector<float>{models[0]->placementScale, models[1]->placementScale,
                                  models[2]->placementScale, models[1]->placementRotation.y}));
    // The level's own box (2 wide) moved to x = 1; the last one is scaled 3 and raised by 2.
    const vtx_typ *first = models[0]->vertexListHead.next->next, *last = models[2]->vertexListHead.next->next;
    EXPECT_EQ(Nums(first->x, last->x, last->y), "3 6 2");
    EXPECT_TRUE(models[0]->owner == nullptr && ListOf(baseQ.next).size() == 3);
    // A model that is not there is looked for and said once, however many lines name it.
    ASSERT_EQ(LevelConsole().size(), 1u);
    EXPECT_EQ(LevelConsole()[0].rfind("//Failed to load level model: barrel (", 0), 0u);
}

TEST_F(Levels, TheStartPutsThePlayerOnTheGroundAndRestoresHealthAndTint)
{
    // A floor at height 0 under the start: an eye started lower than 1.0 above it is lifted,
    // one started higher is left to fall the difference.
    WriteTextFile(dir / "Models/floor",
                  "floor\nmodel\n0 -3300 0 -3300\n1 3300 0 -3300\n2 0 0 3300\nEDGES\n"
                  "MATERIAL Plain 65535 65535 65535 1 0 0 0 0 0 0 0 0 0 0\n0 2 1\nEND\n");
    WriteTextFile(level + "level models", "floor,0,0,0,0,0,0,100\n");
    WriteTextFile(level + "tint", "0.5, 0.5, 0.5\n");
    const std::tuple<const char*, float, float> cases[] = {{"0.8", -1.0f, 0.0f}, {"3", -3.0f, 2.0f}};
    for (const auto& [y, wantUpdown, wantFall] : cases)
    {
        WriteTextFile(level + "starting", std::string("0\n") + y + "\n0\n0\n0\n0\n");
        fall = 0.0f, healthPercentage = 10.0f, tintColor = fastVector_Set(1, 1, 1);
        LoadLevel(level.c_str());
        EXPECT_EQ(Nums(updown, fall, healthPercentage), Nums(wantUpdown, wantFall, 100));
        EXPECT_EQ(tintColor.x + tintColor.y + tintColor.z, 1.5f);
    }
}
