#include "scores/HighScores.h"

#include "platform/Failure.h"
#include "platform/Sys.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

HighScoreEntry HighScoreTable[12] = {};
std::string PlayerName;

namespace {
constexpr std::size_t RecordSize = 16;
constexpr int TableSize = 10;
static_assert(HighScoreFileSize == TableSize * RecordSize);
constexpr std::size_t MaxNameLength = sizeof HighScoreEntry::Name;
constexpr int ReadBeyondEnd = 100;

// The disk layout: length, ten name bytes, the alignment byte, points little-endian. Spelled
// out byte by byte so the file is the same whatever the host's byte order.
void EncodeRecord(const HighScoreEntry& entry, unsigned char* out) {
    out[0] = entry.NameLength;
    std::memcpy(out + 1, entry.Name, MaxNameLength);
    out[11] = entry.Unused;
    auto points = static_cast<std::uint32_t>(entry.Points);
    for (int i = 0; i < 4; ++i)
        out[12 + i] = static_cast<unsigned char>(points >> (8 * i));
}

void DecodeRecord(const unsigned char* in, HighScoreEntry& entry) {
    // We never write a length above 10; a file from elsewhere may. Read it as a full name so
    // the rest of the game can rely on NameLength <= 10.
    entry.NameLength = std::min<std::uint8_t>(in[0], MaxNameLength);
    std::memcpy(entry.Name, in + 1, MaxNameLength);
    entry.Unused = in[11];
    std::uint32_t points = 0;
    for (int i = 0; i < 4; ++i)
        points |= static_cast<std::uint32_t>(in[12 + i]) << (8 * i);
    entry.Points = static_cast<std::int32_t>(points);
}

void SetDefaultEntry(HighScoreEntry& entry) {
    SetEntryName(entry, "--Player--");
    entry.Points = 0;
}

// Closes a file that a failure leaves open; the failure itself is what gets reported.
struct OpenFile {
    SysFile Handle = 0;
    bool IsOpen = false;

    void Open(const char* name, SysOpenMode mode) {
        CheckIO(SysOpenFile(name, mode, Handle));
        IsOpen = true;
    }
    void Close() {
        IsOpen = false;
        CheckIO(SysCloseFile(Handle));
    }
    ~OpenFile() {
        if (IsOpen) SysCloseFile(Handle);
    }
};

// The new table is written beside the old one and renamed over it, so the old file stays whole
// until the new one is complete on disk. A failure on the way removes the half-made copy.
struct TempFile {
    std::string Name;
    OpenFile File;
    bool Named = false;
    bool Placed = false;

    ~TempFile() {
        if (File.IsOpen) {
            File.IsOpen = false;
            SysCloseFile(File.Handle);
        }
        if (Named && !Placed) SysDeleteFile(Name.c_str());
    }
};

// The file's records as this copy last read or wrote them. Whatever else the file holds at a
// save was added by another copy of the game in the same folder.
unsigned char LastKnown[HighScoreFileSize];
std::size_t LastKnownRecords = 0;

void Remember(const unsigned char* bytes, std::size_t records) {
    LastKnownRecords = records;
    if (records > 0) std::memcpy(LastKnown, bytes, records * RecordSize);
}

// The table under the lock the copies take while one of them saves.
struct LockedTable {
    OpenFile File;
    bool Locked = false;
    bool Released = false; // let go before the rename, where the system needs it closed

    void Unlock() {
        if (Locked) SysUnlockFile(File.Handle);
        Locked = false;
    }
    void Release() {
        Unlock();
        if (File.IsOpen) File.Close();
    }
    ~LockedTable() { Unlock(); }
};

// Another copy may rename its new table over the file while we wait for the lock; then the
// lock is on a file that is gone, and the new one is taken instead.
void LockTable(const std::string& table, LockedTable& held) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        held.File.Open(table.c_str(), SysOpenMode::ReadWrite);
        held.Locked = SysLockFile(held.File.Handle);
        if (!held.Locked || SysIsFileAt(held.File.Handle, table.c_str())) return;
        held.Release();
        if (!SysFileExists(table.c_str())) return;
    }
}

// Merges in what other copies added to the table since this copy last knew it; from then on
// the file as read is known, so a second read merges only what came since.
void LockAndMerge(const std::string& table, LockedTable& held) {
    LockTable(table, held);
    if (!held.File.IsOpen) return;
    unsigned char now[HighScoreFileSize];
    std::size_t got = 0;
    CheckIO(SysReadFile(held.File.Handle, now, sizeof now, got));
    MergeHighScores(now, got);
    Remember(now, std::min<std::size_t>(got / RecordSize, TableSize));
}

// Where the lock was let go, or another copy's table came in meanwhile: the table is read
// again under a new lock.
void MergeAgain(const std::string& table, LockedTable& held) {
    held.Release();
    held.Released = false;
    if (SysFileExists(table.c_str())) LockAndMerge(table, held);
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// "<table>.<process>.tmp" files of saves whose process has ended: a kill in the middle of a
// save leaves them. Only called under the lock, so no save of a running copy is in progress.
void RemoveLeftovers(const std::string& table) {
    struct Scan {
        std::string Folder, Prefix;
    } scan{FolderOf(table), ""};
    scan.Prefix = table.substr(scan.Folder.size()) + ".";
    SysListFolder(
        scan.Folder.empty() ? "." : scan.Folder.c_str(),
        [](const char* name, void* context) {
            const Scan& scan = *static_cast<const Scan*>(context);
            std::string_view entry(name);
            constexpr std::string_view Suffix = ".tmp";
            if (entry.size() <= scan.Prefix.size() + Suffix.size() ||
                entry.substr(0, scan.Prefix.size()) != scan.Prefix ||
                entry.substr(entry.size() - Suffix.size()) != Suffix)
                return;
            std::string_view number =
                entry.substr(scan.Prefix.size(), entry.size() - scan.Prefix.size() - Suffix.size());
            if (number.size() > 10 || number.find_first_not_of("0123456789") != number.npos) return;
            std::uint64_t id = std::stoull(std::string(number));
            if (id > UINT32_MAX || id == SysProcessId()) return;
            if (!SysProcessAlive(static_cast<std::uint32_t>(id)))
                SysDeleteFile((scan.Folder + std::string(entry)).c_str());
        },
        &scan);
}

enum class Written { Replaced, Refused, Stale };

// Writes the new table beside the old one and renames it over; Refused, with nothing left
// behind, where no new file may be made or the rename is refused. Stale, the lock still held,
// where checkFresh and another copy's table was renamed in since ours was read.
Written WriteReplacing(const std::string& table, const unsigned char (&bytes)[HighScoreFileSize],
                       LockedTable& held, bool checkFresh) {
    TempFile temp;
    temp.Name = table + "." + std::to_string(SysProcessId()) + ".tmp";
    bool named = false;
    if (SysCreateTempFile(table.c_str(), temp.Name.c_str(), temp.File.Handle, named) != 0)
        return Written::Refused;
    temp.File.IsOpen = true;
    temp.Named = named;
    CheckIO(SysWriteFile(temp.File.Handle, bytes, sizeof bytes));
    CheckIO(SysSyncFile(temp.File.Handle));
    if (!temp.Named) {
        if (SysNameTempFile(temp.File.Handle, temp.Name.c_str()) != 0) return Written::Refused;
        temp.Named = true;
    }
    temp.File.Close();
    if (!SysReplacesOpenFiles) {
        // A copy that let go of the lock renames a moment later, and may land after we took
        // the lock and read; what it wrote must be in ours.
        if (checkFresh && held.File.IsOpen && !SysIsFileAt(held.File.Handle, table.c_str()))
            return Written::Stale;
        held.Release();
        held.Released = true;
    }
    if (SysReplaceFile(temp.Name.c_str(), table.c_str()) != 0) return Written::Refused;
    temp.Placed = true;
    return Written::Replaced;
}

// Into the table itself, for folders and files the rename cannot serve. The old bytes stay
// until the new ones are there: overwritten first, cut to size after, never emptied before.
void WriteInPlace(const std::string& table, const unsigned char (&bytes)[HighScoreFileSize]) {
    OpenFile file;
    file.Open(table.c_str(),
              SysFileExists(table.c_str()) ? SysOpenMode::ReadWrite : SysOpenMode::CreateNew);
    CheckIO(SysWriteFile(file.Handle, bytes, sizeof bytes));
    CheckIO(SysTruncateFile(file.Handle, sizeof bytes));
    CheckIO(SysSyncFile(file.Handle));
    file.Close();
}
} // namespace

std::string_view EntryName(const HighScoreEntry& entry) {
    return {entry.Name, std::min<std::size_t>(entry.NameLength, MaxNameLength)};
}

void SetEntryName(HighScoreEntry& entry, std::string_view name) {
    std::size_t length = std::min(name.size(), MaxNameLength);
    std::memcpy(entry.Name, name.data(), length);
    entry.NameLength = static_cast<std::uint8_t>(length);
}

void LoadHighScores() {
    if (!SysFileExists(HighScoreFileName)) {
        OpenFile created;
        created.Open(HighScoreFileName, SysOpenMode::CreateNew);
        created.Close();
    }

    // Opened for writing too, so a file we could not save later fails here, at start-up.
    OpenFile file;
    file.Open(HighScoreFileName, SysOpenMode::ReadWrite);
    std::int64_t size = 0;
    CheckIO(SysFileSize(file.Handle, size));

    // Whole records only; a trailing partial record and everything past the tenth are ignored.
    int records = static_cast<int>(std::min<std::int64_t>(size / RecordSize, TableSize));
    unsigned char bytes[TableSize * RecordSize];
    std::size_t wanted = static_cast<std::size_t>(records) * RecordSize;
    std::size_t got = 0;
    CheckIO(SysReadFile(file.Handle, bytes, wanted, got));
    if (got != wanted) CheckIO(ReadBeyondEnd);

    DecodeHighScores(bytes, got);

    SetEntryName(HighScoreTable[11], PlayerName);
    HighScoreTable[11].Points = 0;

    file.Close();
}

void DecodeHighScores(const unsigned char* bytes, std::size_t size) {
    int records = static_cast<int>(std::min<std::size_t>(size / RecordSize, TableSize));
    int slot = 1;
    for (; slot <= records; ++slot)
        DecodeRecord(bytes + (slot - 1) * RecordSize, HighScoreTable[slot]);
    for (; slot <= TableSize; ++slot)
        SetDefaultEntry(HighScoreTable[slot]);
    Remember(bytes, static_cast<std::size_t>(records));
}

void EncodeHighScores(unsigned char (&bytes)[HighScoreFileSize]) {
    for (int slot = 1; slot <= TableSize; ++slot)
        EncodeRecord(HighScoreTable[slot], bytes + (slot - 1) * RecordSize);
}

void SortHighScores() {
    for (int i = 1; i <= TableSize; ++i) {
        int best = i;
        for (int j = i; j <= TableSize + 1; ++j)
            if (HighScoreTable[best].Points < HighScoreTable[j].Points) best = j;
        std::swap(HighScoreTable[i], HighScoreTable[best]);
    }
}

void MergeHighScores(const unsigned char* bytes, std::size_t size) {
    std::size_t records = std::min<std::size_t>(size / RecordSize, TableSize);
    bool matched[TableSize] = {};
    const HighScoreEntry player = HighScoreTable[11];
    for (std::size_t i = 0; i < records; ++i) {
        const unsigned char* record = bytes + i * RecordSize;
        bool known = false;
        for (std::size_t k = 0; k < LastKnownRecords && !known; ++k) {
            known = !matched[k] && std::memcmp(LastKnown + k * RecordSize, record, RecordSize) == 0;
            matched[k] = matched[k] || known;
        }
        if (known) continue;
        // In as a recorded result comes in: through slot 11 and the sort.
        DecodeRecord(record, HighScoreTable[11]);
        SortHighScores();
    }
    HighScoreTable[11] = player;
}

void SaveHighScores() {
    char finalPath[4096];
    SysFinalPath(HighScoreFileName, finalPath, sizeof finalPath);
    const std::string table = finalPath;

    // Opened for writing: a file we may not write must fail the save with "access denied",
    // not be quietly replaced by the rename (which only needs the folder to be writable).
    LockedTable held;
    if (SysFileExists(table.c_str())) LockAndMerge(table, held);
    if (held.Locked) RemoveLeftovers(table);

    unsigned char bytes[HighScoreFileSize];
    EncodeHighScores(bytes);
    Written written = WriteReplacing(table, bytes, held, true);
    for (int again = 1; written == Written::Stale; ++again) {
        MergeAgain(table, held);
        EncodeHighScores(bytes);
        written = WriteReplacing(table, bytes, held, again < 10);
    }
    if (written == Written::Refused) {
        // Never into the table without the lock: another copy may have saved since we read.
        if (held.Released) {
            MergeAgain(table, held);
            EncodeHighScores(bytes);
        }
        WriteInPlace(table, bytes);
    }
    Remember(bytes, TableSize);
}
