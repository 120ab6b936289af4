// The engine's text font: a hand-drawn 5 x 9 dot glyph for every printable ASCII character, the
// rasteriser that draws them into the font picture, and loading the font texture.
#include "resources/font.h"

#include "core/output.h"
#include "core/problems.h"
#include "resources/paths.h"
#include "resources/png_image.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

const char* const kFontPicturePath = "Data/font.png";

namespace
{

// Glyphs, rows top first and separated by blanks: '#' a dot, '.' none. Rows 0 to 6 stand on the
// baseline (capitals are 7 high, small letters 5), rows 7 and 8 are for descenders; missing rows
// are empty.
struct glyphArt
{
    char code;
    const char* rows;
};

const glyphArt kGlyphs[] = {
    {'!', "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#.."},
    {'"', ".#.#. .#.#. .#.#."},
    {'#', ".#.#. .#.#. ##### .#.#. ##### .#.#. .#.#."},
    {'$', "..#.. .#### #.#.. .###. ..#.# ####. ..#.."},
    {'%', "##... ##..# ...#. ..#.. .#... #..## ...##"},
    {'&', ".##.. #..#. #.#.. .#... #.#.# #..#. .##.#"},
    {'\'', "..#.. ..#.. .#..."},
    {'(', "...#. ..#.. .#... .#... .#... ..#.. ...#."},
    {')', ".#... ..#.. ...#. ...#. ...#. ..#.. .#..."},
    {'*', "..... ..#.. #.#.# .###. #.#.# ..#.."},
    {'+', "..... ..#.. ..#.. ##### ..#.. ..#.."},
    {',', "..... ..... ..... ..... ..... .##.. .##.. ..#.. .#..."},
    {'-', "..... ..... ..... #####"},
    {'.', "..... ..... ..... ..... ..... .##.. .##.."},
    {'/', "..... ....# ...#. ..#.. .#... #...."},
    {'0', ".###. #...# #..## #.#.# ##..# #...# .###."},
    {'1', "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'2', ".###. #...# ....# ...#. ..#.. .#... #####"},
    {'3', "##### ...#. ..#.. ...#. ....# #...# .###."},
    {'4', "...#. ..##. .#.#. #..#. ##### ...#. ...#."},
    {'5', "##### #.... ####. ....# ....# #...# .###."},
    {'6', "..##. .#... #.... ####. #...# #...# .###."},
    {'7', "##### ....# ...#. ..#.. .#... .#... .#..."},
    {'8', ".###. #...# #...# .###. #...# #...# .###."},
    {'9', ".###. #...# #...# .#### ....# ...#. .##.."},
    {':', "..... .##.. .##.. ..... .##.. .##.."},
    {';', "..... .##.. .##.. ..... .##.. .##.. ..#.. .#..."},
    {'<', "...#. ..#.. .#... #.... .#... ..#.. ...#."},
    {'=', "..... ..... ##### ..... #####"},
    {'>', ".#... ..#.. ...#. ....# ...#. ..#.. .#..."},
    {'?', ".###. #...# ....# ...#. ..#.. ..... ..#.."},
    {'@', ".###. #...# ....# .##.# #.#.# #.#.# .###."},
    {'A', ".###. #...# #...# ##### #...# #...# #...#"},
    {'B', "####. #...# #...# ####. #...# #...# ####."},
    {'C', ".###. #...# #.... #.... #.... #...# .###."},
    {'D', "###.. #..#. #...# #...# #...# #..#. ###.."},
    {'E', "##### #.... #.... ####. #.... #.... #####"},
    {'F', "##### #.... #.... ####. #.... #.... #...."},
    {'G', ".###. #...# #.... #.### #...# #...# .####"},
    {'H', "#...# #...# #...# ##### #...# #...# #...#"},
    {'I', ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'J', "..### ...#. ...#. ...#. ...#. #..#. .##.."},
    {'K', "#...# #..#. #.#.. ##... #.#.. #..#. #...#"},
    {'L', "#.... #.... #.... #.... #.... #.... #####"},
    {'M', "#...# ##.## #.#.# #.#.# #...# #...# #...#"},
    {'N', "#...# #...# ##..# #.#.# #..## #...# #...#"},
    {'O', ".###. #...# #...# #...# #...# #...# .###."},
    {'P', "####. #...# #...# ####. #.... #.... #...."},
    {'Q', ".###. #...# #...# #...# #.#.# #..#. .##.#"},
    {'R', "####. #...# #...# ####. #.#.. #..#. #...#"},
    {'S', ".#### #.... #.... .###. ....# ....# ####."},
    {'T', "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#.."},
    {'U', "#...# #...# #...# #...# #...# #...# .###."},
    {'V', "#...# #...# #...# #...# #...# .#.#. ..#.."},
    {'W', "#...# #...# #...# #.#.# #.#.# #.#.# .#.#."},
    {'X', "#...# #...# .#.#. ..#.. .#.#. #...# #...#"},
    {'Y', "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#.."},
    {'Z', "##### ....# ...#. ..#.. .#... #.... #####"},
    {'[', ".###. .#... .#... .#... .#... .#... .###."},
    {'\\', "..... #.... .#... ..#.. ...#. ....#"},
    {']', ".###. ...#. ...#. ...#. ...#. ...#. .###."},
    {'^', "..#.. .#.#. #...#"},
    {'_', "..... ..... ..... ..... ..... ..... ..... #####"},
    {'`', ".#... ..#.."},
    {'a', "..... ..... .###. ....# .#### #...# .####"},
    {'b', "#.... #.... #.##. ##..# #...# #...# ####."},
    {'c', "..... ..... .###. #.... #.... #...# .###."},
    {'d', "....# ....# .##.# #..## #...# #...# .####"},
    {'e', "..... ..... .###. #...# ##### #.... .###."},
    {'f', "..##. .#..# .#... ###.. .#... .#... .#..."},
    {'g', "..... ..... .#### #...# #...# #...# .#### ....# .###."},
    {'h', "#.... #.... #.##. ##..# #...# #...# #...#"},
    {'i', "..#.. ..... .##.. ..#.. ..#.. ..#.. .###."},
    {'j', "...#. ..... ..##. ...#. ...#. ...#. ...#. #..#. .##.."},
    {'k', "#.... #.... #..#. #.#.. ##... #.#.. #..#."},
    {'l', ".##.. ..#.. ..#.. ..#.. ..#.. ..#.. .###."},
    {'m', "..... ..... ##.#. #.#.# #.#.# #.#.# #.#.#"},
    {'n', "..... ..... #.##. ##..# #...# #...# #...#"},
    {'o', "..... ..... .###. #...# #...# #...# .###."},
    {'p', "..... ..... ####. #...# #...# #...# ####. #.... #...."},
    {'q', "..... ..... .#### #...# #...# #...# .#### ....# ....#"},
    {'r', "..... ..... #.##. ##..# #.... #.... #...."},
    {'s', "..... ..... .#### #.... .###. ....# ####."},
    {'t', ".#... .#... ###.. .#... .#... .#..# ..##."},
    {'u', "..... ..... #...# #...# #...# #..## .##.#"},
    {'v', "..... ..... #...# #...# #...# .#.#. ..#.."},
    {'w', "..... ..... #...# #...# #.#.# #.#.# .#.#."},
    {'x', "..... ..... #...# .#.#. ..#.. .#.#. #...#"},
    {'y', "..... ..... #...# #...# #...# #...# .#### ....# .###."},
    {'z', "..... ..... ##### ...#. ..#.. .#... #####"},
    {'{', "...#. ..#.. ..#.. .#... ..#.. ..#.. ...#."},
    {'|', "..#.. ..#.. ..#.. ..#.. ..#.. ..#.. ..#.."},
    {'}', ".#... ..#.. ..#.. ...#. ..#.. ..#.. .#..."},
    {'~', "..... ..... .#... #.#.# ...#."},
    {(char)kFontMissingGlyph, "##### #...# #...# #...# #...# #...# #####"},
};

const int kGlyphWidth = 5;
const int kGlyphHeight = 9;
// A dot is 5 x 6 pixels of the picture; the glyph sits 3 pixels in from the cell's left and 2
// down from its top, which leaves a gap of a dot or more to the next cell on every side.
const int kCellWidth = kFontPictureWidth / kFontColumns;
const int kCellHeight = kFontPictureHeight / kFontRows;
const int kDotWidth = 5;
const int kDotHeight = 6;
const int kGlyphLeft = 3;
const int kGlyphTop = 2;
// Coverage is sampled 4 x 4 times per pixel. Distances are measured in 1/120 of a dot, a unit in
// which a dot is 120 wide and high and every sample falls on a whole number (a sample step is
// 6 units across, 5 down), so the picture is computed in integers and never differs.
const int kSamples = 4;
const int64_t kDotUnits = 120;
const int64_t kStepX = kDotUnits / (kDotWidth * kSamples);
const int64_t kStepY = kDotUnits / (kDotHeight * kSamples);
// Dots that touch only at a corner are joined by a stroke as wide as a dot.
const int64_t kStrokeRadius = kDotUnits / 2;

// The glyph's dots, glyph[row][column], from its art; all empty for a code without one.
void GlyphDots(int code, bool dots[kGlyphHeight][kGlyphWidth])
{
    memset(dots, 0, sizeof(bool) * kGlyphHeight * kGlyphWidth);
    for (const glyphArt& g : kGlyphs)
    {
        if ((unsigned char)g.code != code) continue;
        int row = 0, column = 0;
        for (const char* p = g.rows; *p && row < kGlyphHeight; p++)
        {
            if (*p == ' ')
            {
                row++;
                column = 0;
                continue;
            }
            if (column < kGlyphWidth) dots[row][column++] = *p == '#';
        }
        return;
    }
}

bool Dot(const bool dots[kGlyphHeight][kGlyphWidth], int row, int column)
{
    return row >= 0 && column >= 0 && row < kGlyphHeight && column < kGlyphWidth && dots[row][column];
}

// 1 when the point (x, y), in dot units from the glyph's top left, lies within the stroke from
// the centre of dot (column, row) to the centre of dot (column + dx, row + 1).
bool InStroke(int64_t x, int64_t y, int column, int row, int dx)
{
    const int64_t ax = column * kDotUnits + kDotUnits / 2, ay = row * kDotUnits + kDotUnits / 2;
    const int64_t ux = dx * kDotUnits, uy = kDotUnits; // the stroke's direction
    const int64_t px = x - ax, py = y - ay;
    const int64_t along = px * ux + py * uy, length2 = ux * ux + uy * uy;
    if (along < 0 || along > length2) return false;
    // Squared distance from the line, times length2: |p|^2 length2 - along^2.
    return (px * px + py * py) * length2 - along * along <= kStrokeRadius * kStrokeRadius * length2;
}

// A pair of dots that touch only at a corner, from dot (column, row) to (column + dx, row + 1).
struct diagonal
{
    int column, row, dx;
};
const int kMaxDiagonals = kGlyphWidth * kGlyphHeight * 2;

int FindDiagonals(const bool dots[kGlyphHeight][kGlyphWidth], diagonal* out)
{
    int n = 0;
    for (int r = 0; r + 1 < kGlyphHeight; r++)
        for (int c = 0; c < kGlyphWidth; c++)
            for (int dx = -1; dx <= 1; dx += 2)
                if (Dot(dots, r, c) && Dot(dots, r + 1, c + dx) && !Dot(dots, r, c + dx) && !Dot(dots, r + 1, c))
                    out[n++] = {c, r, dx};
    return n;
}

bool Covered(const bool dots[kGlyphHeight][kGlyphWidth], const diagonal* diagonals, int count, int64_t x, int64_t y)
{
    if (x < 0 || y < 0) return false;
    if (Dot(dots, (int)(y / kDotUnits), (int)(x / kDotUnits))) return true;
    for (int i = 0; i < count; i++)
        if (InStroke(x, y, diagonals[i].column, diagonals[i].row, diagonals[i].dx)) return true;
    return false;
}

} // namespace

int FontHasGlyph(unsigned char c)
{
    return c >= 32 && c < 127;
}

void RenderFontPicture(std::vector<unsigned char>* rgba)
{
    rgba->assign((size_t)kFontPictureWidth * kFontPictureHeight * 4, 0);
    bool dots[kGlyphHeight][kGlyphWidth];
    for (int code = 0; code < kFontColumns * kFontRows; code++)
    {
        if (!FontHasGlyph((unsigned char)code) && code != kFontMissingGlyph) continue;
        GlyphDots(code, dots);
        diagonal diagonals[kMaxDiagonals];
        const int count = FindDiagonals(dots, diagonals);
        const int cellX = (code % kFontColumns) * kCellWidth, cellY = (code / kFontColumns) * kCellHeight;
        for (int py = 0; py < kCellHeight; py++)
            for (int px = 0; px < kCellWidth; px++)
            {
                int hits = 0;
                for (int sy = 0; sy < kSamples; sy++)
                    for (int sx = 0; sx < kSamples; sx++)
                    {
                        // The sample's place in dot units, from the glyph's top left.
                        const int64_t x = ((px - kGlyphLeft) * kSamples + sx) * kStepX + kStepX / 2;
                        const int64_t y = ((py - kGlyphTop) * kSamples + sy) * kStepY + kStepY / 2;
                        hits += Covered(dots, diagonals, count, x, y);
                    }
                unsigned char* out = &(*rgba)[((size_t)(cellY + py) * kFontPictureWidth + cellX + px) * 4];
                out[0] = out[1] = out[2] = 255;
                out[3] = (unsigned char)(hits * 255 / (kSamples * kSamples));
            }
    }
    // Empty cells are white too, so that filtering at a glyph's edge never pulls in black.
    for (size_t i = 0; i < rgba->size(); i += 4)
        (*rgba)[i] = (*rgba)[i + 1] = (*rgba)[i + 2] = 255;
}

// The data folder's font picture, decoded, or 0 when there is none or it cannot be used (then
// reported).
static int ReadFontPicture(decodedImage* image)
{
    char path[1100];
    snprintf(path, sizeof path, "%s%s", routePath, kFontPicturePath);
    if (!ContentFileExists(path, kContentPicture)) return 0;
    char err[256];
    if (!DecodeImageFile(path, 0, image, err, sizeof err))
    {
        ReportContentProblemF(path, 0, "the font picture cannot be read (%s); the built-in font is used",
                              err);
        return 0;
    }
    if (image->width % kFontColumns || image->height % kFontRows || image->width < 4 * kFontColumns ||
        image->height < 4 * kFontRows)
    {
        ReportContentProblemF(path, 0,
                              "the font picture is %d x %d; its sides must be multiples of 16 and 8 (a grid "
                              "of 16 x 8 cells of at least 4 x 4); the built-in font is used",
                              image->width, image->height);
        return 0;
    }
    return 1;
}

int CheckFontPicture()
{
    decodedImage image;
    char path[1100];
    snprintf(path, sizeof path, "%s%s", routePath, kFontPicturePath);
    return !ContentFileExists(path, kContentPicture) || ReadFontPicture(&image);
}

GLuint LoadFontTexture(float* cellAspect)
{
    decodedImage image;
    if (!ReadFontPicture(&image))
    {
        image.width = kFontPictureWidth;
        image.height = kFontPictureHeight;
        image.channels = 4;
        RenderFontPicture(&image.pixels);
    }
    *cellAspect = (float)(image.width / kFontColumns) / (float)(image.height / kFontRows);
    // A picture without alpha takes it from its brightness: white letters on black.
    SetAlphaFromMeanOfRGB(&image);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    char err[256];
    if (!UploadImageWithMipmaps(&image, err, sizeof err))
    {
        OutputToConsoleF("//The font texture could not be made: %s", err);
        glDeleteTextures(1, &name);
        return 0;
    }
    return name;
}
