// Game.cpp - the game model, start-up, new targets and a fresh game.
#include "game/Game.h"

#include "game/Random.h"
#include "platform/Tga.h"
#include "scores/HighScores.h"
#include "target/CubeUnit.h"
#include "timing/Time.h"

#include <cstdint>

std::int32_t GameState = 0;
bool Paused = false;
bool QuitRequested = false;
std::int32_t Score = 0;
std::int32_t Lives = 0;

Button NewGameButton, OptionsButton, HelpButton, HighScoresButton, ExitButton;
Button OptionsBackButton, NameButton, HelpBackButton, MainMenuButton;
Button QuitToMenuButton, ResumeButton;

namespace {
Button MakeButton(const char* caption, std::int32_t left, std::int32_t top, std::int32_t right,
                  std::int32_t bottom) {
    return Button{left, top, right, bottom, caption, Green, White};
}

} // namespace

void InitGame() {
    GameState = StateMainMenu;
    PlayerName = "--Player--";
    Score = 0;
    LoadHighScores();
    StartTimer();
    // A missing or unreadable crate image is not worth stopping for: the cube is drawn plain.
    LoadTgaTexture(CrateTexture, "TheCrate2.tga");

    NewGameButton = MakeButton("New Game", 300, 500, 500, 450);
    OptionsButton = MakeButton("Options", 300, 400, 500, 350);
    HelpButton = MakeButton("Help", 300, 300, 500, 250);
    HighScoresButton = MakeButton("High Scores", 300, 200, 500, 150);
    ExitButton = MakeButton("Exit", 300, 100, 500, 50);
    OptionsBackButton = MakeButton("Back", 290, 400, 510, 350);
    NameButton = MakeButton("--Player--", 290, 500, 510, 450);
    HelpBackButton = MakeButton("Back", 100, 100, 300, 50);
    MainMenuButton = MakeButton("Main Menu", 100, 100, 300, 50);
    QuitToMenuButton = MakeButton("Quit To Menu", 280, 500, 520, 450);
    ResumeButton = MakeButton("Resume Game", 280, 400, 520, 350);
}

void SpawnTarget() {
    TargetX = static_cast<std::int32_t>(RandomInt(100, 700));
    TargetY = static_cast<std::int32_t>(RandomInt(100, 500));
    TargetAngle = 0.0f;
    TargetSpin = static_cast<float>(1.0 + RandomReal());

    // The time limit shrinks as the score grows. Below -200 the two bounds change places; in
    // 64 bits neither can overflow, whatever the score.
    const std::int64_t a = 900 - 5 * static_cast<std::int64_t>(Score);
    const std::int64_t b = 1500 - 2 * static_cast<std::int64_t>(Score);
    const std::int64_t time = a <= b ? RandomInt(a, b) : RandomInt(b, a);
    TargetTimeLeft = static_cast<double>(time);
}

void ResetGame() {
    Lives = 3;
    Score = 0;
}
