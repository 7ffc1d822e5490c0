#include "platform/OpenGLFuncs.h"

#include "platform/GL.h"

std::int32_t ScreenWidth = 0;
std::int32_t ScreenHeight = 0;

void ResizeScene(std::int32_t width, std::int32_t height) {
    // A minimised window reports a height of 0; the mouse mapping divides by it.
    if (height == 0) height = 1;
    ScreenHeight = height;
    ScreenWidth = width;
    // Before the context exists (size reports during window creation) GL calls do nothing.
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 800.0, 0.0, 600.0, -200.0, 200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void InitScene() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    BuildGlyphLists();
}
