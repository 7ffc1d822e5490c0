// The game window on Win32, against the real window system and GL (under Wine in Xvfb).
#include "platform/win32/Win32Window.h"

#include "app/WindowProc.h"
#include "input/Keyboard.h"
#include "input/Mouse.h"
#include "platform/OpenGLFuncs.h"
#include "platform/Sys.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <string>
#include <vector>

namespace {
std::string Lines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines)
        (text += line) += "\r\n";
    return text;
}

bool ClassRegistered() {
    WNDCLASSA info{};
    return GetClassInfoA(GetModuleHandleA(nullptr), "OpenGL", &info) != 0;
}

// The cursor's display counter (ShowCursor has no plain query).
int CursorCount() {
    int count = ShowCursor(TRUE);
    ShowCursor(FALSE);
    return count - 1;
}

// Runs one create and returns what it wrote to the console.
// Console lines as written, byte for byte: descriptor 1 goes to a binary file meanwhile
// (the test framework's own capture reads back in text mode and would fold CR LF).
template <typename Action> std::string CapturingLines(Action action) {
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "qvl", 0, path);
    int saved = _dup(1);
    int file = _open(path, _O_CREAT | _O_TRUNC | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    _dup2(file, 1);
    _close(file);
    action();
    _dup2(saved, 1);
    _close(saved);
    std::string lines;
    if (FILE* in = std::fopen(path, "rb")) {
        char buffer[512];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) lines.append(buffer, n);
        std::fclose(in);
    }
    DeleteFileA(path);
    return lines;
}

std::string CreateCapturingLines(bool fullScreen, bool& created) {
    return CapturingLines([&] { created = CreateGameWindow(800, 600, fullScreen, 32, WindowProc); });
}

std::string DestroyCapturingLines(bool fullScreen) {
    return CapturingLines([&] { DestroyGameWindow(fullScreen); });
}

class Win32Window : public testing::Test {
  protected:
    void TearDown() override {
        if (WindowHandle != nullptr) DestroyGameWindow(false);
        Win32Calls = DefaultWin32Calls;
        UnregisterClassA("OpenGL", GetModuleHandleA(nullptr));
    }
};

// Pumps until a message of that number comes out of the queue; the others are dispatched.
bool TakeMessage(std::uint32_t number, SysMessage& msg) {
    for (int i = 0; i < 10000; ++i) {
        if (!SysPeekMessage(msg)) {
            Sleep(1);
            continue;
        }
        if (msg.message == number) return true;
        if (msg.message == WmQuit) return false;
        SysTranslateMessage(msg);
        SysDispatchMessage(msg);
    }
    return false;
}

// Failing stand-ins for single platform calls.
ATOM WINAPI FailRegister(const WNDCLASSA*) {
    return 0;
}
HWND WINAPI FailCreateWindow(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU,
                             HINSTANCE, LPVOID) {
    return nullptr;
}
HDC WINAPI FailGetDC(HWND) {
    return nullptr;
}
int WINAPI FailChoose(HDC, const PIXELFORMATDESCRIPTOR*) {
    return 0;
}
BOOL WINAPI FailSet(HDC, int, const PIXELFORMATDESCRIPTOR*) {
    return FALSE;
}
HGLRC WINAPI FailCreateContext(HDC) {
    return nullptr;
}
BOOL WINAPI FailActivate(HDC dc, HGLRC context) {
    return context != nullptr ? FALSE : wglMakeCurrent(dc, nullptr);
}
BOOL WINAPI FailRelease(HGLRC) {
    return FALSE;
}
BOOL WINAPI FailDestroyWindow(HWND window) {
    DestroyWindow(window); // really gone, so the class can go too
    return FALSE;
}

// Display-mode changes are recorded, never made.
std::vector<DEVMODEA*> ModeRequests;
std::vector<DWORD> ModeFlags;
LONG ModeAnswer = DISP_CHANGE_SUCCESSFUL;
LONG WINAPI RecordModeChange(DEVMODEA* mode, DWORD flags) {
    ModeRequests.push_back(mode);
    ModeFlags.push_back(flags);
    if (mode != nullptr) {
        EXPECT_EQ(mode->dmSize, 156u);
        EXPECT_EQ(mode->dmPelsWidth, 800u);
        EXPECT_EQ(mode->dmPelsHeight, 600u);
        EXPECT_EQ(mode->dmBitsPerPel, 32u);
        EXPECT_EQ(mode->dmFields, 0x001C0000u);
    }
    return mode != nullptr ? ModeAnswer : DISP_CHANGE_SUCCESSFUL;
}
} // namespace

TEST_F(Win32Window, WindowedCreateGivesTheDesignedWindowAndContext) {
    Win32Calls.ChangeDisplaySettingsA = RecordModeChange;
    ModeRequests.clear();
    int cursor = CursorCount();
    bool created = false;
    EXPECT_EQ(CreateCapturingLines(false, created), "");
    ASSERT_TRUE(created);

    EXPECT_EQ(FindWindowA("OpenGL", "OpenGL"), WindowHandle);
    RECT client{};
    GetClientRect(WindowHandle, &client);
    EXPECT_EQ(client.right - client.left, 800);
    EXPECT_EQ(client.bottom - client.top, 600);
    EXPECT_TRUE(IsWindowVisible(WindowHandle));
    EXPECT_EQ(GetClassLongA(WindowHandle, GCL_STYLE), 0x23u);
    EXPECT_EQ(GetWindowLongA(WindowHandle, GWL_STYLE) & 0x06CF0000, 0x06CF0000);
    EXPECT_EQ(GetWindowLongA(WindowHandle, GWL_EXSTYLE) & 0x00040100, 0x00040100);
    EXPECT_EQ(GetDC(WindowHandle), DeviceContext) << "the class asks for a private DC";
    EXPECT_EQ(wglGetCurrentContext(), RenderingContext);
    EXPECT_EQ(wglGetCurrentDC(), DeviceContext);
    EXPECT_TRUE(GameControlWordHolds()) << "window or GL set-up changed the FPU";

    PIXELFORMATDESCRIPTOR format{};
    DescribePixelFormat(DeviceContext, GetPixelFormat(DeviceContext), sizeof format, &format);
    EXPECT_TRUE(format.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_TRUE(format.dwFlags & PFD_SUPPORT_OPENGL);
    EXPECT_GE(format.cDepthBits, 16);

    // The requested size reached ResizeScene.
    EXPECT_EQ(ScreenWidth, 800);
    EXPECT_EQ(ScreenHeight, 600);

    // Windowed mode never touches the display mode or the cursor.
    EXPECT_EQ(DestroyCapturingLines(false), "");
    EXPECT_TRUE(ModeRequests.empty());
    EXPECT_EQ(CursorCount(), cursor);
    EXPECT_EQ(FindWindowA("OpenGL", "OpenGL"), nullptr);
    EXPECT_FALSE(ClassRegistered());
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

TEST_F(Win32Window, AFailedStepReleasesTheChainBeforeItsLine) {
    const char* const noContext = "Error: Failed to releae rendering context";
    struct Case {
        const char* step;
        void (*breakIt)(WindowCalls&);
        std::string lines;
    } cases[] = {
        {"register", [](WindowCalls& c) { c.RegisterClassA = FailRegister; },
         Lines({"Error: Failed to register the window class!"})},
        {"window", [](WindowCalls& c) { c.CreateWindowExA = FailCreateWindow; },
         Lines({noContext, "Error: Failed to create window!"})},
        {"device context", [](WindowCalls& c) { c.GetDC = FailGetDC; },
         Lines({noContext, "Error: Failed to get a device context!"})},
        {"choose format", [](WindowCalls& c) { c.ChoosePixelFormat = FailChoose; },
         Lines({noContext, "Error: Failed to find a suitable pixel format"})},
        {"set format", [](WindowCalls& c) { c.SetPixelFormat = FailSet; },
         Lines({noContext, "Error: Failed to set the pixel format"})},
        {"create context", [](WindowCalls& c) { c.wglCreateContext = FailCreateContext; },
         Lines({noContext, "Error: Failed to create an OpenGL rendering context"})},
        {"activate", [](WindowCalls& c) { c.wglMakeCurrent = FailActivate; },
         Lines({"Error: Failed to activate OpenGL rendering context"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        Win32Calls = DefaultWin32Calls;
        c.breakIt(Win32Calls);
        bool created = true;
        EXPECT_EQ(CreateCapturingLines(false, created), c.lines);
        EXPECT_FALSE(created);
        EXPECT_EQ(FindWindowA("OpenGL", "OpenGL"), nullptr);
        EXPECT_FALSE(ClassRegistered());
        EXPECT_EQ(wglGetCurrentContext(), nullptr);
        EXPECT_TRUE(GameControlWordHolds());
    }
}

TEST_F(Win32Window, AClassAlreadyTakenIsARealRegisterFailure) {
    WNDCLASSA taken{};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = GetModuleHandleA(nullptr);
    taken.lpszClassName = "OpenGL";
    ASSERT_NE(RegisterClassA(&taken), 0);
    bool created = true;
    EXPECT_EQ(CreateCapturingLines(false, created),
              Lines({"Error: Failed to register the window class!"}));
    EXPECT_FALSE(created);
    EXPECT_TRUE(ClassRegistered()) << "nothing of its own to release, so nothing released";
}

TEST_F(Win32Window, TeardownReportsEachFailedStepAndGoesOn) {
    bool created = false;
    CreateCapturingLines(false, created);
    ASSERT_TRUE(created);
    Win32Calls.wglDeleteContext = FailRelease;
    Win32Calls.DestroyWindow = FailDestroyWindow;
    EXPECT_EQ(DestroyCapturingLines(false),
              Lines({"Error: Failed to releae rendering context", "Error: Failed to kill window"}));
    EXPECT_FALSE(ClassRegistered()) << "the class goes even after a failed step";
}

TEST_F(Win32Window, FullScreenRequestsFallBackOnlyOnOutrightFailure) {
    Win32Calls.ChangeDisplaySettingsA = RecordModeChange;
    struct Case {
        LONG answer;
        std::string lines;
        bool popup;
    } cases[] = {
        {DISP_CHANGE_FAILED,
         Lines({"Warning: Unable to switch to fullscreen, trying windowed mode"}), false},
        {DISP_CHANGE_BADMODE, "", true},
        {DISP_CHANGE_SUCCESSFUL, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        ModeRequests.clear();
        ModeFlags.clear();
        ModeAnswer = c.answer;
        int cursor = CursorCount();
        bool created = false;
        EXPECT_EQ(CreateCapturingLines(true, created), c.lines);
        ASSERT_TRUE(created);
        ASSERT_EQ(ModeRequests.size(), 1u);
        EXPECT_EQ(ModeFlags[0], static_cast<DWORD>(CDS_FULLSCREEN));
        LONG style = GetWindowLongA(WindowHandle, GWL_STYLE);
        EXPECT_EQ((style & WS_POPUP) != 0, c.popup);
        EXPECT_EQ(CursorCount(), c.popup ? cursor - 1 : cursor);
        RECT client{};
        GetClientRect(WindowHandle, &client);
        EXPECT_EQ(client.right, 800);
        EXPECT_EQ(client.bottom, 600);

        // The run's own teardown passes the mode it really ended up in.
        EXPECT_EQ(DestroyCapturingLines(c.popup), "");
        EXPECT_EQ(ModeRequests.size(), c.popup ? 2u : 1u);
        if (c.popup) {
            EXPECT_EQ(ModeRequests[1], nullptr);
        }
        EXPECT_EQ(CursorCount(), cursor);
    }
}

TEST_F(Win32Window, MessagesReachTheGameThroughTheQueue) {
    bool created = false;
    CreateCapturingLines(false, created);
    ASSERT_TRUE(created);
    SysMessage msg{};
    while (SysPeekMessage(msg)) {
        if (msg.message == WmQuit) FAIL() << "quit before any close";
        SysTranslateMessage(msg);
        SysDispatchMessage(msg);
    }

    struct Case {
        std::uint32_t message;
        WParam wParam;
        LParam lParam;
        bool (*check)();
    } cases[] = {
        {WmKeyDown, 'A', 0, [] { return Keys['A']; }},
        {WmKeyUp, 'A', 0, [] { return !Keys['A']; }},
        // Bit 30 of a key-down: the key was down already, an auto-repeat and no new press.
        {WmKeyDown, 27, 0x00010001, [] { return Keys[27] && KeyPressed[27]; }},
        {WmKeyUp, 27, static_cast<LParam>(0xC0010001u), [] { return !KeyPressed[27]; }},
        {WmKeyDown, 27, 0x40010001, [] { return Keys[27] && !KeyPressed[27]; }},
        {WmMouseMove, 0, MakeLParam(400, 300), [] { return MouseX == 400 && MouseY == 300; }},
        {WmLButtonDown, 0, MakeLParam(1, 1), [] { return MouseClick; }},
        {WmLButtonUp, 0, MakeLParam(1, 1), [] { return !MouseClick; }},
        {WmSize, 0, MakeLParam(640, 0), [] { return ScreenWidth == 640 && ScreenHeight == 1; }},
        {WmSize, 0, MakeLParam(800, 600), [] { return ScreenWidth == 800 && ScreenHeight == 600; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        // Each message in a frame of its own: the update before it has seen what came before.
        SettleMouse();
        SettleKeys();
        ASSERT_TRUE(SysPostMessage(c.message, c.wParam, c.lParam));
        ASSERT_TRUE(TakeMessage(c.message, msg));
        EXPECT_EQ(msg.window, WindowHandle);
        EXPECT_EQ(msg.wParam, c.wParam);
        EXPECT_EQ(msg.lParam, c.lParam);
        SysTranslateMessage(msg);
        SysDispatchMessage(msg);
        EXPECT_TRUE(c.check());
    }

    // The close request queues the quit message and leaves the window standing.
    ASSERT_TRUE(SysPostMessage(WmClose, 0, 0));
    ASSERT_TRUE(TakeMessage(WmClose, msg));
    SysDispatchMessage(msg);
    ASSERT_TRUE(SysPeekMessage(msg));
    EXPECT_EQ(msg.message, WmQuit);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_TRUE(IsWindow(WindowHandle));

    DestroyGameWindow(false);
    EXPECT_FALSE(SysPostMessage(WmClose, 0, 0)) << "no window, nothing to post to";
}
