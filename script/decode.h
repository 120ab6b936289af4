// Compile-time decoding of statement arguments: the readers that turn argument text into the
// statement's decoded record (control operands and instruction operands), and the branch links
// a run uses to pass over statements of a branch not taken. Nothing here runs a statement.
#pragma once

#include "script/script_records.h"

#include <cstdint>

// Index 0-15 of a script register number 1-16, or -1 for any other number.
int VXR_RegisterIndex(long n);

// The readers move *p past what they read and return 1, or return 0 and leave *p where it was.
// A decimal integer as %d reads it (optional sign, digits).
int VXR_ReadLong(const char** p, long* out);
// The same, saturated to 32 bits.
int VXR_ReadInt32(const char** p, int32_t* out);
// A float as %f reads it (decimal or exponent notation), kept at 64 bits.
int VXR_ReadDouble(const char** p, double* out);
// A name: between double quotes when the text starts with one (up to the closing quote or the
// end), else up to the first comma; cut to outSize - 1 characters. *p is left after the closing
// quote or on the comma.
void VXR_ReadName(const char** p, char* out, int outSize);

// Decodes the statement's argument text once: control statements into `decoded`, instructions
// with their table entry's decoder into `operands`. The compiler calls it for every statement
// and then stores the statement's dispatch code (VXR_RunOp).
void VXR_DecodeStatement(VXR_Statement* statement);
// Clears args and runs decode on text, as a statement's compile does: the record a text form of
// an instruction runs on.
void VXR_DecodeArguments(VXR_DecodeProc decode, const char* text, VXR_DecodedArgs* args);
// Points every statement of the chain at the next if, else or endif after it (`nextBranch`).
void VXR_LinkBranches(VXR_Statement* first);

// Reads the operands of an if, idle or repeat statement from its argument text into its
// `decoded` record.
void VXR_DecodeControlArgs(VXR_Statement* statement);
// seconds x 1000 truncated toward zero as an unsigned 32-bit duration: a negative time wraps
// to a huge one, a time beyond the 32-bit range saturates, NaN gives 0.
uint32_t VXR_SecondsToMs(float seconds);
// The condition code of an if for register kind type and operator text op (kTest*), or
// kTestFalse for a kind or operator that never holds.
int VXR_ConditionTest(char type, const char* op);
