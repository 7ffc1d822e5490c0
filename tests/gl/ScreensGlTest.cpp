#include "GameWindowFixture.h"

#include "game/Game.h"
#include "input/Mouse.h"
#include "platform/Font.h"
#include "scores/HighScores.h"
#include "target/CubeUnit.h"
#include "timing/Time.h"

#include <functional>

namespace {
Button* const AllButtons[] = {&NewGameButton,  &OptionsButton,     &HelpButton,  &HighScoresButton,
                              &ExitButton,     &OptionsBackButton, &NameButton,  &HelpBackButton,
                              &MainMenuButton, &QuitToMenuButton,  &ResumeButton};

// The frame time decides the readout: 16 ms shows 62 (62.5, half to even).
void SetFrameTime(std::int64_t ms) {
    TimerFrequency = 1000;
    PreviousCount = 5000;
    CurrentCount = 5000 + ms;
}

class Screens : public GameWindowTest {
  protected:
    // Start-up lays out the buttons and loads the crate.
    static void SetUpTestSuite() {
        GameWindowTest::SetUpTestSuite();
        if (windowMade_) InitGame();
    }
    static void TearDownTestSuite() {
        for (Button* b : AllButtons)
            *b = Button{};
        CrateTexture = TextureImage{};
        GameWindowTest::TearDownTestSuite();
    }
    void SetUp() override {
        GameWindowTest::SetUp();
        if (IsSkipped()) return;
        for (int slot = 1; slot <= 11; ++slot) {
            HighScoreTable[slot] =
                HighScoreEntry{7, {'P', 'l', 'a', 'y', 'e', 'r'}, 0, 110 - 10 * slot};
            HighScoreTable[slot].Name[6] = static_cast<char>('0' + slot % 10);
        }
        SetFrameTime(16);
        Score = -3;
        Lives = 2;
        TargetX = 700;
        TargetY = 450;
        TargetAngle = 30;
        TargetTimeLeft = 1234.5;
    }
    void TearDown() override {
        GameState = 0;
        Paused = false;
        Score = Lives = TargetX = TargetY = 0;
        TargetAngle = 0;
        TargetTimeLeft = 0;
        TimerFrequency = PreviousCount = CurrentCount = 0;
        for (HighScoreEntry& e : HighScoreTable)
            e = HighScoreEntry{};
    }
    static Frame Drawn(const std::function<void()>& draw, const std::string& name = "") {
        ClearFrame();
        draw();
        return ReadFrame(name);
    }
};

// The outline's left edge (either column beside the boundary), below the caption.
bool EdgeLit(const Frame& f, const Button& b) {
    return !f.IsBlack(b.Left - 1, b.Bottom + 3) || !f.IsBlack(b.Left, b.Bottom + 3);
}

void DrawLines(std::int32_t x, std::initializer_list<std::pair<std::int32_t, const char*>> lines,
               const ColorRGBA& colour) {
    for (auto [y, text] : lines)
        DrawText(x, y, 0, colour, text);
}

void DrawHud() {
    DrawTarget();
    DrawLines(10, {{10, "Score : -3"}, {26, "Lives : 2"}, {42, "Time  : 1234"}}, Green);
}

// Each screen against its items drawn one by one; its own buttons' outlines present, and the
// other screens' absent wherever its items leave the spot dark.
TEST_F(Screens, EachStateDrawsItsItemsAndNothingElse) {
    struct {
        const char* Name;
        std::int32_t State;
        bool IsPaused;
        std::vector<Button*> Shown;
        std::function<void()> Draw;
    } cases[] = {
        {"main-menu",
         StateMainMenu,
         false,
         {&NewGameButton, &OptionsButton, &ExitButton, &HelpButton, &HighScoresButton},
         [] {
             for (Button* b :
                  {&NewGameButton, &OptionsButton, &ExitButton, &HelpButton, &HighScoresButton})
                 DrawButton(*b);
         }},
        {"high-scores",
         StateHighScores,
         false,
         {&MainMenuButton},
         [] {
             DrawButton(MainMenuButton);
             for (int i = 1; i <= 10; ++i) {
                 DrawText(300, 500 - 48 * (i - 1), 0, Green, "Player" + std::to_string(i % 10));
                 DrawText(500, 500 - 48 * (i - 1), 0, Green, std::to_string(110 - 10 * i));
             }
         }},
        {"playing", StatePlaying, false, {}, DrawHud},
        {"paused",
         StatePlaying,
         true,
         {&QuitToMenuButton, &ResumeButton},
         [] {
             DrawHud();
             DrawButton(QuitToMenuButton);
             DrawButton(ResumeButton);
         }},
        {"options",
         StateOptions,
         false,
         {&OptionsBackButton, &NameButton},
         [] {
             DrawButton(OptionsBackButton);
             DrawButton(NameButton);
         }},
        {"help",
         StateHelp,
         false,
         {&HelpBackButton},
         [] {
             DrawButton(HelpBackButton);
             DrawLines(10,
                       {{480, "* The main objective of the game is to "},
                        {464, "  click on as many targets as possible. "}},
                       White);
             DrawTarget();
             DrawLines(10,
                       {{434, "* Every time you hit the target, your "},
                        {418, "  score increases by 1."},
                        {388, "* Every time you miss the target, your "},
                        {372, "  score decreases by 1."},
                        {352, "* You have a limited amount of time to hit"},
                        {336, "  each target, indicated by `Time` near the "},
                        {320, "  bottom of the screen."},
                        {294, "* If the time reaches 0, you lose a life."},
                        {268, "* When you have 0 lives left, it`s game over."}},
                       White);
         }},
        {"enter-name",
         StateEnterName,
         false,
         {&OptionsBackButton, &NameButton},
         [] {
             DrawButton(OptionsBackButton);
             DrawButton(NameButton);
             DrawLines(10,
                       {{200, "Type your name (10 chars max),"}, {184, "press `Enter` to confirm"}},
                       White);
         }},
        {"game-over",
         StateGameOver,
         true,
         {&MainMenuButton},
         [] {
             DrawButton(MainMenuButton);
             DrawText(250, 300, 0, Green, "G A M E  O V E R !");
         }},
        {"quit", StateQuit, false, {}, [] {}},
        {"state-0", 0, false, {}, [] {}},
        {"state-42", 42, true, {}, [] {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        GameState = c.State;
        Paused = c.IsPaused;
        Frame drawn = Drawn(RenderGame, std::string("screen-") + c.Name);
        Frame expected = Drawn([&] {
            c.Draw();
            DrawText(10, 584, 0, White, "62FPS");
        });
        EXPECT_TRUE(drawn == expected);
        for (Button* b : AllButtons) {
            bool shown = false;
            for (Button* s : c.Shown)
                shown |= s->Left == b->Left && s->Bottom == b->Bottom;
            bool dark = !shown && !EdgeLit(expected, *b);
            EXPECT_TRUE(!shown || EdgeLit(drawn, *b)) << b->Caption << " missing";
            EXPECT_TRUE(!dark || !EdgeLit(drawn, *b)) << b->Caption << " drawn";
        }
        EXPECT_EQ(GameState, c.State); // drawing only reads the model
        EXPECT_EQ(Paused, c.IsPaused);
    }
}

TEST_F(Screens, FrameRateReadout) {
    struct {
        std::int64_t Ms;
        const char* Readout; // none when the frame took no measurable time
    } cases[] = {{16, "62FPS"}, {10, "100FPS"}, {0, ""}};
    GameState = StateQuit;
    for (const auto& c : cases) {
        SetFrameTime(c.Ms);
        Frame expected = Drawn([&] { DrawText(10, 584, 0, White, c.Readout); });
        EXPECT_TRUE(Drawn(RenderGame) == expected) << c.Ms;
    }
}
} // namespace
