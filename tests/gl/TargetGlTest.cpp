#include "GameWindowFixture.h"

#include "target/CubeUnit.h"

namespace {
// A 2x2 texture, one colour a quarter, so the picture tells which way s and t run:
// red (low s, low t), green (high s, low t), blue and yellow above them.
enum Quarter { None, Red, Green_, Blue, Yellow, Other };

Quarter QuarterAt(const Frame& f, int x, int y) {
    if (f.IsBlack(x, y)) return None;
    if (f.Is(x, y, 255, 0, 0)) return Red;
    if (f.Is(x, y, 0, 255, 0)) return Green_;
    if (f.Is(x, y, 0, 0, 255)) return Blue;
    return f.Is(x, y, 255, 255, 0) ? Yellow : Other;
}

class TargetDrawing : public GameWindowTest {
  protected:
    void SetUp() override {
        GameWindowTest::SetUp();
        if (IsSkipped()) return;
        const std::uint8_t texels[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
        saved_ = CrateTexture;
        CrateTexture.TextureId = texture_;
        TargetX = 400;
        TargetY = 300;
    }
    void TearDown() override {
        if (texture_) glDeleteTextures(1, &texture_);
        CrateTexture = saved_;
        TargetX = TargetY = 0;
        TargetAngle = 0;
    }
    GLuint texture_ = 0;
    TextureImage saved_{};
};

TEST_F(TargetDrawing, UnturnedCoversExactlyTheHitBoxUpright) {
    DrawTarget();
    Frame f = ReadFrame("target-0");
    for (int y = 0; y < Frame::Height; ++y)
        for (int x = 0; x < Frame::Width; ++x)
            ASSERT_EQ(!f.IsBlack(x, y), x >= 350 && x < 450 && y >= 250 && y < 350)
                << x << "," << y;
    EXPECT_EQ(QuarterAt(f, 351, 251), Red);
    EXPECT_EQ(QuarterAt(f, 448, 251), Green_);
    EXPECT_EQ(QuarterAt(f, 351, 348), Blue);
    EXPECT_EQ(QuarterAt(f, 448, 348), Yellow);
}

// Turned, the outline is 100 high and 100 (|cos| + |sin|) wide; just beside the centre the
// faces nearest the viewer show, which only the depth test guarantees at 45 degrees (the
// right face behind the front one would show green there).
TEST_F(TargetDrawing, TurnedShowsTheNearFaces) {
    struct {
        float Angle;
        int Width;
        Quarter LeftOfCentre, RightOfCentre;
    } cases[] = {{90, 100, Red, Green_},
                 {180, 100, Red, Green_},
                 {45, 141, Green_, Red},
                 {-45, 141, Green_, Red},
                 {405, 141, Green_, Red}};
    for (const auto& c : cases) {
        TargetAngle = c.Angle;
        ClearFrame();
        DrawTarget();
        Frame f = ReadFrame("target-" + std::to_string(static_cast<int>(c.Angle)));
        int first = -1, last = -1, height = 0;
        for (int x = 0; x < Frame::Width; ++x)
            if (!f.IsBlack(x, 260)) {
                if (first < 0) first = x;
                last = x;
            }
        for (int y = 0; y < Frame::Height; ++y)
            height += !f.IsBlack(420, y);
        EXPECT_NEAR(last - first + 1, c.Width, 1) << c.Angle;
        EXPECT_NEAR((first + last + 1) / 2.0, 400, 1) << c.Angle;
        EXPECT_EQ(height, 100) << c.Angle;
        EXPECT_EQ(QuarterAt(f, 396, 260), c.LeftOfCentre) << c.Angle;
        EXPECT_EQ(QuarterAt(f, 404, 260), c.RightOfCentre) << c.Angle;
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
    DrawTarget();
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    glPopMatrix();
    EXPECT_TRUE(std::equal(before, before + 16, after));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST) || glIsEnabled(GL_TEXTURE_2D));
    GLint depthFunc = 0, mode = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    EXPECT_EQ(mode, GL_MODELVIEW);
    // Where the caller's matrix would have put it: nowhere; a flat quad drawn after it at
    // depth 0 is not hidden by it.
    glColor4f(1, 0, 1, 1);
    glRecti(390, 290, 410, 310);
    Frame f = ReadFrame();
    EXPECT_EQ(QuarterAt(f, 351, 251), Red);
    EXPECT_TRUE(f.Is(400, 300, 255, 0, 255));
}
} // namespace
