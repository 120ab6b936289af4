// The demo's level editor, end to end: the game runs on a copy of the demo in a window on a
// private X server and xdotool plays the editor's keys. A dropped actor is saved and comes back
// with the level; an actor pointed at, carried, turned, with edits undone and redone, changes its
// own line of "person" and nothing else; "save as" typed into the console makes a new level folder
// that loads without the old level's models.
#include "play_util.h"

#include <cmath>
#include <filesystem>
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

// The player starts (the copy's "starting") before Crate2, looking at it and a little down. Q
// selects it, T carries it while the view turns right, T puts it down; X turns it twice (each an
// edit), Ctrl+Z twice takes both turns back and Ctrl+Y does the first again; K saves. Then "save
// as" in the console, Delete and K save into the new folder.
const char kEditDriver[] = R"sh(set -u
game="$1"; data="$2"; person="$data/Levels/start/person"
loads() { grep -c '^//Loading level' "$data/game.out" 2>/dev/null || echo 0; }
wait_loads() { for i in $(seq 1 600); do [ "$(loads)" -ge "$1" ] && return 0; sleep 0.1; done; echo "driver: no load $1"; return 1; }
wait_file() { for i in $(seq 1 600); do [ -e "$1" ] && grep -q "$2" "$1" && return 0; sleep 0.1; done; echo "driver: $1 never held $2"; return 1; }
key() { xdotool key "$@"; sleep 0.5; }
# Control is held as a hand holds it: down before the key, up after it, each in ticks of their own.
ctrl() { xdotool keydown ctrl; sleep 0.2; xdotool key "$1"; sleep 0.2; xdotool keyup ctrl; sleep 0.5; }
"$game" --mute --data "$data" --windowed 640x480 > "$data/game.out" 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --pid $pid 2>/dev/null | head -n 1)
if [ -z "$win" ]; then echo "driver: no game window"; kill $pid; exit 3; fi
xdotool windowfocus --sync $win || xdotool windowfocus $win
wait_loads 1
xdotool mousemove --window $win 320 240
sleep 0.5
key e
wait_loads 2
sleep 0.5
key q
key t
for i in 1 2 3 4 5; do xdotool mousemove_relative -- 20 0; sleep 0.1; done
sleep 0.3
key t
key x
key x
ctrl z
ctrl z
ctrl y
key k
wait_file "$person" ',30,0,0,0,100,80,Crate2'
cp "$person" "$data/person.edited"
key grave
xdotool type --delay 50 'saveAs "room"'
key Return
key grave
wait_file "$data/Levels/room/person" Crate2
key Delete
key k
for i in $(seq 1 100); do grep -q Crate2 "$data/Levels/room/person" || break; sleep 0.1; done
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

TEST(Editor, AnActorCarriedTurnedUndoneAndRedoneChangesOnlyItsLineAndSaveAsMakesALevel)
{
    SKIP_WITHOUT_XDOTOOL();
    TempDir dir;
    const std::string data = dir / "demo";
    ASSERT_EQ(0, RunCommand("cp -r '" + SourceDir() + "/demo' '" + data + "'", nullptr));
    // Before Crate2 (at -5.3, 0, -8.6), looking along -z and 15 degrees down at it.
    ASSERT_TRUE(WriteTextFile(data + "/Levels/start/starting", "-5.3\n1\n-5.5\n15\n0\n0\n"));
    const std::string designed = ReadTextFile(data + "/Levels/start/person");
    ASSERT_TRUE(WriteTextFile(dir / "driver.sh", kEditDriver));
    std::string out;
    RunCommand("timeout 200 env XDG_CONFIG_HOME='" + dir.path + "' xvfb-run -a -s '-screen 0 800x600x24' bash '" +
                   (dir / "driver.sh") + "' '" + KesrowExe() + "' '" + data + "'",
               &out);
    ASSERT_NE(std::string::npos, out.find("driver: done")) << out << ReadTextFile(data + "/game.out");

    // The saved file differs from the designed one in Crate2's line alone, which changed in
    // place: carried right on the grid, turned once (20 + 15 snapped to 30), its size kept.
    std::vector<std::string> before, after;
    std::stringstream a(designed), b(ReadTextFile(data + "/person.edited"));
    for (std::string line; std::getline(a, line);)
        before.push_back(line);
    for (std::string line; std::getline(b, line);)
        after.push_back(line);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); i++)
    {
        if (Fields(before[i]).at(11) != "Crate2")
        {
            EXPECT_EQ(before[i], after[i]) << "line " << i + 1;
            continue;
        }
        const std::vector<std::string> f = Fields(after[i]);
        EXPECT_EQ("30", f[5]);
        EXPECT_EQ("80", f[10]);
        EXPECT_GT(std::stof(f[1]), -5.3f) << "carried to the right: " << after[i];
        EXPECT_EQ(0.0f, std::fmod(std::stof(f[1]), 0.5f)) << "on the grid: " << after[i];
        EXPECT_EQ(0.0f, std::fmod(std::stof(f[3]), 0.5f)) << "on the grid: " << after[i];
    }

    // Saved as Levels/room, which became the level K writes: Crate2 deleted there, not in start.
    const std::string room = data + "/Levels/room/";
    EXPECT_NE(std::string::npos, ReadTextFile(data + "/game.out").find("//Saved the level as Levels/room/"));
    EXPECT_EQ(ReadTextFile(data + "/person.edited"), ReadTextFile(data + "/Levels/start/person"));
    EXPECT_TRUE(ActorRecord(ReadTextFile(room + "person"), "Crate2").empty());
    EXPECT_FALSE(ActorRecord(ReadTextFile(room + "person"), "Crate1").empty());
    EXPECT_EQ(ReadTextFile(data + "/Levels/start/load script"), ReadTextFile(room + "load script"));
    EXPECT_NE(std::string::npos, ReadTextFile(room + "tex").find("Levels/room/Models/start_floor0.png"));

    // The new level loads without the old level's models: its own copies are used. Its load script
    // snapshots the actors it has.
    std::filesystem::remove_all(data + "/Levels/start/Models");
    std::string script = ReadTextFile(room + "load script");
    ASSERT_TRUE(WriteTextFile(room + "load script", "savekey 1\n" + script));
    std::string game = ReadTextFile(data + "/Data/game script");
    ASSERT_NE(std::string::npos, game.find("level \"Levels/start\""));
    game.replace(game.find("level \"Levels/start\""), 21, "level \"Levels/room\"");
    ASSERT_TRUE(WriteTextFile(data + "/Data/game script", game));
    std::string run;
    EXPECT_EQ(0, RunCommand(WindowedCommand("cd '" + data + "' && xvfb-run -a env ALSOFT_DRIVERS=null '" + KesrowExe() +
                                            "' --mute --windowed 320x240 --frames 10 --fixed-step 20 2>&1"),
                            &run));
    EXPECT_EQ(std::string::npos, run.find("Failed")) << run;
    const std::string snapshot = ReadTextFile(room + "keyframe1");
    for (const char* name : {"Warden", "Lookout", "Visitor", "Door", "Crate1", "Gun"})
        EXPECT_FALSE(ActorRecord(snapshot, name).empty()) << name << "\n" << snapshot;
}
