// The program's frame: start-up, the window and GL context, the message loop and teardown.
#pragma once

extern int active;
extern int doIdle;

// Why and when the loop ended, for the batch run's closing line ("quit", "frame limit",
// "window closed").
extern char gEndReason[32];

// Ends the message loop after the current pass (the script instruction "quit").
void RequestQuit(const char* why);

// Handles every pending window event: close, resize (projection and screenRect), focus.
void HandleWindowEvents();

void init();
int CreateGLWindow(const char* title, int width, int height, int bits, int fullscreenflag);
void KillGLWindow();
int InitGL();
void ReSizeGLScene(int width, int height);

// A message box captioned "Kesrow"; standard error in a batch run or when no box can be shown.
void MyOutputToDialog(const char* text);

// Lets the layers below reach what the program owns: "quit" ends the loop, the program's
// settings ("doMouseView", "doFog", "gFogStart", "gFogEnd") become script variables at every
// engine reset, actors are sorted by their distance from the eye, and the world reaches the
// script system (RegisterScriptHooks). Called at start-up before the first reset and before a
// check (tests and benchmarks call it too, so that they run with every hook the game has).
void RegisterEngineHooks();

struct KesrowOptions;
// Runs the game with the given options; returns the exit status.
int KesrowMain(const KesrowOptions* options);
