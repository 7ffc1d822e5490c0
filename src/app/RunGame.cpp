#include "app/RunGame.h"

#include "app/WindowProc.h"
#include "game/Game.h"
#include "platform/GL.h"
#include "platform/OpenGLFuncs.h"

bool RunGame() {
    QuitRequested = false;
    if (!CreateGameWindow(800, 600, false, 32, WindowProc)) return false;
    InitScene();
    InitGame();

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

    FreeGlyphLists();
    DestroyGameWindow(false);
    return true;
}
