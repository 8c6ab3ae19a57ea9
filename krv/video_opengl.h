// OpenGL video: start-up and presentation, the framebuffer table, textures,
// quads and lines, the 2D projection, camera calls and render states.
// Everything here runs on the demo thread, which owns the GL context.
#pragma once

#include <stdint.h>

// ---- video mode --------------------------------------------------------------

// The window's video mode, written once by KRV_InitVideo.
struct s_video {
    int32_t width;
    int32_t height;
    int32_t pitch;          // pixels, equal to the width
    int32_t bitsperpixel;   // 32
    int32_t bytesperpixel;  // 4
    int32_t rmask;          // 0x00FF0000
    int32_t gmask;          // 0x0000FF00
    int32_t bmask;          // 0x000000FF
    int32_t rshift;         // 16
    int32_t gshift;         // 8
    int32_t bshift;         // 0
    int32_t rbits;          // 8
    int32_t gbits;          // 8
    int32_t bbits;          // 8
    int32_t abits;          // 0
};

extern s_video KRV_video;

// Presentation settings.
extern int KRV_postshader_id;      // shader id of the post pass, -1 = none
extern float KRV_fadevalue;        // 1.0 = full brightness
extern float KRV_scanlinevalue;    // 0.0 = no scanline darkening

// Textures made at start-up.
extern int krv_whitetexture_id;    // 8 by 8 opaque white
extern int krv_scanlinetexture_id; // window-sized scanline overlay (shaders off only)

// Statistics, reported by KRV_GetRenderStatus; the presentation pass zeroes
// all but the line count after every swap.
extern int KRV_stats_numtriangles;
extern int KRV_stats_numlines;
extern int KRV_stats_numtexturebinds;
extern int KRV_stats_numstateswitches;

void KRV_InitVideo(int width, int height, int flags);
void KRV_CloseVideo(void);
void KRV_SwapBuffers(void);
void KRV_SwapBuffersBasic(void);
void KRV_SetPostShader(int shader_id);
void KRV_SetFadeValue(float value);
void KRV_SetScanlineValue(float value);
void KRV_GetRenderStatus(int* triangles, int* texturebinds, int* stateswitches);
int PowerOfTwo(int n);

// ---- framebuffers ------------------------------------------------------------

#define KRV_MAXFRAMEBUFFERS 16

// flags: bit 0 = depth-stencil texture attached, bit 1 = linear filtering.
struct s_framebuffer {
    int32_t width;
    int32_t height;
    int32_t id;
    int32_t flags;
};

struct s_framebufferdata {
    unsigned char* pixels;      // width * height * 4 bytes, used by the copy path
    unsigned int fbo;           // GL framebuffer object
    unsigned int texture;       // GL colour texture
    unsigned int depthtexture;  // GL depth-stencil texture (flags bit 0)
};

extern s_framebuffer KRV_framebuffers[KRV_MAXFRAMEBUFFERS];
extern s_framebufferdata KRV_framebufferdata[KRV_MAXFRAMEBUFFERS];
extern int KRV_numframebuffers;
extern s_framebuffer* KRV_FrameBuffer;   // the current entry
extern int KRV_framebuffers_enabled;     // framebuffer objects in use
extern int KRV_lasttextureid;            // bind cache of KRV_BindTexture

int KRV_CreateFrameBuffer(int width, int height, int flags);
void KRV_SetFrameBuffer(int id);
int KRV_GetFrameBufferWidth(void);
int KRV_GetFrameBufferHeight(void);
int KRV_GetFrameBufferTexture(int id);
int KRV_GetFrameBufferDepth(int id);
void KRV_ClearFrameBuffer(unsigned int colour);
void KRV_DrawFrameBuffer(int x, int y, int w, int h, int id);

// ---- textures ----------------------------------------------------------------

int KRV_CreateTexture(int width, int height, void* pixels, int unused);
void KRV_SetTextureOptions(int texture, int minfilter, int magfilter, int wraps, int wrapt);
void KRV_UpdateTexture(int texture, int width, int height, void* pixels);
void KRV_DeleteTexture(int texture);
void KRV_BindTexture(int texture);
void KRV_BindTextureChannel(int texture, int channel);

// ---- quads and lines (pixels of the current framebuffer, y downwards) ---------

void KRV_DrawQuad(float x, float y, float w, float h, float tu0, float tv0, float tu1, float tv1);
void KRV_DrawRotatedQuad(float x, float y, float w, float h, float tu0, float tv0, float tu1,
                         float tv1, float angle);
void KRV_DrawColorQuad(float x, float y, float w, float h, float r, float g, float b, float a);
void KRV_DrawLineRGB(float x1, float y1, float x2, float y2, float r, float g, float b, float a);

// ---- projection, camera and render states ------------------------------------

#define KRV_RENDERSTATE_DEPTHTEST 1
#define KRV_RENDERSTATE_ALPHATEST 2
#define KRV_RENDERSTATE_BLEND 4
#define KRV_RENDERSTATE_LIGHTING 8

extern int KRV_projectionmode;   // 1 = the 2D projection is rebuilt by the next 2D draw
extern int KRV_renderstate;      // states switched on by KRV_EnableRenderState
extern unsigned char KRV_Palette[8][256][3];

void KRV_Enable2D(void);
void KRV_Disable2D(void);
void KRV_Perspective(float fovy, float aspect, float znear, float zfar);
void KRV_ViewPort(int unused1, int unused2, float aspect, float fovy, float znear, float zfar);
void KRV_LookAt(float eyex, float eyey, float eyez, float centerx, float centery, float centerz);
void KRV_UpdateMatrix(float* m);
void KRV_EnableRenderState(int bits);
void KRV_DisableRenderState(int bits);
void KRV_SetBlendMode(int mode);
void KRV_EnableAlphaBlend(float alpha);
void KRV_DisableAlphaBlend(void);
void KRV_SetPallete(int palette, int count, unsigned char* rgb);
void KRV_UpdateVertexData(float* data, int a, int b);
void KRV_DrawFaceList(int a, int b);
