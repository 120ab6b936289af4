// One hidden window with a GL context for the texture tests: texture objects need one.
#pragma once

#include <SDL.h>

// Makes the shared context current, creating it on first use. False without a display.
inline bool MakeTextureGLCurrent()
{
    static SDL_Window* window = nullptr;
    static SDL_GLContext context = nullptr;
    if (!context && SDL_Init(SDL_INIT_VIDEO) == 0)
    {
        window = SDL_CreateWindow("texture tests", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window) context = SDL_GL_CreateContext(window);
    }
    return context && SDL_GL_MakeCurrent(window, context) == 0;
}
