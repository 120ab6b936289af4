// The player's settings: the file's lines read one by one (a bad one keeps its default and says
// so, a file that is no settings file keeps them all), where the file lives, what is written
// back when the player changes something while playing, and the real program started on a
// garbage file, on a kept window size, and asked or not asked to keep a change.
#include "app/settings.h"
#include "play_util.h"

#include <cmath>

namespace
{

// The settings as one comparable row: sensitivity x 1000, invert, volume, full screen, w, h, vsync.
std::vector<long> Row(const playerSettings& s)
{
    const long sensitivity = std::lround(s.mouseSensitivity * 1000);
    return {sensitivity, s.invertMouse, s.volume, s.fullScreen, s.windowWidth, s.windowHeight, s.vsync};
}

const std::vector<long> kDefaults = {140, 0, 100, 1, 1280, 720, 1};

// What the file holds, read over the defaults; empty when it is not read whole.
std::vector<long> Stored(const std::string& file)
{
    playerSettings s;
    DefaultSettings(&s);
    return ReadSettingsFile(file.c_str(), &s) == 1 ? Row(s) : std::vector<long>{};
}

std::string Game(const std::string& config, const std::string& args)
{
    return "env ALSOFT_DRIVERS=null XDG_CONFIG_HOME='" + config + "' '" + KesrowExe() + "' --mute " + args;
}

} // namespace

TEST(SettingsFile, EachLineIsReadOrKeepsItsDefault)
{
    TempDir dir;
    // {file text, the settings read, a part of the console line ("" for none)}
    const std::vector<long> volume10 = {140, 0, 10, 1, 1280, 720, 1};
    const std::tuple<std::string, std::vector<long>, const char*> rows[] = {
        // clang-format off
        {"", kDefaults, ""},
        {"# mine\r\nmouse-sensitivity 0.3\r\ninvert-mouse = yes\r\n  volume\t40  # quieter\r\n"
         "fullscreen no\r\nwindow-size 800x600\r\nvsync off\r\n", {300, 1, 40, 0, 800, 600, 0}, ""},
        {"window-size 640x480\nfullscreen 1\n", {140, 0, 100, 1, 640, 480, 1}, ""},
        {"mouse-sensitivity 0\n", kDefaults,
         "line 1: mouse-sensitivity \"0\" is not a number from 0.001 to 10; the default is used"},
        {"mouse-sensitivity nan\nmouse-sensitivity 0.5x\n", kDefaults,
         "(and 1 more problem); the defaults are used for them"},
        {"volume 50\nvolume 101\n", {140, 0, 50, 1, 1280, 720, 1}, "line 2: volume \"101\""},
        {"window-size 8x6\nfullscreen x\n", kDefaults, "window-size \"8x6\" is not a size like 1280x720"},
        {"invert-mouse maybe\n", kDefaults, "invert-mouse \"maybe\" is not yes or no"},
        {"colour red\nvolume 10\n", volume10, "line 1: unknown setting \"colour\""},
        {"volume 10\n" + std::string(300, 'x') + "\n", volume10, "line 2: the line is longer than 200 chara"},
        {std::string("volume 10\n\x7f" "ELF\x02\x01\x01\0\0\0", 18), kDefaults, "holds binary data; the def"},
        {std::string(20000, '#'), kDefaults, "longer than 16384 bytes; the defaults"},
        // clang-format on
    };
    for (const auto& [text, want, line] : rows)
    {
        ASSERT_TRUE(WriteTextFile(dir / "settings", text));
        playerSettings s;
        DefaultSettings(&s);
        ConsoleCapture console;
        EXPECT_EQ(ReadSettingsFile((dir / "settings").c_str(), &s), line[0] ? 0 : 1) << text.substr(0, 40);
        EXPECT_EQ(Row(s), want) << text.substr(0, 40);
        // One line, naming the file, or none.
        const std::string said = console.Lines().empty() ? "" : console.Lines()[0];
        EXPECT_EQ(console.Lines().size(), line[0] ? 1u : 0u) << said;
        EXPECT_TRUE(!line[0] || (said.rfind("//Settings " + dir / "settings", 0) == 0 && console.Has(line)))
            << said;
    }

    // No file: the defaults, silently. A folder where the file should be: a line, the defaults.
    playerSettings s;
    DefaultSettings(&s);
    ConsoleCapture console;
    EXPECT_EQ(ReadSettingsFile((dir / "none").c_str(), &s), 1);
    EXPECT_TRUE(console.Lines().empty());
    mkdir((dir / "folder").c_str(), 0700);
    EXPECT_EQ(ReadSettingsFile((dir / "folder").c_str(), &s), 0);
    EXPECT_TRUE(console.Has("cannot be read")) << (console.Lines().empty() ? "" : console.Lines()[0]);
    EXPECT_EQ(Row(s), kDefaults);
}

TEST(SettingsFile, LivesInTheConfigurationFolderAndReadsBackWhatWasWritten)
{
    const std::string keepXdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
    const char* savedHome = getenv("HOME");
    const std::string keepHome = savedHome ? savedHome : "";
    // {XDG_CONFIG_HOME, HOME (null: unset), the path ("" none), room}
    const std::tuple<const char*, const char*, const char*, int> rows[] = {
        {"/x/conf", "/home/me", "/x/conf/kesrow/settings", 64},
        {"relative", "/home/me", "/home/me/.config/kesrow/settings", 64},
        {"", "/home/me", "/home/me/.config/kesrow/settings", 64},
        {"", nullptr, "", 64},
        {"/x/conf", "/home/me", "", 23}}; // one short
    for (const auto& [xdg, home, want, room] : rows)
    {
        setenv("XDG_CONFIG_HOME", xdg, 1);
        home ? setenv("HOME", home, 1) : unsetenv("HOME");
        char path[64] = "";
        EXPECT_EQ(SettingsFilePath(path, room), want[0] ? 1 : 0) << xdg;
        EXPECT_TRUE(!want[0] || !strcmp(path, want)) << xdg << ": " << path;
    }
    setenv("XDG_CONFIG_HOME", keepXdg.c_str(), 1);
    if (savedHome) setenv("HOME", keepHome.c_str(), 1);

    // The folders are made, for the player alone; every value comes back as it went in.
    TempDir dir;
    const std::string file = dir / "a/b/kesrow/settings";
    playerSettings out = {0.375f, 1, 7, 0, 333, 222, 0};
    ASSERT_EQ(WriteSettingsFile(file.c_str(), &out), 1);
    EXPECT_EQ(Stored(file), Row(out));
    struct stat info;
    ASSERT_EQ(stat((dir / "a/b/kesrow").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

static std::vector<std::vector<long>> gApplied; // the settings before and after each apply

TEST(SettingsFile, ChangesWhilePlayingAreKeptButOverridesAreNot)
{
    TempDir dir;
    const std::string file = dir / "kesrow/settings";
    playerSettings stored;
    DefaultSettings(&stored);
    stored.mouseSensitivity = 0.2f;
    // This run: the sensitivity and the volume overridden from the command line.
    gSettings = stored;
    gSettings.mouseSensitivity = 0.5f, gSettings.volume = 40;
    gApplied.clear();
    gApplySettingsHook = [](const playerSettings* before, const playerSettings* now) {
        gApplied.insert(gApplied.end(), {Row(*before), Row(*now)});
    };
    ConsoleCapture console;
    BeginSettings(file.c_str(), &stored, 1);
    TrackSettings(0);
    EXPECT_FALSE(FileExists(file)) << "nothing changed yet";

    // The player inverts the mouse: applied, and written with the file's own sensitivity and
    // volume, not this run's.
    gSettings.invertMouse = 5;
    TrackSettings(10);
    EXPECT_EQ(gSettings.invertMouse, 1);
    ASSERT_EQ(gApplied.size(), 2u);
    EXPECT_EQ(gApplied[1][1], 1);
    EXPECT_EQ(Stored(file), (std::vector<long>{200, 1, 100, 1, 1280, 720, 1}));

    // A value out of range goes back, with a line, and changes nothing.
    gSettings.mouseSensitivity = 50.0f, gSettings.volume = -3;
    TrackSettings(20);
    EXPECT_EQ((std::vector<long>{500, 40}),
              (std::vector<long>{std::lround(gSettings.mouseSensitivity * 1000), gSettings.volume}));
    EXPECT_TRUE(console.Has("mouseSensitivity 50 is not 0.001 to 10; it stays 0.5") &&
                console.Has("soundVolume -3 is not 0 to 100; it stays 40"));
    EXPECT_EQ(gApplied.size(), 2u);

    // A second change within a second of the last write waits for the second to pass, or for the
    // end of the run.
    gSettings.volume = 30;
    TrackSettings(500);
    EXPECT_EQ(Stored(file).at(2), 100);
    TrackSettings(1010);
    EXPECT_EQ(Stored(file).at(2), 30);
    gSettings.windowWidth = 900;
    TrackSettings(1100);
    FlushSettings();
    EXPECT_EQ(Stored(file).at(4), 900);
    gApplySettingsHook = nullptr;
    DefaultSettings(&gSettings);
}

TEST(SettingsRun, AGarbageFileStartsWithTheDefaultsAKeptSizeIsUsedAndOnlyAskedBatchRunsWrite)
{
    TempDir config, data;
    // The script turns the sensitivity up and inverts the mouse, as a settings menu would.
    ASSERT_TRUE(WriteTextFile(data / "Data/game script", "setf 1,0.5\nstoref \"mouseSensitivity\",1\n"
                                                         "seti 1,1\nstorei \"invertMouse\",1\n"));
    const std::string shot = data / "shot.png", file = config / "kesrow/settings";
    const std::string run =
        "--data '" + data.path + "' --frames 3 --fixed-step 20 --screenshot '" + shot + "'";

    // Garbage: the game starts all the same, full screen (the default: the X server's screen),
    // and a batch run keeps its hands off the file.
    const std::string garbage("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    ASSERT_TRUE(WriteTextFile(file, garbage));
    std::string out;
    EXPECT_EQ(RunCommand(Game(config.path, run), &out), 0) << out;
    EXPECT_NE(out.find("//Settings " + file + " is not a settings file"), std::string::npos) << out;
    PngImage img = ReadPng(shot);
    EXPECT_TRUE(img.ok && img.width >= 640 && img.height >= 480) << img.width << "x" << img.height;
    EXPECT_EQ(ReadTextFile(file), garbage);

    // A kept window size; the command line's own for one run, which the file does not keep when
    // the run is asked to write the player's change.
    const std::string kept = "fullscreen no\nwindow-size 200x150\nvolume 30\n";
    ASSERT_TRUE(WriteTextFile(file, kept));
    EXPECT_EQ(RunCommand(Game(config.path, run), &out), 0) << out;
    img = ReadPng(shot);
    EXPECT_TRUE(img.ok && img.width == 200 && img.height == 150) << img.width << "x" << img.height;
    EXPECT_EQ(ReadTextFile(file), kept);
    EXPECT_EQ(RunCommand(Game(config.path, run + " --windowed 160x120 --save-settings"), &out), 0) << out;
    img = ReadPng(shot);
    EXPECT_TRUE(img.ok && img.width == 160 && img.height == 120) << img.width << "x" << img.height;
    EXPECT_EQ(Stored(file), (std::vector<long>{500, 1, 30, 0, 200, 150, 1})) << out;
}
