// Keyboard.h - one state per virtual-key code.
#pragma once

#include <cstdint>

extern bool Keys[256];

// Set by the game when it acts on a key, cleared when the key goes up: the auto-repeat of a key
// still held down then acts no more.
extern bool KeyHeld[256];

// A key-down no update has seen yet, and its key-up when that came before the update did.
extern bool KeyUnseen[256];
extern bool KeyUpDeferred[256];

// The entry for code; reading does not clear it.
bool KeyDown(std::uint8_t code);

// Called by WindowProc on key-down and key-up reports. Codes outside 0..255 are ignored. A key-up
// whose key-down no update has seen yet waits for the next update, so a tap is seen once.
void SetKey(std::uintptr_t code, bool down);

// Called once at the end of each update: waiting key-ups take effect.
void SettleKeys();
