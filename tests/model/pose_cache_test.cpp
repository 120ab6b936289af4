// The pose cache and lean copies: boxes and posed vertices equal to a full rebuild to the bit
// through any run of pose, blend, move, turn and scale changes; work done again only when its
// inputs changed; copies sharing their source's lists and freed in any order.
#include "model/pose_cache.h"

#include "model/bounds.h"
#include "model_fixtures.h"
#include "world/humans.h"

#include <cmath>
#include <cstring>
#include <random>

namespace
{

const int kFaceCorners[6][3] = {{0, 1, 3}, {4, 5, 7}, {2, 3, 6}, {0, 1, 4}, {0, 3, 4}, {1, 2, 5}};

// The boxes a model drawn at position with rotation has, computed from scratch as the box update
// is specified: each bone's rest box posed through its chain, the widened model-space hull of
// them all, everything turned and moved with the model.
struct ExpectedBoxes
{
    std::vector<vector_type> boneCorners; // 8 per bone
    std::vector<vector_type> boneCentres;
    vector_type model[8];
    vector_type top, lo, hi;
};

ExpectedBoxes FromScratch(mesh_mod* m, vector_type position, vector_type rotation)
{
    auto place = [&](vector_type p)
    {
        vector_type r = RotateVector(p, {0, 0, 0}, rotation.x, rotation.y, rotation.z);
        return fastVector_Set(r.x + position.x, r.y + position.y, r.z + position.z);
    };
    ExpectedBoxes out;
    float lo[3] = {1000, 1000, 1000}, hi[3] = {-1000, -1000, -1000};
    for (bonus* b = m->boneListHead.next; b; b = b->next)
    {
        bonus rest = *b;
        CreateBoneBox(&rest);
        CreateBoneBoxCenter(&rest);
        out.boneCentres.push_back(PoseVertex(b, rest.boxCenter.x, rest.boxCenter.y, rest.boxCenter.z));
        for (const vector_type& corner : rest.boxCorners)
        {
            vector_type c = PoseVertex(b, corner.x, corner.y, corner.z);
            const float p[3] = {c.x, c.y, c.z};
            for (int a = 0; a < 3; a++)
                lo[a] = std::fmin(lo[a], p[a]), hi[a] = std::fmax(hi[a], p[a]);
            out.boneCorners.push_back(place(c));
        }
    }
    if (lo[0] > hi[0]) lo[0] = lo[1] = lo[2] = hi[0] = hi[1] = hi[2] = 0;
    const float x0 = lo[0] - 0.1f, x1 = hi[0] + 0.1f, z0 = lo[2] - 0.1f, z1 = hi[2] + 0.1f;
    const vector_type corners[8] = {{x0, lo[1], z1}, {x0, hi[1], z1}, {x1, hi[1], z1}, {x1, lo[1], z1},
                                    {x0, lo[1], z0}, {x0, hi[1], z0}, {x1, hi[1], z0}, {x1, lo[1], z0}};
    for (int k = 0; k < 8; k++)
        out.model[k] = place(corners[k]);
    out.top = place({0, hi[1], 0});
    out.lo = out.hi = out.model[0];
    auto take = [&](const vector_type& p)
    {
        out.lo = {std::fmin(out.lo.x, p.x), std::fmin(out.lo.y, p.y), std::fmin(out.lo.z, p.z)};
        out.hi = {std::fmax(out.hi.x, p.x), std::fmax(out.hi.y, p.y), std::fmax(out.hi.z, p.z)};
    };
    for (const vector_type& p : out.model)
        take(p);
    for (const vector_type& p : out.boneCorners)
        take(p);
    return out;
}

bool Same(const vector_type& a, const vector_type& b)
{
    return memcmp(&a, &b, sizeof a) == 0;
}

// Every box field of m equal to the bit to what a rebuild from scratch gives, faces included.
::testing::AssertionResult BoxesAsRebuilt(mesh_mod* m, vector_type position, vector_type rotation)
{
    ExpectedBoxes e = FromScratch(m, position, rotation);
    int i = 0;
    for (bonus* b = m->boneListHead.next; b; b = b->next, i++)
    {
        if (!Same(b->boxCenter, e.boneCentres[i]))
            return ::testing::AssertionFailure() << "centre of bone " << b->signature;
        for (int k = 0; k < 8; k++)
            if (!Same(b->boxCorners[k], e.boneCorners[i * 8 + k]))
                return ::testing::AssertionFailure() << "corner " << k << " of bone " << b->signature;
        for (int f = 0; f < 6; f++)
            for (int c = 0; c < 3; c++)
                if (!Same(b->boxPlanes[f][c], b->boxCorners[kFaceCorners[f][c]]))
                    return ::testing::AssertionFailure() << "face " << f << " of bone " << b->signature;
    }
    for (int k = 0; k < 8; k++)
        if (!Same(m->boxCorners[k], e.model[k])) return ::testing::AssertionFailure() << "model corner " << k;
    for (int f = 0; f < 6; f++)
        for (int c = 0; c < 3; c++)
            if (!Same(m->boxPlanes[f][c], m->boxCorners[kFaceCorners[f][c]]))
                return ::testing::AssertionFailure() << "model face " << f;
    if (!Same(m->topPoint, e.top)) return ::testing::AssertionFailure() << "topPoint";
    if (!Same(m->boxMin, e.lo) || !Same(m->boxMax, e.hi)) return ::testing::AssertionFailure() << "bounds";
    return ::testing::AssertionSuccess();
}

// The posed positions of m's cache equal to the bit to each vertex posed on its own.
::testing::AssertionResult PosedAsRebuilt(mesh_mod* m)
{
    int count = 0;
    const float(*posed)[3] = PosedModelVertices(m, &count);
    int i = 0;
    for (const vtx_typ* v = m->vertexListHead.next; v; v = v->next, i++)
    {
        vector_type p = PoseWeightedVertex(v);
        if (i >= count || memcmp(posed[i], &p, sizeof posed[i]) != 0)
            return ::testing::AssertionFailure() << "vertex " << i;
    }
    return ::testing::AssertionSuccess();
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
        for (const char* file : {"guard", "guard_poses"})
            EXPECT_TRUE(WriteTextFile(dir / (std::string("Models/") + file),
                                      ReadTextFile(SourceDir() + "/demo/Models/" + file)));
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

TEST(PoseCache, BoxesAndVerticesEqualAFullRebuildThroughAnyRunOfChanges)
{
    Guard guard;
    mesh_mod* m = guard.actor->model;
    ASSERT_GT(ListOf(m->poseListHead.next).size(), 3u);
    const char* poses[] = {"Stand", "Walk1", "Walk2", "Fall1", "Killed2"};
    std::mt19937 random(24);
    auto pick = [&](int n) { return (int)(random() % n); };
    auto real = [&](float lo, float hi) { return lo + (hi - lo) * (float)(random() % 10001) / 10000.0f; };
    float percent = 100.0f;
    vector_type position = {1, 0, -3}, rotation = {0, 0, 0};
    for (int step = 0; step < 400; step++)
    {
        switch (pick(9))
        {
        case 0:
            break; // the same again
        case 1:
            percent = pick(3) ? real(0, 100) : (float)(pick(2) * 100);
            break;
        case 2:
            SetModelPoses(m, poses[pick(5)], poses[pick(5)]);
            break;
        case 3:
            MorphModelPoses(m, poses[pick(5)], &percent);
            break;
        case 4:
            position.x += real(-0.2f, 0.2f), position.z += real(-0.2f, 0.2f);
            break;
        case 5:
            rotation = {pick(4) ? 0.0f : real(-30, 30), real(-180, 180), 0.0f};
            break;
        case 6:
            ScaleModelTo(guard.actor, real(0.8f, 1.25f), real(0.8f, 1.25f), real(0.8f, 1.25f), 0);
            break;
        case 7:
            position.y -= 0.05f, percent = real(0, 100);
            break;
        case 8:
            position = {-position.x, position.y, position.z}, rotation.y = -rotation.y;
            break;
        }
        BlendModelChannels(m, percent);
        UpdateModelBoxes(m, position, rotation);
        ASSERT_TRUE(BoxesAsRebuilt(m, position, rotation)) << "step " << step;
        if (step % 7 == 0)
        {
            ASSERT_TRUE(PosedAsRebuilt(m)) << "step " << step;
        }
    }
}

TEST(PoseCache, PosesAndBoxesAgainOnlyWhenTheirInputsChanged)
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
    EXPECT_TRUE(PosedAsRebuilt(m) && BoxesAsRebuilt(m, position, rotation));
}

TEST(PoseCache, BlendsAgainWhenTheModelCodeWroteChannelsOrThePercentMatters)
{
    Guard guard;
    mesh_mod* m = guard.actor->model;
    bonus* arm = GetBonePtrBySignature(m->boneListHead.next, "RArm");
    ASSERT_NE(nullptr, arm);
    SetModelPoses(m, "Stand", "Stand");
    EXPECT_EQ(1, BlendModelPose(m, 100.0f));
    // Standing: the blend runs between equal poses, so its percent changes nothing.
    EXPECT_EQ(0, BlendModelPose(m, 37.0f));
    EXPECT_EQ(0, BlendModelPose(m, 0.0f));
    SetModelPoses(m, "Walk1", "Walk2");
    EXPECT_EQ(1, BlendModelPose(m, 37.0f));
    EXPECT_EQ(0, BlendModelPose(m, 37.0f));
    EXPECT_EQ(1, BlendModelPose(m, 60.0f)); // now the percent matters
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
}

TEST(ModelSharing, CopiesShareTheirSourcesListsAndAreFreedInAnyOrder)
{
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
        EXPECT_EQ(3, entry->copies);
        EXPECT_TRUE(a->source == entry && b->source == entry && level->source == entry);
        for (mesh_mod* copy : {a, b, level})
            for (int i = 0; i < kMaxModelMaterials; i++)
                EXPECT_TRUE(copy->materials[i].indices == entry->materials[i].indices &&
                            copy->materials[i].texCoords == entry->materials[i].texCoords);
        ASSERT_NE(nullptr, entry->materials[0].indices);
        int n = 0;
        EXPECT_TRUE(ModelRestNormals(a, &n) == ModelRestNormals(b, &n) && n == entry->vertexCount);
        // Actors read their source's triangles; a level copy has its own, on its own vertices,
        // whose material is still the loaded slot.
        EXPECT_TRUE(a->triangleListHead.next == entry->triangleListHead.next &&
                    b->triangleListHead.next == entry->triangleListHead.next);
        trio* placed = level->triangleListHead.next;
        ASSERT_TRUE(placed && placed != entry->triangleListHead.next);
        std::vector<vtx_typ*> own = ListOf(level->vertexListHead.next);
        EXPECT_EQ(own[placed->vertexNumbers[1]], placed->vertices[1]);
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
            // The actors' copies left still pose and box on the shared lists.
            for (int left : {1, 2})
                if (alive[left])
                {
                    BlendModelChannels(models[left], 50.0f);
                    UpdateModelBoxes(models[left], {0, 0, 0}, {0, 10, 0});
                    EXPECT_TRUE(PosedAsRebuilt(models[left]));
                }
        }
        guard.entry = nullptr;
        guard.actor->model = nullptr;
        free(other);
        free(placer);
    }
}
