// The files of a level folder: reading and writing "level models", "tint", "person" and
// "starting", the lookup of the models they name, and the save that writes all four back.
#pragma once

#include "model/mesh_records.h"
#include "world/humans.h"

#include <cstdio>
#include <string>
#include <vector>

// Longest line of a "level models" or "person" file; longer lines are cut with a console line.
constexpr int kLevelLineMax = 513;

// Most level models a level holds. Each is a model copy of some 320 KB, so a "level models" file
// of a million lines must not become a million copies; lines past the limit are kept unread.
constexpr int kMaxLevelModels = 1024;

// The four files a save writes, and the journal that makes them change together (see
// core/safe_write.h): a save killed at any moment leaves the folder with all four files of one
// save or all four of the other once the level is loaded again.
extern const char* const kSavedLevelFiles[4];
extern const char kLevelSaveJournal[];

// Lines of "level models" and "person" the loader did not use (a model found nowhere, a line
// without a model name, a line past a limit) and whatever follows the empty line that ends the
// list. A save writes them back as they were, each after the records that came before it in
// the file, so that a line that failed to load (a model renamed, a checkout in progress, a note)
// is never lost. Replaced by each read of the file, emptied by ReturnToNothing.
struct keptLevelLine
{
    int place;        // records read before it
    std::string text; // the line, without its line end
};
struct keptLevelLines
{
    std::vector<keptLevelLine> lines;
    std::string rest; // from the line after the empty line to the end of the file
    int hasRest;      // 1 when the list ended at an empty line with something after it
};
extern keptLevelLines gKeptLevelModelLines;
extern keptLevelLines gKeptPersonLines;
void ForgetKeptLevelLines();

// One line of "level models":  model,x,y,z,angleX,angleY,angleZ,scale
struct levelModelRecord
{
    char model[kModelNameSize];
    vector_type position;
    vector_type angles; // degrees, about the model's own origin
    float scale;        // percent
};

// One line of "person":  model,x,y,z,rotX,rotY,rotZ,team,type,health,scale[,name][,scripts]
// where scripts is the actor's script list ("path",mask pairs) for SetHumanScriptsByPaths.
struct personRecord
{
    char model[kModelNameSize];
    vector_type position;
    vector_type rotation;
    int32_t team, type, health;
    float scale;
    char name[kHumanNameSize];
    char scripts[kLevelLineMax + 1];
};

// Reads one line of a level list file into line (kLevelLineMax + 1 bytes). CR, LF and CR LF
// each end a line. A longer line is cut, with a console line naming file and line number; the
// whole line goes to *whole when it is given. Returns -1 when the end of the file was reached,
// else 0.
int ReadLevelLine(FILE* file, char* line, const char* path, int lineNumber, std::string* whole = nullptr);

// For the readers of "level models" and "person": keeps a line, and what follows the empty line
// that ended the list (file positioned after it).
void KeepLevelLine(keptLevelLines* kept, int place, const std::string& text);
void KeepRestOfLevelFile(keptLevelLines* kept, FILE* file);

// Parses a "level models" line into record. Fields that are missing keep 0, except the scale,
// which keeps previousScale; a field that is not a number keeps the same default with a console
// line; a scale at or below 0 is read as 100. 0 (with a console line) when the line names no
// model; an over-long model name is cut with a console line.
int ParseLevelModelLine(const char* line, levelModelRecord* record, float previousScale, const char* path,
                        int lineNumber);

// Parses a "person" line into record. Defaults for missing or unreadable numbers are those of a
// new actor (position and rotation 0, team 0, type 1, health 100, scale 100); unreadable ones
// and a scale at or below 0 are reported. A name field that begins with a double quote is the
// start of the script list (the actor has no name). 0 when the line names no model.
int ParsePersonLine(const char* line, personRecord* record, const char* path, int lineNumber);

// The line the level writer puts for a level model or an actor, without a line end.
void FormatLevelModelLine(const mesh_mod* model, char* out, size_t size);
void FormatPersonLine(const human_being* actor, char* out, size_t size);

// The file of a model named by a level file at listPath: "<listPath's folder>Models/<name>",
// else "<routePath>Models/<name>". 0 when neither exists, or when name is absolute or holds a ".."
// component (refused with a console line).
int FindLevelModelFile(const char* listPath, const char* name, char* out, size_t size);

// Reports that the model name on line lineNumber of listPath was found in neither Models folder;
// consoleFormat ("...%s") is the game's console line, given the name.
void ReportMissingLevelModel(const char* listPath, int lineNumber, const char* name,
                             const char* consoleFormat);

// Reads a "tint" file ("r, g, b") into baseCol1..3 and sets tintColor from them. 1, or 0 when
// the file cannot be opened. Numbers that are missing or unreadable keep 1.0, reported.
int LoadTintColor(const char* path);

// Reads a "starting" file (x, y, z, pitch, heading, roll, one a line) into the player's camera:
// the position negated into entfl, updown, entf, the angles into updownangle, viewangle, zangle.
// 1, or 0 when the file cannot be opened. Missing or unreadable numbers are 0, reported.
int ReadPlayerPosition(const char* path);

// Empties the roster and creates one actor per "person" line, with a private copy of its model
// scaled to the line's scale and the line's scripts attached. An actor without a name or with
// one already used gets a free name (a taken name is reported). 1, or 0 when the file cannot be
// opened. A line whose model is found nowhere is reported and kept (gKeptPersonLines).
int ImportAndLinkPersons(const char* path);

// 1 when every actor, level model, the player and the tint have finite numbers, so that what a
// save writes loads again; otherwise 0 with a console line naming what is wrong (folder names
// the save).
int LevelStateCanBeSaved(const char* folder);

// Writes "person", "starting", "level models" and "tint" into folder as one: each goes to a
// temporary file, and only when all four are written are they put in place together (with the
// save journal). A failure of any keeps all four old files and is reported; so does a level
// state with a number that is not finite. Kept lines go back in their places. An empty folder
// does nothing. 1 when all four were written.
int SaveChangesToLevelFiles(const char* folder);
