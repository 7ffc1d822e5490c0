// Drawing a frame must not touch the heap: counts allocations made while a frame is drawn.
#include "GameWindowFixture.h"

#include "game/Game.h"
#include "scores/HighScores.h"
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
// The compiler sees free() on what it takes for new's memory; here new is malloc.
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
        *b = Button{300,   500,  500, 450, "A caption longer than any the game has, to be sure",
                    Green, White};
    NameButton.Caption.assign(200, 'x'); // past any stack buffer
    for (int slot = 1; slot <= 11; ++slot) {
        HighScoreTable[slot] =
            HighScoreEntry{10, {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J'}, 0, -123456};
    }
    TimerFrequency = 1000;
    PreviousCount = 0;
    CurrentCount = 16;
    Score = -2147483647 - 1;
    Lives = 2147483647;
    // The first pass lets the GL driver build what it keeps for each kind of drawing (the
    // software rasteriser compiles code with the heap); only the second one counts.
    for (bool counted : {false, true})
        for (std::int32_t state : {1, 2, 3, 4, 5, 6, 7, -1, 0})
            for (bool paused : {false, true}) {
                GameState = state;
                Paused = paused;
                ClearFrame();
                Allocations = 0;
                Counting = counted;
                RenderGame();
                Counting = false;
                if (counted) {
                    EXPECT_EQ(Allocations, 0) << "state " << state << (paused ? " paused" : "");
                }
            }
    GameState = 0;
    Paused = false;
    Score = Lives = 0;
    TimerFrequency = PreviousCount = CurrentCount = 0;
    for (HighScoreEntry& e : HighScoreTable)
        e = HighScoreEntry{};
    for (Button* b : buttons)
        *b = Button{};
}
} // namespace
