#include "platform/Font.h"

std::uint32_t FontBase = 0;
TextureImage FontTexture{};
TextureImage FontMaskTexture{};

void BuildGlyphLists() {}
void FreeGlyphLists() {}
void DrawText(std::int32_t, std::int32_t, std::int32_t, const ColorRGBA&, std::string_view) {}
