// The image generator: every picture of the show under its name and size,
// none a flat colour, letters in the text pictures, seamless repeats where
// the show repeats a picture, the two fonts in the TGA form the font loader
// cuts (marker row, 96 letters, magenta background), and the same bytes on
// every run. Pictures are decoded with lodepng; the fonts are read here byte
// by byte, independent of the framework's loader.
#include <lodepng.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/support/testsupport.h"

namespace {

enum Kind {
    kOpaque,   // a picture that fills every pixel
    kOverlay,  // shapes or light on a transparent background
    kText,     // letters on a transparent background
};

struct Expect {
    const char* name;
    unsigned w, h;
    Kind kind;
    int min_letters;    // text: the letter parts of its lines (i and j have two)
    bool repeats_x;     // drawn with repeat wrapping: must tile seamlessly
    bool repeats_y;
};

const Expect kPictures[] = {
    {"curtain640x16.png", 640, 16, kOpaque, 0, true, false},
    {"kastrel_intro.png", 640, 360, kText, 36, false, false},
    {"kastrel_vote.png", 640, 360, kText, 42, false, false},
    {"band_sillouette640.png", 640, 360, kOverlay, 0, false, false},
    {"title2.png", 1024, 256, kText, 14, false, false},
    {"lumitide1o.png", 1280, 720, kOverlay, 0, false, false},
    {"lumitide2o2a.png", 1280, 720, kOpaque, 0, false, false},
    {"lumitide2o2b.png", 1280, 720, kOpaque, 0, false, false},
    {"lumitide2wt2.png", 1024, 256, kText, 30, false, false},
    {"lumitide512b.png", 512, 512, kOpaque, 0, true, true},
    {"ko_wtf1.png", 640, 360, kOverlay, 0, false, false},
    {"ko_wtf2.png", 640, 360, kOverlay, 0, false, false},
    {"varu1.png", 256, 256, kOpaque, 0, true, true},
    {"varu2.png", 256, 256, kOpaque, 0, true, true},
    {"credits1.png", 512, 256, kText, 18, false, false},
    {"credits2.png", 512, 256, kText, 16, false, false},
    {"credits3.png", 512, 256, kText, 23, false, false},
    {"credits4.png", 512, 256, kText, 34, false, false},
    {"zeqo1280_2.png", 1280, 720, kOpaque, 0, false, false},
    {"zeqo1280_2a.png", 1280, 720, kOverlay, 0, false, false},
    {"prolvens2.png", 1280, 720, kOpaque, 0, false, false},
    {"prolvens2b.png", 1280, 720, kOpaque, 0, false, false},
    {"prolvenstext2.png", 1024, 128, kText, 21, false, false},
    {"getmossruny.png", 1024, 128, kText, 22, true, false},
    {"text1024x64y.png", 1024, 64, kText, 34, false, false},
};

const char* const kFonts[] = {"font_heat.tga", "font_heat2.tga"};

struct Image {
    unsigned w = 0, h = 0;
    std::vector<uint8_t> rgba;  // rows top first
    const uint8_t* at(unsigned x, unsigned y) const { return &rgba[((size_t)y * w + x) * 4]; }
};

bool DecodePng(const std::string& path, Image* img) {
    unsigned char* out = nullptr;
    unsigned err = lodepng_decode32_file(&out, &img->w, &img->h, path.c_str());
    if (err) return false;
    img->rgba.assign(out, out + (size_t)img->w * img->h * 4);
    free(out);
    return true;
}

std::string Generate(const std::string& dir) {
    kt::MakeDirs(dir);
    std::string out;
    int status = kt::RunCommand(std::string(GENIMAGES_PATH) + " " + dir, &out);
    EXPECT_EQ(status, 0) << out;
    return out;
}

// 4-connected groups of fully opaque pixels: the letter cores. Glow and
// shadow stay below full opacity, so neighbouring letters stay apart.
int OpaqueParts(const Image& img) {
    std::vector<uint8_t> seen(img.w * img.h, 0);
    int parts = 0;
    std::vector<unsigned> stack;
    for (unsigned i = 0; i < img.w * img.h; i++) {
        if (seen[i] || img.rgba[i * 4 + 3] != 255) continue;
        parts++;
        stack.push_back(i);
        seen[i] = 1;
        while (!stack.empty()) {
            unsigned p = stack.back();
            stack.pop_back();
            unsigned x = p % img.w, y = p / img.w;
            unsigned n[4] = {p - 1, p + 1, p - img.w, p + img.w};
            bool ok[4] = {x > 0, x + 1 < img.w, y > 0, y + 1 < img.h};
            for (int k = 0; k < 4; k++)
                if (ok[k] && !seen[n[k]] && img.rgba[n[k] * 4 + 3] == 255) {
                    seen[n[k]] = 1;
                    stack.push_back(n[k]);
                }
        }
    }
    return parts;
}

double PixelDiff(const uint8_t* a, const uint8_t* b) {
    double d = 0;
    for (int c = 0; c < 4; c++) d += std::abs((int)a[c] - (int)b[c]);
    return d;
}

// Mean difference across the seam (last column against the first) and the
// mean difference between neighbouring columns inside the picture.
void SeamX(const Image& img, double* seam, double* inner) {
    double s = 0, in = 0;
    for (unsigned y = 0; y < img.h; y++) {
        s += PixelDiff(img.at(img.w - 1, y), img.at(0, y));
        for (unsigned x = 0; x + 1 < img.w; x++) in += PixelDiff(img.at(x, y), img.at(x + 1, y));
    }
    *seam = s / img.h;
    *inner = in / ((double)img.h * (img.w - 1));
}

Image Transposed(const Image& img) {
    Image t;
    t.w = img.h;
    t.h = img.w;
    t.rgba.resize(img.rgba.size());
    for (unsigned y = 0; y < img.h; y++)
        for (unsigned x = 0; x < img.w; x++)
            for (int c = 0; c < 4; c++) t.rgba[((size_t)x * t.w + y) * 4 + c] = img.at(x, y)[c];
    return t;
}

class GenImages : public kt::ScratchTest {};

TEST_F(GenImages, EveryPictureHasItsNameAndSizeAndIsNotFlat) {
    Generate("out");
    for (const Expect& e : kPictures) {
        SCOPED_TRACE(e.name);
        Image img;
        ASSERT_TRUE(DecodePng(std::string("out/") + e.name, &img));
        EXPECT_EQ(img.w, e.w);
        EXPECT_EQ(img.h, e.h);
        std::set<uint32_t> colours;
        unsigned transparent = 0, opaque = 0;
        for (size_t i = 0; i < img.rgba.size(); i += 4) {
            const uint8_t* p = &img.rgba[i];
            if (p[3] == 0) {
                transparent++;
                continue;  // the colour of an invisible pixel does not count
            }
            if (p[3] == 255) opaque++;
            colours.insert((uint32_t)p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24);
        }
        EXPECT_GE(colours.size(), 64u) << "too few visible colours";
        unsigned total = img.w * img.h;
        if (e.kind == kOpaque) {
            EXPECT_EQ(opaque, total) << "a background picture must cover every pixel";
        } else {
            EXPECT_GT(transparent, total / 4) << "an overlay needs a transparent background";
            EXPECT_GT(total - transparent, total / 100) << "an overlay needs something on it";
        }
    }
}

TEST_F(GenImages, TextPicturesHoldWholeLetters) {
    Generate("out");
    for (const Expect& e : kPictures) {
        if (e.kind != kText) continue;
        SCOPED_TRACE(e.name);
        Image img;
        ASSERT_TRUE(DecodePng(std::string("out/") + e.name, &img));
        EXPECT_GE(OpaqueParts(img), e.min_letters);
        // The corners are background: fully transparent.
        EXPECT_EQ(img.at(0, 0)[3], 0);
        EXPECT_EQ(img.at(img.w - 1, img.h - 1)[3], 0);
        // No letter is cut by the edge (a scroller may run over the sides).
        for (unsigned x = 0; x < img.w; x++) {
            ASSERT_LT(img.at(x, 0)[3], 255) << "letter cut at the top, x " << x;
            ASSERT_LT(img.at(x, img.h - 1)[3], 255) << "letter cut at the bottom, x " << x;
        }
        if (!e.repeats_x)
            for (unsigned y = 0; y < img.h; y++) {
                ASSERT_LT(img.at(0, y)[3], 255) << "letter cut at the left, y " << y;
                ASSERT_LT(img.at(img.w - 1, y)[3], 255) << "letter cut at the right, y " << y;
            }
    }
}

TEST_F(GenImages, RepeatedPicturesTileWithoutASeam) {
    Generate("out");
    for (const Expect& e : kPictures) {
        if (!e.repeats_x && !e.repeats_y) continue;
        SCOPED_TRACE(e.name);
        Image img;
        ASSERT_TRUE(DecodePng(std::string("out/") + e.name, &img));
        double seam, inner;
        if (e.repeats_x) {
            SeamX(img, &seam, &inner);
            EXPECT_LE(seam, 1.5 * inner + 2.0) << "seam " << seam << " against " << inner;
        }
        if (e.repeats_y) {
            SeamX(Transposed(img), &seam, &inner);
            EXPECT_LE(seam, 1.5 * inner + 2.0) << "seam " << seam << " against " << inner;
        }
    }
}

// ------------------------------------------------------------------ fonts

struct Tga {
    std::string bytes;
    unsigned w = 0, h = 0, depth = 0, type = 0, desc = 0;
    Image img;  // decoded, row 0 the top, colour-keyed as the loader keys it
};

uint8_t Byte(const std::string& s, size_t i) { return (uint8_t)s[i]; }

// Reads an uncompressed true-colour TGA of 24 or 32 bits as the loader
// does: origin from descriptor bits 4 and 5, and near-magenta keyed to
// transparent black.
bool ReadTga(const std::string& path, Tga* t) {
    t->bytes = kt::ReadFile(path);
    const std::string& b = t->bytes;
    if (b.size() < 18) return false;
    t->type = Byte(b, 2);
    t->w = Byte(b, 12) | Byte(b, 13) << 8;
    t->h = Byte(b, 14) | Byte(b, 15) << 8;
    t->depth = Byte(b, 16);
    t->desc = Byte(b, 17);
    if (Byte(b, 1) != 0 || t->type != 2 || (t->depth != 24 && t->depth != 32)) return false;
    size_t bpp = t->depth / 8, start = 18 + Byte(b, 0);
    if (b.size() < start + (size_t)t->w * t->h * bpp) return false;
    t->img.w = t->w;
    t->img.h = t->h;
    t->img.rgba.assign((size_t)t->w * t->h * 4, 0);
    for (unsigned n = 0; n < t->w * t->h; n++) {
        unsigned c = n % t->w, r = n / t->w;
        unsigned x = (t->desc & 0x10) ? t->w - 1 - c : c;
        unsigned y = (t->desc & 0x20) ? r : t->h - 1 - r;
        const unsigned char* p = (const unsigned char*)b.data() + start + n * bpp;
        uint8_t blue = p[0], green = p[1], red = p[2], alpha = bpp == 4 ? p[3] : 255;
        if (red > 240 && green < 16 && blue > 240) red = green = blue = alpha = 0;
        uint8_t* d = &t->img.rgba[((size_t)y * t->w + x) * 4];
        d[0] = red, d[1] = green, d[2] = blue, d[3] = alpha;
    }
    return true;
}

// The font loader's scan of the marker row: letter 0 is column 0, the
// space runs up to the first marker, each marker starts the next letter.
int ScanLetters(const Image& img, uint8_t widths[96]) {
    int i = 1, s = 1;
    widths[0] = 1;
    for (unsigned j = 0; j < img.w; j++)
        if (img.at(j, 0)[3] != 0) {
            widths[i] = (uint8_t)(j - s);
            if (i <= 94) i++;
            s = (int)j;
        }
    widths[i] = (uint8_t)(img.w - s);
    return i + 1;
}

TEST_F(GenImages, FontsAreTgaFilesTheFontLoaderCuts) {
    Generate("out");
    for (const char* name : kFonts) {
        SCOPED_TRACE(name);
        Tga t;
        ASSERT_TRUE(ReadTga(std::string("out/") + name, &t)) << "not an uncompressed true-colour TGA";
        EXPECT_EQ(Byte(t.bytes, 0), 0) << "no image ID";
        EXPECT_EQ(t.depth, 32u);
        EXPECT_EQ(t.desc & 0x20, 0x20) << "rows stored top first";
        EXPECT_EQ(t.bytes.size(), 18 + (size_t)t.w * t.h * 4) << "nothing after the pixels";
        EXPECT_EQ(t.h, 30u);

        int markers = 0;
        for (unsigned x = 0; x < t.w; x++) markers += t.img.at(x, 0)[3] != 0;
        EXPECT_EQ(markers, 94);
        EXPECT_EQ(t.img.at(0, 0)[3], 0) << "column 0 carries no marker";
        uint8_t widths[96] = {};
        EXPECT_EQ(ScanLetters(t.img, widths), 96);

        // Every pixel is either keyed away or opaque: the text draws test
        // alpha, so nothing in between may be left.
        for (size_t i = 3; i < t.img.rgba.size(); i += 4)
            ASSERT_TRUE(t.img.rgba[i] == 0 || t.img.rgba[i] == 255) << "pixel " << i / 4;

        // Letters 0 and 1 (the space) are blank; letters 2 to 95 (codes 33
        // to 126) each hold a glyph inside their own columns, the border
        // column between letters stays blank.
        unsigned pen = 0;
        for (int k = 0; k < 96; k++) {
            SCOPED_TRACE("letter " + std::to_string(k));
            ASSERT_GT(widths[k], 0);
            int ink = 0;
            for (unsigned y = 1; y < t.h; y++)
                for (unsigned x = pen; x < pen + widths[k]; x++) ink += t.img.at(x, y)[3] != 0;
            if (k < 2) {
                EXPECT_EQ(ink, 0);
            } else {
                EXPECT_GT(ink, 10);
                for (unsigned y = 1; y < t.h; y++) EXPECT_EQ(t.img.at(pen + widths[k] - 1, y)[3], 0);
            }
            pen += widths[k];
        }
        EXPECT_EQ(pen, t.w);
    }
}

struct Heat {
    double top_green = 0, bottom_green = 0, light = 0;
};

// Mean green of the glyph pixels in the top and bottom thirds of the
// capitals (yellow above, red below) and mean lightness overall.
Heat Measure(const Image& img) {
    Heat h;
    double nt = 0, nb = 0, n = 0;
    for (unsigned y = 1; y < img.h; y++)
        for (unsigned x = 0; x < img.w; x++) {
            const uint8_t* p = img.at(x, y);
            if (p[3] == 0) continue;
            h.light += p[0] + p[1] + p[2];
            n++;
            if (y >= 3 && y < 10) h.top_green += p[1], nt++;
            if (y >= 16 && y < 23) h.bottom_green += p[1], nb++;
        }
    h.light /= n;
    h.top_green /= nt;
    h.bottom_green /= nb;
    return h;
}

TEST_F(GenImages, FontsGlowFromYellowToRedAndTheSecondIsDarker) {
    Generate("out");
    Tga bright, dark;
    ASSERT_TRUE(ReadTga("out/font_heat.tga", &bright));
    ASSERT_TRUE(ReadTga("out/font_heat2.tga", &dark));
    Heat b = Measure(bright.img), d = Measure(dark.img);
    EXPECT_GT(b.top_green, b.bottom_green + 60) << "yellow on top, red below";
    EXPECT_GT(d.top_green, d.bottom_green + 30);
    EXPECT_LT(d.light, b.light * 0.75);
    // Both fonts cut the same letters at the same places.
    uint8_t wb[96], wd[96];
    ScanLetters(bright.img, wb);
    ScanLetters(dark.img, wd);
    EXPECT_EQ(std::string((char*)wb, 96), std::string((char*)wd, 96));
}

TEST_F(GenImages, TwoRunsAndTheBuildGiveTheSameBytes) {
    Generate("a");
    Generate("b");
    std::vector<std::string> names;
    for (const Expect& e : kPictures) names.push_back(e.name);
    for (const char* f : kFonts) names.push_back(f);
    std::string built = std::string(KASTREL_BINARY_DIR) + "/content/";
    for (const std::string& n : names) {
        SCOPED_TRACE(n);
        std::string a = kt::ReadFile("a/" + n);
        ASSERT_FALSE(a.empty());
        EXPECT_TRUE(a == kt::ReadFile("b/" + n));
        EXPECT_TRUE(a == kt::ReadFile(built + n)) << "the build's copy differs";
    }
}

TEST_F(GenImages, BadCommandLinesAreRefusedWithAMessage) {
    std::string out;
    EXPECT_EQ(kt::RunCommand(GENIMAGES_PATH, &out), 1);
    EXPECT_EQ(out, "usage: genimages OUTDIR\n");
    EXPECT_EQ(kt::RunCommand(std::string(GENIMAGES_PATH) + " no/such/folder", &out), 1);
    EXPECT_NE(out.find("cannot write no/such/folder/curtain640x16.png"), std::string::npos) << out;
}

}  // namespace
