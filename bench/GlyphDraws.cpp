#include "GlyphDraws.h"

#include <GL/gl.h>
#include <dlfcn.h>

namespace {
long Draws = 0;
bool Skipping = false;
} // namespace

long TakeGlyphDraws() {
    long n = Draws;
    Draws = 0;
    return n;
}

void SkipGlyphDraws(bool on) {
    Skipping = on;
}

// Linked into the benchmark program, this stands in for the GL library's function in the
// game's calls; the game's text is its only user.
extern "C" void glCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
    using CallLists = void (*)(GLsizei, GLenum, const GLvoid*);
    static auto real = reinterpret_cast<CallLists>(dlsym(RTLD_NEXT, "glCallLists"));
    Draws += n;
    if (!Skipping) real(n, type, lists);
}
