// WindowProc.h - the window procedure of the game window.
#pragma once

#include "platform/Sys.h"

LResult SYS_CALLBACK WindowProc(SysWindow window, std::uint32_t message, WParam wParam,
                                LParam lParam);
