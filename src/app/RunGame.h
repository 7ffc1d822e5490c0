// RunGame.h - the game from window creation to teardown.
#pragma once

// Runs the game; true when InitGame ran, so the entry knows to save the table.
bool RunGame();

// Runs body and turns a failure that nothing handled (a file operation, exhausted memory) into
// its report; the process's exit code.
int RunGuarded(void (*body)());

// Ends the run at once, in the order of a normal end (font lists, window, table), and exits
// with its code: for a session that ends when the window procedure returns.
[[noreturn]] void EndRunNow();

// Saves the table now, for a session that may end without another word; a failure ends the run
// as at its end, with its report.
void SaveForSessionEnd();
