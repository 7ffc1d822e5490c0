// GlyphDraws.h - the game's glyph draws, counted and, for a comparison only, left out.
#pragma once

// Glyph draws (display lists called: one per character and pass) since the last call.
long TakeGlyphDraws();

// While on, the lists are not called: the frame without its text, to tell the text's share
// of a frame from everything else. Never the game's drawing.
void SkipGlyphDraws(bool on);
