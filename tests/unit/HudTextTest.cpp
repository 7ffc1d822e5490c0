#include "game/HudText.h"
#include "hud/HUD.h"
#include "input/Mouse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {
constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(HudText, ScoreAndLivesInPlainDecimal) {
    HudText text;
    EXPECT_EQ(ScoreText(text, -3), "Score : -3");
    EXPECT_EQ(ScoreText(text, 0), "Score : 0");
    EXPECT_EQ(ScoreText(text, std::numeric_limits<std::int32_t>::min()), "Score : -2147483648");
    EXPECT_EQ(LivesText(text, 3), "Lives : 3");
    EXPECT_EQ(LivesText(text, -1), "Lives : -1");
    EXPECT_EQ(DecimalText(text, 120), "120");
    EXPECT_EQ(DecimalText(text, std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}

TEST(HudText, TimeLeftRoundsHalvesToEven) {
    struct Case {
        double Ms;
        const char* Expected;
    } cases[] = {
        {1234.5, "Time  : 1234"},
        {1235.5, "Time  : 1236"},
        {1234.4999, "Time  : 1234"},
        {0.5, "Time  : 0"},
        {-0.5, "Time  : 0"},
        {-1.5, "Time  : -2"},
        {-250.0, "Time  : -250"},
        // Beyond 64 bits the readout saturates instead of converting out of range.
        {1e300, "Time  : 9223372036854775807"},
        {-Inf, "Time  : -9223372036854775808"},
        {NaN, "Time  : 0"},
    };
    for (const Case& c : cases) {
        HudText text;
        EXPECT_EQ(TimeLeftText(text, c.Ms), std::string(c.Expected)) << c.Ms;
    }
}

TEST(HudText, FrameRateReadout) {
    struct Case {
        double FrameMs;
        const char* Expected;
    } cases[] = {
        {16.0, "62FPS"}, // 62.5, half to even
        {10.0, "100FPS"},
        {8.0, "125FPS"},
        {2000.0, "0FPS"}, // 0.5
        {1000.0 / 1.5, "2FPS"},
        {Inf, "0FPS"},
        {-10.0, "-100FPS"},
        // No honest number: no readout at all.
        {0.0, ""},
        {-0.0, ""},
        {NaN, ""},
        {1e-300, ""},
    };
    for (const Case& c : cases) {
        HudText text;
        EXPECT_EQ(FrameRateText(text, c.FrameMs), std::string(c.Expected)) << c.FrameMs;
    }
}

TEST(HudText, RoundToInt64Range) {
    std::int64_t out = 7;
    EXPECT_FALSE(RoundToInt64(9223372036854775808.0L, out));
    EXPECT_FALSE(RoundToInt64(-9223372036854775809.0L, out));
    EXPECT_EQ(out, 7);
    EXPECT_TRUE(RoundToInt64(-9223372036854775808.0L, out));
    EXPECT_EQ(out, std::numeric_limits<std::int64_t>::min());
    EXPECT_TRUE(RoundToInt64(2.5L, out));
    EXPECT_EQ(out, 2);
}

TEST(Button, MouseOverIsStrictOnEverySide) {
    Button b{300, 500, 500, 450, "New Game", {0, 1, 0, 1}, {1, 1, 1, 1}};
    struct Case {
        std::int32_t X, Y;
        bool Over;
    } cases[] = {
        {400, 475, true},  {301, 451, true},  {499, 499, true},  {300, 475, false},
        {500, 475, false}, {400, 450, false}, {400, 500, false}, {299, 475, false},
        {400, 501, false}, {300, 450, false}, {0, 0, false},
    };
    for (const Case& c : cases) {
        MouseX = c.X;
        MouseY = c.Y;
        EXPECT_EQ(MouseOverButton(b), c.Over) << c.X << "," << c.Y;
    }
    MouseX = MouseY = 0;
}
} // namespace
