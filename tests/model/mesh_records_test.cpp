// Model records: list lookups, the channel blend, and private copies that stay independent of
// their cache entry and of each other. (The cache itself is the loader test's.)
#include "model/mesh_records.h"

#include "model_fixtures.h"

#include <cstring>
#include <string>

namespace
{

// A small cache entry: root "None", a body and an arm under it, a tail whose parent is missing,
// four vertices numbered 7, 3, 9, 1, two triangles, two poses that drive the bones.
mesh_mod* MakeEntry(const char* name)
{
    mesh_mod* m = NewRecord<mesh_mod>();
    snprintf(m->name, sizeof m->name, "%s", name);
    snprintf(m->folder, sizeof m->folder, "/nowhere/Models/");
    bonus* root = AddBone(m, "None");
    bonus* body = AddBone(m, "Body");
    bonus* arm = AddBone(m, "Arm", "Body");
    AddBone(m, "Tail", "Gone");
    body->rotationX[0] = body->moveY[0] = 30, body->rotationX[1] = 40;
    arm->rotationX[0] = arm->moveY[0] = 50, arm->rotationX[1] = 60;
    const int numbers[] = {7, 3, 9, 1};
    const char* bones[][2] = {{"Body", "None"}, {"Arm", "Body"}, {"None", "None"}, {"Arm", "Arm"}};
    for (int i = 0; i < 4; i++)
    {
        vtx_typ* v = m->vertexCursor = Append(&m->vertexListHead, NewRecord<vtx_typ>());
        v->number = numbers[i];
        v->x = i + 1.0f;
        snprintf(v->boneSignature, sizeof v->boneSignature, "%s", bones[i][0]);
        snprintf(v->secondBoneSignature, sizeof v->secondBoneSignature, "%s", bones[i][1]);
    }
    const int corners[2][3] = {{0, 1, 2}, {3, 2, 1}};
    for (const auto& c : corners)
    {
        trio* t = m->triangleCursor = Append(&m->triangleListHead, NewRecord<trio>());
        t->material = &m->materials[2];
        for (int i = 0; i < 3; i++)
            t->vertices[i] = GetVertexPtrByNumber(m->vertexListHead.next, t->vertexNumbers[i] = c[i]);
    }
    pose_struct* stand = AddPose(m, "Stand");
    AddEntry(stand, root, 1.0f);
    AddEntry(stand, arm, 15.0f);
    AddEntry(AddPose(m, "Wave"), body, -20.0f);
    m->materials[2].used = 1;
    // The entry owns the list, as a loaded model owns its lists.
    m->materials[2].indices = static_cast<int32_t*>(calloc(6, sizeof(int32_t)));
    return m;
}

} // namespace

TEST(MeshRecords, LookupsChannelBlendsAndPrivateCopiesThatLeaveTheEntryAlone)
{
    mesh_mod* m = MakeEntry("box");
    std::vector<vtx_typ*> v = ListOf(m->vertexListHead.next);
    // Position in the list decides, not the number field; out-of-range positions clamp.
    for (auto [position, index] : {std::pair{0, 0}, {1, 1}, {3, 3}, {5, 3}, {-4, 0}})
        EXPECT_EQ(GetVertexPtrByNumber(v[0], position), v[index]) << position;
    EXPECT_EQ(GetVertexPtrByNumber(v[2], 5), v[3]);
    std::vector<bonus*> b = ListOf(m->boneListHead.next);
    EXPECT_EQ(GetBonePtrBySignature(b[0], "Arm"), b[2]);
    for (const char* miss : {"Ar", "arm", "Arms"})
        EXPECT_EQ(GetBonePtrBySignature(b[0], miss), nullptr) << miss;
    // The root is its own parent; a bone naming no bone is the top of its own chain.
    EXPECT_EQ((std::vector<bonus*>{b[0], b[1], nullptr}),
              (std::vector<bonus*>{b[0]->parent, b[2]->parent, b[3]->parent}));
    // Poses by prefix: the posing test's "Walk" that finds "Walking" first.
    DisposeMeshworkModel(m);

    m = NewRecord<mesh_mod>();
    bonus* wrap = AddBone(m, "Wrap");
    bonus* plain = AddBone(m, "Flat");
    plain->rotationX[0] = -90, plain->rotationX[1] = 90; // exactly half a turn apart: no wrap
    wrap->rotationY[0] = wrap->moveZ[0] = 170.0f;
    wrap->rotationY[1] = wrap->moveZ[1] = -170.0f;
    plain->rotationZ[0] = 10.0f;
    plain->rotationZ[1] = 30.0f;
    // At 100, 25, 0 and 50 percent: wrap rotationY, wrap moveZ (translations never wrap), plain
    // rotationZ and rotationX. The blend never writes pose A or B.
    std::string got;
    for (float percent : {100, 25, 0, 50})
    {
        BlendModelChannels(m, percent);
        got += Nums(wrap->rotationY[2], wrap->moveZ[2], plain->rotationZ[2], plain->rotationX[2]) + "; ";
    }
    EXPECT_EQ(got + Nums(wrap->rotationY[1]),
              "170 170 10 -90; 185 -85 25 45; 190 -170 30 90; 180 0 20 0; -170");
    DisposeMeshworkModel(m);

    mesh_mod* entry = MakeEntry("robot");
    mesh_mod* copy = MakePrivateModelCopy(entry, nullptr);
    // The pose file "/nowhere/Models/robot_poses" cannot be opened: the entry's poses are copied.
    gImportModelPosesHook = ImportModelAnimations;
    mesh_mod* other = MakePrivateModelCopy(entry, nullptr);
    gImportModelPosesHook = nullptr;
    ASSERT_EQ(ListOf(other->poseListHead.next).size(), 2u);
    ASSERT_NE(copy, nullptr);
    std::vector<bonus*> eb = ListOf(entry->boneListHead.next), cb = ListOf(copy->boneListHead.next);
    ASSERT_EQ(cb.size(), eb.size());
    EXPECT_EQ((std::vector<bonus*>{cb[1], nullptr, cb.back()}),
              (std::vector<bonus*>{cb[2]->parent, cb[3]->parent, copy->boneCursor}));
    // Pose A and B rotations start at zero in the copy; the entry keeps its own.
    EXPECT_TRUE(cb[2]->rotationX[0] == 0 && cb[2]->moveY[0] == 50 && eb[2]->rotationX[0] == 50);

    std::vector<vtx_typ*> cv = ListOf(copy->vertexListHead.next);
    std::vector<trio*> ct = ListOf(copy->triangleListHead.next);
    ASSERT_TRUE(cv.size() == 4 && ct.size() == 2);
    EXPECT_TRUE(cv[1]->bone == cb[2] && cv[1]->secondBone == cb[1] && ct[1]->vertices[2] == cv[1]);

    std::vector<pose_struct*> cp = ListOf(copy->poseListHead.next);
    ASSERT_EQ(cp.size(), 2u);
    pose_entry* armEntry = cp[0]->entryListHead.next->next;
    EXPECT_TRUE(copy->poseCursor == cp[1] && armEntry->bone == cb[2] && armEntry->rotationX == 15.0f);

    // Rescaling or re-posing a copy leaves the entry; disposing it leaves the entry and the
    // other copy intact, and a later copy starts from the unchanged entry.
    for (vtx_typ* v : cv)
        v->x *= 3.0f;
    cb[1]->pivot.y = 9.0f;
    armEntry->rotationX = 99.0f;
    DisposeMeshworkModel(copy);
    EXPECT_EQ(entry->poseListHead.next->entryListHead.next->next->bone, eb[2]);
    EXPECT_EQ(GetPosePtrBySignature(other->poseListHead.next, "Wa")->entryListHead.next->bone,
              other->boneListHead.next->next);
    mesh_mod* third = MakePrivateModelCopy(entry, nullptr);
    EXPECT_EQ((std::vector<float>{1, 0, 15}),
              (std::vector<float>{third->vertexListHead.next->x, third->boneListHead.next->next->pivot.y,
                                  third->poseListHead.next->entryListHead.next->next->rotationX}));
    DisposeMeshworkModel(other);
    DisposeMeshworkModel(third);
    DisposeMeshworkModel(entry);
}
