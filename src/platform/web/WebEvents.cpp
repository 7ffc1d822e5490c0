// The message loop's side of the browser backend: the page's events become the messages Windows
// would post, and they reach the window procedure through one queue. Events arrive while the
// frame loop waits for the next animation frame.
#include "platform/web/WebState.h"

#include "platform/web/WebKeys.h"

#include <cmath>
#include <deque>
#include <emscripten.h>
#include <emscripten/html5.h>

namespace {
constexpr const char* Canvas = "#canvas";
constexpr WParam MkLButton = 0x0001;
constexpr WParam MkRButton = 0x0002;
constexpr WParam MkShift = 0x0004;
constexpr WParam MkControl = 0x0008;
constexpr WParam MkMButton = 0x0010;

std::deque<SysMessage> Queue;
std::uint32_t MessageTime = 0;
// The character each key typed when it last went down, for SysTranslateMessage.
unsigned char KeyCharacter[256] = {};
long TouchId = -1; // the finger that stands for the mouse; -1 when none

void Post(std::uint32_t message, WParam wParam, LParam lParam, double timestamp) {
    MessageTime = static_cast<std::uint32_t>(static_cast<std::int64_t>(timestamp));
    Queue.push_back(SysMessage{GameWindowId(), message, wParam, lParam, MessageTime, 0, 0});
}

// A point in CSS pixels from the canvas's corner, in the drawing buffer's pixels; false when
// it lies outside, where Windows tells an uncaptured window nothing.
bool ToClient(double cssX, double cssY, LParam& point) {
    double width = 0, height = 0;
    emscripten_get_element_css_size(Canvas, &width, &height);
    if (width <= 0 || height <= 0 || cssX < 0 || cssY < 0 || cssX >= width || cssY >= height)
        return false;
    auto x = static_cast<int>(std::floor(cssX * GameWindow.ClientWidth / width));
    auto y = static_cast<int>(std::floor(cssY * GameWindow.ClientHeight / height));
    point = MakeLParam(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y));
    return true;
}

WParam MouseFlags(unsigned short buttons, bool shift, bool control) {
    WParam flags = 0;
    if (buttons & 1) flags |= MkLButton;
    if (buttons & 2) flags |= MkRButton;
    if (buttons & 4) flags |= MkMButton;
    if (shift) flags |= MkShift;
    if (control) flags |= MkControl;
    return flags;
}

EM_BOOL OnMouse(int type, const EmscriptenMouseEvent* e, void*) {
    LParam point = 0;
    if (!ToClient(static_cast<double>(e->targetX), static_cast<double>(e->targetY), point))
        return EM_FALSE;
    WParam flags = MouseFlags(e->buttons, e->shiftKey, e->ctrlKey);
    if (type == EMSCRIPTEN_EVENT_MOUSEMOVE) {
        Post(WmMouseMove, flags, point, e->timestamp);
        return EM_FALSE;
    }
    bool down = type == EMSCRIPTEN_EVENT_MOUSEDOWN;
    static constexpr std::uint32_t Downs[3] = {WmLButtonDown, WmMButtonDown, WmRButtonDown};
    static constexpr std::uint32_t Ups[3] = {WmLButtonUp, WmMButtonUp, WmRButtonUp};
    if (e->button > 2) return EM_FALSE;
    Post(down ? Downs[e->button] : Ups[e->button], flags, point, e->timestamp);
    return EM_TRUE;
}

// A finger is the left button: down where it lands, moving with it, up where it lifts. The
// browser makes no mouse events of its own from it.
EM_BOOL OnTouch(int type, const EmscriptenTouchEvent* e, void*) {
    for (int i = 0; i < e->numTouches; ++i) {
        const EmscriptenTouchPoint& t = e->touches[i];
        if (!t.isChanged) continue;
        if (type == EMSCRIPTEN_EVENT_TOUCHSTART && TouchId < 0) TouchId = t.identifier;
        if (t.identifier != TouchId) continue;
        LParam point = 0;
        bool inside = ToClient(static_cast<double>(t.targetX), static_cast<double>(t.targetY), point);
        if (type == EMSCRIPTEN_EVENT_TOUCHSTART) {
            if (inside) {
                Post(WmMouseMove, 0, point, e->timestamp);
                Post(WmLButtonDown, MkLButton, point, e->timestamp);
            }
        } else if (type == EMSCRIPTEN_EVENT_TOUCHMOVE) {
            if (inside) Post(WmMouseMove, MkLButton, point, e->timestamp);
        } else {
            if (inside && type == EMSCRIPTEN_EVENT_TOUCHEND)
                Post(WmLButtonUp, 0, point, e->timestamp);
            TouchId = -1;
        }
    }
    return EM_TRUE;
}

// The one byte a key typed, as the ANSI code page has it; 0 for none.
unsigned char TypedByte(const char* key) {
    auto* k = reinterpret_cast<const unsigned char*>(key);
    if (k[0] != 0 && k[0] < 0x80 && k[1] == 0) return k[0];
    // Two-byte UTF-8 up to U+00FF.
    if ((k[0] == 0xC2 || k[0] == 0xC3) && (k[1] & 0xC0) == 0x80 && k[2] == 0)
        return static_cast<unsigned char>(((k[0] & 0x1F) << 6) | (k[1] & 0x3F));
    return 0;
}

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* e, void*) {
    std::uint32_t code = KeyToVirtualKey(e->code, e->key);
    if (code == 0 || code > 255) return EM_FALSE;
    bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    bool alt = e->altKey || code == 18;
    bool system = code == 121 || (alt && !e->ctrlKey);
    std::uint32_t message =
        down ? (system ? WmSysKeyDown : WmKeyDown) : (system ? WmSysKeyUp : WmKeyUp);
    // lParam as Windows fills it: repeat count 1, Alt context, previous state, transition.
    std::uint32_t bits = 1;
    if (alt) bits |= 1u << 29;
    if (!down || e->repeat) bits |= 1u << 30;
    if (!down) bits |= 1u << 31;
    if (down) KeyCharacter[code] = e->ctrlKey || e->altKey ? 0 : TypedByte(e->key);
    Post(message, code, static_cast<LParam>(static_cast<std::int32_t>(bits)), e->timestamp);
    // Keys the game uses do nothing else on the page; the browser keeps its shortcuts (with
    // Control or Meta) and its function keys.
    bool gameKey = code == 8 || code == 13 || code == 16 || code == 27 || code >= 32;
    bool browserKey = e->ctrlKey || e->metaKey || (code >= 112 && code <= 135);
    return gameKey && !browserKey ? EM_TRUE : EM_FALSE;
}

EM_BOOL OnFocus(int type, const EmscriptenFocusEvent*, void*) {
    Post(type == EMSCRIPTEN_EVENT_FOCUS ? WmSetFocus : WmKillFocus, 0, 0, emscripten_get_now());
    return EM_FALSE;
}

void Refit() {
    int width = 0, height = 0;
    if (GameWindow.Open && FitDrawingBuffer(width, height)) {
        GameWindow.ClientWidth = width;
        GameWindow.ClientHeight = height;
        Post(WmSize, 0, MakeLParam(static_cast<std::uint16_t>(width),
                                   static_cast<std::uint16_t>(height)),
             emscripten_get_now());
    }
}

EM_BOOL OnResize(int, const EmscriptenUiEvent*, void*) {
    Refit();
    return EM_FALSE;
}

EM_BOOL OnFullscreen(int, const EmscriptenFullscreenChangeEvent*, void*) {
    Refit();
    return EM_FALSE;
}

EM_JS(void, QuietContextMenu, (bool on), {
    var canvas = document.getElementById('canvas');
    if (!Module.quietMenu) Module.quietMenu = function(e) { e.preventDefault(); };
    if (!canvas) return;
    if (on) canvas.addEventListener('contextmenu', Module.quietMenu);
    else canvas.removeEventListener('contextmenu', Module.quietMenu);
});

EM_JS(void, MeasureCanvas, (double* width, double* height, double* ratio), {
    var canvas = document.getElementById('canvas');
    var box = canvas.getBoundingClientRect();
    HEAPF64[width >> 3] = box.width;
    HEAPF64[height >> 3] = box.height;
    HEAPF64[ratio >> 3] = window.devicePixelRatio || 1;
});

void Listen(bool on) {
    auto* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_mousedown_callback(Canvas, nullptr, EM_TRUE, on ? OnMouse : nullptr);
    emscripten_set_mouseup_callback(Canvas, nullptr, EM_TRUE, on ? OnMouse : nullptr);
    emscripten_set_mousemove_callback(Canvas, nullptr, EM_TRUE, on ? OnMouse : nullptr);
    emscripten_set_touchstart_callback(Canvas, nullptr, EM_TRUE, on ? OnTouch : nullptr);
    emscripten_set_touchmove_callback(Canvas, nullptr, EM_TRUE, on ? OnTouch : nullptr);
    emscripten_set_touchend_callback(Canvas, nullptr, EM_TRUE, on ? OnTouch : nullptr);
    emscripten_set_touchcancel_callback(Canvas, nullptr, EM_TRUE, on ? OnTouch : nullptr);
    emscripten_set_keydown_callback(window, nullptr, EM_TRUE, on ? OnKey : nullptr);
    emscripten_set_keyup_callback(window, nullptr, EM_TRUE, on ? OnKey : nullptr);
    emscripten_set_focus_callback(window, nullptr, EM_TRUE, on ? OnFocus : nullptr);
    emscripten_set_blur_callback(window, nullptr, EM_TRUE, on ? OnFocus : nullptr);
    emscripten_set_resize_callback(window, nullptr, EM_FALSE, on ? OnResize : nullptr);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                             on ? OnFullscreen : nullptr);
    QuietContextMenu(on);
}
} // namespace

bool FitDrawingBuffer(int& width, int& height) {
    double cssWidth = 0, cssHeight = 0, ratio = 1;
    MeasureCanvas(&cssWidth, &cssHeight, &ratio);
    width = static_cast<int>(std::lround(cssWidth * ratio));
    height = static_cast<int>(std::lround(cssHeight * ratio));
    int oldWidth = 0, oldHeight = 0;
    emscripten_get_canvas_element_size(Canvas, &oldWidth, &oldHeight);
    if (width == oldWidth && height == oldHeight && width == GameWindow.ClientWidth &&
        height == GameWindow.ClientHeight)
        return false;
    if (width != oldWidth || height != oldHeight)
        emscripten_set_canvas_element_size(Canvas, width, height);
    return true;
}

void InstallEventHandlers() {
    Queue.clear();
    TouchId = -1;
    Listen(true);
}

void RemoveEventHandlers() {
    Listen(false);
    // What was queued for the window goes with it; a quit message stays.
    std::deque<SysMessage> kept;
    for (const SysMessage& msg : Queue)
        if (msg.window != GameWindowId()) kept.push_back(msg);
    Queue.swap(kept);
}

bool SysPeekMessage(SysMessage& msg) {
    if (Queue.empty()) return false;
    msg = Queue.front();
    Queue.pop_front();
    return true;
}

void SysTranslateMessage(const SysMessage& msg) {
    bool system = msg.message == WmSysKeyDown;
    if ((msg.message != WmKeyDown && !system) || msg.wParam > 255) return;
    unsigned char typed = KeyCharacter[msg.wParam];
    if (typed == 0) return;
    // The character is the next message, as on Windows.
    Queue.push_front(SysMessage{msg.window, system ? WmSysChar : WmChar, typed, msg.lParam,
                                msg.time, msg.ptX, msg.ptY});
}

void SysDispatchMessage(const SysMessage& msg) {
    if (msg.window == GameWindowId()) SendToWindow(msg.message, msg.wParam, msg.lParam);
}

void SysPostQuitMessage(int exitCode) {
    Queue.push_back(SysMessage{nullptr, WmQuit, static_cast<WParam>(exitCode), 0, MessageTime, 0, 0});
}

bool SysPostMessage(std::uint32_t message, WParam wParam, LParam lParam) {
    if (!GameWindow.Open) return false;
    Queue.push_back(SysMessage{GameWindowId(), message, wParam, lParam, MessageTime, 0, 0});
    return true;
}

LResult SysDefWindowProc(SysWindow, std::uint32_t message, WParam wParam, LParam) {
    // Alt+F4 is the system menu's Close, and Close asks the window to close, as on Windows.
    constexpr WParam ScClose = 0xF060;
    if (message == WmSysKeyDown && wParam == 115) SendToWindow(WmSysCommand, ScClose, 0);
    if (message == WmSysCommand && (wParam & 0xFFF0) == ScClose) SendToWindow(WmClose, 0, 0);
    return 0;
}
