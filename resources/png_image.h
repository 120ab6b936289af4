// Our image decoder and texture upload: PNG on libpng (and BMP through the platform layer) into
// RGB or RGBA bytes, loaded into the bound GL texture with a full mipmap chain.
#pragma once

#include <vector>

// Largest side, in pixels, of a picture in a data folder. The software renderer's texture limit
// is 8192, and so is that of most graphics cards of the engine's class; larger pictures would be
// scaled down at upload anyway. Both decoders refuse larger ones from the file header, before
// allocating anything for the pixels.
constexpr int kMaxTextureSide = 8192;

// A decoded picture. Rows are in file order: the first row of the file comes first, so it lands
// at texture coordinate t = 0 (which is why the model loader flips v).
struct decodedImage
{
    int width = 0;
    int height = 0;
    int channels = 0; // 3: RGB, 4: RGBA
    std::vector<unsigned char> pixels;
};

// Decodes a PNG file. Palettes, grey and bit depths below 8 are expanded to RGB, transparency
// chunks become alpha, 16-bit samples are cut to 8 bits, interlaced files are de-interlaced.
// Ancillary chunks other than transparency are skipped unread, and the pixel memory grows only
// as rows arrive, so a small damaged file never costs much memory. Returns 1, or 0 with the
// reason in err and out emptied.
int DecodePNGImage(const char* path, decodedImage* out, char* err, int errSize);

// Decodes a BMP file (RGB, or RGBA when the file has alpha). Same contract as DecodePNGImage; the
// header is checked against kMaxTextureSide and the file's size before the pixels are read.
int DecodeBMPImage(const char* path, decodedImage* out, char* err, int errSize);

// The width and height a PNG (or, with allowBMP, a BMP) file's header claims, read without
// decoding, so that what the picture will keep can be asked of the content memory first. 0 when
// the header cannot be read; the decoder then says why.
int ReadImageHeaderSize(const char* path, int allowBMP, int* width, int* height);

// Decodes a PNG or, when allowBMP is set, a BMP file, told apart by their first bytes rather than
// by the file name.
int DecodeImageFile(const char* path, int allowBMP, decodedImage* out, char* err, int errSize);

// Turns an RGB picture into RGBA whose alpha is the integer mean (r + g + b) / 3, so black is
// fully transparent and white opaque. RGBA pictures are left as they are.
void SetAlphaFromMeanOfRGB(decodedImage* image);

// Builds every mipmap level of the bound GL_TEXTURE_2D from image (gluBuild2DMipmaps, RGB or
// RGBA, unsigned bytes); pictures whose sides are not powers of two are scaled by GLU. Needs a
// current GL context. Returns 1, or 0 with the reason in err.
int UploadImageWithMipmaps(const decodedImage* image, char* err, int errSize);

// A picture that cannot be loaded: "//Could not load texture PATH: ERR" in the game, the file and
// the reason to a checker.
void ReportImageProblem(const char* path, const char* err);
// Decodes path and reports what is wrong with it; makes no texture. 1 when it decodes, and what
// its texture would keep goes to NoteContentMemory (the content checker's total).
int CheckImageFile(const char* path, int allowBMP);
