// Font.h - the 256-glyph bitmap font and DrawText.
#pragma once

#include "platform/Color.h"
#include "platform/Tga.h"

#include <cstdint>
#include <string_view>

extern std::uint32_t FontBase;   // first of the 256 glyph display lists
extern TextureImage FontTexture;
extern TextureImage FontMaskTexture;

// Called by InitScene: loads "daFont.tga" and "daFontMask.tga" and compiles the glyph lists.
void BuildGlyphLists();

// Called once at shutdown while the context is still current.
void FreeGlyphLists();

// Draws text with the lower-left corner of its first glyph at virtual (x, y), in two passes
// (mask, then colour). An empty text makes no GL call.
void DrawText(std::int32_t x, std::int32_t y, std::int32_t characterSet, const ColorRGBA& color,
              std::string_view text);
