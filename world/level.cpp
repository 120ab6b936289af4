// Level folders: the loaded level's state, loading and unloading a level, restarting at its
// start position, and the engine reset. The files' formats are world/level_files.cpp.
#include "world/level.h"

#include "core/content_files.h"
#include "core/output.h"
#include "core/problems.h"
#include "core/safe_write.h"
#include "model/draw_model.h"
#include "model/mesh_records.h"
#include "resources/paths.h"
#include "resources/textures.h"
#include "world/camera.h"
#include "world/collision.h"
#include "world/geometry.h"
#include "world/humans.h"
#include "world/level_edits.h"
#include "world/level_files.h"
#include "world/player.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

void (*gDisposeGameScriptsHook)() = nullptr;
void (*gResetScriptVariablesHook)() = nullptr;
int (*gLoadAndExecuteScriptHook)(const char* path) = nullptr;

void DisposeLevelModels()
{
    mesh_mod* m = baseLevelMesh.next;
    baseLevelMesh.next = nullptr;
    while (m)
    {
        mesh_mod* next = m->next;
        m->next = nullptr;
        DisposeMeshworkModel(m);
        m = next;
    }
    levelMeshPtr = &baseLevelMesh;
}

int LoadLevelModels(const char* path)
{
    FILE* file = OpenContentFile(path, kContentText);
    if (!file) return 0;
    // The geometry made from the old models goes with them (it points at their triangles).
    DisposeLevelGeometry();
    DisposeLevelModels();

    gLevelModelFileLines = levelFileLines();

    char line[kLevelLineMax + 1];
    std::string whole;
    // Models looked for once per file, however many lines name them: not found, or not loadable
    // (already said).
    std::set<std::string> unusableModels;
    float scale = 100.0f; // a line without a scale takes the one before
    int atEnd = 0, loaded = 0;
    for (int lineNumber = 1; !atEnd; lineNumber++)
    {
        atEnd = ReadLevelLine(file, line, path, lineNumber, &whole) == -1;
        // Only a line with nothing on it ends the list; one that starts with a NUL byte is a line.
        if (whole.empty())
        {
            if (!atEnd) KeepRestOfLevelFile(&gLevelModelFileLines, file);
            break;
        }
        // Every return to the top without a level model keeps the line for the next save.
        gLevelModelFileLines.lines.push_back({-1, whole, std::string()});
        if (loaded == kMaxLevelModels)
        {
            ReportContentProblemF(path, lineNumber,
                                  "more than %d level models: this line and the ones after it are not loaded "
                                  "(a save keeps them)",
                                  kMaxLevelModels);
            loaded++;
        }
        if (loaded > kMaxLevelModels) continue;
        levelModelRecord record;
        if (!ParseLevelModelLine(line, &record, scale, path, lineNumber)) continue;
        scale = record.scale;
        if (unusableModels.count(record.model)) continue;
        mesh_mod* entry = LevelLineModel(record.model, path, lineNumber, "//Failed to load level model: %s");
        mesh_mod* copy = entry ? MakePrivateModelCopy(entry, nullptr) : nullptr;
        if (!copy)
        {
            unusableModels.insert(record.model);
            continue;
        }
        AnalizeModelForCollisionPlanes(copy, record.angles, record.position, record.scale);
        levelMeshPtr->next = copy;
        levelMeshPtr = copy;
        levelFileLine& kept = gLevelModelFileLines.lines.back();
        kept.order = loaded++;
        char formatted[kModelNameSize + 256];
        FormatLevelModelLine(copy, formatted, sizeof formatted);
        kept.formatted = formatted;
    }
    fclose(file);
    return 1;
}

void ReturnToNothing()
{
    RemoveAllHumans();
    FreeTextureList();
    DisposeLevelGeometry();
    DisposeLevelModels();
    if (gDisposeGameScriptsHook) gDisposeGameScriptsHook();
    gNumPlatforms = 0;
    selHuman = nullptr;
    gHitPerson = nullptr;
    ForgetKeptLevelLines();
}

// "<folder><file>" into out; 0 with a console line when it does not fit.
static int FolderFilePath(const char* folder, const char* file, char* out, size_t size)
{
    int n = snprintf(out, size, "%s%s", folder, file);
    if (n >= 0 && (size_t)n < size) return 1;
    OutputToConsoleF("//Level folder path too long for its file %s: %.200s...", file, folder);
    return 0;
}

// Health and tint back to the level's, the player settled where the start put it.
static void SettleAtStart()
{
    healthPercentage = 100.0f;
    tintColor = fastVector_Set(baseCol1, baseCol2, baseCol3);
    const float x = -entfl, z = -entf;
    CheckMove(x, z, x, z, &updown, viewangle, &fall, &fallStartTime, nullptr, nullptr, nullptr);
}

void RestartGame()
{
    char path[1100];
    if (FolderFilePath(currentLevelFolder, "starting", path, sizeof path)) ReadPlayerPosition(path);
    if (FolderFilePath(currentLevelFolder, "tint", path, sizeof path)) LoadTintColor(path);
    SettleAtStart();
}

void LoadLevel(const char* folder)
{
    if (!folder || !folder[0]) return;
    levelChanged = 1;
    // What was said before the load is counted up before it; the load is a report period of its own.
    EndConsolePeriod();
    ReturnToNothing();
    OutputToConsole("//Loading level");
    // A save that a kill or a crash interrupted is finished (or undone, when it had not got as
    // far as its journal) before anything is read: the files are all of one save.
    int settled = SettleInterruptedSave(folder, kSavedLevelFiles, 4, kLevelSaveJournal);
    if (settled == 1)
        OutputToConsoleF("//%s: a save that was interrupted has been finished", folder);
    else if (settled == 2)
        OutputToConsoleF(
            "//%s: the files of a save interrupted before it was complete were removed; the level "
            "is as it was last saved",
            folder);

    // The four files that make a level, in reading order, with their failure lines.
    struct
    {
        const char* file;
        int (*read)(const char* path);
        const char* failure;
        int loaded;
    } parts[] = {{"level models", LoadLevelModels, "//Failed to load level models!", 0},
                 {"tint", LoadTintColor, "//Failed to load tint color!", 0},
                 {"person", ImportAndLinkPersons, "//Failed to load level objects!", 0},
                 {"starting", ReadPlayerPosition, "//Failed to load starting position!", 0}};
    char path[1100];
    int anyLoaded = 0, unread = 0;
    for (int i = 0; i < 4; i++)
    {
        auto& part = parts[i];
        part.loaded = FolderFilePath(folder, part.file, path, sizeof path) && part.read(path);
        anyLoaded |= part.loaded;
        // There, but not read (refused, unreadable): a save must not write over it.
        if (!part.loaded && ContentNameTaken(path))
            for (int k = 0; k < 4; k++)
                if (!strcmp(kSavedLevelFiles[k], part.file)) unread |= 1 << k;
    }
    // A level without a start script is normal: its absence is not reported.
    if (FolderFilePath(folder, "load script", path, sizeof path) && gLoadAndExecuteScriptHook)
        gLoadAndExecuteScriptHook(path);
    if (FolderFilePath(folder, "tex", path, sizeof path)) LoadTextures(path);

    gLevelLoadFailed = !anyLoaded;
    if (!anyLoaded)
    {
        char text[1200];
        snprintf(text, sizeof text, "This is not a valid level folder:\n%s", folder);
        OutputToDialog(text);
        OutputToConsole("//Loading failed. Chosen folder is not a valid level folder.");
    }
    else
    {
        gUnreadLevelFiles = unread;
        if (strlen(folder) >= sizeof currentLevelFolder)
            OutputToConsoleF("//Level folder path longer than %d characters: \"save\" will not write it",
                             (int)sizeof currentLevelFolder - 1);
        else
            snprintf(currentLevelFolder, sizeof currentLevelFolder, "%s", folder);
        for (const auto& part : parts)
            if (!part.loaded) OutputToConsole(part.failure);
    }
    // The geometry comes first: settling the player at the start needs the new level's ground.
    // A level that loaded has just read its start and tint; reading them again would only
    // repeat what they had to say.
    BuildWorldNormals();
    GenerateLevelFromQuads();
    if (anyLoaded)
        SettleAtStart();
    else
        RestartGame();
    // A level without a start file starts where the player happens to be, and a save says so.
    if (!parts[3].loaded) gLevelStart = PlayerAsStart();
    // The editor's history starts from the level as loaded.
    ResetLevelEdits();
    // What the load had to say is said by now, repeated problems with their counts.
    EndConsolePeriod();
}

int SaveCurrentLevel()
{
    if (!currentLevelFolder[0]) return 0;
    const char* folder = currentLevelFolder;
    if (gLevelLoadFailed)
    {
        OutputToConsoleF("//Could not save %s: the last level load failed and emptied the world, so saving "
                         "would write an empty level over it; nothing was written",
                         folder);
        return 0;
    }
    for (int i = 0; i < 4; i++)
        if (gUnreadLevelFiles & (1 << i))
        {
            OutputToConsoleF("//Could not save %s: its file \"%s\" was there but could not be read when the "
                             "level loaded, and saving would replace it; nothing was written",
                             folder, kSavedLevelFiles[i]);
            return 0;
        }
    return SaveChangesToLevelFiles(folder);
}

void VXR_Init()
{
    // Actor model files are looked up in the level's folder first, then under the data root.
    gLevelFolderHook = [] { return (const char*)currentLevelFolder; };
    gRoutePathHook = [] { return (const char*)routePath; };
    // A save is where the editor's history stands on the level's files.
    gLevelSavedHook = NoteLevelSaved;

    EnsureHumanRoster();
    RemoveAllHumans();
    EnsureModelCache();
    DisposeLevelGeometry();
    DisposeLevelModels();
    FreeTextureList();

    if (gDisposeGameScriptsHook) gDisposeGameScriptsHook();
    if (gResetScriptVariablesHook) gResetScriptVariablesHook();
    currentLevelFolder[0] = 0;
    gLevelLoadFailed = 0;
    gUnreadLevelFiles = 0;
}
