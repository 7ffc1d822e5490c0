// HudText.h - the figures the screens show, formatted into the caller's stack buffer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Room for the longest label, a sign, 19 digits and "FPS".
using HudText = std::array<char, 48>;

// "Score : -3", "Lives : 3"
std::string_view ScoreText(HudText& buffer, std::int32_t score);
std::string_view LivesText(HudText& buffer, std::int32_t lives);

// "Time  : 1234": the milliseconds left, rounded. A value beyond 64 bits shows the nearest end
// of the range (0 when not a number).
std::string_view TimeLeftText(HudText& buffer, double timeLeftMs);

// "62FPS": 1000 / frameTimeMs, rounded. Empty when the rate cannot be told (a frame time of 0,
// shorter than one tick of the counter, or a frame time that is not a number).
std::string_view FrameRateText(HudText& buffer, double frameTimeMs);

// Its number, 1000 / frameTimeMs rounded, in the given arithmetic (platform/Extended.h):
// SoftExtended, and on x86 the processor's own long double, which tests hold it against.
// FrameRateText uses Extended. False when there is no number to show.
template <typename Real> bool FrameRateIn(double frameTimeMs, std::int64_t& rate);

// Plain decimal, for the scores in the list.
std::string_view DecimalText(HudText& buffer, std::int64_t value);
