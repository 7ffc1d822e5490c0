// Game.h - the game model: screen, pause, score, lives and the eleven buttons.
#pragma once

#include "hud/HUD.h"

#include <cstdint>

enum : std::int32_t {
    StateMainMenu = 1,
    StateHighScores = 2,
    StatePlaying = 3,
    StateOptions = 4,
    StateHelp = 5,
    StateEnterName = 6,
    StateGameOver = 7,
    StateQuit = -1,
};

extern std::int32_t GameState;
extern bool Paused;
extern bool QuitRequested;
extern std::int32_t Score;
extern std::int32_t Lives;

extern Button NewGameButton, OptionsButton, HelpButton, HighScoresButton, ExitButton;
extern Button OptionsBackButton, NameButton, HelpBackButton, MainMenuButton;
extern Button QuitToMenuButton, ResumeButton;

// Called once at start-up: main menu, player name, high scores, timer, crate texture, buttons.
void InitGame();

// Places a new target at a random place with a random spin and time limit.
void SpawnTarget();

// Three lives, score 0.
void ResetGame();

// One frame of game rules.
void UpdateGame();

// Draws the current screen and the frame-rate readout.
void RenderGame();
void DrawGameHud();
void DrawHighScoreList();
