// The keyboard and mouse snapshot of one tick: every virtual key's state now and in the
// previous tick, and the mouse buttons and cursor that the tick records for scripts.
#pragma once

#include <cstdint>

#include "core/vecmath.h"

// This tick's asynchronous state of every virtual key, sign-extended: negative while held,
// bit 0 set when the key went down since the previous tick (even if already released).
extern int32_t keyMap[256];
// keyMap as it was in the previous tick.
extern int32_t oldKeyMap[256];

// Only element 0 (left button) is used. The tick fills gMouseButtons from keyMap[1];
// gOldMouseButtons changes only at the script's click test.
extern int gMouseButtons[3];
extern int gOldMouseButtons[3];
// Cursor position in screen pixels, read by the tick.
extern Point gMouseLoc;

// What was typed since the previous tick, for the console's line editor: printable characters
// (32 to 126) and keys going down with their repeats (kTypedKey + virtual-key code), in order.
const int kTypedKey = 256;
const int kTypedMax = 256;
extern int gTypedInput[kTypedMax];
extern int gTypedCount;

// The tick calls GetAllKeys first and SaveOldKeys last, so every key test of one tick sees
// the same snapshot. GetAllKeys also takes what was typed: all input a tick acts on is read here
// and in the tick's cursor reading.
void GetAllKeys();
// The same snapshot from key states and typed input given (a tick's input as app/replay.h takes
// it from the devices or from a recording).
void GetAllKeysFrom(const int16_t states[256], const int* typed, int typedCount);
void SaveOldKeys();
// Every key down in this tick's snapshot reads as up from now on: at once, and for a held key
// in every later snapshot until it has been released. A key that closed the console must not
// reach the game.
void SwallowHeldKeys();

// Key tests by virtual-key code. A code outside 0..255 is never down: they all return 0.
// Non-zero when the key is held or went down since the previous tick.
int IsKeyDown(int code);
// 1 when the key is down in this tick and was not in the previous one.
int IsKeyDownNow(int code);
// The previous tick's state of the key.
int WasKeyDown(int code);

// The virtual-key code for a Macintosh special-key code (Return, Escape, Shift, Caps Lock,
// Option, Control, Enter), 0 for any other code.
int ConvertSpecialMacToWinKey(int macCode);
