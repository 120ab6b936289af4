// Keyboard and mouse-button state in Windows virtual-key codes, fed by the window's event pump.
// Engine code reads keys only through PLT_GetAsyncKeyState; SDL types never leave platform/.
#pragma once

#include <cstdint>

// Virtual-key code for an SDL key event: letters from the layout's key symbol (keycode), every
// other key from the physical scancode. 0 when the key has no virtual-key code.
int PLT_VirtualKeyFromSDL(int scancode, int keycode);
// Virtual-key code of an SDL mouse button (left 1, right 2, middle 4); 0 for others.
int PLT_VirtualKeyFromMouseButton(int sdlButton);

// The virtual-key code of a key name as scripts write it ("Escape", "Space", "F1", "PageUp",
// "Delete", "Numpad5", "MouseLeft"...; letters in either case), or 0 for no such name. The
// names are listed by PLT_KeyNameAt. Single characters are not names: "a" is the A key's own code.
int PLT_VirtualKeyByName(const char* name);
// The i-th name of the table (for documentation and tests) and its code; null past the last.
const char* PLT_KeyNameAt(int i, int* code);

// Which of the physical keys that share one virtual-key code an SDL scancode is: 0 for the left
// (or main) key, 1 for the right Shift, Ctrl and Alt and the keypad Enter, 2 for the second Return.
int PLT_KeySourceFromSDL(int scancode);

// Called by the event pump for every key or button change. source tells apart the physical keys
// behind one virtual key: the virtual key stays down while any of them is held.
void PLT_KeyEvent(int vk, int down, int source = 0);

// The asynchronous key state of vk (0..255): bit 15 set (negative) while held, bit 0 set when
// the key went down since the previous call for this key, even if it is already released.
int16_t PLT_GetAsyncKeyState(int vk);

// Forgets every key (window focus lost, tests).
void PLT_ResetKeys();

// Typed input for a line editor, kept apart from the key state: printable characters as their
// codes (32 to 126) and every key going down, auto-repeats included, as kPltTypedKey plus its
// virtual-key code, in the order they came. At most kPltTypedMax entries wait between two takes;
// later ones are dropped.
const int kPltTypedKey = 256;
const int kPltTypedMax = 256;
// Called by the event pump: a typed character (ignored unless printable) or a key going down.
void PLT_TypedChar(int c);
void PLT_TypedKey(int vk);
// Moves what was typed since the last call into out (at most max entries) and returns the count.
int PLT_TakeTypedInput(int* out, int max);
