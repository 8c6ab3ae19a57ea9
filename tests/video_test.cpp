#include "tests/video_test.h"

#include <GL/glew.h>
#include <stdlib.h>

#include <cstdio>

#include "krv/driver_win32.h"
#include "krv/video_opengl.h"
#include "tests/support/testsupport.h"

// The show's entry, here the test runner. The driver ends the process with
// status 0 whatever this returns, so a failed run ends it with its own status.
int coremain(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new kt::NeedsDisplay);
    int result = RUN_ALL_TESTS();
    fflush(stdout);
    fflush(stderr);
    if (result != 0) _exit(result);
    return result;
}

namespace vt {

static bool g_started = false;
static std::string g_startup_text;

const std::string& EnsureVideo() {
    if (!g_started) {
        g_started = true;
        g_startup_text = kt::Captured([] { KRV_InitVideo(kWindowWidth, kWindowHeight, 0); });
    }
    return g_startup_text;
}

bool VideoStarted() { return g_started; }

std::string Hex(uint32_t rgba) {
    char text[16];
    snprintf(text, sizeof text, "%08X", rgba);
    return text;
}

static Image FlipRows(int w, int h, const std::vector<uint32_t>& bottom_up) {
    Image img;
    img.width = w;
    img.height = h;
    img.pixels.resize((size_t)w * h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) img.pixels[(size_t)y * w + x] = bottom_up[(size_t)(h - 1 - y) * w + x];
    return img;
}

Image ReadFramebuffer(int id) {
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previous);
    const s_framebuffer& fb = KRV_framebuffers[id];
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, KRV_framebufferdata[id].fbo);
    std::vector<uint32_t> raw((size_t)fb.width * fb.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, fb.width, fb.height, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, (GLuint)previous);
    return FlipRows(fb.width, fb.height, raw);
}

Image ReadTexture(unsigned int texture, int width, int height) {
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, texture);
    std::vector<uint32_t> raw((size_t)width * height);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    glBindTexture(GL_TEXTURE_2D, (GLuint)previous);
    return FlipRows(width, height, raw);
}

void FillRect(float x, float y, float w, float h, uint32_t rgba) {
    glBindTexture(GL_TEXTURE_2D, (GLuint)krv_whitetexture_id);
    KRV_DrawColorQuad(x, y, w, h, (rgba & 0xFF) / 255.0f, ((rgba >> 8) & 0xFF) / 255.0f,
                      ((rgba >> 16) & 0xFF) / 255.0f, ((rgba >> 24) & 0xFF) / 255.0f);
}

void GLTest::SetUp() { EnsureVideo(); }

}  // namespace vt
