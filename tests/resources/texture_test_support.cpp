// Hidden GL context, console capture and picture writers for the texture tests.
#include "texture_test_support.h"

#include "app/output.h"

#include <SDL.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

static SDL_Window* gTestWindow = nullptr;
static SDL_GLContext gTestContext = nullptr;

bool EnsureGLContext()
{
    if (gTestContext) return SDL_GL_MakeCurrent(gTestWindow, gTestContext) == 0;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
    gTestWindow = SDL_CreateWindow("texture tests", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!gTestWindow) return false;
    gTestContext = SDL_GL_CreateContext(gTestWindow);
    return gTestContext && SDL_GL_MakeCurrent(gTestWindow, gTestContext) == 0;
}

static std::vector<std::string> gLines;

static void CaptureLine(const char* text)
{
    gLines.push_back(text);
}

void CaptureConsole()
{
    toConsole = CaptureLine;
    gLines.clear();
}

void ClearConsoleLines()
{
    gLines.clear();
}

const std::vector<std::string>& ConsoleLines()
{
    return gLines;
}

bool ConsoleHasLine(const std::string& part)
{
    for (const std::string& line : gLines)
        if (line.rfind("//", 0) == 0 && line.find(part) != std::string::npos) return true;
    return false;
}

bool WriteTestPng(const std::string& path, int width, int height, int colorType, int bitDepth,
                  const std::vector<unsigned char>& data, const std::vector<unsigned char>& palette,
                  const std::vector<unsigned char>& trns, bool interlaced)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, bitDepth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> colors;
    for (size_t i = 0; i + 2 < palette.size(); i += 3)
        colors.push_back(png_color{palette[i], palette[i + 1], palette[i + 2]});
    if (!colors.empty()) png_set_PLTE(png, info, colors.data(), int(colors.size()));
    if (!trns.empty()) png_set_tRNS(png, info, trns.data(), int(trns.size()), nullptr);
    png_write_info(png, info);
    size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<png_bytep> rows(height);
    for (int y = 0; y < height; ++y)
        rows[y] = const_cast<unsigned char*>(data.data()) + rowBytes * y;
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(file) == 0;
}

static void Put16(std::vector<unsigned char>& out, unsigned v)
{
    out.push_back(v & 255);
    out.push_back((v >> 8) & 255);
}

static void Put32(std::vector<unsigned char>& out, unsigned v)
{
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

bool WriteTestBmp(const std::string& path, int width, int height,
                  const std::vector<unsigned char>& rgbTopFirst)
{
    int rowBytes = (width * 3 + 3) & ~3;
    std::vector<unsigned char> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + rowBytes * height);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, width);
    Put32(out, height); // positive: rows stored bottom first
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);
    Put32(out, rowBytes * height);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = height - 1; y >= 0; --y)
    {
        for (int x = 0; x < width; ++x)
        {
            const unsigned char* p = &rgbTopFirst[(size_t(y) * width + x) * 3];
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        for (int pad = width * 3; pad < rowBytes; ++pad)
            out.push_back(0);
    }
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = fwrite(out.data(), 1, out.size(), file) == out.size();
    return fclose(file) == 0 && ok;
}

void ReadTexture(GLuint name, int level, int* width, int* height, std::vector<unsigned char>* rgba)
{
    glBindTexture(GL_TEXTURE_2D, name);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
    *width = w;
    *height = h;
    if (!rgba) return;
    rgba->assign(size_t(w) * h * 4, 0);
    if (w > 0 && h > 0)
    {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, rgba->data());
    }
}
