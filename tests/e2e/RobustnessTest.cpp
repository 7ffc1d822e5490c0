// The real game against bad input: broken images, score files it may not use, a full disk, a
// long stall and a flood of mouse messages. Never a crash, a hang or a lost table.
#include "support/GameProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <regex>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;

namespace {
const std::regex TimerLines(TimerLinesPattern());

std::regex Report(const std::string& message) {
    return std::regex(ReportPattern() + message +
                      "\\.\r\n\r\n");
}

// An orderly end: exit code 0, the two timer lines alone, the table saved whole.
void ExpectOrderlyEnd(const ProcessResult& run) {
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_TRUE(std::regex_match(run.Out, TimerLines)) << run.Out;
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(ReadFileBytes("highScores.dat").size(), 160u);
}

// A whole table of ten records, as the game writes it.
std::string Table(const std::string& name) {
    std::string bytes;
    for (int i = 0; i < 10; ++i) {
        std::string record(16, '\0');
        record[0] = static_cast<char>(name.size());
        record.replace(1, name.size(), name);
        record[12] = static_cast<char>(90 - i);
        bytes += record;
    }
    return bytes;
}

const char* const Images[] = {"daFont.tga", "daFontMask.tga", "TheCrate2.tga"};
constexpr int ExitX = 400, ExitY = 75; // the middle of the main menu's Exit button

std::string Header(const std::string& image) {
    return image.substr(0, 18);
}

std::size_t TempFilesIn(const std::string& dir) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        count += entry.path().extension() == ".tmp";
    return count;
}

// Every image broken the same way: the game still starts, plays without those textures and
// ends in order at Exit, with its table saved.
TEST(Robustness, BrokenImagesLeaveAGameThatEndsInOrder) {
    const struct {
        const char* What;
        std::function<void(const std::string& name)> Break;
    } cases[] = {
        {"missing", [](const std::string& name) { fs::remove(name); }},
        {"a directory of that name",
         [](const std::string& name) {
             fs::remove(name);
             fs::create_directory(name);
         }},
        {"truncated header",
         [](const std::string& name) { WriteFileBytes(name, ReadFileBytes(name).substr(0, 10)); }},
        {"truncated pixels",
         [](const std::string& name) {
             std::string bytes = ReadFileBytes(name);
             WriteFileBytes(name, bytes.substr(0, bytes.size() / 2));
         }},
        {"run-length encoded (type 10)",
         [](const std::string& name) {
             std::string bytes = ReadFileBytes(name);
             bytes[2] = 10;
             WriteFileBytes(name, bytes);
         }},
        {"16 bits a pixel",
         [](const std::string& name) {
             std::string bytes = ReadFileBytes(name);
             bytes[16] = 16;
             WriteFileBytes(name, bytes);
         }},
        {"a FIFO of that name",
         [](const std::string& name) {
             fs::remove(name);
             mkfifo(name.c_str(), 0666);
         }},
        {"65535x65535 claimed by a 20-byte file",
         [](const std::string& name) {
             std::string bytes = Header(ReadFileBytes(name));
             bytes[12] = bytes[13] = bytes[14] = bytes[15] = static_cast<char>(0xFF);
             bytes[16] = 32;
             WriteFileBytes(name, bytes + "xy");
         }},
    };
    PrivateDisplay display;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        ScopedWorkDir dir;
        CopyGameImages(dir.Path());
        for (const char* image : Images)
            c.Break(image);

        GameProcess game(display, dir.Path());
        ASSERT_TRUE(game.WaitForWindow()) << game.Wait(5).Err;
        game.Click(ExitX, ExitY);
        ExpectOrderlyEnd(game.Wait(30));
    }
}

// A file the game cannot use ends the start-up with the report and exit code 1, and the table
// on disk stays as it was.
TEST(Robustness, UnusableFilesEndTheStartUpWithTheReport) {
    const std::string table = Table("Keep");
    const struct {
        const char* What;
        std::function<void()> Setup;
        bool TimerStarted;  // the failure comes after the two timer lines
        fs::file_type Left; // what "highScores.dat" is afterwards: the table, or as made
    } cases[] = {
        {"a score file the player may not read",
         [&] {
             WriteFileBytes("highScores.dat", table);
             chmod("highScores.dat", 0222);
         },
         false, fs::file_type::regular},
        {"a directory named highScores.dat", [] { fs::create_directories("highScores.dat/in"); },
         false, fs::file_type::directory},
        {"a FIFO named highScores.dat",
         [] {
             mkfifo("highScores.dat", 0666);
             chmod("highScores.dat", 0666);
         },
         false, fs::file_type::fifo},
        {"a crate image the player may not read",
         [&] {
             WriteFileBytes("highScores.dat", table);
             chmod("highScores.dat", 0666);
             chmod("TheCrate2.tga", 0000);
         },
         true, fs::file_type::regular},
    };
    PrivateDisplay display;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        ScopedWorkDir dir;
        CopyGameImages(dir.Path());
        // Windows has no FIFOs; under Wine the open waits for a writer.
        if (WindowsBuild() && c.Left == fs::file_type::fifo) continue;
        c.Setup();

        GameProcess game(display, dir.Path(), "nobody");
        ProcessResult run = game.Wait(30);

        EXPECT_EQ(run.ExitCode, 1);
        if (c.TimerStarted)
            EXPECT_TRUE(std::regex_match(run.Out, TimerLines)) << run.Out;
        else
            EXPECT_EQ(run.Out, "");
        EXPECT_TRUE(std::regex_match(run.Err, Report("File access denied"))) << run.Err;
        EXPECT_EQ(fs::symlink_status("highScores.dat").type(), c.Left);
        if (c.Left == fs::file_type::regular) {
            EXPECT_EQ(ReadFileBytes("highScores.dat"), table);
        } else if (c.Left == fs::file_type::directory) {
            EXPECT_TRUE(fs::is_directory("highScores.dat/in"));
        }
        EXPECT_EQ(TempFilesIn(dir.Path()), 0u);
    }
}

// Standard descriptors closed at start: the window's connection must not take their place; the
// first console line fails on the invalid handle and the start-up ends, as on Windows.
TEST(Robustness, ClosedOutputEndsTheStartUpWithTheReport) {
    const struct {
        const char* What;
        const char* Redirection;
        const char* Report; // nothing when standard error is closed too
    } cases[] = {
        {"standard output", ">&-", "I/O error 6"},
        {"all three", "<&- >&- 2>&-", nullptr},
    };
    PrivateDisplay display;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        // With all three closed, Wine hands the program a console of its own.
        if (WindowsBuild() && !c.Report) continue;
        ScopedWorkDir dir;
        CopyGameImages(dir.Path());
        std::vector<std::string> command = {"/usr/bin/env", "DISPLAY=" + display.Name(),
                                            "/bin/sh", "-c",
                                            std::string("exec \"$@\" ") + c.Redirection, "sh"};
        for (const std::string& word : GameCommand())
            command.push_back(word);
        ProcessResult run = RunProcess(command, dir.Path(), 30);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_EQ(run.Out, "");
        if (c.Report)
            EXPECT_TRUE(std::regex_match(run.Err, Report(c.Report))) << run.Err;
        else
            EXPECT_EQ(run.Err, "");
    }
}

// The save at exit finds the disk full: the report says so, and the old table stays whole.
TEST(Robustness, FullDiskAtTheLastSaveKeepsTheOldTable) {
    PrivateDisplay display;
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());
    const std::string table = Table("Old");
    WriteFileBytes("highScores.dat", table);

    GameProcess game(display, dir.Path(), "", 100); // files of at most 100 bytes
    ASSERT_TRUE(game.WaitForWindow()) << game.Wait(5).Err;
    game.Click(ExitX, ExitY);
    ProcessResult run = game.Wait(30);

    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(std::regex_match(run.Out, TimerLines)) << run.Out;
    EXPECT_TRUE(std::regex_match(run.Err, Report("Disk full"))) << run.Err;
    EXPECT_EQ(ReadFileBytes("highScores.dat"), table);
    EXPECT_EQ(TempFilesIn(dir.Path()), 0u);
}

// Where the window's client area starts on the display.
void WindowOrigin(const GameProcess& game, const PrivateDisplay& display, int& left, int& top) {
    std::string geometry = display.Run("xdotool getwindowgeometry --shell " + game.WindowId());
    std::sscanf(geometry.c_str() + geometry.find("X="), "X=%d", &left);
    std::sscanf(geometry.c_str() + geometry.find("Y="), "Y=%d", &top);
}

// Green pixels inside the Exit button's rectangle: its outline shows the mouse is over it.
bool ExitButtonLit(const GameProcess& game) {
    Screenshot shot = game.Shoot();
    int green = 0;
    for (int y = 600 - 102; y <= 600 - 48; ++y)
        for (int x = 298; x <= 502; ++x) {
            if (x < 0 || y < 0 || x >= shot.Width || y >= shot.Height) continue;
            const std::uint8_t* p = shot.At(x, y);
            green += p[1] > 150 && p[0] < 100 && p[2] < 100;
        }
    return green > 50;
}

// The game is stopped for two seconds while 10,000 mouse moves queue up; when it runs again
// it handles them all before its next frame, follows the last one, and goes on as before.
TEST(Robustness, StallWithTenThousandMouseMessagesQueued) {
    PrivateDisplay display;
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());

    GameProcess game(display, dir.Path());
    ASSERT_TRUE(game.WaitForWindow()) << game.Wait(5).Err;
    game.MoveTo(100, 550);
    ASSERT_FALSE(ExitButtonLit(game));

    int left = 0, top = 0;
    WindowOrigin(game, display, left, top);

    ASSERT_EQ(kill(game.Pid(), SIGSTOP), 0);
    auto stopped = std::chrono::steady_clock::now();
    display.Run(QUORVIN_SOURCE_DIR "/tools/pointer-flood 10000 " +
                std::to_string(left + ExitX) + " " + std::to_string(top + 600 - ExitY));
    std::this_thread::sleep_until(stopped + std::chrono::seconds(2));
    ASSERT_EQ(kill(game.Pid(), SIGCONT), 0);

    EXPECT_TRUE(GameProcess::WaitUntil([&] { return ExitButtonLit(game); }))
        << "the last move was not followed";
    ASSERT_TRUE(game.Running());

    // A stall in the middle of a game: one more stop, then the pause menu and out.
    game.Click(400, 475); // New Game
    ASSERT_EQ(kill(game.Pid(), SIGSTOP), 0);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    ASSERT_EQ(kill(game.Pid(), SIGCONT), 0);
    ASSERT_TRUE(game.PauseGame());
    game.Click(400, 475); // Quit To Menu
    game.Click(ExitX, ExitY);
    ExpectOrderlyEnd(game.Wait(30));
}
} // namespace
