// "highScores.dat" as the real game leaves it: created at the first start, written at the end,
// and a file the player may not write ends the start-up with the failure report.
#include "support/GameProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sys/stat.h>

namespace {
TEST(ScoreFile, ReadOnlyFileEndsTheStartUpWithTheReport) {
    PrivateDisplay display;
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());
    std::string table;
    for (int i = 0; i < 10; ++i)
        table += std::string("\x04"
                             "Anna\xAA\xBB\xCC\xDD\xEE\xFF\x00\x00\x01\x02\x03",
                             16);
    WriteFileBytes("highScores.dat", table);
    ASSERT_EQ(chmod("highScores.dat", 0444), 0);

    GameProcess game(display, dir.Path(), "nobody");
    ProcessResult run = game.Wait(30);

    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    const std::regex report("Exception EInOutError in module quorvin at [0-9A-Fa-f]{8}\\.\r\n"
                            "File access denied\\.\r\n\r\n");
    EXPECT_TRUE(std::regex_match(run.Err, report)) << "standard error:\n" << run.Err;
    EXPECT_EQ(ReadFileBytes("highScores.dat"), table);
}

TEST(ScoreFile, FirstStartThenCloseLeavesTenDefaultRecords) {
    PrivateDisplay display;
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());

    GameProcess game(display, dir.Path());
    if (!game.WaitForWindow()) {
        ProcessResult early = game.Wait(5);
        FAIL() << "no window; exit " << early.ExitCode << "\n" << early.Out << early.Err;
    }
    EXPECT_TRUE(std::filesystem::exists("highScores.dat"));
    EXPECT_EQ(ReadFileBytes("highScores.dat"), "") << "the first start creates an empty file";
    game.Close();
    ProcessResult run = game.Wait(30);

    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    std::string record = std::string("\x0a--Player--", 11) + std::string(5, '\0');
    std::string expected;
    for (int i = 0; i < 10; ++i)
        expected += record;
    EXPECT_EQ(ReadFileBytes("highScores.dat"), expected);
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        entries += entry.path().extension() == ".tmp";
    EXPECT_EQ(entries, 0u) << "a temporary file was left behind";
}
} // namespace
