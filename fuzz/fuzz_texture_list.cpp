// Fuzzes the level texture list reader: the input is a "tex" file. The sandbox holds a few
// pictures (one of them damaged) under names the list may give, with either separator, so that
// entries are made, looked up by name and freed with their texture objects.
#include "fuzz_support.h"

#include "resources/textures.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Sandbox();
    fuzz::MakeGLContext();
    fuzz::CopySourceFile("fuzz/corpus/png/rgb-2x2.png", "Textures/wall.png");
    fuzz::CopySourceFile("fuzz/corpus/png/rgba-2x1.png", "Textures/glass.png");
    fuzz::CopySourceFile("fuzz/corpus/png/png-huge-text-chunk.png", "Textures/broken.png");
    fuzz::CopySourceFile("fuzz/corpus/png/palette-2x2.png", "floor.png");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = fuzz::WriteFile("tex", data, size);
    LoadTextures(path.c_str());
    for (textureFile* t = baseTexture.next; t; t = t->next)
    {
        if (strnlen(t->fileName, sizeof t->fileName) == sizeof t->fileName) abort();
        char name[sizeof t->fileName];
        memcpy(name, t->fileName, sizeof name);
        // The first entry of a name is the one found.
        textureFile* first = baseTexture.next;
        while (strcmp(first->fileName, t->fileName) != 0)
            first = first->next;
        if (GetTextureByName(name) != first->glName) abort();
    }
    char folderName[] = "Textures/wall.png";
    if (GetTextureByName(folderName)) abort();
    FreeTextureList();
    return 0;
}
