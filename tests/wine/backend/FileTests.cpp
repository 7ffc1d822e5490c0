// The files of the Win32 backend: the I/O codes a failure gives, and what succeeds.
#include "platform/Sys.h"
#include "platform/win32/Win32.h"
#include "scores/HighScores.h"

#include <gtest/gtest.h>

#include <string>

namespace {
// A fresh folder under the temporary path, made the working directory for the test.
class Win32Files : public testing::Test {
  protected:
    void SetUp() override {
        char base[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, base), 0u);
        dir_ = std::string(base) + "qvfiles" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
        GetCurrentDirectoryA(MAX_PATH, previous_);
        ASSERT_TRUE(SetCurrentDirectoryA(dir_.c_str()));
    }
    void TearDown() override {
        SetFileAttributesA("readonly.dat", FILE_ATTRIBUTE_NORMAL);
        for (const char* name : {"a.dat", "b.dat", "readonly.dat", "highScores.dat"})
            DeleteFileA(name);
        RemoveDirectoryA("folder.dat");
        SetCurrentDirectoryA(previous_);
        RemoveDirectoryA(dir_.c_str());
    }
    static void Make(const char* name, const std::string& bytes) {
        SysFile file = 0;
        ASSERT_EQ(SysOpenFile(name, SysOpenMode::CreateNew, file), 0);
        ASSERT_EQ(SysWriteFile(file, bytes.data(), bytes.size()), 0);
        ASSERT_EQ(SysCloseFile(file), 0);
    }
    static std::string Read(const char* name) {
        SysFile file = 0;
        EXPECT_EQ(SysOpenFile(name, SysOpenMode::ReadOnly, file), 0);
        char buffer[64];
        std::size_t got = 0;
        EXPECT_EQ(SysReadFile(file, buffer, sizeof buffer, got), 0);
        SysCloseFile(file);
        return {buffer, got};
    }

  private:
    std::string dir_;
    char previous_[MAX_PATH] = {};
};

// Another copy of the game, in a thread: once our save made its new table, it waits for the
// lock, then saves its result of 100 in place.
struct OtherCopy {
    HANDLE Ready = CreateEventA(nullptr, TRUE, FALSE, nullptr); // watching for our save
    HANDLE Done = CreateEventA(nullptr, TRUE, FALSE, nullptr);  // our save returned
    bool SawRelease = false;
};

DWORD WINAPI OtherCopySaves(void* context) {
    auto& other = *static_cast<OtherCopy*>(context);
    HANDLE table = CreateFileA("highScores.dat", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    // Our save's new table, made while it holds the lock: wait there for the lock to go.
    WIN32_FIND_DATAA found{};
    HANDLE search = INVALID_HANDLE_VALUE;
    SetEvent(other.Ready);
    // One generous deadline: on a busy machine our save may start seconds after this thread.
    const ULONGLONG deadline = GetTickCount64() + 60000;
    while (search == INVALID_HANDLE_VALUE && GetTickCount64() < deadline)
        if ((search = FindFirstFileA("highScores.dat.*.tmp", &found)) == INVALID_HANDLE_VALUE)
            Sleep(0);
    if (search == INVALID_HANDLE_VALUE) return 1;
    FindClose(search);
    OVERLAPPED at{};
    at.OffsetHigh = 0x7FFFFFFF; // the byte SysLockFile takes
    other.SawRelease = LockFileEx(table, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at);
    // Ten defaults before; our result now leads them.
    char record[16] = {1, 'B'};
    record[12] = 100;
    DWORD n = 0;
    WriteFile(table, record, sizeof record, &n, nullptr);
    FlushFileBuffers(table);
    // Held a while, as a slow save would; a save that ignores the lock returns meanwhile.
    WaitForSingleObject(other.Done, 300);
    UnlockFileEx(table, 0, 1, 0, &at);
    CloseHandle(table);
    return 0;
}
} // namespace

TEST_F(Win32Files, FailedOpensGiveTheDesignedCodes) {
    Make("readonly.dat", "x");
    ASSERT_TRUE(SetFileAttributesA("readonly.dat", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryA("folder.dat", nullptr));

    struct Case {
        const char* name;
        SysOpenMode mode;
        int code;
    } cases[] = {
        {"missing.dat", SysOpenMode::ReadWrite, 2},
        {"missing.dat", SysOpenMode::ReadOnly, 2},
        {"nofolder\\x.dat", SysOpenMode::ReadWrite, 3},
        {"nofolder\\x.dat", SysOpenMode::CreateNew, 3},
        {"readonly.dat", SysOpenMode::ReadWrite, 5},
        {"readonly.dat", SysOpenMode::CreateNew, 5},
        {"folder.dat", SysOpenMode::CreateNew, 5},
    };
    for (const Case& c : cases) {
        SysFile file = 0;
        EXPECT_EQ(SysOpenFile(c.name, c.mode, file), c.code)
            << c.name << " mode " << static_cast<int>(c.mode);
    }
    // The read-only file can still be read, and is left as it was.
    EXPECT_EQ(Read("readonly.dat"), "x");
    // Only regular files count as existing.
    EXPECT_TRUE(SysFileExists("readonly.dat"));
    EXPECT_FALSE(SysFileExists("folder.dat"));
    EXPECT_FALSE(SysFileExists("missing.dat"));
}

TEST_F(Win32Files, WriteReadSizeAndShortReadAtTheEnd) {
    std::string record(20, '\0');
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<char>(i * 13);
    Make("a.dat", record);

    SysFile file = 0;
    ASSERT_EQ(SysOpenFile("a.dat", SysOpenMode::ReadWrite, file), 0);
    std::int64_t size = -1;
    EXPECT_EQ(SysFileSize(file, size), 0);
    EXPECT_EQ(size, 20);
    char buffer[16];
    std::size_t got = 0;
    EXPECT_EQ(SysReadFile(file, buffer, 16, got), 0);
    EXPECT_EQ(got, 16u);
    EXPECT_EQ(std::string(buffer, 16), record.substr(0, 16));
    EXPECT_EQ(SysReadFile(file, buffer, 16, got), 0);
    EXPECT_EQ(got, 4u) << "a partial record arrives short, not as a failure";
    EXPECT_EQ(SysReadFile(file, buffer, 16, got), 0);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(SysSyncFile(file), 0);
    EXPECT_EQ(SysCloseFile(file), 0);

    // Opening with CreateNew empties an existing file.
    Make("a.dat", "");
    EXPECT_EQ(Read("a.dat"), "");
}

TEST_F(Win32Files, ReplaceOverwritesAndDeleteRemoves) {
    Make("a.dat", "new");
    Make("b.dat", "old and longer");
    // Both opened while another handle reads: the game shares read and write.
    SysFile reader = 0;
    ASSERT_EQ(SysOpenFile("a.dat", SysOpenMode::ReadOnly, reader), 0);
    SysFile second = 0;
    EXPECT_EQ(SysOpenFile("a.dat", SysOpenMode::ReadWrite, second), 0);
    SysCloseFile(second);
    SysCloseFile(reader);

    EXPECT_EQ(SysReplaceFile("a.dat", "b.dat"), 0);
    EXPECT_FALSE(SysFileExists("a.dat"));
    EXPECT_EQ(Read("b.dat"), "new");
    EXPECT_EQ(SysReplaceFile("missing.dat", "b.dat"), 2);
    EXPECT_EQ(SysDeleteFile("b.dat"), 0);
    EXPECT_EQ(SysDeleteFile("b.dat"), 2);
}

// Another program holds the table open without delete sharing, so the rename is refused: the
// save writes into the table instead, and leaves no temporary file.
TEST_F(Win32Files, SaveWritesInPlaceWhileAnotherProgramHoldsTheTable) {
    auto fileIndex = [] {
        HANDLE file = CreateFileA("highScores.dat", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        BY_HANDLE_FILE_INFORMATION info{};
        GetFileInformationByHandle(file, &info);
        CloseHandle(file);
        return (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    };
    // Alone, the save replaces the table, though its own lock holds the old one open.
    PlayerName = "--Player--";
    LoadHighScores();
    std::uint64_t created = fileIndex();
    SaveHighScores();
    EXPECT_NE(fileIndex(), created);

    std::string old(20 * 16, 'x'); // twenty records: the save cuts it to ten
    Make("highScores.dat", old);
    HANDLE other = CreateFileA("highScores.dat", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    Make("a.dat", "new");
    EXPECT_NE(SysReplaceFile("a.dat", "highScores.dat"), 0) << "the replace is refused";

    LoadHighScores();
    std::uint64_t held = fileIndex();
    SaveHighScores();
    EXPECT_EQ(fileIndex(), held);
    CloseHandle(other);
    SysFile file = 0;
    ASSERT_EQ(SysOpenFile("highScores.dat", SysOpenMode::ReadOnly, file), 0);
    std::int64_t size = 0;
    EXPECT_EQ(SysFileSize(file, size), 0);
    EXPECT_EQ(size, 160);
    SysCloseFile(file);
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA("*.tmp", &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "left behind: " << found.cFileName;
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

// The table has a second hard link, so the rename is refused after the lock was let go for it.
// Another copy takes the lock at that moment and saves its result; the in-place write that
// follows must wait for it and take that result in, not write over it.
TEST_F(Win32Files, SaveWhoseRenameIsRefusedKeepsWhatAnotherCopySavedMeanwhile) {
    PlayerName = "--Player--";
    LoadHighScores();
    SaveHighScores();
    ASSERT_TRUE(CreateHardLinkA("b.dat", "highScores.dat", nullptr));

    OtherCopy other;
    HANDLE thread = CreateThread(nullptr, 0, OtherCopySaves, &other, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(other.Ready, INFINITE);
    SetEntryName(HighScoreTable[11], "A");
    HighScoreTable[11].Points = 200;
    SortHighScores();
    SaveHighScores();
    SetEvent(other.Done);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(other.Ready);
    CloseHandle(other.Done);
    EXPECT_TRUE(other.SawRelease);

    LoadHighScores();
    EXPECT_EQ(EntryName(HighScoreTable[1]), "A");
    EXPECT_EQ(HighScoreTable[1].Points, 200);
    EXPECT_EQ(EntryName(HighScoreTable[2]), "B");
    EXPECT_EQ(HighScoreTable[2].Points, 100);
    EXPECT_EQ(Read("b.dat"), Read("highScores.dat")) << "the links stay one file";
}

// The lock keeps a second copy out for about a second, yet never the table's bytes: the
// in-place write goes through another handle while the lock is held.
TEST_F(Win32Files, LockIsExclusiveButLeavesTheBytesFree) {
    Make("a.dat", "old");
    SysFile first = 0, second = 0;
    ASSERT_EQ(SysOpenFile("a.dat", SysOpenMode::ReadWrite, first), 0);
    ASSERT_EQ(SysOpenFile("a.dat", SysOpenMode::ReadWrite, second), 0);
    ASSERT_TRUE(SysLockFile(first));
    EXPECT_FALSE(SysLockFile(second));
    EXPECT_EQ(SysWriteFile(second, "new and longer", 14), 0);
    EXPECT_EQ(SysTruncateFile(second, 7), 0);
    EXPECT_EQ(Read("a.dat"), "new and");
    SysUnlockFile(first);
    EXPECT_TRUE(SysLockFile(second));
    EXPECT_TRUE(SysIsFileAt(second, "a.dat"));
    EXPECT_FALSE(SysIsFileAt(second, "b.dat"));
    SysCloseFile(first);
    SysCloseFile(second);
}
