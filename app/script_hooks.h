// Connects the world below the script layer to the script system: the scripts a level loads and
// unloads, an actor's scripts and variables, the script variables at an engine reset, and the
// actor whose script is running.
#pragma once

// Registers the script scheduler, compiler, variables and interpreter with the world's hooks
// (gDisposeGameScriptsHook, gResetScriptVariablesHook, gLoadAndExecuteScriptHook,
// gSetHumanScriptsHook, gHumanScriptPathsHook, gDisposeHumanScriptsHook, gDisposeHumanVariablesHook,
// gScriptTargetHook). Part of RegisterEngineHooks; must run before the first VXR_Init, which
// resets the scripts through them. Tests of the world that load scripts call it alone.
void RegisterScriptHooks();
