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
        // Keys beyond the typing keys that Windows gives codes of their own.
        {"Break", 0xff6b, 0x03},
        {"Clear", 0xff0b, 0x0c},
        {"Hangul", 0xff31, 0x15},
        {"Hangul_Hanja", 0xff34, 0x19},
        {"Kanji", 0xff21, 0x19},
        {"Henkan", 0xff23, 0x1c},
        {"Muhenkan", 0xff22, 0x1d},
        {"Select", 0xff60, 0x29},
        {"Execute", 0xff62, 0x2b},
        {"Sys_Req", 0xff15, 0x2c},
        {"Help", 0xff6a, 0x2f},
        {"XF86Sleep", 0x1008ff2f, 0x5f},
        {"XF86Back", 0x1008ff26, 0xa6},
        {"XF86Forward", 0x1008ff27, 0xa7},
        {"XF86Refresh", 0x1008ff29, 0xa8},
        {"XF86Reload", 0x1008ff73, 0xa8},
        {"XF86Stop", 0x1008ff28, 0xa9},
        {"Cancel", 0xff69, 0xa9},
        {"XF86Search", 0x1008ff1b, 0xaa},
        {"XF86Favorites", 0x1008ff30, 0xab},
        {"XF86HomePage", 0x1008ff18, 0xac},
        {"XF86AudioMute", 0x1008ff12, 0xad},
        {"XF86AudioLowerVolume", 0x1008ff11, 0xae},
        {"XF86AudioRaiseVolume", 0x1008ff13, 0xaf},
        {"XF86AudioNext", 0x1008ff17, 0xb0},
        {"XF86AudioPrev", 0x1008ff16, 0xb1},
        {"XF86AudioStop", 0x1008ff15, 0xb2},
        {"XF86AudioPlay", 0x1008ff14, 0xb3},
        {"XF86AudioPause", 0x1008ff31, 0xb3},
        {"XF86Mail", 0x1008ff19, 0xb4},
        {"XF86AudioMedia", 0x1008ff32, 0xb5},
        {"XF86MyComputer", 0x1008ff33, 0xb6},
        {"XF86Explorer", 0x1008ff5d, 0xb6},
        {"XF86Calculator", 0x1008ff1d, 0xb7},
        {"3270_Attn", 0xfd0e, 0xf6},
        {"3270_CursorSelect", 0xfd1c, 0xf7},
        {"3270_ExSelect", 0xfd1b, 0xf8},
        {"3270_EraseEOF", 0xfd06, 0xf9},
        {"3270_Play", 0xfd16, 0xfa},
        {"3270_PA1", 0xfd0a, 0xfd},
        // Shifted symbols never name a key: translation uses the unshifted keysym.
        {"exclam", 0x21, 0},
        {"at", 0x40, 0},
        {"NoSymbol", 0, 0},
        {"adiaeresis", 0xe4, 0},
        {"XF86PowerOff", 0x1008ff2a, 0},
        {"XF86Tools", 0x1008ff81, 0}, // F13 on some keyboards, a Tools key on others
    };
    for (const KeyCase& c : cases)
        EXPECT_EQ(KeysymToVirtualKey(c.Keysym), c.Code) << c.Name;
}
} // namespace
