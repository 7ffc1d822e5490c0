// The high-score table: the file's bytes, the sort, and saves that fail without losing the table.
#include "platform/Failure.h"
#include "scores/HighScores.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
// One 16-byte record as it stands on disk.
std::string Record(std::string_view name, std::int32_t points, int lengthByte = -1,
                   char unused = 0) {
    std::string bytes(16, '\0');
    bytes[0] = static_cast<char>(lengthByte < 0 ? static_cast<int>(name.size()) : lengthByte);
    bytes.replace(1, std::min<std::size_t>(name.size(), 10), name.substr(0, 10));
    bytes[11] = unused;
    auto p = static_cast<std::uint32_t>(points);
    for (int i = 0; i < 4; ++i)
        bytes[12 + i] = static_cast<char>((p >> (8 * i)) & 0xFF);
    return bytes;
}

const std::string DefaultRecord = std::string("\x0a--Player--", 11) + std::string(5, '\0');

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

std::set<std::string> DirEntries(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

void ResetTable() {
    std::memset(HighScoreTable, 0, sizeof HighScoreTable);
    PlayerName = "--Player--";
}

struct Slot {
    std::string Name;
    std::int32_t Points;
    bool operator==(const Slot&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Slot& s) {
    return os << '(' << s.Name << ", " << s.Points << ')';
}

std::vector<Slot> Slots(int first, int last) {
    std::vector<Slot> out;
    for (int i = first; i <= last; ++i)
        out.push_back({std::string(EntryName(HighScoreTable[i])), HighScoreTable[i].Points});
    return out;
}

class HighScores : public ::testing::Test {
  protected:
    void SetUp() override { ResetTable(); }
    void TearDown() override { ResetTable(); }
    ScopedWorkDir dir;
};

TEST_F(HighScores, FirstStartCreatesAnEmptyFileAndTheSaveWritesTenDefaults) {
    LoadHighScores();
    ASSERT_TRUE(fs::exists(HighScoreFileName));
    EXPECT_EQ(fs::file_size(HighScoreFileName), 0u);
    EXPECT_EQ(Slots(1, 11), std::vector<Slot>(11, {"--Player--", 0}));

    SaveHighScores();
    EXPECT_EQ(ReadFileBytes(HighScoreFileName), Repeat(DefaultRecord, 10));
    EXPECT_EQ(DirEntries(dir.Path()), std::set<std::string>{HighScoreFileName});
}

// Load a file, check what the table shows, save it again and compare the bytes.
TEST_F(HighScores, LoadAndSaveFilesByteForByte) {
    const std::string remnant = std::string("\x03"
                                            "abcdefghij"
                                            "\x7f",
                                            12) +
                                "\x04\x03\x02\x01";
    std::string twelve;
    for (int i = 0; i < 12; ++i)
        twelve += Record("r" + std::to_string(i), 100 - i, -1, 'x');

    struct Case {
        const char* What;
        std::string File;
        std::vector<Slot> Shown; // slots 1..10 after the load
        std::string Saved;
    };
    std::vector<Slot> tenDefaults(10, {"--Player--", 0});
    auto withFirst = [&](std::vector<Slot> first) {
        std::vector<Slot> all = first;
        all.resize(10, {"--Player--", 0});
        return all;
    };
    std::vector<Slot> twelveShown;
    for (int i = 0; i < 10; ++i)
        twelveShown.push_back({"r" + std::to_string(i), 100 - i});

    const Case cases[] = {
        {"empty file", "", tenDefaults, Repeat(DefaultRecord, 10)},
        {"less than one record", std::string(15, 'z'), tenDefaults, Repeat(DefaultRecord, 10)},
        {"20 bytes: one record and a partial one",
         Record("Ann", 42) + "\x05"
                             "abc",
         withFirst({{"Ann", 42}}), Record("Ann", 42) + Repeat(DefaultRecord, 9)},
        {"12 records: the first ten", twelve, twelveShown, twelve.substr(0, 160)},
        {"length bytes 11 and 255 read as ten characters",
         Record("ABCDEFGHIJ", 7, 11) + Record("KLMNOPQRST", 6, 255),
         withFirst({{"ABCDEFGHIJ", 7}, {"KLMNOPQRST", 6}}),
         Record("ABCDEFGHIJ", 7) + Record("KLMNOPQRST", 6) + Repeat(DefaultRecord, 8)},
        {"negative and extreme points, little-endian",
         Record("neg", -1) + Record("min", INT_MIN) + Record("max", INT_MAX) + remnant,
         withFirst({{"neg", -1}, {"min", INT_MIN}, {"max", INT_MAX}, {"abc", 0x01020304}}),
         Record("neg", -1) + Record("min", INT_MIN) + Record("max", INT_MAX) + remnant +
             Repeat(DefaultRecord, 6)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ResetTable();
        WriteFileBytes(HighScoreFileName, c.File);
        LoadHighScores();
        EXPECT_EQ(ReadFileBytes(HighScoreFileName), c.File) << "the load changed the file";
        EXPECT_EQ(Slots(1, 10), c.Shown);
        for (int i = 1; i <= 11; ++i)
            EXPECT_LE(HighScoreTable[i].NameLength, 10) << i;
        SaveHighScores();
        EXPECT_EQ(ReadFileBytes(HighScoreFileName), c.Saved);
        EXPECT_EQ(DirEntries(dir.Path()), std::set<std::string>{HighScoreFileName});
    }
}

TEST_F(HighScores, DefaultEntryLeavesTheAlignmentByteAlone) {
    HighScoreTable[5].Unused = 0x55;
    HighScoreTable[5].Points = 99;
    WriteFileBytes(HighScoreFileName, Record("one", 1));
    LoadHighScores();
    SaveHighScores();
    std::string expected = Record("one", 1) + Repeat(DefaultRecord, 9);
    expected[4 * 16 + 11] = 0x55;
    EXPECT_EQ(ReadFileBytes(HighScoreFileName), expected);
}

TEST_F(HighScores, PlayerEntryTakesTheFirstTenCharactersOfTheName) {
    const struct {
        std::string Player;
        std::string Stored;
    } cases[] = {
        {"--Player--", "--Player--"}, {"", ""}, {"Bo", "Bo"}, {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJ"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Player);
        ResetTable();
        HighScoreTable[11].Points = 77;
        PlayerName = c.Player;
        LoadHighScores();
        EXPECT_EQ(Slots(11, 11), (std::vector<Slot>{{c.Stored, 0}}));
    }

    // A shorter name leaves the older name's bytes behind it; they are never shown.
    HighScoreEntry entry{};
    SetEntryName(entry, "abcdefghij");
    SetEntryName(entry, "xy");
    EXPECT_EQ(entry.NameLength, 2);
    EXPECT_EQ(std::string(entry.Name, 10), "xycdefghij");
    EXPECT_EQ(EntryName(entry), "xy");
}

TEST_F(HighScores, SortPlacesTheNewEntryExactlyAsTheSelectionSortDoes) {
    const std::vector<std::string> names = {"one",   "two",   "three", "four", "five", "six",
                                            "seven", "eight", "nine",  "ten",  "new"};
    struct Case {
        const char* What;
        std::vector<std::int32_t> Points; // slots 1..11, named one..ten and new
        std::vector<std::string> Order;   // names of slots 1..11 after the sort
    };
    const std::vector<std::int32_t> ladder = {10, 8, 8, 7, 6, 5, 4, 3, 2, 1};
    auto with = [](std::vector<std::int32_t> ten, std::int32_t last) {
        ten.push_back(last);
        return ten;
    };
    const Case cases[] = {
        {"new 9 between 10 and the two 8s",
         with(ladder, 9),
         {"one", "new", "three", "two", "four", "five", "six", "seven", "eight", "nine", "ten"}},
        {"new 8 after the equal 8s",
         with(ladder, 8),
         {"one", "two", "three", "new", "four", "five", "six", "seven", "eight", "nine", "ten"}},
        {"new 5 over ten zeros",
         with(std::vector<std::int32_t>(10, 0), 5),
         {"new", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten", "one"}},
        {"equal to the tenth stays out", with(ladder, 1), names},
        {"negative never enters a table of zeros", with(std::vector<std::int32_t>(10, 0), -5),
         names},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ResetTable();
        for (int i = 1; i <= 11; ++i) {
            SetEntryName(HighScoreTable[i], names[i - 1]);
            HighScoreTable[i].Points = c.Points[i - 1];
            HighScoreTable[i].Unused = static_cast<std::uint8_t>(i);
        }
        SortHighScores();
        for (int i = 1; i <= 11; ++i) {
            auto from = std::find(names.begin(), names.end(), EntryName(HighScoreTable[i]));
            ASSERT_NE(from, names.end());
            int original = static_cast<int>(from - names.begin());
            EXPECT_EQ(EntryName(HighScoreTable[i]), c.Order[i - 1]) << "slot " << i;
            // Whole entries move: points and the alignment byte go with the name.
            EXPECT_EQ(HighScoreTable[i].Points, c.Points[original]) << "slot " << i;
            EXPECT_EQ(HighScoreTable[i].Unused, original + 1) << "slot " << i;
        }
    }
}

// What another copy added since this copy last read the file comes in where it belongs; what
// this copy knew already, or what the other copy dropped, changes nothing.
TEST_F(HighScores, MergeTakesInOnlyWhatAnotherCopyAdded) {
    std::vector<std::string> read; // the file as this copy loaded it: a..j with 100, 90, ..., 10
    for (int i = 0; i < 10; ++i)
        read.push_back(Record(std::string(1, static_cast<char>('a' + i)), 100 - 10 * i));
    // The file now: the records as loaded, with some put in at a position and the last dropped.
    auto now = [&](int at, std::vector<std::string> added, int keep = 10) {
        std::vector<std::string> records = read;
        records.insert(records.begin() + at, added.begin(), added.end());
        std::string bytes;
        for (int i = 0; i < keep; ++i)
            bytes += records[i];
        return bytes;
    };
    auto ours = [](std::vector<Slot> changed) { // this copy's table, with its own 55 recorded
        std::vector<Slot> table = {{"a", 100}, {"b", 90}, {"c", 80}, {"d", 70}, {"e", 60},
                                   {"me", 55}, {"f", 50}, {"g", 40}, {"h", 30}, {"i", 20}};
        for (const Slot& slot : changed) {
            table.insert(std::find_if(table.begin(), table.end(),
                                      [&](const Slot& s) { return s.Points < slot.Points; }),
                         slot);
            table.pop_back();
        }
        return table;
    };
    const struct {
        const char* What;
        std::string Now;
        std::vector<Slot> Table;
    } cases[] = {
        {"the file as this copy read it", now(0, {}), ours({})},
        {"another copy's 75", now(3, {Record("x", 75)}), ours({{"x", 75}})},
        {"the same record once more, counted with repeats", now(3, {Record("c", 80)}),
         ours({{"c", 80}})},
        {"two results of another copy", now(0, {Record("y", 200), Record("z", 65)}),
         ours({{"y", 200}, {"z", 65}})},
        {"worse than all ten stays out", now(10, {Record("low", 5)}), ours({})},
        {"entries the other copy dropped stay", now(0, {}, 3) + Record("x", 75).substr(0, 9),
         ours({})},
        {"records past the tenth are not read", now(10, {Record("z", 99)}, 11), ours({})},
        {"a length byte of 255 enters as ten characters", now(1, {Record("ABCDEFGHIJ", 95, 255)}),
         ours({{"ABCDEFGHIJ", 95}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::string loaded;
        for (const std::string& record : read)
            loaded += record;
        DecodeHighScores(reinterpret_cast<const unsigned char*>(loaded.data()), loaded.size());
        SetEntryName(HighScoreTable[11], "me");
        HighScoreTable[11].Points = 55;
        SortHighScores();
        HighScoreTable[11] = {};
        SetEntryName(HighScoreTable[11], "player");

        MergeHighScores(reinterpret_cast<const unsigned char*>(c.Now.data()), c.Now.size());
        EXPECT_EQ(Slots(1, 10), c.Table);
        EXPECT_EQ(Slots(11, 11), (std::vector<Slot>{{"player", 0}})) << "slot 11 is the player's";
    }
}

// Runs action in a child process, optionally as user nobody and with a cap on file sizes;
// returns the I/O error code it failed with, 0 when it succeeded.
int RunInChild(const std::function<void()>& action, bool asNobody, rlim_t fileSizeLimit) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (asNobody) {
            passwd* user = getpwnam("nobody");
            if (!user || setgroups(0, nullptr) != 0 || setgid(user->pw_gid) != 0 ||
                setuid(user->pw_uid) != 0)
                _exit(250);
        }
        if (fileSizeLimit != RLIM_INFINITY) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{fileSizeLimit, fileSizeLimit};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(251);
        }
        try {
            action();
            _exit(0);
        } catch (const InOutError& failure) {
            _exit(failure.Code > 0 && failure.Code < 250 ? failure.Code : 252);
        } catch (...) {
            _exit(253);
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Failures end the run with the designed code, and never cost the player the old table.
TEST_F(HighScores, FailedFileOperationsReportTheCodeAndKeepTheOldFile) {
    const std::string old = Record("Keep", 5) + Record("Me", 4) + "tail";
    struct Case {
        const char* What;
        std::function<void()> Setup;
        bool AsNobody;
        rlim_t FileSizeLimit;
        std::function<void()> Action;
        int Code;
        bool OldFileStays; // false: there was no file and none may appear
    };
    auto oldFile = [&](mode_t mode) {
        return [&, mode] {
            WriteFileBytes(HighScoreFileName, old);
            chmod(HighScoreFileName, mode);
        };
    };
    const Case cases[] = {
        {"save over a read-only file", oldFile(0444), true, RLIM_INFINITY, SaveHighScores, 5, true},
        {"save with the disk full", oldFile(0666), false, 100, SaveHighScores, 101, true},
        {"save in a directory that allows no new file", [&] { chmod(dir.Path().c_str(), 0555); },
         true, RLIM_INFINITY, SaveHighScores, 5, false},
        {"load of a read-only file", oldFile(0444), true, RLIM_INFINITY, LoadHighScores, 5, true},
        {"first start in a directory that allows no new file",
         [&] { chmod(dir.Path().c_str(), 0555); }, true, RLIM_INFINITY, LoadHighScores, 5, false},
        {"load of an unreadable file", oldFile(0222), true, RLIM_INFINITY, LoadHighScores, 5, true},
        // Where no new file may be made the table is written in place, and a full disk there
        // must not have emptied it first.
        {"in-place save with the disk full",
         [&] {
             oldFile(0666)();
             chmod(dir.Path().c_str(), 0555);
         },
         true, 0, SaveHighScores, 101, true},
        // The last step, the rename, fails when a folder has the file's name.
        {"save over a folder", [] { fs::create_directories(fs::path(HighScoreFileName) / "in"); },
         false, RLIM_INFINITY, SaveHighScores, 5, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        chmod(dir.Path().c_str(), 0777);
        fs::remove_all(fs::path(dir.Path()) / HighScoreFileName);
        ResetTable();
        c.Setup();
        std::set<std::string> before = DirEntries(dir.Path());

        EXPECT_EQ(RunInChild(c.Action, c.AsNobody, c.FileSizeLimit), c.Code);

        EXPECT_EQ(DirEntries(dir.Path()), before) << "a temporary file was left behind";
        if (c.OldFileStays) {
            EXPECT_EQ(ReadFileBytes(HighScoreFileName), old);
        }
        chmod(dir.Path().c_str(), 0777);
    }
}
// Where the folder lets the table be written but no file be added, the save still succeeds,
// writing into the table itself; and a replaced table keeps its permissions.
TEST_F(HighScores, SaveWorksWhereOnlyTheTableMayBeWrittenAndKeepsItsPermissions) {
    const std::string old = Record("Keep", 5) + Record("Me", 4);
    WriteFileBytes(HighScoreFileName, old);
    chmod(HighScoreFileName, 0666);
    chmod(dir.Path().c_str(), 0555);
    std::set<std::string> before = DirEntries(dir.Path());
    EXPECT_EQ(RunInChild([] { LoadHighScores(); SaveHighScores(); }, true, RLIM_INFINITY), 0);
    chmod(dir.Path().c_str(), 0777);
    EXPECT_EQ(DirEntries(dir.Path()), before);
    std::string saved = ReadFileBytes(HighScoreFileName);
    ASSERT_EQ(saved.size(), 160u);
    EXPECT_EQ(saved.substr(0, 32), old);

    chmod(HighScoreFileName, 0640);
    ResetTable();
    SaveHighScores();
    struct stat info{};
    ASSERT_EQ(stat(HighScoreFileName, &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// Where a rename would split links, or the folder allows no new file, the table is written
// where it is: overwritten, then cut to ten records. A symbolic link stays, its file is updated.
TEST_F(HighScores, SaveWritesThroughLinksAndInPlaceWhereARenameCannotServe) {
    std::string twelve;
    for (int i = 0; i < 12; ++i)
        twelve += Record("r" + std::to_string(i), 100 - i);
    passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    auto table = [&](const char* name) { // the player's own
        WriteFileBytes(name, twelve);
        ASSERT_EQ(chown(name, nobody->pw_uid, nobody->pw_gid), 0);
    };
    const struct {
        const char* What;
        std::function<void()> Setup;
        const char* File; // where the bytes are
        bool InPlace;
    } cases[] = {
        {"the folder allows no new file",
         [&] {
             table(HighScoreFileName);
             chmod(".", 0555);
         },
         HighScoreFileName, true},
        {"a second hard link",
         [&] {
             table(HighScoreFileName);
             fs::create_hard_link(HighScoreFileName, "shared/other.dat");
         },
         HighScoreFileName, true},
        {"a symbolic link to another folder",
         [&] {
             table("shared/scores.dat");
             fs::create_symlink("shared/scores.dat", HighScoreFileName);
         },
         "shared/scores.dat", false},
        {"a symbolic link into a folder that allows no new file",
         [&] {
             table("shared/scores.dat");
             fs::create_symlink("shared/scores.dat", HighScoreFileName);
             chmod("shared", 0555);
         },
         "shared/scores.dat", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        fs::create_directory("shared");
        chmod("shared", 0777);
        c.Setup();
        struct stat before{}, link{};
        ASSERT_EQ(stat(c.File, &before), 0);
        ASSERT_EQ(lstat(HighScoreFileName, &link), 0);
        std::set<std::string> entries = DirEntries("."), shared = DirEntries("shared");

        EXPECT_EQ(RunInChild(
                      [] {
                          LoadHighScores();
                          SaveHighScores();
                      },
                      true, RLIM_INFINITY),
                  0);

        chmod(".", 0777);
        chmod("shared", 0777);
        EXPECT_EQ(ReadFileBytes(c.File), twelve.substr(0, 160));
        EXPECT_EQ(DirEntries("."), entries);
        EXPECT_EQ(DirEntries("shared"), shared);
        struct stat after{}, linkAfter{};
        ASSERT_EQ(stat(c.File, &after), 0);
        ASSERT_EQ(lstat(HighScoreFileName, &linkAfter), 0);
        EXPECT_EQ(after.st_ino == before.st_ino, c.InPlace);
        EXPECT_EQ(after.st_nlink, before.st_nlink);
        EXPECT_EQ(S_ISLNK(linkAfter.st_mode), S_ISLNK(link.st_mode));
        fs::remove(HighScoreFileName);
        fs::remove_all("shared");
    }
}

// Copies that loaded the same table and then save at the same moment: the lock lets one save
// at a time, each merging what those before it wrote, so no result is lost.
TEST_F(HighScores, CopiesSavingAtOnceKeepEveryResult) {
    LoadHighScores();
    SaveHighScores();
    constexpr int Copies = 8;
    int go[2], loaded[2];
    ASSERT_EQ(pipe(go), 0);
    ASSERT_EQ(pipe(loaded), 0);
    std::vector<pid_t> copies;
    for (int i = 0; i < Copies; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            close(go[1]);
            LoadHighScores();
            char byte = 'l';
            if (write(loaded[1], &byte, 1) != 1 || read(go[0], &byte, 1) != 0) _exit(2);
            SetEntryName(HighScoreTable[11], "copy" + std::to_string(i));
            HighScoreTable[11].Points = 100 + i;
            SortHighScores();
            SaveHighScores();
            _exit(0);
        }
        copies.push_back(pid);
    }
    close(go[0]);
    close(loaded[1]);
    char byte;
    for (int i = 0; i < Copies; ++i)
        ASSERT_EQ(read(loaded[0], &byte, 1), 1);
    close(loaded[0]);
    close(go[1]); // all go at once
    for (pid_t pid : copies) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    LoadHighScores();
    std::vector<Slot> expected;
    for (int i = Copies - 1; i >= 0; --i)
        expected.push_back({"copy" + std::to_string(i), 100 + i});
    expected.resize(10, {"--Player--", 0});
    EXPECT_EQ(Slots(1, 10), expected);
}

// Saves killed in the middle leave "highScores.dat.<process>.tmp"; the next save removes those
// of processes that have ended, and nothing else.
TEST_F(HighScores, SaveRemovesTheLeftoversOfEndedSaves) {
    pid_t ended = fork();
    if (ended == 0) _exit(0);
    waitpid(ended, nullptr, 0);
    const std::string gone = std::string(HighScoreFileName) + "." + std::to_string(ended) + ".tmp";
    const std::set<std::string> kept = {HighScoreFileName, "highScores.dat.1.tmp",
                                        "highScores.dat.x" + std::to_string(ended) + ".tmp",
                                        "other.dat." + std::to_string(ended) + ".tmp"};
    for (const std::string& name : kept)
        WriteFileBytes(name, "");
    WriteFileBytes(gone, "");
    LoadHighScores();
    SaveHighScores();
    EXPECT_EQ(DirEntries(dir.Path()), kept);
}
} // namespace

namespace {
// A 1 GB file (sparse, so the disk stays free): only its first ten records are read, and the
// next save leaves the ten in a file of 160 bytes.
TEST_F(HighScores, GigabyteFileGivesItsFirstTenRecords) {
    WriteFileBytes(HighScoreFileName, Record("Big", 9));
    ASSERT_EQ(truncate(HighScoreFileName, std::int64_t{1} << 30), 0);
    LoadHighScores();
    EXPECT_EQ(fs::file_size(HighScoreFileName), std::uintmax_t{1} << 30);
    std::vector<Slot> shown{{"Big", 9}};
    shown.resize(10, {"", 0}); // records of zero bytes: empty names, no points
    EXPECT_EQ(Slots(1, 10), shown);
    SaveHighScores();
    EXPECT_EQ(ReadFileBytes(HighScoreFileName), Record("Big", 9) + std::string(144, '\0'));
}
} // namespace
