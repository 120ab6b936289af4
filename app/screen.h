// The game's screen: whether it is the whole display, its rectangle in cursor pixels and its
// centre, where the mouse view puts the pointer back. The window code sets it; the tick,
// recordings and scripts read it.
#pragma once

#include "core/vecmath.h"

#include <cstdint>

struct RECT32
{
    int32_t left, top, right, bottom;
};

// 1 while the game's window is full screen.
extern int fullscreen;
extern RECT32 screenRect;
extern Point startLoc;

// screenRect becomes the game's screen of width x height cursor pixels; startLoc its centre.
void SetScreenRect(int width, int height);
