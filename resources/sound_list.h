// The numbered sound samples: the sound list of the data folder loaded into 256 slots at start,
// which scripts play by slot number.
#pragma once

struct FSOUND_SAMPLE;

enum
{
    kSoundSlots = 256
};

// Sample handles by slot; null where nothing was loaded. The handles belong to the sound layer.
extern FSOUND_SAMPLE* gAllSamples[kSoundSlots];
// 1 for each slot a line of the sound list names, whether or not its sample loaded: the content
// checker tells a slot that no line fills from one whose file is bad.
extern unsigned char gSoundSlotListed[kSoundSlots];

// Folder prefix of the second load attempt (a name with ':' separators); empty for the run.
extern char gFullPath[1024];

// Reads the sound list at listPath (routePath + "Sounds/list") and loads every sample it names.
// Line format: "<slot> <path>", the path relative to the data folder with '/' or ':' as
// separators; empty lines are skipped. A later line for a slot replaces (and frees) the earlier
// sample. A missing list loads nothing. Slots outside 0..255, lines without a slot or a path,
// over-long lines and samples whose file is missing are reported on the console and skipped.
void LoadSoundFiles(const char* listPath);

// Loads the sample file at path again into every slot loaded from it (playing channels go on with
// the new sound): the count of slots, 0 when no slot was loaded from it, -1 when the file cannot be
// loaded (the slots keep the last good sound; the sound layer has said why).
int ReloadSoundFile(const char* path);

// Frees every loaded sample and empties all slots (before the sound layer closes or reopens).
void FreeSoundFiles();
