#include "GameWindowFixture.h"

#include "game/Game.h"
#include "input/Mouse.h"
#include "platform/Font.h"
#include "scores/HighScores.h"
#include "target/CubeUnit.h"
#include "timing/Time.h"

#include <functional>
#include <string_view>

namespace {
struct NamedButton {
    const char* Name;
    Button* Record;
};

NamedButton AllButtons[] = {
    {"NewGame", &NewGameButton},   {"Options", &OptionsButton},
    {"Help", &HelpButton},         {"HighScores", &HighScoresButton},
    {"Exit", &ExitButton},         {"OptionsBack", &OptionsBackButton},
    {"Name", &NameButton},         {"HelpBack", &HelpBackButton},
    {"MainMenu", &MainMenuButton}, {"QuitToMenu", &QuitToMenuButton},
    {"Resume", &ResumeButton},
};

void Place(Button& b, const char* caption, std::int32_t left, std::int32_t top, std::int32_t right,
           std::int32_t bottom) {
    b = Button{left, top, right, bottom, caption, Green, White};
}

// The game's eleven buttons as start-up lays them out.
void LayOutButtons() {
    Place(NewGameButton, "New Game", 300, 500, 500, 450);
    Place(OptionsButton, "Options", 300, 400, 500, 350);
    Place(HelpButton, "Help", 300, 300, 500, 250);
    Place(HighScoresButton, "High Scores", 300, 200, 500, 150);
    Place(ExitButton, "Exit", 300, 100, 500, 50);
    Place(OptionsBackButton, "Back", 290, 400, 510, 350);
    Place(NameButton, "--Player--", 290, 500, 510, 450);
    Place(HelpBackButton, "Back", 100, 100, 300, 50);
    Place(MainMenuButton, "Main Menu", 100, 100, 300, 50);
    Place(QuitToMenuButton, "Quit To Menu", 280, 500, 520, 450);
    Place(ResumeButton, "Resume Game", 280, 400, 520, 350);
}

void SetEntry(int slot, std::string_view name, std::int32_t points) {
    HighScoreEntry& e = HighScoreTable[slot];
    e = HighScoreEntry{};
    e.NameLength = static_cast<std::uint8_t>(name.size());
    name.copy(e.Name, name.size());
    e.Points = points;
}

// A frame time of 16 ms: the readout shows 62 (62.5, half to even).
void SetFrameTime(std::int64_t ms) {
    TimerFrequency = 1000;
    PreviousCount = 5000;
    CurrentCount = 5000 + ms;
}

void DrawReadout(const char* text) {
    DrawText(10, 584, 0, White, text);
}

class Screens : public GameWindowTest {
  protected:
    void SetUp() override {
        GameWindowTest::SetUp();
        if (IsSkipped()) return;
        LayOutButtons();
        SetFrameTime(16);
        MouseX = MouseY = 0;
        Paused = false;
        Score = -3;
        Lives = 2;
        TargetX = 220;
        TargetY = 330;
        TargetAngle = 30;
        TargetTimeLeft = 1234.5;
        for (int slot = 1; slot <= 10; ++slot)
            SetEntry(slot, "Player" + std::to_string(slot), 110 - 10 * slot);
        SetEntry(11, "Eleventh!!", 999);
    }
    void TearDown() override {
        GameState = 0;
        Paused = false;
        Score = Lives = 0;
        TargetX = TargetY = 0;
        TargetAngle = 0;
        TargetTimeLeft = 0;
        MouseX = MouseY = 0;
        TimerFrequency = PreviousCount = CurrentCount = 0;
        for (HighScoreEntry& e : HighScoreTable)
            e = HighScoreEntry{};
        for (NamedButton& b : AllButtons)
            *b.Record = Button{};
    }

    static Frame Render() {
        ClearFrame();
        RenderGame();
        return ReadFrame();
    }
    static Frame Expected(const std::function<void()>& draw) {
        ClearFrame();
        draw();
        return ReadFrame();
    }
    // The outline's left edge, clear of the caption (which starts at the middle).
    static bool EdgeLit(const Frame& frame, const Button& b) {
        return !frame.IsBlack(b.Left - 1, b.Bottom + 3) || !frame.IsBlack(b.Left, b.Bottom + 3);
    }
};

void DrawHud() {
    DrawTarget();
    DrawText(10, 10, 0, Green, "Score : -3");
    DrawText(10, 26, 0, Green, "Lives : 2");
    DrawText(10, 42, 0, Green, "Time  : 1234");
}

void DrawList() {
    for (int slot = 1; slot <= 10; ++slot) {
        int y = 500 - 48 * (slot - 1);
        DrawText(300, y, 0, Green, "Player" + std::to_string(slot));
        DrawText(500, y, 0, Green, std::to_string(110 - 10 * slot));
    }
}

void DrawHelp() {
    const int x = 10;
    DrawText(x, 480, 0, White, "* The main objective of the game is to ");
    DrawText(x, 464, 0, White, "  click on as many targets as possible. ");
    DrawTarget();
    DrawText(x, 434, 0, White, "* Every time you hit the target, your ");
    DrawText(x, 418, 0, White, "  score increases by 1.");
    DrawText(x, 388, 0, White, "* Every time you miss the target, your ");
    DrawText(x, 372, 0, White, "  score decreases by 1.");
    DrawText(x, 352, 0, White, "* You have a limited amount of time to hit");
    DrawText(x, 336, 0, White, "  each target, indicated by `Time` near the ");
    DrawText(x, 320, 0, White, "  bottom of the screen.");
    DrawText(x, 294, 0, White, "* If the time reaches 0, you lose a life.");
    DrawText(x, 268, 0, White, "* When you have 0 lives left, it`s game over.");
}

// Each screen against its items drawn one by one, and the outlines of its own buttons present
// and of every other screen's absent.
TEST_F(Screens, EachStateDrawsItsItemsAndNothingElse) {
    struct Case {
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
             DrawButton(NewGameButton);
             DrawButton(OptionsButton);
             DrawButton(ExitButton);
             DrawButton(HelpButton);
             DrawButton(HighScoresButton);
         }},
        {"high-scores",
         StateHighScores,
         false,
         {&MainMenuButton},
         [] {
             DrawButton(MainMenuButton);
             DrawList();
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
             DrawHelp();
         }},
        {"enter-name",
         StateEnterName,
         false,
         {&OptionsBackButton, &NameButton},
         [] {
             DrawButton(OptionsBackButton);
             DrawButton(NameButton);
             DrawText(10, 200, 0, White, "Type your name (10 chars max),");
             DrawText(10, 184, 0, White, "press `Enter` to confirm");
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        GameState = c.State;
        Paused = c.IsPaused;
        Frame drawn = Render();
        DumpFrame(drawn, std::string("screen-") + c.Name);
        Frame expected = Expected([&] {
            c.Draw();
            DrawReadout("62FPS");
        });
        EXPECT_TRUE(drawn == expected);
        for (const NamedButton& b : AllButtons) {
            bool shown = false;
            for (const Button* s : c.Shown)
                shown |= s->Left == b.Record->Left && s->Bottom == b.Record->Bottom;
            if (shown) {
                EXPECT_TRUE(EdgeLit(drawn, *b.Record)) << b.Name;
            } else if (!EdgeLit(expected, *b.Record)) {
                // Where the screen's own items leave the spot dark, so must the frame.
                EXPECT_FALSE(EdgeLit(drawn, *b.Record)) << b.Name;
            }
        }
        // RenderGame only reads the model.
        EXPECT_EQ(GameState, c.State);
        EXPECT_EQ(Paused, c.IsPaused);
    }
}

TEST_F(Screens, ButtonUnderTheMouseIsOutlinedGreen) {
    GameState = StateMainMenu;
    MouseX = 400;
    MouseY = 275; // inside Help
    Frame frame = Render();
    EXPECT_TRUE(frame.Is(HelpButton.Left, HelpButton.Bottom + 3, 0, 255, 0) ||
                frame.Is(HelpButton.Left - 1, HelpButton.Bottom + 3, 0, 255, 0));
    EXPECT_TRUE(frame.Is(OptionsButton.Left, OptionsButton.Bottom + 3, 255, 255, 255) ||
                frame.Is(OptionsButton.Left - 1, OptionsButton.Bottom + 3, 255, 255, 255));
}

TEST_F(Screens, PlayingDrawsTheTargetWhereItStands) {
    GameState = StatePlaying;
    TargetAngle = 0;
    // Untextured, the crate is plain white whatever the picture holds.
    TextureImage crate = CrateTexture;
    CrateTexture.TextureId = 0;
    Frame frame = Render();
    CrateTexture = crate;
    // Unturned: exactly the 100x100 square around (220, 330).
    EXPECT_FALSE(frame.IsBlack(171, 281));
    EXPECT_FALSE(frame.IsBlack(268, 378));
    EXPECT_TRUE(frame.IsBlack(169, 330));
    EXPECT_TRUE(frame.IsBlack(271, 330));
    EXPECT_TRUE(frame.IsBlack(220, 279));
    EXPECT_TRUE(frame.IsBlack(220, 381));
}

TEST_F(Screens, FrameRateReadout) {
    struct Case {
        std::int64_t Ms;
        const char* Readout; // nullptr: none at all
    } cases[] = {{16, "62FPS"}, {10, "100FPS"}, {1000, "1FPS"}, {0, nullptr}};
    GameState = StateQuit;
    for (const Case& c : cases) {
        SetFrameTime(c.Ms);
        Frame drawn = Render();
        Frame expected = Expected([&] {
            if (c.Readout) DrawReadout(c.Readout);
        });
        EXPECT_TRUE(drawn == expected) << c.Ms;
    }
}

TEST_F(Screens, HudFiguresFollowTheModel) {
    struct Case {
        std::int32_t Score, Lives;
        double TimeLeft;
        const char* ScoreLine;
        const char* LivesLine;
        const char* TimeLine;
    } cases[] = {
        {-3, 2, 1234.5, "Score : -3", "Lives : 2", "Time  : 1234"},
        {120, 13, 1235.5, "Score : 120", "Lives : 13", "Time  : 1236"},
        {0, 0, -40.25, "Score : 0", "Lives : 0", "Time  : -40"},
    };
    GameState = StatePlaying;
    for (const Case& c : cases) {
        Score = c.Score;
        Lives = c.Lives;
        TargetTimeLeft = c.TimeLeft;
        Frame drawn = Render();
        Frame expected = Expected([&] {
            DrawTarget();
            DrawText(10, 10, 0, Green, c.ScoreLine);
            DrawText(10, 26, 0, Green, c.LivesLine);
            DrawText(10, 42, 0, Green, c.TimeLine);
            DrawReadout("62FPS");
        });
        EXPECT_TRUE(drawn == expected) << c.ScoreLine;
    }
}
} // namespace
