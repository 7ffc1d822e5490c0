#include "platform/Tga.h"

#include "platform/Failure.h"
#include "platform/GL.h"
#include "platform/Sys.h"

#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace {

// Uncompressed true-colour, no identification field, no colour map, origin (0, 0).
constexpr std::uint8_t AcceptedStart[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::int64_t HeaderSize = TgaHeaderSize;

bool Refuse(SysFile file) {
    CheckIO(SysCloseFile(file));
    return false;
}

} // namespace

std::uint64_t TgaPixelBytes(TextureImage& texture, const std::uint8_t* header,
                            std::size_t headerBytes, std::int64_t fileSize) {
    if (headerBytes < 12 || std::memcmp(header, AcceptedStart, 12) != 0) return 0;
    if (headerBytes < TgaHeaderSize) return 0;

    std::uint32_t width = header[12] + 256u * header[13];
    std::uint32_t height = header[14] + 256u * header[15];
    texture.Width = width;
    texture.Height = height;
    std::uint8_t depth = header[16];
    if (width == 0 || height == 0 || (depth != 24 && depth != 32)) return 0;
    texture.BitsPerPixel = depth;

    // Up to 65535 x 65535 x 4 bytes: past 32 bits.
    std::uint64_t count = std::uint64_t{width} * height * (depth / 8u);

    // A header can claim far more pixels than the file holds; refuse it before asking for
    // gigabytes that the read would leave empty.
    if (fileSize < HeaderSize || std::uint64_t(fileSize - HeaderSize) < count) return 0;
    return count;
}

bool ReadTgaFile(TextureImage& texture, const char* fileName) {
    if (!SysFileExists(fileName)) return false;

    // The loader only reads, so a read-only image (a system-wide install) must still load.
    SysFile file = 0;
    CheckIO(SysOpenFile(fileName, SysOpenMode::ReadOnly, file));

    std::uint8_t header[TgaHeaderSize];
    std::size_t got = 0;
    CheckIO(SysReadFile(file, header, 12, got));
    std::size_t headerBytes = got;
    if (got == 12 && std::memcmp(header, AcceptedStart, 12) == 0) {
        CheckIO(SysReadFile(file, header + 12, 6, got));
        headerBytes += got;
    }
    std::int64_t fileSize = 0;
    CheckIO(SysFileSize(file, fileSize));
    std::uint64_t count = TgaPixelBytes(texture, header, headerBytes, fileSize);
    if (count == 0) return Refuse(file);
    if (count > std::numeric_limits<std::size_t>::max()) throw std::bad_alloc();

    texture.ImageData = new std::uint8_t[static_cast<std::size_t>(count)];
    CheckIO(SysReadFile(file, texture.ImageData, static_cast<std::size_t>(count), got));
    if (got < count) {
        FreeTgaPixels(texture);
        return Refuse(file);
    }
    CheckIO(SysCloseFile(file));
    return true;
}

void FreeTgaPixels(TextureImage& texture) {
    delete[] texture.ImageData;
    texture.ImageData = nullptr;
}

void UploadTgaTexture(TextureImage& texture) {
    GLuint id = 0;
    glGenTextures(1, &id);
    texture.TextureId = id;
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Rows are stored tightly packed; any 24-bit width must line up.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Bytes go to GL in stored order: no red/blue exchange, no row flip.
    GLenum format = texture.BitsPerPixel == 24 ? GL_RGB : GL_RGBA;
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), static_cast<GLsizei>(texture.Width),
                 static_cast<GLsizei>(texture.Height), 0, format, GL_UNSIGNED_BYTE,
                 texture.ImageData);
    FreeTgaPixels(texture);
}

bool LoadTgaTexture(TextureImage& texture, std::string_view fileName) {
    std::string name(fileName);
    if (!ReadTgaFile(texture, name.c_str())) return false;
    UploadTgaTexture(texture);
    return true;
}
