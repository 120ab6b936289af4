// Crash-safe file replacement: a finished write replaces the file and leaves no temporary; every
// way a write can fail keeps the old file whole and says so on the console.
#include "core/output.h"
#include "core/safe_write.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> gLines;

struct Console
{
    outputProc saved = toConsole;
    Console()
    {
        gLines.clear();
        toConsole = [](const char* text) { gLines.push_back(text); };
    }
    ~Console() { toConsole = saved; }
};

} // namespace

TEST(SafeWrite, ReplacesTheFileOnlyWhenTheWholeWriteSucceeded)
{
    TempDir dir;
    Console console;
    const std::string path = dir / "tint";
    ASSERT_TRUE(WriteTextFile(path, "old"));

    EXPECT_EQ(SafeWriteText(path.c_str(), "new content\n"), 1);
    EXPECT_EQ(ReadTextFile(path), "new content\n");
    EXPECT_FALSE(FileExists(path + ".saving"));
    EXPECT_TRUE(gLines.empty());

    // The writer's own failure: the temporary goes, the file stays.
    safeWrite w;
    ASSERT_EQ(BeginSafeWrite(&w, path.c_str()), 1);
    fputs("half", w.file);
    EXPECT_EQ(EndSafeWrite(&w, 0), 0);
    EXPECT_EQ(ReadTextFile(path), "new content\n");
    EXPECT_FALSE(FileExists(path + ".saving"));
    ASSERT_EQ(gLines.size(), 1u);
    EXPECT_EQ(gLines[0].rfind("//Could not save " + path, 0), 0u) << gLines[0];
    EXPECT_NE(gLines[0].find("the old file is kept"), std::string::npos);

    // A file that did not exist yet is created.
    EXPECT_EQ(SafeWriteText((dir / "fresh").c_str(), "x"), 1);
    EXPECT_EQ(ReadTextFile(dir / "fresh"), "x");
}

TEST(SafeWrite, TemporaryThatCannotBeCreatedOrRenamedKeepsTheOldFile)
{
    TempDir dir;
    Console console;
    // A folder where the temporary must go: it cannot be created.
    const std::string blocked = dir / "person";
    ASSERT_TRUE(WriteTextFile(blocked, "old person"));
    std::filesystem::create_directory(blocked + ".saving");
    EXPECT_EQ(SafeWriteText(blocked.c_str(), "new"), 0);
    EXPECT_EQ(ReadTextFile(blocked), "old person");

    // A folder in the target's place: the rename fails, the temporary is cleaned up.
    const std::string folder = dir / "starting";
    std::filesystem::create_directories(folder + "/inside");
    EXPECT_EQ(SafeWriteText(folder.c_str(), "new"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_FALSE(FileExists(folder + ".saving"));

    // A folder that does not exist.
    EXPECT_EQ(SafeWriteText((dir / "missing/tint").c_str(), "new"), 0);
    EXPECT_FALSE(FileExists(dir / "missing"));

    ASSERT_EQ(gLines.size(), 3u);
    for (const std::string& line : gLines)
        EXPECT_EQ(line.rfind("//Could not save ", 0), 0u) << line;
}
