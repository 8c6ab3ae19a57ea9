#include "tests/show/showgl.h"

#include <GL/glew.h>

#include <cstdio>
#include <cstdlib>

#include "krv/video_opengl.h"
#include "tests/support/testsupport.h"

// The show's entry, here the test runner. The driver ends the process with
// status 0 whatever this returns, so a failed run ends with its own status.
// On Linux audio goes to SDL's dummy driver unless the environment names
// another; Windows has its own default device.
int coremain(int argc, char** argv) {
    kt::SetEnv("SDL_AUDIODRIVER", "dummy", false);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new kt::NeedsDisplay);
    int result = RUN_ALL_TESTS();
    fflush(stdout);
    fflush(stderr);
    if (result != 0) _exit(result);
    return result;
}

namespace st {

const std::string& EnsureVideo() {
    static bool started = false;
    static std::string text;
    if (!started) {
        started = true;
        text = kt::Captured([] { KRV_InitVideo(64, 48, 0); });
    }
    return text;
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
    Image img;
    img.width = fb.width;
    img.height = fb.height;
    img.pixels.resize(raw.size());
    for (int y = 0; y < fb.height; y++)
        for (int x = 0; x < fb.width; x++)
            img.pixels[(size_t)y * fb.width + x] = raw[(size_t)(fb.height - 1 - y) * fb.width + x];
    return img;
}

int ActiveUnit() {
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    return active - GL_TEXTURE0;
}

unsigned int BoundTexture(int unit) {
    GLint active = 0, bound = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glActiveTexture(GL_TEXTURE0 + unit);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glActiveTexture((GLenum)active);
    return (unsigned int)bound;
}

void ShowGLTest::SetUp() {
    kt::ScratchTest::SetUp();
    EnsureVideo();
}

}  // namespace st
