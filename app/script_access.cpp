// The program's input snapshot, screen and tint, lent to the script instructions below it.
#include "app/script_access.h"

#include "app/input.h"
#include "app/screen.h"
#include "app/tick.h"
#include "script/media_instructions.h"
#include "world/humans.h"

static void ScreenSize(int* width, int* height)
{
    *width = screenRect.right - screenRect.left;
    *height = screenRect.bottom - screenRect.top;
}

void RegisterScriptAccess()
{
    gScriptInput.isKeyDown = IsKeyDown;
    gScriptInput.isKeyDownNow = IsKeyDownNow;
    gScriptInput.wasKeyDown = WasKeyDown;
    gScriptInput.convertMacKey = ConvertSpecialMacToWinKey;
    gScriptInput.mouseButtons = gMouseButtons;
    gScriptInput.oldMouseButtons = gOldMouseButtons;
    gScriptInput.mouseLoc = &gMouseLoc;
    gScriptInput.doMouseView = &doMouseView;
    gScriptInput.screenSize = ScreenSize;
    gScriptTint[0] = &baseCol1;
    gScriptTint[1] = &baseCol2;
    gScriptTint[2] = &baseCol3;
    gHumanDisposedHook = VXR_ForgetHitActor;
}
