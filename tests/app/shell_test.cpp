// The program as a player or a test harness runs it: options, batch runs, screenshots and
// start-up failures.
#include "app/options.h"
#include "test_util.h"

#include <gtest/gtest.h>

static std::string Game(const std::string& args)
{
    return "env ALSOFT_DRIVERS=null '" + KesrowExe() + "' " + args;
}

TEST(Options, ParsesEveryOptionAndRefusesMistakes)
{
    KesrowOptions o;
    char err[256];
    const char* good[] = {"kesrow", "--data", "d", "--windowed", "640x480", "--frames", "3", "--fixed-step",
                          "20", "--seed", "7", "--screenshot", "s.png", "--mute"};
    ASSERT_EQ(ParseOptions(14, (char**)good, &o, err, sizeof err), kOptionsRun);
    EXPECT_STREQ(o.dataDir, "d");
    EXPECT_EQ(o.windowed, 1);
    EXPECT_EQ(o.width, 640);
    EXPECT_EQ(o.height, 480);
    EXPECT_EQ(o.frames, 3);
    EXPECT_EQ(o.fixedStep, 20);
    EXPECT_EQ(o.hasSeed, 1);
    EXPECT_EQ(o.seed, 7u);
    EXPECT_STREQ(o.screenshot, "s.png");
    EXPECT_EQ(o.mute, 1);

    const char* plainWindow[] = {"kesrow", "--windowed", "--mute"};
    ASSERT_EQ(ParseOptions(3, (char**)plainWindow, &o, err, sizeof err), kOptionsRun);
    EXPECT_EQ(o.width, 1280);
    EXPECT_EQ(o.height, 720);

    const char* bad[][3] = {{"kesrow", "--frames", "0"},     {"kesrow", "--frames", "12x"},
                            {"kesrow", "--windowed", "64"},  {"kesrow", "--seed", "-1"},
                            {"kesrow", "--fixed-step", ""},  {"kesrow", "--colour", "1"}};
    for (auto& args : bad) EXPECT_EQ(ParseOptions(3, (char**)args, &o, err, sizeof err), kOptionsError) << args[1];
    const char* missing[] = {"kesrow", "--data"};
    EXPECT_EQ(ParseOptions(2, (char**)missing, &o, err, sizeof err), kOptionsError);
    std::string longPath(2000, 'a');
    const char* tooLong[] = {"kesrow", "--screenshot", longPath.c_str()};
    EXPECT_EQ(ParseOptions(3, (char**)tooLong, &o, err, sizeof err), kOptionsError);
}

TEST(Shell, HelpVersionAndWrongOptions)
{
    std::string out;
    EXPECT_EQ(RunCommand(Game("--help"), &out), 0);
    for (const char* opt : {"--data", "--windowed", "--frames", "--fixed-step", "--seed", "--screenshot", "--mute"})
        EXPECT_NE(out.find(opt), std::string::npos) << opt;
    out.clear();
    EXPECT_EQ(RunCommand(Game("--version"), &out), 0);
    EXPECT_NE(out.find("kesrow "), std::string::npos);
    out.clear();
    EXPECT_NE(RunCommand(Game("--frames"), &out), 0);
    EXPECT_NE(out.find("usage:"), std::string::npos);
    out.clear();
    EXPECT_NE(RunCommand(Game("--fullscreen-please"), &out), 0);
    EXPECT_NE(out.find("unknown option"), std::string::npos);
}

TEST(Shell, BatchRunWritesScreenshotOfTheWindowSize)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir / "Data/game script", "// nothing to do\n"));
    std::string out;
    const std::string shot = dir / "shot.png";
    int status = RunCommand(Game("--data '" + dir.path + "' --windowed 640x480 --frames 3 --fixed-step 20 --screenshot '" +
                                 shot + "'"),
                            &out);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("//Ended: frame limit after 3 passes, game time 60 ms"), std::string::npos) << out;
    PngImage img = ReadPng(shot);
    ASSERT_TRUE(img.ok);
    EXPECT_EQ(img.width, 640);
    EXPECT_EQ(img.height, 480);
}

TEST(Shell, StartUpFailuresEndWithNonZeroStatus)
{
    TempDir dir;
    std::string out;
    // A data folder without the start-up script.
    EXPECT_NE(RunCommand(Game("--mute --data '" + dir.path + "' --windowed 320x240 --frames 5"), &out), 0);
    EXPECT_NE(out.find("Failed to initialize the game."), std::string::npos) << out;
    EXPECT_EQ(out.find("//Ended:"), std::string::npos);
    // A data folder that does not exist.
    out.clear();
    EXPECT_NE(RunCommand(Game("--mute --data '" + dir.path + "/nowhere' --frames 5"), &out), 0);
    EXPECT_NE(out.find("cannot be opened"), std::string::npos) << out;
    // No display at all: a clear message, no hang.
    out.clear();
    EXPECT_NE(RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 " + Game("--mute --data '" + dir.path + "' --frames 5"), &out), 0);
    EXPECT_NE(out.find("Something went wrong at initialization of OpenGL"), std::string::npos) << out;
}
