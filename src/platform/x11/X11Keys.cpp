#include "platform/x11/X11Keys.h"

// The terminal keys of the 3270 set have codes of their own on Windows.
#define XK_3270
#include <X11/XF86keysym.h>
#include <X11/keysym.h>

namespace {
struct KeyPair {
    unsigned long Keysym;
    std::uint32_t Code;
};

// Keys whose code does not follow from a range below.
// clang-format off
constexpr KeyPair Named[] = {
    {XK_BackSpace, 8},          {XK_Tab, 9},                {XK_ISO_Left_Tab, 9},
    {XK_KP_Begin, 12},          {XK_Return, 13},            {XK_KP_Enter, 13},
    {XK_Shift_L, 16},           {XK_Shift_R, 16},           {XK_Control_L, 17},
    {XK_Control_R, 17},         {XK_Alt_L, 18},             {XK_Alt_R, 18},
    {XK_ISO_Level3_Shift, 18},  {XK_Pause, 19},             {XK_Caps_Lock, 20},
    {XK_Escape, 27},            {XK_space, 32},             {XK_Prior, 33},
    {XK_Next, 34},              {XK_End, 35},               {XK_Home, 36},
    {XK_Left, 37},              {XK_Up, 38},                {XK_Right, 39},
    {XK_Down, 40},              {XK_Print, 44},             {XK_Insert, 45},
    {XK_Delete, 46},            {XK_KP_Prior, 33},          {XK_KP_Next, 34},
    {XK_KP_End, 35},            {XK_KP_Home, 36},           {XK_KP_Left, 37},
    {XK_KP_Up, 38},             {XK_KP_Right, 39},          {XK_KP_Down, 40},
    {XK_KP_Insert, 45},         {XK_KP_Delete, 46},         {XK_Super_L, 91},
    {XK_Super_R, 92},           {XK_Menu, 93},              {XK_KP_Multiply, 106},
    {XK_KP_Add, 107},           {XK_KP_Separator, 108},     {XK_KP_Subtract, 109},
    {XK_KP_Decimal, 110},       {XK_KP_Divide, 111},        {XK_Num_Lock, 144},
    {XK_Scroll_Lock, 145},      {XK_semicolon, 186},        {XK_equal, 187},
    {XK_comma, 188},            {XK_minus, 189},            {XK_period, 190},
    {XK_slash, 191},            {XK_grave, 192},            {XK_bracketleft, 219},
    {XK_backslash, 220},        {XK_bracketright, 221},     {XK_apostrophe, 222},
    {XK_less, 226},
    // Keys a PC keyboard may have beyond the typing keys; each gives its code in name entry on
    // Windows, so it must here too.
    {XK_Break, 3},              {XK_Clear, 12},             {XK_Hangul, 21},
    {XK_Hangul_Hanja, 25},      {XK_Kanji, 25},             {XK_Henkan_Mode, 28},
    {XK_Muhenkan, 29},          {XK_Select, 41},            {XK_Execute, 43},
    {XK_Sys_Req, 44},           {XK_Help, 47},              {XF86XK_Sleep, 95},
    {XF86XK_Back, 166},         {XF86XK_Forward, 167},      {XF86XK_Refresh, 168},
    {XF86XK_Reload, 168},       {XF86XK_Stop, 169},         {XF86XK_Search, 170},
    {XF86XK_Favorites, 171},    {XF86XK_HomePage, 172},     {XF86XK_AudioMute, 173},
    {XF86XK_AudioLowerVolume, 174},                         {XF86XK_AudioRaiseVolume, 175},
    {XF86XK_AudioNext, 176},    {XF86XK_AudioPrev, 177},    {XF86XK_AudioStop, 178},
    {XF86XK_AudioPlay, 179},    {XF86XK_AudioPause, 179},   {XF86XK_Mail, 180},
    {XF86XK_AudioMedia, 181},   {XF86XK_MyComputer, 182},   {XF86XK_Explorer, 182},
    {XF86XK_Calculator, 183},   {XK_3270_Attn, 246},        {XK_3270_CursorSelect, 247},
    {XK_3270_ExSelect, 248},    {XK_3270_EraseEOF, 249},    {XK_3270_Play, 250},
    {XK_3270_PA1, 253},
    // The browser's Stop key of a PC keyboard arrives as Cancel.
    {XK_Cancel, 169},
};
// clang-format on
} // namespace

std::uint32_t KeysymToVirtualKey(unsigned long keysym) {
    if (keysym >= XK_a && keysym <= XK_z) return static_cast<std::uint32_t>(keysym - XK_a + 65);
    if (keysym >= XK_A && keysym <= XK_Z) return static_cast<std::uint32_t>(keysym - XK_A + 65);
    if (keysym >= XK_0 && keysym <= XK_9) return static_cast<std::uint32_t>(keysym - XK_0 + 48);
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return static_cast<std::uint32_t>(keysym - XK_KP_0 + 96);
    if (keysym >= XK_F1 && keysym <= XK_F24)
        return static_cast<std::uint32_t>(keysym - XK_F1 + 112);
    for (const KeyPair& pair : Named)
        if (pair.Keysym == keysym) return pair.Code;
    return 0;
}

bool IsSystemKey(std::uint32_t virtualKey) {
    return virtualKey == 121;
}
