#include "GameWindowFixture.h"

#include "hud/HUD.h"
#include "input/Mouse.h"
#include "platform/Font.h"

namespace {
constexpr ColorRGBA Red{1, 0, 0, 1};

class ButtonDrawing : public GameWindowTest {
  protected:
    void TearDown() override { MouseX = MouseY = 0; }
};

void DrawOutlineByHand(const Button& b, const ColorRGBA& c) {
    glColor4f(c.Red, c.Green, c.Blue, c.Alpha);
    glBegin(GL_LINE_STRIP);
    for (auto [x, y] : {std::pair{b.Right, b.Bottom},
                        {b.Right, b.Top},
                        {b.Left, b.Top},
                        {b.Left, b.Bottom},
                        {b.Right, b.Bottom}})
        glVertex2i(x, y);
    glEnd();
}

// The outline in the record's hover colour (red here) only strictly inside, every side
// present, nothing of it outside.
TEST_F(ButtonDrawing, OutlineColourFollowsTheMouse) {
    Button b{300, 500, 500, 450, "", Red, White};
    struct {
        std::int32_t X, Y;
        bool Hover;
    } cases[] = {{0, 0, false},     {400, 475, true},  {301, 451, true},  {499, 499, true},
                 {300, 475, false}, {500, 475, false}, {400, 450, false}, {400, 500, false}};
    for (const auto& c : cases) {
        MouseX = c.X;
        MouseY = c.Y;
        ClearFrame();
        DrawButton(b);
        Frame frame = ReadFrame();
        // Each side lies on a pixel boundary and may land in the row or column on either side.
        auto side = [&](int x0, int y0, int x1, int y1) {
            for (int x = x0; x <= x1; ++x)
                for (int y = y0; y <= y1; ++y)
                    if (!frame.IsBlack(x, y))
                        return frame.Is(x, y, 255, c.Hover ? 0 : 255, c.Hover ? 0 : 255);
            return false;
        };
        EXPECT_TRUE(side(299, 455, 300, 455) && side(499, 455, 500, 455) &&
                    side(400, 449, 400, 450) && side(400, 499, 400, 500))
            << c.X << "," << c.Y;
        for (int y : {447, 502})
            for (int x = 0; x < Frame::Width; ++x)
                ASSERT_TRUE(frame.IsBlack(x, y)) << x << "," << y;
    }
}

// " " + Caption at (Left, middle rounded half to even) in White whatever the outline does,
// the same from any length of caption and whatever the caller's model-view matrix.
TEST_F(ButtonDrawing, CaptionPositionAndColour) {
    std::string longCaption(300, 'W');
    struct {
        std::int32_t Left, Top, Bottom, CaptionY;
        bool Hover;
        std::string Caption;
    } cases[] = {
        {300, 500, 449, 474, false, "Quit To Menu"}, // 474.5
        {300, 501, 450, 476, false, "Quit To Menu"}, // 475.5
        {300, 501, 450, 476, true, "Quit To Menu"},  {300, 500, 450, 475, false, ""},
        {-4000, 500, 450, 475, false, longCaption}, // past any stack buffer
    };
    for (const auto& c : cases) {
        Button b{c.Left, c.Top, 500, c.Bottom, c.Caption, Green, Red};
        MouseX = c.Hover ? 400 : 0;
        MouseY = c.Hover ? 470 : 0;
        ClearFrame();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glTranslated(37, 11, 0);
        GLdouble before[16], after[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, before);
        DrawButton(b);
        glGetDoublev(GL_MODELVIEW_MATRIX, after);
        glPopMatrix();
        EXPECT_TRUE(std::equal(before, before + 16, after));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_BLEND));
        Frame drawn = ReadFrame("button-" + std::to_string(c.CaptionY));

        ClearFrame();
        DrawOutlineByHand(b, c.Hover ? Green : Red);
        DrawText(c.Left, c.CaptionY, 0, White, " " + c.Caption);
        EXPECT_TRUE(drawn == ReadFrame()) << c.Top << "/" << c.Bottom;
    }
}
} // namespace
