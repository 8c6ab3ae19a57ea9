// Sprites: cutting, loading, creating, the bitmap view, collision and draws.
#include "krv/coresprite.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "krv/corebitmap_private.h"

s_sprite* krv_spritelist[KRV_MAXSPRITES];
int krv_numsprites = 0;
s_bitmap krv_spritebmp[KRV_MAXSPRITES];

// Appends a filled record to the registry; past its 1024 entries the sprite
// stays usable but is not listed (so the flush will not release it).
static void krv_listsprite(s_sprite* sprite) {
    if (krv_numsprites >= KRV_MAXSPRITES) {
        printf("KRV sprites: sprite list full (%d), sprite not listed.\n", KRV_MAXSPRITES);
        return;
    }
    krv_spritelist[krv_numsprites] = sprite;
    krv_numsprites += 1;
}

// A texture coordinate from a pixel position; a texture of size 0 (an image
// that did not load) gives 0 rather than an undefined quotient.
static float krv_texcoord(int position, int texsize) {
    if (texsize == 0) return 0.0f;
    return (float)position / (float)texsize;
}

void KRV_GetSprite(int x, int y, int w, int h, s_bitmap bitmap, s_sprite* sprite) {
    sprite->width = w;
    sprite->height = h;
    sprite->x1 = 0;
    sprite->y1 = 0;
    sprite->x2 = w;
    sprite->y2 = h;
    sprite->originx = 0;
    sprite->originy = 0;
    sprite->pixels = nullptr;
    sprite->tu0 = krv_texcoord(x, bitmap.texwidth);
    sprite->tv0 = krv_texcoord(y, bitmap.texheight);
    sprite->tu1 = krv_texcoord(x + w, bitmap.texwidth);
    sprite->tv1 = krv_texcoord(y + h, bitmap.texheight);
    sprite->textureid = bitmap.textureid;
    krv_listsprite(sprite);
}

void KRV_LoadSprite(const char* path, s_sprite* sprite) {
    // The image goes to the slot at the sprite's own list index; with the
    // list full there is no slot, and nothing is loaded.
    if (krv_numsprites >= KRV_MAXSPRITES) {
        printf("KRV_LoadSprite: sprite table full (%d), %s not loaded.\n", KRV_MAXSPRITES, path);
        return;
    }
    s_bitmap* slot = &krv_spritebmp[krv_numsprites];
    KRV_LoadBitmap(path, slot);
    sprite->source = slot;
    KRV_GetSprite(0, 0, slot->width, slot->height, *slot, sprite);
}

void KRV_CreateSprite(int w, int h, s_sprite* sprite) {
    int tw = PowerOfTwo(w);
    int th = PowerOfTwo(h);
    sprite->width = tw;
    sprite->height = th;
    sprite->x1 = 0;
    sprite->y1 = 0;
    sprite->x2 = w;
    sprite->y2 = h;
    sprite->originx = 0;
    sprite->originy = 0;
    long long bytes = (long long)tw * (long long)th * 4;
    if (tw < 0 || th < 0 || bytes > INT_MAX) {
        printf("KRV_CreateSprite: %d x %d is not a usable sprite size, no pixels.\n", w, h);
        sprite->pixels = nullptr;
    } else {
        sprite->pixels = (unsigned int*)malloc(bytes ? (size_t)bytes : 1);
    }
    sprite->tu0 = 0.0f;
    sprite->tv0 = 0.0f;
    sprite->tu1 = krv_farcoord(w, 0.99999, tw);
    sprite->tv1 = krv_farcoord(h, 0.9999, th);
    sprite->textureid = 0;
    KRV_ClearSprite(*sprite);
    krv_listsprite(sprite);
}

// texwidth and texheight are not part of the view; they are given the
// sprite's size (what PowerOfTwo makes of it).
s_bitmap KRV_GetBitmapFromSprite(s_sprite sprite) {
    s_bitmap bitmap;
    bitmap.width = sprite.width;
    bitmap.height = sprite.height;
    bitmap.texwidth = sprite.width;
    bitmap.texheight = sprite.height;
    bitmap.numpixels = sprite.width * sprite.height;
    bitmap.size = bitmap.numpixels * 4;
    bitmap.pixels = sprite.pixels;
    bitmap.tu0 = sprite.tu0;
    bitmap.tv0 = sprite.tv0;
    bitmap.tu1 = sprite.tu1;
    bitmap.tv1 = sprite.tv1;
    bitmap.textureid = sprite.textureid;
    return bitmap;
}

void KRV_DeleteSprite(s_sprite* sprite) {
    if (!sprite->pixels) return;
    free(sprite->pixels);
    sprite->pixels = nullptr;
}

void KRV_ClearSprite(s_sprite sprite) {
    if (!sprite.pixels) return;
    memset(sprite.pixels, 0, (size_t)sprite.width * (size_t)sprite.height * 4);
}

void KRV_SetSpritePosition(s_sprite* sprite, int x, int y) {
    sprite->x = x;
    sprite->y = y;
}

void KRV_SetSpriteOrigin(s_sprite* sprite, int x, int y) {
    sprite->originx = x;
    sprite->originy = y;
}

int KRV_SetSpriteCollisionBox(s_sprite* sprite, int x1, int y1, int x2, int y2) {
    sprite->x1 = x1;
    sprite->y1 = y1;
    sprite->x2 = x2;
    sprite->y2 = y2;
    return 1;
}

// Signed 32-bit arithmetic that wraps instead of overflowing.
static int krv_add(int a, int b) {
    return (int)((unsigned int)a + (unsigned int)b);
}
static int krv_sub(int a, int b) {
    return (int)((unsigned int)a - (unsigned int)b);
}

int KRV_CheckBoxCollision(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2) {
    if (krv_sub(x2, w1) < x1 && krv_sub(y2, h1) < y1 && krv_add(x2, w2) > x1 && krv_add(y2, h2) > y1)
        return 1;
    return 0;
}

int KRV_CheckSpriteCollision(int xa, int ya, s_sprite a, int xb, int yb, s_sprite b) {
    int lefta = krv_add(xa, a.x1), topa = krv_add(ya, a.y1);
    int wa = krv_sub(a.x2, a.x1), ha = krv_sub(a.y2, a.y1);
    int leftb = krv_add(xb, b.x1), topb = krv_add(yb, b.y1);
    int wb = krv_sub(b.x2, b.x1), hb = krv_sub(b.y2, b.y1);
    return KRV_CheckBoxCollision(lefta, topa, wa, ha, leftb, topb, wb, hb);
}

int KRV_CheckSpriteTransparency(int colour) {
    unsigned int c = (unsigned int)colour;
    unsigned int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    return (r > 240 && g <= 15 && b > 240) ? 1 : 0;
}

// Sprite draws leave the alpha test on: texels of alpha 0 are not drawn.
void KRV_DrawSprite(int x, int y, s_sprite sprite) {
    KRV_EnableRenderState(2);
    KRV_BindTexture(sprite.textureid);
    KRV_DrawQuad((float)x, (float)y, (float)sprite.width, (float)sprite.height, sprite.tu0, sprite.tv0,
                 sprite.tu1, sprite.tv1);
}

void KRV_DrawMirroredSprite(int x, int y, s_sprite sprite) {
    KRV_EnableRenderState(2);
    KRV_BindTexture(sprite.textureid);
    KRV_DrawQuad((float)x, (float)y, (float)sprite.width, (float)sprite.height, sprite.tu1, sprite.tv0,
                 sprite.tu0, sprite.tv1);
}

void KRV_DrawBlendSprite(int x, int y, s_sprite sprite, int mode) {
    KRV_EnableRenderState(2);
    KRV_BindTexture(sprite.textureid);
    KRV_SetBlendMode(mode);
    KRV_EnableRenderState(4);
    KRV_DrawQuad((float)x, (float)y, (float)sprite.width, (float)sprite.height, sprite.tu0, sprite.tv0,
                 sprite.tu1, sprite.tv1);
    KRV_DisableRenderState(4);
}

void KRV_DrawAlphaSprite(int x, int y, s_sprite sprite, float alpha) {
    KRV_EnableRenderState(2);
    KRV_BindTexture(sprite.textureid);
    KRV_EnableAlphaBlend(alpha);
    KRV_DrawQuad((float)x, (float)y, (float)sprite.width, (float)sprite.height, sprite.tu0, sprite.tv0,
                 sprite.tu1, sprite.tv1);
    KRV_DisableAlphaBlend();
}

void KRV_DrawScaledSprite(int x, int y, float w, float h, s_sprite sprite, int unused) {
    (void)unused;
    KRV_EnableRenderState(2);
    KRV_BindTexture(sprite.textureid);
    KRV_DrawQuad((float)x, (float)y, w, h, sprite.tu0, sprite.tv0, sprite.tu1, sprite.tv1);
}

void KRV_DrawRotatedSprite(int x, int y, s_sprite sprite, float angle) {
    KRV_BindTexture(sprite.textureid);
    KRV_EnableRenderState(2);
    KRV_DrawRotatedQuad((float)x, (float)y, (float)sprite.width, (float)sprite.height, sprite.tu0,
                        sprite.tv0, sprite.tu1, sprite.tv1, angle);
}
