#include "game/Game.h"

#include "game/HudText.h"
#include "platform/Font.h"
#include "scores/HighScores.h"
#include "target/CubeUnit.h"
#include "timing/Time.h"

#include <iterator>

namespace {
struct TextLine {
    std::int32_t Y;
    std::string_view Text;
};

// The help page's lines above the demonstration target, then those below it.
constexpr TextLine HelpLinesAbove[] = {
    {480, "* The main objective of the game is to "},
    {464, "  click on as many targets as possible. "},
};
constexpr TextLine HelpLinesBelow[] = {
    {434, "* Every time you hit the target, your "},
    {418, "  score increases by 1."},
    {388, "* Every time you miss the target, your "},
    {372, "  score decreases by 1."},
    {352, "* You have a limited amount of time to hit"},
    {336, "  each target, indicated by `Time` near the "},
    {320, "  bottom of the screen."},
    {294, "* If the time reaches 0, you lose a life."},
    {268, "* When you have 0 lives left, it`s game over."},
};

void DrawLines(const TextLine* first, const TextLine* last) {
    for (const TextLine* line = first; line != last; ++line)
        DrawText(10, line->Y, 0, White, line->Text);
}

void DrawHelpPage() {
    DrawLines(std::begin(HelpLinesAbove), std::end(HelpLinesAbove));
    DrawTarget();
    DrawLines(std::begin(HelpLinesBelow), std::end(HelpLinesBelow));
}

void DrawNamePrompt() {
    DrawText(10, 200, 0, White, "Type your name (10 chars max),");
    DrawText(10, 184, 0, White, "press `Enter` to confirm");
}

void DrawFrameRate() {
    HudText text;
    std::string_view readout = FrameRateText(text, FrameTimeMs());
    if (!readout.empty()) DrawText(10, 584, 0, White, readout);
}
} // namespace

void DrawGameHud() {
    DrawTarget();
    HudText text;
    DrawText(10, 10, 0, Green, ScoreText(text, Score));
    DrawText(10, 26, 0, Green, LivesText(text, Lives));
    DrawText(10, 42, 0, Green, TimeLeftText(text, TargetTimeLeft));
}

void DrawHighScoreList() {
    HudText text;
    for (int slot = 1; slot <= 10; ++slot) {
        const HighScoreEntry& entry = HighScoreTable[slot];
        std::int32_t y = 500 - 48 * (slot - 1);
        DrawText(300, y, 0, Green, EntryName(entry));
        DrawText(500, y, 0, Green, DecimalText(text, entry.Points));
    }
}

void RenderGame() {
    switch (GameState) {
    case StateMainMenu:
        DrawButton(NewGameButton);
        DrawButton(OptionsButton);
        DrawButton(ExitButton);
        DrawButton(HelpButton);
        DrawButton(HighScoresButton);
        break;
    case StateHighScores:
        DrawButton(MainMenuButton);
        DrawHighScoreList();
        break;
    case StatePlaying:
        DrawGameHud();
        if (Paused) {
            DrawButton(QuitToMenuButton);
            DrawButton(ResumeButton);
        }
        break;
    case StateOptions:
        DrawButton(OptionsBackButton);
        DrawButton(NameButton);
        break;
    case StateHelp:
        DrawButton(HelpBackButton);
        DrawHelpPage();
        break;
    case StateEnterName:
        DrawButton(OptionsBackButton);
        DrawButton(NameButton);
        DrawNamePrompt();
        break;
    case StateGameOver:
        DrawButton(MainMenuButton);
        DrawText(250, 300, 0, Green, "G A M E  O V E R !");
        break;
    default:
        break;
    }
    DrawFrameRate();
}
