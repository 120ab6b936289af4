// Command-line parsing: strict, so that a mistyped option is reported instead of ignored.
#include "app/options.h"

#include "app/settings.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char* UsageText()
{
    return "usage: kesrow [--data DIR] [--windowed [WxH] | --fullscreen] [--frames N] [--fixed-step MS]\n"
           "              [--seed N] [--screenshot FILE] [--mute] [--check] [--sensitivity X]\n"
           "              [--invert-mouse | --no-invert-mouse] [--volume N] [--vsync | --no-vsync]\n"
           "              [--save-settings] [--content-memory MB] [--watch | --no-watch]\n"
           "              [--record FILE | --replay FILE]\n"
           "              [--help] [--version]\n"
           "  --data DIR         use DIR as the data folder (default: the working directory)\n"
           "  --windowed [WxH]   a window (of the size the settings keep, 1280x720 at first)\n"
           "  --fullscreen       full screen at the desktop size\n"
           "  --frames N         batch run: end after N passes with exit status 0\n"
           "  --fixed-step MS    advance the game clock by exactly MS per pass (repeatable runs)\n"
           "  --seed N           seed the random generator with N instead of the time\n"
           "  --screenshot FILE  when the run ends, write the last drawn frame to FILE as PNG\n"
           "  --mute             start without sound\n"
           "  --check            check the data folder's content, print each problem, exit 1 if any\n"
           "  --content-memory MB  memory that decoded pictures and sounds may take together (1024)\n"
           "  --watch, --no-watch  reload scripts, models, pictures, sounds and level files that\n"
           "                     change on disk while the game runs (on unless --frames is given)\n"
           "  --sensitivity X    mouse look in degrees per pixel (0.001 to 10; the default is 0.14)\n"
           "  --invert-mouse     moving the mouse forward looks down (--no-invert-mouse: up)\n"
           "  --volume N         sound volume in percent, 0 to 100\n"
           "  --vsync, --no-vsync  wait for the display's refresh or not\n"
           "  --save-settings    let a batch run (--frames) write the settings file\n"
           "  --record FILE      write everything that drives the game to FILE while playing\n"
           "  --replay FILE      play the recording FILE instead of the clock and the devices, as\n"
           "                     fast as the machine allows, and end where it ends (a batch run)\n"
           "  The window, mouse, volume and vsync options hold for this run only; the settings\n"
           "  file ($XDG_CONFIG_HOME/kesrow/settings) keeps what is changed while playing.\n"
           "  --help, --version  print this text or the version and exit\n";
}

// A whole decimal number in [lo, hi]; anything else is refused.
static int ParseInt(const char* text, long lo, long hi, long* out)
{
    if (!text || !*text) return 0;
    char* end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno || *end || v < lo || v > hi) return 0;
    *out = v;
    return 1;
}

// A replay plays what the recording holds: an option that would change the game, or a second
// recording, is refused rather than quietly overruled.
static int CheckReplayOptions(const KesrowOptions* o, char* err, int errSize)
{
    if (o->record[0] && o->check)
    {
        snprintf(err, errSize, "--record and --check do not go together: a check plays nothing");
        return kOptionsError;
    }
    // Live reload is off in a recording and in a replay: a file changed on disk is nothing the
    // recording holds, so a replay could not play it back.
    if (o->record[0] && o->watch == 1)
    {
        snprintf(err, errSize, "--record and --watch do not go together: a recording holds no changed files");
        return kOptionsError;
    }
    if (!o->replay[0]) return kOptionsRun;
    const char* clash = o->record[0]             ? "--record"
                        : o->check               ? "--check"
                        : o->fixedStep           ? "--fixed-step"
                        : o->hasSeed             ? "--seed"
                        : o->sensitivity > 0     ? "--sensitivity"
                        : o->invertMouse >= 0    ? "--invert-mouse"
                        : o->windowed            ? "--windowed"
                        : o->fullscreen          ? "--fullscreen"
                        : o->contentMemoryMB > 0 ? "--content-memory"
                        : o->watch == 1          ? "--watch"
                                                 : nullptr;
    if (!clash) return kOptionsRun;
    snprintf(err, errSize, "%s cannot be given with --replay: the recording holds what the game started from",
             clash);
    return kOptionsError;
}

int ParseOptions(int argc, char** argv, KesrowOptions* out, char* err, int errSize)
{
    memset(out, 0, sizeof *out);
    out->width = 1280;
    out->height = 720;
    out->invertMouse = out->volume = out->vsync = out->watch = -1;
    err[0] = 0;
    for (int i = 1; i < argc; i++)
    {
        const char* a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        long v = 0;
        if (!strcmp(a, "--help") || !strcmp(a, "-h")) return kOptionsHelp;
        if (!strcmp(a, "--version")) return kOptionsVersion;
        if (!strcmp(a, "--mute"))
        {
            out->mute = 1;
        }
        else if (!strcmp(a, "--check"))
        {
            out->check = 1;
        }
        else if (!strcmp(a, "--windowed"))
        {
            // The later of --windowed and --fullscreen wins.
            out->windowed = 1;
            out->fullscreen = 0;
            if (next && next[0] != '-')
            {
                if (!ParseWindowSize(next, &out->width, &out->height))
                {
                    snprintf(err, errSize, "--windowed takes a size like 1280x720, not \"%s\"", next);
                    return kOptionsError;
                }
                out->windowSizeGiven = 1;
                i++;
            }
        }
        else if (!strcmp(a, "--fullscreen"))
        {
            out->fullscreen = 1;
            out->windowed = 0;
        }
        else if (!strcmp(a, "--invert-mouse") || !strcmp(a, "--no-invert-mouse"))
        {
            out->invertMouse = a[2] == 'i';
        }
        else if (!strcmp(a, "--vsync") || !strcmp(a, "--no-vsync"))
        {
            out->vsync = a[2] == 'v';
        }
        else if (!strcmp(a, "--watch") || !strcmp(a, "--no-watch"))
        {
            out->watch = a[2] == 'w';
        }
        else if (!strcmp(a, "--save-settings"))
        {
            out->saveSettings = 1;
        }
        else if (!strcmp(a, "--sensitivity"))
        {
            char* end = nullptr;
            const double v = next ? strtod(next, &end) : 0.0;
            if (!next || end == next || *end || !(v >= kMinMouseSensitivity && v <= kMaxMouseSensitivity))
            {
                snprintf(err, errSize, "--sensitivity needs a number from %g to %g (degrees per pixel)",
                         kMinMouseSensitivity, kMaxMouseSensitivity);
                return kOptionsError;
            }
            out->sensitivity = (float)v;
            i++;
        }
        else if (!strcmp(a, "--volume"))
        {
            if (!ParseInt(next, 0, 100, &v))
            {
                snprintf(err, errSize, "--volume needs a whole number from 0 to 100");
                return kOptionsError;
            }
            out->volume = (int)v;
            i++;
        }
        else if (!strcmp(a, "--data") || !strcmp(a, "--screenshot") || !strcmp(a, "--record") ||
                 !strcmp(a, "--replay"))
        {
            if (!next || !*next)
            {
                snprintf(err, errSize, "%s needs a path", a);
                return kOptionsError;
            }
            char* dst = !strcmp(a, "--data")         ? out->dataDir
                        : !strcmp(a, "--screenshot") ? out->screenshot
                        : !strcmp(a, "--record")     ? out->record
                                                     : out->replay;
            if (strlen(next) >= sizeof out->dataDir)
            {
                snprintf(err, errSize, "%s: the path is too long", a);
                return kOptionsError;
            }
            snprintf(dst, sizeof out->dataDir, "%s", next);
            i++;
        }
        else if (!strcmp(a, "--frames") || !strcmp(a, "--fixed-step"))
        {
            int frames = !strcmp(a, "--frames");
            if (!ParseInt(next, 1, frames ? INT_MAX : 60000, &v))
            {
                snprintf(err, errSize, "%s needs a whole number above 0", a);
                return kOptionsError;
            }
            (frames ? out->frames : out->fixedStep) = (int)v;
            i++;
        }
        else if (!strcmp(a, "--content-memory"))
        {
            if (!ParseInt(next, 1, 1L << 30, &v))
            {
                snprintf(err, errSize, "--content-memory needs a whole number of megabytes above 0");
                return kOptionsError;
            }
            out->contentMemoryMB = v;
            i++;
        }
        else if (!strcmp(a, "--seed"))
        {
            if (!ParseInt(next, 0, UINT_MAX, &v))
            {
                snprintf(err, errSize, "--seed needs a whole number from 0 to %u", UINT_MAX);
                return kOptionsError;
            }
            out->hasSeed = 1;
            out->seed = (unsigned int)v;
            i++;
        }
        else
        {
            snprintf(err, errSize, "unknown option \"%s\"", a);
            return kOptionsError;
        }
    }
    return CheckReplayOptions(out, err, errSize);
}

int ResolveStartPath(const char* startDir, char* path, int pathSize)
{
    if (!path[0] || path[0] == '/' || !startDir || !startDir[0]) return 1;
    char joined[2200];
    const size_t dirLen = strlen(startDir);
    const char* sep = startDir[dirLen - 1] == '/' ? "" : "/";
    int n = snprintf(joined, sizeof joined, "%s%s%s", startDir, sep, path);
    if (n < 0 || n >= pathSize || n >= (int)sizeof joined) return 0;
    memcpy(path, joined, (size_t)n + 1);
    return 1;
}
