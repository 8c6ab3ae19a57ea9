// Sprites: a rectangle of a bitmap's texture (or a CPU-only image) drawn as
// one textured quad, with a stored position, origin and collision box; the
// sprite registry, the table of loaded sprite images, collision and the
// colour-key test.
#pragma once

#include "krv/corebitmap.h"

struct s_sprite {
    int width;            // size of the drawn quad in pixels
    int height;
    float tu0;
    float tv0;
    float tu1;
    float tv1;
    int textureid;        // 0 for a created sprite
    int x;                // position (KRV_SetSpritePosition)
    int y;
    int originx;          // origin (KRV_SetSpriteOrigin)
    int originy;
    int x1;               // collision box, relative to the position
    int y1;
    int x2;
    int y2;
    unsigned int* pixels; // CPU buffer of a created sprite; null otherwise
    s_bitmap* source;     // the image slot of a loaded sprite
};

// Registry of every sprite cut, loaded or created, and the images of loaded
// sprites (slot i belongs to list entry i).
#define KRV_MAXSPRITES 1024
extern s_sprite* krv_spritelist[KRV_MAXSPRITES];
extern int krv_numsprites;
extern s_bitmap krv_spritebmp[KRV_MAXSPRITES];

void KRV_GetSprite(int x, int y, int w, int h, s_bitmap bitmap, s_sprite* sprite);
void KRV_LoadSprite(const char* path, s_sprite* sprite);
void KRV_CreateSprite(int w, int h, s_sprite* sprite);
s_bitmap KRV_GetBitmapFromSprite(s_sprite sprite);
void KRV_DeleteSprite(s_sprite* sprite);
void KRV_ClearSprite(s_sprite sprite);
void KRV_SetSpritePosition(s_sprite* sprite, int x, int y);
void KRV_SetSpriteOrigin(s_sprite* sprite, int x, int y);
int KRV_SetSpriteCollisionBox(s_sprite* sprite, int x1, int y1, int x2, int y2);
int KRV_CheckSpriteCollision(int xa, int ya, s_sprite a, int xb, int yb, s_sprite b);
int KRV_CheckBoxCollision(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2);
int KRV_CheckSpriteTransparency(int colour);

void KRV_DrawSprite(int x, int y, s_sprite sprite);
void KRV_DrawMirroredSprite(int x, int y, s_sprite sprite);
void KRV_DrawBlendSprite(int x, int y, s_sprite sprite, int mode);
void KRV_DrawAlphaSprite(int x, int y, s_sprite sprite, float alpha);
void KRV_DrawScaledSprite(int x, int y, float w, float h, s_sprite sprite, int unused);
void KRV_DrawRotatedSprite(int x, int y, s_sprite sprite, float angle);
