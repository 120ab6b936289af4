// Owns the 16 animation slots and their loading from the animation list and the frame folders.
#include "resources/animated_textures.h"

#include "core/content_files.h"
#include "core/output.h"
#include "core/problems.h"
#include "resources/paths.h"
#include "resources/png_image.h"
#include "resources/textures.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <cstring>

// A slot that no list line loads is a one-frame animation of 100 ms with no texture, so picking
// a frame from it never divides by zero.
constexpr animatedTexture kEmptyAnimation = {{0}, 100, 100, 1};
animatedTexture gTextureAnimations[kAnimationSlots] = {
    kEmptyAnimation, kEmptyAnimation, kEmptyAnimation, kEmptyAnimation, kEmptyAnimation, kEmptyAnimation,
    kEmptyAnimation, kEmptyAnimation, kEmptyAnimation, kEmptyAnimation, kEmptyAnimation, kEmptyAnimation,
    kEmptyAnimation, kEmptyAnimation, kEmptyAnimation, kEmptyAnimation};
static_assert(kAnimationSlots == 16, "one initialiser per slot");
unsigned char gAnimationSlotListed[kAnimationSlots] = {};

static int CanOpenForReading(const char* path)
{
    return ContentFileExists(path, kContentPicture);
}

// Reads a whole number that fills the line (blanks around it allowed). 1 when it does.
static int ReadWholeNumber(const char* line, long* value)
{
    char* end = nullptr;
    errno = 0;
    long number = strtol(line, &end, 10);
    if (end == line || errno == ERANGE) return 0;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end) return 0;
    *value = number;
    return 1;
}

// "//<kind> <file>: <message>" in the game; the file, line and message to a checker.
static void ReportAnimationProblem(const char* kind, const char* file, int line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

static void ReportAnimationProblem(const char* kind, const char* file, int line, const char* format, ...)
{
    char message[400];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    char console[1400];
    snprintf(console, sizeof console, "//%s %s: %s", kind, file, message);
    ReportContentProblem(file, line, message, console);
}

// A list line's problem: "//Animation list <list>: line <n> <message>" in the game.
static void ReportListLine(const char* listPath, int lineNumber, const char* message)
{
    char console[1400];
    snprintf(console, sizeof console, "//Animation list %s: line %d %s", listPath, lineNumber, message);
    ReportContentProblem(listPath, lineNumber, message, console);
}

// Info file, one item a line: "<frame count>", "<frame duration in ms>", "<base name>". The base
// name is the third line whatever the second held; only a file of two lines whose second is no
// number is taken to have left out the duration, its second line being the base name. Counts and
// durations must be positive: the anim instruction divides by the duration and takes the frame
// modulo the count. 0 when the base name is refused.
static int ReadAnimationInfo(const char* infoPath, animatedTexture* animation, char* baseName,
                             size_t baseSize)
{
    FILE* info = OpenContentFile(infoPath, kContentText);
    if (!info) return 1;
    char lines[3][kMaxLineLength + 1] = {"", "", ""};
    int cut[3] = {0, 0, 0};
    int present = 0, atEnd = 0;
    for (int i = 0; i < 3 && !atEnd; ++i)
    {
        atEnd = ReadBoundedLine(info, lines[i], sizeof lines[i], 1, &cut[i]) == -1;
        if (!atEnd || lines[i][0]) present = i + 1;
    }
    fclose(info);

    long count = 0, duration = 0;
    if (!ReadWholeNumber(lines[0], &count))
        ReportAnimationProblem("Animation info", infoPath, 1, "no frame count on line 1, using %d",
                               int(animation->frameCount));
    else if (count >= 1 && count <= INT_MAX)
        animation->frameCount = int32_t(count);
    else
        ReportAnimationProblem("Animation info", infoPath, 1, "frame count %ld is out of range, using %d",
                               count, int(animation->frameCount));
    int haveDuration = ReadWholeNumber(lines[1], &duration);
    if (!haveDuration)
        ReportAnimationProblem("Animation info", infoPath, 2, "no frame duration on line 2, using %d ms",
                               int(animation->frameDuration));
    else if (duration >= 1 && duration <= INT_MAX)
        animation->frameDuration = int32_t(duration);
    else
        ReportAnimationProblem("Animation info", infoPath, 2, "frame duration %ld is out of range, using %d",
                               duration, int(animation->frameDuration));
    int nameLine = present < 3 && !haveDuration ? 1 : 2;
    const char* name = lines[nameLine];
    if (cut[nameLine] || strlen(name) >= baseSize)
        ReportAnimationProblem("Animation info", infoPath, nameLine + 1,
                               "base name longer than %d characters, cut", int(baseSize) - 1);
    snprintf(baseName, baseSize, "%s", name);
    // The frames sit in the folder or below it: a base name that climbs out or starts at the root
    // leaves every frame unloaded.
    if (baseName[0] && !VXR_ListEntryStaysInDataFolder(baseName, "Animation info", infoPath, nameLine + 1))
        return 0;
    return 1;
}

int LoadAnimationFromFolder(const char* folder, animatedTexture* animation)
{
    animation->frameCount = 1;
    animation->frameDuration = 100;
    char baseName[kMaxLineLength + 1] = "";

    char path[2048];
    int framesAllowed = 1;
    if (snprintf(path, sizeof path, "%s%cinfo.txt", folder, kDirectoryDevider) < int(sizeof path))
        framesAllowed = ReadAnimationInfo(path, animation, baseName, sizeof baseName);

    long long total = (long long)animation->frameDuration * animation->frameCount;
    if (total > INT_MAX)
    {
        ReportAnimationProblem("Animation", folder, 0, "total duration %lld ms is too long, cut to %d", total,
                               INT_MAX);
        total = INT_MAX;
    }
    animation->totalDuration = int32_t(total);
    if (animation->frameCount > kMaxAnimationFrames) animation->frameCount = kMaxAnimationFrames;
    memset(animation->frames, 0, sizeof animation->frames);

    if (!gCheckOnly) glEnable(GL_TEXTURE_2D);
    for (int i = 1; i <= animation->frameCount; ++i)
    {
        int length = snprintf(path, sizeof path, i < 10 ? "%s%c%s 0%d.png" : "%s%c%s %d.png", folder,
                              kDirectoryDevider, baseName, i);
        const int missing = length < int(sizeof path) && !CanOpenForReading(path);
        // The frame stays an empty texture, which the game passes over in silence; a checker
        // hears of it, as the animation then blinks.
        if (missing && gProblemSink)
            ReportAnimationProblem("Animation", folder, 0, "frame %d (%s) not found", i, path);
        if (gCheckOnly)
        {
            if (length >= int(sizeof path))
                ReportAnimationProblem("Animation", folder, 0, "path of frame %d is too long", i);
            else if (!missing)
                CheckImageFile(path, 0);
            continue;
        }
        GLuint* frame = &animation->frames[i - 1];
        if (length >= int(sizeof path))
            ReportAnimationProblem("Animation", folder, 0, "path of frame %d is too long", i);
        else if (framesAllowed && !missing)
            *frame = LoadSharedTexture(path, 1);
        // A frame that is not there is an empty texture of its own, as the frames around it.
        if (!*frame)
        {
            glGenTextures(1, frame);
            glBindTexture(GL_TEXTURE_2D, *frame);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        }
    }
    return 1;
}

static void DeleteAnimationFrames(animatedTexture* animation)
{
    for (GLuint& frame : animation->frames)
        if (frame)
        {
            ReleaseTexture(frame);
            frame = 0;
        }
}

// List line: <slot> "<folder>","<unused>", scanned like "%d \"%[^\"]\",\"%[^\"]\"".
static int LoadListedAnimation(char* line, int lineNumber, void* context)
{
    const char* listPath = (const char*)context;
    char* afterNumber = nullptr;
    long slot = strtol(line, &afterNumber, 10);
    char folder[kMaxLineLength + 1] = "";
    char unused[kMaxLineLength + 1] = "";
    if (afterNumber == line || sscanf(afterNumber, " \"%513[^\"]\",\"%513[^\"]\"", folder, unused) < 1)
    {
        ReportListLine(listPath, lineNumber, "is not <slot> \"folder\",\"path\", skipped");
        return 1;
    }
    if (slot < 1 || slot > kAnimationSlots)
    {
        char message[100];
        snprintf(message, sizeof message, "names slot %ld, outside 1 to %d, skipped", slot, kAnimationSlots);
        ReportListLine(listPath, lineNumber, message);
        return 1;
    }
    // The slot is named by this line, whatever its folder: its problems are the line's.
    gAnimationSlotListed[slot - 1] = 1;
    if (!VXR_ListEntryStaysInDataFolder(folder, "Animation list", listPath, lineNumber)) return 1;
    char path[sizeof routePath + sizeof folder];
    snprintf(path, sizeof path, "%s%s", routePath, folder);
    FixPathString(path);
    animatedTexture* animation = &gTextureAnimations[slot - 1];
    // A slot listed twice keeps only its last folder; the earlier frames are not leaked.
    DeleteAnimationFrames(animation);
    LoadAnimationFromFolder(path, animation);
    return 1;
}

void LoadAnimationFiles(const char* listPath)
{
    FILE* list = OpenContentFile(listPath, kContentText);
    if (!list) return;
    ReadListLines(list, listPath, "Animation list", 0, LoadListedAnimation, (void*)listPath);
    fclose(list);
}
