// gdi32 and WGL over SDL's OpenGL contexts.
//
// The layer offers one pixel format, number 1: RGBA with 8 bits per colour,
// no alpha, a 24-bit depth buffer, double-buffered, for windows and OpenGL.
// Every window is created with its visual (user32.cpp), so ChoosePixelFormat
// answers it as the closest match for any RGBA request, as Windows answers
// the closest format it has. A context is current on at most one thread.
#include "platform/gdi32_wgl.h"

#include "platform/kernel32.h"
#include "platform/layer.h"

#include <SDL.h>
#include <pthread.h>

#include <cstring>

#define LAYER_MAXCONTEXTS 16

struct layer_context {
    int used;
    SDL_GLContext gl;
    HWND hwnd;
    DWORD thread;  // thread it is current on, 0 for none
};

static pthread_mutex_t wlock = PTHREAD_MUTEX_INITIALIZER;
static layer_context contexts[LAYER_MAXCONTEXTS];
static thread_local layer_context* current_context = nullptr;
static thread_local HDC current_dc = nullptr;

static layer_context* context_from_handle(HGLRC h) {
    layer_context* c = (layer_context*)h;
    if (c < &contexts[0] || c >= &contexts[LAYER_MAXCONTEXTS]) return nullptr;
    if (((char*)c - (char*)&contexts[0]) % sizeof(layer_context) != 0) return nullptr;
    return c->used ? c : nullptr;
}

static void describe(PIXELFORMATDESCRIPTOR* p) {
    memset(p, 0, sizeof *p);
    p->nSize = sizeof *p;
    p->nVersion = 1;
    p->dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    p->iPixelType = PFD_TYPE_RGBA;
    p->cColorBits = 24;
    p->cRedBits = 8;
    p->cRedShift = 16;
    p->cGreenBits = 8;
    p->cGreenShift = 8;
    p->cBlueBits = 8;
    p->cDepthBits = 24;
    p->iLayerType = PFD_MAIN_PLANE;
}

int WINAPI ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR* ppfd) {
    if (!layer_windowofdc(hdc) || !ppfd) return 0;
    if (ppfd->iPixelType != PFD_TYPE_RGBA) return 0;  // no colour-index formats
    return 1;
}

BOOL WINAPI SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR*) {
    if (format != 1) return FALSE;
    return layer_setpixelformat(hdc, format);
}

int WINAPI GetPixelFormat(HDC hdc) { return layer_getpixelformat(hdc); }

int WINAPI DescribePixelFormat(HDC, int iPixelFormat, UINT nBytes, LPPIXELFORMATDESCRIPTOR ppfd) {
    if (ppfd) {
        if (iPixelFormat != 1) return 0;
        PIXELFORMATDESCRIPTOR p;
        describe(&p);
        memcpy(ppfd, &p, nBytes < sizeof p ? nBytes : sizeof p);
    }
    return 1;  // the number of formats
}

HGLRC WINAPI wglCreateContext(HDC hdc) {
    layer_checkterminated();
    HWND hwnd = layer_windowofdc(hdc);
    SDL_Window* win = layer_sdlwindow(hwnd);
    if (!win || layer_getpixelformat(hdc) != 1) return nullptr;  // a format must be set first
    if (!(SDL_GetWindowFlags(win) & SDL_WINDOW_OPENGL)) return nullptr;
    pthread_mutex_lock(&wlock);
    layer_context* c = nullptr;
    for (int i = 0; i < LAYER_MAXCONTEXTS; i++)
        if (!contexts[i].used) {
            c = &contexts[i];
            c->used = 1;
            break;
        }
    pthread_mutex_unlock(&wlock);
    if (!c) return nullptr;
    // SDL makes a new context current; WGL does not, so the thread's previous
    // one is made current again.
    SDL_Window* prevwin = SDL_GL_GetCurrentWindow();
    SDL_GLContext prev = SDL_GL_GetCurrentContext();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    c->gl = SDL_GL_CreateContext(win);
    if (!c->gl) {
        c->used = 0;
        return nullptr;
    }
    if (prev)
        SDL_GL_MakeCurrent(prevwin, prev);
    else
        SDL_GL_MakeCurrent(win, nullptr);
    c->hwnd = hwnd;
    c->thread = 0;
    layer_markgl(hwnd);
    return (HGLRC)c;
}

BOOL WINAPI wglMakeCurrent(HDC hdc, HGLRC hglrc) {
    layer_checkterminated();
    DWORD self = GetCurrentThreadId();
    if (!hglrc) {
        if (current_context) {
            SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
            current_context->thread = 0;
        }
        current_context = nullptr;
        current_dc = nullptr;
        return TRUE;
    }
    layer_context* c = context_from_handle(hglrc);
    SDL_Window* win = layer_sdlwindow(layer_windowofdc(hdc));
    if (!c || !win) return FALSE;
    pthread_mutex_lock(&wlock);
    bool busy = c->thread != 0 && c->thread != self;
    if (!busy) c->thread = self;
    pthread_mutex_unlock(&wlock);
    if (busy) return FALSE;  // current on another thread
    if (SDL_GL_MakeCurrent(win, c->gl) != 0) {
        c->thread = 0;
        return FALSE;
    }
    if (current_context && current_context != c) current_context->thread = 0;
    current_context = c;
    current_dc = hdc;
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC hglrc) {
    layer_context* c = context_from_handle(hglrc);
    if (!c) return FALSE;
    DWORD self = GetCurrentThreadId();
    if (c->thread != 0 && c->thread != self) return FALSE;
    if (c == current_context) wglMakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(c->gl);
    pthread_mutex_lock(&wlock);
    c->used = 0;
    c->gl = nullptr;
    pthread_mutex_unlock(&wlock);
    return TRUE;
}

HGLRC WINAPI wglGetCurrentContext(void) { return (HGLRC)current_context; }

HDC WINAPI wglGetCurrentDC(void) { return current_dc; }

BOOL WINAPI SwapBuffers(HDC hdc) {
    layer_checkterminated();
    SDL_Window* win = layer_sdlwindow(layer_windowofdc(hdc));
    if (!win || !current_context || SDL_GL_GetCurrentWindow() != win) return FALSE;
    SDL_GL_SwapWindow(win);
    return TRUE;
}
