// The game window in the browser: the page's canvas with a WebGL context made through EGL (the
// immediate-mode emulation works only on a context made that way), made and released in the
// same steps, and with the same console lines, as on Windows.
#include "platform/web/WebState.h"

#include "platform/Console.h"
#include "platform/OpenGLFuncs.h"

#include <EGL/egl.h>
#include <emscripten.h>

WebWindowRecord GameWindow;

namespace {
EGLDisplay Display = EGL_NO_DISPLAY;
EGLSurface Surface = EGL_NO_SURFACE;
EGLContext Context = EGL_NO_CONTEXT;

// The page shows the canvas when a run starts and stops it when the run ends.
EM_JS(bool, ClaimCanvas, (), {
    var canvas = document.getElementById('canvas');
    if (!canvas) return false;
    Module.canvas = canvas;
    return true;
});

// Waits for the browser's next animation frame: the frame just drawn is shown, and the page's
// events arrive meanwhile. The one place the run gives the browser its turn.
EM_ASYNC_JS(void, AwaitNextFrame, (), {
    await new Promise(function(resolve) { requestAnimationFrame(resolve); });
});

bool Fail(const char* line) {
    DestroyGameWindow(false);
    ConsoleLine(line);
    return false;
}
} // namespace

LResult SendToWindow(std::uint32_t message, WParam wParam, LParam lParam) {
    if (!GameWindow.Open || GameWindow.Proc == nullptr) return 0;
    return GameWindow.Proc(GameWindowId(), message, wParam, lParam);
}

bool CreateGameWindow(std::int32_t, std::int32_t, bool, std::int32_t bitsPerPixel,
                      SysWndProc windowProc) {
    // The canvas's size is the page's to choose: the client area is what it shows.
    GameWindow = WebWindowRecord{};
    if (!ClaimCanvas()) {
        ConsoleLine("Error: Failed to create window!");
        return false;
    }
    GameWindow.Open = true;
    GameWindow.Proc = windowProc;
    int width = 0, height = 0;
    FitDrawingBuffer(width, height);
    GameWindow.ClientWidth = width;
    GameWindow.ClientHeight = height;
    Display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    EGLint major = 0, minor = 0;
    if (Display == EGL_NO_DISPLAY || !eglInitialize(Display, &major, &minor))
        return Fail("Error: Failed to find a suitable pixel format");
    // No alpha: the clear colour's alpha of 0.5 must not let the page show through.
    EGLint channel = bitsPerPixel >= 24 ? 8 : 5;
    const EGLint request[] = {EGL_RED_SIZE,   channel, EGL_GREEN_SIZE, channel,
                              EGL_BLUE_SIZE,  channel, EGL_ALPHA_SIZE, 0,
                              EGL_DEPTH_SIZE, 16,      EGL_SAMPLES,    0,
                              EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (!eglChooseConfig(Display, request, &config, 1, &found) || found < 1)
        return Fail("Error: Failed to find a suitable pixel format");
    Surface = eglCreateWindowSurface(Display, config, 0, nullptr);
    if (Surface == EGL_NO_SURFACE) return Fail("Error: Failed to set the pixel format");
    const EGLint version[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    Context = eglCreateContext(Display, config, EGL_NO_CONTEXT, version);
    if (Context == EGL_NO_CONTEXT)
        return Fail("Error: Failed to create an OpenGL rendering context");
    if (!eglMakeCurrent(Display, Surface, Surface, Context))
        return Fail("Error: Failed to activate OpenGL rendering context");

    // Windows sends these from inside window creation, before the context exists; here GL
    // calls without a context fail outright, so they come once it is current.
    InstallEventHandlers();
    SendToWindow(WmCreate, 0, 0);
    SendToWindow(WmSize, 0,
                 MakeLParam(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height)));
    ResizeScene(width, height);
    return true;
}

void DestroyGameWindow(bool) {
    if (Display != EGL_NO_DISPLAY &&
        !eglMakeCurrent(Display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT))
        ConsoleLine("Error: Failed to free device context");
    // As on Windows, deleting a context that was never made counts as a failure.
    if (Context == EGL_NO_CONTEXT || !eglDestroyContext(Display, Context))
        ConsoleLine("Error: Failed to releae rendering context");
    Context = EGL_NO_CONTEXT;
    if (Surface != EGL_NO_SURFACE) eglDestroySurface(Display, Surface);
    Surface = EGL_NO_SURFACE;
    if (GameWindow.Open) {
        SendToWindow(WmDestroy, 0, 0);
        RemoveEventHandlers();
    }
    if (Display != EGL_NO_DISPLAY) eglTerminate(Display);
    Display = EGL_NO_DISPLAY;
    GameWindow = WebWindowRecord{};
}

void SysSwapBuffers() {
    if (!GameWindow.Open) return;
    eglSwapBuffers(Display, Surface);
    AwaitNextFrame();
}
