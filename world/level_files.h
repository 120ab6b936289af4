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

// The lines of a "level models" or "person" file as the loaded level holds them, in file order,
// so that a save changes only what changed: a line that made a level model or an actor (its
// order: the level model's place in the list, the actor's levelOrder) is written back as it was
// read while the record still formats as it did then, else as the record formats now; a line
// that did not load (a model renamed, a checkout in progress, a note, a line past a limit;
// order -1) is written back as it was. Records without a line (actors made since) follow the
// last line; a line whose actor is gone is left out but kept, so that an undo puts the actor
// back in its place. Whatever followed the empty line that ends the list is kept too. Replaced
// by each read of the file, emptied by ReturnToNothing, renewed by each save.
struct levelFileLine
{
    int32_t order;         // the record's place, or -1 for a line that did not load
    std::string text;      // the line as read (or last written), without its line end
    std::string formatted; // the record as the writer formatted it then; empty for order -1
};
struct levelFileLines
{
    std::vector<levelFileLine> lines;
    std::string rest; // from the line after the empty line to the end of the file
    int hasRest;      // 1 when the list ended at an empty line with something after it
};
extern levelFileLines gLevelModelFileLines;
extern levelFileLines gPersonFileLines;
void ForgetKeptLevelLines();

// The level's start: where the player starts and looks, as its "starting" file holds it (the
// eye's x, y and z, then pitch, heading and roll). Read with the level; the instruction
// "setStart" puts it where the player is; a save writes it. Where the player stands when the
// level is saved is not the start. The file's text is kept, and written back as it was while
// the start has not changed.
struct levelStart
{
    vector_type eye;
    float pitch, heading, roll;
};
extern levelStart gLevelStart;
// The start as the player's camera now has it.
levelStart PlayerAsStart();

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

// For the readers of "level models" and "person": what follows the empty line that ended the
// list (file positioned after it).
void KeepRestOfLevelFile(levelFileLines* kept, FILE* file);

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

// The line the level writer puts for a level model or an actor, without a line end. Numbers
// are written as short as they read back the same to the sixth decimal: 100 for 100.000000,
// -6.5, 0.24, and 0 for a negative zero.
void FormatLevelModelLine(const mesh_mod* model, char* out, size_t size);
std::string PersonLineOf(const human_being* actor);
// An actor's record in a key frame file ("savekey"): the person line's fields with every number
// written with six decimals, as key frames have always been written.
void FormatPersonLine(const human_being* actor, char* out, size_t size);
// A number as the level files write it (see above) into out (at least 32 bytes).
void FormatLevelNumber(float value, char* out, size_t size);

// Creates the actor a person record describes, as the level loader does: the model looked up
// for the list file at listPath (its level's Models folder, then the data folder's), a private
// copy scaled to the record, the scripts attached (their problems reported at listPath and
// lineNumber), the name, or a free one when the record has none or its name is taken (then said
// at listPath and lineNumber when say is set). Null with a console line when the model is found
// nowhere, does not load, or the roster is full.
human_being* AddHumanFromPersonRecord(const personRecord* record, const char* listPath, int lineNumber,
                                      int say);
// Makes actor h what the person line says (model, place, angles, team, type, health, size,
// name and scripts), changing only what differs: what the editor's undo and redo do to an actor
// that is there. A name another actor bears is not taken. 0 when the line cannot be read or its
// model cannot be had (h then keeps its model).
int ApplyPersonLine(human_being* h, const char* line);

// The file of a model named by a level file at listPath: "<listPath's folder>Models/<name>",
// else "<routePath>Models/<name>". 0 when neither exists, or when name is absolute or holds a ".."
// component (refused with a console line).
int FindLevelModelFile(const char* listPath, const char* name, char* out, size_t size);

// The cache entry of the model that line lineNumber of the list file at listPath names, looked up
// as FindLevelModelFile does and loaded into the cache when it is not there. Null when it is
// found nowhere (reported with ReportMissingLevelModel and consoleFormat) or does not load. What
// loading it finds wrong (a material's missing picture) is reported at that line too.
mesh_mod* LevelLineModel(const char* model, const char* listPath, int lineNumber, const char* consoleFormat);

// Reports that the model name on line lineNumber of listPath was found in neither Models folder;
// consoleFormat ("...%s") is the game's console line, given the name.
void ReportMissingLevelModel(const char* listPath, int lineNumber, const char* name,
                             const char* consoleFormat);

// Reads a "tint" file ("r, g, b") into baseCol1..3 and sets tintColor from them. 1, or 0 when
// the file cannot be opened. Numbers that are missing or unreadable keep 1.0, reported.
int LoadTintColor(const char* path);

// Reads a "starting" file (x, y, z, pitch, heading, roll, one a line) into the level's start
// and the player's camera: the position negated into entfl, updown, entf, the angles into
// updownangle, viewangle, zangle. 1, or 0 when the file cannot be opened. Missing or unreadable
// numbers are 0, reported.
int ReadPlayerPosition(const char* path);

// Empties the roster and creates one actor per "person" line, with a private copy of its model
// scaled to the line's scale and the line's scripts attached. An actor without a name or with
// one already used gets a free name (a taken name is reported). 1, or 0 when the file cannot be
// opened. A line whose model is found nowhere is reported and kept (gPersonFileLines).
int ImportAndLinkPersons(const char* path);

// Reads the level file at path ("level models", "person", "tint" or "starting" by its name) as
// the level load would, changing nothing: 1 when it loads without a problem (every line read,
// every model found), else 0 with the first problem in why ("line N: ..."). For the live reload,
// which keeps the level as it is while a changed file of it has problems.
int LevelFileLoadsCleanly(const char* path, const char* name, std::string* why);

// 1 when every actor, level model, the player and the tint have finite numbers, so that what a
// save writes loads again; otherwise 0 with a console line naming what is wrong (folder names
// the save).
int LevelStateCanBeSaved(const char* folder);

// Writes "person", "starting", "level models" and "tint" into folder as one: each goes to a
// temporary file, and only when all four are written are they put in place together (with the
// save journal). A failure of any keeps all four old files and is reported; so does a level
// state with a number that is not finite. Lines go back in their order, unchanged ones as they
// were (see levelFileLines), new actors after them; "starting" holds the level's start. After a
// save the files' lines are what was written. An empty folder does nothing. 1 when all four
// were written.
int SaveChangesToLevelFiles(const char* folder);
// Told after every save that wrote all four files (the editor's history notes it); null: none.
extern void (*gLevelSavedHook)();
// Replaces an actor's scripts by those its person file line lists (the script scheduler's
// SetHumanScriptsByPaths, registered at start-up); while null, actors are made without scripts.
// Emptying an actor's list on reload goes through gDisposeHumanScriptsHook.
extern void (*gSetHumanScriptsHook)(human_being* actor, const char* list);
// An actor's scripts in that same form, for its saved person line (the scheduler's
// HumanScriptPaths, registered at start-up); while null, an actor is written with no scripts.
extern std::string (*gHumanScriptPathsHook)(const human_being* actor);
