#include "app/RunGame.h"

#include "app/WindowProc.h"
#include "game/Game.h"
#include "platform/GL.h"
#include "platform/Failure.h"
#include "platform/OpenGLFuncs.h"
#include "platform/Sys.h"
#include "scores/HighScores.h"

#include <cstdlib>
#include <new>

namespace {
bool GameStarted = false; // InitGame has run: there is a table to save

// The font's lists go while the context is still current, then the window and context.
void CloseScene() {
    GameStarted = false;
    FreeGlyphLists();
    DestroyGameWindow(false);
}
} // namespace

bool RunGame() {
    QuitRequested = false;
    if (!CreateGameWindow(800, 600, false, 32, WindowProc)) return false;
    InitScene();
    InitGame();
    GameStarted = true;

    SysMessage msg{};
    while (!QuitRequested) {
        if (SysPeekMessage(msg)) {
            if (msg.message == WmQuit) {
                QuitRequested = true;
            } else {
                SysTranslateMessage(msg);
                SysDispatchMessage(msg);
            }
        } else {
            // A frame only when every waiting message has been handled.
            UpdateGame();
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            RenderGame();
            SysSwapBuffers();
        }
    }

    CloseScene();
    return true;
}

int RunGuarded(void (*body)()) {
    // A failed file operation or exhausted memory is handled nowhere else: it ends the run
    // from wherever it arises, with a report and exit code 1.
    try {
        body();
    } catch (const InOutError& failure) {
        ReportFailure("EInOutError", failure.Address, InOutMessage(failure.Code).c_str());
        return 1;
    } catch (const std::bad_alloc&) {
        ReportFailure("EOutOfMemory", nullptr, "Out of memory");
        return 1;
    }
    return 0;
}

void EndRunNow() {
    int code = RunGuarded([] {
        if (!GameStarted) return;
        CloseScene();
        SaveHighScores();
    });
    std::exit(SysProcessEnd(code));
}

void SaveForSessionEnd() {
    int code = RunGuarded([] {
        if (GameStarted) SaveHighScores();
    });
    if (code == 0) return;
    if (GameStarted) CloseScene();
    std::exit(SysProcessEnd(code));
}
