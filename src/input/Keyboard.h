// Keyboard.h - one state per virtual-key code.
#pragma once

#include <cstdint>

extern bool Keys[256];

// Set by the game when it acts on a key, cleared when the key goes up: the auto-repeat of a key
// still held down then acts no more.
extern bool KeyHeld[256];

// The entry for code; reading does not clear it.
bool KeyDown(std::uint8_t code);

// Called by WindowProc on key-down and key-up reports. Codes outside 0..255 are ignored.
void SetKey(std::uintptr_t code, bool down);
