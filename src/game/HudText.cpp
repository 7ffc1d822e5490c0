#include "game/HudText.h"

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

bool RoundToInt64(long double value, std::int64_t& rounded) {
    // Converting anything outside the range is undefined, so the bounds are checked first;
    // both are powers of two and exact in every floating type.
    constexpr long double upper = 9223372036854775808.0L;
    if (!std::isfinite(value)) return false;
    long double nearest = std::nearbyintl(value);
    if (nearest >= upper || nearest < -upper) return false;
    rounded = static_cast<std::int64_t>(nearest);
    return true;
}

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

std::string_view FrameRateText(HudText& buffer, double frameTimeMs) {
    // A zero frame time gives an infinite quotient: there is no honest number to show, and
    // any stand-in (0, or the largest integer) would look like a fault to the player.
    if (frameTimeMs == 0) return {};
    std::int64_t rate = 0;
    if (!RoundToInt64(1000.0L / static_cast<long double>(frameTimeMs), rate)) return {};
    int length =
        std::snprintf(buffer.data(), buffer.size(), "%lldFPS", static_cast<long long>(rate));
    if (length < 0) return {};
    return {buffer.data(), static_cast<std::size_t>(length)};
}

std::string_view DecimalText(HudText& buffer, std::int64_t value) {
    return Labelled(buffer, "", value);
}
