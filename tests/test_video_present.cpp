// Video start-up and presentation: the start-up lines and the fixed GL state,
// the picture of the current framebuffer reaching the window through the post
// shader, the fixed-function path, the copy path of unusable framebuffer
// objects, and the statistics zeroed by each swap. Pixels read from the window.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>

#include "krv/krv.h"
#include "krv/video_opengl.h"
#include "krv/video_opengl_extended.h"
#include "tests/support/testsupport.h"
#include "tests/video_test.h"

namespace {

using vt::FillRect;
using vt::Hex;
using vt::Image;
using vt::kWindowHeight;
using vt::kWindowWidth;
using vt::ReadFramebuffer;
using vt::ReadWindow;
using vt::Rgba;

const uint32_t kRGB = 0x00FFFFFFu;  // the window has no alpha channel

GLint GetInt(GLenum what) {
    GLint v = 0;
    glGetIntegerv(what, &v);
    return v;
}

// Four bands of colour down the current framebuffer, each a quarter high.
const uint32_t kBands[4] = {Rgba(200, 100, 40), Rgba(60, 220, 120), Rgba(250, 10, 90),
                            Rgba(30, 70, 180)};

void DrawBands(int w, int h) {
    for (int i = 0; i < 4; i++) FillRect(0, (float)(i * h / 4), (float)w, (float)(h / 4), kBands[i]);
}

uint32_t Band(int y, int h) { return kBands[y * 4 / h]; }

int Channel(uint32_t c, int shift) { return (int)((c >> shift) & 0xFF); }

void ExpectRGBNear(uint32_t got, uint32_t want, int tolerance, const std::string& where) {
    for (int s = 0; s < 24; s += 8)
        EXPECT_NEAR(Channel(got, s), Channel(want, s), tolerance)
            << where << " got " << Hex(got) << " want " << Hex(want);
}

uint32_t Scale(uint32_t c, float k) {
    uint32_t out = 0;
    for (int s = 0; s < 24; s += 8) out |= (uint32_t)(Channel(c, s) * k + 0.5f) << s;
    return out;
}

// ---- start-up ------------------------------------------------------------------

// Runs in a process of its own, where it is the first to open the video.
TEST(VideoStartUp, PrintsItsLinesAndSetsTheFixedState) {
    if (vt::VideoStarted()) GTEST_SKIP() << "video already started in this process";
    EXPECT_EQ(vt::EnsureVideo(),
              "[KRV] Init Glew\n"
              "\n"
              "Ready for GLSL\n"
              "[KRV] Init OpenGL\n"
              "[KRV] Init Framebuffer\n"
              "[KRV] Init Framebuffer: 64,48\n");

    EXPECT_EQ(KRV_video.width, kWindowWidth);
    EXPECT_EQ(KRV_video.height, kWindowHeight);
    EXPECT_EQ(KRV_video.pitch, kWindowWidth);
    EXPECT_EQ(KRV_video.bitsperpixel, 32);
    EXPECT_EQ(KRV_video.bytesperpixel, 4);
    EXPECT_EQ(KRV_video.rmask, 0x00FF0000);
    EXPECT_EQ(KRV_video.gmask, 0x0000FF00);
    EXPECT_EQ(KRV_video.bmask, 0x000000FF);
    EXPECT_EQ(KRV_video.rshift, 16);
    EXPECT_EQ(KRV_video.gshift, 8);
    EXPECT_EQ(KRV_video.bshift, 0);
    EXPECT_EQ(KRV_video.rbits + KRV_video.gbits + KRV_video.bbits, 24);
    EXPECT_EQ(KRV_video.abits, 0);

    EXPECT_EQ(KRV_shaders_enabled, 1);
    EXPECT_EQ(KRV_postshader_id, -1);
    EXPECT_EQ(KRV_fadevalue, 1.0f);
    EXPECT_EQ(KRV_scanlinevalue, 0.0f);
    EXPECT_EQ(KRV_video_updatespeed, 15);
    EXPECT_EQ(KRV_renderstate, 0);
    EXPECT_EQ(KRV_lasttextureid, -1);
    EXPECT_EQ(KRV_projectionmode, 1);
    EXPECT_EQ(krv_scanlinetexture_id, 0) << "made only when shaders are off";

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_EQ(GetInt(GL_FRONT_FACE), GL_CCW);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_EQ(GetInt(GL_ALPHA_TEST_FUNC), GL_GREATER);
    EXPECT_EQ(GetInt(GL_SHADE_MODEL), GL_SMOOTH);
    EXPECT_EQ(GetInt(GL_PERSPECTIVE_CORRECTION_HINT), GL_NICEST);
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0] + clear[1] + clear[2], 0.0f);
    EXPECT_EQ(clear[3], 1.0f);

    Image white = vt::ReadTexture((GLuint)krv_whitetexture_id, 8, 8);
    for (uint32_t p : white.pixels) EXPECT_EQ(p, 0xFFFFFFFFu);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kWindowWidth);
    EXPECT_EQ(viewport[3], kWindowHeight);
}

class PresentTest : public vt::GLTest {};

// ---- presentation through shaders --------------------------------------------------

TEST_F(PresentTest, ThePictureReachesTheWindowThroughTheDefaultPostShader) {
    int post = KRV_InitDefaultPostShader();
    KRV_SetPostShader(post);
    KRV_SetScanlineValue(0.5f);
    DrawBands(kWindowWidth, kWindowHeight);
    vt::BringWindowUp();
    KRV_SwapBuffers();

    Image win = ReadWindow();
    for (int y = 0; y < kWindowHeight; y++) {
        bool dark = ((kWindowHeight - 1 - y) % 2) == 1;  // odd rows from the bottom
        uint32_t want = dark ? Scale(Band(y, kWindowHeight), 0.5f) : Band(y, kWindowHeight);
        for (int x = 0; x < kWindowWidth; x += 9) ExpectRGBNear(win.At(x, y), want, 1, std::to_string(x) + "," + std::to_string(y));
    }

    // The pass leaves the current framebuffer bound with its viewport, and
    // no program.
    EXPECT_EQ((GLuint)GetInt(GL_FRAMEBUFFER_BINDING_EXT), KRV_framebufferdata[0].fbo);
    EXPECT_EQ(GetInt(GL_CURRENT_PROGRAM), 0);
}

TEST_F(PresentTest, TheFadeValueScalesThePictureThroughThePostShader) {
    KRV_SetPostShader(KRV_InitDefaultPostShader());
    KRV_SetFadeValue(0.5f);
    DrawBands(kWindowWidth, kWindowHeight);
    vt::BringWindowUp();
    KRV_SwapBuffers();
    Image win = ReadWindow();
    for (int y = 0; y < kWindowHeight; y += 5)
        ExpectRGBNear(win.At(7, y), Scale(Band(y, kWindowHeight), 0.5f), 1, "row " + std::to_string(y));
}

// Without a post shader the pass still clears, draws the whole-window quad
// (no program bound) and swaps; a smaller framebuffer is scaled up with its
// nearest filter.
TEST_F(PresentTest, WithoutAPostShaderASmallerFramebufferIsScaledOverTheWindow) {
    int small = -1;
    kt::Captured([&] { small = KRV_CreateFrameBuffer(kWindowWidth / 2, kWindowHeight / 2, 0); });
    KRV_SetFrameBuffer(small);
    DrawBands(kWindowWidth / 2, kWindowHeight / 2);
    FillRect(0, 0, 1, 1, Rgba(255, 255, 255));  // one white pixel at the top left
    vt::BringWindowUp();
    KRV_SwapBuffers();

    Image win = ReadWindow();
    EXPECT_EQ(Hex(win.At(0, 0) & kRGB), Hex(0xFFFFFF));
    EXPECT_EQ(Hex(win.At(1, 1) & kRGB), Hex(0xFFFFFF));
    EXPECT_EQ(Hex(win.At(2, 0) & kRGB), Hex(Band(0, 4) & kRGB));
    for (int y = 2; y < kWindowHeight; y += 3)
        EXPECT_EQ(Hex(win.At(kWindowWidth - 1, y) & kRGB), Hex(Band(y, kWindowHeight) & kRGB)) << y;

    EXPECT_EQ((GLuint)GetInt(GL_FRAMEBUFFER_BINDING_EXT), KRV_framebufferdata[small].fbo);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kWindowWidth / 2);
    EXPECT_EQ(viewport[3], kWindowHeight / 2);
    EXPECT_EQ(KRV_projectionmode, 1);
}

// ---- the fixed-function path -------------------------------------------------------

// Shaders off: the picture is blended over the cleared window with the fade
// as its alpha; without scanlines no second quad is drawn.
TEST_F(PresentTest, WithShadersOffTheFixedFunctionPassFadesThePicture) {
    KRV_SetPostShader(KRV_InitDefaultPostShader());
    KRV_shaders_enabled = 0;
    KRV_SetFadeValue(0.5f);
    DrawBands(kWindowWidth, kWindowHeight);
    vt::BringWindowUp();
    KRV_SwapBuffers();
    Image win = ReadWindow();
    for (int y = 0; y < kWindowHeight; y += 3)
        ExpectRGBNear(win.At(5, y), Scale(Band(y, kWindowHeight), 0.5f), 1, "row " + std::to_string(y));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[3], 1.0f);
    EXPECT_EQ(GetInt(GL_CURRENT_PROGRAM), 0);
}

// ---- the copy path -----------------------------------------------------------------

// Framebuffer objects unusable: the frame was drawn into the window's back
// buffer, and the pass copies it into the current entry's texture before it
// shows that texture.
TEST_F(PresentTest, WithFramebufferObjectsOffTheBackBufferIsCopiedAndShown) {
    kt::Captured([] { KRV_CreateFrameBuffer(0, 0, 0); });
    ASSERT_EQ(KRV_framebuffers_enabled, 0);
    KRV_SetFrameBuffer(0);
    ASSERT_EQ(GetInt(GL_FRAMEBUFFER_BINDING_EXT), 0);
    KRV_ClearFrameBuffer(0xFF000000u);
    DrawBands(kWindowWidth, kWindowHeight);
    FillRect(0, 0, 2, 2, Rgba(255, 255, 255));
    vt::BringWindowUp();
    KRV_SwapBuffers();

    const s_framebufferdata& d = KRV_framebufferdata[0];
    Image copied = vt::ReadTexture(d.texture, kWindowWidth, kWindowHeight);
    EXPECT_EQ(Hex(copied.At(0, 0) & kRGB), Hex(0xFFFFFF));
    // The copy buffer holds the rows as GL read them, bottom row first.
    const uint32_t* rows = (const uint32_t*)d.pixels;
    EXPECT_EQ(Hex(rows[0] & kRGB), Hex(Band(kWindowHeight - 1, kWindowHeight) & kRGB));
    EXPECT_EQ(Hex(rows[(kWindowHeight - 1) * kWindowWidth] & kRGB), Hex(0xFFFFFF));

    Image win = ReadWindow();
    EXPECT_EQ(Hex(win.At(1, 1) & kRGB), Hex(0xFFFFFF));
    for (int y = 3; y < kWindowHeight; y += 4)
        EXPECT_EQ(Hex(win.At(20, y) & kRGB), Hex(Band(y, kWindowHeight) & kRGB)) << y;
    EXPECT_EQ(GetInt(GL_FRAMEBUFFER_BINDING_EXT), 0) << "nothing binds framebuffer objects";
}

// ---- statistics and the bind cache ---------------------------------------------

TEST_F(PresentTest, TheSwapZeroesTrianglesBindsAndSwitchesButNotLines) {
    uint32_t white = 0xFFFFFFFFu;
    int a = KRV_CreateTexture(1, 1, &white, 0);
    int b = KRV_CreateTexture(1, 1, &white, 0);
    KRV_BindTexture(a);
    KRV_BindTexture(b);
    KRV_DrawQuad(0, 0, 8, 8, 0, 0, 1, 1);
    KRV_DrawQuad(8, 0, 8, 8, 0, 0, 1, 1);
    KRV_DrawColorQuad(0, 8, 8, 8, 1, 0, 0, 1);
    KRV_EnableRenderState(KRV_RENDERSTATE_BLEND);
    KRV_DisableRenderState(KRV_RENDERSTATE_BLEND);
    KRV_DrawLineRGB(0, 0, 10, 10, 1, 1, 1, 1);
    int triangles = -1, binds = -1, switches = -1;
    KRV_GetRenderStatus(&triangles, &binds, &switches);
    EXPECT_EQ(triangles, 6);
    EXPECT_EQ(binds, 2);
    EXPECT_EQ(switches, 2);

    KRV_SwapBuffers();
    KRV_GetRenderStatus(&triangles, &binds, &switches);
    EXPECT_EQ(triangles, 0);
    EXPECT_EQ(binds, 0);
    EXPECT_EQ(switches, 0);
    EXPECT_EQ(KRV_stats_numlines, 1);
    EXPECT_EQ(KRV_lasttextureid, -1);

    // The bind cache was cleared: the same texture binds and counts again.
    KRV_BindTexture(b);
    KRV_DrawLineRGB(0, 0, 10, 10, 1, 1, 1, 1);
    KRV_GetRenderStatus(&triangles, &binds, &switches);
    EXPECT_EQ(binds, 1);
    KRV_SwapBuffers();
    EXPECT_EQ(KRV_stats_numlines, 2);

    // Our choice: a null pointer is skipped.
    KRV_stats_numtriangles = 4;
    KRV_GetRenderStatus(&triangles, nullptr, nullptr);
    EXPECT_EQ(triangles, 4);
}

// The basic swap: no post pass, no counter reset; the window framebuffer is
// bound afterwards with the current entry's viewport.
TEST_F(PresentTest, TheBasicSwapSwapsAndBindsTheWindowOnly) {
    KRV_DrawQuad(0, 0, 8, 8, 0, 0, 1, 1);
    KRV_BindTexture(krv_whitetexture_id);
    KRV_projectionmode = 0;
    KRV_SwapBuffersBasic();
    EXPECT_EQ(KRV_stats_numtriangles, 2);
    EXPECT_EQ(KRV_stats_numtexturebinds, 1);
    EXPECT_EQ(KRV_projectionmode, 0);
    EXPECT_EQ(GetInt(GL_FRAMEBUFFER_BINDING_EXT), 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kWindowWidth);
    EXPECT_EQ(viewport[3], kWindowHeight);
}

TEST_F(PresentTest, CloseVideoReleasesTheContext) {
    ASSERT_NE(glGetString(GL_VERSION), nullptr);
    KRV_CloseVideo();
    EXPECT_EQ(glGetString(GL_VERSION), nullptr);
}

}  // namespace
