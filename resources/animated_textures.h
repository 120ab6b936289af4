// Animated textures: numbered series of picture frames in one folder, loaded at start from the
// animation list into 16 global slots that scripts put on materials.
#pragma once

#include <GL/gl.h>

#include <cstdint>

constexpr int kMaxAnimationFrames = 32;
constexpr int kAnimationSlots = 16;

struct animatedTexture
{
    GLuint frames[kMaxAnimationFrames]; // texture names of frames 1 to frameCount, in order
    int32_t frameDuration;              // ms each frame shows; at least 1
    int32_t totalDuration;              // frameDuration x the count in the info file, before the clamp
    int32_t frameCount;                 // 1 to kMaxAnimationFrames
};

// The slots; the list and scripts number them 1 to 16, stored at 0 to 15. A slot never loaded
// holds one frame of 100 ms whose texture name is 0.
extern animatedTexture gTextureAnimations[kAnimationSlots];

// 1 for each slot a line of the animation list names (the content checker's test of "anim").
extern unsigned char gAnimationSlotListed[kAnimationSlots];

// Reads the animation list at listPath and loads each entry into its slot. Line format:
//     <slot 1..16> "<folder under the data folder>","<unused path>"
// Empty lines are skipped; a line with a slot outside 1 to 16, or that does not scan, writes a
// console line and is skipped. A missing list loads nothing, silently. Needs the GL context.
// Start-up calls it with "%sAnimations%cwinlist.txt" formed from routePath and kDirectoryDevider.
void LoadAnimationFiles(const char* listPath);

// Loads the frames of folder (no trailing separator) into animation. The folder's "info.txt"
// holds the frame count, the frame duration in ms and the frames' base name, one per line;
// without it the animation is one frame of 100 ms with an empty base name. Frame i is the file
// "<folder>/<base> 0<i>.png" below 10 and "<folder>/<base> <i>.png" from 10. Frames without an
// alpha channel get alpha (r + g + b) / 3. Missing frame files leave empty texture objects
// without a console line (a problem sink hears of them); frames that cannot be decoded write a
// console line. While gCheckOnly is set frames are decoded only, no GL. Always returns 1.
// animation's old frame names are overwritten, not deleted.
int LoadAnimationFromFolder(const char* folder, animatedTexture* animation);
