#include "input/Keyboard.h"

bool Keys[256] = {};
bool KeyHeld[256] = {};

bool KeyDown(std::uint8_t code) { return Keys[code]; }

void SetKey(std::uintptr_t code, bool down) {
    // Only the 256 virtual-key codes exist; anything else is not a key of ours.
    if (code >= 256) return;
    Keys[code] = down;
    if (!down) KeyHeld[code] = false;
}
