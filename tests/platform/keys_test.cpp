// Keys as the event pump names them: the virtual-key code of each physical key.
#include "platform/keys.h"

#include <SDL.h>
#include <gtest/gtest.h>

TEST(Keys, EveryNamedKeyComesFromThePhysicalKeyOfThatName)
{
    // SDL's own scancode names agree with the names scripts give keys wherever both have one.
    int checked = 0, code = 0;
    for (int i = 0; const char* name = PLT_KeyNameAt(i, &code); i++)
    {
        SDL_Scancode scancode = SDL_GetScancodeFromName(name);
        if (scancode == SDL_SCANCODE_UNKNOWN) continue;
        EXPECT_EQ(PLT_VirtualKeyFromSDL(scancode, 0), code) << name;
        checked++;
    }
    EXPECT_GE(checked, 28);
}
