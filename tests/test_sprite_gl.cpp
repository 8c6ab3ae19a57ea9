// Sprites on real GL: a cut sprite draws its rectangle of the texture with
// the alpha test on (keyed and transparent texels are not drawn), the
// mirrored draw turns it left to right, and the states each draw leaves.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "krv/corebitmap.h"
#include "krv/coresprite.h"
#include "krv/video_opengl.h"
#include "tests/images/tgasupport.h"
#include "tests/support/testsupport.h"
#include "tests/video_test.h"

namespace {

using vt::Hex;
using vt::Rgba;

// An 8 x 4 sheet: texel (x, y) has red 20 * x + 10, green 50 * y + 5; the
// texels of column 3 in row 1 are transparent, the rest opaque.
uint32_t Sheet(int x, int y) {
    uint32_t a = (x == 3 && y == 1) ? 0 : 255;
    return (a << 24) | ((uint32_t)(20 * x + 10) << 16) | ((uint32_t)(50 * y + 5) << 8) | 0x33u;
}

uint32_t Mem(uint32_t argb) {
    return Rgba((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
}

class SpriteGLTest : public vt::GLTest {
protected:
    void SetUp() override {
        vt::GLTest::SetUp();
        tga::ForgetImages();
        kt::Captured([&] { target_ = KRV_CreateFrameBuffer(32, 24, 0); });
        KRV_SetFrameBuffer(target_);
        KRV_ClearFrameBuffer(kBackground);
        KRV_CreateBitmap(8, 4, &sheet_);
        for (int y = 0; y < 4; y++)
            for (int x = 0; x < 8; x++) KRV_DrawPixel(x, y, (int)Sheet(x, y), sheet_);
        KRV_UpdateBitmap(sheet_);
        // Columns 2 to 5, rows 0 to 2.
        KRV_GetSprite(2, 0, 4, 3, sheet_, &sprite_);
    }

    static constexpr uint32_t kBackground = 0xFF0000C0u;  // memory order: red 0xC0
    int target_ = -1;
    s_bitmap sheet_ = {};
    s_sprite sprite_ = {};
};

TEST_F(SpriteGLTest, DrawShowsTheCutRectangleAndSkipsTransparentTexels) {
    KRV_DrawSprite(10, 5, sprite_);
    vt::Image img = vt::ReadFramebuffer(target_);
    for (int y = 0; y < img.height; y++)
        for (int x = 0; x < img.width; x++) {
            uint32_t want = kBackground;
            if (x >= 10 && x < 14 && y >= 5 && y < 8) {
                uint32_t t = Sheet(2 + x - 10, y - 5);
                if (t >> 24) want = Mem(t);
            }
            ASSERT_EQ(Hex(img.At(x, y)), Hex(want)) << x << "," << y;
        }
    EXPECT_EQ(KRV_renderstate & 2, 2) << "sprite draws leave the alpha test on";
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
}

TEST_F(SpriteGLTest, MirroredDrawTurnsTheImageLeftToRight) {
    KRV_DrawMirroredSprite(10, 5, sprite_);
    vt::Image img = vt::ReadFramebuffer(target_);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++) {
            uint32_t t = Sheet(5 - x, y);  // column 5 of the sheet at the left edge
            uint32_t want = (t >> 24) ? Mem(t) : kBackground;
            ASSERT_EQ(Hex(img.At(10 + x, 5 + y)), Hex(want)) << x << "," << y;
        }
    EXPECT_EQ(Hex(img.At(9, 5)), Hex(kBackground));
    EXPECT_EQ(Hex(img.At(14, 5)), Hex(kBackground));
}

TEST_F(SpriteGLTest, RotatedByHalfATurn) {
    KRV_DrawRotatedSprite(10, 5, sprite_, 180.0f);
    vt::Image img = vt::ReadFramebuffer(target_);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++) {
            uint32_t t = Sheet(2 + 3 - x, 2 - y);
            uint32_t want = (t >> 24) ? Mem(t) : kBackground;
            ASSERT_EQ(Hex(img.At(10 + x, 5 + y)), Hex(want)) << x << "," << y;
        }
}

TEST_F(SpriteGLTest, BlendAndAlphaDrawsLeaveBlendingOffAndTheAlphaTestOn) {
    KRV_DrawBlendSprite(0, 0, sprite_, 1);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(KRV_renderstate & (2 | 4), 2);
    KRV_DrawAlphaSprite(0, 10, sprite_, 0.5f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    vt::Image img = vt::ReadFramebuffer(target_);
    // Half of an opaque texel over the background.
    uint32_t t = Mem(Sheet(2, 0));
    uint32_t px = img.At(0, 10);
    EXPECT_NEAR((int)(px & 0xFF), ((int)(t & 0xFF) + 0xC0) / 2, 1);
    EXPECT_NEAR((int)((px >> 8) & 0xFF), (int)((t >> 8) & 0xFF) / 2, 1);
}

TEST_F(SpriteGLTest, LoadedSpriteDrawsWithItsMagentaKeyedOut) {
    tga::Header h;
    h.width = 3, h.height = 1, h.depth = 24, h.descriptor = 0x20;
    tga::Mount({{"s.tga", tga::File(h, tga::Px24(0, 200, 0) + tga::Px24(255, 0, 255) + tga::Px24(0, 0, 200))}});
    static s_sprite loaded;
    kt::Captured([] { KRV_LoadSprite("s.tga", &loaded); });
    KRV_DrawSprite(4, 4, loaded);
    vt::Image img = vt::ReadFramebuffer(target_);
    EXPECT_EQ(Hex(img.At(4, 4)), Hex(Rgba(0, 200, 0)));
    EXPECT_EQ(Hex(img.At(5, 4)), Hex(kBackground)) << "the keyed texel is not drawn";
    EXPECT_EQ(Hex(img.At(6, 4)), Hex(Rgba(0, 0, 200)));
}

}  // namespace
