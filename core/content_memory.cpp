// Owns the content memory budget: one count of what decoded pictures and samples hold.
#include "core/content_memory.h"

#include "core/problems.h"

#include <cstdio>

long long gContentMemoryLimit = kDefaultContentMemory;
void (*gContentMemoryNoteHook)(const char* path, long long bytes) = nullptr;

static long long gContentMemoryInUse = 0;

long long ContentMemoryInUse()
{
    return gContentMemoryInUse;
}

static double Megabytes(long long bytes)
{
    return bytes / 1048576.0;
}

int ReserveContentMemory(long long bytes, const char* path, const char* what)
{
    if (bytes <= 0) return 1;
    if (bytes <= gContentMemoryLimit - gContentMemoryInUse)
    {
        gContentMemoryInUse += bytes;
        return 1;
    }
    char message[300], console[1500];
    snprintf(message, sizeof message,
             "its %s needs %.1f MB, over what is left of the content memory (%.1f of %.0f MB; "
             "--content-memory raises it)",
             what ? what : "content", Megabytes(bytes), Megabytes(gContentMemoryLimit - gContentMemoryInUse),
             Megabytes(gContentMemoryLimit));
    snprintf(console, sizeof console, "//Could not load %.1100s: %s", path ? path : "", message);
    ReportContentProblem(path, 0, message, console);
    return 0;
}

void ReleaseContentMemory(long long bytes)
{
    if (bytes <= 0) return;
    gContentMemoryInUse -= bytes;
    if (gContentMemoryInUse < 0) gContentMemoryInUse = 0;
}

long long TextureMemoryBytes(long long width, long long height)
{
    long long level0 = width * height * 8;
    return level0 + level0 / 3;
}

void NoteContentMemory(const char* path, long long bytes)
{
    if (gContentMemoryNoteHook) gContentMemoryNoteHook(path, bytes);
}
