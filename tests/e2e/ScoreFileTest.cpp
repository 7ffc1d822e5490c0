// "highScores.dat" as the real game leaves it: created at the first start, written at the end,
// and a file the player may not write ends the start-up with the failure report.
#include "support/GameProcess.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
constexpr int NewGame[] = {400, 475}, Options[] = {400, 375}, Exit[] = {400, 75};
constexpr int NameField[] = {400, 475}, OptionsBack[] = {400, 375}, QuitToMenu[] = {400, 475};

std::size_t TempFilesIn(const std::string& dir) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        count += entry.path().extension() == ".tmp";
    return count;
}

// Starts the game, waits for its window, lets play do its part and leaves through Exit: an
// orderly end, with the table saved.
void PlayAndExit(const PrivateDisplay& display, const std::string& dir, const std::string& user,
                 const std::function<void(GameProcess&)>& play = nullptr) {
    GameProcess game(display, dir, user);
    ASSERT_TRUE(game.WaitForWindow()) << user << ": " << game.Wait(5).Err;
    if (play) play(game);
    game.Click(Exit[0], Exit[1]);
    ProcessResult run = game.Wait(30);
    EXPECT_EQ(run.ExitCode, 0) << user;
    EXPECT_EQ(run.Err, "") << user;
}
// Files the game did not write: read as far as they hold records, saved whole at Exit. The
// same bytes come out of every build.
TEST(ScoreFile, OddFilesAreReadAsFarAsTheyGoAndSavedWhole) {
    // A record with its own length and unused bytes.
    auto raw = [](const std::string& name, std::int32_t points, int length, int unused) {
        std::string record = ScoreRecord(name, points);
        record[0] = static_cast<char>(length);
        record[11] = static_cast<char>(unused);
        return record;
    };
    auto defaults = [](int n) {
        std::string bytes;
        for (int i = 0; i < n; ++i)
            bytes += ScoreRecord("--Player--", 0);
        return bytes;
    };
    std::string twelve;
    for (int i = 1; i <= 12; ++i)
        twelve += raw("abcdefghij", (i % 2 ? -1 : 1) * i * 1000003, i % 4 * 3, i * 7);
    const std::string extremes = ScoreRecord("neg", -1) + ScoreRecord("min", INT32_MIN) +
                                 ScoreRecord("max", INT32_MAX);
    const struct {
        const char* What;
        std::string Before;
        std::string After;
        long long SparseTo; // the file grown to this size with zero bytes, when above 0
    } cases[] = {
        {"empty", "", defaults(10), 0},
        {"20 bytes", ScoreRecord("Ann", 42) + "\x05" "abc", ScoreRecord("Ann", 42) + defaults(9), 0},
        {"length bytes 11 and 255", raw("ABCDEFGHIJ", 7, 11, 0) + raw("KLMNOPQRST", 6, 255, 0),
         ScoreRecord("ABCDEFGHIJ", 7) + ScoreRecord("KLMNOPQRST", 6) + defaults(8), 0},
        {"negative points", extremes, extremes + defaults(7), 0},
        {"twelve records and a partial one", twelve + "partial!", twelve.substr(0, 160), 0},
        {"1 GB, sparse", ScoreRecord("Big", 9), ScoreRecord("Big", 9) + std::string(144, '\0'),
         1LL << 30},
    };
    PrivateDisplay display;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        ScopedWorkDir dir;
        CopyGameImages(dir.Path());
        WriteFileBytes("highScores.dat", c.Before);
        if (c.SparseTo > 0) fs::resize_file("highScores.dat", static_cast<std::uintmax_t>(c.SparseTo));
        PlayAndExit(display, dir.Path(), "");
        EXPECT_EQ(ReadFileBytes("highScores.dat"), c.After);
        EXPECT_EQ(TempFilesIn(dir.Path()), 0u);
    }
}

TEST(ScoreFile, ReadOnlyFileEndsTheStartUpWithTheReport) {
    PrivateDisplay display;
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());
    std::string table;
    for (int i = 0; i < 10; ++i)
        table += std::string("\x04"
                             "Anna\xAA\xBB\xCC\xDD\xEE\xFF\x00\x00\x01\x02\x03",
                             16);
    WriteFileBytes("highScores.dat", table);
    ASSERT_EQ(chmod("highScores.dat", 0444), 0);

    GameProcess game(display, dir.Path(), "nobody");
    ProcessResult run = game.Wait(30);

    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    const std::regex report(ReportPattern() + "File access denied\\.\r\n\r\n");
    EXPECT_TRUE(std::regex_match(run.Err, report)) << "standard error:\n" << run.Err;
    EXPECT_EQ(ReadFileBytes("highScores.dat"), table);
}

TEST(ScoreFile, FirstStartThenCloseLeavesTenDefaultRecords) {
    PrivateDisplay display;
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());

    GameProcess game(display, dir.Path());
    if (!game.WaitForWindow()) {
        ProcessResult early = game.Wait(5);
        FAIL() << "no window; exit " << early.ExitCode << "\n" << early.Out << early.Err;
    }
    EXPECT_TRUE(std::filesystem::exists("highScores.dat"));
    EXPECT_EQ(ReadFileBytes("highScores.dat"), "") << "the first start creates an empty file";
    game.Close();
    ProcessResult run = game.Wait(30);

    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    std::string record = std::string("\x0a--Player--", 11) + std::string(5, '\0');
    std::string expected;
    for (int i = 0; i < 10; ++i)
        expected += record;
    EXPECT_EQ(ReadFileBytes("highScores.dat"), expected);
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        entries += entry.path().extension() == ".tmp";
    EXPECT_EQ(entries, 0u) << "a temporary file was left behind";
}

// Tables that players share or reach through links: the save updates the file where it is and
// keeps its links, owner, group and mode, so every player can go on using it.
TEST(ScoreFile, SharedAndLinkedTablesAreUpdatedWhereTheyAre) {
    const std::string before = ScoreRecord("Anna", 5) + ScoreRecord("Ben", 4);
    std::string after = before;
    for (int i = 0; i < 8; ++i)
        after += ScoreRecord("--Player--", 0);
    const gid_t users = getgrnam("users")->gr_gid;
    const uid_t daemon = getpwnam("daemon")->pw_uid;
    struct stat info{};
    const struct {
        const char* What;
        std::function<void()> Setup;
        std::vector<std::string> Players; // in turn, each saving at its Exit
        std::function<void()> Check;
    } cases[] = {
        {"a symbolic link to a file in another folder",
         [&] {
             fs::create_directory("shared");
             chmod("shared", 0777);
             WriteFileBytes("shared/scores.dat", before);
             chmod("shared/scores.dat", 0666);
             fs::create_symlink("shared/scores.dat", "highScores.dat");
         },
         {"nobody"},
         [&] {
             EXPECT_TRUE(fs::is_symlink("highScores.dat"));
             EXPECT_EQ(ReadFileBytes("shared/scores.dat"), after);
             EXPECT_EQ(TempFilesIn("shared"), 0u);
         }},
        {"two hard links",
         [&] {
             WriteFileBytes("highScores.dat", before);
             chmod("highScores.dat", 0666);
             fs::create_hard_link("highScores.dat", "backup.dat");
         },
         {"nobody"},
         [&] {
             EXPECT_EQ(ReadFileBytes("highScores.dat"), after);
             EXPECT_TRUE(fs::equivalent("highScores.dat", "backup.dat"));
         }},
        {"a group's folder without setgid, two players of the group",
         [&] {
             ASSERT_EQ(chown(".", 0, users), 0);
             chmod(".", 0775);
             WriteFileBytes("highScores.dat", before);
             ASSERT_EQ(chown("highScores.dat", 0, users), 0);
             chmod("highScores.dat", 0664);
         },
         {"nobody:users", "_apt:users"}, // users whose home has no folder for GL caches
         [&] {
             EXPECT_EQ(ReadFileBytes("highScores.dat"), after);
             ASSERT_EQ(stat("highScores.dat", &info), 0);
             EXPECT_EQ(info.st_uid, 0u);
             EXPECT_EQ(info.st_gid, users);
             EXPECT_EQ(info.st_mode & 07777, 0664u);
         }},
        {"a sticky folder, the table another user's",
         [&] {
             chmod(".", 01777);
             WriteFileBytes("highScores.dat", before);
             ASSERT_EQ(chown("highScores.dat", daemon, 0), 0);
             chmod("highScores.dat", 0666);
         },
         {"nobody"},
         [&] {
             EXPECT_EQ(ReadFileBytes("highScores.dat"), after);
             ASSERT_EQ(stat("highScores.dat", &info), 0);
             EXPECT_EQ(info.st_uid, daemon);
         }},
    };
    PrivateDisplay display;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        ScopedWorkDir dir;
        CopyGameImages(dir.Path());
        c.Setup();
        for (const std::string& player : c.Players)
            PlayAndExit(display, dir.Path(), player);
        c.Check();
        EXPECT_EQ(TempFilesIn(dir.Path()), 0u);
    }
}

// Two copies in one folder, both started before either saves: the second to save keeps what
// the first saved, and both results are in the table.
TEST(ScoreFile, TwoCopiesInOneFolderBothKeepTheirResults) {
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());
    std::string table;
    for (int i = 0; i < 10; ++i)
        table += ScoreRecord("low", -5 - i);
    WriteFileBytes("highScores.dat", table);

    // A named player's game of 0 points, recorded through Quit To Menu.
    auto playAs = [](const std::string& keys) {
        return [keys](GameProcess& game) {
            game.Click(Options[0], Options[1]);
            game.Click(NameField[0], NameField[1]);
            game.Key(keys);
            game.Key("Return");
            game.Click(OptionsBack[0], OptionsBack[1]);
            ASSERT_TRUE(game.Steps({game.ClickStep(NewGame[0], NewGame[1]), game.PauseStep(),
                                    game.ClickStep(QuitToMenu[0], QuitToMenu[1])}));
        };
    };
    PrivateDisplay first, second;
    GameProcess other(second, dir.Path());
    ASSERT_TRUE(other.WaitForWindow()) << other.Wait(5).Err;
    PlayAndExit(first, dir.Path(), "", playAs("a n n"));
    playAs("b o b")(other);
    other.Click(Exit[0], Exit[1]);
    ProcessResult run = other.Wait(30);
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Err, "");

    // A typed name overwrites the start of "--Player--"; the rest stays behind it.
    auto typed = [](const std::string& name) {
        std::string record = ScoreRecord("--Player--", 0);
        record[0] = static_cast<char>(name.size());
        return record.replace(1, name.size(), name);
    };
    std::string expected = typed("bob") + typed("ann");
    for (int i = 0; i < 8; ++i)
        expected += ScoreRecord("low", -5 - i);
    EXPECT_EQ(ReadFileBytes("highScores.dat"), expected);
}
} // namespace
