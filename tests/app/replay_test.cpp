// Record and replay with the real program. A session played with xdotool at the real clock's
// pace (keys, mouse look, clicks, the console, a level change) replays to the live run's
// snapshots and last frame, twice alike. The demo sessions kept in data/sessions (recorded by
// scripts/record-sessions.sh) replay to their saved files and pictures, compared whole. Cut and newer
// recordings end with a clear line and exit status 1, never a crash.
#include "play_util.h"

#include <random>

namespace
{

std::string CopyDemo(const TempDir& dir, const std::string& name)
{
    fs::copy(SourceDir() + "/demo", dir / name, fs::copy_options::recursive);
    return dir / name;
}

// Runs a replay; the output goes to *out, the exit status is returned.
int Replay(const std::string& data, const std::string& recording, const std::string& options,
           std::string* out)
{
    return RunCommand(WindowedCommand("'" + KesrowExe() + "' --data '" + data + "' --replay '" + recording +
                                      "' " + options),
                      out);
}

// The first line starting with prefix, or "".
std::string LineStarting(const std::string& out, const std::string& prefix)
{
    const size_t at = ("\n" + out).find("\n" + prefix);
    return at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
}

// Files under folder that are new or differ from the demo's, relative to folder.
std::vector<std::string> WrittenFiles(const std::string& folder)
{
    std::vector<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
    {
        if (!entry.is_regular_file()) continue;
        const std::string rel = fs::relative(entry.path(), folder).string();
        const std::string demo = SourceDir() + "/demo/" + rel;
        if (!FileExists(demo) || ReadTextFile(demo) != ReadTextFile(entry.path().string()))
            out.push_back(rel);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Pixels that differ between two pictures of one size, and by how much at most; -1 when they
// cannot be compared.
std::pair<int, int> PictureDifference(const std::string& a, const std::string& b)
{
    const PngImage x = ReadPng(a), y = ReadPng(b);
    if (!x.ok || !y.ok || x.width != y.width || x.height != y.height) return {-1, -1};
    int differing = 0, largest = 0;
    for (size_t i = 0; i < x.rgba.size(); i += 4)
    {
        int d = 0;
        for (int c = 0; c < 3; c++)
            d = std::max(d, std::abs(int(x.rgba[i + c]) - int(y.rgba[i + c])));
        differing += d > 0;
        largest = std::max(largest, d);
    }
    return {differing, largest};
}

// Replays a kept session on a copy of the demo and checks it against what the session wrote when
// it was recorded (what the replay said goes to *said). The demo may have changed since (the
// replay then says so): the session must still play as recorded.
void ReplaySession(const std::string& name, std::string* said = nullptr)
{
    TempDir dir;
    const std::string data = CopyDemo(dir, "data"), kept = SourceDir() + "/tests/app/data/sessions/" + name;
    std::string out;
    const int status = Replay(data, kept + "/session.rec", "--screenshot '" + (dir / "last.png") + "'", &out);
    if (said) *said = out;
    const std::string again = "; if the demo changed on purpose, record the session again: "
                              "scripts/record-sessions.sh " +
                              name + "\n" + out;
    EXPECT_EQ(0, status) << again;
    EXPECT_NE(std::string::npos, out.find("replayed as recorded")) << again;
    EXPECT_EQ(std::string::npos, out.find("Sanitizer")) << out;
    // The files the session wrote, and only those, as they were written when it was played.
    // (Each kept file differs from the demo's, or the replay's list could not hold it.)
    const std::vector<std::string> expected = WrittenFiles(kept + "/expected");
    EXPECT_EQ(expected, WrittenFiles(data)) << again;
    for (const std::string& rel : expected)
        EXPECT_TRUE(ReadTextFile(kept + "/expected/" + rel) == ReadTextFile(data + "/" + rel))
            << rel << again;
    // The same picture; another build of the software renderer may round a few pixels otherwise.
    const auto [differing, largest] = PictureDifference(kept + "/last.png", dir / "last.png");
    const PngImage want = ReadPng(kept + "/last.png");
    EXPECT_TRUE(differing >= 0 && differing <= want.width * want.height / 200 && largest <= 6)
        << differing << " pixels differ, by up to " << largest << again;
}

} // namespace

// The session: once the level runs, look round with the mouse, walk (W), shoot twice, snapshot
// from the console; go to the yard from the console, walk, snapshot again; quit with Escape
// twice. Each console line is typed as a player types it.
const char kLiveDriver[] = R"sh(set -u; game="$1"; data="$2"; out="$3"
"$game" --data "$data" --windowed 320x240 --frames 400000 --record "$out/play.rec" --screenshot "$out/live.png" \
  > "$out/game.out" 2>&1 &
pid=$!
loads() { grep -c '^//Loading level' "$out/game.out" 2>/dev/null || echo 0; }
wait_loads() { for i in $(seq 1 300); do [ "$(loads)" -ge "$1" ] && return 0; sleep 0.1; done; echo "driver: no load $1"; }
console() { xdotool key grave; sleep 0.2; xdotool type --delay 10 "$1"; xdotool key Return; sleep 0.2; xdotool key grave; sleep 0.2; }
win=$(timeout 30 xdotool search --sync --onlyvisible --pid $pid 2>/dev/null | head -n 1)
if [ -z "$win" ]; then echo "driver: no game window"; kill $pid; exit 3; fi
wait_loads 1; xdotool windowfocus --sync $win || xdotool windowfocus $win; sleep 0.3
for i in 1 2 3 4 5 6 7 8; do xdotool mousemove_relative -- 9 2; sleep 0.03; done
xdotool keydown w; sleep 0.8; xdotool keyup w; xdotool click 1; sleep 0.2; xdotool click 1
console 'savekey 1'; console 'level "Levels/yard"'; wait_loads 2; sleep 0.3
xdotool keydown a; sleep 0.3; xdotool keyup a
for i in 1 2 3 4 5; do xdotool mousemove_relative -- -11 -3; sleep 0.03; done
console 'savekey 2'; sleep 0.3; xdotool key Escape; sleep 0.2; xdotool key Escape
for i in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill $pid 2>/dev/null; wait $pid; echo "driver: game exit $?"
)sh";

TEST(Replay, ARealSessionReplaysToTheLiveRunsFilesAndPictureEveryTime)
{
    SKIP_WITHOUT_XDOTOOL();
    TempDir dir;
    const std::string live = CopyDemo(dir, "live");
    ASSERT_TRUE(WriteTextFile(dir / "driver.sh", kLiveDriver));
    std::string out;
    RunCommand("timeout 150 env ALSOFT_DRIVERS=null XDG_CONFIG_HOME='" + dir.path +
                   "' xvfb-run -a -s '-screen 0 800x600x24' bash '" + (dir / "driver.sh") + "' '" +
                   KesrowExe() + "' '" + live + "' '" + dir.path + "'",
               &out);
    const std::string game = ReadTextFile(dir / "game.out");
    const std::string ended = LineStarting(game, "//Ended: quit after ");
    ASSERT_NE("", ended) << out << game;
    ASSERT_TRUE(FileExists(live + "/Levels/start/keyframe1") && FileExists(live + "/Levels/yard/keyframe2"))
        << out << game;
    // (Real keys and mouse moves reaching the game's turn are the real input test's; walking on a
    // key held, the kept sessions'.)

    // Replayed twice, each time on a fresh copy of the demo: the live run's end, to the pass and
    // the millisecond, its snapshots and its last frame.
    for (const char* name : {"first", "second"})
    {
        const std::string data = CopyDemo(dir, name);
        std::string replayed;
        EXPECT_EQ(0, Replay(data, dir / "play.rec", "--screenshot '" + (dir / name) + ".png'", &replayed))
            << replayed;
        EXPECT_NE(std::string::npos, replayed.find("replayed as recorded")) << replayed;
        EXPECT_EQ(ended, LineStarting(replayed, "//Ended: ")) << replayed;
        EXPECT_EQ(2u, Count("\n" + replayed, "\n//Loading level\n")) << replayed;
        for (const char* file : {"Levels/start/keyframe1", "Levels/yard/keyframe2"})
            EXPECT_TRUE(ReadTextFile(live + "/" + file) == ReadTextFile(data + "/" + file))
                << name << " " << file;
        EXPECT_EQ(std::make_pair(0, 0), PictureDifference(dir / "live.png", dir / name + ".png")) << name;
    }
}

// Every file each kept session wrote is compared whole with the one kept when it was recorded:
// guards shot down and the yard won; the player struck down and the level started again; the
// editor's moves, turns, undo, drop and save as.
TEST(Replay, TheWonDemoReplaysAsPlayed)
{
    ReplaySession("win");
}

TEST(Replay, TheStruckDownPlayerReplaysAsPlayed)
{
    ReplaySession("death");
}

TEST(Replay, TheEditorSessionReplaysToItsSaves)
{
    std::string out;
    ReplaySession("editor", &out);
    EXPECT_NE("", LineStarting(out, "//Saved the level as Levels/room/")) << out;
}

TEST(Replay, OtherContentIsSaidAndAGameThatGoesItsOwnWayIsCaught)
{
    // A batch run of the demo recorded, then replayed on copies: as it was; with a file the
    // recorded game did not have (said, and the game goes as recorded: nothing reads the file);
    // with the player put elsewhere at the start (said, and caught at the first state check).
    TempDir dir;
    std::string out;
    ASSERT_EQ(0, RunCommand(WindowedCommand("env ALSOFT_DRIVERS=null '" + KesrowExe() + "' --data '" +
                                            CopyDemo(dir, "recorded") + "' --windowed 160x120 --frames 120 " +
                                            "--fixed-step 20 --record '" + (dir / "run.rec") + "'"),
                            &out))
        << out;
    const std::string same = CopyDemo(dir, "same"), stray = CopyDemo(dir, "stray"),
                      moved = CopyDemo(dir, "moved");
    ASSERT_TRUE(WriteTextFile(stray + "/Levels/start/notes.txt", "not the recorded content\n"));
    ASSERT_TRUE(WriteTextFile(moved + "/Levels/start/starting", "0\n1\n5\n0\n-25\n0\n"));
    const std::string differs = "//Replay: the data folder's content differs";
    // {folder, exit status, the content line said, the way parted}
    const std::tuple<std::string, int, bool, bool> runs[] = {
        {same, 0, false, false}, {stray, 0, true, false}, {moved, 1, true, true}};
    for (const auto& [data, status, said, parted] : runs)
    {
        out.clear();
        EXPECT_EQ(status, Replay(data, dir / "run.rec", "", &out)) << data << out;
        EXPECT_EQ(said, LineStarting(out, differs) != "") << data << out;
        EXPECT_EQ(parted, LineStarting(out, "//Replay: the game went its own way at pass 50 ") != "") << out;
        EXPECT_EQ("//Ended: frame limit after 120 passes, game time 2400 ms", LineStarting(out, "//Ended: "))
            << out;
    }
}

TEST(Replay, CutAndNewerRecordingsEndClearly)
{
    // The reader's own tests take every cut and flipped byte; here are the game's ways out, all
    // with exit status 1: a recording cut in its blocks plays what is whole and ends saying so,
    // whether the cut falls inside a block or between two (here: right after the header); one of
    // a newer format is refused at its header.
    TempDir dir;
    const std::string whole = ReadTextFile(SourceDir() + "/tests/app/data/sessions/death/session.rec");
    const unsigned seed = std::random_device{}();
    std::mt19937 pick(seed);
    const size_t headerEnd = whole.find("\ncrc ") + 14;
    const std::string newer = "KESROW-RECORDING 7" + whole.substr(18);
    const std::tuple<std::string, std::string, std::string> recordings[] = {
        {whole.substr(0, std::uniform_int_distribution<size_t>(headerEnd, whole.size() - 1)(pick)), "cut",
         "//Ended: recording cut short after "},
        {whole.substr(0, headerEnd), "between", "is cut short after its last whole block"},
        {newer, "newer", "newer Kesrow (recording format 7; this one reads format 1"}};
    for (const auto& [bytes, what, said] : recordings)
    {
        ASSERT_TRUE(WriteTextFile(dir / "bad.rec", bytes));
        std::string out;
        const int status = Replay(CopyDemo(dir, what), dir / "bad.rec", "", &out);
        const std::string context = what + " (seed " + std::to_string(seed) + ")\n" + out;
        EXPECT_EQ(1, status) << context;
        EXPECT_NE(std::string::npos, out.find(said)) << context;
        EXPECT_EQ(std::string::npos, out.find("Sanitizer")) << context;
    }
}
