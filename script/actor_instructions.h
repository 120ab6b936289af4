// The instructions that create, name and change actors: selection and naming, health, team and
// speed, place, angles, size and motion, and poses. Each acts on the selected actor, or on the
// player where an actor's value has a player counterpart.
#pragma once

#include "script/script_records.h"

// The player's team (the selected actor's team has its own field).
extern int gTeam;

// Decoders, run once when a statement compiles (the table in instructions.cpp names them).
void VXR_DecodeNameText(const char* p, VXR_DecodedArgs* a);       // "name" or name -> text
void VXR_DecodeModelName(const char* p, VXR_DecodedArgs* a);      // "name", name, or s1 when empty
void VXR_DecodeRegisterFirst(const char* p, VXR_DecodedArgs* a);  // n (missing or 0: 1) -> reg[0]
void VXR_DecodeIntOrI1(const char* p, VXR_DecodedArgs* a);        // n, or i1 when missing
void VXR_DecodeFloatOrF1(const char* p, VXR_DecodedArgs* a);      // x, or f1 when missing
void VXR_DecodeHealth(const char* p, VXR_DecodedArgs* a);         // n (whole[0]) and x (real[1])
void VXR_DecodePointRegisters(const char* p, VXR_DecodedArgs* a); // n (missing or 0: 1), n+2 <= 16
void VXR_DecodePoint(const char* p, VXR_DecodedArgs* a);          // x,y,z, each f1..f3 when missing
void VXR_DecodePose(const char* p, VXR_DecodedArgs* a);           // "a","b",t1,t2[,flag]
void VXR_DecodeSavePath(const char* p, VXR_DecodedArgs* a);       // "file" inside the data folder

// Selecting, creating and naming.
void vxrinstr_make(VXR_DecodedArgs* a);
void vxrinstr_off(VXR_DecodedArgs* a);
void vxrinstr_setName(VXR_DecodedArgs* a);
void vxrinstr_getName(VXR_DecodedArgs* a);
void vxrinstr_type(VXR_DecodedArgs* a);
void vxrinstr_live(VXR_DecodedArgs* a);
void vxrinstr_getHealth(VXR_DecodedArgs* a);
void vxrinstr_setHealth(VXR_DecodedArgs* a);
void vxrinstr_getTeam(VXR_DecodedArgs* a);
void vxrinstr_setTeam(VXR_DecodedArgs* a);
void vxrinstr_getSpeed(VXR_DecodedArgs* a);
void vxrinstr_setSpeed(VXR_DecodedArgs* a);

// Place, angles, size and motion.
void vxrinstr_mark(VXR_DecodedArgs* a);
void vxrinstr_put(VXR_DecodedArgs* a);
void vxrinstr_axis(VXR_DecodedArgs* a);
void vxrinstr_spin(VXR_DecodedArgs* a);
void vxrinstr_size(VXR_DecodedArgs* a);
void vxrinstr_goto(VXR_DecodedArgs* a);
void vxrinstr_stop(VXR_DecodedArgs* a);
void vxrinstr_go(VXR_DecodedArgs* a);
void vxrinstr_move(VXR_DecodedArgs* a);

// Poses.
void vxrinstr_pose(VXR_DecodedArgs* a);
void vxrinstr_setPose(VXR_DecodedArgs* a);
void vxrinstr_makePose(VXR_DecodedArgs* a);
void vxrinstr_loadPoses(VXR_DecodedArgs* a);
void vxrinstr_savePoses(VXR_DecodedArgs* a);

// routePath + path through FixPathString into out.
void VXR_DataPath(const char* path, char* out, int outSize);
