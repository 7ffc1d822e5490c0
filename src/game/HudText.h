// HudText.h - the figures the screens show, formatted into the caller's stack buffer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Room for the longest label, a sign, 19 digits and "FPS".
using HudText = std::array<char, 48>;

// Rounds to the nearest integer, halves to even. False when the value is not finite or does
// not fit in 64 bits; rounded is then left alone.
bool RoundToInt64(long double value, std::int64_t& rounded);

// "Score : -3", "Lives : 3"
std::string_view ScoreText(HudText& buffer, std::int32_t score);
std::string_view LivesText(HudText& buffer, std::int32_t lives);

// "Time  : 1234": the milliseconds left, rounded. A value beyond 64 bits shows the nearest end
// of the range (0 when not a number).
std::string_view TimeLeftText(HudText& buffer, double timeLeftMs);

// "62FPS": 1000 / frameTimeMs, rounded. Empty when the rate cannot be told (a frame time of 0,
// shorter than one tick of the counter, or a frame time that is not a number).
std::string_view FrameRateText(HudText& buffer, double frameTimeMs);

// Plain decimal, for the scores in the list.
std::string_view DecimalText(HudText& buffer, std::int64_t value);
