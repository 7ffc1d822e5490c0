// Win32.h - the Windows headers for the backend files, and only for them.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// windows.h maps these to its A/W variants; the game has functions of the same names.
#undef DrawText
