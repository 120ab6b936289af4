// The player's settings that outlive a run: mouse sensitivity and invert, sound volume, window
// size or full screen, and vsync. They are read at start from a small text file in the user's
// configuration folder, may be overridden for one run from the command line, and are written
// back when the player changes one while playing.
#pragma once

#include <cstdint>

struct playerSettings
{
    float mouseSensitivity; // degrees of turn per pixel the mouse moves
    int32_t invertMouse;    // 1: moving the mouse forward looks down
    int32_t volume;         // sound volume in percent, 0 to 100
    int32_t fullScreen;     // 1: full screen at the desktop size; 0: a window of the size below
    int32_t windowWidth, windowHeight;
    int32_t vsync; // 1: drawing waits for the display's refresh
};

// The turn the mouse view has always had at the 20 ms tick: 7 degrees per pixel and second.
const float kDefaultMouseSensitivity = 0.14f;
const float kMinMouseSensitivity = 0.001f;
const float kMaxMouseSensitivity = 10.0f;
// Longest settings file line that is read; a settings file is read up to this many bytes.
const int kSettingsLineMax = 200;
const long kSettingsFileMax = 16384;

// The settings in force. Script variables are bound to its fields ("mouseSensitivity",
// "invertMouse", "soundVolume", "fullScreen", "vsync"), and window events change the window's.
extern playerSettings gSettings;

void DefaultSettings(playerSettings* s);

// A window size as the settings file and the command line write it: "WIDTHxHEIGHT" with both
// sides from 16 to 16384; 0 for anything else.
int ParseWindowSize(const char* text, int* w, int* h);

// The settings file: "$XDG_CONFIG_HOME/kesrow/settings", or "$HOME/.config/kesrow/settings" when
// XDG_CONFIG_HOME is unset, empty or not absolute. 0 when neither gives a path that fits.
int SettingsFilePath(char* out, int size);

// Reads a settings file into s, which holds the defaults on entry. A missing file leaves them and
// returns 1. Each line that cannot be used (an unknown name, a value out of range) keeps that
// setting's default; a file that cannot be read or is not a settings file at all keeps every
// default. Either way one console line names the file and the first problem (with the count of
// the others), and 0 is returned; the game always starts.
int ReadSettingsFile(const char* path, playerSettings* s);
// Writes s as the whole settings file, creating the folder when missing (crash-safe replacement).
// 1 on success; 0 with a console line.
int WriteSettingsFile(const char* path, const playerSettings* s);

// Starts keeping the settings: `stored` are those the file holds (written back with the player's
// changes), gSettings those in force for this run (stored, with the command line's overrides).
// When mayWrite is 0 (batch runs not asked to keep settings) nothing is ever written.
void BeginSettings(const char* path, const playerSettings* stored, int mayWrite);
// Called once a tick: a setting that changed since the last call (a script variable, a window
// event, a key) is checked (a value out of range is put back, with a console line), applied, and
// taken into the stored settings; the file is written at most once a second, at game time nowMs.
void TrackSettings(uint32_t nowMs);
// Writes the stored settings if a change has not been written yet (at the end of the run).
void FlushSettings();

// Bracket the settings file's write: whether it could be written is the file system's answer,
// not the game's, so a recording keeps its console lines (BeginOutsideLines, EndOutsideLines).
// Set by the program; null: nothing bracketed.
extern void (*gBeginOutsideLinesHook)();
extern void (*gEndOutsideLinesHook)();

// Applies a settings change to the window and the sound: full screen or the window's size,
// vsync, the volume. Set by the program (null in tests without a window: nothing applied).
extern void (*gApplySettingsHook)(const playerSettings* before, const playerSettings* now);
