// Live reload: the folders of what the game read are watched; a file changed by someone else
// (not by a save of the game's own) is taken in once quiet, by the loader of what it is. Every
// reload checks the new file first and keeps the last good version when it has a problem.
#include "app/live_reload.h"

#include "core/content_files.h"
#include "core/output.h"
#include "core/problems.h"
#include "core/safe_write.h"
#include "model/loader.h"
#include "model/posing.h"
#include "platform/file_watch.h"
#include "resources/paths.h"
#include "resources/sound_list.h"
#include "resources/textures.h"
#include "script/scheduling.h"
#include "world/camera.h"
#include "world/collision.h"
#include "world/humans.h"
#include "world/level.h"
#include "world/level_files.h"
#include "world/player.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

int gLiveReload = 0;

namespace
{

typedef std::chrono::steady_clock reloadClock;

// A file as a save of the game's own left it: a change event for a file still so is no change.
struct fileSignature
{
    dev_t device;
    ino_t inode;
    off_t size;
    long seconds, nanoseconds;
    bool operator==(const fileSignature& o) const
    {
        return device == o.device && inode == o.inode && size == o.size && seconds == o.seconds &&
               nanoseconds == o.nanoseconds;
    }
};

struct reloadState
{
    std::set<std::string> readFolders;    // folders of files the game read or looked for
    std::set<std::string> watchedFolders; // of them, those the watch has
    std::map<std::string, reloadClock::time_point> failedFolders; // not watchable; tried again later
    std::map<std::string, fileSignature> ownWrites;
    std::map<std::string, reloadClock::time_point> pending; // changed files, by their last change
    bool watchFailed = false;
};

reloadState gReload;

// "./Models/x" and "Models//x" name the same file as "Models/x".
std::string Clean(const char* path)
{
    std::string p = path ? path : "";
    while (p.compare(0, 2, "./") == 0)
        p.erase(0, 2);
    for (size_t i; (i = p.find("//")) != std::string::npos;)
        p.erase(i, 1);
    return p;
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool EndsWith(const std::string& s, const char* tail)
{
    size_t n = strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

bool SignatureOf(const std::string& path, fileSignature* out)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    *out = {info.st_dev, info.st_ino, info.st_size, (long)info.st_mtim.tv_sec, (long)info.st_mtim.tv_nsec};
    return true;
}

void LookedAt(const char* path)
{
    if (gReload.readFolders.size() < (size_t)kPltMaxWatchedFolders)
        gReload.readFolders.insert(FolderOf(Clean(path)));
}

void Written(const char* path)
{
    std::string p = Clean(path);
    fileSignature signature;
    if (SignatureOf(p, &signature)) gReload.ownWrites[p] = signature;
}

bool IsOwnWrite(const std::string& path)
{
    auto found = gReload.ownWrites.find(path);
    fileSignature now;
    return found != gReload.ownWrites.end() && SignatureOf(path, &now) && now == found->second;
}

void Changed(const char* path, void*)
{
    gReload.pending[Clean(path)] = reloadClock::now();
}

void Reloaded(const std::string& path, const std::string& what)
{
    OutputToConsoleF("//Reloaded %s%s%s", path.c_str(), what.empty() ? "" : ": ", what.c_str());
}

int NotReloaded(const std::string& path, const std::string& why)
{
    OutputToConsoleF("//Not reloaded %s: %s; the last good version stays", path.c_str(), why.c_str());
    return -1;
}

// Problems the readers report while a changed file is tried, instead of the console.
std::vector<std::string>* gTrialProblems = nullptr;

void TrialProblem(const char* file, int line, const char* message)
{
    char text[1300];
    if (line > 0)
        snprintf(text, sizeof text, "line %d: %s", line, message ? message : "");
    else
        snprintf(text, sizeof text, "%s", message ? message : "");
    gTrialProblems->push_back(text);
}

// ---------------------------------------------------------------------------------------------
// The level

std::string CurrentLevel()
{
    return Clean(currentLevelFolder);
}

// The level again from its files, the player kept where he stands when the new level has ground
// there; said with reason.
void ReloadLevel(const std::string& reason)
{
    const levelStart player = PlayerAsStart();
    const std::string folder = currentLevelFolder;
    LoadLevel(folder.c_str());
    if (gLevelLoadFailed)
    {
        OutputToConsoleF("//Reloaded %s (%s): it is no level now", folder.c_str(), reason.c_str());
        return;
    }
    const levelStart start = PlayerAsStart();
    const float startFall = fall;
    // Where he stood, if there is still ground below (a fall to it is fine) and nothing in the way.
    float height = -player.eye.y, testFall = 0.0f;
    int32_t stamp = 0;
    const float x = player.eye.x, z = player.eye.z;
    if (CheckMove(x, z, x, z, &height, player.heading, &testFall, &stamp, nullptr, nullptr, nullptr))
    {
        entfl = -player.eye.x, updown = -player.eye.y, entf = -player.eye.z;
        updownangle = player.pitch, viewangle = player.heading, zangle = player.roll;
        fall = 0.0f;
        OutputToConsoleF("//Reloaded the level %s (%s); you stay where you stand", folder.c_str(), reason.c_str());
        return;
    }
    entfl = -start.eye.x, updown = -start.eye.y, entf = -start.eye.z;
    updownangle = start.pitch, viewangle = start.heading, zangle = start.roll;
    fall = startFall;
    OutputToConsoleF("//Reloaded the level %s (%s); you are back at its start: where you stood has no ground now",
                     folder.c_str(), reason.c_str());
}

// The level file name of path when it is one of the current level's files, else empty.
std::string LevelFileName(const std::string& path)
{
    static const char* const kLevelFiles[] = {"person", "starting", "level models", "tint", "load script", "tex"};
    const std::string level = CurrentLevel();
    if (!currentLevelFolder[0] || path.compare(0, level.size(), level) != 0) return std::string();
    const std::string rest = path.substr(level.size());
    for (const char* name : kLevelFiles)
        if (rest == name) return rest;
    return std::string();
}

// 1 when the changed level file may be loaded; otherwise said, 0.
bool LevelFileIsGood(const std::string& path, const std::string& name)
{
    std::string why;
    bool good = name == "load script" ? ScriptFileLoadsCleanly(path.c_str(), &why) != 0
                : name == "tex"       ? ContentFileExists(path.c_str(), kContentText) != 0
                                      : LevelFileLoadsCleanly(path.c_str(), name.c_str(), &why) != 0;
    if (!good) NotReloaded(path, why.empty() ? "it cannot be read" : why);
    return good;
}

// 1 when a line of the current level that did not load names model (it may be there now).
bool LevelLinesWant(const std::string& model)
{
    for (const levelFileLines* file : {&gPersonFileLines, &gLevelModelFileLines})
        for (const levelFileLine& line : file->lines)
            if (line.order < 0 && line.text.compare(0, model.size() + 1, model + ",") == 0) return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// Models

std::string ModelPath(const mesh_mod* m)
{
    return Clean((std::string(m->folder) + m->name).c_str());
}

mesh_mod* CachedModelAt(const std::string& path)
{
    for (mesh_mod* m = baseMesh ? baseMesh->next : nullptr; m; m = m->next)
        if (ModelPath(m) == path) return m;
    return nullptr;
}

// The model file at path (a cache entry's) loaded anew with its pose file, and every actor of it
// given the new model; the level loaded again when level geometry is made of it.
int ReloadModel(const std::string& path, const std::string& changed)
{
    mesh_mod* old = CachedModelAt(path);
    if (!old) return 0;
    std::vector<std::string> problems;
    problemSinkProc oldSink = gProblemSink;
    gTrialProblems = &problems;
    gProblemSink = TrialProblem;
    mesh_mod* fresh = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    modelLoadReport report;
    int loaded = LoadMeshworkModelReport(fresh, path.c_str(), &report);
    if (loaded && (report.problems || fresh->vertexCount == 0 || fresh->triangleCount == 0) && problems.empty())
        problems.push_back("the model has no triangles");
    const std::string posePath = path + "_poses";
    if (loaded && problems.empty() && old->poseListHead.next && ContentFileExists(posePath.c_str(), kContentText))
        ImportModelAnimations(fresh, posePath.c_str());
    gProblemSink = oldSink;
    gTrialProblems = nullptr;
    if (!loaded || !problems.empty())
    {
        if (loaded)
            DisposeMeshworkModel(fresh);
        else
            free(fresh);
        return NotReloaded(changed, problems.empty() ? "it cannot be read" : problems[0]);
    }
    // The new entry takes the old one's place in the cache; the old one goes with its last copy.
    for (mesh_mod* m = baseMesh; m; m = m->next)
        if (m->next == old)
        {
            fresh->next = old->next;
            m->next = fresh;
            break;
        }
    old->next = nullptr;
    if (meshPtr == old) meshPtr = fresh;
    bool geometry = false;
    for (mesh_mod* m = baseLevelMesh.next; m; m = m->next)
        geometry = geometry || m->source == old;
    int actors = 0;
    for (human_being* h = baseHuman ? baseHuman->next : nullptr; h; h = h->next)
        if (h->model && h->model->source == old)
        {
            RenewHumanModel(h, fresh);
            actors++;
        }
    DisposeMeshworkModel(old);
    if (geometry)
        ReloadLevel(changed + " changed, a model of its geometry");
    else
        Reloaded(changed, actors == 1 ? "1 actor has the new model" : std::to_string(actors) + " actors have the new model");
    return 1;
}

// The model whose material picture path is ("<model path><slot>.png" or ".bmp"), or null.
mesh_mod* ModelOfPicture(const std::string& path)
{
    if (!EndsWith(path, ".png") && !EndsWith(path, ".bmp")) return nullptr;
    std::string stem = path.substr(0, path.size() - 4);
    if (stem.empty() || stem.back() < '0' || stem.back() > '7') return nullptr;
    return CachedModelAt(stem.substr(0, stem.size() - 1));
}

// Files read at start only: a change is said, not taken in.
bool IsStartList(const std::string& path)
{
    const std::string root = Clean(routePath);
    return path == root + "cache" || path == root + "Sounds/list" || path == root + "Animations/winlist.txt";
}

// The order a batch of changes is taken in: pictures and sounds first, then models and pose
// files, scripts, and the level's own files last (a level reload reads all of the others).
int Rank(const std::string& path)
{
    if (!LevelFileName(path).empty()) return 4;
    if (EndsWith(path, ".png") || EndsWith(path, ".bmp")) return 0;
    if (EndsWith(path, "_poses") || CachedModelAt(path)) return 2;
    return 1;
}

} // namespace

int ReloadChangedFile(const char* changedPath)
{
    const std::string path = Clean(changedPath);
    if (EndsWith(path, ".saving") || EndsWith(path, kLevelSaveJournal)) return 0;
    const std::string levelFile = LevelFileName(path);
    if (!levelFile.empty())
    {
        if (!LevelFileIsGood(path, levelFile)) return -1;
        ReloadLevel("its " + levelFile + " changed");
        return 1;
    }
    if (IsStartList(path))
    {
        OutputToConsoleF("//%s changed: it is read when the game starts; restart the game to use it", path.c_str());
        return 0;
    }
    std::string why;
    const int scripts = ReloadScriptFile(path.c_str(), &why);
    if (scripts < 0) return NotReloaded(path, why);
    if (scripts > 0)
    {
        Reloaded(path, scripts == 1 ? "1 script starts again from its first line"
                                    : std::to_string(scripts) + " scripts start again from their first line");
        return 1;
    }
    if (EndsWith(path, "_poses")) return ReloadModel(path.substr(0, path.size() - 6), path);
    if (CachedModelAt(path)) return ReloadModel(path, path);
    if (EndsWith(path, ".png") || EndsWith(path, ".bmp"))
    {
        char reason[300];
        const int pictures = ReloadPicture(path.c_str(), reason, sizeof reason);
        if (pictures < 0) return NotReloaded(path, reason);
        if (pictures > 0)
        {
            Reloaded(path, "");
            return 1;
        }
        // A material's picture that was not there when its model loaded.
        if (mesh_mod* model = ModelOfPicture(path)) return ReloadModel(ModelPath(model), path);
    }
    const int sounds = ReloadSoundFile(path.c_str());
    if (sounds < 0) return NotReloaded(path, "it cannot be loaded as a sound (see the line before)");
    if (sounds > 0)
    {
        Reloaded(path, "");
        return 1;
    }
    // A model a line of the level named but that was not there: the level can have it now.
    const size_t models = path.rfind("Models/");
    if (currentLevelFolder[0] && models != std::string::npos && LevelLinesWant(path.substr(models + 7)) &&
        ContentFileExists(path.c_str(), kContentText))
    {
        ReloadLevel(path + " is there now");
        return 1;
    }
    return 0;
}

void BeginLiveReload()
{
    gContentLookedAtHook = LookedAt;
    gContentWrittenHook = Written;
}

void EndLiveReload()
{
    gContentLookedAtHook = nullptr;
    gContentWrittenHook = nullptr;
    PLT_FileWatchClose();
    gReload = reloadState();
}

void LiveReloadTick()
{
    if (!gLiveReload)
    {
        if (PLT_FileWatchIsOpen())
        {
            PLT_FileWatchClose();
            gReload.watchedFolders.clear();
            gReload.pending.clear();
        }
        return;
    }
    if (!PLT_FileWatchIsOpen() && !PLT_FileWatchOpen())
    {
        if (!gReload.watchFailed) OutputToConsole("//Live reload is off: the system's file watch cannot be had");
        gReload.watchFailed = true;
        return;
    }
    const reloadClock::time_point now = reloadClock::now();
    // The level's folder and its models are watched from the start, whatever was read of them.
    if (currentLevelFolder[0])
    {
        gReload.readFolders.insert(CurrentLevel());
        gReload.readFolders.insert(CurrentLevel() + "Models/");
    }
    for (const std::string& folder : gReload.readFolders)
    {
        if (gReload.watchedFolders.count(folder)) continue;
        auto failed = gReload.failedFolders.find(folder);
        if (failed != gReload.failedFolders.end() && now - failed->second < std::chrono::seconds(1)) continue;
        if (PLT_FileWatchFolder(folder.c_str()))
        {
            gReload.watchedFolders.insert(folder);
            gReload.failedFolders.erase(folder);
        }
        else
            gReload.failedFolders[folder] = now;
    }
    PLT_FileWatchTake(Changed, nullptr);
    if (gReload.pending.empty()) return;

    std::vector<std::string> ready;
    for (auto it = gReload.pending.begin(); it != gReload.pending.end();)
    {
        if (now - it->second < std::chrono::milliseconds(kReloadQuietMs))
        {
            ++it;
            continue;
        }
        if (!IsOwnWrite(it->first)) ready.push_back(it->first);
        it = gReload.pending.erase(it);
    }
    std::stable_sort(ready.begin(), ready.end(),
                     [](const std::string& a, const std::string& b) { return Rank(a) < Rank(b); });
    // The level's own files that changed together make one reload, when each of them is good.
    std::vector<std::string> levelFiles;
    for (const std::string& path : ready)
    {
        if (!LevelFileName(path).empty())
        {
            levelFiles.push_back(path);
            continue;
        }
        ReloadChangedFile(path.c_str());
    }
    // A reload that loaded the level (a model of its geometry) has read the level's files too.
    if (levelFiles.empty() || levelChanged) return;
    std::string changed;
    for (const std::string& path : levelFiles)
    {
        const std::string name = LevelFileName(path);
        if (!LevelFileIsGood(path, name)) return;
        changed += (changed.empty() ? "its " : " and ") + name;
    }
    ReloadLevel(changed + " changed");
}
