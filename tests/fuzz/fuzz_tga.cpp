// TGA images: the input is a file of the mounted data image, loaded by name
// through KRV_LoadBitmap into a bitmap of the video stand-in (no GL); every
// pixel of a loaded image is read back.
#include <cstdint>

#include "krv/corebitmap.h"
#include "krv/krv_report.h"
#include "tests/fuzz/fuzzsupport.h"
#include "tests/images/fakevideo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_mountone("fuzz.tga", data, size);
    s_bitmap bitmap = {};
    KRV_LoadBitmap("fuzz.tga", &bitmap);
    unsigned int sum = 0;
    if (bitmap.pixels)
        for (int y = 0; y < bitmap.height; y++)
            for (int x = 0; x < bitmap.width; x++) sum += KRV_GetPixel(x, y, bitmap);
    (void)sum;
    KRV_FlushGraphics();
    fv::Reset();
    fv::textures.clear();
    return 0;
}
