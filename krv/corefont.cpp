// Bitmap fonts: the marker row, loading, spacing and the three text draws.
#include "krv/corefont.h"

#include <cstdarg>
#include <cstdio>

#include "krv/corebitmap_private.h"

s_bitmap krv_fontbmp[KRV_MAXFONTS];
int krv_numfonts = 0;

void KRV_LoadFont(const char* path, s_font* font) {
    // 16 font slots; a seventeenth font is refused and its record left as it was.
    if (krv_numfonts >= KRV_MAXFONTS) {
        printf("KRV_LoadFont - font table full (%d), %s not loaded\n", KRV_MAXFONTS, path);
        return;
    }
    s_bitmap* slot = &krv_fontbmp[krv_numfonts];
    KRV_LoadBitmap(path, slot);
    font->bitmap = slot;
    font->widths[0] = 1;

    // Marker row: column j is a marker when pixel (j, 0) has a non-zero alpha.
    // Letter 1 (the space) starts at column 1; letter k >= 2 at marker k - 1.
    int i = 1, s = 1;
    for (int j = 0; j < slot->width; j++) {
        if (KRV_GetPixel(j, 0, *slot) & 0xFF000000u) {
            font->widths[i] = (unsigned char)(j - s);
            if (i <= 94) i += 1;
            s = j;
        }
    }
    font->widths[i] = (unsigned char)(slot->width - s);
    font->count = i + 1;
    font->height = slot->height - 1;
    font->spacing = 0;
    printf("KRV_LoadFont - Num.Letters: %d\n", font->count);

    int pen = 0;
    for (int k = 0; k < font->count; k++) {
        KRV_GetSprite(pen, 1, font->widths[k], slot->height - 1, *slot, &font->letters[k]);
        pen += font->widths[k];
    }
    krv_numfonts += 1;
    printf("KRV_LoadFont - Font Added (NumFonts: %d)\n", krv_numfonts);
}

void KRV_LoadDarkFont(const char* path, s_font* font) {
    KRV_LoadFont(path, font);
}

void KRV_DeleteFont(s_font* font) {
    (void)font;
}

void KRV_SetFontSpacing(int spacing, s_font* font) {
    font->spacing = spacing;
}

// The letter index of a byte: c - 31 as a signed 8-bit value. Indices above
// 93 are skipped altogether; so are those below 0 (control bytes such as a
// line break or a tab, and bytes 159 to 255): they have no letter, draw
// nothing, do not move the pen and do not count when centring.
static int krv_letterindex(unsigned char c) {
    return (signed char)(unsigned char)(c - 31);
}

static bool krv_hasletter(int letter) {
    return letter >= 0 && letter <= 93;
}

// Width of the text as the centred draws measure it: every letter from 0 to
// 93 with the spacing, the space included.
static int krv_measure(const s_font* font, const char* text) {
    int total = 0;
    for (const unsigned char* p = (const unsigned char*)text; *p; p++) {
        int letter = krv_letterindex(*p);
        if (krv_hasletter(letter)) total += font->widths[letter] + font->spacing;
    }
    return total;
}

// Draws text from pen at row y. spacedspace: whether the space advances by
// its width plus the spacing (the XW draw) or by its width alone.
static void krv_drawletters(const s_font* font, const char* text, int pen, int y, bool spacedspace) {
    for (const unsigned char* p = (const unsigned char*)text; *p; p++) {
        int letter = krv_letterindex(*p);
        if (!krv_hasletter(letter)) continue;
        if (letter >= 1) KRV_DrawSprite(pen, y, font->letters[letter]);
        if (letter == 1 && !spacedspace)
            pen += font->widths[1];
        else
            pen += font->widths[letter] + font->spacing;
    }
}

// Formats into 256 bytes: at most 255 characters, a longer text is cut.
static void krv_format(char (&text)[256], const char* format, va_list args) {
    vsnprintf(text, sizeof(text), format, args);
}

void KRV_DrawText(int x, int y, s_font font, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    krv_format(text, format, args);
    va_end(args);
    krv_drawletters(&font, text, x, y, false);
}

void KRV_DrawCenteredText(int y, s_font font, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    krv_format(text, format, args);
    va_end(args);
    int total = krv_measure(&font, text);
    int pen = (KRV_FrameBuffer->width >> 1) - (total >> 1);
    krv_drawletters(&font, text, pen, y, false);
}

void KRV_DrawCenteredTextXW(int x, int y, int w, s_font font, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    krv_format(text, format, args);
    va_end(args);
    int total = krv_measure(&font, text);
    int pen = x + ((w >> 1) - (total >> 1));
    krv_drawletters(&font, text, pen, y, true);
}
