// Font image layout (each glyph cell is FONT_SCALE pixels square):
//   column 0        letter 0 (code 31), one blank pixel
//   columns 1..12   the space
//   then the letters for codes 33 to 126, each glyph with a one-pixel border
//   and one blank column; a marker pixel in row 0 over each letter's first
//   column, 94 in all, so a reader finds 96 letters.
//   row 0           markers (opaque white) on magenta
//   rows 1..29      glyph rows: border, 27 rows of glyph, border
#include "tools/genimages/fonttga.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/genimages/glyphs.h"

namespace {

const int kPad = 1;                                  // border pixels around a glyph
const int kGlyphH = GLYPH_ROWS * FONT_SCALE;         // 27
const int kHeight = 1 + kPad + kGlyphH + kPad;       // 30
const int kSpaceW = 3 * FONT_SCALE + 2 * kPad + 1;   // 12

int letter_width(int code) {
    int first, last;
    int w = glyph_span(code, &first, &last);
    return w * FONT_SCALE + 2 * kPad + 1;
}

void put(unsigned char* px, int width, int x, int y, Rgb c, int a) {
    unsigned char* p = px + ((size_t)y * width + x) * 4;
    float v[3] = {c.r, c.g, c.b};
    for (int i = 0; i < 3; i++) {
        float f = v[i] < 0.0f ? 0.0f : (v[i] > 1.0f ? 1.0f : v[i]);
        p[2 - i] = (unsigned char)(f * 255.0f + 0.5f);  // stored blue, green, red
    }
    p[3] = (unsigned char)a;
}

}  // namespace

bool write_font_tga(const char* path, const FontStyle* st) {
    int width = 1 + kSpaceW;
    for (int c = 33; c <= 126; c++) width += letter_width(c);
    if (width > 65535) {
        printf("genimages: font %s would be %d pixels wide, more than a TGA holds\n", path, width);
        return false;
    }
    size_t bytes = (size_t)width * kHeight * 4;
    unsigned char* px = (unsigned char*)malloc(bytes);
    unsigned char* glyph = (unsigned char*)calloc((size_t)width * kHeight, 1);
    Mask cut = {0, 0, nullptr};
    if (!px || !glyph || !mask_new(&cut, width, kHeight)) {
        printf("genimages: out of memory for font %s\n", path);
        free(px);
        free(glyph);
        mask_free(&cut);
        return false;
    }
    for (size_t i = 0; i < bytes; i += 4) {
        px[i + 0] = 255;  // blue
        px[i + 1] = 0;    // green
        px[i + 2] = 255;  // red
        px[i + 3] = 0;    // alpha
    }

    // Glyph pixels first, then markers, shading and borders.
    int x0 = 1 + kSpaceW;
    for (int c = 33; c <= 126; c++) {
        int first, last;
        int w = glyph_span(c, &first, &last);
        put(px, width, x0, 0, rgb(1, 1, 1), 255);
        // The same smoothed glyph shapes as the pictures' text, cut hard at
        // half coverage: the text draws test alpha and do not blend.
        char one[2] = {(char)c, 0};
        mask_text(&cut, one, (float)(x0 + kPad), (float)(1 + kPad), (float)FONT_SCALE);
        for (int gy = 0; gy < kGlyphH; gy++)
            for (int gx = 0; gx < w * FONT_SCALE; gx++) {
                int x = x0 + kPad + gx, y = 1 + kPad + gy;
                if (mask_get(&cut, x, y) >= 0.5f) glyph[(size_t)y * width + x] = 1;
            }
        x0 += letter_width(c);
    }
    for (int y = 1; y < kHeight; y++)
        for (int x = 0; x < width; x++) {
            if (!glyph[(size_t)y * width + x]) continue;
            int gy = y - 1 - kPad;
            Rgb col;
            if (gy < 7 * FONT_SCALE)
                col = ramp(st->heat, 4, (float)gy / (float)(7 * FONT_SCALE - 1));
            else
                col = st->descent;
            if (!glyph[(size_t)(y - 1) * width + x])
                col = mix(col, st->highlight, 0.6f);  // lit from above
            else if (y + 1 < kHeight && !glyph[(size_t)(y + 1) * width + x])
                col = scale(col, 0.75f);
            put(px, width, x, y, col, 255);
        }
    for (int y = 1; y < kHeight; y++)
        for (int x = 0; x < width; x++) {
            if (glyph[(size_t)y * width + x]) continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; dy++)
                for (int dx = -1; dx <= 1 && !near; dx++) {
                    int nx = x + dx, ny = y + dy;
                    if (nx >= 0 && nx < width && ny >= 1 && ny < kHeight)
                        near = glyph[(size_t)ny * width + nx] != 0;
                }
            if (near) put(px, width, x, y, st->outline, 255);
        }

    // 18-byte header: no image ID, no colour map, uncompressed true colour,
    // 32 bits per pixel, rows stored top first (descriptor bit 5) with
    // 8 alpha bits.
    unsigned char head[18];
    memset(head, 0, sizeof head);
    head[2] = 2;
    head[12] = (unsigned char)(width & 255);
    head[13] = (unsigned char)(width >> 8);
    head[14] = (unsigned char)(kHeight & 255);
    head[15] = (unsigned char)(kHeight >> 8);
    head[16] = 32;
    head[17] = 0x28;
    FILE* f = fopen(path, "wb");
    bool ok = f && fwrite(head, 1, sizeof head, f) == sizeof head && fwrite(px, 1, bytes, f) == bytes;
    if (f && fclose(f) != 0) ok = false;
    if (!ok) printf("genimages: cannot write %s\n", path);
    free(px);
    free(glyph);
    mask_free(&cut);
    return ok;
}
