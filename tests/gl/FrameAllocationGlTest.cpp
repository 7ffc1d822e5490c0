// Drawing a frame must not touch the heap: allocations are counted while frames are drawn.
#include "GameWindowFixture.h"

#include "game/Game.h"
#include "timing/Time.h"

#include <atomic>
#include <cstdlib>
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
                Allocations = 0;
                Counting = counted;
                RenderGame();
                Counting = false;
                EXPECT_EQ(Allocations, 0) << "state " << state << (paused ? " paused" : "");
            }
    GameState = 0;
    Paused = false;
    TimerFrequency = CurrentCount = 0;
    for (Button* b : buttons)
        *b = Button{};
}
} // namespace
