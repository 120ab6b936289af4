// The in-game console: the engine's console lines kept for scrolling back, a line editor whose
// line runs as a script command line, and the notices that put a problem reported while playing
// at the top of the screen for a few seconds. The game is paused while the console is open.
#pragma once

#include <cstdint>

// The key left of 1 (grave, backquote) opens and closes the console.
const int kConsoleKey = 192;
// Lines kept for scrolling back, and the characters kept of each.
const int kConsoleLines = 500;
const int kConsoleLineMax = 255;
// Characters of the line being typed, and typed lines kept for Up and Down.
const int kConsoleInputMax = 120;
const int kConsoleHistory = 32;
// A problem line stays at the top of the screen this long (game time), and so many at once.
const uint32_t kNoticeMs = 5000;
const int kNotices = 3;

extern int gConsoleOpen;

// From now on every console line also goes into the scroll-back, and a line reporting a
// problem (every line but the level load's) becomes a notice unless the console is open. The
// sink in place before keeps receiving every line.
void CaptureConsoleOutput();
// Adds a line to the scroll-back only (the console's own echo of what was typed).
void ConsoleAddLine(const char* text);
// Lines in the scroll-back, and line n counted from the newest (0), or null.
int ConsoleLineCount();
const char* ConsoleLineFromNewest(int n);
// Empties the scroll-back, the notices, the typed line and its history (tests).
void ResetConsole();

// The console's part of a tick, after the keys were read: the console key opens or closes it
// (Escape closes it too); while it is open the typed input edits the line, Return runs it,
// Up and Down walk the history, Page Up and Page Down scroll. Returns 1 while the console is
// open and in the tick that closes it: the tick then leaves the game paused, and the game goes on
// from the next tick.
int ConsoleTick();
// Runs one typed line: echoed into the scroll-back and kept in the history. A register name
// ("i3", "f1", "b2", "s4") shows the register's value; anything else runs as a script command
// line (one instruction with its arguments).
void ConsoleRunLine(const char* line);

// The line being typed and the editor's cursor in it (characters from its start).
const char* ConsoleInputLine();
int ConsoleCursor();
// Lines scrolled back from the newest (0: the newest line is at the bottom).
int ConsoleScroll();

// The notices shown at game time now, oldest first, into texts (at most max); returns the count.
int ConsoleNotices(uint32_t now, const char** texts, int max);
