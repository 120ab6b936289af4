// BMP decoding for the texture loader, on SDL. Engine code gets plain RGBA bytes and never sees
// SDL types.
#pragma once

// Reads the BMP file at path into a new buffer of RGBA bytes (4 a pixel, rows top first as the
// picture is seen), which the caller frees with PLT_FreeBMP. hasAlpha is 1 when the file carries
// an alpha channel; otherwise every alpha byte is 255. The header is checked first: a side over
// maxSide, a bit depth or compression no BMP has, or pixels the file is too short to hold refuse
// the file before any pixel memory is taken. Returns 1, or 0 with the reason in err.
int PLT_DecodeBMP(const char* path, int maxSide, unsigned char** rgba, int* width, int* height, int* hasAlpha,
                  char* err, int errSize);
void PLT_FreeBMP(unsigned char* rgba);

// The header check alone, on the file's bytes (at least the first 34; fewer refuse the file).
// Returns 1 when the header is one SDL may be given, else 0 with the reason in err.
int PLT_CheckBMPHeader(const unsigned char* bytes, long fileSize, int maxSide, char* err, int errSize);
