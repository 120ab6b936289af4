// What the app tests share (and the headers they all use): tools on the path, the skip rule for
// runs that need an X server of their own with xdotool, and reading actors back from the files
// that "savekey" and "save" write (person records, comma-separated).
#pragma once

#include "test_util.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

// A model of one white triangle (model files count 660 to a world unit).
const char kTriangleModel[] = "box\nmodel\n0 0 0 0\n1 660 0 0\n2 0 660 0\nEDGES\n"
                              "MATERIAL Plain 65535 65535 65535 1 0 0 0 0 0 0 0 0 0 0\n0 1 2\nEND\n";

// How many times part is in text.
inline size_t Count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        n++;
    return n;
}

inline bool HaveTool(const char* name)
{
    return RunCommand(std::string("command -v ") + name + " >/dev/null", nullptr) == 0;
}

// Real input needs xdotool and xvfb-run; without them the test is skipped, except on CI where
// scripts/install-deps.sh must have installed them.
#define SKIP_WITHOUT_XDOTOOL()                                                                               \
    if (!HaveTool("xdotool") || !HaveTool("xvfb-run") || !HaveTool("Xvfb"))                                  \
    {                                                                                                        \
        ASSERT_FALSE(getenv("CI")) << "xdotool and xvfb are needed (scripts/install-deps.sh installs them)"; \
        GTEST_SKIP() << "xdotool or xvfb-run is missing: this test drives a real window with both";          \
    }

// The text of a driver script that plays the game with xdotool: it starts the game ($1) on the
// data folder ($2) with gameArgs, its output in $2/game.out, waits for the game's window and
// for the file `ready` (under $2) that the level's script writes once it runs, gives the window
// the focus, sends `input` (shell lines using $win and $pid), and waits up to 30 s for the game
// to end.
inline std::string XdotoolDriver(const std::string& gameArgs, const std::string& ready,
                                 const std::string& input)
{
    return "set -u\n"
           "\"$1\" --mute --data \"$2\" " +
           gameArgs +
           " > \"$2/game.out\" 2>&1 &\n"
           "pid=$!\n"
           "win=$(timeout 30 xdotool search --sync --onlyvisible --pid $pid 2>/dev/null | head -n 1)\n"
           "if [ -z \"$win\" ]; then echo \"driver: no game window\"; kill $pid; exit 3; fi\n"
           "for i in $(seq 1 300); do [ -e \"$2/" +
           ready +
           "\" ] && break; sleep 0.1; done\n"
           "xdotool windowfocus --sync $win || xdotool windowfocus $win\n" +
           input +
           "\nfor i in $(seq 1 300); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done\n"
           "kill $pid 2>/dev/null\n"
           "wait $pid\n";
}

// Runs driver (see XdotoolDriver) on a private X server against the data folder with the given
// environment settings in front; returns what the driver printed.
inline std::string RunDriver(const TempDir& dir, const std::string& data, const std::string& driver,
                             const std::string& env = "")
{
    EXPECT_TRUE(WriteTextFile(dir / "driver.sh", driver));
    std::string out;
    RunCommand("timeout 100 env " + env + " xvfb-run -a -s '-screen 0 800x600x24' bash '" +
                   (dir / "driver.sh") + "' '" + KesrowExe() + "' '" + data + "'",
               &out);
    return out;
}

// The fields of a line (or, with separator '\n', the lines of a text).
inline std::vector<std::string> Fields(const std::string& line, char separator = ',')
{
    std::vector<std::string> out;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, separator);)
        out.push_back(field);
    return out;
}

// The fields of the record of the actor called name (the twelfth field), or none.
inline std::vector<std::string> ActorRecord(const std::string& records, const std::string& name)
{
    std::stringstream lines(records);
    for (std::string line; std::getline(lines, line);)
    {
        std::vector<std::string> f = Fields(line);
        if (f.size() > 11 && f[11] == name) return f;
    }
    return {};
}
