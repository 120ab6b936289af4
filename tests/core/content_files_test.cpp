// Content is opened beneath the data folder whatever the file system holds: links, FIFOs, sparse
// giants and planted names at a save's temporary. Each case runs with openat2 and with the
// resolved-path check that kernels without it get, which must agree. Crash-safe saves: a finished
// write replaces the file and leaves no temporary; every way a write can fail keeps the old file
// whole and says so; a save killed half-way is finished or undone at the next start.
#include "core/content_files.h"
#include "core/output.h"
#include "core/safe_write.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// A data folder (routePath) beside a folder outside it that holds a secret.
struct DataFolderBesideOutside : ::testing::TestWithParam<int>
{
    TempDir dir;
    std::string data = dir / "data/";
    std::string outside = dir / "outside/";
    void SetUp() override
    {
        gContentResolveByPath = GetParam();
        ASSERT_TRUE(WriteTextFile(outside + "secret", "the first line of a private file\n"));
        ASSERT_TRUE(WriteTextFile(data + "Levels/start/real", "inside\n"));
        snprintf(routePath, sizeof routePath, "%s", data.c_str());
    }
    void TearDown() override
    {
        routePath[0] = 0;
        gContentResolveByPath = 0;
    }
    void Link(const std::string& target, const std::string& at)
    {
        std::filesystem::create_directories(std::filesystem::path(data + at).parent_path());
        ASSERT_EQ(0, symlink(target.c_str(), (data + at).c_str())) << at;
    }
    std::string Read(const std::string& rel)
    {
        FILE* f = OpenContentFile((data + rel).c_str(), kContentText);
        if (!f) return "<refused>";
        std::string text;
        for (int c; (c = fgetc(f)) != EOF;)
            text += char(c);
        fclose(f);
        return text;
    }
};

INSTANTIATE_TEST_SUITE_P(BothResolutions, DataFolderBesideOutside, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info)
                         { return info.param ? "ResolvedPathCheck" : "Openat2"; });

} // namespace

TEST_P(DataFolderBesideOutside, LinksLeadingOutAreRefusedLinksInsideWorkAndSavesNeverWriteThroughThem)
{
    Link(outside + "secret", "Levels/start/person");      // absolute
    Link("../../../outside/secret", "Levels/start/tint"); // relative, climbing out
    Link(outside, "Levels/away");                         // a level folder leading out
    Link("../start/real", "Levels/other/person");         // inside: followed
    Link("start", "Levels/alias");                        // a folder link inside
    Link("/dev/zero", "Levels/start/starting");           // an endless device
    ConsoleCapture console;
    for (const char* refused : {"Levels/start/person", "Levels/start/tint", "Levels/away/secret",
                                "Levels/start/../../../outside/secret", "Levels/start/starting"})
        EXPECT_EQ(Read(refused), "<refused>") << refused;
    EXPECT_EQ(Read("Levels/other/person") + Read("Levels/alias/real"), "inside\ninside\n");
    EXPECT_EQ(ContentPathState((data + "Levels/away").c_str(), kContentText), kContentRefused);
    EXPECT_EQ(ContentPathState((data + "Levels/alias").c_str(), kContentText), kContentFolder);
    EXPECT_EQ(ContentPathState((data + "Levels/start/none").c_str(), kContentText), kContentMissing);
    // Each refusal is one line naming the file; nothing of the secret reaches the console.
    EXPECT_EQ(ConsoleCapture::Lines().size(), 6u);
    EXPECT_TRUE(
        console.Has("//Could not read " + data +
                    "Levels/start/person: it leads outside the data folder (through a link, \"..\" or "
                    "a mount point)") &&
        !console.Has("private"));
    // A path that is not under the data folder (the command line's) is no content: opened as given.
    FILE* given = OpenContentFile((outside + "secret").c_str(), kContentText);
    EXPECT_NE(given, nullptr);
    if (given) fclose(given);

    // Saves: a link planted at a save's temporary name, those above at its targets, and the level
    // folder leading out.
    Link(outside + "secret", "Levels/start/person.saving");
    ConsoleCapture::Lines().clear();
    EXPECT_EQ(SafeWriteText((data + "Levels/start/person").c_str(), "saved person"), 1);
    EXPECT_EQ(SafeWriteText((data + "Levels/start/tint").c_str(), "saved tint"), 1);
    EXPECT_EQ(SafeWriteText((data + "Levels/away/person").c_str(), "saved person"), 0);
    // Nothing outside changed: the secret as it was, and nothing new beside it.
    EXPECT_EQ(ReadTextFile(outside + "secret"), "the first line of a private file\n");
    namespace fs = std::filesystem;
    EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1);
    // The names in the level folder are now the saved files themselves, not links.
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(data + "Levels/start/tint")));
    EXPECT_EQ(ReadTextFile(data + "Levels/start/person") + ReadTextFile(data + "Levels/start/tint"),
              "saved personsaved tint");
    EXPECT_FALSE(ContentNameTaken((data + "Levels/start/person.saving").c_str()));
    ASSERT_EQ(ConsoleCapture::Lines().size(), 1u);
    EXPECT_EQ(ConsoleCapture::Lines()[0],
              "//Could not save " + data +
                  "Levels/away/person: the folder leads outside the data folder; the "
                  "old file is kept");
}

TEST_P(DataFolderBesideOutside, OnlyRegularFilesWithinTheirSizeAreOpened)
{
    ASSERT_EQ(0, mkfifo((data + "Levels/start/person").c_str(), 0600));
    // A sparse file: 1 GB long, nothing on the disk.
    int fd = open((data + "Levels/start/level models").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, ftruncate(fd, 1LL << 30));
    close(fd);
    // Exactly at a text file's limit it opens, a byte over it is refused; pictures may be larger.
    ASSERT_EQ(0, truncate((data + "Levels/start/real").c_str(), ContentSizeLimit(kContentText)));
    ASSERT_TRUE(WriteTextFile(data + "Levels/start/big.png", ""));
    ASSERT_EQ(0, truncate((data + "Levels/start/big.png").c_str(), ContentSizeLimit(kContentText) + 1));
    ConsoleCapture console;
    EXPECT_EQ(OpenContentFd((data + "Levels/start/person").c_str(), kContentText), -1); // never waits
    EXPECT_TRUE(console.Has("person: it is a FIFO, not a regular file"));
    EXPECT_EQ(Read("Levels/start/level models"), "<refused>");
    EXPECT_TRUE(
        console.Has("level models: it is 1024.0 MB, over the 16 MB a level, list, script, model or pose "
                    "file may have"));
    EXPECT_TRUE(ContentFileExists((data + "Levels/start/real").c_str(), kContentText));
    EXPECT_FALSE(ContentFileExists((data + "Levels/start/big.png").c_str(), kContentText));
    EXPECT_TRUE(ContentFileExists((data + "Levels/start/big.png").c_str(), kContentPicture));
    // A folder is no file, and says nothing.
    const size_t said = ConsoleCapture::Lines().size();
    EXPECT_EQ(OpenContentFile((data + "Levels/start").c_str(), kContentText), nullptr);
    EXPECT_EQ(ConsoleCapture::Lines().size(), said);
}

TEST(SafeWrite, AnInterruptedSaveIsFinishedOrUndoneAndEveryFailedWriteKeepsTheOldFileWhole)
{
    TempDir dir;
    const std::string folder = dir.path + "/";
    const char* names[] = {"a", "b"};
    auto state = [&]
    {
        std::string s;
        for (const char* n : {"a", "b", "a.saving", "b.saving", "journal"})
            s += std::string(n) + "=" + (FileExists(folder + n) ? ReadTextFile(folder + n) : "-") + " ";
        return s;
    };
    // Killed after the journal and the first rename: the second file is put in place too.
    for (auto [name, text] :
         {std::pair{"a", "new a"}, {"b", "old b"}, {"b.saving", "new b"}, {"journal", "a\nb\n"}})
        WriteTextFile(folder + name, text);
    EXPECT_EQ(SettleInterruptedSave(folder.c_str(), names, 2, "journal"), 1);
    EXPECT_EQ(state(), "a=new a b=new b a.saving=- b.saving=- journal=- ");
    // Killed before the journal: the temporaries go, the old files stay.
    WriteTextFile(folder + "a.saving", "newer a");
    WriteTextFile(folder + "journal.saving", "a\n");
    EXPECT_EQ(SettleInterruptedSave(folder.c_str(), names, 2, "journal"), 2);
    EXPECT_EQ(state(), "a=new a b=new b a.saving=- b.saving=- journal=- ");
    EXPECT_FALSE(FileExists(folder + "journal.saving"));
    // A link at a temporary's name is never renamed into place, journal or not.
    WriteTextFile(folder + "journal", "a\nb\n");
    ASSERT_EQ(0, symlink("/etc/hostname", (folder + "a.saving").c_str()));
    EXPECT_EQ(SettleInterruptedSave(folder.c_str(), names, 2, "journal"), 1);
    EXPECT_EQ(state(), "a=new a b=new b a.saving=- b.saving=- journal=- ");
    EXPECT_EQ(SettleInterruptedSave(folder.c_str(), names, 2, "journal"), 0);

    ConsoleCapture console;
    const std::vector<std::string>& gLines = ConsoleCapture::Lines();
    const std::string path = dir / "tint";
    ASSERT_TRUE(WriteTextFile(path, "old"));
    // A save that works (a new file, one replaced, nothing said, no temporary left) is the saves
    // test's above. The writer's own failure; a folder where the temporary must go; a folder in
    // the file's place (the rename fails); a folder that does not exist. The old files stay, no
    // temporary.
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

    EXPECT_EQ(ReadTextFile(path) + ReadTextFile(person), "oldold person");
    EXPECT_TRUE(std::filesystem::is_directory(starting));
    EXPECT_FALSE(FileExists(path + ".saving") || FileExists(starting + ".saving") ||
                 FileExists(dir / "missing"));
    ASSERT_EQ(gLines.size(), 4u);
    EXPECT_EQ(gLines[0].rfind("//Could not save " + path, 0), 0u) << gLines[0];
    for (const std::string& line : gLines)
        EXPECT_NE(line.find("the old file is kept"), std::string::npos) << line;
}
