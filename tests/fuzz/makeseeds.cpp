// Writes the seed corpora of the fuzz harnesses, one folder per harness
// under the folder given: small valid files of each kind and a few damaged
// ones, so that fuzzing starts from every path the parsers have. The show's
// own timing file, when its path is given, is a timing seed too.
//
//   fuzz_seeds OUTDIR [TIMING_FILE]
#include <lodepng.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string outdir;

void put_u16(std::string& out, unsigned v) {
    out += (char)(v & 0xFF);
    out += (char)((v >> 8) & 0xFF);
}

void put_u32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; i++) out += (char)((v >> (8 * i)) & 0xFF);
}

bool write(const std::string& kind, const std::string& name, const std::string& bytes) {
    std::string dir = outdir + "/" + kind;
    mkdir(outdir.c_str(), 0755);
    mkdir(dir.c_str(), 0755);
    std::string path = dir + "/" + name;
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// ---- TGA -------------------------------------------------------------------

std::string tga(int idlength, int maptype, int type, int mapfirst, int maplength, int mapbits, int w, int h,
                int depth, int descriptor, const std::string& body) {
    std::string out;
    out += (char)idlength;
    out += (char)maptype;
    out += (char)type;
    put_u16(out, (unsigned)mapfirst);
    put_u16(out, (unsigned)maplength);
    out += (char)mapbits;
    put_u16(out, 0);
    put_u16(out, 0);
    put_u16(out, (unsigned)w);
    put_u16(out, (unsigned)h);
    out += (char)depth;
    out += (char)descriptor;
    return out + body;
}

std::string px24(int r, int g, int b) { return std::string{(char)b, (char)g, (char)r}; }
std::string px32(int r, int g, int b, int a) { return std::string{(char)b, (char)g, (char)r, (char)a}; }

std::string pattern24(int n) {
    std::string out;
    for (int i = 0; i < n; i++) out += px24(i * 37, 255 - i * 11, i * 5);
    return out;
}

// A font image: a 32-bit marker row with markers at the given columns, then
// rows of glyph pixels; stored top row first.
std::string font(int width, int height, const std::vector<int>& markers, bool rle) {
    std::string rows;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            bool marker = false;
            for (int m : markers) marker = marker || m == x;
            if (y == 0)
                rows += marker ? px32(255, 255, 255, 255) : px32(255, 0, 255, 255);
            else
                rows += ((x + y) % 3) ? px32(200, 180, 40, 255) : px32(255, 0, 255, 255);
        }
    }
    if (!rle) return tga(0, 0, 2, 0, 0, 0, width, height, 32, 0x28, rows);
    // Run-length: every row as one raw packet (widths below 128).
    std::string body;
    for (int y = 0; y < height; y++) {
        body += (char)(width - 1);
        body += rows.substr((size_t)y * width * 4, (size_t)width * 4);
    }
    return tga(0, 0, 10, 0, 0, 0, width, height, 32, 0x28, body);
}

// ---- WAV -------------------------------------------------------------------

std::string wav(int format, int channels, uint32_t rate, int bits, const std::string& samples) {
    std::string out = "RIFF";
    put_u32(out, (uint32_t)(36 + samples.size()));
    out += "WAVEfmt ";
    put_u32(out, 16);
    put_u16(out, (unsigned)format);
    put_u16(out, (unsigned)channels);
    put_u32(out, rate);
    put_u32(out, rate * (uint32_t)channels * (uint32_t)(bits / 8));
    put_u16(out, (unsigned)(channels * (bits / 8)));
    put_u16(out, (unsigned)bits);
    out += "data";
    put_u32(out, (uint32_t)samples.size());
    return out + samples;
}

std::string samples16(int n) {
    std::string out;
    for (int i = 0; i < n; i++) put_u16(out, (unsigned)(uint16_t)(int16_t)((i * 2731) % 60000 - 30000));
    return out;
}

// ---- data images -------------------------------------------------------------

std::string image(const std::vector<std::pair<std::string, std::string>>& files, uint32_t base = 0) {
    uint32_t dirsize = 0;
    for (auto& f : files) dirsize += 12 + (uint32_t)f.first.size();
    uint32_t offset = base + 12 + dirsize;
    std::string dir, data;
    for (auto& f : files) {
        int32_t hash = 0;
        for (char c : f.first) hash += (signed char)c;
        put_u32(dir, (uint32_t)f.first.size());
        put_u32(dir, (uint32_t)hash);
        dir += f.first;
        put_u32(dir, offset + (uint32_t)data.size());
        data += f.second;
    }
    std::string out = "CORE";
    put_u32(out, (uint32_t)files.size());
    put_u32(out, offset + (uint32_t)data.size());
    return out + dir + data;
}

// ---- PNG -------------------------------------------------------------------

std::string png(const std::vector<unsigned char>& pixels, unsigned w, unsigned h, LodePNGColorType type, unsigned bits,
                bool interlaced = false) {
    LodePNGState state;
    lodepng_state_init(&state);
    state.info_raw.colortype = type;
    state.info_raw.bitdepth = bits;
    state.info_png.color.colortype = type;
    state.info_png.color.bitdepth = bits;
    state.info_png.interlace_method = interlaced ? 1 : 0;
    state.encoder.auto_convert = 0;
    if (type == LCT_PALETTE) {
        lodepng_palette_add(&state.info_png.color, 255, 0, 0, 255);
        lodepng_palette_add(&state.info_png.color, 0, 255, 0, 128);
        lodepng_palette_add(&state.info_raw, 255, 0, 0, 255);
        lodepng_palette_add(&state.info_raw, 0, 255, 0, 128);
    }
    unsigned char* out = nullptr;
    size_t size = 0;
    unsigned error = lodepng_encode(&out, &size, pixels.data(), w, h, &state);
    lodepng_state_cleanup(&state);
    std::string bytes = error ? std::string() : std::string((const char*)out, size);
    free(out);
    return bytes;
}

std::string read_file(const char* path) {
    std::string out;
    FILE* f = fopen(path, "rb");
    if (!f) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    fclose(f);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: fuzz_seeds OUTDIR [TIMING_FILE]\n");
        return 2;
    }
    outdir = argv[1];
    bool ok = true;

    // TGA: each depth, both encodings, colour maps, origins, interleave, an
    // image ID, and a file cut short.
    ok &= write("tga", "rgb24.tga", tga(0, 0, 2, 0, 0, 0, 3, 2, 24, 0x00, pattern24(6)));
    ok &= write("tga", "rgba32_rle_topright.tga",
                tga(0, 0, 10, 0, 0, 0, 4, 4, 32, 0x38,
                    "\x87" + px32(9, 8, 7, 6) + "\x07" + std::string(32, '\x40')));
    {
        std::string map;
        for (int i = 0; i < 8; i++) map += px24(i * 30, 200 - i * 20, i);
        ok &= write("tga", "mapped24.tga",
                    tga(0, 1, 1, 0, 8, 24, 4, 2, 8, 0x20, map + std::string("\x00\x01\x02\x03\x07\x06\x05\x09", 8)));
        std::string map16;
        for (int i = 0; i < 6; i++) put_u16(map16, (unsigned)(i * 5000));
        ok &= write("tga", "mapped16_rle.tga",
                    tga(0, 1, 9, 2, 6, 16, 5, 3, 8, 0x00, map16 + std::string("\x84\x02\x02\x03\x04\x05\x86\x07", 8)));
    }
    ok &= write("tga", "grey_rle_id.tga",
                tga(3, 0, 11, 0, 0, 0, 7, 2, 8, 0x20, "abc" + std::string("\x86\xc8\x06\x01\x02\x03\x04\x05\x06\x07", 10)));
    {
        std::string body;
        for (int i = 0; i < 3 * 6; i++) put_u16(body, (unsigned)(i * 1111));
        ok &= write("tga", "rgb16_interleaved.tga", tga(0, 0, 2, 0, 0, 0, 3, 5, 16, 0x60, body));
    }
    ok &= write("tga", "cut_short.tga", tga(0, 0, 2, 0, 0, 0, 4, 4, 24, 0x00, pattern24(5)));

    // Fonts: plain and run-length, with a handful of letters.
    ok &= write("font", "font_plain.tga", font(40, 6, {5, 9, 14, 20, 27, 33}, false));
    ok &= write("font", "font_rle.tga", font(24, 5, {3, 7, 12, 18}, true));
    ok &= write("font", "font_no_markers.tga", font(6, 3, {}, false));

    // WAV: the show's format, 8-bit mono, an odd 16-bit data size, a format
    // that is not PCM, and a data size past the end.
    ok &= write("wav", "stereo16.wav", wav(1, 2, 44100, 16, samples16(400)));
    {
        std::string s8;
        for (int i = 0; i < 300; i++) s8 += (char)(128 + (i % 64) - 32);
        ok &= write("wav", "mono8.wav", wav(1, 1, 22050, 8, s8));
    }
    ok &= write("wav", "mono16_odd.wav", wav(1, 1, 11025, 16, samples16(101) + "\x01"));
    ok &= write("wav", "float.wav", wav(3, 2, 48000, 32, std::string(64, '\x10')));
    {
        std::string w = wav(1, 2, 44100, 16, samples16(16));
        w[40] = (char)0xFF;  // data size beyond the file
        ok &= write("wav", "data_past_end.wav", w);
    }

    // Timing files: the show's own and a small one with comments, numbers
    // carried from line to line, a state before any event and a bad index.
    if (argc > 2) {
        std::string own = read_file(argv[2]);
        if (own.empty()) ok = false;
        ok &= write("timing", "timing.dat", own);
    }
    ok &= write("timing", "small.dat",
                "state 0 5\n"
                ";events (index, audiopos, numstates, transition_id)\n"
                "event 0 000000 2 0\nstate 0 0\nstate 1 100\n"
                "event 1 000300 1 2\nstate 0 -20\n"
                "event 2 600\nstate 0\n"
                "  event 9 900 0 70\nstate 3 40\r\n"
                "event 3 1200 1 1");

    // Data images: files in folders, an empty image, a host file with an
    // appended image, and a last line that runs on into the next entry.
    ok &= write("datimage", "three_files.dat",
                image({{"timing.dat", "event 0 0 1 0\nstate 0 0\n"},
                       {"gfx/font.tga", tga(0, 0, 2, 0, 0, 0, 2, 1, 24, 0, pattern24(2))},
                       {"music.wav", wav(1, 1, 8000, 8, std::string(20, '\x80'))}}));
    ok &= write("datimage", "empty.dat", image({}));
    {
        std::string host = "host program bytes ...";
        std::string appended = host + image({{"a.txt", "one\ntwo"}, {"b/c.txt", "three\n"}}, (uint32_t)host.size());
        put_u32(appended, (uint32_t)host.size());
        ok &= write("datimage", "appended.exe", appended);
    }
    ok &= write("datimage", "run_on_lines.dat", image({{"x/first", "no line break"}, {"y/second", "\n\n"}}));

    // PNG: the colour types and depths lodepng converts, an interlaced one and
    // a file cut short.
    ok &= write("png", "rgba8.png", png({255, 0, 0, 255, 0, 0, 255, 128}, 2, 1, LCT_RGBA, 8));
    ok &= write("png", "palette.png", png({0, 1, 1, 0}, 2, 2, LCT_PALETTE, 8));
    ok &= write("png", "grey16.png", png({0, 0, 255, 255}, 2, 1, LCT_GREY, 16));
    ok &= write("png", "grey1.png", png({0xA5, 0x5A, 0xFF, 0x00}, 8, 4, LCT_GREY, 1));
    {
        std::vector<unsigned char> rgb;
        for (int i = 0; i < 9 * 7; i++) rgb.insert(rgb.end(), {(unsigned char)i, (unsigned char)(i * 3), 7});
        std::string inter = png(rgb, 9, 7, LCT_RGB, 8, true);
        ok &= write("png", "rgb_interlaced.png", inter);
        ok &= write("png", "cut_short.png", inter.substr(0, inter.size() / 2));
    }
    ok &= write("png", "grey_alpha.png", png({10, 200, 30, 40}, 1, 2, LCT_GREY_ALPHA, 8));

    if (!ok) {
        fprintf(stderr, "fuzz_seeds: could not write every seed into %s\n", outdir.c_str());
        return 1;
    }
    return 0;
}
