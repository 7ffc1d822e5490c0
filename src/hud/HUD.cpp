#include "hud/HUD.h"

#include "input/Mouse.h"
#include "platform/Font.h"
#include "platform/GL.h"

#include <cmath>
#include <cstring>

bool MouseOverButton(const Button& button) {
    // Strict on every side: a mouse on the outline is outside, as for the click test.
    return button.Left < MouseX && MouseX < button.Right && button.Bottom < MouseY &&
           MouseY < button.Top;
}

namespace {
// The caption's baseline: the rectangle's vertical middle, halves to even.
std::int32_t CaptionY(const Button& button) {
    double top = button.Top;
    double middle = top - (top - static_cast<double>(button.Bottom)) / 2.0;
    return static_cast<std::int32_t>(std::nearbyint(middle));
}

// Every caption the game has fits easily; a longer one is drawn in two calls instead.
constexpr std::size_t CaptionCapacity = 64;
} // namespace

void DrawButton(const Button& button) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    const ColorRGBA& outline = MouseOverButton(button) ? button.HoverColor : button.NormalColor;
    glColor4f(outline.Red, outline.Green, outline.Blue, outline.Alpha);
    // Closed by repeating the first corner rather than a line loop.
    glBegin(GL_LINE_STRIP);
    glVertex2i(button.Right, button.Bottom);
    glVertex2i(button.Right, button.Top);
    glVertex2i(button.Left, button.Top);
    glVertex2i(button.Left, button.Bottom);
    glVertex2i(button.Right, button.Bottom);
    glEnd();

    // The caption starts one space in from the left edge; it is always white.
    std::int32_t y = CaptionY(button);
    const std::string& caption = button.Caption;
    if (caption.size() < CaptionCapacity) {
        char text[CaptionCapacity];
        text[0] = ' ';
        std::memcpy(text + 1, caption.data(), caption.size());
        DrawText(button.Left, y, 0, White, std::string_view(text, caption.size() + 1));
    } else {
        // A space always advances the pen by one glyph, so the caption can follow on its own.
        DrawText(button.Left, y, 0, White, " ");
        DrawText(button.Left + 16, y, 0, White, caption);
    }

    glPopMatrix();
}
