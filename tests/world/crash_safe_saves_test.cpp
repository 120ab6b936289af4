// Files the engine writes survive a save that dies half-way: a child process saving over and over
// is killed at many points, and writes that fail part-way (a file size limit) are refused; either
// way every file is afterwards whole, holding the old content or the new, never a mix or a stub.
#include "model/model_fixtures.h"

#include <gtest/gtest.h>

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

// One kind of file the engine saves: save(path, variant) writes variant 0 or 1 of it, 1 on
// success.
struct Saver
{
    const char* what;
    int (*save)(const std::string& path, int variant);
};

int SavePoses(const std::string& path, int variant)
{
    static mesh_mod* models[2] = {PoseModel(0), PoseModel(1)};
    return SaveModelPosesVXR(models[variant], path.c_str());
}

const Saver kSavers[] = {{"pose file", SavePoses}};

// The two complete texts of a saver's file, as a save that finished writes them.
void Variants(const Saver& saver, const TempDir& dir, std::string out[2])
{
    for (int v = 0; v < 2; v++)
    {
        std::string path = dir / ("variant" + std::to_string(v));
        ASSERT_EQ(1, saver.save(path, v)) << saver.what;
        out[v] = ReadTextFile(path);
        remove(path.c_str());
    }
    ASSERT_NE(out[0], out[1]);
    ASSERT_GT(out[0].size(), 16000u) << "too small for a kill to land inside a write";
}

TEST(CrashSafeSaves, KilledSaverLeavesTheOldFileOrTheNewWhole)
{
    std::mt19937 random(1234);
    for (const Saver& saver : kSavers)
    {
        TempDir dir;
        std::string texts[2];
        Variants(saver, dir, texts);
        const std::string path = dir / "saved";
        ASSERT_EQ(1, saver.save(path, 0));
        int sawOld = 0, sawNew = 0;
        for (int round = 0; round < 120; round++)
        {
            pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0)
            {
                // Saves variant 1 and 0 by turns until killed.
                for (int i = 1;; i ^= 1)
                    if (!saver.save(path, i)) _exit(3);
            }
            usleep(random() % 3000);
            kill(child, SIGKILL);
            int status = 0;
            waitpid(child, &status, 0);
            ASSERT_TRUE(WIFSIGNALED(status)) << saver.what << ": the saving child failed on its own";
            std::string now = Slurp(path);
            ASSERT_TRUE(now == texts[0] || now == texts[1]) << saver.what << " after kill " << round << ": "
                                                            << now.size() << " bytes, neither old nor new";
            (now == texts[0] ? sawOld : sawNew)++;
            // A kill may leave the one temporary file behind; it never piles up.
            EXPECT_LE(Strays(dir.path, {"saved"}).size(), 1u) << saver.what;
        }
        // Both versions were seen, so the kills did land during saves.
        EXPECT_GT(sawOld, 0) << saver.what;
        EXPECT_GT(sawNew, 0) << saver.what;
    }
}

TEST(CrashSafeSaves, WriteFailingPartWayKeepsTheOldFileAndSaysSo)
{
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    for (const Saver& saver : kSavers)
    {
        TempDir dir;
        std::string texts[2];
        Variants(saver, dir, texts);
        const std::string path = dir / "saved";
        ASSERT_EQ(1, saver.save(path, 0));
        // The disk fills at the first byte, in the middle and one byte before the end.
        const size_t size = texts[1].size();
        for (size_t limit : {size_t(0), size / 2, size - 1, size})
        {
            ConsoleCapture console;
            rlimit cap = saved;
            cap.rlim_cur = limit;
            ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &cap));
            int result = saver.save(path, 1);
            setrlimit(RLIMIT_FSIZE, &saved);
            if (limit < size)
            {
                EXPECT_EQ(0, result) << saver.what << ", limit " << limit;
                EXPECT_EQ(texts[0], Slurp(path)) << saver.what << ", limit " << limit;
                EXPECT_FALSE(ConsoleCapture::Lines().empty()) << saver.what << ": a failed save must say so";
            }
            else
            {
                EXPECT_EQ(1, result) << saver.what;
                EXPECT_EQ(texts[1], Slurp(path)) << saver.what;
            }
            EXPECT_EQ(0u, Strays(dir.path, {"saved"}).size()) << saver.what << ", limit " << limit;
        }
    }
    signal(SIGXFSZ, SIG_DFL);
}

} // namespace
