// Owns image decoding (PNG through libpng, BMP through platform/bmp) and the mipmapped upload.
// It never creates texture objects: callers generate and bind them.
#include "resources/png_image.h"

#include "core/content_files.h"
#include "core/output.h"
#include "core/content_memory.h"
#include "core/problems.h"
#include "platform/bmp.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <png.h>
#include <sys/stat.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Largest memory libpng may take for one chunk's data. The chunks still read (palette,
// transparency) need under a kilobyte; a damaged length must not become an allocation.
static const png_alloc_size_t kMaxChunkBytes = 64 * 1024;

// Deflate never packs more than 1032 bytes into one, so a file this many times smaller than its
// pixels cannot hold them: it is refused before any pixel memory is taken.
static const unsigned long long kMaxDeflateRatio = 1032;

struct pngErrorState
{
    jmp_buf jump;
    char message[200];
};

static void PngError(png_structp png, png_const_charp message)
{
    pngErrorState* state = (pngErrorState*)png_get_error_ptr(png);
    snprintf(state->message, sizeof state->message, "%s", message ? message : "decoding error");
    longjmp(state->jump, 1);
}

// libpng's own reader says only "Read Error" when the file ends; a damaged length field usually
// means a file that ends inside the chunk it claims.
static void ReadFromFile(png_structp png, png_bytep data, size_t length)
{
    if (fread(data, 1, length, (FILE*)png_get_io_ptr(png)) != length) png_error(png, "the file ends early");
}

// Warnings (bad gamma chunks, unknown chunks) do not stop the picture from being used.
static void PngWarning(png_structp, png_const_charp) {}

static unsigned long ReadBigEndian32(const unsigned char* p)
{
    return (unsigned long)p[0] << 24 | (unsigned long)p[1] << 16 | (unsigned long)p[2] << 8 | p[3];
}

static long FileSize(FILE* file)
{
    struct stat info;
    return fstat(fileno(file), &info) == 0 ? (long)info.st_size : 0;
}

static void ClearImage(decodedImage* image)
{
    image->width = image->height = image->channels = 0;
    image->pixels.clear();
}

// Makes pixels size bytes long, reserving room in doublings up to total so that growing row by
// row stays cheap. 0 when the memory cannot be had.
static int GrowPixels(std::vector<unsigned char>* pixels, size_t size, size_t total)
{
    try
    {
        if (pixels->capacity() < size)
        {
            size_t room = pixels->capacity() * 2;
            pixels->reserve(room < size ? size : (room > total ? total : room));
        }
        pixels->resize(size);
    }
    catch (...)
    {
        return 0;
    }
    return 1;
}

// The libpng part, kept free of C++ objects with destructors of its own: libpng leaves it with
// longjmp on any error. out lives in the caller, so a jump skips nothing that needs destroying.
static int DecodePNGStream(FILE* file, long fileSize, decodedImage* out, char* err, int errSize)
{
    pngErrorState state;
    state.message[0] = 0;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, PngError, PngWarning);
    if (!png)
    {
        snprintf(err, errSize, "out of memory");
        return 0;
    }
    png_infop info = png_create_info_struct(png);
    if (!info)
    {
        png_destroy_read_struct(&png, nullptr, nullptr);
        snprintf(err, errSize, "out of memory");
        return 0;
    }
    png_bytep* volatile rows = nullptr;
    if (setjmp(state.jump))
    {
        free(rows);
        png_destroy_read_struct(&png, &info, nullptr);
        snprintf(err, errSize, "%s", state.message);
        return 0;
    }

    png_set_read_fn(png, file, ReadFromFile);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, kMaxTextureSide, kMaxTextureSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    // Text, colour profiles, time stamps and the like are not used: skip them without reading.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);

    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    unsigned long long packedBits =
        (unsigned long long)width * height * png_get_bit_depth(png, info) * png_get_channels(png, info);
    if ((unsigned long long)fileSize * kMaxDeflateRatio * 8 < packedBits)
    {
        char reason[120];
        snprintf(reason, sizeof reason, "the file (%ld bytes) is too short for a %ux%u picture", fileSize,
                 (unsigned)width, (unsigned)height);
        png_error(png, reason);
    }

    int colorType = png_get_color_type(png, info);
    int bitDepth = png_get_bit_depth(png, info);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (bitDepth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    int channels = png_get_channels(png, info);
    size_t rowBytes = png_get_rowbytes(png, info);
    if ((channels != 3 && channels != 4) || rowBytes != size_t(width) * channels || width == 0 || height == 0)
        png_error(png, "unsupported pixel layout");

    if (passes == 1)
    {
        // Row by row into a growing buffer: a file whose data ends early stops the decoding
        // before memory for rows it does not have was taken.
        for (png_uint_32 y = 0; y < height; ++y)
        {
            if (!GrowPixels(&out->pixels, rowBytes * (y + 1), rowBytes * height))
                png_error(png, "out of memory");
            png_read_row(png, out->pixels.data() + rowBytes * y, nullptr);
        }
    }
    else
    {
        // Interlaced passes revisit every row, so the whole picture is needed at once.
        if (!GrowPixels(&out->pixels, rowBytes * height, rowBytes * height)) png_error(png, "out of memory");
        rows = (png_bytep*)malloc(sizeof(png_bytep) * height);
        if (!rows) png_error(png, "out of memory");
        for (png_uint_32 y = 0; y < height; ++y)
            rows[y] = out->pixels.data() + rowBytes * y;
        png_read_image(png, rows);
    }
    // The trailing chunks are not read: a damaged end after complete pixel data still gives
    // a usable picture.

    free(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    out->width = int(width);
    out->height = int(height);
    out->channels = channels;
    return 1;
}

int DecodePNGImage(const char* path, decodedImage* out, char* err, int errSize)
{
    ClearImage(out);
    FILE* file = OpenContentFile(path, kContentPicture);
    if (!file)
    {
        snprintf(err, errSize, "cannot be opened");
        return 0;
    }
    // Signature, then the IHDR chunk: length, "IHDR", width and height, big-endian.
    unsigned char head[24] = {0};
    size_t got = fread(head, 1, sizeof head, file);
    unsigned long width = ReadBigEndian32(head + 16), height = ReadBigEndian32(head + 20);
    int ok = 0;
    if (got < 8 || png_sig_cmp(head, 0, 8) != 0)
        snprintf(err, errSize, "is not a PNG file");
    else if (got == sizeof head && memcmp(head + 12, "IHDR", 4) == 0 &&
             (width > (unsigned long)kMaxTextureSide || height > (unsigned long)kMaxTextureSide))
        snprintf(err, errSize, "picture size %lux%lu is over the %d limit", width, height, kMaxTextureSide);
    else if (fseek(file, 8, SEEK_SET) == 0)
        ok = DecodePNGStream(file, FileSize(file), out, err, errSize);
    else
        snprintf(err, errSize, "cannot be read");
    fclose(file);
    if (!ok) ClearImage(out);
    return ok;
}

int DecodeBMPImage(const char* path, decodedImage* out, char* err, int errSize)
{
    ClearImage(out);
    unsigned char* rgba = nullptr;
    int width = 0, height = 0, hasAlpha = 0;
    if (!PLT_DecodeBMP(path, kMaxTextureSide, &rgba, &width, &height, &hasAlpha, err, errSize)) return 0;
    size_t count = size_t(width) * height;
    out->width = width;
    out->height = height;
    out->channels = hasAlpha ? 4 : 3;
    out->pixels.resize(count * out->channels);
    for (size_t i = 0; i < count; ++i)
        memcpy(&out->pixels[i * out->channels], rgba + i * 4, out->channels);
    PLT_FreeBMP(rgba);
    return 1;
}

int ReadImageHeaderSize(const char* path, int allowBMP, int* width, int* height)
{
    *width = *height = 0;
    FILE* file = OpenContentFile(path, kContentPicture);
    if (!file) return 0;
    unsigned char head[26] = {0};
    size_t got = fread(head, 1, sizeof head, file);
    fclose(file);
    if (got >= 24 && png_sig_cmp(head, 0, 8) == 0 && memcmp(head + 12, "IHDR", 4) == 0)
    {
        unsigned long w = ReadBigEndian32(head + 16), h = ReadBigEndian32(head + 20);
        if (w > 0x7fffffffUL || h > 0x7fffffffUL) return 0;
        *width = int(w);
        *height = int(h);
        return 1;
    }
    // BMP: the picture header's own size tells the old core header (16-bit sides) from the others.
    if (!allowBMP || got < 26 || head[0] != 'B' || head[1] != 'M') return 0;
    unsigned long headerSize =
        head[14] | head[15] << 8 | (unsigned long)head[16] << 16 | (unsigned long)head[17] << 24;
    long long w, h;
    if (headerSize == 12)
    {
        w = head[18] | head[19] << 8;
        h = head[20] | head[21] << 8;
    }
    else
    {
        w = (int32_t)(head[18] | head[19] << 8 | head[20] << 16 | (uint32_t)head[21] << 24);
        h = (int32_t)(head[22] | head[23] << 8 | head[24] << 16 | (uint32_t)head[25] << 24);
    }
    if (h < 0) h = -h;
    if (w < 1 || h < 1 || w > 0x7fffffff || h > 0x7fffffff) return 0;
    *width = int(w);
    *height = int(h);
    return 1;
}

int DecodeImageFile(const char* path, int allowBMP, decodedImage* out, char* err, int errSize)
{
    ClearImage(out);
    FILE* file = OpenContentFile(path, kContentPicture);
    if (!file)
    {
        snprintf(err, errSize, "cannot be opened");
        return 0;
    }
    unsigned char head[8] = {0};
    size_t got = fread(head, 1, 8, file);
    fclose(file);
    if (got == 8 && png_sig_cmp(head, 0, 8) == 0) return DecodePNGImage(path, out, err, errSize);
    if (allowBMP && got >= 2 && head[0] == 'B' && head[1] == 'M')
        return DecodeBMPImage(path, out, err, errSize);
    snprintf(err, errSize, allowBMP ? "is neither a PNG nor a BMP file" : "is not a PNG file");
    return 0;
}

void SetAlphaFromMeanOfRGB(decodedImage* image)
{
    if (image->channels != 3) return;
    size_t count = size_t(image->width) * image->height;
    std::vector<unsigned char> rgba(count * 4);
    for (size_t i = 0; i < count; ++i)
    {
        const unsigned char* p = &image->pixels[i * 3];
        rgba[i * 4 + 0] = p[0];
        rgba[i * 4 + 1] = p[1];
        rgba[i * 4 + 2] = p[2];
        rgba[i * 4 + 3] = (unsigned char)((p[0] + p[1] + p[2]) / 3);
    }
    image->pixels.swap(rgba);
    image->channels = 4;
}

int UploadImageWithMipmaps(const decodedImage* image, char* err, int errSize)
{
    if (image->width <= 0 || image->height <= 0 || (image->channels != 3 && image->channels != 4) ||
        image->pixels.size() < size_t(image->width) * image->height * image->channels)
    {
        snprintf(err, errSize, "has no pixels to upload");
        return 0;
    }
    // RGB rows are rarely a multiple of four bytes long; the rows are packed tight.
    GLint oldAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &oldAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GLenum format = image->channels == 4 ? GL_RGBA : GL_RGB;
    GLint result = gluBuild2DMipmaps(GL_TEXTURE_2D, format, image->width, image->height, format,
                                     GL_UNSIGNED_BYTE, image->pixels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, oldAlignment);
    if (result != 0)
    {
        snprintf(err, errSize, "could not be uploaded (%s)", (const char*)gluErrorString(result));
        return 0;
    }
    return 1;
}

void ReportImageProblem(const char* path, const char* err)
{
    char console[1400];
    snprintf(console, sizeof console, "//Could not load texture %s: %s", path, err);
    ReportContentProblem(path, 0, err, console);
}

int CheckImageFile(const char* path, int allowBMP)
{
    decodedImage image;
    char err[256];
    if (DecodeImageFile(path, allowBMP, &image, err, sizeof err))
    {
        NoteContentMemory(path, TextureMemoryBytes(image.width, image.height));
        return 1;
    }
    ReportImageProblem(path, err);
    return 0;
}
