// SDL2 stand-in for the window system: one window with its GL context, the event pump, the
// cursor (with a virtual position while the mouse view holds the pointer), message boxes,
// the high-resolution counter and screenshots.
#include "platform/window.h"
#include "core/safe_write.h"
#include "platform/keys.h"

#include <SDL.h>
#include <GL/gl.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

const char* const kPltNoDisplayText = "no display: set DISPLAY or run under xvfb-run";

static SDL_Window* gWindow = nullptr;
static int gWindowFailure = kPltWindowOpened;
static SDL_GLContext gContext = nullptr;
static int gVideoUp = 0;

static int gCursorX = 0, gCursorY = 0;
static int gRelative = 0;

// The last drawn frame, grabbed before every swap once a screenshot has been asked for.
static int gCaptureFrames = 0;
static std::vector<unsigned char> gLastFrame;
static int gLastFrameW = 0, gLastFrameH = 0;

// SDL's last resorts draw nowhere: a game started on them would run unseen for ever.
static int OnFallbackDriver()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (!strcmp(driver, "offscreen") || !strcmp(driver, "dummy"));
}

int PLT_InitVideo(char* err, int errSize)
{
    if (gVideoUp) return 1;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const char* chosen = SDL_getenv("SDL_VIDEODRIVER");
    const int driverChosen = chosen && *chosen;
    const char* x11 = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    const int displayNamed = (x11 && *x11) || (wayland && *wayland);
    // A display server may refuse a connection for a moment (Xvfb does under quick reconnects):
    // a named display is tried a few times before the game gives up on it.
    const int attempts = displayNamed && !driverChosen ? 6 : 1;
    for (int attempt = 0; attempt < attempts; attempt++)
    {
        if (attempt > 0) SDL_Delay(10u << attempt);
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        {
            snprintf(err, errSize, "%s", SDL_GetError());
            return 0;
        }
        if (driverChosen || !OnFallbackDriver())
        {
            gVideoUp = 1;
            return 1;
        }
        SDL_Quit();
    }
    if (displayNamed)
        snprintf(err, errSize, "no display: \"%s\" cannot be opened; set DISPLAY or run under xvfb-run",
                 x11 && *x11 ? x11 : wayland);
    else
        snprintf(err, errSize, "%s", kPltNoDisplayText);
    return 0;
}

void PLT_QuitVideo()
{
    if (!gVideoUp) return;
    PLT_DestroyWindow();
    SDL_Quit();
    gVideoUp = 0;
}

int PLT_DesktopSize(int* width, int* height)
{
    SDL_DisplayMode mode;
    if (!gVideoUp || SDL_GetDesktopDisplayMode(0, &mode) != 0)
    {
        *width = *height = 0;
        return 0;
    }
    *width = mode.w;
    *height = mode.h;
    return 1;
}

int PLT_CreateWindow(const char* title, int width, int height, int bits, int fullscreen, char* err,
                     int errSize)
{
    int channel = bits >= 24 ? 8 : 5;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // OpenGL 1.1 fixed function: a compatibility context.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    flags |= fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_RESIZABLE;
    gWindow = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
    if (!gWindow)
    {
        snprintf(err, errSize, "Window Creation Error. (%s)", SDL_GetError());
        gWindowFailure = kPltWindowNotCreated;
        return 0;
    }
    gContext = SDL_GL_CreateContext(gWindow);
    if (!gContext)
    {
        snprintf(err, errSize, "Can't Create A GL Rendering Context. (%s)", SDL_GetError());
        gWindowFailure = kPltContextNotCreated;
        PLT_DestroyWindow();
        return 0;
    }
    if (SDL_GL_MakeCurrent(gWindow, gContext) != 0)
    {
        snprintf(err, errSize, "Can't Activate The GL Rendering Context. (%s)", SDL_GetError());
        gWindowFailure = kPltContextNotActivated;
        PLT_DestroyWindow();
        return 0;
    }
    gWindowFailure = kPltWindowOpened;
    // Typed text arrives with what the keyboard layout makes of the keys (the console's editor).
    SDL_StartTextInput();
    gCursorX = width / 2;
    gCursorY = height / 2;
    return 1;
}

int PLT_WindowFailure()
{
    return gWindowFailure;
}

int PLT_WindowHasContext()
{
    return gWindow && gContext;
}

void PLT_DestroyWindow()
{
    if (gRelative)
    {
        SDL_SetRelativeMouseMode(SDL_FALSE);
        gRelative = 0;
    }
    if (gContext)
    {
        SDL_GL_MakeCurrent(gWindow, nullptr);
        SDL_GL_DeleteContext(gContext);
        gContext = nullptr;
    }
    if (gWindow)
    {
        SDL_DestroyWindow(gWindow);
        gWindow = nullptr;
    }
}

static void GrabBackBuffer()
{
    int w = 0, h = 0;
    PLT_WindowSize(&w, &h);
    if (w <= 0 || h <= 0) return;
    gLastFrame.resize((size_t)w * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, gLastFrame.data());
    gLastFrameW = w;
    gLastFrameH = h;
}

void PLT_SwapBuffers()
{
    if (!gWindow) return;
    if (gCaptureFrames) GrabBackBuffer();
    SDL_GL_SwapWindow(gWindow);
}

int PLT_SetVSync(int on)
{
    return gContext && SDL_GL_SetSwapInterval(on ? 1 : 0) == 0 ? 1 : 0;
}

void PLT_WindowSize(int* width, int* height)
{
    *width = *height = 0;
    if (gWindow) SDL_GL_GetDrawableSize(gWindow, width, height);
}

void PLT_WindowCursorArea(int* width, int* height)
{
    *width = *height = 0;
    if (gWindow) SDL_GetWindowSize(gWindow, width, height);
}

void PLT_Delay(int ms)
{
    if (ms > 0) SDL_Delay((Uint32)ms);
}

void PLT_RaiseWindow()
{
    if (gWindow)
    {
        SDL_ShowWindow(gWindow);
        SDL_RaiseWindow(gWindow);
    }
}

void PLT_DisableScreenSaver()
{
    SDL_DisableScreenSaver();
}

int PLT_PollEvent(PLT_Event* event)
{
    SDL_Event e;
    event->kind = kPltEventNone;
    event->a = event->b = event->c = event->d = 0;
    if (!gVideoUp || !SDL_PollEvent(&e)) return 0;
    event->kind = kPltEventOther;
    switch (e.type)
    {
    case SDL_QUIT:
        event->kind = kPltEventQuit;
        break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
        {
            event->kind = kPltEventResize;
            PLT_WindowSize(&event->a, &event->b);
            event->c = e.window.data1;
            event->d = e.window.data2;
        }
        else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED || e.window.event == SDL_WINDOWEVENT_RESTORED)
        {
            event->kind = kPltEventFocus;
            event->a = 1;
        }
        else if (e.window.event == SDL_WINDOWEVENT_MINIMIZED)
        {
            event->kind = kPltEventFocus;
            event->a = 0;
        }
        else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
        {
            // Keys released while another window has the focus would stay down for ever.
            PLT_ResetKeys();
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    {
        const int vk = PLT_VirtualKeyFromSDL(e.key.keysym.scancode, e.key.keysym.sym);
        if (!e.key.repeat)
            PLT_KeyEvent(vk, e.type == SDL_KEYDOWN, PLT_KeySourceFromSDL(e.key.keysym.scancode));
        if (e.type == SDL_KEYDOWN) PLT_TypedKey(vk);
        break;
    }
    case SDL_TEXTINPUT:
        // Characters beyond ASCII are not typed: the font has no glyphs for them.
        for (const char* c = e.text.text; *c; c++)
            PLT_TypedChar((unsigned char)*c);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        PLT_KeyEvent(PLT_VirtualKeyFromMouseButton(e.button.button), e.type == SDL_MOUSEBUTTONDOWN);
        break;
    case SDL_MOUSEMOTION:
        if (gRelative)
        {
            // Not held to the window: a fast move past an edge still turns the view by all of it
            // (the mouse view re-centres the cursor near the edges).
            gCursorX += e.motion.xrel;
            gCursorY += e.motion.yrel;
        }
        else
        {
            gCursorX = e.motion.x;
            gCursorY = e.motion.y;
        }
        break;
    default:
        break;
    }
    return 1;
}

void PLT_GetCursor(int* x, int* y)
{
    *x = gCursorX;
    *y = gCursorY;
}

void PLT_WarpCursor(int x, int y)
{
    gCursorX = x;
    gCursorY = y;
    if (gWindow && !gRelative) SDL_WarpMouseInWindow(gWindow, x, y);
}

// Keeps the cursor inside the window, for a real pointer to be put there.
static void ClampCursorToWindow()
{
    int w = 0, h = 0;
    if (gWindow) SDL_GetWindowSize(gWindow, &w, &h);
    if (gCursorX < 0) gCursorX = 0;
    if (gCursorY < 0) gCursorY = 0;
    if (w > 0 && gCursorX >= w) gCursorX = w - 1;
    if (h > 0 && gCursorY >= h) gCursorY = h - 1;
}

int PLT_CursorIsVirtual()
{
    return gRelative;
}

int PLT_SetFullScreen(int on, int width, int height)
{
    if (!gWindow) return 0;
    if (SDL_SetWindowFullscreen(gWindow, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return 0;
    if (!on && width > 0 && height > 0) SDL_SetWindowSize(gWindow, width, height);
    return 1;
}

int PLT_SetWindowSize(int width, int height, int drawW, int drawH)
{
    if (!gWindow) return 0;
    SDL_SetWindowSize(gWindow, width, height);
    // The window system applies the size when it gets to it; the drawable follows.
    for (int wait = 0; wait < 100; wait++)
    {
        int w = 0, h = 0;
        SDL_PumpEvents();
        SDL_GL_GetDrawableSize(gWindow, &w, &h);
        if (w == drawW && h == drawH) return 1;
        SDL_Delay(10);
    }
    return 0;
}

void PLT_ShowCursor(int show)
{
    if (!gVideoUp) return;
    if (show) ClampCursorToWindow();
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
    // A hidden cursor means the mouse view holds the pointer: relative mode keeps the motion
    // coming on desktops where warping the real pointer is not allowed.
    if (gWindow && (show ? gRelative : !gRelative))
    {
        gRelative = SDL_SetRelativeMouseMode(show ? SDL_FALSE : SDL_TRUE) == 0 ? !show : 0;
        if (show) SDL_WarpMouseInWindow(gWindow, gCursorX, gCursorY);
    }
}

int PLT_MessageBox(const char* caption, const char* text, int buttons, int icon)
{
    if (!gVideoUp) return -1;
    if (icon == kPltIconDefault) icon = buttons == 0 ? kPltIconStop : kPltIconExclamation;
    const Uint32 kind = icon == kPltIconInformation   ? SDL_MESSAGEBOX_INFORMATION
                        : icon == kPltIconExclamation ? SDL_MESSAGEBOX_WARNING
                                                      : SDL_MESSAGEBOX_ERROR;
    if (buttons == 0)
    {
        if (SDL_ShowSimpleMessageBox(kind, caption, text, gWindow) != 0) return -1;
        return 0;
    }
    const SDL_MessageBoxButtonData choices[] = {
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
    };
    SDL_MessageBoxData data;
    memset(&data, 0, sizeof data);
    data.flags = kind;
    data.window = gWindow;
    data.title = caption;
    data.message = text;
    data.numbuttons = 2;
    data.buttons = choices;
    int hit = -1;
    if (SDL_ShowMessageBox(&data, &hit) != 0) return -1;
    return hit == 1 ? 1 : 0;
}

uint64_t PLT_ReadCounter()
{
    return SDL_GetPerformanceCounter();
}

uint64_t PLT_CounterFrequency()
{
    return SDL_GetPerformanceFrequency();
}

void PLT_CaptureFrames(int on)
{
    gCaptureFrames = on;
}

int PLT_SaveScreenshot(const char* path)
{
    if (gLastFrame.empty() && gWindow) GrabBackBuffer();
    if (gLastFrame.empty()) return 0;
    return PLT_WriteScreenshotPixels(path, gLastFrame.data(), gLastFrameW, gLastFrameH);
}

int PLT_WriteScreenshotPixels(const char* path, const unsigned char* rgb, int width, int height)
{
    if (!rgb || width <= 0 || height <= 0) return 0;
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGB;
    // GL rows run bottom first: a negative stride writes them top first.
    const png_int_32 stride = -(png_int_32)(width * 3);
    // Through the crash-safe replacement: a run that dies while writing leaves the old picture.
    safeWrite w;
    if (!BeginSafeWrite(&w, path)) return 0;
    int ok = png_image_write_to_stdio(&image, w.file, 0, rgb, stride, nullptr) ? 1 : 0;
    return EndSafeWrite(&w, ok);
}
