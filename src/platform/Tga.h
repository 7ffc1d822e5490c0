// Tga.h - uncompressed 24- and 32-bit TGA images into GL textures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

struct TextureImage {
    std::uint8_t* ImageData; // only valid while loading
    std::uint32_t BitsPerPixel;
    std::uint32_t Width;
    std::uint32_t Height;
    std::uint32_t TextureId; // 0 until a load succeeds
};

// Reads fileName from the working directory into a new GL texture (a context must be current).
// True when the texture was made. A file that exists but cannot be opened, or a failed read,
// throws InOutError; a missing file or a refused shape gives false.
bool LoadTgaTexture(TextureImage& texture, std::string_view fileName);

// The file half of LoadTgaTexture, usable without GL. On true, ImageData holds the pixel bytes
// (Width x Height x BitsPerPixel/8 of them, as stored) until FreeTgaPixels. On false, ImageData
// is null; Width and Height are set once the header was read in full.
bool ReadTgaFile(TextureImage& texture, const char* fileName);

// The size of the header ReadTgaFile reads before the pixels.
inline constexpr std::size_t TgaHeaderSize = 18;

// The header check of ReadTgaFile: headerBytes of the file's first 18 bytes arrived (fewer in a
// shorter file), and the whole file is fileSize bytes. Returns how many pixel bytes follow the
// header, or 0 when the image is refused. Width and Height are stored once the header arrived in
// full, BitsPerPixel once the depth is 24 or 32.
std::uint64_t TgaPixelBytes(TextureImage& texture, const std::uint8_t* header,
                            std::size_t headerBytes, std::int64_t fileSize);

// Releases the buffer ReadTgaFile made and clears ImageData.
void FreeTgaPixels(TextureImage& texture);

// The GL half: a new texture from ImageData, which is then released. The texture stays bound.
void UploadTgaTexture(TextureImage& texture);
