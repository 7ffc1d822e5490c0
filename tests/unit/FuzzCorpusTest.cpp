// Every seed of the fuzz corpus, and every input a fuzz run ever found, through the checks the
// fuzz targets make (tests/fuzz/FuzzChecks.h).
#include "fuzz/FuzzChecks.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {
TEST(FuzzCorpus, SeedsAndFoundInputsPassTheReaderChecks) {
    const struct {
        const char* Folder;
        std::function<std::string(const std::uint8_t*, std::size_t)> Check;
    } kinds[] = {{"tga", fuzz::CheckTga}, {"scores", fuzz::CheckHighScores}};
    for (const auto& kind : kinds) {
        int inputs = 0;
        for (const char* set : {"corpus", "regressions"}) {
            fs::path folder = fs::path(QUORVIN_SOURCE_DIR) / "tests/fuzz" / set / kind.Folder;
            if (!fs::exists(folder)) continue;
            for (const auto& file : fs::directory_iterator(folder)) {
                std::string bytes = ReadFileBytes(file.path().string());
                EXPECT_EQ(
                    kind.Check(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                    "")
                    << file.path();
                ++inputs;
            }
        }
        EXPECT_GT(inputs, 5) << kind.Folder;
    }
    std::memset(HighScoreTable, 0, sizeof HighScoreTable);
}
} // namespace
