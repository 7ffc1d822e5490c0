// Win32Window.h - the Win32 window, its device context and GL context, shared by the backend.
#pragma once

#include "platform/win32/Win32.h"

extern HWND WindowHandle;
extern HDC DeviceContext;
extern HGLRC RenderingContext;

// The platform calls the window's set-up and teardown make. Tests swap single entries for
// failing ones to walk the error paths; the game never changes them.
struct WindowCalls {
    ATOM(WINAPI* RegisterClassA)(const WNDCLASSA*);
    LONG(WINAPI* ChangeDisplaySettingsA)(DEVMODEA*, DWORD);
    HWND(WINAPI* CreateWindowExA)
    (DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE, LPVOID);
    HDC(WINAPI* GetDC)(HWND);
    int(WINAPI* ChoosePixelFormat)(HDC, const PIXELFORMATDESCRIPTOR*);
    BOOL(WINAPI* SetPixelFormat)(HDC, int, const PIXELFORMATDESCRIPTOR*);
    HGLRC(WINAPI* wglCreateContext)(HDC);
    BOOL(WINAPI* wglMakeCurrent)(HDC, HGLRC);
    BOOL(WINAPI* wglDeleteContext)(HGLRC);
    int(WINAPI* ReleaseDC)(HWND, HDC);
    BOOL(WINAPI* DestroyWindow)(HWND);
    BOOL(WINAPI* UnregisterClassA)(LPCSTR, HINSTANCE);
};
extern WindowCalls Win32Calls;
// The real calls, for tests to put back.
extern const WindowCalls DefaultWin32Calls;

// The x87 control word the whole run computes with: every exception masked, 64-bit
// significand, round to nearest.
inline constexpr unsigned short GameControlWord = 0x133F;
// The bits of the control word that mean something; the reserved ones read back as the CPU likes.
inline constexpr unsigned short ControlWordBits = 0x1F3F;
void SetGameControlWord();
unsigned short ReadControlWord();
inline bool GameControlWordHolds() {
    return (ReadControlWord() & ControlWordBits) == GameControlWord;
}
