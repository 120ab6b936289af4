// Fuzzes the PNG decoder: the input is a picture file. A decoded picture must be as large as its
// sides and channels say, and gets the alpha-from-colour pass animation frames get.
#include "fuzz_support.h"
#include "picture_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = fuzz::WriteFile("picture.png", data, size);
    decodedImage image;
    char err[256];
    fuzz::CheckDecodedPicture(DecodePNGImage(path.c_str(), &image, err, sizeof err), &image, err, sizeof err);
    return 0;
}
