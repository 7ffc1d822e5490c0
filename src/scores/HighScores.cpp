#include "scores/HighScores.h"

HighScoreEntry HighScoreTable[12] = {};
std::string PlayerName;

std::string_view EntryName(const HighScoreEntry& entry) {
    return {entry.Name, entry.NameLength > 10 ? 10u : entry.NameLength};
}
void SetEntryName(HighScoreEntry&, std::string_view) {}
void LoadHighScores() {}
void SortHighScores() {}
void SaveHighScores() {}
