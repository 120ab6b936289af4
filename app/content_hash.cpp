// Walking the data folder for its fingerprint: names sorted in each folder, every file read
// through once, nothing followed out of the folder.
#include "app/content_hash.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

struct walk
{
    uint64_t hash = 1469598103934665603ull; // FNV-1a 64
    int32_t files = 0;
    int entries = 0;
    dev_t skipDev = 0;
    ino_t skipIno = 0;
    bool skipping = false;

    void Add(const void* data, size_t n)
    {
        const unsigned char* p = (const unsigned char*)data;
        for (size_t i = 0; i < n; i++)
            hash = (hash ^ p[i]) * 1099511628211ull;
    }
    void AddText(const std::string& text) { Add(text.c_str(), text.size() + 1); }
};

bool LeftOut(const char* name)
{
    if (name[0] == '.') return true;
    const size_t n = strlen(name);
    if (n > 7 && !strcmp(name + n - 7, ".saving")) return true;
    if (strncmp(name, "keyframe", 8) != 0 || !name[8]) return false;
    for (const char* c = name + 8; *c; c++)
        if ((*c < '0' || *c > '9') && !(c == name + 8 && *c == '-')) return false;
    return true;
}

// The CRC-32 of a regular file's bytes and its size; false when it is not one or cannot be read.
bool HashFile(const std::string& path, uint32_t* crc, uint64_t* size)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    uLong sum = crc32(0L, Z_NULL, 0);
    *size = 0;
    static unsigned char buffer[65536];
    while (ok)
    {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0) ok = false;
        if (got <= 0) break;
        sum = crc32(sum, buffer, (uInt)got);
        *size += (uint64_t)got;
    }
    close(fd);
    *crc = (uint32_t)sum;
    return ok;
}

void Walk(walk* w, const std::string& folder, const std::string& relative, int depth)
{
    if (depth > kContentHashDepth) return;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* e = readdir(dir))
        if (!LeftOut(e->d_name)) names.push_back(e->d_name);
    closedir(dir);
    // The order a folder lists its entries in is the file system's; the content's is by name.
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
    {
        if (++w->entries > kContentHashFiles) return;
        const std::string path = folder + "/" + name, rel = relative.empty() ? name : relative + "/" + name;
        struct stat info;
        if (lstat(path.c_str(), &info) != 0) continue;
        if (w->skipping && info.st_dev == w->skipDev && info.st_ino == w->skipIno) continue;
        if (S_ISDIR(info.st_mode))
        {
            w->Add("D", 1);
            w->AddText(rel);
            Walk(w, path, rel, depth + 1);
        }
        else if (S_ISLNK(info.st_mode))
        {
            char target[4096];
            const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
            target[n > 0 ? n : 0] = 0;
            w->Add("L", 1);
            w->AddText(rel);
            w->AddText(target);
        }
        else if (S_ISREG(info.st_mode))
        {
            uint32_t crc = 0;
            uint64_t size = 0;
            if (!HashFile(path, &crc, &size)) continue;
            w->Add("F", 1);
            w->AddText(rel);
            w->Add(&size, sizeof size);
            w->Add(&crc, sizeof crc);
            w->files++;
        }
    }
}

} // namespace

contentHash HashDataFolder(const char* folder, const char* skipPath)
{
    walk w;
    struct stat skip;
    if (skipPath && skipPath[0] && stat(skipPath, &skip) == 0)
    {
        w.skipping = true;
        w.skipDev = skip.st_dev;
        w.skipIno = skip.st_ino;
    }
    Walk(&w, folder && folder[0] ? folder : ".", "", 0);
    return {w.hash, w.files};
}
