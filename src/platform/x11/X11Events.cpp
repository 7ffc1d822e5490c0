// The message loop's side of the X11 backend: X events become the messages Windows would post,
// and they reach the window procedure through one queue.
#include "platform/x11/X11State.h"

#include "platform/x11/X11Keys.h"
#include "platform/x11/X11Queue.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {
// The keyboard and button flags Windows puts in wParam of mouse messages.
constexpr WParam MkLButton = 0x0001;
constexpr WParam MkRButton = 0x0002;
constexpr WParam MkShift = 0x0004;
constexpr WParam MkControl = 0x0008;
constexpr WParam MkMButton = 0x0010;
constexpr int WheelDelta = 120;

std::uint32_t MessageTime = 0;

void Post(std::uint32_t message, WParam wParam, LParam lParam, std::uint32_t time) {
    QueuePush(SysMessage{GameWindowId(), message, wParam, lParam, time, GameWindow.PointerX,
                         GameWindow.PointerY});
}

void TrackKey(const SysMessage& msg) {
    bool down = msg.message == WmKeyDown || msg.message == WmSysKeyDown;
    if (!down && msg.message != WmKeyUp && msg.message != WmSysKeyUp) return;
    if (msg.wParam > 255) return;
    if (down && !GameWindow.KeyIsDown[msg.wParam]) {
        if (msg.wParam == 20) GameWindow.CapsLockOn = !GameWindow.CapsLockOn;
        if (msg.wParam == 144) GameWindow.NumLockOn = !GameWindow.NumLockOn;
    }
    GameWindow.KeyIsDown[msg.wParam] = down;
}

// The modifier bits of the tracked keyboard.
unsigned TrackedState() {
    unsigned state = 0;
    if (GameWindow.KeyIsDown[16]) state |= ShiftMask;
    if (GameWindow.KeyIsDown[17]) state |= ControlMask;
    if (GameWindow.KeyIsDown[18]) state |= Mod1Mask;
    if (GameWindow.CapsLockOn) state |= LockMask;
    if (GameWindow.NumLockOn) state |= GameWindow.NumLockMask;
    return state;
}

// Client coordinates packed as Windows packs them: each a signed 16-bit value in its word.
LParam PackPoint(int x, int y) {
    return MakeLParam(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y));
}

WParam MouseFlags(unsigned state) {
    WParam flags = 0;
    if (state & Button1Mask) flags |= MkLButton;
    if (state & Button2Mask) flags |= MkMButton;
    if (state & Button3Mask) flags |= MkRButton;
    if (state & ShiftMask) flags |= MkShift;
    if (state & ControlMask) flags |= MkControl;
    return flags;
}

void TranslateKey(const XKeyEvent& key, bool down, bool repeat) {
    // The unshifted keysym names the key whatever the modifiers, so Shift+1 is still 49.
    XKeyEvent copy = key;
    KeySym keysym = XLookupKeysym(&copy, 0);
    if ((key.state & GameWindow.NumLockMask) && IsKeypadKey(keysym)) {
        // With Num Lock on the keypad gives its digits, as on Windows.
        KeySym locked = XLookupKeysym(&copy, 1);
        if ((locked >= XK_KP_0 && locked <= XK_KP_9) || locked == XK_KP_Decimal) keysym = locked;
    }
    std::uint32_t code = KeysymToVirtualKey(keysym);
    if (code == 0) return;
    // Alt held (or Alt itself), without Control, and F10 make system keys.
    bool alt = (key.state & Mod1Mask) || keysym == XK_Alt_L || keysym == XK_Alt_R;
    bool system = IsSystemKey(code) || (alt && !(key.state & ControlMask));
    std::uint32_t message =
        down ? (system ? WmSysKeyDown : WmKeyDown) : (system ? WmSysKeyUp : WmKeyUp);
    // lParam as Windows fills it: repeat count 1, scan code, Alt context, previous state (a
    // release, or a press of a key already down) and the transition bit of a release.
    std::uint32_t scan = key.keycode >= 8 ? (key.keycode - 8) & 0xFF : 0;
    std::uint32_t bits = 1 | (scan << 16);
    if (alt) bits |= 1u << 29;
    if (!down || repeat) bits |= 1u << 30;
    if (!down) bits |= 1u << 31;
    Post(message, code, static_cast<LParam>(static_cast<std::int32_t>(bits)),
         static_cast<std::uint32_t>(key.time));
}

void TranslateButton(const XButtonEvent& button, bool down) {
    auto time = static_cast<std::uint32_t>(button.time);
    LParam point = PackPoint(button.x, button.y);
    // The state holds the buttons before this event; Windows reports them after it.
    unsigned after = button.state;
    unsigned mask = button.button == 1   ? Button1Mask
                    : button.button == 2 ? Button2Mask
                    : button.button == 3 ? Button3Mask
                                         : 0;
    after = down ? (after | mask) : (after & ~mask);
    WParam flags = MouseFlags(after);
    switch (button.button) {
    case 1:
        Post(down ? WmLButtonDown : WmLButtonUp, flags, point, time);
        break;
    case 2:
        Post(down ? WmMButtonDown : WmMButtonUp, flags, point, time);
        break;
    case 3:
        Post(down ? WmRButtonDown : WmRButtonUp, flags, point, time);
        break;
    case 4:
    case 5:
        // One wheel notch is a press and release; Windows reports it once, in screen points.
        if (down) {
            int delta = button.button == 4 ? WheelDelta : -WheelDelta;
            WParam wParam = (static_cast<WParam>(static_cast<std::uint16_t>(delta)) << 16) | flags;
            Post(WmMouseWheel, wParam, PackPoint(button.x_root, button.y_root), time);
        }
        break;
    default:
        break;
    }
}

// X keeps reporting the pointer to the window from a press until its release, wherever it goes;
// Windows reports nothing outside the client area to a window that has not captured the mouse,
// and the game never does.
bool InsideClient(int x, int y) {
    return x >= 0 && y >= 0 && x < GameWindow.ClientWidth && y < GameWindow.ClientHeight;
}

// Without detectable auto-repeat a held key arrives as release and press pairs with one
// time stamp; the release of such a pair is not a real one.
bool IsRepeatRelease(const XKeyEvent& key) {
    if (GameWindow.DetectableRepeat || XEventsQueued(key.display, QueuedAfterReading) == 0)
        return false;
    XEvent next;
    XPeekEvent(key.display, &next);
    return next.type == KeyPress && next.xkey.keycode == key.keycode && next.xkey.time == key.time;
}

void ReportSize(int width, int height, WParam kind) {
    if (width == GameWindow.ClientWidth && height == GameWindow.ClientHeight) return;
    GameWindow.ClientWidth = width;
    GameWindow.ClientHeight = height;
    Post(WmSize, kind, PackPoint(width, height), MessageTime);
}
} // namespace

void TranslateXEvent(const XEvent& event) {
    if (event.type == KeymapNotify) {
        // Follows the game window's FocusIn (its window field is not used): every key as it is
        // now, keycode 8 x byte + bit.
        for (int code = 0; code < 256; ++code) {
            auto byte = static_cast<unsigned char>(event.xkeymap.key_vector[code / 8]);
            GameWindow.KeycodeDown[code] = (byte >> (code % 8)) & 1;
        }
        return;
    }
    if (event.xany.window != GameWindow.Handle) return;
    switch (event.type) {
    case KeyPress:
    case KeyRelease: {
        GameWindow.PointerX = event.xkey.x_root;
        GameWindow.PointerY = event.xkey.y_root;
        MessageTime = static_cast<std::uint32_t>(event.xkey.time);
        if (event.type == KeyRelease && IsRepeatRelease(event.xkey)) break;
        bool down = event.type == KeyPress;
        bool& wasDown = GameWindow.KeycodeDown[event.xkey.keycode & 0xFF];
        bool repeat = down && wasDown;
        wasDown = down;
        TranslateKey(event.xkey, down, repeat);
        break;
    }
    case ButtonPress:
    case ButtonRelease:
        GameWindow.PointerX = event.xbutton.x_root;
        GameWindow.PointerY = event.xbutton.y_root;
        MessageTime = static_cast<std::uint32_t>(event.xbutton.time);
        // The wheel goes to the focused window wherever the pointer is, as on Windows.
        if (event.xbutton.button <= 3 && !InsideClient(event.xbutton.x, event.xbutton.y)) break;
        TranslateButton(event.xbutton, event.type == ButtonPress);
        break;
    case MotionNotify:
        GameWindow.PointerX = event.xmotion.x_root;
        GameWindow.PointerY = event.xmotion.y_root;
        MessageTime = static_cast<std::uint32_t>(event.xmotion.time);
        if (!InsideClient(event.xmotion.x, event.xmotion.y)) break;
        Post(WmMouseMove, MouseFlags(event.xmotion.state),
             PackPoint(event.xmotion.x, event.xmotion.y), MessageTime);
        break;
    case ConfigureNotify:
        ReportSize(event.xconfigure.width, event.xconfigure.height, 0);
        break;
    case UnmapNotify:
        // Iconified: Windows reports a minimised window as a client of 0x0 (SIZE_MINIMIZED).
        ReportSize(0, 0, 1);
        break;
    case MapNotify: {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(GameWindow.Connection, GameWindow.Handle, &attributes))
            ReportSize(attributes.width, attributes.height, 0);
        break;
    }
    case Expose:
        if (event.xexpose.count == 0) Post(WmPaint, 0, 0, MessageTime);
        break;
    case FocusIn:
        Post(WmSetFocus, 0, 0, MessageTime);
        break;
    case FocusOut:
        Post(WmKillFocus, 0, 0, MessageTime);
        break;
    case DestroyNotify:
        GameWindow.WindowGone = true;
        break;
    case ClientMessage:
        if (event.xclient.message_type == GameWindow.WmProtocols && event.xclient.format == 32 &&
            static_cast<Atom>(event.xclient.data.l[0]) == GameWindow.WmDeleteWindow)
            Post(WmClose, 0, 0, MessageTime);
        break;
    default:
        break;
    }
}

bool SysPeekMessage(SysMessage& msg) {
    // What is queued already comes first; X is read only when the queue is empty, and only
    // what has arrived, so this never waits.
    if (QueueCount() == 0 && GameWindow.Connection != nullptr) {
        while (QueueCount() == 0 && !GameWindow.DisplayLost &&
               XPending(GameWindow.Connection) > 0) {
            XEvent event;
            XNextEvent(GameWindow.Connection, &event);
            TranslateXEvent(event);
        }
    }
    // A close signal, a destroyed window and a lost display each ask the window to close, as
    // the close box does; the last two only once.
    if (TakeCloseSignal()) SysPostMessage(WmClose, 0, 0);
    bool lost = ReportLostDisplay();
    if ((lost || GameWindow.WindowGone) && !GameWindow.GoneClosePosted)
        GameWindow.GoneClosePosted = SysPostMessage(WmClose, 0, 0);
    if (!QueuePop(msg)) return false;
    TrackKey(msg);
    return true;
}

void SysTranslateMessage(const SysMessage& msg) {
    bool system = msg.message == WmSysKeyDown;
    if ((msg.message != WmKeyDown && !system) || GameWindow.Connection == nullptr ||
        GameWindow.DisplayLost)
        return;
    // The key comes back from the scan code in lParam and types with the keyboard as the
    // messages taken so far left it; the character is the next message, as on Windows.
    std::uint32_t scan = static_cast<std::uint32_t>(msg.lParam >> 16) & 0xFF;
    if (scan == 0) return;
    XKeyEvent key{};
    key.type = KeyPress;
    key.display = GameWindow.Connection;
    key.window = GameWindow.Handle;
    key.keycode = scan + 8;
    key.state = TrackedState();
    char text[8];
    KeySym typed = 0;
    if (XLookupString(&key, text, sizeof text, &typed, nullptr) != 1) return;
    QueuePushFront(SysMessage{msg.window, system ? WmSysChar : WmChar,
                              static_cast<unsigned char>(text[0]), msg.lParam, msg.time, msg.ptX,
                              msg.ptY});
}

void SysDispatchMessage(const SysMessage& msg) {
    if (msg.window == GameWindowId()) SendToWindow(msg.message, msg.wParam, msg.lParam);
}

void SysPostQuitMessage(int exitCode) {
    QueuePush(SysMessage{nullptr, WmQuit, static_cast<WParam>(exitCode), 0, MessageTime, 0, 0});
}

bool SysPostMessage(std::uint32_t message, WParam wParam, LParam lParam) {
    if (GameWindow.Handle == 0) return false;
    Post(message, wParam, lParam, MessageTime);
    return true;
}

LResult SysDefWindowProc(SysWindow, std::uint32_t message, WParam wParam, LParam) {
    // Alt+F4 is the system menu's Close, and Close asks the window to close, as on Windows.
    constexpr WParam ScClose = 0xF060;
    if (message == WmSysKeyDown && wParam == 115) SendToWindow(WmSysCommand, ScClose, 0);
    if (message == WmSysCommand && (wParam & 0xFFF0) == ScClose) SendToWindow(WmClose, 0, 0);
    return 0;
}
