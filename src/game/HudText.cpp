#include "game/HudText.h"

#include "platform/Extended.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace {
std::string_view Labelled(HudText& buffer, const char* label, std::int64_t value) {
    int length =
        std::snprintf(buffer.data(), buffer.size(), "%s%lld", label, static_cast<long long>(value));
    if (length < 0) return {};
    return {buffer.data(), static_cast<std::size_t>(length)};
}
} // namespace

std::string_view ScoreText(HudText& buffer, std::int32_t score) {
    return Labelled(buffer, "Score : ", score);
}

std::string_view LivesText(HudText& buffer, std::int32_t lives) {
    return Labelled(buffer, "Lives : ", lives);
}

std::string_view TimeLeftText(HudText& buffer, double timeLeftMs) {
    std::int64_t ms = 0;
    if (!RoundToInt64(timeLeftMs, ms) && !std::isnan(timeLeftMs))
        ms = timeLeftMs > 0 ? std::numeric_limits<std::int64_t>::max()
                            : std::numeric_limits<std::int64_t>::min();
    return Labelled(buffer, "Time  : ", ms);
}

// The quotient rounds to the 64-bit significand before it rounds to an integer.
template <typename Real> bool FrameRateIn(double frameTimeMs, std::int64_t& rate) {
    // A zero frame time gives an infinite quotient: there is no honest number to show, and
    // any stand-in (0, or the largest integer) would look like a fault to the player.
    if (frameTimeMs == 0) return false;
    return RoundToInt64(Real(1000) / Real(frameTimeMs), rate);
}

template bool FrameRateIn<SoftExtended>(double, std::int64_t&);
#if LDBL_MANT_DIG == 64
template bool FrameRateIn<long double>(double, std::int64_t&);
#endif

std::string_view FrameRateText(HudText& buffer, double frameTimeMs) {
    std::int64_t rate = 0;
    if (!FrameRateIn<Extended>(frameTimeMs, rate)) return {};
    int length =
        std::snprintf(buffer.data(), buffer.size(), "%lldFPS", static_cast<long long>(rate));
    if (length < 0) return {};
    return {buffer.data(), static_cast<std::size_t>(length)};
}

std::string_view DecimalText(HudText& buffer, std::int64_t value) {
    return Labelled(buffer, "", value);
}
