// model_viewer: shows one model file with its textures and pose file, lit and turning, for
// content makers; poses and pose pairs are picked with keys. With --frames it runs headless.
#include "app/draw.h"
#include "app/startup.h"
#include "core/content_files.h"
#include "core/output.h"
#include "model/draw_model.h"
#include "model/loader.h"
#include "model/mesh_records.h"
#include "model/posing.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "world/humans.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <time.h>
#include <vector>

namespace
{

const char kUsage[] =
    "usage: model_viewer [options] MODEL_FILE\n"
    "Shows a model with its textures (MODEL_FILE0.png ...) and poses (MODEL_FILE_poses).\n"
    "  --pose NAME          pose to show (default: the first pose of the file)\n"
    "  --pose2 NAME         second pose: the model swings between the two\n"
    "  --blend P            hold the blend at P (100: first pose, 0: second pose)\n"
    "  --swing MS           time of one swing from one pose to the other (default 800)\n"
    "  --turn DEG           heading of the model (default 0: facing the viewer)\n"
    "  --spin DEG           turning speed in degrees a second (default 30; 0: still)\n"
    "  --pitch DEG          camera tilt, looking down (default 10)\n"
    "  --zoom F             camera distance as a factor of the fitted one (default 1)\n"
    "  --boxes              show the bone boxes\n"
    "  --lit                full brightness, as an actor with the lit flag\n"
    "  --tint R,G,B         scene tint, each 0 to 1 (default 1,1,1)\n"
    "  --background R,G,B   background colour, each 0 to 1 (default 0.25,0.3,0.35)\n"
    "  --windowed WxH       window size (default 800x600)\n"
    "  --frames N           batch run: end after N frames\n"
    "  --fixed-step MS      advance the viewer's clock by MS each frame\n"
    "  --screenshot FILE    write the last frame to FILE as PNG at the end\n"
    "Keys: Left/Right pose, Up/Down second pose (swing), 1-9 pose by number, Space stop/start\n"
    "turning, B bone boxes, L lit, +/- or PageUp/PageDown zoom, R reset view, Escape quit.\n"
    "Mouse: drag with the left button to turn and tilt, with the right button to zoom.\n";

struct viewerOptions
{
    std::string modelPath;
    std::string pose, pose2;
    int hasBlend = 0;
    float blend = 100.0f;
    float swingMs = 800.0f;
    float turn = 0.0f;
    float spin = 30.0f;
    float pitch = 10.0f;
    float zoom = 1.0f;
    int boxes = 0;
    int lit = 0;
    float tint[3] = {1.0f, 1.0f, 1.0f};
    float background[3] = {0.25f, 0.3f, 0.35f};
    int width = 800, height = 600;
    long frames = 0;
    int fixedStep = 0;
    std::string screenshot;
};

int ParseTriple(const char* text, float out[3])
{
    return sscanf(text, "%f,%f,%f", &out[0], &out[1], &out[2]) == 3;
}

// 0: run; 1: help shown; 2: wrong option (message written).
int ParseViewerOptions(int argc, char** argv, viewerOptions* o)
{
    for (int i = 1; i < argc; i++)
    {
        std::string a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto need = [&](const char* what)
        {
            if (!value) fprintf(stderr, "model_viewer: %s needs %s\n", a.c_str(), what);
            return value != nullptr;
        };
        if (a == "--help" || a == "-h")
        {
            fputs(kUsage, stdout);
            return 1;
        }
        else if (a == "--boxes")
            o->boxes = 1;
        else if (a == "--lit")
            o->lit = 1;
        else if (a == "--pose" || a == "--pose2")
        {
            if (!need("a pose name")) return 2;
            (a == "--pose" ? o->pose : o->pose2) = value;
            i++;
        }
        else if (a == "--blend" || a == "--swing" || a == "--turn" || a == "--spin" || a == "--pitch" ||
                 a == "--zoom")
        {
            float f = 0.0f;
            if (!need("a number")) return 2;
            if (sscanf(value, "%f", &f) != 1)
            {
                fprintf(stderr, "model_viewer: %s needs a number, not \"%s\"\n", a.c_str(), value);
                return 2;
            }
            i++;
            if (a == "--blend")
            {
                o->hasBlend = 1;
                o->blend = f < 0.0f ? 0.0f : (f > 100.0f ? 100.0f : f);
            }
            else if (a == "--swing")
                o->swingMs = f > 1.0f ? f : 1.0f;
            else if (a == "--turn")
                o->turn = f;
            else if (a == "--spin")
                o->spin = f;
            else if (a == "--pitch")
                o->pitch = f;
            else
                o->zoom = f > 0.01f ? f : 0.01f;
        }
        else if (a == "--tint" || a == "--background")
        {
            if (!need("R,G,B")) return 2;
            if (!ParseTriple(value, a == "--tint" ? o->tint : o->background))
            {
                fprintf(stderr, "model_viewer: %s needs R,G,B, not \"%s\"\n", a.c_str(), value);
                return 2;
            }
            i++;
        }
        else if (a == "--windowed")
        {
            if (!need("WxH")) return 2;
            if (sscanf(value, "%dx%d", &o->width, &o->height) != 2 || o->width < 16 || o->height < 16 ||
                o->width > 8192 || o->height > 8192)
            {
                fprintf(stderr, "model_viewer: --windowed needs a size such as 800x600, not \"%s\"\n", value);
                return 2;
            }
            i++;
        }
        else if (a == "--frames" || a == "--fixed-step")
        {
            long n = 0;
            if (!need("a whole number")) return 2;
            if (sscanf(value, "%ld", &n) != 1 || n < 1 || n > 100000000)
            {
                fprintf(stderr, "model_viewer: %s needs a whole number above 0, not \"%s\"\n", a.c_str(),
                        value);
                return 2;
            }
            if (a == "--frames")
                o->frames = n;
            else
                o->fixedStep = (int)n;
            i++;
        }
        else if (a == "--screenshot")
        {
            if (!need("a file name")) return 2;
            o->screenshot = value;
            i++;
        }
        else if (!a.empty() && a[0] == '-')
        {
            fprintf(stderr, "model_viewer: unknown option %s\n%s", a.c_str(), kUsage);
            return 2;
        }
        else if (o->modelPath.empty())
            o->modelPath = a;
        else
        {
            fprintf(stderr, "model_viewer: only one model file, please\n");
            return 2;
        }
    }
    if (o->modelPath.empty())
    {
        fprintf(stderr, "%s", kUsage);
        return 2;
    }
    return 0;
}

// Centre and radius of the model's rest shape, from the vertices that triangles use.
void RestBounds(const mesh_mod* m, vector_type* centre, float* radius)
{
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    int any = 0;
    for (const vtx_typ* v = m->vertexListHead.next; v; v = v->next)
    {
        if (v->detached) continue;
        const float p[3] = {v->x, v->y, v->z};
        for (int k = 0; k < 3; k++)
        {
            lo[k] = fminf(lo[k], p[k]);
            hi[k] = fmaxf(hi[k], p[k]);
        }
        any = 1;
    }
    if (!any)
    {
        *centre = fastVector_Set(0.0f, 0.0f, 0.0f);
        *radius = 1.0f;
        return;
    }
    *centre = fastVector_Set((lo[0] + hi[0]) * 0.5f, (lo[1] + hi[1]) * 0.5f, (lo[2] + hi[2]) * 0.5f);
    float dx = hi[0] - lo[0], dy = hi[1] - lo[1], dz = hi[2] - lo[2];
    *radius = 0.5f * sqrtf(dx * dx + dy * dy + dz * dz);
    if (*radius < 0.01f) *radius = 0.01f;
}

struct viewerState
{
    mesh_mod* model = nullptr;
    human_being* owner = nullptr;
    std::vector<std::string> poses;
    int poseA = -1; // index into poses; -1: none (rest shape)
    int poseB = -1; // -1: no second pose, the model holds pose A
    float heading = 0.0f, pitch = 0.0f, zoom = 1.0f;
    int spinning = 1;
    int boxes = 0;
    vector_type centre = {0.0f, 0.0f, 0.0f};
    float radius = 1.0f;
};

void ApplyPoses(viewerState* s, int announce)
{
    mesh_mod* m = s->model;
    SetNonePoseState(m);
    // Translations are not reset by the none pose; clear them so a pose change starts clean.
    for (bonus* b = m->boneListHead.next; b; b = b->next)
        for (float* channel : {b->moveX, b->moveY, b->moveZ})
            channel[0] = channel[1] = 0.0f;
    if (s->poseA < 0)
    {
        if (announce) OutputToConsole("//Pose: none (rest shape)");
        return;
    }
    const std::string& a = s->poses[s->poseA];
    const std::string& b = s->poseB >= 0 ? s->poses[s->poseB] : a;
    SetModelPoses(m, a.c_str(), b.c_str());
    if (!announce) return;
    if (s->poseB >= 0)
        OutputToConsoleF("//Poses: %s <-> %s", a.c_str(), b.c_str());
    else
        OutputToConsoleF("//Pose: %s", a.c_str());
}

int FindPose(const viewerState& s, const std::string& name)
{
    for (size_t i = 0; i < s.poses.size(); i++)
        if (s.poses[i] == name) return (int)i;
    return -1;
}

int Pressed(int vk)
{
    return PLT_GetAsyncKeyState(vk) & 1;
}

int Held(int vk)
{
    return PLT_GetAsyncKeyState(vk) < 0;
}

void SetProjection(int width, int height)
{
    if (height <= 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, (double)width / (double)height, 0.05, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void InitViewerGL(const viewerOptions& o)
{
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glClearColor(o.background[0], o.background[1], o.background[2], 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    // The game's light, a little brighter so that content is easy to judge.
    const float ambient[4] = {0.35f, 0.35f, 0.35f, 1.0f};
    const float diffuse[4] = {0.75f, 0.75f, 0.75f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void DrawFrame(viewerState* s, float blend)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    // A light above and to the left of the viewer, fixed to the camera.
    const float lightPos[4] = {-2.0f, 3.0f, 4.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lightPos);
    float distance = s->radius / sinf(22.5f * 0.017453292f) * s->zoom;
    glTranslatef(0.0f, 0.0f, -distance);
    glRotatef(s->pitch, 1.0f, 0.0f, 0.0f);
    glTranslatef(-s->centre.x, -s->centre.y, -s->centre.z);

    glEnable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    DrawMeshworkModel(s->model, 0.0f, 0.0f, 0.0f, 0.0f, s->heading, 0.0f, blend, 0);
    glDisable(GL_CULL_FACE);
    if (s->boxes)
    {
        glDisable(GL_BLEND);
        glDepthMask(GL_TRUE);
        glColor4f(1.0f, 0.9f, 0.2f, 1.0f);
        DrawModelBoneBoxes(s->model);
        glEnable(GL_LIGHTING);
    }
    glDepthMask(GL_TRUE);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glFlush();
    PLT_SwapBuffers();
}

double NowMs()
{
    return (double)PLT_ReadCounter() * 1000.0 / (double)PLT_CounterFrequency();
}

void SleepMs(int ms)
{
    timespec t = {0, ms * 1000000L};
    nanosleep(&t, nullptr);
}

// Reads the keys and the mouse of one frame. Returns 0 when the viewer should end.
int HandleInput(viewerState* s, const viewerOptions& o, int* lastX, int* lastY)
{
    if (Pressed(27) || Pressed('Q')) return 0;
    int count = (int)s->poses.size();
    int changed = 0;
    if (count > 0)
    {
        if (Pressed(39))
        {
            s->poseA = (s->poseA + 1) % count;
            changed = 1;
        }
        if (Pressed(37))
        {
            s->poseA = (s->poseA + count - 1) % count;
            changed = 1;
        }
        // The second pose cycles through "none" and every pose.
        if (Pressed(38))
        {
            s->poseB = s->poseB + 1 >= count ? -1 : s->poseB + 1;
            changed = 1;
        }
        if (Pressed(40))
        {
            s->poseB = s->poseB < 0 ? count - 1 : s->poseB - 1;
            changed = 1;
        }
        for (int d = 1; d <= 9; d++)
            if (Pressed('0' + d) && d <= count)
            {
                s->poseA = d - 1;
                changed = 1;
            }
    }
    if (changed) ApplyPoses(s, 1);
    if (Pressed(' ')) s->spinning = !s->spinning;
    if (Pressed('B')) s->boxes = !s->boxes;
    if (Pressed('L'))
    {
        s->owner->lit = !s->owner->lit;
        OutputToConsole(s->owner->lit ? "//Lit: on" : "//Lit: off");
    }
    if (Pressed('R'))
    {
        s->heading = o.turn;
        s->pitch = o.pitch;
        s->zoom = o.zoom;
    }
    if (Pressed(187) || Pressed(107) || Pressed(33)) s->zoom *= 0.9f;
    if (Pressed(189) || Pressed(109) || Pressed(34)) s->zoom /= 0.9f;

    int x = 0, y = 0;
    PLT_GetCursor(&x, &y);
    int dx = x - *lastX, dy = y - *lastY;
    if (Held(1))
    {
        s->heading += dx * 0.5f;
        s->pitch += dy * 0.5f;
        if (s->pitch > 89.0f) s->pitch = 89.0f;
        if (s->pitch < -89.0f) s->pitch = -89.0f;
    }
    else if (Held(2))
        s->zoom *= expf(dy * 0.01f);
    if (s->zoom < 0.05f) s->zoom = 0.05f;
    if (s->zoom > 50.0f) s->zoom = 50.0f;
    *lastX = x;
    *lastY = y;
    return 1;
}

// Blend of the swing between pose A (100) and pose B (0), there and back in 2 * swingMs.
float SwingBlend(double timeMs, float swingMs)
{
    double phase = fmod(timeMs, 2.0 * swingMs);
    if (phase < swingMs) return (float)(100.0 - 100.0 * phase / swingMs);
    return (float)(100.0 * (phase - swingMs) / swingMs);
}

void ReportLoad(const viewerOptions& o, const mesh_mod* m, const modelLoadReport& report)
{
    for (int i = 0; i < kMaxModelMaterials; i++)
        if (report.textureWanted[i] && !report.textureLoaded[i])
        {
            std::string png = report.texturePath[i];
            std::string bmp = png.substr(0, png.size() - 4) + ".bmp";
            OutputToConsoleF(
                "//Texture of material %d was not loaded (tried %s and %s); it is drawn in plain colour.", i,
                png.c_str(), bmp.c_str());
        }
    int used = 0;
    for (int i = 0; i < kMaxModelMaterials; i++)
        used += m->materials[i].used;
    int bones = 0;
    for (const bonus* b = m->boneListHead.next; b; b = b->next)
        bones++;
    OutputToConsoleF("//Loaded %s: %d vertices, %d triangles, %d materials in use, %d bones.",
                     o.modelPath.c_str(), (int)m->vertexCount, (int)m->triangleCount, used, bones);
}

int RunViewer(const viewerOptions& o)
{
    char err[256];
    if (!PLT_InitVideo(err, sizeof err))
    {
        OutputToDialog(err);
        return 1;
    }
    if (!PLT_CreateWindow("Kesrow model viewer", o.width, o.height, 24, 0, err, sizeof err))
    {
        OutputToDialog(err);
        PLT_QuitVideo();
        return 1;
    }
    PLT_RaiseWindow();
    if (!o.screenshot.empty()) PLT_CaptureFrames(1);
    PLT_SetVSync(o.fixedStep ? 0 : 1);
    int width = o.width, height = o.height;
    PLT_WindowSize(&width, &height);
    InitViewerGL(o);
    SetProjection(width, height);

    // The model's folder is the viewer's data folder: its pictures and pose file are read from
    // there as the game reads content, and no link in it leads elsewhere.
    size_t slash = o.modelPath.rfind('/');
    std::string folder = slash == std::string::npos ? "." : o.modelPath.substr(0, slash + 1);
    std::string loadPath = o.modelPath; // messages keep the path as it was given
    char real[PATH_MAX];
    if (realpath(folder.c_str(), real) && strlen(real) + 2 < sizeof routePath)
    {
        snprintf(routePath, sizeof routePath, "%s/", strcmp(real, "/") ? real : "");
        loadPath = routePath + o.modelPath.substr(slash == std::string::npos ? 0 : slash + 1);
    }

    // The file is loaded as the game loads it: a cache entry, then the private copy an actor
    // draws, which imports the pose file itself.
    RegisterModelLoader();
    mesh_mod* entry = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    modelLoadReport report;
    if (!LoadMeshworkModelReport(entry, loadPath.c_str(), &report))
    {
        OutputToConsoleF("//Failed to load model: %s", o.modelPath.c_str());
        free(entry);
        PLT_QuitVideo();
        return 1;
    }
    AppendCachedModel(entry);
    ReportLoad(o, entry, report);

    viewerState s;
    s.owner = static_cast<human_being*>(calloc(1, sizeof(human_being)));
    ZeroHuman(s.owner);
    s.owner->lit = o.lit;
    s.model = MakePrivateModelCopy(entry, s.owner);
    s.owner->model = s.model;
    RestBounds(entry, &s.centre, &s.radius);

    std::string posePath = o.modelPath + "_poses";
    const int poseFile = ContentFileExists((loadPath + "_poses").c_str(), kContentText);
    if (!poseFile)
        OutputToConsoleF("//Pose file %s could not be opened; the model is shown in its rest shape.",
                         posePath.c_str());
    for (pose_struct* p = s.model->poseListHead.next; p; p = p->next)
        s.poses.push_back(p->name);
    if (poseFile && s.poses.empty()) OutputToConsoleF("//Pose file %s holds no poses.", posePath.c_str());
    if (!s.poses.empty())
    {
        std::string list;
        for (size_t i = 0; i < s.poses.size(); i++)
            list += (i ? ", " : "") + std::to_string(i + 1) + " " + s.poses[i];
        OutputToConsoleF("//Poses: %.1000s", list.c_str());
        s.poseA = 0;
    }
    if (!o.pose.empty())
    {
        s.poseA = FindPose(s, o.pose);
        if (s.poseA < 0)
            OutputToConsoleF("//Pose %s was not found; the model is shown in its rest shape.",
                             o.pose.c_str());
    }
    if (!o.pose2.empty())
    {
        s.poseB = FindPose(s, o.pose2);
        if (s.poseB < 0) OutputToConsoleF("//Pose %s was not found.", o.pose2.c_str());
        if (s.poseA < 0) s.poseB = -1;
    }
    ApplyPoses(&s, 1);

    tintColor = fastVector_Set(o.tint[0], o.tint[1], o.tint[2]);
    s.heading = o.turn;
    s.pitch = o.pitch;
    s.zoom = o.zoom;
    s.boxes = o.boxes;

    int lastX = 0, lastY = 0;
    PLT_GetCursor(&lastX, &lastY);
    double clockMs = 0.0, lastReal = NowMs();
    long frames = 0;
    const char* why = "window closed";
    for (;;)
    {
        PLT_Event event;
        int quit = 0;
        while (PLT_PollEvent(&event))
        {
            if (event.kind == kPltEventQuit) quit = 1;
            if (event.kind == kPltEventResize) SetProjection(event.a, event.b);
        }
        if (quit) break;
        if (!HandleInput(&s, o, &lastX, &lastY))
        {
            why = "quit";
            break;
        }
        double now = NowMs();
        double step = o.fixedStep ? o.fixedStep : now - lastReal;
        lastReal = now;
        float blend = 100.0f;
        if (o.hasBlend)
            blend = o.blend;
        else if (s.poseB >= 0)
            blend = SwingBlend(clockMs, o.swingMs);
        DrawFrame(&s, blend);
        if (s.spinning) s.heading = fmodf(s.heading + (float)(o.spin * step / 1000.0), 360.0f);
        clockMs += step;
        frames++;
        if (o.frames > 0 && frames >= o.frames)
        {
            why = "frame limit";
            break;
        }
        if (!o.fixedStep) SleepMs(5);
    }

    int status = 0;
    if (!o.screenshot.empty() && !PLT_SaveScreenshot(o.screenshot.c_str()))
    {
        OutputToConsoleF("//Could not write the screenshot \"%s\".", o.screenshot.c_str());
        status = 1;
    }
    if (o.frames > 0) OutputToConsoleF("//Ended: %s after %ld frames", why, frames);
    DisposeMeshworkModel(s.model);
    free(s.owner);
    PLT_QuitVideo();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    toConsole = MyOutputToConsole;
    toDialog = MyOutputToDialog;
    viewerOptions o;
    int parsed = ParseViewerOptions(argc, argv, &o);
    if (parsed == 1) return 0;
    if (parsed == 2) return 2;
    gBatchRun = o.frames > 0;
    return RunViewer(o);
}
