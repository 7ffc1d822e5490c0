// GameWindowFixture.h - the game's own window and context for drawing tests, and frame capture.
#pragma once

#include "app/WindowProc.h"
#include "platform/GL.h"
#include "platform/OpenGLFuncs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

// The back buffer read back; row 0 is the bottom, so pixel (x, y) is the virtual unit square
// from (x, y) to (x + 1, y + 1).
struct Frame {
    static constexpr int Width = 800, Height = 600;
    std::vector<std::uint8_t> Rgb;
    const std::uint8_t* At(int x, int y) const { return &Rgb[3 * (y * Width + x)]; }
    bool Is(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) const {
        const std::uint8_t* p = At(x, y);
        return p[0] == r && p[1] == g && p[2] == b;
    }
    bool IsBlack(int x, int y) const { return Is(x, y, 0, 0, 0); }
    bool operator==(const Frame& other) const { return Rgb == other.Rgb; }
};

inline void ClearFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// With QUORVIN_FRAME_DIR set, each frame read is also written there as <name>.ppm to look at.
inline Frame ReadFrame(const std::string& name = "") {
    Frame frame;
    frame.Rgb.resize(3 * Frame::Width * Frame::Height);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, Frame::Width, Frame::Height, GL_RGB, GL_UNSIGNED_BYTE, frame.Rgb.data());
    if (const char* dir = std::getenv("QUORVIN_FRAME_DIR"); dir && !name.empty()) {
        std::ofstream out(std::string(dir) + "/" + name + ".ppm", std::ios::binary);
        out << "P6\n" << Frame::Width << " " << Frame::Height << "\n255\n";
        for (int y = Frame::Height - 1; y >= 0; --y)
            out.write(reinterpret_cast<const char*>(frame.At(0, y)), 3 * Frame::Width);
    }
    return frame;
}

// The window is made once per suite, in a work directory holding the game's images.
class GameWindowTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        workDir_ = std::make_unique<ScopedWorkDir>();
        if (std::filesystem::exists(std::filesystem::path(QUORVIN_SOURCE_DIR) / "data"))
            CopyGameImages(workDir_->Path());
        windowMade_ = CreateGameWindow(800, 600, false, 32, WindowProc);
        if (windowMade_) InitScene();
    }
    static void TearDownTestSuite() {
        if (windowMade_) {
            FreeGlyphLists();
            DestroyGameWindow(false);
        }
        windowMade_ = false;
        workDir_.reset();
    }
    void SetUp() override {
        if (!windowMade_) GTEST_SKIP() << "no game window on this display";
        ClearFrame();
    }

    static inline std::unique_ptr<ScopedWorkDir> workDir_;
    static inline bool windowMade_ = false;
};
