// The program as a player or a test harness runs it: options, batch runs, screenshots and
// start-up failures.
#include "app/options.h"
#include "app/screen.h"
#include "app/startup.h"
#include "platform/window.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <tuple>

static std::string Game(const std::string& args)
{
    return "env ALSOFT_DRIVERS=null '" + KesrowExe() + "' " + args;
}

TEST(Options, ParsesEveryOptionAndRefusesMistakes)
{
    KesrowOptions o;
    char err[256];
    const char* good[] = {"kesrow", "--data", "d", "--windowed",   "640x480", "--frames", "3", "--fixed-step",
                          "20",     "--seed", "7", "--screenshot", "s.png",   "--mute"};
    ASSERT_EQ(ParseOptions(14, (char**)good, &o, err, sizeof err), kOptionsRun);
    EXPECT_EQ(std::string(o.dataDir) + " " + o.screenshot, "d s.png");
    EXPECT_EQ(
        (std::vector<long>{1, 640, 480, 3, 20, 1, 7, 1}),
        (std::vector<long>{o.windowed, o.width, o.height, o.frames, o.fixedStep, o.hasSeed, o.seed, o.mute}));
    const char* plainWindow[] = {"kesrow", "--windowed", "--mute"};
    ASSERT_EQ(ParseOptions(3, (char**)plainWindow, &o, err, sizeof err), kOptionsRun);
    EXPECT_EQ(o.width * 10000 + o.height, 12800720);

    const char* bad[][3] = {{"kesrow", "--frames", "0"},    {"kesrow", "--frames", "12x"},
                            {"kesrow", "--windowed", "64"}, {"kesrow", "--seed", "-1"},
                            {"kesrow", "--fixed-step", ""}, {"kesrow", "--colour", "1"}};
    for (auto& args : bad)
        EXPECT_EQ(ParseOptions(3, (char**)args, &o, err, sizeof err), kOptionsError) << args[1];
    const char* missing[] = {"kesrow", "--data"};
    EXPECT_EQ(ParseOptions(2, (char**)missing, &o, err, sizeof err), kOptionsError);
    std::string longPath(2000, 'a');
    const char* tooLong[] = {"kesrow", "--screenshot", longPath.c_str()};
    EXPECT_EQ(ParseOptions(3, (char**)tooLong, &o, err, sizeof err), kOptionsError);
}

TEST(Options, AReplayTakesWhatTheGameStartsFromFromItsRecording)
{
    KesrowOptions o;
    char err[256];
    const char* replay[] = {"kesrow",   "--replay", "r.rec",        "--data", "d",
                            "--frames", "9",        "--screenshot", "s.png",  "--mute"};
    ASSERT_EQ(ParseOptions(10, (char**)replay, &o, err, sizeof err), kOptionsRun) << err;
    EXPECT_EQ(std::string(o.replay) + " " + o.record, "r.rec ");
    const char* record[] = {"kesrow", "--record", "p.rec", "--fixed-step", "20", "--seed", "3", "--windowed"};
    ASSERT_EQ(ParseOptions(8, (char**)record, &o, err, sizeof err), kOptionsRun) << err;
    EXPECT_STREQ("p.rec", o.record);
    // What the recording holds cannot be given again, nor a second recording.
    for (const char* clash :
         {"--record", "--check", "--fixed-step", "--seed", "--sensitivity", "--invert-mouse",
          "--no-invert-mouse", "--windowed", "--fullscreen", "--content-memory"})
    {
        const bool takesValue = !strcmp(clash, "--record") || !strcmp(clash, "--fixed-step") ||
                                !strcmp(clash, "--seed") || !strcmp(clash, "--sensitivity") ||
                                !strcmp(clash, "--content-memory");
        const char* args[] = {"kesrow", "--replay", "r.rec", clash, "1"};
        EXPECT_EQ(ParseOptions(takesValue ? 5 : 4, (char**)args, &o, err, sizeof err), kOptionsError)
            << clash;
        EXPECT_NE(std::string::npos, std::string(err).find("cannot be given with --replay")) << err;
    }
    const char* check[] = {"kesrow", "--record", "p.rec", "--check"};
    EXPECT_EQ(ParseOptions(4, (char**)check, &o, err, sizeof err), kOptionsError);
    const char* bare[] = {"kesrow", "--replay"};
    EXPECT_EQ(ParseOptions(2, (char**)bare, &o, err, sizeof err), kOptionsError);
}

TEST(Shell, HelpVersionAndWrongOptions)
{
    // {arguments, succeeds, a text the output holds}
    const std::tuple<const char*, bool, const char*> runs[] = {
        {"--help", true, "--fixed-step"},
        {"--version", true, "kesrow "},
        {"--frames", false, "usage:"},
        {"--fullscreen-please", false, "unknown option"}};
    for (const auto& [args, ok, text] : runs)
    {
        std::string out;
        EXPECT_EQ(RunCommand(Game(args), &out) == 0, ok) << args;
        EXPECT_NE(out.find(text), std::string::npos) << out;
    }
}

TEST(Shell, StartUpFailuresEndWithNonZeroStatus)
{
    TempDir dir;
    std::string out;
    // A data folder without the start-up script: the line names the file and where it looked.
    EXPECT_NE(RunCommand(Game("--mute --data '" + dir.path + "' --windowed 320x240 --frames 5"), &out), 0);
    EXPECT_NE(out.find("Failed to initialize the game."), std::string::npos) << out;
    EXPECT_NE(out.find("\"Data/game script\" was not found in the data folder \"" + dir.path + "\""),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("//Ended:"), std::string::npos);
    // A data folder that does not exist.
    out.clear();
    EXPECT_NE(RunCommand(Game("--mute --data '" + dir.path + "/nowhere' --frames 5"), &out), 0);
    EXPECT_NE(out.find("cannot be opened"), std::string::npos) << out;
    // No display at all: a clear message, no hang.
    out.clear();
    EXPECT_NE(RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 " +
                             Game("--mute --data '" + dir.path + "' --frames 5"),
                         &out),
              0);
    EXPECT_NE(out.find("Something went wrong at initialization of OpenGL"), std::string::npos) << out;
}

TEST(Shell, NoDisplayEndsAtOnceWithAClearLine)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir / "Data/game script", "// nothing to do\n"));
    std::string out;
    // As a user on a text console starts it: no display, no driver asked for, no frame limit.
    const int status = RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 60 " +
                                      Game("--mute --data '" + dir.path + "' --windowed 320x240"),
                                  &out);
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find("no display: set DISPLAY or run under xvfb-run"), std::string::npos) << out;
    // A display that is named but not there: the line names it.
    out.clear();
    EXPECT_EQ(RunCommand("env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=:4093 timeout 60 " +
                             Game("--mute --data '" + dir.path + "' --windowed 320x240"),
                         &out),
              1)
        << out;
    EXPECT_NE(out.find("no display: \":4093\" cannot be opened"), std::string::npos) << out;
}

TEST(Shell, WindowFailuresKeepTheirCaptionsAndAskOnlyForFullScreen)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir / "Data/game script", "// nothing to do\n"));
    // SDL's dummy driver opens no GL window at all.
    const std::string run =
        "env SDL_VIDEODRIVER=dummy " + Game("--mute --data '" + dir.path + "' --frames 3 ");
    std::string out;
    EXPECT_EQ(RunCommand(run + "--windowed 320x240", &out), 1) << out;
    EXPECT_NE(out.find("ERROR: Window Creation Error."), std::string::npos) << out;
    EXPECT_EQ(out.find("Program Will Now Close."), std::string::npos) << out;
    EXPECT_NE(out.find("Something went wrong at initialization of OpenGL. Kesrow will quit now."),
              std::string::npos)
        << out;
    // Full screen refused, and a batch run does not wait for an answer: declined.
    out.clear();
    EXPECT_EQ(RunCommand(run, &out), 1) << out;
    EXPECT_NE(out.find("ERROR: Program Will Now Close."), std::string::npos) << out;
}

TEST(Shell, ScreenshotPathsAreTheUsersAndAFailedOneFailsTheRun)
{
    TempDir data, start;
    ASSERT_TRUE(WriteTextFile(data / "Data/game script", "// nothing to do\n"));
    const std::string run =
        Game("--mute --data '" + data.path + "' --windowed 160x120 --frames 2 --fixed-step 20 --screenshot ");
    std::string out;
    // Relative to where the user started, not to the data folder the game changes into; the
    // picture has the window's size.
    EXPECT_EQ(RunCommand("cd '" + start.path + "' && " + run + "shot.png", &out), 0) << out;
    EXPECT_NE(out.find("//Ended: frame limit after 2 passes, game time 40 ms"), std::string::npos) << out;
    PngImage img = ReadPng(start / "shot.png");
    EXPECT_TRUE(img.ok && img.width == 160 && img.height == 120) << out;
    EXPECT_FALSE(FileExists(data / "shot.png"));
    // A folder that is not there: the run says so and fails.
    out.clear();
    EXPECT_EQ(RunCommand(run + "'" + start.path + "/missing/shot.png'", &out), 1) << out;
    EXPECT_NE(out.find("//Could not write the screenshot \"" + start.path + "/missing/shot.png\""),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("//Ended: frame limit"), std::string::npos) << out;
}

TEST(Shell, WithoutVsyncPassesWaitForTheTick)
{
    // Xvfb refuses a swap interval: the passes must still come about once a tick, not spin.
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir / "Data/game script", "// nothing to do\n"));
    std::string out;
    ASSERT_EQ(RunCommand(Game("--mute --data '" + dir.path + "' --windowed 160x120 --frames 40"), &out), 0)
        << out;
    unsigned passes = 0, gameMs = 0;
    const size_t at = out.find("//Ended: frame limit after ");
    ASSERT_NE(at, std::string::npos) << out;
    ASSERT_EQ(
        sscanf(out.c_str() + at, "//Ended: frame limit after %u passes, game time %u ms", &passes, &gameMs),
        2);
    // Waiting only ever makes the run longer, so a slow machine cannot fail this.
    EXPECT_GE(gameMs, passes * 10) << out;
}

TEST(Shell, ResizeMovesTheMouseViewEdgesAndCentre)
{
    char err[256];
    ASSERT_TRUE(PLT_InitVideo(err, sizeof err)) << err;
    ASSERT_TRUE(CreateGLWindow("resize", 320, 240, 16, 0));
    SetScreenRect(320, 240);
    SDL_SetWindowSize(SDL_GL_GetCurrentWindow(), 400, 300);
    for (int i = 0; i < 500 && screenRect.right != 400; i++)
    {
        SDL_Delay(10);
        HandleWindowEvents();
    }
    EXPECT_EQ((std::vector<int>{0, 0, 400, 300, 200, 150}),
              (std::vector<int>{screenRect.left, screenRect.top, screenRect.right, screenRect.bottom,
                                startLoc.x, startLoc.y}));
    KillGLWindow();
    PLT_QuitVideo();
}

TEST(Options, StartPathsResolveAgainstTheStartDirectory)
{
    // {start directory, path, resolved path, room, result}
    const std::tuple<const char*, const char*, const char*, int, int> rows[] = {
        {"/home/me", "shot.png", "/home/me/shot.png", 64, 1},
        {"/home/me/", "a/b.png", "/home/me/a/b.png", 64, 1},
        {"/", "shot.png", "/shot.png", 64, 1},
        {"/home/me", "/tmp/shot.png", "/tmp/shot.png", 64, 1},
        {"/home/me", "", "", 64, 1},
        {"/home/me", "shot.png", "/home/me/shot.png", 18, 1}, // just fits
        {"/home/me", "shot.png", "shot.png", 17, 0}};         // one short: kept, refused
    for (const auto& [start, given, resolved, size, ok] : rows)
    {
        char path[64];
        snprintf(path, sizeof path, "%s", given);
        EXPECT_EQ(ResolveStartPath(start, path, size), ok) << start << " " << given;
        EXPECT_STREQ(path, resolved) << start << " " << given;
    }
}

TEST(Shell, AnInstalledProgramPlaysTheInstalledDemoFromAnywhere)
{
    // cmake --install into a scratch prefix, then started from a folder without a game, as from
    // a desktop menu: it finds the demo in share/kesrow beside its bin folder. Started where a
    // game is, it plays that one.
    TempDir prefix, elsewhere;
    std::string out;
    ASSERT_EQ(0, RunCommand("cmake --install '" + BinaryDir() + "' --prefix '" + prefix.path + "'", &out)) << out;
    for (const char* f : {"bin/kesrow", "bin/model_viewer", "share/kesrow/Data/game script",
                          "share/applications/kesrow.desktop", "share/icons/hicolor/256x256/apps/kesrow.png"})
        EXPECT_TRUE(FileExists(prefix / f)) << f;
    const std::string run = WindowedCommand("cd '" + elsewhere.path + "' && '" + (prefix / "bin/kesrow") +
                                            "' --windowed 160x120 --frames 5 --fixed-step 20 --mute");
    out.clear();
    EXPECT_EQ(0, RunCommand(run, &out)) << out;
    EXPECT_NE(std::string::npos, out.find("//Loading level")) << out;

    ASSERT_TRUE(WriteTextFile(elsewhere / "Data/game script", "quit\n"));
    out.clear();
    EXPECT_EQ(0, RunCommand(run, &out)) << out;
    EXPECT_EQ(std::string::npos, out.find("//Loading level")) << out;
    EXPECT_NE(std::string::npos, out.find("//Ended: quit")) << out;
}
