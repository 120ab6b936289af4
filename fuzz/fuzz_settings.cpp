// Fuzzes the settings file reader: the input is the player's settings file. Whatever it holds,
// the settings read are each within their range, and written back and read again they are the
// same, without a problem.
#include "fuzz_support.h"

#include "app/settings.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Sandbox();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::WriteFile("config/kesrow/settings", data, size);
    playerSettings read;
    DefaultSettings(&read);
    ReadSettingsFile(path.c_str(), &read);
    if (!(read.mouseSensitivity >= kMinMouseSensitivity && read.mouseSensitivity <= kMaxMouseSensitivity))
        abort();
    if (read.volume < 0 || read.volume > 100 || read.windowWidth < 16 || read.windowHeight < 16 ||
        read.windowWidth > 16384 || read.windowHeight > 16384)
        abort();
    for (int32_t flag : {read.invertMouse, read.fullScreen, read.vsync})
        if (flag != 0 && flag != 1) abort();
    const std::string again = fuzz::Sandbox() + "config/again/settings";
    if (!WriteSettingsFile(again.c_str(), &read)) abort();
    playerSettings back;
    DefaultSettings(&back);
    if (!ReadSettingsFile(again.c_str(), &back) || memcmp(&read, &back, sizeof read) != 0) abort();
    return 0;
}
