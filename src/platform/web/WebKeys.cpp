#include "platform/web/WebKeys.h"

#include <cstring>

namespace {
struct KeyPair {
    const char* Code;
    std::uint32_t VirtualKey;
};

// clang-format off
constexpr KeyPair Named[] = {
    {"Backspace", 8},        {"Tab", 9},              {"Enter", 13},
    {"NumpadEnter", 13},     {"ShiftLeft", 16},       {"ShiftRight", 16},
    {"ControlLeft", 17},     {"ControlRight", 17},    {"AltLeft", 18},
    {"AltRight", 18},        {"Pause", 19},           {"CapsLock", 20},
    {"Escape", 27},          {"Space", 32},           {"PageUp", 33},
    {"PageDown", 34},        {"End", 35},             {"Home", 36},
    {"ArrowLeft", 37},       {"ArrowUp", 38},         {"ArrowRight", 39},
    {"ArrowDown", 40},       {"PrintScreen", 44},     {"Insert", 45},
    {"Delete", 46},          {"MetaLeft", 91},        {"MetaRight", 92},
    {"ContextMenu", 93},     {"NumpadMultiply", 106}, {"NumpadAdd", 107},
    {"NumpadComma", 108},    {"NumpadSubtract", 109}, {"NumpadDivide", 111},
    {"NumLock", 144},        {"ScrollLock", 145},     {"Semicolon", 186},
    {"Equal", 187},          {"Comma", 188},          {"Minus", 189},
    {"Period", 190},         {"Slash", 191},          {"Backquote", 192},
    {"BracketLeft", 219},    {"Backslash", 220},      {"BracketRight", 221},
    {"Quote", 222},          {"IntlBackslash", 226},
};
// With Num Lock off the keypad's digits are the keys printed under them.
constexpr std::uint32_t KeypadUnlocked[10] = {45, 35, 40, 34, 37, 12, 39, 36, 38, 33};
// clang-format on

bool StartsWith(const char* text, const char* prefix, std::size_t& rest) {
    std::size_t n = std::strlen(prefix);
    if (std::strncmp(text, prefix, n) != 0) return false;
    rest = n;
    return true;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

std::uint32_t KeyToVirtualKey(const char* code, const char* key) {
    std::size_t at = 0;
    if (StartsWith(code, "Key", at) && code[at] >= 'A' && code[at] <= 'Z' && code[at + 1] == 0)
        return static_cast<std::uint32_t>(code[at]);
    if (StartsWith(code, "Digit", at) && IsDigit(code[at]) && code[at + 1] == 0)
        return static_cast<std::uint32_t>(code[at]);
    if (StartsWith(code, "Numpad", at) && IsDigit(code[at]) && code[at + 1] == 0) {
        int digit = code[at] - '0';
        bool typed = IsDigit(key[0]) && key[1] == 0;
        return typed ? static_cast<std::uint32_t>(96 + digit) : KeypadUnlocked[digit];
    }
    if (std::strcmp(code, "NumpadDecimal") == 0)
        return (key[0] == '.' || key[0] == ',') && key[1] == 0 ? 110 : 46;
    if (code[0] == 'F' && IsDigit(code[1])) {
        int n = code[1] - '0';
        if (IsDigit(code[2]) && code[3] == 0) n = n * 10 + (code[2] - '0');
        else if (code[2] != 0) return 0;
        if (n >= 1 && n <= 24) return static_cast<std::uint32_t>(111 + n);
        return 0;
    }
    for (const KeyPair& pair : Named)
        if (std::strcmp(pair.Code, code) == 0) return pair.VirtualKey;
    return 0;
}
