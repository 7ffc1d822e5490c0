// HUD.h - the outlined, captioned button every screen is built from.
#pragma once

#include "platform/Color.h"

#include <cstdint>
#include <string>

struct Button {
    std::int32_t Left, Top, Right, Bottom;   // virtual units, Top > Bottom
    std::string Caption;
    ColorRGBA HoverColor;
    ColorRGBA NormalColor;
};

// Draws the outline (HoverColor while the mouse is over it) and " " + Caption in White.
void DrawButton(const Button& button);

// True while the mouse is strictly inside the rectangle.
bool MouseOverButton(const Button& button);
