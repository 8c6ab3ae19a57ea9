// Shared by the bitmap, sprite and font modules: the video calls they draw
// and upload through, and the far texture coordinate of a new image.
#pragma once

#if __has_include("krv/video_opengl.h")
#include "krv/video_opengl.h"
#if __has_include("krv/video_opengl_extended.h")
#include "krv/video_opengl_extended.h"
#endif
#else
// The video core is not in this tree yet: declare the calls these modules
// use with the types the video core gives them.
struct s_framebuffer {
    int width;
    int height;
    int id;
    int flags;
};
extern s_framebuffer* KRV_FrameBuffer;
extern int KRV_numframebuffers;

int PowerOfTwo(int n);
int KRV_CreateTexture(int width, int height, void* pixels, int flags);
void KRV_UpdateTexture(int texture, int width, int height, void* pixels);
void KRV_DeleteTexture(int texture);
void KRV_BindTexture(int texture);
void KRV_DrawQuad(float x, float y, float w, float h, float tu0, float tv0, float tu1, float tv1);
void KRV_DrawRotatedQuad(float x, float y, float w, float h, float tu0, float tv0, float tu1, float tv1,
                         float angle);
void KRV_EnableRenderState(int bits);
void KRV_DisableRenderState(int bits);
void KRV_SetBlendMode(int mode);
void KRV_EnableAlphaBlend(float alpha);
void KRV_DisableAlphaBlend(void);
#endif

// The far texture coordinate of an image of n pixels in a texture of texsize:
// n times the inset (0.99999 across, 0.9999 down), rounded to single
// precision, divided by the texture size in single precision. An empty
// texture has no far edge: 0.
static inline float krv_farcoord(int n, double inset, int texsize) {
    if (texsize == 0) return 0.0f;
    float pulled = (float)(n * inset);
    return pulled / (float)texsize;
}
