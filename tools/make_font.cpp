// make_font: writes the font picture of a data folder, DATA_FOLDER/Data/font.png: the engine's
// own glyphs for the printable ASCII characters in a grid of 16 x 8 cells, one per character code,
// white with the glyph's coverage as alpha. The game draws its text from this picture (or from the
// same glyphs built in, when a data folder has none); draw another one to give a game its own
// letters. Run from the source tree: build/make_font --out demo
#include "resources/font.h"
#include "tools/tool_support.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::string out = "demo";
    const int status =
        ReadOutOption(argc, argv, &out,
                      "usage: make_font [--out DATA_FOLDER]\n"
                      "Writes the font picture DATA_FOLDER/Data/font.png (default: --out demo).\n");
    if (status >= 0) return status;
    if (!MakeFolder(out + "/Data", "make_font")) return 1;
    std::vector<unsigned char> rgba;
    RenderFontPicture(&rgba);
    picture font(kFontPictureWidth, kFontPictureHeight, true);
    memcpy(font.pixels.data(), rgba.data(), rgba.size());
    const std::string path = out + "/" + kFontPicturePath;
    if (!WritePng(path, font))
    {
        fprintf(stderr, "make_font: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
