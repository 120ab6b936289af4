// A screenshot is written through the crash-safe replacement: when the disk refuses the bytes
// (a file size limit here) the run fails, says so and leaves the picture that was there.
#include "test_util.h"

#include <gtest/gtest.h>

TEST(ScreenshotSave, AFailedWriteKeepsTheOldPicture)
{
    TempDir data, out;
    ASSERT_TRUE(WriteTextFile(data / "Data/game script", "// nothing to do\n"));
    const std::string shot = out / "shot.png";
    ASSERT_TRUE(WriteTextFile(shot, "the old picture"));
    // SIGXFSZ ignored, so a write past the limit fails instead of ending the program.
    const std::string run = "trap '' XFSZ; ulimit -f 0; exec env ALSOFT_DRIVERS=null '" + KesrowExe() +
                            "' --mute --data '" + data.path +
                            "' --windowed 160x120 --frames 2 --fixed-step 20 --screenshot '" + shot + "'";
    std::string output;
    EXPECT_EQ(1, RunCommand("bash -c \"" + run + "\"", &output)) << output;
    EXPECT_EQ("the old picture", ReadTextFile(shot)) << output;
    EXPECT_FALSE(FileExists(shot + ".saving")) << output;
    EXPECT_NE(std::string::npos, output.find("//Could not write the screenshot")) << output;

    // Without the limit the new picture replaces the old one whole.
    output.clear();
    EXPECT_EQ(0, RunCommand("bash -c \"" + run.substr(run.find("exec ")) + "\"", &output)) << output;
    EXPECT_TRUE(ReadPng(shot).ok) << output;
}
