// Placeholder until the X11 window lands: no window can be made.
#include "platform/Console.h"
#include "platform/Sys.h"

bool CreateGameWindow(std::int32_t, std::int32_t, bool, std::int32_t, SysWndProc) {
    ConsoleLine("Error: Failed to create window!");
    return false;
}
void DestroyGameWindow(bool) {}
void SysSwapBuffers() {}
bool SysPeekMessage(SysMessage&) { return false; }
void SysTranslateMessage(const SysMessage&) {}
void SysDispatchMessage(const SysMessage&) {}
void SysPostQuitMessage(int) {}
bool SysPostMessage(std::uint32_t, WParam, LParam) { return false; }
LResult SysDefWindowProc(SysWindow, std::uint32_t, WParam, LParam) { return 0; }
