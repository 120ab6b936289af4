// Every file name a script instruction or a level file gives stays inside the data folder: an
// absolute name, a ".." name (with either separator) and an over-long name are tried for each,
// with the game's own setup (an empty routePath and the data folder as working directory), and
// each of the things placed outside it must stay unread and unwritten.
#include "app/script_hooks.h"
#include "model/loader.h"
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

#include <SDL.h>
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

namespace
{

std::vector<std::string> Listing(const std::string& folder)
{
    std::vector<std::string> out;
    DIR* d = opendir(folder.c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
        out.push_back(e->d_name);
    if (d) closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

struct DataFolderPaths : ::testing::Test
{
    TempDir root;
    std::string data, outside;
    char savedCwd[4096] = "";

    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        static SDL_Window* window = nullptr;
        if (!window && SDL_Init(SDL_INIT_VIDEO) == 0)
        {
            window = SDL_CreateWindow("paths", 0, 0, 32, 32, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
            if (window) SDL_GL_CreateContext(window);
        }
        data = root / "data/";
        outside = root / "outside/";
        const std::string demo = SourceDir() + "/demo/";
        // Inside: the humanoid, which the cases that need an actor use.
        for (const char* f : {"humanoid", "humanoid_poses"})
            ASSERT_TRUE(WriteTextFile(data + "Models/" + f, ReadTextFile(demo + "Models/" + f)));
        // Outside: one of each thing a name could reach.
        ASSERT_TRUE(WriteTextFile(outside + "script", "seti 9,666\n"));
        ASSERT_TRUE(WriteTextFile(outside + "thing", ReadTextFile(demo + "Models/humanoid")));
        ASSERT_TRUE(WriteTextFile(outside + "thing_poses", "VXR_Poses\nOutside\n{\n}\n"));
        ASSERT_TRUE(WriteTextFile(outside + "Models/thing", ReadTextFile(demo + "Models/humanoid")));
        ASSERT_TRUE(WriteTextFile(outside + "pic.png", ReadTextFile(demo + "Models/humanoid0.png")));
        ASSERT_TRUE(WriteTextFile(outside + "level/starting", "7\n7\n7\n0\n0\n0\n"));
        ASSERT_NE(nullptr, getcwd(savedCwd, sizeof savedCwd));
        ASSERT_EQ(0, chdir(data.c_str()));
        routePath[0] = 0;
        RegisterScriptHooks();
        VXR_Init();
        memset(&gScriptVars, 0, sizeof gScriptVars);
        entfl = updown = entf = 0.0f;
    }
    void TearDown() override
    {
        VXR_Init();
        if (savedCwd[0] && chdir(savedCwd) != 0) ADD_FAILURE() << "cannot go back to " << savedCwd;
    }

    // The names under test for a thing outside: absolute, ".." with '/' (as deep as a name put
    // behind "Models/" or a level's "Models/" needs), ".." with ':', and one far longer than any
    // path buffer.
    std::vector<std::string> Names(const std::string& thing) const
    {
        return {outside + thing,          "../outside/" + thing,
                "../../outside/" + thing, "../../../outside/" + thing,
                "..:..:outside:" + thing, std::string(3000, 'a') + "/../../outside/" + thing};
    }

    // A level folder "lvl" holding one file.
    void LoadLevelWith(const std::string& file, const std::string& text)
    {
        ASSERT_TRUE(WriteTextFile(data + "lvl/" + file, text));
        ASSERT_TRUE(WriteTextFile(data + "lvl/starting", "0\n0\n0\n0\n0\n0\n"));
        LoadLevel("lvl/");
        levelChanged = 0;
    }
};

TEST_F(DataFolderPaths, ScriptInstructionsReadNothingOutside)
{
    const std::vector<std::string> before = Listing(outside);
    for (const std::string& name : Names("script"))
    {
        for (const char* instruction : {"includeScript", "timeScript"})
        {
            SCOPED_TRACE(std::string(instruction) + " " + name.substr(0, 80));
            ConsoleCapture console;
            ExecuteVXRCommand(instruction, ("\"" + name + "\",0").c_str());
            HandleGameScripts();
            HandleGameScripts();
            EXPECT_NE(666, gScriptVars.i[8]);
            DisposeGameScripts();
        }
    }
    for (const std::string& name : Names("level"))
    {
        SCOPED_TRACE("level " + name.substr(0, 80));
        ExecuteVXRCommand("level", ("\"" + name + "\"").c_str());
        levelChanged = 0;
        EXPECT_NE(-7.0f, entfl);
    }
    for (const std::string& name : Names("thing"))
    {
        SCOPED_TRACE("make " + name.substr(0, 80));
        ExecuteVXRCommand("make", ("\"" + name + "\"").c_str());
        EXPECT_EQ(0, CountHumans());
    }
    ExecuteVXRCommand("make", "\"humanoid\"");
    ASSERT_EQ(1, CountHumans());
    for (const std::string& name : Names("thing_poses"))
    {
        SCOPED_TRACE("loadPoses " + name.substr(0, 80));
        ExecuteVXRCommand("loadPoses", ("\"" + name + "\"").c_str());
        // A name cut to the argument limit names no file, which leaves the actor without poses.
        for (pose_struct* p = selHuman->model->poseListHead.next; p; p = p->next)
            EXPECT_STRNE("Outside", p->name);
    }
    for (const std::string& name : Names("written_poses"))
    {
        SCOPED_TRACE("savePoses " + name.substr(0, 80));
        ExecuteVXRCommand("savePoses", ("\"" + name + "\"").c_str());
    }
    EXPECT_EQ(before, Listing(outside)) << "a file was written outside the data folder";
}

TEST_F(DataFolderPaths, LevelFileFieldsReadNothingOutside)
{
    for (const std::string& name : Names("thing"))
    {
        SCOPED_TRACE(name.substr(0, 80));
        LoadLevelWith("level models", name + ",0,0,0,0,0,0,100\n");
        EXPECT_EQ(nullptr, baseLevelMesh.next) << "level model";
        LoadLevelWith("person", name + ",0,0,0,0,0,0,1,1,100,100,Out\n");
        EXPECT_EQ(0, CountHumans()) << "person model";
    }
    for (const std::string& name : Names("script"))
    {
        SCOPED_TRACE(name.substr(0, 80));
        LoadLevelWith("person", "humanoid,0,0,0,0,0,0,1,1,100,100,In,\"" + name + "\",1\n");
        ASSERT_EQ(1, CountHumans());
        EXPECT_EQ(nullptr, baseHuman->next->scripts) << "person script";
    }
    for (const std::string& name : Names("pic.png"))
    {
        SCOPED_TRACE(name.substr(0, 80));
        LoadLevelWith("tex", name + "\n");
        EXPECT_EQ(nullptr, baseTexture.next) << "texture list";
    }
}

// The lists read at start-up: the model precache file, the sound list, the animation list and the
// info file of an animation folder.
TEST_F(DataFolderPaths, ListEntriesReadNothingOutside)
{
    const std::string demo = SourceDir() + "/demo/";
    ASSERT_TRUE(WriteTextFile(outside + "step.wav", ReadTextFile(demo + "Sounds/step.wav")));
    ASSERT_TRUE(WriteTextFile(outside + "anim/info.txt", "1\n100\nfr\n"));
    ASSERT_TRUE(WriteTextFile(outside + "anim/fr 01.png", ReadTextFile(demo + "Models/humanoid0.png")));
    ASSERT_TRUE(FSOUND_InitLoopback(44100, 8));
    // A frame that was loaded has an image; a refused one is never created or stays empty.
    auto frameWidth = [](GLuint frame)
    {
        GLint width = 0;
        if (!frame) return 0;
        glBindTexture(GL_TEXTURE_2D, frame);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        return int(width);
    };
    for (const std::string& name : Names("thing"))
    {
        SCOPED_TRACE("cache " + name.substr(0, 80));
        ASSERT_TRUE(WriteTextFile(data + "cache", name + "\n"));
        ImportAllMeshworkModels();
        EXPECT_EQ(nullptr, baseMesh->next);
    }
    for (const std::string& name : Names("step.wav"))
    {
        SCOPED_TRACE("sound list " + name.substr(0, 80));
        ASSERT_TRUE(WriteTextFile(data + "Sounds/list", "1 " + name + "\n"));
        ConsoleCapture console;
        LoadSoundFiles("Sounds/list");
        EXPECT_EQ(nullptr, gAllSamples[1]);
        if (name.size() < 200)
        {
            EXPECT_TRUE(console.Has("//Sound list Sounds/list line 1: the path \"" + name + "\" is refused"));
        }
    }
    for (const std::string& name : Names("anim"))
    {
        SCOPED_TRACE("animation list " + name.substr(0, 80));
        ASSERT_TRUE(WriteTextFile(data + "Animations/winlist.txt", "1 \"" + name + "\",\"x\"\n"));
        ConsoleCapture console;
        LoadAnimationFiles("Animations/winlist.txt");
        EXPECT_EQ(0, frameWidth(gTextureAnimations[0].frames[0]));
        if (name.size() < 200)
        {
            EXPECT_TRUE(console.Has("//Animation list Animations/winlist.txt line 1: the path \"" + name +
                                    "\" is refused"));
        }
    }
    ASSERT_TRUE(WriteTextFile(data + "Animations/winlist.txt", "2 \"in\",\"x\"\n"));
    for (std::string name : Names("anim/fr"))
    {
        SCOPED_TRACE("animation info " + name.substr(0, 80));
        name.resize(std::min<size_t>(name.size(), 500)); // an info line longer than 513 is cut anyway
        ASSERT_TRUE(WriteTextFile(data + "in/info.txt", "1\n100\n" + name + "\n"));
        LoadAnimationFiles("Animations/winlist.txt");
        EXPECT_EQ(0, frameWidth(gTextureAnimations[1].frames[0]));
    }
    // The same folder with a frame of its own loads it: the checks above can see a load.
    ASSERT_TRUE(WriteTextFile(data + "in/info.txt", "1\n100\nfr\n"));
    ASSERT_TRUE(WriteTextFile(data + "in/fr 01.png", ReadTextFile(demo + "Models/humanoid0.png")));
    LoadAnimationFiles("Animations/winlist.txt");
    EXPECT_GT(frameWidth(gTextureAnimations[1].frames[0]), 0);
    ASSERT_TRUE(WriteTextFile(data + "Sounds/list", "1 Sounds/step.wav\n"));
    ASSERT_TRUE(WriteTextFile(data + "Sounds/step.wav", ReadTextFile(demo + "Sounds/step.wav")));
    LoadSoundFiles("Sounds/list");
    EXPECT_NE(nullptr, gAllSamples[1]);
    FreeSoundFiles();
    FSOUND_Close();
}

} // namespace
