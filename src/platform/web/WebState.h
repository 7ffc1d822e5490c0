// WebState.h - the game window's record, shared by the browser backend's units only.
#pragma once

#include "platform/Sys.h"

struct WebWindowRecord {
    bool Open = false;        // between creation and teardown: the canvas is ours
    SysWndProc Proc = nullptr;
    int ClientWidth = 0;      // the drawing buffer's size last reported with WmSize
    int ClientHeight = 0;
};

extern WebWindowRecord GameWindow;

// The SysWindow that messages of the game window carry.
inline SysWindow GameWindowId() {
    return &GameWindow;
}

// Sends a message to the window procedure at once, as SendMessage does; 0 without a window.
LResult SendToWindow(std::uint32_t message, WParam wParam, LParam lParam);

// Listens to the page's events for the window, and stops listening.
void InstallEventHandlers();
void RemoveEventHandlers();

// Gives the canvas a drawing buffer of the size it is shown at, in device pixels; true when
// that changed the size. width and height are the new size.
bool FitDrawingBuffer(int& width, int& height);

// Appends bytes written to standard output; each whole line goes to the browser's console.
void ConsoleWrite(const void* bytes, std::size_t size);
// The one-line note under the canvas.
void ShowStatus(const char* text);

// The table's name in the game's folder.
inline constexpr const char* TableFileName = "highScores.dat";
