// The instruction table and the handlers that compute in registers, move values between registers
// and named variables, read the clock and the random generator, select actors and steer scripts.
#pragma once

#include "script/register_instructions.h"
#include "script/script_records.h"
#include "script/variables.h"

#include <cstdint>

// Every instruction in the engine's fixed order, ended by the entry named "NULL" (null handler).
extern VXR_Instruction gAllInstructions[];

// Handler conventions: each handler runs on the record its statement's argument text was decoded
// into at compile time (script_records.h says how to write one); text that does not match the
// grammar leaves `ok` 0 and the handler does nothing. Register numbers are 1 to 16 and a number
// outside that range makes the instruction do nothing; text going into a text register or
// variable is cut at 31 characters.

// The register and variable handlers of register_instructions.h are in the table too.

// Bounded by the variable's storage: an engine-bound int read as text has no terminator of its own.
void vxrinstr_loadString(VXR_DecodedArgs* args);
void vxrinstr_storeString(VXR_DecodedArgs* args);

void vxrinstr_setBool(VXR_DecodedArgs* args);
void vxrinstr_setString(VXR_DecodedArgs* args);

void vxrinstr_sqrt(VXR_DecodedArgs* args);
void vxrinstr_reciproc(VXR_DecodedArgs* args);
void vxrinstr_randi(VXR_DecodedArgs* args);
void vxrinstr_time(VXR_DecodedArgs* args);
void vxrinstr_timepassed(VXR_DecodedArgs* args);

void vxrinstr_get(VXR_DecodedArgs* args);
void vxrinstr_player(VXR_DecodedArgs* args);

void vxrinstr_def(VXR_DecodedArgs* args);
void vxrinstr_mac(VXR_DecodedArgs* args);
void vxrinstr_includeScript(VXR_DecodedArgs* args);
void vxrinstr_timeScript(VXR_DecodedArgs* args);
// Paths of "includeScript", "timeScript" and "level" that leave the data folder are refused (so
// are those of "loadPoses", "savePoses", "make" and the files a level names).
void vxrinstr_level(VXR_DecodedArgs* args);
void vxrinstr_save(VXR_DecodedArgs* args);
void vxrinstr_event(VXR_DecodedArgs* args);
void vxrinstr_quit(VXR_DecodedArgs* args);
// Ends the game after this pass; registered by the program at start-up (null: "quit" does nothing).
extern void (*gQuitHook)(const char* why);
