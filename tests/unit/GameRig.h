// GameRig.h - a controlled world for the game rules: a clock the test steps, scripted random
// draws, input set by hand and a started game in a scratch working directory.
#pragma once

#include "support/TestSupport.h"
#include "game/Game.h"
#include "game/Random.h"
#include "input/Keyboard.h"
#include "input/Mouse.h"
#include "scores/HighScores.h"
#include "target/CubeUnit.h"
#include "timing/Time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace rig {

// The clock runs at 1000 ticks a second, so one tick is one millisecond.
inline std::int64_t Now = 5000;
inline std::int64_t FakeFrequency() {
    return 1000;
}
inline std::int64_t FakeCounter() {
    return Now;
}

// Draws come from Script in order; once it runs out every draw is the middle value.
inline std::vector<std::uint32_t> Script;
inline std::size_t DrawsTaken = 0;
inline std::uint32_t ScriptedDraw() {
    std::uint32_t draw = DrawsTaken < Script.size() ? Script[DrawsTaken] : 0x80000000u;
    ++DrawsTaken;
    return draw;
}

inline void ScriptDraws(std::vector<std::uint32_t> draws) {
    Script = std::move(draws);
    DrawsTaken = 0;
}

} // namespace rig

class GameRig : public ::testing::Test {
  protected:
    void SetUp() override {
        savedSource_ = RandomSource;
        savedCounter_ = ReadCounter;
        savedFrequency_ = ReadCounterFrequency;
        RandomSource = rig::ScriptedDraw;
        ReadCounter = rig::FakeCounter;
        ReadCounterFrequency = rig::FakeFrequency;
        rig::ScriptDraws({});
        workDir_ = std::make_unique<ScopedWorkDir>();

        MouseX = MouseY = 0;
        MouseClick = ClickUnseen = ClickReleaseDeferred = false;
        for (bool* table : {Keys, KeyPressed, KeyUnseen, KeyUpDeferred})
            std::fill_n(table, 256, false);
        Paused = false;
        QuitRequested = false;
        Lives = 0;
        TargetX = TargetY = 0;
        TargetAngle = TargetSpin = 0.0f;
        TargetTimeLeft = 0.0;
        InitGame();
    }

    void TearDown() override {
        workDir_.reset();
        RandomSource = savedSource_;
        ReadCounter = savedCounter_;
        ReadCounterFrequency = savedFrequency_;
    }

    // One frame that took ms milliseconds since the last one.
    static void Frame(std::int64_t ms = 16) {
        rig::Now += ms;
        UpdateGame();
    }

    static void ClickAt(std::int32_t x, std::int32_t y) {
        MouseX = x;
        MouseY = y;
        MouseClick = true;
    }

    // A running game with the target at (x, y) and plenty of time left.
    static void Playing(std::int32_t score, std::int32_t lives, std::int32_t x = 200,
                        std::int32_t y = 200) {
        GameState = StatePlaying;
        Paused = false;
        Score = score;
        Lives = lives;
        TargetX = x;
        TargetY = y;
        TargetAngle = 0.0f;
        TargetSpin = 1.0f;
        TargetTimeLeft = 1000.0;
    }

    const std::string& Dir() const { return workDir_->Path(); }

  private:
    std::unique_ptr<ScopedWorkDir> workDir_;
    std::uint32_t (*savedSource_)() = nullptr;
    std::int64_t (*savedCounter_)() = nullptr;
    std::int64_t (*savedFrequency_)() = nullptr;
};
