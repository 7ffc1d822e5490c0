#include "game/HudText.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {
constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(HudText, LinesInPlainDecimalRoundedHalfToEven) {
    HudText t;
    EXPECT_EQ(ScoreText(t, -3), "Score : -3");
    EXPECT_EQ(ScoreText(t, std::numeric_limits<std::int32_t>::min()), "Score : -2147483648");
    EXPECT_EQ(LivesText(t, 3), "Lives : 3");
    EXPECT_EQ(DecimalText(t, std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    struct {
        double Ms;
        std::string Expected;
    } times[] = {
        {1234.5, "Time  : 1234"},
        {1235.5, "Time  : 1236"},
        {-1.5, "Time  : -2"},
        // Out of range saturates rather than converting out of range.
        {1e300, "Time  : 9223372036854775807"},
        {-Inf, "Time  : -9223372036854775808"},
        {NaN, "Time  : 0"},
    };
    for (const auto& c : times)
        EXPECT_EQ(TimeLeftText(t, c.Ms), c.Expected) << c.Ms;
}

TEST(HudText, FrameRateReadout) {
    struct {
        double FrameMs;
        std::string Expected;
    } cases[] = {
        {16.0, "62FPS"},
        {10.0, "100FPS"},
        {2000.0, "0FPS"},
        {Inf, "0FPS"},
        {-10.0, "-100FPS"},
        // Quotients a 113-bit significand rounds to the other integer.
        {0x1.993b5021f75aep-3, "5004FPS"},
        {0x1.3d2ffc09000cbp-4, "12914FPS"},
        // No honest number to show: no readout at all.
        {0.0, ""},
        {-0.0, ""},
        {NaN, ""},
        {1e-300, ""},
    };
    for (const auto& c : cases) {
        HudText t;
        EXPECT_EQ(FrameRateText(t, c.FrameMs), c.Expected) << c.FrameMs;
    }
}
} // namespace
