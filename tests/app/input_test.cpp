// Key snapshots per tick, the pressed-since-last-poll latch, and the SDL to virtual-key table.
#include <gtest/gtest.h>

#include <SDL.h>

#include "app/input.h"
#include "platform/keys.h"

// One game tick as the tick runs it: sample first, remember last.
static void Tick()
{
    GetAllKeys();
}
static void EndTick()
{
    SaveOldKeys();
}

class InputTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        PLT_ResetKeys();
        GetAllKeys();
        SaveOldKeys();
    }
};

TEST_F(InputTest, PressAndReleaseBetweenTicksReadsOnce)
{
    const int space = 32;
    PLT_KeyEvent(space, 1);
    PLT_KeyEvent(space, 0);

    Tick();
    EXPECT_NE(IsKeyDown(space), 0);
    EXPECT_EQ(keyMap[space], 1); // not held, only latched
    EXPECT_EQ(IsKeyDownNow(space), 1);
    EXPECT_EQ(WasKeyDown(space), 0);
    EndTick();

    Tick();
    EXPECT_EQ(IsKeyDown(space), 0);
    EXPECT_EQ(IsKeyDownNow(space), 0);
    EXPECT_NE(WasKeyDown(space), 0);
    EndTick();

    Tick();
    EXPECT_EQ(WasKeyDown(space), 0);
    EndTick();
}

TEST_F(InputTest, HeldKeyIsNegativeAndDownNowOnlyOnce)
{
    const int a = 'A';
    PLT_KeyEvent(a, 1);

    Tick();
    EXPECT_LT(IsKeyDown(a), 0);
    EXPECT_EQ(keyMap[a], -32767); // 0x8001 sign-extended: held and newly pressed
    EXPECT_EQ(IsKeyDownNow(a), 1);
    EndTick();

    // Auto-repeat while held is not a new press.
    PLT_KeyEvent(a, 1);
    Tick();
    EXPECT_EQ(keyMap[a], -32768);
    EXPECT_EQ(IsKeyDownNow(a), 0);
    EXPECT_LT(WasKeyDown(a), 0);
    EndTick();

    PLT_KeyEvent(a, 0);
    Tick();
    EXPECT_EQ(IsKeyDown(a), 0);
    EXPECT_LT(WasKeyDown(a), 0);
    EndTick();

    // Released and pressed again within one tick: a fresh press while held.
    PLT_KeyEvent(a, 1);
    PLT_KeyEvent(a, 0);
    PLT_KeyEvent(a, 1);
    Tick();
    EXPECT_EQ(keyMap[a], -32767);
    EXPECT_EQ(IsKeyDownNow(a), 1);
    EndTick();

    // Other keys are untouched.
    EXPECT_EQ(IsKeyDown('B'), 0);
}

TEST_F(InputTest, LatchIsPerKeyAndClearedByReading)
{
    PLT_KeyEvent(37, 1);
    PLT_KeyEvent(37, 0);
    PLT_KeyEvent(39, 1);
    PLT_KeyEvent(39, 0);
    EXPECT_EQ(PLT_GetAsyncKeyState(37), 1);
    EXPECT_EQ(PLT_GetAsyncKeyState(37), 0);
    EXPECT_EQ(PLT_GetAsyncKeyState(39), 1);

    // Focus loss forgets held keys.
    PLT_KeyEvent(38, 1);
    PLT_ResetKeys();
    EXPECT_EQ(PLT_GetAsyncKeyState(38), 0);
}

TEST_F(InputTest, OutOfRangeCodesAreNeverDown)
{
    PLT_KeyEvent(300, 1);
    PLT_KeyEvent(-5, 1);
    Tick();
    EndTick();
    for (int code : {-1, -100000, 256, 1000, 0x7fffffff})
    {
        EXPECT_EQ(IsKeyDown(code), 0);
        EXPECT_EQ(IsKeyDownNow(code), 0);
        EXPECT_EQ(WasKeyDown(code), 0);
        EXPECT_EQ(PLT_GetAsyncKeyState(code), 0);
    }
    for (int code = 0; code < 256; code++)
        EXPECT_EQ(keyMap[code], 0) << code;
}

TEST(Input, MacSpecialKeys)
{
    EXPECT_EQ(ConvertSpecialMacToWinKey(36), 13);
    EXPECT_EQ(ConvertSpecialMacToWinKey(53), 27);
    EXPECT_EQ(ConvertSpecialMacToWinKey(56), 16);
    EXPECT_EQ(ConvertSpecialMacToWinKey(57), 20);
    EXPECT_EQ(ConvertSpecialMacToWinKey(58), 21);
    EXPECT_EQ(ConvertSpecialMacToWinKey(59), 17);
    EXPECT_EQ(ConvertSpecialMacToWinKey(76), 13);
    EXPECT_EQ(ConvertSpecialMacToWinKey(0), 0);
    EXPECT_EQ(ConvertSpecialMacToWinKey(13), 0);
    EXPECT_EQ(ConvertSpecialMacToWinKey(-36), 0);
}

TEST(Input, VirtualKeyTable)
{
    // Letters follow the layout: on AZERTY the key in the Q position types 'a'.
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_A, SDLK_a), 65);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_Z, SDLK_z), 90);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_Q, SDLK_a), 65);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_SEMICOLON, SDLK_m), 77);
    // A non-letter symbol on a letter position is no letter.
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_M, SDLK_COMMA), 0);
    // A non-Latin layout keeps the letter of the position.
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_F, 0x0430), 70);

    // Everything else by position, whatever the layout types there.
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_1, SDLK_AMPERSAND), 49);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_0, SDLK_0), 48);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_9, SDLK_9), 57);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_SPACE, SDLK_SPACE), 32);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_RETURN, SDLK_RETURN), 13);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER), 13);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE), 27);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE), 8);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_TAB, SDLK_TAB), 9);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT), 16);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_RSHIFT, SDLK_RSHIFT), 16);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_RCTRL, SDLK_RCTRL), 17);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_LALT, SDLK_LALT), 18);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_CAPSLOCK, SDLK_CAPSLOCK), 20);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_PAGEUP, SDLK_PAGEUP), 33);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN), 34);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_END, SDLK_END), 35);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_HOME, SDLK_HOME), 36);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_LEFT, SDLK_LEFT), 37);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_UP, SDLK_UP), 38);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_RIGHT, SDLK_RIGHT), 39);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_DOWN, SDLK_DOWN), 40);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_INSERT, SDLK_INSERT), 45);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_DELETE, SDLK_DELETE), 46);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_KP_0, SDLK_KP_0), 96);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_KP_1, SDLK_KP_1), 97);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_KP_9, SDLK_KP_9), 105);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_KP_MULTIPLY, SDLK_KP_MULTIPLY), 106);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS), 107);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_KP_MINUS, SDLK_KP_MINUS), 109);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_KP_PERIOD, SDLK_KP_PERIOD), 110);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_KP_DIVIDE, SDLK_KP_DIVIDE), 111);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_F1, SDLK_F1), 112);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_F12, SDLK_F12), 123);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON), 186);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_EQUALS, SDLK_EQUALS), 187);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_COMMA, SDLK_COMMA), 188);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_MINUS, SDLK_MINUS), 189);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_PERIOD, SDLK_PERIOD), 190);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_SLASH, SDLK_SLASH), 191);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_GRAVE, SDLK_BACKQUOTE), 192);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_LEFTBRACKET, SDLK_LEFTBRACKET), 219);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_BACKSLASH, SDLK_BACKSLASH), 220);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_RIGHTBRACKET, SDLK_RIGHTBRACKET), 221);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_APOSTROPHE, SDLK_QUOTE), 222);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_F13, SDLK_F13), 0);
    EXPECT_EQ(PLT_VirtualKeyFromSDL(SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN), 0);

    EXPECT_EQ(PLT_VirtualKeyFromMouseButton(SDL_BUTTON_LEFT), 1);
    EXPECT_EQ(PLT_VirtualKeyFromMouseButton(SDL_BUTTON_RIGHT), 2);
    EXPECT_EQ(PLT_VirtualKeyFromMouseButton(SDL_BUTTON_MIDDLE), 4);
    EXPECT_EQ(PLT_VirtualKeyFromMouseButton(SDL_BUTTON_X1), 0);
}
