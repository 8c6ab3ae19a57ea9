#include "tests/show/showscreen.h"

#include <lodepng.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace xs {

namespace {

using Clock = std::chrono::steady_clock;

// The position of a colour channel in a pixel value, from its mask.
int Shift(unsigned long mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        s++;
    }
    return s;
}

}  // namespace

ShowScreen::ShowScreen() {
    // The window goes away with the program; requests that reach it
    // afterwards fail quietly and are seen in their results.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    display_ = XOpenDisplay(nullptr);
}

ShowScreen::~ShowScreen() {
    if (display_) XCloseDisplay(display_);
}

bool ShowScreen::Find(double seconds, long pid) {
    auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (display_ && Clock::now() < end) {
        window_ = Search(DefaultRootWindow(display_), pid);
        if (window_) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool ShowScreen::Shown() {
    XWindowAttributes a;
    return window_ && XGetWindowAttributes(display_, window_, &a) && a.map_state == IsViewable;
}

bool ShowScreen::Geometry(int* x, int* y, int* w, int* h) {
    XWindowAttributes a;
    Window child;
    if (!window_ || !XGetWindowAttributes(display_, window_, &a)) return false;
    if (!XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), 0, 0, x, y, &child)) return false;
    *w = a.width;
    *h = a.height;
    return true;
}

bool ShowScreen::Read(int x, int y, int w, int h, Shot* shot) {
    int sw = DisplayWidth(display_, DefaultScreen(display_));
    int sh = DisplayHeight(display_, DefaultScreen(display_));
    // What lies left of or above the screen is not there to read.
    int x0 = x < 0 ? 0 : x, y0 = y < 0 ? 0 : y;
    int x1 = x + w > sw ? sw : x + w, y1 = y + h > sh ? sh : y + h;
    if (x1 <= x0 || y1 <= y0) return false;
    XImage* img = XGetImage(display_, DefaultRootWindow(display_), x0, y0, (unsigned)(x1 - x0), (unsigned)(y1 - y0),
                            AllPlanes, ZPixmap);
    if (!img) return false;
    int rs = Shift(img->red_mask), gs = Shift(img->green_mask), bs = Shift(img->blue_mask);
    shot->w = x1 - x0;
    shot->h = y1 - y0;
    shot->rgb.resize((size_t)shot->w * shot->h * 3);
    unsigned char* out = shot->rgb.data();
    for (int j = 0; j < shot->h; j++)
        for (int i = 0; i < shot->w; i++) {
            unsigned long p = XGetPixel(img, i, j);
            *out++ = (unsigned char)((p & img->red_mask) >> rs);
            *out++ = (unsigned char)((p & img->green_mask) >> gs);
            *out++ = (unsigned char)((p & img->blue_mask) >> bs);
        }
    XDestroyImage(img);
    return true;
}

bool ShowScreen::WaitForFrame(double seconds) {
    auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        int x, y, w, h;
        Shot row;
        if (Geometry(&x, &y, &w, &h) && Read(x, y + h / 2, w, 1, &row))
            for (unsigned char c : row.rgb)
                if (c) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

Shot ShowScreen::Grab() {
    Shot shot;
    int x, y, w, h;
    if (Geometry(&x, &y, &w, &h)) Read(x, y, w, h, &shot);
    return shot;
}

void ShowScreen::Key(unsigned long keysym, bool down) {
    if (!window_) return;
    XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, keysym), down ? True : False, CurrentTime);
    XFlush(display_);
}

unsigned long ShowScreen::Search(unsigned long w, long pid) {
    char* name = nullptr;
    if (XFetchName(display_, w, &name) && name) {
        bool title = strcmp(name, "Ondrave - Kastrel") == 0;
        XFree(name);
        if (title && (pid == 0 || PidOf(w) == pid)) return w;
    }
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    unsigned long found = 0;
    if (XQueryTree(display_, w, &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n && !found; i++) found = Search(children[i], pid);
        if (children) XFree(children);
    }
    return found;
}

long ShowScreen::PidOf(unsigned long w) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display_, w, XInternAtom(display_, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type,
                           &format, &count, &after, &data) == Success &&
        data && count == 1)
        pid = (long)*(unsigned long*)data;
    if (data) XFree(data);
    return pid;
}

std::vector<double> ColourHistogram(const Shot& shot, int w, int h, int levels) {
    std::vector<double> bins((size_t)levels * levels * levels, 0.0);
    for (int y = 0; y < h; y++) {
        const unsigned char* p = &shot.rgb[(size_t)y * shot.w * 3];
        for (int x = 0; x < w; x++, p += 3)
            bins[((size_t)(p[0] * levels / 256) * levels + p[1] * levels / 256) * levels + p[2] * levels / 256] += 1;
    }
    for (double& b : bins) b /= (double)w * h;
    return bins;
}

double HistogramDistance(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); i++) sum += std::fabs(a[i] - b[i]);
    return sum;
}

bool SavePng(const Shot& shot, const std::string& path) {
    return shot.w > 0 && lodepng_encode24_file(path.c_str(), shot.rgb.data(), (unsigned)shot.w, (unsigned)shot.h) == 0;
}

Shot LoadPng(const std::string& path) {
    Shot shot;
    unsigned char* px = nullptr;
    unsigned w = 0, h = 0;
    if (lodepng_decode24_file(&px, &w, &h, path.c_str()) == 0) {
        shot.w = (int)w;
        shot.h = (int)h;
        shot.rgb.assign(px, px + (size_t)w * h * 3);
    }
    free(px);
    return shot;
}

}  // namespace xs
