// RunGame.h - the game from window creation to teardown.
#pragma once

// Runs the game; true when InitGame ran, so the entry knows to save the table.
bool RunGame();
