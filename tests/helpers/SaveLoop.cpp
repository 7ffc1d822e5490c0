// Saves the high-score table over and over with the game's own SaveHighScores, switching
// between two tables, until it is killed. The crash test kills it at random moments.
#include "scores/HighScores.h"

#include <unistd.h>

namespace {
// Table A: ten "old" entries; table B: ten "new" ones. Both as the game fills its slots.
void Fill(bool newTable) {
    for (int slot = 1; slot <= 11; ++slot) {
        HighScoreTable[slot] = {};
        SetEntryName(HighScoreTable[slot], newTable ? "new" : "old");
        HighScoreTable[slot].Points = (newTable ? 2000 : 1000) - slot;
    }
}
} // namespace

int main() {
    // As the game does: the save merges in what the file gained since this load.
    LoadHighScores();
    // One byte on standard output: the test starts its clock from here.
    if (write(STDOUT_FILENO, "r", 1) != 1) return 2;
    // The first save writes the table the file does not hold, so every kill after it shows,
    // however long a save takes on a busy machine.
    for (bool newTable = EntryName(HighScoreTable[1]) != "new";; newTable = !newTable) {
        Fill(newTable);
        SaveHighScores();
    }
}
