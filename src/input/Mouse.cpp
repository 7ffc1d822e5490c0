#include "input/Mouse.h"

#include "platform/OpenGLFuncs.h"

#include <cmath>
#include <cfenv>

std::int32_t MouseX = 0;
std::int32_t MouseY = 0;
bool MouseClick = false;
bool ClickUnseen = false;
bool ClickReleaseDeferred = false;

bool MouseClicked() { return MouseClick; }

void MousePressed() {
    MouseClick = true;
    ClickUnseen = true;
    ClickReleaseDeferred = false;
}

void MouseReleased() {
    if (ClickUnseen)
        ClickReleaseDeferred = true;
    else
        MouseClick = false;
}

void SettleMouse() {
    ClickUnseen = false;
    if (!ClickReleaseDeferred) return;
    ClickReleaseDeferred = false;
    MouseClick = false;
}

namespace {
// The mapping is done in extended precision, each step rounded, then rounded to the nearest
// integer with halves to even (the default rounding mode, which the game never changes).
std::int32_t RoundHalfEven(long double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<std::int32_t>(std::nearbyintl(value));
}
} // namespace

std::int32_t MapMouseX(std::uint16_t x, std::int32_t width) {
    if (width == 0) return 0;
    volatile long double quotient = static_cast<long double>(x) / static_cast<long double>(width);
    volatile long double scaled = quotient * 800.0L;
    return RoundHalfEven(scaled);
}

std::int32_t MapMouseY(std::uint16_t y, std::int32_t height) {
    if (height == 0) return 0;
    volatile long double quotient = static_cast<long double>(y) / static_cast<long double>(height);
    volatile long double scaled = quotient * 600.0L;
    volatile long double flipped = 600.0L - scaled;
    return RoundHalfEven(flipped);
}

void MouseMoved(std::uint16_t x, std::uint16_t y) {
    MouseX = MapMouseX(x, ScreenWidth);
    MouseY = MapMouseY(y, ScreenHeight);
}
