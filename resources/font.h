// The text font: the engine's own glyphs for the printable ASCII characters, the picture they are
// drawn into (a grid of 16 x 8 cells, one per character code 0 to 127), and the font texture the
// game loads, from the data folder's font picture when it has one, else from the built-in glyphs.
#pragma once

#include <GL/gl.h>

#include <vector>

// The data folder's font picture, relative to the data folder. A game may draw its own.
extern const char* const kFontPicturePath;

// The font picture's grid: character code c has the cell in column c % 16 and row c / 16. Cells
// whose code has no glyph (control codes) are empty; code 127 holds the box drawn for any byte
// the font has no glyph for.
const int kFontColumns = 16;
const int kFontRows = 8;
const int kFontMissingGlyph = 127;
// The built-in picture's size: cells of 32 x 64 pixels.
const int kFontPictureWidth = 512;
const int kFontPictureHeight = 512;

// 1 when the font has a glyph of its own for byte c (printable ASCII, 32 to 126).
int FontHasGlyph(unsigned char c);

// Draws the built-in glyphs into a kFontPictureWidth x kFontPictureHeight RGBA picture, rows top
// first: white, the alpha the glyph's coverage, diagonals joined and edges smoothed so that the
// letters stay clean when scaled. The same bytes on every run.
void RenderFontPicture(std::vector<unsigned char>* rgba);

// Makes the font texture: the data folder's font picture when there is one whose sides are
// multiples of 16 and 8 (cells at least 4 pixels wide and high), else the built-in glyphs; a
// picture that is there but unusable is reported with a console line. Needs a GL context.
// Returns the texture name (0 when no texture could be made); *cellAspect is a cell's width
// divided by its height, the width of a character drawn one unit high.
GLuint LoadFontTexture(float* cellAspect);
// Checks the data folder's font picture when there is one, as LoadFontTexture would read it,
// reporting each problem (for the content checker). 1 when it is usable or absent.
int CheckFontPicture();
