// The flat layer drawn over each frame, in window pixels with the font: the screen flash, the HUD
// text lines, the messages, the problem notices and the console.
#pragma once

// Makes the font texture now (the first text drawn would otherwise make it, in the middle of
// play). Needs the GL context and the data folder.
void LoadTextFont();

// Draws the layer over the frame in the current viewport. Leaves the projection and modelview
// matrices as it found them and the depth test on.
void DrawOverlay();

// Text in window pixels from the top left, with lines `height` pixels high: the width a text
// takes, and drawing it (with a dark shadow, so it reads on any background). Need the font
// texture, which the first call makes (a GL context must be current).
float TextWidth(const char* text, float height);
void DrawText(float x, float y, float height, const char* text, float r, float g, float b, float a);

// Line heights for the window's height: HUD text and notices, messages, console lines. Never
// below what stays readable, growing with the window.
float HudTextHeight(int windowHeight);
float MessageHeight(int windowHeight);
float ConsoleTextHeight(int windowHeight);
