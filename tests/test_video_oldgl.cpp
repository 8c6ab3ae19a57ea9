// A GL without GLSL and without EXT_framebuffer_object: the driver's loader
// is given no GL 2.0 shader calls and no framebuffer-object calls, so window
// start-up leaves shaders disabled and framebuffer 0 is incomplete. Start-up
// then makes the scanline texture, every draw goes into the window's back
// buffer, and the presentation copies it and takes the fixed-function path.
#include <gtest/gtest.h>

#include <GL/glew.h>
// After GoogleTest: the X headers' macros (None, Bool) would clash with it.
#include <GL/glx.h>
#include <dlfcn.h>

#include <cstring>
#include <string>

#include "krv/video_opengl.h"
#include "krv/video_opengl_extended.h"
#include "tests/support/testsupport.h"
#include "tests/video_test.h"

// GLEW looks every entry point up through this call; the program's own
// definition stands before libGL's and hides what this GL is not to have.
extern "C" void (*glXGetProcAddressARB(const GLubyte* name))(void) {
    typedef void (*(*Lookup)(const GLubyte*))(void);
    static Lookup real = (Lookup)dlsym(RTLD_NEXT, "glXGetProcAddressARB");
    static const char* hidden[] = {"glCreateShader",         "glGenFramebuffersEXT",
                                   "glBindFramebufferEXT",   "glFramebufferTexture2DEXT",
                                   "glCheckFramebufferStatusEXT"};
    for (const char* h : hidden)
        if (strcmp((const char*)name, h) == 0) return nullptr;
    return real ? real(name) : nullptr;
}

namespace {

using vt::FillRect;
using vt::Hex;
using vt::Image;
using vt::kWindowHeight;
using vt::kWindowWidth;
using vt::Rgba;

const uint32_t kRGB = 0x00FFFFFFu;
const uint32_t kColour = Rgba(200, 120, 60);

int Channel(uint32_t c, int shift) { return (int)((c >> shift) & 0xFF); }

void ExpectRGBNear(uint32_t got, uint32_t want, const std::string& where) {
    for (int s = 0; s < 24; s += 8)
        EXPECT_NEAR(Channel(got, s), Channel(want, s), 1)
            << where << " got " << Hex(got) << " want " << Hex(want);
}

uint32_t Scale(uint32_t c, float k) {
    uint32_t out = 0;
    for (int s = 0; s < 24; s += 8) out |= (uint32_t)(Channel(c, s) * k + 0.5f) << s;
    return out;
}

TEST(OldGL, StartUpFallsBackToTheCopyPathAndMakesTheScanlineTexture) {
    ASSERT_FALSE(vt::VideoStarted());
    EXPECT_EQ(vt::EnsureVideo(),
              "[KRV] Init Glew\n"
              "\n"
              "Ready for GLSL\n"
              "[KRV] Init OpenGL\n"
              "[KRV] Init Framebuffer\n"
              "[KRV] Init Framebuffer: 64,48\n"
              "glCheckFramebufferStatus: error 0");
    EXPECT_EQ(KRV_shaders_enabled, 0);
    EXPECT_EQ(KRV_framebuffers_enabled, 0);
    EXPECT_EQ(KRV_framebufferdata[0].fbo, 0u);
    EXPECT_EQ(KRV_FrameBuffer, &KRV_framebuffers[0]);

    // Rows alternate from row 0: transparent black, opaque black.
    ASSERT_NE(krv_scanlinetexture_id, 0);
    uint32_t rows[kWindowWidth * kWindowHeight];
    glBindTexture(GL_TEXTURE_2D, (GLuint)krv_scanlinetexture_id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rows);
    for (int y = 0; y < kWindowHeight; y++)
        for (int x = 0; x < kWindowWidth; x += 7)
            ASSERT_EQ(Hex(rows[y * kWindowWidth + x]), Hex((y & 1) ? 0xFF000000u : 0u)) << x << "," << y;
}

TEST(OldGL, ShaderBuildsHandOutIdsWithoutGLWork) {
    vt::EnsureVideo();
    std::string text = kt::Captured([] {
        EXPECT_EQ(KRV_InitDefaultPostShader(), 0);
        EXPECT_EQ(KRV_InitShader(nullptr, nullptr), 1);
        KRV_BindShader(0);
        KRV_SetShaderUniform1f(0, "fadevalue", 0.5f);
        KRV_DeleteShader(0);
    });
    EXPECT_EQ(text, "");
    EXPECT_EQ(KRV_numshaders, 2);
    EXPECT_EQ(KRV_shader[0].program, 0u);
}

// The frame drawn into the window's back buffer is copied into framebuffer
// 0's texture and shown with the fade as alpha; with a scanline value the
// scanline texture darkens every second row from the bottom.
TEST(OldGL, ThePresentationCopiesTheFrameAndDrawsFadeAndScanlines) {
    vt::EnsureVideo();
    KRV_SetPostShader(KRV_InitDefaultPostShader());  // an id without a program: not used
    struct Case {
        float fade, scanline;
    } cases[] = {{1, 0}, {0.5f, 0}, {1, 0.5f}, {1, 1}, {0.5f, 0.5f}};
    for (const Case& c : cases) {
        SCOPED_TRACE("fade " + std::to_string(c.fade) + " scanline " + std::to_string(c.scanline));
        KRV_SetFadeValue(c.fade);
        KRV_SetScanlineValue(c.scanline);
        KRV_ClearFrameBuffer(0xFF000000u);
        FillRect(0, 0, (float)kWindowWidth, (float)kWindowHeight, kColour);
        FillRect(0, 0, 4, 4, Rgba(255, 255, 255));
        vt::BringWindowUp();
        KRV_SwapBuffers();

        Image copied = vt::ReadTexture(KRV_framebufferdata[0].texture, kWindowWidth, kWindowHeight);
        EXPECT_EQ(Hex(copied.At(1, 1) & kRGB), Hex(0xFFFFFF));
        EXPECT_EQ(Hex(copied.At(30, 30) & kRGB), Hex(kColour & kRGB));

        Image win = vt::ReadWindow();
        for (int y = 4; y < kWindowHeight; y++) {
            bool dark = ((kWindowHeight - 1 - y) % 2) == 1;
            uint32_t want = Scale(Scale(kColour, c.fade), dark ? 1 - c.scanline : 1);
            ExpectRGBNear(win.At(20, y), want, "row " + std::to_string(y));
        }
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_EQ(colour[3], 1.0f);
    }
}

}  // namespace
