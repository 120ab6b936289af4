// Benchmark (not a test): builds a level of 20,000 quads (a floor grid with walls on half of its
// cells) and prints how long building the platforms and walls takes, and one CheckMove and one
// StandardCollision against it, beside the cost of a single segment-triangle test measured in
// the same run (a step walks every platform and wall once, so it should cost about that many).
#include "model/bounds.h"
#include "model/mesh_records.h"
#include "world/collision.h"
#include "world/geometry.h"
#include "world/humans.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace
{

const int kCellsX = 100, kCellsZ = 50; // 10,000 floor triangles and 10,000 wall triangles

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

void AddTriangle(mesh_mod* m, vector_type a, vector_type b, vector_type c)
{
    const vector_type p[3] = {a, b, c};
    trio* t = static_cast<trio*>(calloc(1, sizeof(trio)));
    for (int i = 0; i < 3; i++)
    {
        vtx_typ* v = static_cast<vtx_typ*>(calloc(1, sizeof(vtx_typ)));
        v->x = p[i].x, v->y = p[i].y, v->z = p[i].z;
        snprintf(v->boneSignature, sizeof v->boneSignature, "None");
        m->vertexCursor = m->vertexCursor->next = v;
        t->vertices[i] = v;
    }
    t->material = &m->materials[0];
    t->normal = GetNormalOfTrig(a, b, c);
    m->triangleCursor = m->triangleCursor->next = t;
    m->triangleCount++;
}

mesh_mod* BuildLevelModel()
{
    mesh_mod* m = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    m->vertexCursor = &m->vertexListHead;
    m->triangleCursor = &m->triangleListHead;
    for (int i = 0; i < kCellsX; i++)
        for (int j = 0; j < kCellsZ; j++)
        {
            float x = (float)i, z = (float)j;
            AddTriangle(m, fastVector_Set(x, 0, z), fastVector_Set(x + 1, 0, z), fastVector_Set(x, 0, z + 1));
            AddTriangle(m, fastVector_Set(x + 1, 0, z), fastVector_Set(x + 1, 0, z + 1),
                        fastVector_Set(x, 0, z + 1));
            if ((i + j) % 2) continue;
            // A wall on the cell's low-x edge; two cells' worth so the count stays 20,000.
            AddTriangle(m, fastVector_Set(x, 0, z), fastVector_Set(x, 0, z + 1), fastVector_Set(x, 2, z));
            AddTriangle(m, fastVector_Set(x, 0, z + 1), fastVector_Set(x, 2, z + 1), fastVector_Set(x, 2, z));
            AddTriangle(m, fastVector_Set(x + 0.5f, 0, z), fastVector_Set(x + 0.5f, 0, z + 1),
                        fastVector_Set(x + 0.5f, 2, z));
            AddTriangle(m, fastVector_Set(x + 0.5f, 0, z + 1), fastVector_Set(x + 0.5f, 2, z + 1),
                        fastVector_Set(x + 0.5f, 2, z));
        }
    return m;
}

// A few actors about the level so the line queries have boxes to test too.
void AddActors(int count)
{
    EnsureHumanRoster();
    for (int k = 0; k < count; k++)
    {
        human_being* h = AppendNewHuman();
        mesh_mod* m = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
        bonus* b = m->boneListHead.next = NewBone();
        snprintf(b->signature, sizeof b->signature, "None");
        b->parent = b;
        b->minX = b->minZ = -0.3f, b->maxX = b->maxZ = 0.3f, b->maxY = 1.8f;
        h->model = m;
        m->owner = h;
        h->position = fastVector_Set(5.0f + k * 4.0f, 0, 10.25f);
        UpdateModelBoxes(m, h->position, h->rotation);
    }
}

} // namespace

int main(int argc, char** argv)
{
    int repeats = argc > 1 ? atoi(argv[1]) : 200;
    if (repeats < 1) repeats = 1;

    mesh_mod* model = BuildLevelModel();
    AnalizeModelForCollisionPlanes(model, fastVector_Set(0, 0, 0), fastVector_Set(0, 0, 0), 100.0f);
    BuildWorldNormals();
    int quads = 0;
    for (fourcorner* q = baseQ.next; q; q = q->next)
        quads++;
    auto t0 = std::chrono::steady_clock::now();
    GenerateLevelFromQuads();
    auto t1 = std::chrono::steady_clock::now();
    int walls = 0;
    for (vertWall* w = baseWall.next; w; w = w->next)
        walls++;
    AddActors(20);

    // Baseline: one segment-triangle test that crosses the triangle's plane.
    const vector_type tri[3] = {fastVector_Set(0, 0, 0), fastVector_Set(1, 0, 0), fastVector_Set(0, 0, 1)};
    const vector_type from = fastVector_Set(0.7f, 1, 0.7f), to = fastVector_Set(0.7f, -1, 0.7f);
    const int baselineRuns = 2000000;
    int sink = 0;
    auto b0 = std::chrono::steady_clock::now();
    for (int i = 0; i < baselineRuns; i++)
        sink += LineSegmentCollidesWithTriangle(tri, &from, &to, nullptr);
    auto b1 = std::chrono::steady_clock::now();
    double testNs = Seconds(b0, b1) * 1e9 / baselineRuns;

    // The player walks across a cell: ground probe and knee test against everything.
    float updownValue = -1.0f, fallValue = 0.0f;
    int32_t start = 0;
    auto c0 = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; i++)
    {
        updownValue = -1.0f;
        sink += CheckMove(10.7f, 10.5f, 10.8f, 10.5f, &updownValue, 90, &fallValue, &start, nullptr, gSliders,
                          nullptr);
    }
    auto c1 = std::chrono::steady_clock::now();
    double moveUs = Seconds(c0, c1) * 1e6 / repeats;

    // A shot across the whole level.
    auto s0 = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; i++)
        sink += StandardCollision(fastVector_Set(0.2f, 1, 10.25f), fastVector_Set(99.8f, 1, 10.25f));
    auto s1t = std::chrono::steady_clock::now();
    double shotUs = Seconds(s0, s1t) * 1e6 / repeats;

    printf("level_bench: %d quads -> %d platforms, %d walls, 20 actors (checksum %d)\n", quads, gNumPlatforms,
           walls, sink);
    printf("  baseline: one segment-triangle test %.1f ns; %d of them (one per platform and wall) %.1f us\n",
           testNs, gNumPlatforms + walls, testNs * (gNumPlatforms + walls) / 1000.0);
    printf("  GenerateLevelFromQuads: %.2f ms\n", Seconds(t0, t1) * 1000.0);
    printf("  CheckMove: %.1f us per step (%.1fx the baseline walk)\n", moveUs,
           moveUs / (testNs * (gNumPlatforms + walls) / 1000.0));
    printf("  StandardCollision: %.1f us per shot (%.1fx one test per quad)\n", shotUs,
           shotUs / (testNs * quads / 1000.0));
    RemoveAllHumans();
    DisposeLevelGeometry();
    return 0;
}
