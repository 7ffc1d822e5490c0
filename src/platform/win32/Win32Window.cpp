// The game window on Win32: class, window, device context, pixel format and WGL context.
#include "platform/win32/Win32Window.h"

#include "platform/Console.h"
#include "platform/OpenGLFuncs.h"
#include "platform/Sys.h"

HWND WindowHandle = nullptr;
HDC DeviceContext = nullptr;
HGLRC RenderingContext = nullptr;

const WindowCalls DefaultWin32Calls = {
    ::RegisterClassA,    ::ChangeDisplaySettingsA,
    ::CreateWindowExA,   ::GetDC,
    ::ChoosePixelFormat, ::SetPixelFormat,
    ::wglCreateContext,  ::wglMakeCurrent,
    ::wglDeleteContext,  ::ReleaseDC,
    ::DestroyWindow,     ::UnregisterClassA,
};
WindowCalls Win32Calls = DefaultWin32Calls;

static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);
static_assert(sizeof(DEVMODEA) == 156);

namespace {
const char* const ClassName = "OpenGL";

constexpr DWORD WindowedStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD WindowedExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
constexpr DWORD FullScreenStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD FullScreenExStyle = WS_EX_APPWINDOW;
static_assert(WindowedStyle == 0x06CF0000 && WindowedExStyle == 0x00040100);
static_assert(FullScreenStyle == 0x86000000 && FullScreenExStyle == 0x00040000);
static_assert((CS_HREDRAW | CS_VREDRAW | CS_OWNDC) == 0x23);

// WindowProc has the game's own types; the system calls this one with its own.
SysWndProc GameWindowProc = nullptr;

LRESULT CALLBACK WindowProcTrampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return GameWindowProc(window, message, wParam, lParam);
}

// Restores the run's control word when a platform call has changed it (some GL drivers do),
// on every way out of CreateGameWindow.
struct ControlWordGuard {
    ~ControlWordGuard() {
        if (!GameControlWordHolds()) SetGameControlWord();
    }
};

PIXELFORMATDESCRIPTOR PixelFormatRequest(std::int32_t bitsPerPixel) {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(bitsPerPixel & 0xFF);
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

// Every step after the class cleans up the same way: the whole chain goes, then the step's line.
bool Fail(bool fullScreen, const char* line) {
    DestroyGameWindow(fullScreen);
    ConsoleLine(line);
    return false;
}
} // namespace

bool CreateGameWindow(std::int32_t width, std::int32_t height, bool fullScreen,
                      std::int32_t bitsPerPixel, SysWndProc windowProc) {
    ControlWordGuard keepControlWord;
    HINSTANCE instance = GetModuleHandleA(nullptr);

    GameWindowProc = windowProc;
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = WindowProcTrampoline;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = ClassName;
    if (Win32Calls.RegisterClassA(&windowClass) == 0) {
        ConsoleLine("Error: Failed to register the window class!");
        return false;
    }

    if (fullScreen) {
        DEVMODEA mode{};
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = static_cast<DWORD>(width);
        mode.dmPelsHeight = static_cast<DWORD>(height);
        mode.dmBitsPerPel = static_cast<DWORD>(bitsPerPixel);
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        // Only an outright failure falls back; the other refusals still get the pop-up window.
        if (Win32Calls.ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_FAILED) {
            ConsoleLine("Warning: Unable to switch to fullscreen, trying windowed mode");
            fullScreen = false;
        }
    }

    DWORD style = fullScreen ? FullScreenStyle : WindowedStyle;
    DWORD exStyle = fullScreen ? FullScreenExStyle : WindowedExStyle;
    if (fullScreen) ShowCursor(FALSE);

    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);

    WindowHandle = Win32Calls.CreateWindowExA(exStyle, ClassName, ClassName, style, 0, 0,
                                              outer.right - outer.left, outer.bottom - outer.top,
                                              nullptr, nullptr, instance, nullptr);
    if (WindowHandle == nullptr) return Fail(fullScreen, "Error: Failed to create window!");

    DeviceContext = Win32Calls.GetDC(WindowHandle);
    if (DeviceContext == nullptr) return Fail(fullScreen, "Error: Failed to get a device context!");

    PIXELFORMATDESCRIPTOR request = PixelFormatRequest(bitsPerPixel);
    int format = Win32Calls.ChoosePixelFormat(DeviceContext, &request);
    if (format == 0) return Fail(fullScreen, "Error: Failed to find a suitable pixel format");
    if (!Win32Calls.SetPixelFormat(DeviceContext, format, &request))
        return Fail(fullScreen, "Error: Failed to set the pixel format");

    RenderingContext = Win32Calls.wglCreateContext(DeviceContext);
    if (RenderingContext == nullptr)
        return Fail(fullScreen, "Error: Failed to create an OpenGL rendering context");
    if (!Win32Calls.wglMakeCurrent(DeviceContext, RenderingContext))
        return Fail(fullScreen, "Error: Failed to activate OpenGL rendering context");

    ShowWindow(WindowHandle, SW_SHOW);
    SetForegroundWindow(WindowHandle);
    SetFocus(WindowHandle);
    ResizeScene(width, height);
    return true;
}

void DestroyGameWindow(bool fullScreen) {
    if (fullScreen) {
        Win32Calls.ChangeDisplaySettingsA(nullptr, 0);
        ShowCursor(TRUE);
    }
    // With no context current there is nothing to free; some systems refuse the call then
    // (a null device context and no context), which is no failure of ours.
    if (wglGetCurrentContext() != nullptr && !Win32Calls.wglMakeCurrent(DeviceContext, nullptr))
        ConsoleLine("Error: Failed to free device context");
    // No context counts as a failed delete, but a null handle is never passed to the driver.
    if (RenderingContext == nullptr || !Win32Calls.wglDeleteContext(RenderingContext))
        ConsoleLine("Error: Failed to releae rendering context");
    RenderingContext = nullptr;
    if (DeviceContext != nullptr && Win32Calls.ReleaseDC(WindowHandle, DeviceContext) == 0)
        ConsoleLine("Error: Failed to release device context");
    DeviceContext = nullptr;
    if (WindowHandle != nullptr && !Win32Calls.DestroyWindow(WindowHandle))
        ConsoleLine("Error: Failed to kill window");
    WindowHandle = nullptr;
    if (!Win32Calls.UnregisterClassA(ClassName, GetModuleHandleA(nullptr)))
        ConsoleLine("Error: Failed to unregister window class!");
}

void SysSwapBuffers() {
    SwapBuffers(DeviceContext);
}
