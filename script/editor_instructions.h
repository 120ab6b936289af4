// The instructions a level editor is built from, for what a script cannot do well itself:
// picking the actor under the cross-hair, snapping and turning values, the edit history and the
// clipboard, the data folder's models, the selected actor's size and model, the level's start,
// saving the level under a new name and loading it again. What the editor does with them (its
// keys, what it shows) is a script of the game's (the demo's Data/editor).
#pragma once

#include "script/script_records.h"

// Decoders, run once when a statement compiles.
void VXR_DecodeRegisterAndStep(const char* p, VXR_DecodedArgs* a); // n,step (step literal or f<m>)
void VXR_DecodePointAndAngle(const char* p, VXR_DecodedArgs* a);   // n,angle (n..n+2; angle or f<m>)
void VXR_DecodeRegisterRunOfThree(const char* p, VXR_DecodedArgs* a); // n (missing: 1), n..n+2
void VXR_DecodeOptionalRegister(const char* p, VXR_DecodedArgs* a); // [n]
void VXR_DecodeTwoRegistersFirst(const char* p, VXR_DecodedArgs* a); // n,m (missing: 1)
void VXR_DecodeLevelName(const char* p, VXR_DecodedArgs* a);         // "name"[,replace] or s1

void vxrinstr_pick(VXR_DecodedArgs* a);
void vxrinstr_snap(VXR_DecodedArgs* a);
void vxrinstr_turn(VXR_DecodedArgs* a);
void vxrinstr_edit(VXR_DecodedArgs* a);
void vxrinstr_undo(VXR_DecodedArgs* a);
void vxrinstr_redo(VXR_DecodedArgs* a);
void vxrinstr_history(VXR_DecodedArgs* a);
void vxrinstr_copy(VXR_DecodedArgs* a);
void vxrinstr_paste(VXR_DecodedArgs* a);
void vxrinstr_models(VXR_DecodedArgs* a);
void vxrinstr_getSize(VXR_DecodedArgs* a);
void vxrinstr_getModel(VXR_DecodedArgs* a);
void vxrinstr_setStart(VXR_DecodedArgs* a);
void vxrinstr_saveAs(VXR_DecodedArgs* a);
void vxrinstr_reload(VXR_DecodedArgs* a);
