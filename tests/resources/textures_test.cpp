// Texture loading: PNG decoding of every colour type, the mipmapped upload, the BMP fall-back,
// the texture list and the line and path helpers.
#include "texture_test_support.h"
#include "test_util.h"

#include "resources/paths.h"
#include "resources/png_image.h"
#include "resources/textures.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>

static std::vector<unsigned char> Bytes(std::initializer_list<int> values)
{
    std::vector<unsigned char> out;
    for (int v : values)
        out.push_back((unsigned char)v);
    return out;
}

static decodedImage Decode(const std::string& path)
{
    decodedImage image;
    char err[256];
    EXPECT_EQ(DecodePNGImage(path.c_str(), &image, err, sizeof err), 1) << path << ": " << err;
    return image;
}

TEST(PngDecoding, EveryColourTypeBecomesRgbOrRgbaInFileRowOrder)
{
    TempDir dir;
    std::vector<unsigned char> rgb = Bytes({10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120});
    ASSERT_TRUE(WriteTestPng(dir / "rgb.png", 2, 2, PNG_COLOR_TYPE_RGB, 8, rgb));
    decodedImage image = Decode(dir / "rgb.png");
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(image.pixels, rgb);

    std::vector<unsigned char> rgba = Bytes({1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(WriteTestPng(dir / "rgba.png", 1, 2, PNG_COLOR_TYPE_RGBA, 8, rgba));
    image = Decode(dir / "rgba.png");
    EXPECT_EQ(image.channels, 4);
    EXPECT_EQ(image.pixels, rgba);

    // 2-bit indices 2, 0, 1 packed into one byte: 10 00 01 00.
    std::vector<unsigned char> palette = Bytes({200, 0, 0, 0, 200, 0, 0, 0, 200});
    ASSERT_TRUE(WriteTestPng(dir / "pal.png", 3, 1, PNG_COLOR_TYPE_PALETTE, 2, Bytes({0x84}), palette));
    image = Decode(dir / "pal.png");
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(image.pixels, Bytes({0, 0, 200, 200, 0, 0, 0, 200, 0}));

    // Entries past the end of the transparency chunk are opaque.
    ASSERT_TRUE(WriteTestPng(dir / "palt.png", 3, 1, PNG_COLOR_TYPE_PALETTE, 8, Bytes({0, 1, 2}), palette,
                             Bytes({0, 128})));
    image = Decode(dir / "palt.png");
    EXPECT_EQ(image.channels, 4);
    EXPECT_EQ(image.pixels, Bytes({200, 0, 0, 0, 0, 200, 0, 128, 0, 0, 200, 255}));

    ASSERT_TRUE(WriteTestPng(dir / "grey.png", 2, 1, PNG_COLOR_TYPE_GRAY, 8, Bytes({5, 250})));
    image = Decode(dir / "grey.png");
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(image.pixels, Bytes({5, 5, 5, 250, 250, 250}));

    ASSERT_TRUE(WriteTestPng(dir / "grey1.png", 4, 1, PNG_COLOR_TYPE_GRAY, 1, Bytes({0xA0})));
    image = Decode(dir / "grey1.png");
    EXPECT_EQ(image.pixels, Bytes({255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0}));

    ASSERT_TRUE(WriteTestPng(dir / "greya.png", 1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, Bytes({90, 33})));
    image = Decode(dir / "greya.png");
    EXPECT_EQ(image.channels, 4);
    EXPECT_EQ(image.pixels, Bytes({90, 90, 90, 33}));

    // 16-bit samples keep their high byte.
    ASSERT_TRUE(WriteTestPng(dir / "rgb16.png", 1, 1, PNG_COLOR_TYPE_RGB, 16,
                             Bytes({0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x00})));
    image = Decode(dir / "rgb16.png");
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(image.pixels, Bytes({0x12, 0xAB, 0xFF}));

    std::vector<unsigned char> pattern(8 * 8 * 3);
    for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = (unsigned char)(i * 7);
    ASSERT_TRUE(WriteTestPng(dir / "adam7.png", 8, 8, PNG_COLOR_TYPE_RGB, 8, pattern, {}, {}, true));
    image = Decode(dir / "adam7.png");
    EXPECT_EQ(image.pixels, pattern);
}

// A PNG whose IHDR claims another width, with a valid chunk CRC so only the size check stops it.
static void PatchPngWidth(const std::string& path, unsigned width)
{
    std::string bytes = ReadTextFile(path);
    unsigned char* ihdr = (unsigned char*)&bytes[12]; // "IHDR" then 13 data bytes, then the CRC
    ihdr[4] = (unsigned char)(width >> 24);
    ihdr[5] = (unsigned char)(width >> 16);
    ihdr[6] = (unsigned char)(width >> 8);
    ihdr[7] = (unsigned char)width;
    unsigned long crc = crc32(0, ihdr, 17);
    for (int i = 0; i < 4; ++i)
        ihdr[17 + i] = (unsigned char)(crc >> (24 - 8 * i));
    WriteTextFile(path, bytes);
}

TEST(PngDecoding, DamagedFilesAreRefusedWithAReason)
{
    TempDir dir;
    decodedImage image;
    char err[256];
    EXPECT_EQ(DecodePNGImage((dir / "none.png").c_str(), &image, err, sizeof err), 0);

    WriteTextFile(dir / "text.png", "this is no picture");
    EXPECT_EQ(DecodePNGImage((dir / "text.png").c_str(), &image, err, sizeof err), 0);
    EXPECT_STRNE(err, "");

    std::vector<unsigned char> noise(64 * 64 * 3);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = (unsigned char)(i * 2654435761u >> 13);
    ASSERT_TRUE(WriteTestPng(dir / "cut.png", 64, 64, PNG_COLOR_TYPE_RGB, 8, noise));
    std::string whole = ReadTextFile(dir / "cut.png");
    WriteTextFile(dir / "cut.png", whole.substr(0, whole.size() / 2));
    EXPECT_EQ(DecodePNGImage((dir / "cut.png").c_str(), &image, err, sizeof err), 0);
    EXPECT_TRUE(image.pixels.empty());

    ASSERT_TRUE(WriteTestPng(dir / "wide.png", 1, 1, PNG_COLOR_TYPE_RGB, 8, Bytes({1, 2, 3})));
    PatchPngWidth(dir / "wide.png", 2000000);
    EXPECT_EQ(DecodePNGImage((dir / "wide.png").c_str(), &image, err, sizeof err), 0);
}

class GLTextures : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(EnsureGLContext()) << "no GL context (run under xvfb-run)";
        CaptureConsole();
        routePath[0] = 0;
    }
    void TearDown() override
    {
        FreeTextureList();
        routePath[0] = 0;
    }
};

TEST_F(GLTextures, PngUploadKeepsFileRowOrderAndBuildsEveryMipmapLevel)
{
    TempDir dir;
    std::vector<unsigned char> rgba(4 * 2 * 4);
    for (size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = (unsigned char)(i * 8 + 3);
    ASSERT_TRUE(WriteTestPng(dir / "a.png", 4, 2, PNG_COLOR_TYPE_RGBA, 8, rgba));

    gSwapTextureV = 0;
    GLuint name = 0;
    ASSERT_EQ(LoadTextureWithLibPNG((dir / "a.png").c_str(), &name), 1);
    EXPECT_EQ(gSwapTextureV, 1);
    ASSERT_NE(name, 0u);
    int w, h;
    std::vector<unsigned char> pixels;
    ReadTexture(name, 0, &w, &h, &pixels);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(pixels, rgba); // the file's first row is the texture's first row (t = 0)
    ReadTexture(name, 1, &w, &h, nullptr);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 1);
    ReadTexture(name, 2, &w, &h, nullptr);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    GLint minFilter = 0, magFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
    glDeleteTextures(1, &name);

    // RGB rows of 6 bytes: a packing mistake would shift the second row.
    std::vector<unsigned char> rgb = Bytes({255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 99, 199});
    ASSERT_TRUE(WriteTestPng(dir / "b.png", 2, 2, PNG_COLOR_TYPE_RGB, 8, rgb));
    ASSERT_EQ(LoadTextureWithLibPNG((dir / "b.png").c_str(), &name), 1);
    ReadTexture(name, 0, &w, &h, &pixels);
    EXPECT_EQ(pixels, Bytes({255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 9, 99, 199, 255}));
    glDeleteTextures(1, &name);

    gSwapTextureV = 0;
    name = 0;
    EXPECT_EQ(LoadTextureWithLibPNG((dir / "missing.png").c_str(), &name), 0);
    EXPECT_EQ(gSwapTextureV, 1);
    EXPECT_EQ(name, 0u);
    EXPECT_TRUE(ConsoleLines().empty());

    // A file that opens but is no PNG: a console line, an empty texture, and success as far as
    // the texture list is concerned.
    WriteTextFile(dir / "bad.png", "\x89PNG\r\n\x1a\n garbage after a good signature");
    ASSERT_EQ(LoadTextureWithLibPNG((dir / "bad.png").c_str(), &name), 1);
    EXPECT_TRUE(ConsoleHasLine(dir / "bad.png"));
    EXPECT_TRUE(glIsTexture(name));
    ReadTexture(name, 0, &w, &h, nullptr);
    EXPECT_EQ(w, 0);
    glDeleteTextures(1, &name);
}

TEST_F(GLTextures, MaterialTextureFileReadsPngOrBmpAndRefusesTheRest)
{
    TempDir dir;
    // 2 pixels of 3 bytes: each BMP row carries 2 bytes of padding.
    std::vector<unsigned char> rgb = Bytes({250, 0, 0, 0, 250, 0, 0, 0, 250, 40, 50, 60});
    ASSERT_TRUE(WriteTestBmp(dir / "guard0.bmp", 2, 2, rgb));
    GLuint id = 77;
    ASSERT_EQ(LoadTextureFile((dir / "guard0.bmp").c_str(), &id), 1);
    ASSERT_NE(id, 0u);
    int w, h;
    std::vector<unsigned char> pixels;
    ReadTexture(id, 0, &w, &h, &pixels);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(pixels, Bytes({250, 0, 0, 255, 0, 250, 0, 255, 0, 0, 250, 255, 40, 50, 60, 255}));
    glDeleteTextures(1, &id);

    // Told apart by content: a PNG saved under a .bmp name still loads.
    ASSERT_TRUE(WriteTestPng(dir / "odd.bmp", 1, 1, PNG_COLOR_TYPE_RGB, 8, Bytes({7, 8, 9})));
    ASSERT_EQ(LoadTextureFile((dir / "odd.bmp").c_str(), &id), 1);
    ReadTexture(id, 0, &w, &h, &pixels);
    EXPECT_EQ(pixels, Bytes({7, 8, 9, 255}));
    glDeleteTextures(1, &id);

    gSwapTextureV = 0;
    id = 5;
    EXPECT_EQ(LoadTextureFile((dir / "guard1.png").c_str(), &id), 0);
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(gSwapTextureV, 1);
    EXPECT_TRUE(ConsoleLines().empty());

    WriteTextFile(dir / "guard2.bmp", "BM but nothing else");
    EXPECT_EQ(LoadTextureFile((dir / "guard2.bmp").c_str(), &id), 0);
    EXPECT_EQ(id, 0u);
    EXPECT_TRUE(ConsoleHasLine("guard2.bmp"));
}

// Red of the first pixel, or -1 for an empty texture.
static int RedOf(GLuint name)
{
    int w, h;
    std::vector<unsigned char> pixels;
    ReadTexture(name, 0, &w, &h, &pixels);
    return pixels.empty() ? -1 : pixels[0];
}

TEST_F(GLTextures, TextureListResolvesBareFileNames)
{
    TempDir dir;
    snprintf(routePath, sizeof routePath, "%s/", dir.path.c_str());
    ASSERT_TRUE(WriteTestPng(dir / "walls/brick.png", 1, 1, PNG_COLOR_TYPE_RGB, 8, Bytes({11, 0, 0})));
    ASSERT_TRUE(WriteTestPng(dir / "walls/stone.png", 1, 1, PNG_COLOR_TYPE_RGB, 8, Bytes({22, 0, 0})));
    ASSERT_TRUE(WriteTestPng(dir / "other/brick.png", 1, 1, PNG_COLOR_TYPE_RGB, 8, Bytes({33, 0, 0})));

    // CR LF line ends, a missing file, and a last line without a line end.
    WriteTextFile(dir / "tex", "walls:brick.png\r\nwalls/missing.png\r\nother/brick.png\r\nwalls/stone.png");
    LoadTextures((dir / "tex").c_str());
    std::vector<std::string> names;
    for (textureFile* t = baseTexture.next; t; t = t->next)
        names.push_back(t->fileName);
    ASSERT_EQ(names, (std::vector<std::string>{"brick.png", "brick.png", "stone.png"}));
    EXPECT_EQ(texturePtr, baseTexture.next->next->next);

    char brick[] = "brick.png";
    GLuint brickName = GetTextureByName(brick);
    EXPECT_EQ(brickName, baseTexture.next->glName); // the first of two equal names wins
    EXPECT_EQ(RedOf(brickName), 11);
    char stone[] = "stone.png";
    EXPECT_EQ(RedOf(GetTextureByName(stone)), 22);
    char withFolder[] = "walls:stone.png";
    EXPECT_EQ(GetTextureByName(withFolder), 0u);
    EXPECT_STREQ(withFolder, "walls/stone.png");
    char otherCase[] = "Brick.png";
    EXPECT_EQ(GetTextureByName(otherCase), 0u);
    EXPECT_EQ(texturePtr, baseTexture.next->next->next);
    EXPECT_TRUE(ConsoleLines().empty());

    // A new list replaces the old one; an empty line ends it.
    GLuint oldStone = baseTexture.next->next->next->glName;
    WriteTextFile(dir / "tex2", "walls/brick.png\n\nwalls/stone.png\n");
    LoadTextures((dir / "tex2").c_str());
    EXPECT_FALSE(glIsTexture(oldStone));
    ASSERT_NE(baseTexture.next, nullptr);
    EXPECT_EQ(baseTexture.next->next, nullptr);
    EXPECT_EQ(GetTextureByName(stone), 0u);

    // An over-long line is skipped with a console line; an over-long file name is cut to 67.
    std::string longName(80, 'n');
    ASSERT_TRUE(WriteTestPng(dir / ("walls/" + longName), 1, 1, PNG_COLOR_TYPE_RGB, 8, Bytes({44, 0, 0})));
    WriteTextFile(dir / "tex3", "walls/" + std::string(700, 'x') + ".png\nwalls/" + longName + "\n");
    LoadTextures((dir / "tex3").c_str());
    EXPECT_TRUE(ConsoleHasLine("line 1 is longer than 513"));
    EXPECT_TRUE(ConsoleHasLine("cut"));
    ASSERT_NE(baseTexture.next, nullptr);
    EXPECT_EQ(std::string(baseTexture.next->fileName), longName.substr(0, 67));
    std::string cutName = longName.substr(0, 67);
    EXPECT_EQ(RedOf(GetTextureByName(&cutName[0])), 44);

    GLuint last = baseTexture.next->glName;
    FreeTextureList();
    EXPECT_EQ(baseTexture.next, nullptr);
    EXPECT_EQ(texturePtr, &baseTexture);
    EXPECT_FALSE(glIsTexture(last));

    // A missing list loads nothing and says nothing.
    ClearConsoleLines();
    LoadTextures((dir / "no list").c_str());
    EXPECT_EQ(baseTexture.next, nullptr);
    EXPECT_TRUE(ConsoleLines().empty());
}

static FILE* TextStream(const std::string& text)
{
    FILE* file = tmpfile();
    fwrite(text.data(), 1, text.size(), file);
    rewind(file);
    return file;
}

TEST(LineReading, LinesEndAtCrOrLfAndLongLinesAreCut)
{
    char line[kMaxLineLength + 1];
    FILE* file = TextStream("ab\r\ncd");
    EXPECT_EQ(Read1Line(file, line), 0);
    EXPECT_STREQ(line, "ab");
    EXPECT_EQ(Read1Line(file, line), 0);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(Read1Line(file, line), -1);
    EXPECT_STREQ(line, "cd");
    fclose(file);

    // The rest of an over-long line is dropped, not read as a line of its own; a line of exactly
    // the maximum length is whole.
    file = TextStream(std::string(600, 'x') + "\n" + std::string(513, 'y') + "\nnext\n");
    EXPECT_EQ(Read1Line(file, line), 0);
    EXPECT_EQ(std::string(line), std::string(513, 'x'));
    EXPECT_EQ(Read1Line(file, line), 0);
    EXPECT_EQ(std::string(line), std::string(513, 'y'));
    EXPECT_EQ(Read1Line(file, line), 0);
    EXPECT_STREQ(line, "next");
    EXPECT_EQ(Read1Line(file, line), -1);
    EXPECT_STREQ(line, "");
    fclose(file);

    char small[4];
    int cut = 0;
    file = TextStream("abcdef\r\nxy\rz");
    EXPECT_EQ(ReadBoundedLine(file, small, sizeof small, 1, &cut), 0);
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(cut, 1);
    EXPECT_EQ(ReadBoundedLine(file, small, sizeof small, 1, &cut), 0);
    EXPECT_STREQ(small, "xy");
    EXPECT_EQ(cut, 0);
    EXPECT_EQ(ReadBoundedLine(file, small, sizeof small, 1, &cut), -1);
    EXPECT_STREQ(small, "z");
    fclose(file);

    char path[] = "Levels:one/tex:";
    FixPathString(path);
    EXPECT_STREQ(path, "Levels/one/tex/");
}
