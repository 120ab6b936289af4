// Pose file lines the readers leave out are reported with their line, in both formats, and the
// poses around them still load.
#include "model/loader.h"
#include "model/mesh_records.h"
#include "model/posing.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>

static mesh_mod* ModelWithArm(const TempDir& dir)
{
    WriteTextFile(dir / "arm", "arm\nby hand\n0 0 0 0 Arm None 100 None\n1 660 0 0\n2 0 660 0\nEDGES\n"
                               "MATERIAL\t65535 0 0 1 0 0 0 0 0 0 0 0 0 0\n0 1 2\nEND\n");
    mesh_mod* model = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    EXPECT_EQ(LoadMeshworkModel(model, (dir / "arm").c_str()), 1);
    return model;
}

static std::vector<int> EntriesPerPose(const mesh_mod* model)
{
    std::vector<int> counts;
    for (pose_struct* p = model->poseListHead.next; p; p = p->next)
    {
        counts.push_back(0);
        for (pose_entry* e = p->entryListHead.next; e; e = e->next)
            counts.back()++;
    }
    return counts;
}

TEST(PoseProblems, KeyframeLinesLeftOutAreReportedWithTheirLine)
{
    TempDir dir;
    mesh_mod* model = ModelWithArm(dir);
    std::string path = dir / "keys";
    WriteTextFile(path, "\tArm (0,100000,0) 45\nOpen\n\tArm (0,100000,0) 45\n\tLeg (0,100000,0) 45\n"
                        "\tArm nonsense\n*END*\n");
    ProblemCapture capture;
    EXPECT_EQ(ImportModelAnimations(model, path.c_str()), 1);
    EXPECT_EQ(capture.problems,
              (std::vector<std::string>{path + ":1: bone key before the first pose, ignored",
                                        path + ":4: bone \"Leg\" is not in the model, the line is left out",
                                        path + ":5: unreadable bone key skipped: Arm nonsense"}));
    EXPECT_EQ(EntriesPerPose(model), (std::vector<int>{1}));
    DisposeMeshworkModel(model);
}

TEST(PoseProblems, PoseFileEntriesLeftOutOrShortAreReportedWithTheirLine)
{
    TempDir dir;
    mesh_mod* model = ModelWithArm(dir);
    std::string path = dir / "arm_poses";
    // CR LF ends one line; an empty pose after the faulty one still loads.
    WriteTextFile(path,
                  "VXR_Poses\r\nOpen\r\n{\r\nArm 0,0,0,90,0,0,1\r\nLeg 0,0,0,0,0,0,1\r\nArm 1,2\r\n}\r\n"
                  "Shut\r\n{\r\n}\r\n");
    ProblemCapture capture;
    EXPECT_EQ(ImportModelAnimations(model, path.c_str()), 1);
    EXPECT_EQ(capture.problems, (std::vector<std::string>{
                                    path + ":5: bone \"Leg\" is not in the model, the line is left out",
                                    path + ":6: entry of bone Arm has 2 of its 6 numbers, the rest are 0"}));
    EXPECT_EQ(EntriesPerPose(model), (std::vector<int>{2, 0}));
    DisposeMeshworkModel(model);
}
