// The real binary's window: opened focused at 800x600, closed by the close box or Alt+F4 with
// exit code 0, and the two ways start-up fails for want of a display or of GL. Signals, a lost
// display and a destroyed window end the run as the close box does, saving the table.
#include "support/GameProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <regex>

namespace {
const std::string TimerLines = TimerLinesPattern();

// Starts the game on a table of poor results and leaves a game through the pause menu, which
// records its result of 0 without saving it; the table the save must then write.
std::string StartWithAPendingResult(GameProcess& game) {
    std::string poor, expected = ScoreRecord("--Player--", 0);
    for (int i = 0; i < 10; ++i) {
        poor += ScoreRecord("low", -5 - i);
        if (i < 9) expected += ScoreRecord("low", -5 - i);
    }
    WriteFileBytes("highScores.dat", poor);
    if (!game.WaitForWindow()) return "";
    // New Game, Escape, Quit To Menu in one go: the game's clock runs once it starts.
    if (!game.Steps({game.ClickStep(400, 475), game.PauseStep(), game.ClickStep(400, 475)}))
        return "";
    EXPECT_EQ(ReadFileBytes("highScores.dat"), poor) << "not saved yet";
    return expected;
}

// Ctrl+C, the end of the session and a shutdown: signals to a POSIX program, to a Windows one
// console events that Wine sends for SIGINT and for wineboot's end of the session.
TEST(Window, CloseSignalsEndTheRunInOrderAndSaveThePendingResult) {
    const struct {
        int Signal;
        const char* Wineboot;
    } cases[] = {{SIGINT, nullptr}, {SIGHUP, "-e"}, {SIGTERM, "-e -s"}};
    PrivateDisplay display;
    for (const auto& c : cases) {
        SCOPED_TRACE(strsignal(c.Signal));
        ScopedWorkDir dir;
        CopyGameImages(dir.Path());
        GameProcess game(display, dir.Path());
        std::string expected = StartWithAPendingResult(game);
        ASSERT_FALSE(expected.empty()) << game.Wait(5).Err;
        if (WindowsBuild() && c.Wineboot) {
            std::vector<std::string> wineboot = GameCommand();
            wineboot.back() = "wineboot";
            for (const char* word : {"-e", "-s"})
                if (std::strstr(c.Wineboot, word)) wineboot.push_back(word);
            RunProcess(wineboot, dir.Path(), 60);
        } else {
            kill(game.Pid(), c.Signal);
        }
        ProcessResult run = game.Wait(30);
        EXPECT_EQ(run.ExitCode, 0);
        EXPECT_TRUE(std::regex_match(run.Out, std::regex(TimerLines))) << run.Out;
        EXPECT_EQ(run.Err, "");
        EXPECT_EQ(ReadFileBytes("highScores.dat"), expected);
    }
}

// The server killed, the connection cut by another client, or the window destroyed by one:
// the run ends in order with the table saved, and says so when the display is gone.
TEST(Window, LostDisplayOrDestroyedWindowEndsInOrderAndSaves) {
    const struct {
        const char* What;
        std::function<void(PrivateDisplay&, GameProcess&)> Break;
        bool DisplayLost;
    } cases[] = {
        {"the server killed", [](PrivateDisplay& display, GameProcess&) { display.Kill(); }, true},
        {"the connection cut (xdotool windowkill)",
         [](PrivateDisplay& display, GameProcess& game) {
             display.Run("xdotool windowkill " + game.WindowId());
         },
         true},
        {"the window destroyed by another client",
         [](PrivateDisplay&, GameProcess& game) { game.DestroyWindow(); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        PrivateDisplay display;
        ScopedWorkDir dir;
        CopyGameImages(dir.Path());
        GameProcess game(display, dir.Path());
        std::string expected = StartWithAPendingResult(game);
        ASSERT_FALSE(expected.empty()) << game.Wait(5).Err;
        c.Break(display, game);
        ProcessResult run = game.Wait(30);
        EXPECT_EQ(run.ExitCode, 0);
        std::string lines =
            TimerLines + (c.DisplayLost ? "Error: Lost the connection to the X display!\r\n" : "");
        EXPECT_TRUE(std::regex_match(run.Out, std::regex(lines))) << run.Out;
        EXPECT_EQ(run.Err, "");
        EXPECT_EQ(ReadFileBytes("highScores.dat"), expected);
    }
}

TEST(Window, ClosingEndsTheRunWithExitCodeZero) {
    struct CloseCase {
        const char* Name;
        std::function<void(GameProcess&)> Close;
    };
    const CloseCase cases[] = {
        {"close box", [](GameProcess& game) { game.Close(); }},
        {"Alt+F4", [](GameProcess& game) { game.Key("alt+F4"); }},
        {"a back-to-back click on Exit", [](GameProcess& game) { game.Tap(400, 75); }},
    };
    for (const CloseCase& c : cases) {
        PrivateDisplay display;
        ScopedWorkDir dir;
        CopyGameImages(dir.Path());
        GameProcess game(display, dir.Path());
        ASSERT_TRUE(game.WaitForWindow()) << c.Name << ": " << game.Wait(5).Out;
        EXPECT_EQ(display.Run("xdotool getwindowgeometry " + game.WindowId() + " | grep Geo"),
                  "  Geometry: 800x600\n")
            << c.Name;
        c.Close(game);
        ProcessResult run = game.Wait(30);
        EXPECT_EQ(run.ExitCode, 0) << c.Name << ": " << run.Err;
        EXPECT_EQ(run.Out.find("Error"), std::string::npos) << c.Name << ": " << run.Out;
        EXPECT_EQ(run.Err, "") << c.Name;
        std::string saved;
        for (int i = 0; i < 10; ++i)
            saved += ScoreRecord("--Player--", 0);
        EXPECT_EQ(ReadFileBytes("highScores.dat"), saved) << c.Name;
    }
}

// Without a window manager to give it, the X11 build takes the input focus itself.
TEST(Window, OpensWithTheInputFocus) {
    PrivateDisplay display;
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());
    GameProcess game(display, dir.Path());
    ASSERT_TRUE(game.WaitForWindow()) << game.Wait(5).Out;
    EXPECT_EQ(display.Run("xdotool getwindowfocus"), game.WindowId() + "\n");
}

TEST(Window, WithoutADisplayOneLineAndNoScoreFile) {
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());
    std::vector<std::string> command = {"/usr/bin/env", "-u", "DISPLAY"};
    for (const std::string& word : GameCommand())
        command.push_back(word);
    ProcessResult run = RunProcess(command, dir.Path(), 30);
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Out, "Error: Failed to open the X display!\r\n");
    EXPECT_EQ(run.Err, "");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/highScores.dat"));
}

TEST(Window, AServerWithoutGlFailsAtThePixelFormatAfterTheCleanUp) {
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());
    // A display of our own without the GLX extension; the game's exit code is passed on.
    const std::string script =
        "for n in $(seq 400 460); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || "
        "break; done; "
        "Xvfb :$n -nolisten tcp -extension GLX >/dev/null 2>&1 & x=$!; "
        "for i in $(seq 100); do xdpyinfo -display :$n >/dev/null 2>&1 && break; sleep 0.1; done; "
        "DISPLAY=:$n \"$@\"; rc=$?; kill $x; wait $x; exit $rc";
    std::vector<std::string> command = {"/bin/sh", "-c", script, "sh"};
    for (const std::string& word : GameCommand())
        command.push_back(word);
    ProcessResult run = RunProcess(command, dir.Path(), 60);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "Error: Failed to releae rendering context\r\n"
                       "Error: Failed to find a suitable pixel format\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/highScores.dat"));
}
} // namespace
