// Keyboard.h - one state per virtual-key code.
#pragma once

#include <cstdint>

extern bool Keys[256];

// Set when a key goes up; the game clears an entry to tell a fresh press of that key from the
// auto-repeat of a key still held.
extern bool KeyReleased[256];

// The entry for code; reading does not clear it.
bool KeyDown(std::uint8_t code);

// Called by WindowProc on key-down and key-up reports. Codes outside 0..255 are ignored.
void SetKey(std::uintptr_t code, bool down);
