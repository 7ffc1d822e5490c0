#include "input/Keyboard.h"
#include "input/Mouse.h"
#include "platform/OpenGLFuncs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace {

struct MapCase {
    std::int32_t size;
    std::uint16_t pixel;
    std::int32_t expected;
};

TEST(MouseMapping, HorizontalFollowsTheClientWidthWithHalvesToEven) {
    const MapCase cases[] = {
        {800, 0, 0},     {800, 1, 1},     {800, 400, 400},  {800, 799, 799},
        {1600, 1, 0},    {1600, 3, 2},    {1600, 5, 2},     {1600, 7, 4},
        {1600, 1599, 800}, {1024, 3, 2},  {1024, 511, 399}, {1024, 512, 400},
        {1024, 1023, 799}, {400, 200, 400}, {0, 123, 0},
        // Where a 113-bit significand rounds the quotient the other way (arm64, WebAssembly):
        // x 1019 is on the right edge of the name and Back buttons at 1600 wide.
        {1600, 1019, 509}, {1280, 92, 58},  {1920, 138, 58},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MapMouseX(c.pixel, c.size), c.expected) << c.size << " wide, x " << c.pixel;
}

TEST(MouseMapping, VerticalIsTurnedOverWithHalvesToEven) {
    const MapCase cases[] = {
        {600, 0, 600},  {600, 599, 1},  {600, 300, 300}, {1200, 1, 600}, {1200, 3, 598},
        {1200, 5, 598}, {1200, 7, 596}, {1200, 1199, 0}, {300, 299, 2},  {300, 150, 300},
        {0, 77, 0},     {800, 402, 298}, {720, 381, 283},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MapMouseY(c.pixel, c.size), c.expected) << c.size << " high, y " << c.pixel;
}

TEST(MouseMapping, FollowsTheLastResize) {
    ResizeScene(1600, 1200);
    MouseMoved(1599, 1199);
    EXPECT_EQ(MouseX, 800);
    EXPECT_EQ(MouseY, 0);
    ResizeScene(800, 600);
    MouseMoved(0, 0);
    EXPECT_EQ(MouseX, 0);
    EXPECT_EQ(MouseY, 600);
}

TEST(Keyboard, CodesOutsideTheTableAreIgnored) {
    std::fill(std::begin(Keys), std::end(Keys), false);
    SetKey(65, true, false);
    SetKey(256, true, false);
    SetKey(static_cast<std::uintptr_t>(-1), true, false);
    SetKey(0x10041, true, false);   // would alias 65 if the code were cut to a byte
    EXPECT_TRUE(KeyDown(65));
    EXPECT_EQ(std::count(std::begin(Keys), std::end(Keys), true), 1);
    SettleKeys(); // an update saw it, so the key-up takes effect at once
    SetKey(65, false, false);
    EXPECT_FALSE(KeyDown(65));
}

} // namespace
