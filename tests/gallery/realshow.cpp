#include "tests/gallery/realshow.h"

#include <gtest/gtest.h>
#include <lodepng.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "core/corefile/corefile.h"
#include "tests/show/showdata.h"
#include "tests/support/testsupport.h"

namespace rs {

std::string ShowDir() { return std::string(KASTREL_BINARY_DIR) + "/show"; }
std::string ImagePath() { return ShowDir() + "/kastrel.dat"; }

void LinkImage() {
    ASSERT_TRUE(kt::FileExists(ImagePath())) << ImagePath() << " is not built";
    ASSERT_EQ(symlink(ImagePath().c_str(), "kastrel.dat"), 0);
}

const std::vector<std::string> kForbidden = {
    "compiler error", "link error", "Error validating", "Error loading image", "ERROR", "couldn't",
    "not loaded",     "TGA:",       "not found",        "no shader",           "WAV",   "no memory",
};

// The middles of the first states of seven scenes (events 0 to 5 and 7 of
// data/timing.dat; first states of 320 units, 3.7 s either side). The
// scenes move with band levels summed once a frame, so two builds whose
// frame rates differ show a scene in different phases; each of these seven
// keeps its colours in every phase. Left out: the blob floor (row 6), whose
// colours pass through those of the Voronoi cells; rows 8 and 10, with no
// state as long; row 11, the opening's curtain with other words on it; the
// moss tunnel (row 9), late: the Linux build's clock (SDL's dummy audio
// driver) runs up to about 2.5% fast and by then has moved its picture by
// more than 3 s.
const std::vector<ShotMoment> kShotMoments = {
    {0, 0, 160}, {1, 0, 800}, {2, 0, 1440}, {3, 0, 2080}, {4, 0, 2720}, {5, 0, 3360}, {7, 0, 4640},
};

double ShowSeconds(int units) { return units * 1024 / 44100.0; }

std::string ShotDir() { return std::string(KASTREL_BINARY_DIR) + "/show-shots"; }

std::string ShotName(const ShotMoment& m) {
    char name[64];
    snprintf(name, sizeof name, "row%02d_state%d_at%04d.png", m.row, m.state, m.unit);
    return name;
}

int Count(const std::string& text, const std::string& needle) {
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) n++;
    return n;
}

namespace {

// The file's bytes from the mounted image, and its "found file" line.
std::string Found(const std::string& name, std::string* bytes) {
    for (unsigned i = 0; i < corefile_image.numfiles; i++)
        if (name == corefile_image.names[i]) {
            s_corefile h = {};
            kt::Captured([&] { corefile_open(name.c_str(), &h, 0); });
            bytes->assign(h.size, '\0');
            if (h.size) corefile_read(&(*bytes)[0], (int)h.size, 1, &h);
            corefile_close(&h);
            return "found file at offset: " + std::to_string(corefile_image.offsets[i]) + "\n";
        }
    ADD_FAILURE() << name << " is not in the data image";
    return "";
}

std::string Png(const std::string& name) {
    std::string bytes;
    std::string out = Found(name, &bytes);
    unsigned char* px = nullptr;
    unsigned w = 0, h = 0;
    unsigned e = lodepng_decode32(&px, &w, &h, (const unsigned char*)bytes.data(), bytes.size());
    free(px);
    EXPECT_EQ(e, 0u) << name << ": " << lodepng_error_text(e);
    return out + "pngbuffer loaded: " + std::to_string(bytes.size()) + "PNG width: " + std::to_string(w) +
           ",height:" + std::to_string(h) + "\n";
}

// A font: its size from the TGA header, and all 96 letters.
std::string Font(const std::string& name, int number) {
    std::string bytes;
    std::string out = "Loading TGA image." + Found(name, &bytes);
    EXPECT_GE(bytes.size(), 18u) << name;
    if (bytes.size() < 18) return out;
    int w = (unsigned char)bytes[12] | (unsigned char)bytes[13] << 8;
    int h = (unsigned char)bytes[14] | (unsigned char)bytes[15] << 8;
    return out + "width: " + std::to_string(w) + ", height: " + std::to_string(h) + ", bpp: 32\n" +
           "KRV_LoadFont - Num.Letters: 96\nKRV_LoadFont - Font Added (NumFonts: " + std::to_string(number) + ")\n";
}

// The timing file's event and state lines as the loader reports them (the
// real file gives every number on every line).
std::string Timing() {
    std::string text;
    std::string out = Found("timing.dat", &text);
    out += "load timing timing.dat, size: " + std::to_string(text.size()) + "\n";
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        int a, b, c, d;
        char buf[96];
        if (sscanf(line.c_str(), "event %d %d %d %d", &a, &b, &c, &d) == 4) {
            snprintf(buf, sizeof buf, "- event: %d %d %d %d\n", a, b, c, d);
            out += buf;
        } else if (sscanf(line.c_str(), "state %d %d", &a, &b) == 2) {
            snprintf(buf, sizeof buf, "- state: %d %d\n", a, b);
            out += buf;
        }
    }
    return out;
}

}  // namespace

std::string ExpectedStartupLog() {
    std::string out = kt::Captured([] { corefile_mountimage("kastrel.dat", 0); });
    out +=
        "[KRV] Init Glew\n\nReady for GLSL\n"
        "[KRV] Init OpenGL\n[KRV] Init Framebuffer\n[KRV] Init Framebuffer: 1920,1080\n"
        "sample size: 4\nbuffer size: 8192\nopen waveout\nAUDIO: opening audio device succesful!\n"
        "open wav-buffers\naudiodriver inited\nsoundsystem bufferlength = 2048\n";
    std::string bytes;
    out += "Loading sound music.wav\n" + Found("music.wav", &bytes);
    for (int i = 0; i < 3; i++) out += "[KRV] Init Framebuffer: 640,360\n";
    for (int id = 0; id < 16; id++) {
        const char* name = st::kShaderFiles[id];
        out += Found(name, &bytes);
        out += "load shadefile " + std::string(name) + ", size: " + std::to_string(bytes.size()) +
               "\nShader ID: " + std::to_string(id) + "\n";
    }
    for (const char* name : st::kImageFiles) out += Png(name);
    out += Font("font_heat.tga", 1);
    out += Font("font_heat2.tga", 2);
    out += Timing();
    out += "- ready!\n";
    corefile_closeimage();
    return out;
}

}  // namespace rs
