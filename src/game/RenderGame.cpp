#include "game/Game.h"

void RenderGame() {}
void DrawGameHud() {}
void DrawHighScoreList() {}
