// Floor.cpp - the floor the game is measured against: the same kind of window and context as
// the game's, and frames that only clear and present.
//   qv_floor          clears and presents until the window is closed (start-up and memory)
//   qv_floor serve    answers the benchmark driver's commands (frame cost)
#include "FrameLoop.h"

#include "platform/GL.h"
#include "platform/Sys.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {
LResult SYS_CALLBACK FloorProc(SysWindow window, std::uint32_t message, WParam wParam,
                               LParam lParam) {
    if (message == WmClose) {
        SysPostQuitMessage(0);
        return 0;
    }
    return SysDefWindowProc(window, message, wParam, lParam);
}

bool Handle(const std::string& line) {
    int screen = 0, warmup = 0, count = 0;
    if (std::sscanf(line.c_str(), "frames %d %d %d", &screen, &warmup, &count) == 3 && count > 0) {
        ReplyBlock(RunFrames(FrameParts{nullptr, nullptr}, warmup, count));
        return true;
    }
    return false;
}
} // namespace

int main(int argc, char** argv) {
    SysProcessStart();
    if (!CreateGameWindow(800, 600, false, 32, FloorProc)) return 1;
    if (argc > 1 && std::strcmp(argv[1], "serve") == 0) {
        Reply("ready");
        ServeCommands(Handle);
    } else {
        SysMessage msg{};
        for (;;) {
            if (SysPeekMessage(msg)) {
                if (msg.message == WmQuit) break;
                SysTranslateMessage(msg);
                SysDispatchMessage(msg);
            } else {
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                SysSwapBuffers();
            }
        }
    }
    DestroyGameWindow(false);
    return 0;
}
