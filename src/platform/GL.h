// GL.h - the OpenGL 1.1 header, without dragging the Windows headers into the game.
#pragma once

#if defined(_WIN32)
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#endif
#endif
#include <GL/gl.h>
#if defined(__EMSCRIPTEN__)
// The browser's GL has no display lists; the web backend keeps them.
#include "platform/web/WebGL.h"
#endif
