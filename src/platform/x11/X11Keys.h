// X11Keys.h - X keysyms to the virtual-key codes the game knows.
#pragma once

#include <cstdint>

// The virtual-key code a US keyboard gives on Windows for the key whose unshifted keysym this
// is; 0 for keys the game has no code for. Letters give their capital's code in either case.
std::uint32_t KeysymToVirtualKey(unsigned long keysym);

// True for keys that are system keys even without Alt (F10 opens the window menu there).
bool IsSystemKey(std::uint32_t virtualKey);
