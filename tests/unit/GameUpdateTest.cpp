// The per-frame rules: menus, the target, pause, game over and name entry.
#include "unit/GameRig.h"

#include <cstdint>
#include <string>
#include <vector>

using GameUpdate = GameRig;

namespace {
std::string RecordName(const std::string& bytes, int record) {
    const auto at = static_cast<std::size_t>(record) * 16;
    return bytes.substr(at + 1, static_cast<unsigned char>(bytes[at]));
}

std::int32_t RecordPoints(const std::string& bytes, int record) {
    const auto at = static_cast<std::size_t>(record) * 16 + 12;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return static_cast<std::int32_t>(value);
}
} // namespace

TEST_F(GameUpdate, ClicksMoveBetweenScreens) {
    struct Case {
        const char* what;
        std::int32_t from;
        bool paused;
        std::int32_t x, y;
        bool click;
        std::int32_t to;
        bool consumed;
        bool resumes = false;
    };
    const Case cases[] = {
        {"new game", StateMainMenu, false, 400, 475, true, StatePlaying, true},
        {"options", StateMainMenu, false, 400, 375, true, StateOptions, true},
        {"help", StateMainMenu, false, 400, 275, true, StateHelp, true},
        {"high scores", StateMainMenu, false, 400, 175, true, StateHighScores, true},
        {"exit", StateMainMenu, false, 400, 75, true, StateQuit, true},
        {"menu, on an edge", StateMainMenu, false, 300, 475, true, StateMainMenu, true},
        {"menu, beside", StateMainMenu, false, 600, 475, true, StateMainMenu, true},
        {"menu, no click", StateMainMenu, false, 400, 475, false, StateMainMenu, false},
        {"scores, main menu", StateHighScores, false, 200, 75, true, StateMainMenu, true},
        {"scores, beside", StateHighScores, false, 400, 475, true, StateHighScores, false},
        {"game over, main menu", StateGameOver, false, 200, 75, true, StateMainMenu, true},
        {"game over, beside", StateGameOver, false, 200, 100, true, StateGameOver, false},
        {"options, back", StateOptions, false, 400, 375, true, StateMainMenu, true},
        {"options, name", StateOptions, false, 400, 475, true, StateEnterName, true},
        {"options, beside", StateOptions, false, 100, 100, true, StateOptions, true},
        {"help, back", StateHelp, false, 200, 75, true, StateMainMenu, true},
        {"help, beside", StateHelp, false, 400, 475, true, StateHelp, false},
        {"name entry ignores clicks", StateEnterName, false, 400, 375, true, StateEnterName, false},
        {"paused, quit to menu", StatePlaying, true, 400, 475, true, StateMainMenu, true},
        {"paused, resume", StatePlaying, true, 400, 375, true, StatePlaying, true, true},
        {"paused, beside", StatePlaying, true, 700, 550, true, StatePlaying, true},
        {"no state", 0, false, 400, 475, true, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Playing(0, 3, 650, 150);
        GameState = c.from;
        Paused = c.paused;
        MouseX = c.x;
        MouseY = c.y;
        MouseClick = c.click;
        Frame();
        EXPECT_EQ(GameState, c.to);
        EXPECT_EQ(MouseClick, c.click && !c.consumed);
        EXPECT_FALSE(QuitRequested);
        EXPECT_EQ(Score, 0); // a click on a menu is never a miss
        EXPECT_EQ(Paused, c.paused && !c.resumes);
    }
}

// The left button as WindowProc reports it, at (400, 375): the main menu's Options button sits
// where the options' Back button does, so each click taken flips the screen; the high scores
// take no click there.
TEST_F(GameUpdate, AClickShorterThanAFrameIsTakenOnce) {
    struct Case {
        const char* what;
        std::int32_t from;
        std::vector<std::string> frames; // the reports before each frame: p press, r release
        std::int32_t screen;
        bool latched;
    };
    const Case cases[] = {
        {"pressed and released before a frame", StateMainMenu, {"pr", ""}, StateOptions, false},
        {"pressed, a frame, released", StateMainMenu, {"p", "r", ""}, StateOptions, false},
        {"held over frames: taken once", StateMainMenu, {"p", "", ""}, StateOptions, false},
        {"a tap in each of two frames", StateMainMenu, {"pr", "pr"}, StateMainMenu, false},
        {"two taps before one frame", StateMainMenu, {"prpr", ""}, StateOptions, false},
        {"tapped, pressed again and held", StateMainMenu, {"prp", "", "r"}, StateOptions, false},
        {"not taken, held: stays latched", StateHighScores, {"p", "", ""}, StateHighScores, true},
        {"not taken, tapped: gone after a frame", StateHighScores, {"pr"}, StateHighScores, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GameState = c.from;
        MouseX = 400;
        MouseY = 375;
        for (const std::string& reports : c.frames) {
            for (char report : reports)
                report == 'p' ? MousePressed() : MouseReleased();
            Frame();
        }
        EXPECT_EQ(GameState, c.screen);
        EXPECT_EQ(MouseClick, c.latched);
        MouseReleased();
    }
}

TEST_F(GameUpdate, ExitTakesExactlyOneMoreUpdate) {
    ClickAt(400, 75);
    Frame();
    EXPECT_EQ(GameState, StateQuit);
    EXPECT_FALSE(QuitRequested);
    Frame();
    EXPECT_TRUE(QuitRequested);
}

TEST_F(GameUpdate, NewGameTimesItsFirstTargetByTheLastScore) {
    Score = 100; // how the previous game ended
    Lives = 0;
    Paused = true;
    rig::ScriptDraws({0, 0, 0, 0xFFFFFFFFu});
    ClickAt(400, 475);
    Frame();
    EXPECT_EQ(GameState, StatePlaying);
    EXPECT_EQ(TargetTimeLeft, 1299.0);
    EXPECT_EQ(Score, 0);
    EXPECT_EQ(Lives, 3);
    EXPECT_TRUE(Paused); // a game left through the pause menu starts paused
    EXPECT_FALSE(MouseClick);

    // The button still held is no miss in the first frame.
    Paused = false;
    Frame();
    EXPECT_EQ(Score, 0);
}

TEST_F(GameUpdate, HitsMissesAndExtraLives) {
    struct Case {
        const char* what;
        std::int32_t score, lives;
        std::int32_t dx, dy; // mouse relative to the target's centre
        bool click;
        std::int32_t wantScore, wantLives;
        bool respawned;
    };
    const Case cases[] = {
        {"hit", 4, 3, 0, 0, true, 5, 3, true},
        {"hit to 10", 9, 3, 49, 49, true, 10, 4, true},
        {"hit to 0", -1, 2, -49, -49, true, 0, 3, true},
        {"hit to -10", -11, 1, 49, -49, true, -10, 2, true},
        {"hit to 20", 19, 7, 0, 0, true, 20, 8, true},
        {"miss to 10", 11, 3, 50, 0, true, 10, 3, false},
        {"miss to 0", 1, 3, 0, 50, true, 0, 3, false},
        {"miss to -10", -9, 3, -50, 0, true, -10, 3, false},
        {"miss far away", 0, 3, 300, 300, true, -1, 3, false},
        {"no click", 9, 3, 0, 0, false, 9, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Playing(c.score, c.lives, 200, 200);
        rig::ScriptDraws({0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0});
        MouseX = 200 + c.dx;
        MouseY = 200 + c.dy;
        MouseClick = c.click;
        Frame();
        EXPECT_EQ(Score, c.wantScore);
        EXPECT_EQ(Lives, c.wantLives);
        EXPECT_FALSE(MouseClick);
        EXPECT_EQ(TargetX, c.respawned ? 699 : 200);
        EXPECT_EQ(GameState, StatePlaying);
    }
}

TEST_F(GameUpdate, NewTargetAfterAHitIsTimedByTheNewScore) {
    Playing(179, 3);
    rig::ScriptDraws({0, 0, 0, 0});
    ClickAt(200, 200);
    Frame();
    EXPECT_EQ(TargetTimeLeft, 0.0); // score 180: the range starts at 0
}

TEST_F(GameUpdate, TimeOutIsSettledBeforeTheClick) {
    struct Case {
        const char* what;
        std::int32_t x, y; // where the click lands
        std::int32_t wantScore;
    };
    // The old target stands at (200, 200); the new one comes up at (699, 499).
    const Case cases[] = {
        {"on the old target", 200, 200, -1},
        {"on the new target", 699, 499, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Playing(0, 3, 200, 200);
        TargetTimeLeft = 16.0;
        rig::ScriptDraws({0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0});
        ClickAt(c.x, c.y);
        Frame(16);
        EXPECT_EQ(Lives, 2);
        EXPECT_EQ(Score, c.wantScore);
        EXPECT_FALSE(MouseClick);
    }
}

TEST_F(GameUpdate, TargetTurnsAndRunsDown) {
    Playing(0, 3);
    TargetSpin = 1.5f;
    TargetTimeLeft = 1000.0;
    Frame(16);
    EXPECT_FLOAT_EQ(TargetAngle, 0.24f);
    EXPECT_DOUBLE_EQ(TargetTimeLeft, 984.0);

    // A target with no time left costs a life even in a frame that took no time.
    TargetTimeLeft = 0.0;
    Frame(0);
    EXPECT_EQ(Lives, 2);
}

TEST_F(GameUpdate, LongStallCostsOneLife) {
    Playing(0, 3);
    TargetTimeLeft = 500.0;
    rig::ScriptDraws({0, 0, 0, 0});
    Frame(100000);
    EXPECT_EQ(Lives, 2);
    EXPECT_EQ(TargetTimeLeft, 900.0); // the replacement starts fresh
    EXPECT_EQ(TargetAngle, 0.0f);
    Frame(16);
    EXPECT_EQ(Lives, 2);
}

TEST_F(GameUpdate, PauseFreezesTheTargetAndEscapeToggles) {
    Playing(3, 3);
    SetKey(27, true, false);
    Frame(16);
    EXPECT_TRUE(Paused);
    EXPECT_FALSE(Keys[27]);
    const float angle = TargetAngle;
    const double left = TargetTimeLeft;

    Frame(5000);
    EXPECT_EQ(TargetAngle, angle);
    EXPECT_EQ(TargetTimeLeft, left);
    EXPECT_EQ(Lives, 3);
    EXPECT_TRUE(Paused);

    SetKey(27, false, false);
    SetKey(27, true, false);
    Frame(16);
    EXPECT_FALSE(Paused);
    EXPECT_FALSE(Keys[27]);
    EXPECT_EQ(TargetTimeLeft, left); // the resuming frame still stands still
    Frame(16);
    EXPECT_DOUBLE_EQ(TargetTimeLeft, left - 16.0);
}

// Escape held down repeats its key-down with the key already down; only a new press flips the
// pause, whether or not its key-up before reached the window.
TEST_F(GameUpdate, HeldEscapePausesOnceAndStaysPaused) {
    struct Case {
        const char* what;
        // The reports before each frame: d a new press, r an auto-repeat, u the key-up, c a
        // click on Resume Game.
        std::vector<std::string> frames;
        bool paused;
    };
    const Case cases[] = {
        {"held through many repeats", {"d", "r", "rr", "r", "r"}, true},
        {"let go", {"d", "u", ""}, true},
        {"let go and pressed again", {"d", "ud"}, false},
        {"let go, then pressed in a later frame", {"d", "u", "", "d"}, false},
        {"pressed again and held: resumed for good", {"d", "u", "d", "r", "rr", "r"}, false},
        // A tap shorter than a frame is seen once, and then it is up.
        {"tapped between two frames", {"du", "", ""}, true},
        {"tapped in two frames", {"du", "du"}, false},
        {"tapped, then pressed again next frame", {"du", "d"}, false},
        {"tapped twice between two frames", {"dudu", ""}, true},
        {"a press and its repeat between two frames", {"dr", "r"}, true},
        // The key-up went to another window: the next press still counts.
        {"key-up lost, then a new press", {"d", "d"}, false},
        {"key-up lost, resumed by a click, then a new press", {"d", "c", "", "d"}, true},
        {"key-up lost twice", {"d", "d", "d"}, true},
        {"key-up lost, then pressed and held", {"d", "c", "d", "r", "rr"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Playing(3, 3);
        for (const std::string& reports : c.frames) {
            for (char report : reports) {
                if (report == 'c')
                    ClickAt(400, 375);
                else
                    SetKey(27, report != 'u', report == 'r');
            }
            Frame(16);
            if (&reports == &c.frames.front()) {
                EXPECT_TRUE(Paused);
            }
        }
        EXPECT_EQ(Paused, c.paused);
        SetKey(27, false, false);
    }
}

TEST_F(GameUpdate, GameOverRecordsSortsAndSaves) {
    PlayerName = "ann";
    Playing(5, 1);
    TargetTimeLeft = 10.0;
    SetKey(27, true, false); // Escape in the very frame the last life goes
    Frame(16);
    EXPECT_EQ(GameState, StateGameOver);
    EXPECT_TRUE(Paused);
    EXPECT_EQ(EntryName(HighScoreTable[1]), "ann");
    EXPECT_EQ(HighScoreTable[1].Points, 5);

    const std::string bytes = ReadFileBytes(Dir() + "/highScores.dat");
    ASSERT_EQ(bytes.size(), 160u);
    EXPECT_EQ(RecordName(bytes, 0), "ann");
    EXPECT_EQ(RecordPoints(bytes, 0), 5);
    for (int record = 1; record < 10; ++record) {
        EXPECT_EQ(RecordName(bytes, record), "--Player--");
        EXPECT_EQ(RecordPoints(bytes, record), 0);
    }

    // A second good game by the same player makes a second entry.
    ClickAt(200, 75);
    Frame();
    EXPECT_EQ(GameState, StateMainMenu);
    Playing(7, 1);
    TargetTimeLeft = 10.0;
    Frame(16);
    const std::string again = ReadFileBytes(Dir() + "/highScores.dat");
    ASSERT_EQ(again.size(), 160u);
    EXPECT_EQ(RecordName(again, 0), "ann");
    EXPECT_EQ(RecordPoints(again, 0), 7);
    EXPECT_EQ(RecordName(again, 1), "ann");
    EXPECT_EQ(RecordPoints(again, 1), 5);
}

TEST_F(GameUpdate, QuitToMenuRecordsWithoutSaving) {
    const std::string before = ReadFileBytes(Dir() + "/highScores.dat");
    PlayerName = "bob";
    Playing(12, 2);
    Paused = true;
    ClickAt(400, 475);
    Frame();
    EXPECT_EQ(GameState, StateMainMenu);
    EXPECT_TRUE(Paused);
    EXPECT_EQ(Score, 12);
    EXPECT_EQ(Lives, 2);
    EXPECT_EQ(EntryName(HighScoreTable[1]), "bob");
    EXPECT_EQ(HighScoreTable[1].Points, 12);
    EXPECT_EQ(ReadFileBytes(Dir() + "/highScores.dat"), before);

    ClickAt(400, 475);
    Frame();
    EXPECT_EQ(GameState, StatePlaying);
    EXPECT_TRUE(Paused);
    EXPECT_EQ(Score, 0);
    EXPECT_EQ(Lives, 3);
}

TEST_F(GameUpdate, HelpPageSpinsItsDemonstrationTarget) {
    ClickAt(400, 275);
    Frame();
    EXPECT_EQ(GameState, StateHelp);
    EXPECT_EQ(TargetX, 700);
    EXPECT_EQ(TargetY, 450);
    EXPECT_EQ(TargetSpin, 1.9f);
    EXPECT_EQ(TargetAngle, 0.0f); // only the menu's rules ran in the click's frame
    const double left = TargetTimeLeft;
    Frame(1000);
    EXPECT_FLOAT_EQ(TargetAngle, 19.0f);
    EXPECT_EQ(TargetTimeLeft, left);
    EXPECT_EQ(TargetX, 700);
}

TEST_F(GameUpdate, NameEntry) {
    struct Case {
        const char* what;
        std::vector<std::vector<int>> frames; // keys down in each frame
        std::string want;
    };
    const Case cases[] = {
        {"eleven letters keep ten",
         {{'A'}, {'B'}, {'C'}, {'D'}, {'E'}, {'F'}, {'G'}, {'H'}, {'I'}, {'J'}, {'K'}},
         "abcdefghij"},
        {"shift with a letter and a digit", {{16, 'A'}, {16, '1'}, {'2'}}, "A12"},
        {"space", {{'A'}, {' '}, {'B'}}, "a b"},
        {"backspace on an empty name", {{8}, {'Z'}}, "z"},
        {"backspace drops the last", {{'A'}, {'B'}, {8}, {'C'}}, "ac"},
        {"keypad digits", {{96, 97, 98, 99, 100, 101, 102, 103, 104, 105}}, "`abcdefghi"},
        {"delete", {{46}}, "."},
        {"several keys in ascending order", {{'Q', 'B', 'M'}}, "bmq"},
        // Lower case as the Western ANSI code page has it; shifted codes pass as they are.
        {"high codes", {{192}, {219}, {222}, {215}, {16, 200}, {138}}, "\xE0\xFB\xFE\xD7\xC8\x9A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GameState = StateOptions;
        ClickAt(400, 475);
        Frame();
        ASSERT_EQ(GameState, StateEnterName);
        EXPECT_EQ(PlayerName, "");
        EXPECT_EQ(NameButton.Caption, "");
        for (const auto& keys : c.frames) {
            for (int key : keys)
                Keys[key] = true;
            Frame();
            for (int key : keys) {
                if (key != 16) {
                    EXPECT_FALSE(Keys[key]) << key;
                }
            }
            Keys[16] = false;
        }
        EXPECT_EQ(PlayerName, c.want);
        EXPECT_EQ(NameButton.Caption, c.want);
        EXPECT_EQ(GameState, StateEnterName);
    }
}

TEST_F(GameUpdate, EnterStoresTheNameAndStaysDown) {
    PlayerName = "--Player--";
    GameState = StateOptions;
    ClickAt(400, 475);
    Frame();
    Keys[13] = true; // nothing typed
    Frame();
    EXPECT_EQ(GameState, StateOptions);
    EXPECT_EQ(HighScoreTable[11].NameLength, 0);
    EXPECT_TRUE(Keys[13]);

    // Still held: the name button bounces straight back with the name emptied again.
    ClickAt(400, 475);
    Frame();
    ASSERT_EQ(GameState, StateEnterName);
    Keys['X'] = true; // typed in the confirming frame: kept in the name, not in the entry
    Frame();
    EXPECT_EQ(GameState, StateOptions);
    EXPECT_EQ(EntryName(HighScoreTable[11]), "");
    EXPECT_EQ(PlayerName, "x");
    EXPECT_EQ(NameButton.Caption, "x");
}
