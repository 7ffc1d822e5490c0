// A "highScores.dat" the player may not write ends the game at start-up with the failure report.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sys/stat.h>

namespace {
TEST(ReadOnlyScores, StartUpFailsWithTheReportAndLeavesTheFileAlone) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X display (tools/lib.sh start_xvfb)";
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());
    std::string table;
    for (int i = 0; i < 10; ++i)
        table += std::string("\x04Anna\xAA\xBB\xCC\xDD\xEE\xFF\x00\x00\x01\x02\x03", 16);
    WriteFileBytes("highScores.dat", table);
    ASSERT_EQ(chmod("highScores.dat", 0444), 0);

    ProcessResult run = RunProcess({QUORVIN_BINARY}, dir.Path(), 60, "nobody");

    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    const std::regex report("Exception EInOutError in module quorvin at [0-9A-Fa-f]{8}\\.\r\n"
                            "File access denied\\.\r\n\r\n");
    EXPECT_TRUE(std::regex_match(run.Err, report)) << "standard error:\n" << run.Err;
    EXPECT_EQ(ReadFileBytes("highScores.dat"), table);
}
} // namespace
