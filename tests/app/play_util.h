// Helpers of the tests that play the real program: tools on the path, the skip rule for runs
// that need an X server of their own with xdotool, and reading actors back from the files
// that "savekey" and "save" write (person records, comma-separated).
#pragma once

#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

inline bool HaveTool(const char* name)
{
    return RunCommand(std::string("command -v ") + name + " >/dev/null", nullptr) == 0;
}

// Real input needs xdotool and xvfb-run; without them the test is skipped, except on CI where
// scripts/install-deps.sh must have installed them.
#define SKIP_WITHOUT_XDOTOOL()                                                                               \
    do                                                                                                       \
    {                                                                                                        \
        if (!HaveTool("xdotool") || !HaveTool("xvfb-run") || !HaveTool("Xvfb"))                              \
        {                                                                                                    \
            if (getenv("CI"))                                                                                \
                FAIL() << "xdotool and xvfb are needed (scripts/install-deps.sh installs them)";             \
            GTEST_SKIP() << "xdotool or xvfb-run is missing: this test drives a real window with both";      \
        }                                                                                                    \
    } while (0)

inline std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> out;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ','))
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
