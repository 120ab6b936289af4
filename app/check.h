// The content checker (`kesrow --check`): reads everything a data folder holds with the engine's
// own readers, without a window, a sound device or running a script, and lists what is wrong.
#pragma once

// Checks the data folder that is the working directory: the start-up script and every script
// reached from it or from a level, the model cache, every model and pose file, the sound and
// animation lists with their files, and every level folder under "Levels" or named by a script.
// Prints "FILE:LINE: message" (or "FILE: message") per problem, files relative to the data
// folder, then "kesrow --check: N problems in M files". Returns 0 when nothing was found, else 1.
// Runs with the engine hooks KesrowMain registers first (RegisterEngineHooks).
int CheckDataFolder();
