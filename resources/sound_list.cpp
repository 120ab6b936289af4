// Owns the table of numbered samples and the sound list reader that fills it at start-up.
// Playing a slot is the script instructions' business; this file only loads and frees.
#include "resources/sound_list.h"

#include "core/content_files.h"
#include "core/output.h"
#include "core/problems.h"
#include "core/vecmath.h"
#include "platform/fsound.h"
#include "resources/paths.h"
#include "resources/textures.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

FSOUND_SAMPLE* gAllSamples[kSoundSlots] = {};
// The file each slot's sample was loaded from, for a reload when it changes.
static std::string gSoundSlotPath[kSoundSlots];
unsigned char gSoundSlotListed[kSoundSlots] = {};
char gFullPath[1024] = "";

// 16-bit, signed, mono, 3D: every sample can be placed in the world.
static const int kSampleLoadMode = 4400;

// 1 when the sample file is there to read, or was refused (the opener has said why): only a
// file that is not there at all is "not found".
static int FileIsThere(const char* path)
{
    return ContentPathState(path, kContentSound) != kContentMissing;
}

// Loads one listed name: first as a path under the data folder, then once more with ':'
// separators under gFullPath. Null when both fail.
static FSOUND_SAMPLE* LoadListedSample(char* name, char* path, size_t pathSize)
{
    snprintf(path, pathSize, "%s%s", routePath, name);
    FixPathString(path);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, path, kSampleLoadMode, 0);
    if (sample) return sample;

    char second[sizeof gFullPath + kMaxLineLength + 2];
    ReplaceCharsInString(name, '/', ':');
    snprintf(second, sizeof second, "%s:%s", gFullPath, name);
    return FSOUND_Sample_Load(FSOUND_FREE, second, kSampleLoadMode, 0);
}

// "//Sound list <list>: line <n>...: <message>" in the game; the list, line and message to a checker.
static void ReportListLine(const char* listPath, int lineNumber, const char* message, int colon)
{
    char console[2200];
    snprintf(console, sizeof console, "//Sound list %s: line %d%s %s", listPath, lineNumber, colon ? ":" : "",
             message);
    ReportContentProblem(listPath, lineNumber, message, console);
}

// Sound list line: "<slot> <path>", e.g. "3 Sounds/step.wav".
static int LoadSoundListLine(char* line, int lineNumber, void* context)
{
    const char* listPath = (const char*)context;
    // strtol instead of %d: a slot too large for an int must not wrap into 0..255.
    char* rest = nullptr;
    long slot = strtol(line, &rest, 10);
    if (rest == line)
    {
        ReportListLine(listPath, lineNumber, "does not start with a slot number, skipped", 0);
        return 1;
    }
    while (*rest == ' ' || *rest == '\t')
        ++rest;
    if (*rest == 0)
    {
        ReportListLine(listPath, lineNumber, "names no sample, skipped", 0);
        return 1;
    }
    char message[2000];
    if (slot < 0 || slot >= kSoundSlots)
    {
        snprintf(message, sizeof message, "slot %ld is outside 0 to %d, skipped", slot, kSoundSlots - 1);
        ReportListLine(listPath, lineNumber, message, 1);
        return 1;
    }

    // The slot is named by this line, whatever its file: its problems are the line's.
    gSoundSlotListed[slot] = 1;
    // Samples come from inside the data folder only, on either attempt.
    if (!VXR_ListEntryStaysInDataFolder(rest, "Sound list", listPath, lineNumber)) return 1;
    char name[kMaxLineLength + 1];
    snprintf(name, sizeof name, "%s", rest);
    char path[sizeof routePath + kMaxLineLength + 1];
    if (gCheckOnly)
    {
        // No device: the file is decoded and dropped, and what is wrong with it is said here.
        snprintf(path, sizeof path, "%s%s", routePath, name);
        FixPathString(path);
        char err[300];
        int state = ContentPathState(path, kContentSound);
        if (state == kContentMissing || state == kContentFolder)
        {
            snprintf(message, sizeof message, "sample file %s not found, slot %ld stays empty", path, slot);
            ReportListLine(listPath, lineNumber, message, 1);
        }
        else if (state == kContentFile && !PLT_CheckSoundFile(path, err, sizeof err))
        {
            snprintf(message, sizeof message, "sample file %s %s", path, err);
            ReportListLine(listPath, lineNumber, message, 1);
        }
        return 1;
    }
    FSOUND_SAMPLE* sample = LoadListedSample(name, path, sizeof path);
    // A file that is there but does not decode is reported by the sound layer; a silent
    // layer (no device) loads nothing, which is not the list's fault.
    if (!sample && !FileIsThere(path))
    {
        snprintf(message, sizeof message, "sample file %s not found, slot %ld stays empty", path, slot);
        ReportListLine(listPath, lineNumber, message, 1);
    }
    if (gAllSamples[slot] && gAllSamples[slot] != sample) FSOUND_Sample_Free(gAllSamples[slot]);
    gAllSamples[slot] = sample;
    gSoundSlotPath[slot] = sample ? path : "";
    return 1;
}

int ReloadSoundFile(const char* path)
{
    int reloaded = 0;
    for (int slot = 0; slot < kSoundSlots; slot++)
    {
        if (!gAllSamples[slot] || gSoundSlotPath[slot] != path) continue;
        if (!FSOUND_Sample_Reload(gAllSamples[slot], path)) return -1;
        reloaded++;
    }
    return reloaded;
}

void LoadSoundFiles(const char* listPath)
{
    FILE* list = OpenContentFile(listPath, kContentText);
    if (!list) return;
    ReadListLines(list, listPath, "Sound list", 0, LoadSoundListLine, (void*)listPath);
    fclose(list);
}

void FreeSoundFiles()
{
    for (int i = 0; i < kSoundSlots; i++)
    {
        FSOUND_Sample_Free(gAllSamples[i]);
        gAllSamples[i] = nullptr;
        gSoundSlotPath[i].clear();
    }
}
