#include "tests/show/showdata.h"

#include <gtest/gtest.h>
#include <lodepng.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tests/support/testsupport.h"

namespace st {

const char* const kShaderFiles[16] = {
    "audio.glsl",          "wave_curtain2.glsl",       "firecube.glsl",          "ballz.glsl",
    "lumicube.glsl",       "heart.glsl",               "cubemaze2.glsl",         "voronoi.glsl",
    "blobs2.glsl",         "mossruncube.glsl",         "mossruninside.glsl",     "noise.glsl",
    "transition_dissolve.glsl", "transition_fade.glsl", "transition_flash.glsl", "transition_lumadissolve.glsl",
};

const char* const kImageFiles[25] = {
    "curtain640x16.png", "kastrel_intro.png", "kastrel_vote.png", "band_sillouette640.png", "title2.png",
    "lumitide1o.png",    "lumitide2o2a.png",  "lumitide2o2b.png", "lumitide2wt2.png",       "lumitide512b.png",
    "ko_wtf1.png",       "ko_wtf2.png",       "varu1.png",        "varu2.png",              "credits1.png",
    "credits2.png",      "credits3.png",      "credits4.png",     "zeqo1280_2.png",         "zeqo1280_2a.png",
    "prolvens2.png",     "prolvens2b.png",    "prolvenstext2.png", "getmossruny.png",       "text1024x64y.png",
};

bool IsClampImage(int index) {
    static const int clamp[] = {3, 5, 6, 7, 8, 10, 11, 20, 21, 22, 24};
    for (int c : clamp)
        if (c == index) return true;
    return false;
}

void Files::Set(const std::string& name, const std::string& bytes) {
    for (auto& e : entries)
        if (e.first == name) {
            e.second = bytes;
            return;
        }
    entries.emplace_back(name, bytes);
}

void Files::Remove(const std::string& name) {
    for (size_t i = 0; i < entries.size(); i++)
        if (entries[i].first == name) {
            entries.erase(entries.begin() + (long)i);
            return;
        }
}

const std::string* Files::Find(const std::string& name) const {
    for (auto& e : entries)
        if (e.first == name) return &e.second;
    return nullptr;
}

// The alpha stays 1 unless the sum of the uniforms is beyond any value the
// tests set, so no uniform can be optimised away.
std::string SceneShader(int id) {
    return "#version 120\n"
           "uniform float time;\n"
           "uniform float statetime;\n"
           "uniform float fade;\n"
           "uniform vec2 resolution;\n"
           "uniform vec3 spectrum;\n"
           "uniform vec3 absfft;\n"
           "uniform vec4 fft;\n"
           "uniform int state;\n"
           "uniform sampler2D texture0;\n"
           "uniform sampler2D texture1;\n"
           "uniform sampler2D texture2;\n"
           "uniform sampler2D texture3;\n"
           "varying vec2 texCoord;\n"
           "void main()\n"
           "{\n"
           "    vec4 t = texture2D(texture0, texCoord) + texture2D(texture1, texCoord) +\n"
           "             texture2D(texture2, texCoord) + texture2D(texture3, texCoord);\n"
           "    float sum = time + statetime + fade + resolution.x + resolution.y + spectrum.x + spectrum.y +\n"
           "                spectrum.z + absfft.x + absfft.y + absfft.z + fft.x + fft.y + fft.z + fft.w +\n"
           "                float(state) + t.x + t.y + t.z + t.w;\n"
           "    gl_FragColor = vec4(" + std::to_string(id) + ".0 / 255.0, 0.0, 0.0, 1.0 - step(1e30, abs(sum)));\n"
           "}\n";
}

std::string TransitionShader() {
    return "#version 120\n"
           "uniform vec2 resolution;\n"
           "uniform vec3 spectrum;\n"
           "uniform vec4 fft;\n"
           "uniform sampler2D texture0;\n"
           "uniform sampler2D texture1;\n"
           "uniform sampler2D texture2;\n"
           "uniform sampler2D texture3;\n"
           "uniform float time;\n"
           "uniform vec3 color;\n"
           "uniform float timingProgress;\n"
           "uniform float sintime;\n"
           "uniform float blend;\n"
           "uniform float custom;\n"
           "varying vec2 texCoord;\n"
           "void main()\n"
           "{\n"
           "    vec4 a = texture2D(texture0, texCoord);\n"
           "    vec4 b = texture2D(texture1, texCoord);\n"
           "    float sum = resolution.x + resolution.y + spectrum.x + spectrum.y + spectrum.z + fft.x + fft.y +\n"
           "                fft.z + fft.w + time + color.x + color.y + color.z + timingProgress + sintime +\n"
           "                custom + texture2D(texture2, texCoord).x + texture2D(texture3, texCoord).x;\n"
           "    vec4 m = mix(a, b, blend);\n"
           "    gl_FragColor = vec4(m.rgb, 1.0 - step(1e30, abs(sum)));\n"
           "}\n";
}

static std::string Bytes(unsigned char* data, size_t size) {
    std::string s((const char*)data, size);
    free(data);
    return s;
}

std::string PngRgba(int w, int h, const std::vector<unsigned char>& rgba) {
    unsigned char* out = nullptr;
    size_t size = 0;
    unsigned e = lodepng_encode32(&out, &size, rgba.data(), (unsigned)w, (unsigned)h);
    EXPECT_EQ(e, 0u) << lodepng_error_text(e);
    return Bytes(out, size);
}

std::string PngPalette() {
    LodePNGState state;
    lodepng_state_init(&state);
    const unsigned char colours[4][4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};
    for (auto& c : colours) {
        lodepng_palette_add(&state.info_png.color, c[0], c[1], c[2], c[3]);
        lodepng_palette_add(&state.info_raw, c[0], c[1], c[2], c[3]);
    }
    state.info_png.color.colortype = LCT_PALETTE;
    state.info_png.color.bitdepth = 8;
    state.info_raw.colortype = LCT_PALETTE;
    state.info_raw.bitdepth = 8;
    state.encoder.auto_convert = 0;
    const unsigned char indices[4] = {0, 1, 2, 3};
    unsigned char* out = nullptr;
    size_t size = 0;
    unsigned e = lodepng_encode(&out, &size, indices, 2, 2, &state);
    EXPECT_EQ(e, 0u) << lodepng_error_text(e);
    EXPECT_EQ(state.info_png.color.colortype, LCT_PALETTE);
    lodepng_state_cleanup(&state);
    return Bytes(out, size);
}

std::string PngGrey16() {
    const unsigned char grey[4] = {0x00, 0x00, 0xFF, 0xFF};  // big-endian 16-bit values
    unsigned char* out = nullptr;
    size_t size = 0;
    unsigned e = lodepng_encode_memory(&out, &size, grey, 2, 1, LCT_GREY, 16);
    EXPECT_EQ(e, 0u) << lodepng_error_text(e);
    return Bytes(out, size);
}

std::string Wav(double seconds) {
    int frames = (int)(seconds * 44100);
    std::string out = "RIFF";
    kt::PutU32(out, 36 + (uint32_t)frames * 4);
    out += "WAVEfmt ";
    kt::PutU32(out, 16);
    kt::PutU16(out, 1);
    kt::PutU16(out, 2);
    kt::PutU32(out, 44100);
    kt::PutU32(out, 44100 * 4);
    kt::PutU16(out, 4);
    kt::PutU16(out, 16);
    out += "data";
    kt::PutU32(out, (uint32_t)frames * 4);
    for (int i = 0; i < frames; i++) {
        int16_t v = (int16_t)(3000 * sin(2 * M_PI * 440.0 * i / 44100.0));
        kt::PutU16(out, (uint16_t)v);
        kt::PutU16(out, (uint16_t)v);
    }
    return out;
}

std::string FontTga(int letters) {
    const int width = 1 + 2 + letters * 3, height = 5;
    std::string out;
    out += (char)0;  // no image id
    out += (char)0;  // no colour map
    out += (char)2;  // uncompressed true colour
    out.append(5, '\0');
    kt::PutU16(out, 0);
    kt::PutU16(out, 0);
    kt::PutU16(out, (uint16_t)width);
    kt::PutU16(out, (uint16_t)height);
    out += (char)32;
    out += (char)0x28;  // top-left origin, 8 alpha bits
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            bool marker = y == 0 && x >= 3 && (x - 3) % 3 == 0;
            bool ink = y > 0 && x >= 3 && (x - 3) % 3 != 2;
            unsigned char a = marker || ink ? 255 : 0;
            unsigned char v = ink ? 255 : 0;
            out += (char)v;  // B
            out += (char)v;  // G
            out += (char)v;  // R
            out += (char)a;
        }
    return out;
}

std::string Timing(const std::vector<int>& starts, int transition_id) {
    std::string out = ";events (index, audiopos, numstates, transition_id)\n";
    for (size_t i = 0; i < starts.size(); i++) {
        char line[80];
        snprintf(line, sizeof line, "event %d %06d 0 %d\n", (int)i, starts[i], transition_id);
        out += line;
    }
    return out;
}

std::vector<int> EvenStarts(int count, int step) {
    std::vector<int> s;
    for (int i = 0; i < count; i++) s.push_back(i * step);
    return s;
}

Files DefaultFiles(double seconds) {
    Files f;
    for (int i = 0; i < 16; i++) f.Set(kShaderFiles[i], i < 12 ? SceneShader(i + 1) : TransitionShader());
    for (int i = 0; i < 25; i++) {
        std::vector<unsigned char> px;
        for (int p = 0; p < 4; p++) {
            px.push_back((unsigned char)(10 * i + p));
            px.push_back((unsigned char)(200 - 5 * i));
            px.push_back((unsigned char)(p * 60));
            px.push_back(255);
        }
        f.Set(kImageFiles[i], PngRgba(2, 2, px));
    }
    f.Set("font_heat.tga", FontTga(10));
    f.Set("font_heat2.tga", FontTga(4));
    f.Set("music.wav", Wav(seconds));
    f.Set("timing.dat", Timing(EvenStarts(13, 16)));
    return f;
}

void WriteImage(const Files& files, const std::string& path) {
    std::string dir = path + ".files";
    kt::MakeDirs(dir);
    std::vector<std::string> args = {MKCORE_PATH, path};
    for (auto& e : files.entries) {
        kt::WriteFile(dir + "/" + e.first, e.second);
        args.push_back(e.first + "=" + dir + "/" + e.first);
    }
    std::string out;
    int status = kt::RunProgram(args, &out);
    ASSERT_EQ(status, 0) << out;
}

}  // namespace st
