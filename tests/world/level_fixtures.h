// Small hand-built levels for the geometry and collision tests: level models made in memory
// triangle by triangle, and a fixture that frees the level, its models and the roster.
#pragma once

#include "app/script_hooks.h"
#include "model/model_fixtures.h"
#include "world/geometry.h"
#include "world/humans.h"

#include <algorithm>

inline vector_type V(float x, float y, float z)
{
    return fastVector_Set(x, y, z);
}

// A level model record, freed with FreeLevelModel (or by LevelTest for NewModel's).
inline mesh_mod* NewLevelModel()
{
    return NewRecord<mesh_mod>();
}

inline void FreeLevelModel(mesh_mod* m)
{
    DisposeMeshworkModel(m);
}

// A triangle with its own three vertices on the given bone, its rest normal and the texture
// coordinates (i, i + 0.5) at corner i.
inline trio* AddLevelTriangle(mesh_mod* m, vector_type a, vector_type b, vector_type c,
                              const char* bone = "None")
{
    const vector_type p[3] = {a, b, c};
    trio* t = Append(&m->triangleListHead, NewRecord<trio>());
    for (int i = 0; i < 3; i++)
    {
        vtx_typ* v = t->vertices[i] = Append(&m->vertexListHead, NewRecord<vtx_typ>());
        v->x = p[i].x, v->y = p[i].y, v->z = p[i].z, t->u[i] = (float)i, t->v[i] = i + 0.5f;
        snprintf(v->boneSignature, sizeof v->boneSignature, "%s", bone);
    }
    t->material = &m->materials[0], t->normal = GetNormalOfTrig(a, b, c);
    return t;
}

// A floor rectangle at height y from (x0, z0) to (x1, z1), as two triangles.
inline void AddFloor(mesh_mod* m, float x0, float z0, float x1, float z1, float y)
{
    AddLevelTriangle(m, V(x0, y, z0), V(x1, y, z0), V(x0, y, z1));
    AddLevelTriangle(m, V(x1, y, z0), V(x1, y, z1), V(x0, y, z1));
}

// An upright rectangle 2 high along the line from (ax, az) to (bx, bz), as two triangles.
inline void AddWall(mesh_mod* m, float ax, float az, float bx, float bz, const char* bone = "None")
{
    AddLevelTriangle(m, V(ax, 0, az), V(bx, 0, bz), V(ax, 2, az), bone);
    AddLevelTriangle(m, V(bx, 0, bz), V(bx, 2, bz), V(ax, 2, az), bone);
}

// An upright rectangle 2 high at z from x0 to x1 facing +z, as two triangles.
inline void AddWallAcross(mesh_mod* m, float z, float x0, float x1, const char* bone = "None")
{
    AddWall(m, x0, z, x1, z, bone);
}

class LevelTest : public ::testing::Test
{
  protected:
    std::vector<mesh_mod*> models;

    void SetUp() override
    {
        // Line queries pass the script target through the hook the game registers.
        RegisterScriptHooks(), DisposeLevelGeometry(), EnsureHumanRoster(), RemoveAllHumans();
    }
    void TearDown() override
    {
        DisposeLevelGeometry(), RemoveAllHumans();
        for (mesh_mod* m : models)
            FreeLevelModel(m);
    }
    mesh_mod* NewModel() { return models.emplace_back(NewLevelModel()); }
    // Places the model (unmoved by default); the fixture frees it afterwards.
    mesh_mod* Place(mesh_mod* m, vector_type angles = {0, 0, 0}, vector_type position = {0, 0, 0},
                    float scale = 100.0f)
    {
        if (std::find(models.begin(), models.end(), m) == models.end()) models.push_back(m);
        return AnalizeModelForCollisionPlanes(m, angles, position, scale);
    }
    // Places last (unmoved) when given, then builds the normals, platforms and walls of everything
    // placed so far; once per level.
    void Build(mesh_mod* last = nullptr)
    {
        if (last) Place(last);
        BuildWorldNormals(), GenerateLevelFromQuads();
    }
};
