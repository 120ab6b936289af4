// Textures: loading picture files into GL texture objects, the level's texture list resolved by
// file name, and the path and line helpers every content loader shares.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdio>
#include <string>

// One entry of the level's texture list.
struct textureFile
{
    GLuint glName;
    char fileName[68]; // bare file name, without folders; at most 67 characters
    textureFile* next;
};

// Head of the texture list (a dummy; its next is the first entry).
extern textureFile baseTexture;
// Cursor of the texture list: LoadTextures leaves it on the last entry.
extern textureFile* texturePtr;
// Set to 1 by every texture load; the model loader flips v while it is set, because pictures are
// uploaded with their first row at t = 0.
extern int gSwapTextureV;

// Longest line Read1Line stores; its buffer must hold kMaxLineLength + 1 bytes.
constexpr int kMaxLineLength = 513;

// Loads the PNG file at path into a new texture object written to *outName (linear filters, all
// mipmap levels). Returns 0 when the file cannot be opened, else 1. A file that opens but cannot
// be decoded writes a console line and still returns 1 with an empty texture object, so the
// texture list keeps its entry. Sets gSwapTextureV to 1 first, even for a missing file. While
// gCheckOnly is set the file is only decoded (problems reported) and *outName is 0.
int LoadTextureWithLibPNG(const char* path, GLuint* outName);

// The model loader's entry for material textures: loads path, a PNG or a BMP file (told apart by
// content, so the ".bmp" fall-back name works), into a new texture object written to *outId.
// Returns 1 with a ready texture; 0 when the file is missing (no message) or cannot be decoded
// (a console line), in which case no texture object is made and *outId is set to 0 — the
// material then stays plain colour. Sets gSwapTextureV to 1 first, like LoadTextureWithLibPNG.
// The texture is not in the texture list and is never deleted by FreeTextureList. While
// gCheckOnly is set the file is only decoded: 1 when it decodes, with *outId 0.
int LoadTextureFile(const char* path, GLuint* outId);

// Reads a texture list file: one path per line relative to routePath, '/' or ':' as separators;
// the first empty line or the end of the file ends the list; CR LF counts as one line end.
// Starts a new list (a list still present is freed first) and appends one entry per existing
// file; a missing file is skipped with a console line naming the list and line, a missing list
// silently. A line that is absolute or holds a ".." component is refused with a console line:
// pictures come from inside the data folder.
void LoadTextures(const char* listPath);

// GL name of the first list entry whose file name is exactly name, or 0. name is normalised in
// place by FixPathString first, so a name with a folder part never matches. Does not move
// texturePtr.
GLuint GetTextureByName(char* name);

// Gives back every texture of the list (ReleaseTexture), frees every entry and puts texturePtr
// back on the head. For the level unload and the engine reset; needs the GL context.
void FreeTextureList();

// Every loader above shares textures: the same picture file asked for twice is one texture
// object, counted once against the content memory (core/content_memory.h).
// The texture of the PNG file path as an animation frame uses it (alphaFromMean: a picture
// without alpha gets one from SetAlphaFromMeanOfRGB): 0 when the file is missing or refused,
// else a texture object, empty when the file could not be loaded (reported).
GLuint LoadSharedTexture(const char* path, int alphaFromMean);
// Decodes the picture file at path again into every texture made from it, so that every
// material, list entry and animation frame showing it shows the new picture: the count of
// textures renewed, 0 when no texture was made from that file, or -1 with why (at least 200
// bytes) when the file cannot be decoded, in which case every texture keeps the last good one.
int ReloadPicture(const char* path, char* why, int whySize);
// Gives back a texture from the loaders above; the object is deleted with its last user. A name
// they did not make is simply deleted.
void ReleaseTexture(GLuint name);

// Replaces every '/' and ':' in path by kDirectoryDevider, in place.
void FixPathString(char* path);

// Reads one line into buffer (at least kMaxLineLength + 1 bytes) up to a carriage return or line
// feed, which is not stored. Each of CR and LF ends a line, so CR LF gives a line and then an
// empty line. A line longer than kMaxLineLength is cut there and its rest skipped up to the line
// end. Returns -1 when the end of the file was reached, else 0; the buffer is always terminated.
int Read1Line(FILE* file, char* buffer);

// Read1Line for any buffer size (at least 1). joinCRLF: a CR directly followed by LF is one line
// end. *wasCut (when not null) is set to 1 if the line was longer than size - 1 and cut. *whole
// (when not null) gets the whole line, however long (the file's size limit bounds it).
int ReadBoundedLine(FILE* file, char* buffer, size_t size, int joinCRLF, int* wasCut,
                    std::string* whole = nullptr);

// Called for each line of a list file with the line (at most kMaxLineLength characters, line end
// removed) and its number, counted from 1. Returns 1 to go on, 0 to stop reading.
typedef int (*listLineProc)(char* line, int lineNumber, void* context);

// Walks the lines of an open list file (texture, animation and sound lists): CR LF is one line
// end; a line longer than kMaxLineLength is reported as "//<kind> <listPath>: line N is longer
// than ... characters, skipped" and skipped. An empty line is skipped, or ends the list when
// emptyLineEnds is set. The caller opens and closes the file.
void ReadListLines(FILE* list, const char* listPath, const char* kind, int emptyLineEnds,
                   listLineProc eachLine, void* context);
