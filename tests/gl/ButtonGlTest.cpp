#include "GameWindowFixture.h"

#include "hud/HUD.h"
#include "input/Mouse.h"
#include "platform/Font.h"

namespace {
constexpr ColorRGBA Red{1, 0, 0, 1};

void DrawOutlineByHand(const Button& b, const ColorRGBA& colour) {
    glColor4f(colour.Red, colour.Green, colour.Blue, colour.Alpha);
    glBegin(GL_LINE_STRIP);
    glVertex2i(b.Right, b.Bottom);
    glVertex2i(b.Right, b.Top);
    glVertex2i(b.Left, b.Top);
    glVertex2i(b.Left, b.Bottom);
    glVertex2i(b.Right, b.Bottom);
    glEnd();
}

class ButtonDrawing : public GameWindowTest {
  protected:
    void TearDown() override { MouseX = MouseY = 0; }

    // The outline's colour where the left edge is drawn, half-way down from the top but clear
    // of the caption, which starts at the middle. Lines on a pixel boundary may fall in the
    // column on either side, so both are looked at.
    static const std::uint8_t* LeftEdge(const Frame& frame, const Button& b) {
        int y = b.Bottom + 3;
        for (int x : {b.Left - 1, b.Left})
            if (!frame.IsBlack(x, y)) return frame.At(x, y);
        return nullptr;
    }
};

TEST_F(ButtonDrawing, OutlineTurnsHoverColourOnlyStrictlyInside) {
    // The hover colour is red here, so the record's colours are what count, not the constants.
    Button b{300, 500, 500, 450, "", Red, White};
    struct Case {
        std::int32_t X, Y;
        bool Hover;
    } cases[] = {
        {0, 0, false},     {400, 475, true},  {301, 451, true},  {499, 499, true},
        {300, 475, false}, {500, 475, false}, {400, 450, false}, {400, 500, false},
    };
    for (const Case& c : cases) {
        ClearFrame();
        MouseX = c.X;
        MouseY = c.Y;
        DrawButton(b);
        Frame frame = ReadFrame();
        const std::uint8_t* edge = LeftEdge(frame, b);
        ASSERT_NE(edge, nullptr) << c.X << "," << c.Y;
        EXPECT_EQ(edge[0], 255) << c.X << "," << c.Y;
        EXPECT_EQ(edge[1], c.Hover ? 0 : 255) << c.X << "," << c.Y;
        EXPECT_EQ(edge[2], c.Hover ? 0 : 255) << c.X << "," << c.Y;
    }
}

TEST_F(ButtonDrawing, OutlineIsTheClosedRectangleAndNothingElseOfIt) {
    Button b{300, 500, 500, 450, "", Green, White};
    DrawButton(b);
    Frame frame = ReadFrame();
    DumpFrame(frame, "button");
    auto lit = [&](int x0, int y0, int x1, int y1) {
        for (int x = x0; x <= x1; ++x)
            for (int y = y0; y <= y1; ++y)
                if (!frame.IsBlack(x, y)) return true;
        return false;
    };
    // Every side shows, the bottom one too (the strip closes at the first corner).
    EXPECT_TRUE(lit(350, 449, 450, 450));
    EXPECT_TRUE(lit(350, 499, 450, 500));
    EXPECT_TRUE(lit(299, 455, 300, 460));
    EXPECT_TRUE(lit(499, 455, 500, 495));
    // Nothing outside the rectangle or inside it below the caption.
    EXPECT_FALSE(lit(0, 0, 799, 447));
    EXPECT_FALSE(lit(0, 502, 799, 599));
    EXPECT_FALSE(lit(302, 452, 497, 472));
}

TEST_F(ButtonDrawing, LeavesTheModelViewMatrixAndTexturingAsFound) {
    Button b{300, 500, 500, 450, "Help", Green, White};
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslated(37, 11, 0);
    GLdouble before[16], after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, before);
    DrawButton(b);
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    Frame shifted = ReadFrame();
    glPopMatrix();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(before[i], after[i]) << i;
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    // A caller's translation does not move the button.
    ClearFrame();
    DrawButton(b);
    EXPECT_TRUE(ReadFrame() == shifted);
}

// The caption is " " + Caption at (Left, middle rounded half to even), always white.
TEST_F(ButtonDrawing, CaptionPositionAndColour) {
    struct Case {
        std::int32_t Top, Bottom, CaptionY;
        bool Hover;
    } cases[] = {
        {500, 449, 474, false}, // 474.5
        {501, 450, 476, false}, // 475.5
        {500, 450, 475, false},
        {501, 450, 476, true}, // hovering changes the outline only
    };
    for (const Case& c : cases) {
        Button b{300, c.Top, 500, c.Bottom, "Quit To Menu", Green, White};
        MouseX = c.Hover ? 400 : 0;
        MouseY = c.Hover ? 470 : 0;
        ClearFrame();
        DrawButton(b);
        Frame drawn = ReadFrame();

        // The same outline by hand, then the text where it should be.
        ClearFrame();
        DrawOutlineByHand(b, c.Hover ? Green : White);
        DrawText(300, c.CaptionY, 0, White, " Quit To Menu");
        Frame expected = ReadFrame();
        EXPECT_TRUE(drawn == expected) << c.Top << "/" << c.Bottom;
    }
}

// A caption too long for the stack buffer draws the same as it would in one piece.
TEST_F(ButtonDrawing, LongCaptionDrawsWhole) {
    std::string caption(300, 'W');
    for (std::size_t i = 0; i < caption.size(); i += 7)
        caption[i] = static_cast<char>(33 + i % 90);
    Button b{-3000, 500, 500, 450, caption, Green, White};
    DrawButton(b);
    Frame drawn = ReadFrame();
    ClearFrame();
    DrawOutlineByHand(b, White);
    DrawText(-3000, 475, 0, White, " " + caption);
    EXPECT_TRUE(drawn == ReadFrame());
}
} // namespace
