// BMP decoding on SDL_LoadBMP: converts whatever layout the file has into RGBA bytes.
#include "platform/bmp.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Larger pictures are refused rather than risking a huge allocation from a damaged header.
static const int kMaxBMPSide = 16384;

int PLT_DecodeBMP(const char* path, unsigned char** rgba, int* width, int* height, int* hasAlpha, char* err,
                  int errSize)
{
    *rgba = nullptr;
    *width = *height = 0;
    *hasAlpha = 0;
    SDL_Surface* loaded = SDL_LoadBMP(path);
    if (!loaded)
    {
        snprintf(err, errSize, "%s", SDL_GetError());
        return 0;
    }
    if (loaded->w <= 0 || loaded->h <= 0 || loaded->w > kMaxBMPSide || loaded->h > kMaxBMPSide)
    {
        snprintf(err, errSize, "picture size %dx%d is not supported", loaded->w, loaded->h);
        SDL_FreeSurface(loaded);
        return 0;
    }
    int alpha = loaded->format->Amask != 0;
    // RGBA32 is R, G, B, A in byte order whatever the machine's endianness.
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    if (!converted)
    {
        snprintf(err, errSize, "%s", SDL_GetError());
        return 0;
    }
    size_t rowBytes = size_t(converted->w) * 4;
    unsigned char* out = (unsigned char*)malloc(rowBytes * size_t(converted->h));
    if (!out)
    {
        snprintf(err, errSize, "out of memory");
        SDL_FreeSurface(converted);
        return 0;
    }
    SDL_LockSurface(converted);
    for (int y = 0; y < converted->h; ++y)
        memcpy(out + rowBytes * y, (const unsigned char*)converted->pixels + size_t(converted->pitch) * y,
               rowBytes);
    SDL_UnlockSurface(converted);
    *rgba = out;
    *width = converted->w;
    *height = converted->h;
    *hasAlpha = alpha;
    SDL_FreeSurface(converted);
    return 1;
}

void PLT_FreeBMP(unsigned char* rgba)
{
    free(rgba);
}
