// Where scripts come from and when they run: the game script list and its pass, timed scripts,
// actor scripts fired by event masks, and single instructions run by name.
#pragma once

#include "script/script_records.h"

#include <cstdint>
#include <string>

// Appends the script file at path to the game script list (compiled at once). It gets its first
// run from the next pass over the list, or from the pass under way. Returns 0, changing
// nothing, when the file cannot be opened or the list is full. Leaves scriptPtr on the script
// that was last before.
int LoadAndExecuteScript(const char* path);
// The same for a script whose runs do nothing until the clock is seconds later than now; its
// path stays empty.
int InstallTimedScript(const char* path, float seconds);
// The start time of a script timed seconds after now: now + seconds x 1000 truncated, held at
// the clock's last value when it would pass it; a negative or NaN delay starts now.
uint32_t VXR_TimedScriptStart(uint32_t now, float seconds);
// One run for every game script. A script loaded during the pass is appended behind the
// cursor's old end: it runs in this pass, and the scripts between the loading one and the old
// end wait for the next pass. A level load during the pass ends it. Past kMaxFirstRunsPerPass
// first runs of scripts loaded during the pass, the pass ends and the rest wait for the next.
void HandleGameScripts();
// A script that loads itself adds a copy that loads a copy...: each pass runs at most this many
// scripts that were loaded during it.
const int kMaxFirstRunsPerPass = 64;
// Game scripts stay in the list until the level is unloaded; past this many (about 11 KB each)
// the loaders refuse more with a console line, so that scripts loading scripts without end
// cannot take all memory.
const int kMaxGameScripts = 2048;
// Disposes of every game script and empties the list; scriptPtr becomes null (a pass under way
// ends).
void DisposeGameScripts();

// Replaces the actor's scripts by those of list: pairs of a quoted path (relative to the data
// root) and an event mask, separated by commas. An empty list keeps the scripts; files that
// cannot be opened are skipped with a console line; a malformed pair ends the list with one.
// Problems are reported at gProblemFile and gProblemLine (the person file line that holds it).
void SetHumanScriptsByPaths(human_being* actor, const char* list);
// The actor's scripts as SetHumanScriptsByPaths reads them and a person file line holds them:
// "path",mask pairs separated by commas, in list order; "" for none or a null actor.
std::string HumanScriptPaths(const human_being* actor);
// Disposes of every script of the actor and empties its list. Null is ignored.
void RemoveHumanScripts(human_being* actor);
// One run for each of the actor's scripts whose event mask shares a bit with mask, in list
// order. Ends when a run starts a level load or removes the actor's scripts. Null is ignored.
void ExecuteHumanScriptsForMask(human_being* actor, long mask);
// ExecuteHumanScriptsForMask for every actor in roster order. An actor removed during the walk
// is passed over safely; the walk goes on with the actor that took its place.
void HandleHumanScriptsForMask(long mask);

// 1 when the script file at path can be read and compiles without a problem the compiler or the
// checker would report; else 0 with the first in why. Changes nothing.
int ScriptFileLoadsCleanly(const char* path, std::string* why);
// Takes the changed script file at path (as the loaders named it, routePath in front) into every
// game and actor script read from it: each starts again from its first line with the new text,
// its variables and its actor kept. The count of scripts renewed; 0 when no script was read
// from path; -1, with every script as it was and why (the first problem, "line N: ..."), when
// the file cannot be read or its text has a problem the compiler or the checker would report.
int ReloadScriptFile(const char* path, std::string* why);

// Runs one instruction by name with args, as a statement would (args cut at 64 characters).
// Empty command: nothing, 1. Known instruction: 1. Unknown (or "NULL"): 0.
int ExecuteVXRCommand(const char* command, const char* args);
