// Bitmaps on real GL: uploads and the six draws checked by the pixels they
// leave in a framebuffer, and the render states each draw leaves behind.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "krv/corebitmap.h"
#include "krv/krv_report.h"
#include "krv/video_opengl.h"
#include "tests/images/tgasupport.h"
#include "tests/support/testsupport.h"
#include "tests/video_test.h"

namespace {

using vt::Hex;
using vt::Rgba;

// Framework colour (0xAARRGGBB) to the memory order read back (R, G, B, A).
uint32_t Mem(uint32_t argb) {
    return Rgba((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
}

// Pixel (x, y) of the test picture: every texel different, one column with
// alpha 0 (drawn all the same: bitmap draws leave the alpha test off).
uint32_t Pattern(int x, int y) {
    uint32_t a = x == 2 ? 0 : 255;
    return (a << 24) | ((uint32_t)(x * 30 + 10) << 16) | ((uint32_t)(y * 40 + 20) << 8) | (uint32_t)(x + y * 8);
}

class BitmapGLTest : public vt::GLTest {
protected:
    void SetUp() override {
        vt::GLTest::SetUp();
        tga::ForgetImages();
        kt::Captured([&] { target_ = KRV_CreateFrameBuffer(48, 40, 0); });
        KRV_SetFrameBuffer(target_);
        KRV_ClearFrameBuffer(kBackground);
        KRV_CreateBitmap(8, 6, &bitmap_);
        for (int y = 0; y < 6; y++)
            for (int x = 0; x < 8; x++) KRV_DrawPixel(x, y, (int)Pattern(x, y), bitmap_);
        KRV_UpdateBitmap(bitmap_);
    }

    // Checks that the bitmap's pixels cover exactly the rectangle at (x, y),
    // and that the background is left everywhere else.
    void ExpectDrawnAt(const vt::Image& img, int x0, int y0) {
        for (int y = 0; y < img.height; y++)
            for (int x = 0; x < img.width; x++) {
                bool inside = x >= x0 && x < x0 + 8 && y >= y0 && y < y0 + 6;
                uint32_t want = inside ? Mem(Pattern(x - x0, y - y0)) : kBackgroundMem;
                ASSERT_EQ(Hex(img.At(x, y)), Hex(want)) << "at " << x << "," << y;
            }
    }

    static constexpr uint32_t kBackground = 0xFF402010u;  // memory order: R 0x10, G 0x20, B 0x40
    static constexpr uint32_t kBackgroundMem = kBackground;
    int target_ = -1;
    s_bitmap bitmap_ = {};
};

TEST_F(BitmapGLTest, CreationMakesATextureOfTheBitmapSize) {
    GLint w = 0, h = 0;
    glBindTexture(GL_TEXTURE_2D, (GLuint)bitmap_.textureid);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 6);
    // The buffer's top row is texture row v = 0: level 0's first row.
    std::vector<uint32_t> raw(48);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    for (int y = 0; y < 6; y++)
        for (int x = 0; x < 8; x++) EXPECT_EQ(Hex(raw[y * 8 + x]), Hex(Mem(Pattern(x, y)))) << x << "," << y;
}

TEST_F(BitmapGLTest, PlainDrawCoversItsRectangleWithEveryTexel) {
    KRV_EnableRenderState(2);  // the draw turns the alpha test off itself
    KRV_DrawBitmap(5, 7, bitmap_);
    ExpectDrawnAt(vt::ReadFramebuffer(target_), 5, 7);
    EXPECT_EQ(KRV_renderstate & 2, 0);
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
}

TEST_F(BitmapGLTest, RotatedAtZeroCoversTheSamePixelsAsThePlainDraw) {
    KRV_DrawRotatedBitmap(11, 3, bitmap_, 0.0f);
    ExpectDrawnAt(vt::ReadFramebuffer(target_), 11, 3);
}

TEST_F(BitmapGLTest, RotatedByHalfATurnAboutItsCentre) {
    KRV_DrawRotatedBitmap(11, 3, bitmap_, 180.0f);
    vt::Image img = vt::ReadFramebuffer(target_);
    for (int y = 0; y < 6; y++)
        for (int x = 0; x < 8; x++)
            ASSERT_EQ(Hex(img.At(11 + x, 3 + y)), Hex(Mem(Pattern(7 - x, 5 - y)))) << x << "," << y;
    EXPECT_EQ(Hex(img.At(10, 3)), Hex(kBackgroundMem));
    EXPECT_EQ(Hex(img.At(19, 8)), Hex(kBackgroundMem));
}

TEST_F(BitmapGLTest, ZoomedDrawsScaleTheQuad) {
    KRV_DrawZoomedBitmap(2, 1, 200.0f, bitmap_);
    vt::Image img = vt::ReadFramebuffer(target_);
    for (int y = 0; y < 12; y++)
        for (int x = 0; x < 16; x++)
            ASSERT_EQ(Hex(img.At(2 + x, 1 + y)), Hex(Mem(Pattern(x / 2, y / 2)))) << x << "," << y;
    EXPECT_EQ(Hex(img.At(18, 1)), Hex(kBackgroundMem));
    EXPECT_EQ(Hex(img.At(2, 13)), Hex(kBackgroundMem));

    // 50 %: a quad of half the width and height (filtered, so only its extent).
    KRV_ClearFrameBuffer(kBackground);
    KRV_DrawZoomedBitmap(20, 20, 50.0f, bitmap_);
    img = vt::ReadFramebuffer(target_);
    int covered = 0;
    for (int y = 0; y < img.height; y++)
        for (int x = 0; x < img.width; x++) {
            bool inside = x >= 20 && x < 24 && y >= 20 && y < 23;
            if (img.At(x, y) != kBackgroundMem) covered++;
            if (!inside) {
                ASSERT_EQ(Hex(img.At(x, y)), Hex(kBackgroundMem)) << x << "," << y;
            }
        }
    EXPECT_GT(covered, 0);

    // 100 %: the plain draw.
    KRV_ClearFrameBuffer(kBackground);
    KRV_DrawZoomedBitmap(5, 7, 100.0f, bitmap_);
    ExpectDrawnAt(vt::ReadFramebuffer(target_), 5, 7);
}

TEST_F(BitmapGLTest, ScaledDrawStretchesToTheGivenSize) {
    KRV_DrawScaledBitmap(0, 0, 24.0f, 6.0f, bitmap_, 12345);
    vt::Image img = vt::ReadFramebuffer(target_);
    for (int y = 0; y < 6; y++)
        for (int x = 0; x < 24; x++) ASSERT_EQ(Hex(img.At(x, y)), Hex(Mem(Pattern(x / 3, y)))) << x << "," << y;
    EXPECT_EQ(Hex(img.At(24, 0)), Hex(kBackgroundMem));
}

TEST_F(BitmapGLTest, BlendDrawAddsAndLeavesBlendingOff) {
    // Mode 2 is GL_SRC_COLOR, GL_ONE: the result is src * src + dst.
    s_bitmap grey = {};
    KRV_CreateBitmap(4, 4, &grey);
    KRV_ClearBitmapWithColor(grey, (int)Rgba(0x80, 0x40, 0x20, 0xFF));
    KRV_EnableRenderState(4 | 2);
    KRV_DrawBlendBitmap(1, 1, grey, 2);
    vt::Image img = vt::ReadFramebuffer(target_);
    uint32_t px = img.At(2, 2);
    EXPECT_NEAR((int)(px & 0xFF), 0x10 + 0x40, 1);
    EXPECT_NEAR((int)((px >> 8) & 0xFF), 0x20 + 0x10, 1);
    EXPECT_NEAR((int)((px >> 16) & 0xFF), 0x40 + 0x04, 1);
    EXPECT_EQ(KRV_renderstate & (2 | 4), 0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
}

TEST_F(BitmapGLTest, AlphaDrawMixesByTheGlobalAlphaAndResetsTheColour) {
    s_bitmap white = {};
    KRV_CreateBitmap(4, 4, &white);
    KRV_ClearBitmapWithColor(white, -1);
    KRV_DrawAlphaBitmap(1, 1, white, 0.5f);
    vt::Image img = vt::ReadFramebuffer(target_);
    uint32_t px = img.At(2, 2);
    EXPECT_NEAR((int)(px & 0xFF), (0x10 + 0xFF) / 2, 1);
    EXPECT_NEAR((int)((px >> 8) & 0xFF), (0x20 + 0xFF) / 2, 1);
    EXPECT_NEAR((int)((px >> 16) & 0xFF), (0x40 + 0xFF) / 2, 1);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
    EXPECT_EQ(colour[3], 1.0f);
}

TEST_F(BitmapGLTest, PixelChangesReachTheScreenOnlyAtTheNextUpload) {
    KRV_DrawPixel(0, 0, (int)0xFF00FF00u, bitmap_);
    KRV_DrawBitmap(0, 0, bitmap_);
    EXPECT_EQ(Hex(vt::ReadFramebuffer(target_).At(0, 0)), Hex(Mem(Pattern(0, 0))));
    KRV_UpdateBitmap(bitmap_);
    KRV_DrawBitmap(0, 0, bitmap_);
    EXPECT_EQ(Hex(vt::ReadFramebuffer(target_).At(0, 0)), Hex(Rgba(0, 0xFF, 0)));
}

TEST_F(BitmapGLTest, LoadedTgaIsUploadedAndDeletionReleasesTheTexture) {
    tga::Header h;
    h.width = 2, h.height = 2, h.depth = 32;  // bottom-left origin
    tga::Mount({{"p.tga", tga::File(h, tga::Px32(1, 2, 3, 255) + tga::Px32(4, 5, 6, 255) +
                                           tga::Px32(255, 0, 255, 255) + tga::Px32(7, 8, 9, 128))}});
    static s_bitmap loaded;
    kt::Captured([] { KRV_LoadBitmap("p.tga", &loaded); });
    ASSERT_NE(loaded.pixels, nullptr);
    std::vector<uint32_t> raw(4);
    glBindTexture(GL_TEXTURE_2D, (GLuint)loaded.textureid);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    EXPECT_EQ(Hex(raw[0]), Hex(0u)) << "top row: the keyed magenta";
    EXPECT_EQ(Hex(raw[1]), Hex(Rgba(7, 8, 9, 128)));
    EXPECT_EQ(Hex(raw[2]), Hex(Rgba(1, 2, 3)));
    EXPECT_EQ(Hex(raw[3]), Hex(Rgba(4, 5, 6)));
    glBindTexture(GL_TEXTURE_2D, 0);
    KRV_lasttextureid = -1;

    int texture = loaded.textureid;
    EXPECT_TRUE(glIsTexture((GLuint)texture));
    std::string printed = kt::Captured([] { KRV_FlushGraphics(); });
    EXPECT_NE(printed.find("deleting bitmap\n"), std::string::npos);
    EXPECT_FALSE(glIsTexture((GLuint)texture));
}

}  // namespace

namespace {

// The report right after video start-up: framebuffer 0 only, empty registries.
TEST(GraphicsReportGLTest, AfterStartUpShowsOneFramebufferAndEmptyRegistries) {
    if (vt::VideoStarted()) GTEST_SKIP() << "needs a process of its own, as ctest runs every case";
    vt::EnsureVideo();
    EXPECT_EQ(kt::Captured([] { KRV_ShowGraphicsMemory(); }),
              "[=== GRAPHICS MEMORY INFO ===]\n"
              "Num.Bitmaps: 0 / 1024\n"
              "Num.Sprites: 0 / 1024\n"
              "Num.Fonts: 0 / 16\n"
              "Num.Framebuffers: 1 / 16\n"
              "[============================]\n");
}

}  // namespace

#include "krv/corefont.h"
#include "krv/coresprite.h"

// Video start-up empties the bitmap and sprite registries and leaves the
// font count alone.
TEST(VideoStartRegistries, StartUpEmptiesBitmapAndSpriteLists) {
    ASSERT_FALSE(vt::VideoStarted());
    krv_numbitmaps = 3;
    krv_numsprites = 2;
    krv_numfonts = 1;
    vt::EnsureVideo();
    EXPECT_EQ(krv_numbitmaps, 0);
    EXPECT_EQ(krv_numsprites, 0);
    EXPECT_EQ(krv_numfonts, 1);
    krv_numfonts = 0;
}
