#include "GameWindowFixture.h"

#include "target/CubeUnit.h"

#include <cmath>

namespace {
// A 2x2 texture, one colour per quarter, so the picture tells which way s and t run.
//   t high: blue   yellow
//   t low:  red    green
enum Quarter { Red, GreenQ, Blue, Yellow, Other, None };

Quarter QuarterAt(const Frame& frame, int x, int y) {
    const std::uint8_t* p = frame.At(x, y);
    if (p[0] == 0 && p[1] == 0 && p[2] == 0) return None;
    if (p[0] == 255 && p[1] == 0 && p[2] == 0) return Red;
    if (p[0] == 0 && p[1] == 255 && p[2] == 0) return GreenQ;
    if (p[0] == 0 && p[1] == 0 && p[2] == 255) return Blue;
    if (p[0] == 255 && p[1] == 255 && p[2] == 0) return Yellow;
    return Other;
}

class TargetDrawing : public GameWindowTest {
  protected:
    void SetUp() override {
        GameWindowTest::SetUp();
        if (IsSkipped()) return;
        savedTexture_ = CrateTexture;
        const std::uint8_t texels[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
        CrateTexture.TextureId = texture_;
        TargetX = 400;
        TargetY = 300;
    }
    void TearDown() override {
        if (texture_) glDeleteTextures(1, &texture_);
        texture_ = 0;
        CrateTexture = savedTexture_;
        TargetX = TargetY = 0;
        TargetAngle = 0;
    }

    // Lit pixels in one row and the span from the first to the last of them.
    static int RowWidth(const Frame& frame, int y, int& first, int& last) {
        first = -1;
        last = -1;
        int count = 0;
        for (int x = 0; x < Frame::Width; ++x)
            if (!frame.IsBlack(x, y)) {
                if (first < 0) first = x;
                last = x;
                ++count;
            }
        return count;
    }

    GLuint texture_ = 0;
    TextureImage savedTexture_{};
};

TEST_F(TargetDrawing, UnturnedCoversExactlyTheHitBox) {
    DrawTarget();
    Frame frame = ReadFrame();
    DumpFrame(frame, "target-0");
    int lit = 0;
    for (int y = 0; y < Frame::Height; ++y)
        for (int x = 0; x < Frame::Width; ++x) {
            bool inside = x >= 350 && x < 450 && y >= 250 && y < 350;
            if (!frame.IsBlack(x, y)) ++lit;
            EXPECT_EQ(!frame.IsBlack(x, y), inside) << x << "," << y;
            if (HasFailure()) return;
        }
    EXPECT_EQ(lit, 100 * 100);
    // The front face, upright: s grows to the right and t upwards.
    EXPECT_EQ(QuarterAt(frame, 360, 260), Red);
    EXPECT_EQ(QuarterAt(frame, 440, 260), GreenQ);
    EXPECT_EQ(QuarterAt(frame, 360, 340), Blue);
    EXPECT_EQ(QuarterAt(frame, 440, 340), Yellow);
}

TEST_F(TargetDrawing, TurnedShowsTheNearFacesWide) {
    struct Case {
        float Angle;
        int Width;                 // of the outline, in pixels (allowing one either way)
        Quarter LeftLow, RightLow; // just left and right of the centre, low down
    } cases[] = {
        // The left face turns to the viewer, upright as well.
        {90, 100, Red, GreenQ},
        // Left face on the left, front face on the right; the depth test hides the right face,
        // which would show green next to the centre.
        {45, 141, GreenQ, Red},
        {-45, 141, GreenQ, Red},
        {360 + 45, 141, GreenQ, Red},
        {180, 100, Red, GreenQ}, // the back face, upright too
    };
    for (const Case& c : cases) {
        TargetAngle = c.Angle;
        ClearFrame();
        DrawTarget();
        Frame frame = ReadFrame();
        DumpFrame(frame, "target-" + std::to_string(static_cast<int>(c.Angle)));
        int first, last;
        int width = RowWidth(frame, 260, first, last);
        EXPECT_NEAR(width, c.Width, 1) << c.Angle;
        EXPECT_EQ(last - first + 1, width) << c.Angle;
        EXPECT_NEAR((first + last + 1) / 2.0, 400, 1) << c.Angle;
        // Always 100 high.
        int height = 0;
        for (int y = 0; y < Frame::Height; ++y)
            height += !frame.IsBlack(420, y);
        EXPECT_EQ(height, 100) << c.Angle;
        EXPECT_EQ(QuarterAt(frame, 396, 260), c.LeftLow) << c.Angle;
        EXPECT_EQ(QuarterAt(frame, 404, 260), c.RightLow) << c.Angle;
    }
}

TEST_F(TargetDrawing, LeavesDepthTestAndTexturingOffAndTheMatrixAsFound) {
    glEnable(GL_TEXTURE_2D);
    glDepthFunc(GL_ALWAYS);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslated(-300, 5, 0);
    GLdouble before[16], after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, before);
    TargetAngle = 30;
    DrawTarget();
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    Frame moved = ReadFrame();
    glPopMatrix();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(before[i], after[i]) << i;
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint depthFunc = 0, mode = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    EXPECT_EQ(mode, GL_MODELVIEW);
    // The caller's translation has no say in where the target lands.
    ClearFrame();
    DrawTarget();
    EXPECT_TRUE(ReadFrame() == moved);

    // Drawn after the target, a flat quad at depth 0 is not hidden by it.
    glColor4f(1, 0, 1, 1);
    glBegin(GL_QUADS);
    glVertex2i(390, 290);
    glVertex2i(410, 290);
    glVertex2i(410, 310);
    glVertex2i(390, 310);
    glEnd();
    EXPECT_TRUE(ReadFrame().Is(400, 300, 255, 0, 255));
}

TEST_F(TargetDrawing, NearTheEdgeIsClipped) {
    TargetX = 790;
    TargetY = 10;
    DrawTarget();
    Frame frame = ReadFrame();
    EXPECT_FALSE(frame.IsBlack(799, 0));
    EXPECT_FALSE(frame.IsBlack(740, 59));
    EXPECT_TRUE(frame.IsBlack(739, 59));
    EXPECT_TRUE(frame.IsBlack(740, 60));
}
} // namespace
