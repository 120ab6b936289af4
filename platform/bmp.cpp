// BMP decoding on SDL_LoadBMP: converts whatever layout the file has into RGBA bytes.
#include "platform/bmp.h"

#include "core/content_files.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static unsigned long Read16(const unsigned char* p)
{
    return (unsigned long)p[0] | (unsigned long)p[1] << 8;
}

static unsigned long Read32(const unsigned char* p)
{
    return Read16(p) | Read16(p + 2) << 16;
}

// File header (14 bytes): "BM", file size, two reserved words, offset of the pixels. Then the
// picture header, whose first field is its own size: 12 for the old core header (16-bit width and
// height, planes, bit depth), 40 or more for the Windows headers (32-bit width and height, height
// negative for rows top first, planes, bit depth, compression). SDL allocates the whole surface
// from these fields before it reads a pixel, so they are checked here first.
int PLT_CheckBMPHeader(const unsigned char* bytes, long fileSize, int maxSide, char* err, int errSize)
{
    if (fileSize < 2 || bytes[0] != 'B' || bytes[1] != 'M')
    {
        snprintf(err, errSize, "is not a BMP file");
        return 0;
    }
    unsigned long headerSize = fileSize >= 18 ? Read32(bytes + 14) : 0;
    int core = headerSize == 12;
    if (fileSize < (core ? 26 : 34) || (!core && headerSize < 40))
    {
        snprintf(err, errSize, "the BMP header is cut short or of an unknown kind");
        return 0;
    }
    if (14 + (long long)headerSize > fileSize)
    {
        snprintf(err, errSize, "the BMP header claims %lu bytes, more than the file holds", headerSize);
        return 0;
    }
    long long width = core ? (long long)Read16(bytes + 18) : (long long)(int32_t)Read32(bytes + 18);
    long long height = core ? (long long)Read16(bytes + 20) : (long long)(int32_t)Read32(bytes + 22);
    if (height < 0) height = -height; // rows stored top first
    unsigned long depth = Read16(bytes + (core ? 24 : 28));
    unsigned long compression = core ? 0 : Read32(bytes + 30);
    if (width < 1 || height < 1 || width > maxSide || height > maxSide)
    {
        snprintf(err, errSize, "picture size %lldx%lld is outside 1 to %d", width, height, maxSide);
        return 0;
    }
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
    {
        snprintf(err, errSize, "bit depth %lu is not a BMP bit depth", depth);
        return 0;
    }
    // 0: plain rows, 1 and 2: run-length coded 8 and 4 bits, 3 and 6: rows with colour masks.
    int runLength = compression == 1 || compression == 2;
    int supported = compression == 0 || (compression == 1 && depth == 8) ||
                    (compression == 2 && depth == 4) ||
                    ((compression == 3 || compression == 6) && (depth == 16 || depth == 32));
    if (!supported)
    {
        snprintf(err, errSize, "compression %lu with bit depth %lu is not supported", compression, depth);
        return 0;
    }
    unsigned long pixelOffset = Read32(bytes + 10);
    long long data = (long long)fileSize - (long long)pixelOffset;
    long long rowBytes = (width * depth + 31) / 32 * 4;
    // The last row may come without its padding; a run of up to 255 pixels takes two bytes.
    long long needed =
        runLength ? (width * height + 127) / 128 : rowBytes * (height - 1) + (width * depth + 7) / 8;
    if (data < needed)
    {
        snprintf(err, errSize, "the file is too short for a %lldx%lld picture", width, height);
        return 0;
    }
    return 1;
}

int PLT_DecodeBMP(const char* path, int maxSide, unsigned char** rgba, int* width, int* height, int* hasAlpha,
                  char* err, int errSize)
{
    *rgba = nullptr;
    *width = *height = 0;
    *hasAlpha = 0;
    // SDL decodes from the file opened here, so what was checked is what is decoded.
    FILE* file = OpenContentFile(path, kContentPicture);
    if (!file)
    {
        snprintf(err, errSize, "cannot be opened");
        return 0;
    }
    unsigned char header[34] = {0};
    size_t got = fread(header, 1, sizeof header, file);
    long fileSize = fseek(file, 0, SEEK_END) == 0 ? ftell(file) : -1;
    if (fileSize < (long)got) fileSize = (long)got;
    if (!PLT_CheckBMPHeader(header, fileSize, maxSide, err, errSize) || fseek(file, 0, SEEK_SET) != 0)
    {
        fclose(file);
        return 0;
    }
    SDL_RWops* stream = SDL_RWFromFP(file, SDL_TRUE);
    if (!stream)
    {
        fclose(file);
        snprintf(err, errSize, "%s", SDL_GetError());
        return 0;
    }
    SDL_Surface* loaded = SDL_LoadBMP_RW(stream, 1);
    if (!loaded)
    {
        snprintf(err, errSize, "%s", SDL_GetError());
        return 0;
    }
    if (loaded->w <= 0 || loaded->h <= 0 || loaded->w > maxSide || loaded->h > maxSide)
    {
        snprintf(err, errSize, "picture size %dx%d is outside 1 to %d", loaded->w, loaded->h, maxSide);
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
