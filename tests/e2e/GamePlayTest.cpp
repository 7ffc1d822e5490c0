// The real game played from outside: xdotool clicks and keys, screenshots, console lines and
// "highScores.dat" bytes.
#include "support/GameProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <regex>

namespace {

// Virtual centres of the buttons the tests press.
constexpr int NewGame[] = {400, 475}, Options[] = {400, 375}, HighScores[] = {400, 175};
constexpr int Exit[] = {400, 75};
constexpr int NameField[] = {400, 475}, OptionsBack[] = {400, 375};
constexpr int QuitToMenu[] = {400, 475}, Resume[] = {400, 375}, MainMenu[] = {200, 75};

std::string DefaultTable() {
    std::string table;
    for (int i = 0; i < 10; ++i)
        table += ScoreRecord("--Player--", 0);
    return table;
}

std::int32_t PointsOf(const std::string& table, int slot) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(table[16 * slot + 12 + i]))
             << (8 * i);
    return static_cast<std::int32_t>(v);
}

std::string NameOf(const std::string& table, int slot) {
    return table.substr(16 * static_cast<std::size_t>(slot) + 1,
                        static_cast<unsigned char>(table[16 * static_cast<std::size_t>(slot)]));
}

bool IsCrate(const std::uint8_t* p) { return p[0] > 70 && p[0] > p[2] + 40 && p[1] > 30; }

// The centre of the crate in virtual units, from a screenshot of the 800x600 client at (0, 0).
bool FindCrate(const Screenshot& shot, int& vx, int& vy) {
    int left = 800, right = -1, top = 600, bottom = -1;
    for (int y = 0; y < 600 && y < shot.Height; ++y)
        for (int x = 0; x < 800 && x < shot.Width; ++x)
            if (IsCrate(shot.At(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0) return false;
    vx = (left + right) / 2;
    vy = 600 - (top + bottom) / 2;
    return true;
}

// Counts the clearly green pixels in a client rectangle given in virtual units.
int CountGreen(const Screenshot& shot, int vLeft, int vBottom, int vRight, int vTop) {
    int n = 0;
    for (int y = 600 - vTop; y < 600 - vBottom; ++y)
        for (int x = vLeft; x < vRight; ++x) {
            const std::uint8_t* p = shot.At(x, y);
            n += p[1] > 150 && p[0] < 60 && p[2] < 60;
        }
    return n;
}

class GamePlay : public ::testing::Test {
protected:
    void SetUp() override { CopyGameImages(dir.Path()); }
    void Start() {
        game = std::make_unique<GameProcess>(display, dir.Path());
        ASSERT_TRUE(game->WaitForWindow()) << game->Wait(5).Err;
    }
    PrivateDisplay display;
    ScopedWorkDir dir;
    std::unique_ptr<GameProcess> game;
};

TEST_F(GamePlay, StartThenExitWritesTheTimerLinesAndTenDefaultRecords) {
    Start();
    game->Click(Exit[0], Exit[1]);
    ProcessResult run = game->Wait();
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Err, "");
    EXPECT_TRUE(std::regex_match(run.Out, std::regex(TimerLinesPattern()))) << run.Out;
    EXPECT_EQ(ReadFileBytes("highScores.dat"), DefaultTable());
}

TEST_F(GamePlay, ThreeTimeOutsEndTheGameAndSaveAtOnce) {
    Start();
    game->Click(NewGame[0], NewGame[1]);
    game->MoveTo(5, 595);   // well away from any target
    // Each target lasts at most 1.5 s at score 0.
    GameProcess::WaitUntil([] { return ReadFileBytes("highScores.dat").size() == 160; });
    EXPECT_EQ(ReadFileBytes("highScores.dat"), DefaultTable()) << "saved at game over";
    EXPECT_TRUE(GameProcess::WaitUntil(
        [&] { return CountGreen(game->Shoot(), 250, 300, 550, 316) > 100; }))
        << "the game-over line";
    EXPECT_TRUE(game->Running());

    game->Click(MainMenu[0], MainMenu[1]);
    game->Click(Exit[0], Exit[1]);
    EXPECT_EQ(game->Wait().ExitCode, 0);
}

TEST_F(GamePlay, HittingTheCrateScoresAndEntersTheTable) {
    Start();
    // Each try is a fresh game with one click on the crate, found in a screenshot while the
    // game is paused (its time stands still then, however slow the machine), left through the
    // pause menu, which records the result; one hit in time is enough.
    for (int attempt = 0; attempt < 4; ++attempt) {
        game->Click(NewGame[0], NewGame[1]);
        if (attempt == 0) { // later games start paused
            ASSERT_TRUE(game->PauseGame());
        }
        // Resume, the click and Escape again in one go: the crate's time runs meanwhile.
        int vx, vy;
        std::vector<std::string> steps{game->ClickStep(Resume[0], Resume[1])};
        if (FindCrate(game->Shoot(), vx, vy)) steps.push_back(game->ClickStep(vx, vy));
        steps.push_back(game->PauseStep());
        ASSERT_TRUE(game->Steps(steps));
        game->Click(QuitToMenu[0], QuitToMenu[1]);
    }
    EXPECT_EQ(ReadFileBytes("highScores.dat"), "") << "quitting to the menu does not save";
    game->Click(Exit[0], Exit[1]);
    ASSERT_EQ(game->Wait().ExitCode, 0);
    std::string table = ReadFileBytes("highScores.dat");
    ASSERT_EQ(table.size(), 160u);
    EXPECT_EQ(PointsOf(table, 0), 1) << "a hit scores and the result leads the table";
    EXPECT_EQ(NameOf(table, 0), "--Player--");
}

TEST_F(GamePlay, TypedNameIsStoredWithTheResult) {
    const struct {
        const char* Keys;
        std::string Name;
    } cases[] = {
        {"shift+q u shift+i 7 BackSpace x", "QuIx"},
        // Media and browser keys store their codes, though no glyph shows them.
        {"XF86AudioMute XF86Back XF86Forward XF86Search XF86Favorites XF86AudioLowerVolume "
         "XF86AudioRaiseVolume XF86AudioNext XF86AudioPrev XF86AudioPlay",
         "\xAD\xA6\xA7\xAA\xAB\xAE\xAF\xB0\xB1\xB3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Keys);
        // A table of poor results, so that any finished game enters it.
        std::string table;
        for (int i = 0; i < 10; ++i)
            table += ScoreRecord("low", -5 - i);
        WriteFileBytes("highScores.dat", table);
        Start();
        game->Click(Options[0], Options[1]);
        game->Click(NameField[0], NameField[1]);
        game->Key(c.Keys);
        game->Key("Return");
        game->Click(OptionsBack[0], OptionsBack[1]);
        // In one go: the game's clock runs once it starts.
        ASSERT_TRUE(game->Steps({game->ClickStep(NewGame[0], NewGame[1]), game->PauseStep(),
                                 game->ClickStep(QuitToMenu[0], QuitToMenu[1])}));
        game->Click(Exit[0], Exit[1]);
        ASSERT_EQ(game->Wait().ExitCode, 0);

        std::string saved = ReadFileBytes("highScores.dat");
        ASSERT_EQ(saved.size(), 160u);
        EXPECT_EQ(NameOf(saved, 0), c.Name);
        EXPECT_EQ(PointsOf(saved, 0), 0);
        EXPECT_EQ(NameOf(saved, 1), "low");
        EXPECT_EQ(PointsOf(saved, 9), -13) << "the worst old result drops out";
    }
}

// The game never captures the mouse: a press in the window let go outside it stays a click,
// taken by the button the pointer comes back over.
TEST_F(GamePlay, PressReleasedOutsideTheWindowStaysAClick) {
    Start();
    game->Click(HighScores[0], HighScores[1]);
    const std::string& w = game->WindowId();
    display.Run("xdotool mousemove --window " + w + " 600 300 mousedown 1 mousemove 950 300 mouseup 1");
    // Back over Main Menu: the latched click takes it to the main menu.
    ASSERT_TRUE(game->Steps({"press 'mousemove --window " + w + " 200 525' ''"}));
    game->Click(Exit[0], Exit[1]);
    EXPECT_EQ(game->Wait().ExitCode, 0);
}

TEST_F(GamePlay, CloseRequestMidGameEndsTheRunAndSaves) {
    std::string table;
    for (int i = 0; i < 10; ++i)
        table += ScoreRecord("old", 100 - i);
    WriteFileBytes("highScores.dat", table);
    Start();
    game->Click(NewGame[0], NewGame[1]);
    game->Close();
    ProcessResult run = game->Wait();
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(ReadFileBytes("highScores.dat"), table) << "saved again, unchanged";
}

} // namespace
