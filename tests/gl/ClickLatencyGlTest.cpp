// A click shows in the very next frame: the press is posted as the window system delivers it,
// and each frame's back buffer is compared with the screen the click should bring.
#include "GameWindowFixture.h"

#include "game/Game.h"
#include "game/Random.h"
#include "input/Keyboard.h"
#include "input/Mouse.h"
#include "platform/Sys.h"
#include "scores/HighScores.h"
#include "target/CubeUnit.h"

#include <cstdio>

namespace {
Button* const AllButtons[] = {&NewGameButton,  &OptionsButton,     &HelpButton,  &HighScoresButton,
                              &ExitButton,     &OptionsBackButton, &NameButton,  &HelpBackButton,
                              &MainMenuButton, &QuitToMenuButton,  &ResumeButton};

struct Region {
    int X, Y, Width, Height; // virtual units, which are pixels in the 800x600 window
};
// Everything but the frame-rate readout, whose figures change from frame to frame.
constexpr Region BelowReadout{0, 0, 800, 584};

void ClearInput() {
    for (bool& key : Keys)
        key = false;
    MouseClick = ClickUnseen = ClickReleaseDeferred = false;
}

void StartPlaying() {
    GameState = StatePlaying;
    Paused = false;
    ResetGame();
    SpawnTarget();
    // A target that never runs out keeps the game on this screen.
    TargetTimeLeft = 1e12;
}

// Each screen as a player finds it, the mouse away from every button.
void MainMenu() {
    GameState = StateMainMenu;
    Paused = false;
}
void Options() {
    GameState = StateOptions;
}
void Help() {
    GameState = StateHelp;
    TargetX = 700;
    TargetY = 450;
    TargetAngle = 0.0f;
    TargetSpin = 1.9f;
}
void HighScores() {
    GameState = StateHighScores;
}
void GameOver() {
    GameState = StateGameOver;
}
void PausedAway() {
    StartPlaying();
    Paused = true;
    TargetX = 150;
    TargetY = 250;
}
void PlayingAway() {
    StartPlaying();
    TargetX = 150;
    TargetY = 250;
    TargetAngle = 0.0f;
}
void PlayingCentred() {
    StartPlaying();
    TargetX = 400;
    TargetY = 300;
    TargetAngle = 0.0f;
}
void PlayingScoreOne() {
    StartPlaying();
    Score = 1;
}
void EmptyNameEntry() {
    GameState = StateEnterName;
    PlayerName.clear();
    NameButton.Caption.clear();
}

std::vector<std::uint8_t> ReadRegion(const Region& r) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(3 * r.Width * r.Height));
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(r.X, r.Y, r.Width, r.Height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// One pass of the game's loop: waiting messages, then the frame; the picture before the swap.
std::vector<std::uint8_t> GameFrame(const Region& region) {
    SysMessage msg{};
    while (SysPeekMessage(msg))
        if (msg.message != WmQuit) {
            SysTranslateMessage(msg);
            SysDispatchMessage(msg);
        }
    UpdateGame();
    ClearFrame();
    RenderGame();
    std::vector<std::uint8_t> picture = ReadRegion(region);
    SysSwapBuffers();
    return picture;
}

class ClickLatency : public GameWindowTest {
  protected:
    static void SetUpTestSuite() {
        GameWindowTest::SetUpTestSuite();
        if (!windowMade_) return;
        // A fixed seed: every run places the same targets.
        Randomize(12345);
        InitGame();
        for (int slot = 1; slot <= 10; ++slot) {
            char name[16];
            std::snprintf(name, sizeof name, "Runner%04d", slot);
            SetEntryName(HighScoreTable[slot], name);
            HighScoreTable[slot].Points = 2147483000 - slot;
        }
    }
    static void TearDownTestSuite() {
        for (Button* b : AllButtons)
            *b = Button{};
        for (HighScoreEntry& e : HighScoreTable)
            e = HighScoreEntry{};
        GameState = Score = Lives = 0;
        Paused = QuitRequested = false;
        ClearInput();
        GameWindowTest::TearDownTestSuite();
    }
};

TEST_F(ClickLatency, EveryClickShowsInTheNextFrame) {
    struct {
        const char* Name;
        void (*Before)();
        int X, Y;       // the click, in virtual units
        void (*After)(); // the screen the click should bring, for the reference picture
        Region Shows;   // where the two pictures must agree
    } cases[] = {
        // The new game's target is random: its score and lives lines show the new screen.
        {"Main menu: New Game", MainMenu, 400, 475, StartPlaying, {10, 10, 160, 32}},
        {"Main menu: Options", MainMenu, 400, 375, Options, BelowReadout},
        // The demonstration target turns with time: compare below it.
        {"Main menu: Help", MainMenu, 400, 275, Help, {0, 0, 800, 400}},
        {"Main menu: High Scores", MainMenu, 400, 175, HighScores, BelowReadout},
        {"Options: Back", Options, 400, 375, MainMenu, BelowReadout},
        {"Options: name button", Options, 400, 475, EmptyNameEntry, BelowReadout},
        {"Help: Back", Help, 200, 75, MainMenu, BelowReadout},
        {"High scores: Main Menu", HighScores, 200, 75, MainMenu, BelowReadout},
        {"Game over: Main Menu", GameOver, 200, 75, MainMenu, BelowReadout},
        // The pause menu's buttons are gone where they stood; the target stands aside.
        {"Paused: Resume Game", PausedAway, 400, 375, PlayingAway, {270, 340, 260, 170}},
        {"Paused: Quit To Menu", PausedAway, 400, 475, MainMenu, BelowReadout},
        // A hit: the score line reads 1 in the first frame that shows the new target.
        {"Playing: hit the target", PlayingCentred, 400, 300, PlayingScoreOne, {10, 10, 160, 16}},
    };
    for (const auto& c : cases) {
        // The reference: the screen the click should bring, with the mouse where the click is.
        c.After();
        ClearInput();
        MouseX = c.X;
        MouseY = c.Y;
        std::vector<std::uint8_t> reference = GameFrame(c.Shows);

        ClearInput();
        c.Before();
        MouseX = MouseY = 0;
        for (int i = 0; i < 5; ++i)
            GameFrame(c.Shows);
        const auto x = static_cast<std::uint16_t>(c.X);
        const auto y = static_cast<std::uint16_t>(600 - c.Y);
        SysPostMessage(WmMouseMove, 0, MakeLParam(x, y));
        SysPostMessage(WmLButtonDown, 1, MakeLParam(x, y));
        int shown = 0;
        for (int frame = 1; frame <= 10 && shown == 0; ++frame)
            if (GameFrame(c.Shows) == reference) shown = frame;
        SysPostMessage(WmLButtonUp, 0, MakeLParam(x, y));
        GameFrame(c.Shows);
        EXPECT_EQ(shown, 1) << c.Name << " (0: not within ten frames)";
    }
}
} // namespace
