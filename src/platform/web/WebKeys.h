// WebKeys.h - the browser's key names to the virtual-key codes the game knows.
#pragma once

#include <cstdint>

// The virtual-key code Windows gives for the key of a KeyboardEvent: code names the key on
// the board (as on a US layout), key what it typed, which tells the keypad's digits from its
// arrows. 0 for keys the game has no code for.
std::uint32_t KeyToVirtualKey(const char* code, const char* key);
