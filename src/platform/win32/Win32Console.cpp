// The console's events (Ctrl+C, Ctrl+Break, closing the console, logoff, shutdown) end the run
// as the close box does, so the table is saved on the way out.
#include "platform/Sys.h"
#include "platform/win32/Win32Window.h"

namespace {
DWORD GameThread = 0;

// The system calls this on a thread of its own.
BOOL WINAPI EndInOrder(DWORD event) {
    // Before the window exists (or after it is gone) the loop still ends on the quit message.
    if (!SysPostMessage(WmClose, 0, 0)) PostThreadMessageA(GameThread, WM_QUIT, 0, 0);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // The system ends the process as soon as this returns; the game's own end, after its save,
    // ends this thread too. The system's time limit bounds the wait.
    Sleep(INFINITE);
    return TRUE;
}
} // namespace

void InstallConsoleCloseHandler() {
    GameThread = GetCurrentThreadId();
    SetConsoleCtrlHandler(EndInOrder, TRUE);
}
