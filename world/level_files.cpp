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
#include "model/posing.h"
#include "resources/paths.h"
#include "resources/textures.h"
#include "world/camera.h"
#include "world/level_state.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <map>
#include <set>
#include <string>

const char* const kSavedLevelFiles[4] = {"person", "starting", "level models", "tint"};
const char kLevelSaveJournal[] = "save journal";

levelFileLines gLevelModelFileLines;
levelFileLines gPersonFileLines;
levelStart gLevelStart = {{0, 0, 0}, 0, 0, 0};
void (*gLevelSavedHook)() = nullptr;
void (*gSetHumanScriptsHook)(human_being* actor, const char* list) = nullptr;
std::string (*gHumanScriptPathsHook)(const human_being* actor) = nullptr;

// The "starting" and "tint" files as read: their text, written back as it was while the values
// it gave have not changed (empty text: write the values).
static std::string gStartingText;
static levelStart gStartingRead;
static std::string gTintText;
static float gTintRead[3];

static void ForgetLines(levelFileLines* kept)
{
    kept->lines.clear();
    kept->rest.clear();
    kept->hasRest = 0;
}

void ForgetKeptLevelLines()
{
    ForgetLines(&gLevelModelFileLines);
    ForgetLines(&gPersonFileLines);
    gStartingText.clear();
    gTintText.clear();
}

levelStart PlayerAsStart()
{
    levelStart start;
    start.eye = fastVector_Set(-entfl, -updown, -entf);
    start.pitch = updownangle;
    start.heading = viewangle;
    start.roll = zangle;
    return start;
}

static bool SameStart(const levelStart& a, const levelStart& b)
{
    return a.eye.x == b.eye.x && a.eye.y == b.eye.y && a.eye.z == b.eye.z && a.pitch == b.pitch &&
           a.heading == b.heading && a.roll == b.roll;
}

void KeepRestOfLevelFile(levelFileLines* kept, FILE* file)
{
    // The file is within its size limit, so this ends.
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        kept->rest.append(chunk, got);
    kept->hasRest = !kept->rest.empty();
}

// The whole of a small file from its start, to be written back as it was while what it says has
// not changed, with its line ends made the LF every level file is written with; an empty text for
// one too long to be worth keeping.
static std::string SmallFileText(FILE* file)
{
    std::string raw;
    rewind(file);
    char chunk[1024];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0 && raw.size() < 8192)
        raw.append(chunk, got);
    if (raw.size() >= 8192) return std::string();
    std::string text;
    for (size_t i = 0; i < raw.size(); i++)
    {
        if (raw[i] != '\r')
            text += raw[i];
        else if (i + 1 >= raw.size() || raw[i + 1] != '\n')
            text += '\n';
    }
    return text;
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

void FormatLevelNumber(float value, char* out, size_t size)
{
    snprintf(out, size, "%.6f", value);
    // Trailing zeros and a bare point go: 100.000000 is 100, -6.500000 is -6.5.
    char* point = strchr(out, '.');
    if (point)
    {
        char* end = out + strlen(out);
        while (end > point + 1 && end[-1] == '0')
            *--end = 0;
        if (end == point + 1) *point = 0;
    }
    // A negative zero, or a value that rounds to zero, is written as 0.
    if (!strcmp(out, "-0")) snprintf(out, size, "0");
}

namespace
{

// The numbers of a line, each as FormatLevelNumber writes it, apart by commas.
std::string NumberFields(const float* values, int count)
{
    std::string text;
    char number[64];
    for (int i = 0; i < count; i++)
    {
        FormatLevelNumber(values[i], number, sizeof number);
        if (i) text += ',';
        text += number;
    }
    return text;
}

} // namespace

void FormatLevelModelLine(const mesh_mod* model, char* out, size_t size)
{
    const float values[7] = {model->placementPosition.x, model->placementPosition.y,
                             model->placementPosition.z, model->placementRotation.x,
                             model->placementRotation.y, model->placementRotation.z,
                             model->placementScale};
    snprintf(out, size, "%s,%s", model->name, NumberFields(values, 7).c_str());
}

// The scripts part of a person line ("path",mask pairs), as the script scheduler gives it.
static std::string ScriptsOf(const human_being* h)
{
    return gHumanScriptPathsHook ? gHumanScriptPathsHook(h) : std::string();
}

std::string PersonLineOf(const human_being* actor)
{
    const float place[6] = {actor->position.x, actor->position.y, actor->position.z,
                            actor->rotation.x, actor->rotation.y, actor->rotation.z};
    char part[2200];
    std::string line = std::string(actor->model ? actor->model->name : "") + "," + NumberFields(place, 6);
    char scale[64];
    FormatLevelNumber(actor->scale, scale, sizeof scale);
    snprintf(part, sizeof part, ",%d,%d,%d,%s", (int)actor->team, (int)actor->type, (int)actor->health,
             scale);
    line += part;
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
    const std::string scripts = ScriptsOf(actor);
    if (!scripts.empty()) line += "," + scripts;
    return line;
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
        line += "," + name;
    }
    const std::string scripts = ScriptsOf(actor);
    if (!scripts.empty()) line += "," + scripts;
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
    char message[1400], start[700], console[2200];
    snprintf(message, sizeof message, "model %.200s is in neither %.*sModels%c nor %sModels%c", name,
             folderLength, listPath, kDirectoryDevider, routePath, kDirectoryDevider);
    // The engine's line, then where the name was found: the designer needs the file and line.
    snprintf(start, sizeof start, consoleFormat, name);
    snprintf(console, sizeof console, "%s (%s, line %d: %s)", start, listPath, lineNumber, message);
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
    gTintText = SmallFileText(file);
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
    memcpy(gTintRead, colour, sizeof gTintRead);
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
    gStartingText = SmallFileText(file);
    fclose(file);
    if (found < 6) ReportContentProblemF(path, 0, "%d of the 6 numbers given, the rest are 0", found);
    entfl = -values[0];
    updown = -values[1];
    entf = -values[2];
    updownangle = values[3];
    viewangle = values[4];
    zangle = values[5];
    gLevelStart = PlayerAsStart();
    gStartingRead = gLevelStart;
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Actors

// The actor of a record whose model's cache entry is had: appended with the record's fields, its
// scripts (their problems said at listPath, lineNumber), its model copy scaled, and a name.
static human_being* MakeHumanFromRecord(const personRecord* record, mesh_mod* entry, const char* listPath,
                                        int lineNumber, int say)
{
    human_being* h = AppendNewHuman();
    if (!h) return nullptr;
    h->position = record->position;
    h->rotation = record->rotation;
    h->team = record->team;
    h->type = record->type;
    h->health = record->health;
    h->scale = record->scale;
    memcpy(h->name, record->name, sizeof h->name);
    // Problems with the script list belong to this line of the person file.
    const char* outerFile = gProblemFile;
    int outerLine = gProblemLine;
    gProblemFile = listPath;
    gProblemLine = lineNumber;
    if (gSetHumanScriptsHook) gSetHumanScriptsHook(h, record->scripts);
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
        if (say)
            ReportContentProblemF(listPath, lineNumber, "the name %s is taken, this actor is named %s", taken,
                                  h->name);
    }
    return h;
}

mesh_mod* LevelLineModel(const char* model, const char* listPath, int lineNumber, const char* consoleFormat)
{
    char modelPath[2200];
    if (!FindLevelModelFile(listPath, model, modelPath, sizeof modelPath))
    {
        ReportMissingLevelModel(listPath, lineNumber, model, consoleFormat);
        return nullptr;
    }
    // What loading the model finds wrong (a material's missing picture) belongs to this line too.
    const char* outerFile = gProblemFile;
    int outerLine = gProblemLine;
    gProblemFile = listPath;
    gProblemLine = lineNumber;
    mesh_mod* entry = ObtainCachedModel(model, modelPath);
    gProblemFile = outerFile;
    gProblemLine = outerLine;
    return entry;
}

human_being* AddHumanFromPersonRecord(const personRecord* record, const char* listPath, int lineNumber,
                                      int say)
{
    mesh_mod* entry =
        LevelLineModel(record->model, listPath, lineNumber, "//Failed to load object with model: %s");
    return entry ? MakeHumanFromRecord(record, entry, listPath, lineNumber, say) : nullptr;
}

int ImportAndLinkPersons(const char* path)
{
    EnsureHumanRoster();
    FILE* file = OpenContentFile(path, kContentText);
    if (!file) return 0;
    RemoveAllHumans();
    ForgetLines(&gPersonFileLines);

    char line[kLevelLineMax + 1];
    std::string whole;
    // Models looked for once per file, however many lines name them: not found, or not loadable
    // (already said).
    std::set<std::string> unusableModels;
    int atEnd = 0, rosterFull = 0;
    for (int lineNumber = 1; !atEnd; lineNumber++)
    {
        atEnd = ReadLevelLine(file, line, path, lineNumber, &whole) == -1;
        // Only a line with nothing on it ends the list; one that starts with a NUL byte is a line.
        if (whole.empty())
        {
            if (!atEnd) KeepRestOfLevelFile(&gPersonFileLines, file);
            break;
        }
        // Every return to the top without an actor keeps the line for the next save.
        gPersonFileLines.lines.push_back({-1, whole, std::string()});
        if (rosterFull) continue;
        personRecord record;
        if (!ParsePersonLine(line, &record, path, lineNumber)) continue;
        if (unusableModels.count(record.model)) continue;
        mesh_mod* entry =
            LevelLineModel(record.model, path, lineNumber, "//Failed to load object with model: %s");
        if (!entry)
        {
            unusableModels.insert(record.model);
            continue;
        }
        human_being* h = MakeHumanFromRecord(&record, entry, path, lineNumber, 1);
        if (!h)
        {
            ReportContentProblemF(path, lineNumber,
                                  "the roster is full: this line and the ones after it are not loaded (a "
                                  "save keeps them)");
            rosterFull = 1;
            continue;
        }
        levelFileLine& kept = gPersonFileLines.lines.back();
        kept.order = h->levelOrder;
        kept.formatted = PersonLineOf(h);
    }
    fclose(file);
    return 1;
}

int ApplyPersonLine(human_being* h, const char* line)
{
    if (!h || !line) return 0;
    personRecord record;
    char text[kLevelLineMax + 1];
    snprintf(text, sizeof text, "%s", line);
    if (!ParsePersonLine(text, &record, "(edit history)", 0)) return 0;
    if (!h->model || strcmp(h->model->name, record.model) != 0)
    {
        char listPath[1100];
        snprintf(listPath, sizeof listPath, "%sperson", currentLevelFolder);
        mesh_mod* entry = LevelLineModel(record.model, listPath, 0, "//Could not find model %s");
        if (!entry) return 0;
        DisposeMeshworkModel(h->model);
        h->model = MakePrivateModelCopy(entry, h);
        h->scale = 100.0f;
        SetModelPoses(h->model, h->currentPose, h->targetPose);
    }
    h->position = record.position;
    h->rotation = record.rotation;
    h->team = record.team;
    h->type = record.type;
    h->health = record.health;
    if (record.scale != h->scale)
    {
        float k = record.scale / h->scale;
        ScaleModelTo(h, k, k, k, 0);
        h->scale = record.scale;
    }
    if (record.name[0] && strcmp(record.name, h->name) != 0)
    {
        human_being* other = GetHumanByName(record.name);
        if (!other || other == h) snprintf(h->name, sizeof h->name, "%s", record.name);
    }
    if (ScriptsOf(h) != record.scripts)
    {
        if (record.scripts[0])
        {
            if (gSetHumanScriptsHook) gSetHumanScriptsHook(h, record.scripts);
        }
        else if (gDisposeHumanScriptsHook)
            gDisposeHumanScriptsHook(h);
    }
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Checking a file before it is loaded

namespace
{

std::vector<std::string>* gFoundProblems = nullptr;

void NoteProblem(const char* file, int line, const char* message)
{
    char text[1300];
    if (line > 0)
        snprintf(text, sizeof text, "line %d: %s", line, message ? message : "");
    else
        snprintf(text, sizeof text, "%s", message ? message : "");
    gFoundProblems->push_back(text);
}

// The problems of the lines of a "person" or "level models" file.
void ListFileProblems(const char* path, int person)
{
    FILE* file = OpenContentFile(path, kContentText);
    if (!file)
    {
        gFoundProblems->push_back("it cannot be read");
        return;
    }
    char line[kLevelLineMax + 1];
    std::string whole;
    float scale = 100.0f;
    int atEnd = 0;
    for (int lineNumber = 1; !atEnd && gFoundProblems->empty(); lineNumber++)
    {
        atEnd = ReadLevelLine(file, line, path, lineNumber, &whole) == -1;
        if (whole.empty()) break;
        char model[kModelNameSize] = "";
        if (person)
        {
            personRecord record;
            if (ParsePersonLine(line, &record, path, lineNumber)) memcpy(model, record.model, sizeof model);
        }
        else
        {
            levelModelRecord record;
            if (ParseLevelModelLine(line, &record, scale, path, lineNumber))
            {
                memcpy(model, record.model, sizeof model);
                scale = record.scale;
            }
        }
        char modelPath[2200];
        if (model[0] && !FindLevelModelFile(path, model, modelPath, sizeof modelPath))
            ReportMissingLevelModel(path, lineNumber, model, "%s");
    }
    fclose(file);
}

} // namespace

int LevelFileLoadsCleanly(const char* path, const char* name, std::string* why)
{
    std::vector<std::string> problems;
    problemSinkProc oldSink = gProblemSink;
    gFoundProblems = &problems;
    gProblemSink = NoteProblem;
    if (!strcmp(name, "person") || !strcmp(name, "level models"))
        ListFileProblems(path, !strcmp(name, "person"));
    else
    {
        // The readers of the small files set what they read: it is put back.
        const float tint[3] = {baseCol1, baseCol2, baseCol3};
        const vector_type tintNow = tintColor;
        const levelStart player = PlayerAsStart(), start = gLevelStart, startRead = gStartingRead;
        const std::string startingText = gStartingText, tintText = gTintText;
        float tintRead[3];
        memcpy(tintRead, gTintRead, sizeof tintRead);
        const int read = !strcmp(name, "tint") ? LoadTintColor(path) : ReadPlayerPosition(path);
        if (!read) problems.push_back("it cannot be read");
        baseCol1 = tint[0], baseCol2 = tint[1], baseCol3 = tint[2];
        tintColor = tintNow;
        entfl = -player.eye.x, updown = -player.eye.y, entf = -player.eye.z;
        updownangle = player.pitch, viewangle = player.heading, zangle = player.roll;
        gLevelStart = start;
        gStartingRead = startRead;
        gStartingText = startingText;
        gTintText = tintText;
        memcpy(gTintRead, tintRead, sizeof gTintRead);
    }
    gProblemSink = oldSink;
    gFoundProblems = nullptr;
    if (problems.empty()) return 1;
    if (why) *why = problems[0];
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Saving

namespace
{

// What a save writes into a list file: the file's lines as they will be held after it, and the
// texts written, in order.
struct plannedListFile
{
    levelFileLines lines;
    std::vector<std::string> written;
};
plannedListFile gPersonPlan, gLevelModelPlan;

// The plan of a list file whose records are had by order (null: gone) and formatted by format.
// Records without a line follow in the order given.
template <typename Record, typename Format>
plannedListFile PlanListFile(const levelFileLines& file,
                             const std::vector<std::pair<int32_t, Record*>>& records, Format format)
{
    plannedListFile plan;
    plan.lines.rest = file.rest;
    plan.lines.hasRest = file.hasRest;
    std::map<int32_t, Record*> byOrder(records.begin(), records.end());
    std::set<int32_t> placed;
    for (const levelFileLine& line : file.lines)
    {
        if (line.order < 0)
        {
            plan.lines.lines.push_back(line);
            plan.written.push_back(line.text);
            continue;
        }
        placed.insert(line.order);
        auto found = byOrder.find(line.order);
        if (found == byOrder.end())
        {
            // Gone for now: an undo may bring it back to this place.
            plan.lines.lines.push_back(line);
            continue;
        }
        std::string formatted = format(found->second);
        std::string text = formatted == line.formatted ? line.text : formatted;
        plan.lines.lines.push_back({line.order, text, formatted});
        plan.written.push_back(text);
    }
    for (const auto& record : records)
        if (!placed.count(record.first))
        {
            std::string formatted = format(record.second);
            plan.lines.lines.push_back({record.first, formatted, formatted});
            plan.written.push_back(formatted);
        }
    return plan;
}

void PlanPersonFile()
{
    std::vector<std::pair<int32_t, human_being*>> actors;
    for (human_being* h = baseHuman ? baseHuman->next : nullptr; h; h = h->next)
    {
        if (!h->model)
        {
            OutputToConsoleF("//Actor %s has no model and is not saved", h->name);
            continue;
        }
        actors.push_back({h->levelOrder, h});
    }
    // Actors made since the level loaded follow in the order they were made.
    std::stable_sort(actors.begin(), actors.end(),
                     [](const std::pair<int32_t, human_being*>& a, const std::pair<int32_t, human_being*>& b)
                     { return a.first < b.first; });
    gPersonPlan = PlanListFile(gPersonFileLines, actors,
                               [](human_being* h)
                               {
                                   std::string line = PersonLineOf(h);
                                   if (line.size() > (size_t)kLevelLineMax)
                                       OutputToConsoleF("//Actor %s: its person line has %d characters; only "
                                                        "%d are read back",
                                                        h->name, (int)line.size(), kLevelLineMax);
                                   return line;
                               });
}

void PlanLevelModelsFile()
{
    std::vector<std::pair<int32_t, mesh_mod*>> models;
    int32_t order = 0;
    for (mesh_mod* m = baseLevelMesh.next; m; m = m->next)
        models.push_back({order++, m});
    gLevelModelPlan = PlanListFile(gLevelModelFileLines, models,
                                   [](mesh_mod* m)
                                   {
                                       char line[kModelNameSize + 256];
                                       FormatLevelModelLine(m, line, sizeof line);
                                       return std::string(line);
                                   });
}

// "\n" before every record but the first: the file has no line end after the last actor.
int WritePersonFile(FILE* file)
{
    const std::vector<std::string>& lines = gPersonPlan.written;
    int ok = 1;
    for (size_t i = 0; i < lines.size() && ok; i++)
        ok = (!i || fputc('\n', file) != EOF) &&
             fwrite(lines[i].data(), 1, lines[i].size(), file) == lines[i].size();
    // What came after the empty line that ended the list, after that empty line.
    const levelFileLines& kept = gPersonPlan.lines;
    if (ok && kept.hasRest)
        ok = fprintf(file, "%s\n", lines.empty() ? "" : "\n") >= 0 &&
             fwrite(kept.rest.data(), 1, kept.rest.size(), file) == kept.rest.size();
    return ok;
}

// The start as read while it has not changed, else its six numbers.
std::string StartingFileText()
{
    if (!gStartingText.empty() && SameStart(gLevelStart, gStartingRead)) return gStartingText;
    const levelStart& s = gLevelStart;
    const float values[6] = {s.eye.x, s.eye.y, s.eye.z, s.pitch, s.heading, s.roll};
    std::string text;
    char number[64];
    for (float v : values)
    {
        FormatLevelNumber(v, number, sizeof number);
        text += std::string(number) + "\n";
    }
    return text;
}

int WriteStartingFile(FILE* file)
{
    const std::string text = StartingFileText();
    return fwrite(text.data(), 1, text.size(), file) == text.size();
}

int WriteLevelModelsFile(FILE* file)
{
    int ok = 1;
    for (const std::string& text : gLevelModelPlan.written)
        if (ok) ok = fwrite(text.data(), 1, text.size(), file) == text.size() && fputc('\n', file) != EOF;
    const levelFileLines& kept = gLevelModelPlan.lines;
    if (ok && kept.hasRest)
        ok =
            fputs("\n", file) >= 0 && fwrite(kept.rest.data(), 1, kept.rest.size(), file) == kept.rest.size();
    return ok;
}

// The tint as read while it has not changed, else its three numbers.
std::string TintFileText()
{
    if (!gTintText.empty() && baseCol1 == gTintRead[0] && baseCol2 == gTintRead[1] &&
        baseCol3 == gTintRead[2])
        return gTintText;
    const float values[3] = {baseCol1, baseCol2, baseCol3};
    char number[3][64];
    for (int i = 0; i < 3; i++)
        FormatLevelNumber(values[i], number[i], sizeof number[i]);
    return std::string(number[0]) + ", " + number[1] + ", " + number[2] + "\n";
}

int WriteTintFile(FILE* file)
{
    const std::string text = TintFileText();
    return fwrite(text.data(), 1, text.size(), file) == text.size();
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
    const levelStart& start = gLevelStart;
    if (!what[0] && !(Finite(start.eye) && std::isfinite(start.pitch) && std::isfinite(start.heading) &&
                      std::isfinite(start.roll)))
        snprintf(what, sizeof what, "the level's start has a position or angle");
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
    PlanPersonFile();
    PlanLevelModelsFile();
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
    if (!CommitSafeWrites(writes, 4, kLevelSaveJournal)) return 0;
    // The files now hold what was written: the next save compares with that.
    gPersonFileLines = gPersonPlan.lines;
    gLevelModelFileLines = gLevelModelPlan.lines;
    gStartingText = StartingFileText();
    gStartingRead = gLevelStart;
    gTintText = TintFileText();
    gTintRead[0] = baseCol1, gTintRead[1] = baseCol2, gTintRead[2] = baseCol3;
    if (gLevelSavedHook) gLevelSavedHook();
    return 1;
}
