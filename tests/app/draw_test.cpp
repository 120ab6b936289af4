// Scene drawing read back from the frames it swaps, in a small window under the test's X server:
// the camera convention, HUD actors, the frame skipped while a level changes, fog following
// doFog, actors out of view whose boxes still follow them, and level quads in their material
// colour or texture under the tint. (Actors drawn farthest from the eye first: the kept sessions
// replay to their snapshots, which list the roster in that order.)
#include "app/draw.h"

#include "app/level_batches.h"

#include "app/startup.h"
#include "platform/window.h"
#include "play_util.h"
#include "world/camera.h"
#include "world/collision.h"
#include "world/level.h"
#include "world/level_fixtures.h"

#include <GL/gl.h>

namespace
{

typedef std::vector<int> rgb;
const rgb kRed = {255, 0, 0}, kGreen = {0, 255, 0}, kBlue = {0, 0, 255}, kBlack = {0, 0, 0};

class SceneDrawing : public ::testing::Test
{
  protected:
    TempDir dir;
    std::vector<mesh_mod*> levelModels;

    void SetUp() override
    {
        static bool window = []
        {
            char err[256];
            return PLT_InitVideo(err, sizeof err) &&
                   PLT_CreateWindow("draw test", 64, 64, 24, 0, err, sizeof err);
        }();
        ASSERT_TRUE(window);
        InitGL();
        int width = 0, height = 0;
        PLT_WindowSize(&width, &height);
        ReSizeGLScene(width, height);
        PLT_CaptureFrames(1);
        EnsureHumanRoster();
        entfl = updown = entf = viewangle = updownangle = zangle = 0.0f;
        levelChanged = doFog = 0;
        tintColor = fastVector_Set(1.0f, 1.0f, 1.0f);
    }
    void TearDown() override
    {
        DisposeLevelGeometry();
        for (mesh_mod* m : levelModels)
            FreeLevelModel(m);
        RemoveAllHumans();
        doFog = 0, gFogEnd = 200.0f;
    }
    // A lit actor (drawn at full brightness: pixels show its colour exactly) whose model is a
    // square of side 1 in the x-y plane, facing both ways.
    // With oneSided, only its front faces the +z side (the eye, for a HUD actor): its normals then
    // point there, and the light falls on it.
    human_being* AddPanel(const char* colour, vector_type position, bool oneSided = false)
    {
        std::string path = dir / "panel";
        EXPECT_TRUE(WriteTextFile(path, std::string("panel\n\n0 -330 -330 0\n1 330 -330 0\n2 330 330 0\n"
                                                    "3 -330 330 0\nEDGES\nMATERIAL P ") +
                                            colour + " 1 0 0 0 0 0 0 0 0 0 0\n0 1 2\n0 2 3\n" +
                                            (oneSided ? "" : "0 2 1\n0 3 2\n") + "END\n"));
        human_being* h = AppendNewHuman();
        h->model = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
        EXPECT_EQ(1, LoadMeshworkModel(h->model, path.c_str()));
        h->model->owner = h, h->lit = 1, h->position = position;
        return h;
    }
    // A level model square 0.8 wide at z centred at x, facing the eye, in material 0.
    model_material* AddSquare(float x, const char* bone = "None", float z = -5)
    {
        mesh_mod* m = NewLevelModel();
        const vector_type a = {x - 0.4f, -0.4f, z}, b = {x + 0.4f, -0.4f, z}, c = {x + 0.4f, 0.4f, z},
                          d = {x - 0.4f, 0.4f, z};
        AddLevelTriangle(m, a, b, c, bone);
        AddLevelTriangle(m, a, c, d, bone);
        m->materials[0].alpha = 1.0f;
        levelModels.push_back(m);
        AnalizeModelForCollisionPlanes(m, {0, 0, 0}, {0, 0, 0}, 100.0f);
        return &m->materials[0];
    }
    // Draws one frame and returns what was swapped to the screen.
    PngImage Frame()
    {
        EXPECT_EQ(1, DrawGLScene());
        EXPECT_TRUE(PLT_SaveScreenshot((dir / "frame.png").c_str()));
        return ReadPng(dir / "frame.png");
    }
    // The pixel at (fx, fy), in fractions of the frame from its top left.
    static rgb At(const PngImage& img, float fx, float fy = 0.5f)
    {
        const unsigned char* p = img.At(int(fx * img.width), int(fy * img.height));
        return {p[0], p[1], p[2]};
    }
};

} // namespace

TEST_F(SceneDrawing, TheRollTurnsTheWorldAboutTheLineOfSight)
{
    // A red and a blue panel at world (5, 0, 0) and (5, 0, 1). viewangle 90 looks along +x: the red
    // panel straight ahead, +z (blue) to its right; a roll of 90 turns the world about the line of
    // sight: what was on the right is above. (The camera without a roll, and the HUD actors' place
    // before the eye, the kept sessions' last frames show.)
    AddPanel("65535 0 0", fastVector_Set(5.0f, 0.0f, 0.0f))->rotation.y = 90.0f;
    AddPanel("0 0 65535", fastVector_Set(5.0f, 0.0f, 1.0f))->rotation.y = 90.0f;
    viewangle = 90.0f;
    zangle = 90.0f;
    const PngImage img = Frame();
    EXPECT_EQ(kRed, At(img, 0.5f));
    EXPECT_EQ(kBlue, At(img, 0.5f, 0.27f));
    EXPECT_EQ(kBlack, At(img, 0.73f));
}

TEST_F(SceneDrawing, HudActorsAreOverWallsAndUnfogged)
{
    // A HUD panel (not lit at full brightness: the light falls on it) 3 before the eye, and the
    // same frame's pixels where it is, in open space.
    human_being* hud = AddPanel("0 52000 20000", fastVector_Set(0.0f, 0.0f, -3.0f), true);
    hud->lit = 0, hud->onHud = 1;
    const rgb open = At(Frame(), 0.5f);
    ASSERT_NE(kBlack, open);
    // A wall 0.3 before the eye, much nearer than the HUD, filling the view: the HUD stays as it
    // was, and the wall shows around it.
    AddPanel("65535 0 0", fastVector_Set(0.0f, 0.0f, -0.3f));
    PngImage img = Frame();
    EXPECT_EQ(open, At(img, 0.5f));
    EXPECT_EQ(kRed, At(img, 0.05f, 0.05f));
    // Dense fog covers the wall in the fog colour (white here), never the HUD.
    doFog = 1, gFogEnd = 0.1f;
    img = Frame();
    EXPECT_EQ(open, At(img, 0.5f));
    EXPECT_EQ((rgb{255, 255, 255}), At(img, 0.05f, 0.05f));
    // (The light on the HUD staying fixed to the eye, the kept sessions' last frames show.)
}

TEST_F(SceneDrawing, NoFrameWhileTheLevelChangesAndFogFollowsDoFog)
{
    human_being* panel = AddPanel("65535 0 0", fastVector_Set(0.0f, 0.0f, -5.0f));
    EXPECT_EQ(kRed, At(Frame(), 0.5f));
    // While the level changes nothing is cleared, drawn or swapped: the screen keeps the frame.
    levelChanged = 1, panel->position.x = 100.0f;
    EXPECT_EQ(kRed, At(Frame(), 0.5f));
    levelChanged = 0;
    EXPECT_EQ(kBlack, At(Frame(), 0.5f));
    // An actor is culled by where its box was last drawn: back in view, it shows a frame later.
    panel->position.x = 0.0f;
    EXPECT_EQ(kBlack, At(Frame(), 0.5f));
    EXPECT_EQ(kRed, At(Frame(), 0.5f));

    // Fog ending at 1 hides the panel 5 away in the fog colour, which is the tint; off again, it
    // is gone in the very next frame.
    tintColor = fastVector_Set(0.5f, 1.0f, 0.25f);
    doFog = 1, gFogEnd = 1.0f;
    rgb fogged = At(Frame(), 0.5f);
    EXPECT_TRUE(abs(fogged[0] - 128) <= 2 && abs(fogged[1] - 255) <= 2 && abs(fogged[2] - 64) <= 2)
        << fogged[0] << " " << fogged[1] << " " << fogged[2];
    doFog = 0;
    EXPECT_EQ(kRed, At(Frame(), 0.5f));
}

TEST_F(SceneDrawing, ActorsOutOfViewKeepTheirBoxesWhereTheyAreForShotsAndSteps)
{
    // A panel behind the eye (the view looks along -z): culled in every frame, yet shots along z
    // through its lower half (and steps, which test the same boxes) must find it wherever it has
    // moved or turned since.
    human_being* panel = AddPanel("65535 0 0", fastVector_Set(0.0f, 0.0f, 5.0f));
    auto hit = [](float x) { return GetPersonFromLineIntersection({x, -0.3f, 4}, {x, -0.3f, 6}, nullptr); };
    EXPECT_EQ(kBlack, At(Frame(), 0.5f));
    EXPECT_TRUE(hit(0.0f) == panel && hit(0.3f) == panel);
    panel->position.x = 3.0f;
    EXPECT_EQ(kBlack, At(Frame(), 0.5f));
    EXPECT_TRUE(hit(0.0f) == nullptr && hit(3.3f) == panel);
    // Turned edge-on to the shots: 0.2 wide across them instead of 1.2.
    panel->rotation.y = 90.0f;
    Frame();
    EXPECT_TRUE(hit(3.0f) == panel && hit(3.3f) == nullptr);
    // Turned back and moved in the same frame, standing still for a few more.
    panel->rotation.y = 0.0f, panel->position.x = -2.0f;
    for (int i = 0; i < 3; i++)
        Frame();
    EXPECT_TRUE(hit(-2.3f) == panel && hit(3.0f) == nullptr);
}

TEST_F(SceneDrawing, QuadsInMaterialColourUnderTheTintOrTexturedInTheTint)
{
    // Left: plain (0.8, 0.6, 0.4). Right: a white picture, its material a fifth opaque and
    // blended, which a textured quad ignores. Middle: an invisible quad.
    model_material* plain = AddSquare(-1.2f);
    plain->red = 0.8f, plain->green = 0.6f, plain->blue = 0.4f, plain->alpha = 1.0f;
    model_material* textured = AddSquare(1.2f);
    textured->kind = 4, textured->alpha = 0.2f, textured->blended = 1;
    AddSquare(0.0f, "invs")->red = 1.0f;
    BuildWorldNormals();
    GenerateLevelFromQuads();
    GLuint white = 0;
    const unsigned char texel[4] = {255, 255, 255, 255};
    glGenTextures(1, &white);
    glBindTexture(GL_TEXTURE_2D, white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    for (fourcorner* q = baseQ.next; q; q = q->next)
        q->texture = q->triangle->material == textured ? white : 0;

    // The point light falls differently on each square: colours are compared within a square.
    PngImage img = Frame();
    rgb p1 = At(img, 0.29f), t1 = At(img, 0.71f);
    ASSERT_GT(p1[0], 100);
    EXPECT_NEAR(0.6 / 0.8, double(p1[1]) / p1[0], 0.03);
    EXPECT_NEAR(0.4 / 0.8, double(p1[2]) / p1[0], 0.03);
    EXPECT_EQ(kBlack, At(img, 0.5f));
    // Tint 0.5: the plain colour loses 0.5 in each channel (blue clamps at 0); the picture is
    // drawn in the tint, with alpha 1 (as bright as an opaque material, not a fifth over black).
    tintColor = fastVector_Set(0.5f, 0.5f, 0.5f);
    img = Frame();
    rgb p2 = At(img, 0.29f), t2 = At(img, 0.71f);
    EXPECT_NEAR(0.3 / 0.8, double(p2[0]) / p1[0], 0.03);
    EXPECT_NEAR(0.1 / 0.6, double(p2[1]) / p1[1], 0.05);
    EXPECT_EQ(0, p2[2]);
    EXPECT_NEAR(0.5, double(t2[0]) / t1[0], 0.03);
    textured->alpha = 1.0f, textured->blended = 0;
    EXPECT_NEAR(t2[0], At(Frame(), 0.71f)[0], 1);

    // Texture -1 hides a quad whatever its material; the invisible one shows once its flag goes
    // (code that edits quads after the build raises the geometry version).
    for (fourcorner* q = baseQ.next; q; q = q->next)
    {
        if (q->triangle->material == plain) q->texture = (unsigned int)-1;
        q->flags &= ~kQuadInvisible;
    }
    gLevelGeometryVersion++;
    img = Frame();
    EXPECT_EQ(kBlack, At(img, 0.29f));
    EXPECT_NE(kBlack, At(img, 0.5f));
    glDeleteTextures(1, &white);
}

TEST_F(SceneDrawing, LevelDrawnChunkByChunkWithGlassOverWhatLiesBehindIt)
{
    // Half-transparent red glass listed before an opaque green square behind it: the green shows
    // through the glass whatever the list order.
    model_material *glass = AddSquare(0.0f), *back = AddSquare(0.0f, "None", -6.0f);
    glass->red = 1, glass->green = glass->blue = 0, glass->alpha = 0.5f, glass->blended = 1;
    back->red = back->blue = 0, back->green = 1;
    // A floor of 40 x 40 cells all round the eye, one below it: several chunks.
    mesh_mod* floor = NewLevelModel();
    levelModels.push_back(floor);
    for (int i = -20; i < 20; i++)
        for (int j = -20; j < 20; j++)
            AddFloor(floor, (float)i, (float)j, i + 1.0f, j + 1.0f, -1.0f);
    model_material& ground = floor->materials[0];
    ground.red = 0.8f, ground.green = 0.6f, ground.blue = 0.4f, ground.alpha = 1;
    AnalizeModelForCollisionPlanes(floor, {0, 0, 0}, {0, 0, 0}, 100.0f);
    BuildWorldNormals();
    GenerateLevelFromQuads();

    rgb seen = At(Frame(), 0.5f);
    EXPECT_TRUE(seen[0] > 40 && seen[1] > 40) << seen[0] << " " << seen[1];
    ASSERT_GE(gLevelDrawStats.chunks, 4);
    // Looking down at the floor in every direction, it is there under the cross-hair; looking
    // up, the chunks behind and below are left out.
    updownangle = 50.0f;
    for (int heading = 0; heading < 360; heading += 45)
    {
        viewangle = (float)heading;
        EXPECT_NE(kBlack, At(Frame(), 0.5f, 0.5f)) << heading;
    }
    updownangle = -60.0f;
    Frame();
    EXPECT_GT(gLevelDrawStats.chunksDrawn, 0);
    EXPECT_LT(gLevelDrawStats.chunksDrawn, gLevelDrawStats.chunks);
    EXPECT_LT(gLevelDrawStats.trianglesDrawn, 40 * 40 * 2);
}
