// What the picture harnesses demand of a decoder's result: a decoded picture is as large as its
// sides and channels say and takes the alpha-from-colour pass; a refused one holds no pixels and
// a terminated reason. Anything else aborts the run.
#pragma once

#include "resources/png_image.h"

#include <cstdlib>
#include <cstring>

namespace fuzz
{

inline void CheckDecodedPicture(int decoded, decodedImage* image, const char* err, size_t errSize)
{
    if (decoded)
    {
        if (image->width < 1 || image->height < 1 || image->width > kMaxTextureSide ||
            image->height > kMaxTextureSide || (image->channels != 3 && image->channels != 4) ||
            image->pixels.size() != size_t(image->width) * image->height * image->channels)
            abort();
        SetAlphaFromMeanOfRGB(image);
    }
    else if (!image->pixels.empty() || strnlen(err, errSize) == errSize)
        abort();
}

} // namespace fuzz
