// Shared by the bitmap, sprite and font modules: the video calls they draw
// and upload through, and the far texture coordinate of a new image.
#pragma once

#include "krv/video_opengl.h"

// The far texture coordinate of an image of n pixels in a texture of texsize:
// n times the inset (0.99999 across, 0.9999 down), rounded to single
// precision, divided by the texture size in single precision. An empty
// texture has no far edge: 0.
static inline float krv_farcoord(int n, double inset, int texsize) {
    if (texsize == 0) return 0.0f;
    float pulled = (float)(n * inset);
    return pulled / (float)texsize;
}
