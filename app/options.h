// The command line: options a player, a test or a packager gives the game.
#pragma once

struct KesrowOptions
{
    char dataDir[1024]; // empty: the working directory
    // The window for this run: windowed 1 a window (of width x height when windowSizeGiven, else
    // of the settings' size), fullscreen 1 full screen at the desktop size; neither: as the
    // settings say.
    int windowed;
    int windowSizeGiven;
    int width, height;
    int fullscreen;
    int frames;    // > 0: batch run of that many passes
    int fixedStep; // > 0: ms per pass
    int hasSeed;
    unsigned int seed;
    char screenshot[1024]; // empty: none
    int mute;
    int check; // check the data folder's content and exit (no window)
    // Settings overridden for this run; -1 (sensitivity: 0) when not given.
    float sensitivity;
    int invertMouse;
    int volume;
    int vsync;
    int saveSettings;     // a batch run writes the settings file too
    long contentMemoryMB; // > 0: the content memory budget in MB (decoded pictures and samples)
    int watch;            // live reload: 1 --watch, 0 --no-watch, -1 not given (on unless a batch run)
    // A recording to write while playing, or one to replay instead of playing; empty: none.
    char record[1024];
    char replay[1024];
};

enum
{
    kOptionsRun = 0,
    kOptionsHelp,
    kOptionsVersion,
    kOptionsError
};

// Parses argv. On kOptionsError, err holds what was wrong.
int ParseOptions(int argc, char** argv, KesrowOptions* out, char* err, int errSize);
const char* UsageText();

// Makes path absolute against startDir (the directory the user started in), so that paths keep
// their meaning after the game changes into its data folder. An absolute or empty path is kept.
// Returns 0, leaving path as it was, when the result would not fit in pathSize.
int ResolveStartPath(const char* startDir, char* path, int pathSize);
