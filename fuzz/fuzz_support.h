// What every fuzz harness shares: a private scratch data folder that the engine's routePath
// points at (so nothing a fuzzed input names can reach the real files), writing the input there
// as a file for the path-based loaders, a quiet console that still checks the engine's console
// convention, and an offscreen GL context for the loaders that make textures.
#pragma once

#include "core/output.h"
#include "resources/paths.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fuzz
{

// Console lines the engine wrote for the current input. Loader lines start with "//"; a line of
// the engine's own that does not is fine, but an empty one or one without a terminator within
// its 1024 bytes means a formatter wrote past what it was given.
inline long gConsoleLines = 0;

inline void QuietConsole(const char* text)
{
    gConsoleLines++;
    if (strnlen(text, 4096) >= 4096) abort();
}

inline void RemoveSandbox();

// The scratch data folder of this process, ending with '/', made on first use and removed at a
// normal exit. routePath points into it (the working directory is left alone: libFuzzer reads
// its corpus folders by the names it was given).
inline const std::string& Sandbox()
{
    static std::string path;
    if (path.empty())
    {
        // Memory-backed when the machine has it: every input is written there once or more.
        const char* tmp = getenv("TMPDIR");
        if (!tmp || !*tmp) tmp = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(tmp) + "/kesrow-fuzz-XXXXXX";
        char buffer[1024];
        snprintf(buffer, sizeof buffer, "%s", pattern.c_str());
        if (!mkdtemp(buffer)) abort();
        path = std::string(buffer) + "/";
        atexit(RemoveSandbox);
        snprintf(routePath, sizeof routePath, "%s", path.c_str());
        toConsole = QuietConsole;
        toDialog = QuietConsole;
    }
    return path;
}

inline void RemoveSandbox()
{
    std::string command = "rm -rf '" + Sandbox() + "'";
    if (system(command.c_str()) != 0) return;
}

// Writes bytes to <sandbox>/rel (folders made as needed) and returns the full path.
inline std::string WriteFile(const std::string& rel, const void* data, size_t size)
{
    std::string full = Sandbox() + rel;
    for (size_t slash = full.find('/', Sandbox().size()); slash != std::string::npos;
         slash = full.find('/', slash + 1))
    {
        std::string folder = full.substr(0, slash);
        mkdir(folder.c_str(), 0755);
    }
    FILE* file = fopen(full.c_str(), "wb");
    if (!file) abort();
    if (size && fwrite(data, 1, size, file) != size) abort();
    fclose(file);
    return full;
}

inline std::string WriteFile(const std::string& rel, const std::string& text)
{
    return WriteFile(rel, text.data(), text.size());
}

// Copies a file of the source tree (the demo data) into the sandbox.
inline std::string CopySourceFile(const std::string& from, const std::string& rel)
{
    std::string source = std::string(KESROW_SOURCE_DIR) + "/" + from;
    FILE* file = fopen(source.c_str(), "rb");
    if (!file) abort();
    std::string bytes;
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    fclose(file);
    return WriteFile(rel, bytes);
}

// Copies every file of a folder of the source tree (not its sub-folders) into the sandbox folder
// rel, so that the harnesses follow the demo data as it changes.
inline void CopySourceFolder(const std::string& from, const std::string& rel)
{
    DIR* folder = opendir((std::string(KESROW_SOURCE_DIR) + "/" + from).c_str());
    if (!folder) abort();
    while (dirent* entry = readdir(folder))
    {
        struct stat info;
        std::string name = entry->d_name;
        std::string source = std::string(KESROW_SOURCE_DIR) + "/" + from + "/" + name;
        if (stat(source.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            CopySourceFile(from + "/" + name, rel + "/" + name);
    }
    closedir(folder);
}

// An offscreen GL context for texture uploads; SDL's offscreen driver needs no display.
inline void MakeGLContext()
{
    static SDL_GLContext context = nullptr;
    if (context) return;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) abort();
    SDL_Window* window = SDL_CreateWindow("fuzz", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) abort();
    context = SDL_GL_CreateContext(window);
    if (!context) abort();
}

// Splits input at each occurrence of marker into at most count parts (the last part keeps the
// rest); missing parts are empty. Lets one input hold several files.
inline void Split(const uint8_t* data, size_t size, const char* marker, std::string* parts, int count)
{
    std::string all(reinterpret_cast<const char*>(data), size);
    size_t at = 0;
    const size_t step = strlen(marker);
    for (int i = 0; i < count; i++)
    {
        size_t next = i + 1 < count ? all.find(marker, at) : std::string::npos;
        if (next == std::string::npos)
        {
            parts[i] = all.substr(std::min(at, all.size()));
            for (int j = i + 1; j < count; j++)
                parts[j].clear();
            return;
        }
        parts[i] = all.substr(at, next - at);
        at = next + step;
    }
}

} // namespace fuzz
