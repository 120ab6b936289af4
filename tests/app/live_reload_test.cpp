// Live reload, end to end: the game runs in a window on a private X server while the test writes
// over the files it read. A changed script changes what the running game does; a broken model
// written over a good one keeps the good one and says what is wrong with the new one; a good one
// replaces it; a changed person file loads the level again with the player kept where he stands;
// the game's own saves are no change.
#include "play_util.h"

#include "app/live_reload.h"
#include "core/content_files.h"

#include <chrono>
#include <thread>

namespace
{

// A small data folder: a floor and a box actor in Levels/one, whose load script includes
// Data/probe; the probe snapshots the roster (savekey) every tick with what it says in s1.
const char kFloorModel[] = "floor\nmodel\n0 -6600 0 -6600\n1 6600 0 -6600\n2 0 0 6600\nEDGES\n"
                           "MATERIAL Plain 65535 65535 65535 1 0 0 0 0 0 0 0 0 0 0\n0 2 1\nEND\n";

std::string Probe(const char* mark)
{
    return std::string("// The probe: a mark in the box's name, then a snapshot, every tick.\nloop\nget \"Box\"\n"
                       "setName \"") +
           mark + "\"\nsavekey 1\nendloop\n";
}

// Whether holds() comes true within about `seconds` (longer on a slow machine, never shorter).
bool WaitFor(const std::function<bool()>& holds, double seconds)
{
    for (int i = 0; i < seconds * 50 && !holds(); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return holds();
}

struct LiveReload : ::testing::Test
{
    TempDir dir;
    std::string data = dir / "data";
    void SetUp() override
    {
        WriteTextFile(data + "/Data/game script", "level \"Levels/one\"\n");
        WriteTextFile(data + "/Data/probe", Probe("First"));
        WriteTextFile(data + "/Models/box", kTriangleModel);
        WriteTextFile(data + "/Models/floor", kFloorModel);
        WriteTextFile(data + "/Levels/one/level models", "floor,0,0,0,0,0,0,100\n");
        WriteTextFile(data + "/Levels/one/person", "box,0,0,-3,0,0,0,0,0,100,100,Box\n");
        WriteTextFile(data + "/Levels/one/starting", "0\n1\n0\n0\n0\n0\n");
        WriteTextFile(data + "/Levels/one/load script", "includeScript \"Data/probe\"\n");
    }
    std::string Snapshot() { return FileExists(data + "/Levels/one/keyframe1") ? ReadTextFile(data + "/Levels/one/keyframe1") : ""; }
    std::string Console() { return ReadTextFile(data + "/game.out"); }
    bool Says(const std::string& part) { return Console().find(part) != std::string::npos; }
};

} // namespace

TEST_F(LiveReload, ChangedFilesTakeEffectWhileTheGameRuns)
{
    if (!HaveTool("xvfb-run")) GTEST_SKIP() << "xvfb-run is missing";
    // The game in a window, as a designer runs it: reloading is on without being asked for.
    const std::string command = "cd '" + data + "' && exec timeout 120 xvfb-run -a -s '-screen 0 640x480x24' env ALSOFT_DRIVERS=null XDG_CONFIG_HOME='" +
                                dir.path + "' '" + KesrowExe() + "' --mute --windowed 320x240 > game.out 2>&1";
    std::thread game([&] { RunCommand(WindowedCommand(command), nullptr); });
    // The probe of the last step quits; should a step fail, the game is told to quit the same way
    // (and the command's timeout ends it if even that is not heard).
    auto quit = [&](std::thread* t) { WriteTextFile(data + "/Data/probe", "quit\n"); if (t->joinable()) t->join(); };
    std::unique_ptr<std::thread, decltype(quit)> stop(&game, quit); // runs quit at the end, whatever happens
    ASSERT_TRUE(WaitFor([&] { return !ActorRecord(Snapshot(), "First").empty(); }, 60)) << Console();

    // A script changed on disk: the running game does what it now says.
    ASSERT_TRUE(WriteTextFile(data + "/Data/probe", Probe("Second")));
    ASSERT_TRUE(WaitFor([&] { return !ActorRecord(Snapshot(), "Second").empty(); }, 20)) << Console();
    EXPECT_TRUE(Says("//Reloaded Data/probe: 1 script starts again from its first line")) << Console();

    // A script with mistakes keeps the running one, and says which line is wrong first and how
    // many more problems it has.
    ASSERT_TRUE(WriteTextFile(data + "/Data/probe", "loop\nget \"Box\"\nsetName \"Third\"\nif i,1,=\nendloop\n"));
    ASSERT_TRUE(WaitFor([&] { return Says("//Not reloaded Data/probe: line 4: if: the condition"); }, 20)) << Console();
    EXPECT_TRUE(Says("(and 1 more); the last good version stays")) << Console();
    EXPECT_FALSE(ActorRecord(Snapshot(), "Second").empty());
    // The file is put right again (a level load would include it as it is on disk).
    ASSERT_TRUE(WriteTextFile(data + "/Data/probe", Probe("Second")));

    // A broken model written over the box's keeps the good one; a good one replaces it.
    ASSERT_TRUE(WriteTextFile(data + "/Models/box", "box\nmodel\n0 0 0\nbroken line\nEDGES\nMATERIAL\n"));
    ASSERT_TRUE(WaitFor([&] { return Says("//Not reloaded Models/box: "); }, 20)) << Console();
    EXPECT_TRUE(Says("the last good version stays"));
    std::string bigger = kTriangleModel;
    bigger.replace(bigger.find("1 660 0 0"), 9, "1 990 0 0");
    ASSERT_TRUE(WriteTextFile(data + "/Models/box", bigger));
    ASSERT_TRUE(WaitFor([&] { return Says("//Reloaded Models/box: 1 actor has the new model"); }, 20)) << Console();

    // The person file changed: the level loads again, the box where the file now puts it.
    ASSERT_TRUE(WriteTextFile(data + "/Levels/one/person", "box,2,0,-3,0,0,0,0,0,100,100,Box\n"));
    ASSERT_TRUE(WaitFor([&] { return Says("//Reloaded the level Levels/one/ (its person changed); you stay"); }, 20))
        << Console();
    ASSERT_TRUE(WaitFor([&] { return !ActorRecord(Snapshot(), "Second").empty() && std::stof(ActorRecord(Snapshot(), "Second")[1]) == 2.0f; }, 20))
        << Snapshot();
    // A save of the game's own is no change to reload.
    ASSERT_TRUE(WriteTextFile(data + "/Data/probe", "save\nloop\nget \"Box\"\nsetName \"Saved\"\nsavekey 1\nendloop\n"));
    ASSERT_TRUE(WaitFor([&] { return !ActorRecord(Snapshot(), "Saved").empty(); }, 20)) << Console();
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_EQ(1u, Count(Console(), "//Reloaded the level")) << Console();
}

// In the game's own process: a change is taken only once its file has been quiet for a moment,
// so a file still being written is never read half-way, and then it is taken.
TEST(LiveReloadInProcess, AChangeWaitsUntilItsFileIsQuiet)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir / "Sounds/list", ""));
    snprintf(routePath, sizeof routePath, "%s/", dir.path.c_str());
    gLiveReload = 1;
    BeginLiveReload();
    ContentPathState((dir / "Sounds/list").c_str(), kContentText); // read, so its folder is watched
    LiveReloadTick();
    ConsoleCapture console;
    ASSERT_TRUE(WriteTextFile(dir / "Sounds/list", "a.wav\n"));
    LiveReloadTick();
    EXPECT_FALSE(console.Has("changed: it is read when the game starts"));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    LiveReloadTick();
    EXPECT_TRUE(console.Has("Sounds/list changed: it is read when the game starts"));
    EndLiveReload();
    gLiveReload = 0, routePath[0] = 0;
}
