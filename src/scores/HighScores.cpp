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
    bool Placed = false;

    ~TempFile() {
        if (File.IsOpen) {
            File.IsOpen = false;
            SysCloseFile(File.Handle);
        }
        if (!Placed) SysDeleteFile(Name.c_str());
    }
};
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

void SaveHighScores() {
    // A file we may not write must fail the save with "access denied", not be quietly
    // replaced by the rename (which only needs the directory to be writable).
    if (SysFileExists(HighScoreFileName)) {
        OpenFile existing;
        existing.Open(HighScoreFileName, SysOpenMode::ReadWrite);
        existing.Close();
    }

    unsigned char bytes[HighScoreFileSize];
    EncodeHighScores(bytes);

    TempFile temp;
    temp.Name = std::string(HighScoreFileName) + "." + std::to_string(SysProcessId()) + ".tmp";
    if (SysOpenFile(temp.Name.c_str(), SysOpenMode::CreateNew, temp.File.Handle) != 0) {
        // No new file may be made here (a shared folder that only lets the table itself be
        // written): save the plain way, into the table, as the game always could.
        temp.Placed = true;
        OpenFile table;
        table.Open(HighScoreFileName, SysOpenMode::CreateNew);
        CheckIO(SysWriteFile(table.Handle, bytes, sizeof bytes));
        table.Close();
        return;
    }
    temp.File.IsOpen = true;
    CheckIO(SysWriteFile(temp.File.Handle, bytes, sizeof bytes));
    CheckIO(SysSyncFile(temp.File.Handle));
    temp.File.Close();
    CheckIO(SysReplaceFile(temp.Name.c_str(), HighScoreFileName));
    temp.Placed = true;
}
