// Scene drawing read back from the frames it shows: the camera convention, HUD actors, the
// skipped frame while a level changes, and fog following doFog. Runs in a small window under the
// test's X server; every check reads pixels of a frame DrawGLScene actually swapped.
#include "app/draw.h"

#include "app/startup.h"
#include "model/loader.h"
#include "model/mesh_records.h"
#include "platform/window.h"
#include "test_util.h"
#include "world/camera.h"
#include "world/geometry.h"
#include "world/humans.h"
#include "world/level.h"
#include "world/level_fixtures.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace
{

const int kSize = 64;

// A square of side 1 in the x-y plane around the origin, facing both ways, in one plain colour.
std::string PanelModel(const char* rgb)
{
    return std::string(
               "panel\n\n0 -330 -330 0\n1 330 -330 0\n2 330 330 0\n3 -330 330 0\nEDGES\nMATERIAL P ") +
           rgb + " 1 0 0 0 0 0 0 0 0 0 0\n0 1 2\n0 2 3\n0 2 1\n0 3 2\nEND\n";
}

class SceneDrawing : public ::testing::Test
{
  protected:
    TempDir dir;
    int width = kSize, height = kSize;
    std::vector<mesh_mod*> levelModels;

    // A level model square at z = -5 facing the eye, centred at x, 0.8 wide, with material 0.
    mesh_mod* AddSquare(float x, const char* bone = "None")
    {
        mesh_mod* m = NewLevelModel();
        const vector_type a = {x - 0.4f, -0.4f, -5}, b = {x + 0.4f, -0.4f, -5}, c = {x + 0.4f, 0.4f, -5},
                          d = {x - 0.4f, 0.4f, -5};
        AddLevelTriangle(m, a, b, c, bone);
        AddLevelTriangle(m, a, c, d, bone);
        m->materials[0].used = 1;
        m->materials[0].alpha = 1.0f;
        levelModels.push_back(m);
        AnalizeModelForCollisionPlanes(m, {0, 0, 0}, {0, 0, 0}, 100.0f);
        return m;
    }
    // Sets every quad's texture made from the model's triangles.
    void SetQuadTextures(const mesh_mod* m, unsigned int texture)
    {
        for (fourcorner* q = baseQ.next; q; q = q->next)
            for (trio* t = m->triangleListHead.next; t; t = t->next)
                if (q->triangle == t) q->texture = texture;
    }

    void SetUp() override
    {
        static bool window = []
        {
            char err[256];
            return PLT_InitVideo(err, sizeof err) &&
                   PLT_CreateWindow("draw test", kSize, kSize, 24, 0, err, sizeof err);
        }();
        ASSERT_TRUE(window);
        InitGL();
        PLT_WindowSize(&width, &height);
        ReSizeGLScene(width, height);
        PLT_CaptureFrames(1);
        EnsureHumanRoster();
        RemoveAllHumans();
        entfl = updown = entf = 0.0f;
        viewangle = updownangle = zangle = 0.0f;
        levelChanged = 0;
        doFog = 0;
        tintColor = fastVector_Set(1.0f, 1.0f, 1.0f);
    }
    void TearDown() override
    {
        DisposeLevelGeometry();
        for (mesh_mod* m : levelModels)
            FreeLevelModel(m);
        RemoveAllHumans();
        doFog = 0;
        glDisable(GL_FOG);
    }

    // A lit actor (full brightness, so pixels show its colour exactly) with a panel model.
    human_being* AddPanel(const char* name, const char* rgb, vector_type position)
    {
        std::string path = dir / name;
        EXPECT_TRUE(WriteTextFile(path, PanelModel(rgb)));
        human_being* h = AppendNewHuman();
        h->model = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
        EXPECT_EQ(1, LoadMeshworkModel(h->model, path.c_str()));
        h->model->owner = h;
        h->lit = 1;
        h->position = position;
        h->blendPercent = 100.0f;
        return h;
    }

    // Draws one frame and returns what was swapped to the screen.
    PngImage Frame()
    {
        EXPECT_EQ(1, DrawGLScene());
        return Shown();
    }
    PngImage Shown()
    {
        std::string path = dir / "frame.png";
        EXPECT_TRUE(PLT_SaveScreenshot(path.c_str()));
        return ReadPng(path);
    }
    // The pixel at (fx, fy) of the frame, as fractions of its size from the top left.
    static std::vector<int> At(const PngImage& img, float fx, float fy)
    {
        const unsigned char* p = img.At(int(fx * img.width), int(fy * img.height));
        return {p[0], p[1], p[2]};
    }
};

const std::vector<int> kRed = {255, 0, 0}, kGreen = {0, 255, 0}, kBlack = {0, 0, 0};

} // namespace

TEST_F(SceneDrawing, CameraConventionAndHudActorsKeepTheirScreenPlace)
{
    // A red panel at world (5, 0, 0) turned to face the origin, and a green HUD panel 5 ahead
    // of the eye and 1 to its left.
    AddPanel("red", "65535 0 0", fastVector_Set(5.0f, 0.0f, 0.0f))->rotation.y = 90.0f;
    AddPanel("green", "0 65535 0", fastVector_Set(-1.0f, 0.0f, -5.0f))->onHud = 1;

    // All angles 0: the view runs along -z, the red panel is out of sight to the right.
    PngImage img = Frame();
    ASSERT_TRUE(img.ok);
    EXPECT_EQ(kBlack, At(img, 0.5f, 0.5f));
    EXPECT_EQ(kGreen, At(img, 0.27f, 0.5f));
    EXPECT_EQ(kBlack, At(img, 0.73f, 0.5f));

    // viewangle 90 looks along +x: the red panel straight ahead; the HUD panel has not moved.
    viewangle = 90.0f;
    img = Frame();
    EXPECT_EQ(kRed, At(img, 0.5f, 0.5f));
    EXPECT_EQ(kGreen, At(img, 0.27f, 0.5f));

    // Pitch and a step to the side move the world, never the HUD.
    updownangle = 20.0f;
    entf = -1.0f; // eye at z = 1: the red panel is now to the left of straight ahead
    img = Frame();
    EXPECT_EQ(kGreen, At(img, 0.27f, 0.5f));
    EXPECT_NE(kRed, At(img, 0.5f, 0.5f));
}

TEST_F(SceneDrawing, NoFrameWhileTheLevelChangesAndFogFollowsDoFog)
{
    AddPanel("red", "65535 0 0", fastVector_Set(0.0f, 0.0f, -5.0f));
    EXPECT_EQ(kRed, At(Frame(), 0.5f, 0.5f));

    // While the level changes nothing is cleared, drawn or swapped: the screen keeps the frame.
    levelChanged = 1;
    baseHuman->next->position.x = 100.0f;
    EXPECT_EQ(kRed, At(Frame(), 0.5f, 0.5f));
    levelChanged = 0;
    EXPECT_EQ(kBlack, At(Frame(), 0.5f, 0.5f));
    // An actor is culled by where its box was last drawn: back in view it shows a frame later.
    baseHuman->next->position.x = 0.0f;
    EXPECT_EQ(kBlack, At(Frame(), 0.5f, 0.5f));
    EXPECT_EQ(kRed, At(Frame(), 0.5f, 0.5f));

    // Fog ending at 1 hides the panel 5 away in the fog colour, which is the tint.
    tintColor = fastVector_Set(1.0f, 0.5f, 0.25f);
    doFog = 1;
    gFogStart = 0.0f;
    gFogEnd = 1.0f;
    std::vector<int> fogged = At(Frame(), 0.5f, 0.5f);
    EXPECT_NEAR(255, fogged[0], 2);
    EXPECT_NEAR(128, fogged[1], 2);
    EXPECT_NEAR(64, fogged[2], 2);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    // Turned off, the fog is gone in the very next frame.
    doFog = 0;
    EXPECT_EQ(kRed, At(Frame(), 0.5f, 0.5f));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    gFogEnd = 200.0f;
}

TEST_F(SceneDrawing, LevelQuadsInMaterialColourUnderTheTintOrTexturedInTheTint)
{
    // Left: plain (0.8, 0.6, 0.4). Right: textured with a white picture, its material half
    // transparent and blended, which a textured quad ignores. Middle: an invisible quad.
    mesh_mod* plain = AddSquare(-1.2f);
    plain->materials[0].red = 0.8f, plain->materials[0].green = 0.6f, plain->materials[0].blue = 0.4f;
    mesh_mod* textured = AddSquare(1.2f);
    textured->materials[0].kind = 4;
    textured->materials[0].alpha = 0.2f;
    textured->materials[0].blended = 1;
    AddSquare(0.0f, "invs")->materials[0].red = 1.0f;
    BuildWorldNormals();
    GenerateLevelFromQuads();
    GLuint white = 0;
    const unsigned char texel[4 * 4] = {255, 255, 255, 255, 255, 255, 255, 255,
                                        255, 255, 255, 255, 255, 255, 255, 255};
    glGenTextures(1, &white);
    glBindTexture(GL_TEXTURE_2D, white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    SetQuadTextures(textured, white);

    // The point light falls differently on each square: colours are compared within one square.
    PngImage img = Frame();
    std::vector<int> p1 = At(img, 0.29f, 0.5f), t1 = At(img, 0.71f, 0.5f);
    ASSERT_GT(p1[0], 100);
    EXPECT_NEAR(0.6 / 0.8, double(p1[1]) / p1[0], 0.03);
    EXPECT_NEAR(0.4 / 0.8, double(p1[2]) / p1[0], 0.03);
    EXPECT_GT(t1[0], 100);
    EXPECT_EQ(t1[0], t1[2]);
    EXPECT_EQ(kBlack, At(img, 0.5f, 0.5f));

    // Tint 0.5: the plain colour loses 0.5 in each channel, blue clamps at 0; the picture is
    // drawn in the tint.
    tintColor = fastVector_Set(0.5f, 0.5f, 0.5f);
    img = Frame();
    std::vector<int> p2 = At(img, 0.29f, 0.5f), t2 = At(img, 0.71f, 0.5f);
    EXPECT_NEAR(0.3 / 0.8, double(p2[0]) / p1[0], 0.03);
    EXPECT_NEAR(0.1 / 0.6, double(p2[1]) / p1[1], 0.05);
    EXPECT_EQ(0, p2[2]);
    EXPECT_NEAR(0.5, double(t2[0]) / t1[0], 0.03);
    // Alpha 1: the same as an opaque material, not a fifth of it over the black background.
    textured->materials[0].alpha = 1.0f;
    textured->materials[0].blended = 0;
    std::vector<int> opaque = At(Frame(), 0.71f, 0.5f);
    EXPECT_NEAR(t2[0], opaque[0], 1);

    // Texture -1 hides a quad whatever its material; the invisible one shows once its flag goes.
    tintColor = fastVector_Set(1.0f, 1.0f, 1.0f);
    SetQuadTextures(plain, (unsigned int)-1);
    for (fourcorner* q = baseQ.next; q; q = q->next)
        q->flags &= ~kQuadInvisible;
    img = Frame();
    EXPECT_EQ(kBlack, At(img, 0.29f, 0.5f));
    EXPECT_NE(kBlack, At(img, 0.5f, 0.5f));
    glDeleteTextures(1, &white);
}
