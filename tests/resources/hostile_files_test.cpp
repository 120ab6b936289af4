// Hostile picture files: each is refused by the reader it was made for, with a console line that
// says why, while the process's peak resident memory, as the kernel counts it, rises by little.
// Script-given paths that would leave the data folder, and the file test every loader shares.
#include "test_util.h"

#include "core/output.h"
#include "platform/bmp.h"
#include "resources/paths.h"
#include "resources/png_image.h"
#include "resources/textures.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace
{

const long kMostPeakRiseKB = 64 * 1024;

std::string Hostile(const std::string& name)
{
    return SourceDir() + "/tests/data/hostile/" + name;
}

std::string BigEndian(uint32_t v)
{
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string Chunk(const char* type, const std::string& data)
{
    std::string body = type + data;
    uLong crc = crc32(0, (const Bytef*)body.data(), uInt(body.size()));
    return BigEndian(uint32_t(data.size())) + body + BigEndian(uint32_t(crc));
}

// A PNG of side x side RGBA pixels whose data holds only its first rows, all black; padding
// bytes in a private ancillary chunk make the file long enough to pass the size check.
std::string ShortPng(uint32_t side, int rows, size_t padding)
{
    std::string raw(size_t(rows) * (1 + side * 4), '\0');
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::string packed(packedSize, '\0');
    compress((Bytef*)&packed[0], &packedSize, (const Bytef*)raw.data(), uLong(raw.size()));
    packed.resize(packedSize);
    std::string header = BigEndian(side) + BigEndian(side) + std::string("\x08\x06\0\0\0", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) +
           Chunk("pADd", std::string(padding, 'p')) + Chunk("IDAT", packed) + Chunk("IEND", "");
}

} // namespace

TEST(HostileFiles, EachIsRefusedByItsReaderWithLittleMemoryAndBmpHeadersAreCheckedBeforeSdlSeesThem)
{
    // The PNG reader makes its texture object before it decodes.
    ASSERT_TRUE(EnsureTestGL()) << "no GL context (run under xvfb-run)";
    ConsoleCapture console;
    TempDir dir;
    std::string headerOnly = ReadTextFile(Hostile("png-header-only-16384.png"));
    // The same header-only file one pixel too wide (its height within the limit), and at sides the
    // engine accepts: there only the file's size tells.
    for (uint32_t side : {8193u, 8192u, 4096u})
        ASSERT_TRUE(WriteTextFile(dir / ("header-only-" + std::to_string(side) + ".png"),
                                  headerOnly.substr(0, 8) +
                                      Chunk("IHDR", BigEndian(side) + BigEndian(side == 8193 ? 4096 : side) +
                                                        headerOnly.substr(24, 5)) +
                                      headerOnly.substr(33)));
    // Long enough for the size check, but its data stops after 4 of 8192 rows.
    ASSERT_TRUE(WriteTextFile(dir / "rows-missing.png", ShortPng(8192, 4, 300 * 1024)));

    struct Case
    {
        std::string path;
        bool bmpReader; // the material texture reader (PNG or BMP); else the texture list's
        std::string reason;
    } cases[] = {
        {Hostile("huge-bmp-header.bmp"), true,
         "the BMP header claims 7077888 bytes, more than the file holds"},
        {Hostile("short-bmp-large-surface.bmp"), true, "the BMP header claims 7077888 bytes"},
        {Hostile("png-header-only-16384.png"), false, "picture size 16384x16384 is over the 8192 limit"},
        {Hostile("png-huge-text-chunk.png"), false, "the file ends early"},
        {dir / "header-only-8193.png", false, "picture size 8193x4096 is over the 8192 limit"},
        {dir / "header-only-8192.png", false, "the file (69 bytes) is too short for a 8192x8192 picture"},
        {dir / "header-only-4096.png", true, "the file (69 bytes) is too short for a 4096x4096 picture"},
        {dir / "rows-missing.png", false, "Not enough image data"},
    };
    for (const Case& c : cases)
    {
        ConsoleCapture::Lines().clear();
        GLuint name = 77;
        int result = -1;
        long rise = PeakRiseKB(
            [&]
            {
                result = c.bmpReader ? LoadTextureFile(c.path.c_str(), &name)
                                     : LoadTextureWithLibPNG(c.path.c_str(), &name);
            });
        EXPECT_TRUE(rise >= 0 && rise < kMostPeakRiseKB) << c.path << " rose " << rise << " KB";
        EXPECT_TRUE(console.Has("//Could not load texture " + c.path + ": " + c.reason))
            << (ConsoleCapture::Lines().empty() ? "no console line" : ConsoleCapture::Lines().back());
        // The material stays plain colour (no texture object); the texture list keeps its entry
        // with an empty texture object.
        GLint width = -1;
        glBindTexture(GL_TEXTURE_2D, name);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        EXPECT_TRUE(c.bmpReader ? result == 0 && name == 0 : result == 1 && glIsTexture(name) && width == 0)
            << c.path << ": " << result << " " << name << " " << width;
        glDeleteTextures(1, &name);
    }

    // A 2x2 picture of 24 bits, rows of 8 bytes with padding, written by SDL itself.
    std::vector<unsigned char> rgb(2 * 2 * 3, 90);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(rgb.data(), 2, 2, 24, 6, SDL_PIXELFORMAT_RGB24);
    std::string path = dir / "small.bmp";
    ASSERT_EQ(SDL_SaveBMP(surface, path.c_str()), 0);
    SDL_FreeSurface(surface);
    const std::string good = ReadTextFile(path);
    ASSERT_GE(good.size(), 54u);
    auto put = [](std::string& b, int at, uint32_t v, int bytes = 4)
    {
        for (int i = 0; i < bytes; i++)
            b[at + i] = char(v >> (8 * i));
    };
    const uint32_t offset = uint32_t((unsigned char)good[10]) | uint32_t((unsigned char)good[11]) << 8;
    struct Change
    {
        const char* what;
        std::function<void(std::string&)> change;
        const char* reason; // null: accepted
    } changes[] = {
        {"8192 wide", [&](std::string& b) { put(b, 18, 8192), b += std::string(8192 * 6, '\0'); }, nullptr},
        {"8193 wide", [&](std::string& b) { put(b, 18, 8193), b += std::string(8193 * 6, '\0'); },
         "picture size 8193x2 is outside 1 to 8192"},
        {"8193 high, top first", [&](std::string& b) { put(b, 22, uint32_t(-8193)); }, "2x8193 is outside"},
        {"depth 1056", [&](std::string& b) { put(b, 28, 1056, 2); }, "bit depth 1056 is not a BMP bit depth"},
        {"run-length 24 bits", [&](std::string& b) { put(b, 30, 1); }, "compression 1 with bit depth 24"},
        {"bit fields, 24 bits", [&](std::string& b) { put(b, 30, 3); }, "compression 3 with bit depth 24"},
        {"unknown header", [&](std::string& b) { put(b, 14, 20); }, "unknown kind"},
        {"last row cut", [&](std::string& b) { b.resize(offset + 8 + 5); }, "too short for a 2x2"},
        {"last row unpadded", [&](std::string& b) { b.resize(offset + 8 + 6); }, nullptr},
        {"run-length, 8192 square in a few bytes",
         [&](std::string& b) { put(b, 28, 8, 2), put(b, 30, 1), put(b, 18, 8192), put(b, 22, 8192); },
         "too short for a 8192x8192"},
    };
    for (const Change& c : changes)
    {
        std::string bytes = good;
        c.change(bytes);
        char err[200] = "";
        int ok = PLT_CheckBMPHeader((const unsigned char*)bytes.data(), long(bytes.size()), kMaxTextureSide,
                                    err, sizeof err);
        EXPECT_EQ(ok, c.reason ? 0 : 1) << c.what << ": " << err;
        EXPECT_TRUE(!c.reason || strstr(err, c.reason)) << c.what << ": " << err;
    }
}

TEST(DataPaths, ScriptGivenPathsMustStayInsideTheDataFolderAndOnlyFilesExist)
{
    ConsoleCapture console;
    std::vector<std::string>& lines = ConsoleCapture::Lines();
    const std::pair<const char*, int> cases[] = {
        {"levels/one", 1}, {"Data:intro", 1},   {"a..b/c", 1},      {"..hidden", 1}, {"dir/...", 1},
        {"./level", 1},    {"/etc/passwd", 0},  {":etc", 0},        {"", 0},         {"..", 0},
        {"../outside", 0}, {"levels/../..", 0}, {"levels:..:x", 0}, {"a/../b", 0},   {"a/..", 0},
    };
    for (const auto& [name, allowed] : cases)
    {
        lines.clear();
        EXPECT_EQ(VXR_PathStaysInDataFolder(name, "level"), allowed) << name;
        ASSERT_EQ(lines.size(), allowed ? 0u : 1u) << name;
        EXPECT_TRUE(allowed ||
                    lines[0].rfind(std::string("//level: the path \"") + name + "\" is refused: ", 0) == 0)
            << lines[0];
    }
    // The file test every loader shares.
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir / "Models/box", "x"));
    EXPECT_EQ(VXR_FileExists((dir / "Models/box").c_str()), 1);
    EXPECT_EQ(VXR_FileExists((dir / "Models/ball").c_str()) + VXR_FileExists((dir / "Models").c_str()) +
                  VXR_FileExists(nullptr),
              0);
}
