// Every file name a script instruction, a level file or a list read at start-up gives stays inside
// the data folder: an absolute name, a ".." name (with either separator, as deep as a name put
// behind "Models/" or a level's "Models/" needs) and an over-long name are tried for each, with
// the game's own setup (an empty routePath and the data folder as working directory), and each of
// the things placed outside it must stay unread and unwritten.
#include "app/script_hooks.h"
#include "model/model_fixtures.h"
#include "platform/fsound.h"
#include "resources/animated_textures.h"
#include "resources/paths.h"
#include "resources/sound_list.h"
#include "resources/textures.h"
#include "script/scheduling.h"
#include "script/variables.h"
#include "world/camera.h"
#include "world/humans.h"
#include "world/level.h"

#include <filesystem>
#include <unistd.h>

static std::vector<std::string> Listing(const std::string& folder)
{
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        out.push_back(entry.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

// A frame that was loaded has an image; a refused one is never created or stays empty.
static int FrameWidth(GLuint frame)
{
    GLint width = 0;
    if (!frame) return 0;
    glBindTexture(GL_TEXTURE_2D, frame), glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    return int(width);
}

struct DataFolderPaths : ::testing::Test
{
    TempDir root;
    std::string data = root / "data/", outside = root / "outside/", demo = SourceDir() + "/demo/";
    char savedCwd[4096] = "";

    void SetUp() override
    {
        ASSERT_TRUE(EnsureTestGL()); // animation frames are textures
        // Inside: the humanoid, which the cases that need an actor use. Outside: one of each thing
        // a name could reach.
        for (const char* f : {"humanoid", "humanoid_poses"})
            ASSERT_TRUE(WriteTextFile(data + "Models/" + f, ReadTextFile(demo + "Models/" + f)));
        const std::pair<const char*, std::string> things[] = {
            {"script", "seti 9,666\n"},
            {"thing", ReadTextFile(demo + "Models/humanoid")},
            {"thing_poses", "VXR_Poses\nOutside\n{\n}\n"},
            {"Models/thing", ReadTextFile(demo + "Models/humanoid")},
            {"pic.png", ReadTextFile(demo + "Models/humanoid0.png")},
            {"level/starting", "7\n7\n7\n0\n0\n0\n"},
            {"step.wav", ReadTextFile(demo + "Sounds/step.wav")},
            {"anim/info.txt", "1\n100\nfr\n"},
            {"anim/fr 01.png", ReadTextFile(demo + "Models/humanoid0.png")}};
        for (const auto& [name, text] : things)
            ASSERT_TRUE(WriteTextFile(outside + name, text));
        ASSERT_TRUE(getcwd(savedCwd, sizeof savedCwd) && chdir(data.c_str()) == 0);
        routePath[0] = 0, entfl = updown = entf = 0.0f;
        RegisterScriptHooks(), VXR_Init(), memset(&gScriptVars, 0, sizeof gScriptVars);
    }
    void TearDown() override
    {
        VXR_Init();
        if (savedCwd[0] && chdir(savedCwd) != 0) ADD_FAILURE() << "cannot go back to " << savedCwd;
    }

    // Loads the level folder "lvl" with file written in it.
    void LoadLevelWith(const std::string& file, const std::string& text)
    {
        ASSERT_TRUE(WriteTextFile(data + "lvl/" + file, text));
        ASSERT_TRUE(WriteTextFile(data + "lvl/starting", "0\n0\n0\n0\n0\n0\n"));
        LoadLevel("lvl/"), levelChanged = 0;
    }
};

TEST_F(DataFolderPaths, NoInstructionLevelFileOrListReachesOutside)
{
    ASSERT_TRUE(FSOUND_InitLoopback(44100, 8));
    const std::vector<std::string> before = Listing(outside);
    ASSERT_TRUE(WriteTextFile(data + "Animations/winlist.txt", "2 \"in\",\"x\"\n"));
    for (const std::string& out : {outside, std::string("../outside/"), std::string("../../outside/"),
                                   std::string("../../../outside/"), std::string("..:..:outside:"),
                                   std::string(3000, 'a') + "/../../outside/"})
    {
        SCOPED_TRACE(out.substr(0, 80));
        const bool said = out.size() < 200; // a name cut to a line's limit is no name to repeat
        for (const char* instruction : {"includeScript", "timeScript"})
        {
            ExecuteVXRCommand(instruction, ("\"" + out + "script\",0").c_str());
            HandleGameScripts(), HandleGameScripts();
            EXPECT_NE(666, gScriptVars.i[8]) << instruction;
            DisposeGameScripts();
        }
        ExecuteVXRCommand("level", ("\"" + out + "level\"").c_str()), levelChanged = 0;
        EXPECT_NE(-7.0f, entfl) << "level";
        ExecuteVXRCommand("make", ("\"" + out + "thing\"").c_str());
        EXPECT_EQ(0, CountHumans()) << "make";
        ExecuteVXRCommand("make", "\"humanoid\"");
        ASSERT_EQ(1, CountHumans());
        // A name cut to the argument limit names no file, which leaves the actor without poses.
        ExecuteVXRCommand("loadPoses", ("\"" + out + "thing_poses\"").c_str());
        for (pose_struct* p = selHuman->model->poseListHead.next; p; p = p->next)
            EXPECT_STRNE("Outside", p->name) << "loadPoses";
        ExecuteVXRCommand("savePoses", ("\"" + out + "written_poses\"").c_str());

        // Level file fields: a level model, an actor's model and script, a texture list entry.
        ASSERT_TRUE(WriteTextFile(data + "lvl/level models", out + "thing,0,0,0,0,0,0,100\n"));
        ASSERT_TRUE(WriteTextFile(data + "lvl/tex", out + "pic.png\n"));
        LoadLevelWith("person",
                      out + "thing,0,0,0,0,0,0,1,1,100,100,Out\nhumanoid,0,0,0,0,0,0,1,1,100,100,In,\"" +
                          out + "script\",1\n");
        EXPECT_TRUE(!baseLevelMesh.next && !baseTexture.next) << "level model, texture list";
        ASSERT_EQ(1, CountHumans()) << "person model";
        EXPECT_EQ(nullptr, baseHuman->next->scripts) << "person script";
        std::filesystem::remove_all(data + "lvl"), LoadLevelWith("starting", "0\n0\n0\n0\n0\n0\n");

        // The lists read at start-up: the model precache file, the sound list, the animation list
        // and the info file of an animation folder (a line longer than 513 is cut anyway).
        ASSERT_TRUE(WriteTextFile(data + "cache", out + "thing\n"));
        ImportAllMeshworkModels();
        EXPECT_EQ(nullptr, baseMesh->next) << "cache";
        ASSERT_TRUE(WriteTextFile(data + "Sounds/list", "1 " + out + "step.wav\n"));
        ConsoleCapture console;
        LoadSoundFiles("Sounds/list");
        EXPECT_EQ(nullptr, gAllSamples[1]) << "sound list";
        EXPECT_TRUE(!said || console.Has("//Sound list Sounds/list line 1: the path \"" + out +
                                         "step.wav\" is refused"));
        ASSERT_TRUE(WriteTextFile(data + "Animations/winlist.txt", "1 \"" + out + "anim\",\"x\"\n"));
        LoadAnimationFiles("Animations/winlist.txt");
        EXPECT_EQ(0, FrameWidth(gTextureAnimations[0].frames[0])) << "animation list";
        EXPECT_TRUE(!said || console.Has("//Animation list Animations/winlist.txt line 1: the path \"" + out +
                                         "anim\" is refused"));
        ASSERT_TRUE(WriteTextFile(data + "Animations/winlist.txt", "2 \"in\",\"x\"\n"));
        ASSERT_TRUE(
            WriteTextFile(data + "in/info.txt", "1\n100\n" + (out + "anim/fr").substr(0, 500) + "\n"));
        LoadAnimationFiles("Animations/winlist.txt");
        EXPECT_EQ(0, FrameWidth(gTextureAnimations[1].frames[0])) << "animation info";
    }
    EXPECT_EQ(before, Listing(outside)) << "a file was written outside the data folder";

    // The same lists with files of their own load them: the checks above can see a load.
    ASSERT_TRUE(WriteTextFile(data + "in/info.txt", "1\n100\nfr\n"));
    ASSERT_TRUE(WriteTextFile(data + "in/fr 01.png", ReadTextFile(demo + "Models/humanoid0.png")));
    LoadAnimationFiles("Animations/winlist.txt");
    EXPECT_GT(FrameWidth(gTextureAnimations[1].frames[0]), 0);
    ASSERT_TRUE(WriteTextFile(data + "Sounds/list", "1 Sounds/step.wav\n"));
    ASSERT_TRUE(WriteTextFile(data + "Sounds/step.wav", ReadTextFile(demo + "Sounds/step.wav")));
    LoadSoundFiles("Sounds/list");
    EXPECT_NE(nullptr, gAllSamples[1]);
    FreeSoundFiles(), FSOUND_Close();
}
