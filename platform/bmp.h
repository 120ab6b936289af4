// BMP decoding for the texture loader, on SDL. Engine code gets plain RGBA bytes and never sees
// SDL types.
#pragma once

// Reads the BMP file at path into a new buffer of RGBA bytes (4 a pixel, rows top first as the
// picture is seen), which the caller frees with PLT_FreeBMP. hasAlpha is 1 when the file carries
// an alpha channel; otherwise every alpha byte is 255. Returns 1, or 0 with the reason in err.
int PLT_DecodeBMP(const char* path, unsigned char** rgba, int* width, int* height, int* hasAlpha, char* err,
                  int errSize);
void PLT_FreeBMP(unsigned char* rgba);
