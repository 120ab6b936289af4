// Skeleton posing and pose files: rotation order, bone chains (two-bone weights are the model
// drawing test's), Euler angles from an axis and angle, loading poses into the channels, and both
// pose file formats with the lines they leave out, each reported at its line.
#include "model/posing.h"

#include "model_fixtures.h"
#include "world/humans.h"

#include <cmath>

namespace
{

// A skeleton of three bones: the root "None", "arm" pivoting at (1, 0, 0) and "leg" below it.
mesh_mod* NewSkeleton()
{
    mesh_mod* m = NewRecord<mesh_mod>();
    AddBone(m, "None");
    AddBone(m, "arm")->pivot = {1, 0, 0};
    AddBone(m, "leg")->pivot = {0, -1, 0};
    return m;
}

std::vector<pose_entry*> Entries(pose_struct* p)
{
    return ListOf(p->entryListHead.next);
}

// m's poses as text: "name: bone rx ry rz mx my mz active, ...; " rounded to three decimals.
std::string Describe(mesh_mod* m)
{
    std::string s;
    for (pose_struct* p = m->poseListHead.next; p; p = p->next)
    {
        s += std::string(p->name) + ":";
        for (pose_entry* e : Entries(p))
            s += std::string(" ") + e->bone->signature + " " +
                 Nums(e->rotationX, e->rotationY, e->rotationZ, e->moveX, e->moveY, e->moveZ, e->active) +
                 ",";
        s += "; ";
    }
    return s;
}

} // namespace

TEST(Posing, TurnsBoneChainsPosesSetMorphedAndMadeAndPoseFilesWithTheirOddLines)
{
    // Right-handed turns in x, y, z order (RotateVector) and Euler angles from an axis and angle:
    // the axis length and full turns drop out; no axis, no turn. Each row turns a point by the
    // angles and compares it with the turn about the axis: {angle, axis, point, expected}.
    EXPECT_EQ(Vecs({GetEularAngles(405, 0, 2, 0), GetEularAngles(60, 0, 0, 0)}), "0 45 0, 0 0 0");
    const float cases[][10] = {{180, 1, 1, 0, 1, 0, 0, 0, 1, 0},
                               {180, 1, 1, 0, 0, 0, 1, 0, 0, -1},
                               {120, 1, 1, 1, 1, 0, 0, 0, 1, 0},
                               {120, 2, 2, 2, 0, 1, 0, 0, 0, 1},
                               {90, 0, 1, 1, 1, 0, 0, 0, 0.7071f, -0.7071f},
                               {60, 1, 2, 3, 0, 1, 0, -0.6229f, 0.6429f, 0.4457f},
                               {-140, -1, 0.5f, 0.2f, 1, 0, 0, 0.603f, -0.7977f, 0.0092f},
                               {-30, 0, 0, 3, 1, 0, 0, 0.866f, -0.5f, 0},
                               // Pitched a quarter up and down, with an x turn as well.
                               {120, 1, -1, 1, 0, 1, 0, -1, 0, 0},
                               {120, 1, 1, -1, 0, 0, 1, 0, -1, 0}};
    for (const auto& c : cases)
    {
        vector_type e = GetEularAngles(c[0], c[1], c[2], c[3]);
        EXPECT_EQ(Vecs({RotateVector({c[4], c[5], c[6]}, {0, 0, 0}, e.x, e.y, e.z)}), Nums(c[7], c[8], c[9]))
            << c[0];
    }

    mesh_mod* m = NewSkeleton();
    bonus* root = m->boneListHead.next;
    bonus* arm = root->next;
    arm->rotationZ[2] = 90;
    arm->rotationZ[0] = arm->rotationZ[1] = 45; // pose A and B play no part; only the current ones
    const vector_type turned = PoseVertex(arm, 2, 0, 0);
    // The parent's translation and rotation apply after the child's.
    root->moveY[2] = 0.5f;
    const vector_type moved = PoseVertex(arm, 2, 0, 0);
    root->moveY[2] = 0;
    root->rotationZ[2] = 90;
    EXPECT_EQ(Vecs({turned, moved, PoseVertex(arm, 2, 0, 0), PoseVertex(nullptr, 4, 5, 6)}),
              "1 1 0, 1 1.5 0, -1 1 0, 4 5 6");

    // Two bones naming each other as parent must not hang posing.
    bonus* a = AddBone(m, "a", "b");
    AddBone(m, "b", "a");
    a->moveX[2] = 1;
    vector_type p = PoseVertex(a, 0, 0, 0);
    EXPECT_TRUE(std::isfinite(p.x) && p.x > 1);

    DisposeMeshworkModel(m);

    m = NewSkeleton();
    arm = m->boneListHead.next->next;
    bonus* leg = arm->next;
    human_being owner = {};
    owner.poseQueued = 1;
    m->owner = &owner;
    AddEntry(AddPose(m, "Walking"), arm, 10, 20, 30, 1, 2, 3);
    AddEntry(AddPose(m, "Walk"), arm, -5, 0, 0, 0, 0, 0);
    pose_struct* run = AddPose(m, "Run");
    AddEntry(run, arm, 40, 0, 0, 0, 4, 0);
    AddEntry(run, leg, 99, 99, 99, 9, 9, 9, 0); // inactive: leg keeps its values
    AddPose(m, "Empty");
    leg->rotationX[1] = 7;
    SetModelPoses(m, "Walk", "Run");
    // "Walk" finds "Walking" first.
    EXPECT_EQ((std::vector<float>{0, 10, 40, 7}),
              (std::vector<float>{(float)owner.poseQueued, arm->rotationX[0], arm->rotationX[1],
                                  leg->rotationX[1]}));
    // Unknown names and empty poses change nothing; no owner is fine.
    m->owner = nullptr;
    SetModelPoses(m, "Jump", "Empty");
    EXPECT_EQ(arm->rotationX[0], 10);

    // Morphing freezes the present blend into pose A and loads the new pose as B.
    // 40 + (10 - 40) * 0.25; the inactive entry stays.
    float percent = 25;
    MorphModelPoses(m, "Ru", &percent);
    EXPECT_EQ((std::vector<float>{100, 32.5f, 3.5f, 0}),
              (std::vector<float>{percent, arm->rotationX[0], arm->moveY[0], leg->rotationX[0]}));
    percent = 40;
    MorphModelPoses(nullptr, "Run", &percent); // no model: the blend still starts over
    EXPECT_EQ(percent, 100);

    // SetNonePoseState zeroes pose A and B rotations only.
    arm->rotationX[2] = 12;
    SetNonePoseState(m);
    EXPECT_TRUE(arm->rotationX[0] == 0 && arm->rotationX[1] == 0 && arm->rotationX[2] == 12 &&
                arm->moveY[1] == 4);

    // A pose made from the current channels: a name that is no exact match makes a new pose, and
    // a name too long for a pose is cut and found again.
    arm->rotationY[2] = 15;
    MakePoseFromCurrent(m, "Wal");
    std::string longName(80, 'x');
    MakePoseFromCurrent(m, longName.c_str());
    MakePoseFromCurrent(m, longName.c_str());
    std::vector<pose_struct*> made = ListOf(m->poseListHead.next);
    ASSERT_EQ(made.size(), 6u);
    pose_entry* armEntry = Entries(made[4])[1];
    EXPECT_TRUE(!strcmp(made[4]->name, "Wal") && armEntry->rotationY == 15 && armEntry->active == 1 &&
                strlen(made[5]->name) == 63);
    // The same name again overwrites its entries; an entry beyond the bone count stays.
    arm->rotationY[2] = -60, arm->inPoses = 0;
    pose_entry* extra = AddEntry(made[4], nullptr, 1, 2, 3, 4, 5, 6);
    MakePoseFromCurrent(m, "Wal");
    EXPECT_TRUE(Entries(made[4]).size() == 4u && armEntry->rotationY == -60 && armEntry->active == 0 &&
                extra->rotationZ == 3);
    DisposeMeshworkModel(m);

    TempDir dir;
    m = NewSkeleton();
    arm = m->boneListHead.next->next;
    pose_struct* walk = AddPose(m, "Walk cycle");
    AddEntry(walk, arm, 12.345678f, -0.5f, 179.25f, 0.001234f, -2.5f, 3, 1);
    AddEntry(walk, arm->next, -90, 45, 0, 0, 0, 0.125f, 0);
    AddPose(m, "Empty");
    AddEntry(AddPose(m, "Last"), m->boneListHead.next, 1, 2, 3, 4, 5, 6);
    std::string path = dir / "robot_poses", again = dir / "again_poses";
    ASSERT_EQ(SaveModelPosesVXR(m, path.c_str()), 1);
    std::string text = ReadTextFile(path);
    EXPECT_NE(text.find("Walk cycle\n{\narm 0.001234,-2.500000,3.000000,12.345678,-0.500000,179.250000,1\n"),
              std::string::npos);
    // Its poses replace the other model's and name that model's own bones (the file must be read
    // as the format it was saved in, its first line saying which).
    mesh_mod* copy = NewSkeleton();
    AddPose(copy, "Old");
    ASSERT_EQ(ImportModelAnimations(copy, path.c_str()), 1);
    EXPECT_EQ(Entries(copy->poseListHead.next)[1]->bone, copy->boneListHead.next->next->next);
    ASSERT_EQ(SaveModelPosesVXR(copy, again.c_str()), 1);
    EXPECT_EQ(ReadTextFile(again), text);
    DisposeMeshworkModel(m);
    DisposeMeshworkModel(copy);

    // Lines left out or short are reported with their line.
    longName = std::string(70, 'n');
    path = dir / "poses";
    // CR LF endings, any first line, an unknown bone, a word that names no bone once cut, a blank
    // line inside a pose, a missing active value, a short entry, a name longer than 63
    // characters, an empty pose, lone CRs, and a last pose neither closed nor ended by a line end
    // whose word "Shoulder" names the bone the model line cut to "Shou".
    ASSERT_TRUE(WriteTextFile(path, "whatever\r\nA\r\n{\r\narm 1,2,3,4,5,6,0\r\nghost 9,9,9,9,9,9,1\r\n"
                                    "armature 8,8,8,8,8,8,1\r\n\r\nleg 1.5,0,0,0,0,-30\r\narm 7,8\r\n}\r\n" +
                                        longName + "\n{\n}\nB\r{\rShoulder 0,0,0,30,0,0,1"));
    m = NewSkeleton();
    bonus* shoulder = AddBone(m, "Shou", "arm");
    ProblemCapture capture;
    ASSERT_EQ(LoadModelPosesVXR(m, path.c_str()), 1);
    const std::string left = " is not in the model, the line is left out";
    EXPECT_EQ(capture.problems, (std::vector<std::string>{
                                    path + ":5: bone \"ghost\"" + left, path + ":6: bone \"armature\"" + left,
                                    path + ":7: bone \"\"" + left,
                                    path + ":9: entry of bone arm has 2 of its 6 numbers, the rest are 0",
                                    path + ":11: pose name cut to 63 characters: " + longName.substr(0, 63),
                                    path + ":0: 3 bone names longer than 4 characters were cut to 4"}));
    EXPECT_EQ(Describe(m), "A: arm 4 5 6 1 2 3 0, leg 0 0 -30 1.5 0 0 1, arm 0 0 0 7 8 0 1,; " +
                               longName.substr(0, 63) + ":; B: Shou 30 0 0 0 0 0 1,; ");
    EXPECT_EQ(Entries(ListOf(m->poseListHead.next)[2])[0]->bone, shoulder);

    // A file that cannot be opened leaves the model without poses.
    EXPECT_EQ(LoadModelPosesVXR(m, (dir / "absent").c_str()), 0);
    EXPECT_EQ(m->poseListHead.next, nullptr);

    // The keyframe format, on the same model.
    path = dir / "keys";
    ASSERT_TRUE(WriteTextFile(path, "\tarm (100000,0,0) 30\n" // before any pose: ignored
                                    "Stand\n\tarm (0,100000,0) 45\n\tzzz (0,0,100000) 10\n\tleg broken line\n"
                                    "*END*\nWave\r\n\tleg\t(0,0,100000)\t90\r\n\tarm (70711,70711,0) 0\r\n"
                                    "\tShoulder (100000,0,0) 30")); // no line end; the bone "Shou"
    AddPose(m, "Replaced");
    capture.problems.clear();
    ASSERT_EQ(ImportModelAnimations(m, path.c_str()), 1);
    EXPECT_EQ(capture.problems,
              (std::vector<std::string>{path + ":1: bone key before the first pose, ignored",
                                        path + ":4: bone \"zzz\" is not in the model, the line is left out",
                                        path + ":5: unreadable bone key skipped: leg broken line",
                                        path + ":0: 1 bone names longer than 4 characters were cut to 4"}));
    // Each key's axis and angle become Euler angles on the named bone.
    EXPECT_EQ(
        Describe(m),
        "Stand: arm 0 45 0 0 0 0 1,; Wave: leg 0 0 90 0 0 0 1, arm 0 0 0 0 0 0 1, Shou 30 0 0 0 0 0 1,; ");
    // A missing file changes nothing.
    EXPECT_EQ(ImportModelAnimations(m, (dir / "absent").c_str()), 0);
    EXPECT_EQ(ListOf(m->poseListHead.next).size(), 2u);
    DisposeMeshworkModel(m);
}
