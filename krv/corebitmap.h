// Bitmaps: a CPU buffer of 32-bit pixels with an OpenGL texture of the same
// size, the registry of created bitmaps, pixel calls, uploads and draws; and
// the image loading by name with its TGA decoder.
//
// Pixels in the buffer hold the bytes R, G, B, A in memory (0xAABBGGRR on
// this little-endian machine); the pixel calls take and give 0xAARRGGBB.
#pragma once

struct s_bitmap {
    int width;            // image width in pixels
    int height;           // image height in pixels
    int texwidth;         // PowerOfTwo(width)
    int texheight;        // PowerOfTwo(height)
    int size;             // bytes of the pixel buffer: texwidth * texheight * 4
    int numpixels;        // texwidth * texheight
    unsigned int* pixels; // row after row, top row first; null when there is none
    float tu0;
    float tv0;
    float tu1;
    float tv1;
    int textureid;        // OpenGL texture name
};

// Registry of every record KRV_CreateBitmap filled, in creation order.
#define KRV_MAXBITMAPS 1024
extern s_bitmap* krv_bitmaplist[KRV_MAXBITMAPS];
extern int krv_numbitmaps;

// The largest width and height the image loaders accept (TGA here, PNG in the
// demo); larger images are refused from their header, before anything is
// allocated. Every texture is made at its image's own size and the video core
// never asks GL for its limit, so the ceiling is the largest texture side that
// most OpenGL 2.1 cards with framebuffer objects take (Mesa's software
// renderer takes 16384); an 8192 x 8192 bitmap is 256 MiB.
#define KRV_MAXIMAGESIZE 8192

void KRV_CreateBitmap(int width, int height, s_bitmap* bitmap);
void KRV_DeleteBitmap(s_bitmap* bitmap);
void KRV_UpdateBitmap(s_bitmap bitmap);
void KRV_ClearBitmap(s_bitmap bitmap);
void KRV_ClearBitmapWithColor(s_bitmap bitmap, int value);
void KRV_DrawPixel(int x, int y, int colour, s_bitmap bitmap);
unsigned int KRV_GetPixel(int x, int y, s_bitmap bitmap);
void KRV_BindTextureFromBitmap(s_bitmap bitmap);

void KRV_DrawBitmap(int x, int y, s_bitmap bitmap);
void KRV_DrawScaledBitmap(int x, int y, float w, float h, s_bitmap bitmap, int unused);
void KRV_DrawZoomedBitmap(int x, int y, float percent, s_bitmap bitmap);
void KRV_DrawBlendBitmap(int x, int y, s_bitmap bitmap, int mode);
void KRV_DrawAlphaBitmap(int x, int y, s_bitmap bitmap, float alpha);
void KRV_DrawRotatedBitmap(int x, int y, s_bitmap bitmap, float angle);

// Image loading (TGA only) into the caller's record.
void KRV_LoadBitmap(const char* name, s_bitmap* bitmap);
void KRV_LoadBitmapStatic(const char* name, s_bitmap* bitmap);
void LoadImageTGA(const char* name, s_bitmap* bitmap);
int ConvertTransp(int colour);
char* upcase(char* text);
