// OpenGLFuncs.h - the window, the virtual 800x600 screen, textures and text.
#pragma once

#include "platform/Font.h"
#include "platform/Sys.h"
#include "platform/Tga.h"

#include <cstdint>

// The client size last given to ResizeScene; the height is never 0 once set.
// The mouse mapping divides by them.
extern std::int32_t ScreenWidth;
extern std::int32_t ScreenHeight;

// Called on every client-size change (and by CreateGameWindow): records the size, sets the
// viewport to the whole client area and the projection to the virtual 800x600 screen.
void ResizeScene(std::int32_t width, std::int32_t height);

// Called once after CreateGameWindow: sets the fixed GL state and builds the font.
void InitScene();
