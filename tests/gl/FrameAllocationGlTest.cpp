// A frame must not touch the heap: allocations are counted while frames are drawn, and the real
// game's page faults while it shows its main menu.
#include "GameWindowFixture.h"

#include "game/Game.h"
#include "target/CubeUnit.h"
#include "timing/Time.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>

namespace {
std::atomic<bool> Counting{false};
std::atomic<long> Allocations{0};
} // namespace

void* operator new(std::size_t size) {
    if (Counting) ++Allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// The compiler takes free() here for a mismatch; this new is malloc.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {
class FrameAllocations : public GameWindowTest {};

TEST_F(FrameAllocations, NoScreenAllocates) {
    Button* buttons[] = {&NewGameButton,  &OptionsButton,     &HelpButton,  &HighScoresButton,
                         &ExitButton,     &OptionsBackButton, &NameButton,  &HelpBackButton,
                         &MainMenuButton, &QuitToMenuButton,  &ResumeButton};
    for (Button* b : buttons)
        *b = Button{300, 500, 500, 450, std::string(200, 'x'), Green, White};
    TimerFrequency = 1000;
    CurrentCount = 16;
    // The first pass lets the GL driver build what it keeps for each kind of drawing (the
    // software rasteriser compiles code on the heap); only the second one counts.
    for (bool counted : {false, true})
        for (std::int32_t state : {1, 2, 3, 4, 5, 6, 7, -1})
            for (bool paused : {false, true}) {
                GameState = state;
                Paused = paused;
                // A target that never runs out and lives left: the frame stays on this screen.
                TargetTimeLeft = 1e12;
                Lives = 3;
                Allocations = 0;
                Counting = counted;
                UpdateGame();
                RenderGame();
                Counting = false;
                EXPECT_EQ(Allocations, 0) << "state " << state << (paused ? " paused" : "");
            }
    GameState = 0;
    Paused = false;
    TargetTimeLeft = 0;
    Lives = 0;
    TimerFrequency = CurrentCount = 0;
    for (Button* b : buttons)
        *b = Button{};
}

// The real game (tests/helpers/SwapStamp.cpp preloaded) counts its minor page faults from its
// 100th to its 400th frame on the main menu. The GL driver's blocks come and go every frame;
// with the heap kept (SysProcessStart) that faults about one page a frame, with the C library's
// defaults hundreds.
TEST(RealGameFaults, MainMenuFaultsAtMostAFewPagesAFrame) {
#ifdef QUORVIN_SANITIZED
    GTEST_SKIP() << "the sanitizers' allocator keeps no heap of the C library's";
#endif
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());
    const std::string stamp = dir.Path() + "/stamp.txt";
    ProcessResult run = RunProcess({"/usr/bin/env", std::string("LD_PRELOAD=") + QV_STAMP_LIBRARY,
                                    "QV_STAMP_FROM=100", "QV_STAMP_AT=400",
                                    "QV_STAMP_FILE=" + stamp, QUORVIN_BINARY},
                                   dir.Path(), 300);
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    long long ns = 0, rss = 0, hwm = 0, faults = -1;
    ASSERT_TRUE(std::ifstream(stamp) >> ns >> rss >> hwm >> faults) << "no stamp from the game";
    EXPECT_LE(static_cast<double>(faults) / 300, 4.0) << faults << " faults in 300 frames";
}
} // namespace
