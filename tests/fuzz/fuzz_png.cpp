// PNG images: the input is a file of the mounted data image, loaded through
// the demo's KRV_LoadBitmapPNG (lodepng) into a bitmap of the video stand-in
// (no GL).
#include <cstdint>

#include "demo/assets.h"
#include "krv/krv_report.h"
#include "tests/fuzz/fuzzsupport.h"
#include "tests/images/fakevideo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_mountone("fuzz.png", data, size);
    s_bitmap bitmap = {};
    KRV_LoadBitmapPNG("fuzz.png", &bitmap);
    KRV_FlushGraphics();
    fv::Reset();
    fv::textures.clear();
    return 0;
}
