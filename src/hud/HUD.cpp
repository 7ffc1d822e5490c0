#include "hud/HUD.h"

void DrawButton(const Button&) {}
bool MouseOverButton(const Button&) { return false; }
