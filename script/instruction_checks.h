// Decoding helpers and range checks shared by the instructions that act on actors, poses,
// materials, sounds and input: numeric fields with register defaults, register runs, and the
// one console line a statement writes the first time it meets a value outside its range.
#pragma once

#include "script/script_records.h"
#include "script/variables.h"

#include <cstdint>

// Why an instruction did nothing. Text that does not match the grammar is no fault (nothing is
// reported, as for every instruction); these are numbers the grammar reads but the engine has
// no place for.
enum VXR_Fault
{
    kFaultNone = 0,
    kFaultRegister,        // a register number outside 1 to 16
    kFaultRegisterRun,     // a run of three registers from n that passes register 16
    kFaultRegisterMissing, // a register number the instruction needs is missing
    kFaultMaterial,        // a material number outside 1 to 8
    kFaultAnimationSlot,   // an animation slot outside 1 to 16
    kFaultAnimationEmpty,  // an animation slot with no frames loaded
    kFaultSample,          // a sample number outside 0 to 255
    kFaultSampleEmpty,     // a sample slot with nothing loaded
    kFaultPoseFields,      // a pose with fewer than its two names and two times
    kFaultPath,            // a path that leaves the data folder
    kFaultNameCut,         // a name longer than the actor's name field (cut, not refused)
    kFaultHudLine,         // a HUD text line outside 1 to 8
    kFaultNotFinite,       // a position, angle, size, speed or colour that is inf or nan as a float
    kFaultKeyName          // a quoted key name no key has (the name is the record's text)
};

// The problem text of a fault with its value, e.g. "register 17 is not 1 to 16".
void VXR_DescribeFault(int fault, long value, char* out, int size);
// The problem text of a record's fault, with the name it holds where the fault is about one.
void VXR_DescribeRecordFault(const VXR_DecodedArgs* args, char* out, int size);

// Writes "//Script <path> line <n>: <keyword>: <problem>" for the statement that runs now (or
// names the command line), once per decoded record: a looping script does not repeat it.
void VXR_ReportFault(VXR_DecodedArgs* args, const char* keyword, int fault, long value);

// The same line for a problem told in words of its own (doesNothing adds "; the instruction does
// nothing"), once per decoded record.
void VXR_ReportProblem(VXR_DecodedArgs* args, const char* keyword, const char* problem, int doesNothing);

// 1 when the record may run. A record that decoded with a fault reports it (once) and gives 0;
// one that did not match the grammar gives 0 silently.
int VXR_Ready(VXR_DecodedArgs* args, const char* keyword);

// Marks the record as not runnable because of fault (decode time): ok 0, the value kept for the
// console line.
void VXR_DecodeFault(VXR_DecodedArgs* args, int fault, long value);

// Reads up to count comma-separated numbers into fields first.. of real[] (floats rounded to 32
// bits) or, with integers set, of whole[] (saturated to 32 bits). Bit i of `given` is set for
// every field i the text holds; an empty or unreadable field is left to its register default.
// Returns the text after the last field read.
const char* VXR_DecodeFields(const char* p, VXR_DecodedArgs* args, int first, int count, int integers);

// Field i as given, or its register default: f[registerIndex] (kept at 64 bits, so a value read
// from a register goes back unchanged) or i[registerIndex].
inline double VXR_FieldReal(const VXR_DecodedArgs* a, int i, int registerIndex)
{
    return (a->given >> i) & 1 ? a->real[i] : gScriptVars.f[registerIndex];
}
inline int32_t VXR_FieldInt(const VXR_DecodedArgs* a, int i, int registerIndex)
{
    return (a->given >> i) & 1 ? (int32_t)a->whole[i] : gScriptVars.i[registerIndex];
}

// For instructions without arguments: any text runs them.
void VXR_DecodeNone(const char* p, VXR_DecodedArgs* args);

// Register n (1-16) into reg[slot]; a missing or 0 n means register 1 when defaultFirst is set.
// run is the number of registers used from n on (3 for a point). Faults: missing, outside 1-16,
// or a run passing 16. Returns 1 when the register is usable.
int VXR_DecodeRegisterField(long n, int have, VXR_DecodedArgs* args, int slot, int defaultFirst, int run);
