// Connects the script instructions that read input and set the tint to the program's own
// state: the key and button snapshot, the pointer, the mouse view switch, the screen and the tint.
#pragma once

// Registers the program's input and tint with the script layer (gScriptInput, gScriptTint) and
// the roster's disposal hook that forgets the last actor a line test hit. Part of
// RegisterEngineHooks.
void RegisterScriptAccess();
