// The game window on X11: a top-level window with a GLX context, made and released in the same
// steps (and with the same console lines) as on Windows.
#include "platform/x11/X11State.h"

#include "platform/Console.h"
#include "platform/OpenGLFuncs.h"
#include "platform/x11/X11Queue.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cstdlib>
#include <poll.h>
#include <time.h>
#include <unistd.h>
#include <vector>

X11WindowRecord GameWindow;

// The crate icon (data/quorvin.ico, drawn by tools/make-art), linked in whole at build time:
// there is no file to go missing at run time.
asm(".pushsection .rodata\n"
    ".balign 4\n"
    "QuorvinIcon:\n"
    ".incbin \"" QUORVIN_ICON_FILE "\"\n"
    "QuorvinIconEnd:\n"
    ".popsection\n");
extern "C" const unsigned char QuorvinIcon[];
extern "C" const unsigned char QuorvinIconEnd[];

namespace {
// Xlib's own handler ends the process on any protocol error; a failed step must instead be
// reported on the console and cleaned up, so errors are only counted here.
int ErrorCount = 0;
int (*PreviousHandler)(Display*, XErrorEvent*) = nullptr;

int (*PreviousIoHandler)(Display*) = nullptr;

int CountError(Display*, XErrorEvent* error) {
    ++ErrorCount;
    // Another client destroyed the window: what we still send to it fails.
    if ((error->error_code == BadWindow || error->error_code == BadDrawable) &&
        GameWindow.Handle != 0 && error->resourceid == GameWindow.Handle)
        GameWindow.WindowGone = true;
    return 0;
}

// Xlib would print its own message here and end the process; the loop ends it in order.
int QuietIoError(Display*) {
    return 0;
}

// Called instead of exit once the connection breaks; Xlib then returns from the call that
// found it, and every later call on the connection returns at once.
void MarkDisplayLost(Display*, void*) {
    GameWindow.DisplayLost = true;
}

// True when the requests sent since the last call all succeeded.
bool RequestsSucceeded(Display* display) {
    XSync(display, False);
    bool ok = ErrorCount == 0;
    ErrorCount = 0;
    return ok;
}

int ChannelBits(std::int32_t bitsPerPixel) {
    if (bitsPerPixel >= 24) return 8;
    if (bitsPerPixel >= 15) return 5;
    return 1;
}

XVisualInfo* TryVisual(Display* display, int channelBits) {
    int request[] = {
        GLX_RGBA,       GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16,          GLX_RED_SIZE, channelBits,
        GLX_GREEN_SIZE, channelBits,      GLX_BLUE_SIZE,  channelBits, None};
    return glXChooseVisual(display, DefaultScreen(display), request);
}

XVisualInfo* ChooseVisual(Display* display, std::int32_t bitsPerPixel) {
    XVisualInfo* visual = TryVisual(display, ChannelBits(bitsPerPixel));
    // The request is a wish: take the closest the server has rather than none.
    return visual != nullptr ? visual : TryVisual(display, 1);
}

unsigned FindNumLockMask(Display* display) {
    unsigned mask = 0;
    XModifierKeymap* map = XGetModifierMapping(display);
    if (map == nullptr) return Mod2Mask;
    KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    for (int modifier = 0; modifier < 8 && numLock != 0; ++modifier)
        for (int k = 0; k < map->max_keypermod; ++k)
            if (map->modifiermap[modifier * map->max_keypermod + k] == numLock)
                mask = 1u << modifier;
    XFreeModifiermap(map);
    return mask != 0 ? mask : Mod2Mask;
}

Bool IsMapNotify(Display*, XEvent* event, XPointer window) {
    return event->type == MapNotify &&
           event->xmap.window == static_cast<Window>(reinterpret_cast<std::uintptr_t>(window));
}

// Waits, at most a few seconds, until the server has mapped the window. Other events stay
// queued for the message loop.
void WaitUntilMapped(Display* display, Window window) {
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    XPointer arg = reinterpret_cast<XPointer>(static_cast<std::uintptr_t>(window));
    XEvent event;
    for (;;) {
        if (XCheckIfEvent(display, &event, IsMapNotify, arg)) return;
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec - start.tv_sec >= 5) return;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, 50);
        XEventsQueued(display, QueuedAfterReading);
    }
}

// A server whose last client has just gone resets itself and refuses connections for a
// moment, so a named display is tried for up to a second before it counts as missing.
Display* OpenDisplay() {
    Display* display = XOpenDisplay(nullptr);
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') return display;
    for (int attempt = 0; display == nullptr && attempt < 20; ++attempt) {
        timespec pause{0, 50 * 1000 * 1000};
        nanosleep(&pause, nullptr);
        display = XOpenDisplay(nullptr);
    }
    return display;
}

std::uint32_t Little(const unsigned char* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

// _NET_WM_ICON from the icon file's bitmaps of 48 pixels and more (the small ones are for
// Windows' lists): width, height, then the rows top down, one ARGB pixel a CARDINAL. A bitmap
// that is not a whole 32-bit one is left out.
std::vector<unsigned long> IconProperty() {
    std::vector<unsigned long> property;
    const unsigned char* file = QuorvinIcon;
    const std::size_t size = static_cast<std::size_t>(QuorvinIconEnd - QuorvinIcon);
    const std::size_t count = size >= 6 ? Little(file + 4, 2) : 0;
    for (std::size_t i = 0; i < count && 6 + 16 * (i + 1) <= size; ++i) {
        const std::size_t at = Little(file + 6 + 16 * i + 12, 4);
        if (at + 40 > size) continue;
        const unsigned char* bitmap = file + at;
        const std::size_t width = Little(bitmap + 4, 4), height = Little(bitmap + 8, 4) / 2;
        if (Little(bitmap, 4) != 40 || Little(bitmap + 14, 2) != 32 ||
            Little(bitmap + 16, 4) != 0 || width < 48 || width > 256 || height != width ||
            at + 40 + width * height * 4 > size)
            continue;
        property.push_back(width);
        property.push_back(height);
        // Stored bottom row first, each pixel blue, green, red, alpha: ARGB read little-endian.
        for (std::size_t row = height; row-- > 0;)
            for (std::size_t x = 0; x < width; ++x)
                property.push_back(Little(bitmap + 40 + (row * width + x) * 4, 4));
    }
    return property;
}

// What a desktop matches the window with beside its class: the process and its host, and the
// crate for the dock, the task list and Alt+Tab. Nothing here may fail the window: errors are
// taken out of the count before the next checked step.
void NameToDesktop(Display* display, Window window) {
    unsigned long pid = static_cast<unsigned long>(getpid());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    // The pid means something only together with the host it runs on.
    char host[256] = {};
    char* hostList[] = {host};
    XTextProperty hostText{};
    if (gethostname(host, sizeof host - 1) == 0 &&
        XStringListToTextProperty(hostList, 1, &hostText)) {
        XSetWMClientMachine(display, window, &hostText);
        XFree(hostText.value);
    }
    // One request a size, each within what a server takes with big requests.
    std::vector<unsigned long> icon = IconProperty();
    Atom iconAtom = XInternAtom(display, "_NET_WM_ICON", False);
    int mode = PropModeReplace;
    for (std::size_t at = 0; at + 2 <= icon.size();) {
        const std::size_t length = 2 + icon[at] * icon[at + 1];
        XChangeProperty(display, window, iconAtom, XA_CARDINAL, 32, mode,
                        reinterpret_cast<unsigned char*>(&icon[at]), static_cast<int>(length));
        mode = PropModeAppend;
        at += length;
    }
    RequestsSucceeded(display);
}

// Creation's failure path: release what exists, then name the step that failed.
bool Fail(const char* line) {
    DestroyGameWindow(false);
    ConsoleLine(line);
    return false;
}
} // namespace

LResult SendToWindow(std::uint32_t message, WParam wParam, LParam lParam) {
    if (GameWindow.Handle == 0 || GameWindow.Proc == nullptr) return 0;
    return GameWindow.Proc(GameWindowId(), message, wParam, lParam);
}

bool CreateGameWindow(std::int32_t width, std::int32_t height, bool, std::int32_t bitsPerPixel,
                      SysWndProc windowProc) {
    // Full screen is never asked for on this system; the window is always a normal one.
    GameWindow = X11WindowRecord{};
    Display* display = OpenDisplay();
    if (display == nullptr) {
        // Like a class that cannot be registered: nothing was made, so nothing is released.
        ConsoleLine("Error: Failed to open the X display!");
        return false;
    }
    GameWindow.Connection = display;
    ErrorCount = 0;
    PreviousHandler = XSetErrorHandler(CountError);
    PreviousIoHandler = XSetIOErrorHandler(QuietIoError);
    XSetIOErrorExitHandler(display, MarkDisplayLost, nullptr);

    XVisualInfo* visual = ChooseVisual(display, bitsPerPixel);
    if (visual == nullptr) return Fail("Error: Failed to find a suitable pixel format");

    Window root = RootWindow(display, visual->screen);
    GameWindow.Colours = XCreateColormap(display, root, visual->visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = GameWindow.Colours;
    attributes.border_pixel = 0;
    attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | StructureNotifyMask | ExposureMask |
                            FocusChangeMask | KeymapStateMask;
    Window window =
        XCreateWindow(display, root, 0, 0, static_cast<unsigned>(width > 0 ? width : 1),
                      static_cast<unsigned>(height > 0 ? height : 1), 0, visual->depth, InputOutput,
                      visual->visual, CWColormap | CWBorderPixel | CWEventMask, &attributes);
    if (window == 0 || !RequestsSucceeded(display)) {
        XFree(visual);
        return Fail("Error: Failed to create window!");
    }
    GameWindow.Handle = window;
    GameWindow.Proc = windowProc;

    XStoreName(display, window, "OpenGL");
    XClassHint classHint{};
    char className[] = "OpenGL";
    classHint.res_name = className;
    classHint.res_class = className;
    XSetClassHint(display, window, &classHint);
    XSizeHints sizeHints{};
    sizeHints.flags = PPosition | PSize;
    sizeHints.width = width;
    sizeHints.height = height;
    XSetWMNormalHints(display, window, &sizeHints);
    XWMHints wmHints{};
    wmHints.flags = InputHint | StateHint;
    wmHints.input = True;
    wmHints.initial_state = NormalState;
    XSetWMHints(display, window, &wmHints);
    NameToDesktop(display, window);
    GameWindow.WmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
    GameWindow.WmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &GameWindow.WmDeleteWindow, 1);
    // A held key then repeats as key-downs alone, as on Windows.
    Bool detectable = False;
    XkbSetDetectableAutoRepeat(display, True, &detectable);
    GameWindow.DetectableRepeat = detectable != False;
    GameWindow.NumLockMask = FindNumLockMask(display);
    XkbStateRec keyboard{};
    if (XkbGetState(display, XkbUseCoreKbd, &keyboard) == Success) {
        GameWindow.CapsLockOn = (keyboard.locked_mods & LockMask) != 0;
        GameWindow.NumLockOn = (keyboard.locked_mods & GameWindow.NumLockMask) != 0;
    }

    // Windows sends these from inside window creation, before any context exists.
    GameWindow.ClientWidth = width;
    GameWindow.ClientHeight = height;
    SendToWindow(WmCreate, 0, 0);
    SendToWindow(WmSize, 0,
                 MakeLParam(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height)));

    GameWindow.Context = glXCreateContext(display, visual, nullptr, True);
    XFree(visual);
    if (GameWindow.Context == nullptr || !RequestsSucceeded(display)) {
        if (GameWindow.Context != nullptr) {
            glXDestroyContext(display, GameWindow.Context);
            GameWindow.Context = nullptr;
        }
        return Fail("Error: Failed to create an OpenGL rendering context");
    }
    if (!glXMakeCurrent(display, window, GameWindow.Context) || !RequestsSucceeded(display))
        return Fail("Error: Failed to activate OpenGL rendering context");

    // Show it and give it the keyboard. Focus can only go to a viewable window, so wait for
    // the map; without a window manager nobody else would give it the focus.
    XMapRaised(display, window);
    XFlush(display);
    WaitUntilMapped(display, window);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    RequestsSucceeded(display);

    ResizeScene(width, height);
    return true;
}

bool ReportLostDisplay() {
    if (!GameWindow.DisplayLost) return false;
    if (!GameWindow.LossReported) ConsoleLine("Error: Lost the connection to the X display!");
    GameWindow.LossReported = true;
    return true;
}

void DestroyGameWindow(bool) {
    Display* display = GameWindow.Connection;
    // Errors from the run itself are not the teardown's. The round trip also finds a
    // connection that broke since the last frame.
    if (display != nullptr) RequestsSucceeded(display);
    if (display != nullptr && ReportLostDisplay()) {
        // Nothing can be released on a dead connection; the process ends next.
        if (GameWindow.Handle != 0) SendToWindow(WmDestroy, 0, 0);
        QueueRemoveWindow(GameWindowId());
        XSetErrorHandler(PreviousHandler);
        XSetIOErrorHandler(PreviousIoHandler);
        GameWindow = X11WindowRecord{};
        return;
    }
    if (display != nullptr && !glXMakeCurrent(display, None, nullptr))
        ConsoleLine("Error: Failed to free device context");

    // Like wglDeleteContext, deleting a context that was never made counts as a failure.
    if (display == nullptr || GameWindow.Context == nullptr) {
        ConsoleLine("Error: Failed to releae rendering context");
    } else {
        glXDestroyContext(display, GameWindow.Context);
        if (!RequestsSucceeded(display)) ConsoleLine("Error: Failed to releae rendering context");
    }
    GameWindow.Context = nullptr;

    if (GameWindow.Handle != 0) {
        SendToWindow(WmDestroy, 0, 0);
        // A window another client destroyed is gone already.
        if (!GameWindow.WindowGone) XDestroyWindow(display, GameWindow.Handle);
        if (!RequestsSucceeded(display)) ConsoleLine("Error: Failed to kill window");
        GameWindow.Handle = 0;
        QueueRemoveWindow(GameWindowId());
    }
    if (display != nullptr && GameWindow.Colours != 0) XFreeColormap(display, GameWindow.Colours);
    GameWindow.Colours = 0;

    // Closing the connection stands for unregistering the class.
    if (display == nullptr) {
        ConsoleLine("Error: Failed to unregister window class!");
    } else {
        XSync(display, False);
        XSetErrorHandler(PreviousHandler);
        XSetIOErrorHandler(PreviousIoHandler);
        XCloseDisplay(display);
    }
    GameWindow = X11WindowRecord{};
}

void SysSwapBuffers() {
    if (GameWindow.Connection != nullptr && GameWindow.Handle != 0 && !GameWindow.WindowGone &&
        !GameWindow.DisplayLost)
        glXSwapBuffers(GameWindow.Connection, GameWindow.Handle);
}
