// The demo level played by the real program: the start-up script loads it without a word on
// the console, and a "save" in the level's own script writes back files that hold the same
// level, field by field.
#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace
{

const char* const kLevelFiles[] = {"person", "starting", "level models", "tint"};

// A level file as lines of comma-separated fields, blanks around each field dropped.
std::vector<std::vector<std::string>> Fields(const std::string& text)
{
    std::vector<std::vector<std::string>> lines;
    std::stringstream in(text);
    std::string line;
    while (std::getline(in, line))
    {
        std::vector<std::string> fields;
        std::stringstream parts(line);
        std::string field;
        while (std::getline(parts, field, ','))
        {
            size_t a = field.find_first_not_of(" \t"), b = field.find_last_not_of(" \t");
            fields.push_back(a == std::string::npos ? "" : field.substr(a, b - a + 1));
        }
        lines.push_back(fields);
    }
    return lines;
}

// Numbers compare by value (to the six decimals the files hold), everything else exactly.
void ExpectSameFields(const std::string& file, const std::string& saved, const std::string& original)
{
    auto s = Fields(saved), o = Fields(original);
    ASSERT_EQ(s.size(), o.size()) << file << ":\n" << saved;
    for (size_t i = 0; i < s.size(); i++)
    {
        ASSERT_EQ(s[i].size(), o[i].size()) << file << " line " << i + 1;
        for (size_t k = 0; k < s[i].size(); k++)
        {
            char *endS = nullptr, *endO = nullptr;
            double a = strtod(s[i][k].c_str(), &endS), b = strtod(o[i][k].c_str(), &endO);
            if (!o[i][k].empty() && *endO == 0 && *endS == 0)
                EXPECT_NEAR(a, b, 5e-7) << file << " line " << i + 1 << " field " << k + 1;
            else
                EXPECT_EQ(s[i][k], o[i][k]) << file << " line " << i + 1 << " field " << k + 1;
        }
    }
}

std::string Crlf(std::string text)
{
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

} // namespace

TEST(LevelRun, TheDemoLevelLoadsQuietlyAndSavesBackTheSameLevel)
{
    TempDir dir;
    const std::string source = SourceDir() + "/demo";
    std::filesystem::copy(source, dir.path, std::filesystem::copy_options::recursive);
    const std::string level = dir / "Levels/start/";
    // The copy holds the same level in other text: CR LF line ends. Files a save did not
    // write would keep them.
    for (const char* f : kLevelFiles)
        ASSERT_TRUE(WriteTextFile(level + f, Crlf(ReadTextFile(level + f))));
    // The level's own script saves in its first tick and ends the game.
    ASSERT_TRUE(WriteTextFile(level + "load script", "save\nquit\n"));

    std::string out;
    ASSERT_EQ(RunCommand("'" + KesrowExe() + "' --mute --data '" + dir.path +
                             "' --windowed 320x240 --frames 50 --fixed-step 20",
                         &out),
              0)
        << out;
    // Nothing but the load and the end is said: no file, model, texture or script complained.
    EXPECT_EQ(out, "//Loading level\n//Ended: quit after 1 passes, game time 20 ms\n");

    for (const char* f : kLevelFiles)
    {
        const std::string saved = ReadTextFile(level + f);
        EXPECT_EQ(saved.find('\r'), std::string::npos) << f << " was not written by the save";
        ExpectSameFields(f, saved, ReadTextFile(source + "/Levels/start/" + f));
    }
    EXPECT_FALSE(FileExists(level + "person.saving"));
}
