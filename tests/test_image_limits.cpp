// The image loaders judge a file by its header before they allocate: TGA
// files (through KRV_LoadBitmap and KRV_LoadFont) and PNG files (through the
// demo's KRV_LoadBitmapPNG) whose size is past the ceiling, TGA files that
// claim more pixels than their bytes could hold, and depths the decoder
// cannot read are refused with one line and an empty record; every image
// type is decoded.
// Each load runs in a child process that could not have allocated much: its
// address space is limited to 256 MiB more than it already uses, or, under
// AddressSanitizer (whose shadow memory rules out such a limit), its largest
// single allocation is recorded and checked.
#include <gtest/gtest.h>
#include <lodepng.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "demo/assets.h"
#include "krv/corebitmap.h"
#include "krv/corefont.h"
#include "krv/krv_report.h"
#include "tests/images/fakevideo.h"
#include "tests/images/tgasupport.h"
#include "tests/support/testsupport.h"

#if defined(__SANITIZE_ADDRESS__)
#define KASTREL_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KASTREL_TEST_ASAN 1
#endif
#endif

#ifdef KASTREL_TEST_ASAN
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                         void (*free_hook)(const volatile void*));
#endif

namespace {

using tga::Bytes;
using tga::Px24;

// The most a refused load, or a load of the thin images at the ceiling, may
// take in one piece; the hostile headers below used to ask for 1.9 GB.
const size_t kSmall = 64u << 20;

#ifdef KASTREL_TEST_ASAN
size_t largest_allocation = 0;
void NoteAllocation(const volatile void*, size_t size) {
    if (size > largest_allocation) largest_allocation = size;
}
void NoteRelease(const volatile void*) {}
#else
// Bytes of address space the process holds now.
size_t AddressSpaceInUse() {
    FILE* f = fopen("/proc/self/statm", "r");
    unsigned long pages = 0;
    if (f) {
        if (fscanf(f, "%lu", &pages) != 1) pages = 0;
        fclose(f);
    }
    return (size_t)pages * (size_t)sysconf(_SC_PAGESIZE);
}
#endif

// Runs load in a child that cannot allocate large blocks and returns what it
// returned. A failure to set the limit, or a large allocation seen
// under the sanitizer, comes back as a text that no case expects.
std::string InSmallChild(const std::function<std::string()>& load) {
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    fflush(stdout);
    pid_t pid = fork();
    if (pid < 0) return "fork failed";
    if (pid == 0) {
        close(fds[0]);
        std::string out;
#ifdef KASTREL_TEST_ASAN
        __sanitizer_install_malloc_and_free_hooks(NoteAllocation, NoteRelease);
        out = load();
        if (largest_allocation > kSmall) out = "allocated " + std::to_string(largest_allocation) + " bytes at once";
#else
        struct rlimit limit;
        limit.rlim_cur = limit.rlim_max = AddressSpaceInUse() + 4 * kSmall;
        void* volatile probe = nullptr;  // volatile: the compiler may not drop the probe
        if (setrlimit(RLIMIT_AS, &limit) != 0) {
            out = "setrlimit failed";
        } else if ((probe = malloc(8 * kSmall)) != nullptr) {
            out = "the address-space limit is not in force";
            free(probe);
        } else {
            out = load();
        }
#endif
        size_t done = 0;
        while (done < out.size()) {
            ssize_t n = write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0) break;
            done += (size_t)n;
        }
        close(fds[1]);
        _exit(0);
    }
    close(fds[1]);
    std::string got;
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) got.append(buf, (size_t)n);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the child died: status " + std::to_string(status);
    return got;
}

// How the record looks afterwards ("empty" when every byte is still zero),
// with the bitmaps listed and the calls made of the video core.
std::string RecordState(const s_bitmap& b) {
    s_bitmap zero;
    memset(&zero, 0, sizeof zero);
    std::string state = memcmp(&b, &zero, sizeof b) == 0
                            ? "empty"
                            : std::to_string(b.width) + " x " + std::to_string(b.height) +
                                  (b.pixels ? " with pixels" : " without pixels");
    return state + "; listed " + std::to_string(krv_numbitmaps) + ", video calls " + std::to_string(fv::calls.size());
}

// A refusal: the record untouched, no bitmap listed, no texture made.
const char kEmpty[] = "empty; listed 0, video calls 0";
// A load: one bitmap, its texture made and uploaded.
std::string Loaded(const std::string& size) {
    return size + " with pixels; listed 1, video calls 2";
}

class ImageLimits : public kt::ScratchTest {
protected:
    void SetUp() override {
        kt::ScratchTest::SetUp();
        fv::Reset();
        tga::ForgetImages();
    }
};

// ---------------------------------------------------------------------------
// TGA through KRV_LoadBitmap.

struct TgaLimitCase {
    const char* name;
    std::string file;
    std::string printed;  // after "Loading TGA image." and the file layer's line
    std::string record;   // RecordState afterwards
};

void PrintTo(const TgaLimitCase& c, std::ostream* os) {
    *os << c.name;
}

tga::Header Hdr(int type, int w, int h, int depth) {
    tga::Header hd;
    hd.imagetype = (uint8_t)type, hd.width = (uint16_t)w, hd.height = (uint16_t)h, hd.depth = (uint8_t)depth;
    hd.descriptor = 0x20;
    return hd;
}

std::string Repeat(const std::string& unit, int times) {
    std::string out;
    for (int i = 0; i < times; i++) out += unit;
    return out;
}

std::vector<TgaLimitCase> TgaCases() {
    const std::string notloaded = "- ERROR: Image h.tga not loaded.\n";
    std::vector<TgaLimitCase> c;
    // The fuzzer's find: an 18-byte header of 7676 x 64764 pixels of an
    // unsupported depth; the same size in a depth that is read.
    c.push_back({"found_by_fuzzing", tga::File(Hdr(2, 7676, 64764, 252), ""),
                 "width: 7676, height: 64764, bpp: 252\nTGA: pixel depth 252 is not supported.\n" + notloaded,
                 kEmpty});
    c.push_back({"found_by_fuzzing_in_24_bits", tga::File(Hdr(2, 7676, 64764, 24), ""),
                 "width: 7676, height: 64764, bpp: 24\n"
                 "TGA: 7676 x 64764 is too large (at most 8192 pixels a side).\n" + notloaded,
                 kEmpty});
    // The ceiling, on each side.
    c.push_back({"widest", tga::File(Hdr(2, 8192, 1, 24), Repeat(Px24(1, 2, 3), 8192)),
                 "width: 8192, height: 1, bpp: 24\n", Loaded("8192 x 1")});
    c.push_back({"one_column_too_wide", tga::File(Hdr(2, 8193, 1, 24), Repeat(Px24(1, 2, 3), 8193)),
                 "width: 8193, height: 1, bpp: 24\n"
                 "TGA: 8193 x 1 is too large (at most 8192 pixels a side).\n" + notloaded,
                 kEmpty});
    c.push_back({"tallest", tga::File(Hdr(2, 1, 8192, 24), Repeat(Px24(1, 2, 3), 8192)),
                 "width: 1, height: 8192, bpp: 24\n", Loaded("1 x 8192")});
    c.push_back({"one_row_too_tall", tga::File(Hdr(2, 1, 8193, 24), Repeat(Px24(1, 2, 3), 8193)),
                 "width: 1, height: 8193, bpp: 24\n"
                 "TGA: 1 x 8193 is too large (at most 8192 pixels a side).\n" + notloaded,
                 kEmpty});
    // 64 pixels per byte after the header: two-byte runs of 128 grey pixels
    // are the densest a file can be, and load; one pixel more is refused.
    c.push_back({"densest_possible_run_length", tga::File(Hdr(11, 256, 1, 8), Bytes({0xFF, 200, 0xFF, 100})),
                 "width: 256, height: 1, bpp: 8\nTGA is RLE packed.", Loaded("256 x 1")});
    c.push_back({"one_pixel_more_than_the_bytes_hold",
                 tga::File(Hdr(11, 257, 1, 8), Bytes({0xFF, 200, 0xFF, 100})),
                 "width: 257, height: 1, bpp: 8\nTGA: 257 x 1 pixels cannot fit in the 4 bytes after the header.\n" +
                     notloaded,
                 kEmpty});
    c.push_back({"header_only_at_the_ceiling", tga::File(Hdr(10, 8192, 8192, 32), ""),
                 "width: 8192, height: 8192, bpp: 32\n"
                 "TGA: 8192 x 8192 pixels cannot fit in the 0 bytes after the header.\n" + notloaded,
                 kEmpty});
    // A file cut short that passes the rule keeps its partial decode.
    c.push_back({"cut_short_but_possible", tga::File(Hdr(2, 64, 1, 24), Px24(1, 2, 3)),
                 "width: 64, height: 1, bpp: 24\nTGA: file ends inside its pixel data.\n", Loaded("64 x 1")});
    // Depths next to the ones that are read.
    c.push_back({"pixel_depth_33", tga::File(Hdr(2, 1, 1, 33), std::string(5, '\x11')),
                 "width: 1, height: 1, bpp: 33\nTGA: pixel depth 33 is not supported.\n" + notloaded, kEmpty});
    // Image types are not judged: 0 to 7 are read as uncompressed data, 8
    // and above as run-length data (0x00 is a raw packet of one pixel).
    static const struct {
        int type;
        const char* name;
    } types[] = {{0, "image_type_0"}, {4, "image_type_4"}, {8, "image_type_8"}, {12, "image_type_12"}};
    for (const auto& t : types) {
        std::string data = t.type >= 8 ? Bytes({0x00}) + Px24(1, 2, 3) : Px24(1, 2, 3);
        c.push_back({t.name, tga::File(Hdr(t.type, 1, 1, 24), data),
                     std::string("width: 1, height: 1, bpp: 24\n") + (t.type >= 8 ? "TGA is RLE packed." : ""),
                     Loaded("1 x 1")});
    }
    return c;
}

class TgaLimits : public ImageLimits, public ::testing::WithParamInterface<TgaLimitCase> {};

TEST_P(TgaLimits, JudgedByItsHeaderWithoutALargeAllocation) {
    const TgaLimitCase& c = GetParam();
    std::string got = InSmallChild([&] {
        tga::Mount({{"h.tga", c.file}});
        s_bitmap b = {};
        std::string printed = kt::Captured([&] { KRV_LoadBitmap("h.tga", &b); });
        return printed + "| " + RecordState(b);
    });
    EXPECT_EQ(got, "Loading TGA image.found file at offset: 29\n" + c.printed + "| " + c.record);
}

INSTANTIATE_TEST_SUITE_P(Files, TgaLimits, ::testing::ValuesIn(TgaCases()),
                         [](const ::testing::TestParamInfo<TgaLimitCase>& info) {
                             return std::string(info.param.name);
                         });

// A font goes through the same loader: its slot stays empty and the font
// gets the two letters of an image that did not load.
TEST_F(ImageLimits, AFontOfTheFuzzersHeaderIsRefusedAsItsImage) {
    std::string got = InSmallChild([&] {
        tga::Mount({{"f.tga", tga::File(Hdr(2, 7676, 64764, 252), "")}});
        s_font font = {};
        std::string printed = kt::Captured([&] { KRV_LoadFont("f.tga", &font); });
        return printed + "| " + RecordState(krv_fontbmp[0]) + "; " + std::to_string(font.count) + " letters";
    });
    EXPECT_EQ(got,
              "Loading TGA image.found file at offset: 29\n"
              "width: 7676, height: 64764, bpp: 252\n"
              "TGA: pixel depth 252 is not supported.\n"
              "- ERROR: Image f.tga not loaded.\n"
              "KRV_LoadFont - Num.Letters: 2\n"
              "KRV_LoadFont - Font Added (NumFonts: 1)\n"
              "| empty; listed 0, video calls 0; 2 letters");
}

// ---------------------------------------------------------------------------
// PNG through KRV_LoadBitmapPNG.

void PutU32BE(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += (char)((v >> shift) & 0xFF);
}

std::string Chunk(const char* type, const std::string& data) {
    std::string body = std::string(type, 4) + data;
    std::string out;
    PutU32BE(out, (uint32_t)data.size());
    out += body;
    PutU32BE(out, lodepng_crc32((const unsigned char*)body.data(), body.size()));
    return out;
}

// The fuzzer's other find: 22000 x 22000 one-bit grey pixels, all black, in
// about 60 KB (every scanline is a filter byte and 2750 zero bytes).
std::string HugeOneBitPng() {
    const uint32_t side = 22000;
    std::vector<unsigned char> raw((size_t)side * (1 + side / 8), 0);
    unsigned char* z = nullptr;
    size_t zsize = 0;
    LodePNGCompressSettings settings;
    lodepng_compress_settings_init(&settings);
    EXPECT_EQ(lodepng_zlib_compress(&z, &zsize, raw.data(), raw.size(), &settings), 0u);
    std::string idat((const char*)z, zsize);
    free(z);
    std::string ihdr;
    PutU32BE(ihdr, side);
    PutU32BE(ihdr, side);
    ihdr += std::string{1, 0, 0, 0, 0};  // bit depth 1, grey, deflate, no filter set, no interlace
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", ihdr) + Chunk("IDAT", idat) + Chunk("IEND", "");
}

std::string GreyPng(unsigned w, unsigned h) {
    std::vector<unsigned char> grey((size_t)w * h, 90);
    unsigned char* png = nullptr;
    size_t size = 0;
    EXPECT_EQ(lodepng_encode_memory(&png, &size, grey.data(), w, h, LCT_GREY, 8), 0u);
    std::string out((const char*)png, size);
    free(png);
    return out;
}

struct PngLimitCase {
    const char* name;
    std::function<std::string()> make;  // the file, made when the case runs
    std::string printed;                // after "pngbuffer loaded: N"
    std::string record;
};

void PrintTo(const PngLimitCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<PngLimitCase> PngCases() {
    return {
        {"found_by_fuzzing", HugeOneBitPng,
         "Error loading image: 22000x22000 is too large (at most 8192 pixels a side)\n", kEmpty},
        {"widest", [] { return GreyPng(8192, 1); }, "PNG width: 8192,height:1\n", Loaded("8192 x 1")},
        {"one_column_too_wide", [] { return GreyPng(8193, 1); },
         "Error loading image: 8193x1 is too large (at most 8192 pixels a side)\n", kEmpty},
        {"tallest", [] { return GreyPng(1, 8192); }, "PNG width: 1,height:8192\n", Loaded("1 x 8192")},
        {"one_row_too_tall", [] { return GreyPng(1, 8193); },
         "Error loading image: 1x8193 is too large (at most 8192 pixels a side)\n", kEmpty},
    };
}

class PngLimits : public ImageLimits, public ::testing::WithParamInterface<PngLimitCase> {};

TEST_P(PngLimits, JudgedByItsHeaderWithoutALargeAllocation) {
    const PngLimitCase& c = GetParam();
    std::string file = c.make();
    std::string got = InSmallChild([&] {
        tga::Mount({{"p.png", file}});
        s_bitmap b = {};
        std::string printed = kt::Captured([&] { KRV_LoadBitmapPNG("p.png", &b); });
        return printed + "| " + RecordState(b);
    });
    EXPECT_EQ(got, "found file at offset: 29\npngbuffer loaded: " + std::to_string(file.size()) + c.printed + "| " +
                       c.record);
}

INSTANTIATE_TEST_SUITE_P(Files, PngLimits, ::testing::ValuesIn(PngCases()),
                         [](const ::testing::TestParamInfo<PngLimitCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
