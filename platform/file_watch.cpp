// The folder watch on Linux's inotify: one non-blocking descriptor, one watch per folder, events
// read only when asked for.
#include "platform/file_watch.h"

#include "core/content_files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>

namespace
{

int gWatchFd = -1;
std::map<int, std::string> gFolderOfWatch; // watch descriptor -> folder as given
std::map<std::string, int> gWatchOfFolder;

// A file finished or put in place (editors write a new file and move it over the old one), one
// made (some tools only make and write), or one removed (said, and kept as it was).
const uint32_t kWatchedEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_ONLYDIR;

} // namespace

int PLT_FileWatchOpen()
{
    if (gWatchFd >= 0) return 1;
    gWatchFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return gWatchFd >= 0;
}

void PLT_FileWatchClose()
{
    if (gWatchFd >= 0) close(gWatchFd);
    gWatchFd = -1;
    gFolderOfWatch.clear();
    gWatchOfFolder.clear();
}

int PLT_FileWatchIsOpen()
{
    return gWatchFd >= 0;
}

int PLT_FileWatchFolder(const char* folder)
{
    if (gWatchFd < 0 || !folder) return 0;
    if (gWatchOfFolder.count(folder)) return 1;
    if ((int)gWatchOfFolder.size() >= kPltMaxWatchedFolders) return 0;
    // The folder as the content rules resolve it; the watch is put on that very folder through
    // its descriptor, so no link in the path can move it.
    int fd = OpenContentFolder(folder, nullptr, 0);
    if (fd < 0) return 0;
    char self[64];
    snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    int watch = inotify_add_watch(gWatchFd, self, kWatchedEvents);
    close(fd);
    if (watch < 0) return 0;
    gFolderOfWatch[watch] = folder;
    gWatchOfFolder[folder] = watch;
    return 1;
}

int PLT_FileWatchTake(void (*changed)(const char* path, void* context), void* context)
{
    if (gWatchFd < 0) return 0;
    int count = 0;
    alignas(inotify_event) char buffer[16384];
    for (;;)
    {
        ssize_t got = read(gWatchFd, buffer, sizeof buffer);
        if (got <= 0) break; // EAGAIN: nothing more now
        for (char* p = buffer; p < buffer + got;)
        {
            const inotify_event* e = reinterpret_cast<const inotify_event*>(p);
            p += sizeof(inotify_event) + e->len;
            if (e->mask & IN_IGNORED)
            {
                // The folder went away: it can be watched again when it is back.
                auto found = gFolderOfWatch.find(e->wd);
                if (found != gFolderOfWatch.end())
                {
                    gWatchOfFolder.erase(found->second);
                    gFolderOfWatch.erase(found);
                }
                continue;
            }
            if (!e->len || (e->mask & IN_ISDIR)) continue;
            auto found = gFolderOfWatch.find(e->wd);
            if (found == gFolderOfWatch.end()) continue;
            std::string path = found->second + e->name;
            changed(path.c_str(), context);
            count++;
        }
    }
    return count;
}
