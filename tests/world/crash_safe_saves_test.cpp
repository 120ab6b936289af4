// The level's files survive a save that dies half-way: a child process saving over and over is
// killed at many points, and every file is afterwards whole, holding the old content or the new,
// never a mix or a stub; once the next load has settled the folder they are all of one save. The
// one-file saves (pose file, key frame, screenshot) make and rename their temporary the same way as
// each of the level's files; that a pose save does put its file in place is the untrusted levels
// test's. (A write that fails part-way is the safe writer's own test's and the level files test's.)
#include "core/safe_write.h"
#include "model/model_fixtures.h"
#include "world/humans.h"
#include "world/level.h"
#include "world/level_files.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

// A level of 200 actors and 100 level models, saved moved by variant: the person file is some
// tens of kilobytes, so that a kill can land inside a write.
static int SaveLevel(const std::string& folder, int variant)
{
    EnsureHumanRoster();
    static int made = 0; // made once, moved by each save
    for (; made < 200; made++)
    {
        human_being* h = AppendNewHuman();
        h->model = NewRecord<mesh_mod>();
        snprintf(h->model->name, sizeof h->model->name, "humanoid");
        snprintf(h->name, sizeof h->name, "actor%d", made);
        if (made < 100)
            snprintf(Append(&baseLevelMesh, NewRecord<mesh_mod>())->name, kModelNameSize, "block%d", made);
    }
    int i = 0;
    for (human_being* h = baseHuman->next; h; h = h->next, i++)
        h->position = fastVector_Set(i + variant * 1000 + 0.123457f, variant + 0.654321f, -i - 0.5f),
        h->rotation = fastVector_Set(0.271828f * (variant + 1), 12.345678f, -0.314159f);
    i = 0;
    for (mesh_mod* m = baseLevelMesh.next; m; m = m->next, i++)
        m->placementPosition = fastVector_Set(float(i), float(variant * 7), 0.5f),
        m->placementScale = 100.0f + variant;
    gLevelStart.eye.x = 1.0f + variant, baseCol1 = 0.25f * variant;
    return SaveChangesToLevelFiles(folder.c_str());
}

// A folder holding the level's files in their first version beside a file of the user's own
// ("made") that no save may touch, and the complete texts of both versions.
struct SavedFolder
{
    TempDir dir;
    std::string folder = dir / "level/";
    std::vector<std::string> texts[2];
    SavedFolder()
    {
        for (int v = 0; v < 2; v++)
        {
            const std::string other = dir / ("variant" + std::to_string(v)) + "/";
            std::filesystem::create_directories(other);
            EXPECT_EQ(1, SaveLevel(other, v));
            for (const char* file : kSavedLevelFiles)
                texts[v].push_back(ReadTextFile(other + file));
        }
        EXPECT_NE(texts[0][0], texts[1][0]);
        EXPECT_GT(texts[0][0].size(), 16000u)
            << "the person file is too small for a kill to land inside a write";
        EXPECT_TRUE(WriteTextFile(folder + "made", "") && SaveLevel(folder, 0) == 1);
    }
    // Each of the level's files holds one of the two versions whole; counts which in seen.
    ::testing::AssertionResult Whole(int seen[2]) const
    {
        for (size_t f = 0; f < 4; f++)
        {
            const std::string now = ReadTextFile(folder + kSavedLevelFiles[f]); // "" when missing
            if (now != texts[0][f] && now != texts[1][f])
                return ::testing::AssertionFailure()
                       << kSavedLevelFiles[f] << " holds " << now.size() << " bytes, neither version";
            seen[now == texts[1][f]]++;
        }
        return ::testing::AssertionSuccess();
    }
    // Every name in the folder: the level's files and "made" unless something was left over
    // (temporaries, a journal).
    std::set<std::string> Names() const
    {
        std::set<std::string> out = {"made"};
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            out.insert(entry.path().filename().string());
        return out;
    }
};

TEST(CrashSafeSaves, KilledSaverLeavesTheOldFilesOrTheNewWhole)
{
    std::mt19937 random(1234);
    const SavedFolder saved;
    // Kills land up to two saves' time after one or two saves finished, so they fall in every part
    // of a save whatever the disk's speed, after either version was last completed.
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 4; i++)
        ASSERT_EQ(1, SaveLevel(saved.folder, i & 1));
    const auto took = std::chrono::steady_clock::now() - started;
    const long saveMicros = std::chrono::duration_cast<std::chrono::microseconds>(took).count() / 4 + 1;
    std::set<std::string> names(std::begin(kSavedLevelFiles), std::end(kSavedLevelFiles));
    names.insert("made");
    int seen[2] = {0, 0};
    for (int round = 0; round < 100; round++)
    {
        int done[2];
        ASSERT_EQ(0, pipe(done));
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
        {
            // Saves variant 1 and 0 by turns until killed, telling the parent after each.
            close(done[0]);
            for (int i = 1;; i ^= 1)
                if (!SaveLevel(saved.folder, i) || write(done[1], "s", 1) != 1) _exit(3);
        }
        close(done[1]);
        char byte;
        for (int finished = 1 + int(random() % 2); finished > 0; finished--)
            ASSERT_EQ(1, read(done[0], &byte, 1)) << "the saving child stopped";
        usleep(useconds_t(random() % (2 * saveMicros + 1)));
        kill(child, SIGKILL), close(done[0]);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child failed on its own";
        ASSERT_TRUE(saved.Whole(seen)) << "after kill " << round;
        // What the next load does first: the interrupted save is finished or undone, and the
        // folder then holds one save's files and nothing else of it.
        SettleInterruptedSave(saved.folder.c_str(), kSavedLevelFiles, 4, kLevelSaveJournal);
        int version[2] = {0, 0};
        ASSERT_TRUE(saved.Whole(version));
        ASSERT_TRUE(version[0] == 4 || version[1] == 4)
            << "after kill " << round << ": " << version[0] << " files of one save, " << version[1]
            << " of the other";
        ASSERT_EQ(saved.Names(), names) << "after kill " << round;
    }
    // Both versions were seen, so the kills did land during saves.
    EXPECT_TRUE(seen[0] > 0 && seen[1] > 0);
}
