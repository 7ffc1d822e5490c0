// UpdateGame.cpp - one frame of game rules: menus, the target, pause and name entry.
#include "game/Game.h"

#include "hud/HUD.h"
#include "input/Keyboard.h"
#include "input/Mouse.h"
#include "scores/HighScores.h"
#include "target/CubeUnit.h"
#include "timing/Time.h"

#include <cstdint>
#include <limits>

namespace {
constexpr std::uint8_t KeyBackspace = 8;
constexpr std::uint8_t KeyEnter = 13;
constexpr std::uint8_t KeyShift = 16;
constexpr std::uint8_t KeyEscape = 27;
constexpr std::size_t MaxNameLength = 10;

// Score and lives have no bounds in the rules, but an int must not overflow: stop at the edge.
std::int32_t AddClamped(std::int32_t value, std::int32_t delta) {
    constexpr std::int64_t Highest = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t Lowest = std::numeric_limits<std::int32_t>::min();
    const std::int64_t sum = static_cast<std::int64_t>(value) + delta;
    return static_cast<std::int32_t>(sum > Highest ? Highest : sum < Lowest ? Lowest : sum);
}

// Lower case in the Western ANSI code page (Windows-1252), the same on every system, so both
// builds store the same name bytes for the same keys.
unsigned char LowerAnsi(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return c;
    }
}

bool TakeClickOn(const Button& button) {
    if (!MouseClicked() || !MouseOverButton(button)) return false;
    MouseClick = false;
    return true;
}

// Clears Escape; true for a new press. A key held down does not flip the pause at the repeat
// rate, and no key-up is needed to tell a new press: one lost to another window swallows none.
bool TakeEscapePress() {
    if (!KeyDown(KeyEscape)) return false;
    Keys[KeyEscape] = false;
    const bool pressed = KeyPressed[KeyEscape];
    KeyPressed[KeyEscape] = false;
    return pressed;
}

void TurnTarget() {
    TargetAngle = static_cast<float>(static_cast<double>(TargetAngle) +
                                     FrameTimeMs() * static_cast<double>(TargetSpin) / 100.0);
}

// The player's entry takes the name and the score; the table is sorted but not saved.
void RecordResult() {
    SetEntryName(HighScoreTable[11], PlayerName);
    HighScoreTable[11].Points = Score;
    SortHighScores();
}

bool TargetUnderMouse() {
    return TargetX - 50 < MouseX && MouseX < TargetX + 50 && TargetY - 50 < MouseY &&
           MouseY < TargetY + 50;
}

void UpdateMainMenu() {
    if (!MouseClicked()) return;
    MouseClick = false;
    if (MouseOverButton(NewGameButton)) {
        GameState = StatePlaying;
        // The first target still sees the last game's score: ResetGame comes after it.
        SpawnTarget();
        ResetGame();
    }
    if (MouseOverButton(OptionsButton)) GameState = StateOptions;
    if (MouseOverButton(ExitButton)) GameState = StateQuit;
    if (MouseOverButton(HelpButton)) {
        GameState = StateHelp;
        TargetX = 700;
        TargetY = 450;
        TargetAngle = 0.0f;
        TargetSpin = 1.9f;
    }
    if (MouseOverButton(HighScoresButton)) GameState = StateHighScores;
}

void UpdateRunning() {
    TurnTarget();

    // The time-out is settled first, so a click in this frame is judged against the new target.
    TargetTimeLeft -= FrameTimeMs();
    if (!(TargetTimeLeft > 0.0)) {
        Lives = AddClamped(Lives, -1);
        SpawnTarget();
    }

    if (MouseClicked()) {
        if (TargetUnderMouse()) {
            Score = AddClamped(Score, 1);
            if (Score % 10 == 0) Lives = AddClamped(Lives, 1);
            SpawnTarget();
        } else {
            Score = AddClamped(Score, -1);
        }
        // Every click is used up, so holding the button counts once.
        MouseClick = false;
    }

    if (Lives <= 0) {
        GameState = StateGameOver;
        RecordResult();
        SaveHighScores();
    }

    if (TakeEscapePress()) Paused = true;
}

void UpdatePaused() {
    if (MouseClicked()) {
        MouseClick = false;
        if (MouseOverButton(QuitToMenuButton)) {
            GameState = StateMainMenu;
            // Saved at the next game over or at exit.
            RecordResult();
        }
        if (MouseOverButton(ResumeButton)) Paused = false;
    }
    // Escape toggles the pause both ways, as a player expects.
    if (TakeEscapePress()) Paused = false;
}

void UpdateOptions() {
    if (!MouseClicked()) return;
    MouseClick = false;
    if (MouseOverButton(OptionsBackButton)) GameState = StateMainMenu;
    if (MouseOverButton(NameButton)) {
        GameState = StateEnterName;
        PlayerName.clear();
        NameButton.Caption.clear();
    }
}

void UpdateHelp() {
    if (TakeClickOn(HelpBackButton)) GameState = StateMainMenu;
    TurnTarget();
}

// Keys are taken as their own codes: letters, digits and space are what they look like, the
// rest give the character with their code.
void UpdateEnterName() {
    if (KeyDown(KeyEnter)) {
        // Enter stays down in the table; the rest of the frame still runs.
        GameState = StateOptions;
        SetEntryName(HighScoreTable[11], PlayerName);
    }
    if (KeyDown(KeyBackspace)) {
        if (!PlayerName.empty()) PlayerName.pop_back();
        Keys[KeyBackspace] = false;
    }
    for (int code = 32; code <= 255; ++code) {
        if (!Keys[code]) continue;
        Keys[code] = false;
        if (PlayerName.size() >= MaxNameLength) continue;
        const auto key = static_cast<unsigned char>(code);
        PlayerName.push_back(static_cast<char>(KeyDown(KeyShift) ? key : LowerAnsi(key)));
    }
    NameButton.Caption = PlayerName;
}
} // namespace

void UpdateGame() {
    // Every state ticks, so time spent in menus or paused never reaches the target.
    TickTimer();

    switch (GameState) {
    case StateMainMenu:
        UpdateMainMenu();
        break;
    case StateHighScores:
    case StateGameOver:
        if (TakeClickOn(MainMenuButton)) GameState = StateMainMenu;
        break;
    case StatePlaying:
        if (Paused)
            UpdatePaused();
        else
            UpdateRunning();
        break;
    case StateOptions:
        UpdateOptions();
        break;
    case StateHelp:
        UpdateHelp();
        break;
    case StateEnterName:
        UpdateEnterName();
        break;
    case StateQuit:
        QuitRequested = true;
        break;
    default:
        break;
    }
    // A press this update has seen may now take the release that came before it.
    SettleMouse();
    SettleKeys();
}
