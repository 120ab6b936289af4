// Owns the data folder prefix and the one way content is opened: resolved beneath the data
// folder, regular files only, each kind within its size. Nothing here decides what a file means.
#include "core/content_files.h"

#include "core/output.h"
#include "core/problems.h"

#include <cerrno>
#include <cstdarg>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <set>
#include <string>

char routePath[1024] = "";
int gContentResolveByPath = 0;

static char gLastRefusal[200] = "";

long long ContentSizeLimit(int kind)
{
    switch (kind)
    {
    case kContentPicture:
    case kContentSound:
        return 256LL << 20;
    default:
        return 16LL << 20;
    }
}

const char* LastContentRefusal()
{
    return gLastRefusal;
}

namespace
{

const char* KindName(int kind)
{
    switch (kind)
    {
    case kContentPicture:
        return "a picture";
    case kContentSound:
        return "a sound file";
    default:
        return "a level, list, script, model or pose file";
    }
}

// The data folder path is in and the part of path beneath it ("" for the folder itself). 0 when
// path does not lie in the data folder, lexically: it is then no content path.
int SplitContentPath(const char* path, const char** root, const char** rest)
{
    size_t n = strnlen(routePath, sizeof routePath - 1);
    if (n == 0)
    {
        if (path[0] == '/') return 0;
        *root = ".";
        *rest = path;
        return 1;
    }
    if (strncmp(path, routePath, n) != 0) return 0;
    // "/data/x" is not inside "/data/xy/".
    if (routePath[n - 1] != '/' && path[n] != '/' && path[n] != 0) return 0;
    const char* r = path + n;
    while (*r == '/')
        r++;
    *root = routePath;
    *rest = r;
    return 1;
}

// 1 while openat2 is there to use; asked once.
int CanOpenBeneath()
{
    static int known = -1;
    if (known < 0)
    {
        open_how how;
        memset(&how, 0, sizeof how);
        how.flags = O_PATH | O_CLOEXEC;
        how.resolve = RESOLVE_BENEATH;
        long fd = syscall(SYS_openat2, AT_FDCWD, ".", &how, sizeof how);
        known = fd >= 0;
        if (fd >= 0) close((int)fd);
        if (!known) gContentResolveByPath = 1;
    }
    return known && !gContentResolveByPath;
}

int OpenBeneath(const char* root, const char* rest, int flags)
{
    int rootFd = open(root, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0) return -1;
    open_how how;
    memset(&how, 0, sizeof how);
    how.flags = (unsigned)flags;
    // A mount point inside the data folder is not crossed either: a bind mount would lead out
    // as surely as a link.
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;
    long fd = syscall(SYS_openat2, rootFd, rest[0] ? rest : ".", &how, sizeof how);
    int error = errno;
    close(rootFd);
    errno = error;
    return (int)fd;
}

// real lies in the folder realRoot (both resolved, absolute).
int LiesIn(const char* real, const char* realRoot)
{
    size_t n = strlen(realRoot);
    if (n == 1 && realRoot[0] == '/') return 1;
    return strncmp(real, realRoot, n) == 0 && (real[n] == 0 || real[n] == '/');
}

// Without openat2: open as given, then ask where the descriptor really is.
int OpenCheckingResolvedPath(const char* path, const char* root, int flags)
{
    char realRoot[PATH_MAX];
    if (!realpath(root, realRoot)) return -1;
    int fd = open(path, flags);
    if (fd < 0) return -1;
    char real[PATH_MAX], link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, real, sizeof real - 1);
    if (n >= 0)
        real[n] = 0;
    else if (!realpath(path, real))
        real[0] = 0;
    if (!real[0] || !LiesIn(real, realRoot))
    {
        close(fd);
        errno = EXDEV;
        return -1;
    }
    return fd;
}

int OpenAnyPath(const char* path, int flags)
{
    const char *root, *rest;
    if (!SplitContentPath(path, &root, &rest)) return open(path, flags);
    if (CanOpenBeneath()) return OpenBeneath(root, rest, flags);
    return OpenCheckingResolvedPath(path, root, flags);
}

const char* FileTypeName(mode_t mode)
{
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "a special file";
}

void Refuse(const char* path, const char* format, ...) __attribute__((format(printf, 2, 3)));

void Refuse(const char* path, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vsnprintf(gLastRefusal, sizeof gLastRefusal, format, args);
    va_end(args);
    // Readers look before they open: a path is refused aloud once in a report period.
    static std::set<std::string> said;
    static unsigned saidInPeriod = 0;
    if (saidInPeriod != ConsolePeriodNumber() || said.size() > 1000)
    {
        said.clear();
        saidInPeriod = ConsolePeriodNumber();
    }
    if (!said.insert(std::string(path) + '\n' + gLastRefusal).second) return;
    char console[1400];
    snprintf(console, sizeof console, "//Could not read %.1100s: %s", path, gLastRefusal);
    ReportContentProblem(path, 0, gLastRefusal, console);
}

// Opens path and says what it is; *fd is left open for a file or a folder, else -1.
int Resolve(const char* path, int kind, int* fd)
{
    gLastRefusal[0] = 0;
    *fd = -1;
    if (!path || !path[0]) return kContentMissing;
    // Non-blocking, so that a FIFO opens at once instead of waiting for a writer; no terminal
    // can become the game's.
    int opened = OpenAnyPath(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (opened < 0)
    {
        if (errno == EXDEV)
            Refuse(path, "it leads outside the data folder (through a link, \"..\" or a mount point)");
        else if (errno == ELOOP)
            Refuse(path, "it leads through a loop of links or a link the data folder cannot hold");
        else if (errno == ENXIO)
            Refuse(path, "it is a socket, not a regular file");
        else
            return kContentMissing;
        return kContentRefused;
    }
    struct stat info;
    if (fstat(opened, &info) != 0)
    {
        close(opened);
        return kContentMissing;
    }
    if (S_ISDIR(info.st_mode))
    {
        *fd = opened;
        return kContentFolder;
    }
    if (!S_ISREG(info.st_mode))
    {
        close(opened);
        Refuse(path, "it is %s, not a regular file", FileTypeName(info.st_mode));
        return kContentRefused;
    }
    long long limit = ContentSizeLimit(kind);
    if ((long long)info.st_size > limit)
    {
        close(opened);
        Refuse(path, "it is %.1f MB, over the %lld MB %s may have", info.st_size / 1048576.0, limit >> 20,
               KindName(kind));
        return kContentRefused;
    }
    *fd = opened;
    return kContentFile;
}

} // namespace

void (*gContentLookedAtHook)(const char* path) = nullptr;

int OpenContentFd(const char* path, int kind)
{
    if (gContentLookedAtHook && path) gContentLookedAtHook(path);
    int fd;
    int state = Resolve(path, kind, &fd);
    if (state != kContentFile)
    {
        if (fd >= 0) close(fd);
        return -1;
    }
    // Reads of a regular file never wait anyway; the flag only mattered for the open.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

FILE* OpenContentFile(const char* path, int kind)
{
    int fd = OpenContentFd(path, kind);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, "rb");
    if (!file) close(fd);
    return file;
}

int ContentPathState(const char* path, int kind)
{
    if (gContentLookedAtHook && path) gContentLookedAtHook(path);
    int fd;
    int state = Resolve(path, kind, &fd);
    if (fd >= 0) close(fd);
    return state;
}

int ContentFileExists(const char* path, int kind)
{
    return ContentPathState(path, kind) == kContentFile;
}

int OpenContentFolder(const char* folder, char* why, int whySize)
{
    if (why && whySize > 0) why[0] = 0;
    const char* name = folder && folder[0] ? folder : ".";
    int fd = OpenAnyPath(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) return fd;
    if (why && whySize > 0)
    {
        if (errno == EXDEV)
            snprintf(why, whySize, "the folder leads outside the data folder");
        else
            snprintf(why, whySize, "the folder cannot be opened (%s)", strerror(errno));
    }
    return -1;
}

int ContentNameTaken(const char* path)
{
    struct stat info;
    return path && path[0] && lstat(path, &info) == 0;
}
