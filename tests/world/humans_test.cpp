// The actor roster: creation from cached models, defaults, naming, lookups, removal and the
// roster limit. (Model files found in the level's or the data root's Models folder, or in
// neither, are the level files test's; the drawing order farthest first is the drawing test's,
// with the program's own eye, and the recorded sessions' last frames.)
#include "world/humans.h"

#include "model/model_fixtures.h"

static std::string gRoute;
static int gDisposals = 0; // 1 for each script list, 10 for each variable list

// A cache entry with one bone "Head", a vertex (x 1) on it and a pose "Stand" turning it by 12.
static mesh_mod* MakeEntry(const char* name)
{
    mesh_mod* m = NewRecord<mesh_mod>();
    snprintf(m->name, sizeof m->name, "%s", name);
    bonus* head = AddBone(m, "Head");
    vtx_typ* v = m->vertexListHead.next = NewRecord<vtx_typ>();
    v->x = 1.0f, snprintf(v->boneSignature, sizeof v->boneSignature, "Head");
    AddEntry(AddPose(m, "Stand"), head, 0, 12.0f);
    return m;
}

class Roster : public ::testing::Test
{
  protected:
    TempDir dir;
    ConsoleCapture console;
    std::vector<std::string>& gConsole = ConsoleCapture::Lines();

    void SetUp() override
    {
        EnsureHumanRoster(), EnsureModelCache();
        gDisposals = 0, gRoute = dir.path + "/";
        gRoutePathHook = [] { return gRoute.c_str(); };
        gLevelFolderHook = [] { return ""; }; // no level: the data root's Models only
        gEyePositionHook = [] { return fastVector_Set(0, 0, 0); };
        // The model loader registers itself when linked in; these tests bring their own.
        gLoadModelHook = nullptr, AddModel("robot");
    }

    void TearDown() override
    {
        RemoveAllHumans(), EmptyModelCache();
        gRoutePathHook = gLevelFolderHook = nullptr, gEyePositionHook = nullptr, gLoadModelHook = nullptr;
        gDisposeHumanScriptsHook = gDisposeHumanVariablesHook = nullptr;
    }

    // A cached model with its file in the data root's Models folder.
    void AddModel(const char* name)
    {
        WriteTextFile(dir / (std::string("Models/") + name), "cached\n");
        AppendCachedModel(MakeEntry(name));
    }

    std::vector<human_being*> RosterList() { return ListOf(baseHuman->next); }
};

TEST_F(Roster, NewActorsGetDefaultsPrivateModelCopiesAndFreeNames)
{
    human_being* a = AddHuman("robot");
    ASSERT_TRUE(a && std::string(a->name) == "robot1");
    EXPECT_TRUE(humanPtr == a && a->model->owner == a && a->sortNumber == 65535);

    // Each actor's model is its own deep copy: bones, vertices and poses, linked among themselves.
    human_being* b = AddHuman("robot");
    ASSERT_TRUE(a->model != b->model && a->model != FindCachedModel("robot"));
    a->model->vertexListHead.next->x = 50.0f, a->model->boneListHead.next->rotationY[0] = 45.0f,
    a->model->poseListHead.next->entryListHead.next->rotationY = -1.0f;
    pose_entry* entry = b->model->poseListHead.next->entryListHead.next;
    EXPECT_EQ((std::vector<float>{1, 0, 12}),
              (std::vector<float>{b->model->vertexListHead.next->x, b->model->boneListHead.next->rotationY[0],
                                  entry->rotationY}));
    EXPECT_EQ(entry->bone, b->model->boneListHead.next);

    // ZeroHuman leaves the fields the creator owns.
    a->scale = 40.0f;
    mesh_mod* model = a->model;
    ZeroHuman(a);
    EXPECT_TRUE(a->health == 100 && a->scale == 40.0f && a->model == model);

    // (The lowest free number and a taken name replaced are the level edits' and the level files'
    // tests': new crates fill the level's gaps, a second Guard is renamed.)
    BuildFreeHumanNameByModelSignature(nullptr);
    // A model name longer than the actor's name field: the model part is cut, the number kept.
    std::string longName(50, 'm');
    AddModel(longName.c_str()), AddHuman(longName.c_str());
    human_being* l2 = AddHuman(longName.c_str());
    EXPECT_TRUE(l2 && std::string(l2->name) == std::string(34, 'm') + "2");
}

TEST_F(Roster, LookupsRenumberingAndRemoval)
{
    gDisposeHumanScriptsHook = [](human_being*) { gDisposals += 1; };
    gDisposeHumanVariablesHook = [](human_being*) { gDisposals += 10; };
    human_being *a = AddHuman("robot"), *b = AddHuman("robot"), *c = AddHuman("robot");
    EXPECT_TRUE(GetHumanByName("robot2") == b && humanPtr == b);
    for (const char* miss : {"Robot2", "robot", "robot22", (const char*)nullptr})
        EXPECT_EQ(GetHumanByName(miss), nullptr);
    EXPECT_EQ(humanPtr, c); // left on the last record looked at

    selHuman = b, RemoveHuman(b);
    EXPECT_TRUE(selHuman == nullptr && humanPtr == a);
    EXPECT_EQ(RosterList(), (std::vector<human_being*>{a, c}));
    // Removed already, or null: nothing changes and nothing is read through the pointer.
    RemoveHuman(b), RemoveHuman(nullptr);
    EXPECT_EQ(RosterList().size() * 100 + gDisposals, 211u);
    // Disposing of copies leaves the cache entry whole.
    mesh_mod* entry = FindCachedModel("robot");
    EXPECT_EQ(entry->poseListHead.next->entryListHead.next->bone, entry->boneListHead.next);

    RemoveAllHumans();
    EXPECT_TRUE(!baseHuman->next && gDisposals == 33);
}

TEST_F(Roster, TheRosterHoldsAtMost256Actors)
{
    for (int i = 0; i < kMaxHumans - 1; i++)
    {
        human_being* h = AppendNewHuman();
        ASSERT_NE(h, nullptr);
        snprintf(h->name, sizeof h->name, "filler%d", i), h->position = fastVector_Set((float)i, 0.0f, 0.0f);
    }
    human_being* last = AddHuman("robot");
    ASSERT_NE(last, nullptr);
    gConsole.clear();
    EXPECT_TRUE(AddHuman("robot") == nullptr && AppendNewHuman() == nullptr && humanPtr == last);
    EXPECT_TRUE(CountHumans() == 256 && gConsole.size() == 2 && gConsole[0].rfind("//", 0) == 0);
    // A full roster sorts without overrunning: farthest (the last filler) first.
    SortHumansForBlending();
    std::vector<human_being*> order = RosterList();
    ASSERT_EQ(order.size(), 256u);
    EXPECT_TRUE(std::string(order.front()->name) == "filler254" && order.back()->sortNumber == 255);
}
