// Crash-safe file replacement: temporary file, flush, fsync, rename, folder fsync.
#include "core/safe_write.h"

#include "core/output.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

static const char kTemporarySuffix[] = ".saving";

int BeginSafeWrite(safeWrite* w, const char* path)
{
    if (!w) return 0;
    w->file = nullptr;
    w->path[0] = w->temporary[0] = 0;
    if (!path || !path[0]) return 0;
    int length = snprintf(w->path, sizeof w->path, "%s", path);
    if (length < 0 || length >= (int)sizeof w->path)
    {
        OutputToConsoleF("//Could not save %.200s...: the path is too long", path);
        return 0;
    }
    snprintf(w->temporary, sizeof w->temporary, "%s%s", w->path, kTemporarySuffix);
    w->file = fopen(w->temporary, "w");
    if (!w->file)
    {
        OutputToConsoleF("//Could not save %s: cannot create %s (%s); the old file is kept", w->path,
                         w->temporary, strerror(errno));
        return 0;
    }
    return 1;
}

// The rename is only durable once the folder entry itself has reached the disk.
static void SyncFolderOf(const char* path)
{
    char folder[1100];
    snprintf(folder, sizeof folder, "%s", path);
    char* slash = strrchr(folder, '/');
    if (slash)
        slash[1] = 0;
    else
        snprintf(folder, sizeof folder, ".");
    int fd = open(folder, O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

int EndSafeWrite(safeWrite* w, int ok)
{
    if (!w || !w->file) return 0;
    FILE* f = w->file;
    w->file = nullptr;
    const char* failure = ok ? nullptr : "the content could not be written";
    int error = 0;
    if (!failure && (fflush(f) != 0 || ferror(f)))
    {
        error = errno;
        failure = "write error";
    }
    if (!failure && fsync(fileno(f)) != 0)
    {
        error = errno;
        failure = "sync error";
    }
    if (fclose(f) != 0 && !failure)
    {
        error = errno;
        failure = "write error";
    }
    if (!failure && rename(w->temporary, w->path) != 0)
    {
        error = errno;
        failure = "cannot replace the file";
    }
    if (failure)
    {
        remove(w->temporary);
        if (error)
            OutputToConsoleF("//Could not save %s: %s (%s); the old file is kept", w->path, failure,
                             strerror(error));
        else
            OutputToConsoleF("//Could not save %s: %s; the old file is kept", w->path, failure);
        return 0;
    }
    SyncFolderOf(w->path);
    return 1;
}

int SafeWriteText(const char* path, const char* text)
{
    safeWrite w;
    if (!BeginSafeWrite(&w, path)) return 0;
    int ok = fputs(text ? text : "", w.file) >= 0;
    return EndSafeWrite(&w, ok);
}
