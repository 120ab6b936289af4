// Fuzzes the animation list and the info file of an animation folder. The input holds both: the
// list ("Animations/winlist.txt"), then a line "@@info@@", then the info file of the folder
// "Anims/walk", whose frames "walk 01.png" and "walk 02.png" are in the sandbox.
#include "fuzz_support.h"

#include "resources/animated_textures.h"
#include "resources/textures.h"

#include <GL/gl.h>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Sandbox();
    fuzz::MakeGLContext();
    fuzz::CopySourceFile("fuzz/corpus/png/rgb-2x2.png", "Anims/walk/walk 01.png");
    fuzz::CopySourceFile("fuzz/corpus/png/rgba-2x1.png", "Anims/walk/walk 02.png");
    fuzz::CopySourceFile("fuzz/corpus/png/grey-3x1.png", "Anims/still/ 01.png");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string parts[2];
    fuzz::Split(data, size, "\n@@info@@\n", parts, 2);
    std::string list = fuzz::WriteFile("Animations/winlist.txt", parts[0]);
    fuzz::WriteFile("Anims/walk/info.txt", parts[1]);
    LoadAnimationFiles(list.c_str());
    for (animatedTexture& slot : gTextureAnimations)
    {
        if (slot.frameCount < 1 || slot.frameCount > kMaxAnimationFrames || slot.frameDuration < 1 ||
            slot.totalDuration < 1)
            abort();
        for (GLuint& frame : slot.frames)
            if (frame)
            {
                // Frames are shared by file: given back, not deleted behind the loader's back.
                ReleaseTexture(frame);
                frame = 0;
            }
        slot.frameCount = 1;
        slot.frameDuration = slot.totalDuration = 100;
    }
    return 0;
}
