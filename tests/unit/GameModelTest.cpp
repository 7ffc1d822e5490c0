// The game model straight after start-up, and where new targets land.
#include "unit/GameRig.h"

#include <cstdint>
#include <limits>
#include <string>

using GameModel = GameRig;

TEST_F(GameModel, StartUpLeavesTheMainMenuReady) {
    // Dirty the model first: start-up must set what it owns and leave the rest alone.
    GameState = 0;
    Score = 42;
    PlayerName = "someone";
    NameButton.Caption = "x";
    rig::Now = 777;
    testing::internal::CaptureStdout();
    InitGame();
    const std::string out = testing::internal::GetCapturedStdout();

    EXPECT_EQ(GameState, StateMainMenu);
    EXPECT_EQ(Score, 0);
    EXPECT_EQ(Lives, 0);
    EXPECT_FALSE(Paused);
    EXPECT_EQ(PlayerName, "--Player--");
    EXPECT_EQ(NameButton.Caption, "--Player--");
    EXPECT_EQ(EntryName(HighScoreTable[11]), "--Player--");
    EXPECT_EQ(HighScoreTable[11].Points, 0);
    EXPECT_EQ(out, "Performance Counter frequency: 1000 ticks per second\r\nStart Time: 777\r\n");
    // No crate image here: start-up goes on regardless.
    EXPECT_EQ(CrateTexture.TextureId, 0u);
    EXPECT_EQ(rig::DrawsTaken, 0u);
}

TEST_F(GameModel, TargetTakesItsDrawsInOrder) {
    rig::ScriptDraws({0x00000000u, 0xFFFFFFFFu, 0x80000000u, 0x00000000u});
    Score = 0;
    TargetAngle = 33.0f;
    SpawnTarget();
    EXPECT_EQ(rig::DrawsTaken, 4u);
    EXPECT_EQ(TargetX, 100);
    EXPECT_EQ(TargetY, 499);
    EXPECT_EQ(TargetAngle, 0.0f);
    EXPECT_EQ(TargetSpin, 1.5f);
    EXPECT_EQ(TargetTimeLeft, 900.0);

    rig::ScriptDraws({0xFFFFFFFFu, 0x00000000u, 0xFFFFFFFFu, 0xFFFFFFFFu});
    SpawnTarget();
    EXPECT_EQ(TargetX, 699);
    EXPECT_EQ(TargetY, 100);
    EXPECT_EQ(TargetSpin, 2.0f); // just below 2, rounded to a single
    EXPECT_EQ(TargetTimeLeft, 1499.0);
}

TEST_F(GameModel, TimeRangeFollowsTheScore) {
    struct Case {
        std::int32_t score;
        double first, last; // lowest and highest time a draw can give
    };
    const Case cases[] = {
        {-200, 1900, 1900}, {-100, 1400, 1699}, {0, 900, 1499},
        {10, 850, 1479},    {100, 400, 1299},   {180, 0, 1139},
        {200, -100, 1099},  {-201, 1902, 1904}, {-1000, 3500, 5899},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.score);
        Score = c.score;
        rig::ScriptDraws({0, 0, 0, 0x00000000u});
        SpawnTarget();
        EXPECT_EQ(TargetTimeLeft, c.first);
        rig::ScriptDraws({0, 0, 0, 0xFFFFFFFFu});
        SpawnTarget();
        EXPECT_EQ(TargetTimeLeft, c.last);
    }
}

TEST_F(GameModel, TimeRangeSurvivesExtremeScores) {
    struct Case {
        std::int32_t score;
        double low, high; // the half-open range, worked out by hand in 64 bits
    };
    const Case cases[] = {
        {std::numeric_limits<std::int32_t>::min(), 4294968796.0, 10737419140.0},
        {std::numeric_limits<std::int32_t>::max(), -10737417335.0, -4294965794.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.score);
        Score = c.score;
        for (std::uint32_t draw : {0x00000000u, 0x80000000u, 0xFFFFFFFFu}) {
            rig::ScriptDraws({0, 0, 0, draw});
            SpawnTarget();
            EXPECT_GE(TargetTimeLeft, c.low);
            EXPECT_LT(TargetTimeLeft, c.high);
            if (draw == 0) {
                EXPECT_EQ(TargetTimeLeft, c.low);
            }
        }
    }
}
