// Script text to statements: reading script files, splitting and preparing lines, the compiled
// statement chain, instruction lookup and the macro registry. Running statements is elsewhere.
#pragma once

#include "script/script_records.h"

#include <cstdint>
#include <cstdio>

// Allocates a script record holding text (cut at kScriptTextMax characters so the closing CR
// still fits), every other field zero, and compiles it. Null only when memory runs out.
VXR_scripter* NewVXRScript(const char* text);
// The same; sourceName (a path, or "" for none) names the script in console lines about text
// the compiler had to cut.
VXR_scripter* NewVXRScriptNamed(const char* text, const char* sourceName);

// Replaces the script's statements by those compiled from its text and puts the resume point
// on the first one. Declares the macros the text names. A null script is ignored.
void CompileScript(VXR_scripter* script);

// The table entry with exactly that name; null for an empty or unknown name ("NULL" included).
VXR_Instruction* GetVXRInstruction(const char* name);

// Splits one source line into its command word (command: at least kScriptCommandMax + 1
// bytes) and its prepared argument text (args: at least kScriptArgsMax + 1 bytes). Cuts line
// at its first "//". Longer words and arguments are cut at the limits.
void MakeVXRCommandOutOfLine(char* line, char* command, char* args);

// Frees every statement; code and current become null.
void RemoveCompiledCodeFromScript(VXR_scripter* script);
// Frees the statements and the record. Macro entries naming the script are dropped and runs of
// it still under way end at their next statement. Does not unlink the record from its list.
void DisposeScript(VXR_scripter* script);

// Reads the rest of file into buffer (kScriptTextSize bytes), at most kScriptTextMax characters,
// NUL-terminated. Returns 1 when all of it fitted, 0 when the rest was left unread.
int ReadWholeFile(FILE* file, char* buffer);

// The four-character code of a macro name: its first four bytes, unsigned, the first highest;
// missing bytes count as 0.
int32_t VXR_MacroCode(const char* name);
// The script registered for code, or null. Leaves macroPtr on the entry found.
VXR_scripter* GetMacroScript(int32_t code);
// Points code at script: an entry with the same code is taken over, else one is appended.
void RegisterMacro(int32_t code, VXR_scripter* script);
// Frees every macro entry (engine reset and level unload); macroPtr goes back to the head.
void DisposeMacros();
