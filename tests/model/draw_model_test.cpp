// Model drawing: posing through one or two bones with the integer weight rule, culling, the
// material colour and state rules, the bone boxes' edges, and what the model viewer shows.
#include "model/draw_model.h"

#include "app/draw.h"
#include "model/bounds.h"
#include "model/pose_cache.h"
#include "model_fixtures.h"
#include "world/humans.h"

#include <GL/gl.h>

#include <cmath>
#include <set>

namespace
{

// A root bone at the origin and an arm bone pivoting at (1, 0, 0); vertices 2 to 6 sit at
// (2, 0, 0) (vertex 3 at (2, 1, 0)) with the arm as first and the root as second bone.
const char kArmModel[] = "arm test\n\n"
                         "0 0 0 0 Root None 100 None\n"
                         "1 660 0 0 Arm None 100 Root\n"
                         "2 1320 0 0 Arm Root 50\n"
                         "3 1320 660 0 Arm Root 25\n"
                         "4 1320 0 0 Arm Root 0\n"
                         "5 1320 0 0 Arm Root 75\n"
                         "6 1320 0 0 Arm Root 30\n"
                         "7 0 660 0\n"
                         "EDGES\n"
                         "MATERIAL Tan 52428 39321 26214 1 0 50 0 0 0 0 0 0 0 1\n"
                         "0 1 2\n0 3 4\n"
                         "MATERIAL Tex 0 0 0 1 4 0 0 0 0 0 0 0 0 0\n"
                         "0 5 6\n"
                         "END\n";

} // namespace

TEST(ModelDrawing, PosesThroughOneOrTwoBonesCulledModelsKeepTheirBoxesAndMaterialStates)
{
    ASSERT_TRUE(EnsureTestGL());
    TempDir dir;
    mesh_mod* m = Load(dir / "arm", kArmModel);
    bonus* arm = GetBonePtrBySignature(m->boneListHead.next, "Arm");
    ASSERT_NE(nullptr, arm);
    arm->rotationZ[0] = 90.0f; // pose A; pose B leaves the arm straight
    // Never drawn yet: the cull flag is ignored and the vertices are posed.
    EXPECT_FLOAT_EQ(5.0f, DrawMeshworkModel(m, 3.0f, 4.0f, 5.0f, 0.0f, 0.0f, 0.0f, 100.0f, 1).z);
    ASSERT_NE(nullptr, m->poseCache);
    const float(*posed)[3] = m->poseCache->posed;
    ASSERT_NE(nullptr, posed);
    // The arm turns (2, 0, 0) about (1, 0, 0) to (1, 1, 0); the root leaves it at (2, 0, 0).
    // Weights share by the integer 100 / weight; vertex 7 is detached and sits at the origin.
    std::string got;
    for (int i = 0; i < 8; i++)
        got += Nums(posed[i][0], posed[i][1]) + ", ";
    EXPECT_EQ(got, "0 0, 1 0, 1.5 0.5, 1.5 1, 2 0, 1 1, 1.667 0.333, 0 0, ");
    // Rest normals: vertex 3 is only in the triangle (0, 3, 4), which faces -z.
    int normalCount = 0;
    const float(*normals)[3] = ModelRestNormals(m, &normalCount);
    EXPECT_EQ(Nums(normalCount, normals[3][2], normals[7][2]), "8 -1 1");
    vector_type cornerBefore = arm->boxCorners[2];

    // Now culled: nothing is posed, but the blend, the boxes and the position follow.
    DrawMeshworkModel(m, 10.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1);
    EXPECT_TRUE(m->poseCache->posed[2][0] == 1.5f && arm->rotationZ[2] == 0.0f);
    EXPECT_TRUE(cornerBefore.x != arm->boxCorners[2].x && m->boxCorners[0].x > 8.0f);
    // Blend 0 drawn shows pose B: the arm straight again.
    DrawMeshworkModel(m, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0);
    EXPECT_NEAR(2.0f, m->poseCache->posed[2][0], 1e-4);
    EXPECT_EQ(0.0f, DrawMeshworkModel(nullptr, 1.0f, 2.0f, 3.0f, 0, 0, 0, 100.0f, 0).x);

    // The material colour and state rules, on the same model.
    vector_type savedTint = tintColor;
    // Draws the model and returns the colour and depth-write state it left behind.
    GLboolean depthWrites = GL_TRUE;
    auto draw = [&]
    {
        DrawMeshworkModel(m, 0, 0, 0, 0, 0, 0, 100.0f, 0);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
        std::vector<float> c(4);
        glGetFloatv(GL_CURRENT_COLOR, c.data());
        return c;
    };
    // Only the plain blended slot: colour (0.8, 0.6, 0.4), alpha 127/255, under the tint.
    m->materials[1].used = 0;
    tintColor = fastVector_Set(1.0f, 1.0f, 1.0f);
    std::vector<float> c = draw();
    EXPECT_EQ(Nums(c[0], c[3]), "0.8 0.498");
    EXPECT_TRUE(depthWrites == GL_FALSE && glIsEnabled(GL_BLEND));
    // A darker tint subtracts from the material colour.
    tintColor = fastVector_Set(0.5f, 0.5f, 0.5f);
    c = draw();
    EXPECT_NEAR(0.3f, c[0], 1e-4);

    // A lit owner draws at full brightness and puts tint and lighting back afterwards.
    human_being owner = {};
    owner.lit = 1;
    m->owner = &owner;
    glEnable(GL_LIGHTING);
    c = draw();
    EXPECT_NEAR(0.8f, c[0], 1e-4);
    EXPECT_TRUE(tintColor.x == 0.5f && glIsEnabled(GL_LIGHTING));
    m->owner = nullptr;

    // The textured slot drawn last: the tint as colour with alpha 1; blending off, depth
    // writes on, texturing on.
    m->materials[1].used = 1;
    m->materials[1].kind = 4; // its picture is missing, so the loader made it plain; draw it textured
    c = draw();
    EXPECT_EQ(Nums(c[0], c[3]), "0.5 1");
    EXPECT_TRUE(depthWrites == GL_TRUE && !glIsEnabled(GL_BLEND) && glIsEnabled(GL_TEXTURE_2D));
    tintColor = savedTint;
    DisposeMeshworkModel(m);
}

// The model viewer's debug boxes: each bone's box drawn as its twelve edges, through every corner.
TEST(ModelDrawing, BoneBoxesAreTheTwelveEdgesOfEachBox)
{
    ASSERT_TRUE(EnsureTestGL());
    mesh_mod* m = NewRecord<mesh_mod>();
    bonus* b = AddBone(m, "None");
    b->minX = -0.5f, b->maxX = 0.25f, b->maxY = 0.5f, b->minZ = -0.75f, b->maxZ = 0.5f;
    UpdateModelBoxes(m, {0, 0, 0}, {0, 0, 0});
    for (GLenum matrix : {GL_PROJECTION, GL_MODELVIEW})
        glMatrixMode(matrix), glLoadIdentity();
    // Feedback mode hands back each line as a token and its two ends in window coordinates.
    std::vector<GLfloat> feedback(1024);
    glFeedbackBuffer((GLsizei)feedback.size(), GL_3D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    DrawModelBoneBoxes(m);
    const int values = glRenderMode(GL_RENDER);
    ASSERT_EQ(values, 12 * 7);
    std::set<std::vector<GLfloat>> corners;
    for (int i = 0; i < values; i += 7)
    {
        const GLfloat* e = &feedback[i + 1];
        int axes = 0;
        for (int k = 0; k < 3; k++)
            axes += std::fabs(e[k] - e[k + 3]) > 1e-3f;
        EXPECT_EQ(axes, 1) << "line " << i / 7 << " is no edge of the box";
        corners.insert(std::vector<GLfloat>(e, e + 3)), corners.insert(std::vector<GLfloat>(e + 3, e + 6));
    }
    EXPECT_EQ(corners.size(), 8u);
    DisposeMeshworkModel(m);
}

// The model viewer, headless, on three quads facing it: a red one on the left; a textured one on
// the right whose picture is green above and blue below; and a half-transparent blue one in front
// of the lower half of the red quad, reaching below it.
TEST(ModelViewer, ShowsPlainTexturedAndBlendedMaterialsWhereTheyStand)
{
    TempDir dir;
    const std::string path = dir / "Models/panel", shot = dir / "lit.png";
    ASSERT_TRUE(WriteTextFile(path,
                              "panel test\n\n0 -660 -330 0\n1 0 -330 0\n2 0 330 0\n3 -660 330 0\n"
                              "4 0 -330 0\n5 660 -330 0\n6 660 330 0\n7 0 330 0\n8 -660 -528 132\n"
                              "9 0 -528 132\n10 0 0 132\n11 -660 0 132\nEDGES\n"
                              "MATERIAL Red 65535 0 0 1 0 0 0 0 0 0 0 0 0 0\n0 1 2\n0 2 3\n"
                              "MATERIAL\t65535 65535 65535 1 4 0 0 0 0 0 0 0 0 0\n4 5 6\n4 6 7\n"
                              "UVS\n4 0 0\n5 1 0\n6 1 1\n7 0 1\n"
                              "MATERIAL Glass 0 0 65535 1 0 50 0 0 0 0 0 0 0 1\n8 9 10\n8 10 11\nEND\n"));
    std::vector<unsigned char> picture(16 * 16 * 3);
    for (int i = 0; i < 16 * 16; i++)
        picture[i * 3 + (i < 128 ? 1 : 2)] = 255; // green rows above, blue below
    ASSERT_TRUE(WriteTestPng(path + "1.png", 16, 16, 2 /* RGB */, 8, picture));
    std::string output;
    ASSERT_EQ(0, RunCommand(WindowedCommand("'" + BinaryDir() +
                                            "/model_viewer' --windowed 400x300 --frames 2 "
                                            "--fixed-step 20 --spin 0 --pitch 0 --background 0,0,0 --lit "
                                            "--tint 0.5,0.5,0.5 --screenshot '" +
                                            shot + "' '" + path + "'"),
                            &output))
        << output;
    EXPECT_NE(std::string::npos, output.find("//Pose file " + path + "_poses could not be opened")) << output;
    PngImage img = ReadPng(shot);
    ASSERT_TRUE(img.ok);
    // Lit: the material colours and the picture as they are, whatever the tint; the picture's top
    // row at the top; the blended quad lets half of the red quad or of the background through.
    const struct
    {
        float x, y;
        int r, g, b, tolerance;
    } pixels[] = {{0.36f, 0.35f, 255, 0, 0, 3},    {0.64f, 0.35f, 0, 255, 0, 3},
                  {0.64f, 0.56f, 0, 0, 255, 3},    {0.90f, 0.50f, 0, 0, 0, 3},
                  {0.35f, 0.54f, 128, 0, 127, 12}, {0.35f, 0.70f, 0, 0, 127, 12}};
    for (const auto& e : pixels)
    {
        const unsigned char* p = img.At(int(e.x * img.width), int(e.y * img.height));
        EXPECT_TRUE(abs(e.r - p[0]) <= e.tolerance && abs(e.g - p[1]) <= e.tolerance &&
                    abs(e.b - p[2]) <= e.tolerance)
            << "at " << e.x << ", " << e.y << ": " << int(p[0]) << "," << int(p[1]) << "," << int(p[2]);
    }
}
