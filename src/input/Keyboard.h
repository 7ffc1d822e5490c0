// Keyboard.h - one state per virtual-key code.
#pragma once

#include <cstdint>

extern bool Keys[256];

// A new press the game has not acted on: set by a key-down that found the key up, left alone by
// the auto-repeats of a key held down, cleared when the game acts on it and by the key-up. So
// Escape acts once per press, and a key-up that went to another window swallows no later press.
extern bool KeyPressed[256];

// A key-down no update has seen yet, and its key-up when that came before the update did.
extern bool KeyUnseen[256];
extern bool KeyUpDeferred[256];

// The entry for code; reading does not clear it.
bool KeyDown(std::uint8_t code);

// Called by WindowProc on key-down and key-up reports; repeat tells a key-down that found the key
// down already (bit 30 of its lParam), as auto-repeat does. Codes outside 0..255 are ignored. A
// key-up whose key-down no update has seen yet waits for the next update, so a tap is seen once.
void SetKey(std::uintptr_t code, bool down, bool repeat);

// Called once at the end of each update: waiting key-ups take effect.
void SettleKeys();
