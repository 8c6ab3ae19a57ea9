// A program built from the driver and the platform layer, with a stand-in
// for the show's coremain: argv[1] picks what it does on the demo thread.
// Its standard output is compared line for line by test_driver_process.
#include <GL/glew.h>

#include "krv/coreinput.h"
#include "krv/driver_win32.h"
#include "platform/layer.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int KRV_shaders_enabled = 0;

// With KRV_TEST_PREREGISTER set, the class "KRV" is taken before WinMain
// runs, so that the driver's registration fails.
static LRESULT CALLBACK other_proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }
static int preregistered = [] {
    if (!getenv("KRV_TEST_PREREGISTER")) return 0;
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = other_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "KRV";
    return (int)RegisterClassA(&wc);
}();

static void print_window(const char* what) {
    RECT r, c;
    GetWindowRect(winhandle, &r);
    GetClientRect(winhandle, &c);
    char title[256];
    GetWindowTextA(winhandle, title, sizeof title);
    printf("%s: window %ld,%ld,%ld,%ld client %ldx%ld style %08X exstyle %08X visible %d title \"%s\"\n", what,
           (long)r.left, (long)r.top, (long)r.right, (long)r.bottom, (long)c.right, (long)c.bottom,
           (unsigned)GetWindowLongA(winhandle, GWL_STYLE), (unsigned)GetWindowLongA(winhandle, GWL_EXSTYLE),
           IsWindowVisible(winhandle), title);
    // The X window as the X server has it (SDL's own copy of the geometry
    // may lag behind the configure events).
    SDL_Window* s = layer_sdlwindow(winhandle);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    Display* d = XOpenDisplay(NULL);
    if (s && d && SDL_GetWindowWMInfo(s, &info)) {
        XWindowAttributes a;
        XGetWindowAttributes(d, info.info.x11.window, &a);
        int x = 0, y = 0;
        Window child;
        XTranslateCoordinates(d, info.info.x11.window, DefaultRootWindow(d), 0, 0, &x, &y, &child);
        Uint32 f = SDL_GetWindowFlags(s);
        printf("%s: x window %d,%d %dx%d mapped %d fullscreen %d title \"%s\"\n", what, x, y, a.width, a.height,
               a.map_state == IsViewable ? 1 : 0, (f & SDL_WINDOW_FULLSCREEN) ? 1 : 0, SDL_GetWindowTitle(s));
    }
    if (d) XCloseDisplay(d);
}

static void print_gl(void) {
    const char* version = (const char*)glGetString(GL_VERSION);
    int major = 0, minor = 0;
    if (version) sscanf(version, "%d.%d", &major, &minor);
    printf("gl: context current here %d, version at least 2.1 %d, GLEW 2.1 %d, framebuffer objects %d, shaders "
           "enabled %d\n",
           wglGetCurrentContext() == hrc && hrc != NULL, major > 2 || (major == 2 && minor >= 1),
           GLEW_VERSION_2_1 ? 1 : 0, GLEW_EXT_framebuffer_object ? 1 : 0, KRV_shaders_enabled);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char px[4] = {0, 0, 0, 0};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    printf("gl: cleared pixel %d %d %d\n", px[0], px[1], px[2]);
    GLuint sh = glCreateShader(GL_FRAGMENT_SHADER);
    printf("gl: shader object %d\n", sh != 0);
}

// Asks the X server to close the window, as a window manager's close button does.
static void close_from_x(void) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(layer_sdlwindow(winhandle), &info)) {
        printf("no window info: %s\n", SDL_GetError());
        return;
    }
    Display* d = XOpenDisplay(NULL);
    if (!d) return;
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = info.info.x11.window;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, info.info.x11.window, False, NoEventMask, &e);
    XFlush(d);
    XCloseDisplay(d);
}

// Sends a key event to the window through the X server, as the keyboard would.
static void x_key(KeySym sym, bool down) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(layer_sdlwindow(winhandle), &info)) return;
    Display* d = XOpenDisplay(NULL);
    if (!d) return;
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xkey.type = down ? KeyPress : KeyRelease;
    e.xkey.display = d;
    e.xkey.window = info.info.x11.window;
    e.xkey.root = DefaultRootWindow(d);
    e.xkey.time = CurrentTime;
    e.xkey.same_screen = True;
    e.xkey.keycode = XKeysymToKeycode(d, sym);
    XSendEvent(d, info.info.x11.window, True, down ? KeyPressMask : KeyReleaseMask, &e);
    XFlush(d);
    XCloseDisplay(d);
}

// The colour of one pixel of the window as the X server shows it.
static void print_window_pixel(void) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(layer_sdlwindow(winhandle), &info)) return;
    XSync(info.info.x11.display, False);
    Display* d = XOpenDisplay(NULL);
    if (!d) return;
    XImage* img = XGetImage(d, info.info.x11.window, 5, 5, 1, 1, AllPlanes, ZPixmap);
    if (img) {
        unsigned long p = XGetPixel(img, 0, 0);
        printf("window: pixel %lu %lu %lu\n", (p & img->red_mask) >> 16, (p & img->green_mask) >> 8,
               p & img->blue_mask);
        XDestroyImage(img);
    }
    XCloseDisplay(d);
}

// Draws frames until the process ends it.
static void draw_forever(void) {
    for (;;) {
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        krv_swapbuffers();
    }
}

int coremain(int argc, char** argv) {
    const char* what = argc > 1 ? argv[1] : "";
    if (!strcmp(what, "args")) {
        printf("argc %d\n", argc);
        for (int i = 1; i < argc; i++) printf("[%s]\n", argv[i]);
        printf("argv[argc] null %d\n", argv[argc] == NULL);
        return 0;
    }
    if (!strcmp(what, "initial")) {
        print_window("initial");
        printf("focus %d thread %d\n", GetFocus() == winhandle, krvthread != NULL);
        return 0;
    }
    if (!strcmp(what, "nowindow")) {
        printf("coremain runs, winhandle null %d\n", winhandle == NULL);
        fflush(stdout);
        ExitProcess(7);
    }
    if (!strcmp(what, "window") || !strcmp(what, "fullscreen")) {
        int w = argc > 2 ? atoi(argv[2]) : 640, h = argc > 3 ? atoi(argv[3]) : 480;
        KRV_SetTitle("Test Title");
        krv_initwindow(w, h, !strcmp(what, "fullscreen") ? 1 : 0);
        print_window("set up");
        printf("windowhide %d\n", krv_mouse_windowhide ? 1 : 0);
        print_gl();
        for (int i = 0; i < 3; i++) {
            glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            krv_swapbuffers();
        }
        glFinish();
        printf("swapped\n");
        print_window_pixel();
        return 0;
    }
    if (!strcmp(what, "sdlquit") || !strcmp(what, "xclose")) {
        krv_initwindow(64, 64, 0);
        printf("drawing\n");
        fflush(stdout);
        if (!strcmp(what, "sdlquit")) {
            SDL_Event e;
            memset(&e, 0, sizeof e);
            e.type = SDL_QUIT;
            SDL_PushEvent(&e);
        } else {
            close_from_x();
        }
        draw_forever();
    }
    if (!strcmp(what, "escape")) {
        // The show's way out: a newly pressed Escape in the key mask, here
        // from a key event that comes through the X server.
        krv_initwindow(64, 64, 0);
        int held = 0, pressed = 0;
        KRV_GetKeys(&held, &pressed);
        x_key(XK_Escape, true);
        unsigned start = KRV_GetMillis();
        while (!(pressed & 0x8000) && KRV_GetMillis() - start < 5000) {
            Sleep(1);
            KRV_GetKeys(&held, &pressed);
        }
        printf("escape pressed %d code %X\n", (pressed & 0x8000) ? 1 : 0, krv_getkeycode());
        x_key(XK_Escape, false);
        start = KRV_GetMillis();
        while ((held & 0x8000) && KRV_GetMillis() - start < 5000) {
            Sleep(1);
            KRV_GetKeys(&held, &pressed);
        }
        printf("escape released %d code %X\n", (held & 0x8000) ? 0 : 1, krv_getkeycode());
        return 0;
    }
    if (!strcmp(what, "spin")) {
        // Asks for the end, then never calls the layer again.
        krv_initwindow(64, 64, 0);
        PostMessageA(winhandle, WM_CLOSE, 0, 0);
        printf("spinning\n");
        fflush(stdout);
        volatile unsigned n = 0;
        for (;;) n = n + 1;
    }
    if (!strcmp(what, "status")) return atoi(argc > 2 ? argv[2] : "0");
    printf("unknown scenario \"%s\"\n", what);
    return 1;
}
