// The records of the script language: a loaded script, one compiled statement, an instruction
// table entry and a macro registry entry, with the list heads and cursors that hold them.
#pragma once

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

// A handler reads the statement's prepared argument text and returns nothing.
typedef void (*VXR_InstructionProc)(char* args);

// One entry of the instruction table. The table ends with the entry named "NULL", whose
// handler is null; lookups stop there.
struct VXR_Instruction
{
    const char* name;
    VXR_InstructionProc handler;
};

// Operands of a control statement, read from its argument text once when the line compiles,
// so that a run does not parse text again. `ready` is 0 when the text could not be read
// (a malformed condition is false; an idle without a number waits for one run).
struct VXR_StatementArgs
{
    int32_t ready;
    char type;     // if: register kind 'b', 'f', 'i' or 's'
    char op;       // if: operator code, see interpreter.cpp
    int32_t a, b;  // if: register numbers as written
    int32_t count; // repeat: pass count; `useI1` when the text is empty
    int32_t useI1;
    uint32_t idleMs; // idle: duration as the run stores it
};

// One compiled line.
struct VXR_Statement
{
    VXR_Instruction* instruction; // kind 0 only
    char args[kScriptArgsMax + 1];
    char kind;
    VXR_Statement* next;
    VXR_StatementArgs decoded;
    // Room for an instruction's own decoded operands; null until handlers decode at compile
    // time. Freed with the statement.
    void* instructionData;
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
