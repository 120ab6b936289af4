// "Save as": a new level folder made from the loaded level. Every file is read by the content
// rules (beneath the data folder, regular files within their size) and written by safe writes
// into folders resolved beneath the data folder, so no name or link leads the copy elsewhere.
#include "world/level_copy.h"

#include "core/content_files.h"
#include "core/output.h"
#include "core/safe_write.h"
#include "world/level.h"
#include "world/level_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

int LevelNameIsUsable(const char* name, char* why, int whySize)
{
    const size_t length = name ? strlen(name) : 0;
    if (length == 0)
    {
        snprintf(why, whySize, "the level needs a name");
        return 0;
    }
    if (length > (size_t)kLevelNameMax)
    {
        snprintf(why, whySize, "the name is longer than %d characters", kLevelNameMax);
        return 0;
    }
    if (name[0] == '.' || name[0] == ' ')
    {
        snprintf(why, whySize, "the name starts with '%c'", name[0]);
        return 0;
    }
    for (const char* p = name; *p; p++)
    {
        const unsigned char c = (unsigned char)*p;
        const bool fits = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == ' ' || c == '-' || c == '_' || c == '.';
        if (!fits)
        {
            // A separator would make it a path, and a path can lead out of Levels/.
            snprintf(why, whySize,
                     "the name holds '%c' (0x%02X): a level name is letters, digits, blanks, '-', '_' and '.'",
                     c >= 32 && c < 127 ? c : '?', c);
            return 0;
        }
    }
    return 1;
}

namespace
{

// The whole content of a content file; 0 (reported by the opener when refused) when it cannot be read.
int ReadContent(const std::string& path, int kind, std::string* text)
{
    int fd = OpenContentFd(path.c_str(), kind);
    if (fd < 0) return 0;
    text->clear();
    char chunk[65536];
    ssize_t got;
    while ((got = read(fd, chunk, sizeof chunk)) > 0)
        text->append(chunk, (size_t)got);
    close(fd);
    return got == 0;
}

int WriteContent(const std::string& path, const std::string& text)
{
    safeWrite w;
    if (!BeginSafeWrite(&w, path.c_str())) return 0;
    int ok = fwrite(text.data(), 1, text.size(), w.file) == text.size();
    return EndSafeWrite(&w, ok);
}

bool IsPicture(const std::string& name)
{
    const size_t n = name.size();
    return n > 4 && (!strcasecmp(name.c_str() + n - 4, ".png") || !strcasecmp(name.c_str() + n - 4, ".bmp"));
}

// Makes folder (ending with the separator) beneath the data folder; 1 when it is a folder now.
int MakeFolder(const std::string& folder)
{
    std::string path = folder.substr(0, folder.size() - 1);
    const size_t slash = path.rfind('/');
    std::string parent = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char why[200];
    int fd = OpenContentFolder(parent.c_str(), why, sizeof why);
    if (fd < 0)
    {
        OutputToConsoleF("//Save as: could not make %s: %s", folder.c_str(), why);
        return 0;
    }
    int made = mkdirat(fd, name.c_str(), 0777) == 0 || errno == EEXIST;
    int error = errno;
    close(fd);
    if (made && ContentPathState(folder.c_str(), kContentText) == kContentFolder) return 1;
    OutputToConsoleF("//Save as: could not make the folder %s (%s)", folder.c_str(),
                     made ? "a file or a link is in its place" : strerror(error));
    return 0;
}

// Copies every file of the folder from (ending with the separator) into to, subfolders too (a
// few deep). 0 with a console line when one cannot be copied.
int CopyFolder(const std::string& from, const std::string& to, int depth)
{
    if (!MakeFolder(to)) return 0;
    int fd = OpenContentFolder(from.c_str(), nullptr, 0);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir)
    {
        if (fd >= 0) close(fd);
        OutputToConsoleF("//Save as: could not read the folder %s", from.c_str());
        return 0;
    }
    std::vector<std::string> names;
    while (dirent* e = readdir(dir))
        if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names.push_back(e->d_name);
    closedir(dir);
    for (const std::string& name : names)
    {
        const std::string source = from + name;
        // What an interrupted save left is no file of the level.
        if (name.size() > 7 && name.compare(name.size() - 7, 7, ".saving") == 0) continue;
        const int kind = IsPicture(name) ? kContentPicture : kContentText;
        const int state = ContentPathState(source.c_str(), kind);
        if (state == kContentFolder)
        {
            if (depth < 4 && !CopyFolder(source + "/", to + name + "/", depth + 1)) return 0;
            continue;
        }
        std::string text;
        if (state != kContentFile || !ReadContent(source, kind, &text))
        {
            OutputToConsoleF("//Save as: %s could not be read, so the new level would lack it", source.c_str());
            return 0;
        }
        if (!WriteContent(to + name, text)) return 0;
    }
    return 1;
}

// The texture list with the lines that name pictures in oldModels (data-relative, ending with
// the separator) naming them in newModels instead; line ends kept.
std::string RenamedTextureList(const std::string& list, const std::string& oldModels, const std::string& newModels)
{
    std::string out;
    size_t start = 0;
    while (start < list.size())
    {
        size_t end = list.find_first_of("\r\n", start);
        if (end == std::string::npos) end = list.size();
        std::string line = list.substr(start, end - start);
        std::string fixed = line;
        for (char& c : fixed)
            if (c == ':') c = '/';
        if (fixed.compare(0, oldModels.size(), oldModels) == 0) line = newModels + fixed.substr(oldModels.size());
        out += line;
        size_t next = end;
        while (next < list.size() && (list[next] == '\r' || list[next] == '\n') && next - end < 2)
        {
            out += list[next];
            if (list[next++] == '\n') break;
        }
        start = next;
    }
    return out;
}

} // namespace

int SaveLevelAs(const char* name, int replace)
{
    char why[200];
    if (!LevelNameIsUsable(name, why, sizeof why))
    {
        OutputToConsoleF("//Save as \"%s\": %s; nothing was written", name ? name : "", why);
        return 0;
    }
    if (!currentLevelFolder[0])
    {
        OutputToConsole("//Save as: no level is loaded; nothing was written");
        return 0;
    }
    if (gLevelLoadFailed || gUnreadLevelFiles)
    {
        OutputToConsoleF("//Save as: the level %s did not load whole (see the lines of its load); nothing was "
                         "written",
                         currentLevelFolder);
        return 0;
    }
    const std::string folder = std::string(routePath) + "Levels/" + name + "/";
    if (folder == currentLevelFolder) return SaveCurrentLevel();
    const std::string bare = folder.substr(0, folder.size() - 1);
    if (ContentNameTaken(bare.c_str()))
    {
        if (ContentPathState(folder.c_str(), kContentText) != kContentFolder)
        {
            OutputToConsoleF("//Save as: %s is there and is no level folder; nothing was written", bare.c_str());
            return 0;
        }
        if (!replace)
        {
            OutputToConsoleF("//Save as: the level Levels/%s is there already; saveAs \"%s\",replace writes this "
                             "level over it",
                             name, name);
            return 0;
        }
    }
    if (!MakeFolder(std::string(routePath) + "Levels/") || !MakeFolder(folder)) return 0;

    const std::string from = currentLevelFolder;
    const std::string fromRelative = from.substr(strlen(routePath));
    const std::string toRelative = folder.substr(strlen(routePath));
    if (ContentPathState((from + "Models").c_str(), kContentText) == kContentFolder &&
        !CopyFolder(from + "Models/", folder + "Models/", 0))
    {
        OutputToConsoleF("//Save as: %s is not complete; the current level is still %s", folder.c_str(),
                         from.c_str());
        return 0;
    }
    std::string text;
    if (ContentFileExists((from + "load script").c_str(), kContentText) &&
        (!ReadContent(from + "load script", kContentText, &text) || !WriteContent(folder + "load script", text)))
        return 0;
    if (ContentFileExists((from + "tex").c_str(), kContentText) &&
        (!ReadContent(from + "tex", kContentText, &text) ||
         !WriteContent(folder + "tex", RenamedTextureList(text, fromRelative + "Models/", toRelative + "Models/"))))
        return 0;
    if (!SaveChangesToLevelFiles(folder.c_str()))
    {
        OutputToConsoleF("//Save as: the level files could not be written into %s; the current level is still %s",
                         folder.c_str(), from.c_str());
        return 0;
    }
    snprintf(currentLevelFolder, sizeof currentLevelFolder, "%s", folder.c_str());
    OutputToConsoleF("//Saved the level as %s: it is the current level now", toRelative.c_str());
    return 1;
}
