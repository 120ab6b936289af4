// The window, GL context, events, cursor, message boxes and the high-resolution clock, on SDL2.
// The engine sees plain ints and C strings; SDL stays inside platform/.
#pragma once

#include <cstdint>

// Starts SDL's video (and events). Returns 1 on success; on failure err holds SDL's reason.
int PLT_InitVideo(char* err, int errSize);
void PLT_QuitVideo();

// Desktop size of the first display; 0 when unknown.
int PLT_DesktopSize(int* width, int* height);

// Opens the window with a double-buffered RGBA context with a 16-bit depth buffer.
// fullscreen: desktop-sized full screen. Returns 1, or 0 with a reason in err.
int PLT_CreateWindow(const char* title, int width, int height, int bits, int fullscreen, char* err,
                     int errSize);
// Makes the window's GL context current (created by PLT_CreateWindow). 1 on success.
int PLT_WindowHasContext();
void PLT_DestroyWindow();
void PLT_SwapBuffers();
void PLT_SetVSync(int on);
// Drawable size in pixels.
void PLT_WindowSize(int* width, int* height);
void PLT_RaiseWindow();
// Keeps the screen saver off while the game runs.
void PLT_DisableScreenSaver();

enum
{
    kPltEventNone = 0,
    kPltEventQuit,   // the window was closed or the program was asked to end
    kPltEventResize, // a, b: the new drawable size
    kPltEventFocus,  // a: 1 gained, 0 lost or minimised
    kPltEventOther
};

struct PLT_Event
{
    int kind;
    int a, b;
};

// Takes at most one pending event, never blocking; key and button changes are handed to the key
// layer as they pass. Returns 0 when none was waiting.
int PLT_PollEvent(PLT_Event* event);

// Cursor in window pixels. While the relative mode is on (mouse view), the position is a virtual
// one that follows the motion and that PLT_WarpCursor re-centres exactly.
void PLT_GetCursor(int* x, int* y);
void PLT_WarpCursor(int x, int y);
void PLT_ShowCursor(int show);

// A message box. buttons 0: OK only, returns 0. buttons 1: Yes/No, returns 1 for Yes, 0 for No.
// Returns -1 when no box can be shown.
int PLT_MessageBox(const char* caption, const char* text, int buttons);

// High-resolution counter and its ticks per second.
uint64_t PLT_ReadCounter();
uint64_t PLT_CounterFrequency();

// From now on keep a copy of every frame just before it is shown, for PLT_SaveScreenshot.
void PLT_CaptureFrames(int on);
// Reads the back buffer's last drawn frame (RGB, bottom row first as GL gives it) and writes
// it as a PNG. Returns 1 on success.
int PLT_SaveScreenshot(const char* path);
