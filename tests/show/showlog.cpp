#include "tests/show/showlog.h"

#include <lodepng.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "core/corefile/corefile.h"
#include "tests/support/testsupport.h"

namespace st {

namespace {

std::string Found(const Files* files, const std::string& name) {
    if (files && files->Find(name))
        for (unsigned i = 0; i < corefile_image.numfiles; i++)
            if (name == corefile_image.names[i])
                return "found file at offset: " + std::to_string(corefile_image.offsets[i]) + "\n";
    return "couldn't find file: " + name + "\n";
}

bool Has(const Files* files, const std::string& name) { return files && files->Find(name); }

std::string Png(const Files* files, const std::string& name) {
    std::string out = Found(files, name);
    if (!Has(files, name)) return out + "- couldn't open file: " + name + "\n";
    const std::string& bytes = *files->Find(name);
    out += "pngbuffer loaded: " + std::to_string(bytes.size());
    unsigned char* px = nullptr;
    unsigned w = 0, h = 0;
    unsigned e = lodepng_decode32(&px, &w, &h, (const unsigned char*)bytes.data(), bytes.size());
    free(px);
    if (e) return out + "Error loading image: " + lodepng_error_text(e) + "\n";
    return out + "PNG width: " + std::to_string(w) + ",height:" + std::to_string(h) + "\n";
}

// A font made by FontTga: its size from the header, its letters from the
// markers of its top row (stored first, the image's origin being the top).
std::string Font(const Files* files, const std::string& name, int number) {
    std::string out = "Loading TGA image." + Found(files, name);
    int letters = 2;
    if (Has(files, name)) {
        const std::string& t = *files->Find(name);
        int w = (unsigned char)t[12] | (unsigned char)t[13] << 8;
        int h = (unsigned char)t[14] | (unsigned char)t[15] << 8;
        out += "width: " + std::to_string(w) + ", height: " + std::to_string(h) + ", bpp: 32\n";
        for (int x = 0; x < w; x++)
            if (t[18 + x * 4 + 3]) letters++;
    } else {
        out += "- ERROR: Image " + name + " not loaded.\n";
    }
    return out + "KRV_LoadFont - Num.Letters: " + std::to_string(letters) +
           "\nKRV_LoadFont - Font Added (NumFonts: " + std::to_string(number) + ")\n";
}

std::string Timing(const Files* files) {
    std::string out = Found(files, "timing.dat");
    if (!Has(files, "timing.dat")) return out;
    const std::string& text = *files->Find("timing.dat");
    out += "load timing timing.dat, size: " + std::to_string(text.size()) + "\n";
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        int index, start, states, transition;
        if (sscanf(line.c_str(), "event %d %d %d %d", &index, &start, &states, &transition) == 4) {
            char buf[96];
            snprintf(buf, sizeof buf, "- event: %d %d %d %d\n", index, start, states, transition);
            out += buf;
        }
    }
    return out;
}

}  // namespace

std::string StartupLog(const Files* files) {
    std::string out = kt::Captured([] { corefile_mountimage("kastrel.dat", 0); });
    out +=
        "[KRV] Init Glew\n\nReady for GLSL\n"
        "[KRV] Init OpenGL\n[KRV] Init Framebuffer\n[KRV] Init Framebuffer: 1920,1080\n"
        "sample size: 4\nbuffer size: 8192\nopen waveout\nAUDIO: opening audio device succesful!\n"
        "open wav-buffers\naudiodriver inited\nsoundsystem bufferlength = 2048\n";
    out += "Loading sound music.wav\n" + Found(files, "music.wav");
    for (int i = 0; i < 3; i++) out += "[KRV] Init Framebuffer: 640,360\n";
    int id = 0;
    for (const char* name : kShaderFiles) {
        out += Found(files, name);
        if (Has(files, name))
            out += "load shadefile " + std::string(name) + ", size: " + std::to_string(files->Find(name)->size()) +
                   "\nShader ID: " + std::to_string(id++) + "\n";
    }
    for (const char* name : kImageFiles) out += Png(files, name);
    out += Font(files, "font_heat.tga", 1);
    out += Font(files, "font_heat2.tga", 2);
    out += Timing(files);
    out += "- ready!\n";
    corefile_closeimage();
    return out;
}

}  // namespace st
