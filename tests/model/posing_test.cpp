// Skeleton posing and pose files: rotation order, bone chains, two-bone weights, Euler angles
// from an axis and angle, loading poses into the channels, and both pose file formats.
#include "model/posing.h"

#include "model_fixtures.h"
#include "test_util.h"
#include "world/humans.h"

#include <cmath>
#include <cstring>
#include <string>

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

} // namespace

TEST(Posing, RotateVectorAndEularAnglesTurnInXYZOrder)
{
    // Right-handed turns about the pivot: about x, y goes to +z; about y, x to -z; about z, x to
    // +y. x comes before z: z first would send (0, 1, 0) to (-1, 0, 0).
    ExpectVector(RotateVector({0, 1, 0}, {0, 0, 0}, 90, 0, 90), 0, 0, 1);
    ExpectVector(RotateVector({2, 5, 0}, {1, 5, 0}, 0, 90, 0), 1, 5, -1);
    ExpectVector(RotateVector({1, 7, 0}, {0, 7, 0}, 0, 0, 90), 0, 8, 0);

    // Euler angles from an axis and angle: the axis length and full turns drop out; no axis, no
    // turn. Half a turn about (1, 1, 0) swaps x and y and turns z over; a third of a turn about
    // (1, 1, 1) sends x to y and y to z; a quarter about (0, 1, 1) sends x between y and -z.
    // Two turns about skew axes. {angle, axis, point, expected}
    ExpectVector(GetEularAngles(405, 0, 2, 0), 0, 45, 0, 1e-3f);
    ExpectVector(GetEularAngles(60, 0, 0, 0), 0, 0, 0, 0);
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
        ExpectVector(RotateVector({c[4], c[5], c[6]}, {0, 0, 0}, e.x, e.y, e.z), c[7], c[8], c[9], 1e-3f);
    }
}

TEST(Posing, VerticesFollowTheBoneChainAndTheIntegerWeightRule)
{
    mesh_mod* m = NewSkeleton();
    bonus* root = m->boneListHead.next;
    bonus* arm = root->next;
    arm->rotationZ[2] = 90;
    arm->rotationZ[0] = arm->rotationZ[1] = 45; // pose A and B play no part; only the current ones
    ExpectVector(PoseVertex(arm, 2, 0, 0), 1, 1, 0);
    // The parent's translation and rotation apply after the child's.
    root->moveY[2] = 0.5f;
    ExpectVector(PoseVertex(arm, 2, 0, 0), 1, 1.5f, 0);
    root->moveY[2] = 0;
    root->rotationZ[2] = 90;
    ExpectVector(PoseVertex(arm, 2, 0, 0), -1, 1, 0);
    ExpectVector(PoseVertex(nullptr, 4, 5, 6), 4, 5, 6, 0);
    root->rotationZ[2] = 0;

    // Two bones naming each other as parent must not hang posing.
    bonus* a = AddBone(m, "a", "b");
    AddBone(m, "b", "a");
    a->moveX[2] = 1;
    vector_type p = PoseVertex(a, 0, 0, 0);
    EXPECT_TRUE(std::isfinite(p.x));
    EXPECT_GT(p.x, 1);

    // The arm moves the vertex to x = 4, the root leaves it at 0. Weights between share by
    // 100 / weight (the model drawing test); beyond 0 to 100 they clamp.
    arm->rotationZ[2] = 0;
    arm->moveX[2] = 4;
    vtx_typ v = {};
    v.bone = arm;
    v.secondBone = root;
    for (auto [weight, x] : {std::pair{100, 4.0f}, {150, 4.0f}, {-20, 0.0f}})
    {
        v.weight = weight;
        EXPECT_NEAR(PoseWeightedVertex(&v).x, x, 1e-5) << "weight " << weight;
    }
    DisposeMeshworkModel(m);
}

TEST(Posing, SetAndMorphPosesLoadActiveEntriesOfThePrefixMatch)
{
    mesh_mod* m = NewSkeleton();
    bonus* arm = m->boneListHead.next->next;
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
    MorphModelPoses(m, "Nothing", &percent);
    EXPECT_TRUE(percent == 100 && arm->rotationX[0] == 32.5f);
    percent = 40;
    MorphModelPoses(nullptr, "Run", &percent); // no model: the blend still starts over
    EXPECT_EQ(percent, 100);

    // SetNonePoseState zeroes pose A and B rotations only.
    arm->rotationX[2] = 12;
    SetNonePoseState(m);
    EXPECT_TRUE(arm->rotationX[0] == 0 && arm->rotationX[1] == 0 && arm->rotationX[2] == 12 &&
                arm->moveY[1] == 4);
    DisposeMeshworkModel(m);
}

TEST(Posing, MakePoseFromCurrentOverwritesItsOwnPose)
{
    mesh_mod* m = NewSkeleton();
    bonus* arm = m->boneListHead.next->next;
    AddPose(m, "Grab");
    arm->rotationY[2] = 15;
    MakePoseFromCurrent(m, "Gr"); // not an exact match: a new pose
    ASSERT_EQ(ListOf(m->poseListHead.next).size(), 2u);
    pose_struct* gr = ListOf(m->poseListHead.next)[1];
    pose_entry* armEntry = ListOf(gr->entryListHead.next)[1];
    EXPECT_TRUE(armEntry->rotationY == 15 && armEntry->active == 1);

    arm->rotationY[2] = -60;
    arm->inPoses = 0;
    pose_entry* extra = AddEntry(gr, nullptr, 1, 2, 3, 4, 5, 6);
    MakePoseFromCurrent(m, "Gr");
    // The same entries, overwritten; entries beyond the bone count stay as they were.
    ASSERT_EQ(ListOf(gr->entryListHead.next).size(), 4u);
    EXPECT_TRUE(armEntry->rotationY == -60 && armEntry->active == 0 && extra->rotationZ == 3);

    // A name longer than a pose name holds is cut, and the cut name is found again.
    std::string longName(80, 'x');
    MakePoseFromCurrent(m, longName.c_str());
    MakePoseFromCurrent(m, longName.c_str());
    ASSERT_EQ(ListOf(m->poseListHead.next).size(), 3u);
    EXPECT_EQ(strlen(ListOf(m->poseListHead.next)[2]->name), 63u);
    DisposeMeshworkModel(m);
}

TEST(PoseFiles, SaveAndLoadRoundTripToSixDecimals)
{
    TempDir dir;
    mesh_mod* m = NewSkeleton();
    bonus* arm = m->boneListHead.next->next;
    pose_struct* walk = AddPose(m, "Walk cycle");
    AddEntry(walk, arm, 12.345678f, -0.5f, 179.25f, 0.001234f, -2.5f, 3, 1);
    AddEntry(walk, arm->next, -90, 45, 0, 0, 0, 0.125f, 0);
    AddPose(m, "Empty");
    AddEntry(AddPose(m, "Last"), m->boneListHead.next, 1, 2, 3, 4, 5, 6);

    std::string path = dir / "robot_poses";
    ASSERT_EQ(SaveModelPosesVXR(m, path.c_str()), 1);
    std::string text = ReadTextFile(path);
    EXPECT_EQ(text.substr(0, 10), "VXR_Poses\n");
    EXPECT_NE(text.find("Walk cycle\n{\narm 0.001234,-2.500000,3.000000,12.345678,-0.500000,179.250000,1\n"),
              std::string::npos);
    EXPECT_FALSE(FileExists(path + ".saving"));

    mesh_mod* copy = NewSkeleton();
    AddPose(copy, "Old"); // replaced by the file's poses
    ASSERT_EQ(ImportModelAnimations(copy, path.c_str()), 1);
    std::vector<pose_struct*> poses = ListOf(copy->poseListHead.next);
    ASSERT_EQ(poses.size(), 3u);
    EXPECT_TRUE(ListOf(poses[1]->entryListHead.next).empty());
    std::vector<pose_entry*> saved = ListOf(walk->entryListHead.next),
                             loaded = ListOf(poses[0]->entryListHead.next);
    ASSERT_EQ(loaded.size(), 2u);
    for (int i = 0; i < 2; i++)
    {
        const pose_entry &s = *saved[i], &l = *loaded[i];
        ExpectVector({l.rotationX, l.rotationY, l.rotationZ}, s.rotationX, s.rotationY, s.rotationZ, 1e-5f);
        ExpectVector({l.moveX, l.moveY, l.moveZ}, s.moveX, s.moveY, s.moveZ, 1e-6f);
        EXPECT_EQ(l.active, s.active);
    }
    EXPECT_EQ(loaded[0]->bone, copy->boneListHead.next->next); // the loading model's own bone
    EXPECT_STREQ(ListOf(poses[2]->entryListHead.next)[0]->bone->signature, "None");

    DisposeMeshworkModel(m);
    DisposeMeshworkModel(copy);
}

TEST(PoseFiles, LoaderSkipsUnknownBonesAndCutsLongNames)
{
    TempDir dir;
    std::string longName(70, 'n');
    std::string path = dir / "poses";
    // CR LF endings, any first line, an unknown bone, a missing active value, an over-long
    // signature, a blank line inside a pose, a name longer than 63 characters.
    ASSERT_TRUE(WriteTextFile(path, "whatever\r\nA\r\n{\r\narm 1,2,3,4,5,6,0\r\nghost 9,9,9,9,9,9,1\r\n"
                                    "armature 8,8,8,8,8,8,1\r\n\r\nleg 1.5,0,0,0,0,-30\r\n}\r\n" +
                                        longName + "\n{\n}\nB\r{\r}\r"));
    mesh_mod* m = NewSkeleton();
    ASSERT_EQ(LoadModelPosesVXR(m, path.c_str()), 1);
    std::vector<pose_struct*> poses = ListOf(m->poseListHead.next);
    ASSERT_EQ(poses.size(), 3u);
    EXPECT_EQ(std::string(poses[0]->name) + "," + poses[1]->name + "," + poses[2]->name,
              "A," + longName.substr(0, 63) + ",B");
    std::vector<pose_entry*> e = ListOf(poses[0]->entryListHead.next);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_STREQ(e[1]->bone->signature, "leg");
    EXPECT_EQ((std::vector<float>{6, 0, -30, 1}), (std::vector<float>{e[0]->rotationZ, (float)e[0]->active,
                                                                      e[1]->rotationZ, (float)e[1]->active}));

    // A file that cannot be opened leaves the model without poses.
    EXPECT_EQ(LoadModelPosesVXR(m, (dir / "absent").c_str()), 0);
    EXPECT_EQ(m->poseListHead.next, nullptr);
    DisposeMeshworkModel(m);
}

TEST(PoseFiles, KeyframeFormatBuildsPosesFromAxisAngleKeys)
{
    TempDir dir;
    std::string path = dir / "keys";
    ASSERT_TRUE(WriteTextFile(path, "\tarm (100000,0,0) 30\n" // before any pose: ignored
                                    "Stand\n\tarm (0,100000,0) 45\n\tzzz (0,0,100000) 10\n\tleg broken line\n"
                                    "*END*\nWave\r\n\tleg\t(0,0,100000)\t90\r\n\tarm (70711,70711,0) 0\r\n"));
    mesh_mod* m = NewSkeleton();
    AddPose(m, "Replaced");
    ASSERT_EQ(ImportModelAnimations(m, path.c_str()), 1);
    std::vector<pose_struct*> poses = ListOf(m->poseListHead.next);
    ASSERT_EQ(poses.size(), 2u);
    EXPECT_STREQ(poses[1]->name, "Wave");
    // Each key's axis and angle become Euler angles on the named bone; bad lines are skipped.
    const std::pair<int, int> at[] = {{0, 0}, {1, 0}, {1, 1}};
    const char* bones[] = {"arm", "leg", "arm"};
    const float turns[][3] = {{0, 45, 0}, {0, 0, 90}, {0, 0, 0}};
    ASSERT_EQ(ListOf(poses[0]->entryListHead.next).size(), 1u);
    ASSERT_EQ(ListOf(poses[1]->entryListHead.next).size(), 2u);
    for (int i = 0; i < 3; i++)
    {
        pose_entry* e = ListOf(poses[at[i].first]->entryListHead.next)[at[i].second];
        EXPECT_STREQ(e->bone->signature, bones[i]);
        ExpectVector({e->rotationX, e->rotationY, e->rotationZ}, turns[i][0], turns[i][1], turns[i][2],
                     1e-3f);
    }
    // A missing file changes nothing.
    EXPECT_EQ(ImportModelAnimations(m, (dir / "absent").c_str()), 0);
    EXPECT_EQ(ListOf(m->poseListHead.next).size(), 2u);
    DisposeMeshworkModel(m);
}

TEST(PoseFiles, LongBoneWordsNameTheBoneTheModelLoaderCutThemTo)
{
    TempDir dir;
    // The model line "... Shoulder Body 100 Body" gave the bone "Shou"; its pose entries name
    // the whole word, in both formats.
    mesh_mod* m = NewSkeleton();
    bonus* shoulder = AddBone(m, "Shou", "arm");
    const std::string files[] = {"VXR_Poses\nLift\n{\nShoulder 0,0,0,30,0,0,1\nShouldered 0,0,0,9,0,0,1\n}\n",
                                 "Lift\n\tShoulder (100000,0,0) 30\n\tShouldered (100000,0,0) 9\n"};
    for (const std::string& text : files)
    {
        ConsoleCapture console;
        std::string path = dir / "poses";
        ASSERT_TRUE(WriteTextFile(path, text));
        ASSERT_EQ(ImportModelAnimations(m, path.c_str()), 1);
        std::vector<pose_entry*> e = ListOf(m->poseListHead.next->entryListHead.next);
        ASSERT_EQ(e.size(), 2u) << text;
        EXPECT_EQ(e[0]->bone, shoulder);
        EXPECT_NEAR(e[0]->rotationX, 30, 1e-3);
        EXPECT_TRUE(
            console.Has("//Pose file " + path + ": 2 bone names longer than 4 characters were cut to 4"))
            << text;
    }
    DisposeMeshworkModel(m);
}

TEST(PoseFiles, ALastLineWithoutALineEndStillCounts)
{
    TempDir dir;
    std::string path = dir / "poses";
    // Neither file closes its last pose nor ends its last line.
    for (const char* text : {"VXR_Poses\nA\n{\nleg 0,0,0,0,0,0,1\narm 0,0.5,0,0,0,15,1",
                             "A\n\tleg (0,0,100000) 0\n\tarm (0,0,100000) 15"})
    {
        ASSERT_TRUE(WriteTextFile(path, text));
        mesh_mod* m = NewSkeleton();
        ASSERT_EQ(ImportModelAnimations(m, path.c_str()), 1);
        std::vector<pose_entry*> e = ListOf(m->poseListHead.next->entryListHead.next);
        ASSERT_EQ(e.size(), 2u) << text;
        EXPECT_NEAR(e[1]->rotationZ, 15, 1e-3) << text;
        DisposeMeshworkModel(m);
    }
}
