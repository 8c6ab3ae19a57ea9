// Damaged and hostile TGA files: each stops or falls back to a defined colour
// with a clear line, and nothing is read outside the file's bytes (run this
// suite under -DKASTREL_ASAN=ON to have the sanitizer check that).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <ostream>
#include <string>

#include "krv/corebitmap.h"
#include "krv/krv_report.h"
#include "tests/images/fakevideo.h"
#include "tests/images/tgasupport.h"
#include "tests/support/testsupport.h"

namespace {

using tga::Bytes;
using tga::Px24;

struct HostileCase {
    const char* name;
    std::string file;
    std::string printed;  // after "Loading TGA image." and the file layer's line
    bool loaded;          // whether the record ends with a pixel buffer
    uint32_t pixel00;     // KRV_GetPixel(0, 0) afterwards
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

tga::Header Hdr(int type, int w, int h, int depth) {
    tga::Header hd;
    hd.imagetype = (uint8_t)type, hd.width = (uint16_t)w, hd.height = (uint16_t)h, hd.depth = (uint8_t)depth;
    hd.descriptor = 0x20;
    return hd;
}

tga::Header Mapped(int first, int length, int bits, int w) {
    tga::Header hd = Hdr(1, w, 1, 8);
    hd.maptype = 1, hd.mapfirst = (uint16_t)first, hd.maplength = (uint16_t)length, hd.mapbits = (uint8_t)bits;
    return hd;
}

std::vector<HostileCase> Cases() {
    std::vector<HostileCase> c;
    const std::string notloaded = "- ERROR: Image h.tga not loaded.\n";
    c.push_back({"empty", "", "TGA: file of 0 bytes is shorter than its 18-byte header.\n" + notloaded, false, 0});
    c.push_back({"short_header", std::string(17, '\x02'),
                 "TGA: file of 17 bytes is shorter than its 18-byte header.\n" + notloaded, false, 0});
    c.push_back({"header_only", tga::File(Hdr(2, 2, 2, 24), ""),
                 "width: 2, height: 2, bpp: 24\nTGA: 2 x 2 pixels cannot fit in the 0 bytes after the header.\n" +
                     notloaded,
                 false, 0});
    {
        tga::Header hd = Hdr(2, 1, 1, 24);
        hd.idlength = 200;
        c.push_back({"image_id_past_the_end", tga::File(hd, "abcde"),
                     "width: 1, height: 1, bpp: 24\nTGA: file ends inside its image ID.\n", true, 0});
    }
    c.push_back({"colour_map_cut", tga::File(Mapped(0, 10, 24, 1), Px24(1, 2, 3) + "x"),
                 "width: 1, height: 1, bpp: 8\nTGA: file ends inside its colour map.\n", true, 0});
    {
        std::string map;
        for (int i = 0; i < 10; i++) map += Px24(i + 1, 0, 0);
        c.push_back({"colour_map_beyond_256_entries", tga::File(Mapped(250, 10, 24, 1), map + Bytes({255})),
                     "width: 1, height: 1, bpp: 8\n"
                     "TGA: colour map entry 256 lies beyond the 256-entry table; dropped.\n",
                     true, 0xFF060000u});
    }
    c.push_back({"colour_map_of_65535_entries_at_65535", tga::File(Mapped(65535, 65535, 24, 1), Px24(1, 1, 1)),
                 "width: 1, height: 1, bpp: 8\n"
                 "TGA: colour map entry 65535 lies beyond the 256-entry table; dropped.\n"
                 "TGA: file ends inside its colour map.\n",
                 true, 0});
    c.push_back({"pixel_names_an_entry_not_provided",
                 tga::File(Mapped(0, 2, 24, 3), Px24(1, 2, 3) + Px24(4, 5, 6) + Bytes({7, 1, 200})),
                 "width: 3, height: 1, bpp: 8\n"
                 "TGA: pixel value 7 names a colour map entry the file does not provide; drawn transparent.\n",
                 true, 0});
    {
        tga::Header hd = Hdr(1, 1, 1, 8);
        c.push_back({"colour_mapped_without_a_map", tga::File(hd, Bytes({3})),
                     "width: 1, height: 1, bpp: 8\n"
                     "TGA: pixel value 3 names a colour map entry the file does not provide; drawn transparent.\n",
                     true, 0});
    }
    c.push_back({"map_entries_of_8_bits", tga::File(Mapped(0, 2, 8, 1), Bytes({9, 9, 0})),
                 "width: 1, height: 1, bpp: 8\n"
                 "TGA: colour map entries of 8 bits are not supported; skipped.\n"
                 "TGA: pixel value 0 names a colour map entry the file does not provide; drawn transparent.\n",
                 true, 0});
    c.push_back({"pixel_data_cut", tga::File(Hdr(2, 3, 3, 24), Px24(1, 2, 3) + Px24(1, 2, 3) + "\x01"),
                 "width: 3, height: 3, bpp: 24\nTGA: file ends inside its pixel data.\n", true, 0xFF010203u});
    c.push_back({"interleaved_data_cut", [] {
                     tga::Header hd = Hdr(2, 1, 4, 24);
                     hd.descriptor = 0xA0;
                     return tga::File(hd, Px24(1, 2, 3));
                 }(),
                 "width: 1, height: 4, bpp: 24\nTGA: file ends inside its pixel data.\n", true, 0xFF010203u});
    c.push_back({"run_without_its_pixel", tga::File(Hdr(10, 4, 1, 24), Bytes({0x85, 1})),
                 "width: 4, height: 1, bpp: 24\nTGA is RLE packed.TGA: file ends inside its pixel data.\n", true,
                 0});
    c.push_back({"raw_packet_cut", tga::File(Hdr(10, 4, 1, 24), Bytes({0x03}) + Px24(1, 2, 3) + "\x05"),
                 "width: 4, height: 1, bpp: 24\nTGA is RLE packed.TGA: file ends inside its pixel data.\n", true,
                 0xFF010203u});
    c.push_back({"last_packet_missing", tga::File(Hdr(10, 4, 1, 24), Bytes({0x81}) + Px24(1, 2, 3)),
                 "width: 4, height: 1, bpp: 24\nTGA is RLE packed.TGA: file ends inside its pixel data.\n", true,
                 0xFF010203u});
    c.push_back({"size_beyond_32_bits", tga::File(Hdr(2, 65535, 65535, 24), Px24(1, 2, 3)),
                 "width: 65535, height: 65535, bpp: 24\n"
                 "TGA: 65535 x 65535 is too large (at most 8192 pixels a side).\n" +
                     notloaded,
                 false, 0});
    c.push_back({"size_wrapping_to_0_in_32_bits", tga::File(Hdr(10, 32768, 32768, 32), Bytes({0xFF, 1, 2, 3, 4})),
                 "width: 32768, height: 32768, bpp: 32\n"
                 "TGA: 32768 x 32768 is too large (at most 8192 pixels a side).\n" +
                     notloaded,
                 false, 0});
    c.push_back({"pixel_depth_7", tga::File(Hdr(2, 2, 2, 7), std::string(8, '\x7f')),
                 "width: 2, height: 2, bpp: 7\nTGA: pixel depth 7 is not supported.\n" + notloaded, false, 0});
    c.push_back({"pixel_depth_0_run_length", tga::File(Hdr(10, 2, 2, 0), std::string(8, '\x81')),
                 "width: 2, height: 2, bpp: 0\nTGA: pixel depth 0 is not supported.\n" + notloaded, false, 0});
    c.push_back({"width_0", tga::File(Hdr(2, 0, 5, 24), ""), "width: 0, height: 5, bpp: 24\n", true, 0});
    c.push_back({"height_0_run_length", tga::File(Hdr(10, 5, 0, 24), "\x80"),
                 "width: 5, height: 0, bpp: 24\nTGA is RLE packed.", true, 0});
    return c;
}

class TgaHostileTest : public kt::ScratchTest, public ::testing::WithParamInterface<HostileCase> {
protected:
    void SetUp() override {
        kt::ScratchTest::SetUp();
        tga::ForgetImages();
    }
    void TearDown() override {
        kt::Captured([] { KRV_FlushGraphics(); });
        tga::Unmount();
        kt::ScratchTest::TearDown();
    }
    s_bitmap b = {};
};

TEST_P(TgaHostileTest, StopsWithAClearLineAndStaysInsideTheFile) {
    const HostileCase& c = GetParam();
    tga::Mount({{"h.tga", c.file}});
    std::string printed = kt::Captured([&] { KRV_LoadBitmap("h.tga", &b); });
    EXPECT_EQ(printed, "Loading TGA image.found file at offset: 29\n" + c.printed);
    EXPECT_EQ(b.pixels != nullptr, c.loaded);
    EXPECT_EQ(KRV_GetPixel(0, 0, b), c.pixel00);
    // Pixels the decode did not reach are transparent black.
    if (b.pixels && b.width > 1) {
        EXPECT_EQ(KRV_GetPixel(b.width - 1, b.height - 1, b), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, TgaHostileTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(TgaHostile, RefusedSizeLeavesNoBufferAndNoTexture) {
    fv::Reset();
    tga::ForgetImages();
    s_bitmap b = {};
    std::string printed = kt::Captured([&] { KRV_CreateBitmap(-3, 4, &b); });
    EXPECT_EQ(printed, "KRV_CreateBitmap: -3 x 4 is not a usable bitmap size, no pixels.\n");
    EXPECT_EQ(b.pixels, nullptr);
    EXPECT_EQ(b.textureid, 0);
    EXPECT_TRUE(fv::calls.empty());
    tga::ForgetImages();  // b is listed and goes out of scope here
}

// Seeded damage to valid files of every kind: random bytes changed and the
// file cut at random lengths. The sizes stay below 256 x 256 so each decode
// is small; the sanitizer build checks that no read leaves the file.
class TgaMutationTest : public kt::ScratchTest {};

TEST_F(TgaMutationTest, DamagedFilesNeverReadOutsideTheirBytes) {
    tga::ForgetImages();
    std::vector<std::string> seeds;
    {
        std::string map;
        for (int i = 0; i < 16; i++) map += Px24(i * 16, 255 - i * 16, i);
        seeds.push_back(tga::File(Mapped(0, 16, 24, 6), map + Bytes({0, 1, 2, 3, 15, 14})));
        tga::Header rl = Mapped(3, 16, 16, 5);
        rl.imagetype = 9, rl.height = 3;
        std::string map16;
        for (int i = 0; i < 16; i++) map16 += tga::Px16((unsigned)(i * 2000));
        seeds.push_back(tga::File(rl, map16 + Bytes({0x84, 4, 0x02, 5, 6, 7, 0x86, 8})));
        tga::Header t32 = Hdr(10, 4, 4, 32);
        t32.descriptor = 0x18;
        seeds.push_back(tga::File(t32, Bytes({0x87}) + tga::Px32(1, 2, 3, 4) + Bytes({0x07}) +
                                           std::string(32, '\x40')));
        tga::Header il = Hdr(2, 3, 5, 16);
        il.descriptor = 0x60;
        seeds.push_back(tga::File(il, std::string(2 * 3 * 6, '\x11')));
        tga::Header grey = Hdr(11, 7, 2, 8);
        grey.idlength = 3;
        seeds.push_back(tga::File(grey, "abc" + Bytes({0x86, 200, 0x06, 1, 2, 3, 4, 5, 6, 7})));
    }
    std::mt19937 rng(20261210);
    int loaded = 0;
    for (int round = 0; round < 400; round++) {
        std::string file = seeds[round % seeds.size()];
        int changes = 1 + (int)(rng() % 4);
        for (int i = 0; i < changes; i++) file[rng() % file.size()] = (char)(rng() & 0xFF);
        if (rng() % 2) file.resize(rng() % (file.size() + 1));
        if (file.size() > 15) file[13] = 0;  // width below 256
        if (file.size() > 17) file[15] = 0;  // height below 256
        tga::Mount({{"h.tga", file}});
        s_bitmap b = {};
        std::string printed = kt::Captured([&] {
            KRV_LoadBitmap("h.tga", &b);
            if (b.pixels) loaded++;
            KRV_FlushGraphics();
        });
        ASSERT_EQ(printed.rfind("Loading TGA image.", 0), 0u) << printed;
    }
    tga::Unmount();
    EXPECT_GT(loaded, 100);
}

}  // namespace
