// The program as a player or a test harness runs it: options, batch runs ended by their scripts,
// screenshots, start-up failures, the window's size and the installed program.
#include "app/options.h"
#include "app/screen.h"
#include "app/startup.h"
#include "platform/window.h"
#include "play_util.h"

#include <SDL.h>

static std::string Game(const std::string& args)
{
    return "env ALSOFT_DRIVERS=null '" + KesrowExe() + "' " + args;
}

TEST(Options, ParsesEveryOptionAndRefusesMistakes)
{
    KesrowOptions o;
    char err[256];
    auto parse = [&](std::vector<const char*> args)
    {
        args.insert(args.begin(), "kesrow");
        err[0] = 0;
        return ParseOptions(int(args.size()), (char**)args.data(), &o, err, sizeof err);
    };
    ASSERT_EQ(parse({"--data", "d", "--windowed", "640x480", "--frames", "3", "--fixed-step", "20", "--seed",
                     "7", "--screenshot", "s.png", "--mute"}),
              kOptionsRun);
    EXPECT_EQ(std::string(o.dataDir) + " " + o.screenshot, "d s.png");
    EXPECT_EQ(
        (std::vector<long>{1, 640, 480, 3, 20, 1, 7, 1}),
        (std::vector<long>{o.windowed, o.width, o.height, o.frames, o.fixedStep, o.hasSeed, o.seed, o.mute}));
    // The settings overridden for one run; the last of --windowed and --fullscreen counts.
    ASSERT_EQ(parse({"--sensitivity", "0.25", "--invert-mouse", "--volume", "0", "--no-vsync", "--windowed",
                     "--fullscreen", "--save-settings"}),
              kOptionsRun);
    EXPECT_EQ((std::vector<long>{250, 1, 0, 0, 0, 1, 1}),
              (std::vector<long>{std::lround(o.sensitivity * 1000), o.invertMouse, o.volume, o.vsync,
                                 o.windowed, o.fullscreen, o.saveSettings}));
    ASSERT_EQ(parse({"--fullscreen", "--windowed", "--no-invert-mouse", "--vsync"}), kOptionsRun);
    EXPECT_EQ((std::vector<long>{0, 0, -1, 1, 1, 0, 0}),
              (std::vector<long>{std::lround(o.sensitivity * 1000), o.invertMouse, o.volume, o.vsync,
                                 o.windowed, o.fullscreen, o.windowSizeGiven}));
    // A replay takes what the game starts from from its recording.
    ASSERT_EQ(parse({"--replay", "r.rec", "--data", "d", "--frames", "9", "--screenshot", "s.png", "--mute"}),
              kOptionsRun);
    EXPECT_EQ(std::string(o.replay) + " " + o.record, "r.rec ");
    // (--record, the replay tests' recorded runs.)

    const std::string longPath(2000, 'a');
    // clang-format off
    const std::vector<std::vector<const char*>> bad = {
        {"--frames", "0"}, {"--frames", "12x"}, {"--windowed", "64"}, {"--seed", "-1"}, {"--fixed-step", ""},
        {"--colour", "1"}, {"--data"}, {"--sensitivity", "0"}, {"--sensitivity", "1x"}, {"--volume", "101"},
        {"--screenshot", longPath.c_str()}, {"--replay"}, {"--record", "p.rec", "--check"}};
    // clang-format on
    for (const auto& args : bad)
        EXPECT_EQ(parse(args), kOptionsError) << args[0];
    parse({"--screenshot"});
    EXPECT_STREQ(err, "--screenshot needs a path");
    // What the recording holds cannot be given again, nor a second recording.
    // clang-format off
    const std::vector<std::vector<const char*>> clashes = {
        {"--record", "1"}, {"--check"}, {"--fixed-step", "1"}, {"--seed", "1"}, {"--sensitivity", "1"},
        {"--invert-mouse"}, {"--no-invert-mouse"}, {"--windowed"}, {"--fullscreen"},
        {"--content-memory", "1"}};
    // clang-format on
    for (std::vector<const char*> args : clashes)
    {
        args.insert(args.begin(), {"--replay", "r.rec"});
        EXPECT_EQ(parse(args), kOptionsError) << args[2];
        EXPECT_NE(std::string::npos, std::string(err).find("cannot be given with --replay")) << err;
    }
}

TEST(Shell, EachRunEndsWithItsStatusAndSaysWhy)
{
    // {game script (null: none), environment, arguments, exit status, texts the output holds, a
    // text it must not hold}. Scripts end the game at the game time they imply: a loop every 0.1 s
    // with a timed script that quits after 1 s; a quit in the start-up run, before any pass; a
    // count of ticks in i1 that quits on the 7th (the start-up run counts 1, passes 1 to 6 the rest).
    const std::string batch = "--data DATA --windowed 320x240 --frames 500 --fixed-step ";
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY ", dummy = "env SDL_VIDEODRIVER=dummy";
    const struct
    {
        const char* script;
        std::string env, args;
        int status;
        std::vector<std::string> holds;
        const char* lacks;
    } runs[] = {
        // clang-format off
        {nullptr, "", "--help", 0, {"usage:", "--fixed-step"}, "unknown option"},
        {nullptr, "", "--version", 0, {"kesrow "}, "usage:"},
        {nullptr, "", "--frames", 2, {"usage:"}, "//Ended:"},
        {nullptr, "", "--fullscreen-please", 2, {"unknown option"}, "//Ended:"},
        {"timeScript \"Data/stopper\",1\nloop\naddi 1,1\nidle 0.1\nendloop\n", "", batch + "20", 0,
         {"//Ended: quit after 50 passes, game time 1000 ms"}, "//Could"},
        {"quit\r\n", "", batch + "20", 0, {"//Ended: quit after 0 passes, game time 0 ms"}, "//Could"},
        {"seti 2,7\nloop\naddi 1,1\nif i,1,>=,2\nquit\nendif\nendloop\n", "", batch + "10", 0,
         {"//Ended: quit after 6 passes, game time 60 ms"}, "//Could"},
        {nullptr, "", "--data DATA --windowed 320x240 --frames 5", 1, {"Failed to initialize the game.",
         "\"Data/game script\" was not found in the data folder \"DATA\""}, "//Ended:"},
        {"", "", "--data DATA/nowhere --frames 5", 1, {"cannot be opened"}, "//Ended:"},
        // No display: a clear line at once, whether started from a text console or on a display
        // that is not there.
        {"", noDisplay + "SDL_VIDEODRIVER=x11", "--data DATA --frames 5", 1,
         {"Something went wrong at initialization of OpenGL"}, "//Ended:"},
        {"", noDisplay + "-u SDL_VIDEODRIVER timeout 60", "--data DATA --windowed 320x240", 1,
         {"no display: set DISPLAY or run under xvfb-run"}, "//Ended:"},
        {"", "env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=:4093 timeout 60",
         "--data DATA --windowed 320x240", 1, {"no display: \":4093\" cannot be opened"}, "//Ended:"},
        // SDL's dummy driver opens no GL window at all: each failure keeps its caption; only full
        // screen asks, and a batch run does not wait for an answer: declined.
        {"", dummy, "--data DATA --frames 3 --windowed 320x240", 1, {"ERROR: Window Creation Error.",
         "Something went wrong at initialization of OpenGL. Kesrow will quit now."}, "Will Now Close."},
        {"", dummy, "--data DATA --frames 3", 1, {"ERROR: Program Will Now Close."}, "//Ended:"},
        // clang-format on
    };
    auto withData = [](std::string text, const std::string& data)
    {
        for (size_t at; (at = text.find("DATA")) != std::string::npos;)
            text.replace(at, 4, data);
        return text;
    };
    for (const auto& [script, env, args, status, holds, lacks] : runs)
    {
        TempDir dir;
        if (script) WriteTextFile(dir / "Data/game script", script[0] ? script : "// nothing to do\n");
        WriteTextFile(dir / "Data/stopper", "quit");
        std::string out;
        const std::string run = env + " " + Game("--mute " + withData(args, "'" + dir.path + "'"));
        EXPECT_EQ(RunCommand(run, &out), status) << args << "\n" << out;
        for (const std::string& text : holds)
            EXPECT_NE(out.find(withData(text, dir.path)), std::string::npos) << args << ": " << text << "\n"
                                                                             << out;
        EXPECT_EQ(out.find(lacks), std::string::npos) << args << "\n" << out;
    }
}

TEST(Shell, ScreenshotPathsAreTheUsersAFailedOneFailsTheRunAndPassesWaitForTheTick)
{
    TempDir data, start;
    ASSERT_TRUE(WriteTextFile(data / "Data/game script", "// nothing to do\n"));
    const std::string run = Game("--mute --data '" + data.path + "' --windowed 160x120 --frames ");
    std::string out;
    // Relative to where the user started, not to the data folder the game changes into; the
    // picture has the window's size.
    EXPECT_EQ(
        RunCommand("cd '" + start.path + "' && " + run + "2 --fixed-step 20 --screenshot shot.png", &out), 0)
        << out;
    EXPECT_NE(out.find("//Ended: frame limit after 2 passes, game time 40 ms"), std::string::npos) << out;
    PngImage img = ReadPng(start / "shot.png");
    EXPECT_TRUE(img.ok && img.width == 160 && img.height == 120) << out;
    EXPECT_FALSE(FileExists(data / "shot.png"));
    // A folder that is not there: the run says so and fails. This run keeps the real clock, and
    // Xvfb refuses a swap interval: the passes must still come about once a tick, not spin.
    out.clear();
    EXPECT_EQ(RunCommand(run + "40 --screenshot '" + start.path + "/missing/shot.png'", &out), 1) << out;
    EXPECT_NE(out.find("//Could not write the screenshot \"" + start.path + "/missing/shot.png\""),
              std::string::npos)
        << out;
    unsigned passes = 0, gameMs = 0;
    const char* ended = strstr(out.c_str(), "//Ended: frame limit after ");
    ASSERT_TRUE(ended &&
                sscanf(ended, "//Ended: frame limit after %u passes, game time %u ms", &passes, &gameMs) == 2)
        << out;
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
        SDL_Delay(10), HandleWindowEvents();
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
    // cmake --install into a scratch prefix (the tools, the desktop entry and the icon where
    // desktops look), then started from a folder without a game, as from
    // a desktop menu: it finds the demo in share/kesrow beside its bin folder. Started where a
    // game is, it plays that one.
    TempDir prefix, elsewhere;
    std::string out, here;
    ASSERT_EQ(0, RunCommand("cmake --install '" + BinaryDir() + "' --prefix '" + prefix.path + "'", &out))
        << out;
    for (const char* f : {"bin/model_viewer", "bin/make_font", "share/applications/kesrow.desktop",
                          "share/icons/hicolor/256x256/apps/kesrow.png"})
        EXPECT_TRUE(FileExists(prefix / f)) << f;
    const std::string run = WindowedCommand("cd '" + elsewhere.path + "' && '" + (prefix / "bin/kesrow") +
                                            "' --windowed 160x120 --frames 5 --fixed-step 20 --mute");
    EXPECT_EQ(0, RunCommand(run, &out)) << out;
    EXPECT_NE(std::string::npos, out.find("//Loading level")) << out;
    ASSERT_TRUE(WriteTextFile(elsewhere / "Data/game script", "quit\n"));
    EXPECT_EQ(0, RunCommand(run, &here)) << here;
    EXPECT_TRUE(here.find("//Loading level") == std::string::npos &&
                here.find("//Ended: quit") != std::string::npos)
        << here;
}
