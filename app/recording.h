// The recording file of a played game: a header saying what the game started from, then the
// stream of what came into the game from outside, pass by pass. Writing goes as the game plays,
// in checked blocks, so a crash keeps what came before it; reading trusts nothing in the file:
// every length, count and value is bounded, and a cut or damaged file is a result, not a crash.
// This file knows the format only; app/replay.* decides what is recorded and when.
#pragma once

#include "app/settings.h"

#include <cstdint>
#include <cstdio>

// The format this engine writes and the newest it reads.
const int kRecordingFormat = 1;
// The first word of every recording.
extern const char* const kRecordingMagic;

struct recordingHeader
{
    int32_t format;
    char engine[32];      // the engine's version that recorded
    char created[32];     // when (UTC, for people reading the file)
    char dataFolder[256]; // the data folder's name (for people reading the file)
    char start[128];      // the start-up script, relative to the data folder
    uint64_t dataHash;    // the data folder's content (app/content_hash.h)
    int32_t dataFiles;
    uint32_t seed;     // the random generator's seed
    int32_t fixedStep; // --fixed-step, 0 for the real clock
    int32_t sound;     // 1 when a sound device was open
    // The window as the game began: drawable and cursor sizes, full screen or not.
    int32_t drawWidth, drawHeight, cursorWidth, cursorHeight;
    int32_t fullscreen;
    playerSettings settings; // the settings in force at the start
    int64_t contentMemory;   // the content memory budget in bytes (0: the engine's default)
    int64_t clockStart;      // the clock reading before the first pass, in ms
};

enum
{
    kOpNone = 0,
    // Answers to questions the game asks of the outside at set places, in the order it asks.
    kOpPass,     // a scheduler pass: value = how far the clock moved since the pass before (ms);
                 // noTick: the pass ran no tick (the real clock's pacing had none due)
    kOpNextTick, // the second or a later tick in one pass
    kOpTick,     // a tick's input, where it differs from the tick before (no entry: no change)
    kOpResize,   // the window's new size: size[] = drawable width, height, cursor width, height
    kOpFocus,    // value 1: the window got the focus, 0: it lost it
    kOpClosed,   // the window was closed
    kOpEnd,      // the game ended: text = why, value = the state check then
    // Answers asked for at no set place, written where they came, read ahead by a replay.
    kOpWatchdog, // value = the script watchdog's reading at which a run was stopped (from 1)
    kOpVirtual,  // value = whether the cursor was virtual when the mouse view re-centred it
    kOpLine,     // text = a console line that came from outside the game
    kOpCheck,    // value = the state check after a tick
};

// 1 for the kinds that a replay reads ahead (watchdog, virtual, line, check).
int IsRecordingAnnotation(int kind);

const int kRecordedTypedMax = 256;
const int kRecordedLineMax = 1023;

// One entry of the stream. Only the fields of its kind mean anything.
struct recordingOp
{
    int kind;
    int64_t value;
    int32_t noTick;
    int32_t size[4];
    // kOpTick: keys whose state changed with their new states, what was typed, the cursor's move.
    int keyChanges;
    uint8_t keyCode[256];
    int16_t keyState[256];
    int typedCount;
    int typed[kRecordedTypedMax];
    int32_t cursorDx, cursorDy;
    char text[kRecordedLineMax + 1]; // kOpLine, kOpEnd
};

// The input of the last tick, which the next tick's changes are taken against.
struct recordedInput
{
    int16_t keys[256];
    int32_t cursorX, cursorY;
};
// The cursor stays within this many pixels of the origin in a recording.
const int32_t kRecordedCursorMax = 1 << 24;

// The tick entry for keys (asynchronous key states as the platform gives them), typed input and
// the cursor, against *last, which becomes this tick's input. 1 when anything changed (op holds
// the entry), 0 when the tick needs no entry. Key states other than up, held, pressed since the
// last poll or both are taken as held.
int MakeTickOp(recordedInput* last, const int16_t keys[256], const int* typed, int typedCount, int cursorX,
               int cursorY, recordingOp* op);
// Applies a tick entry to *input. 0, leaving *input as it was, when the entry would put the
// cursor out of bounds (a damaged recording).
int ApplyTickOp(recordedInput* input, const recordingOp* op);

// The bytes of one entry into out (at most max); returns the count, 0 when it does not fit or the
// entry cannot be written (a value out of its bounds).
int EncodeRecordingOp(const recordingOp* op, unsigned char* out, int max);
// One entry from the bytes at data (n of them); returns the bytes it took, or 0 when they do not
// hold a whole, sound entry.
int DecodeRecordingOp(const unsigned char* data, int n, recordingOp* op);
// Room enough for any entry's bytes.
const int kRecordingOpBytesMax = 2200;

// ---------------------------------------------------------------------------------------------
// Writing

// Entries wait here until they are written as one checked block.
const int kRecordingPendingMax = 65536;

struct recordingWriter
{
    int fd; // -1 when closed
    unsigned char pending[kRecordingPendingMax];
    int used;
    int lastPassAt;  // where in pending the last pass entry is; -1 once it went to the file
    long long bytes; // written to the file so far
    int failed;      // a write failed: nothing more is written
    char failure[200];
    volatile int writing; // a block is on its way to the file
};

// Creates (or empties) path for writing. 0 with the reason in err when it cannot be.
int OpenRecordingWriter(recordingWriter* w, const char* path, char* err, int errSize);
// Writes the header at once. 0 when the write failed (w->failure says why).
int WriteRecordingHeader(recordingWriter* w, const recordingHeader* header);
// Adds an entry; the pending ones are written as a block first when it would not fit.
void WriteRecordingOp(recordingWriter* w, const recordingOp* op);
// Marks the last pass entry as one that ran no tick (it was written before its ticks were due).
void MarkPassWithoutTick(recordingWriter* w);
// Writes the pending entries as one block. 0 when the write failed.
int FlushRecordingWriter(recordingWriter* w);
// Writes what is pending, syncs and closes. 0 when anything failed since the start.
int CloseRecordingWriter(recordingWriter* w);
// Writes what is pending with nothing but system calls: for a signal that ends the process.
void FlushRecordingInSignal(recordingWriter* w);

// ---------------------------------------------------------------------------------------------
// Reading

const int kRecordingBlockMax = 1 << 20;
const int kRecordingHeaderMax = 8192;

struct recordingReader
{
    FILE* file;
    long long blockAt;     // the file offset of the block being read
    long long nextBlockAt; // and of the one after it
    long long headerEnd;   // where the blocks begin
    unsigned char* block;
    int size, at;
    char problem[200]; // why reading stopped early; empty when it has not
};

// Opens path and reads its header. 0 with the reason in err (a phrase that follows the file's
// name: "is not a Kesrow recording", "was made by a newer Kesrow ...") when it cannot be replayed.
int OpenRecordingReader(recordingReader* r, const char* path, recordingHeader* header, char* err,
                        int errSize);
// The next entry: 1 with op filled, 0 at the end of the file (after a whole block), -1 when the
// file is cut short or damaged there (r->problem says how and at which byte).
int ReadRecordingOp(recordingReader* r, recordingOp* op);
void CloseRecordingReader(recordingReader* r);
