// Levels made by strangers and kept by designers: hostile files end a load at once, nothing
// outside the data folder is read or written, and a save never loses what it did not load nor
// writes what the loader would refuse. (A save after a failed level change is the level test's;
// the flood of actors past the roster's limit is the untrusted run's.)
#include "world/level.h"

#include "script/variables.h"
#include "world/camera.h"
#include "world/level_folder_fixture.h"

#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

class UntrustedLevels : public LevelFolderTest
{
  protected:
    void WriteLevel(const std::string& folder, const char* person = "box,1,0,0,0,0,0,0,1,100,100,Keeper")
    {
        WriteTextFile(folder + "person", person);
        WriteTextFile(folder + "starting", "1\n2\n3\n0\n0\n0\n");
        WriteTextFile(folder + "tint", "0.5, 0.5, 0.5\n");
        WriteTextFile(folder + "level models", "box,0,0,0,0,0,0,100\n");
    }
};

TEST_F(UntrustedLevels, LinesThatDidNotLoadAreSavedBackUnchangedInTheirPlace)
{
    // A renamed model, a note, a line without a model name, and what follows the empty line that
    // ends each list: none of it loads, all of it is written back where it stood.
    const std::string person = "box,1,0,0,0,0,0,0,1,100,100,First\n"
                               "ghost,2,0,0,0,0,0,0,1,100,100,Gone,\"Data/guard\",1\n"
                               "# a note of the designer's\n"
                               "box,3,0,0,0,0,0,0,1,100,100,Second\n"
                               ",4,5\n"
                               "\n"
                               "crate,9,0,0,0,0,0,0,1,100,100,AfterTheEnd\n";
    const std::string models = "box,0,0,0,0,0,0,100\n"
                               "renamed,1,1,1,0,0,0,100\n"
                               "box,2,0,0,0,90,0,50\n"
                               "\n"
                               "kept after the end\n";
    WriteLevel(level, person.c_str());
    WriteTextFile(level + "level models", models);
    LoadLevel(level.c_str());
    ASSERT_TRUE(Actors().size() == 2 && SaveCurrentLevel() == 1);
    // Nothing changed: the files are written back byte for byte.
    EXPECT_EQ(ReadTextFile(level + "person") + ReadTextFile(level + "level models"), person + models);
    // Once the model is back, the line loads like any other; an actor added goes after them.
    WriteTextFile(dir / "Models/ghost", TriangleModel(660));
    LoadLevel(level.c_str());
    ASSERT_EQ(Actors().size(), 3u);
    EXPECT_EQ(Actors()[1]->scripts ? std::string(Actors()[1]->scripts->path) : "", "Data/guard");
    ExecuteVXRCommand("make", "\"crate\"");
    EXPECT_EQ(SaveCurrentLevel(), 1);
    const std::string saved = ReadTextFile(level + "person");
    EXPECT_LT(saved.find("# a note"), saved.find("Second"));
    EXPECT_LT(saved.find(",4,5\ncrate,"), saved.find("\n\ncrate,9,0"));
}

TEST_F(UntrustedLevels, HostileLevelFilesEndTheLoadAtOnceAndAreNeverSavedOver)
{
    WriteLevel(level);
    // person: a FIFO no one writes to; tint: a link to an endless device; level models: 1 GB of
    // nothing, sparse.
    ASSERT_TRUE(std::filesystem::remove(level + "person") && mkfifo((level + "person").c_str(), 0600) == 0);
    ASSERT_TRUE(std::filesystem::remove(level + "tint") &&
                symlink("/dev/zero", (level + "tint").c_str()) == 0);
    ASSERT_EQ(0, truncate((level + "level models").c_str(), 1LL << 30));
    LoadLevel(level.c_str());
    EXPECT_TRUE(console.Has("//Could not read " + level + "person: it is a FIFO, not a regular file"));
    EXPECT_TRUE(console.Has("//Could not read " + level + "tint: it leads outside the data folder"));
    EXPECT_TRUE(console.Has("//Could not read " + level + "level models: it is 1024.0 MB, over the 16 MB"));
    EXPECT_STREQ(currentLevelFolder, level.c_str()); // "starting" made it a level
    // Saving would replace three files nobody could read: refused, they stay as they are.
    EXPECT_NE(Run("save", "").find("its file \"person\" was there but could not be read"), std::string::npos);
    struct stat info;
    EXPECT_TRUE(lstat((level + "person").c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    EXPECT_TRUE(lstat((level + "tint").c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    // With only the tint unreadable, the save names it.
    std::filesystem::remove(level + "person");
    WriteLevel(level);
    LoadLevel(level.c_str());
    EXPECT_NE(Run("save", "").find("its file \"tint\" was there but could not be read"), std::string::npos);
    EXPECT_EQ(ReadTextFile(level + "person"), "box,1,0,0,0,0,0,0,1,100,100,Keeper");
}

TEST_F(UntrustedLevels, NothingOutsideTheDataFolderIsReadOrWritten)
{
    // Outside: a level whose person file names a secret, and a file the writers must not reach.
    const std::string outside = dir.path + "-outside/";
    WriteLevel(outside, "box,1,0,0,0,0,0,0,1,100,100,Stranger");
    WriteTextFile(outside + "secret", "untouched");
    WriteLevel(level);
    ASSERT_EQ(0, symlink(outside.c_str(), (dir / "levels/away").c_str()));

    LoadLevel(level.c_str());
    // The level folder that leads out is no level: nothing of it loads, and the current level
    // stays the one to save.
    EXPECT_TRUE(Run("level", "\"levels/away\"").find("Loading failed") != std::string::npos);
    EXPECT_EQ(Actors().size(), 0u);
    EXPECT_EQ(Run("save", "").find("Stranger"), std::string::npos);
    LoadLevel(level.c_str());
    ASSERT_EQ(Actors().size(), 1u);
    // The save's temporary name is a link out: it is replaced instead of followed. (The key frame
    // and the pose files go through the same safe write.)
    ASSERT_EQ(0, symlink((outside + "secret").c_str(), (level + "person.saving").c_str()));
    EXPECT_EQ(Run("save", ""), "");
    EXPECT_EQ(ReadTextFile(outside + "secret"), "untouched");
    EXPECT_EQ(ReadTextFile(outside + "person"), "box,1,0,0,0,0,0,0,1,100,100,Stranger");
}

TEST_F(UntrustedLevels, SavePosesReplacesOnlyPoseFilesAndNumbersNoLevelFileCanHoldAreRefused)
{
    WriteLevel(level);
    LoadLevel(level.c_str());
    selHuman = Actors()[0];
    WriteTextFile(dir / "Data/game script", "level \"levels/one\"\n");
    WriteTextFile(dir / "Models/old", "VXR_Poses\nStand\n{\n}\n");
    WriteTextFile(dir / "Models/empty", "");
    EXPECT_EQ(Run("savePoses", "\"Data/game script\""),
              "//savePoses: " + dir.path +
                  "/Data/game script is not a pose file (its first line is not "
                  "\"VXR_Poses\"); it is left as it is and nothing was written\n");
    EXPECT_NE(Run("savePoses", "\"Data\"").find("is not a pose file (it is a folder)"), std::string::npos);
    EXPECT_EQ(ReadTextFile(dir / "Data/game script"), "level \"levels/one\"\n");
    // A pose file, an empty file and a new name are written, past what a killed save left.
    WriteTextFile(dir / "Models/new.saving", "VXR_Poses\nhalf");
    for (const char* name : {"Models/old", "Models/empty", "Models/new"})
    {
        EXPECT_EQ(Run("savePoses", ("\"" + std::string(name) + "\"").c_str()), "") << name;
        EXPECT_EQ(ReadTextFile(dir / name).rfind("VXR_Poses\n", 0), 0u) << name;
    }

    // Numbers no level file can hold are refused, so that every save loads again. 3e38 * 1e10 is past a
    // float's range: every instruction that would store it refuses.
    RunLines({"setf 1,3e38", "setf 2,0", "setf 3,0", "multf 1,1e10"});
    for (const char* instruction : {"put", "spin", "size", "goto", "setSpeed", "go", "rgb"})
        EXPECT_NE(Run(instruction).find("not a finite number"), std::string::npos) << instruction;
    Run("setf", "1,nan");
    EXPECT_NE(Run("put").find("not a finite number"), std::string::npos);
    selHuman = nullptr; // the player
    EXPECT_NE(Run("put").find("not a finite number"), std::string::npos);
    // Nothing changed, and what is saved loads again to the same level.
    EXPECT_EQ(Run("save"), "");
    LoadLevel(level.c_str());
    EXPECT_EQ(LevelConsole(), (std::vector<std::string>{"//Loading level"}));
    ASSERT_TRUE(Actors().size() == 1 && Actors()[0]->position.x == 1.0f);
    // A state gone wrong some other way is still not written.
    Actors()[0]->rotation.y = INFINITY;
    EXPECT_NE(Run("save").find("actor Keeper has a position, angle or size that is not a number"),
              std::string::npos);
}
