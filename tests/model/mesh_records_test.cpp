// Model records: list lookups, the channel blend, and private copies that stay independent of
// their cache entry and of each other.
#include "model/mesh_records.h"

#include "app/output.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

vtx_typ* AddVertex(mesh_mod* m, int number, float x, const char* bone, const char* second)
{
    vtx_typ* v = static_cast<vtx_typ*>(calloc(1, sizeof(vtx_typ)));
    v->number = number;
    v->x = x;
    snprintf(v->boneSignature, sizeof v->boneSignature, "%s", bone);
    snprintf(v->secondBoneSignature, sizeof v->secondBoneSignature, "%s", second);
    vtx_typ* tail = &m->vertexListHead;
    while (tail->next)
        tail = tail->next;
    tail->next = v;
    m->vertexCursor = v;
    return v;
}

bonus* AddBone(mesh_mod* m, const char* signature, const char* parent, float rotA, float rotB)
{
    bonus* b = NewBone();
    snprintf(b->signature, sizeof b->signature, "%s", signature);
    snprintf(b->parentSignature, sizeof b->parentSignature, "%s", parent);
    b->rotationX[0] = rotA;
    b->rotationX[1] = rotB;
    b->moveY[0] = rotA;
    bonus* tail = &m->boneListHead;
    while (tail->next)
        tail = tail->next;
    tail->next = b;
    m->boneCursor = b;
    return b;
}

pose_struct* AddPose(mesh_mod* m, const char* name)
{
    pose_struct* p = static_cast<pose_struct*>(calloc(1, sizeof(pose_struct)));
    snprintf(p->name, sizeof p->name, "%s", name);
    pose_struct* tail = &m->poseListHead;
    while (tail->next)
        tail = tail->next;
    tail->next = p;
    m->poseCursor = p;
    return p;
}

pose_entry* AddEntry(pose_struct* p, bonus* bone, float rotationX)
{
    pose_entry* e = static_cast<pose_entry*>(calloc(1, sizeof(pose_entry)));
    e->bone = bone;
    e->rotationX = rotationX;
    e->active = 1;
    pose_entry* tail = &p->entryListHead;
    while (tail->next)
        tail = tail->next;
    tail->next = e;
    return e;
}

void AddTriangle(mesh_mod* m, int a, int b, int c)
{
    trio* t = static_cast<trio*>(calloc(1, sizeof(trio)));
    t->vertexNumbers[0] = a;
    t->vertexNumbers[1] = b;
    t->vertexNumbers[2] = c;
    t->material = &m->materials[2];
    for (int i = 0; i < 3; i++)
        t->vertices[i] = GetVertexPtrByNumber(m->vertexListHead.next, t->vertexNumbers[i]);
    trio* tail = &m->triangleListHead;
    while (tail->next)
        tail = tail->next;
    tail->next = t;
    m->triangleCursor = t;
}

// A small cache entry: root "None", a body and an arm under it, four vertices, two triangles,
// two poses that drive the bones.
mesh_mod* MakeEntry(const char* name)
{
    mesh_mod* m = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    snprintf(m->name, sizeof m->name, "%s", name);
    snprintf(m->folder, sizeof m->folder, "/nowhere/Models/");
    bonus* root = AddBone(m, "None", "None", 0, 0);
    bonus* body = AddBone(m, "Body", "None", 30, 40);
    bonus* arm = AddBone(m, "Arm", "Body", 50, 60);
    AddBone(m, "Tail", "Gone", 0, 0);
    LinkBones(m->boneListHead.next);
    AddVertex(m, 7, 1.0f, "Body", "None");
    AddVertex(m, 3, 2.0f, "Arm", "Body");
    AddVertex(m, 9, 3.0f, "None", "None");
    AddVertex(m, 1, 4.0f, "Arm", "Arm");
    AddTriangle(m, 0, 1, 2);
    AddTriangle(m, 3, 2, 1);
    pose_struct* stand = AddPose(m, "Stand");
    AddEntry(stand, root, 1.0f);
    AddEntry(stand, arm, 15.0f);
    pose_struct* wave = AddPose(m, "Wave");
    AddEntry(wave, body, -20.0f);
    m->materials[2].used = 1;
    m->materials[2].indices[5] = 42;
    return m;
}

// Frees an entry built by MakeEntry once it is no longer linked in the cache.
void FreeEntry(mesh_mod* m)
{
    DisposeMeshworkModel(m);
}

template <typename T> std::vector<T*> ListOf(T* first)
{
    std::vector<T*> out;
    for (T* x = first; x; x = x->next)
        out.push_back(x);
    return out;
}

bool Contains(const std::vector<bonus*>& list, const bonus* b)
{
    for (bonus* x : list)
        if (x == b) return true;
    return false;
}

std::vector<std::string> gConsole;
void CaptureConsole(const char* text)
{
    gConsole.push_back(text);
}

} // namespace

TEST(MeshLookups, VertexByListPositionWithEndClamp)
{
    mesh_mod* m = MakeEntry("box");
    vtx_typ* first = m->vertexListHead.next;
    std::vector<vtx_typ*> v = ListOf(first);
    ASSERT_EQ(v.size(), 4u);
    // Position in the list decides, not the number field (7, 3, 9, 1).
    EXPECT_EQ(GetVertexPtrByNumber(first, 0), v[0]);
    EXPECT_EQ(GetVertexPtrByNumber(first, 1), v[1]);
    EXPECT_EQ(GetVertexPtrByNumber(first, 3), v[3]);
    EXPECT_EQ(GetVertexPtrByNumber(first, 5), v[3]);
    EXPECT_EQ(GetVertexPtrByNumber(first, 2000), v[3]);
    EXPECT_EQ(GetVertexPtrByNumber(first, -4), v[0]);
    EXPECT_EQ(GetVertexPtrByNumber(v[2], 5), v[3]);
    EXPECT_EQ(GetVertexPtrByNumber(nullptr, 2), nullptr);
    FreeEntry(m);
}

TEST(MeshLookups, BonesByExactSignatureAndParentLinks)
{
    mesh_mod* m = MakeEntry("box");
    std::vector<bonus*> b = ListOf(m->boneListHead.next);
    EXPECT_EQ(GetBonePtrBySignature(b[0], "Arm"), b[2]);
    EXPECT_EQ(GetBonePtrBySignature(b[0], "Ar"), nullptr);
    EXPECT_EQ(GetBonePtrBySignature(b[0], "arm"), nullptr);
    EXPECT_EQ(GetBonePtrBySignature(b[0], "Arms"), nullptr);
    // Searching starts at the given bone.
    EXPECT_EQ(GetBonePtrBySignature(b[3], "Body"), nullptr);
    EXPECT_EQ(GetBonePtrBySignature(nullptr, "Body"), nullptr);

    EXPECT_EQ(b[0]->parent, b[0]); // the root is its own parent
    EXPECT_EQ(b[1]->parent, b[0]);
    EXPECT_EQ(b[2]->parent, b[1]);
    EXPECT_EQ(b[3]->parent, nullptr); // names no bone: top of its own chain

    bonus* fresh = NewBone();
    EXPECT_EQ(fresh->inPoses, 1);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(fresh->rotationX[i] + fresh->rotationY[i] + fresh->rotationZ[i] + fresh->moveX[i] +
                      fresh->moveY[i] + fresh->moveZ[i],
                  0.0f);
    free(fresh);
    FreeEntry(m);
}

TEST(MeshLookups, PosesByNamePrefix)
{
    mesh_mod* m = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    EXPECT_EQ(GetPosePtrBySignature(m->poseListHead.next, "Stand"), nullptr);
    EXPECT_EQ(GetPosePtrBySignature(nullptr, ""), nullptr);
    pose_struct* walking = AddPose(m, "Walking");
    pose_struct* killed1 = AddPose(m, "Killed1");
    AddPose(m, "Killed2");
    pose_struct* walk = AddPose(m, "Walk");
    pose_struct* first = m->poseListHead.next;
    EXPECT_EQ(GetPosePtrBySignature(first, "Kill"), killed1);
    EXPECT_EQ(GetPosePtrBySignature(first, ""), walking);
    // A shorter name matches the first pose it begins, even when an exact one comes later.
    EXPECT_EQ(GetPosePtrBySignature(first, "Walk"), walking);
    EXPECT_EQ(GetPosePtrBySignature(walk, "Walk"), walk);
    EXPECT_EQ(GetPosePtrBySignature(first, "Killed3"), nullptr);
    EXPECT_EQ(GetPosePtrBySignature(first, "Walkingly"), nullptr);
    DisposeMeshworkModel(m);
}

TEST(MeshBlend, ChannelsBlendRotationsTheShortWayAndMovesLinearly)
{
    EXPECT_FLOAT_EQ(InverseDegree(0.0f), -360.0f);
    EXPECT_FLOAT_EQ(InverseDegree(90.0f), -270.0f);
    EXPECT_FLOAT_EQ(InverseDegree(-170.0f), 190.0f);

    mesh_mod* m = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    bonus* wrap = AddBone(m, "Wrap", "None", 0, 0);
    bonus* plain = AddBone(m, "Flat", "None", 0, 0);
    wrap->rotationY[0] = 170.0f;
    wrap->rotationY[1] = -170.0f;
    wrap->moveZ[0] = 170.0f;
    wrap->moveZ[1] = -170.0f;
    plain->rotationZ[0] = 10.0f;
    plain->rotationZ[1] = 30.0f;
    plain->rotationX[0] = -90.0f;
    plain->rotationX[1] = 90.0f; // exactly half a turn apart: no wrap

    BlendModelChannels(m, 50.0f);
    EXPECT_NEAR(wrap->rotationY[2], 180.0f, 1e-3);
    EXPECT_NEAR(wrap->moveZ[2], 0.0f, 1e-3); // translations never wrap
    EXPECT_NEAR(plain->rotationX[2], 0.0f, 1e-3);

    BlendModelChannels(m, 25.0f);
    EXPECT_NEAR(plain->rotationZ[2], 25.0f, 1e-4);
    EXPECT_NEAR(wrap->rotationY[2], 185.0f, 1e-3);

    BlendModelChannels(m, 100.0f);
    EXPECT_NEAR(plain->rotationZ[2], 10.0f, 1e-4);
    EXPECT_NEAR(wrap->moveZ[2], 170.0f, 1e-3);
    BlendModelChannels(m, 0.0f);
    EXPECT_NEAR(plain->rotationZ[2], 30.0f, 1e-4);
    EXPECT_NEAR(wrap->rotationY[2], 190.0f, 1e-3);
    // Pose A and pose B are never written by the blend.
    EXPECT_EQ(wrap->rotationY[0], 170.0f);
    EXPECT_EQ(wrap->rotationY[1], -170.0f);
    BlendModelChannels(nullptr, 50.0f);
    DisposeMeshworkModel(m);
}

TEST(MeshPrivateCopy, OwnsRelinkedListsAndLeavesTheEntryAlone)
{
    mesh_mod* entry = MakeEntry("robot");
    mesh_mod* copy = MakePrivateModelCopy(entry, nullptr);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->next, nullptr);

    std::vector<bonus*> eb = ListOf(entry->boneListHead.next);
    std::vector<bonus*> cb = ListOf(copy->boneListHead.next);
    ASSERT_EQ(cb.size(), eb.size());
    for (size_t i = 0; i < cb.size(); i++)
    {
        EXPECT_NE(cb[i], eb[i]);
        EXPECT_STREQ(cb[i]->signature, eb[i]->signature);
    }
    EXPECT_EQ(cb[0]->parent, cb[0]);
    EXPECT_EQ(cb[1]->parent, cb[0]);
    EXPECT_EQ(cb[2]->parent, cb[1]);
    EXPECT_EQ(cb[3]->parent, nullptr);
    EXPECT_EQ(copy->boneCursor, cb.back());

    // Pose A and B rotations start at zero in the copy; the entry keeps its own.
    EXPECT_EQ(cb[2]->rotationX[0], 0.0f);
    EXPECT_EQ(cb[2]->rotationX[1], 0.0f);
    EXPECT_EQ(cb[2]->moveY[0], 50.0f);
    EXPECT_EQ(eb[2]->rotationX[0], 50.0f);
    EXPECT_EQ(eb[2]->rotationX[1], 60.0f);

    std::vector<vtx_typ*> ev = ListOf(entry->vertexListHead.next);
    std::vector<vtx_typ*> cv = ListOf(copy->vertexListHead.next);
    ASSERT_EQ(cv.size(), 4u);
    for (size_t i = 0; i < cv.size(); i++)
    {
        EXPECT_NE(cv[i], ev[i]);
        EXPECT_EQ(cv[i]->number, ev[i]->number);
        EXPECT_TRUE(Contains(cb, cv[i]->bone));
        EXPECT_TRUE(Contains(cb, cv[i]->secondBone));
    }
    EXPECT_EQ(cv[1]->bone, cb[2]);
    EXPECT_EQ(cv[1]->secondBone, cb[1]);

    std::vector<trio*> ct = ListOf(copy->triangleListHead.next);
    std::vector<trio*> et = ListOf(entry->triangleListHead.next);
    ASSERT_EQ(ct.size(), 2u);
    EXPECT_NE(ct[0], et[0]);
    EXPECT_EQ(ct[1]->vertices[0], cv[3]);
    EXPECT_EQ(ct[1]->vertices[1], cv[2]);
    EXPECT_EQ(ct[1]->vertices[2], cv[1]);
    EXPECT_EQ(copy->triangleCursor, ct.back());
    EXPECT_EQ(copy->materials[2].indices[5], 42);

    // Rescaling the copy leaves the entry; a later copy starts from the unscaled entry.
    for (vtx_typ* v : cv)
        v->x *= 3.0f;
    cb[1]->pivot.y = 9.0f;
    EXPECT_EQ(ev[0]->x, 1.0f);
    EXPECT_EQ(eb[1]->pivot.y, 0.0f);
    mesh_mod* second = MakePrivateModelCopy(entry, nullptr);
    EXPECT_EQ(second->vertexListHead.next->x, 1.0f);
    EXPECT_EQ(second->boneListHead.next->next->pivot.y, 0.0f);

    DisposeMeshworkModel(copy);
    DisposeMeshworkModel(second);
    FreeEntry(entry);
}

TEST(MeshPrivateCopy, PosesAreCopiedAndDisposingACopyTouchesNothingElse)
{
    mesh_mod* entry = MakeEntry("robot");
    mesh_mod* first = MakePrivateModelCopy(entry, nullptr);
    mesh_mod* second = MakePrivateModelCopy(entry, nullptr);

    std::vector<pose_struct*> ep = ListOf(entry->poseListHead.next);
    std::vector<pose_struct*> sp = ListOf(second->poseListHead.next);
    std::vector<bonus*> sb = ListOf(second->boneListHead.next);
    ASSERT_EQ(sp.size(), 2u);
    EXPECT_NE(sp[0], ep[0]);
    EXPECT_STREQ(sp[1]->name, "Wave");
    EXPECT_EQ(second->poseCursor, sp[1]);
    std::vector<pose_entry*> entries = ListOf(sp[0]->entryListHead.next);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0]->bone, sb[0]);
    EXPECT_EQ(entries[1]->bone, sb[2]);
    EXPECT_EQ(entries[1]->rotationX, 15.0f);

    // Changing a copy's pose leaves the entry's.
    entries[1]->rotationX = 99.0f;
    EXPECT_EQ(ep[0]->entryListHead.next->next->rotationX, 15.0f);

    DisposeMeshworkModel(first);
    // The entry and the other copy are intact, poses included.
    EXPECT_STREQ(entry->poseListHead.next->name, "Stand");
    EXPECT_EQ(entry->poseListHead.next->entryListHead.next->next->bone, entry->boneListHead.next->next->next);
    EXPECT_EQ(GetPosePtrBySignature(second->poseListHead.next, "Wa"), sp[1]);
    EXPECT_EQ(sp[1]->entryListHead.next->bone, sb[1]);
    EXPECT_EQ(ListOf(second->vertexListHead.next).size(), 4u);
    mesh_mod* third = MakePrivateModelCopy(entry, nullptr);
    EXPECT_EQ(third->poseListHead.next->entryListHead.next->next->rotationX, 15.0f);

    DisposeMeshworkModel(second);
    DisposeMeshworkModel(third);
    FreeEntry(entry);
}

namespace
{
std::string gPosePath;
int gPoseHookResult = 0;
bool gPoseListWasEmpty = false;

// Stands in for the pose-file reader: discards whatever list it is given, as the reader does,
// then adds one pose when it "opens" the file.
int FakePoseImport(mesh_mod* model, const char* path)
{
    gPosePath = path;
    gPoseListWasEmpty = model->poseListHead.next == nullptr;
    pose_struct* p = model->poseListHead.next;
    while (p)
    {
        pose_struct* next = p->next;
        free(p);
        p = next;
    }
    model->poseListHead.next = nullptr;
    if (!gPoseHookResult) return 0;
    pose_struct* pose = static_cast<pose_struct*>(calloc(1, sizeof(pose_struct)));
    snprintf(pose->name, sizeof pose->name, "FromFile");
    AddEntry(pose, GetBonePtrBySignature(model->boneListHead.next, "Arm"), 5.0f);
    model->poseListHead.next = pose;
    model->poseCursor = pose;
    return 1;
}
} // namespace

TEST(MeshPrivateCopy, PoseFileHookReplacesAPrivateListOnly)
{
    mesh_mod* entry = MakeEntry("robot");
    gImportModelPosesHook = FakePoseImport;

    gPoseHookResult = 1;
    mesh_mod* fromFile = MakePrivateModelCopy(entry, nullptr);
    EXPECT_EQ(gPosePath, "/nowhere/Models/robot_poses");
    EXPECT_TRUE(gPoseListWasEmpty);
    ASSERT_NE(fromFile->poseListHead.next, nullptr);
    EXPECT_STREQ(fromFile->poseListHead.next->name, "FromFile");
    EXPECT_EQ(fromFile->poseListHead.next->next, nullptr);

    gPoseHookResult = 0; // the file could not be opened: the entry's poses are copied
    mesh_mod* fallBack = MakePrivateModelCopy(entry, nullptr);
    gImportModelPosesHook = nullptr;
    std::vector<pose_struct*> fp = ListOf(fallBack->poseListHead.next);
    ASSERT_EQ(fp.size(), 2u);
    EXPECT_NE(fp[0], entry->poseListHead.next);
    EXPECT_STREQ(fp[0]->name, "Stand");

    EXPECT_STREQ(entry->poseListHead.next->name, "Stand");
    EXPECT_STREQ(entry->poseListHead.next->next->name, "Wave");
    DisposeMeshworkModel(fromFile);
    DisposeMeshworkModel(fallBack);
    FreeEntry(entry);
}

TEST(MeshCache, EntriesAreFoundByExactNameAndNeverDisposed)
{
    EnsureModelCache();
    mesh_mod* saved = baseMesh->next;
    mesh_mod* savedCursor = meshPtr;
    baseMesh->next = nullptr;
    outputProc savedConsole = toConsole;
    toConsole = CaptureConsole;
    gConsole.clear();

    mesh_mod* robot = MakeEntry("robot");
    mesh_mod* crate = MakeEntry("crate");
    AppendCachedModel(robot);
    AppendCachedModel(crate);
    EXPECT_EQ(meshPtr, crate);
    EXPECT_EQ(FindCachedModel("crate"), crate);
    EXPECT_EQ(FindCachedModel("robot"), robot);
    EXPECT_EQ(FindCachedModel("Robot"), nullptr);
    EXPECT_EQ(FindCachedModel("rob"), nullptr);

    DisposeMeshworkModel(robot); // refused: still in the cache
    EXPECT_EQ(FindCachedModel("robot"), robot);
    EXPECT_EQ(ListOf(robot->vertexListHead.next).size(), 4u);
    ASSERT_EQ(gConsole.size(), 1u);
    EXPECT_EQ(gConsole[0].rfind("//", 0), 0u);
    DisposeMeshworkModel(nullptr);

    toConsole = savedConsole;
    baseMesh->next = saved;
    meshPtr = savedCursor;
    FreeEntry(robot);
    FreeEntry(crate);
}
