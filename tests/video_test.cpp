#include "tests/video_test.h"

#include <GL/glew.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

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

// The GL context's drawable is the window's X window.
static bool WindowOnX(Display** display, Window* window) {
    *display = glXGetCurrentDisplay();
    *window = (Window)glXGetCurrentDrawable();
    return *display && *window;
}

void BringWindowUp() {
    Display* display;
    Window window;
    if (!WindowOnX(&display, &window)) {
        ADD_FAILURE() << "the GL context has no X window";
        return;
    }
    XWindowAttributes root;
    XGetWindowAttributes(display, DefaultRootWindow(display), &root);
    XMoveWindow(display, window, root.width - KRV_video.width - 8, root.height - KRV_video.height - 8);
    XRaiseWindow(display, window);
    XSync(display, False);
    for (int i = 0; i < 500; i++) {
        XWindowAttributes a;
        XGetWindowAttributes(display, window, &a);
        if (a.map_state == IsViewable) break;
        usleep(2000);
    }
}

Image ReadWindow() {
    Image img;
    Display* display;
    Window window;
    if (!WindowOnX(&display, &window)) {
        ADD_FAILURE() << "the GL context has no X window";
        return img;
    }
    XSync(display, False);
    XImage* x = XGetImage(display, window, 0, 0, (unsigned)KRV_video.width, (unsigned)KRV_video.height,
                          AllPlanes, ZPixmap);
    if (!x) {
        ADD_FAILURE() << "XGetImage failed";
        return img;
    }
    auto channel = [](unsigned long pixel, unsigned long mask) -> uint32_t {
        if (!mask) return 0;
        int shift = 0;
        while (!((mask >> shift) & 1)) shift++;
        unsigned long max = mask >> shift;
        return (uint32_t)(((pixel & mask) >> shift) * 255 / max);
    };
    img.width = KRV_video.width;
    img.height = KRV_video.height;
    img.pixels.resize((size_t)img.width * img.height);
    for (int y = 0; y < img.height; y++)
        for (int xx = 0; xx < img.width; xx++) {
            unsigned long p = XGetPixel(x, xx, y);
            img.pixels[(size_t)y * img.width + xx] =
                Rgba(channel(p, x->red_mask), channel(p, x->green_mask), channel(p, x->blue_mask));
        }
    XDestroyImage(x);
    return img;
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
