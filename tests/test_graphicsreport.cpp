// The graphics-memory report and the flush of the sprite and bitmap
// registries (GL-free: the video core is the recording stand-in).
#include <gtest/gtest.h>

#include <string>

#include "krv/corebitmap.h"
#include "krv/corefont.h"
#include "krv/coresprite.h"
#include "krv/krv_report.h"
#include "tests/images/fakevideo.h"
#include "tests/images/tgasupport.h"
#include "tests/support/testsupport.h"

namespace {

class GraphicsReportTest : public kt::ScratchTest {
protected:
    void SetUp() override {
        kt::ScratchTest::SetUp();
        fv::Reset();
        tga::ForgetImages();
    }
};

TEST_F(GraphicsReportTest, ReportPrintsTheFourTablesAgainstTheirLimits) {
    static s_bitmap a, b;
    static s_sprite s;
    KRV_CreateBitmap(2, 2, &a);
    KRV_CreateBitmap(2, 2, &b);
    KRV_GetSprite(0, 0, 1, 1, a, &s);
    krv_numfonts = 3;
    EXPECT_EQ(kt::Captured([] { KRV_ShowGraphicsMemory(); }),
              "[=== GRAPHICS MEMORY INFO ===]\n"
              "Num.Bitmaps: 2 / 1024\n"
              "Num.Sprites: 1 / 1024\n"
              "Num.Fonts: 3 / 16\n"
              "Num.Framebuffers: 1 / 16\n"
              "[============================]\n");
}

TEST_F(GraphicsReportTest, FlushOnEmptyRegistriesPrintsZeroesAndClearsTheFontCount) {
    krv_numfonts = 5;
    EXPECT_EQ(kt::Captured([] { KRV_FlushGraphics(); }), "[0 sprites deleted]\n[0 bitmaps deleted]\n");
    EXPECT_EQ(krv_numfonts, 0);
    EXPECT_EQ(krv_numbitmaps, 0);
    EXPECT_EQ(krv_numsprites, 0);
}

TEST_F(GraphicsReportTest, FlushDeletesEveryListedSpriteAndBitmapOnce) {
    // A loaded font (image + letters), a created sprite, a plain bitmap.
    tga::Header h;
    h.width = 10, h.height = 2, h.depth = 32, h.descriptor = 0x20;
    std::string px(10 * 2 * 4, '\0');
    px[4 * 4 + 3] = (char)0xFF;
    tga::Mount({{"f.tga", tga::File(h, px)}});
    static s_font font;
    static s_sprite made;
    static s_bitmap plain;
    kt::Captured([&] { KRV_LoadFont("f.tga", &font); });
    KRV_CreateSprite(4, 4, &made);
    KRV_CreateBitmap(3, 3, &plain);
    ASSERT_EQ(krv_numsprites, 4);  // 3 letters and the created sprite
    ASSERT_EQ(krv_numbitmaps, 2);
    int fonttexture = krv_fontbmp[0].textureid, plaintexture = plain.textureid;
    fv::Reset();

    std::string printed = kt::Captured([] { KRV_FlushGraphics(); });
    EXPECT_EQ(printed, "[4 sprites deleted]\ndeleting bitmap\ndeleting bitmap\n[2 bitmaps deleted]\n");
    EXPECT_EQ(made.pixels, nullptr);
    EXPECT_EQ(krv_fontbmp[0].pixels, nullptr);
    EXPECT_EQ(plain.pixels, nullptr);
    EXPECT_EQ(fv::calls, (std::vector<std::string>{"DeleteTexture " + std::to_string(fonttexture),
                                                   "DeleteTexture " + std::to_string(plaintexture)}));
    EXPECT_EQ(krv_numsprites, 0);
    EXPECT_EQ(krv_numbitmaps, 0);
    EXPECT_EQ(krv_numfonts, 0);
    // The records stay with their holders.
    EXPECT_EQ(plain.width, 3);
    EXPECT_EQ(font.count, 3);

    // A second flush finds empty registries; the old records are not touched.
    EXPECT_EQ(kt::Captured([] { KRV_FlushGraphics(); }), "[0 sprites deleted]\n[0 bitmaps deleted]\n");
}

TEST_F(GraphicsReportTest, PushAndPopDoNothing) {
    std::string printed = kt::Captured([] {
        KRV_PushGraphics();
        KRV_PopGraphics();
    });
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(fv::calls.empty());
}

}  // namespace
