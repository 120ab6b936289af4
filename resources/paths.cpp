// Owns the lexical check that keeps names given by scripts and lists inside the data folder;
// what the names lead to on disk is checked where they are opened (core/content_files).
#include "resources/paths.h"

#include "core/output.h"
#include "core/problems.h"

#include <cstdio>

static int IsSeparator(char c)
{
    return c == '/' || c == ':';
}

int VXR_PathStaysInDataFolder(const char* name, const char* what)
{
    const char* reason = nullptr;
    if (!name || !name[0])
        reason = "it is empty";
    else if (IsSeparator(name[0]))
        reason = "it is absolute";
    else
    {
        for (const char* p = name; *p && !reason; p++)
        {
            int startsComponent = p == name || IsSeparator(p[-1]);
            if (startsComponent && p[0] == '.' && p[1] == '.' && (p[2] == 0 || IsSeparator(p[2])))
                reason = "it leaves the data folder with \"..\"";
        }
    }
    if (!reason) return 1;
    // The file and line are those of the statement or list line being read (gProblemFile).
    char message[400], console[410];
    snprintf(message, sizeof message, "%s: the path \"%.200s\" is refused: %s", what ? what : "Path",
             name ? name : "", reason);
    snprintf(console, sizeof console, "//%s", message);
    ReportContentProblem(nullptr, 0, message, console);
    return 0;
}

int VXR_ListEntryStaysInDataFolder(const char* name, const char* kind, const char* listPath, int line)
{
    char what[1200];
    snprintf(what, sizeof what, "%s %.1100s line %d", kind, listPath ? listPath : "", line);
    const char* outerFile = gProblemFile;
    int outerLine = gProblemLine;
    gProblemFile = listPath;
    gProblemLine = line;
    int stays = VXR_PathStaysInDataFolder(name, what);
    gProblemFile = outerFile;
    gProblemLine = outerLine;
    return stays;
}

int VXR_FileExists(const char* path)
{
    return ContentFileExists(path, kContentText);
}
