#include "input/Keyboard.h"

bool Keys[256] = {};
bool KeyPressed[256] = {};
bool KeyUnseen[256] = {};
bool KeyUpDeferred[256] = {};

bool KeyDown(std::uint8_t code) { return Keys[code]; }

void SetKey(std::uintptr_t code, bool down, bool repeat) {
    // Only the 256 virtual-key codes exist; anything else is not a key of ours.
    if (code >= 256) return;
    if (down) {
        Keys[code] = true;
        if (!repeat) KeyPressed[code] = true;
        KeyUnseen[code] = true;
        KeyUpDeferred[code] = false;
    } else if (KeyUnseen[code]) {
        KeyUpDeferred[code] = true;
    } else {
        Keys[code] = false;
        KeyPressed[code] = false;
    }
}

void SettleKeys() {
    for (int code = 0; code < 256; ++code) {
        KeyUnseen[code] = false;
        if (!KeyUpDeferred[code]) continue;
        KeyUpDeferred[code] = false;
        Keys[code] = false;
        KeyPressed[code] = false;
    }
}
