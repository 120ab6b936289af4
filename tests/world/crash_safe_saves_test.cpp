// Files the engine writes (level files, and pose files for every one-file save) survive a save that
// dies half-way: a child process saving over and over is killed at many points, and every file is
// afterwards whole, holding the old content or the new, never a mix or a stub. A level's four
// files go together: once the next load has settled the folder they are all of one save. (A write
// that fails part-way is the safe writer's own test's; the level's and the screenshot's failures
// are said as the level files test and the shell test check.)
#include "core/safe_write.h"
#include "model/model_fixtures.h"
#include "world/humans.h"
#include "world/level.h"
#include "world/level_files.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// A level of 200 actors and 100 level models, saved moved by variant: the person file is some
// tens of kilobytes, so that a kill can land inside a write.
int SaveLevel(const std::string& folder, int variant)
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
    {
        h->position = fastVector_Set(i + variant * 1000 + 0.123457f, variant + 0.654321f, -i - 0.5f);
        h->rotation = fastVector_Set(0.271828f * (variant + 1), 12.345678f, -0.314159f);
    }
    i = 0;
    for (mesh_mod* m = baseLevelMesh.next; m; m = m->next, i++)
        m->placementPosition = fastVector_Set(float(i), float(variant * 7), 0.5f),
        m->placementScale = 100.0f + variant;
    gLevelStart.eye.x = 1.0f + variant;
    baseCol1 = 0.25f * variant;
    return SaveChangesToLevelFiles(folder.c_str());
}

// A model with 8 bones and 60 poses whose values all change with variant: some tens of kilobytes.
int SavePoses(const std::string& folder, int variant)
{
    static mesh_mod* models[2] = {};
    if (!models[variant])
    {
        mesh_mod* m = models[variant] = NewRecord<mesh_mod>();
        m->boneCursor = &m->boneListHead;
        m->poseCursor = &m->poseListHead;
        AddBone(m, "None", "None");
        std::vector<bonus*> bones;
        for (const char* name : {"Hips", "Body", "Head", "LArm", "RArm", "LLeg", "RLeg", "LFor"})
            bones.push_back(AddBone(m, name, "None"));
        for (int p = 0; p < 60; p++)
        {
            pose_struct* pose =
                AddPose(m, ("Pose" + std::to_string(p) + "_" + std::to_string(variant)).c_str());
            for (size_t b = 0; b < bones.size(); b++)
                AddEntry(pose, bones[b], float(p + variant), float(b), float(variant * 3), 0.5f * variant);
        }
    }
    return SaveModelPosesVXR(models[variant], (folder + "humanoid_poses").c_str());
}

// One kind of file the engine saves: save(folder, variant) writes variant 0 or 1 of the files
// into folder (ending with '/'), 1 on success. The level's files are one save: all of one version
// once the folder is settled.
struct Saver
{
    const char* what;
    std::vector<std::string> files;
    int (*save)(const std::string& folder, int variant);
    int kills;
};
// The key frame and the screenshot go through the same one-file safe write as the pose file.
const Saver kSavers[] = {{"pose file", {"humanoid_poses"}, SavePoses, 60},
                         {"level files", {"person", "starting", "level models", "tint"}, SaveLevel, 100}};

// A folder holding the saver's files in their first version beside a file of the user's own
// ("made") that no save may touch, and the complete texts of both versions.
struct SavedFolder
{
    const Saver& saver;
    TempDir dir;
    std::string folder = dir / "level/";
    std::vector<std::string> texts[2];
    explicit SavedFolder(const Saver& s) : saver(s)
    {
        for (int v = 0; v < 2; v++)
        {
            const std::string other = dir / ("variant" + std::to_string(v)) + "/";
            std::filesystem::create_directories(other);
            EXPECT_EQ(1, saver.save(other, v)) << saver.what;
            for (const std::string& file : saver.files)
                texts[v].push_back(ReadTextFile(other + file));
        }
        EXPECT_NE(texts[0][0], texts[1][0]);
        EXPECT_GT(texts[0][0].size(), 16000u)
            << saver.what << " is too small for a kill to land inside a write";
        EXPECT_TRUE(WriteTextFile(folder + "made", "") && saver.save(folder, 0) == 1) << saver.what;
    }
    // Each of the saver's files holds one of the two versions whole; counts which in seen.
    ::testing::AssertionResult Whole(int seen[2]) const
    {
        for (size_t f = 0; f < saver.files.size(); f++)
        {
            const std::string now =
                FileExists(folder + saver.files[f]) ? ReadTextFile(folder + saver.files[f]) : "";
            if (now != texts[0][f] && now != texts[1][f])
                return ::testing::AssertionFailure() << saver.what << ": " << saver.files[f] << " holds "
                                                     << now.size() << " bytes, neither version";
            seen[now == texts[1][f]]++;
        }
        return ::testing::AssertionSuccess();
    }
    // Names other than the saver's files and "made" (left-over temporaries).
    std::vector<std::string> Strays() const
    {
        std::vector<std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
        {
            const std::string name = entry.path().filename().string();
            if (name != "made" &&
                std::find(saver.files.begin(), saver.files.end(), name) == saver.files.end())
                out.push_back(name);
        }
        return out;
    }
};

TEST(CrashSafeSaves, KilledSaverLeavesTheOldFileOrTheNewWhole)
{
    std::mt19937 random(1234);
    for (const Saver& saver : kSavers)
    {
        const SavedFolder saved(saver);
        // Kills land up to two saves' time after one or two saves finished, so they fall in every
        // part of a save whatever the disk's speed, after either version was last completed.
        const auto started = std::chrono::steady_clock::now();
        for (int i = 0; i < 4; i++)
            ASSERT_EQ(1, saver.save(saved.folder, i & 1));
        const long saveMicros = std::max<long>(1, std::chrono::duration_cast<std::chrono::microseconds>(
                                                      std::chrono::steady_clock::now() - started)
                                                          .count() /
                                                      4);
        int seen[2] = {0, 0};
        for (int round = 0; round < saver.kills; round++)
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
                    if (!saver.save(saved.folder, i) || write(done[1], "s", 1) != 1) _exit(3);
            }
            close(done[1]);
            char byte;
            for (int finished = 1 + int(random() % 2); finished > 0; finished--)
                ASSERT_EQ(1, read(done[0], &byte, 1)) << saver.what << ": the saving child stopped";
            usleep(useconds_t(random() % (2 * saveMicros + 1)));
            kill(child, SIGKILL);
            close(done[0]);
            int status = 0;
            waitpid(child, &status, 0);
            ASSERT_TRUE(WIFSIGNALED(status)) << saver.what << ": the saving child failed on its own";
            ASSERT_TRUE(saved.Whole(seen)) << "after kill " << round;
            if (saver.files.size() == 4)
            {
                // What the next load does first: the interrupted save is finished or undone, and
                // the folder then holds one save's files and nothing else of it.
                SettleInterruptedSave(saved.folder.c_str(), kSavedLevelFiles, 4, kLevelSaveJournal);
                int version[2] = {0, 0};
                ASSERT_TRUE(saved.Whole(version));
                ASSERT_TRUE(version[0] == 4 || version[1] == 4)
                    << "after kill " << round << ": " << version[0] << " files of one save, " << version[1]
                    << " of the other";
                ASSERT_EQ(saved.Strays(), std::vector<std::string>{}) << "after kill " << round;
                continue;
            }
            // A kill may leave the file's one temporary beside it; they never pile up.
            const std::vector<std::string> strays = saved.Strays();
            EXPECT_TRUE(strays.empty() || strays == std::vector<std::string>{saver.files[0] + ".saving"})
                << saver.what << " left " << strays[0];
        }
        // Both versions were seen, so the kills did land during saves.
        EXPECT_TRUE(seen[0] > 0 && seen[1] > 0) << saver.what;
    }
}

} // namespace
