// Shared by the texture tests: a hidden GL context, console capture and small picture writers.
#pragma once

#include <GL/gl.h>

#include <string>
#include <vector>

// Creates one hidden SDL window with a GL context for the whole test program (made current on
// first use). Returns false when no context can be had.
bool EnsureGLContext();

// Console lines written since the last ClearConsoleLines (captures OutputToConsole).
void CaptureConsole();
void ClearConsoleLines();
const std::vector<std::string>& ConsoleLines();
bool ConsoleHasLine(const std::string& part);

// Writes a PNG with libpng. colorType and bitDepth are libpng's; data holds the rows top first,
// packed as libpng expects for that type (16-bit samples big-endian). palette: RGB triples for
// palette pictures; trns: transparency bytes for palette entries.
bool WriteTestPng(const std::string& path, int width, int height, int colorType, int bitDepth,
                  const std::vector<unsigned char>& data, const std::vector<unsigned char>& palette = {},
                  const std::vector<unsigned char>& trns = {}, bool interlaced = false);

// Writes a 24-bit bottom-up BMP from RGB rows given top first.
bool WriteTestBmp(const std::string& path, int width, int height,
                  const std::vector<unsigned char>& rgbTopFirst);

// Level-0 size and RGBA pixels of texture name (glGetTexImage).
void ReadTexture(GLuint name, int level, int* width, int* height, std::vector<unsigned char>* rgba);
