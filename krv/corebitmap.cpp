// Bitmaps: creation, the registry, pixel calls, uploads, clears and draws.
#include "krv/corebitmap.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "krv/corebitmap_private.h"

s_bitmap* krv_bitmaplist[KRV_MAXBITMAPS];
int krv_numbitmaps = 0;

// Exchanges the lowest and the third byte (red and blue): 0xAARRGGBB to
// memory order 0xAABBGGRR and back.
static unsigned int krv_swapredblue(unsigned int v) {
    return (v & 0xFF00FF00u) + ((v & 0x00FF0000u) >> 16) + ((v & 0x000000FFu) << 16);
}

void KRV_CreateBitmap(int width, int height, s_bitmap* bitmap) {
    int tw = PowerOfTwo(width);
    int th = PowerOfTwo(height);
    bitmap->width = width;
    bitmap->height = height;
    bitmap->texwidth = tw;
    bitmap->texheight = th;
    bitmap->tu0 = 0.0f;
    bitmap->tv0 = 0.0f;
    bitmap->tu1 = krv_farcoord(width, 0.99999, tw);
    bitmap->tv1 = krv_farcoord(height, 0.9999, th);

    // The byte count must fit the record's 32-bit size field; a size that
    // does not (or a negative one, from a damaged image header) gets no
    // buffer and no texture, so no pixel call can reach past a short buffer.
    long long bytes = (long long)tw * (long long)th * 4;
    if (tw < 0 || th < 0 || bytes > INT_MAX) {
        printf("KRV_CreateBitmap: %d x %d is not a usable bitmap size, no pixels.\n", width, height);
        bitmap->numpixels = 0;
        bitmap->size = 0;
        bitmap->pixels = nullptr;
        bitmap->textureid = 0;
    } else {
        bitmap->numpixels = tw * th;
        bitmap->size = (int)bytes;
        // The buffer starts zeroed (transparent black): a damaged image that
        // decodes only in part leaves defined pixels behind.
        // (An empty image gets a one-byte buffer, so it too counts as loaded.)
        size_t allocated = bitmap->size ? (size_t)bitmap->size : 1;
        bitmap->pixels = (unsigned int*)malloc(allocated);
        if (bitmap->pixels) memset(bitmap->pixels, 0, allocated);
        bitmap->textureid = KRV_CreateTexture(width, height, bitmap->pixels, 0);
    }

    // The registry holds 1024 records; past that the bitmap is still made
    // but not listed (so the flush will not release it).
    if (krv_numbitmaps >= KRV_MAXBITMAPS) {
        printf("KRV_CreateBitmap: bitmap list full (%d), bitmap not listed.\n", KRV_MAXBITMAPS);
        return;
    }
    krv_bitmaplist[krv_numbitmaps] = bitmap;
    krv_numbitmaps += 1;
}

// The buffer pointer is cleared after its release: a record listed twice
// (created twice) or deleted again is then released only once.
void KRV_DeleteBitmap(s_bitmap* bitmap) {
    if (!bitmap->pixels) return;
    printf("deleting bitmap\n");
    KRV_DeleteTexture(bitmap->textureid);
    free(bitmap->pixels);
    bitmap->pixels = nullptr;
}

void KRV_UpdateBitmap(s_bitmap bitmap) {
    KRV_UpdateTexture(bitmap.textureid, bitmap.width, bitmap.height, bitmap.pixels);
}

void KRV_ClearBitmap(s_bitmap bitmap) {
    if (!bitmap.pixels) return;
    memset(bitmap.pixels, 0, (size_t)bitmap.size);
    KRV_UpdateBitmap(bitmap);
}

void KRV_ClearBitmapWithColor(s_bitmap bitmap, int value) {
    if (!bitmap.pixels) return;
    for (int i = 0; i < bitmap.numpixels; i++) bitmap.pixels[i] = (unsigned int)value;
    KRV_UpdateBitmap(bitmap);
}

void KRV_DrawPixel(int x, int y, int colour, s_bitmap bitmap) {
    if (!bitmap.pixels || x < 0 || x >= bitmap.width || y < 0 || y >= bitmap.height) return;
    bitmap.pixels[x + y * bitmap.width] = krv_swapredblue((unsigned int)colour);
}

unsigned int KRV_GetPixel(int x, int y, s_bitmap bitmap) {
    if (!bitmap.pixels || x < 0 || x >= bitmap.width || y < 0 || y >= bitmap.height) return 0;
    return krv_swapredblue(bitmap.pixels[x + y * bitmap.width]);
}

void KRV_BindTextureFromBitmap(s_bitmap bitmap) {
    KRV_BindTexture(bitmap.textureid);
}

// Bitmap draws leave the alpha test off: texels of alpha 0 are drawn too.
void KRV_DrawBitmap(int x, int y, s_bitmap bitmap) {
    KRV_DisableRenderState(2);
    KRV_BindTexture(bitmap.textureid);
    KRV_DrawQuad((float)x, (float)y, (float)bitmap.width, (float)bitmap.height, bitmap.tu0, bitmap.tv0,
                 bitmap.tu1, bitmap.tv1);
}

void KRV_DrawScaledBitmap(int x, int y, float w, float h, s_bitmap bitmap, int unused) {
    (void)unused;
    KRV_DisableRenderState(2);
    KRV_BindTexture(bitmap.textureid);
    KRV_DrawQuad((float)x, (float)y, w, h, bitmap.tu0, bitmap.tv0, bitmap.tu1, bitmap.tv1);
}

void KRV_DrawZoomedBitmap(int x, int y, float percent, s_bitmap bitmap) {
    float w = (float)((double)bitmap.width * percent / 100.0);
    float h = (float)((double)bitmap.height * percent / 100.0);
    KRV_DrawScaledBitmap(x, y, w, h, bitmap, 0);
}

void KRV_DrawBlendBitmap(int x, int y, s_bitmap bitmap, int mode) {
    KRV_SetBlendMode(mode);
    KRV_EnableRenderState(4);
    KRV_DrawBitmap(x, y, bitmap);
    KRV_DisableRenderState(4);
}

void KRV_DrawAlphaBitmap(int x, int y, s_bitmap bitmap, float alpha) {
    KRV_BindTexture(bitmap.textureid);
    KRV_EnableAlphaBlend(alpha);
    KRV_DrawBitmap(x, y, bitmap);
    KRV_DisableAlphaBlend();
}

void KRV_DrawRotatedBitmap(int x, int y, s_bitmap bitmap, float angle) {
    KRV_DisableRenderState(2);
    KRV_BindTexture(bitmap.textureid);
    KRV_DrawRotatedQuad((float)x, (float)y, (float)bitmap.width, (float)bitmap.height, bitmap.tu0,
                        bitmap.tv0, bitmap.tu1, bitmap.tv1, angle);
}
