#include "platform/Font.h"

#include "platform/GL.h"

std::uint32_t FontBase = 0;
TextureImage FontTexture{};
TextureImage FontMaskTexture{};

void BuildGlyphLists() {
    // A sheet that does not load leaves TextureId 0: text then shows GL's default texture.
    LoadTgaTexture(FontTexture, "daFont.tga");
    LoadTgaTexture(FontMaskTexture, "daFontMask.tga");
    FontBase = glGenLists(256);
    // The lists hold no binding: DrawText binds the sheet each pass needs.
    glBindTexture(GL_TEXTURE_2D, FontTexture.TextureId);
    for (int n = 0; n < 256; ++n) {
        float cx = static_cast<float>(n % 16) / 16.0f;
        float cy = static_cast<float>(n / 16) / 16.0f;
        glNewList(FontBase + static_cast<GLuint>(n), GL_COMPILE);
        glBegin(GL_QUADS);
        glTexCoord2f(cx, 1.0f - cy - 0.0625f);
        glVertex2i(0, 0);
        glTexCoord2f(cx + 0.0625f, 1.0f - cy - 0.0625f);
        glVertex2i(16, 0);
        glTexCoord2f(cx + 0.0625f, 1.0f - cy);
        glVertex2i(16, 16);
        glTexCoord2f(cx, 1.0f - cy);
        glVertex2i(0, 16);
        glEnd();
        // The pen advance stays in the matrix, so the next glyph follows.
        glTranslated(16.0, 0.0, 0.0);
        glEndList();
    }
}

void FreeGlyphLists() {
    glDeleteLists(FontBase, 256);
}

namespace {

// One pass over the text's glyph quads, with the model-view matrix a plain translation.
void CallGlyphs(std::int32_t x, std::int32_t y, GLuint listBase, std::string_view text) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslated(x, y, 0.0);
    glListBase(listBase);
    // Signed bytes: codes 128 to 255 reach below the base, so set 1 shows cells 0 to 95 there.
    glCallLists(static_cast<GLsizei>(text.size()), GL_BYTE, text.data());
    glPopMatrix();
}

} // namespace

void DrawText(std::int32_t x, std::int32_t y, std::int32_t characterSet, const ColorRGBA& color,
              std::string_view text) {
    if (text.empty()) return;
    if (characterSet > 1) characterSet = 1;
    // Wraps modulo 2^32 like GL's own list arithmetic; a negative set lands below the font.
    GLuint listBase = FontBase - 32u + 128u * static_cast<GLuint>(characterSet);

    // Mask pass: darken the background where the glyphs will go.
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glBindTexture(GL_TEXTURE_2D, FontMaskTexture.TextureId);
    CallGlyphs(x, y, listBase, text);

    // Colour pass: add the glyphs tinted by the text colour.
    glColor4f(color.Red, color.Green, color.Blue, color.Alpha);
    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, FontTexture.TextureId);
    CallGlyphs(x, y, listBase, text);

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}
