// Small hand-built levels for the geometry and collision tests: level models made in memory
// triangle by triangle, and a fixture that frees the level geometry and the roster around
// each test.
#pragma once

#include "model/mesh_records.h"
#include "world/geometry.h"
#include "world/humans.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

inline mesh_mod* NewLevelModel()
{
    mesh_mod* m = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    m->vertexCursor = &m->vertexListHead;
    m->triangleCursor = &m->triangleListHead;
    return m;
}

// Appends a triangle with its own three vertices on the given bone, its rest normal and the
// texture coordinates (i, i + 0.5) for corner i.
inline trio* AddLevelTriangle(mesh_mod* m, vector_type a, vector_type b, vector_type c,
                              const char* bone = "None", int material = 0)
{
    const vector_type p[3] = {a, b, c};
    trio* t = static_cast<trio*>(calloc(1, sizeof(trio)));
    for (int i = 0; i < 3; i++)
    {
        vtx_typ* v = static_cast<vtx_typ*>(calloc(1, sizeof(vtx_typ)));
        v->x = p[i].x, v->y = p[i].y, v->z = p[i].z;
        snprintf(v->boneSignature, sizeof v->boneSignature, "%s", bone);
        m->vertexCursor = m->vertexCursor->next = v;
        m->vertexCount++;
        t->vertices[i] = v;
        t->u[i] = (float)i;
        t->v[i] = i + 0.5f;
    }
    t->material = &m->materials[material];
    t->normal = GetNormalOfTrig(a, b, c);
    m->triangleCursor = m->triangleCursor->next = t;
    m->triangleCount++;
    return t;
}

inline void FreeLevelModel(mesh_mod* m)
{
    for (vtx_typ* v = m->vertexListHead.next; v;)
    {
        vtx_typ* n = v->next;
        free(v);
        v = n;
    }
    for (trio* t = m->triangleListHead.next; t;)
    {
        trio* n = t->next;
        free(t);
        t = n;
    }
    free(m);
}

template <typename T> std::vector<T*> Items(T& head)
{
    std::vector<T*> out;
    for (T* x = head.next; x; x = x->next)
        out.push_back(x);
    return out;
}

inline void ExpectNear(vector_type v, float x, float y, float z, float tolerance = 1e-4f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

// Places the models given to Place unmoved and builds the level from them once Build is called;
// frees models, geometry and actors afterwards.
class LevelTest : public ::testing::Test
{
  protected:
    std::vector<mesh_mod*> models;

    void SetUp() override
    {
        DisposeLevelGeometry();
        EnsureHumanRoster();
        RemoveAllHumans();
    }
    void TearDown() override
    {
        DisposeLevelGeometry();
        RemoveAllHumans();
        for (mesh_mod* m : models)
            FreeLevelModel(m);
    }
    mesh_mod* Place(mesh_mod* m, vector_type angles = {0, 0, 0}, vector_type position = {0, 0, 0},
                    float scale = 100.0f)
    {
        models.push_back(m);
        return AnalizeModelForCollisionPlanes(m, angles, position, scale);
    }
    void Build()
    {
        BuildWorldNormals();
        GenerateLevelFromQuads();
    }
};
