#include "game/Game.h"

void UpdateGame() {}
