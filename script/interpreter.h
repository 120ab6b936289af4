// Running compiled scripts: one run of a script with its control flow (if, repeat, loop, idle)
// and the condition test on registers. Runs may nest; a disposed script's runs end safely.
#pragma once

#include "script/script_records.h"

#include <cstdint>

// The owner of the script whose statement runs (null for game scripts). Set before every
// statement; when a run ends it goes back to the owner of the run it was nested in (null after
// an outermost run), so no pointer to an actor outlives the run that named it: the actor may
// be freed once its script is no longer running. The collision tests skip this actor.
extern human_being* gHumanScriptTarget;
// The script and the statement that run now, for console lines about a statement; set with
// gHumanScriptTarget and put back when a run ends (null outside every run).
extern VXR_scripter* gRunningScript;
extern VXR_Statement* gRunningStatement;

// Counts the scripts disposed of since program start: a run checks its watch only when this
// has moved, so a statement that freed nothing costs one comparison.
extern uint32_t gScriptDisposals;

// Deepest nesting of if levels and of repeat levels one run keeps.
const int kMaxScriptNesting = 31;
// Runs started from inside other runs (mac, event) nest on the machine stack. A nested run
// costs under 1 KB of it in an optimised build (the run's frame with its if and repeat
// levels, the mac handler and the two run entries); kScriptRunStackBytes is the figure with room
// to spare that the depth limit is derived from, so that nested runs take at most half of the
// stack and the rest is left to the program beneath and to the innermost handlers.
const int kScriptRunStackBytes = 2048;
// Deepest nesting of runs with the usual 8 MB stack; deeper requests are refused with a console
// line. A script that reaches itself without end stops here instead of overrunning the stack.
const int kMaxScriptRunDepth = (8 << 20) / 2 / kScriptRunStackBytes;
// The depth limit in force: kMaxScriptRunDepth, or less when the process's stack limit is below
// 8 MB.
int VXR_ScriptRunDepthLimit();

// Wall-clock seconds an outermost run (with all runs nested in it) may go on before it is
// stopped: each of its scripts is ended (as if finished) with one console line naming the script
// and line where it was, and the tick goes on. Only a run that freezes the game gets there; it
// is no statement budget. Tests shorten it.
extern double gScriptRunTimeLimit;
// A run that never ends goes on through backward jumps (endrepeat) or nested runs: the clock
// is read once every this many of those, never per statement.
const int kWatchdogSteps = 4096;
// Decides, at each reading of the clock after the first of an outermost run, whether the run
// stops now, given the seconds it has gone on. Null: it stops once they reach
// gScriptRunTimeLimit. The program sets it while a game is recorded or replayed: the clock is
// outside the game, so a recording keeps the reading at which a run was stopped and a replay
// stops the run at that reading.
extern int (*gWatchdogHook)(double seconds);

// One run of script. Null: 0. No statements: does nothing and returns 1.
int ExecuteVXRCommandScript(VXR_scripter* script);
// One run of a compiled script: 0 for a null or finished script and for a run that ended in an
// idle, else 1.
int ExecuteCompiledVXRScript(VXR_scripter* script);
// 1 when register a compares to register b with op ("<", ">", "<=", ">=", "=", "!=") for the
// register kind type ('b', 'f', 'i', 's'), else 0. Register numbers outside 1 to 16 give 0.
int VXR_GetScriptConditionalResult(char type, int a, const char* op, int b);

// How a run dispatches a statement (its `op`): control statements by their kind (1 to 10); an
// instruction by a call through its table entry, or by one of the register and variable
// handlers executed in place.
enum
{
    kOpCall = kStmtInstruction,
    kOpSetInt = kStmtExitloop + 1,
    kOpSetFloat,
    kOpAddi,
    kOpMulti,
    kOpAddf,
    kOpMultf,
    kOpLoadInt,
    kOpStoreInt,
    kOpLoadFloat,
    kOpStoreFloat,
    kOpLoadBool,
    kOpStoreBool,
    kOpCount
};
// The dispatch code of a compiled statement; the compiler stores it in the statement.
uint8_t VXR_RunOp(const VXR_Statement* statement);

// Watches guard code that holds a script pointer across a run that might dispose of it.
// VXR_WatchScript returns a slot (or -1 when all are in use); VXR_ScriptSurvived tells whether
// the script is still alive; VXR_UnwatchScript releases the slot (watches nest like a stack).
int VXR_WatchScript(VXR_scripter* script);
int VXR_ScriptSurvived(int slot);
void VXR_UnwatchScript(int slot);
// Told by DisposeScript: runs of script under way end at their next statement, watches fail.
void VXR_ForgetDisposedScript(VXR_scripter* script);
