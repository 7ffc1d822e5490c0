// HighScores.h - the ten best results, the current player's entry and "highScores.dat".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// 16 bytes, the same in memory and on disk.
struct HighScoreEntry {
    std::uint8_t NameLength;   // 0..10
    char Name[10];
    std::uint8_t Unused;       // carries no meaning
    std::int32_t Points;       // little-endian on disk
};
static_assert(sizeof(HighScoreEntry) == 16);

// Slots 1..10 are the table, slot 11 the current player; index 0 is not used.
extern HighScoreEntry HighScoreTable[12];
extern std::string PlayerName;

inline constexpr const char* HighScoreFileName = "highScores.dat";

// The name of an entry as a string (its first NameLength characters).
std::string_view EntryName(const HighScoreEntry& entry);

// Sets an entry's name to the first 10 characters of name; bytes past the length stay.
void SetEntryName(HighScoreEntry& entry, std::string_view name);

// Creates an empty file when there is none, reads up to ten records into slots 1..10, fills the
// rest with ("--Player--", 0), sets slot 11 to (PlayerName, 0). A failed file operation throws
// InOutError.
void LoadHighScores();

// The file's contents, as the load reads them: whole 16-byte records fill slots 1..10 in order,
// the rest get ("--Player--", 0). A trailing partial record and records past the tenth are
// ignored. LoadHighScores reads the file and hands its bytes here; they become the file as this
// copy last knew it.
void DecodeHighScores(const unsigned char* bytes, std::size_t size);

// Slots 1..10 as the save writes them: 160 bytes.
inline constexpr std::size_t HighScoreFileSize = 160;
void EncodeHighScores(unsigned char (&bytes)[HighScoreFileSize]);

// Selection sort of slots 1..11, best first.
void SortHighScores();

// The file's bytes as they are now, merged into the table: each whole record of the first ten
// that the file did not hold when this copy last read or wrote it (counted with repeats) was
// added by another copy, and enters as a recorded result does, through slot 11 and the sort.
// Slot 11 keeps the player's entry.
void MergeHighScores(const unsigned char* bytes, std::size_t size);

// Under a lock the copies of the game share, merges what other copies added, then writes slots
// 1..10 (160 bytes) to the file a link names: by a new file renamed over the old one, or where
// that cannot keep the file's links, owner, group and mode, into the file itself. The old file
// stays whole if the save fails.
void SaveHighScores();
