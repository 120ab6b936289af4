// Model drawing: posing through one or two bones with the integer weight rule, culling, and the
// material colour and state rules. What models look like on screen is the recorded sessions'.
#include "model/draw_model.h"

#include "app/draw.h"
#include "model/bounds.h"
#include "model/pose_cache.h"
#include "model_fixtures.h"
#include "world/humans.h"

#include <GL/gl.h>

#include <cmath>

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
