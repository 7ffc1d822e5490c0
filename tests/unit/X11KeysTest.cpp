// The keysym -> virtual-key table of the X11 backend. Keysyms are given as numbers (the values
// of X11/keysym.h) so the test needs no X header.
#include "platform/x11/X11Keys.h"

#include <gtest/gtest.h>

namespace {
struct KeyCase {
    const char* Name;
    unsigned long Keysym;
    std::uint32_t Code;
};

TEST(X11Keys, KeysymsGiveTheCodesOfAUsKeyboardOnWindows) {
    const KeyCase cases[] = {
        {"a", 0x61, 65},
        {"z", 0x7a, 90},
        {"A", 0x41, 65},
        {"Z", 0x5a, 90},
        {"0", 0x30, 48},
        {"9", 0x39, 57},
        {"space", 0x20, 32},
        {"Return", 0xff0d, 13},
        {"KP_Enter", 0xff8d, 13},
        {"BackSpace", 0xff08, 8},
        {"Tab", 0xff09, 9},
        {"ISO_Left_Tab", 0xfe20, 9},
        {"Shift_L", 0xffe1, 16},
        {"Shift_R", 0xffe2, 16},
        {"Control_R", 0xffe4, 17},
        {"Alt_L", 0xffe9, 18},
        {"Escape", 0xff1b, 27},
        {"Delete", 0xffff, 46},
        {"Insert", 0xff63, 45},
        {"Home", 0xff50, 36},
        {"End", 0xff57, 35},
        {"Prior", 0xff55, 33},
        {"Next", 0xff56, 34},
        {"Left", 0xff51, 37},
        {"Up", 0xff52, 38},
        {"Right", 0xff53, 39},
        {"Down", 0xff54, 40},
        {"KP_0", 0xffb0, 96},
        {"KP_9", 0xffb9, 105},
        {"KP_Home", 0xff95, 36},
        {"KP_Delete", 0xff9f, 46},
        {"KP_Add", 0xffab, 107},
        {"F1", 0xffbe, 112},
        {"F4", 0xffc1, 115},
        {"F10", 0xffc7, 121},
        {"F12", 0xffc9, 123},
        {"semicolon", 0x3b, 186},
        {"equal", 0x3d, 187},
        {"comma", 0x2c, 188},
        {"minus", 0x2d, 189},
        {"period", 0x2e, 190},
        {"slash", 0x2f, 191},
        {"grave", 0x60, 192},
        {"bracketleft", 0x5b, 219},
        {"backslash", 0x5c, 220},
        {"bracketright", 0x5d, 221},
        {"apostrophe", 0x27, 222},
        // Shifted symbols never name a key: translation uses the unshifted keysym.
        {"exclam", 0x21, 0},
        {"at", 0x40, 0},
        {"NoSymbol", 0, 0},
        {"adiaeresis", 0xe4, 0},
        {"XF86AudioMute", 0x1008ff12, 0},
    };
    for (const KeyCase& c : cases)
        EXPECT_EQ(KeysymToVirtualKey(c.Keysym), c.Code) << c.Name;
}
} // namespace
