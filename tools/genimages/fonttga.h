// The show's two bitmap fonts as TGA files in the form the font loader cuts:
// the top row marks where each letter starts, the rows below hold the
// glyphs, and the background is magenta with alpha 0, so it ends up
// transparent whether a reader keys the colour or reads the alpha.
#pragma once

#include "tools/genimages/paint.h"

struct FontStyle {
    Rgb heat[4];   // glyph colour from the top of the capitals down to the baseline
    Rgb descent;   // colour of the rows under the baseline
    Rgb outline;   // one-pixel border around every glyph
    Rgb highlight; // top edges of the strokes
};

enum { FONT_SCALE = 3, FONT_LETTERS = 96 };

// Writes the font; prints a message and returns false on failure.
bool write_font_tga(const char* path, const FontStyle* style);
