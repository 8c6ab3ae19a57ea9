// genimages: paints the show's 25 PNG pictures and writes its two bitmap
// fonts into one folder.
//
//   genimages OUTDIR
//
// The output depends on nothing but this program: two runs give the same
// bytes. Prints one line per file; on any failure it says which file and
// ends with status 1.
#include <cstdio>
#include <cstring>

#include "tools/genimages/fonttga.h"
#include "tools/genimages/glyphs.h"
#include "tools/genimages/pictures.h"

namespace {

struct Picture {
    const char* name;
    int w, h;
    bool (*paint)(Canvas*);
};

// In the order the show loads them.
const Picture pictures[] = {
    {"curtain640x16.png", 640, 16, paint_curtain},
    {"kastrel_intro.png", 640, 360, paint_intro},
    {"kastrel_vote.png", 640, 360, paint_vote},
    {"band_sillouette640.png", 640, 360, paint_band},
    {"title2.png", 1024, 256, paint_title},
    {"lumitide1o.png", 1280, 720, paint_lumitide_waves},
    {"lumitide2o2a.png", 1280, 720, paint_lumitide_night},
    {"lumitide2o2b.png", 1280, 720, paint_lumitide_dawn},
    {"lumitide2wt2.png", 1024, 256, paint_lumitide_text},
    {"lumitide512b.png", 512, 512, paint_lumitide_tile},
    {"ko_wtf1.png", 640, 360, paint_ko1},
    {"ko_wtf2.png", 640, 360, paint_ko2},
    {"varu1.png", 256, 256, paint_varu_tissue},
    {"varu2.png", 256, 256, paint_varu_hearts},
    {"credits1.png", 512, 256, paint_credits1},
    {"credits2.png", 512, 256, paint_credits2},
    {"credits3.png", 512, 256, paint_credits3},
    {"credits4.png", 512, 256, paint_credits4},
    {"zeqo1280_2.png", 1280, 720, paint_dancers},
    {"zeqo1280_2a.png", 1280, 720, paint_dancers_cutout},
    {"prolvens2.png", 1280, 720, paint_prolvens_day},
    {"prolvens2b.png", 1280, 720, paint_prolvens_night},
    {"prolvenstext2.png", 1024, 128, paint_prolvens_text},
    {"getmossruny.png", 1024, 128, paint_moss_scroller},
    {"text1024x64y.png", 1024, 64, paint_glint_strip},
};

// The bright font and its darker twin.
const FontStyle heat = {
    {{1.0f, 0.98f, 0.55f}, {1.0f, 0.80f, 0.10f}, {1.0f, 0.45f, 0.02f}, {0.85f, 0.12f, 0.0f}},
    {0.60f, 0.04f, 0.0f},
    {0.22f, 0.02f, 0.0f},
    {1.0f, 1.0f, 0.85f},
};
const FontStyle heat_dark = {
    {{0.80f, 0.52f, 0.10f}, {0.66f, 0.30f, 0.02f}, {0.50f, 0.12f, 0.0f}, {0.36f, 0.04f, 0.0f}},
    {0.24f, 0.01f, 0.0f},
    {0.07f, 0.0f, 0.0f},
    {0.92f, 0.70f, 0.30f},
};

bool join(char* out, size_t size, const char* dir, const char* name) {
    int n = snprintf(out, size, "%s/%s", dir, name);
    if (n < 0 || (size_t)n >= size) {
        printf("genimages: output path too long: %s/%s\n", dir, name);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        printf("usage: genimages OUTDIR\n");
        return 1;
    }
    // Every character the fonts and pictures use must have its glyph.
    for (int c = 33; c <= 126; c++) {
        int first, last;
        if (glyph_span(c, &first, &last) == 0) {
            printf("genimages: no glyph for character %d\n", c);
            return 1;
        }
    }
    char path[4096];
    for (const Picture& p : pictures) {
        Canvas c;
        if (!join(path, sizeof path, argv[1], p.name) || !canvas_new(&c, p.w, p.h)) return 1;
        bool ok = p.paint(&c) && canvas_save_png(&c, path);
        canvas_free(&c);
        if (!ok) {
            printf("genimages: %s failed\n", p.name);
            return 1;
        }
        printf("%s %dx%d\n", p.name, p.w, p.h);
    }
    if (!join(path, sizeof path, argv[1], "font_heat.tga") || !write_font_tga(path, &heat)) return 1;
    printf("font_heat.tga\n");
    if (!join(path, sizeof path, argv[1], "font_heat2.tga") || !write_font_tga(path, &heat_dark)) return 1;
    printf("font_heat2.tga\n");
    return 0;
}
