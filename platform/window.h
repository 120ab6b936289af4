// The window, GL context, events, cursor, message boxes and the high-resolution clock, on SDL2.
// The engine sees plain ints and C strings; SDL stays inside platform/.
#pragma once

#include <cstdint>

// Starts SDL's video (and events). Returns 1 on success; on failure err holds the reason. Without
// an X or Wayland display SDL would fall back to a driver that shows nothing: unless the user
// chose a driver with SDL_VIDEODRIVER, that is a failure whose reason starts with "no display:"
// (kPltNoDisplayText when no display is named at all).
int PLT_InitVideo(char* err, int errSize);
extern const char* const kPltNoDisplayText;
void PLT_QuitVideo();

// Desktop size of the first display; 0 when unknown.
int PLT_DesktopSize(int* width, int* height);

// Opens the window with a double-buffered RGBA context with a 16-bit depth buffer.
// fullscreen: desktop-sized full screen. Returns 1, or 0 with a reason in err and the step that
// failed in PLT_WindowFailure().
int PLT_CreateWindow(const char* title, int width, int height, int bits, int fullscreen, char* err,
                     int errSize);
enum
{
    kPltWindowOpened = 0,
    kPltWindowNotCreated,    // the window itself (in full screen: the display refused the mode)
    kPltContextNotCreated,   // the GL context
    kPltContextNotActivated, // making the context current
};
int PLT_WindowFailure();
// Makes the window's GL context current (created by PLT_CreateWindow). 1 on success.
int PLT_WindowHasContext();
void PLT_DestroyWindow();
void PLT_SwapBuffers();
// Returns 1 when the swap interval was set; 0 when the driver refused (Xvfb does), and then
// nothing paces the passes but the caller.
int PLT_SetVSync(int on);
// Drawable size in pixels.
void PLT_WindowSize(int* width, int* height);
// Window size in the cursor's pixels (differs from the drawable size on high-density screens).
void PLT_WindowCursorArea(int* width, int* height);
// Sleeps for ms milliseconds (nothing for ms <= 0).
void PLT_Delay(int ms);
void PLT_RaiseWindow();
// Keeps the screen saver off while the game runs.
void PLT_DisableScreenSaver();

enum
{
    kPltEventNone = 0,
    kPltEventQuit,   // the window was closed or the program was asked to end
    kPltEventResize, // a, b: the new drawable size; c, d: the same in cursor pixels
    kPltEventFocus,  // a: 1 gained, 0 lost or minimised
    kPltEventOther
};

struct PLT_Event
{
    int kind;
    int a, b, c, d;
};

// Takes at most one pending event, never blocking; key and button changes are handed to the key
// layer as they pass, and so are typed characters and key repeats (PLT_TakeTypedInput). Returns 0
// when none was waiting.
int PLT_PollEvent(PLT_Event* event);

// Cursor in window pixels. While the relative mode is on (mouse view), the position is a virtual
// one that follows the motion, unclamped (it may run past the window's edges, so no motion is
// lost), and that PLT_WarpCursor re-centres exactly.
void PLT_GetCursor(int* x, int* y);
void PLT_WarpCursor(int x, int y);
void PLT_ShowCursor(int show);
// 1 while the cursor is the virtual one: a warp then takes effect at once, with no stale motion
// to come after it.
int PLT_CursorIsVirtual();

// Full screen at the desktop size, or a window of width x height. 1 when the window took it.
int PLT_SetFullScreen(int on, int width, int height);
// Gives the window width x height cursor pixels and waits (at most about a second) until its
// drawable has the size that goes with them. 1 when the drawable is then drawW x drawH.
int PLT_SetWindowSize(int width, int height, int drawW, int drawH);

// A message box. buttons 0: OK only, returns 0. buttons 1: Yes/No, returns 1 for Yes, 0 for No.
// Returns -1 when no box can be shown. icon: one of the kPltIcon values (the default: stop for
// OK boxes, exclamation for questions).
enum
{
    kPltIconDefault = 0,
    kPltIconInformation,
    kPltIconExclamation,
    kPltIconStop
};
int PLT_MessageBox(const char* caption, const char* text, int buttons, int icon = kPltIconDefault);

// High-resolution counter and its ticks per second.
uint64_t PLT_ReadCounter();
uint64_t PLT_CounterFrequency();

// From now on keep a copy of every frame just before it is shown, for PLT_SaveScreenshot.
void PLT_CaptureFrames(int on);
// Reads the back buffer's last drawn frame (RGB, bottom row first as GL gives it) and writes
// it as a PNG, through a crash-safe replacement of the file. Returns 1 on success.
int PLT_SaveScreenshot(const char* path);
// Writes width x height RGB pixels, bottom row first, as a PNG file through the same crash-safe
// replacement. Returns 1 on success; on failure the old file is left as it was.
int PLT_WriteScreenshotPixels(const char* path, const unsigned char* rgb, int width, int height);
