// The program's entry: reads the command line and hands over to the start-up.
#include "app/options.h"
#include "app/startup.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

// 1 when folder holds a game: its start-up script.
static int HoldsAGame(const char* folder)
{
    char path[PATH_MAX + 32];
    snprintf(path, sizeof path, "%s/Data/game script", folder);
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

// The demo an install put beside the program: share/kesrow next to the bin folder the program
// runs from (so an install anywhere, or a package's files copied elsewhere, still finds it), else
// the one under the install prefix the build was made for. 0 when neither holds a game.
static int FindInstalledData(char* out, size_t size)
{
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0)
    {
        exe[n] = 0;
        char* slash = strrchr(exe, '/');
        if (slash) *slash = 0;
        char beside[PATH_MAX + 64];
        snprintf(beside, sizeof beside, "%s/%s", exe, KESROW_DATA_FROM_BIN);
        if (HoldsAGame(beside) && (size_t)snprintf(out, size, "%s", beside) < size) return 1;
    }
    return HoldsAGame(KESROW_INSTALLED_DATA) && (size_t)snprintf(out, size, "%s", KESROW_INSTALLED_DATA) < size;
}

int main(int argc, char** argv)
{
    KesrowOptions options;
    char err[512];
    switch (ParseOptions(argc, argv, &options, err, sizeof err))
    {
    case kOptionsHelp:
        fputs(UsageText(), stdout);
        return 0;
    case kOptionsVersion:
        printf("kesrow %s\n", KESROW_VERSION);
        return 0;
    case kOptionsError:
        fprintf(stderr, "kesrow: %s\n%s", err, UsageText());
        return 2;
    default:
        // Started from a menu or a shell anywhere: without a game here, play the installed one.
        if (!options.dataDir[0] && !HoldsAGame(".")) FindInstalledData(options.dataDir, sizeof options.dataDir);
        return KesrowMain(&options);
    }
}
