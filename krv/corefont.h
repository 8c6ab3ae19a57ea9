// Bitmap fonts: one TGA image whose top row marks where each letter begins;
// loading cuts one sprite per letter, and the text calls draw formatted text
// letter by letter, at a position or centred.
#pragma once

#include "krv/corebitmap.h"
#include "krv/coresprite.h"

struct s_font {
    s_sprite letters[96];        // letter k is drawn for the character code k + 31
    unsigned char widths[96];    // advance of each letter; widths[0] = 1
    int height;                  // glyph height: the image's height - 1
    int count;                   // letters found, 2 to 96
    int spacing;                 // extra advance after letters
    s_bitmap* bitmap;            // the font image's slot in krv_fontbmp
};

#define KRV_MAXFONTS 16
extern s_bitmap krv_fontbmp[KRV_MAXFONTS];
extern int krv_numfonts;

void KRV_LoadFont(const char* path, s_font* font);
void KRV_LoadDarkFont(const char* path, s_font* font);
void KRV_DeleteFont(s_font* font);
void KRV_SetFontSpacing(int spacing, s_font* font);
void KRV_DrawText(int x, int y, s_font font, const char* format, ...) __attribute__((format(printf, 4, 5)));
void KRV_DrawCenteredText(int y, s_font font, const char* format, ...) __attribute__((format(printf, 3, 4)));
void KRV_DrawCenteredTextXW(int x, int y, int w, s_font font, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
