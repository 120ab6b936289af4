// The content checker: drives the engine's readers over a whole data folder with a problem sink
// installed, follows the scripts and levels that content names, and prints one line per problem.
// It never opens a window or a sound device and never runs a statement.
#include "app/check.h"

#include "core/content_files.h"
#include "core/content_memory.h"
#include "core/output.h"
#include "core/problems.h"
#include "core/safe_write.h"
#include "model/loader.h"
#include "model/posing.h"
#include "resources/animated_textures.h"
#include "resources/font.h"
#include "resources/paths.h"
#include "resources/sound_list.h"
#include "resources/textures.h"
#include "script/compiler.h"
#include "script/instruction_checks.h"
#include "script/scheduling.h"
#include "script/script_problems.h"
#include "world/humans.h"
#include "world/level.h"
#include "world/level_files.h"

#include <dirent.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{

struct foundProblem
{
    int fileOrder; // files are listed in the order their first problem was found
    int line;
    std::string text;
};

struct contentChecker
{
    std::vector<foundProblem> problems;
    std::vector<std::string> problemFiles; // by fileOrder
    std::set<std::string> seen;            // the same problem found twice is one problem
    std::set<std::string> problemPlaces;   // "FILE:LINE" of every problem
    std::set<std::string> files;           // files read
    std::string current;                   // the file being read, for problems without one
    std::set<std::string> scriptsQueued, levelsQueued;
    // Macro codes some checked script declares, and every "mac" statement, judged at the end.
    std::set<int32_t> macros;
    struct namedUse // a statement naming something judged once every file is read
    {
        std::string file, name;
        int line;
        int32_t code;
    };
    std::vector<namedUse> calls;
    // Names some level's texture list gives, and every "tex" statement, judged at the end: a
    // script may run in any level, so a name is wrong only when no list holds it.
    std::set<std::string> listedTextures;
    std::vector<namedUse> textureUses;
    // Actor names: those some level's person file gives (as loaded, so generated names too),
    // those setName gives, the models make is given (each gives its name and a number); every
    // "get" of a name is judged against them at the end.
    std::set<std::string> actorNames;
    std::set<std::string> madeModels;
    std::set<std::string> folderModels; // every model file of a Models folder, as make names it
    bool makesAnyModel = false;
    std::vector<namedUse> actorGets;
    std::deque<std::string> scripts, levels;
    // What decoded pictures and samples would keep, by file: those kept for the whole game
    // (models' pictures, animation frames, samples) and each level's texture list, which goes
    // with its level. memoryLevel is the level whose list is being read, else empty.
    std::map<std::string, long long> keptForGood;
    std::map<std::string, std::map<std::string, long long>> levelLists;
    std::string memoryLevel;
};

contentChecker* gChecker = nullptr;

// "./Models/x" and "Models//x" name the same file as "Models/x".
std::string CleanPath(const char* path)
{
    std::string p = path ? path : "";
    while (p.compare(0, 2, "./") == 0)
        p.erase(0, 2);
    for (size_t i; (i = p.find("//")) != std::string::npos;)
        p.erase(i, 1);
    return p;
}

void AddProblem(const std::string& file, int line, const std::string& message)
{
    contentChecker* c = gChecker;
    std::string where = file.empty() ? std::string("(data folder)") : file;
    std::string place = line > 0 ? where + ":" + std::to_string(line) : where;
    std::string text = place + ": " + message;
    if (!c->seen.insert(text).second) return;
    c->problemPlaces.insert(place);
    auto known = std::find(c->problemFiles.begin(), c->problemFiles.end(), where);
    int order = (int)(known - c->problemFiles.begin());
    if (known == c->problemFiles.end()) c->problemFiles.push_back(where);
    c->problems.push_back({order, line, text});
}

bool EndsWith(const std::string& s, const char* tail)
{
    size_t n = strlen(tail);
    return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, tail) == 0;
}

void CheckerSink(const char* file, int line, const char* message)
{
    std::string where = file ? CleanPath(file) : gChecker->current;
    // A picture that is both a material's and a texture list's is decoded twice, as a PNG or BMP
    // and as a PNG only: one line says what is wrong with it.
    bool picture = EndsWith(where, ".png") || EndsWith(where, ".bmp");
    if (picture && line == 0 && gChecker->problemPlaces.count(where)) return;
    AddProblem(where, line, message ? message : "");
}

// Console and dialog lines that no reader sent through the sink are problems of the file being
// read: nothing a reader prints may go unseen.
void CheckerConsole(const char* text)
{
    if (!text) return;
    while (*text == '/' || *text == ' ')
        text++;
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    if (!message.empty()) AddProblem(gChecker->current, 0, message);
}

// A file or folder as the game's readers see it: a link leading out of the data folder, a FIFO
// or device, or a file over its kind's size is reported (by the opener, to the sink) and is
// neither.
bool IsFile(const std::string& path, int kind = kContentText)
{
    return ContentPathState(path.c_str(), kind) == kContentFile;
}

bool IsFolder(const std::string& path)
{
    return ContentPathState(path.c_str(), kContentText) == kContentFolder;
}

void NoteMemory(const char* path, long long bytes)
{
    std::string file = CleanPath(path);
    if (gChecker->memoryLevel.empty())
        gChecker->keptForGood[file] = bytes;
    else
        gChecker->levelLists[gChecker->memoryLevel][file] = bytes;
}

std::string Megabytes(long long bytes)
{
    char text[40];
    snprintf(text, sizeof text, "%.1f MB", bytes / 1048576.0);
    return text;
}

// The content memory the game would need: what stays for good, plus the largest level's texture
// list (a picture in both is one texture).
void CheckContentMemory()
{
    long long forGood = 0;
    for (const auto& file : gChecker->keptForGood)
        forGood += file.second;
    std::string worstLevel;
    long long worstList = 0;
    for (const auto& level : gChecker->levelLists)
    {
        long long list = 0;
        for (const auto& file : level.second)
            if (!gChecker->keptForGood.count(file.first)) list += file.second;
        if (list > worstList || worstLevel.empty())
        {
            worstList = list;
            worstLevel = level.first;
        }
    }
    if (forGood + worstList <= gContentMemoryLimit) return;
    std::string text = "pictures and sounds need " + Megabytes(forGood + worstList) + " of memory (" +
                       Megabytes(forGood) + " for models, animations and sounds";
    if (worstList) text += ", " + Megabytes(worstList) + " for the texture list of " + worstLevel;
    text += "), over the content memory of " + Megabytes(gContentMemoryLimit) +
            ": the game refuses what does not fit (--content-memory raises it)";
    AddProblem(worstList ? worstLevel + "tex" : std::string(), 0, text);
}

// Sorted entries of a folder (without "." and ".."), so the report has a stable order.
std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    // Listed through the folder as resolved beneath the data folder, never through a link out.
    int fd = OpenContentFolder(folder.c_str(), nullptr, 0);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir)
    {
        if (fd >= 0) close(fd);
        return names;
    }
    while (dirent* e = readdir(dir))
        if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names.push_back(e->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

void StartFile(const std::string& path)
{
    gChecker->current = CleanPath(path.c_str());
    gChecker->files.insert(gChecker->current);
}

// A script or level named by content, checked once.
void QueueScript(const std::string& path)
{
    std::string p = CleanPath(path.c_str());
    if (gChecker->scriptsQueued.insert(p).second) gChecker->scripts.push_back(p);
}

void QueueLevel(const std::string& folder)
{
    std::string f = CleanPath(folder.c_str());
    if (f.empty() || f.back() != '/') f += '/';
    if (gChecker->levelsQueued.insert(f).second) gChecker->levels.push_back(f);
}

// ---------------------------------------------------------------------------------------------
// Models and pose files

void CheckModelFile(const std::string& path)
{
    StartFile(path);
    mesh_mod* model = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    modelLoadReport report;
    if (!LoadMeshworkModelReport(model, path.c_str(), &report))
    {
        AddProblem(gChecker->current, 0, "the model file cannot be read");
        free(model);
        return;
    }
    // A material picture found nowhere is reported by the loader itself.
    std::string posePath = path + "_poses";
    if (IsFile(posePath))
    {
        StartFile(posePath);
        ImportModelAnimations(model, posePath.c_str());
    }
    DisposeMeshworkModel(model);
}

bool IsModelFolderExtra(const std::string& name)
{
    return EndsWith(name, ".png") || EndsWith(name, ".bmp") || EndsWith(name, "_poses");
}

// Every model file of a Models folder and its subfolders, with its pose file; pose files whose
// model is missing are reported.
void CheckModelFolder(const std::string& folder, const std::string& prefix = "")
{
    for (const std::string& name : FolderEntries(folder))
    {
        std::string path = folder + name;
        if (IsFolder(path))
        {
            CheckModelFolder(path + "/", prefix + name + "/");
            continue;
        }
        if (!IsModelFolderExtra(name))
        {
            CheckModelFile(path);
            gChecker->folderModels.insert(prefix + name);
        }
        else if (EndsWith(name, "_poses") && !IsFile(path.substr(0, path.size() - 6)))
        {
            StartFile(path);
            AddProblem(gChecker->current, 0,
                       "pose file without its model " + CleanPath(path.substr(0, path.size() - 6).c_str()));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Scripts

std::string StatementPlace(const char* file, const VXR_Statement* s)
{
    return std::string(file) + ":" + std::to_string(s->line);
}

void StatementProblem(const char* file, const VXR_Statement* s, const std::string& message)
{
    AddProblem(file, s->line, message);
}

// A file a statement names, relative to the data folder and with its separators made '/'.
std::string NamedPath(const char* text)
{
    std::string path = std::string(routePath) + text;
    FixPathString(&path[0]);
    return path;
}

// The files and folders an instruction names must be there; scripts and levels are followed.
void CheckNamedFiles(const char* file, const VXR_Statement* s)
{
    const char* keyword = s->instruction->name;
    const char* text = s->operands.text;
    if (!strcmp(keyword, "includeScript") || !strcmp(keyword, "timeScript"))
    {
        std::string path = NamedPath(text);
        if (IsFile(path))
            QueueScript(path);
        else
            StatementProblem(file, s, std::string(keyword) + ": script " + path + " not found");
    }
    else if (!strcmp(keyword, "level"))
    {
        std::string folder = NamedPath(text);
        if (IsFolder(folder))
            QueueLevel(folder);
        else
            StatementProblem(file, s, "level: level folder " + folder + " not found");
    }
    else if (!strcmp(keyword, "loadPoses"))
    {
        // The instruction refuses such a path when it runs; its refusal belongs to this line.
        gProblemFile = file;
        gProblemLine = s->line;
        int inside = VXR_PathStaysInDataFolder(text, "loadPoses");
        gProblemFile = nullptr;
        gProblemLine = 0;
        if (!inside) return;
        std::string path = NamedPath(text);
        if (!IsFile(path)) StatementProblem(file, s, "loadPoses: pose file " + path + " not found");
    }
}

// A sample or animation slot given as a number must be one that its list fills; a slot read
// from a register is the script's business when it runs.
void CheckListedSlot(const char* file, const VXR_Statement* s)
{
    const char* keyword = s->instruction->name;
    const VXR_DecodedArgs& a = s->operands;
    if ((!strcmp(keyword, "sndplay") || !strcmp(keyword, "sndloop")) && (a.given & 1))
    {
        if (a.whole[0] >= 0 && a.whole[0] < kSoundSlots && !gSoundSlotListed[a.whole[0]])
            StatementProblem(file, s,
                             std::string(keyword) + ": sample slot " + std::to_string(a.whole[0]) +
                                 " is in no line of the sound list");
    }
    else if (!strcmp(keyword, "anim") && a.whole[1] >= 0 && a.whole[1] < kAnimationSlots &&
             !gAnimationSlotListed[a.whole[1]])
        StatementProblem(file, s,
                         "anim: animation slot " + std::to_string(a.whole[1] + 1) +
                             " is in no line of the animation list");
}

// Text shown on screen can only show the characters the font has: any other byte is drawn as a box.
void CheckShownText(const char* file, const VXR_Statement* s)
{
    for (const char* p = s->operands.text; *p; p++)
        if (!FontHasGlyph((unsigned char)*p))
        {
            char problem[160];
            snprintf(problem, sizeof problem,
                     "%s: the byte 0x%02X has no glyph in the font (only ASCII 32 to 126 is drawn); it "
                     "shows as a box",
                     s->instruction->name, (unsigned char)*p);
            StatementProblem(file, s, problem);
            return;
        }
}

// One statement's problems: its own (script_problems.h), the files it names, the slots, names
// and texts it uses. A line already reported (a refused path) is not reported again.
void CheckStatement(const char* file, const VXR_Statement* s)
{
    if (gChecker->problemPlaces.count(StatementPlace(file, s))) return;
    const std::string own = VXR_StatementProblem(s);
    if (!own.empty())
    {
        StatementProblem(file, s, own);
        return;
    }
    if (s->kind != kStmtInstruction || !s->instruction) return;
    const VXR_Instruction* in = s->instruction;
    if (in->decode) CheckNamedFiles(file, s);
    CheckListedSlot(file, s);
    if (!strcmp(in->name, "mac"))
        gChecker->calls.push_back({file, s->operands.text, (int)s->line, (int32_t)s->operands.whole[0]});
    if (!strcmp(in->name, "tex") && s->operands.ok)
        gChecker->textureUses.push_back({file, s->operands.text, (int)s->line, 0});
    // "get" with a name of its own (not "me", "coll" or the s1 form).
    if (!strcmp(in->name, "get") && s->operands.form == 'n')
        gChecker->actorGets.push_back({file, s->operands.text, (int)s->line, 0});
    if (!strcmp(in->name, "setName") && s->operands.ok) gChecker->actorNames.insert(s->operands.text);
    if (!strcmp(in->name, "make") && s->operands.ok)
    {
        // Without a name of its own it makes whatever model s1 names: any of them.
        if (s->operands.form)
            gChecker->madeModels.insert(s->operands.text);
        else
            gChecker->makesAnyModel = true;
    }
    if (!strcmp(in->name, "message") || !strcmp(in->name, "hudText")) CheckShownText(file, s);
}

void CheckStructure(const char* file, const VXR_Statement* first)
{
    std::vector<std::pair<int, std::string>> problems;
    VXR_StructureProblems(first, &problems);
    for (const auto& problem : problems)
        AddProblem(file, problem.first, problem.second);
}

void CheckScriptFile(const std::string& path)
{
    StartFile(path);
    if (!IsFile(path))
    {
        AddProblem(gChecker->current, 0, "script not found");
        return;
    }
    // The game's own loader reads and compiles it; it only joins the game script list.
    if (!LoadAndExecuteScript(path.c_str()))
    {
        AddProblem(gChecker->current, 0, "the script cannot be read");
        return;
    }
    VXR_scripter* script = baseScript.next;
    while (script && script->next)
        script = script->next;
    if (!script) return;
    const char* file = gChecker->current.c_str();
    for (const VXR_Statement* s = script->code; s; s = s->next)
        CheckStatement(file, s);
    CheckStructure(file, script->code);
    for (macroScript* m = baseMacro.next; m; m = m->next)
        gChecker->macros.insert(m->code);
    DisposeGameScripts();
    DisposeMacros();
}

// 1 when a level's person file or a setName gives name, or when it is a model's name (in any
// case, as the level may spell it) followed by a number, which make names actors with.
bool ActorNameCanBeGiven(const std::string& name)
{
    if (gChecker->actorNames.count(name)) return true;
    std::set<std::string> models = gChecker->madeModels;
    if (gChecker->makesAnyModel) models.insert(gChecker->folderModels.begin(), gChecker->folderModels.end());
    for (const std::string& model : models)
    {
        if (name.size() <= model.size() || strncasecmp(name.c_str(), model.c_str(), model.size()) != 0) continue;
        if (name.find_first_not_of("0123456789", model.size()) == std::string::npos) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Level folders

// Hands path to the engine's reader when the file is there, as the file being read.
template <typename Reader> void ReadIfPresent(const std::string& path, Reader read)
{
    if (!IsFile(path)) return;
    StartFile(path);
    read(path.c_str());
}

// The level's files in the order a level load reads them; its models are checked after.
void CheckLevelFolder(const std::string& folder)
{
    static const char* const kLevelFiles[] = {"level models", "tint", "person", "starting"};
    // The checker changes nothing: an interrupted save is only reported (the game settles it).
    bool interrupted = ContentNameTaken((folder + kLevelSaveJournal).c_str());
    for (const char* name : kSavedLevelFiles)
        interrupted = interrupted || ContentNameTaken((folder + name + ".saving").c_str());
    if (interrupted)
    {
        StartFile(folder);
        AddProblem(gChecker->current, 0,
                   "a save of this level was interrupted: the game finishes or undoes it when it next loads "
                   "the level; until then its files may be of two saves");
    }
    int present = 0;
    for (const char* name : kLevelFiles)
        present += IsFile(folder + name);
    if (!present)
    {
        StartFile(folder);
        AddProblem(
            gChecker->current, 0,
            "not a level folder: it holds none of \"level models\", \"tint\", \"person\" and \"starting\"");
    }
    ReadIfPresent(folder + "level models", LoadLevelModels);
    ReadIfPresent(folder + "tint", LoadTintColor);
    ReadIfPresent(folder + "person", ImportAndLinkPersons);
    // The actors' scripts are checked as files of their own.
    for (human_being* h = baseHuman ? baseHuman->next : nullptr; h; h = h->next)
    {
        gChecker->actorNames.insert(h->name);
        // Models the level has: the editor's paste and "make" may number more of them.
        if (h->model) gChecker->madeModels.insert(h->model->name);
        for (VXR_scripter* s = h->scripts; s; s = s->next)
            QueueScript(NamedPath(s->path));
    }
    ReadIfPresent(folder + "starting", ReadPlayerPosition);
    if (IsFile(folder + "load script")) QueueScript(folder + "load script");
    gChecker->memoryLevel = folder;
    gChecker->levelLists[folder];
    ReadIfPresent(folder + "tex", LoadTextures);
    gChecker->memoryLevel.clear();
    for (const textureFile* t = baseTexture.next; t; t = t->next)
        gChecker->listedTextures.insert(t->fileName);
    ReturnToNothing();
    if (IsFolder(folder + "Models")) CheckModelFolder(folder + "Models/");
}

// ---------------------------------------------------------------------------------------------
// The whole folder

void CheckLists()
{
    ReadIfPresent("cache", [](const char*) { ImportAllMeshworkModels(); });
    if (IsFolder("Models")) CheckModelFolder("Models/");
    char path[1100];
    snprintf(path, sizeof path, "%sSounds%clist", routePath, kDirectoryDevider);
    ReadIfPresent(path, LoadSoundFiles);
    snprintf(path, sizeof path, "%sAnimations%cwinlist.txt", routePath, kDirectoryDevider);
    ReadIfPresent(path, LoadAnimationFiles);
    ReadIfPresent(kFontPicturePath, [](const char*) { CheckFontPicture(); });
}

void CheckScriptsAndLevels()
{
    char startup[1100];
    snprintf(startup, sizeof startup, "%sData%cgame script", routePath, kDirectoryDevider);
    if (IsFile(startup))
        QueueScript(startup);
    else
    {
        StartFile(startup);
        AddProblem(gChecker->current, 0, "the start-up script is missing");
    }
    if (IsFolder("Levels"))
        for (const std::string& name : FolderEntries("Levels"))
            if (IsFolder("Levels/" + name)) QueueLevel("Levels/" + name);
    // Scripts name levels and levels name scripts: go on until neither brings anything new.
    while (!gChecker->scripts.empty() || !gChecker->levels.empty())
    {
        if (!gChecker->scripts.empty())
        {
            std::string script = gChecker->scripts.front();
            gChecker->scripts.pop_front();
            CheckScriptFile(script);
            continue;
        }
        std::string level = gChecker->levels.front();
        gChecker->levels.pop_front();
        CheckLevelFolder(level);
    }
    // A macro may be declared by any script the game loads, so calls are judged once all are read.
    for (const auto& call : gChecker->calls)
        if (!gChecker->macros.count(call.code))
            AddProblem(call.file, call.line,
                       "mac: no checked script declares the macro \"" + call.name + "\"");
    for (const auto& use : gChecker->actorGets)
        if (!ActorNameCanBeGiven(use.name))
            AddProblem(use.file, use.line,
                       "get: no actor is called \"" + use.name +
                           "\": no level's person file, setName or make gives that name (the selection stays "
                           "as it was)");
    for (const auto& use : gChecker->textureUses)
        if (!gChecker->listedTextures.count(use.name))
            AddProblem(use.file, use.line, "tex: no level's texture list holds \"" + use.name + "\"");
    CheckContentMemory();
}

} // namespace

int CheckDataFolder()
{
    contentChecker checker;
    gChecker = &checker;
    outputProc oldConsole = toConsole, oldDialog = toDialog;
    problemSinkProc oldSink = gProblemSink;
    toConsole = CheckerConsole;
    toDialog = CheckerConsole;
    gProblemSink = CheckerSink;
    gContentMemoryNoteHook = NoteMemory;
    gCheckOnly = 1;

    RegisterModelLoader();
    VXR_Init();
    CheckLists();
    CheckScriptsAndLevels();
    ReturnToNothing();

    gCheckOnly = 0;
    gContentMemoryNoteHook = nullptr;
    gProblemSink = oldSink;
    toConsole = oldConsole;
    toDialog = oldDialog;
    gChecker = nullptr;

    // Each file's problems together and in line order, whichever reader found them first.
    std::stable_sort(checker.problems.begin(), checker.problems.end(),
                     [](const foundProblem& a, const foundProblem& b)
                     { return a.fileOrder != b.fileOrder ? a.fileOrder < b.fileOrder : a.line < b.line; });
    // Names in content are a stranger's bytes: the terminal gets them printable, as the console does.
    for (const foundProblem& p : checker.problems)
        printf("%s\n", PrintableText(p.text.c_str(), 0).c_str());
    size_t n = checker.problems.size();
    printf("kesrow --check: %zu problem%s in %zu file%s\n", n, n == 1 ? "" : "s", checker.files.size(),
           checker.files.size() == 1 ? "" : "s");
    fflush(stdout);
    return n ? 1 : 0;
}
