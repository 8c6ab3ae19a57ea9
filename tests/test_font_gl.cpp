// Fonts on real GL: a font image made here is loaded through the TGA loader,
// and the three text draws are checked by where each letter lands in the
// framebuffer (its glyph colour, columns and rows).
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "krv/corefont.h"
#include "krv/video_opengl.h"
#include "tests/images/tgasupport.h"
#include "tests/support/testsupport.h"
#include "tests/video_test.h"

namespace {

using vt::Hex;
using vt::Rgba;

// Letter k (k >= 1) is 1 + k % 3 pixels wide and painted in a colour of its
// own; the space (letter 1) is transparent; row 0 carries the markers.
const int kGlyphRows = 5;

int Width(int k) {
    return k == 0 ? 1 : 1 + k % 3;
}
int Start(int k) {
    int s = 0;
    for (int i = 0; i < k; i++) s += Width(i);
    return s;
}
uint32_t Colour(int k) {  // memory order, as read back
    return Rgba((uint32_t)(k * 2 + 10), (uint32_t)(200 - k), (uint32_t)(60 + (k % 5) * 30));
}
int L(char c) {
    return (unsigned char)c - 31;
}

std::string FontFile() {
    int width = Start(96), height = kGlyphRows + 1;
    tga::Header h;
    h.width = (uint16_t)width, h.height = (uint16_t)height, h.depth = 32, h.descriptor = 0x20;
    std::string px((size_t)width * height * 4, '\0');
    auto put = [&](int x, int y, uint32_t rgba) {
        size_t i = ((size_t)y * width + x) * 4;
        px[i] = (char)((rgba >> 16) & 0xFF);  // blue
        px[i + 1] = (char)((rgba >> 8) & 0xFF);
        px[i + 2] = (char)(rgba & 0xFF);  // red
        px[i + 3] = (char)(rgba >> 24);
    };
    for (int k = 2; k < 96; k++) put(Start(k), 0, Rgba(0, 0, 0, 255));
    for (int k = 0; k < 96; k++) {
        if (k == 1) continue;
        for (int x = Start(k); x < Start(k) + Width(k); x++)
            for (int y = 1; y < height; y++) put(x, y, Colour(k));
    }
    return tga::File(h, px);
}

// One run of equal pixels along a row.
struct Span {
    int start, length;
    uint32_t colour;
    bool operator==(const Span& o) const { return start == o.start && length == o.length && colour == o.colour; }
};

std::ostream& operator<<(std::ostream& os, const Span& r) {
    return os << "{" << r.start << "+" << r.length << " " << Hex(r.colour) << "}";
}

class FontGLTest : public vt::GLTest {
protected:
    void SetUp() override {
        vt::GLTest::SetUp();
        tga::ForgetImages();
        kt::Captured([&] { target_ = KRV_CreateFrameBuffer(200, 24, 0); });
        KRV_SetFrameBuffer(target_);
        KRV_ClearFrameBuffer(kBackground);
        tga::Mount({{"font.tga", FontFile()}});
        static s_font loaded;
        loaded = s_font{};
        printed_ = kt::Captured([] { KRV_LoadFont("font.tga", &loaded); });
        font_ = &loaded;
    }

    // The letters drawn along row y, as runs of colour other than the background.
    std::vector<Span> Letters(int y) {
        vt::Image img = vt::ReadFramebuffer(target_);
        std::vector<Span> runs;
        for (int x = 0; x < img.width; x++) {
            uint32_t c = img.At(x, y);
            if (c == kBackground) continue;
            if (!runs.empty() && runs.back().colour == c && runs.back().start + runs.back().length == x)
                runs.back().length++;
            else
                runs.push_back({x, 1, c});
        }
        return runs;
    }

    // The runs a text would give from pen with the given advances.
    static std::vector<Span> Expected(const std::string& text, int pen, int spacing, bool spacedspace) {
        std::vector<Span> runs;
        for (char ch : text) {
            int k = L(ch);
            if (k < 0 || k > 93) continue;
            if (k >= 2) runs.push_back({pen, Width(k), Colour(k)});
            pen += (k == 1 && !spacedspace) ? Width(1) : Width(k) + spacing;
        }
        return runs;
    }

    static constexpr uint32_t kBackground = 0xFF203040u;
    int target_ = -1;
    s_font* font_ = nullptr;
    std::string printed_;
};

TEST_F(FontGLTest, LoadingPrintsTheLetterCountAndTheNewFontCount) {
    EXPECT_NE(printed_.find("KRV_LoadFont - Num.Letters: 96\nKRV_LoadFont - Font Added (NumFonts: 1)\n"),
              std::string::npos)
        << printed_;
    EXPECT_EQ(font_->count, 96);
    EXPECT_EQ(font_->height, kGlyphRows);
}

TEST_F(FontGLTest, DrawTextPutsEachLetterAtItsAdvance) {
    KRV_SetFontSpacing(2, font_);
    const std::string text = "AB C}D~E";
    KRV_DrawText(3, 10, *font_, "%s", text.c_str());
    std::vector<Span> want = Expected(text, 3, 2, false);
    ASSERT_EQ(want.size(), 5u);
    for (int y = 10; y < 10 + kGlyphRows; y++) EXPECT_EQ(Letters(y), want) << "row " << y;
    EXPECT_TRUE(Letters(9).empty()) << "the glyphs start at the row given";
    EXPECT_TRUE(Letters(10 + kGlyphRows).empty()) << "the marker row is not drawn";
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
}

TEST_F(FontGLTest, CenteredTextIsCentredOnTheFramebufferWidth) {
    KRV_SetFontSpacing(1, font_);
    const std::string text = "Hi There";
    KRV_DrawCenteredText(4, *font_, "%s", text.c_str());
    int total = 0;
    for (char ch : text) total += Width(L(ch)) + 1;
    int pen = (200 >> 1) - (total >> 1);
    EXPECT_EQ(Letters(6), Expected(text, pen, 1, false));
}

TEST_F(FontGLTest, CenteredTextInASpanUsesTheSpacedSpace) {
    KRV_SetFontSpacing(3, font_);
    const std::string text = "a b";
    KRV_DrawCenteredTextXW(40, 12, 101, *font_, "%s", text.c_str());
    int total = 0;
    for (char ch : text) total += Width(L(ch)) + 3;
    int pen = 40 + ((101 >> 1) - (total >> 1));
    EXPECT_EQ(Letters(13), Expected(text, pen, 3, true));
}

TEST_F(FontGLTest, FormattedNumbersAndSkippedBytes) {
    KRV_DrawText(0, 0, *font_, "%d\t%c|", -42, 'Z');
    EXPECT_EQ(Letters(2), Expected("-42Z|", 0, 0, false));
}

}  // namespace
