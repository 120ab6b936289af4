// The data folder rule for script-given paths, and the file test every loader shares.
#include "core/output.h"
#include "resources/paths.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

TEST(DataPaths, ScriptGivenPathsMustStayInsideTheDataFolderAndOnlyFilesExist)
{
    ConsoleCapture console;
    std::vector<std::string>& lines = ConsoleCapture::Lines();
    const std::pair<const char*, int> cases[] = {
        {"levels/one", 1}, {"Data:intro", 1},   {"a..b/c", 1},      {"..hidden", 1}, {"dir/...", 1},
        {"./level", 1},    {"/etc/passwd", 0},  {":etc", 0},        {"", 0},         {"..", 0},
        {"../outside", 0}, {"levels/../..", 0}, {"levels:..:x", 0}, {"a/../b", 0},   {"a/..", 0},
    };
    for (const auto& [name, allowed] : cases)
    {
        lines.clear();
        EXPECT_EQ(VXR_PathStaysInDataFolder(name, "level"), allowed) << name;
        ASSERT_EQ(lines.size(), allowed ? 0u : 1u) << name;
        EXPECT_TRUE(allowed ||
                    lines[0].rfind(std::string("//level: the path \"") + name + "\" is refused: ", 0) == 0)
            << lines[0];
    }
    // The file test every loader shares.
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir / "Models/box", "x"));
    EXPECT_EQ(VXR_FileExists((dir / "Models/box").c_str()), 1);
    EXPECT_EQ(VXR_FileExists((dir / "Models/ball").c_str()) + VXR_FileExists((dir / "Models").c_str()) +
                  VXR_FileExists(nullptr),
              0);
}
