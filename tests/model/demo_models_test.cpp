// The demo's generated models as the loader reads them, checked for what the demo's scripts and
// levels rely on: the window's glass is blended at 40 percent, the fire is blended, textured and
// faced both ways, the crate stands on its origin one unit high, the health bar grows from its
// left end (so "size" shortens it towards the left) and the gun's barrel points along -z, the
// way the eye looks.
#include "model_fixtures.h"

#include <algorithm>
#include <cfloat>

namespace
{

struct box
{
    float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
};

// The bounds of the corners of the triangles of one material slot (all slots for -1).
box Bounds(mesh_mod* m, int slot)
{
    box b;
    for (trio* t : ListOf(m->triangleListHead.next))
        if (slot < 0 || t->material == &m->materials[slot])
            for (vtx_typ* v : t->vertices)
            {
                const float p[3] = {v->x, v->y, v->z};
                for (int k = 0; k < 3; k++)
                    b.lo[k] = std::min(b.lo[k], p[k]), b.hi[k] = std::max(b.hi[k], p[k]);
            }
    return b;
}

mesh_mod* LoadDemoModel(const std::string& rel)
{
    mesh_mod* m = NewRecord<mesh_mod>();
    EXPECT_EQ(1, LoadMeshworkModel(m, (SourceDir() + "/demo/" + rel).c_str())) << rel;
    return m;
}

} // namespace

TEST(DemoModels, GlassFireCrateBarAndGunAreWhatTheScriptsNeed)
{
    ASSERT_TRUE(EnsureGL());
    mesh_mod* glass = LoadDemoModel("Levels/start/Models/start_window");
    EXPECT_EQ(0, glass->materials[0].kind);
    EXPECT_EQ(1, glass->materials[0].blended);
    EXPECT_NEAR(102.0f / 255.0f, glass->materials[0].alpha, 1e-5f);

    mesh_mod* fire = LoadDemoModel("Models/fire");
    EXPECT_EQ(4, fire->materials[0].kind) << "fire0.png loads, so the fire is textured from the start";
    EXPECT_EQ(1, fire->materials[0].blended);
    int facingPlusZ = 0, facingMinusZ = 0;
    for (trio* t : ListOf(fire->triangleListHead.next))
        facingPlusZ += t->normal.z > 0.9f, facingMinusZ += t->normal.z < -0.9f;
    EXPECT_EQ(2, facingPlusZ);
    EXPECT_EQ(2, facingMinusZ);

    mesh_mod* crate = LoadDemoModel("Models/crate");
    EXPECT_EQ(12, crate->triangleCount);
    const box c = Bounds(crate, -1);
    EXPECT_NEAR(0.0f, c.lo[1], 1e-4f);
    EXPECT_NEAR(1.0f, c.hi[1], 1e-4f);
    EXPECT_NEAR(-0.5f, c.lo[0], 1e-4f);
    EXPECT_NEAR(0.5f, c.hi[2], 1e-4f);

    mesh_mod* bar = LoadDemoModel("Models/healthbar");
    const box b = Bounds(bar, -1);
    EXPECT_NEAR(0.0f, b.lo[0], 1e-4f);
    EXPECT_GT(b.hi[0], 0.2f);

    mesh_mod* gun = LoadDemoModel("Models/gun");
    for (int slot = 0; slot < 3; slot++)
        EXPECT_EQ(4, gun->materials[slot].kind) << "gun" << slot << ".png";
    const box barrel = Bounds(gun, 0), grip = Bounds(gun, 2);
    EXPECT_LT(barrel.lo[2], -0.3f);
    EXPECT_LT(barrel.hi[2], grip.lo[2]) << "the barrel is ahead of the grip";
    EXPECT_LT(grip.lo[1], barrel.lo[1]) << "the grip hangs below the barrel";
    for (mesh_mod* m : {glass, fire, crate, bar, gun})
        DisposeMeshworkModel(m);
}
