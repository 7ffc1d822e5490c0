// The real binary's window: opened focused at 800x600, closed by the close box or Alt+F4 with
// exit code 0, and the two ways start-up fails for want of a display or of GL.
#include "support/GameProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {
TEST(Window, ClosingEndsTheRunWithExitCodeZero) {
    struct CloseCase {
        const char* Name;
        std::function<void(GameProcess&)> Close;
    };
    const CloseCase cases[] = {
        {"close box", [](GameProcess& game) { game.Close(); }},
        {"Alt+F4", [](GameProcess& game) { game.Key("alt+F4"); }},
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
        EXPECT_EQ(display.Run("xdotool getwindowfocus"), game.WindowId() + "\n") << c.Name;
        c.Close(game);
        ProcessResult run = game.Wait(30);
        EXPECT_EQ(run.ExitCode, 0) << c.Name << ": " << run.Err;
        EXPECT_EQ(run.Out.find("Error"), std::string::npos) << c.Name << ": " << run.Out;
    }
}

TEST(Window, WithoutADisplayOneLineAndNoScoreFile) {
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());
    ProcessResult run =
        RunProcess({"/usr/bin/env", "-u", "DISPLAY", QUORVIN_BINARY}, dir.Path(), 30);
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
        "DISPLAY=:$n " QUORVIN_BINARY "; rc=$?; kill $x; wait $x; exit $rc";
    ProcessResult run = RunProcess({"/bin/sh", "-c", script}, dir.Path(), 60);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "Error: Failed to releae rendering context\r\n"
                       "Error: Failed to find a suitable pixel format\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/highScores.dat"));
}
} // namespace
