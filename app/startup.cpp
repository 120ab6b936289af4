// The program's frame: output routing, the two scheduler tasks, sound, the window and its GL
// state, the engine's start-up, the non-blocking message loop and teardown.
#include "app/startup.h"
#include "app/check.h"
#include "app/console.h"
#include "app/live_reload.h"
#include "app/settings.h"
#include "app/script_access.h"
#include "app/script_hooks.h"
#include "world/camera.h"
#include "app/draw.h"
#include "app/overlay.h"
#include "core/content_memory.h"
#include "core/output.h"
#include "app/tick.h"
#include "app/timing.h"
#include "app/options.h"
#include "app/replay.h"
#include "app/screen.h"
#include "platform/fsound.h"
#include "platform/window.h"
#include "model/loader.h"
#include "resources/animated_textures.h"
#include "resources/paths.h"
#include "resources/sound_list.h"
#include "script/instructions.h"
#include "script/interpreter.h"
#include "script/random.h"
#include "script/scheduling.h"
#include "script/script_records.h"
#include "world/humans.h"
#include "script/variables.h"
#include "world/level.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

int active = 1;
int doIdle = 1;
char gEndReason[32] = "";

static int gColourBitsChosen = 0; // the first window's colour depth is kept for later ones
static int gColourBits = 16;
static int gSoundUp = 0;
static timed_task* gDrawTask = nullptr;
static timed_task* gTickTask = nullptr;
// 1 while buffer swaps wait for the display (vsync on and accepted): the loop then needs no
// pacing of its own.
static int gPacedBySwap = 0;

void RequestQuit(const char* why)
{
    doIdle = 0;
    snprintf(gEndReason, sizeof gEndReason, "%s", why ? why : "quit");
}

void init()
{
    routePath[0] = 0;
    tintColor = fastVector_Set(1.0f, 1.0f, 1.0f);
    timeFreq = (int64_t)PLT_CounterFrequency();
    prevTime = ReadClockMs();
}

int InitGL()
{
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_COLOR_MATERIAL);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    return 1;
}

void ReSizeGLScene(int width, int height)
{
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, (double)width / (double)height, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// A window-creation failure: its own box with its own caption; standard error (as
// "CAPTION: text") in a batch run or when no box can be shown.
static void ShowWindowError(const char* caption, const char* text, int icon)
{
    if (!gBatchRun && PLT_MessageBox(caption, text, 0, icon) >= 0) return;
    char line[300];
    snprintf(line, sizeof line, "%s: %s", caption, text);
    MyOutputToStderr(line);
}

// The message for the step of the window's creation that failed.
static const char* WindowFailureText(int failure)
{
    switch (failure)
    {
    case kPltContextNotCreated:
        return "Can't Create A GL Rendering Context.";
    case kPltContextNotActivated:
        return "Can't Activate The GL Rendering Context.";
    default:
        return "Window Creation Error.";
    }
}

// Opens the window; in full screen, asks whether to go on in a window when the display refuses.
// 0 when there is no window: the failure has been shown.
static int OpenWindow(const char* title, int width, int height)
{
    char err[256];
    if (PLT_CreateWindow(title, width, height, gColourBits, fullscreen, err, sizeof err)) return 1;
    OutputToConsoleF("//%s", err); // SDL's own reason, for the log
    if (!fullscreen || PLT_WindowFailure() != kPltWindowNotCreated)
    {
        ShowWindowError("ERROR", WindowFailureText(PLT_WindowFailure()), kPltIconExclamation);
        return 0;
    }
    // Only the full-screen window itself was refused: a window may still open. A batch run
    // never waits on the question and takes it as declined.
    const int answer =
        gBatchRun ? 0
                  : PLT_MessageBox("Quip GL",
                                   "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use "
                                   "Windowed Mode Instead?",
                                   1, kPltIconExclamation);
    if (answer != 1)
    {
        ShowWindowError("ERROR", "Program Will Now Close.", kPltIconStop);
        return 0;
    }
    fullscreen = 0;
    if (PLT_CreateWindow(title, width, height, gColourBits, 0, err, sizeof err)) return 1;
    OutputToConsoleF("//%s", err);
    ShowWindowError("ERROR", WindowFailureText(PLT_WindowFailure()), kPltIconExclamation);
    return 0;
}

int CreateGLWindow(const char* title, int width, int height, int bits, int fullscreenflag)
{
    fullscreen = fullscreenflag;
    if (!gColourBitsChosen)
    {
        gColourBits = bits;
        gColourBitsChosen = 1;
    }
    if (!OpenWindow(title, width, height))
    {
        KillGLWindow();
        return 0;
    }
    PLT_RaiseWindow();
    if (!InitGL())
    {
        KillGLWindow();
        ShowWindowError("ERROR", "Initialization Failed.", kPltIconExclamation);
        return 0;
    }
    return 1;
}

void KillGLWindow()
{
    if (fullscreen) PLT_ShowCursor(1);
    PLT_DestroyWindow();
}

// Runs the start-up script once. Returns 0 when the game cannot start.
static int StartGame()
{
    char path[1100];
    snprintf(path, sizeof path, "%sData%cgame script", routePath, kDirectoryDevider);
    if (!LoadAndExecuteScript(path))
    {
        // Say where it looked: a wrong data folder is the usual cause.
        char folder[1024];
        if (!getcwd(folder, sizeof folder)) snprintf(folder, sizeof folder, "(unknown)");
        OutputToConsoleF("//The start-up script \"%s\" %s in the data folder \"%s\".", path,
                         access(path, F_OK) == 0 ? "cannot be read" : "was not found", folder);
        OutputToDialog("Failed to initialize the game.");
        return 0;
    }
    if (baseScript.next) ExecuteVXRCommandScript(baseScript.next);
    return 1;
}

void HandleWindowEvents()
{
    PLT_Event event;
    while (NextWindowEvent(&event))
    {
        if (event.kind == kPltEventQuit)
        {
            doIdle = 0;
            snprintf(gEndReason, sizeof gEndReason, "window closed");
        }
        else if (event.kind == kPltEventResize)
        {
            ReSizeGLScene(event.a, event.b);
            // The mouse view's edges and centre follow the window.
            SetScreenRect(event.c, event.d);
            // A window the player sized is kept for the next run.
            if (!gSettings.fullScreen && !fullscreen)
            {
                gSettings.windowWidth = event.c;
                gSettings.windowHeight = event.d;
            }
        }
        else if (event.kind == kPltEventFocus)
            active = event.a;
    }
}

void MyOutputToDialog(const char* text)
{
    if (!gBatchRun && PLT_MessageBox("Kesrow", text, 0) >= 0) return;
    MyOutputToStderr(text);
}

// The program's settings that scripts read and write as named variables; the player's settings
// among them are kept in the settings file when they change.
static void InstallProgramVariables()
{
    InstallVXRVariablePointer("doMouseView", &doMouseView, 0);
    InstallVXRVariablePointer("doFog", &doFog, 0);
    InstallVXRVariablePointer("gFogStart", &gFogStart, 0);
    InstallVXRVariablePointer("gFogEnd", &gFogEnd, 0);
    InstallVXRVariablePointer("mouseSensitivity", &gSettings.mouseSensitivity, 0);
    InstallVXRVariablePointer("invertMouse", &gSettings.invertMouse, 0);
    InstallVXRVariablePointer("soundVolume", &gSettings.volume, 0);
    InstallVXRVariablePointer("fullScreen", &gSettings.fullScreen, 0);
    InstallVXRVariablePointer("vsync", &gSettings.vsync, 0);
}

// A setting changed while playing takes effect at once. A replay keeps its window as the
// recording's window events size it, and runs without vsync.
static void ApplySettings(const playerSettings* before, const playerSettings* now)
{
    if (now->volume != before->volume) FSOUND_SetSFXMasterVolume(now->volume * 255 / 100);
    const int replay = gOutsideMode == kOutsideReplayed;
    if (now->vsync != before->vsync && !gFixedStepMs && !replay) gPacedBySwap = PLT_SetVSync(now->vsync);
    if (now->fullScreen != before->fullScreen &&
        (replay || PLT_SetFullScreen(now->fullScreen, now->windowWidth, now->windowHeight)))
        fullscreen = now->fullScreen;
}

// The settings for this run: the file's, then the command line's for this run only.
static void StartSettings(const KesrowOptions* options, playerSettings* stored, char* path, int pathSize)
{
    DefaultSettings(stored);
    if (SettingsFilePath(path, pathSize))
        ReadSettingsFile(path, stored);
    else
        path[0] = 0;
    gSettings = *stored;
    if (options->sensitivity > 0.0f) gSettings.mouseSensitivity = options->sensitivity;
    if (options->invertMouse >= 0) gSettings.invertMouse = options->invertMouse;
    if (options->volume >= 0) gSettings.volume = options->volume;
    if (options->vsync >= 0) gSettings.vsync = options->vsync;
    if (options->fullscreen) gSettings.fullScreen = 1;
    if (options->windowed)
    {
        gSettings.fullScreen = 0;
        if (options->windowSizeGiven)
        {
            gSettings.windowWidth = options->width;
            gSettings.windowHeight = options->height;
        }
    }
}

void RegisterEngineHooks()
{
    gQuitHook = RequestQuit;
    gEngineVariablesHook = InstallProgramVariables;
    gTickCountHook = TickCount; // falls are stamped by the real clock in sixtieths
    // Actors are drawn farthest from the eye first.
    gEyePositionHook = EyePosition;
    // The settings file's write is an answer from outside the game: a recording keeps its lines.
    gBeginOutsideLinesHook = BeginOutsideLines;
    gEndOutsideLinesHook = EndOutsideLines;
    RegisterScriptAccess();
    RegisterScriptHooks();
}

int KesrowMain(const KesrowOptions* options)
{
    toDialog = MyOutputToDialog;
    toConsole = MyOutputToConsole;
    RegisterEngineHooks();
    // A check never waits on a dialog either, nor does a replay.
    const int replay = options->replay[0] != 0;
    gBatchRun = options->frames > 0 || options->check || replay;
    gFixedStepMs = options->fixedStep;

    // Paths on the command line mean what they meant where the user typed them, also after the
    // change into the data folder.
    char startDir[1024];
    if (!getcwd(startDir, sizeof startDir)) startDir[0] = 0;
    char screenshot[sizeof options->screenshot], record[sizeof options->record],
        replayPath[sizeof options->replay];
    snprintf(screenshot, sizeof screenshot, "%s", options->screenshot);
    snprintf(record, sizeof record, "%s", options->record);
    snprintf(replayPath, sizeof replayPath, "%s", options->replay);
    if (!ResolveStartPath(startDir, screenshot, sizeof screenshot) ||
        !ResolveStartPath(startDir, record, sizeof record) ||
        !ResolveStartPath(startDir, replayPath, sizeof replayPath))
    {
        OutputToDialog("A path on the command line is too long.");
        return 1;
    }

    if (options->dataDir[0] && chdir(options->dataDir) != 0)
    {
        char line[1200];
        snprintf(line, sizeof line, "The data folder \"%s\" cannot be opened.", options->dataDir);
        OutputToDialog(line);
        return 1;
    }

    if (options->contentMemoryMB > 0) gContentMemoryLimit = (long long)options->contentMemoryMB << 20;
    if (options->check) return CheckDataFolder();

    // A recording is made from the first console line on; a replay plays what its file holds.
    recordingHeader recorded;
    if (replay && !OpenReplay(replayPath, &recorded)) return 1;
    if (record[0])
    {
        char err[256];
        if (!OpenRecording(record, err, sizeof err))
        {
            char line[1400];
            snprintf(line, sizeof line, "The recording \"%s\" cannot be written: %s.", record, err);
            OutputToDialog(line);
            return 1;
        }
    }
    // The seed is chosen now so that the recording can say it before anything draws from it.
    const uint32_t seed = replay ? recorded.seed : options->hasSeed ? options->seed : (uint32_t)time(nullptr);
    if (replay)
    {
        gFixedStepMs = recorded.fixedStep;
        if (recorded.contentMemory > 0) gContentMemoryLimit = recorded.contentMemory;
        CompareReplayStart(&recorded, KESROW_VERSION);
    }
    // Files changed on disk are reloaded in a window, not in a batch run unless asked for, and
    // never while recording or replaying (a changed file is not in the recording).
    gLiveReload = (replay || record[0]) ? 0 : options->watch >= 0 ? options->watch : !gBatchRun;
    BeginLiveReload();

    // The in-game console shows every console line from here on.
    CaptureConsoleOutput();
    playerSettings stored;
    char settingsPath[1100];
    if (replay)
    {
        // The recorded settings, and what the recorded game's settings file made it say.
        stored = gSettings = recorded.settings;
        settingsPath[0] = 0;
        ReplayOutsideLines();
    }
    else
    {
        BeginOutsideLines();
        StartSettings(options, &stored, settingsPath, sizeof settingsPath);
        EndOutsideLines();
    }

    char err[256];
    if (!PLT_InitVideo(err, sizeof err))
    {
        char line[400];
        if (!strncmp(err, "no display:", 11))
            snprintf(line, sizeof line, "%s", err);
        else
            snprintf(line, sizeof line,
                     "Something went wrong at initialization of OpenGL. Kesrow will quit now. (%s)", err);
        OutputToDialog(line);
        return 1;
    }
    init();
    if (replay) prevTime = recorded.clockStart;

    gDrawTask = (timed_task*)calloc(1, sizeof(timed_task));
    gTickTask = (timed_task*)calloc(1, sizeof(timed_task));
    InstallTimedTask(gDrawTask, DrawGLScene, 1, 40);
    AppendTimedTask(gDrawTask);
    InstallTimedTask(gTickTask, GameLoop, 2, 20);
    gTickTask->gated = 1;
    AppendTimedTask(gTickTask);

    FSOUND_SetSFXMasterVolume(gSettings.volume * 255 / 100);
    if (replay)
    {
        // The sample slots fill as they did (and say what they said); nothing is heard.
        if (recorded.sound && !(gSoundUp = FSOUND_InitLoopback(44100, 32)))
            OutputToDialog("The replay's sound device could not be opened: its console lines may differ.");
    }
    else if (!options->mute)
    {
        gSoundUp = FSOUND_Init(44100, 32, 0);
        if (!gSoundUp)
            OutputToDialog("An error occured while attempting to initialize the FMOD sound library.");
    }

    int width = 0, height = 0;
    PLT_DesktopSize(&width, &height);
    if (replay)
    {
        // A window of the recorded size, whatever the display: full screen here would be another
        // size.
        width = recorded.cursorWidth;
        height = recorded.cursorHeight;
    }
    else if (!gSettings.fullScreen || width <= 0 || height <= 0)
    {
        width = gSettings.windowWidth;
        height = gSettings.windowHeight;
    }
    // The game's screen is the window: the mouse view keeps the cursor inside it.
    SetScreenRect(width, height);

    BeginOutsideLines();
    const int windowMade = CreateGLWindow("Screen", width, height, 16, replay ? 0 : gSettings.fullScreen);
    EndOutsideLines();
    if (!windowMade)
    {
        OutputToDialog("Something went wrong at initialization of OpenGL. Kesrow will quit now.");
        if (gSoundUp) FSOUND_Close();
        PLT_QuitVideo();
        return 1;
    }
    int cursorW = 0, cursorH = 0;
    PLT_WindowCursorArea(&cursorW, &cursorH);
    if (cursorW > 0 && cursorH > 0) SetScreenRect(cursorW, cursorH);
    int drawW = width, drawH = height;
    PLT_WindowSize(&drawW, &drawH);
    if (replay)
    {
        fullscreen = recorded.fullscreen;
        SetScreenRect(recorded.cursorWidth, recorded.cursorHeight);
        if ((drawW != recorded.drawWidth || drawH != recorded.drawHeight) &&
            !PLT_SetWindowSize(recorded.cursorWidth, recorded.cursorHeight, recorded.drawWidth,
                               recorded.drawHeight))
            MyOutputToConsole(
                "//Replay: the window cannot take the recorded size here: the pictures will differ");
        // The game draws and culls for the recorded size, whatever the window took.
        drawW = recorded.drawWidth;
        drawH = recorded.drawHeight;
    }
    if (screenshot[0]) PLT_CaptureFrames(1);
    // Without vsync (off, refused, or a fixed step) the loop paces itself below; a replay runs
    // as fast as the machine allows.
    gPacedBySwap = PLT_SetVSync(gFixedStepMs || replay ? 0 : gSettings.vsync);
    PLT_DisableScreenSaver();
    // A full screen the display refused and the player took a window for is no change of his.
    gSettings.fullScreen = fullscreen;
    gApplySettingsHook = ApplySettings;
    // Batch runs leave the player's settings alone unless asked; a replay never writes them.
    BeginSettings(settingsPath, &stored, !replay && (!gBatchRun || options->saveSettings));

    if (record[0])
    {
        recordingHeader header;
        MakeRecordingHeader(&header, seed, gSoundUp, drawW, drawH);
        StartRecording(&header);
    }

    VXR_Init();
    ReSizeGLScene(drawW, drawH);

    LoadTextFont();

    doMouseView = 0;
    OutsideShowCursor(1);

    RegisterModelLoader();
    ImportAllMeshworkModels();

    char path[1100];
    snprintf(path, sizeof path, "%sSounds%clist", routePath, kDirectoryDevider);
    LoadSoundFiles(path);
    snprintf(path, sizeof path, "%sAnimations%cwinlist.txt", routePath, kDirectoryDevider);
    LoadAnimationFiles(path);

    // What the start-up loads had to say is said, repeated problems with their counts.
    EndConsolePeriod();

    // Seeded before the start-up script runs, so that a given --seed repeats a whole run.
    VXR_SeedRandom(seed);

    int status = 0;
    if (!StartGame())
    {
        doIdle = 0;
        status = 1;
    }

    long passes = 0;
    int frameLimit = 0;
    while (doIdle)
    {
        int64_t now = 0;
        if (!NextPassClock(&now))
        {
            // The recording has no pass left.
            snprintf(gEndReason, sizeof gEndReason, "%s", ReplayEndReason());
            break;
        }
        HandleTimedTasksAt(now);
        passes++;
        HandleWindowEvents();
        if (options->frames > 0 && passes >= options->frames && doIdle)
        {
            doIdle = 0;
            frameLimit = 1;
            snprintf(gEndReason, sizeof gEndReason, "frame limit");
        }
        // Nothing changes between ticks, so without vsync a pass waits for the next one instead
        // of drawing the same frame on a full core: at most one frame per tick.
        if (doIdle && !gPacedBySwap && !gFixedStepMs && !replay) PLT_Delay(MsUntilNextTick(ReadClockMs()));
    }
    const char* endReason = gEndReason[0] ? gEndReason : "quit";
    if (record[0] && !StopRecording(endReason)) status = 1;
    if (replay && FinishReplay(endReason, passes, frameLimit) && status == 0) status = 1;

    EndConsolePeriod();
    if (gBatchRun && (status == 0 || replay))
    {
        char line[160];
        snprintf(line, sizeof line, "//Ended: %s after %ld passes, game time %u ms", endReason, passes,
                 gCurrentTime);
        OutputToConsole(line);
    }

    // A picture that was asked for and not written is a failed run.
    if (screenshot[0] && status == 0 && !PLT_SaveScreenshot(screenshot))
    {
        OutputToConsoleF("//Could not write the screenshot \"%s\".", screenshot);
        status = 1;
    }

    EndLiveReload();
    FlushSettings();
    gApplySettingsHook = nullptr;
    KillGLWindow();
    FreeSoundFiles();
    if (gSoundUp) FSOUND_Close();
    PLT_QuitVideo();
    return status;
}
