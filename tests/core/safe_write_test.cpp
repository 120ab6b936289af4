// Crash-safe file replacement: a finished write replaces the file and leaves no temporary; every
// way a write can fail keeps the old file whole and says so on the console.
#include "core/output.h"
#include "core/safe_write.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

TEST(SafeWrite, ReplacesTheFileOnlyWhenTheWholeWriteSucceeded)
{
    TempDir dir;
    ConsoleCapture console;
    const std::vector<std::string>& gLines = ConsoleCapture::Lines();
    const std::string path = dir / "tint";
    ASSERT_TRUE(WriteTextFile(path, "old"));
    EXPECT_EQ(SafeWriteText(path.c_str(), "new\n"), 1);
    EXPECT_EQ(SafeWriteText((dir / "fresh").c_str(), "x"), 1);
    EXPECT_EQ(ReadTextFile(path) + ReadTextFile(dir / "fresh"), "new\nx");
    EXPECT_FALSE(FileExists(path + ".saving"));
    EXPECT_TRUE(gLines.empty());

    // The writer's own failure; a folder where the temporary must go; a folder in the file's
    // place (the rename fails); a folder that does not exist. The old files stay, no temporary.
    safeWrite w;
    ASSERT_EQ(BeginSafeWrite(&w, path.c_str()), 1);
    fputs("half", w.file);
    EXPECT_EQ(EndSafeWrite(&w, 0), 0);
    const std::string person = dir / "person", starting = dir / "starting";
    ASSERT_TRUE(WriteTextFile(person, "old person"));
    std::filesystem::create_directory(person + ".saving");
    EXPECT_EQ(SafeWriteText(person.c_str(), "new"), 0);
    std::filesystem::create_directories(starting + "/inside");
    EXPECT_EQ(SafeWriteText(starting.c_str(), "new"), 0);
    EXPECT_EQ(SafeWriteText((dir / "missing/tint").c_str(), "new"), 0);

    EXPECT_EQ(ReadTextFile(path) + ReadTextFile(person), "new\nold person");
    EXPECT_TRUE(std::filesystem::is_directory(starting));
    EXPECT_FALSE(FileExists(path + ".saving") || FileExists(starting + ".saving") ||
                 FileExists(dir / "missing"));
    ASSERT_EQ(gLines.size(), 4u);
    EXPECT_EQ(gLines[0].rfind("//Could not save " + path, 0), 0u) << gLines[0];
    for (const std::string& line : gLines)
        EXPECT_NE(line.find("the old file is kept"), std::string::npos) << line;
}
