// The TGA loader: real files written by ImageMagick decoded pixel for pixel
// against ImageMagick's own reading of them, hand-made files for what
// encoders do not write (origins, interleave, run-length packets across rows,
// 15- and 16-bit colour maps), the colour key, loading by name and its
// printed lines. Damaged and hostile files are in test_tga_hostile.cpp.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "krv/corebitmap.h"
#include "krv/krv_report.h"
#include "tests/images/fakevideo.h"
#include "tests/images/tgasupport.h"
#include "tests/support/testsupport.h"

namespace {

using tga::Bytes;
using tga::Px16;
using tga::Px24;
using tga::Px32;

// The colour key on 0xAARRGGBB: near-magenta becomes 0.
uint32_t Keyed(uint32_t argb) {
    uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    return (r > 240 && g < 16 && b > 240) ? 0 : argb;
}

class TgaTest : public kt::ScratchTest {
protected:
    void SetUp() override {
        kt::ScratchTest::SetUp();
        fv::Reset();
        tga::ForgetImages();
    }

    // Releases what the loads made (the records live in the fixture).
    void TearDown() override {
        kt::Captured([] { KRV_FlushGraphics(); });
        tga::Unmount();
        kt::ScratchTest::TearDown();
    }

    // Mounts one file under name and loads it into bitmap_; returns the output.
    std::string LoadOne(const std::string& name, const std::string& bytes) {
        tga::Mount({{name, bytes}});
        return kt::Captured([&] { KRV_LoadBitmap(name.c_str(), &bitmap_); });
    }

    uint32_t At(int x, int y) { return KRV_GetPixel(x, y, bitmap_); }

    s_bitmap bitmap_ = {};
};

// ---------------------------------------------------------------------------
// Files written by ImageMagick.

struct EncoderCase {
    const char* name;
    const char* options;   // convert options after the raw source
    int imagetype;         // what the header must say, so the case is what it claims
    int depth;
    int descriptor;
};

void PrintTo(const EncoderCase& c, std::ostream* os) {
    *os << c.name;
}

const EncoderCase kEncoderCases[] = {
    {"grey8", "-alpha off -type Grayscale", 3, 8, 0x00},
    {"grey8_rle", "-alpha off -type Grayscale -compress RLE", 11, 8, 0x00},
    {"grey8_topleft", "-alpha off -type Grayscale -orient TopLeft", 3, 8, 0x20},
    {"palette", "-alpha off -type Palette", 1, 8, 0x00},
    {"palette_rle", "-alpha off -type Palette -compress RLE", 9, 8, 0x00},
    {"palette_topleft", "-alpha off -type Palette -orient TopLeft", 1, 8, 0x20},
    {"rgb16", "-alpha off -type TrueColor -depth 5", 2, 16, 0x00},
    {"rgb16_rle", "-alpha off -type TrueColor -depth 5 -compress RLE", 10, 16, 0x00},
    {"rgb24", "-alpha off -type TrueColor", 2, 24, 0x00},
    {"rgb24_rle", "-alpha off -type TrueColor -compress RLE", 10, 24, 0x00},
    {"rgb24_topleft", "-alpha off -type TrueColor -orient TopLeft", 2, 24, 0x20},
    {"rgba32", "-type TrueColorAlpha", 2, 32, 0x08},
    {"rgba32_rle", "-type TrueColorAlpha -compress RLE", 10, 32, 0x08},
    {"rgba32_rle_topleft", "-type TrueColorAlpha -compress RLE -orient TopLeft", 10, 32, 0x28},
};

class TgaEncoderTest : public TgaTest, public ::testing::WithParamInterface<EncoderCase> {};

TEST_P(TgaEncoderTest, DecodesEveryPixelAsTheEncoderReadsIt) {
    const EncoderCase& c = GetParam();
    ASSERT_FALSE(tga::ConvertTool().empty()) << "ImageMagick's convert is missing: run scripts/install-deps";

    // Source: 13 x 7 pixels of varied colour and alpha, with magenta (keyed),
    // near-magenta inside the key and just outside it.
    const int w = 13, h = 7;
    std::string src;
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            int r = (x * 19 + y * 7) % 256, g = (x * 5 + y * 41) % 256, b = (x * 71 + y * 3) % 256;
            int a = ((x * 37 + y * 11) % 256) | 1;
            if (x == 0 && y == 0) r = 255, g = 0, b = 255;
            if (x == 1 && y == 0) r = 248, g = 8, b = 248;
            if (x == 2 && y == 0) r = 240, g = 0, b = 255;
            if (x == 3 && y == 0) r = 255, g = 16, b = 255;
            src += (char)r;
            src += (char)g;
            src += (char)b;
            src += (char)a;
        }
    }
    kt::WriteFile("src.rgba", src);
    std::string out;
    ASSERT_EQ(tga::Convert(std::string("-size 13x7 -depth 8 rgba:src.rgba ") + c.options + " img.tga", &out), 0)
        << out;
    // ImageMagick keeps rows in file order and records the origin; -auto-orient
    // turns its reading into the picture the origin describes.
    ASSERT_EQ(tga::Convert("img.tga -auto-orient -depth 8 rgba:back.rgba", &out), 0) << out;
    std::string file = kt::ReadFile("img.tga");
    std::string back = kt::ReadFile("back.rgba");
    ASSERT_GE(file.size(), 18u);
    ASSERT_EQ((int)(unsigned char)file[2], c.imagetype);
    ASSERT_EQ((int)(unsigned char)file[16], c.depth);
    ASSERT_EQ((int)(unsigned char)file[17], c.descriptor);
    ASSERT_EQ(back.size(), (size_t)w * h * 4);

    std::string printed = LoadOne("img.tga", file);
    std::string expected_size = "width: 13, height: 7, bpp: " + std::to_string(c.depth) + "\n";
    bool rle = c.imagetype >= 8;
    EXPECT_EQ(printed.substr(0, 18), "Loading TGA image.");
    EXPECT_NE(printed.find(expected_size + (rle ? "TGA is RLE packed." : "")), std::string::npos) << printed;
    EXPECT_EQ(printed.find("TGA:"), std::string::npos) << printed;
    ASSERT_NE(bitmap_.pixels, nullptr);
    ASSERT_EQ(bitmap_.width, w);
    ASSERT_EQ(bitmap_.height, h);

    int keyed = 0;
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            const unsigned char* p = (const unsigned char*)back.data() + (y * w + x) * 4;
            uint32_t r = p[0], g = p[1], b = p[2], a = p[3];
            if (c.depth == 16) {
                // Five bits per channel, which the loader scales by 8.
                r = (r >> 3) * 8, g = (g >> 3) * 8, b = (b >> 3) * 8;
            }
            uint32_t want = Keyed((a << 24) | (r << 16) | (g << 8) | b);
            if (want == 0) keyed++;
            ASSERT_EQ(At(x, y), want) << c.name << " at (" << x << ", " << y << ")";
        }
    }
    // The colour fixtures keep their magenta corner and near-magenta pixel keyed.
    if (std::string(c.name).rfind("grey", 0) != 0) {
        EXPECT_GE(keyed, 2) << c.name;
    }

    // The whole buffer is what was uploaded to the texture.
    const fv::Texture& t = fv::textures[bitmap_.textureid];
    ASSERT_EQ(t.pixels.size(), (size_t)w * h);
    EXPECT_EQ(0, memcmp(t.pixels.data(), bitmap_.pixels, t.pixels.size() * 4));
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, TgaEncoderTest, ::testing::ValuesIn(kEncoderCases),
                         [](const ::testing::TestParamInfo<EncoderCase>& info) {
                             return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------
// Origins: where the first and the last stored pixel of a 2 x 2 image land.

struct OriginCase {
    int descriptor;
    int firstx, firsty, lastx, lasty;
};

void PrintTo(const OriginCase& c, std::ostream* os) {
    *os << c.descriptor;
}

class TgaOriginTest : public TgaTest, public ::testing::WithParamInterface<OriginCase> {};

TEST_P(TgaOriginTest, StoredPixelsLandWhereTheOriginSays) {
    const OriginCase& c = GetParam();
    tga::Header h;
    h.width = 2, h.height = 2, h.depth = 24, h.descriptor = (uint8_t)c.descriptor;
    std::string body = Px24(10, 0, 0) + Px24(20, 0, 0) + Px24(30, 0, 0) + Px24(40, 0, 0);
    LoadOne("o.tga", tga::File(h, body));
    EXPECT_EQ(At(c.firstx, c.firsty), 0xFF0A0000u);
    EXPECT_EQ(At(c.lastx, c.lasty), 0xFF280000u);
    // The second stored pixel is the first one's neighbour along its row.
    int secondx = c.firstx == 0 ? 1 : 0;
    EXPECT_EQ(At(secondx, c.firsty), 0xFF140000u);
}

INSTANTIATE_TEST_SUITE_P(Descriptors, TgaOriginTest,
                         ::testing::Values(OriginCase{0x00, 0, 1, 1, 0}, OriginCase{0x10, 1, 1, 0, 0},
                                           OriginCase{0x20, 0, 0, 1, 1}, OriginCase{0x30, 1, 0, 0, 1}),
                         [](const ::testing::TestParamInfo<OriginCase>& info) {
                             char name[16];
                             snprintf(name, sizeof name, "descriptor_%02x", info.param.descriptor);
                             return std::string(name);
                         });

TEST_F(TgaTest, RightToLeftRowsOfARunLengthImage) {
    // Bottom-right origin: a 3-pixel run then 3 literals over two rows of 3.
    tga::Header h;
    h.imagetype = 10, h.width = 3, h.height = 2, h.depth = 24, h.descriptor = 0x10;
    std::string body = Bytes({0x82}) + Px24(1, 1, 1) + Bytes({0x02}) + Px24(2, 0, 0) + Px24(3, 0, 0) +
                       Px24(4, 0, 0);
    LoadOne("r.tga", tga::File(h, body));
    for (int x = 0; x < 3; x++) EXPECT_EQ(At(x, 1), 0xFF010101u);
    EXPECT_EQ(At(2, 0), 0xFF020000u);
    EXPECT_EQ(At(1, 0), 0xFF030000u);
    EXPECT_EQ(At(0, 0), 0xFF040000u);
}

// ---------------------------------------------------------------------------
// Pixel values and the colour key.

struct ValueCase {
    const char* what;
    int imagetype;
    int depth;
    std::string stored;
    uint32_t want;
};

void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << c.what;
}

class TgaValueTest : public TgaTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(TgaValueTest, DecodesAndKeys) {
    const ValueCase& c = GetParam();
    tga::Header h;
    h.imagetype = (uint8_t)c.imagetype, h.depth = (uint8_t)c.depth;
    std::string body = c.imagetype >= 8 ? Bytes({0x00}) + c.stored : c.stored;
    LoadOne("v.tga", tga::File(h, body));
    EXPECT_EQ(At(0, 0), c.want) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Values, TgaValueTest,
    ::testing::Values(ValueCase{"magenta 24", 2, 24, Px24(255, 0, 255), 0},
                      ValueCase{"red 240 is not keyed", 2, 24, Px24(240, 0, 255), 0xFFF000FFu},
                      ValueCase{"green 16 is not keyed", 2, 24, Px24(255, 16, 255), 0xFFFF10FFu},
                      ValueCase{"blue 240 is not keyed", 2, 24, Px24(255, 0, 240), 0xFFFF00F0u},
                      ValueCase{"edge of the key", 2, 24, Px24(241, 15, 241), 0},
                      ValueCase{"plain 24", 2, 24, Px24(0x12, 0x34, 0x56), 0xFF123456u},
                      ValueCase{"32 keeps alpha", 2, 32, Px32(0x12, 0x34, 0x56, 0x78), 0x78123456u},
                      ValueCase{"32 magenta with alpha 128", 2, 32, Px32(255, 0, 255, 128), 0},
                      ValueCase{"32 alpha 0 kept", 2, 32, Px32(1, 2, 3, 0), 0x00010203u},
                      ValueCase{"grey 250 uncompressed", 3, 8, Bytes({250}), 0xFFFAFAFAu},
                      ValueCase{"grey 250 run-length", 11, 8, Bytes({250}), 0xFFFAFAFAu},
                      ValueCase{"grey 255 is never keyed", 3, 8, Bytes({255}), 0xFFFFFFFFu},
                      ValueCase{"16-bit magenta", 2, 16, Px16(0x7C1F), 0},
                      ValueCase{"16-bit magenta with bit 15", 2, 16, Px16(0xFC1F), 0},
                      ValueCase{"16-bit fields", 2, 16, Px16((31u << 10) | (1u << 5) | 2u), 0xFFF80810u},
                      ValueCase{"16-bit bit 15 leaves alpha", 2, 16, Px16(0x8000 | (3u << 10)), 0xFF180000u},
                      ValueCase{"15-bit depth", 2, 15, Px16((4u << 10) | (5u << 5) | 6u), 0xFF202830u},
                      ValueCase{"32 run-length", 10, 32, Px32(9, 8, 7, 6), 0x06090807u}),
    [](const ::testing::TestParamInfo<ValueCase>& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (!isalnum((unsigned char)ch)) ch = '_';
        return name;
    });

TEST(TgaColourKey, ConvertTranspTable) {
    struct {
        uint32_t in, out;
    } cases[] = {
        {0xFFFF00FFu, 0}, {0x00FF00FFu, 0}, {0x80F10FF1u, 0}, {0xFFF000FFu, 0xFFF000FFu},
        {0xFFFF10FFu, 0xFFFF10FFu}, {0xFFFF00F0u, 0xFFFF00F0u}, {0xFFFFFFFFu, 0xFFFFFFFFu}, {0, 0},
    };
    for (auto& c : cases) EXPECT_EQ((uint32_t)ConvertTransp((int)c.in), c.out) << std::hex << c.in;
}

// ---------------------------------------------------------------------------
// Colour maps.

TEST_F(TgaTest, ColourMapWith24BitEntries) {
    tga::Header h;
    h.maptype = 1, h.imagetype = 1, h.maplength = 3, h.mapbits = 24, h.width = 3, h.depth = 8;
    std::string map = Px24(10, 20, 30) + Px24(40, 50, 60) + Px24(255, 0, 255);
    LoadOne("m.tga", tga::File(h, map + Bytes({1, 0, 2})));
    EXPECT_EQ(At(0, 0), 0xFF28323Cu);
    EXPECT_EQ(At(1, 0), 0xFF0A141Eu);
    EXPECT_EQ(At(2, 0), 0u) << "a magenta entry is keyed like a pixel";
}

TEST_F(TgaTest, ColourMapEntriesStartAtTheFirstEntryIndex) {
    tga::Header h;
    h.maptype = 1, h.imagetype = 1, h.mapfirst = 5, h.maplength = 2, h.mapbits = 24, h.width = 2, h.depth = 8;
    std::string map = Px24(1, 2, 3) + Px24(4, 5, 6);
    std::string printed = LoadOne("m.tga", tga::File(h, map + Bytes({5, 6})));
    EXPECT_EQ(At(0, 0), 0xFF010203u);
    EXPECT_EQ(At(1, 0), 0xFF040506u);
    EXPECT_EQ(printed.find("TGA:"), std::string::npos) << printed;
}

TEST_F(TgaTest, ColourMapWith16And15BitEntriesDecodesLikePixels) {
    for (int bits : {16, 15}) {
        kt::Captured([] { KRV_FlushGraphics(); });
        bitmap_ = s_bitmap{};
        tga::Header h;
        h.maptype = 1, h.imagetype = 1, h.maplength = 3, h.mapbits = (uint8_t)bits, h.width = 3, h.depth = 8;
        std::string map = Px16(31u << 10) + Px16(0x8000 | (1u << 5)) + Px16(0x7C1F);
        LoadOne("m.tga", tga::File(h, map + Bytes({0, 1, 2})));
        EXPECT_EQ(At(0, 0), 0xFFF80000u) << bits;
        EXPECT_EQ(At(1, 0), 0xFF000800u) << bits;
        EXPECT_EQ(At(2, 0), 0u) << bits;
    }
}

TEST_F(TgaTest, ColourMapWith32BitEntriesKeepsTheirAlpha) {
    // Chosen here: 32-bit entries are decoded as blue, green, red, alpha.
    tga::Header h;
    h.maptype = 1, h.imagetype = 1, h.maplength = 2, h.mapbits = 32, h.width = 2, h.depth = 8;
    std::string map = Px32(1, 2, 3, 4) + Px32(5, 6, 7, 255);
    LoadOne("m.tga", tga::File(h, map + Bytes({1, 0})));
    EXPECT_EQ(At(0, 0), 0xFF050607u);
    EXPECT_EQ(At(1, 0), 0x04010203u);
}

TEST_F(TgaTest, ColourMapOfATrueColourImageIsSteppedOver) {
    tga::Header h;
    h.maptype = 1, h.imagetype = 2, h.maplength = 2, h.mapbits = 24, h.width = 1, h.depth = 24;
    LoadOne("m.tga", tga::File(h, Px24(9, 9, 9) + Px24(8, 8, 8) + Px24(1, 2, 3)));
    EXPECT_EQ(At(0, 0), 0xFF010203u);
}

TEST_F(TgaTest, RunLengthColourMappedImage) {
    tga::Header h;
    h.maptype = 1, h.imagetype = 9, h.maplength = 2, h.mapbits = 24, h.width = 4, h.depth = 8;
    std::string map = Px24(10, 0, 0) + Px24(20, 0, 0);
    LoadOne("m.tga", tga::File(h, map + Bytes({0x81, 1, 0x01, 0, 1})));
    EXPECT_EQ(At(0, 0), 0xFF140000u);
    EXPECT_EQ(At(1, 0), 0xFF140000u);
    EXPECT_EQ(At(2, 0), 0xFF0A0000u);
    EXPECT_EQ(At(3, 0), 0xFF140000u);
}

TEST_F(TgaTest, ImageIdIsSkipped) {
    tga::Header h;
    h.idlength = 5, h.width = 1, h.depth = 24;
    LoadOne("i.tga", tga::File(h, "hello" + Px24(1, 2, 3)));
    EXPECT_EQ(At(0, 0), 0xFF010203u);
}

// ---------------------------------------------------------------------------
// Run-length packets.

TEST_F(TgaTest, RunAndRawPacketsRunOnAcrossRows) {
    // 3 x 3, top-left origin: a run of 4 crosses the end of row 0, a raw
    // packet of 3 crosses the end of row 1, and a run of 2 ends the image.
    tga::Header h;
    h.imagetype = 10, h.width = 3, h.height = 3, h.depth = 24, h.descriptor = 0x20;
    std::string body = Bytes({0x83}) + Px24(1, 0, 0) + Bytes({0x02}) + Px24(2, 0, 0) + Px24(3, 0, 0) +
                       Px24(4, 0, 0) + Bytes({0x81}) + Px24(5, 0, 0);
    std::string printed = LoadOne("p.tga", tga::File(h, body));
    uint32_t want[3][3] = {{1, 1, 1}, {1, 2, 3}, {4, 5, 5}};
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 3; x++) EXPECT_EQ(At(x, y), 0xFF000000u | (want[y][x] << 16)) << x << "," << y;
    EXPECT_EQ(printed.find("TGA:"), std::string::npos) << printed;
}

TEST_F(TgaTest, RunPacketYieldsCountPlusOneCopiesAndRawPacketCountPlusOneValues) {
    tga::Header h;
    h.imagetype = 10, h.width = 6, h.depth = 24;
    std::string body = Bytes({0x82}) + Px24(7, 7, 7) + Bytes({0x02}) + Px24(1, 0, 0) + Px24(2, 0, 0) +
                       Px24(3, 0, 0);
    LoadOne("p.tga", tga::File(h, body));
    for (int x = 0; x < 3; x++) EXPECT_EQ(At(x, 0), 0xFF070707u);
    EXPECT_EQ(At(3, 0), 0xFF010000u);
    EXPECT_EQ(At(4, 0), 0xFF020000u);
    EXPECT_EQ(At(5, 0), 0xFF030000u) << "the image's last pixel";
}

TEST_F(TgaTest, RunPastTheImageEndIsDropped) {
    // A run of 128 into a 2 x 2 image, then a byte that would be a header.
    tga::Header h;
    h.imagetype = 10, h.width = 2, h.height = 2, h.depth = 24, h.descriptor = 0x20;
    std::string printed = LoadOne("p.tga", tga::File(h, Bytes({0xFF}) + Px24(3, 3, 3)));
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 2; x++) EXPECT_EQ(At(x, y), 0xFF030303u);
    EXPECT_EQ(printed.find("TGA:"), std::string::npos) << printed;
}

TEST_F(TgaTest, RunLengthImageIgnoresTheInterleaveBit) {
    tga::Header h;
    h.imagetype = 10, h.width = 1, h.height = 4, h.depth = 24, h.descriptor = 0x60;
    std::string body = Bytes({0x03}) + Px24(0, 0, 0) + Px24(1, 0, 0) + Px24(2, 0, 0) + Px24(3, 0, 0);
    LoadOne("p.tga", tga::File(h, body));
    for (int y = 0; y < 4; y++) EXPECT_EQ(At(0, y), 0xFF000000u | ((uint32_t)y << 16)) << y;
}

// ---------------------------------------------------------------------------
// Interleave: which bitmap row each stored row lands on.

struct InterleaveCase {
    int descriptor;
    int height;
    std::vector<int> rows;  // bitmap row of stored row k; -1 = beyond the image
};

void PrintTo(const InterleaveCase& c, std::ostream* os) {
    *os << c.descriptor;
}

class TgaInterleaveTest : public TgaTest, public ::testing::WithParamInterface<InterleaveCase> {};

TEST_P(TgaInterleaveTest, StoredRowsLandOnInterleavedRows) {
    const InterleaveCase& c = GetParam();
    tga::Header h;
    h.width = 2, h.height = (uint16_t)c.height, h.depth = 24, h.descriptor = (uint8_t)c.descriptor;
    std::string body;
    for (size_t k = 0; k < c.rows.size(); k++) body += Px24((int)k + 1, 0, 0) + Px24((int)k + 1, 1, 0);
    std::string printed = LoadOne("i.tga", tga::File(h, body));
    EXPECT_EQ(printed.find("TGA:"), std::string::npos) << printed;
    std::vector<int> seen(c.height, 0);
    for (size_t k = 0; k < c.rows.size(); k++) {
        if (c.rows[k] < 0) continue;
        EXPECT_EQ(At(0, c.rows[k]), 0xFF000000u | ((uint32_t)(k + 1) << 16)) << "stored row " << k;
        EXPECT_EQ(At(1, c.rows[k]), 0xFF000100u | ((uint32_t)(k + 1) << 16)) << "stored row " << k;
        seen[c.rows[k]]++;
    }
    for (int y = 0; y < c.height; y++) EXPECT_EQ(seen[y], 1) << "row " << y;
}

INSTANTIATE_TEST_SUITE_P(
    Passes, TgaInterleaveTest,
    ::testing::Values(InterleaveCase{0x60, 4, {0, 2, 1, 3}},             // two-way, top left
                      InterleaveCase{0x60, 3, {0, 2, 1, -1}},            // a fourth row beyond the image
                      InterleaveCase{0x40, 4, {3, 1, 2, 0}},             // two-way from the bottom row
                      InterleaveCase{0xA0, 5, {0, 4, 1, -1, 2, -1, 3, -1}},  // four-way
                      InterleaveCase{0xE0, 4, {0, 1, 2, 3}},             // bit 7 wins over bit 6
                      InterleaveCase{0x20, 3, {0, 1, 2}}),
    [](const ::testing::TestParamInfo<InterleaveCase>& info) {
        char name[32];
        snprintf(name, sizeof name, "descriptor_%02x_height_%d", info.param.descriptor, info.param.height);
        return std::string(name);
    });

// ---------------------------------------------------------------------------
// Loading by name and the printed lines.

std::string OnePixel() {
    tga::Header h;
    return tga::File(h, Px24(1, 2, 3));
}

TEST_F(TgaTest, SuccessfulLoadPrintsItsLinesAndKeepsThePixels) {
    std::string printed = LoadOne("pic.tga", OnePixel());
    EXPECT_EQ(printed, "Loading TGA image.found file at offset: 31\nwidth: 1, height: 1, bpp: 24\n");
    ASSERT_NE(bitmap_.pixels, nullptr);
    EXPECT_EQ(krv_numbitmaps, 1);
    EXPECT_EQ(krv_bitmaplist[0], &bitmap_);
    const fv::Texture& t = fv::textures[bitmap_.textureid];
    ASSERT_EQ(t.pixels.size(), 1u);
    EXPECT_EQ(t.pixels[0], 0xFF030201u) << "uploaded in memory order R, G, B, A";
}

TEST_F(TgaTest, RunLengthLoadPrintsItsLineWithoutABreak) {
    tga::Header h;
    h.imagetype = 10;
    std::string printed = LoadOne("pic.tga", tga::File(h, Bytes({0x80}) + Px24(1, 2, 3)));
    EXPECT_EQ(printed,
              "Loading TGA image.found file at offset: 31\nwidth: 1, height: 1, bpp: 24\nTGA is RLE packed.");
}

TEST_F(TgaTest, StaticLoadDropsThePixelsAndKeepsTheTexture) {
    tga::Mount({{"pic.tga", OnePixel()}});
    kt::Captured([&] { KRV_LoadBitmapStatic("pic.tga", &bitmap_); });
    EXPECT_EQ(bitmap_.pixels, nullptr);
    EXPECT_NE(bitmap_.textureid, 0);
    EXPECT_EQ(bitmap_.width, 1);
    EXPECT_EQ(fv::textures[bitmap_.textureid].pixels.size(), 1u);
    EXPECT_EQ(fv::textures[bitmap_.textureid].pixels[0], 0xFF030201u);
}

TEST_F(TgaTest, NamesInAnyCaseLoad) {
    tga::Mount({{"a.tga", OnePixel()}, {"b.tga", OnePixel()}, {"c.tga", OnePixel()}, {"dir.v2/d.tga", OnePixel()}});
    static s_bitmap loaded[4];
    int i = 0;
    for (const char* name : {"a.tga", "b.TGA", "c.Tga", "dir.v2/d.tGa"}) {
        s_bitmap& b = loaded[i++];
        std::string printed = kt::Captured([&] { KRV_LoadBitmap(name, &b); });
        EXPECT_NE(b.pixels, nullptr) << name << ": " << printed;
    }
}

TEST_F(TgaTest, OtherNamesAreRefusedAndTheRecordIsUntouched) {
    tga::Mount({{"a.png", OnePixel()}, {"tga", OnePixel()}, {".tga", OnePixel()}});
    for (const char* name : {"a.png", "tga", ".tga", "a.tga.bak", "x.tgaaaaaaaaaaaaaaa", "dir.tga/file"}) {
        s_bitmap b = {};
        b.width = 77;
        std::string printed = kt::Captured([&] { KRV_LoadBitmap(name, &b); });
        EXPECT_EQ(printed, "File format not supported.\n") << name;
        EXPECT_EQ(b.width, 77) << name;
        EXPECT_EQ(b.pixels, nullptr) << name;
    }
    EXPECT_EQ(krv_numbitmaps, 0);
}

TEST_F(TgaTest, MissingFilePrintsTheErrorLineAndLeavesAFreshRecordEmpty) {
    tga::Mount({{"other.tga", OnePixel()}});
    std::string printed = kt::Captured([&] { KRV_LoadBitmap("Missing.TGA", &bitmap_); });
    EXPECT_EQ(printed,
              "Loading TGA image.couldn't find file: missing.tga\n- ERROR: Image Missing.TGA not loaded.\n");
    EXPECT_EQ(bitmap_.pixels, nullptr);
    EXPECT_EQ(bitmap_.textureid, 0);
    EXPECT_EQ(krv_numbitmaps, 0);
    EXPECT_TRUE(fv::calls.empty());
}

TEST(TgaUpcase, ChangesOnlyLowerCaseLettersInPlace) {
    char text[] = "a.Tga-z{`\xe9@Z";
    char* result = upcase(text);
    EXPECT_EQ(result, text);
    EXPECT_STREQ(text, "A.TGA-Z{`\xe9@Z");
}

}  // namespace
