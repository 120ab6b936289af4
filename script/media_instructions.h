// The instructions that test lines against the world, snapshot the roster, change materials and
// the tint, play sounds, and read the keys, the mouse buttons and the pointer into registers.
#pragma once

#include "core/vecmath.h"
#include "script/script_records.h"

// The channel "sndplay" and "sndloop" use; -1 (the start value) lets the sound layer choose.
extern int gScriptChannel;

// What the program above the script layer samples each tick, for "key", "click" and "mouse".
// The program registers it at start-up; while a member is null the instructions that need it
// do nothing.
struct VXR_ProgramInput
{
    int (*isKeyDown)(int code);
    int (*isKeyDownNow)(int code);
    int (*wasKeyDown)(int code);
    int (*convertMacKey)(int macCode); // a Macintosh special-key code to a virtual-key code
    int* mouseButtons;                 // this tick's left, right and middle button
    int* oldMouseButtons;              // as the last "click" left them
    const Point* mouseLoc;             // the cursor in screen pixels
    const int* doMouseView;
    void (*screenSize)(int* width, int* height);
};
extern VXR_ProgramInput gScriptInput;

// The tint colour "rgb" sets; registered by the program with gScriptInput (null: "rgb" does
// nothing).
extern float* gScriptTint[3];

// Decoders, run once when a statement compiles.
void VXR_DecodePoke(const char* p, VXR_DecodedArgs* a);           // r,p[,team]
void VXR_DecodeRegister(const char* p, VXR_DecodedArgs* a);       // n, required
void VXR_DecodeTruthWord(const char* p, VXR_DecodedArgs* a);      // word, or b1 when empty
void VXR_DecodeTexture(const char* p, VXR_DecodedArgs* a);        // m,"texture"
void VXR_DecodeAnimation(const char* p, VXR_DecodedArgs* a);      // m,a,restart
void VXR_DecodeMaterialValues(const char* p, VXR_DecodedArgs* a); // m,v1[,v2,v3] (i1, f1..f3)
void VXR_DecodeSound(const char* p, VXR_DecodedArgs* a);          // n,x,y,z (i1, f1..f3)
void VXR_DecodeKey(const char* p, VXR_DecodedArgs* a);            // k,n,c
void VXR_DecodeClick(const char* p, VXR_DecodedArgs* a);          // n,c or empty

// Line tests and snapshots.
void vxrinstr_poke(VXR_DecodedArgs* a);
void vxrinstr_teampoke(VXR_DecodedArgs* a);
void vxrinstr_savekey(VXR_DecodedArgs* a);
void vxrinstr_dist(VXR_DecodedArgs* a);

// Display and materials.
void vxrinstr_hud(VXR_DecodedArgs* a);
void vxrinstr_lux(VXR_DecodedArgs* a);
void vxrinstr_tex(VXR_DecodedArgs* a);
void vxrinstr_anim(VXR_DecodedArgs* a);
void vxrinstr_col(VXR_DecodedArgs* a);
void vxrinstr_alpha(VXR_DecodedArgs* a);
void vxrinstr_rgb(VXR_DecodedArgs* a);

// Sounds.
void vxrinstr_sndplay(VXR_DecodedArgs* a);
void vxrinstr_sndloop(VXR_DecodedArgs* a);
void vxrinstr_sndstop(VXR_DecodedArgs* a);
void vxrinstr_channel(VXR_DecodedArgs* a);

// Input, pointer and distance.
void vxrinstr_key(VXR_DecodedArgs* a);
void vxrinstr_click(VXR_DecodedArgs* a);
void vxrinstr_mouse(VXR_DecodedArgs* a);

// The line from the eye through the pointer (the screen centre in mouse view), as "mouse" puts
// it into f1..f6: a point 0.01 along it and one 1000 along it. 0 while no screen is known.
int VXR_PointerLine(vector_type* nearPoint, vector_type* farPoint);

// Forgets the actor the last line test hit when that actor is freed, so `get "coll"` never
// reaches a freed record. The program registers it as the roster's disposal hook.
void VXR_ForgetHitActor(human_being* h);
