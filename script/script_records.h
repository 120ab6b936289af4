// The records of the script language: a loaded script, one compiled statement, an instruction
// table entry and a macro registry entry, with the list heads and cursors that hold them.
#pragma once

#include "script/variables.h"

#include <cstdint>

struct human_being;

// A script file is read into a buffer of this size; at most kScriptTextMax characters are
// loaded so that the closing CR the compiler may add still fits.
const int kScriptTextSize = 9192;
const int kScriptTextMax = 9190;
const int kScriptPathSize = 1024;
// A source line holds at most 511 characters, a command word 31, the prepared arguments 64.
const int kScriptLineMax = 511;
const int kScriptCommandMax = 31;
const int kScriptArgsMax = 64;
// Only the first four characters of a macro name make its code; a name holds at most 7.
const int kMacroNameMax = 7;

// Statement kinds, in the order of the control keywords.
enum
{
    kStmtInstruction = 0,
    kStmtIf = 1,
    kStmtElse = 2,
    kStmtEndif = 3,
    kStmtIdle = 4,
    kStmtRepeat = 5,
    kStmtEndrepeat = 6,
    kStmtExitrepeat = 7,
    kStmtLoop = 8,
    kStmtEndloop = 9,
    kStmtExitloop = 10
};

// An instruction's operands, decoded from its argument text once, when the statement compiles.
//
// How an instruction is written (every entry of the instruction table follows this):
// - The decoder (VXR_DecodeProc, beside its handler) reads the prepared argument text with the
//   readers of decode.h and fills the record. It applies every default of empty or missing
//   text, checks register numbers against 1-16 and stores indices 0-15,
//   converts literals (integers saturated to 32 bits, floats as %f reads them, rounded to 32 bits
//   where the instruction uses them so), copies a quoted name or path into `text`, and turns a
//   word ("true", "me") into a number. It sets `ok` only when the text matches the grammar; a
//   handler does nothing when `ok` is 0, which is how "an unreadable value does nothing" stays.
// - The handler (vxrinstr_k) reads only the record: no text parsing, no search by name on the
//   common path, no allocation. Values that live elsewhere (registers named as sources, the
//   selected actor, the clock) are read when it runs, never at compile time.
// - A named variable is reached through VXR_ResolveVariable(text, &var) (variables.h): the entry
//   found is kept in `var` with the variable generation and the selected actor it was found
//   under, and is looked up again as soon as either has changed. Any change to a variable list
//   (an install, a list freed with its actor or at a reset) bumps the generation, so the record
//   never hands out an entry that has been freed or that a new entry now hides.
// - The instruction's text form (the table's `handler`, used by ExecuteVXRCommand) decodes into
//   a record on the stack and runs the same handler, so both ways behave the same.
// - A run calls the handler through the table entry. A handler that only computes in registers
//   and variables (it starts no run, frees nothing, loads no level) may instead be defined
//   inline in its header and listed with a dispatch code (interpreter.h, kInPlaceHandlers in
//   interpreter.cpp): a run then executes it in place, without a call.
struct VXR_DecodedArgs
{
    int8_t ok;     // the text matched: the handler acts
    char form;     // which grammar form matched, or the source kind ('f', 'i', 'b'; 0 a literal)
    int8_t reg[4]; // register indices 0-15, in the order the grammar names them
    // Bit i set: the text gave numeric field i itself (the others take their register default).
    uint8_t given;
    // A value outside the instruction's range (a VXR_Fault code of instruction_checks.h), found
    // when decoding (then `ok` is 0) or when running; reported once per statement.
    int8_t fault;
    int8_t reported;
    int32_t faultValue; // the offending number, for the console line
    int64_t whole[4];
    double real[4];
    char text[kScriptArgsMax + 1]; // a quoted name or path, copied once
    VXR_VariableRef var;           // the named variable of `text`, resolved lazily
};

// Fills a zeroed record from prepared argument text (compile time).
typedef void (*VXR_DecodeProc)(const char* args, VXR_DecodedArgs* out);
// Runs an instruction from its decoded record.
typedef void (*VXR_RunProc)(VXR_DecodedArgs* args);
// An instruction's text form: decodes the text, then runs.
typedef void (*VXR_InstructionProc)(char* args);

// One entry of the instruction table. The table ends with the entry named "NULL", whose
// handler is null; lookups stop there. An entry without a decoder and runner (a test's probe)
// is run through its text form.
struct VXR_Instruction
{
    const char* name;
    VXR_InstructionProc handler;
    VXR_DecodeProc decode = nullptr;
    VXR_RunProc run = nullptr;
};

// The condition an if tests, decoded from its register kind and operator.
enum
{
    kTestFalse = 0, // unknown kind or operator, a register outside 1-16, unreadable text
    kTestILess,
    kTestIGreater,
    kTestILessEqual,
    kTestIGreaterEqual,
    kTestIEqual,
    kTestINotEqual,
    kTestFLess,
    kTestFGreater,
    kTestFLessEqual,
    kTestFGreaterEqual,
    kTestFEqual,
    kTestFNotEqual,
    kTestBEqual,
    kTestBNotEqual,
    kTestSEqual,
    kTestSNotEqual
};

// Operands of a control statement, decoded once when the line compiles.
struct VXR_StatementArgs
{
    int32_t ready; // idle: 0 when no time could be read (the idle then waits one run)
    int8_t test;   // if: kTest* code
    int8_t a, b;   // if: register indices 0-15
    int32_t count; // repeat: pass count; `useI1` when the text is empty
    int32_t useI1;
    uint32_t idleMs; // idle: duration as the run stores it
    // if: set when a register number outside 1-16 (kept in badRegister) made the test
    // kTestFalse, for the content checker's report.
    int32_t registerFault;
    int32_t badRegister;
};

// One compiled line.
struct VXR_Statement
{
    VXR_Instruction* instruction; // kind 0 only
    char args[kScriptArgsMax + 1];
    char kind;
    uint8_t op; // how a run dispatches it (VXR_RunOp, interpreter.h)
    VXR_Statement* next;
    // The next if, else or endif after this statement: a run that is passing over a branch not
    // taken goes there directly, since nothing else in between would run.
    VXR_Statement* nextBranch;
    VXR_StatementArgs decoded; // control statements
    VXR_DecodedArgs operands;  // instructions
    // Source line, from 1 (a CR LF pair ends one line), for console lines about the statement.
    int32_t line;
};

// One script: its text, its compiled statements and the state that survives between runs.
struct VXR_scripter
{
    char text[kScriptTextSize];
    uint32_t idleStart;
    uint32_t idleDuration;
    int32_t idling;
    int32_t looping;
    char path[kScriptPathSize];
    uint32_t startTime; // 0: no delay
    int32_t eventMask;
    human_being* owner;
    VXR_Statement* code;
    VXR_Statement* current; // null once the script has finished
    VXR_scripter* next;
    // The pass over the game scripts during which the script was loaded; 0 outside a pass.
    uint32_t loadedInPass;
};

// One registered macro: the first four bytes of its name as a code, and the script that holds it.
struct macroScript
{
    int32_t code;
    VXR_scripter* script;
    macroScript* next;
};

// The instruction table, in the engine's fixed order, ended by "NULL" (instructions.cpp).
extern VXR_Instruction gAllInstructions[];

// Game scripts follow baseScript.next in load order. scriptPtr is the one cursor that the
// loaders and the pass over the list share (scheduling.cpp).
extern VXR_scripter baseScript;
extern VXR_scripter* scriptPtr;
// Macros follow baseMacro.next; macroPtr is left on the entry last found or added (compiler.cpp).
extern macroScript baseMacro;
extern macroScript* macroPtr;
