// Keyboard snapshot per tick and the key tests scripts use; the key state itself comes from
// the platform layer's asynchronous key state.
#include "app/input.h"

#include <cstring>

#include "platform/keys.h"

int32_t keyMap[256];
int32_t oldKeyMap[256];
int gTypedInput[kTypedMax];
int gTypedCount = 0;
int gMouseButtons[3];
int gOldMouseButtons[3];
Point gMouseLoc;

static bool ValidKeyCode(int code)
{
    return code >= 0 && code < 256;
}

static_assert(kTypedKey == kPltTypedKey && kTypedMax == kPltTypedMax, "typed input as the platform gives it");

// Keys held when SwallowHeldKeys ran, read as up until released.
static bool keySwallowed[256];

void GetAllKeys()
{
    int16_t states[256];
    for (int code = 0; code < 256; code++)
        states[code] = PLT_GetAsyncKeyState(code);
    int typed[kTypedMax];
    const int count = PLT_TakeTypedInput(typed, kTypedMax);
    GetAllKeysFrom(states, typed, count);
}

void GetAllKeysFrom(const int16_t states[256], const int* typed, int typedCount)
{
    for (int code = 0; code < 256; code++)
    {
        int32_t state = states[code];
        if (keySwallowed[code])
        {
            if (state >= 0) keySwallowed[code] = false;
            state = 0;
        }
        keyMap[code] = state;
    }
    gTypedCount = typedCount < 0 ? 0 : typedCount > kTypedMax ? kTypedMax : typedCount;
    memcpy(gTypedInput, typed, sizeof(int) * (size_t)gTypedCount);
}

void SwallowHeldKeys()
{
    for (int code = 0; code < 256; code++)
    {
        if (keyMap[code] < 0) keySwallowed[code] = true;
        keyMap[code] = 0;
    }
}

void SaveOldKeys()
{
    memcpy(oldKeyMap, keyMap, sizeof(keyMap));
}

int IsKeyDown(int code)
{
    return ValidKeyCode(code) ? keyMap[code] : 0;
}

int IsKeyDownNow(int code)
{
    if (!ValidKeyCode(code)) return 0;
    return keyMap[code] != 0 && oldKeyMap[code] == 0 ? 1 : 0;
}

int WasKeyDown(int code)
{
    return ValidKeyCode(code) ? oldKeyMap[code] : 0;
}

int ConvertSpecialMacToWinKey(int macCode)
{
    switch (macCode)
    {
    case 36: // Return
        return 13;
    case 53: // Escape
        return 27;
    case 56: // Shift
        return 16;
    case 57: // Caps Lock
        return 20;
    case 58: // Option
        return 21;
    case 59: // Control
        return 17;
    case 76: // Enter
        return 13;
    default:
        return 0;
    }
}
