// Sprites without GL: cut coordinates, loading into the image table,
// created sprites and their buffer, the bitmap view, collision and colour-key
// tables, registry limits and the calls each draw makes to the video core.
// The mirrored draw is checked by pixels in test_sprite_gl.cpp.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "krv/corebitmap.h"
#include "krv/corefont.h"
#include "krv/coresprite.h"
#include "krv/krv_report.h"
#include "tests/images/fakevideo.h"
#include "tests/images/tgasupport.h"
#include "tests/support/testsupport.h"

namespace {

class SpriteTest : public kt::ScratchTest {
protected:
    void SetUp() override {
        kt::ScratchTest::SetUp();
        fv::Reset();
        tga::ForgetImages();
    }
};

s_bitmap MadeBitmap(int w, int h) {
    static s_bitmap store[8];
    static int used = 0;
    s_bitmap* b = &store[used++ % 8];
    *b = s_bitmap{};
    KRV_CreateBitmap(w, h, b);
    return *b;
}

TEST_F(SpriteTest, CutFromABitmap) {
    s_bitmap b = MadeBitmap(256, 64);
    s_sprite s;
    memset(&s, 0x5A, sizeof s);  // position and source must stay as they were
    int before = krv_numsprites;
    KRV_GetSprite(16, 8, 32, 16, b, &s);
    EXPECT_EQ(s.width, 32);
    EXPECT_EQ(s.height, 16);
    EXPECT_EQ(s.tu0, 0.0625f);
    EXPECT_EQ(s.tv0, 0.125f);
    EXPECT_EQ(s.tu1, 0.1875f);
    EXPECT_EQ(s.tv1, 0.375f);
    EXPECT_EQ(s.x1, 0);
    EXPECT_EQ(s.y1, 0);
    EXPECT_EQ(s.x2, 32);
    EXPECT_EQ(s.y2, 16);
    EXPECT_EQ(s.originx, 0);
    EXPECT_EQ(s.originy, 0);
    EXPECT_EQ(s.pixels, nullptr);
    EXPECT_EQ(s.textureid, b.textureid);
    EXPECT_EQ(s.x, 0x5A5A5A5A);
    EXPECT_EQ(s.y, 0x5A5A5A5A);
    EXPECT_EQ((uintptr_t)s.source, (uintptr_t)0x5A5A5A5A5A5A5A5AULL);
    EXPECT_EQ(krv_numsprites, before + 1);
    EXPECT_EQ(krv_spritelist[before], &s);
}

TEST_F(SpriteTest, CutFromABitmapOfTextureSizeZeroGivesZeroCoordinates) {
    s_bitmap empty = {};
    s_sprite s = {};
    KRV_GetSprite(0, 1, 1, 5, empty, &s);
    EXPECT_EQ(s.tu0, 0.0f);
    EXPECT_EQ(s.tv0, 0.0f);
    EXPECT_EQ(s.tu1, 0.0f);
    EXPECT_EQ(s.tv1, 0.0f);
    EXPECT_EQ(s.width, 1);
    EXPECT_EQ(s.height, 5);
}

TEST_F(SpriteTest, LoadedSpritesTakeTheImageSlotOfTheirListIndex) {
    tga::Header h;
    h.width = 2, h.height = 2, h.descriptor = 0x20;
    std::string pic = tga::File(h, tga::Px24(1, 2, 3) + tga::Px24(4, 5, 6) + tga::Px24(7, 8, 9) +
                                       tga::Px24(10, 11, 12));
    tga::Header fh;
    fh.width = 100, fh.height = 3, fh.depth = 32, fh.descriptor = 0x20;
    std::string font(100 * 3 * 4, '\0');
    for (int j = 2; j < 96; j++) font[j * 4 + 3] = (char)0xFF;  // 94 markers in row 0
    tga::Mount({{"pic.tga", pic}, {"font.tga", tga::File(fh, font)}});

    static s_sprite a, b, c, d;
    kt::Captured([&] {
        KRV_LoadSprite("pic.tga", &a);
        KRV_LoadSprite("pic.tga", &b);
        KRV_LoadSprite("pic.tga", &c);
    });
    EXPECT_EQ(a.source, &krv_spritebmp[0]);
    EXPECT_EQ(b.source, &krv_spritebmp[1]);
    EXPECT_EQ(c.source, &krv_spritebmp[2]);
    EXPECT_EQ(krv_spritelist[2], &c);
    EXPECT_EQ(a.width, 2);
    EXPECT_EQ(a.height, 2);
    EXPECT_EQ(a.tu0, 0.0f);
    EXPECT_EQ(a.tv0, 0.0f);
    EXPECT_EQ(a.tu1, 1.0f);
    EXPECT_EQ(a.tv1, 1.0f);
    EXPECT_EQ(a.textureid, krv_spritebmp[0].textureid);
    EXPECT_EQ(KRV_GetPixel(1, 1, krv_spritebmp[2]), 0xFF0A0B0Cu);
    EXPECT_EQ(krv_bitmaplist[2], &krv_spritebmp[2]) << "the slot is listed as a bitmap";

    // After a flush, a 96-letter font takes list entries 0 to 95, so the next
    // loaded sprite gets slot 96.
    kt::Captured([] { KRV_FlushGraphics(); });
    static s_font f;
    kt::Captured([&] {
        KRV_LoadFont("font.tga", &f);
        KRV_LoadSprite("pic.tga", &d);
    });
    EXPECT_EQ(f.count, 96);
    EXPECT_EQ(d.source, &krv_spritebmp[96]);
    EXPECT_EQ(krv_spritelist[96], &d);
}

TEST_F(SpriteTest, LoadingAMissingImageCutsTheSlotAsItIs) {
    tga::Mount({});
    krv_spritebmp[0] = s_bitmap{};  // a fresh slot, as at start-up
    s_sprite s = {};
    std::string printed = kt::Captured([&] { KRV_LoadSprite("gone.tga", &s); });
    EXPECT_EQ(printed, "Loading TGA image.couldn't find file: gone.tga\n- ERROR: Image gone.tga not loaded.\n");
    EXPECT_EQ(s.source, &krv_spritebmp[0]);
    EXPECT_EQ(s.width, 0);
    EXPECT_EQ(krv_numsprites, 1);
}

TEST_F(SpriteTest, CreatedSpriteHasAZeroedBufferAndNoTexture) {
    s_sprite s;
    memset(&s, 0x11, sizeof s);
    KRV_CreateSprite(640, 360, &s);
    EXPECT_EQ(s.width, 640);
    EXPECT_EQ(s.height, 360);
    EXPECT_EQ(s.x1, 0);
    EXPECT_EQ(s.y1, 0);
    EXPECT_EQ(s.x2, 640);
    EXPECT_EQ(s.y2, 360);
    EXPECT_EQ(s.originx, 0);
    EXPECT_EQ(s.originy, 0);
    EXPECT_EQ(s.tu0, 0.0f);
    EXPECT_EQ(s.tv0, 0.0f);
    EXPECT_EQ(s.tu1, 0.99999f);
    EXPECT_EQ(s.tv1, 0.9999f);
    EXPECT_EQ(s.textureid, 0);
    ASSERT_NE(s.pixels, nullptr);
    for (int i = 0; i < 640 * 360; i++) ASSERT_EQ(s.pixels[i], 0u) << i;
    EXPECT_EQ(krv_spritelist[krv_numsprites - 1], &s);
    EXPECT_TRUE(fv::calls.empty()) << "no texture is made";
}

TEST_F(SpriteTest, ClearSpriteZeroesItsBufferOnly) {
    s_sprite s = {};
    KRV_CreateSprite(3, 2, &s);
    for (int i = 0; i < 6; i++) s.pixels[i] = 0xFFFFFFFFu;
    KRV_ClearSprite(s);
    for (int i = 0; i < 6; i++) EXPECT_EQ(s.pixels[i], 0u);
    s_sprite cut = {};
    KRV_ClearSprite(cut);  // no buffer: nothing happens
    EXPECT_TRUE(fv::calls.empty());
}

TEST_F(SpriteTest, BitmapViewSharesTheSpriteBuffer) {
    s_sprite s = {};
    KRV_CreateSprite(4, 2, &s);
    int listed = krv_numbitmaps;
    s_bitmap v = KRV_GetBitmapFromSprite(s);
    EXPECT_EQ(v.width, 4);
    EXPECT_EQ(v.height, 2);
    EXPECT_EQ(v.numpixels, 8);
    EXPECT_EQ(v.size, 32);
    EXPECT_EQ(v.pixels, s.pixels);
    EXPECT_EQ(v.tu1, s.tu1);
    EXPECT_EQ(v.tv1, s.tv1);
    EXPECT_EQ(v.textureid, 0);
    EXPECT_EQ(krv_numbitmaps, listed) << "the view is not listed";
    // Pixel calls through the view write the sprite's own buffer.
    KRV_DrawPixel(3, 1, (int)0xFF102030u, v);
    EXPECT_EQ(s.pixels[7], 0xFF302010u);
}

TEST_F(SpriteTest, DeleteFreesACreatedBufferOnceAndLeavesACutSpriteAlone) {
    s_sprite s = {};
    KRV_CreateSprite(8, 8, &s);
    KRV_DeleteSprite(&s);
    EXPECT_EQ(s.pixels, nullptr);
    KRV_DeleteSprite(&s);  // a second delete frees nothing (the sanitizer build would see it)
    EXPECT_EQ(s.pixels, nullptr);

    s_bitmap b = MadeBitmap(8, 8);
    s_sprite cut = {};
    KRV_GetSprite(0, 0, 4, 4, b, &cut);
    s_sprite copy = cut;
    KRV_DeleteSprite(&cut);
    EXPECT_EQ(memcmp(&cut, &copy, sizeof cut), 0);
    EXPECT_TRUE(fv::textures[b.textureid].deleted == false);
}

TEST_F(SpriteTest, SettersStoreTheirValues) {
    s_sprite s = {};
    KRV_SetSpritePosition(&s, 12, -4);
    KRV_SetSpriteOrigin(&s, 3, 5);
    EXPECT_EQ(KRV_SetSpriteCollisionBox(&s, 1, 2, 30, 40), 1);
    EXPECT_EQ(s.x, 12);
    EXPECT_EQ(s.y, -4);
    EXPECT_EQ(s.originx, 3);
    EXPECT_EQ(s.originy, 5);
    EXPECT_EQ(s.x1, 1);
    EXPECT_EQ(s.y1, 2);
    EXPECT_EQ(s.x2, 30);
    EXPECT_EQ(s.y2, 40);
}

TEST_F(SpriteTest, SpriteListOf1024IsGuardedWithAMessage) {
    static s_sprite many[1025];
    s_bitmap b = MadeBitmap(4, 4);
    for (int i = 0; i < 1024; i++) KRV_GetSprite(0, 0, 1, 1, b, &many[i]);
    EXPECT_EQ(krv_numsprites, 1024);
    std::string printed = kt::Captured([&] { KRV_GetSprite(0, 0, 2, 2, b, &many[1024]); });
    EXPECT_EQ(printed, "KRV sprites: sprite list full (1024), sprite not listed.\n");
    EXPECT_EQ(krv_numsprites, 1024);
    EXPECT_EQ(many[1024].width, 2) << "the sprite itself is still cut";

    s_sprite loaded = {};
    printed = kt::Captured([&] { KRV_LoadSprite("any.tga", &loaded); });
    EXPECT_EQ(printed, "KRV_LoadSprite: sprite table full (1024), any.tga not loaded.\n");
    EXPECT_EQ(loaded.source, nullptr);
    EXPECT_EQ(krv_numbitmaps, 1) << "nothing was loaded";
}

// ---------------------------------------------------------------------------
// Collision and colour key.

TEST(SpriteCollision, BoxTable) {
    struct {
        int x1, y1, w1, h1, x2, y2, w2, h2, hit;
    } cases[] = {
        {0, 0, 10, 10, 10, 0, 10, 10, 0},   // touching on the right edge
        {0, 0, 10, 10, 9, 0, 10, 10, 1},    // one shared column
        {0, 0, 10, 10, -10, 0, 10, 10, 0},  // touching on the left edge
        {0, 0, 10, 10, -9, 0, 10, 10, 1},
        {0, 0, 10, 10, 0, 10, 10, 10, 0},   // touching below
        {0, 0, 10, 10, 0, 9, 10, 10, 1},
        {0, 0, 10, 10, 0, -10, 10, 10, 0},  // touching above
        {0, 0, 10, 10, 3, 3, 2, 2, 1},      // inside
        {3, 3, 2, 2, 0, 0, 10, 10, 1},      // around
        {0, 0, 10, 10, 20, 20, 5, 5, 0},
        {0, 0, 0, 0, 0, 0, 10, 10, 0},      // an empty box never collides
    };
    for (auto& c : cases)
        EXPECT_EQ(KRV_CheckBoxCollision(c.x1, c.y1, c.w1, c.h1, c.x2, c.y2, c.w2, c.h2), c.hit)
            << c.x1 << "," << c.y1 << " " << c.w1 << "x" << c.h1 << " vs " << c.x2 << "," << c.y2 << " " << c.w2
            << "x" << c.h2;
}

TEST(SpriteCollision, SpriteTableUsesTheBoxesAtTheGivenPositions) {
    s_sprite a = {}, b = {};
    KRV_SetSpriteCollisionBox(&a, 2, 2, 8, 8);
    KRV_SetSpriteCollisionBox(&b, 2, 2, 8, 8);
    KRV_SetSpritePosition(&a, 500, 500);  // stored positions play no part
    struct {
        int xa, ya, xb, yb, hit;
    } cases[] = {
        {0, 0, 6, 0, 0}, {0, 0, 5, 0, 1}, {0, 0, 0, 6, 0}, {0, 0, 0, 5, 1},
        {0, 0, -6, 0, 0}, {0, 0, -5, -5, 1}, {100, 100, 100, 100, 1},
    };
    for (auto& c : cases)
        EXPECT_EQ(KRV_CheckSpriteCollision(c.xa, c.ya, a, c.xb, c.yb, b), c.hit) << c.xb << "," << c.yb;
    // Boxes of different offsets: a's box starts at its position, b's 5 in.
    s_sprite c = {};
    KRV_SetSpriteCollisionBox(&c, 5, 0, 10, 4);
    KRV_SetSpriteCollisionBox(&a, 0, 0, 4, 4);
    EXPECT_EQ(KRV_CheckSpriteCollision(0, 0, a, -1, 0, c), 0);  // c's box at 4..9
    EXPECT_EQ(KRV_CheckSpriteCollision(0, 0, a, -2, 0, c), 1);  // c's box at 3..8
}

TEST(SpriteCollision, ExtremeCoordinatesWrapWithoutFault) {
    EXPECT_EQ(KRV_CheckBoxCollision(2147483647, 0, 10, 10, -2147483647 - 1, 0, 10, 10), 0);
}

TEST(SpriteColourKey, TransparencyTable) {
    struct {
        uint32_t colour;
        int keyed;
    } cases[] = {
        {0x00F00FF1u, 0},  // red 240 is not above 240
        {0x00F10FF1u, 1},  // red 241
        {0xFFF10FF1u, 1},  // alpha plays no part
        {0x80F10FF1u, 1},
        {0xFFF110F1u, 0},  // green 16
        {0xFFF10FF0u, 0},  // blue 240
        {0xFFFF00FFu, 1},
        {0x00000000u, 0},
    };
    for (auto& c : cases) EXPECT_EQ(KRV_CheckSpriteTransparency((int)c.colour), c.keyed) << std::hex << c.colour;
}

// ---------------------------------------------------------------------------
// What each draw asks of the video core.

struct SpriteDrawCase {
    const char* name;
    void (*draw)(s_sprite);
    std::vector<std::string> calls;
    fv::Quad quad;
};

void PrintTo(const SpriteDrawCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<SpriteDrawCase> SpriteDrawCases() {
    return {
        {"plain", [](s_sprite s) { KRV_DrawSprite(10, 20, s); },
         {"EnableRenderState 2", "BindTexture T", "DrawQuad"},
         {10, 20, 32, 16, 0.25f, 0.125f, 0.5f, 0.375f, false, 0, 0}},
        {"mirrored", [](s_sprite s) { KRV_DrawMirroredSprite(10, 20, s); },
         {"EnableRenderState 2", "BindTexture T", "DrawQuad"},
         {10, 20, 32, 16, 0.5f, 0.125f, 0.25f, 0.375f, false, 0, 0}},
        {"blend", [](s_sprite s) { KRV_DrawBlendSprite(1, 2, s, 2); },
         {"EnableRenderState 2", "BindTexture T", "SetBlendMode 2", "EnableRenderState 4", "DrawQuad",
          "DisableRenderState 4"},
         {1, 2, 32, 16, 0.25f, 0.125f, 0.5f, 0.375f, false, 0, 0}},
        {"alpha", [](s_sprite s) { KRV_DrawAlphaSprite(1, 2, s, 0.25f); },
         {"EnableRenderState 2", "BindTexture T", "EnableAlphaBlend 0.25", "DrawQuad", "DisableAlphaBlend"},
         {1, 2, 32, 16, 0.25f, 0.125f, 0.5f, 0.375f, false, 0, 0}},
        {"scaled", [](s_sprite s) { KRV_DrawScaledSprite(-3, 4, 64.5f, 8.0f, s, 7); },
         {"EnableRenderState 2", "BindTexture T", "DrawQuad"},
         {-3, 4, 64.5f, 8.0f, 0.25f, 0.125f, 0.5f, 0.375f, false, 0, 0}},
        {"rotated", [](s_sprite s) { KRV_DrawRotatedSprite(5, 6, s, -45.0f); },
         {"BindTexture T", "EnableRenderState 2", "DrawRotatedQuad"},
         {5, 6, 32, 16, 0.25f, 0.125f, 0.5f, 0.375f, true, -45.0f, 0}},
    };
}

class SpriteDrawTest : public SpriteTest, public ::testing::WithParamInterface<SpriteDrawCase> {};

TEST_P(SpriteDrawTest, AsksTheVideoCoreForOneQuad) {
    const SpriteDrawCase& c = GetParam();
    s_bitmap b = MadeBitmap(128, 64);
    s_sprite s = {};
    KRV_GetSprite(32, 8, 32, 16, b, &s);  // u 0.25 to 0.5, v 0.125 to 0.375
    fv::Reset();
    c.draw(s);
    fv::ExpectOneQuad(c.calls, (int)b.textureid, c.quad);
}

INSTANTIATE_TEST_SUITE_P(Draws, SpriteDrawTest, ::testing::ValuesIn(SpriteDrawCases()),
                         [](const ::testing::TestParamInfo<SpriteDrawCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
