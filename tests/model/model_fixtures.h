// Builders shared by the model tests: list appends and walks, bones, poses, pose entries, the
// rounded text of numbers and vectors, and model files written and loaded.
#pragma once

#include "core/output.h"
#include "model/loader.h"
#include "model/mesh_records.h"
#include "model/posing.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

template <typename T> T* Append(T* head, T* item)
{
    while (head->next)
        head = head->next;
    head->next = item;
    return item;
}

template <typename T> T* NewRecord()
{
    return static_cast<T*>(calloc(1, sizeof(T)));
}

template <typename T> std::vector<T*> ListOf(T* first)
{
    std::vector<T*> out;
    for (T* x = first; x; x = x->next)
        out.push_back(x);
    return out;
}

// Appends a bone, makes it the model's bone cursor and relinks the parents.
inline bonus* AddBone(mesh_mod* m, const char* signature, const char* parent = "None")
{
    bonus* b = m->boneCursor = Append(&m->boneListHead, NewBone());
    snprintf(b->signature, sizeof b->signature, "%s", signature);
    snprintf(b->parentSignature, sizeof b->parentSignature, "%s", parent);
    LinkBones(m->boneListHead.next);
    return b;
}

inline pose_struct* AddPose(mesh_mod* m, const char* name)
{
    pose_struct* p = m->poseCursor = Append(&m->poseListHead, NewRecord<pose_struct>());
    snprintf(p->name, sizeof p->name, "%s", name);
    return p;
}

inline pose_entry* AddEntry(pose_struct* p, bonus* bone, float rx, float ry = 0, float rz = 0, float mx = 0,
                            float my = 0, float mz = 0, int active = 1)
{
    pose_entry* e = Append(&p->entryListHead, NewRecord<pose_entry>());
    *e = {bone, rx, ry, rz, mx, my, mz, active, nullptr};
    return e;
}

// Disposes of every model cache entry; the cache is empty afterwards.
inline void EmptyModelCache()
{
    while (mesh_mod* m = baseMesh->next)
    {
        baseMesh->next = m->next;
        m->next = nullptr;
        DisposeMeshworkModel(m);
    }
    meshPtr = baseMesh;
}

// Numbers, or vectors, as text rounded to three decimals: compared with the expected text at
// once, a wrong value still fails and the message shows which.
template <typename... T> std::string Nums(T... values)
{
    std::string s;
    for (double v : {double(values)...})
    {
        char n[32];
        snprintf(n, sizeof n, "%s%g", s.empty() ? "" : " ", std::round(v * 1000) / 1000 + 0.0);
        s += n;
    }
    return s;
}

inline std::string Vecs(std::initializer_list<vector_type> vectors)
{
    std::string s;
    for (vector_type v : vectors)
        s += (s.empty() ? "" : ", ") + Nums(v.x, v.y, v.z);
    return s;
}

// Loads text written as a model file; the model is returned even when the load failed.
inline mesh_mod* Load(const std::string& path, const std::string& text, int expected = 1)
{
    EXPECT_TRUE(WriteTextFile(path, text));
    mesh_mod* m = NewRecord<mesh_mod>();
    EXPECT_EQ(expected, LoadMeshworkModel(m, path.c_str())) << path;
    return m;
}
