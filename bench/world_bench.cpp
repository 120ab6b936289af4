// Benchmark (not a test): what a world at scale costs, driven as the game drives it. Writes a
// data folder into a temporary folder (removed at the end): a level model "tile", a floor of 20x20
// cells with low wall segments (880 triangles), placed 2, 25 and 225 times (1,760, 22,000 and
// 198,000 triangles); on the 22,000-triangle level crowds of 0, 64 and 256 of the demo's guard
// (its model, poses and picture), whose scripts make them stand or walk toward the far end. The
// game's own start-up opens a 640x480 window, and the "level" instruction loads every level. The
// game clock moves by a fixed 20 ms a pass, as with --fixed-step 20; the seed is fixed.
//
// Prints, in processor time of the whole program (the software renderer's threads included: other
// programs on a shared machine stretch the time on the clock at random, the work much less), each
// figure the best of several rounds:
// - ms per tick (GameLoop alone) and per frame (DrawGLScene and GameLoop) with 0, 64 and 256
//   guards standing in view, standing behind the player (out of view) and walking away from him;
// - one step of the player (GoForward) and one shot (StandardCollision over 30 units in front of
//   him) in the same spot of each level, and each level's load time;
// - resident memory per guard: (resident with 256 guards made by "make" - resident with none) / 256,
//   the actor with its model copy; and the same with the crowd level's guards, each also holding a
//   copy of its script;
// - drawing baselines of the same run: the 22,000 level triangles seen from above, drawn by a
//   frame and as one vertex array, and the guards' triangles as one vertex array;
// then each target for worlds at scale as a ratio with its limit, "ok" or "MISSED".
//
// Run: xvfb-run -a -s "-screen 0 1280x720x24" build/world_bench [rounds]
//      rounds defaults to 9; 1 is a quick look (a quarter of a minute), whose ratios are rougher.
#include "app/draw.h"
#include "app/screen.h"
#include "app/startup.h"
#include "app/tick.h"
#include "app/timing.h"
#include "core/output.h"
#include "model/loader.h"
#include "model/mesh_records.h"
#include "platform/window.h"
#include "script/scheduling.h"
#include "tools/tool_support.h"
#include "world/camera.h"
#include "world/collision.h"
#include "world/humans.h"
#include "world/level.h"
#include "world/movement.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const int kWidth = 640, kHeight = 480;
const int kStepMs = 20;
const unsigned kSeed = 1;

// The tile: kCells x kCells floor cells of one unit, and low wall segments along z (0.2 thick,
// 0.6 high: too high to step onto) at x = 4, 8, 12, 16, from z = 3 to 7 and 13 to 17. Walkers and
// standers keep to the middles of the cells, so none of them ever meets a wall.
const int kCells = 20;
const float kTileSize = 20.0f;
const float kWallHeight = 0.6f;

// The crowd on the 22,000-triangle level (5 x 5 tiles, x and z from 0 to 100): a square of
// guards one unit apart, its near row 24.5 in front of the player, who stands at (50, 80) and
// looks along -z at them, or along +z away from them. Walkers walk along -z toward z = 1.
const float kPlayerX = 50.0f, kPlayerZ = 80.0f;
const float kCrowdNearZ = 55.5f;
const float kWalkTargetZ = 1.0f;
const float kWalkSpeed = 0.035f; // units a tick, the demo guards' patrol pace

// Step and shot: the player in tile 0 of every level, looking along +z, steps of 0.05 forward and
// back; the shot runs 30 ahead and 2 down from the eye, so it meets the floor 15 ahead.
const float kProbeX = 8.5f, kProbeZ = 5.0f;
const float kStepLength = 0.05f;
const float kShotLength = 30.0f, kShotDrop = 2.0f;

// After a load, a few passes before anything is timed: the first only ends the load's pause
// (nothing is drawn), the next draws every actor once, so that its box is known. Then a timed
// block runs until it has lasted at least its minimum time and a few passes, or its most passes.
// Short blocks in many rounds: every case meets the shared machine's quiet moments and its busy
// ones alike. Walkers walk at most 3 + 400 + 100 ticks a load: 18 units, well short of the far end.
const int kWarmUpPasses = 3;
const double kTickBlockMs = 100.0, kFrameBlockMs = 150.0, kProbeBlockMs = 100.0;
const int kMaxTickPasses = 400, kMaxFramePasses = 100, kMaxProbes = 20000, kMinPasses = 3;

std::string gData; // the generated data folder, ending with '/'

// ---- Console lines: kept, so that a level that does not load as written is noticed.

std::vector<std::string> gConsole;
void KeepConsoleLine(const char* text)
{
    gConsole.push_back(text ? text : "");
}

// Prints (to standard error) what the engine said since the last call, apart from the lines that
// every level load writes.
void ReportConsole(const char* when)
{
    for (const std::string& line : gConsole)
        if (line.rfind("//Loading level", 0) != 0)
            fprintf(stderr, "world_bench: %s: %s\n", when, line.c_str());
    gConsole.clear();
}

// ---- The data folder.

// printf into a string (a line or a few of a level file).
__attribute__((format(printf, 1, 2))) std::string Text(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

meshModel TileModel()
{
    meshMaterial ground;
    ground.name = "Ground";
    meshModel m{"tile", {}, {ground}};
    for (int i = 0; i < kCells; i++)
        for (int j = 0; j < kCells; j++)
        {
            const float x0 = (float)i, z0 = (float)j, x1 = x0 + 1, z1 = z0 + 1;
            AddQuad(&m, 0, {x0, 0, z1}, {x1, 0, z1}, {x1, 0, z0}, {x0, 0, z0}, 2.0f);
        }
    for (float x : {4.0f, 8.0f, 12.0f, 16.0f})
        for (float z : {3.0f, 13.0f})
            AddBox(&m, 0, {x - 0.1f, 0, z}, {x + 0.1f, kWallHeight, z + 4}, 2.0f, false);
    return m;
}

// Paving stones with dark joints, a little grain.
picture TilePicture()
{
    picture p(64, 64);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
        {
            const int shade = (x % 32 < 2 || y % 32 < 2) ? 70 : 135 + Grain(x, y);
            p.Set(x, y, shade, shade - 5, shade - 15);
        }
    return p;
}

struct actorPlace
{
    float x, z, heading;
};

// The crowd of count guards (0, 64 or 256): a square centred on the player's x.
std::vector<actorPlace> Crowd(int count)
{
    std::vector<actorPlace> places;
    const int side = (int)std::lround(std::sqrt((double)count));
    for (int row = 0; row < side; row++)
        for (int col = 0; col < side; col++)
            places.push_back({kPlayerX - side / 2 + 0.5f + col, kCrowdNearZ - row, 0.0f});
    return places;
}

struct levelPlan
{
    std::string name; // folder under Levels/
    int tilesX, tilesZ;
    std::vector<actorPlace> actors;
    const char* script; // each actor's script, under Data/
    float startX, startZ, heading;
};

bool WriteLevelFolder(const levelPlan& plan)
{
    const std::string dir = gData + "Levels/" + plan.name + "/";
    if (!MakeFolder(dir, "world_bench")) return false;
    std::string models, person;
    for (int i = 0; i < plan.tilesX; i++)
        for (int j = 0; j < plan.tilesZ; j++)
            models +=
                Text("tile,%f,%f,%f,%f,%f,%f,%f\n", i * kTileSize, 0.0, j * kTileSize, 0.0, 0.0, 0.0, 100.0);
    // Records are separated by line ends written before every record but the first.
    for (size_t n = 0; n < plan.actors.size(); n++)
        person += Text("%sguard,%f,%f,%f,%f,%f,%f,0,1,100,%f,Guard%03d,\"Data/%s\",1", n ? "\n" : "",
                       plan.actors[n].x, 0.0, plan.actors[n].z, 0.0, plan.actors[n].heading, 0.0, 100.0,
                       (int)n + 1, plan.script);
    return WriteText(dir + "level models", models) && WriteText(dir + "person", person) &&
           WriteText(dir + "starting", Text("%f\n%f\n%f\n%f\n%f\n%f\n", plan.startX, 1.0, plan.startZ, 0.0,
                                            plan.heading, 0.0)) &&
           WriteText(dir + "tint", "1.000000, 1.000000, 1.000000\n") &&
           WriteText(dir + "tex", "Models/tile0.png\n") &&
           WriteText(dir + "load script", "// world_bench: the level's own script. Fog off; every tick it "
                                          "reads the player's health,\n// as a game's level script does.\n"
                                          "seti 1,0\nstorei \"doFog\",1\nloop\nplayer\ngetHealth\nendloop\n");
}

// Both actor scripts do the same work a tick (select the actor, read its place, aim at the far
// end); the walker then walks there, swinging between the walk poses as the demo's guards do on
// patrol, and the stander stops and stands.
std::string ActorScript(bool walk)
{
    char aim[64], speed[64];
    snprintf(aim, sizeof aim, "get \"me\"\nmark\nsetf 3,%g\n", kWalkTargetZ);
    snprintf(speed, sizeof speed, "setSpeed %g\n", kWalkSpeed);
    if (walk)
        return std::string(
                   "// world_bench: walks toward the far end of the level along its own x.\nget \"me\"\n") +
               speed + "pose \"Walk1\",\"Walk2\",0.4,0.2\nloop\n" + aim + "goto\nendloop\n";
    return std::string(
               "// world_bench: stands where the level put it.\nget \"me\"\nsetPose \"Stand\"\nloop\n") +
           aim + "stop\nendloop\n";
}

bool CopyDemoModel(const char* file)
{
    std::error_code ec;
    fs::copy_file(std::string(KESROW_SOURCE_DIR "/demo/Models/") + file, gData + "Models/" + file, ec);
    if (ec)
        fprintf(stderr, "world_bench: cannot copy the demo's Models/%s: %s\n", file, ec.message().c_str());
    return !ec;
}

bool WriteDataFolder(const std::vector<levelPlan>& plans)
{
    if (!MakeFolder(gData + "Models", "world_bench") || !MakeFolder(gData + "Data", "world_bench"))
        return false;
    bool ok = WriteMeshModel(gData + "Models/tile", TileModel(), "world_bench", "world_bench") &&
              WritePng(gData + "Models/tile0.png", TilePicture()) && CopyDemoModel("guard") &&
              CopyDemoModel("guard_poses") && CopyDemoModel("guard0.png") &&
              WriteText(gData + "cache", "guard\n") && WriteText(gData + "Data/walker", ActorScript(true)) &&
              WriteText(gData + "Data/stander", ActorScript(false));
    for (const levelPlan& p : plans)
        ok = ok && WriteLevelFolder(p);
    return ok;
}

// ---- The game's start-up and its passes.

// What KesrowMain does for "kesrow --data DIR --windowed 640x480 --fixed-step 20 --mute --seed 1"
// before its start-up script: the same hooks, window, GL state, empty world and model cache.
bool StartLikeTheGame()
{
    toDialog = MyOutputToStderr;
    toConsole = KeepConsoleLine;
    RegisterEngineHooks();
    gBatchRun = 1;
    gFixedStepMs = kStepMs;
    if (chdir(gData.c_str()) != 0) return false;
    char err[256];
    if (!PLT_InitVideo(err, sizeof err))
    {
        fprintf(stderr, "world_bench: no display: %s\n", err);
        return false;
    }
    init();
    SetScreenRect(kWidth, kHeight);
    if (!CreateGLWindow("Screen", kWidth, kHeight, 16, 0)) return false;
    int cursorW = 0, cursorH = 0;
    PLT_WindowCursorArea(&cursorW, &cursorH);
    if (cursorW > 0 && cursorH > 0) SetScreenRect(cursorW, cursorH);
    PLT_SetVSync(0);
    VXR_Init();
    int drawW = kWidth, drawH = kHeight;
    PLT_WindowSize(&drawW, &drawH);
    ReSizeGLScene(drawW, drawH);
    doMouseView = 0;
    RegisterModelLoader();
    ImportAllMeshworkModels();
    srand(kSeed);
    return FindCachedModel("guard") != nullptr;
}

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The scheduler's two tasks as the game installs them; a tick-only pass has the tick alone.
timed_task gDrawTask, gTickTask;
void UseTasks(bool draw)
{
    baseTask.next = nullptr;
    if (draw)
    {
        InstallTimedTask(&gDrawTask, DrawGLScene, 1, 40);
        AppendTimedTask(&gDrawTask);
    }
    InstallTimedTask(&gTickTask, GameLoop, 2, 20);
    gTickTask.gated = 1;
    AppendTimedTask(&gTickTask);
}

// One pass of the game's message loop.
void Pass()
{
    HandleTimedTasks();
    HandleWindowEvents();
}

// The best (least) of a figure's rounds.
struct best
{
    double value = -1;
    void Take(double v)
    {
        if (v >= 0 && (value < 0 || v < value)) value = v;
    }
};

double Median(std::vector<double> v)
{
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// Processor time of the whole program, every thread (the software renderer's too), in ms.
double CpuMs()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// Times one block: run(i) for i = 0, 1, ... until the block has lasted minMs and kMinPasses runs,
// or maxRuns. Returns the processor time of a run in ms: on a shared machine other programs
// stretch the time on the clock at random, the work a run takes much less. With eachRun (ticks)
// each run is timed and the median taken, as even the work grows while another program shares the
// core; otherwise (steps and shots, a few microseconds each, where reading the clock would weigh)
// the block is timed as a whole.
template <typename F> double MsPerRun(F run, double minMs, int maxRuns, bool eachRun)
{
    const Clock::time_point start = Clock::now();
    const double blockStart = CpuMs();
    std::vector<double> ms;
    int runs = 0;
    do
    {
        const double runStart = eachRun ? CpuMs() : 0.0;
        run(runs++);
        if (eachRun) ms.push_back(CpuMs() - runStart);
    } while ((MsSince(start) < minMs || runs < kMinPasses) && runs < maxRuns);
    return eachRun ? Median(ms) : (CpuMs() - blockStart) / runs;
}

// ms per tick, the game's tick task alone.
double MsPerTick()
{
    UseTasks(false);
    return MsPerRun([](int) { Pass(); }, kTickBlockMs, kMaxTickPasses, true);
}

// Loads a level with the "level" instruction; ms of processor time, or -1 when the level did not
// become current. The previous level is unloaded first, untimed: the time is the load's own,
// whatever level came before.
double LoadLevelNamed(const std::string& name)
{
    ReturnToNothing();
    gConsole.clear();
    const std::string args = "\"Levels/" + name + "\"";
    const double start = CpuMs();
    ExecuteVXRCommand("level", args.c_str());
    const double ms = CpuMs() - start;
    ReportConsole(("loading " + name).c_str());
    return strcmp(currentLevelFolder, ("Levels/" + name + "/").c_str()) == 0 ? ms : -1.0;
}

void WarmUp()
{
    UseTasks(true);
    for (int i = 0; i < kWarmUpPasses; i++)
        Pass();
    glFinish();
}

long ResidentKB()
{
    long size = 0, resident = 0;
    FILE* f = fopen("/proc/self/statm", "r");
    if (!f) return -1;
    if (fscanf(f, "%ld %ld", &size, &resident) != 2) resident = -1;
    fclose(f);
    return resident < 0 ? -1 : resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// ---- Drawing baselines: triangles as one vertex array (texture coordinates, normal, position).

struct viewVolume
{
    float plane[6][4];
};

// The view volume of the camera as the frame sets it: planes from projection x camera.
viewVolume CameraViewVolume()
{
    SetStandardMatrix();
    float mv[16], pr[16], clip[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    glGetFloatv(GL_PROJECTION_MATRIX, pr);
    for (int c = 0; c < 4; c++)
        for (int r = 0; r < 4; r++)
        {
            clip[c * 4 + r] = 0;
            for (int k = 0; k < 4; k++)
                clip[c * 4 + r] += pr[k * 4 + r] * mv[c * 4 + k];
        }
    viewVolume v;
    for (int p = 0; p < 6; p++)
    {
        const int row = p / 2;
        const float sign = p % 2 ? -1.0f : 1.0f;
        for (int c = 0; c < 4; c++)
            v.plane[p][c] = clip[c * 4 + 3] + sign * clip[c * 4 + row];
    }
    return v;
}

// 1 when every point lies outside one and the same plane (nothing of them can be seen).
bool OutsideView(const viewVolume& v, const float (*points)[3], int count)
{
    for (const auto& p : v.plane)
    {
        int outside = 0;
        for (int i = 0; i < count; i++)
            outside += p[0] * points[i][0] + p[1] * points[i][1] + p[2] * points[i][2] + p[3] < 0;
        if (outside == count) return true;
    }
    return false;
}

struct vertexArray
{
    std::vector<float> data; // GL_T2F_N3F_V3F
    int triangles = 0;
};

void AddArrayVertex(vertexArray* a, float u, float v, vector_type n, float x, float y, float z)
{
    a->data.insert(a->data.end(), {u, v, n.x, n.y, n.z, x, y, z});
}

// Every level triangle of plan, in world space, and how many of them the camera sees.
vertexArray LevelTriangles(const levelPlan& plan, const viewVolume& view, int* inView)
{
    const meshModel tile = TileModel();
    const std::vector<int>& idx = tile.materials[0].triangles;
    vertexArray a;
    *inView = 0;
    for (int i = 0; i < plan.tilesX; i++)
        for (int j = 0; j < plan.tilesZ; j++)
            for (size_t t = 0; t + 2 < idx.size(); t += 3)
            {
                float p[3][3];
                for (int k = 0; k < 3; k++)
                {
                    const point& q = tile.vertices[idx[t + k]].p;
                    p[k][0] = q.x + i * kTileSize, p[k][1] = q.y, p[k][2] = q.z + j * kTileSize;
                }
                const vector_type n = GetNormalOfTrig(fastVector_Set(p[0][0], p[0][1], p[0][2]),
                                                      fastVector_Set(p[1][0], p[1][1], p[1][2]),
                                                      fastVector_Set(p[2][0], p[2][1], p[2][2]));
                for (int k = 0; k < 3; k++)
                {
                    const meshVertex& mv = tile.vertices[idx[t + k]];
                    AddArrayVertex(&a, mv.u, mv.v, n, p[k][0], p[k][1], p[k][2]);
                }
                a.triangles++;
                *inView += !OutsideView(view, p, 3);
            }
    return a;
}

// The guard's rest-pose triangles (its cache entry) at each place of the crowd that the camera
// sees; *inView counts those guards.
vertexArray GuardTriangles(const std::vector<actorPlace>& crowd, const viewVolume& view, int* inView)
{
    const mesh_mod* guard = FindCachedModel("guard");
    vertexArray a;
    *inView = 0;
    for (const actorPlace& place : crowd)
    {
        const float box[8][3] = {{place.x - 0.5f, 0, place.z - 0.5f}, {place.x + 0.5f, 0, place.z - 0.5f},
                                 {place.x - 0.5f, 0, place.z + 0.5f}, {place.x + 0.5f, 0, place.z + 0.5f},
                                 {place.x - 0.5f, 2, place.z - 0.5f}, {place.x + 0.5f, 2, place.z - 0.5f},
                                 {place.x - 0.5f, 2, place.z + 0.5f}, {place.x + 0.5f, 2, place.z + 0.5f}};
        if (OutsideView(view, box, 8)) continue;
        (*inView)++;
        const float c = std::cos(place.heading * kPiOver180), s = std::sin(place.heading * kPiOver180);
        for (const trio* t = guard->triangleListHead.next; t; t = t->next)
        {
            for (int k = 0; k < 3; k++)
            {
                const vtx_typ* v = t->vertices[k];
                const vector_type n = fastVector_Set(v->normal.x * c + v->normal.z * s, v->normal.y,
                                                     -v->normal.x * s + v->normal.z * c);
                AddArrayVertex(&a, t->u[k], t->v[k], n, place.x + v->x * c + v->z * s, v->y,
                               place.z - v->x * s + v->z * c);
            }
            a.triangles++;
        }
    }
    return a;
}

// One frame as the scene drawing makes it (clear, camera, light, the level's kind of state: lit,
// textured in the tint, no culling, no blending), with nothing but the array drawn, and shown.
void ArrayFrame(const vertexArray& a, unsigned int texture)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SetStandardMatrix();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnable(GL_LIGHTING);
    glLightfv(GL_LIGHT0, GL_AMBIENT, LightAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, LightDiffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, light0Pos);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    if (a.triangles)
    {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        glColor4f(tintColor.x, tintColor.y, tintColor.z, 1.0f);
        glInterleavedArrays(GL_T2F_N3F_V3F, 0, a.data.data());
        glDrawArrays(GL_TRIANGLES, 0, a.triangles * 3);
    }
    glPopClientAttrib();
    glPopAttrib();
    glFlush();
    PLT_SwapBuffers();
}

// Frames of several kinds taken in turns, so that all of them see the same moments of the shared
// machine; each kind adds to its figure the median processor ms of its frames.
struct frameKind
{
    std::function<void()> draw;
    best* figure;
};
void FramesInTurn(const std::vector<frameKind>& kinds)
{
    std::vector<std::vector<double>> ms(kinds.size());
    const Clock::time_point start = Clock::now();
    do
        for (size_t k = 0; k < kinds.size(); k++)
        {
            const double t = CpuMs();
            kinds[k].draw();
            HandleWindowEvents();
            glFinish();
            ms[k].push_back(CpuMs() - t);
        }
    while ((MsSince(start) < kinds.size() * kFrameBlockMs || (int)ms[0].size() < kMinPasses) &&
           (int)ms[0].size() < kMaxFramePasses);
    for (size_t k = 0; k < kinds.size(); k++)
        kinds[k].figure->Take(Median(ms[k]));
}

// ---- Step and shot.

// us per step: the player steps forward and back by kStepLength, as a walking player does.
double UsPerStep(int* refused)
{
    int steps = 0;
    const double ms = MsPerRun(
        [&](int i)
        {
            *refused += !GoForward(nullptr, i % 2 ? -kStepLength : kStepLength);
            steps++;
        },
        kProbeBlockMs, kMaxProbes, false);
    if (steps % 2) GoForward(nullptr, -kStepLength); // back to the spot for the next block
    return ms * 1000.0;
}

// us per shot: the nearest thing on a segment from the eye, kShotLength ahead and kShotDrop down.
double UsPerShot(int* missed)
{
    const vector_type eye = EyePosition();
    const float yaw = viewangle * kPiOver180;
    const vector_type to = fastVector_Set(eye.x + std::sin(yaw) * kShotLength, eye.y - kShotDrop,
                                          eye.z - std::cos(yaw) * kShotLength);
    const double ms =
        MsPerRun([&](int) { *missed += StandardCollision(eye, to) != 1; }, kProbeBlockMs, kMaxProbes, false);
    return ms * 1000.0;
}

// ---- The run: every figure is the best of its rounds.

enum
{
    kInView,
    kOutOfView,
    kWalking,
    kCaseKinds
};
const int kCrowds[] = {0, 64, 256};

std::string CrowdLevelName(int crowd, int kind)
{
    static const char* const kinds[] = {"in", "out", "walk"};
    return "crowd" + std::to_string(crowd) + "_" + kinds[kind];
}

// A crowd on the 22,000-triangle level, seen or not, standing or walking.
struct crowdCase
{
    int crowd, kind;
    levelPlan plan;
    best tick, frame;
    int stillWalking = -1; // walkers still walking at the end of the last round
};

crowdCase CrowdCase(int crowd, int kind)
{
    crowdCase c;
    c.crowd = crowd, c.kind = kind;
    c.plan = {CrowdLevelName(crowd, kind), 5, 5, Crowd(crowd), "stander", kPlayerX, kPlayerZ, 0.0f};
    if (kind == kOutOfView) c.plan.heading = 180.0f; // the player turns his back on them
    if (kind == kWalking)
    {
        c.plan.script = "walker";
        for (actorPlace& a : c.plan.actors)
            a.heading = 180.0f;
    }
    return c;
}

// A level of one of the three sizes, without actors; the player in tile 0 looks along +z.
struct sizedLevel
{
    const char* label;
    levelPlan plan;
    best load, firstFrame, step, shot;
};

sizedLevel SizedLevel(const char* label, int tilesX, int tilesZ)
{
    sizedLevel s;
    s.label = label;
    s.plan = {"tiles" + std::to_string(tilesX) + "x" + std::to_string(tilesZ),
              tilesX,
              tilesZ,
              {},
              "stander",
              kProbeX,
              kProbeZ,
              180.0f};
    return s;
}

struct benchRun
{
    std::vector<crowdCase> cases;
    std::vector<sizedLevel> sized = {SizedLevel("2k", 1, 2), SizedLevel("22k", 5, 5),
                                     SizedLevel("200k", 15, 15)};
    long residentNone = -1, residentCrowd = -1, residentInView = -1, residentMade = -1;
    best clearSwap, guardArray, levelDraw, levelArray;
    int guardsInView = 0, guardTriangles = 0, levelInView = 0, levelTriangles = 0;
    int refused = 0, missed = 0;

    benchRun()
    {
        for (int crowd : kCrowds)
            for (int kind = 0; kind < kCaseKinds; kind++)
                if (crowd || kind != kWalking) // no walkers: the same as standing in view
                    cases.push_back(CrowdCase(crowd, kind));
    }

    std::vector<levelPlan> Plans() const
    {
        std::vector<levelPlan> plans;
        for (const sizedLevel& s : sized)
            plans.push_back(s.plan);
        for (const crowdCase& c : cases)
            plans.push_back(c.plan);
        return plans;
    }

    crowdCase& Case(int crowd, int kind)
    {
        for (crowdCase& c : cases)
            if (c.crowd == crowd && c.kind == kind) return c;
        return cases[0];
    }

    bool Load(const levelPlan& plan, double* ms = nullptr)
    {
        const double loadMs = LoadLevelNamed(plan.name);
        if (loadMs < 0) fprintf(stderr, "world_bench: the level %s did not load\n", plan.name.c_str());
        if (ms) *ms = loadMs;
        return loadMs >= 0;
    }

    // Before any actor has ever been made. The guards stand out of view, so that the memory the
    // renderer takes for drawing their triangles is not counted as theirs; the in-view figure
    // after it includes that.
    bool MeasureMemory()
    {
        if (!Load(Case(0, kOutOfView).plan)) return false;
        WarmUp();
        residentNone = ResidentKB();
        // The same number of guards made by a script on the empty level: an actor and its model
        // copy, without the script each guard of the crowd levels runs.
        for (int i = 0; i < 256; i++)
            ExecuteVXRCommand("make", "\"guard\"");
        WarmUp();
        residentMade = ResidentKB();
        if (CountHumans() != 256) fprintf(stderr, "world_bench: %d guards made, not 256\n", CountHumans());
        if (!Load(Case(256, kOutOfView).plan)) return false;
        WarmUp();
        residentCrowd = ResidentKB();
        if (!Load(Case(256, kInView).plan)) return false;
        WarmUp();
        residentInView = ResidentKB();
        return residentNone > 0 && residentCrowd > 0 && residentInView > 0;
    }

    bool CrowdRound()
    {
        for (crowdCase& c : cases)
        {
            if (!Load(c.plan)) return false;
            WarmUp();
            c.tick.Take(MsPerTick());
            UseTasks(true);
            if (c.crowd == 256 && c.kind == kInView)
            {
                // Beside the game's frames, in turns: the guards' triangles as one array, seen from
                // where the player stands, and a frame with nothing in it.
                const vertexArray guards = GuardTriangles(c.plan.actors, CameraViewVolume(), &guardsInView);
                const vertexArray empty;
                const unsigned int texture = FindCachedModel("guard")->materials[0].textureId;
                guardTriangles = guards.triangles;
                FramesInTurn({{HandleTimedTasks, &c.frame},
                              {[&] { ArrayFrame(guards, texture); }, &guardArray},
                              {[&] { ArrayFrame(empty, 0); }, &clearSwap}});
            }
            else
                FramesInTurn({{HandleTimedTasks, &c.frame}});
            if (c.kind == kWalking)
            {
                c.stillWalking = 0;
                for (human_being* h = baseHuman->next; h; h = h->next)
                    c.stillWalking += h->walking;
            }
            ReportConsole(c.plan.name.c_str());
        }
        return true;
    }

    bool SizedRound()
    {
        for (sizedLevel& s : sized)
        {
            double loadMs = 0;
            if (!Load(s.plan, &loadMs)) return false;
            s.load.Take(loadMs);
            // The first pass's tick ends the load's pause; the second pass draws the first frame.
            const double passes = CpuMs();
            UseTasks(true);
            Pass();
            Pass();
            glFinish();
            s.firstFrame.Take(loadMs + CpuMs() - passes);
            s.step.Take(UsPerStep(&refused));
            s.shot.Take(UsPerShot(&missed));
            if (s.plan.tilesX == 5)
            {
                // The whole level from 125 above its middle, looking straight down.
                entfl = entf = -kTileSize * 2.5f;
                updown = -125.0f;
                updownangle = 90.0f, viewangle = 0.0f, zangle = 0.0f;
                const vertexArray level = LevelTriangles(s.plan, CameraViewVolume(), &levelInView);
                levelTriangles = level.triangles;
                const unsigned int texture = FindCachedModel("tile")->materials[0].textureId;
                FramesInTurn({{[] { DrawGLScene(); }, &levelDraw},
                              {[&] { ArrayFrame(level, texture); }, &levelArray}});
            }
            ReportConsole(s.plan.name.c_str());
        }
        return true;
    }

    void Print(int rounds);
};

int gTargetsMissed = 0;

void Target(const char* what, double value, double limit)
{
    const bool ok = value >= 0 && value <= limit;
    gTargetsMissed += !ok;
    printf("  %-58s %8.2f (<= %g) %s\n", what, value, limit, ok ? "ok" : "MISSED");
}

void benchRun::Print(int rounds)
{
    const mesh_mod* guard = FindCachedModel("guard");
    printf(
        "world_bench: %dx%d window, game clock %d ms a pass, seed %u; processor time of the whole program, "
        "best of %d round%s\n",
        kWidth, kHeight, kStepMs, kSeed, rounds, rounds > 1 ? "s" : "");
    printf("levels: a tile of %dx%d cells with 8 low walls (880 triangles) placed 2, 25 and 225 times\n",
           kCells, kCells);
    printf("guards: the demo's guard, %d triangles, %d vertices; the player looks at the crowd (in view) or "
           "away from it (out of view)\n\n",
           guard->triangleCount, guard->vertexCount);

    printf("22k level, ms      standing in view    standing out of view   walking\n");
    printf("                     tick     frame       tick     frame        tick     frame\n");
    for (int crowd : kCrowds)
    {
        printf("  %3d guards    ", crowd);
        for (int kind = 0; kind < kCaseKinds; kind++)
            if (crowd == 0 && kind == kWalking)
                printf("         -         -");
            else
                printf("%9.3f %9.2f  ", Case(crowd, kind).tick.value, Case(crowd, kind).frame.value);
        printf("\n");
    }
    for (int crowd : kCrowds)
        if (crowd && Case(crowd, kWalking).stillWalking != crowd)
            printf("  (of %d walkers, %d were still walking at the end)\n", crowd,
                   Case(crowd, kWalking).stillWalking);

    printf("\nlevel   triangles    load ms   to first frame ms    step us    shot us\n");
    for (const sizedLevel& s : sized)
        printf("  %-5s %9d %10.1f %19.1f %10.1f %10.1f\n", s.label, s.plan.tilesX * s.plan.tilesZ * 880,
               s.load.value, s.firstFrame.value, s.step.value, s.shot.value);
    if (refused || missed)
        printf("  (%d steps refused, %d shots that did not hit the floor)\n", refused, missed);

    const double perGuardKB = (residentMade - residentNone) / 256.0;
    printf("\nresident memory: %ld KB with no guards, %ld KB with 256 made by \"make\": %.1f KB per guard\n",
           residentNone, residentMade, perGuardKB);
    printf("  %ld KB with 256 out of view, each running its own script: %.1f KB per guard\n", residentCrowd,
           (residentCrowd - residentNone) / 256.0);
    printf("  %ld KB with the 256 in view (%+ld KB: the renderer's memory for drawing them, and whatever is "
           "kept "
           "for drawn actors)\n",
           residentInView, residentInView - residentCrowd);

    const double guardsOnly = guardArray.value - clearSwap.value;
    const double levelWithGuards = Case(0, kInView).frame.value + guardsOnly;
    printf("\ndrawing baselines, ms per frame\n");
    printf("  clear and swap alone                                        %8.2f\n", clearSwap.value);
    printf("  22k level from above (%d triangles in view): frame       %8.2f\n", levelInView,
           levelDraw.value);
    printf("    the same %d triangles as one vertex array                 %8.2f\n", levelTriangles,
           levelArray.value);
    printf("  %d guards in view (%d triangles) as one vertex array      %8.2f  (%.2f over clear and swap)\n",
           guardsInView, guardTriangles, guardArray.value, guardsOnly);
    printf("  empty level's frame in view + those guards' array          %8.2f\n", levelWithGuards);

    printf("\ntargets\n");
    const crowdCase& walking = Case(256, kWalking);
    const crowdCase& standing = Case(256, kInView);
    Target("tick 256 walking, ms", walking.tick.value, 1.0);
    Target("tick 256 walking / 256 standing", walking.tick.value / standing.tick.value, 1.3);
    Target("step 200k / 2k", sized[2].step.value / sized[0].step.value, 2.0);
    Target("shot 200k / 2k", sized[2].shot.value / sized[0].shot.value, 2.0);
    Target("frame 256 standing out of view / no guards (same view)",
           Case(256, kOutOfView).frame.value / Case(0, kOutOfView).frame.value, 1.15);
    Target("frame 256 standing in view / (empty level + guards' array)",
           standing.frame.value / levelWithGuards, 1.2);
    Target("frame 256 walking / 256 standing", walking.frame.value / standing.frame.value, 1.3);
    Target("frame 22k level in view / one vertex array", levelDraw.value / levelArray.value, 1.05);
    Target("load 200k level, ms", sized[2].load.value, 1000.0);
    Target("resident memory per guard (actor and model copy), KB", perGuardKB, 64.0);
    printf("%d of 10 targets missed\n", gTargetsMissed);
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? atoi(argv[1]) : 9;
    if (argc > 2 || rounds < 1)
    {
        fprintf(stderr, "usage: world_bench [rounds]   (default 9)\n");
        return 2;
    }
    char scratch[] = "/tmp/kesrow-world-XXXXXX";
    if (!mkdtemp(scratch)) return 1;
    gData = std::string(scratch) + "/";
    char startDir[1024];
    if (!getcwd(startDir, sizeof startDir)) startDir[0] = 0;

    benchRun run;
    int status = 1;
    if (!WriteDataFolder(run.Plans()))
        fprintf(stderr, "world_bench: could not write the data folder %s\n", scratch);
    else if (!StartLikeTheGame())
        fprintf(stderr, "world_bench: the game's start-up failed\n");
    else
    {
        ReportConsole("start-up");
        bool ok = run.MeasureMemory();
        for (int r = 0; r < rounds && ok; r++)
            ok = run.CrowdRound() && run.SizedRound();
        if (ok) run.Print(rounds);
        status = ok ? 0 : 1;
        KillGLWindow();
        PLT_QuitVideo();
    }
    if (startDir[0] && chdir(startDir) != 0) fprintf(stderr, "world_bench: cannot go back to %s\n", startDir);
    std::error_code ec;
    fs::remove_all(scratch, ec);
    if (ec) fprintf(stderr, "world_bench: could not remove %s: %s\n", scratch, ec.message().c_str());
    return status;
}
