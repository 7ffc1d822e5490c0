// The file half of the TGA loader: which headers it takes, what it leaves in the record.
#include "support/TestSupport.h"
#include "platform/Failure.h"
#include "platform/Tga.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Remembers the largest array allocation while watching, so a refused header can be shown to
// have asked for nothing.
namespace {
bool Watching = false;
std::size_t LargestArray = 0;
} // namespace

void* operator new[](std::size_t size) {
    if (Watching && size > LargestArray) LargestArray = size;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// An 18-byte header as the loader accepts it, then the pixel bytes (a counting pattern).
std::string MakeTga(unsigned width, unsigned height, unsigned depth, std::size_t pixelBytes) {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = static_cast<char>(width & 0xFF);
    bytes[13] = static_cast<char>(width >> 8);
    bytes[14] = static_cast<char>(height & 0xFF);
    bytes[15] = static_cast<char>(height >> 8);
    bytes[16] = static_cast<char>(depth);
    for (std::size_t i = 0; i < pixelBytes; ++i)
        bytes.push_back(static_cast<char>(i * 7 + 3));
    return bytes;
}

std::string Patched(std::string bytes, std::size_t at, unsigned char value) {
    bytes[at] = static_cast<char>(value);
    return bytes;
}

constexpr TextureImage Untouched{nullptr, 7, 11, 13, 99};

struct Shape {
    const char* Name;
    std::string Bytes;
    bool Loads;
    std::uint32_t Width, Height, BitsPerPixel; // what the record holds afterwards
    std::size_t PixelBytes;                    // on success: how many bytes ImageData holds
};

} // namespace

TEST(TgaTest, AcceptsOnlyTheExactHeaderShape) {
    const std::string rgba256 = MakeTga(256, 256, 32, 256 * 256 * 4);
    const std::string rgb64 = MakeTga(64, 64, 24, 64 * 64 * 3);
    const Shape shapes[] = {
        {"256x256 32-bit, exact size", rgba256, true, 256, 256, 32, 262144},
        {"one byte short", rgba256.substr(0, rgba256.size() - 1), false, 256, 256, 32, 0},
        {"24-bit, odd width", MakeTga(3, 5, 24, 45), true, 3, 5, 24, 45},
        {"width C8 00 is 200", MakeTga(200, 1, 24, 600), true, 200, 1, 24, 600},
        {"width 80 01 is 384", MakeTga(384, 1, 32, 1536), true, 384, 1, 32, 1536},
        {"extra trailing bytes", rgb64 + std::string(26, 'x'), true, 64, 64, 24, 12288},
        {"descriptor: top-left origin, 8 alpha bits", Patched(rgb64, 17, 0x28), true, 64, 64, 24,
         12288},
        {"descriptor 0xFF", Patched(rgb64, 17, 0xFF), true, 64, 64, 24, 12288},
        {"16-bit", MakeTga(64, 64, 16, 64 * 64 * 2), false, 64, 64, 7, 0},
        {"8-bit", MakeTga(64, 64, 8, 64 * 64), false, 64, 64, 7, 0},
        {"width 0", MakeTga(0, 4, 24, 0), false, 0, 4, 7, 0},
        {"height 0", MakeTga(4, 0, 24, 0), false, 4, 0, 7, 0},
        {"run-length encoded (type 10)", Patched(rgb64, 2, 10), false, 11, 13, 7, 0},
        {"grey (type 3)", Patched(rgb64, 2, 3), false, 11, 13, 7, 0},
        {"colour-mapped (type 1)", Patched(Patched(rgb64, 2, 1), 1, 1), false, 11, 13, 7, 0},
        {"identification field", Patched(rgb64, 0, 4), false, 11, 13, 7, 0},
        {"colour-map fields", Patched(rgb64, 5, 1), false, 11, 13, 7, 0},
        {"x origin", Patched(rgb64, 9, 1), false, 11, 13, 7, 0},
        {"y origin", Patched(rgb64, 10, 1), false, 11, 13, 7, 0},
        {"11 bytes", rgb64.substr(0, 11), false, 11, 13, 7, 0},
        {"12 header bytes, then 5", rgb64.substr(0, 17), false, 11, 13, 7, 0},
        {"empty file", "", false, 11, 13, 7, 0},
    };
    ScopedWorkDir dir;
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.Name);
        WriteFileBytes("image.tga", shape.Bytes);
        TextureImage texture = Untouched;
        ASSERT_EQ(ReadTgaFile(texture, "image.tga"), shape.Loads);
        EXPECT_EQ(texture.Width, shape.Width);
        EXPECT_EQ(texture.Height, shape.Height);
        EXPECT_EQ(texture.TextureId, 99u);
        if (!shape.Loads) {
            EXPECT_EQ(texture.ImageData, nullptr);
            continue;
        }
        EXPECT_EQ(texture.BitsPerPixel, shape.BitsPerPixel);
        ASSERT_NE(texture.ImageData, nullptr);
        // Bytes as stored: no red/blue exchange, no row flip, nothing of the trailer.
        EXPECT_EQ(std::string(reinterpret_cast<char*>(texture.ImageData), shape.PixelBytes),
                  shape.Bytes.substr(18, shape.PixelBytes));
        FreeTgaPixels(texture);
        EXPECT_EQ(texture.ImageData, nullptr);
    }
}

TEST(TgaTest, MissingFilesAreRefusedWithoutTouchingTheRecord) {
    ScopedWorkDir dir;
    ASSERT_EQ(mkdir("folder.tga", 0755), 0);
    ASSERT_EQ(mkfifo("pipe.tga", 0644), 0); // opening it for reading would wait for a writer
    for (const char* name : {"absent.tga", "folder.tga", "pipe.tga", ""}) {
        SCOPED_TRACE(name);
        TextureImage texture = Untouched;
        EXPECT_FALSE(ReadTgaFile(texture, name));
        EXPECT_EQ(texture.Width, 11u);
        EXPECT_EQ(texture.Height, 13u);
        EXPECT_EQ(texture.BitsPerPixel, 7u);
    }
}

TEST(TgaTest, HugeHeaderOnTinyFileIsRefusedBeforeAllocating) {
    ScopedWorkDir dir;
    WriteFileBytes("huge.tga", MakeTga(65535, 65535, 32, 2)); // 20 bytes claiming 17 GB
    TextureImage texture = Untouched;
    LargestArray = 0;
    Watching = true;
    bool loaded = ReadTgaFile(texture, "huge.tga");
    Watching = false;
    EXPECT_FALSE(loaded);
    EXPECT_EQ(LargestArray, 0u);
    EXPECT_EQ(texture.Width, 65535u);
    EXPECT_EQ(texture.Height, 65535u);
    EXPECT_EQ(texture.ImageData, nullptr);
}

// Run as nobody: a read-only image still loads (the loader only reads); an unreadable one
// ends the run with "access denied" rather than passing for a missing file.
TEST(TgaTest, PermissionsAsAnUnprivilegedUser) {
    passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    ScopedWorkDir dir;
    const struct {
        mode_t Mode;
        int Exit; // 0 loaded, 1 refused, 20 + the I/O error code when it threw
    } cases[] = {{0444, 0}, {0000, 25}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Mode);
        WriteFileBytes("crate.tga", MakeTga(4, 4, 24, 48));
        ASSERT_EQ(chmod("crate.tga", c.Mode), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(10);
            try {
                TextureImage texture{};
                _exit(ReadTgaFile(texture, "crate.tga") && texture.ImageData[0] == 3 ? 0 : 1);
            } catch (const InOutError& e) {
                _exit(20 + e.Code);
            }
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.Exit);
        unlink("crate.tga");
    }
}
