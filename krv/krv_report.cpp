// Graphics-memory report and flush of the bitmap and sprite registries.
#include "krv/krv_report.h"

#include <cstdio>

#include "krv/corebitmap.h"
#include "krv/corebitmap_private.h"
#include "krv/corefont.h"
#include "krv/coresprite.h"

void KRV_ShowGraphicsMemory(void) {
    puts("[=== GRAPHICS MEMORY INFO ===]");
    printf("Num.Bitmaps: %d / %d\n", krv_numbitmaps, KRV_MAXBITMAPS);
    printf("Num.Sprites: %d / %d\n", krv_numsprites, KRV_MAXSPRITES);
    printf("Num.Fonts: %d / 16\n", krv_numfonts);
    printf("Num.Framebuffers: %d / %d\n", KRV_numframebuffers, 16);
    puts("[============================]");
}

// Deletes every listed sprite, then every listed bitmap, and empties the
// sprite, bitmap and font counts. The records stay with their holders.
void KRV_FlushGraphics(void) {
    for (int i = 0; i < krv_numsprites; i++) KRV_DeleteSprite(krv_spritelist[i]);
    printf("[%d sprites deleted]\n", krv_numsprites);
    for (int i = 0; i < krv_numbitmaps; i++) KRV_DeleteBitmap(krv_bitmaplist[i]);
    printf("[%d bitmaps deleted]\n", krv_numbitmaps);
    krv_numbitmaps = 0;
    krv_numfonts = 0;
    krv_numsprites = 0;
}

void KRV_PushGraphics(void) {}

void KRV_PopGraphics(void) {}
