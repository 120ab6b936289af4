// Words and flashes on screen that scripts ask for: centred messages shown for a time, lines of
// text kept on the heads-up display, and a flash of colour over the view. The script layer owns
// what is shown; the program draws it each frame (app/overlay).
#pragma once

#include "script/script_records.h"

#include <cstdint>

// A shown text after its register references are filled in holds at most this many characters.
const int kScreenTextMax = 127;
// Messages on screen at once (a newer one pushes out the oldest) and lines of HUD text.
const int kMessageSlots = 4;
const int kHudTextLines = 8;
// How long a message stays when its time is not given, in seconds.
const float kDefaultMessageSeconds = 3.0f;

// A centred message: shown from `start` for `duration` ms of game time (the game clock stops
// while the game is paused, and so do messages).
struct screenMessage
{
    char text[kScreenTextMax + 1];
    float colour[3];
    uint32_t start;
    uint32_t duration;
    int32_t shown; // 0: the slot is free
};

// A line of HUD text; lines 1 to 4 stand at the top left, 5 to 8 at the top right.
struct hudTextLine
{
    char text[kScreenTextMax + 1]; // empty: nothing shown
    float colour[3];
};

// A colour over the whole view that fades out linearly from `opacity` to nothing.
struct screenFlash
{
    float colour[3];
    float opacity;
    uint32_t start;
    uint32_t duration; // 0: no flash
};

// In order of arrival: slot 0 is the oldest message still shown.
extern screenMessage gScreenMessages[kMessageSlots];
extern hudTextLine gHudTextLines[kHudTextLines];
extern screenFlash gScreenFlash;

// Frees the slots of messages whose time is over at game time now.
void ExpireScreenMessages(uint32_t now);
// Empties the HUD text lines and ends the flash: they belong to the level whose scripts set them.
// Messages keep their time, so that one shown just before a level load is still read.
void ClearLevelScreenText();
// Empties everything (engine reset, tests).
void ClearAllScreenText();

// Fills in text's register references: $iN, $fN, $bN and $sN (N from 1 to 16) become the value
// of that register as it is now, "$$" a single '$'; any other '$' stays. Cut to size - 1.
void VXR_ExpandScreenText(const char* text, char* out, int size);
// The first register reference in text whose number is not 1 to 16, or 0 when all are; the
// bad number goes to *number.
int VXR_BadTextRegister(const char* text, long* number);

// Decoders and handlers of "message", "hudText" and "flash".
//   message "text"[,seconds[,r,g,b]]  or empty (the text in s1, the time in f1)
//   hudText n,"text"[,r,g,b]           n from 1 to 8; hudText n alone empties line n
//   flash r,g,b,seconds[,opacity]      or empty (the colour in f1..f3, the time in f4)
void VXR_DecodeMessage(const char* p, VXR_DecodedArgs* a);
void VXR_DecodeHudText(const char* p, VXR_DecodedArgs* a);
void VXR_DecodeFlash(const char* p, VXR_DecodedArgs* a);
void vxrinstr_message(VXR_DecodedArgs* a);
void vxrinstr_hudText(VXR_DecodedArgs* a);
void vxrinstr_flash(VXR_DecodedArgs* a);
