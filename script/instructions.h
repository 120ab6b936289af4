// The instruction table and the handlers that compute in registers, move values between registers
// and named variables, read the clock and the random generator, select actors and steer scripts.
#pragma once

#include "script/script_records.h"

// Every instruction in the engine's fixed order, ended by the entry named "NULL" (null handler).
extern VXR_Instruction gAllInstructions[];

// Handler conventions: the argument text comes without blanks outside double quotes; register
// numbers are 1 to 16 and a number outside that range makes the instruction do nothing; text
// going into a text register or variable is cut at 31 characters.

// Named variables and registers: "v",n (n defaults to 1 for the loads and "stores").
void vxrinstr_loadInt(char* args);
void vxrinstr_loadFloat(char* args);
void vxrinstr_loadBool(char* args);
void vxrinstr_loadString(char* args);
void vxrinstr_storeInt(char* args);
void vxrinstr_storeFloat(char* args);
void vxrinstr_storeBool(char* args);
void vxrinstr_storeString(char* args);

// n,source: the first character of the source picks f<m>, i<m>, b<m> or a literal.
void vxrinstr_setInt(char* args);
void vxrinstr_setFloat(char* args);
void vxrinstr_addi(char* args);
void vxrinstr_multi(char* args);
void vxrinstr_addf(char* args);
void vxrinstr_multf(char* args);
void vxrinstr_setBool(char* args);
void vxrinstr_setString(char* args);

void vxrinstr_sqrt(char* args);
void vxrinstr_reciproc(char* args);
void vxrinstr_randi(char* args);
void vxrinstr_time(char* args);
void vxrinstr_timepassed(char* args);

void vxrinstr_get(char* args);
void vxrinstr_player(char* args);

void vxrinstr_def(char* args);
void vxrinstr_mac(char* args);
void vxrinstr_includeScript(char* args);
void vxrinstr_timeScript(char* args);
void vxrinstr_event(char* args);
void vxrinstr_quit(char* args);
// Ends the game after this pass; registered by the program at start-up (null: "quit" does nothing).
extern void (*gQuitHook)(const char* why);

// The script random generator's next value, 0 to 32767, from the seeded standard generator.
int VXR_Random();
