#include "input/Mouse.h"

#include "platform/Extended.h"
#include "platform/OpenGLFuncs.h"

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

// Each step rounds to the 64-bit significand: the quotient, then the product, then for y the
// difference; the last rounding to an integer sends halves to the even neighbour.
template <typename Real> std::int32_t MapMouseXIn(std::uint16_t x, std::int32_t width) {
    if (width == 0) return 0;
    std::int64_t rounded = 0;
    Real scaled = Real(x) / Real(width) * Real(800);
    return RoundToInt64(scaled, rounded) ? static_cast<std::int32_t>(rounded) : 0;
}

template <typename Real> std::int32_t MapMouseYIn(std::uint16_t y, std::int32_t height) {
    if (height == 0) return 0;
    std::int64_t rounded = 0;
    Real flipped = Real(600) - Real(y) / Real(height) * Real(600);
    return RoundToInt64(flipped, rounded) ? static_cast<std::int32_t>(rounded) : 0;
}

template std::int32_t MapMouseXIn<SoftExtended>(std::uint16_t, std::int32_t);
template std::int32_t MapMouseYIn<SoftExtended>(std::uint16_t, std::int32_t);
#if LDBL_MANT_DIG == 64
template std::int32_t MapMouseXIn<long double>(std::uint16_t, std::int32_t);
template std::int32_t MapMouseYIn<long double>(std::uint16_t, std::int32_t);
#endif

std::int32_t MapMouseX(std::uint16_t x, std::int32_t width) {
    return MapMouseXIn<Extended>(x, width);
}

std::int32_t MapMouseY(std::uint16_t y, std::int32_t height) {
    return MapMouseYIn<Extended>(y, height);
}

void MouseMoved(std::uint16_t x, std::uint16_t y) {
    MouseX = MapMouseX(x, ScreenWidth);
    MouseY = MapMouseY(y, ScreenHeight);
}
