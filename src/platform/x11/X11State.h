// X11State.h - the game window's record, shared by the X11 backend's units only.
#pragma once

#include "platform/Sys.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

struct X11WindowRecord {
    Display* Connection = nullptr; // open from creation to teardown; stands for the class
    Window Handle = 0;             // 0 while no window exists
    Colormap Colours = 0;
    GLXContext Context = nullptr;
    Atom WmProtocols = 0;
    Atom WmDeleteWindow = 0;
    SysWndProc Proc = nullptr;
    int ClientWidth = 0; // the client size last reported with WmSize
    int ClientHeight = 0;
    unsigned NumLockMask = 0; // the modifier bit Num_Lock sits on
    // The keyboard as of the last key message taken from the queue, as Windows keeps it for
    // TranslateMessage: which keys are down, and the two locks.
    bool KeyIsDown[256] = {};
    // The keys as the server last told this window, by keycode: whether a press finds its key
    // down already (an auto-repeat), as bit 30 of a key-down tells on Windows. Focus coming back
    // brings the whole keyboard, so a release that went to another window is not missed.
    bool KeycodeDown[256] = {};
    bool DetectableRepeat = false; // the server sends no releases between repeats
    bool CapsLockOn = false;
    bool NumLockOn = false;
    int PointerX = 0; // last known pointer position on the screen
    int PointerY = 0;
    // Marks that the message loop turns into one close request each.
    bool WindowGone = false;  // another client destroyed the window
    bool DisplayLost = false; // the connection is broken: no X call may follow
    bool GoneClosePosted = false;
    bool LossReported = false;
};

extern X11WindowRecord GameWindow;

// The SysWindow that messages of the game window carry.
inline SysWindow GameWindowId() {
    return &GameWindow;
}

// Sends a message to the window procedure at once, as SendMessage does; 0 without a window.
LResult SendToWindow(std::uint32_t message, WParam wParam, LParam lParam);

// Writes the line that says the display was lost, once; true when the display is lost.
bool ReportLostDisplay();

// Turns one X event into the messages Windows would post for it.
void TranslateXEvent(const XEvent& event);

// Called by SysProcessStart: each closed standard descriptor held by one that fails writes.
void ReserveStandardDescriptors();
// True once for every close signal since the last call; the message loop turns it into WmClose.
bool TakeCloseSignal();
