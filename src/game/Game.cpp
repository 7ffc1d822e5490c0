#include "game/Game.h"

std::int32_t GameState = 0;
bool Paused = false;
bool QuitRequested = false;
std::int32_t Score = 0;
std::int32_t Lives = 0;

Button NewGameButton, OptionsButton, HelpButton, HighScoresButton, ExitButton;
Button OptionsBackButton, NameButton, HelpBackButton, MainMenuButton;
Button QuitToMenuButton, ResumeButton;

void InitGame() {}
void SpawnTarget() {}
void ResetGame() {}
