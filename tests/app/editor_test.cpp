// The demo's level editor, end to end: the game runs on a copy of the demo in a window on a
// private X server; xdotool switches the editor on, looks down, drops a humanoid, grows and
// turns it, saves, loads the level again from its files and saves once more. The level's
// "person" file must hold the new actor after each save, with what the keys did to it, and the
// level's own actors as designed.
#include "play_util.h"

#include <string>

namespace
{

// Each step waits until the game shows it took the previous one: the editor's start and the
// reload each load the level again, and a save rewrites "person".
const char kDriver[] = R"sh(set -u
game="$1"; data="$2"; person="$data/Levels/start/person"
loads() { grep -c '^//Loading level' "$data/game.out" 2>/dev/null || echo 0; }
wait_loads() { for i in $(seq 1 600); do [ "$(loads)" -ge "$1" ] && return 0; sleep 0.1; done; echo "driver: no load $1"; return 1; }
wait_saved() { for i in $(seq 1 600); do grep -q "$1" "$person" && return 0; sleep 0.1; done; echo "driver: no save"; return 1; }
"$game" --mute --data "$data" --windowed 640x480 --frames 400000 --fixed-step 20 --seed 1 > "$data/game.out" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --pid $pid 2>/dev/null | head -n 1)
if [ -z "$win" ]; then echo "driver: no game window"; kill $pid; exit 3; fi
xdotool windowfocus --sync $win || xdotool windowfocus $win
wait_loads 1
xdotool mousemove --window $win 320 240
sleep 0.3
xdotool key e
wait_loads 2
for i in 1 2 3 4 5 6 7 8; do xdotool mousemove_relative -- 0 20; sleep 0.1; done
sleep 0.3
xdotool key 2 g v x k
wait_saved humanoid1
cp "$person" "$data/person.first"
xdotool key 3
wait_loads 3
: > "$person"
xdotool key k
wait_saved humanoid1
kill $pid; wait $pid
echo "driver: done"
)sh";

} // namespace

TEST(Editor, DroppedActorIsSavedAndComesBackWithTheLevel)
{
    SKIP_WITHOUT_XDOTOOL();
    TempDir dir;
    const std::string data = dir / "demo";
    ASSERT_EQ(0, RunCommand("cp -r '" + SourceDir() + "/demo' '" + data + "'", nullptr));
    const std::string designed = ReadTextFile(data + "/Levels/start/person");
    ASSERT_TRUE(ActorRecord(designed, "humanoid1").empty());
    ASSERT_TRUE(WriteTextFile(dir / "driver.sh", kDriver));

    std::string out;
    RunCommand("timeout 200 xvfb-run -a -s '-screen 0 800x600x24' bash '" + (dir / "driver.sh") + "' '" +
                   KesrowExe() + "' '" + data + "'",
               &out);
    ASSERT_NE(std::string::npos, out.find("driver: done")) << out << ReadTextFile(data + "/game.out");

    for (const std::string& file : {data + "/person.first", data + "/Levels/start/person"})
    {
        const std::string saved = ReadTextFile(file);
        const std::vector<std::string> f = ActorRecord(saved, "humanoid1");
        ASSERT_FALSE(f.empty()) << file << "\n" << saved;
        EXPECT_EQ("humanoid", f[0]);
        EXPECT_NEAR(0.0f, std::stof(f[2]), 0.01f) << "stands on the floor: " << file;
        EXPECT_LT(std::stof(f[3]), 6.0f) << "in front of the start, which looks along -z: " << file;
        EXPECT_GT(std::stof(f[3]), -10.0f) << file;
        EXPECT_FLOAT_EQ(15.0f, std::stof(f[5])) << "X turned it: " << file;
        EXPECT_FLOAT_EQ(110.0f, std::stof(f[10])) << "V grew it: " << file;
        // The designed actors come back as designed: the editor started from the level's files
        // and nothing walked while it was on.
        std::stringstream lines(designed);
        for (std::string line; std::getline(lines, line);)
            EXPECT_EQ(Fields(line), ActorRecord(saved, Fields(line).at(11))) << file;
    }
}
