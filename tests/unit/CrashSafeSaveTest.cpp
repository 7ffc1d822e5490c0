// A save killed at any moment leaves "highScores.dat" whole: the old table or the new one.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// The 160 bytes of a table of ten entries named name with the points base - slot.
std::string Table(const std::string& name, int base) {
    std::string bytes;
    for (int slot = 1; slot <= 10; ++slot) {
        std::string record(16, '\0');
        record[0] = static_cast<char>(name.size());
        record.replace(1, name.size(), name);
        auto points = static_cast<std::uint32_t>(base - slot);
        for (int i = 0; i < 4; ++i)
            record[12 + i] = static_cast<char>(points >> (8 * i));
        bytes += record;
    }
    return bytes;
}

// Starts the save loop in the working directory and returns once it has begun.
pid_t StartSaveLoop() {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(ready[1], STDOUT_FILENO);
        close(ready[0]);
        execl(SAVE_LOOP_BINARY, SAVE_LOOP_BINARY, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    char byte = 0;
    bool started = read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    return started ? pid : -1;
}

TEST(CrashSafeSave, KilledAtRandomMomentsTheFileIsAlwaysAWholeTable) {
    ScopedWorkDir dir;
    const std::string oldTable = Table("old", 1000);
    const std::string newTable = Table("new", 2000);
    WriteFileBytes("highScores.dat", oldTable);

    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> delayUs(0, 4000);
    int sawOld = 0, sawNew = 0, killedMidFile = 0;
    constexpr int Kills = 250;
    for (int n = 0; n < Kills; ++n) {
        pid_t pid = StartSaveLoop();
        ASSERT_GT(pid, 0);
        usleep(static_cast<useconds_t>(delayUs(random)));
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the loop ended by itself, status " << status;

        std::string now = ReadFileBytes("highScores.dat");
        ASSERT_TRUE(now == oldTable || now == newTable)
            << "kill " << n << " left " << now.size() << " bytes that are neither table";
        (now == oldTable ? sawOld : sawNew)++;

        // A kill between naming the new copy and renaming it leaves that copy behind, the
        // table untouched by it; the next save removes it, so they never pile up.
        int leftovers = 0;
        for (const auto& entry : fs::directory_iterator(dir.Path()))
            leftovers += entry.path().filename() != "highScores.dat";
        ASSERT_LE(leftovers, 1) << "kill " << n;
        killedMidFile += leftovers;
    }
    // The kills really landed at different points of the save.
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawNew, 0);
    RecordProperty("OldTable", sawOld);
    RecordProperty("NewTable", sawNew);
    RecordProperty("KilledBeforeTheRename", killedMidFile);
}
} // namespace
