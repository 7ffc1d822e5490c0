// The message queue on Win32: the game's messages are the system's own.
#include "platform/Sys.h"
#include "platform/win32/Win32Window.h"

#include <bit>
#include <cstddef>

static_assert(WmCreate == WM_CREATE && WmDestroy == WM_DESTROY && WmSize == WM_SIZE);
static_assert(WmActivate == WM_ACTIVATE && WmSetFocus == WM_SETFOCUS);
static_assert(WmKillFocus == WM_KILLFOCUS && WmPaint == WM_PAINT && WmClose == WM_CLOSE);
static_assert(WmQuit == WM_QUIT && WmKeyDown == WM_KEYDOWN && WmKeyUp == WM_KEYUP);
static_assert(WmChar == WM_CHAR && WmSysKeyDown == WM_SYSKEYDOWN && WmSysKeyUp == WM_SYSKEYUP);
static_assert(WmSysChar == WM_SYSCHAR && WmSysCommand == WM_SYSCOMMAND);
static_assert(WmEndSession == WM_ENDSESSION);
static_assert(WmMouseMove == WM_MOUSEMOVE && WmLButtonDown == WM_LBUTTONDOWN);
static_assert(WmLButtonUp == WM_LBUTTONUP && WmRButtonDown == WM_RBUTTONDOWN);
static_assert(WmRButtonUp == WM_RBUTTONUP && WmMButtonDown == WM_MBUTTONDOWN);
static_assert(WmMButtonUp == WM_MBUTTONUP && WmMouseWheel == WM_MOUSEWHEEL);

// The frame loop's message record is a MSG, field for field.
static_assert(sizeof(SysMessage) == sizeof(MSG));
static_assert(offsetof(SysMessage, window) == offsetof(MSG, hwnd));
static_assert(offsetof(SysMessage, message) == offsetof(MSG, message));
static_assert(offsetof(SysMessage, wParam) == offsetof(MSG, wParam));
static_assert(offsetof(SysMessage, lParam) == offsetof(MSG, lParam));
static_assert(offsetof(SysMessage, time) == offsetof(MSG, time));
static_assert(offsetof(SysMessage, ptX) == offsetof(MSG, pt) + offsetof(POINT, x));
static_assert(offsetof(SysMessage, ptY) == offsetof(MSG, pt) + offsetof(POINT, y));
static_assert(sizeof(WParam) == sizeof(WPARAM) && sizeof(LParam) == sizeof(LPARAM));
static_assert(sizeof(LResult) == sizeof(LRESULT));

bool SysPeekMessage(SysMessage& msg) {
    MSG next;
    if (!PeekMessageA(&next, nullptr, 0, 0, PM_REMOVE)) return false;
    msg = std::bit_cast<SysMessage>(next);
    return true;
}

void SysTranslateMessage(const SysMessage& msg) {
    MSG native = std::bit_cast<MSG>(msg);
    TranslateMessage(&native);
}

void SysDispatchMessage(const SysMessage& msg) {
    MSG native = std::bit_cast<MSG>(msg);
    DispatchMessageA(&native);
}

void SysPostQuitMessage(int exitCode) {
    PostQuitMessage(exitCode);
}

bool SysPostMessage(std::uint32_t message, WParam wParam, LParam lParam) {
    if (WindowHandle == nullptr) return false;
    return PostMessageA(WindowHandle, message, wParam, lParam) != 0;
}

LResult SysDefWindowProc(SysWindow window, std::uint32_t message, WParam wParam, LParam lParam) {
    return DefWindowProcA(static_cast<HWND>(window), message, wParam, lParam);
}
