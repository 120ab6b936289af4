// The files of a level folder: line reading and field parsing of "level models" and "person",
// the "tint" and "starting" files, the actor loader, and the writer that saves all four.
// Every text field is copied with its size; bad fields are reported and keep their defaults.
#include "world/level_files.h"

#include "core/content_files.h"
#include "core/output.h"
#include "core/problems.h"
#include "core/safe_write.h"
#include "model/bounds.h"
#include "model/draw_model.h"
#include "resources/paths.h"
#include "resources/textures.h"
#include "script/scheduling.h"
#include "world/camera.h"
#include "world/level.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

const char* const kSavedLevelFiles[4] = {"person", "starting", "level models", "tint"};
const char kLevelSaveJournal[] = "save journal";

keptLevelLines gKeptLevelModelLines;
keptLevelLines gKeptPersonLines;

static void ForgetKept(keptLevelLines* kept)
{
    kept->lines.clear();
    kept->rest.clear();
    kept->hasRest = 0;
}

void ForgetKeptLevelLines()
{
    ForgetKept(&gKeptLevelModelLines);
    ForgetKept(&gKeptPersonLines);
}

void KeepLevelLine(keptLevelLines* kept, int place, const std::string& text)
{
    kept->lines.push_back({place, text});
}

void KeepRestOfLevelFile(keptLevelLines* kept, FILE* file)
{
    // The file is within its size limit, so this ends.
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        kept->rest.append(chunk, got);
    kept->hasRest = !kept->rest.empty();
}

int ReadLevelLine(FILE* file, char* line, const char* path, int lineNumber, std::string* whole)
{
    int wasCut = 0;
    int result = ReadBoundedLine(file, line, kLevelLineMax + 1, 1, &wasCut, whole);
    if (wasCut)
        ReportContentProblemF(path, lineNumber, "longer than %d characters, the rest is ignored",
                              kLevelLineMax);
    return result;
}

// ---------------------------------------------------------------------------------------------
// Fields

namespace
{

// Walks the comma-separated fields of one line.
struct fieldReader
{
    const char* rest; // null once the line has no more fields
    const char* path;
    int lineNumber;
};

// The next field (up to the next comma or the line's end) into out; 0 when no field is left.
// An over-long field is cut with a console line naming what.
int TakeField(fieldReader* r, char* out, size_t size, const char* what)
{
    out[0] = 0;
    if (!r->rest) return 0;
    const char* comma = strchr(r->rest, ',');
    size_t length = comma ? (size_t)(comma - r->rest) : strlen(r->rest);
    if (length >= size)
    {
        ReportContentProblemF(r->path, r->lineNumber, "%s longer than %d characters, cut", what,
                              (int)size - 1);
        length = size - 1;
    }
    memcpy(out, r->rest, length);
    out[length] = 0;
    r->rest = comma ? comma + 1 : nullptr;
    return 1;
}

bool OnlySpaces(const char* p)
{
    while (*p == ' ' || *p == '\t')
        p++;
    return *p == 0;
}

// A finite float filling the whole text (blanks around it allowed).
bool ParseFloatText(const char* text, float* value)
{
    char* end = nullptr;
    errno = 0;
    float v = strtof(text, &end);
    if (end == text || !OnlySpaces(end) || !std::isfinite(v) || errno == ERANGE) return false;
    *value = v;
    return true;
}

bool ParseIntText(const char* text, int32_t* value)
{
    char* end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (end == text || !OnlySpaces(end) || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
    *value = (int32_t)v;
    return true;
}

// Reads the next field as a float into *value; a missing field leaves it silently, an unreadable
// one leaves it with a console line. Returns 1 when the field was there.
int TakeFloat(fieldReader* r, float* value, const char* what)
{
    char text[64];
    if (!TakeField(r, text, sizeof text, what)) return 0;
    if (!ParseFloatText(text, value))
        ReportContentProblemF(r->path, r->lineNumber, "%s \"%s\" is not a number, %g kept", what, text,
                              *value);
    return 1;
}

int TakeInt(fieldReader* r, int32_t* value, const char* what)
{
    char text[64];
    if (!TakeField(r, text, sizeof text, what)) return 0;
    if (!ParseIntText(text, value))
        ReportContentProblemF(r->path, r->lineNumber, "%s \"%s\" is not a whole number, %d kept", what, text,
                              (int)*value);
    return 1;
}

// Takes the x, y and z fields of a vector; the count of fields that were there.
int TakeVector(fieldReader* r, vector_type* v, const char* what)
{
    std::string name = what;
    int present = TakeFloat(r, &v->x, (name + " x").c_str());
    present += TakeFloat(r, &v->y, (name + " y").c_str());
    return present + TakeFloat(r, &v->z, (name + " z").c_str());
}

// The first field, the model file name; 0 with a console line when there is none.
int TakeModelName(fieldReader* r, char* model, size_t size)
{
    TakeField(r, model, size, "model name");
    if (model[0]) return 1;
    ReportContentProblemF(r->path, r->lineNumber, "no model name, the line is skipped");
    return 0;
}

} // namespace

// "level models" line:  model,x,y,z,angleX,angleY,angleZ[,scale]
int ParseLevelModelLine(const char* line, levelModelRecord* record, float previousScale, const char* path,
                        int lineNumber)
{
    memset(record, 0, sizeof *record);
    record->scale = previousScale;
    fieldReader r = {line, path, lineNumber};
    if (!TakeModelName(&r, record->model, sizeof record->model)) return 0;
    int present = TakeVector(&r, &record->position, "position");
    present += TakeVector(&r, &record->angles, "angle");
    if (present < 6)
        ReportContentProblemF(path, lineNumber, "%d of the 6 placement numbers given, the rest are 0",
                              present);
    TakeFloat(&r, &record->scale, "scale");
    if (record->scale <= 0.0f) record->scale = 100.0f;
    return 1;
}

// "person" line:  model,x,y,z,rotX,rotY,rotZ,team,type,health,scale[,name][,"path",mask...]
int ParsePersonLine(const char* line, personRecord* record, const char* path, int lineNumber)
{
    memset(record, 0, sizeof *record);
    record->type = 1;
    record->health = 100;
    record->scale = 100.0f;
    fieldReader r = {line, path, lineNumber};
    if (!TakeModelName(&r, record->model, sizeof record->model)) return 0;
    int present = TakeVector(&r, &record->position, "position");
    present += TakeVector(&r, &record->rotation, "rotation");
    present += TakeInt(&r, &record->team, "team");
    present += TakeInt(&r, &record->type, "type");
    present += TakeInt(&r, &record->health, "health");
    present += TakeFloat(&r, &record->scale, "scale");
    if (present < 10)
        ReportContentProblemF(path, lineNumber, "%d of the 10 numbers given, the rest keep their defaults",
                              present);
    if (record->scale <= 0.0f)
    {
        ReportContentProblemF(path, lineNumber, "scale %g is not above 0, 100 used", record->scale);
        record->scale = 100.0f;
    }
    // A script list straight after the scale (an actor saved without a name) starts with a quote.
    if (r.rest && r.rest[0] != '"') TakeField(&r, record->name, sizeof record->name, "name");
    if (r.rest)
    {
        size_t length = strlen(r.rest);
        if (length >= sizeof record->scripts) length = sizeof record->scripts - 1;
        memcpy(record->scripts, r.rest, length);
        record->scripts[length] = 0;
    }
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Writing lines

void FormatLevelModelLine(const mesh_mod* model, char* out, size_t size)
{
    snprintf(out, size, "%s,%f,%f,%f,%f,%f,%f,%f", model->name, model->placementPosition.x,
             model->placementPosition.y, model->placementPosition.z, model->placementRotation.x,
             model->placementRotation.y, model->placementRotation.z, model->placementScale);
}

void FormatPersonLine(const human_being* actor, char* out, size_t size)
{
    std::string line;
    char part[2200];
    snprintf(part, sizeof part, "%s,%f,%f,%f,%f,%f,%f,%d,%d,%d,%f", actor->model ? actor->model->name : "",
             actor->position.x, actor->position.y, actor->position.z, actor->rotation.x, actor->rotation.y,
             actor->rotation.z, (int)actor->team, (int)actor->type, (int)actor->health, actor->scale);
    line = part;
    if (actor->name[0])
    {
        // A comma would end the name early when the line is read back.
        std::string name = actor->name;
        for (char& c : name)
            if (c == ',' || c == '\r' || c == '\n') c = '_';
        if (name != actor->name)
            OutputToConsoleF("//Actor %s: commas and line ends in the name are saved as '_'", actor->name);
        line += "," + name;
    }
    for (const VXR_scripter* s = actor->scripts; s; s = s->next)
    {
        snprintf(part, sizeof part, ",\"%s\",%ld", s->path, (long)s->eventMask);
        line += part;
    }
    if (line.size() > (size_t)kLevelLineMax)
        OutputToConsoleF("//Actor %s: its person line has %d characters; only %d are read back", actor->name,
                         (int)line.size(), kLevelLineMax);
    snprintf(out, size, "%s", line.c_str());
}

// ---------------------------------------------------------------------------------------------
// Model lookup

int FindLevelModelFile(const char* listPath, const char* name, char* out, size_t size)
{
    // Model names stay inside the Models folders they are looked up in.
    if (!VXR_PathStaysInDataFolder(name, "level model")) return 0;
    // The list file's own folder, up to and including its last separator.
    const char* slash = strrchr(listPath, kDirectoryDevider);
    int folderLength = slash ? (int)(slash - listPath + 1) : 0;
    int n = snprintf(out, size, "%.*sModels%c%s", folderLength, listPath, kDirectoryDevider, name);
    if (n >= 0 && (size_t)n < size && VXR_FileExists(out)) return 1;
    n = snprintf(out, size, "%sModels%c%s", routePath, kDirectoryDevider, name);
    return n >= 0 && (size_t)n < size && VXR_FileExists(out);
}

void ReportMissingLevelModel(const char* listPath, int lineNumber, const char* name,
                             const char* consoleFormat)
{
    const char* slash = strrchr(listPath, kDirectoryDevider);
    int folderLength = slash ? (int)(slash - listPath + 1) : 0;
    char message[1400], console[700];
    snprintf(message, sizeof message, "model %.200s is in neither %.*sModels%c nor %sModels%c", name,
             folderLength, listPath, kDirectoryDevider, routePath, kDirectoryDevider);
    snprintf(console, sizeof console, consoleFormat, name);
    ReportContentProblem(listPath, lineNumber, message, console);
}

// ---------------------------------------------------------------------------------------------
// "tint" and "starting"

// "tint":  r, g, b
int LoadTintColor(const char* path)
{
    FILE* file = OpenContentFile(path, kContentText);
    if (!file) return 0;
    char line[kLevelLineMax + 1];
    ReadLevelLine(file, line, path, 1);
    fclose(file);
    float colour[3] = {1.0f, 1.0f, 1.0f};
    const char* names[3] = {"red", "green", "blue"};
    fieldReader r = {line, path, 1};
    int present = 0;
    for (int i = 0; i < 3; i++)
        present += TakeFloat(&r, &colour[i], names[i]);
    if (present < 3)
        ReportContentProblemF(path, 0, "%d of the 3 colour numbers given, the rest are 1", present);
    baseCol1 = colour[0];
    baseCol2 = colour[1];
    baseCol3 = colour[2];
    tintColor = fastVector_Set(baseCol1, baseCol2, baseCol3);
    return 1;
}

// "starting":  x, y, z, pitch, heading, roll; one number a line
int ReadPlayerPosition(const char* path)
{
    FILE* file = OpenContentFile(path, kContentText);
    if (!file) return 0;
    float values[6] = {0, 0, 0, 0, 0, 0};
    const char* names[6] = {"x", "y", "z", "pitch", "heading", "roll"};
    int found = 0;
    int lineNumber = 1;
    char word[64];
    // Each number is a blank-separated word; the width keeps a long word from overrunning. Line
    // ends (LF, CR or CR LF) are counted on the way, so a bad number is reported with its line.
    for (;;)
    {
        int c = fgetc(file);
        while (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f')
        {
            int next = fgetc(file);
            if (c == '\n' || (c == '\r' && next != '\n')) lineNumber++;
            c = next;
        }
        if (c == EOF) break;
        ungetc(c, file);
        if (found >= 6 || fscanf(file, "%63s", word) != 1) break;
        if (!ParseFloatText(word, &values[found]))
        {
            char message[200], console[1300];
            snprintf(message, sizeof message, "%s \"%s\" is not a number, 0 used", names[found], word);
            snprintf(console, sizeof console, "//%s: %s", path, message);
            ReportContentProblem(path, lineNumber, message, console);
        }
        found++;
    }
    fclose(file);
    if (found < 6) ReportContentProblemF(path, 0, "%d of the 6 numbers given, the rest are 0", found);
    entfl = -values[0];
    updown = -values[1];
    entf = -values[2];
    updownangle = values[3];
    viewangle = values[4];
    zangle = values[5];
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Actors

int ImportAndLinkPersons(const char* path)
{
    EnsureHumanRoster();
    FILE* file = OpenContentFile(path, kContentText);
    if (!file) return 0;
    RemoveAllHumans();
    ForgetKept(&gKeptPersonLines);

    char line[kLevelLineMax + 1];
    std::string whole;
    // Models looked for once per file, however many lines name them: not found, or not loadable
    // (already said).
    std::set<std::string> missingModels, failedModels;
    int atEnd = 0, loaded = 0, rosterFull = 0;
    for (int lineNumber = 1; !atEnd; lineNumber++)
    {
        atEnd = ReadLevelLine(file, line, path, lineNumber, &whole) == -1;
        // Only a line with nothing on it ends the list; one that starts with a NUL byte is a line.
        if (whole.empty())
        {
            if (!atEnd) KeepRestOfLevelFile(&gKeptPersonLines, file);
            break;
        }
        // Every return to the top without an actor keeps the line for the next save.
        KeepLevelLine(&gKeptPersonLines, loaded, whole);
        if (rosterFull) continue;
        personRecord record;
        if (!ParsePersonLine(line, &record, path, lineNumber)) continue;
        char modelPath[2200];
        if (failedModels.count(record.model)) continue;
        if (missingModels.count(record.model) ||
            !FindLevelModelFile(path, record.model, modelPath, sizeof modelPath))
        {
            missingModels.insert(record.model);
            ReportMissingLevelModel(path, lineNumber, record.model, "//Failed to load object with model: %s");
            continue;
        }
        mesh_mod* entry = ObtainCachedModel(record.model, modelPath);
        if (!entry)
        {
            failedModels.insert(record.model);
            continue;
        }
        human_being* h = AppendNewHuman();
        if (!h)
        {
            ReportContentProblemF(path, lineNumber,
                                  "the roster is full: this line and the ones after it are not loaded (a "
                                  "save keeps them)");
            rosterFull = 1;
            continue;
        }
        gKeptPersonLines.lines.pop_back();
        loaded++;
        h->position = record.position;
        h->rotation = record.rotation;
        h->team = record.team;
        h->type = record.type;
        h->health = record.health;
        h->scale = record.scale;
        memcpy(h->name, record.name, sizeof h->name);
        // Problems with the script list belong to this line of the person file.
        const char* outerFile = gProblemFile;
        int outerLine = gProblemLine;
        gProblemFile = path;
        gProblemLine = lineNumber;
        SetHumanScriptsByPaths(h, record.scripts);
        gProblemFile = outerFile;
        gProblemLine = outerLine;
        h->model = MakePrivateModelCopy(entry, h);
        float s = h->scale * 0.01f;
        ScaleModelTo(h, s, s, s, 0);
        if (!h->name[0])
            BuildFreeHumanNameByModelSignature(h);
        else if (HumanNameAlreadyUsed(h))
        {
            char taken[kHumanNameSize];
            memcpy(taken, h->name, sizeof taken);
            BuildFreeHumanNameByModelSignature(h);
            ReportContentProblemF(path, lineNumber, "the name %s is taken, this actor is named %s", taken,
                                  h->name);
        }
    }
    fclose(file);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Saving

namespace
{

// The lines of a list file: the records in order with the kept lines put back after the records
// that came before them in the file.
std::vector<std::string> WithKeptLines(const std::vector<std::string>& records, const keptLevelLines& kept)
{
    std::vector<std::string> out;
    size_t k = 0;
    for (size_t r = 0; r <= records.size(); r++)
    {
        while (k < kept.lines.size() && (kept.lines[k].place <= (int)r || r == records.size()))
            out.push_back(kept.lines[k++].text);
        if (r < records.size()) out.push_back(records[r]);
    }
    return out;
}

// "\n" before every record but the first: the file has no line end after the last actor.
int WritePersonFile(FILE* file)
{
    std::vector<std::string> records;
    char line[4096];
    for (human_being* h = baseHuman ? baseHuman->next : nullptr; h; h = h->next)
    {
        if (!h->model)
        {
            OutputToConsoleF("//Actor %s has no model and is not saved", h->name);
            continue;
        }
        FormatPersonLine(h, line, sizeof line);
        records.push_back(line);
    }
    std::vector<std::string> lines = WithKeptLines(records, gKeptPersonLines);
    int ok = 1;
    for (size_t i = 0; i < lines.size() && ok; i++)
        ok = (!i || fputc('\n', file) != EOF) &&
             fwrite(lines[i].data(), 1, lines[i].size(), file) == lines[i].size();
    // What came after the empty line that ended the list, after that empty line.
    if (ok && gKeptPersonLines.hasRest)
        ok = fprintf(file, "%s\n", lines.empty() ? "" : "\n") >= 0 &&
             fwrite(gKeptPersonLines.rest.data(), 1, gKeptPersonLines.rest.size(), file) ==
                 gKeptPersonLines.rest.size();
    return ok;
}

int WriteStartingFile(FILE* file)
{
    return fprintf(file, "%f\n%f\n%f\n%f\n%f\n%f\n", -entfl, -updown, -entf, updownangle, viewangle,
                   zangle) >= 0;
}

int WriteLevelModelsFile(FILE* file)
{
    std::vector<std::string> records;
    char line[kModelNameSize + 256];
    for (mesh_mod* m = baseLevelMesh.next; m; m = m->next)
    {
        FormatLevelModelLine(m, line, sizeof line);
        records.push_back(line);
    }
    int ok = 1;
    for (const std::string& text : WithKeptLines(records, gKeptLevelModelLines))
        if (ok) ok = fwrite(text.data(), 1, text.size(), file) == text.size() && fputc('\n', file) != EOF;
    if (ok && gKeptLevelModelLines.hasRest)
        ok = fputs("\n", file) >= 0 &&
             fwrite(gKeptLevelModelLines.rest.data(), 1, gKeptLevelModelLines.rest.size(), file) ==
                 gKeptLevelModelLines.rest.size();
    return ok;
}

int WriteTintFile(FILE* file)
{
    return fprintf(file, "%f, %f, %f\n", baseCol1, baseCol2, baseCol3) >= 0;
}

bool Finite(vector_type v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

int LevelStateCanBeSaved(const char* folder)
{
    char what[200] = "";
    for (human_being* h = baseHuman ? baseHuman->next : nullptr; h && !what[0]; h = h->next)
        if (!Finite(h->position) || !Finite(h->rotation) || !std::isfinite(h->scale))
            snprintf(what, sizeof what, "actor %s has a position, angle or size", h->name);
    for (mesh_mod* m = baseLevelMesh.next; m && !what[0]; m = m->next)
        if (!Finite(m->placementPosition) || !Finite(m->placementRotation) ||
            !std::isfinite(m->placementScale))
            snprintf(what, sizeof what, "level model %s has a position, angle or size", m->name);
    if (!what[0] && !(std::isfinite(entfl) && std::isfinite(updown) && std::isfinite(entf) &&
                      std::isfinite(updownangle) && std::isfinite(viewangle) && std::isfinite(zangle)))
        snprintf(what, sizeof what, "the player has a position or angle");
    if (!what[0] && !(std::isfinite(baseCol1) && std::isfinite(baseCol2) && std::isfinite(baseCol3)))
        snprintf(what, sizeof what, "the tint has a colour");
    if (!what[0]) return 1;
    OutputToConsoleF("//Could not save %s: %s that is not a number (inf or nan), which no level file can "
                     "hold; nothing was written",
                     folder, what);
    return 0;
}

int SaveChangesToLevelFiles(const char* folder)
{
    if (!folder || !folder[0]) return 0;
    if (!LevelStateCanBeSaved(folder)) return 0;
    // A save interrupted before is finished or undone first, so that its journal cannot take
    // this save's files for its own.
    SettleInterruptedSave(folder, kSavedLevelFiles, 4, kLevelSaveJournal);
    int (*const writers[4])(FILE*) = {WritePersonFile, WriteStartingFile, WriteLevelModelsFile,
                                      WriteTintFile};
    safeWrite writes[4];
    int begun = 0;
    for (; begun < 4; begun++)
    {
        char path[1100];
        int n = snprintf(path, sizeof path, "%s%s", folder, kSavedLevelFiles[begun]);
        if (n < 0 || n >= (int)sizeof path)
        {
            OutputToConsoleF("//Could not save %s: the level folder path is too long",
                             kSavedLevelFiles[begun]);
            break;
        }
        if (!BeginSafeWrite(&writes[begun], path)) break;
        if (!SealSafeWrite(&writes[begun], writers[begun](writes[begun].file))) break;
    }
    if (begun < 4)
    {
        for (int i = 0; i < begun; i++)
            AbandonSafeWrite(&writes[i]);
        OutputToConsoleF("//Nothing of the level in %s was saved: its files are as they were", folder);
        return 0;
    }
    return CommitSafeWrites(writes, 4, kLevelSaveJournal);
}
