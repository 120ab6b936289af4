// The settings file and the settings in force: reading and writing the file, the defaults, and
// following what the player changes while playing so that it is kept for the next run.
#include "app/settings.h"

#include "core/output.h"
#include "core/safe_write.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

playerSettings gSettings = {kDefaultMouseSensitivity, 0, 100, 1, 1280, 720, 1};
void (*gBeginOutsideLinesHook)() = nullptr;
void (*gEndOutsideLinesHook)() = nullptr;
void (*gApplySettingsHook)(const playerSettings* before, const playerSettings* now) = nullptr;

void DefaultSettings(playerSettings* s)
{
    s->mouseSensitivity = kDefaultMouseSensitivity;
    s->invertMouse = 0;
    s->volume = 100;
    s->fullScreen = 1;
    s->windowWidth = 1280;
    s->windowHeight = 720;
    s->vsync = 1;
}

int ParseWindowSize(const char* text, int* w, int* h)
{
    int a = 0, b = 0;
    char tail = 0;
    if (sscanf(text, "%dx%d%c", &a, &b, &tail) != 2) return 0;
    if (a < 16 || b < 16 || a > 16384 || b > 16384) return 0;
    *w = a;
    *h = b;
    return 1;
}

int SettingsFilePath(char* out, int size)
{
    const char* config = getenv("XDG_CONFIG_HOME");
    int n;
    // A relative XDG_CONFIG_HOME is ignored, as desktops do: settings go under ~/.config then.
    if (config && config[0] == '/')
        n = snprintf(out, size, "%s/kesrow/settings", config);
    else
    {
        const char* home = getenv("HOME");
        if (!home || home[0] != '/') return 0;
        n = snprintf(out, size, "%s/.config/kesrow/settings", home);
    }
    return n > 0 && n < size;
}

// ---------------------------------------------------------------------------------------------
// The file
//
// file  -> line*
// line  -> blanks [name (blanks | '=') blanks value blanks] ['#' comment]
// name  -> mouse-sensitivity | invert-mouse | volume | fullscreen | window-size | vsync
// value -> a number, yes/no (on/off, true/false, 1/0), or WIDTHxHEIGHT

static int ReadTruth(const char* text, int32_t* out)
{
    static const char* const kYes[] = {"yes", "on", "true", "1"};
    static const char* const kNo[] = {"no", "off", "false", "0"};
    for (int i = 0; i < 4; i++)
    {
        if (!strcmp(text, kYes[i])) return *out = 1, 1;
        if (!strcmp(text, kNo[i])) return *out = 0, 1;
    }
    return 0;
}

// One setting from name and value into s; 0 with what is wrong in problem.
static int ReadSetting(const char* name, const char* value, playerSettings* s, char* problem, int size)
{
    char* end = nullptr;
    if (!strcmp(name, "mouse-sensitivity"))
    {
        errno = 0;
        double v = strtod(value, &end);
        if (end == value || *end || errno || !std::isfinite(v) || v < kMinMouseSensitivity ||
            v > kMaxMouseSensitivity)
        {
            snprintf(problem, size, "mouse-sensitivity \"%.40s\" is not a number from %g to %g", value,
                     kMinMouseSensitivity, kMaxMouseSensitivity);
            return 0;
        }
        s->mouseSensitivity = (float)v;
        return 1;
    }
    int32_t* truth = !strcmp(name, "invert-mouse") ? &s->invertMouse
                     : !strcmp(name, "vsync")      ? &s->vsync
                     : !strcmp(name, "fullscreen") ? &s->fullScreen
                                                   : nullptr;
    if (truth)
    {
        if (ReadTruth(value, truth)) return 1;
        snprintf(problem, size, "%s \"%.40s\" is not yes or no", name, value);
        return 0;
    }
    if (!strcmp(name, "volume"))
    {
        long v = strtol(value, &end, 10);
        if (end == value || *end || v < 0 || v > 100)
        {
            snprintf(problem, size, "volume \"%.40s\" is not a whole number from 0 to 100", value);
            return 0;
        }
        s->volume = (int32_t)v;
        return 1;
    }
    if (!strcmp(name, "window-size"))
    {
        int w = 0, h = 0;
        if (ParseWindowSize(value, &w, &h))
        {
            s->windowWidth = w;
            s->windowHeight = h;
            return 1;
        }
        snprintf(problem, size, "window-size \"%.40s\" is not a size like 1280x720 (16 to 16384 a side)",
                 value);
        return 0;
    }
    snprintf(problem, size, "unknown setting \"%.40s\"", name);
    return 0;
}

static int IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// Reads the file's bytes into text; 0 with the reason in problem when it cannot be used at all.
static int ReadSettingsText(FILE* file, std::string* text, char* problem, int size)
{
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
    {
        text->append(buffer, n);
        if ((long)text->size() > kSettingsFileMax)
        {
            snprintf(problem, size, "is not a settings file: it is longer than %ld bytes", kSettingsFileMax);
            return 0;
        }
    }
    if (ferror(file))
    {
        snprintf(problem, size, "cannot be read (%s)", strerror(errno));
        return 0;
    }
    if (text->find('\0') != std::string::npos)
    {
        snprintf(problem, size, "is not a settings file: it holds binary data");
        return 0;
    }
    return 1;
}

int ReadSettingsFile(const char* path, playerSettings* s)
{
    FILE* file = fopen(path, "rb");
    if (!file)
    {
        if (errno == ENOENT) return 1;
        OutputToConsoleF("//Settings %s cannot be read (%s); the defaults are used", path, strerror(errno));
        return 0;
    }
    std::string text;
    char first[300] = "";
    const int whole = ReadSettingsText(file, &text, first, sizeof first);
    fclose(file);
    if (!whole)
    {
        OutputToConsoleF("//Settings %s %s; the defaults are used", path, first);
        return 0;
    }

    // Every line is read into a copy, so one that cannot be used leaves the others' values.
    playerSettings read = *s;
    int problems = 0, lineNumber = 0;
    size_t at = 0;
    while (at < text.size())
    {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        lineNumber++;
        char problem[200] = "";
        if (line.size() > (size_t)kSettingsLineMax)
            snprintf(problem, sizeof problem, "the line is longer than %d characters", kSettingsLineMax);
        else
        {
            const size_t hash = line.find('#');
            if (hash != std::string::npos) line.erase(hash);
            size_t p = 0;
            while (p < line.size() && IsBlank(line[p]))
                p++;
            size_t nameEnd = p;
            while (nameEnd < line.size() && !IsBlank(line[nameEnd]) && line[nameEnd] != '=')
                nameEnd++;
            if (nameEnd == p) continue; // an empty or comment line
            size_t v = nameEnd;
            while (v < line.size() && (IsBlank(line[v]) || line[v] == '='))
                v++;
            size_t valueEnd = line.size();
            while (valueEnd > v && IsBlank(line[valueEnd - 1]))
                valueEnd--;
            const std::string name = line.substr(p, nameEnd - p), value = line.substr(v, valueEnd - v);
            playerSettings one = read;
            if (ReadSetting(name.c_str(), value.c_str(), &one, problem, sizeof problem)) read = one;
        }
        if (problem[0])
        {
            if (!problems++) snprintf(first, sizeof first, "line %d: %s", lineNumber, problem);
        }
    }
    *s = read;
    if (!problems) return 1;
    if (problems == 1)
        OutputToConsoleF("//Settings %s, %s; the default is used", path, first);
    else
        OutputToConsoleF("//Settings %s, %s (and %d more problem%s); the defaults are used for them", path,
                         first, problems - 1, problems == 2 ? "" : "s");
    return 0;
}

// Makes every missing folder of path's parent (private to the user).
static int MakeParentFolders(const char* path)
{
    std::string folder = path;
    const size_t slash = folder.rfind('/');
    if (slash == std::string::npos || slash == 0) return 1;
    folder.erase(slash);
    for (size_t i = 1; i <= folder.size(); i++)
    {
        if (i < folder.size() && folder[i] != '/') continue;
        const std::string part = folder.substr(0, i);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
        {
            OutputToConsoleF("//Settings: the folder %s cannot be made (%s)", part.c_str(), strerror(errno));
            return 0;
        }
    }
    return 1;
}

int WriteSettingsFile(const char* path, const playerSettings* s)
{
    if (!MakeParentFolders(path)) return 0;
    // The shortest form that reads back as the same float: 0.14, not 0.140000001.
    char sensitivity[32];
    for (int digits = 6; digits <= 9; digits++)
    {
        snprintf(sensitivity, sizeof sensitivity, "%.*g", digits, s->mouseSensitivity);
        if (strtof(sensitivity, nullptr) == s->mouseSensitivity) break;
    }
    char text[1024];
    snprintf(text, sizeof text,
             "# Kesrow settings, written by the game when a setting changes while playing.\n"
             "# mouse-sensitivity: degrees of turn per pixel, %g to %g (the default is %g)\n"
             "# invert-mouse, fullscreen, vsync: yes or no; volume: 0 to 100; window-size: the\n"
             "# window's when not full screen. Each has a command-line option for one run.\n"
             "mouse-sensitivity %s\n"
             "invert-mouse %s\n"
             "volume %d\n"
             "fullscreen %s\n"
             "window-size %dx%d\n"
             "vsync %s\n",
             kMinMouseSensitivity, kMaxMouseSensitivity, kDefaultMouseSensitivity, sensitivity,
             s->invertMouse ? "yes" : "no", s->volume, s->fullScreen ? "yes" : "no", s->windowWidth,
             s->windowHeight, s->vsync ? "yes" : "no");
    return SafeWriteText(path, text);
}

// ---------------------------------------------------------------------------------------------
// Changes while playing

static playerSettings gStored; // what the file holds, with the player's changes
static playerSettings gSeen;   // gSettings as the last TrackSettings left it
static char gSettingsPath[1100];
static int gMayWrite = 0;
static int gUnwritten = 0;
static int gWrittenOnce = 0;
static uint32_t gLastWrite = 0;
// A file written less than this long ago waits, so a script turning a setting every tick does
// not write the file every tick.
static const uint32_t kSettingsWriteGapMs = 1000;

void BeginSettings(const char* path, const playerSettings* stored, int mayWrite)
{
    gStored = *stored;
    gSeen = gSettings;
    snprintf(gSettingsPath, sizeof gSettingsPath, "%s", path ? path : "");
    gMayWrite = mayWrite && gSettingsPath[0];
    gUnwritten = 0;
    gWrittenOnce = 0;
}

// A value a script stored that cannot be used goes back to what it was.
static void CheckChangedValues()
{
    playerSettings& s = gSettings;
    if (s.mouseSensitivity != gSeen.mouseSensitivity &&
        !(s.mouseSensitivity >= kMinMouseSensitivity && s.mouseSensitivity <= kMaxMouseSensitivity))
    {
        OutputToConsoleF("//Settings: mouseSensitivity %g is not %g to %g; it stays %g", s.mouseSensitivity,
                         kMinMouseSensitivity, kMaxMouseSensitivity, gSeen.mouseSensitivity);
        s.mouseSensitivity = gSeen.mouseSensitivity;
    }
    if (s.volume != gSeen.volume && (s.volume < 0 || s.volume > 100))
    {
        OutputToConsoleF("//Settings: soundVolume %d is not 0 to 100; it stays %d", s.volume, gSeen.volume);
        s.volume = gSeen.volume;
    }
    s.invertMouse = s.invertMouse != 0;
    s.fullScreen = s.fullScreen != 0;
    s.vsync = s.vsync != 0;
    if (s.windowWidth < 16 || s.windowHeight < 16)
    {
        s.windowWidth = gSeen.windowWidth;
        s.windowHeight = gSeen.windowHeight;
    }
}

void TrackSettings(uint32_t nowMs)
{
    CheckChangedValues();
    if (memcmp(&gSettings, &gSeen, sizeof gSettings) != 0)
    {
        if (gApplySettingsHook) gApplySettingsHook(&gSeen, &gSettings);
            // Only what changed is kept: a setting the command line overrode for this run stays as the
            // file had it unless the player changes it too.
#define KEEP_IF_CHANGED(field)                                                                               \
    if (gSettings.field != gSeen.field) gStored.field = gSettings.field
        KEEP_IF_CHANGED(mouseSensitivity);
        KEEP_IF_CHANGED(invertMouse);
        KEEP_IF_CHANGED(volume);
        KEEP_IF_CHANGED(fullScreen);
        KEEP_IF_CHANGED(windowWidth);
        KEEP_IF_CHANGED(windowHeight);
        KEEP_IF_CHANGED(vsync);
#undef KEEP_IF_CHANGED
        gSeen = gSettings;
        gUnwritten = 1;
    }
    if (gUnwritten && gMayWrite && (!gWrittenOnce || (uint32_t)(nowMs - gLastWrite) >= kSettingsWriteGapMs))
    {
        FlushSettings();
        gLastWrite = nowMs;
    }
}

void FlushSettings()
{
    if (!gUnwritten || !gMayWrite) return;
    // A failed write is not tried again until the next change.
    gUnwritten = 0;
    gWrittenOnce = 1;
    // Whether the file could be written is the file system's answer, not the game's: a recording
    // keeps what it said.
    if (gBeginOutsideLinesHook) gBeginOutsideLinesHook();
    WriteSettingsFile(gSettingsPath, &gStored);
    if (gEndOutsideLinesHook) gEndOutsideLinesHook();
}
