// Crash-safe file replacement: exclusive temporary, flush, fsync, rename, folder fsync; and the
// journal that makes several files of one folder change as one.
#include "core/safe_write.h"

#include "core/content_files.h"
#include "core/output.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static const char kTemporarySuffix[] = ".saving";

// "<name>.saving" into out.
static void TemporaryName(const char* name, char* out, size_t size)
{
    snprintf(out, size, "%s%s", name, kTemporarySuffix);
}

static void CloseFolder(safeWrite* w)
{
    if (w->folder >= 0) close(w->folder);
    w->folder = -1;
}

static void RemoveTemporary(safeWrite* w)
{
    char temporary[300];
    TemporaryName(w->name, temporary, sizeof temporary);
    if (w->folder >= 0) unlinkat(w->folder, temporary, 0);
}

int BeginSafeWrite(safeWrite* w, const char* path)
{
    if (!w) return 0;
    w->file = nullptr;
    w->folder = -1;
    w->path[0] = w->temporary[0] = w->name[0] = 0;
    if (!path || !path[0]) return 0;
    int length = snprintf(w->path, sizeof w->path, "%s", path);
    if (length < 0 || length >= (int)sizeof w->path)
    {
        OutputToConsoleF("//Could not save %.200s...: the path is too long", path);
        return 0;
    }
    snprintf(w->temporary, sizeof w->temporary, "%s%s", w->path, kTemporarySuffix);
    const char* slash = strrchr(w->path, '/');
    const char* name = slash ? slash + 1 : w->path;
    if (!name[0] || !strcmp(name, ".") || !strcmp(name, "..") ||
        strlen(name) + sizeof kTemporarySuffix > sizeof w->name)
    {
        OutputToConsoleF("//Could not save %s: it names no file that can be written; the old file is kept",
                         w->path);
        return 0;
    }
    snprintf(w->name, sizeof w->name, "%s", name);
    char folder[sizeof w->path];
    snprintf(folder, sizeof folder, "%.*s", slash ? (int)(slash - w->path + 1) : 0, w->path);
    char why[200];
    w->folder = OpenContentFolder(folder, why, sizeof why);
    if (w->folder < 0)
    {
        OutputToConsoleF("//Could not save %s: %s; the old file is kept", w->path, why);
        return 0;
    }
    char temporary[300];
    TemporaryName(w->name, temporary, sizeof temporary);
    // What a save that died left at the temporary's name, or a link planted there, goes first; the
    // temporary is then created new, and never through a name that is there.
    unlinkat(w->folder, temporary, 0);
    int fd = openat(w->folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) w->file = fdopen(fd, "w");
    if (!w->file)
    {
        int error = errno;
        if (fd >= 0)
        {
            close(fd);
            unlinkat(w->folder, temporary, 0);
        }
        CloseFolder(w);
        OutputToConsoleF("//Could not save %s: cannot create %s (%s); the old file is kept", w->path,
                         w->temporary, strerror(error));
        return 0;
    }
    return 1;
}

int SealSafeWrite(safeWrite* w, int ok)
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
    if (!failure) return 1;
    RemoveTemporary(w);
    CloseFolder(w);
    if (error)
        OutputToConsoleF("//Could not save %s: %s (%s); the old file is kept", w->path, failure,
                         strerror(error));
    else
        OutputToConsoleF("//Could not save %s: %s; the old file is kept", w->path, failure);
    return 0;
}

void AbandonSafeWrite(safeWrite* w)
{
    if (!w) return;
    if (w->file)
    {
        fclose(w->file);
        w->file = nullptr;
    }
    RemoveTemporary(w);
    CloseFolder(w);
}

void (*gContentWrittenHook)(const char* path) = nullptr;

// Renames w's temporary over its target. 0 with errno set when it fails.
static int PutInPlace(safeWrite* w)
{
    char temporary[300];
    TemporaryName(w->name, temporary, sizeof temporary);
    if (renameat(w->folder, temporary, w->folder, w->name) != 0) return 0;
    if (gContentWrittenHook) gContentWrittenHook(w->path);
    return 1;
}

int EndSafeWrite(safeWrite* w, int ok)
{
    if (!SealSafeWrite(w, ok)) return 0;
    if (!PutInPlace(w))
    {
        int error = errno;
        RemoveTemporary(w);
        CloseFolder(w);
        OutputToConsoleF("//Could not save %s: cannot replace the file (%s); the old file is kept", w->path,
                         strerror(error));
        return 0;
    }
    // The rename is only durable once the folder entry itself has reached the disk.
    fsync(w->folder);
    CloseFolder(w);
    return 1;
}

int SafeWriteText(const char* path, const char* text)
{
    safeWrite w;
    if (!BeginSafeWrite(&w, path)) return 0;
    int ok = fputs(text ? text : "", w.file) >= 0;
    return EndSafeWrite(&w, ok);
}

// Writes the journal of a commit into the folder fd: whole and durable, or not there at all.
static int WriteJournal(int folder, const char* journal, safeWrite* writes, int count)
{
    char temporary[300];
    TemporaryName(journal, temporary, sizeof temporary);
    unlinkat(folder, temporary, 0);
    int fd = openat(folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return 0;
    FILE* f = fdopen(fd, "w");
    if (!f)
    {
        close(fd);
        unlinkat(folder, temporary, 0);
        return 0;
    }
    int ok = fprintf(f,
                     "A save of this folder was under way. Its files, complete as NAME%s, are put in place "
                     "when the game next loads the folder:\n",
                     kTemporarySuffix) >= 0;
    for (int i = 0; i < count && ok; i++)
        ok = fprintf(f, "%s\n", writes[i].name) >= 0;
    ok = ok && fflush(f) == 0 && fsync(fileno(f)) == 0;
    ok = (fclose(f) == 0) && ok;
    ok = ok && renameat(folder, temporary, folder, journal) == 0;
    if (!ok)
    {
        unlinkat(folder, temporary, 0);
        return 0;
    }
    fsync(folder);
    return 1;
}

int CommitSafeWrites(safeWrite* writes, int count, const char* journal)
{
    if (count <= 0) return 0;
    int folder = writes[0].folder;
    const char* refusal = nullptr;
    for (int i = 0; i < count && !refusal; i++)
    {
        struct stat info;
        if (writes[i].folder < 0 || writes[i].file)
            refusal = "a file of it was not written";
        else if (fstatat(folder, writes[i].name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode))
            refusal = "a folder stands in the place of one of its files";
    }
    if (!refusal && !WriteJournal(folder, journal, writes, count))
        refusal = "its journal could not be written";
    if (refusal)
    {
        OutputToConsoleF("//Could not save %.*s: %s; the old files are kept",
                         (int)(strlen(writes[0].path) - strlen(writes[0].name)), writes[0].path, refusal);
        for (int i = 0; i < count; i++)
            AbandonSafeWrite(&writes[i]);
        return 0;
    }
    // From here on the save has happened: what a kill interrupts, the next load finishes.
    int placed = 0;
    for (int i = 0; i < count; i++)
    {
        if (PutInPlace(&writes[i]))
            placed++;
        else
            OutputToConsoleF("//Could not put %s in place yet (%s); the next load of the folder does",
                             writes[i].path, strerror(errno));
    }
    fsync(folder);
    // A rename that failed is retried from the journal, so the journal stays for it.
    if (placed == count)
    {
        unlinkat(folder, journal, 0);
        fsync(folder);
    }
    for (int i = 0; i < count; i++)
        CloseFolder(&writes[i]);
    return placed == count;
}

int SettleInterruptedSave(const char* folder, const char* const* names, int count, const char* journal)
{
    int dir = OpenContentFolder(folder, nullptr, 0);
    if (dir < 0) return 0;
    struct stat info;
    const int committed = fstatat(dir, journal, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode);
    int acted = 0;
    char temporary[300];
    for (int i = 0; i < count; i++)
    {
        TemporaryName(names[i], temporary, sizeof temporary);
        if (fstatat(dir, temporary, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        // Only a regular file can be one of ours; a link or anything else at the name is removed.
        if (committed && S_ISREG(info.st_mode))
            acted |= renameat(dir, temporary, dir, names[i]) == 0;
        else
            acted |= unlinkat(dir, temporary, 0) == 0;
    }
    TemporaryName(journal, temporary, sizeof temporary);
    acted |= unlinkat(dir, temporary, 0) == 0;
    if (acted || committed) fsync(dir);
    if (committed)
    {
        unlinkat(dir, journal, 0);
        fsync(dir);
    }
    close(dir);
    return committed ? 1 : acted ? 2 : 0;
}
