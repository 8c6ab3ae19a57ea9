// Bitmaps without GL: creation and its texture coordinates, the registry and
// its limit, the pixel calls and their colour conversion, clears, uploads,
// deletion, and the calls each draw makes to the video core (recorded by the
// stand-in). The same draws are checked by pixels in test_bitmap_gl.cpp.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "krv/corebitmap.h"
#include "krv/krv_report.h"
#include "tests/images/fakevideo.h"
#include "tests/images/tgasupport.h"
#include "tests/support/testsupport.h"

namespace {

class BitmapTest : public ::testing::Test {
protected:
    void SetUp() override {
        tga::ForgetImages();
        fv::Reset();
    }
};

TEST_F(BitmapTest, CreationFillsTheRecordAndListsIt) {
    s_bitmap b = {};
    KRV_CreateBitmap(640, 360, &b);
    EXPECT_EQ(b.width, 640);
    EXPECT_EQ(b.height, 360);
    EXPECT_EQ(b.texwidth, 640);
    EXPECT_EQ(b.texheight, 360);
    EXPECT_EQ(b.size, 640 * 360 * 4);
    EXPECT_EQ(b.numpixels, 640 * 360);
    ASSERT_NE(b.pixels, nullptr);
    EXPECT_EQ(b.tu0, 0.0f);
    EXPECT_EQ(b.tv0, 0.0f);
    EXPECT_EQ(b.tu1, 0.99999f);
    EXPECT_EQ(b.tv1, 0.9999f);
    EXPECT_NE(b.textureid, 0);
    EXPECT_EQ(fv::calls, (std::vector<std::string>{"CreateTexture 640x360 -> " + std::to_string(b.textureid)}));
    EXPECT_EQ(krv_numbitmaps, 1);
    EXPECT_EQ(krv_bitmaplist[0], &b);
    // Chosen here: the new buffer starts zeroed.
    for (int i = 0; i < b.numpixels; i++) ASSERT_EQ(b.pixels[i], 0u) << i;
}

TEST_F(BitmapTest, FarTextureCoordinatesFollowTheRoundedInset) {
    // size * 0.99999 (or 0.9999) rounded to a float, divided by the texture
    // size in single precision. For 1920 and 1080 across, and 3 or 1000 down,
    // that lands one step above the float nearest the constant.
    struct {
        int w, h;
        float tu1, tv1;
    } cases[] = {
        {640, 360, 0.99999f, 0.9999f},          {1920, 1080, 0.999990046f, 0.9999f},
        {1080, 1920, 0.999990046f, 0.9999f},    {1, 1, 0.99999f, 0.9999f},
        {7, 3, 0.99999f, 0.999900043f},         {256, 1000, 0.99999f, 0.999900043f},
    };
    for (auto& c : cases) {
        s_bitmap b = {};
        KRV_CreateBitmap(c.w, c.h, &b);
        EXPECT_EQ(b.tu1, c.tu1) << c.w;
        EXPECT_EQ(b.tv1, c.tv1) << c.h;
    }
    EXPECT_NE(0.999990046f, 0.99999f);
}

TEST_F(BitmapTest, CreatingTheSameRecordTwiceListsItTwice) {
    s_bitmap b = {};
    KRV_CreateBitmap(2, 2, &b);
    unsigned int* first = b.pixels;
    KRV_CreateBitmap(2, 2, &b);
    EXPECT_EQ(krv_numbitmaps, 2);
    EXPECT_EQ(krv_bitmaplist[0], &b);
    EXPECT_EQ(krv_bitmaplist[1], &b);
    free(first);  // the first buffer is the caller's to lose; release it here
}

TEST_F(BitmapTest, RegistryOf1024IsGuardedWithAMessage) {
    static s_bitmap records[1025];
    for (int i = 0; i < 1024; i++) KRV_CreateBitmap(1, 1, &records[i]);
    EXPECT_EQ(krv_numbitmaps, 1024);
    std::string printed = kt::Captured([] { KRV_CreateBitmap(1, 1, &records[1024]); });
    EXPECT_EQ(printed, "KRV_CreateBitmap: bitmap list full (1024), bitmap not listed.\n");
    EXPECT_EQ(krv_numbitmaps, 1024);
    EXPECT_NE(records[1024].pixels, nullptr) << "the bitmap itself is still made";
    EXPECT_EQ(krv_bitmaplist[1023], &records[1023]);
}

TEST_F(BitmapTest, DrawPixelStoresMemoryOrderAndGetPixelReadsItBack) {
    s_bitmap b = {};
    KRV_CreateBitmap(4, 3, &b);
    KRV_DrawPixel(0, 0, (int)0xFF112233u, b);
    const unsigned char* bytes = (const unsigned char*)b.pixels;
    EXPECT_EQ(bytes[0], 0x11);
    EXPECT_EQ(bytes[1], 0x22);
    EXPECT_EQ(bytes[2], 0x33);
    EXPECT_EQ(bytes[3], 0xFF);
    EXPECT_EQ(KRV_GetPixel(0, 0, b), 0xFF112233u);
    // Pixel (x, y) is word x + y * width.
    KRV_DrawPixel(3, 2, (int)0x80ABCDEFu, b);
    EXPECT_EQ(b.pixels[3 + 2 * 4], 0x80EFCDABu);
    EXPECT_EQ(KRV_GetPixel(3, 2, b), 0x80ABCDEFu);
    // The texture is not touched by pixel calls.
    EXPECT_EQ(fv::textures[b.textureid].pixels[0], 0u);
}

TEST_F(BitmapTest, PixelsOutsideTheBitmapAreIgnoredAndReadAsZero) {
    s_bitmap b = {};
    KRV_CreateBitmap(4, 3, &b);
    KRV_ClearBitmapWithColor(b, 0x01020304);
    std::vector<uint32_t> before(b.pixels, b.pixels + b.numpixels);
    struct {
        int x, y;
    } outside[] = {{4, 0}, {0, 3}, {-1, 0}, {0, -1}, {4, 3}, {-2147483647 - 1, 0}, {0, 2147483647}};
    for (auto& p : outside) {
        KRV_DrawPixel(p.x, p.y, (int)0xFFFFFFFFu, b);
        EXPECT_EQ(KRV_GetPixel(p.x, p.y, b), 0u) << p.x << "," << p.y;
    }
    EXPECT_EQ(std::vector<uint32_t>(b.pixels, b.pixels + b.numpixels), before);
}

TEST_F(BitmapTest, ClearWithColorTakesMemoryOrderAndUploads) {
    s_bitmap b = {};
    KRV_CreateBitmap(3, 2, &b);
    fv::Reset();
    uint32_t red;
    const unsigned char bytes[4] = {0xFF, 0x00, 0x00, 0xFF};
    memcpy(&red, bytes, 4);
    KRV_ClearBitmapWithColor(b, (int)red);
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 3; x++) EXPECT_EQ(KRV_GetPixel(x, y, b), 0xFFFF0000u);
    EXPECT_EQ(fv::calls, (std::vector<std::string>{"UpdateTexture " + std::to_string(b.textureid)}));
    EXPECT_EQ(fv::textures[b.textureid].pixels, std::vector<uint32_t>(6, red));
}

TEST_F(BitmapTest, ClearZeroesEveryByteAndUploads) {
    s_bitmap b = {};
    KRV_CreateBitmap(3, 2, &b);
    KRV_ClearBitmapWithColor(b, -1);
    fv::Reset();
    KRV_ClearBitmap(b);
    EXPECT_EQ(std::vector<uint32_t>(b.pixels, b.pixels + 6), std::vector<uint32_t>(6, 0u));
    EXPECT_EQ(fv::calls, (std::vector<std::string>{"UpdateTexture " + std::to_string(b.textureid)}));
}

TEST_F(BitmapTest, UpdateUploadsTheWholeBuffer) {
    s_bitmap b = {};
    KRV_CreateBitmap(2, 2, &b);
    KRV_DrawPixel(1, 1, 0x7F010203, b);
    KRV_UpdateBitmap(b);
    EXPECT_EQ(fv::textures[b.textureid].pixels, (std::vector<uint32_t>{0, 0, 0, 0x7F030201u}));
    fv::Reset();
    KRV_BindTextureFromBitmap(b);
    EXPECT_EQ(fv::calls, (std::vector<std::string>{"BindTexture " + std::to_string(b.textureid)}));
}

TEST_F(BitmapTest, RecordWithoutBufferIsSafeEverywhere) {
    s_bitmap b = {};
    b.width = 4, b.height = 4, b.numpixels = 16, b.size = 64, b.textureid = 9;
    std::string printed = kt::Captured([&] {
        KRV_DrawPixel(0, 0, -1, b);
        EXPECT_EQ(KRV_GetPixel(0, 0, b), 0u);
        KRV_ClearBitmap(b);
        KRV_ClearBitmapWithColor(b, -1);
        KRV_DeleteBitmap(&b);
    });
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(fv::calls.empty()) << "no upload and no texture deletion";
    KRV_UpdateBitmap(b);
    EXPECT_EQ(fv::calls, (std::vector<std::string>{"UpdateTexture 9"}));
}

TEST_F(BitmapTest, DeleteReleasesOnceAndPrintsALine) {
    s_bitmap b = {};
    KRV_CreateBitmap(2, 2, &b);
    int texture = b.textureid;
    fv::Reset();
    EXPECT_EQ(kt::Captured([&] { KRV_DeleteBitmap(&b); }), "deleting bitmap\n");
    EXPECT_EQ(fv::calls, (std::vector<std::string>{"DeleteTexture " + std::to_string(texture)}));
    EXPECT_EQ(b.pixels, nullptr) << "cleared, so a second deletion releases nothing";
    EXPECT_EQ(b.textureid, texture);
    EXPECT_EQ(b.width, 2);
    fv::Reset();
    EXPECT_EQ(kt::Captured([&] { KRV_DeleteBitmap(&b); }), "");
    EXPECT_TRUE(fv::calls.empty());
}

TEST_F(BitmapTest, RecordListedTwiceIsReleasedOnceByTheFlush) {
    s_bitmap b = {};
    KRV_CreateBitmap(2, 2, &b);
    unsigned int* first = b.pixels;
    KRV_CreateBitmap(2, 2, &b);
    std::string printed = kt::Captured([] { KRV_FlushGraphics(); });
    EXPECT_EQ(printed, "[0 sprites deleted]\ndeleting bitmap\n[2 bitmaps deleted]\n");
    free(first);
}

// ---------------------------------------------------------------------------
// What each draw asks of the video core.

struct DrawCase {
    const char* name;
    void (*draw)(s_bitmap);
    std::vector<std::string> calls;  // "T" stands for the bitmap's texture
    fv::Quad quad;
};

void PrintTo(const DrawCase& c, std::ostream* os) {
    *os << c.name;
}

const float U1 = 0.99999f, V1 = 0.9999f;

std::vector<DrawCase> DrawCases() {
    return {
        {"plain", [](s_bitmap b) { KRV_DrawBitmap(10, 20, b); },
         {"DisableRenderState 2", "BindTexture T", "DrawQuad"},
         {10, 20, 640, 360, 0, 0, U1, V1, false, 0, 0}},
        {"scaled", [](s_bitmap b) { KRV_DrawScaledBitmap(-5, 7, 33.5f, 12.25f, b, 99); },
         {"DisableRenderState 2", "BindTexture T", "DrawQuad"},
         {-5, 7, 33.5f, 12.25f, 0, 0, U1, V1, false, 0, 0}},
        {"zoomed_50", [](s_bitmap b) { KRV_DrawZoomedBitmap(1, 2, 50.0f, b); },
         {"DisableRenderState 2", "BindTexture T", "DrawQuad"},
         {1, 2, 320, 180, 0, 0, U1, V1, false, 0, 0}},
        {"zoomed_100", [](s_bitmap b) { KRV_DrawZoomedBitmap(10, 20, 100.0f, b); },
         {"DisableRenderState 2", "BindTexture T", "DrawQuad"},
         {10, 20, 640, 360, 0, 0, U1, V1, false, 0, 0}},
        // 640 * 33.3 / 100 at double precision is 213.12, then stored as a float.
        {"zoomed_33_3", [](s_bitmap b) { KRV_DrawZoomedBitmap(0, 0, 33.3f, b); },
         {"DisableRenderState 2", "BindTexture T", "DrawQuad"},
         {0, 0, (float)(640 * (double)33.3f / 100), (float)(360 * (double)33.3f / 100), 0, 0, U1, V1, false, 0,
          0}},
        {"blend", [](s_bitmap b) { KRV_DrawBlendBitmap(3, 4, b, 1); },
         {"SetBlendMode 1", "EnableRenderState 4", "DisableRenderState 2", "BindTexture T", "DrawQuad",
          "DisableRenderState 4"},
         {3, 4, 640, 360, 0, 0, U1, V1, false, 0, 0}},
        {"alpha", [](s_bitmap b) { KRV_DrawAlphaBitmap(3, 4, b, 0.5f); },
         {"BindTexture T", "EnableAlphaBlend 0.5", "DisableRenderState 2", "BindTexture T", "DrawQuad",
          "DisableAlphaBlend"},
         {3, 4, 640, 360, 0, 0, U1, V1, false, 0, 0}},
        {"rotated", [](s_bitmap b) { KRV_DrawRotatedBitmap(5, 6, b, 30.0f); },
         {"DisableRenderState 2", "BindTexture T", "DrawRotatedQuad"},
         {5, 6, 640, 360, 0, 0, U1, V1, true, 30.0f, 0}},
    };
}

class BitmapDrawTest : public BitmapTest, public ::testing::WithParamInterface<DrawCase> {};

TEST_P(BitmapDrawTest, AsksTheVideoCoreForOneQuad) {
    const DrawCase& c = GetParam();
    s_bitmap b = {};
    KRV_CreateBitmap(640, 360, &b);
    fv::Reset();
    c.draw(b);
    fv::ExpectOneQuad(c.calls, (int)b.textureid, c.quad);
    ASSERT_EQ(fv::quads.size(), 1u);
    const fv::Quad& q = fv::quads[0];
    EXPECT_EQ(q.texture, b.textureid);
}

INSTANTIATE_TEST_SUITE_P(Draws, BitmapDrawTest, ::testing::ValuesIn(DrawCases()),
                         [](const ::testing::TestParamInfo<DrawCase>& info) { return std::string(info.param.name); });

}  // namespace
