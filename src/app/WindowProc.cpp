#include "app/WindowProc.h"

#include "app/RunGame.h"
#include "input/Keyboard.h"
#include "input/Mouse.h"
#include "platform/OpenGLFuncs.h"

LResult SYS_CALLBACK WindowProc(SysWindow window, std::uint32_t message, WParam wParam,
                                LParam lParam) {
    switch (message) {
    case WmCreate:
        return 0;
    case WmSize:
        ResizeScene(LowWord(lParam), HighWord(lParam));
        return 0;
    case WmClose:
        // The window stays until shutdown destroys it; the loop ends on the quit message.
        SysPostQuitMessage(0);
        return 0;
    case WmQueryEndSession:
        // The session may end soon (the browser tab is hidden or closing): keep the table now,
        // a result left through Quit To Menu included. The run goes on.
        SaveForSessionEnd();
        return 1;
    case WmEndSession:
        // Logoff or shutdown: the system may end the process as soon as this returns.
        if (wParam != 0) EndRunNow();
        return 0;
    case WmKeyDown:
        // Bit 30: the key was down already, so this is its auto-repeat.
        SetKey(wParam, true, (lParam >> 30) & 1);
        return 0;
    case WmKeyUp:
        SetKey(wParam, false, false);
        return 0;
    case WmMouseMove:
        MouseMoved(LowWord(lParam), HighWord(lParam));
        return 0;
    case WmLButtonDown:
        MousePressed();
        return 0;
    case WmLButtonUp:
        MouseReleased();
        return 0;
    default:
        return SysDefWindowProc(window, message, wParam, lParam);
    }
}
