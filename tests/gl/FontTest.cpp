// DrawText in a real GL context, read back from the framebuffer and compared with the sheets.
#include "app/WindowProc.h"
#include "platform/GL.h"
#include "platform/OpenGLFuncs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int ScreenW = 800, ScreenH = 600;
constexpr float Grey = 0.5f;

// The whole back buffer, row 0 at the bottom.
struct Frame {
    std::vector<std::uint8_t> Rgb;
    const std::uint8_t* At(int x, int y) const { return &Rgb[3 * (y * ScreenW + x)]; }
    bool operator==(const Frame&) const = default;
};

Frame ReadFrame() {
    Frame frame;
    frame.Rgb.resize(3 * ScreenW * ScreenH);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, ScreenW, ScreenH, GL_RGB, GL_UNSIGNED_BYTE, frame.Rgb.data());
    return frame;
}

void ClearTo(float level) {
    glClearColor(level, level, level, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

Frame Draw(std::int32_t x, std::int32_t y, std::int32_t set, const ColorRGBA& color,
           std::string_view text) {
    ClearTo(Grey);
    DrawText(x, y, set, color, text);
    return ReadFrame();
}

// One texel of a sheet file: cell n, column c and row r counted from the cell's lower-left.
struct Sheet {
    std::string Bytes;
    std::uint8_t Texel(int n, int c, int r, int channel) const {
        int fileRow = (15 - n / 16) * 16 + r; // the first stored row is t = 0
        int column = (n % 16) * 16 + c;
        return static_cast<std::uint8_t>(Bytes[18 + 3 * (fileRow * 256 + column) + channel]);
    }
};

} // namespace

class FontTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<ScopedWorkDir>();
        CopyGameImages(dir_->Path());
        windowOpen_ = CreateGameWindow(ScreenW, ScreenH, false, 32, WindowProc);
        if (windowOpen_) InitScene();
        glyphs_.Bytes = ReadFileBytes(dir_->Path() + "/daFont.tga");
        mask_.Bytes = ReadFileBytes(dir_->Path() + "/daFontMask.tga");
    }
    static void TearDownTestSuite() {
        if (windowOpen_) {
            FreeGlyphLists();
            DestroyGameWindow(false);
        }
        dir_.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(windowOpen_) << "no GL window (is DISPLAY set?)";
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    static inline std::unique_ptr<ScopedWorkDir> dir_;
    static inline bool windowOpen_ = false;
    static inline Sheet glyphs_, mask_;
};

TEST_F(FontTest, BothSheetsLoad) {
    for (const TextureImage* sheet : {&FontTexture, &FontMaskTexture}) {
        EXPECT_NE(sheet->TextureId, 0u);
        EXPECT_EQ(sheet->Width, 256u);
        EXPECT_EQ(sheet->Height, 256u);
        EXPECT_EQ(sheet->ImageData, nullptr);
    }
    ASSERT_EQ(glyphs_.Bytes.size(), 18u + 256 * 256 * 3);
    ASSERT_EQ(mask_.Bytes.size(), glyphs_.Bytes.size());
}

// Each covered pixel is background x mask + glyph x colour, texel for pixel, so the glyphs land
// upright in the right cells, and nothing outside the quads changes.
TEST_F(FontTest, TwoLettersBlendTheSheetsOverTheirQuads) {
    const ColorRGBA tint{1.0f, 0.5f, 0.25f, 1.0f};
    Frame frame = Draw(10, 20, 0, tint, "AB");
    const int background = 128;
    int lit = 0;
    for (int y = 0; y < ScreenH; ++y)
        for (int x = 0; x < ScreenW; ++x) {
            const std::uint8_t* p = frame.At(x, y);
            bool inside = x >= 10 && x < 42 && y >= 20 && y < 36;
            for (int ch = 0; ch < 3; ++ch) {
                int want = background;
                if (inside) {
                    int cell = x < 26 ? 33 : 34, c = (x - 10) % 16, r = y - 20;
                    float scale = ch == 0 ? tint.Red : ch == 1 ? tint.Green : tint.Blue;
                    want = background * mask_.Texel(cell, c, r, ch) / 255 +
                           static_cast<int>(glyphs_.Texel(cell, c, r, ch) * scale);
                    if (want > 255) want = 255;
                }
                ASSERT_NEAR(p[ch], want, 3) << "pixel " << x << "," << y << " channel " << ch;
            }
            if (inside && p[0] > 200) ++lit;
        }
    EXPECT_GT(lit, 20) << "the glyphs left no bright pixels";
}

TEST_F(FontTest, CharacterSetsChooseTheHalfOfTheSheet) {
    const Frame nothing = Draw(0, 0, 0, White, "");
    const Frame regular = Draw(100, 100, 0, White, "Ab");
    const Frame bold = Draw(100, 100, 1, White, "Ab");
    EXPECT_NE(regular, nothing);
    EXPECT_NE(bold, regular);
    EXPECT_EQ(Draw(100, 100, 2, White, "Ab"), bold);
    EXPECT_EQ(Draw(100, 100, 1000, White, "Ab"), bold);
    EXPECT_EQ(Draw(100, 100, -1, White, "Ab"), nothing);
    EXPECT_EQ(Draw(100, 100, -1, White, "\xC1\xE2"), nothing);
    // In set 1, codes 160 and up are the regular glyphs of codes 32 and up (0xC1 is 'A').
    EXPECT_EQ(Draw(100, 100, 1, White, "\xC1\xE2"), regular);
}

TEST_F(FontTest, CodesWithoutGlyphsLeaveNoGap) {
    const Frame plain = Draw(10, 20, 0, White, "AB");
    EXPECT_EQ(Draw(10, 20, 0, White, std::string("A\x01\x1F") + "B"), plain);
    EXPECT_EQ(Draw(10, 20, 0, White,
                   "A\x80\xC8\xFF"
                   "B"),
              plain);
    EXPECT_EQ(Draw(10, 20, 0, White, std::string("\0AB", 3)), plain);
    // A space is a glyph: it moves the pen.
    EXPECT_EQ(Draw(10, 20, 0, White, " B"), Draw(26, 20, 0, White, "B"));
}

TEST_F(FontTest, EmptyTextChangesNoGlState) {
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
    glListBase(7);
    ClearTo(Grey);
    const Frame before = ReadFrame();

    DrawText(10, 20, 0, Green, "");

    EXPECT_EQ(ReadFrame(), before);
    GLint bound = 0, listBase = 0, src = 0, dst = 0;
    GLfloat color[4];
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_LIST_BASE, &listBase);
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    glGetFloatv(GL_CURRENT_COLOR, color);
    EXPECT_EQ(static_cast<GLuint>(bound), other);
    EXPECT_EQ(listBase, 7);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FLOAT_EQ(color[0], 0.1f);
    EXPECT_FLOAT_EQ(color[3], 0.4f);
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &other);
}

TEST_F(FontTest, LeavesTheStateItDescribesAndTheCallersMatrix) {
    const Frame plain = Draw(10, 20, 0, White, "AB");
    // A caller's transform does not move the text, and survives the call.
    glTranslated(50.0, 60.0, 0.0);
    glRotated(30.0, 0.0, 0.0, 1.0);
    GLdouble callerMatrix[16], after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, callerMatrix);
    // Projection selected: DrawText must select the model-view matrix itself.
    glMatrixMode(GL_PROJECTION);
    const ColorRGBA color{0.25f, 0.5f, 0.75f, 1.0f};
    ClearTo(Grey);
    DrawText(10, 20, 0, White, "AB");
    EXPECT_EQ(ReadFrame(), plain);
    DrawText(10, 20, 1, color, "AB");

    GLint mode = 0, bound = 0, listBase = 0, src = 0, dst = 0, depth = 0;
    GLfloat current[4];
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_LIST_BASE, &listBase);
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    glGetFloatv(GL_CURRENT_COLOR, current);
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(static_cast<GLuint>(bound), FontTexture.TextureId);
    EXPECT_EQ(static_cast<GLuint>(listBase), FontBase - 32 + 128);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ONE);
    EXPECT_EQ(depth, 1);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FLOAT_EQ(current[0], 0.25f);
    EXPECT_FLOAT_EQ(current[1], 0.5f);
    EXPECT_FLOAT_EQ(current[2], 0.75f);
    EXPECT_FLOAT_EQ(current[3], 1.0f);
    for (int i = 0; i < 16; ++i)
        EXPECT_DOUBLE_EQ(after[i], callerMatrix[i]) << i;
}

namespace {

std::string MakeTgaFile(unsigned width, unsigned height, unsigned depth,
                        const std::string& pixels) {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = static_cast<char>(width);
    bytes[14] = static_cast<char>(height);
    bytes[16] = static_cast<char>(depth);
    bytes[17] = 0x20; // "top-left origin": ignored
    return bytes + pixels;
}

} // namespace

// The loader's GL half: stored bytes reach the texture unchanged at any width.
TEST_F(FontTest, TgaPixelsReachGlAsStoredAtAnyWidth) {

    struct Case {
        unsigned Width, Height, Depth;
        GLint Format;
    };
    for (const Case& c :
         {Case{3, 2, 24, GL_RGB}, Case{5, 3, 24, GL_RGB}, Case{2, 2, 32, GL_RGBA}}) {
        SCOPED_TRACE(c.Width);
        std::string pixels;
        unsigned count = c.Width * c.Height * c.Depth / 8;
        for (unsigned i = 0; i < count; ++i)
            pixels.push_back(static_cast<char>(0x10 + i * 0x10));
        WriteFileBytes("image.tga", MakeTgaFile(c.Width, c.Height, c.Depth, pixels));
        TextureImage texture{};
        ASSERT_TRUE(LoadTgaTexture(texture, "image.tga"));
        EXPECT_NE(texture.TextureId, 0u);
        EXPECT_EQ(texture.ImageData, nullptr);

        GLint bound = 0, format = 0, minFilter = 0, magFilter = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), texture.TextureId);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        EXPECT_EQ(format, c.Format);
        EXPECT_EQ(minFilter, GL_LINEAR);
        EXPECT_EQ(magFilter, GL_LINEAR);

        // Read back tightly packed: first stored row first, bytes 10 20 30 as red, green, blue.
        std::vector<std::uint8_t> back(count);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, c.Depth == 24 ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE,
                      back.data());
        EXPECT_EQ(std::string(back.begin(), back.end()), pixels);
    }
}
