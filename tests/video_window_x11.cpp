// The window's pixels as the X server shows them: BringWindowUp and
// ReadWindow of the video suites that read the window back (Linux only).
#include "tests/video_test.h"

#include <GL/glew.h>
#include <unistd.h>

#include "krv/video_opengl.h"

// Xlib after GoogleTest: its macros (None, Bool, Status) would clash.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vt {

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

}  // namespace vt
