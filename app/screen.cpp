// The game's screen: full screen or not, its rectangle and its centre.
#include "app/screen.h"

int fullscreen = 1;
RECT32 screenRect = {0, 0, 0, 0};
Point startLoc = {0, 0};

void SetScreenRect(int width, int height)
{
    screenRect.left = 0;
    screenRect.top = 0;
    screenRect.right = width;
    screenRect.bottom = height;
    startLoc.x = (screenRect.right - screenRect.left) / 2;
    startLoc.y = (screenRect.bottom - screenRect.top) / 2;
}
