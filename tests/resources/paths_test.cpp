// The data folder rule for script-given paths, and the file test every loader shares.
#include "core/output.h"
#include "resources/paths.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{
std::vector<std::string> gLines;
}

TEST(DataPaths, ScriptGivenPathsMustStayInsideTheDataFolder)
{
    outputProc saved = toConsole;
    toConsole = [](const char* text) { gLines.push_back(text); };
    struct
    {
        const char* name;
        int allowed;
    } cases[] = {
        {"levels/one", 1}, {"Data:intro", 1},   {"a..b/c", 1},      {"..hidden", 1}, {"dir/...", 1},
        {"./level", 1},    {"/etc/passwd", 0},  {":etc", 0},        {"", 0},         {"..", 0},
        {"../outside", 0}, {"levels/../..", 0}, {"levels:..:x", 0}, {"a/../b", 0},   {"a/..", 0},
    };
    for (const auto& c : cases)
    {
        gLines.clear();
        EXPECT_EQ(VXR_PathStaysInDataFolder(c.name, "level"), c.allowed) << c.name;
        if (c.allowed)
            EXPECT_TRUE(gLines.empty()) << c.name;
        else
        {
            ASSERT_EQ(gLines.size(), 1u) << c.name;
            EXPECT_EQ(gLines[0].rfind(std::string("//level: the path \"") + c.name + "\" is refused: ", 0),
                      0u)
                << gLines[0];
        }
    }
    toConsole = saved;
}

TEST(DataPaths, FileExistsOnlyForReadableFiles)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir / "Models/box", "x"));
    EXPECT_EQ(VXR_FileExists((dir / "Models/box").c_str()), 1);
    EXPECT_EQ(VXR_FileExists((dir / "Models/ball").c_str()), 0);
    EXPECT_EQ(VXR_FileExists((dir / "Models").c_str()), 0);
    EXPECT_EQ(VXR_FileExists(nullptr), 0);
}
