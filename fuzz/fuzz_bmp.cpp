// Fuzzes the BMP decoder: the input is a picture file. A decoded picture must be as large as its
// sides and channels say.
#include "fuzz_support.h"

#include "resources/png_image.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = fuzz::WriteFile("picture.bmp", data, size);
    decodedImage image;
    char err[256];
    if (DecodeBMPImage(path.c_str(), &image, err, sizeof err))
    {
        if (image.width < 1 || image.height < 1 || image.width > kMaxTextureSide ||
            image.height > kMaxTextureSide || (image.channels != 3 && image.channels != 4) ||
            image.pixels.size() != size_t(image.width) * image.height * image.channels)
            abort();
        SetAlphaFromMeanOfRGB(&image);
    }
    else if (!image.pixels.empty() || strnlen(err, sizeof err) == sizeof err)
        abort();
    return 0;
}
