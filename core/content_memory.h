// The content memory budget: what decoded pictures and sound samples keep in memory, together,
// stays within one limit, so that a level or a mod cannot make the game take all the machine's
// memory with a few small files that decode big (an 8192x8192 PNG of 200 KB is 256 MB of pixels).
// Loaders reserve before they decode and release what they free; what does not fit is refused
// with a console line naming the file.
#pragma once

// The limit in bytes: 1 GB unless the command line (--content-memory MB) says otherwise.
extern long long gContentMemoryLimit;
constexpr long long kDefaultContentMemory = 1024LL << 20;

// Bytes reserved now.
long long ContentMemoryInUse();

// Reserves bytes for what path decodes into (what: "texture" or "sound"). 1, or 0 with the line
// "//Could not load PATH: its WHAT needs N MB, over what is left of the content memory (M of L MB;
// --content-memory raises it)".
int ReserveContentMemory(long long bytes, const char* path, const char* what);
// Gives reserved bytes back.
void ReleaseContentMemory(long long bytes);

// A texture's share: eight bytes a pixel and a third more for the smaller mipmap levels. The
// engine hands the driver four bytes a pixel (drivers keep RGB as RGBA), and the driver keeps a
// copy of its own as large again: the software renderer holds about 620 MB in the process for
// one 8192x8192 texture, whose pixels are 256 MB.
long long TextureMemoryBytes(long long width, long long height);

// The content checker installs this to hear what each picture and sample would keep (it loads
// nothing for good); readers call NoteContentMemory while gCheckOnly is set.
extern void (*gContentMemoryNoteHook)(const char* path, long long bytes);
void NoteContentMemory(const char* path, long long bytes);
