// Running compiled scripts: one run of a script with its control flow (if, repeat, loop, idle)
// and the condition test on registers. Runs may nest; a disposed script's runs end safely.
#pragma once

#include "script/decode.h"
#include "script/script_records.h"

#include <cstdint>

// The owner of the script whose statement runs (null for game scripts); set before every
// statement, so it is right again after a nested run returns.
extern human_being* gHumanScriptTarget;

// Counts the scripts disposed of since program start: a run checks its watch only when this
// has moved, so a statement that freed nothing costs one comparison.
extern uint32_t gScriptDisposals;

// Deepest nesting of if levels and of repeat levels one run keeps.
const int kMaxScriptNesting = 31;
// Runs started from inside other runs: deeper requests are ignored.
const int kMaxScriptRunDepth = 64;
// Nested runs one outermost run may start in all; a script that reaches itself more than once
// per run would otherwise multiply its runs without end.
const int kMaxNestedRunsPerRun = 1000000;

// One run of script. Null: 0. No statements: does nothing and returns 1.
int ExecuteVXRCommandScript(VXR_scripter* script);
// One run of a compiled script: 0 for a null or finished script and for a run that ended in an
// idle, else 1.
int ExecuteCompiledVXRScript(VXR_scripter* script);
// 1 when register a compares to register b with op ("<", ">", "<=", ">=", "=", "!=") for the
// register kind type ('b', 'f', 'i', 's'), else 0. Register numbers outside 1 to 16 give 0.
int VXR_GetScriptConditionalResult(char type, int a, const char* op, int b);

// Watches guard code that holds a script pointer across a run that might dispose of it.
// VXR_WatchScript returns a slot (or -1 when all are in use); VXR_ScriptSurvived tells whether
// the script is still alive; VXR_UnwatchScript releases the slot (watches nest like a stack).
int VXR_WatchScript(VXR_scripter* script);
int VXR_ScriptSurvived(int slot);
void VXR_UnwatchScript(int slot);
// Told by DisposeScript: runs of script under way end at their next statement, watches fail.
void VXR_ForgetDisposedScript(VXR_scripter* script);
