// GameProcess.h - the real game binary on a private X display, driven with xdotool.
// Which build it starts comes from the environment, so one e2e_tests binary drives any of them:
//   QUORVIN_GAME         the program: this tree's Linux build unless set; the arm64 program
//                        (binfmt_misc hands it to qemu) or a package's launcher as they are
//   QUORVIN_GAME_RUNNER  words put before it, separated by spaces, the first an absolute path:
//                        "/usr/lib/wine/wine64" for quorvin.exe (WINEPREFIX, WINELOADER,
//                        WINEARCH, WINEDEBUG and WINEDLLOVERRIDES come from the environment)
//                        and decide who plays: a row's other user is not taken then
//   QUORVIN_GAME_FREQUENCY  the timer's ticks a second its first line names (a regex; the
//                        Linux builds' 1000000000 unless set)
// The window is found by its title, "OpenGL", whichever build draws it.
#pragma once

#include "TestSupport.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// An Xvfb of its own, so end-to-end tests can run side by side.
class PrivateDisplay {
public:
    PrivateDisplay(int width = 1024, int height = 768);
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;
    const std::string& Name() const { return name_; }
    // Runs a shell command with DISPLAY set to this display; its standard output.
    std::string Run(const std::string& command) const;
    // Kills the server at once, as a crash would; its clients' connections break.
    void Kill();

private:
    std::string name_;
    int pid_ = -1;
};

// An RGB picture of the whole display.
struct Screenshot {
    int Width = 0, Height = 0;
    std::vector<std::uint8_t> Rgb;
    const std::uint8_t* At(int x, int y) const { return &Rgb[3 * (y * Width + x)]; }
};

// The command that starts the chosen build, the program last.
std::vector<std::string> GameCommand();
// The two timer lines at start, and the failure report's first line up to its address, as
// regexes for the chosen build (the Windows exe names its module "quorvin.exe").
std::string TimerLinesPattern();
// Whether the chosen build is the Windows exe (run under Wine).
bool WindowsBuild();
std::string ReportPattern();

class GameProcess {
public:
    // Starts the game in dir on the display; asUser drops to that user; a fileSizeLimit of 0
    // or more caps the size of every file the game writes (RLIMIT_FSIZE: a full disk).
    GameProcess(const PrivateDisplay& display, const std::string& dir,
                const std::string& asUser = "", long long fileSizeLimit = -1);
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    // Waits for the game's window to be mapped and to show its first screen; false on time-out
    // or when the game has ended.
    bool WaitForWindow(int seconds = 60);
    // Virtual screen coordinates (origin bottom left, 800x600) to the window's pixels.
    void MoveTo(int vx, int vy);
    // Presses are held until the game shows their effect (a new screen, a changed line, the
    // window gone), or a minute has passed; false then. A busy machine can take longer for a
    // frame than any fixed hold, and a press let go before the game looked is lost.
    bool Click(int vx, int vy);
    // xdotool key names ("a", "shift+b", "Return", "Escape", "BackSpace"), one after another.
    bool Key(const std::string& keys);
    // Escape in a game, held until the pause menu shows.
    bool PauseGame();
    // Steps made by the three below, taken one right after the other in one go: for a game
    // whose clock runs, where each call on its own would start a helper again.
    bool Steps(const std::vector<std::string>& steps);
    std::string ClickStep(int vx, int vy) const;
    std::string KeyStep(const std::string& key) const;
    std::string PauseStep() const;
    // Polls shown until it holds, up to seconds; false on time-out.
    static bool WaitUntil(const std::function<bool()>& shown, int seconds = 60);
    // Press and release sent back to back, as a quick tap or an automation tool sends them.
    void Tap(int vx, int vy);
    // Asks the window to close, as a window manager's close box does.
    void Close();
    // Destroys the window from another client.
    void DestroyWindow();
    // The window's client area, wherever the window is (Wine places it away from the corner).
    Screenshot Shoot() const;
    // Waits for the game to end; the exit code is 128 + signal after a kill.
    ProcessResult Wait(int seconds = 30);
    bool Running();
    // Lets the game run a few frames.
    static void Pause(int milliseconds);
    const std::string& WindowId() const { return window_; }
    int Pid() const { return pid_; }
    // Reads the window's client size again after it has changed.
    void Resized();

private:
    const PrivateDisplay& display_;
    int pid_ = -1;
    int out_ = -1, err_ = -1;
    std::string window_;
    int width_ = 800, height_ = 600;
    std::string ClientPixel(int vx, int vy) const;
    // Runs tests/support/press-until-shown on the window: "shown", or steps.
    bool PressUntilShown(const std::string& what);
    bool ended_ = false;
    ProcessResult result_;
};
