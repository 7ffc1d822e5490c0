// Mouse.h - the mouse position in virtual units and the left-button click latch.
#pragma once

#include <cstdint>

extern std::int32_t MouseX;   // 0 at the left edge, 800 at the right
extern std::int32_t MouseY;   // 0 at the bottom, 600 at the top
extern bool MouseClick;       // set by a press, cleared by the release or by a consumer

// A press no update has seen yet, and its release when that came before the update did.
extern bool ClickUnseen;
extern bool ClickReleaseDeferred;

// The latch as it stands; reading does not clear it.
bool MouseClicked();

// Maps a client pixel to virtual units for a client of the given size, as the mouse-move
// report does: round(x / width * 800) and round(600 - y / height * 600) with a 64-bit
// significand, halves to even. A size of 0 maps to 0.
std::int32_t MapMouseX(std::uint16_t x, std::int32_t width);
std::int32_t MapMouseY(std::uint16_t y, std::int32_t height);

// The same mappings in the given arithmetic (platform/Extended.h): SoftExtended, and on x86 the
// processor's own long double, which tests hold it against. The two above use Extended.
template <typename Real> std::int32_t MapMouseXIn(std::uint16_t x, std::int32_t width);
template <typename Real> std::int32_t MapMouseYIn(std::uint16_t y, std::int32_t height);

// Called by WindowProc on left-button reports. A release whose press no update has seen yet
// waits for the next update, so a click shorter than a frame is still taken.
void MousePressed();
void MouseReleased();

// Called once at the end of each update: what it has seen is no longer unseen, and a waiting
// release clears the latch.
void SettleMouse();

// Called by WindowProc on a mouse-move report, with the client coordinates of its lParam.
void MouseMoved(std::uint16_t x, std::uint16_t y);
