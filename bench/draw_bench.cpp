// Benchmark (not a test): frame times of DrawGLScene in a 640x480 window under the display it
// is given (Xvfb and Mesa's software renderer on a machine without a GPU): an empty scene (clear,
// camera, fog, light and the swap) as the baseline, a floor of 20,000 level quads in view, the
// same floor behind the eye (every quad culled by the view volume).
// Run: xvfb-run -a -s "-screen 0 1280x720x24" build/draw_bench
#include "app/draw.h"
#include "app/startup.h"
#include "model/mesh_records.h"
#include "platform/window.h"
#include "world/camera.h"
#include "world/geometry.h"
#include "world/humans.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace
{

const int kCells = 100; // 100 x 100 cells of two triangles: 20,000 quads
const int kFrames = 40;

void AddTriangle(mesh_mod* m, vector_type a, vector_type b, vector_type c)
{
    const vector_type p[3] = {a, b, c};
    trio* t = static_cast<trio*>(calloc(1, sizeof(trio)));
    for (int i = 0; i < 3; i++)
    {
        vtx_typ* v = static_cast<vtx_typ*>(calloc(1, sizeof(vtx_typ)));
        v->x = p[i].x, v->y = p[i].y, v->z = p[i].z;
        v->normal = fastVector_Set(0, 1, 0);
        snprintf(v->boneSignature, sizeof v->boneSignature, "None");
        m->vertexCursor = m->vertexCursor->next = v;
        t->vertices[i] = v;
    }
    t->material = &m->materials[0];
    t->normal = GetNormalOfTrig(a, b, c);
    m->triangleCursor = m->triangleCursor->next = t;
}

// A floor of kCells x kCells cells of 0.5, from the origin towards -z, in front of the eye.
mesh_mod* Floor()
{
    mesh_mod* m = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    m->vertexCursor = &m->vertexListHead;
    m->triangleCursor = &m->triangleListHead;
    m->materials[0].red = 0.5f, m->materials[0].green = 0.6f, m->materials[0].blue = 0.4f;
    m->materials[0].alpha = 1.0f;
    for (int i = 0; i < kCells; i++)
        for (int j = 0; j < kCells; j++)
        {
            float x = (i - kCells / 2) * 0.5f, z = -j * 0.5f;
            AddTriangle(m, fastVector_Set(x, 0, z), fastVector_Set(x + 0.5f, 0, z),
                        fastVector_Set(x, 0, z - 0.5f));
            AddTriangle(m, fastVector_Set(x + 0.5f, 0, z), fastVector_Set(x + 0.5f, 0, z - 0.5f),
                        fastVector_Set(x, 0, z - 0.5f));
        }
    return m;
}

double MsPerFrame()
{
    DrawGLScene(); // settle
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kFrames; i++)
        DrawGLScene();
    glFinish();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
           kFrames;
}

} // namespace

int main()
{
    char err[256];
    if (!PLT_InitVideo(err, sizeof err) || !PLT_CreateWindow("draw bench", 640, 480, 24, 0, err, sizeof err))
    {
        fprintf(stderr, "draw_bench: no window: %s\n", err);
        return 1;
    }
    InitGL();
    ReSizeGLScene(640, 480);
    PLT_SetVSync(0);
    EnsureHumanRoster();
    updown = -1.7f; // the eye 1.7 above the floor
    updownangle = 20.0f;

    MsPerFrame(); // the first frames of a context warm the driver up
    const double empty = MsPerFrame();
    mesh_mod* floor = Floor();
    AnalizeModelForCollisionPlanes(floor, fastVector_Set(0, 0, 0), fastVector_Set(0, 0, 0), 100.0f);
    BuildWorldNormals();
    const double inView = MsPerFrame();
    viewangle = 180.0f;
    const double behind = MsPerFrame();
    viewangle = 0.0f;
    printf("draw_bench: %d frames of 640x480 each, %d level quads\n", kFrames, kCells * kCells * 2);
    printf("  empty scene (baseline)      %8.2f ms/frame\n", empty);
    printf("  floor in view               %8.2f ms/frame  (%.1f x baseline)\n", inView, inView / empty);
    printf("  floor behind the eye, culled %7.2f ms/frame  (%.1f x baseline)\n", behind, behind / empty);
    DisposeLevelGeometry();
    PLT_QuitVideo();
    return 0;
}
