// The actor roster: creation from cached and loaded models, defaults, naming, lookups, removal,
// the drawing order and the roster limit.
#include "world/humans.h"

#include "app/output.h"
#include "model/mesh_records.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> gConsole;
void CaptureConsole(const char* text)
{
    gConsole.push_back(text);
}

std::string gRoute;
std::string gLevel;
vector_type gEye;
std::vector<std::string> gLoadedPaths;
int gLoadResult = 1;
int gScriptDisposals = 0;
int gVariableDisposals = 0;

// A cache entry with one root bone, one child bone, two vertices and one pose.
mesh_mod* MakeEntry(const char* name)
{
    mesh_mod* m = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    snprintf(m->name, sizeof m->name, "%s", name);
    bonus* root = NewBone();
    snprintf(root->signature, sizeof root->signature, "None");
    snprintf(root->parentSignature, sizeof root->parentSignature, "None");
    bonus* head = NewBone();
    snprintf(head->signature, sizeof head->signature, "Head");
    snprintf(head->parentSignature, sizeof head->parentSignature, "None");
    root->next = head;
    m->boneListHead.next = root;
    LinkBones(root);
    vtx_typ* a = static_cast<vtx_typ*>(calloc(1, sizeof(vtx_typ)));
    vtx_typ* b = static_cast<vtx_typ*>(calloc(1, sizeof(vtx_typ)));
    a->x = 1.0f;
    b->x = 2.0f;
    snprintf(a->boneSignature, sizeof a->boneSignature, "Head");
    snprintf(b->boneSignature, sizeof b->boneSignature, "None");
    a->next = b;
    m->vertexListHead.next = a;
    pose_struct* pose = static_cast<pose_struct*>(calloc(1, sizeof(pose_struct)));
    snprintf(pose->name, sizeof pose->name, "Stand");
    pose_entry* e = static_cast<pose_entry*>(calloc(1, sizeof(pose_entry)));
    e->bone = head;
    e->rotationY = 12.0f;
    e->active = 1;
    pose->entryListHead.next = e;
    m->poseListHead.next = pose;
    return m;
}

int FakeLoader(mesh_mod* model, const char* path)
{
    gLoadedPaths.push_back(path);
    if (!gLoadResult) return 0;
    const char* slash = strrchr(path, '/');
    mesh_mod* built = MakeEntry(slash ? slash + 1 : path);
    *model = *built;
    free(built);
    return 1;
}

class Roster : public ::testing::Test
{
  protected:
    TempDir dir;
    mesh_mod* savedCache = nullptr;
    mesh_mod* savedCursor = nullptr;
    outputProc savedConsole = nullptr;

    void SetUp() override
    {
        EnsureHumanRoster();
        RemoveAllHumans();
        EnsureModelCache();
        savedCache = baseMesh->next;
        savedCursor = meshPtr;
        baseMesh->next = nullptr;
        savedConsole = toConsole;
        toConsole = CaptureConsole;
        gConsole.clear();
        gLoadedPaths.clear();
        gLoadResult = 1;
        gScriptDisposals = gVariableDisposals = 0;
        gEye = fastVector_Set(0, 0, 0);
        gRoute = dir.path + "/";
        gLevel = "";
        gRoutePathHook = [] { return gRoute.c_str(); };
        gLevelFolderHook = [] { return gLevel.c_str(); };
        gEyePositionHook = [] { return gEye; };
        AddModel("robot");
    }

    void TearDown() override
    {
        RemoveAllHumans();
        gRoutePathHook = nullptr;
        gLevelFolderHook = nullptr;
        gEyePositionHook = nullptr;
        gLoadModelHook = nullptr;
        gDisposeHumanScriptsHook = nullptr;
        gDisposeHumanVariablesHook = nullptr;
        mesh_mod* m = baseMesh->next;
        baseMesh->next = savedCache;
        meshPtr = savedCursor;
        while (m)
        {
            mesh_mod* next = m->next;
            DisposeMeshworkModel(m);
            m = next;
        }
        toConsole = savedConsole;
    }

    // A cached model with its file in the data root's Models folder.
    mesh_mod* AddModel(const char* name)
    {
        WriteTextFile(dir / (std::string("Models/") + name), "cached\n");
        mesh_mod* m = MakeEntry(name);
        AppendCachedModel(m);
        return m;
    }

    std::vector<human_being*> RosterList()
    {
        std::vector<human_being*> out;
        for (human_being* h = baseHuman->next; h; h = h->next)
            out.push_back(h);
        return out;
    }
};

} // namespace

TEST_F(Roster, NewActorHasTheDefaultsAndAPrivateModel)
{
    human_being* h = AddHuman("robot");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(baseHuman->next, h);
    EXPECT_EQ(h->next, nullptr);
    EXPECT_EQ(humanPtr, h);
    EXPECT_STREQ(h->name, "robot1");
    ASSERT_NE(h->model, nullptr);
    EXPECT_NE(h->model, FindCachedModel("robot"));
    EXPECT_EQ(h->model->owner, h);
    EXPECT_STREQ(h->model->name, "robot");
    EXPECT_EQ(h->scale, 100.0f);
    EXPECT_EQ(h->blendPercent, 100.0f);
    EXPECT_EQ(h->blendTime, 30);
    EXPECT_EQ(h->returnToStandard, 1);
    EXPECT_FLOAT_EQ(h->speed, 0.02f);
    EXPECT_EQ(h->type, 1);
    EXPECT_EQ(h->health, 100);
    EXPECT_EQ(h->team, 0);
    EXPECT_EQ(h->sortNumber, 65535);
    EXPECT_STREQ(h->currentPose, "Stand");
    EXPECT_STREQ(h->targetPose, "Stand");
    EXPECT_STREQ(h->standardPose, "Stand");
    EXPECT_STREQ(h->deathPose1, "Killed1");
    EXPECT_STREQ(h->deathPose2, "Killed2");
    EXPECT_EQ(h->scripts, nullptr);
    EXPECT_EQ(h->variables, nullptr);
    EXPECT_EQ(h->walking + h->onHud + h->lit + h->poseQueued + h->loopPoses + h->holdFirstPose +
                  h->blendingIn + h->deadlyFall + h->blendBackwards,
              0);
    EXPECT_EQ(h->position.x + h->position.y + h->position.z + h->rotation.y + h->fallHeight, 0.0f);

    // ZeroHuman leaves the fields the creator owns.
    h->health = 3;
    h->scale = 40.0f;
    snprintf(h->queuedTargetPose, sizeof h->queuedTargetPose, "Jump");
    mesh_mod* model = h->model;
    ZeroHuman(h);
    EXPECT_EQ(h->health, 100);
    EXPECT_EQ(h->scale, 40.0f);
    EXPECT_STREQ(h->queuedTargetPose, "Jump");
    EXPECT_STREQ(h->name, "robot1");
    EXPECT_EQ(h->model, model);
}

TEST_F(Roster, ModelFilesAreLookedUpInTheLevelThenTheRootAndLoadedOnce)
{
    // No file anywhere: nothing changes, even though the model is cached.
    human_being* first = AddHuman("robot");
    selHuman = first;
    EXPECT_EQ(AddHuman("ghost"), nullptr);
    EXPECT_EQ(AddHuman(""), nullptr);
    EXPECT_EQ(AddHuman(nullptr), nullptr);
    EXPECT_EQ(RosterList().size(), 1u);
    EXPECT_EQ(selHuman, first);

    // Not cached and no loader: a console line and a clean failure.
    WriteTextFile(dir / "Models/walker", "x\n");
    EXPECT_EQ(AddHuman("walker"), nullptr);
    ASSERT_EQ(gConsole.size(), 1u);
    EXPECT_EQ(gConsole[0].rfind("//", 0), 0u);
    EXPECT_EQ(FindCachedModel("walker"), nullptr);

    gLoadModelHook = FakeLoader;
    gLoadResult = 0; // a file that does not load: nothing is cached, no actor is made
    EXPECT_EQ(AddHuman("walker"), nullptr);
    EXPECT_EQ(FindCachedModel("walker"), nullptr);
    EXPECT_EQ(RosterList().size(), 1u);
    EXPECT_EQ(gConsole.size(), 2u);

    gLoadResult = 1;
    gLevel = dir.path + "/level/";
    WriteTextFile(dir / "level/Models/walker", "x\n");
    human_being* w = AddHuman("walker");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(gLoadedPaths.back(), dir.path + "/level/Models/walker");
    mesh_mod* cached = FindCachedModel("walker");
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(meshPtr, cached);
    EXPECT_EQ(cached->next, nullptr);
    EXPECT_NE(w->model, cached);
    EXPECT_STREQ(w->name, "walker1");

    // Cached now: the next actor copies it without loading again.
    size_t loads = gLoadedPaths.size();
    ASSERT_NE(AddHuman("walker"), nullptr);
    EXPECT_EQ(gLoadedPaths.size(), loads);

    // Missing from the level folder: the data root's file is used.
    WriteTextFile(dir / "Models/crate", "x\n");
    ASSERT_NE(AddHuman("crate"), nullptr);
    EXPECT_EQ(gLoadedPaths.back(), dir.path + "/Models/crate");
    EXPECT_EQ(RosterList().size(), 4u);
    EXPECT_EQ(RosterList().back(), humanPtr);
}

TEST_F(Roster, NamesAreFreeNumbersAfterTheModelName)
{
    human_being* a = AddHuman("robot");
    human_being* b = AddHuman("robot");
    EXPECT_STREQ(a->name, "robot1");
    EXPECT_STREQ(b->name, "robot2");
    RemoveHuman(a);
    human_being* c = AddHuman("robot");
    EXPECT_STREQ(c->name, "robot1");
    human_being* d = AddHuman("robot");
    EXPECT_STREQ(d->name, "robot3");

    EXPECT_EQ(HumanNameAlreadyUsed(d), 0);
    snprintf(d->name, sizeof d->name, "robot2");
    EXPECT_EQ(HumanNameAlreadyUsed(d), 1);
    BuildFreeHumanNameByModelSignature(d);
    EXPECT_STREQ(d->name, "robot3");
    BuildFreeHumanNameByModelSignature(nullptr);

    // A model name longer than the actor's name field: the model part is cut, the number kept.
    std::string longName(50, 'm');
    AddModel(longName.c_str());
    human_being* l1 = AddHuman(longName.c_str());
    human_being* l2 = AddHuman(longName.c_str());
    ASSERT_NE(l1, nullptr);
    ASSERT_NE(l2, nullptr);
    EXPECT_EQ(std::string(l1->name), std::string(34, 'm') + "1");
    EXPECT_EQ(std::string(l2->name), std::string(34, 'm') + "2");
}

TEST_F(Roster, LookupsByNameAndNumber)
{
    human_being* a = AddHuman("robot");
    human_being* b = AddHuman("robot");
    human_being* c = AddHuman("robot");
    EXPECT_EQ(GetHumanByName("robot2"), b);
    EXPECT_EQ(humanPtr, b);
    EXPECT_EQ(GetHumanByName("Robot2"), nullptr);
    EXPECT_EQ(GetHumanByName("robot"), nullptr);
    EXPECT_EQ(GetHumanByName("robot22"), nullptr);
    EXPECT_EQ(GetHumanByName(nullptr), nullptr);
    EXPECT_EQ(humanPtr, c); // left on the last record looked at

    a->sortNumber = 0;
    b->sortNumber = 1;
    c->sortNumber = 2;
    EXPECT_EQ(GetHumanByNumber(a, 2), c);
    EXPECT_EQ(GetHumanByNumber(b, 0), nullptr); // searching starts at the given record
    EXPECT_EQ(GetHumanByNumber(a, 3), nullptr);
    IncreaseHumanNumbers(a, 1, 3);
    EXPECT_EQ(a->sortNumber, 0);
    EXPECT_EQ(b->sortNumber, 2); // raised once, not twice
    EXPECT_EQ(c->sortNumber, 3);
}

TEST_F(Roster, RemovalUnlinksDisposesAndForgetsTheSelection)
{
    gDisposeHumanScriptsHook = [](human_being*) { gScriptDisposals++; };
    gDisposeHumanVariablesHook = [](human_being*) { gVariableDisposals++; };
    human_being* a = AddHuman("robot");
    human_being* b = AddHuman("robot");
    human_being* c = AddHuman("robot");
    selHuman = b;
    RemoveHuman(b);
    EXPECT_EQ(selHuman, nullptr);
    EXPECT_EQ(humanPtr, a);
    EXPECT_EQ(RosterList(), (std::vector<human_being*>{a, c}));
    EXPECT_EQ(gScriptDisposals, 1);
    EXPECT_EQ(gVariableDisposals, 1);

    // Removed already, or null: nothing changes and nothing is read through the pointer.
    RemoveHuman(b);
    RemoveHuman(nullptr);
    EXPECT_EQ(RosterList(), (std::vector<human_being*>{a, c}));
    EXPECT_EQ(gScriptDisposals, 1);

    // The cache entry is untouched by disposing of copies.
    mesh_mod* entry = FindCachedModel("robot");
    EXPECT_STREQ(entry->poseListHead.next->name, "Stand");
    EXPECT_EQ(entry->poseListHead.next->entryListHead.next->bone, entry->boneListHead.next->next);

    selHuman = c;
    RemoveHuman(c);
    EXPECT_EQ(RosterList(), (std::vector<human_being*>{a}));
    EXPECT_EQ(a->next, nullptr);
    EXPECT_EQ(selHuman, nullptr);
    RemoveAllHumans();
    EXPECT_EQ(baseHuman->next, nullptr);
    EXPECT_EQ(gScriptDisposals, 3);
    EXPECT_EQ(gVariableDisposals, 3);
}

TEST_F(Roster, ActorsOfOneModelHaveIndependentCopies)
{
    human_being* a = AddHuman("robot");
    human_being* b = AddHuman("robot");
    ASSERT_NE(a->model, b->model);
    EXPECT_EQ(b->model->owner, b);
    a->model->vertexListHead.next->x = 50.0f;
    a->model->boneListHead.next->next->rotationY[0] = 45.0f;
    a->model->poseListHead.next->entryListHead.next->rotationY = -1.0f;
    EXPECT_EQ(b->model->vertexListHead.next->x, 1.0f);
    EXPECT_EQ(b->model->boneListHead.next->next->rotationY[0], 0.0f);
    EXPECT_EQ(b->model->poseListHead.next->entryListHead.next->rotationY, 12.0f);
    EXPECT_EQ(FindCachedModel("robot")->vertexListHead.next->x, 1.0f);
    EXPECT_EQ(b->model->vertexListHead.next->bone, b->model->boneListHead.next->next);
}

TEST_F(Roster, DrawingOrderIsFarthestFirstStableAndHudByOrigin)
{
    SortHumansForBlending(); // empty roster
    EXPECT_EQ(baseHuman->next, nullptr);

    human_being* near = AddHuman("robot");
    human_being* far = AddHuman("robot");
    human_being* tieA = AddHuman("robot");
    human_being* tieB = AddHuman("robot");
    human_being* hud = AddHuman("robot");
    gEye = fastVector_Set(10.0f, 0.0f, 0.0f);
    near->position = fastVector_Set(11.0f, 0.0f, 0.0f);  // 1 from the eye
    far->position = fastVector_Set(10.0f, 0.0f, -20.0f); // 20
    tieA->position = fastVector_Set(10.0f, 5.0f, 0.0f);  // 5
    tieB->position = fastVector_Set(10.0f, 0.0f, 5.0f);  // 5
    hud->onHud = 1;
    hud->position = fastVector_Set(0.0f, 0.0f, -3.0f); // 3 from the origin, 10.4 from the eye

    SortHumansForBlending();
    std::vector<human_being*> order = RosterList();
    EXPECT_EQ(order, (std::vector<human_being*>{far, tieA, tieB, hud, near}));
    for (size_t i = 0; i < order.size(); i++)
        EXPECT_EQ(order[i]->sortNumber, (int)i);
    EXPECT_FLOAT_EQ(hud->viewDistance, 3.0f);
    EXPECT_FLOAT_EQ(far->viewDistance, 20.0f);

    // Sorting again keeps the tie in its (new) roster order; moving the eye re-orders.
    SortHumansForBlending();
    EXPECT_EQ(RosterList(), order);
    gEye = fastVector_Set(10.0f, 0.0f, -20.0f);
    SortHumansForBlending();
    order = RosterList();
    EXPECT_EQ(order.front(), tieB); // 25 away
    EXPECT_EQ(order.back(), far);   // 0 away
    EXPECT_EQ(far->next, nullptr);
}

TEST_F(Roster, TheRosterHoldsAtMost256Actors)
{
    for (int i = 0; i < kMaxHumans - 1; i++)
    {
        human_being* h = AppendNewHuman();
        ASSERT_NE(h, nullptr);
        snprintf(h->name, sizeof h->name, "filler%d", i);
        h->position = fastVector_Set((float)i, 0.0f, 0.0f);
    }
    human_being* last = AddHuman("robot");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(CountHumans(), 256);
    gConsole.clear();
    EXPECT_EQ(AddHuman("robot"), nullptr);
    EXPECT_EQ(AppendNewHuman(), nullptr);
    EXPECT_EQ(CountHumans(), 256);
    EXPECT_EQ(humanPtr, last);
    ASSERT_EQ(gConsole.size(), 2u);
    EXPECT_EQ(gConsole[0].rfind("//", 0), 0u);

    // A full roster sorts without overrunning: farthest (the last filler) first.
    SortHumansForBlending();
    std::vector<human_being*> order = RosterList();
    ASSERT_EQ(order.size(), 256u);
    EXPECT_STREQ(order.front()->name, "filler254");
    EXPECT_EQ(order.back()->sortNumber, 255);
}
