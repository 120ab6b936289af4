// Texture loading: PNG decoding of every colour type, the mipmapped upload, the BMP fall-back,
// the texture list, the line readers, and animated textures.
#include "test_util.h"

#include "core/content_memory.h"
#include "core/output.h"
#include "resources/animated_textures.h"
#include "resources/paths.h"
#include "resources/png_image.h"
#include "resources/textures.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <tuple>

using Bytes = std::vector<unsigned char>;

static bool WritePixel(const std::string& path, unsigned char red)
{
    return WriteTestPng(path, 1, 1, PNG_COLOR_TYPE_RGB, 8, {red, 0, 31});
}

// RGBA pixels of texture name.
static Bytes ReadTexture(GLuint name)
{
    glBindTexture(GL_TEXTURE_2D, name);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    Bytes rgba(size_t(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!rgba.empty()) glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

TEST(PngDecodingAndLineReading, EveryColourTypeBecomesRgbOrRgbaAndLinesEndAtCrOrLfAndLongLinesAreCut)
{
    TempDir dir;
    Bytes pattern(8 * 8 * 3);
    std::generate(pattern.begin(), pattern.end(), [n = 0]() mutable { return (unsigned char)(n++ * 7); });
    const Bytes pal = {200, 0, 0, 0, 200, 0, 0, 0, 200};
    struct Case
    {
        int type, depth, width, height, channels;
        Bytes data, palette, trns, expected;
    } cases[] = {
        // clang-format off
        // 2-bit indices 2, 0, 1 packed into one byte.
        {PNG_COLOR_TYPE_PALETTE, 2, 3, 1, 3, {0x84}, pal, {}, {0, 0, 200, 200, 0, 0, 0, 200, 0}},
        // Entries past the end of the transparency chunk are opaque.
        {PNG_COLOR_TYPE_PALETTE, 8, 3, 1, 4, {0, 1, 2}, pal, {0, 128}, {200, 0, 0, 0, 0, 200, 0, 128, 0, 0, 200, 255}},
        {PNG_COLOR_TYPE_GRAY, 1, 4, 1, 3, {0xA0}, {}, {}, {255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0}},
        {PNG_COLOR_TYPE_GRAY_ALPHA, 8, 1, 1, 4, {90, 33}, {}, {}, {90, 90, 90, 33}},
        // 16-bit samples keep their high byte.
        {PNG_COLOR_TYPE_RGB, 16, 1, 1, 3, {0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x00}, {}, {}, {0x12, 0xAB, 0xFF}},
        // Written interlaced; plain 8-bit RGB and RGBA rows are the upload and animation tests'.
        {PNG_COLOR_TYPE_RGB, 8, 8, 8, 3, pattern, {}, {}, pattern},
        // clang-format on
    };
    for (const Case& c : cases)
    {
        std::string path = dir / (std::to_string(&c - cases) + ".png");
        ASSERT_TRUE(
            WriteTestPng(path, c.width, c.height, c.type, c.depth, c.data, c.palette, c.trns, c.width == 8));
        decodedImage image;
        char err[256];
        ASSERT_EQ(DecodePNGImage(path.c_str(), &image, err, sizeof err), 1) << path << ": " << err;
        EXPECT_EQ(image.width * 10000 + image.height * 10 + image.channels,
                  c.width * 10000 + c.height * 10 + c.channels)
            << path;
        EXPECT_EQ(image.pixels, c.expected) << path;
    }

    // CR LF is two line ends here; an over-long line's rest is dropped, not read as a line of its
    // own; a line of exactly the maximum length is whole.
    std::string text = "ab\r\n" + std::string(600, 'x') + "\n" + std::string(513, 'y') + "\ncd";
    FILE* file = fmemopen(&text[0], text.size(), "r");
    char line[kMaxLineLength + 1];
    for (const std::string& expected :
         {std::string("ab"), std::string(), std::string(513, 'x'), std::string(513, 'y')})
        EXPECT_TRUE(Read1Line(file, line) == 0 && line == expected) << expected.size();
    EXPECT_TRUE(Read1Line(file, line) == -1 && !strcmp(line, "cd"));
    fclose(file);

    // {result, text, cut}: a bounded read of "abcdef" keeps what fits and says it cut.
    char small[4];
    int cut = 0;
    char shortText[] = "abcdef\r\nxy\rz";
    file = fmemopen(shortText, strlen(shortText), "r");
    const std::tuple<int, const char*, int> reads[] = {{0, "abc", 1}, {0, "xy", 0}, {-1, "z", 0}};
    for (const auto& [result, text, wasCut] : reads)
    {
        EXPECT_EQ(ReadBoundedLine(file, small, sizeof small, 1, &cut), result);
        EXPECT_TRUE(strcmp(small, text) == 0 && cut == wasCut) << text;
    }
    fclose(file);
}

class GLTextures : public ::testing::Test
{
  protected:
    TempDir dir;
    ConsoleCapture console;
    void SetUp() override
    {
        ASSERT_TRUE(EnsureTestGL()) << "no GL context (run under xvfb-run)";
        snprintf(routePath, sizeof routePath, "%s/", dir.path.c_str());
    }
    void TearDown() override
    {
        FreeTextureList();
        routePath[0] = 0;
    }
};

TEST_F(GLTextures, UploadsKeepFileRowOrderAndFallBackToBmp)
{
    // A missing file: no texture and no message, but the loader still asks for the swapped V.
    gSwapTextureV = 0;
    GLuint name = 5;
    EXPECT_EQ(LoadTextureFile((dir / "guard1.png").c_str(), &name), 0);
    EXPECT_TRUE(name == 0 && gSwapTextureV == 1 && ConsoleCapture::Lines().empty());

    Bytes rgba(4 * 2 * 4);
    for (size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = (unsigned char)(i * 8 + 3);
    ASSERT_TRUE(WriteTestPng(dir / "a.png", 4, 2, PNG_COLOR_TYPE_RGBA, 8, rgba));
    ASSERT_EQ(LoadTextureWithLibPNG((dir / "a.png").c_str(), &name), 1);
    // The file's first row is the texture's first row (t = 0). Without its mipmaps a texture
    // draws white under the game's filter, as the recorded sessions' pictures would show.
    EXPECT_EQ(ReadTexture(name), rgba);
    glDeleteTextures(1, &name);

    // (A file that opens but does not decode is the hostile files test's.) Rows of 2 RGB pixels:
    // each BMP row carries 2 bytes of padding, each GL row none. Rows of 4 fill whole 32-bit
    // words: no padding, and the file just long enough.
    Bytes rgb = {250, 0, 0, 0, 250, 0, 0, 0, 250, 40, 50, 60}, wide(4 * 2 * 3, 77);
    for (int w : {2, 4})
    {
        Bytes& in = w == 2 ? rgb : wide;
        Bytes expected;
        const std::string file = dir / (w == 2 ? "guard0.bmp" : "wide.bmp");
        SDL_Surface* bmp =
            SDL_CreateRGBSurfaceWithFormatFrom(in.data(), w, 2, 24, w * 3, SDL_PIXELFORMAT_RGB24);
        ASSERT_EQ(SDL_SaveBMP(bmp, file.c_str()), 0);
        SDL_FreeSurface(bmp);
        ASSERT_EQ(LoadTextureFile(file.c_str(), &name), 1);
        for (size_t i = 0; i < in.size(); i += 3)
            expected.insert(expected.end(), {in[i], in[i + 1], in[i + 2], 255});
        EXPECT_EQ(ReadTexture(name), expected) << w;
        glDeleteTextures(1, &name);
    }
    // A picture at the side limit is charged to the content memory like any other.
    const Bytes row(kMaxTextureSide * 3, 9);
    ASSERT_TRUE(WriteTestPng(dir / "limit.png", kMaxTextureSide, 1, PNG_COLOR_TYPE_RGB, 8, row));
    const long long before = ContentMemoryInUse();
    ASSERT_EQ(LoadTextureFile((dir / "limit.png").c_str(), &name), 1);
    EXPECT_EQ(ContentMemoryInUse() - before, TextureMemoryBytes(kMaxTextureSide, 1));
    ReleaseTexture(name);
    WriteTextFile(dir / "guard2.bmp", "BM but nothing else");
    EXPECT_EQ(LoadTextureFile((dir / "guard2.bmp").c_str(), &name), 0);
    EXPECT_TRUE(name == 0 && console.Has("guard2.bmp"));
}

// Red of the first pixel of the listed texture called name, or -1 for none or an empty one.
static int RedOf(std::string name)
{
    Bytes pixels = ReadTexture(GetTextureByName(&name[0]));
    return pixels.empty() ? -1 : pixels[0];
}

TEST_F(GLTextures, TextureListResolvesBareFileNamesAndListsOnePictureAsOneTexture)
{
    const char* files[] = {"walls/brick.png", "walls/stone.png", "other/brick.png"};
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(
            WriteTestPng(dir / files[i], 1, 1, PNG_COLOR_TYPE_RGB, 8, {(unsigned char)(11 * i + 11), 0, 0}));
    // CR LF line ends, ':' as a separator, a missing file, and a last line without a line end.
    WriteTextFile(dir / "tex", "walls:brick.png\r\nwalls/missing.png\r\nother/brick.png\r\nwalls/stone.png");
    LoadTextures((dir / "tex").c_str());
    std::vector<std::string> names;
    for (textureFile* t = baseTexture.next; t; t = t->next)
        names.push_back(t->fileName);
    ASSERT_EQ(names, (std::vector<std::string>{"brick.png", "brick.png", "stone.png"}));
    EXPECT_EQ(RedOf("brick.png") * 10 + RedOf("Brick.png"), 109); // the first of two equal names wins
    // The missing file is named with its list and line (CR LF is one line end).
    EXPECT_TRUE(ConsoleCapture::Lines().size() == 1 &&
                console.Has("tex, line 2: picture " + (dir / "walls/missing.png") + " not found"));

    // A new list replaces the old one; an empty line ends it.
    GLuint oldStone = texturePtr->glName;
    WriteTextFile(dir / "tex2", "walls/brick.png\n\nwalls/stone.png\n");
    LoadTextures((dir / "tex2").c_str());
    EXPECT_TRUE(!glIsTexture(oldStone) && baseTexture.next && !baseTexture.next->next);

    // An over-long line is skipped with a console line; an over-long file name is cut to 67.
    std::string longName(80, 'n');
    ASSERT_TRUE(WriteTestPng(dir / ("walls/" + longName), 1, 1, PNG_COLOR_TYPE_RGB, 8, {44, 0, 0}));
    WriteTextFile(dir / "tex3", "walls/" + std::string(700, 'x') + ".png\nwalls/" + longName + "\n");
    LoadTextures((dir / "tex3").c_str());
    EXPECT_TRUE(console.Has("line 1 is longer than 513") && console.Has("cut") &&
                RedOf(longName.substr(0, 67)) == 44);

    // One picture listed many times is one texture within the content memory.
    FreeTextureList();
    const long long before = ContentMemoryInUse();
    const long long small = TextureMemoryBytes(64, 64);
    ASSERT_TRUE(WriteTestPng(dir / "walls/a.png", 64, 64, PNG_COLOR_TYPE_RGB, 8, Bytes(64 * 64 * 3, 90)));
    ASSERT_TRUE(WriteTestPng(dir / "walls/b.png", 128, 128, PNG_COLOR_TYPE_RGB, 8, Bytes(128 * 128 * 3, 20)));
    std::string list;
    for (int i = 0; i < 20000; i++)
        list += i % 2 ? "walls/a.png\n" : "walls:a.png\n";
    ASSERT_TRUE(WriteTextFile(dir / "tex", list + "walls/b.png\n"));
    // Room for exactly the small picture (which fits to the byte): the large one is refused by
    // name, before it is decoded.
    gContentMemoryLimit = before + small;
    LoadTextures((dir / "tex").c_str());
    int entries = 0;
    GLuint a = baseTexture.next->glName;
    for (textureFile* t = baseTexture.next; t && t->next; t = t->next, entries++)
        ASSERT_EQ(t->glName, a);
    EXPECT_EQ(
        std::vector<long long>({entries, ContentMemoryInUse() - before, RedOf("a.png"), RedOf("b.png")}),
        std::vector<long long>({20000, small, 90, -1}));
    EXPECT_TRUE(console.Has("//Could not load " + dir / "walls/b.png" +
                            ": its texture needs 0.2 MB, over what is left of the content memory"));

    // A model's material naming the same picture shares the texture, and keeps it when the list
    // goes with its level.
    GLuint material = 0;
    ASSERT_EQ(LoadTextureFile((dir / "walls/a.png").c_str(), &material), 1);
    EXPECT_EQ(material, a);
    FreeTextureList();
    EXPECT_TRUE(glIsTexture(a) && ReadTexture(a)[0] == 90);
    ReleaseTexture(material);
    EXPECT_TRUE(!glIsTexture(a) && ContentMemoryInUse() == before);
    gContentMemoryLimit = kDefaultContentMemory;
}

TEST_F(GLTextures, AnimationFramesAreNumberedClampedTo32AndGetAlphaAndTheListLoadsOnlySlotsOneToSixteen)
{
    WriteTextFile(dir / "walk/info.txt", "40\r\n50\r\nwalk\r\n");
    for (int i = 1; i <= 40; ++i)
    {
        char name[32];
        snprintf(name, sizeof name, "walk/walk %02d.png", i);
        // Frame 3 is two pixels wide, so each pixel's alpha must land in its own place.
        bool ok = i == 5 ||
                  (i == 2   ? WriteTestPng(dir / name, 1, 1, PNG_COLOR_TYPE_RGBA, 8, {2, 0, 31, 7})
                   : i == 3 ? WriteTestPng(dir / name, 2, 1, PNG_COLOR_TYPE_RGB, 8, {18, 0, 31, 60, 90, 0})
                            : WritePixel(dir / name, (unsigned char)(i * 6)));
        ASSERT_TRUE(ok) << name;
    }
    // Files that a wrong numbering would pick up instead.
    ASSERT_TRUE(WritePixel(dir / "walk/walk 9.png", 1) && WritePixel(dir / "walk/walk 010.png", 1));
    animatedTexture anim = {};
    EXPECT_EQ(LoadAnimationFromFolder((dir / "walk").c_str(), &anim), 1);
    EXPECT_EQ(anim.frameCount * 10000 + anim.totalDuration, 322000); // 32 frames of 50 ms
    for (int i = 1; i <= 32; ++i)
    {
        Bytes expected = {(unsigned char)(i * 6), 0, 31, (unsigned char)((i * 6 + 31) / 3)};
        if (i == 2) expected = {2, 0, 31, 7}; // its own alpha is kept
        if (i == 3) expected = {18, 0, 31, 16, 60, 90, 0, 50};
        if (i == 5) expected.clear(); // missing: an empty texture, without a message
        ASSERT_NE(anim.frames[i - 1], 0u);
        EXPECT_EQ(ReadTexture(anim.frames[i - 1]), expected) << "frame " << i;
    }
    EXPECT_TRUE(ConsoleCapture::Lines().empty());
    glDeleteTextures(kMaxAnimationFrames, anim.frames);

    // Without an info file: one frame of 100 ms named by a space and 01.png. Counts and durations
    // the anim instruction could not divide by fall back to the same. The base name is the third
    // line whatever the second holds; a file of two lines whose second is no number has left out
    // the duration. {info file, frame file, count duration total, console lines}
    const char* noDuration = "no frame duration on line 2, using 100 ms";
    const char* cases[][5] = {{nullptr, " 01", "1 100 100", "", ""},
                              {"0\n-5\nb\n", "b 01", "1 100 100", "frame count 0", "frame duration -5"},
                              {"2\nwalk\n", "walk 02", "2 100 200", noDuration, ""},
                              {"2\n\nwalk\n", "walk 02", "2 100 200", noDuration, ""},
                              {"2\nslow\nrun", "run 02", "2 100 200", noDuration, ""}};
    for (const auto& c : cases)
    {
        TempDir folder;
        if (c[0]) WriteTextFile(folder / "info.txt", c[0]);
        ASSERT_TRUE(WritePixel(folder / (std::string(c[1]) + ".png"), 240));
        anim = animatedTexture{};
        ConsoleCapture::Lines().clear();
        EXPECT_EQ(LoadAnimationFromFolder(folder.path.c_str(), &anim), 1);
        EXPECT_EQ(std::to_string(anim.frameCount) + " " + std::to_string(anim.frameDuration) + " " +
                      std::to_string(anim.totalDuration),
                  c[2])
            << c[1];
        EXPECT_EQ(ReadTexture(anim.frames[c[2][0] - '1']), Bytes({240, 0, 31, 90})) << c[1];
        EXPECT_EQ(anim.frames[c[2][0] - '0'], 0u) << c[1];
        EXPECT_TRUE((!c[3][0] || console.Has(c[3])) && (!c[4][0] || console.Has(c[4]))) << c[1];
        glDeleteTextures(2, anim.frames);
    }

    WriteTextFile(dir / "fx/fire/info.txt", "3\n40\nfire\n");
    WriteTextFile(dir / "fx/glow/info.txt", "2\n70\nglow\n");
    for (std::string frame : {"fire/fire 01", "fire/fire 02", "fire/fire 03", "glow/glow 01", "glow/glow 02"})
        ASSERT_TRUE(WritePixel(dir / ("fx/" + frame + ".png"), (unsigned char)((frame[11] - '0') * 50)));
    WriteTextFile(dir / "Animations/winlist.txt",
                  "0 \"fx/fire\",\"unused\"\r\n\r\n17 \"fx/fire\",\"unused\"\r\n"
                  "3 \"fx:fire\",\"unused\"\r\nno number here\r\n"
                  "16 \"fx/glow\",\"unused\"");
    // Never-loaded slots are safe to pick a frame from: (time / duration) mod count.
    EXPECT_TRUE(gTextureAnimations[0].frameCount == 1 && gTextureAnimations[0].frameDuration == 100);
    animatedTexture before[kAnimationSlots];
    memcpy(before, gTextureAnimations, sizeof before);

    LoadAnimationFiles((dir / "Animations/winlist.txt").c_str());
    EXPECT_TRUE(console.Has("slot 0") && console.Has("slot 17") && console.Has("line 5"));
    animatedTexture &fire = gTextureAnimations[2], &glow = gTextureAnimations[15];
    EXPECT_EQ(std::vector<int>({fire.frameCount, fire.totalDuration, ReadTexture(fire.frames[2])[0],
                                glow.frameCount, glow.frameDuration}),
              std::vector<int>({3, 120, 150, 2, 70}));
    for (int slot = 0; slot < kAnimationSlots; ++slot)
        EXPECT_TRUE(slot == 2 || slot == 15 ||
                    memcmp(&gTextureAnimations[slot], &before[slot], sizeof(animatedTexture)) == 0)
            << slot;
}
