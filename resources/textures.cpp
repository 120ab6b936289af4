// Owns the texture list of the current level, the texture loading entries used by the level,
// model and animation loaders, and the shared path and line helpers.
#include "resources/textures.h"

#include "core/content_files.h"
#include "core/content_memory.h"
#include "core/output.h"
#include "core/problems.h"
#include "core/vecmath.h"
#include "resources/paths.h"
#include "resources/png_image.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

textureFile baseTexture = {0, "", nullptr};
textureFile* texturePtr = &baseTexture;
int gSwapTextureV = 0;

static int CanOpenForReading(const char* path)
{
    return ContentFileExists(path, kContentPicture);
}

// Copies at most size - 1 characters and always terminates.
static void CopyBounded(char* to, size_t size, const char* from)
{
    size_t length = strnlen(from, size - 1);
    memcpy(to, from, length);
    to[length] = 0;
}

static void GenerateBoundTexture(GLuint* name)
{
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, name);
    glBindTexture(GL_TEXTURE_2D, *name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

// ---------------------------------------------------------------------------------------------
// Shared textures
//
// Every picture file is decoded into one texture object however many loaders ask for it (a list
// naming one picture 20,000 times holds one texture), and what it keeps is taken from the
// content memory before a pixel is decoded. Loaders give their texture back with ReleaseTexture;
// the object goes when its last user does. Material textures are never given back (model cache
// entries keep theirs for good), so a list texture that is also a material stays drawable.

namespace
{

struct sharedTexture
{
    GLuint name;
    int users;
    int decoded;     // 0: an empty object standing for a file that could not be loaded
    long long bytes; // taken from the content memory
};

// By way ('p' as the file is, 'a' with alpha from the mean of RGB) and path.
std::unordered_map<std::string, sharedTexture> gSharedTextures;
std::unordered_map<GLuint, std::string> gSharedTextureKeys;

// Decodes path into a new texture object within the content memory; 0 (reported) when it cannot.
GLuint DecodeIntoTexture(const char* path, int allowBMP, int alphaFromMean, long long* bytes)
{
    *bytes = 0;
    int width = 0, height = 0;
    long long wanted = 0;
    if (ReadImageHeaderSize(path, allowBMP, &width, &height) && width <= kMaxTextureSide &&
        height <= kMaxTextureSide)
        wanted = TextureMemoryBytes(width, height);
    if (!ReserveContentMemory(wanted, path, "texture")) return 0;
    // Decode before making the texture object, so a bad file leaves nothing behind.
    decodedImage image;
    char err[256];
    GLuint name = 0;
    if (!DecodeImageFile(path, allowBMP, &image, err, sizeof err))
        ReportImageProblem(path, err);
    else
    {
        if (alphaFromMean) SetAlphaFromMeanOfRGB(&image);
        GenerateBoundTexture(&name);
        if (!UploadImageWithMipmaps(&image, err, sizeof err))
        {
            ReportImageProblem(path, err);
            glDeleteTextures(1, &name);
            name = 0;
        }
    }
    if (!name)
        ReleaseContentMemory(wanted);
    else
        *bytes = wanted;
    return name;
}

// The texture of path, loaded or shared. keepEmpty: a file that cannot be loaded still gets an
// (empty) object, shared like a loaded one; otherwise it gets 0.
GLuint ShareTexture(const char* path, int allowBMP, int alphaFromMean, int keepEmpty)
{
    std::string key = std::string(alphaFromMean ? "a" : "p") + path;
    auto found = gSharedTextures.find(key);
    if (found != gSharedTextures.end() && (found->second.decoded || keepEmpty))
    {
        found->second.users++;
        return found->second.name;
    }
    if (found != gSharedTextures.end()) return 0;
    long long bytes = 0;
    GLuint name = DecodeIntoTexture(path, allowBMP, alphaFromMean, &bytes);
    int decoded = name != 0;
    if (!decoded)
    {
        if (!keepEmpty) return 0;
        GenerateBoundTexture(&name);
    }
    gSharedTextures[key] = {name, 1, decoded, bytes};
    gSharedTextureKeys[name] = key;
    return name;
}

} // namespace

int ReloadPicture(const char* path, char* why, int whySize)
{
    if (why && whySize > 0) why[0] = 0;
    int updated = 0;
    for (int alphaFromMean = 0; alphaFromMean < 2; alphaFromMean++)
    {
        auto found = gSharedTextures.find(std::string(alphaFromMean ? "a" : "p") + path);
        if (found == gSharedTextures.end()) continue;
        sharedTexture& texture = found->second;
        // The new picture is decoded whole before the texture is touched: one that does not
        // decode leaves the last good one on screen.
        int width = 0, height = 0;
        long long wanted = 0;
        if (ReadImageHeaderSize(path, 1, &width, &height) && width <= kMaxTextureSide && height <= kMaxTextureSide)
            wanted = TextureMemoryBytes(width, height);
        ReleaseContentMemory(texture.bytes);
        if (!ReserveContentMemory(wanted, path, "texture"))
        {
            ReserveContentMemory(texture.bytes, path, "texture");
            if (why) snprintf(why, whySize, "it needs more than what is left of the content memory");
            return -1;
        }
        decodedImage image;
        char err[256] = "";
        if (!DecodeImageFile(path, 1, &image, err, sizeof err))
        {
            ReleaseContentMemory(wanted);
            ReserveContentMemory(texture.bytes, path, "texture");
            if (why) snprintf(why, whySize, "%s", err);
            return -1;
        }
        if (alphaFromMean) SetAlphaFromMeanOfRGB(&image);
        glBindTexture(GL_TEXTURE_2D, texture.name);
        if (!UploadImageWithMipmaps(&image, err, sizeof err))
        {
            ReleaseContentMemory(wanted);
            ReserveContentMemory(texture.bytes, path, "texture");
            if (why) snprintf(why, whySize, "%s", err);
            return -1;
        }
        texture.bytes = wanted;
        texture.decoded = 1;
        updated++;
    }
    return updated;
}

GLuint LoadSharedTexture(const char* path, int alphaFromMean)
{
    if (!CanOpenForReading(path)) return 0;
    return ShareTexture(path, 0, alphaFromMean, 1);
}

void ReleaseTexture(GLuint name)
{
    if (!name) return;
    auto key = gSharedTextureKeys.find(name);
    if (key == gSharedTextureKeys.end())
    {
        glDeleteTextures(1, &name);
        return;
    }
    auto texture = gSharedTextures.find(key->second);
    if (texture != gSharedTextures.end() && --texture->second.users > 0) return;
    if (texture != gSharedTextures.end())
    {
        ReleaseContentMemory(texture->second.bytes);
        gSharedTextures.erase(texture);
    }
    gSharedTextureKeys.erase(key);
    glDeleteTextures(1, &name);
}

int LoadTextureWithLibPNG(const char* path, GLuint* outName)
{
    gSwapTextureV = 1;
    if (!CanOpenForReading(path)) return 0;
    if (gCheckOnly)
    {
        *outName = 0;
        CheckImageFile(path, 0);
        return 1;
    }
    *outName = ShareTexture(path, 0, 0, 1);
    return 1;
}

int LoadTextureFile(const char* path, GLuint* outId)
{
    gSwapTextureV = 1;
    *outId = 0;
    if (!CanOpenForReading(path)) return 0;
    if (gCheckOnly) return CheckImageFile(path, 1);
    *outId = ShareTexture(path, 1, 0, 0);
    return *outId != 0;
}

void FreeTextureList()
{
    textureFile* entry = baseTexture.next;
    while (entry)
    {
        textureFile* next = entry->next;
        ReleaseTexture(entry->glName);
        free(entry);
        entry = next;
    }
    baseTexture.next = nullptr;
    texturePtr = &baseTexture;
}

// Texture list line: a path under the data folder, e.g. "walls:brick.png" or "walls/brick.png".
static int LoadListedTexture(char* line, int lineNumber, void* context)
{
    const char* listPath = (const char*)context;
    // A level's texture list names pictures inside the data folder only.
    if (!VXR_ListEntryStaysInDataFolder(line, "Texture list", listPath, lineNumber)) return 1;
    char path[sizeof routePath + kMaxLineLength + 1];
    snprintf(path, sizeof path, "%s%s", routePath, line);
    FixPathString(path);
    const char* slash = strrchr(path, kDirectoryDevider);
    const char* name = slash ? slash + 1 : path;
    int state = ContentPathState(path, kContentPicture);
    if (state != kContentFile)
    {
        // A refused picture has been reported by the opener already.
        if (state != kContentRefused)
            ReportContentProblemF(listPath, lineNumber, "picture %s not found, left out", path);
        return 1;
    }

    textureFile* entry = (textureFile*)calloc(1, sizeof(textureFile));
    if (!entry)
    {
        OutputToConsoleF("//Texture list %s: out of memory at line %d", listPath, lineNumber);
        return 0;
    }
    texturePtr->next = entry;
    texturePtr = entry;
    LoadTextureWithLibPNG(path, &entry->glName);
    if (strlen(name) >= sizeof entry->fileName)
    {
        char message[800], console[1400];
        snprintf(message, sizeof message, "file name %s is longer than %d characters, cut", name,
                 int(sizeof entry->fileName) - 1);
        snprintf(console, sizeof console, "//Texture list %s: %s", listPath, message);
        ReportContentProblem(listPath, lineNumber, message, console);
    }
    CopyBounded(entry->fileName, sizeof entry->fileName, name);
    return 1;
}

void LoadTextures(const char* listPath)
{
    FILE* list = OpenContentFile(listPath, kContentText);
    if (!list) return;
    if (baseTexture.next) FreeTextureList();
    texturePtr = &baseTexture;
    ReadListLines(list, listPath, "Texture list", 1, LoadListedTexture, (void*)listPath);
    fclose(list);
}

GLuint GetTextureByName(char* name)
{
    FixPathString(name);
    for (textureFile* entry = baseTexture.next; entry; entry = entry->next)
        if (VXR_EqualString(entry->fileName, name)) return entry->glName;
    return 0;
}

void FixPathString(char* path)
{
    for (; *path; ++path)
        if (*path == '/' || *path == ':') *path = kDirectoryDevider;
}

int ReadBoundedLine(FILE* file, char* buffer, size_t size, int joinCRLF, int* wasCut, std::string* whole)
{
    if (whole) whole->clear();
    size_t stored = 0;
    int cut = 0;
    int result = 0;
    for (;;)
    {
        int c = fgetc(file);
        if (c == EOF)
        {
            result = -1;
            break;
        }
        if (c == '\r' || c == '\n')
        {
            if (c == '\r' && joinCRLF)
            {
                int following = fgetc(file);
                if (following != '\n' && following != EOF) ungetc(following, file);
            }
            break;
        }
        if (whole) *whole += char(c);
        if (stored + 1 < size)
            buffer[stored++] = char(c);
        else
            cut = 1;
    }
    if (size > 0) buffer[stored] = 0;
    if (wasCut) *wasCut = cut;
    return result;
}

void ReadListLines(FILE* list, const char* listPath, const char* kind, int emptyLineEnds,
                   listLineProc eachLine, void* context)
{
    char line[kMaxLineLength + 1];
    int lineNumber = 0;
    int atEnd = 0;
    while (!atEnd)
    {
        int wasCut = 0;
        atEnd = ReadBoundedLine(list, line, sizeof line, 1, &wasCut) == -1;
        ++lineNumber;
        if (line[0] == 0)
        {
            if (emptyLineEnds) return;
            continue;
        }
        if (wasCut)
        {
            char message[100], console[1400];
            snprintf(message, sizeof message, "longer than %d characters, skipped", kMaxLineLength);
            snprintf(console, sizeof console, "//%s %s: line %d is %s", kind, listPath, lineNumber, message);
            ReportContentProblem(listPath, lineNumber, message, console);
            continue;
        }
        // What the line's reader refuses without knowing the file (a path leaving the data
        // folder) is reported at this line.
        const char* outerFile = gProblemFile;
        int outerLine = gProblemLine;
        gProblemFile = listPath;
        gProblemLine = lineNumber;
        int goOn = eachLine(line, lineNumber, context);
        gProblemFile = outerFile;
        gProblemLine = outerLine;
        if (!goOn) return;
    }
}

int Read1Line(FILE* file, char* buffer)
{
    return ReadBoundedLine(file, buffer, kMaxLineLength + 1, 0, nullptr);
}
