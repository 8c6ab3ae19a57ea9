// The bitmap glyph table behind every letter the show prints: one glyph of
// 5 by 9 cells for each character from the space (32) to the tilde (126).
// Rows 0 to 6 hold capitals and digits (the baseline lies under row 6);
// rows 7 and 8 hold descenders.
#pragma once

enum { GLYPH_COLS = 5, GLYPH_ROWS = 9, GLYPH_FIRST = 32, GLYPH_LAST = 126 };

// 1 when cell (col, row) of character c is set; 0 outside the glyph or for
// characters without a glyph.
int glyph_cell(int c, int col, int row);

// The glyph's used columns: *first and *last (inclusive). Returns the width
// in cells, 0 for a blank glyph (the space) or a character without a glyph.
int glyph_span(int c, int* first, int* last);

// Advance of a character in cells: its width and one blank cell; the space
// advances by 3 cells.
int glyph_advance(int c);
