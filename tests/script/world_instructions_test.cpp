// The instructions that drive the world, run through scripts: actors made from a model file,
// their fields, the player's counterparts, poses, line tests on a small level, snapshots,
// materials, sounds, keys, buttons and the pointer, and the range checks with their console line.
#include "script_test_util.h"

#include "app/input.h"
#include "app/screen.h"
#include "app/tick.h"
#include "model/bounds.h"
#include "platform/fsound.h"
#include "resources/animated_textures.h"
#include "resources/sound_list.h"
#include "script/actor_instructions.h"
#include "script/media_instructions.h"
#include "world/camera.h"
#include "world/collision.h"
#include "world/level_fixtures.h"
#include "world/player.h"

#include <cmath>

namespace scrtest
{
namespace
{

// The script test world with the demo's humanoid model under Models/ of the data folder.
struct WorldScript : ScriptTest
{
    void SetUp() override
    {
        ScriptTest::SetUp();
        for (const char* file : {"humanoid", "humanoid_poses"})
            Write(std::string("Models/") + file, ReadTextFile(SourceDir() + "/demo/Models/" + file));
        entfl = updown = entf = viewangle = updownangle = zangle = 0;
        healthPercentage = 100, currentLevelFolder[0] = 0, gTeam = alwaysWalk = 0;
        gScriptChannel = -1, gHitPerson = nullptr;
    }
    human_being* MakeActor(const char* name)
    {
        RunText(std::string("make \"humanoid\"\nsetName \"") + name + "\"");
        EXPECT_NE(selHuman, nullptr);
        return selHuman;
    }
    static int& B(int n) { return gScriptVars.b[n - 1]; }
    static std::vector<float> Vec(vector_type v) { return {v.x, v.y, v.z}; }
    // Float registers first to last to four significant digits, to compare several at once.
    static std::string Fs(int first, int last)
    {
        std::string out;
        char b[32];
        for (int n = first; n <= last; n++)
            out += (snprintf(b, sizeof b, n > first ? " %.4g" : "%.4g", F(n)), b);
        return out;
    }
};

TEST_F(WorldScript, RowsPosesSnapSizeModelsKeysAndButtons)
{
    human_being* h = MakeActor("bob");
    using VF = std::vector<float>;
    // clang-format off
    Check({
        {"getName 3\ngetName", [] { return std::string(gScriptVars.s[2]) == "bob" && gScriptVars.s[0][0] == 'b'; }},
        {"type 2", [&] { return h->type == 2; }}, {"seti 1,5\ntype", [&] { return h->type == 5; }},
        {"live 40", [&] { return h->health == 40 && !strcmp(h->standardPose, "Stand") && !h->loopPoses; }},
        {"setHealth 7\nseti 1,0\ngetHealth", [&] { return h->health == 7 && I(1) == 7; }},
        {"setTeam 3\ngetTeam 4", [&] { return h->team == 3 && I(4) == 3 && gTeam == 0; }},
        {"setSpeed 0.25\nsetf 1,0\ngetSpeed", [&] { return h->speed == 0.25f && F(1) == 0.25; }},
        {"setf 1,0.5\nsetSpeed", [&] { return h->speed == 0.5f; }}, {"seti 1,9\nsetHealth", [&] { return h->health == 9; }},
        {"hud true\nlux yes", [&] { return h->onHud == 1 && h->lit == 0; }},
        {"setb 1,true\nlux\nsetb 1,false\nhud", [&] { return h->onHud == 0 && h->lit == 1; }},
        {"setf 1,4\nsetf 2,5\nput ,,-1\nmark 5", [&] { return Vec(h->position) == VF({4, 5, -1}) && F(7) == -1; }},
        {"spin 10,370,-190\naxis", [&] { return Vec(h->rotation) == VF({10, 10, 170}) && F(3) == 170; }},
        {"put 0,0,0\ngoto 3,0,0", [&] { return h->walking && h->walkTarget.x == 3 && h->rotation.y == GetTwoPointAngle({0, 0}, {3, 0}); }},
        {"stop", [&] { return h->walking == 0; }},
        // No level: a step has no ground and is refused, unless it ignores collisions. Heading 0
        // walks along +z.
        {"put 0,0,0\nspin 0,0,0\nmove 1.5\ngo 1", [&] { return h->position.z == 1.5f; }},
        // The player's counterparts.
        {"player\nsetHealth 55.5\ngetHealth", [] { return healthPercentage == 55.5f && I(1) == 55; }},
        {"setf 1,-2.5\nsetHealth\ngetHealth", [] { return healthPercentage == -2.5f && I(1) == -2; }},
        {"setTeam 2\ngetTeam 6", [&] { return gTeam == 2 && I(6) == 2 && h->team == 3; }},
        // The player's viewangle 0 looks along -z: the eye goes to z -2.
        {"go 1\nsetf 1,2\nmove", [] { return entf == 2 && alwaysWalk == 0; }},
        {"spin 5,30,0\naxis", [] { return updownangle == 5 && viewangle == 150 && F(2) == 30; }},
        {"put 1,2,3\nmark 2", [] { return VF({entfl, updown, entf}) == VF({-1, -3, -3}) && F(3) == 2 && F(4) == 3; }},
        {"type 4\nlive 3\nsetSpeed 2\nhud true\nstop", [&] { return h->type == 5 && h->health == 9; }},
        // "put" of what "mark" read leaves the player exactly where it was.
        {"put 0.1,0.3,1234.567\nmark\nput\nmark 4", [] { return Fs(1, 3) == Fs(4, 6) && entf == -1234.567f; }},
        // The distance between the points in f1-f3 and f4-f6, along every axis.
        {"setf 1,1\nsetf 2,2\nsetf 3,3\nsetf 4,4\nsetf 5,6\nsetf 6,3\ndist 7", [] { return F(7) == 5; }},
    });
    // clang-format on

    // Poses blend, loop, and are made, saved and loaded.
    h = MakeActor("p");
    RunText("pose \"Fall1\",\"Fall2\",0.5,0.25,true");
    EXPECT_EQ((V{1, 500, 250, 250}),
              (V{h->loopPoses, h->queuedBlendTime, h->queuedBlendInTime, h->blendTime}));
    EXPECT_EQ("Fall1 Fall2", std::string(h->currentPose) + " " + h->targetPose);
    h->returnToStandard = 1, RunText("pose \"Walk1\",\"Walk2\",1.0019,0");
    EXPECT_EQ((V{0, 0, 1001}), (V{h->loopPoses, h->returnToStandard, h->queuedBlendTime}));

    h->holdFirstPose = h->loopPoses = 1;
    EXPECT_EQ((RunText("setPose \"Stand\""), h->holdFirstPose + h->loopPoses + h->poseQueued), 0);

    h->model->boneListHead.next->next->rotationX[2] = 33.0f;
    RunText("makePose \"Mine\"\nsavePoses \"saved_poses\"");
    std::string saved = ReadTextFile(dir / "saved_poses");
    EXPECT_TRUE(!strcmp(h->currentPose, "Mine") && saved.find("VXR_Poses\n") == 0 &&
                saved.find("Mine\n{\n") != std::string::npos && saved.find("33.000000") != std::string::npos)
        << saved;

    RunText((Write("two_poses", "VXR_Poses\nOnly\n{\n}\n"), "loadPoses \"two_poses\""));
    const pose_struct* only = h->model->poseListHead.next;
    EXPECT_TRUE(only && !only->next && !strcmp(only->name, "Only"));

    // snap: the nearest multiple of the step, halves away from 0, never -0; no step, no change.
    const std::pair<const char*, std::string> rows[] = {
        {"setf 3,1.26\nsnap 3,0.25", "1.25"},    {"setf 3,-0.1\nsnap 3,0.5", "0"},
        {"setf 3,0.75\nsnap 3,0.5", "1"},        {"setf 3,-2.2\nsetf 4,2\nsnap 3,f4", "-2"},
        {"setf 3,7.3\nsnap 3,0", "7.3"},         {"setf 3,7.3\nsnap 3,-1", "7.3"},
        {"setf 3,3\nsetf 4,15\nsnap 3,f4", "0"}, {"setf 3,52\nsnap 3,15", "45"}};
    for (auto& [script, want] : rows)
        EXPECT_EQ((RunText(script), Fs(3, 3)), want) << script;

    // size: the scale in percent (a negative one counts as positive, 0 changes nothing); the model
    // is scaled from its present size.
    h = MakeActor("sized");
    auto headY = [&] { return h->model->vertexListHead.next->next->next->y; };
    const float y0 = headY();
    // clang-format off
    const std::tuple<const char*, float, float> sizes[] = {
        {"size 50", 50, 0.5f}, {"size -100", 100, 1}, {"size -50", 50, 0.5f}, {"size 0", 50, 0.5f}, {"setf 1,200\nsize", 200, 2}};
    // clang-format on
    for (auto& [script, scale, factor] : sizes)
        EXPECT_TRUE((RunText(script), h->scale == scale && std::fabs(y0 * factor - headY()) < 1e-4f))
            << script;
    RunText("size 80\ngetSize 4\ngetModel 2\nplayer\nsetf 5,-1\ngetSize 5");
    EXPECT_EQ(Fs(4, 5) + gScriptVars.s[1], "80 -1humanoid");

    // models: the Models folder's model files in name order, counted from 1 and round.
    for (const char* file : {"crate", "crate0.png", "props/barrel", "props/barrel_poses"})
        Write(std::string("Models/") + file, "x");
    const std::pair<int, const char*> wanted[] = {{1, "crate"}, {2, "humanoid"},     {3, "props/barrel"},
                                                  {4, "crate"}, {0, "props/barrel"}, {-1, "humanoid"}};
    for (auto& [number, name] : wanted)
        EXPECT_TRUE(
            (I(6) = number, RunText("models 3,6"), !strcmp(gScriptVars.s[2], name) && I(6) >= 1 && I(6) <= 3))
            << number << ": " << gScriptVars.s[2] << " " << I(6);

    // Keys and buttons in their modes.
    memset(keyMap, 0, sizeof keyMap), memset(oldKeyMap, 0, sizeof oldKeyMap);
    gMouseButtons[0] = gOldMouseButtons[0] = 0;
    keyMap[int('W')] = -32767;                       // went down in this tick
    keyMap[13] = oldKeyMap[13] = -32768;             // Return held since before
    oldKeyMap[int('Q')] = -32768;                    // released in this tick
    keyMap[int(' ')] = -32768, keyMap[112] = -32767; // space held, F1 went down
    // clang-format off
    const std::pair<const char*, int> keys[] = {
        {"key \"w\",1,n", 1}, {"key \"W\",1", 1},   {"key \"w\",1,o", 0}, {"key 36,1,n", 0},
        {"key 36,1", 1},      {"key 76,1,o", 1},    {"key 99,1", 0},      {"key \"q\",1,o", 1},
        {"key \"q\",1", 0},   {"key \" \",1,x", 1}, {"key \"w\"x,1", 1},
        // Keys by name, in any case, beside the numbers and characters that name them too.
        {"key \"Return\",1,o", 1}, {"key \"ENTER\",1", 1}, {"key \"Space\",1", 1}, {"key \"space\",1,o", 0},
        {"key \"Escape\",1", 0}, {"key \"f1\",1,n", 1}};
    // clang-format on
    for (auto& [script, b] : keys)
        EXPECT_EQ((B(1) = 7, RunText(script), B(1)), b) << script;
    // The next tick: W is still held, but it went down in the tick before.
    SaveOldKeys(), keyMap[int('W')] = -32768;
    EXPECT_EQ((RunText("key \"w\",2,n\nkey \"w\",3"), V{B(2), B(3)}), (V{0, 1}));

    // A click's edges count between one click and the next, whatever ticks passed.
    B(5) = 5, RunText("click 5,n");
    // Pressed: the second click of the tick finds the edge taken.
    gMouseButtons[0] = -32768, RunText("click 1,n\nclick 2,n\nclick 3");
    gMouseButtons[0] = 0, RunText("click 4,o\nclick");
    EXPECT_EQ((V{0, 0, 1, 1, 0}), (V{B(1), B(2), B(3), B(4), B(5)}));
}

TEST_F(WorldScript, MakeNamesAndOffRemovesEvenFromTheActorsOwnScript)
{
    ConsoleCapture console;
    human_being* a = MakeActor("a");
    human_being* b = MakeActor("b");
    RunText("setName \"a\"\ngetName 5\nsetName free"); // "a" is taken by the other actor: unchanged
    EXPECT_EQ(std::string(gScriptVars.s[4]) + " " + b->name, "b free");
    EXPECT_TRUE((RunText("make \"nothing\""), console.Has("//Could not find model!") && selHuman == b));
    EXPECT_TRUE(
        (gHitPerson = b, RunText("off"), selHuman == nullptr && gHitPerson == nullptr && CountHumans() == 1));
    RunText("get \"a\"\nsetName \"a-name-that-is-longer-than-the-field-holds\"");
    EXPECT_TRUE(!strcmp(a->name, "a-name-that-is-longer-than-the-fiel") &&
                console.Has("setName: name longer than 35 characters cut"));

    // An actor script that removes its own actor ends there.
    Write("me.vxr", "get \"me\"\noff\nseti 5,1\n");
    human_being* h = MakeActor("self");
    SetHumanScriptsByPaths(h, "\"me.vxr\",1"), RunText("player");
    ExecuteHumanScriptsForMask(h, 1);
    // The run stops after the statement that disposed of its script and never reads it again.
    EXPECT_TRUE(CountHumans() == 1 && selHuman == nullptr && gHumanScriptTarget == nullptr && I(5) == 0);
}

TEST_F(WorldScript, OutOfRangeNumbersDoNothingAndSayWhichScriptOnce)
{
    human_being* h = MakeActor("r");
    h->model->materials[0].red = 0.5f, gTextureAnimations[2] = {};
    ASSERT_NE(FSOUND_InitLoopback(44100, 32), 0); // an empty slot is a fault only with a device open
    ConsoleCapture console;
    // clang-format off
    const std::pair<const char*, const char*> rows[] = {
        {"col 9,1,1,1", "col: material 9 is not 1 to 8"}, {"seti 1,-1\ncol", "col: material -1 is not 1 to 8"},
        {"alpha 12,0.5", "alpha: material 12 is not 1 to 8"}, {"tex 0,\"x.png\"", "tex: material 0 is not 1 to 8"},
        {"anim 1,17,0", "anim: animation slot 17 is not 1 to 16"}, {"anim 1,3,0", "anim: animation slot 3 has no frames"},
        {"sndplay 256,0,0,0", "sndplay: sample 256 is not 0 to 255"}, {"sndplay 9", "sndplay: sample slot 9 holds no sound"},
        {"mark 15", "mark: three registers from 15 pass register 16"}, {"poke 1,15", "poke: three registers from 15 pass"},
        {"poke 17,1", "poke: register 17 is not 1 to 16"}, {"teampoke 1", "teampoke: a register number is missing"},
        {"dist 0", "dist: register 0 is not 1 to 16"}, {"getName 20", "getName: register 20 is not 1 to 16"},
        {"key \"w\"", "key: a register number is missing"}, {"snap 17,1", "snap: register 17 is not 1 to 16"},
        {"key \"Escpe\",1", "key: no key is called \"Escpe\" (the README lists the key names)"},
        {"get \"Nobody\"", "get: no actor of this level is called \"Nobody\"; the selection stays"},
        {"click 17,n", "click: register 17 is not 1 to 16"}, {"pose \"a\",\"b\",1", "pose: needs two pose names and two times"},
        {"savePoses \"../kesrow-instr-out\"", "savePoses: the path leaves the data folder"},
    };
    // clang-format on
    for (auto& [script, line] : rows)
    {
        VXR_scripter* s = (consoleLines.clear(), Make(script));
        snprintf(s->path, sizeof s->path, "Data/bad"), Run(s), s->current = s->code, Run(s);
        // One line (a refused path is also explained when the statement compiles), naming the script.
        std::string lines;
        for (const std::string& l : consoleLines)
            if (l.find("is refused") == std::string::npos) lines += l + "\n";
        EXPECT_TRUE(lines.find("//Script Data/bad line ") == 0 && lines.find(line) != std::string::npos &&
                    lines.find('\n') == lines.size() - 1)
            << script << ": " << lines;
    }
    FSOUND_Close(), consoleLines.clear(), RunText("sndplay 9");
    EXPECT_TRUE(consoleLines.empty()) << "a muted game has no sounds to miss: " << consoleLines[0];
    EXPECT_EQ(0.5f, h->model->materials[0].red);
}

TEST_F(WorldScript, MaterialsTexturesAnimationsTintAndSoundChannels)
{
    // Another actor of the same model, made first: nothing below may show on it or on the model
    // cache entry both were copied from, though they share the slots' element lists.
    human_being* other = MakeActor("n");
    mesh_mod* entry = FindCachedModel("humanoid");
    ASSERT_NE(nullptr, entry);
    auto bytes = [](const model_material* m)
    { return std::string((const char*)m, sizeof(model_material) * kMaxModelMaterials); };
    const std::string otherBefore = bytes(other->model->materials), entryBefore = bytes(entry->materials);
    human_being* h = MakeActor("m");
    model_material* m = h->model->materials;
    m[4].textureId = 77;
    // clang-format off
    Check({
        {"col 2,0.25,0.5,0.75", [&] { return Vec({m[1].red, m[1].green, m[1].blue}) == Vec({0.25f, 0.5f, 0.75f}) && !m[1].kind; }},
        {"seti 1,0\nsetf 1,0.1\nsetf 3,0.3\ncol", [&] { return m[0].red == 0.1f && m[0].blue == 0.3f; }},
        {"seti 1,8\nalpha", [&] { return m[7].alpha == 0.1f && m[7].blended == 1; }},
        {"alpha 3,0.5", [&] { return m[2].alpha == 0.5f && m[2].blended == 1; }},
        {"tex 5,\"missing.png\"", [&] { return m[4].textureId == 0 && m[4].kind == 4; }},
        {"player\nrgb 0.5,0.25,1", [] { return Vec({baseCol1, baseCol2, baseCol3}) == Vec({0.5f, 0.25f, 1}); }},
    });
    // clang-format on
    baseCol1 = baseCol2 = baseCol3 = 1.0f, RunText("get \"m\"");

    animatedTexture& slot = (gTextureAnimations[1] = {});
    slot.frames[0] = 11, slot.frames[1] = 12, slot.frames[2] = 13;
    slot.frameDuration = 100, slot.frameCount = 3;
    const std::tuple<uint32_t, const char*, unsigned> ticks[] = {
        {5000, "anim 4,2,0", 11}, {5099, "anim 4,2,0", 11}, {5100, "anim 4,2,0", 12},
        {5250, "anim 4,2", 13},   {5300, "anim 4,2,0", 11}, {5420, "anim 4,2,1", 11},
        {5540, "anim 4,2,1", 11}, {5660, "anim 4,2,0", 12}};
    for (auto& [time, script, frame] : ticks)
        EXPECT_EQ(frame, (gCurrentTime = time, RunText(script), m[3].textureId)) << time << " " << script;
    slot = {};
    EXPECT_TRUE(otherBefore == bytes(other->model->materials) && entryBefore == bytes(entry->materials));

    // A chosen sound channel can be stopped, the default one cannot.
    ASSERT_NE(FSOUND_InitLoopback(44100, 32), 0);
    gAllSamples[4] =
        FSOUND_Sample_Load(FSOUND_FREE, (SourceDir() + "/demo/Sounds/chime.wav").c_str(), 4400, 0);
    ASSERT_NE(nullptr, gAllSamples[4]);
    // After each step: the channels playing, whether channels 3 and 7 play, the chosen channel.
    std::string seen;
    for (const char* step :
         {"sndplay 4,1,2,3", "sndstop -1\nseti 1,-1\nsndstop", "channel 3\nsndloop 4,0,0,0", "sndstop 3",
          "seti 1,4\nsndplay\nseti 1,3\nsndstop", "seti 1,7\nchannel\nseti 1,4\nsndplay"})
    {
        int n = (RunText(step), 0);
        for (int c = 0; c < 32; c++)
            n += FSOUND_IsPlaying(c);
        seen += " " + std::to_string(n) + std::to_string(FSOUND_IsPlaying(3)) +
                std::to_string(FSOUND_IsPlaying(7)) + "/" + std::to_string(gScriptChannel);
    }
    EXPECT_EQ(seen, " 100/-1 100/-1 210/3 100/3 100/3 201/7");
    FSOUND_Close(), gAllSamples[4] = nullptr;
}

// A wall across z = -5 and a floor, the player's eye at the origin looking along -z.
struct LineTests : WorldScript
{
    mesh_mod* m = nullptr;
    void SetUp() override
    {
        WorldScript::SetUp();
        DisposeLevelGeometry(), m = NewLevelModel();
        AddWallAcross(m, -5.0f, -3.0f, 3.0f);
        AddFloor(m, -10, -10, 10, 10, -1);
        AnalizeModelForCollisionPlanes(m, {0, 0, 0}, {0, 0, 0}, 100.0f);
        BuildWorldNormals(), GenerateLevelFromQuads();
        SetScreenRect(800, 600), gMouseLoc = {400, 300};
        doMouseView = 0, updown = -0.5f;
    }
    void TearDown() override
    {
        DisposeLevelGeometry(), FreeLevelModel(m);
        WorldScript::TearDown();
    }
    human_being* Stand(const char* name, float z, int team, int type = 0)
    {
        human_being* h = MakeActor(name);
        h->position = fastVector_Set(0, 0, z), h->team = team, h->type = type;
        UpdateModelBoxes(h->model, h->position, h->rotation);
        return h;
    }
};

TEST_F(LineTests, MouseThenPokeFindsTheWallTheActorOrNothing)
{
    RunText("mouse\npoke 1,7");
    EXPECT_EQ(Fs(1, 9) + " " + std::to_string(I(1)), "0 0.5 -0.0181 0 0.5 -1810 0 0.5 -5 1");

    human_being* a = Stand("target", -3.0f, 4);
    EXPECT_TRUE(
        (RunText("player\nmouse\npoke 2,10\nget \"coll\""), I(2) == 2 && selHuman == a && F(12) > -3.5));
    // The actor's team is passed through.
    RunText("player\nmouse\nteampoke 3,10,4\nseti 14,i3\nseti 1,5\nteampoke 3,10");
    EXPECT_EQ((V{1, 2}), (V{I(14), I(3)}));

    // Looking up and to the right, nothing is hit and the point registers keep their values.
    F(13) = 42, gMouseLoc = {800, 0};
    RunText("mouse\npoke 4,13");
    EXPECT_EQ(Fs(4, 5) + " " + Fs(13, 13) + " " + std::to_string(I(4)), "1000 750.5 42 0");
    // Mouse view aims through the screen centre wherever the pointer is.
    doMouseView = 1, RunText("mouse\npoke 4,13\ndist 16");
    EXPECT_TRUE(I(4) == 2 && std::fabs(999.99 * 1.81 - F(16)) < 0.01) << I(4) << " " << F(16);
    doMouseView = 0;
    // The eye line turning with the player is the turn test's (a point kept where it is seen).
}

TEST_F(WorldScript, SavekeyNeedsALevelFolderAndReplacesTheKeyFrame)
{
    // A named actor's record with its scripts is pinned by the recorded sessions' key frames;
    // here the cases they never meet: no level, an old file, an actor without a name.
    const bool none = (RunText("savekey 1"), FileExists(dir / "keyframe1"));
    snprintf(currentLevelFolder, sizeof currentLevelFolder, "%s/lvl/", dir.path.c_str());
    Write("lvl/keyframe2", "old");
    MakeActor("x")->name[0] = 0;
    RunText("seti 1,2\nsavekey");
    EXPECT_EQ("humanoid,0.000000,0.000000,0.000000,0.000000,0.000000,0.000000,0,1,100,100.000000",
              ReadTextFile(dir / "lvl/keyframe2") +
                  (none || FileExists(dir / "lvl/keyframe2.saving") ? "!" : ""));
}

TEST_F(LineTests, PickSelectsUnderTheCrossHairAndTurnKeepsAPointWhereItIsSeen)
{
    // A type 2 actor: line tests pass through it; the editor must still pick it. The gun is on the
    // HUD and of type 2, as the demo's gun.
    human_being* ghost = Stand("ghost", -3.0f, 0, 2);
    Stand("gun", -1.0f, 0, 2)->onHud = 1;
    RunText("player\nmouse\npoke 1,7\npick 2");
    // The line queries' results are left as the poke put them.
    EXPECT_TRUE(I(1) == 1 && I(2) == 1 && selHuman == ghost && gHitPerson == nullptr);
    // Behind the wall at z = -5 nothing is picked, and the selection stays.
    ghost->position.z = -7.0f, UpdateModelBoxes(ghost->model, ghost->position, ghost->rotation);
    EXPECT_TRUE((RunText("pick"), I(1) == 0 && selHuman == ghost));

    // turn: about the vertical axis as a heading turns (90 takes +x to -z), from a register or
    // literal; y is left alone.
    RunText("setf 1,1\nsetf 2,5\nsetf 3,0\nsetf 4,90\nturn 1,f4\nsetf 5,f3\nturn 1,-90");
    EXPECT_TRUE(std::fabs(F(5) + 1) + std::fabs(F(1) - 1) + std::fabs(F(3)) < 1e-9 && F(2) == 5) << Fs(1, 5);
}

} // namespace
} // namespace scrtest
