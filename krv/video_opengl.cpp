// OpenGL video: start-up and presentation, the framebuffer table, textures,
// quads and lines, the 2D projection, camera calls and render states.
//
// OpenGL 1.1 is called directly; glActiveTexture and the EXT_framebuffer_object
// calls go through the pointers GLEW loads at window start-up.
#include <GL/glew.h>

#include "krv/video_opengl.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "krv/krv.h"
#include "krv/video_opengl_extended.h"

#include "krv/corebitmap.h"
#include "krv/coresprite.h"
#include "krv/driver_win32.h"

// =============================================================================
// Globals
// =============================================================================

s_video KRV_video;

int KRV_postshader_id = -1;
float KRV_fadevalue = 1.0f;
float KRV_scanlinevalue = 0.0f;

int krv_whitetexture_id;
int krv_scanlinetexture_id;

int KRV_stats_numtriangles;
int KRV_stats_numlines;
int KRV_stats_numtexturebinds;
int KRV_stats_numstateswitches;

s_framebuffer KRV_framebuffers[KRV_MAXFRAMEBUFFERS];
s_framebufferdata KRV_framebufferdata[KRV_MAXFRAMEBUFFERS];
int KRV_numframebuffers;
s_framebuffer* KRV_FrameBuffer;
int KRV_framebuffers_enabled;
int KRV_lasttextureid = -1;

int KRV_projectionmode = 1;
int KRV_renderstate;
unsigned char KRV_Palette[8][256][3];

// The two triangles of a quad over corners 0 top left, 1 top right,
// 2 bottom right, 3 bottom left: counter-clockwise on screen with y downwards.
static const GLubyte quad_index[6] = {0, 3, 2, 0, 2, 1};

// The EXT_framebuffer_object entry points GLEW may have left null (a driver
// without the extension). Without them framebuffers count as incomplete and
// the presentation copies the window's back buffer instead.
static int krv_haveframebufferobjects(void) {
    return glGenFramebuffersEXT && glBindFramebufferEXT && glFramebufferTexture2DEXT &&
           glCheckFramebufferStatusEXT;
}

static int krv_validframebuffer(int id, const char* call) {
    if (id >= 0 && id < KRV_numframebuffers && id < KRV_MAXFRAMEBUFFERS) return 1;
    printf("[KRV] %s: no framebuffer %d\n", call, id);
    return 0;
}

// =============================================================================
// Video start-up and presentation
// =============================================================================

void KRV_InitVideo(int width, int height, int flags) {
    krv_initwindow(width, height, flags);
    printf("[KRV] Init OpenGL\n");

    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // The fixed state every later draw relies on. Culling keeps GL's default
    // (back faces, counter-clockwise front), which the quads are wound for.
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);

    // The white texture's buffer stays allocated, as GL has copied it anyway.
    uint32_t* white = (uint32_t*)malloc(64 * sizeof(uint32_t));
    if (white) {
        for (int i = 0; i < 64; i++) white[i] = 0xFFFFFFFFu;
        krv_whitetexture_id = KRV_CreateTexture(8, 8, white, 0);
    } else {
        printf("[KRV] Out of memory for the white texture\n");
    }

    KRV_numframebuffers = 0;
    printf("[KRV] Init Framebuffer\n");
    KRV_SetFrameBuffer(KRV_CreateFrameBuffer(width, height, 0));

    if (KRV_shaders_enabled != 1) {
        // Rows alternate from row 0: transparent black, opaque black.
        size_t count = (width > 0 && height > 0) ? (size_t)width * (size_t)height : 0;
        uint32_t* lines = count ? (uint32_t*)malloc(count * sizeof(uint32_t)) : NULL;
        if (lines) {
            for (int y = 0; y < height; y++) {
                uint32_t value = (y & 1) ? 0xFF000000u : 0x00000000u;
                for (int x = 0; x < width; x++) lines[(size_t)y * width + x] = value;
            }
            krv_scanlinetexture_id = KRV_CreateTexture(width, height, lines, 0);
            free(lines);
        } else if (count) {
            printf("[KRV] Out of memory for the scanline texture\n");
        }
    }

    KRV_SetPostShader(-1);
    KRV_SetFadeValue(1.0f);
    KRV_SetScanlineValue(0.0f);

    KRV_video.width = width;
    KRV_video.height = height;
    KRV_video.pitch = width;
    KRV_video.bitsperpixel = 32;
    KRV_video.bytesperpixel = 4;
    KRV_video.rmask = 0x00FF0000;
    KRV_video.gmask = 0x0000FF00;
    KRV_video.bmask = 0x000000FF;
    KRV_video.rshift = 16;
    KRV_video.gshift = 8;
    KRV_video.bshift = 0;
    KRV_video.rbits = 8;
    KRV_video.gbits = 8;
    KRV_video.bbits = 8;
    KRV_video.abits = 0;

    // GL's depth test is on here all the same: the bits record only what the
    // render-state calls did.
    KRV_renderstate = 0;
    KRV_lasttextureid = -1;
    // The bitmap and sprite registries start empty with the video; the fonts
    // keep their count.
    krv_numbitmaps = 0;
    krv_numsprites = 0;

    KRV_SetRefreshRate(60);
}

void KRV_CloseVideo(void) {
    krv_closewindow();
}

void KRV_SetPostShader(int shader_id) {
    KRV_postshader_id = shader_id;
}

void KRV_SetFadeValue(float value) {
    KRV_fadevalue = value;
}

void KRV_SetScanlineValue(float value) {
    KRV_scanlinevalue = value;
}

// Null pointers are skipped rather than written through.
void KRV_GetRenderStatus(int* triangles, int* texturebinds, int* stateswitches) {
    if (triangles) *triangles = KRV_stats_numtriangles;
    if (texturebinds) *texturebinds = KRV_stats_numtexturebinds;
    if (stateswitches) *stateswitches = KRV_stats_numstateswitches;
}

int PowerOfTwo(int n) {
    return n;
}

// Draws the current framebuffer's texture over the whole window through the
// post shader (or the fixed-function fade and scanlines) and swaps.
void KRV_SwapBuffers(void) {
    if (!KRV_FrameBuffer) return;
    s_framebuffer* fb = KRV_FrameBuffer;
    s_framebufferdata* data = &KRV_framebufferdata[fb->id];

    if (KRV_framebuffers_enabled) {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    } else if (data->pixels) {
        // Everything was drawn into the window's back buffer: copy it.
        glReadPixels(0, 0, fb->width, fb->height, GL_RGBA, GL_UNSIGNED_BYTE, data->pixels);
        glBindTexture(GL_TEXTURE_2D, data->texture);
        glTexImage2D(GL_TEXTURE_2D, 0, 4, fb->width, fb->height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     data->pixels);
    }

    glBindTexture(GL_TEXTURE_2D, data->texture);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glViewport(0, 0, KRV_video.width, KRV_video.height);
    KRV_projectionmode = 1;
    KRV_Enable2D();

    float w = (float)KRV_video.width;
    float h = (float)KRV_video.height;
    if (KRV_shaders_enabled) {
        int bound = 0;
        if (KRV_postshader_id >= 0) {
            int id = KRV_postshader_id;
            KRV_BindShader(id);
            KRV_SetShaderUniform1i(id, "fbo_texture", 0);
            KRV_SetShaderUniform1i(id, "fbo_depth", 1);
            KRV_SetShaderUniform1f(id, "width", w);
            KRV_SetShaderUniform1f(id, "height", h);
            KRV_SetShaderUniform1f(id, "fadevalue", KRV_fadevalue);
            KRV_SetShaderUniform1f(id, "scanlinevalue", KRV_scanlinevalue);
            bound = 1;
        }
        KRV_DrawQuad(0, 0, w, h, 0, 1, 1, 0);
        if (bound) KRV_UnbindShader();
    } else {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
        glColor4f(1, 1, 1, KRV_fadevalue);
        KRV_DrawQuad(0, 0, w, h, 0, 1, 1, 0);
        if (KRV_scanlinevalue > 0) {
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            glBindTexture(GL_TEXTURE_2D, krv_scanlinetexture_id);
            glColor4f(1, 1, 1, KRV_scanlinevalue);
            KRV_DrawQuad(0, 0, w, h, 0, 1, 1, 0);
        }
        glColor4f(1, 1, 1, 1);
        glDisable(GL_BLEND);
    }

    glFinish();
    krv_swapbuffers();

    if (KRV_framebuffers_enabled) glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, data->fbo);
    glViewport(0, 0, fb->width, fb->height);

    KRV_projectionmode = 1;
    KRV_lasttextureid = -1;
    KRV_stats_numtriangles = 0;
    KRV_stats_numtexturebinds = 0;
    KRV_stats_numstateswitches = 0;
}

void KRV_SwapBuffersBasic(void) {
    krv_swapbuffers();
    if (KRV_FrameBuffer) glViewport(0, 0, KRV_FrameBuffer->width, KRV_FrameBuffer->height);
    if (glBindFramebufferEXT) glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

// =============================================================================
// Framebuffers
// =============================================================================

// A seventeenth framebuffer is refused with a message and -1.
int KRV_CreateFrameBuffer(int width, int height, int flags) {
    int id = KRV_numframebuffers;
    if (id < 0 || id >= KRV_MAXFRAMEBUFFERS) {
        printf("[KRV] Framebuffer table full (%d), %d,%d not created\n", KRV_MAXFRAMEBUFFERS,
               width, height);
        return -1;
    }
    s_framebuffer* fb = &KRV_framebuffers[id];
    s_framebufferdata* data = &KRV_framebufferdata[id];
    fb->width = width;
    fb->height = height;
    fb->id = id;
    fb->flags = flags;
    memset(data, 0, sizeof *data);

    // The copy buffer is used only when framebuffer objects are off; without
    // it that copy is skipped.
    if (width > 0 && height > 0) {
        data->pixels = (unsigned char*)malloc((size_t)width * (size_t)height * 4);
        if (!data->pixels) printf("[KRV] Out of memory for a %d,%d copy buffer\n", width, height);
    }

    printf("[KRV] Init Framebuffer: %d,%d\n", width, height);
    glActiveTexture(GL_TEXTURE0);

    GLuint texture = 0;
    glGenTextures(1, &texture);
    data->texture = texture;
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint filter = (flags & 2) ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_MIRRORED_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_MIRRORED_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, NULL);

    if (flags & 1) {
        GLuint depth = 0;
        glGenTextures(1, &depth);
        data->depthtexture = depth;
        glBindTexture(GL_TEXTURE_2D, depth);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_NONE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH24_STENCIL8, width, height, 0, GL_DEPTH_STENCIL,
                     GL_UNSIGNED_INT_24_8, NULL);
    }

    // Missing entry points report status 0, like a failed status query.
    GLenum status = 0;
    if (krv_haveframebufferobjects()) {
        GLuint fbo = 0;
        glGenFramebuffersEXT(1, &fbo);
        data->fbo = fbo;
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo);
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                                  texture, 0);
        if (flags & 1)
            glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D,
                                      data->depthtexture, 0);
        status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    }
    if (status != GL_FRAMEBUFFER_COMPLETE_EXT) {
        printf("glCheckFramebufferStatus: error %d", (int)status);
        KRV_framebuffers_enabled = 0;
    } else {
        KRV_framebuffers_enabled = 1;
    }
    if (glBindFramebufferEXT) glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);

    KRV_numframebuffers++;
    return id;
}

void KRV_SetFrameBuffer(int id) {
    if (!krv_validframebuffer(id, "KRV_SetFrameBuffer")) return;
    KRV_FrameBuffer = &KRV_framebuffers[id];
    if (KRV_framebuffers_enabled)
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, KRV_framebufferdata[id].fbo);
    glBindTexture(GL_TEXTURE_2D, KRV_framebufferdata[id].texture);
    glViewport(0, 0, KRV_FrameBuffer->width, KRV_FrameBuffer->height);
    KRV_projectionmode = 1;
}

int KRV_GetFrameBufferWidth(void) {
    return KRV_FrameBuffer ? KRV_FrameBuffer->width : 0;
}

int KRV_GetFrameBufferHeight(void) {
    return KRV_FrameBuffer ? KRV_FrameBuffer->height : 0;
}

int KRV_GetFrameBufferTexture(int id) {
    if (!krv_validframebuffer(id, "KRV_GetFrameBufferTexture")) return 0;
    return (int)KRV_framebufferdata[id].texture;
}

int KRV_GetFrameBufferDepth(int id) {
    if (!krv_validframebuffer(id, "KRV_GetFrameBufferDepth")) return 0;
    return (int)KRV_framebufferdata[id].depthtexture;
}

// The colour is read from its low byte up: red, green, blue, alpha. An entry
// with a depth attachment has its colour and its depth cleared together, as
// the presentation pass clears the window.
void KRV_ClearFrameBuffer(unsigned int colour) {
    glClearColor((colour & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f,
                 ((colour >> 16) & 0xFF) / 255.0f, ((colour >> 24) & 0xFF) / 255.0f);
    GLbitfield mask = GL_COLOR_BUFFER_BIT;
    if (KRV_FrameBuffer && (KRV_FrameBuffer->flags & 1)) mask |= GL_DEPTH_BUFFER_BIT;
    glClear(mask);
}

void KRV_DrawFrameBuffer(int x, int y, int w, int h, int id) {
    if (!krv_validframebuffer(id, "KRV_DrawFrameBuffer")) return;
    glBindTexture(GL_TEXTURE_2D, KRV_framebufferdata[id].texture);
    KRV_DrawQuad((float)x, (float)y, (float)w, (float)h, 0, 1, 1, 0);
}

// =============================================================================
// Textures
// =============================================================================

int KRV_CreateTexture(int width, int height, void* pixels, int unused) {
    (void)unused;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    return (int)texture;
}

void KRV_SetTextureOptions(int texture, int minfilter, int magfilter, int wraps, int wrapt) {
    glBindTexture(GL_TEXTURE_2D, (GLuint)texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minfilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magfilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wraps);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapt);
}

void KRV_UpdateTexture(int texture, int width, int height, void* pixels) {
    glBindTexture(GL_TEXTURE_2D, (GLuint)texture);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

void KRV_DeleteTexture(int texture) {
    GLuint name = (GLuint)texture;
    glDeleteTextures(1, &name);
}

void KRV_BindTexture(int texture) {
    if (texture == KRV_lasttextureid) return;
    glBindTexture(GL_TEXTURE_2D, (GLuint)texture);
    KRV_lasttextureid = texture;
    KRV_stats_numtexturebinds++;
}

// Channels 0 to 7 select their unit, which stays active; any other channel
// binds on the unit that is active.
void KRV_BindTextureChannel(int texture, int channel) {
    if (channel >= 0 && channel <= 7) glActiveTexture(GL_TEXTURE0 + channel);
    glBindTexture(GL_TEXTURE_2D, (GLuint)texture);
}

// =============================================================================
// Quads and lines
// =============================================================================

// Strict on every edge: a quad that only touches the framebuffer is not drawn,
// and a coordinate that is not a number fails.
static int krv_quadvisible(float x, float y, float w, float h) {
    if (!KRV_FrameBuffer) return 0;
    float fw = (float)KRV_FrameBuffer->width;
    float fh = (float)KRV_FrameBuffer->height;
    return y > -h && y < fh && x > -w && x < fw;
}

static void krv_drawquadarrays(const GLfloat* vertices, const GLfloat* texcoords) {
    glVertexPointer(3, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, texcoords);
    glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_BYTE, quad_index);
}

void KRV_DrawQuad(float x, float y, float w, float h, float tu0, float tv0, float tu1, float tv1) {
    if (!krv_quadvisible(x, y, w, h)) return;
    GLfloat vertices[12] = {x, y, 0, x + w, y, 0, x + w, y + h, 0, x, y + h, 0};
    GLfloat texcoords[8] = {tu0, tv0, tu1, tv0, tu1, tv1, tu0, tv1};
    KRV_Enable2D();
    krv_drawquadarrays(vertices, texcoords);
    KRV_stats_numtriangles += 2;
}

void KRV_DrawRotatedQuad(float x, float y, float w, float h, float tu0, float tv0, float tu1,
                         float tv1, float angle) {
    if (!krv_quadvisible(x, y, w, h)) return;
    float hw = w / 2, hh = h / 2;
    GLfloat vertices[12] = {-hw, -hh, 0, hw, -hh, 0, hw, hh, 0, -hw, hh, 0};
    GLfloat texcoords[8] = {tu0, tv0, tu1, tv0, tu1, tv1, tu0, tv1};
    KRV_Enable2D();
    glLoadIdentity();
    glTranslatef(x + hw, y + hh, 0);
    glRotatef(angle, 0, 0, 1);
    krv_drawquadarrays(vertices, texcoords);
    KRV_stats_numtriangles += 2;
}

void KRV_DrawColorQuad(float x, float y, float w, float h, float r, float g, float b, float a) {
    if (!krv_quadvisible(x, y, w, h)) return;
    GLfloat vertices[12] = {x, y, 0, x + w, y, 0, x + w, y + h, 0, x, y + h, 0};
    static const GLfloat texcoords[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    glColor4f(r, g, b, a);
    KRV_Enable2D();
    krv_drawquadarrays(vertices, texcoords);
    glColor4f(1, 1, 1, 1);
    KRV_stats_numtriangles += 2;
}

void KRV_DrawLineRGB(float x1, float y1, float x2, float y2, float r, float g, float b, float a) {
    if (isnan(x1) || isnan(y1) || isnan(x2) || isnan(y2)) return;
    KRV_Enable2D();
    glColor3f(r, g, b);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glBegin(GL_LINES);
    glColor4f(r, g, b, a);
    glVertex2f(x1, y1);
    glVertex2f(x2, y2);
    glEnd();
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor4f(1, 1, 1, 1);
    KRV_stats_numlines++;
}

// =============================================================================
// Projection and camera
// =============================================================================

// Rebuilds the pixel projection of the viewport only when due; resets the
// modelview and switches depth test and lighting off on every call.
void KRV_Enable2D(void) {
    if (KRV_projectionmode) {
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1] + viewport[3], viewport[1], -1,
                1);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    KRV_projectionmode = 0;
}

// The aspect is the integer quotient of the current framebuffer's sides.
void KRV_Disable2D(void) {
    if (KRV_projectionmode != 0) return;
    int aspect = 1;
    if (KRV_FrameBuffer && KRV_FrameBuffer->height != 0)
        aspect = KRV_FrameBuffer->width / KRV_FrameBuffer->height;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    KRV_Perspective(45.0f, (float)aspect, 0.01f, 1000.0f);
    glMatrixMode(GL_MODELVIEW);
    KRV_projectionmode = 1;
}

void KRV_Perspective(float fovy, float aspect, float znear, float zfar) {
    double top = tan(fovy * 3.141592653 / 360.0) * znear;
    double right = aspect * top;
    glFrustum(-right, right, -top, top, znear, zfar);
}

void KRV_ViewPort(int unused1, int unused2, float aspect, float fovy, float znear, float zfar) {
    (void)unused1;
    (void)unused2;
    KRV_Perspective(fovy, aspect, znear, zfar);
}

void KRV_LookAt(float eyex, float eyey, float eyez, float centerx, float centery, float centerz) {
    double dx = (double)eyex - centerx;
    double dy = (double)eyey - centery;
    double dz = (double)eyez - centerz;
    if (dx == 0 && dy == 0 && dz == 0) return;
    if (dx == 0 && dz == 0) {
        glRotated(dy < 0 ? -90.0 : 90.0, 1, 0, 0);
    } else {
        double horizontal = sqrt(dx * dx + dz * dz);
        double length = sqrt(dx * dx + dy * dy + dz * dz);
        double pitch = asin(dy / length) * 57.29577952383886;
        double yaw = asin(dx / horizontal) * 57.29577952383886;
        if (dz < 0)
            yaw = yaw + 180.0;
        else
            yaw = 360.0 - yaw;
        glRotated(pitch, 1, 0, 0);
        glRotated(yaw, 0, 1, 0);
    }
    glTranslated(-(double)eyex, -(double)eyey, -(double)eyez);
}

void KRV_UpdateMatrix(float* m) {
    if (m) glLoadMatrixf(m);
}

// =============================================================================
// Render states and blending
// =============================================================================

static void krv_switchstates(int bits, int enable) {
    static const int bit[4] = {KRV_RENDERSTATE_ALPHATEST, KRV_RENDERSTATE_DEPTHTEST,
                               KRV_RENDERSTATE_BLEND, KRV_RENDERSTATE_LIGHTING};
    static const GLenum cap[4] = {GL_ALPHA_TEST, GL_DEPTH_TEST, GL_BLEND, GL_LIGHTING};
    for (int i = 0; i < 4; i++) {
        if (!(bits & bit[i])) continue;
        if (enable)
            glEnable(cap[i]);
        else
            glDisable(cap[i]);
    }
}

// Does nothing when any requested bit is already set.
void KRV_EnableRenderState(int bits) {
    if (KRV_renderstate & bits) return;
    krv_switchstates(bits, 1);
    KRV_renderstate |= bits;
    KRV_stats_numstateswitches++;
}

// Does nothing when none of the requested bits is set; otherwise switches off
// every requested state, also those whose bit was clear.
void KRV_DisableRenderState(int bits) {
    if (!(KRV_renderstate & bits)) return;
    krv_switchstates(bits, 0);
    KRV_renderstate &= ~bits;
    KRV_stats_numstateswitches++;
}

void KRV_SetBlendMode(int mode) {
    if (mode == 1)
        glBlendFunc(GL_SRC_COLOR, GL_DST_COLOR);
    else if (mode == 2)
        glBlendFunc(GL_SRC_COLOR, GL_ONE);
}

void KRV_EnableAlphaBlend(float alpha) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glColor4f(1, 1, 1, alpha);
}

void KRV_DisableAlphaBlend(void) {
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
}

// A palette outside 0 to 7, a count outside 0 to 256 or no colours are
// refused with a message.
void KRV_SetPallete(int palette, int count, unsigned char* rgb) {
    if (palette < 0 || palette > 7 || count < 0 || count > 256 || (count > 0 && !rgb)) {
        printf("[KRV] KRV_SetPallete: palette %d with %d colours refused\n", palette, count);
        return;
    }
    if (count > 0) memcpy(KRV_Palette[palette], rgb, (size_t)count * 3);
}

void KRV_UpdateVertexData(float* data, int a, int b) {
    (void)data;
    (void)a;
    (void)b;
}

void KRV_DrawFaceList(int a, int b) {
    (void)a;
    (void)b;
}
