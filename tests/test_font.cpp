// Bitmap fonts without GL: the marker row, the cut letters, the printed
// lines, the font table and its limit, and where the text draws put each
// letter (the quads asked of the video core). test_font_gl.cpp checks where
// letters land in a real framebuffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "krv/corefont.h"
#include "krv/krv_report.h"
#include "tests/images/fakevideo.h"
#include "tests/images/tgasupport.h"
#include "tests/support/testsupport.h"

namespace {

// A 32-bit top-left font image: opaque markers in row 0 at the given
// columns, glyph rows opaque grey, everything else transparent.
std::string FontTga(int width, int height, const std::vector<int>& markers) {
    tga::Header h;
    h.width = (uint16_t)width, h.height = (uint16_t)height, h.depth = 32, h.descriptor = 0x20;
    std::string px((size_t)width * height * 4, '\0');
    for (int m : markers) px[(size_t)m * 4 + 3] = (char)0xFF;
    for (int y = 1; y < height; y++)
        for (int x = 0; x < width; x++) {
            size_t i = ((size_t)y * width + x) * 4;
            px[i] = px[i + 1] = px[i + 2] = (char)0x80;
            px[i + 3] = (char)0xFF;
        }
    return tga::File(h, px);
}

std::vector<int> Range(int from, int to) {  // from .. to - 1
    std::vector<int> v;
    for (int i = from; i < to; i++) v.push_back(i);
    return v;
}

class FontTest : public kt::ScratchTest {
protected:
    void SetUp() override {
        kt::ScratchTest::SetUp();
        fv::Reset();
        tga::ForgetImages();
        fv::SetFrameBufferWidth(640);
    }
};

// ---------------------------------------------------------------------------
// The marker row.

struct MarkerCase {
    const char* name;
    int width;
    std::vector<int> markers;
    int count;
    std::vector<int> widths;  // of letters 0 .. count - 1
    std::vector<int> starts;  // first column of each letter
};

void PrintTo(const MarkerCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<int> Ones(int n) {
    return std::vector<int>(n, 1);
}

std::vector<MarkerCase> MarkerCases() {
    std::vector<MarkerCase> c;
    c.push_back({"markers_at_5_and_9", 100, {5, 9}, 4, {1, 4, 4, 91}, {0, 1, 5, 9}});
    c.push_back({"no_marker", 100, {}, 2, {1, 99}, {0, 1}});
    {
        // 94 markers at columns 2 to 95: letters 0 to 94 one column each, the
        // last from column 95 to the right edge.
        std::vector<int> w = Ones(95);
        w.push_back(5);
        c.push_back({"94_markers", 100, Range(2, 96), 96, w, Range(0, 96)});
    }
    {
        // 100 markers at columns 2 to 101: still 96 letters; letter 95 starts
        // at the 94th marker and is as wide as last marker to right edge.
        std::vector<int> w = Ones(95);
        w.push_back(120 - 101);
        c.push_back({"100_markers", 120, Range(2, 102), 96, w, Range(0, 96)});
    }
    {
        std::vector<int> w = Ones(95);
        w.push_back(120 - 96);
        c.push_back({"95_markers", 120, Range(2, 97), 96, w, Range(0, 96)});
    }
    // A marker in column 0: the space is 255 wide, later letters cut 256
    // columns to the right of their markers.
    c.push_back({"marker_in_column_0", 50, {0, 10, 20}, 5, {1, 255, 10, 10, 30}, {0, 1, 256, 266, 276}});
    return c;
}

class FontMarkerTest : public FontTest, public ::testing::WithParamInterface<MarkerCase> {};

TEST_P(FontMarkerTest, FindsAndCutsTheLetters) {
    const MarkerCase& c = GetParam();
    const int height = 6;
    tga::Mount({{"f.tga", FontTga(c.width, height, c.markers)}});
    static s_font font;
    font = s_font{};
    std::string printed = kt::Captured([&] { KRV_LoadFont("f.tga", &font); });
    EXPECT_EQ(printed, "Loading TGA image.found file at offset: 29\nwidth: " + std::to_string(c.width) +
                           ", height: 6, bpp: 32\nKRV_LoadFont - Num.Letters: " + std::to_string(c.count) +
                           "\nKRV_LoadFont - Font Added (NumFonts: 1)\n");
    ASSERT_EQ(font.count, c.count);
    EXPECT_EQ(font.height, height - 1);
    EXPECT_EQ(font.spacing, 0);
    EXPECT_EQ(font.bitmap, &krv_fontbmp[0]);
    EXPECT_EQ(krv_numfonts, 1);
    EXPECT_EQ(krv_numsprites, c.count);
    for (int k = 0; k < c.count; k++) {
        SCOPED_TRACE("letter " + std::to_string(k));
        const s_sprite& s = font.letters[k];
        EXPECT_EQ(font.widths[k], c.widths[k]);
        EXPECT_EQ(s.width, c.widths[k]);
        EXPECT_EQ(s.height, height - 1);
        EXPECT_EQ(s.tu0, (float)c.starts[k] / (float)c.width);
        EXPECT_EQ(s.tu1, (float)(c.starts[k] + c.widths[k]) / (float)c.width);
        EXPECT_EQ(s.tv0, 1.0f / height);
        EXPECT_EQ(s.tv1, 1.0f);
        EXPECT_EQ(s.textureid, krv_fontbmp[0].textureid);
        EXPECT_EQ(krv_spritelist[k], &font.letters[k]);
    }
}

INSTANTIATE_TEST_SUITE_P(MarkerRows, FontMarkerTest, ::testing::ValuesIn(MarkerCases()),
                         [](const ::testing::TestParamInfo<MarkerCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(FontTest, MissingImageStillAddsAFontOfTwoLetters) {
    tga::Mount({});
    static s_font font;
    std::string printed = kt::Captured([&] { KRV_LoadFont("font_gone.tga", &font); });
    EXPECT_EQ(printed,
              "Loading TGA image.couldn't find file: font_gone.tga\n- ERROR: Image font_gone.tga not loaded.\n"
              "KRV_LoadFont - Num.Letters: 2\nKRV_LoadFont - Font Added (NumFonts: 1)\n");
    EXPECT_EQ(font.count, 2);
    EXPECT_EQ(font.widths[0], 1);
    EXPECT_EQ(font.widths[1], 255);
    EXPECT_EQ(font.height, -1);
    EXPECT_EQ(font.letters[1].width, 255);
    EXPECT_EQ(font.letters[1].tu0, 0.0f) << "a texture of size 0 gives coordinates 0";
    EXPECT_EQ(krv_numfonts, 1);
    EXPECT_EQ(krv_numsprites, 2);
}

TEST_F(FontTest, FontsTakeSlotsInOrderAndTheTableOf16IsGuarded) {
    tga::Mount({{"f.tga", FontTga(20, 3, {4, 8})}});
    static s_font fonts[17];
    for (int i = 0; i < 16; i++) {
        std::string printed = kt::Captured([&] {
            if (i % 2)
                KRV_LoadDarkFont("f.tga", &fonts[i]);
            else
                KRV_LoadFont("f.tga", &fonts[i]);
        });
        EXPECT_NE(printed.find("KRV_LoadFont - Font Added (NumFonts: " + std::to_string(i + 1) + ")\n"),
                  std::string::npos);
        EXPECT_EQ(fonts[i].bitmap, &krv_fontbmp[i]);
        EXPECT_EQ(fonts[i].count, 4);
    }
    fonts[16].count = 1234;
    std::string printed = kt::Captured([&] { KRV_LoadFont("f.tga", &fonts[16]); });
    EXPECT_EQ(printed, "KRV_LoadFont - font table full (16), f.tga not loaded\n");
    EXPECT_EQ(fonts[16].count, 1234) << "the record is left as it was";
    EXPECT_EQ(krv_numfonts, 16);

    // The flush empties the font count: the next font reuses slot 0.
    kt::Captured([] { KRV_FlushGraphics(); });
    EXPECT_EQ(krv_numfonts, 0);
    kt::Captured([&] { KRV_LoadFont("f.tga", &fonts[16]); });
    EXPECT_EQ(fonts[16].bitmap, &krv_fontbmp[0]);
}

TEST_F(FontTest, SpacingTakesTheValueFirstAndDeleteDoesNothing) {
    static s_font font;
    KRV_SetFontSpacing(7, &font);
    EXPECT_EQ(font.spacing, 7);
    s_font copy = font;
    KRV_DeleteFont(&font);
    EXPECT_EQ(memcmp(&copy, &font, sizeof font), 0);
}

// ---------------------------------------------------------------------------
// Text layout. The test font gives letter k (k >= 1) the width 1 + k % 4
// (the space, letter 1, is 2 wide), so every letter is told by its place.

int LetterWidth(int k) {
    return k == 0 ? 1 : 1 + k % 4;
}

int LetterStart(int k) {
    int start = 0;
    for (int i = 0; i < k; i++) start += LetterWidth(i);
    return start;
}

class TextTest : public FontTest {
protected:
    void SetUp() override {
        FontTest::SetUp();
        std::vector<int> markers;
        for (int k = 2; k <= 95; k++) markers.push_back(LetterStart(k));
        width_ = LetterStart(96);
        tga::Mount({{"t.tga", FontTga(width_, 9, markers)}});
        font_ = s_font{};
        kt::Captured([&] { KRV_LoadFont("t.tga", &font_); });
        ASSERT_EQ(font_.count, 96);
        for (int k = 0; k < 96; k++) ASSERT_EQ(font_.widths[k], LetterWidth(k)) << k;
        fv::Reset();
    }

    // Letters drawn, as (x, letter index) read back from each quad's u.
    std::vector<std::pair<int, int>> Drawn() {
        std::vector<std::pair<int, int>> out;
        for (const fv::Quad& q : fv::quads) {
            int start = (int)(q.tu0 * width_ + 0.5f);
            int k = 0;
            while (k < 96 && LetterStart(k) != start) k++;
            EXPECT_EQ(q.y, 40.0f);
            EXPECT_EQ(q.h, 8.0f);
            out.push_back({(int)q.x, k});
        }
        return out;
    }

    static int L(char c) { return (unsigned char)c - 31; }

    int width_ = 0;
    static s_font font_;
};

s_font TextTest::font_;

using Drawing = std::vector<std::pair<int, int>>;

TEST_F(TextTest, DrawTextAdvancesBySpacingExceptAfterTheSpace) {
    KRV_SetFontSpacing(2, &font_);
    KRV_DrawText(10, 40, font_, "A B");
    int wA = LetterWidth(L('A')), w1 = LetterWidth(1);
    EXPECT_EQ(Drawn(), (Drawing{{10, L('A')}, {10 + wA + 2, 1}, {10 + wA + 2 + w1, L('B')}}));
    // Every letter is a sprite draw: alpha test on, then the letter's quad.
    EXPECT_EQ(fv::calls[0], "EnableRenderState 2");
}

TEST_F(TextTest, DrawTextFormatsLikePrintf) {
    KRV_DrawText(0, 40, font_, "%d%s", 42, "x|");
    int x = 0;
    Drawing want;
    for (char c : std::string("42x|")) {
        want.push_back({x, L(c)});
        x += LetterWidth(L(c));
    }
    EXPECT_EQ(Drawn(), want);
}

TEST_F(TextTest, SkippedBytesNeitherDrawNorMove) {
    KRV_SetFontSpacing(1, &font_);
    // Closing brace, tilde, 127, 128 and 158 (letters above 93), a line break,
    // a tab, byte 1, 159 and 255 (no letter): none draws or moves the pen.
    KRV_DrawText(5, 40, font_, "A}~\x7f\x80\x9e\n\t\x01\x9f\xff" "B");
    EXPECT_EQ(Drawn(), (Drawing{{5, L('A')}, {5 + LetterWidth(L('A')) + 1, L('B')}}));
}

TEST_F(TextTest, Byte31DrawsNothingButAdvancesByLetterZero) {
    KRV_SetFontSpacing(3, &font_);
    KRV_DrawText(0, 40, font_, "\x1f" "A");
    EXPECT_EQ(Drawn(), (Drawing{{1 + 3, L('A')}}));
}

TEST_F(TextTest, EmptyTextDrawsNothing) {
    KRV_DrawText(0, 40, font_, "%s", "");
    KRV_DrawCenteredText(40, font_, "%s", "");
    KRV_DrawCenteredTextXW(0, 40, 100, font_, "%s", "");
    EXPECT_TRUE(fv::quads.empty());
    EXPECT_TRUE(fv::calls.empty());
}

TEST_F(TextTest, LongTextIsCutAfter255Characters) {
    std::string text(300, '!');
    KRV_DrawText(0, 40, font_, "%s", text.c_str());
    EXPECT_EQ(fv::quads.size(), 255u);
}

TEST_F(TextTest, CenteredTextMeasuresTheSpaceWithSpacing) {
    KRV_SetFontSpacing(2, &font_);
    int wA = LetterWidth(L('A')), w1 = LetterWidth(1), wB = LetterWidth(L('B'));
    int total = wA + w1 + wB + 6;  // two more than the run's own advances
    fv::SetFrameBufferWidth(640);
    KRV_DrawCenteredText(40, font_, "A B");
    int pen = 320 - (total >> 1);
    EXPECT_EQ(Drawn(), (Drawing{{pen, L('A')}, {pen + wA + 2, 1}, {pen + wA + 2 + w1, L('B')}}));
}

TEST_F(TextTest, CenteredTextOnAnOddFramebufferHalvesDownwards) {
    // 101 pixels of text on a framebuffer 641 wide: 320 - 50 = 270. With
    // spacing 1, '"' (letter 3, 4 wide) measures 5 and '#' (letter 4, 1
    // wide) measures 2: 19 * 5 + 3 * 2 = 101.
    KRV_SetFontSpacing(1, &font_);
    std::string text(19, '"');
    text += "###";
    fv::SetFrameBufferWidth(641);
    KRV_DrawCenteredText(40, font_, "%s", text.c_str());
    ASSERT_FALSE(fv::quads.empty());
    EXPECT_EQ((int)fv::quads[0].x, 270);
}

TEST_F(TextTest, CenteredTextInASpanUsesItsOwnAdvances) {
    // 50 pixels in the span 100 + 200: 100 + 100 - 25 = 175. Nine '"' of 4
    // with spacing 1, the space (2 wide) with its spacing, and byte 31.
    KRV_SetFontSpacing(1, &font_);
    std::string text = std::string(4, '"') + " " + std::string(5, '"');  // 9 * 5 + 2 + 1 = 48
    text += "\x1f";  // letter 0: 1 + 1 = 2, total 50
    KRV_DrawCenteredTextXW(100, 40, 200, font_, "%s", text.c_str());
    Drawing want;
    int pen = 175;
    for (char c : text) {
        int k = L(c);
        if (k >= 1) want.push_back({pen, k});
        pen += LetterWidth(k) + 1;
    }
    EXPECT_EQ(Drawn(), want);
}

TEST_F(TextTest, CenteredTextIgnoresSkippedBytesWhenMeasuring) {
    KRV_DrawCenteredTextXW(0, 40, 100, font_, "A}\n");
    int wA = LetterWidth(L('A'));
    EXPECT_EQ(Drawn(), (Drawing{{50 - (wA >> 1), L('A')}}));
}

TEST_F(FontTest, LettersTheImageDidNotProvideComeFromTheRecordAsItIs) {
    // A font of 4 letters in a record that started zeroed: 'A' (letter 34)
    // draws an empty quad and advances by the spacing alone.
    tga::Mount({{"f.tga", FontTga(100, 4, {5, 9})}});
    static s_font font;
    font = s_font{};
    kt::Captured([&] { KRV_LoadFont("f.tga", &font); });
    KRV_SetFontSpacing(3, &font);
    fv::Reset();
    KRV_DrawText(10, 0, font, "AA");
    ASSERT_EQ(fv::quads.size(), 2u);
    EXPECT_EQ(fv::quads[0].x, 10.0f);
    EXPECT_EQ(fv::quads[1].x, 13.0f);
    EXPECT_EQ(fv::quads[0].w, 0.0f);
    EXPECT_EQ(fv::quads[0].texture, 0);
}

}  // namespace
