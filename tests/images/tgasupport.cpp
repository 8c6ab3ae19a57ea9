#include "tests/images/tgasupport.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>

#include "core/corefile/corefile.h"
#include "krv/corebitmap.h"
#include "krv/corefont.h"
#include "krv/coresprite.h"
#include "tests/support/testsupport.h"

namespace tga {

std::string File(const Header& h, const std::string& body) {
    std::string out;
    out += (char)h.idlength;
    out += (char)h.maptype;
    out += (char)h.imagetype;
    kt::PutU16(out, h.mapfirst);
    kt::PutU16(out, h.maplength);
    out += (char)h.mapbits;
    kt::PutU16(out, 0);
    kt::PutU16(out, 0);
    kt::PutU16(out, h.width);
    kt::PutU16(out, h.height);
    out += (char)h.depth;
    out += (char)h.descriptor;
    return out + body;
}

std::string Px24(int r, int g, int b) {
    return std::string{(char)b, (char)g, (char)r};
}

std::string Px32(int r, int g, int b, int a) {
    return std::string{(char)b, (char)g, (char)r, (char)a};
}

std::string Px16(unsigned w) {
    return std::string{(char)(w & 0xFF), (char)(w >> 8)};
}

std::string Bytes(std::initializer_list<int> bytes) {
    std::string out;
    for (int b : bytes) out += (char)b;
    return out;
}

// The image file still to remove once unmounted.
static std::string g_mounted;

void Mount(const std::vector<std::pair<std::string, std::string>>& files) {
    std::string dir;
    uint32_t dirsize = 0;
    for (auto& f : files) dirsize += 12 + (uint32_t)f.first.size();
    uint32_t offset = 12 + dirsize;
    std::string data;
    for (auto& f : files) {
        int32_t hash = 0;
        for (char c : f.first) hash += (signed char)c;
        kt::PutU32(dir, (uint32_t)f.first.size());
        kt::PutU32(dir, (uint32_t)hash);
        dir += f.first;
        kt::PutU32(dir, offset + (uint32_t)data.size());
        data += f.second;
    }
    std::string image = "CORE";
    kt::PutU32(image, (uint32_t)files.size());
    kt::PutU32(image, offset + (uint32_t)data.size());
    image += dir + data;
    // A file of its own in the temporary folder, as suites running side by
    // side never share one. The mount keeps its stream open: where an open
    // file can be removed (POSIX) it goes at once, elsewhere once unmounted.
    std::random_device seed;
    std::string path =
        (std::filesystem::temp_directory_path() / ("kastrel-images-" + std::to_string(seed()))).string();
    kt::WriteFile(path, image);
    Unmount();
    kt::Captured([&] { corefile_mountimage(path.c_str(), 0); });
    if (std::remove(path.c_str()) != 0) g_mounted = path;
}

void Unmount() {
    corefile_closeimage();
    if (!g_mounted.empty()) std::remove(g_mounted.c_str());
    g_mounted.clear();
}

void ForgetImages() {
    krv_numbitmaps = 0;
    krv_numsprites = 0;
    krv_numfonts = 0;
}

std::string ConvertTool() {
    for (const char* path : {"/usr/bin/convert-im6.q16", "/usr/bin/convert"}) {
        std::string out;
        if (kt::FileExists(path) && kt::RunProgram({path, "-version"}, &out) == 0 &&
            out.find("ImageMagick") != std::string::npos)
            return path;
    }
    return "";
}

// The arguments are separated by spaces; none of them holds one.
int Convert(const std::string& args, std::string* out) {
    std::vector<std::string> argv = {ConvertTool()};
    std::istringstream words(args);
    for (std::string w; words >> w;) argv.push_back(w);
    return kt::RunProgram(argv, out);
}

}  // namespace tga
