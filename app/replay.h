// What comes into the game from outside (the clock, the input devices, the window system) goes
// through this seam. In play it is read from the devices and, with --record, written to a
// recording as it comes; in a replay (--replay) it is answered from the recording instead, and the
// devices are never read. The format of the file is app/recording.*.
//
// What a recording holds, and why that is enough. The game is deterministic once everything that
// comes into it is fixed; a recording fixes each of those things:
// - what the game starts from: the content (replays run on the same data folder: its hash is kept
//   and a replay on other content says so), the start-up script, the random seed (the generator
//   is the engine's own, script/random.h, so that nothing else in the process draws from it), the
//   fixed step, the content memory budget (what does not fit is not loaded), whether a sound
//   device was open (the sample loading and its console lines follow it), the window's drawable
//   and cursor sizes, and the settings in force (sensitivity and invert turn the view, and
//   scripts read every setting as a variable);
// - the clock: the reading before the first pass and every pass's step. It drives the game clock
//   and, under the real clock's pacing, how many ticks each pass runs;
// - every tick's input as the tick samples it: the asynchronous key states (a key pressed and
//   released between two polls reads as pressed once), the typed characters and keys that the
//   console's line editor takes, and the cursor (written as changes from the tick before);
// - between passes, the window events the game acts on: a new size (the projection, the mouse
//   view's edges and the "mouse" instruction follow it), the focus, and the window closed;
// - the answers the game asks for at no set place: whether the cursor was virtual when the mouse
//   view put it back to the centre; the reading at which the script watchdog (a wall clock)
//   stopped a run; and the console lines that came from outside the game (a settings file the
//   player keeps, a settings file that could not be written, a window the display refused), which
//   the in-game console and its notices show.
// Nothing else is: content that changes on disk while the game runs is not recorded (a reload
// of changed files must stay off while gOutsideMode is not kOutsideLive, or be recorded as an
// entry of its own); sound never comes back into the game (no instruction reads a channel or
// whether it plays, so a replay plays into a silent loopback device), the settings file is never
// written by a replay, and vsync only paces. A state check (the clock, the camera, every actor,
// the registers and the random generator) is kept every 50 ticks and at the end, so a replay that
// goes its own way (other content, another engine) says where it parted.
#pragma once

#include "app/recording.h"
#include "app/input.h"
#include "platform/window.h"

#include <cstdint>

enum
{
    kOutsideLive = 0, // the devices, not recorded
    kOutsideRecorded, // the devices, written to a recording (--record)
    kOutsideReplayed  // a recording (--replay)
};
extern int gOutsideMode;

// One tick's input as it comes from outside.
struct tickInput
{
    int16_t keys[256]; // asynchronous key states
    int typed[kTypedMax];
    int typedCount;
    int cursorX, cursorY;
};

// ---------------------------------------------------------------------------------------------
// Recording (--record)

// Creates the recording file before the game starts. 0, with the reason in err, when it cannot.
int OpenRecording(const char* path, char* err, int errSize);
// The header of a recording of this game: the program's state now (settings, window, clock,
// fixed step, the data folder's content) with the seed, whether sound is up and the drawable
// size the program is about to draw at.
void MakeRecordingHeader(recordingHeader* header, uint32_t seed, int soundUp, int drawWidth, int drawHeight);
// Writes the header once everything in it is known (after the window opened and before the
// content loads), with the console lines from outside kept so far, and starts recording: the
// watchdog's stops, and a flush of what is pending if a fatal signal ends the process.
void StartRecording(const recordingHeader* header);
// Writes the end (why the game ended, the last state check), flushes and closes. 0 when the
// recording could not be written whole (a console line said so).
int StopRecording(const char* reason);

// ---------------------------------------------------------------------------------------------
// Replaying (--replay)

// Opens a recording and reads its header into *header. 0 when it cannot be replayed; the reason
// has gone to the dialog channel.
int OpenReplay(const char* path, recordingHeader* header);
// Says (on standard output, never in the game's own console) what differs between the recording
// and this run: other content, another engine version.
void CompareReplayStart(const recordingHeader* header, const char* engine);
// 1 once the replay has nothing more to play (the recording's end, a cut or damaged file).
int ReplayFinished();
// Why the replay's game ended when the recording's end ended it: the recorded reason, or
// "recording cut short" / "recording damaged".
const char* ReplayEndReason();
// After the last pass: checks that the game ended where and as the recorded one did, says how
// the replay went, and closes the file. Returns the exit status: 0 when the replay gave the
// recorded game as far as it was played, 1 when the recording was cut short or damaged or the
// game went its own way. stoppedEarly: the replay was ended before the recording's end on
// purpose (--frames, the window closed).
int FinishReplay(const char* endReason, long passes, int stoppedEarly);

// ---------------------------------------------------------------------------------------------
// The seam, in every mode

// The clock reading for the next scheduler pass into *nowMs. Live: the clock (or the previous
// reading plus the fixed step); a replay: the recorded reading, and 0 when no pass is left.
int NextPassClock(int64_t* nowMs);
// The input a tick acts on: read from the devices, or from the recording.
void SampleTickInput(tickInput* in);
// The cursor as the mouse view handles it. A replay never touches the real pointer.
int OutsideCursorIsVirtual();
void OutsideShowCursor(int show);
void OutsideWarpCursor(int x, int y);
// The next window event the game acts on. Live: from the window system (and recorded). A
// replay takes only a close of its own window from there, and the rest from the recording.
// 0 when none is waiting.
int NextWindowEvent(PLT_Event* event);
// Console lines printed between these two calls come from outside the game (a file the player
// keeps, the window system): a recording keeps them; a replay skips the code between and prints
// the recorded lines at ReplayOutsideLines instead.
void BeginOutsideLines();
void EndOutsideLines();
void ReplayOutsideLines();
// At the end of every tick: the periodic state check.
void TickEnded();
// The check of the game's state (clock, camera, actors, registers, random generator).
uint32_t GameStateCheck();
