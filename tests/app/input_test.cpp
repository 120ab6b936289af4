// Key snapshots per tick, the pressed-since-last-poll latch, and the SDL to virtual-key table.

#include "play_util.h"

#include <SDL.h>

#include "app/input.h"
#include "platform/keys.h"
#include "platform/window.h"

TEST(InputTest, TicksSeeLatchedAndHeldKeys)
{
    PLT_ResetKeys();
    GetAllKeys();
    SaveOldKeys();
    // Each tick: key events before it ('d' down, 'u' up), then keyMap, IsKeyDownNow and
    // WasKeyDown as the tick sees them (sample first, remember last).
    const std::tuple<const char*, int, int, int> ticks[] = {
        {"du", 1, 1, 0}, // pressed and released between ticks: latched, read once
        {"", 0, 0, 1},
        {"", 0, 0, 0},
        {"d", -32767, 1, 0},      // 0x8001 sign-extended: held and newly pressed
        {"d", -32768, 0, -32767}, // auto-repeat while held is not a new press
        {"u", 0, 0, -32768},
        {"dud", -32767, 1, 0}, // released and pressed again within one tick
    };
    for (const auto& [events, map, now, was] : ticks)
    {
        for (const char* e = events; *e; e++)
            PLT_KeyEvent('A', *e == 'd');
        GetAllKeys();
        EXPECT_EQ((std::vector<int>{map, now, was}),
                  (std::vector<int>{keyMap[int('A')], IsKeyDownNow('A'), WasKeyDown('A')}))
            << events;
        SaveOldKeys();
    }
    EXPECT_EQ(IsKeyDown('B'), 0);

    // The latch is per key and cleared by reading; focus loss forgets held keys.
    PLT_KeyEvent(37, 1);
    PLT_KeyEvent(37, 0);
    PLT_KeyEvent(39, 1);
    EXPECT_EQ(PLT_GetAsyncKeyState(37), 1);
    EXPECT_EQ(PLT_GetAsyncKeyState(37), 0);
    PLT_ResetKeys();
    EXPECT_EQ(PLT_GetAsyncKeyState(39), 0);

    // Codes out of range are never down, nor written anywhere.
    PLT_KeyEvent(300, 1);
    PLT_KeyEvent(-5, 1);
    GetAllKeys();
    SaveOldKeys();
    for (int code : {-1, -100000, 256, 0x7fffffff})
        EXPECT_EQ(IsKeyDown(code) | IsKeyDownNow(code) | WasKeyDown(code) | PLT_GetAsyncKeyState(code), 0)
            << code;
    for (int code = 0; code < 256; code++)
        EXPECT_EQ(keyMap[code], 0) << code;

    // Closing the console swallows the keys held then until they are released; a key that was up
    // counts as soon as it goes down.
    PLT_KeyEvent('C', 1);
    GetAllKeys();
    SwallowHeldKeys();
    PLT_KeyEvent('B', 1);
    GetAllKeys();
    EXPECT_EQ((std::vector<bool>{keyMap[int('C')] == 0, keyMap[int('B')] < 0}),
              (std::vector<bool>{true, true}));
    PLT_KeyEvent('C', 0);
    GetAllKeys();
    PLT_KeyEvent('C', 1);
    GetAllKeys();
    EXPECT_LT(keyMap[int('C')], 0);
}

TEST(Input, KeyTables)
{
    const int mac[][2] = {{36, 13}, {53, 27}, {56, 16}, {57, 20}, {58, 21},
                          {59, 17}, {76, 13}, {0, 0},   {13, 0},  {-36, 0}};
    for (auto& m : mac)
        EXPECT_EQ(ConvertSpecialMacToWinKey(m[0]), m[1]) << m[0];

    // Letters follow the layout (AZERTY Q position types 'a'); a symbol on a letter position is
    // no letter; a non-Latin layout keeps the letter of the position; the rest goes by position.
    // clang-format off
    const struct { SDL_Scancode scan; SDL_Keycode sym; int vk; } table[] = {
        {SDL_SCANCODE_A, SDLK_a, 65}, {SDL_SCANCODE_Q, SDLK_a, 65}, {SDL_SCANCODE_SEMICOLON, SDLK_m, 77},
        {SDL_SCANCODE_M, SDLK_COMMA, 0}, {SDL_SCANCODE_F, 0x0430, 70}, {SDL_SCANCODE_1, SDLK_AMPERSAND, 49},
        {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, 13}, {SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, 16},
        {SDL_SCANCODE_LEFT, SDLK_LEFT, 37}, {SDL_SCANCODE_KP_9, SDLK_KP_9, 105},
        {SDL_SCANCODE_KP_DIVIDE, SDLK_KP_DIVIDE, 111}, {SDL_SCANCODE_F12, SDLK_F12, 123},
        {SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON, 186}, {SDL_SCANCODE_APOSTROPHE, SDLK_QUOTE, 222},
        {SDL_SCANCODE_F13, SDLK_F13, 0}, {SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN, 0}};
    // clang-format on
    for (auto& t : table)
        EXPECT_EQ(PLT_VirtualKeyFromSDL(t.scan, t.sym), t.vk) << t.scan;

    EXPECT_EQ(PLT_VirtualKeyFromMouseButton(SDL_BUTTON_MIDDLE), 4);
    EXPECT_EQ(PLT_VirtualKeyFromMouseButton(SDL_BUTTON_X1), 0);
}

namespace
{
void PushKey(SDL_Scancode scan, bool down)
{
    SDL_Event e = {};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP, e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = scan, e.key.keysym.sym = SDL_GetKeyFromScancode(scan);
    SDL_PushEvent(&e);
}
void PumpAll()
{
    for (PLT_Event event; PLT_PollEvent(&event);)
        continue;
}
bool Held(int vk)
{
    return PLT_GetAsyncKeyState(vk) < 0;
}
} // namespace

TEST(InputEvents, TwoKeysBehindOneVirtualKeyAndFocusLoss)
{
    char err[256];
    ASSERT_TRUE(PLT_InitVideo(err, sizeof err)) << err;
    PumpAll();
    PLT_ResetKeys();
    // Left and right (or main and keypad) keys: releasing one leaves the virtual key down while
    // the other is held, whichever goes first.
    const std::tuple<SDL_Scancode, SDL_Scancode, int> pairs[] = {
        {SDL_SCANCODE_LSHIFT, SDL_SCANCODE_RSHIFT, 16},
        {SDL_SCANCODE_RCTRL, SDL_SCANCODE_LCTRL, 17},
        {SDL_SCANCODE_LALT, SDL_SCANCODE_RALT, 18},
        {SDL_SCANCODE_KP_ENTER, SDL_SCANCODE_RETURN, 13}};
    for (const auto& [a, b, vk] : pairs)
    {
        PushKey(a, true);
        PushKey(b, true);
        PushKey(a, false);
        PumpAll();
        EXPECT_TRUE(Held(vk)) << vk;
        PushKey(b, false);
        PumpAll();
        EXPECT_FALSE(Held(vk)) << vk;
    }

    // Keys held when the window loses the focus are released: their key-up goes elsewhere.
    for (SDL_Scancode key : {SDL_SCANCODE_W, SDL_SCANCODE_LSHIFT, SDL_SCANCODE_RSHIFT})
        PushKey(key, true);
    PumpAll();
    ASSERT_TRUE(Held('W') && Held(16));
    SDL_Event focus = {};
    focus.type = SDL_WINDOWEVENT, focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&focus);
    PumpAll();
    EXPECT_FALSE(Held('W') || Held(16));
    PLT_QuitVideo();
}
