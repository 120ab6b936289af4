// Files the engine writes (level files, pose files, key frames, screenshots) survive a save that
// dies half-way: a child process saving over and over
// is killed at many points, and writes that fail part-way (a file size limit) are refused; either
// way every file is afterwards whole, holding the old content or the new, never a mix or a stub.
// A level's four files go together: once the next load has settled the folder they are all of
// one save.
#include "core/safe_write.h"
#include "model/model_fixtures.h"
#include "platform/window.h"
#include "script/scheduling.h"
#include "world/camera.h"
#include "world/humans.h"
#include "world/level.h"
#include "world/level_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <dirent.h>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// A model whose pose file is some tens of kilobytes, so that a kill can land inside a write.
// variant changes every value, so the two texts differ all through.
mesh_mod* PoseModel(int variant)
{
    mesh_mod* m = NewRecord<mesh_mod>();
    m->boneCursor = &m->boneListHead;
    m->poseCursor = &m->poseListHead;
    AddBone(m, "None", "None");
    std::vector<bonus*> bones;
    const char* names[] = {"Hips", "Body", "Head", "LArm", "RArm", "LLeg", "RLeg", "LFor"};
    for (const char* name : names)
        bones.push_back(AddBone(m, name, "None"));
    for (int p = 0; p < 60; p++)
    {
        char name[32];
        snprintf(name, sizeof name, "Pose%d_%d", p, variant);
        pose_struct* pose = AddPose(m, name);
        for (size_t b = 0; b < bones.size(); b++)
            AddEntry(pose, bones[b], float(p + variant), float(b), float(variant * 3), 0.5f * variant);
    }
    return m;
}

std::string Slurp(const std::string& path)
{
    return FileExists(path) ? ReadTextFile(path) : std::string("<missing>");
}

// Names in folder other than the given ones (left-over temporary files).
std::vector<std::string> Strays(const std::string& folder, const std::vector<std::string>& known)
{
    std::vector<std::string> out;
    DIR* d = opendir(folder.c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
    {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (std::find(known.begin(), known.end(), name) == known.end()) out.push_back(name);
    }
    if (d) closedir(d);
    return out;
}

// A level state of 200 actors and 100 level models, moved by variant: the person file and a key
// frame file are some tens of kilobytes.
void SetLevelVariant(int variant)
{
    static bool built = false;
    if (!built)
    {
        EnsureHumanRoster();
        for (int i = 0; i < 200; i++)
        {
            human_being* h = AppendNewHuman();
            h->model = NewRecord<mesh_mod>();
            snprintf(h->model->name, sizeof h->model->name, "humanoid");
            snprintf(h->name, sizeof h->name, "actor%d", i);
        }
        for (int i = 0; i < 100; i++)
        {
            mesh_mod* m = Append(&baseLevelMesh, NewRecord<mesh_mod>());
            snprintf(m->name, sizeof m->name, "block%d", i);
        }
        built = true;
    }
    int i = 0;
    for (human_being* h = baseHuman->next; h; h = h->next, i++)
        h->position = fastVector_Set(float(i + variant * 1000) + 0.123457f, float(variant) + 0.654321f,
                                     -float(i) - 0.5f);
    for (human_being* h = baseHuman->next; h; h = h->next)
        h->rotation = fastVector_Set(0.271828f * (variant + 1), 12.345678f, -0.314159f);
    i = 0;
    for (mesh_mod* m = baseLevelMesh.next; m; m = m->next, i++)
    {
        m->placementPosition = fastVector_Set(float(i), float(variant * 7), 0.5f);
        m->placementScale = 100.0f + variant;
    }
    gLevelStart.eye.x = 1.0f + variant;
    baseCol1 = 0.25f * variant;
}

// One kind of file the engine saves: save(folder, variant) writes variant 0 or 1 of the files
// named in files into folder (ending with '/'), 1 on success.
struct Saver
{
    const char* what;
    std::vector<std::string> files;
    int (*save)(const std::string& folder, int variant);
    int rounds;    // kills
    bool together; // the files are one save: all of one version once the folder is settled
};

int SavePoses(const std::string& folder, int variant)
{
    static mesh_mod* models[2] = {PoseModel(0), PoseModel(1)};
    return SaveModelPosesVXR(models[variant], (folder + "humanoid_poses").c_str());
}

int SaveLevel(const std::string& folder, int variant)
{
    SetLevelVariant(variant);
    return SaveChangesToLevelFiles(folder.c_str());
}

// savekey reports a failed save only on the console.
int SaveKeyFrame(const std::string& folder, int variant)
{
    SetLevelVariant(variant);
    snprintf(currentLevelFolder, sizeof currentLevelFolder, "%s", folder.c_str());
    ConsoleCapture console;
    ExecuteVXRCommand("savekey", "3");
    return ConsoleCapture::Lines().empty() ? 1 : 0;
}

// A screenshot of noise (it hardly compresses, so the file is tens of kilobytes), different for
// each variant.
int SaveScreenshot(const std::string& folder, int variant)
{
    static std::vector<unsigned char> pictures[2];
    std::vector<unsigned char>& rgb = pictures[variant];
    if (rgb.empty())
    {
        std::mt19937 noise(77 + variant);
        rgb.resize(160 * 120 * 3);
        for (unsigned char& c : rgb)
            c = (unsigned char)noise();
    }
    return PLT_WriteScreenshotPixels((folder + "shot.png").c_str(), rgb.data(), 160, 120);
}

const Saver kSavers[] = {
    {"pose file", {"humanoid_poses"}, SavePoses, 60, false},
    {"level files", {"person", "starting", "level models", "tint"}, SaveLevel, 100, true},
    {"key frame file", {"keyframe3"}, SaveKeyFrame, 60, false},
    {"screenshot", {"shot.png"}, SaveScreenshot, 60, false}};

// The complete texts of a saver's files, as saves that finished write them, by variant.
void Variants(const Saver& saver, const TempDir& dir, std::vector<std::string> out[2])
{
    for (int v = 0; v < 2; v++)
    {
        std::string folder = dir / ("variant" + std::to_string(v)) + "/";
        ASSERT_TRUE(WriteTextFile(folder + "made", ""));
        ASSERT_EQ(1, saver.save(folder, v)) << saver.what;
        for (const std::string& file : saver.files)
            out[v].push_back(ReadTextFile(folder + file));
    }
    ASSERT_NE(out[0][0], out[1][0]);
    ASSERT_GT(out[0][0].size(), 16000u) << saver.what << " is too small for a kill to land inside a write";
}

// Each file of the saver in folder holds one of the two versions whole. Counts which.
::testing::AssertionResult WholeFiles(const Saver& saver, const std::string& folder,
                                      const std::vector<std::string> texts[2], int seen[2])
{
    for (size_t f = 0; f < saver.files.size(); f++)
    {
        std::string now = Slurp(folder + saver.files[f]);
        if (now == texts[0][f])
            seen[0]++;
        else if (now == texts[1][f])
            seen[1]++;
        else
            return ::testing::AssertionFailure() << saver.what << ": " << saver.files[f] << " holds "
                                                 << now.size() << " bytes, neither version";
    }
    return ::testing::AssertionSuccess();
}

// A level folder holding the saver's files in their first version and a file of the user's
// own ("made") that no save may touch; the two versions' texts are in texts.
struct SavedFolder
{
    TempDir dir;
    std::vector<std::string> texts[2];
    std::string folder = dir / "level/";
    std::vector<std::string> known;
    bool ready;
    explicit SavedFolder(const Saver& saver) : known(saver.files)
    {
        Variants(saver, dir, texts);
        known.push_back("made");
        ready = WriteTextFile(folder + "made", "") && saver.save(folder, 0) == 1;
    }
};

TEST(CrashSafeSaves, KilledSaverLeavesTheOldFileOrTheNewWhole)
{
    std::mt19937 random(1234);
    for (const Saver& saver : kSavers)
    {
        SavedFolder fixture(saver);
        ASSERT_TRUE(fixture.ready) << saver.what;
        const std::string& folder = fixture.folder;
        const std::vector<std::string>& known = fixture.known;
        std::vector<std::string>* texts = fixture.texts;
        // Kills land up to two saves' time after one or two saves finished, so they fall in every
        // part of a save whatever the disk's speed, after either version was last completed.
        auto started = std::chrono::steady_clock::now();
        for (int i = 0; i < 4; i++)
            ASSERT_EQ(1, saver.save(folder, i & 1));
        const long saveMicros = std::max<long>(1, std::chrono::duration_cast<std::chrono::microseconds>(
                                                      std::chrono::steady_clock::now() - started)
                                                          .count() /
                                                      4);
        int seen[2] = {0, 0};
        for (int round = 0; round < saver.rounds; round++)
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
                    if (!saver.save(folder, i) || write(done[1], "s", 1) != 1) _exit(3);
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
            ASSERT_TRUE(WholeFiles(saver, folder, texts, seen)) << "after kill " << round;
            if (saver.together)
            {
                // What the next load does first: the interrupted save is finished or undone, and
                // the folder then holds one save's files and nothing else of it.
                SettleInterruptedSave(folder.c_str(), kSavedLevelFiles, 4, kLevelSaveJournal);
                int version[2] = {0, 0};
                ASSERT_TRUE(WholeFiles(saver, folder, texts, version));
                ASSERT_TRUE(version[0] == 4 || version[1] == 4)
                    << "after kill " << round << ": " << version[0] << " files of one save, " << version[1]
                    << " of the other";
                ASSERT_TRUE(Strays(folder, known).empty())
                    << "after kill " << round << ": " << Strays(folder, known)[0];
                continue;
            }
            // A kill may leave a file's one temporary beside it; they never pile up.
            for (const std::string& stray : Strays(folder, known))
                EXPECT_TRUE(std::find(known.begin(), known.end(), stray.substr(0, stray.rfind('.'))) !=
                            known.end())
                    << saver.what << " left " << stray;
            EXPECT_LE(Strays(folder, known).size(), saver.files.size()) << saver.what;
        }
        // Both versions were seen, so the kills did land during saves.
        EXPECT_GT(seen[0], 0) << saver.what;
        EXPECT_GT(seen[1], 0) << saver.what;
    }
}

TEST(CrashSafeSaves, WriteFailingPartWayKeepsTheOldFileAndSaysSo)
{
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    for (const Saver& saver : kSavers)
    {
        SavedFolder fixture(saver);
        ASSERT_TRUE(fixture.ready) << saver.what;
        const std::string& folder = fixture.folder;
        const std::vector<std::string>& known = fixture.known;
        std::vector<std::string>* texts = fixture.texts;
        // The disk fills at the first byte, in the middle and one byte before the end of the
        // largest file; at its size every file fits.
        const size_t size = texts[1][0].size();
        for (size_t limit : {size_t(0), size / 2, size - 1, size})
        {
            ConsoleCapture console;
            rlimit cap = saved;
            cap.rlim_cur = limit;
            ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &cap));
            int result = saver.save(folder, 1);
            setrlimit(RLIMIT_FSIZE, &saved);
            int seen[2] = {0, 0};
            EXPECT_TRUE(WholeFiles(saver, folder, texts, seen)) << "limit " << limit;
            if (limit < size)
            {
                EXPECT_EQ(0, result) << saver.what << ", limit " << limit;
                EXPECT_GT(seen[0], 0) << saver.what << ": the file that did not fit keeps its old text";
                EXPECT_FALSE(ConsoleCapture::Lines().empty()) << saver.what << ": a failed save must say so";
            }
            else
            {
                EXPECT_EQ(1, result) << saver.what;
                EXPECT_EQ(seen[1], int(saver.files.size())) << saver.what;
            }
            EXPECT_EQ(0u, Strays(folder, known).size()) << saver.what << ", limit " << limit;
        }
    }
    signal(SIGXFSZ, SIG_DFL);
}

} // namespace
