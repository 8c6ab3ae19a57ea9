// Bitmap fonts: the input is a TGA font image of the mounted data image,
// loaded with KRV_LoadFont against the video stand-in (no GL), then every
// character is drawn with each of the three text draws.
#include <cstdint>
#include <cstring>

#include "krv/corefont.h"
#include "krv/krv_report.h"
#include "tests/fuzz/fuzzsupport.h"
#include "tests/images/fakevideo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_mountone("font.tga", data, size);
    // The font slot as at start-up, so that no input depends on the last.
    memset(&krv_fontbmp[0], 0, sizeof krv_fontbmp[0]);
    static s_font font;
    memset(&font, 0, sizeof font);
    KRV_LoadFont("font.tga", &font);

    char text[256];
    for (int i = 0; i < 255; i++) text[i] = (char)(i + 1);
    text[255] = 0;
    KRV_SetFontSpacing(2, &font);
    KRV_DrawText(3, 4, font, "%s", text);
    KRV_DrawCenteredText(5, font, "%s", text);
    KRV_DrawCenteredTextXW(10, 20, 300, font, "%s%d", text, 12345);

    KRV_FlushGraphics();
    fv::Reset();
    fv::textures.clear();
    return 0;
}
