// SDL keys and mouse buttons as Windows virtual-key codes, and the per-key asynchronous state
// with its "pressed since the last poll" latch. The only file that knows SDL's key names.
#include "platform/keys.h"

#include <SDL.h>

#include <cstring>
#include <strings.h>

static const int kKeyCount = 256;

// Held right now (one bit per physical key behind the virtual key), and went down since this
// key's state was last read.
static unsigned char keyHeld[kKeyCount];
static unsigned char keyLatched[kKeyCount];

// Keys that are not letters, by physical position.
static int VirtualKeyFromScancode(int scancode)
{
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9)
        return 97 + (scancode - SDL_SCANCODE_KP_1);
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
        return 112 + (scancode - SDL_SCANCODE_F1);

    switch (scancode)
    {
    case SDL_SCANCODE_0:
        return '0';
    case SDL_SCANCODE_KP_0:
        return 96;
    case SDL_SCANCODE_SPACE:
        return 32;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_RETURN2:
    case SDL_SCANCODE_KP_ENTER:
        return 13;
    case SDL_SCANCODE_ESCAPE:
        return 27;
    case SDL_SCANCODE_BACKSPACE:
        return 8;
    case SDL_SCANCODE_TAB:
        return 9;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT:
        return 16;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL:
        return 17;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT:
        return 18;
    case SDL_SCANCODE_CAPSLOCK:
        return 20;
    case SDL_SCANCODE_PAGEUP:
        return 33;
    case SDL_SCANCODE_PAGEDOWN:
        return 34;
    case SDL_SCANCODE_END:
        return 35;
    case SDL_SCANCODE_HOME:
        return 36;
    case SDL_SCANCODE_LEFT:
        return 37;
    case SDL_SCANCODE_UP:
        return 38;
    case SDL_SCANCODE_RIGHT:
        return 39;
    case SDL_SCANCODE_DOWN:
        return 40;
    case SDL_SCANCODE_INSERT:
        return 45;
    case SDL_SCANCODE_DELETE:
        return 46;
    case SDL_SCANCODE_KP_MULTIPLY:
        return 106;
    case SDL_SCANCODE_KP_PLUS:
        return 107;
    case SDL_SCANCODE_KP_MINUS:
        return 109;
    case SDL_SCANCODE_KP_PERIOD:
        return 110;
    case SDL_SCANCODE_KP_DIVIDE:
        return 111;
    case SDL_SCANCODE_SEMICOLON:
        return 186;
    case SDL_SCANCODE_EQUALS:
        return 187;
    case SDL_SCANCODE_COMMA:
        return 188;
    case SDL_SCANCODE_MINUS:
        return 189;
    case SDL_SCANCODE_PERIOD:
        return 190;
    case SDL_SCANCODE_SLASH:
        return 191;
    case SDL_SCANCODE_GRAVE:
        return 192;
    case SDL_SCANCODE_LEFTBRACKET:
        return 219;
    case SDL_SCANCODE_BACKSLASH:
        return 220;
    case SDL_SCANCODE_RIGHTBRACKET:
        return 221;
    case SDL_SCANCODE_APOSTROPHE:
        return 222;
    default:
        return 0;
    }
}

int PLT_VirtualKeyFromSDL(int scancode, int keycode)
{
    // Letters follow the layout, so the key labelled Z is Z on every Latin layout.
    if (keycode >= SDLK_a && keycode <= SDLK_z) return 'A' + (keycode - SDLK_a);
    // A non-Latin layout names its letter keys with other characters; those keys still play
    // the letter of their position, as they do for virtual keys on Windows.
    if (keycode >= 0x80 && !(keycode & SDLK_SCANCODE_MASK) && scancode >= SDL_SCANCODE_A &&
        scancode <= SDL_SCANCODE_Z)
        return 'A' + (scancode - SDL_SCANCODE_A);
    return VirtualKeyFromScancode(scancode);
}

namespace
{

struct keyName
{
    const char* name;
    int code;
};

// Every key a script may name, with the virtual-key code the event pump gives it.
const keyName kKeyNames[] = {
    {"Escape", 27},         {"Esc", 27},           {"Space", 32},           {"Return", 13},
    {"Enter", 13},          {"Tab", 9},            {"Backspace", 8},        {"Shift", 16},
    {"Control", 17},        {"Ctrl", 17},          {"Alt", 18},             {"CapsLock", 20},
    {"PageUp", 33},         {"PageDown", 34},      {"End", 35},             {"Home", 36},
    {"Left", 37},           {"Up", 38},            {"Right", 39},           {"Down", 40},
    {"Insert", 45},         {"Delete", 46},        {"F1", 112},             {"F2", 113},
    {"F3", 114},            {"F4", 115},           {"F5", 116},             {"F6", 117},
    {"F7", 118},            {"F8", 119},           {"F9", 120},             {"F10", 121},
    {"F11", 122},           {"F12", 123},          {"Numpad0", 96},         {"Numpad1", 97},
    {"Numpad2", 98},        {"Numpad3", 99},       {"Numpad4", 100},        {"Numpad5", 101},
    {"Numpad6", 102},       {"Numpad7", 103},      {"Numpad8", 104},        {"Numpad9", 105},
    {"NumpadMultiply", 106}, {"NumpadPlus", 107},  {"NumpadMinus", 109},    {"NumpadPeriod", 110},
    {"NumpadDivide", 111},  {"Semicolon", 186},    {"Equals", 187},         {"Comma", 188},
    {"Minus", 189},         {"Period", 190},       {"Slash", 191},          {"Grave", 192},
    {"LeftBracket", 219},   {"Backslash", 220},    {"RightBracket", 221},   {"Apostrophe", 222},
    {"MouseLeft", 1},       {"MouseRight", 2},     {"MouseMiddle", 4},
};

} // namespace

int PLT_VirtualKeyByName(const char* name)
{
    if (!name) return 0;
    for (const keyName& k : kKeyNames)
        if (strcasecmp(k.name, name) == 0) return k.code;
    return 0;
}

const char* PLT_KeyNameAt(int i, int* code)
{
    if (i < 0 || i >= (int)(sizeof kKeyNames / sizeof kKeyNames[0])) return nullptr;
    if (code) *code = kKeyNames[i].code;
    return kKeyNames[i].name;
}

int PLT_VirtualKeyFromMouseButton(int sdlButton)
{
    switch (sdlButton)
    {
    case SDL_BUTTON_LEFT:
        return 1;
    case SDL_BUTTON_RIGHT:
        return 2;
    case SDL_BUTTON_MIDDLE:
        return 4;
    default:
        return 0;
    }
}

int PLT_KeySourceFromSDL(int scancode)
{
    switch (scancode)
    {
    case SDL_SCANCODE_RSHIFT:
    case SDL_SCANCODE_RCTRL:
    case SDL_SCANCODE_RALT:
    case SDL_SCANCODE_KP_ENTER:
        return 1;
    case SDL_SCANCODE_RETURN2:
        return 2;
    default:
        return 0;
    }
}

void PLT_KeyEvent(int vk, int down, int source)
{
    if (vk <= 0 || vk >= kKeyCount || source < 0 || source > 7) return;
    const unsigned char bit = (unsigned char)(1u << source);
    if (down)
    {
        // Auto-repeat sends more downs while held, and a second key behind the same virtual
        // key is no new press either.
        if (!keyHeld[vk]) keyLatched[vk] = 1;
        keyHeld[vk] |= bit;
    }
    else
    {
        keyHeld[vk] &= (unsigned char)~bit;
    }
}

int16_t PLT_GetAsyncKeyState(int vk)
{
    if (vk < 0 || vk >= kKeyCount) return 0;
    int16_t state = keyHeld[vk] ? INT16_MIN : 0;
    if (keyLatched[vk]) state |= 1;
    keyLatched[vk] = 0;
    return state;
}

void PLT_ResetKeys()
{
    memset(keyHeld, 0, sizeof(keyHeld));
    memset(keyLatched, 0, sizeof(keyLatched));
}

static int gTyped[kPltTypedMax];
static int gTypedCount = 0;

static void Type(int entry)
{
    if (gTypedCount < kPltTypedMax) gTyped[gTypedCount++] = entry;
}

void PLT_TypedChar(int c)
{
    if (c >= 32 && c <= 126) Type(c);
}

void PLT_TypedKey(int vk)
{
    if (vk > 0 && vk < kKeyCount) Type(kPltTypedKey + vk);
}

int PLT_TakeTypedInput(int* out, int max)
{
    const int n = gTypedCount < max ? gTypedCount : max;
    memcpy(out, gTyped, sizeof(int) * n);
    gTypedCount = 0;
    return n;
}
