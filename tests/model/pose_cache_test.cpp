// The pose cache and lean copies: work done again exactly when its inputs changed, the boxes and
// posed vertices then equal to a full rebuild to the bit; copies sharing their source's lists and
// freed in any order.
#include "model/pose_cache.h"

#include "model/bounds.h"
#include "model_fixtures.h"
#include "world/humans.h"

#include <cstring>

namespace
{

// The box fields of m and of its bones and m's posed vertices, bit for bit.
std::string Snapshot(mesh_mod* m)
{
    std::string s;
    auto add = [&](const void* p, size_t n) { s.append(static_cast<const char*>(p), n); };
    for (bonus* b = m->boneListHead.next; b; b = b->next)
    {
        add(b->boxCorners, sizeof b->boxCorners);
        add(b->boxPlanes, sizeof b->boxPlanes);
        add(&b->boxCenter, sizeof b->boxCenter);
    }
    add(m->boxCorners, sizeof m->boxCorners);
    add(m->boxPlanes, sizeof m->boxPlanes);
    for (const vector_type* v : {&m->topPoint, &m->boxMin, &m->boxMax})
        add(v, sizeof *v);
    int count = 0;
    const float(*posed)[3] = PosedModelVertices(m, &count);
    add(posed, sizeof(float[3]) * count);
    return s;
}

// What m holds once everything is worked out again from nothing at position and rotation.
std::string Rebuilt(mesh_mod* m, vector_type position, vector_type rotation)
{
    ForgetModelPose(m);
    UpdateModelBoxes(m, position, rotation);
    return Snapshot(m);
}

// The demo's guard with its poses under a temporary Models folder (without its picture, so no
// GL is needed), and an actor holding a copy of it.
struct Guard
{
    TempDir dir;
    mesh_mod* entry = nullptr;
    human_being* actor = nullptr;

    Guard()
    {
        EXPECT_TRUE(WriteTextFile(dir / "Models/guard_poses",
                                  ReadTextFile(SourceDir() + "/demo/Models/guard_poses")));
        entry = Load(dir / "Models/guard", ReadTextFile(SourceDir() + "/demo/Models/guard"));
        actor = NewRecord<human_being>();
        ZeroHuman(actor);
        // The copy reads its own pose file, as an actor's does in the game.
        savedHook = gImportModelPosesHook;
        gImportModelPosesHook = ImportModelAnimations;
        actor->model = MakePrivateModelCopy(entry, actor);
    }
    ~Guard()
    {
        gImportModelPosesHook = savedHook;
        DisposeMeshworkModel(actor->model);
        DisposeMeshworkModel(entry);
        free(actor);
    }
    int (*savedHook)(mesh_mod*, const char*) = nullptr;
};

} // namespace

TEST(PoseCache, PosesBoxesAndBlendsAgainOnlyWhenTheirInputsChangedAndCopiesShareTheirSourcesLists)
{
    Guard guard;
    mesh_mod* m = guard.actor->model;
    vector_type position = {0, 0, 0}, rotation = {0, 30, 0};
    SetModelPoses(m, "Walk1", "Walk2");
    BlendModelChannels(m, 40.0f);
    UpdateModelBoxes(m, position, rotation);
    int count = 0;
    float(*posed)[3] = const_cast<float(*)[3]>(PosedModelVertices(m, &count));
    ASSERT_EQ(m->vertexCount, count);
    bonus* arm = GetBonePtrBySignature(m->boneListHead.next, "RArm");
    ASSERT_NE(nullptr, arm);

    // Marks the first posed vertex and an arm box corner; a step that redoes the work overwrites
    // them. Returns which of the two were redone; the boxes' version, which tells collision to
    // rebuild what it derives from the boxes, must move exactly when the boxes were redone.
    auto redone = [&](auto change)
    {
        posed[0][0] = -99.0f;
        arm->boxCorners[0].x = -99.0f;
        change();
        const uint32_t version = gModelBoxesVersion;
        BlendModelChannels(m, guard.actor->blendPercent);
        UpdateModelBoxes(m, position, rotation);
        posed = const_cast<float(*)[3]>(PosedModelVertices(m, &count));
        const bool boxes = arm->boxCorners[0].x != -99.0f;
        EXPECT_EQ(boxes, version != gModelBoxesVersion);
        return std::vector<bool>{posed[0][0] != -99.0f, boxes};
    };
    guard.actor->blendPercent = 40.0f;
    typedef std::vector<bool> redid;
    EXPECT_EQ(redid({false, false}), redone([] {}));                                     // nothing changed
    EXPECT_EQ(redid({true, true}), redone([&] { guard.actor->blendPercent = 55.0f; }));  // a blend
    EXPECT_EQ(redid({false, true}), redone([&] { position.x += 0.5f; }));                // moved only
    EXPECT_EQ(redid({false, true}), redone([&] { rotation.y = 31.0f; }));                // turned only
    EXPECT_EQ(redid({true, true}), redone([&] { SetModelPoses(m, "Fall1", "Fall2"); })); // new poses
    EXPECT_EQ(redid({true, true}), redone([&] { ScaleModelTo(guard.actor, 1, 1.5f, 1, 0); }));
    // A pivot or a rest extent written directly is seen by the comparison alone.
    EXPECT_EQ(redid({true, true}), redone([&] { arm->pivot.y += 0.05f; }));
    EXPECT_EQ(redid({true, true}), redone([&] { arm->maxY += 0.05f; }));
    // The same poses set again: the channels are written, but to the values they had.
    EXPECT_EQ(redid({false, false}), redone([&] { SetModelPoses(m, "Fall1", "Fall2"); }));
    // Rest positions moved by other code are seen once the cache is told.
    EXPECT_EQ(redid({true, true}), redone([&] { m->vertexListHead.next->x += 1.0f, ForgetModelPose(m); }));
    const std::string kept = Snapshot(m);
    EXPECT_TRUE(kept == Rebuilt(m, position, rotation));

    // The blend alone (BlendModelPose says whether it blended again). Standing: the blend runs
    // between equal poses, so its percent changes nothing; walking, it matters.
    SetModelPoses(m, "Stand", "Stand");
    // A braced list calls in order.
    const std::vector<int> standing = {BlendModelPose(m, 100.0f), BlendModelPose(m, 37.0f)};
    SetModelPoses(m, "Walk1", "Walk2");
    EXPECT_EQ((std::vector<int>{1, 0, 1, 0, 1}),
              (std::vector<int>{standing[0], standing[1], BlendModelPose(m, 37.0f), BlendModelPose(m, 37.0f),
                                BlendModelPose(m, 60.0f)}));
    const float walking = arm->rotationX[2];
    // Every writer of the model code is seen: a blend, a morph, the none pose.
    BlendModelChannels(m, 60.0f);
    EXPECT_EQ(0, BlendModelPose(m, 60.0f)) << "blended to the same values";
    BlendModelChannels(m, 90.0f);
    EXPECT_EQ(1, BlendModelPose(m, 60.0f));
    EXPECT_EQ(walking, arm->rotationX[2]);
    float percent = 37.0f;
    MorphModelPoses(m, "Fall1", &percent);
    EXPECT_EQ(1, BlendModelPose(m, percent));
    SetNonePoseState(m);
    EXPECT_EQ(1, BlendModelPose(m, percent));
    // Other code that writes channels tells the cache.
    const float before = arm->rotationZ[2];
    arm->rotationZ[0] += 10.0f;
    ForgetModelPose(m);
    EXPECT_EQ(1, BlendModelPose(m, percent));
    EXPECT_NE(before, arm->rotationZ[2]);

    // Each order disposes of the entry, two actors' copies and a level copy; the sanitizer build
    // finds any list freed too early or never.
    const int orders[][4] = {{0, 1, 2, 3}, {1, 0, 3, 2}, {3, 2, 1, 0}, {2, 3, 0, 1}};
    for (const auto& order : orders)
    {
        Guard guard;
        mesh_mod* entry = guard.entry;
        mesh_mod* a = guard.actor->model;
        human_being* other = NewRecord<human_being>();
        ZeroHuman(other);
        mesh_mod* b = other->model = MakePrivateModelCopy(a, other); // a copy of a copy
        mesh_mod* level = MakePrivateModelCopy(entry, nullptr);
        EXPECT_TRUE(entry->copies == 3 && a->source == entry && b->source == entry && level->source == entry);
        for (mesh_mod* copy : {a, b, level})
            for (int i = 0; i < kMaxModelMaterials; i++)
                EXPECT_TRUE(copy->materials[i].indices == entry->materials[i].indices &&
                            copy->materials[i].texCoords == entry->materials[i].texCoords);
        ASSERT_NE(nullptr, entry->materials[0].indices);
        int n = 0;
        EXPECT_TRUE(ModelRestNormals(a, &n) == ModelRestNormals(b, &n) && n == entry->vertexCount);
        // Actors read their source's triangles; a level copy has its own (on its own vertices, as
        // the private copy test shows), whose material is still the loaded slot.
        EXPECT_TRUE(a->triangleListHead.next == entry->triangleListHead.next &&
                    b->triangleListHead.next == entry->triangleListHead.next);
        trio* placed = level->triangleListHead.next;
        ASSERT_TRUE(placed && placed != entry->triangleListHead.next);
        EXPECT_EQ(&entry->materials[0], placed->material);

        // A scaled actor's extents, found through the shared triangles by vertex number, are
        // what a copy with triangles of its own gets.
        human_being* placer = NewRecord<human_being>();
        placer->model = level;
        ScaleModelTo(guard.actor, 1.5f, 0.75f, 2.0f, 0);
        ScaleModelTo(placer, 1.5f, 0.75f, 2.0f, 0);
        for (bonus *x = a->boneListHead.next, *y = level->boneListHead.next; x && y; x = x->next, y = y->next)
            EXPECT_EQ(0, memcmp(&x->minX, &y->minX, 6 * sizeof(float))) << x->signature;

        mesh_mod* models[4] = {entry, a, b, level};
        bool alive[4] = {true, true, true, true};
        for (int k : order)
        {
            DisposeMeshworkModel(models[k]);
            alive[k] = false;
            // An entry disposed of while copies share its lists waits for the last of them.
            // (With no copy left it is freed at once, so it is not looked at then.)
            EXPECT_TRUE(k != 0 || !(alive[1] || alive[2] || alive[3]) || entry->disposeWhenUnshared);
            // The actors' copies left still pose and box on the shared lists.
            for (int left : {1, 2})
                if (alive[left])
                {
                    BlendModelChannels(models[left], 50.0f);
                    UpdateModelBoxes(models[left], {0, 0, 0}, {0, 10, 0});
                    const std::string kept = Snapshot(models[left]);
                    EXPECT_TRUE(kept == Rebuilt(models[left], {0, 0, 0}, {0, 10, 0})) << left;
                }
        }
        guard.entry = nullptr;
        guard.actor->model = nullptr;
        free(other);
        free(placer);
    }
}
