// user32 over SDL2.
//
// Windows are records of a fixed table; a window handle points at its
// record. The thread that first initialises SDL video (the one that creates
// the first window) owns SDL video, every window and every SDL event: it
// turns SDL events into window messages inside PeekMessageA, and it serves
// there the window calls other threads make (they wait until it has). Each
// thread has its own message queue. The frame sizes of captioned windows are
// the layer's own fixed metrics, so window and client rectangles follow the
// Windows rules whatever the X window manager draws.
#include "platform/user32.h"

#include "platform/kernel32.h"
#include "platform/layer.h"

#include <SDL.h>
#include <pthread.h>
#include <strings.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#define LAYER_MAXCLASSES 32
#define LAYER_MAXWINDOWS 16
#define LAYER_MAXQUEUES 257
#define LAYER_QUEUELEN 1024

struct layer_class {
    int used;
    char name[64];
    HINSTANCE instance;
    WNDPROC proc;
    UINT style;
};

struct layer_dc {
    int pixelformat;
};

struct layer_window {
    int used;
    int destroyed;
    DWORD owner;
    WNDPROC proc;
    DWORD style;
    DWORD exstyle;
    RECT rect;  // window rectangle, screen coordinates
    int menu;
    char title[256];
    SDL_Window* sdl;
    Uint32 sdlid;
    int hasgl;
    LONG userdata;
    layer_dc dc;
};

struct layer_call;

struct layer_queue {
    MSG msgs[LAYER_QUEUELEN];
    int head;
    int count;
    int quit;
    int quitcode;
    layer_call* sent;  // window calls waiting for this thread
};

enum { CALL_SETWINDOWLONG, CALL_SETWINDOWPOS, CALL_SHOWWINDOW, CALL_UPDATEWINDOW, CALL_SETWINDOWTEXT,
       CALL_CHANGEDISPLAY, CALL_SEND };

// A window call handed to the owning thread; it lives on the caller's stack
// until the owner has served it.
struct layer_call {
    int kind;
    layer_window* w;
    LONG_PTR a[7];
    const char* text;
    DEVMODEA* mode;
    LONG_PTR result;
    int done;
    layer_call* next;
};

static pthread_mutex_t ulock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t ucond = PTHREAD_COND_INITIALIZER;
static layer_class classes[LAYER_MAXCLASSES];
static layer_window windows[LAYER_MAXWINDOWS];
static layer_queue queues[LAYER_MAXQUEUES];
static std::atomic<HWND> focuswindow{nullptr};

// The desktop "window" and the default arrow cursor are plain objects.
static char desktop_object;
static char arrow_cursor;

// Key state by virtual-key code, as GetAsyncKeyState reports it.
static std::atomic<int> keydown[256];

// Cursor: the ShowCursor counter, the current shape (SetCursor), and the
// position in screen coordinates; the owning thread applies them to SDL.
static std::atomic<int> cursor_count{0};
static std::atomic<HCURSOR> cursor_current{(HCURSOR)&arrow_cursor};
static std::atomic<int> cursor_x{0}, cursor_y{0};
static std::atomic<int> cursor_warp{0};
static int cursor_shown = 1;
static Uint32 cursor_lastquery = 0;

// SDL video
static pthread_mutex_t sdllock = PTHREAD_MUTEX_INITIALIZER;
static int video_state = 0;  // 0 not tried, 1 running, -1 failed
static DWORD video_thread = 0;
static int desk_w = 0, desk_h = 0;
static int mode_changed = 0;
static SDL_DisplayMode mode_current;

void layer_sdllock(void) { pthread_mutex_lock(&sdllock); }
void layer_sdlunlock(void) { pthread_mutex_unlock(&sdllock); }

bool layer_initvideo(void) {
    layer_sdllock();
    if (video_state == 0) {
        // Windows keeps a full-screen window up when it loses the focus.
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            fprintf(stderr, "user32: no display: %s\n", SDL_GetError());
            video_state = -1;
        } else {
            video_state = 1;
            video_thread = GetCurrentThreadId();
            SDL_DisplayMode m;
            if (SDL_GetDesktopDisplayMode(0, &m) == 0) {
                desk_w = m.w;
                desk_h = m.h;
            }
            SDL_StopTextInput();
        }
    }
    bool ok = video_state == 1;
    layer_sdlunlock();
    if (ok && layer_isvideothread()) layer_initjoysticks();
    return ok;
}

bool layer_isvideothread(void) { return video_state == 1 && video_thread == GetCurrentThreadId(); }

static layer_window* window_from_handle(HWND h) {
    layer_window* w = (layer_window*)h;
    if (w < &windows[0] || w >= &windows[LAYER_MAXWINDOWS]) return nullptr;
    if (((char*)w - (char*)&windows[0]) % sizeof(layer_window) != 0) return nullptr;
    if (!w->used || w->destroyed) return nullptr;
    return w;
}

SDL_Window* layer_sdlwindow(HWND hwnd) {
    layer_window* w = window_from_handle(hwnd);
    return w ? w->sdl : nullptr;
}

HWND layer_windowofdc(HDC hdc) {
    for (int i = 0; i < LAYER_MAXWINDOWS; i++)
        if (hdc == (HDC)&windows[i].dc) return window_from_handle((HWND)&windows[i]) ? (HWND)&windows[i] : nullptr;
    return nullptr;
}

int layer_getpixelformat(HDC hdc) {
    layer_window* w = window_from_handle(layer_windowofdc(hdc));
    return w ? w->dc.pixelformat : 0;
}

BOOL layer_setpixelformat(HDC hdc, int format) {
    layer_window* w = window_from_handle(layer_windowofdc(hdc));
    if (!w) return FALSE;
    if (w->dc.pixelformat && w->dc.pixelformat != format) return FALSE;  // set once, as on Windows
    w->dc.pixelformat = format;
    return TRUE;
}

void layer_markgl(HWND hwnd) {
    layer_window* w = window_from_handle(hwnd);
    if (w) w->hasgl = 1;
}

// ---------------------------------------------------------------------------
// Frames

// The thickness of a window's frame on each side for a style.
static void frame_of(DWORD style, DWORD exstyle, int menu, RECT* f) {
    int b = 0;
    if (style & WS_THICKFRAME)
        b = 8;
    else if ((style & WS_DLGFRAME) || (exstyle & WS_EX_DLGMODALFRAME))
        b = 3;
    else if (style & WS_BORDER)
        b = 1;
    if (exstyle & WS_EX_CLIENTEDGE) b += 2;
    if (exstyle & WS_EX_STATICEDGE) b += 1;
    int caption = ((style & WS_CAPTION) == WS_CAPTION) ? 23 : 0;
    f->left = b;
    f->right = b;
    f->bottom = b;
    f->top = b + caption + (menu ? 20 : 0);
}

BOOL WINAPI AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle) {
    if (!lpRect) return FALSE;
    RECT f;
    frame_of(dwStyle, dwExStyle, bMenu, &f);
    lpRect->left -= f.left;
    lpRect->top -= f.top;
    lpRect->right += f.right;
    lpRect->bottom += f.bottom;
    return TRUE;
}

// Client area of a window in screen coordinates (may be empty).
static void client_of(const layer_window* w, RECT* c) {
    RECT f;
    frame_of(w->style, w->exstyle, w->menu, &f);
    c->left = w->rect.left + f.left;
    c->top = w->rect.top + f.top;
    c->right = w->rect.right - f.right;
    c->bottom = w->rect.bottom - f.bottom;
    if (c->right < c->left) c->right = c->left;
    if (c->bottom < c->top) c->bottom = c->top;
}

// Places the SDL window on the client area (owning thread only).
static void apply_geometry(layer_window* w) {
    if (!w->sdl) return;
    RECT c;
    client_of(w, &c);
    int cw = c.right - c.left, ch = c.bottom - c.top;
    SDL_SetWindowBordered(w->sdl, (w->style & WS_CAPTION) == WS_CAPTION ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowSize(w->sdl, cw > 0 ? cw : 1, ch > 0 ? ch : 1);
    SDL_SetWindowPosition(w->sdl, c.left, c.top);
}

// ---------------------------------------------------------------------------
// Queues

static layer_queue* queue_of(DWORD tid) { return tid < LAYER_MAXQUEUES ? &queues[tid] : nullptr; }

// Caller holds ulock.
static BOOL post_locked(DWORD tid, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    layer_queue* q = queue_of(tid);
    if (!q) return FALSE;
    if (q->count >= LAYER_QUEUELEN) {
        // A full queue refuses the message, as on Windows.
        return FALSE;
    }
    MSG* m = &q->msgs[(q->head + q->count) % LAYER_QUEUELEN];
    m->hwnd = hwnd;
    m->message = msg;
    m->wParam = wp;
    m->lParam = lp;
    m->time = layer_ticks();
    m->pt.x = cursor_x;
    m->pt.y = cursor_y;
    q->count++;
    return TRUE;
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    layer_checkterminated();
    DWORD self = GetCurrentThreadId();
    pthread_mutex_lock(&ulock);
    BOOL ok;
    if (!hWnd) {
        ok = post_locked(self, nullptr, Msg, wParam, lParam);
    } else {
        layer_window* w = window_from_handle(hWnd);
        ok = w ? post_locked(w->owner, hWnd, Msg, wParam, lParam) : FALSE;
    }
    pthread_mutex_unlock(&ulock);
    return ok;
}

void WINAPI PostQuitMessage(int nExitCode) {
    DWORD self = GetCurrentThreadId();
    pthread_mutex_lock(&ulock);
    layer_queue* q = queue_of(self);
    if (q) {
        q->quit = 1;
        q->quitcode = nExitCode;
    }
    pthread_mutex_unlock(&ulock);
}

// ---------------------------------------------------------------------------
// Window calls, served on the owning thread

static LONG_PTR serve(layer_call* c);

// Runs a window call on its owner: at once on the owner's own thread,
// otherwise handed over and waited for until the owner's PeekMessageA has
// served it (or the window went away).
static LONG_PTR route(layer_call* c, DWORD owner) {
    layer_checkterminated();
    if (owner == GetCurrentThreadId()) return serve(c);
    layer_queue* q = queue_of(owner);
    if (!q) return 0;
    c->done = 0;
    c->result = 0;
    c->next = nullptr;
    pthread_mutex_lock(&ulock);
    layer_call** tail = &q->sent;
    while (*tail) tail = &(*tail)->next;
    *tail = c;
    while (!c->done) pthread_cond_wait(&ucond, &ulock);
    pthread_mutex_unlock(&ulock);
    layer_checkterminated();
    return c->result;
}

static void serve_sent(DWORD tid) {
    layer_queue* q = queue_of(tid);
    if (!q) return;
    for (;;) {
        pthread_mutex_lock(&ulock);
        layer_call* c = q->sent;
        if (c) q->sent = c->next;
        pthread_mutex_unlock(&ulock);
        if (!c) return;
        LONG_PTR r = serve(c);
        pthread_mutex_lock(&ulock);
        c->result = r;
        c->done = 1;
        pthread_cond_broadcast(&ucond);
        pthread_mutex_unlock(&ulock);
    }
}

// Calls still waiting for a window that is going away return 0.
static void cancel_calls(layer_window* w) {
    pthread_mutex_lock(&ulock);
    layer_queue* q = queue_of(w->owner);
    layer_call** p = q ? &q->sent : nullptr;
    while (p && *p) {
        if ((*p)->w == w) {
            layer_call* c = *p;
            *p = c->next;
            c->result = 0;
            c->done = 1;
        } else {
            p = &(*p)->next;
        }
    }
    // Messages posted to it go too.
    if (q) {
        int kept = 0;
        for (int i = 0; i < q->count; i++) {
            MSG m = q->msgs[(q->head + i) % LAYER_QUEUELEN];
            if (m.hwnd == (HWND)w) continue;
            q->msgs[(q->head + kept) % LAYER_QUEUELEN] = m;
            kept++;
        }
        q->count = kept;
    }
    pthread_cond_broadcast(&ucond);
    pthread_mutex_unlock(&ulock);
}

static LONG_PTR do_setwindowlong(layer_window* w, int index, LONG value) {
    LONG old;
    switch (index) {
    case GWL_STYLE: {
        pthread_mutex_lock(&ulock);
        old = (LONG)w->style;
        DWORD was = w->style;
        w->style = (DWORD)value;
        pthread_mutex_unlock(&ulock);
        apply_geometry(w);
        if (w->sdl && ((was ^ w->style) & WS_VISIBLE)) {
            if (w->style & WS_VISIBLE)
                SDL_ShowWindow(w->sdl);
            else
                SDL_HideWindow(w->sdl);
        }
        return old;
    }
    case GWL_EXSTYLE:
        pthread_mutex_lock(&ulock);
        old = (LONG)w->exstyle;
        w->exstyle = (DWORD)value;
        pthread_mutex_unlock(&ulock);
        apply_geometry(w);
        return old;
    case GWL_USERDATA:
        old = w->userdata;
        w->userdata = value;
        return old;
    default:
        // A window procedure does not fit a 32-bit long on this platform.
        return 0;
    }
}

static LONG_PTR do_setwindowpos(layer_window* w, int x, int y, int cx, int cy, UINT flags) {
    pthread_mutex_lock(&ulock);
    if (!(flags & SWP_NOMOVE)) {
        LONG wdt = w->rect.right - w->rect.left, hgt = w->rect.bottom - w->rect.top;
        w->rect.left = x;
        w->rect.top = y;
        w->rect.right = x + wdt;
        w->rect.bottom = y + hgt;
    }
    if (!(flags & SWP_NOSIZE)) {
        w->rect.right = w->rect.left + (cx > 0 ? cx : 0);
        w->rect.bottom = w->rect.top + (cy > 0 ? cy : 0);
    }
    pthread_mutex_unlock(&ulock);
    apply_geometry(w);
    if (flags & SWP_SHOWWINDOW) {
        w->style |= WS_VISIBLE;
        if (w->sdl) SDL_ShowWindow(w->sdl);
    } else if (flags & SWP_HIDEWINDOW) {
        w->style &= ~(DWORD)WS_VISIBLE;
        if (w->sdl) SDL_HideWindow(w->sdl);
    }
    return TRUE;
}

static LONG_PTR do_showwindow(layer_window* w, int cmd) {
    BOOL was = (w->style & WS_VISIBLE) ? TRUE : FALSE;
    if (cmd == SW_HIDE) {
        w->style &= ~(DWORD)WS_VISIBLE;
        if (w->sdl) SDL_HideWindow(w->sdl);
    } else {
        w->style |= WS_VISIBLE;
        if (w->sdl) {
            SDL_ShowWindow(w->sdl);
            if (cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED) SDL_MinimizeWindow(w->sdl);
            if (cmd == SW_MAXIMIZE) SDL_MaximizeWindow(w->sdl);
            if (cmd == SW_RESTORE) SDL_RestoreWindow(w->sdl);
        }
    }
    return was;
}

static LONG_PTR do_setwindowtext(layer_window* w, const char* text) {
    pthread_mutex_lock(&ulock);
    snprintf(w->title, sizeof w->title, "%s", text ? text : "");
    pthread_mutex_unlock(&ulock);
    if (w->sdl) SDL_SetWindowTitle(w->sdl, w->title);
    return TRUE;
}

static LONG do_changedisplay(DEVMODEA* dm, DWORD flags);

static LONG_PTR serve(layer_call* c) {
    if (c->kind != CALL_CHANGEDISPLAY && !window_from_handle((HWND)c->w)) return 0;
    switch (c->kind) {
    case CALL_SETWINDOWLONG: return do_setwindowlong(c->w, (int)c->a[0], (LONG)c->a[1]);
    case CALL_SETWINDOWPOS:
        return do_setwindowpos(c->w, (int)c->a[1], (int)c->a[2], (int)c->a[3], (int)c->a[4], (UINT)c->a[5]);
    case CALL_SHOWWINDOW: return do_showwindow(c->w, (int)c->a[0]);
    case CALL_UPDATEWINDOW: return TRUE;  // nothing is painted through messages here
    case CALL_SETWINDOWTEXT: return do_setwindowtext(c->w, c->text);
    case CALL_CHANGEDISPLAY: return do_changedisplay(c->mode, (DWORD)c->a[0]);
    case CALL_SEND: return c->w->proc((HWND)c->w, (UINT)c->a[0], (WPARAM)c->a[1], (LPARAM)c->a[2]);
    }
    return 0;
}

static LONG_PTR window_call(HWND hwnd, int kind, LONG_PTR a0, LONG_PTR a1, LONG_PTR a2, LONG_PTR a3, LONG_PTR a4,
                            LONG_PTR a5, const char* text) {
    layer_checkterminated();
    layer_window* w = window_from_handle(hwnd);
    if (!w) return 0;
    layer_call c;
    memset(&c, 0, sizeof c);
    c.kind = kind;
    c.w = w;
    c.a[0] = a0;
    c.a[1] = a1;
    c.a[2] = a2;
    c.a[3] = a3;
    c.a[4] = a4;
    c.a[5] = a5;
    c.text = text;
    return route(&c, w->owner);
}

LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
    return (LONG)window_call(hWnd, CALL_SETWINDOWLONG, nIndex, dwNewLong, 0, 0, 0, 0, nullptr);
}

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
    return (BOOL)window_call(hWnd, CALL_SETWINDOWPOS, (LONG_PTR)hWndInsertAfter, X, Y, cx, cy, uFlags, nullptr);
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    return (BOOL)window_call(hWnd, CALL_SHOWWINDOW, nCmdShow, 0, 0, 0, 0, 0, nullptr);
}

BOOL WINAPI UpdateWindow(HWND hWnd) { return (BOOL)window_call(hWnd, CALL_UPDATEWINDOW, 0, 0, 0, 0, 0, 0, nullptr); }

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    return (BOOL)window_call(hWnd, CALL_SETWINDOWTEXT, 0, 0, 0, 0, 0, 0, lpString);
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return (LRESULT)window_call(hWnd, CALL_SEND, Msg, (LONG_PTR)wParam, lParam, 0, 0, 0, nullptr);
}

LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex) {
    layer_window* w = window_from_handle(hWnd);
    if (!w) return 0;
    LONG v = 0;
    pthread_mutex_lock(&ulock);
    if (nIndex == GWL_STYLE) v = (LONG)w->style;
    if (nIndex == GWL_EXSTYLE) v = (LONG)w->exstyle;
    if (nIndex == GWL_USERDATA) v = w->userdata;
    pthread_mutex_unlock(&ulock);
    return v;
}

// A copy of a window's record taken under the lock, for readers on any thread.
static bool snapshot(HWND hWnd, layer_window* out) {
    layer_window* w = window_from_handle(hWnd);
    if (!w) return false;
    pthread_mutex_lock(&ulock);
    *out = *w;
    pthread_mutex_unlock(&ulock);
    return true;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    layer_window copy;
    if (!lpString || nMaxCount <= 0 || !snapshot(hWnd, &copy)) return 0;
    snprintf(lpString, (size_t)nMaxCount, "%s", copy.title);
    return (int)strlen(lpString);
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    if (!lpRect) return FALSE;
    if (hWnd == (HWND)&desktop_object) {
        if (video_state == 0) layer_initvideo();
        lpRect->left = 0;
        lpRect->top = 0;
        lpRect->right = desk_w;
        lpRect->bottom = desk_h;
        return TRUE;
    }
    layer_window copy;
    if (!snapshot(hWnd, &copy)) return FALSE;
    *lpRect = copy.rect;
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    if (!lpRect) return FALSE;
    if (hWnd == (HWND)&desktop_object) return GetWindowRect(hWnd, lpRect);
    layer_window copy;
    if (!snapshot(hWnd, &copy)) return FALSE;
    RECT c;
    client_of(&copy, &c);
    lpRect->left = 0;
    lpRect->top = 0;
    lpRect->right = c.right - c.left;
    lpRect->bottom = c.bottom - c.top;
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
    layer_window copy;
    if (!lpPoint || !snapshot(hWnd, &copy)) return FALSE;
    RECT c;
    client_of(&copy, &c);
    lpPoint->x -= c.left;
    lpPoint->y -= c.top;
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
    layer_window copy;
    if (!lpPoint || !snapshot(hWnd, &copy)) return FALSE;
    RECT c;
    client_of(&copy, &c);
    lpPoint->x += c.left;
    lpPoint->y += c.top;
    return TRUE;
}

HWND WINAPI GetDesktopWindow(void) { return (HWND)&desktop_object; }

HDC WINAPI GetDC(HWND hWnd) {
    layer_window* w = window_from_handle(hWnd);
    return w ? (HDC)&w->dc : nullptr;
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
    // Every window keeps its own device context (CS_OWNDC); nothing to free.
    layer_window* w = window_from_handle(hWnd);
    return (w && hDC == (HDC)&w->dc) ? 1 : 0;
}

HWND WINAPI SetFocus(HWND hWnd) {
    layer_checkterminated();
    if (hWnd && !window_from_handle(hWnd)) return nullptr;
    HWND old = focuswindow;
    focuswindow = hWnd;
    return old;
}

HWND WINAPI GetFocus(void) {
    HWND f = focuswindow;
    return window_from_handle(f) ? f : nullptr;
}

BOOL WINAPI IsWindow(HWND hWnd) { return window_from_handle(hWnd) ? TRUE : FALSE; }

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    layer_window* w = window_from_handle(hWnd);
    return (w && (w->style & WS_VISIBLE)) ? TRUE : FALSE;
}

// ---------------------------------------------------------------------------
// Classes and windows

static int class_index(const char* name) {
    for (int i = 0; i < LAYER_MAXCLASSES; i++)
        if (classes[i].used && strcasecmp(classes[i].name, name) == 0) return i;
    return -1;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
    if (strlen(wc->lpszClassName) >= sizeof classes[0].name) return 0;
    pthread_mutex_lock(&ulock);
    ATOM atom = 0;
    if (class_index(wc->lpszClassName) < 0) {  // a name is registered once
        for (int i = 0; i < LAYER_MAXCLASSES; i++) {
            if (classes[i].used) continue;
            classes[i].used = 1;
            snprintf(classes[i].name, sizeof classes[i].name, "%s", wc->lpszClassName);
            classes[i].instance = wc->hInstance;
            classes[i].proc = wc->lpfnWndProc;
            classes[i].style = wc->style;
            atom = (ATOM)(0xC000 + i);
            break;
        }
    }
    pthread_mutex_unlock(&ulock);
    return atom;
}

static SDL_Window* create_sdl_window(const char* title, const RECT* c, DWORD style) {
    Uint32 flags = (style & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if ((style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
    int cw = c->right - c->left, ch = c->bottom - c->top;
    // The window gets the visual of the one pixel format the layer offers
    // (see gdi32_wgl.cpp), so that a GL context can be made for it later.
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* s =
        SDL_CreateWindow(title, c->left, c->top, cw > 0 ? cw : 1, ch > 0 ? ch : 1, flags | SDL_WINDOW_OPENGL);
    if (!s) {
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        s = SDL_CreateWindow(title, c->left, c->top, cw > 0 ? cw : 1, ch > 0 ? ch : 1, flags | SDL_WINDOW_OPENGL);
    }
    if (!s) s = SDL_CreateWindow(title, c->left, c->top, cw > 0 ? cw : 1, ch > 0 ? ch : 1, flags);
    return s;
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND, HMENU hMenu, HINSTANCE, LPVOID) {
    layer_checkterminated();
    if (!lpClassName) return nullptr;
    pthread_mutex_lock(&ulock);
    int ci = class_index(lpClassName);
    WNDPROC proc = ci >= 0 ? classes[ci].proc : nullptr;
    pthread_mutex_unlock(&ulock);
    if (!proc) return nullptr;
    if (dwStyle & WS_CHILD) {
        fprintf(stderr, "user32: CreateWindowExA: child windows are not supported\n");
        return nullptr;
    }
    if (!layer_initvideo()) return nullptr;
    if (!layer_isvideothread()) {
        fprintf(stderr, "user32: CreateWindowExA: windows belong to the thread that created the first one\n");
        return nullptr;
    }
    pthread_mutex_lock(&ulock);
    layer_window* w = nullptr;
    for (int i = 0; i < LAYER_MAXWINDOWS; i++)
        if (!windows[i].used) {
            w = &windows[i];
            memset(w, 0, sizeof *w);
            w->used = 1;
            w->destroyed = 1;  // not visible to other calls until complete
            break;
        }
    pthread_mutex_unlock(&ulock);
    if (!w) {
        fprintf(stderr, "user32: CreateWindowExA: more than %d windows\n", LAYER_MAXWINDOWS);
        return nullptr;
    }
    if (X == CW_USEDEFAULT) X = Y = 100;
    if (nWidth == CW_USEDEFAULT) {
        nWidth = 640;
        nHeight = 480;
    }
    w->owner = GetCurrentThreadId();
    w->proc = proc;
    w->style = dwStyle;
    w->exstyle = dwExStyle;
    w->menu = hMenu != nullptr;
    w->rect.left = X;
    w->rect.top = Y;
    w->rect.right = X + (nWidth > 0 ? nWidth : 0);
    w->rect.bottom = Y + (nHeight > 0 ? nHeight : 0);
    snprintf(w->title, sizeof w->title, "%s", lpWindowName ? lpWindowName : "");
    RECT c;
    client_of(w, &c);
    w->sdl = create_sdl_window(w->title, &c, dwStyle);
    if (!w->sdl) {
        fprintf(stderr, "user32: CreateWindowExA: %s\n", SDL_GetError());
        w->used = 0;
        return nullptr;
    }
    w->sdlid = SDL_GetWindowID(w->sdl);
    if (mode_changed) {
        SDL_SetWindowDisplayMode(w->sdl, &mode_current);
        SDL_SetWindowFullscreen(w->sdl, SDL_WINDOW_FULLSCREEN);
    }
    w->destroyed = 0;
    return (HWND)w;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    layer_checkterminated();
    layer_window* w = window_from_handle(hWnd);
    if (!w || w->owner != GetCurrentThreadId()) return FALSE;  // only its own thread may
    w->proc(hWnd, WM_DESTROY, 0, 0);
    w->destroyed = 1;
    cancel_calls(w);
    if (focuswindow == hWnd) focuswindow = nullptr;
    if (w->sdl) {
        if (w->hasgl) {
            // A thread stopped by TerminateThread may still be drawing into
            // it: the window is hidden and its X resources go with the process.
            SDL_HideWindow(w->sdl);
        } else {
            SDL_DestroyWindow(w->sdl);
            w->used = 0;
        }
    } else {
        w->used = 0;
    }
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (Msg) {
    case WM_CLOSE: DestroyWindow(hWnd); return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(hWnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 asks the window to close, through the system menu's command.
        if (wParam == VK_F4 && (lParam & (1 << 29))) SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    default: return 0;
    }
}

// ---------------------------------------------------------------------------
// Display modes

static LONG do_changedisplay(DEVMODEA* dm, DWORD flags) {
    if (!dm) {
        // Back to the desktop's own mode.
        if (mode_changed) {
            for (int i = 0; i < LAYER_MAXWINDOWS; i++)
                if (windows[i].used && windows[i].sdl) SDL_SetWindowFullscreen(windows[i].sdl, 0);
            mode_changed = 0;
            SDL_DisplayMode m;
            if (SDL_GetDesktopDisplayMode(0, &m) == 0) {
                desk_w = m.w;
                desk_h = m.h;
            }
        }
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (flags & ~(DWORD)(CDS_UPDATEREGISTRY | CDS_TEST | CDS_FULLSCREEN)) return DISP_CHANGE_BADFLAGS;
    if (dm->dmSize < 124) return DISP_CHANGE_BADPARAM;
    SDL_DisplayMode desk;
    if (SDL_GetDesktopDisplayMode(0, &desk) != 0) return DISP_CHANGE_FAILED;
    int want_w = (dm->dmFields & DM_PELSWIDTH) ? (int)dm->dmPelsWidth : desk.w;
    int want_h = (dm->dmFields & DM_PELSHEIGHT) ? (int)dm->dmPelsHeight : desk.h;
    int want_bpp = (dm->dmFields & DM_BITSPERPEL) ? (int)dm->dmBitsPerPel : 32;
    int want_hz = (dm->dmFields & DM_DISPLAYFREQUENCY) ? (int)dm->dmDisplayFrequency : 0;
    int n = SDL_GetNumDisplayModes(0);
    int found = -1;
    SDL_DisplayMode m;
    for (int i = 0; i < n && found < 0; i++) {
        if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
        if (m.w != want_w || m.h != want_h) continue;
        // Windows' 32 bits per pixel are SDL's 4-byte formats (24 or 32 bits used).
        int bytes = SDL_BYTESPERPIXEL(m.format), bits = SDL_BITSPERPIXEL(m.format);
        bool bpp_ok = (want_bpp == 32 && bytes == 4) || (want_bpp == bits && want_bpp != 32);
        if (!bpp_ok) continue;
        // A rate of 0 or 1 asks for the default; SDL reports 0 when the
        // display does not tell its rate, which then counts as any rate.
        if (want_hz > 1 && m.refresh_rate != 0 && m.refresh_rate != want_hz) continue;
        found = i;
    }
    if (found < 0) return DISP_CHANGE_BADMODE;
    if (flags & CDS_TEST) return DISP_CHANGE_SUCCESSFUL;
    if (m.w == desk.w && m.h == desk.h && m.format == desk.format && m.refresh_rate == desk.refresh_rate) {
        // The desktop's own mode: nothing to switch. The program then covers
        // the screen with its window, as it does on Windows.
        if (mode_changed) do_changedisplay(nullptr, 0);
        return DISP_CHANGE_SUCCESSFUL;
    }
    // SDL changes the display mode through a full-screen window: every
    // window of the program becomes one on the new mode, the way a program
    // covers the screen after switching it on Windows.
    for (int i = 0; i < LAYER_MAXWINDOWS; i++) {
        layer_window* w = &windows[i];
        if (!w->used || w->destroyed || !w->sdl) continue;
        if (SDL_SetWindowDisplayMode(w->sdl, &m) != 0 || SDL_SetWindowFullscreen(w->sdl, SDL_WINDOW_FULLSCREEN) != 0) {
            SDL_SetWindowFullscreen(w->sdl, 0);
            return DISP_CHANGE_FAILED;
        }
    }
    mode_current = m;
    mode_changed = 1;
    desk_w = m.w;
    desk_h = m.h;
    return DISP_CHANGE_SUCCESSFUL;
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* lpDevMode, DWORD dwFlags) {
    layer_checkterminated();
    if (!layer_initvideo()) return DISP_CHANGE_FAILED;
    layer_call c;
    memset(&c, 0, sizeof c);
    c.kind = CALL_CHANGEDISPLAY;
    c.mode = lpDevMode;
    c.a[0] = dwFlags;
    return (LONG)route(&c, video_thread);
}

// ---------------------------------------------------------------------------
// Cursor and keys

static void apply_cursor(void) {
    int shown = cursor_count >= 0 && cursor_current.load() != nullptr;
    if (shown != cursor_shown) {
        SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
        cursor_shown = shown;
    }
    if (cursor_warp.exchange(0)) SDL_WarpMouseGlobal(cursor_x, cursor_y);
}

HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
    HCURSOR old = cursor_current.exchange(hCursor);
    if (layer_isvideothread()) apply_cursor();
    return old;
}

int WINAPI ShowCursor(BOOL bShow) {
    int n = (cursor_count += bShow ? 1 : -1);
    if (layer_isvideothread()) apply_cursor();
    return n;
}

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
    if (!lpPoint) return FALSE;
    if (layer_isvideothread() && !cursor_warp) {
        int x, y;
        SDL_GetGlobalMouseState(&x, &y);
        cursor_x = x;
        cursor_y = y;
    }
    lpPoint->x = cursor_x;
    lpPoint->y = cursor_y;
    return TRUE;
}

BOOL WINAPI SetCursorPos(int X, int Y) {
    cursor_x = X;
    cursor_y = Y;
    cursor_warp = 1;
    if (layer_isvideothread()) apply_cursor();
    return TRUE;
}

SHORT WINAPI GetAsyncKeyState(int vKey) {
    if (vKey < 0 || vKey > 255) return 0;
    return keydown[vKey].load(std::memory_order_relaxed) ? (SHORT)-32768 : (SHORT)0;
}

// Virtual-key code of an SDL key: letters and digits by the layout's symbol
// (as Windows does), everything else by its position on the keyboard.
static int vk_of(const SDL_Keysym* k) {
    if (k->sym >= 'a' && k->sym <= 'z') return k->sym - 'a' + 'A';
    if (k->sym >= '0' && k->sym <= '9') return k->sym;
    SDL_Scancode s = k->scancode;
    if (s >= SDL_SCANCODE_A && s <= SDL_SCANCODE_Z) return 'A' + (s - SDL_SCANCODE_A);
    if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_9) return '1' + (s - SDL_SCANCODE_1);
    if (s >= SDL_SCANCODE_F1 && s <= SDL_SCANCODE_F12) return VK_F1 + (s - SDL_SCANCODE_F1);
    if (s >= SDL_SCANCODE_F13 && s <= SDL_SCANCODE_F24) return VK_F13 + (s - SDL_SCANCODE_F13);
    if (s >= SDL_SCANCODE_KP_1 && s <= SDL_SCANCODE_KP_9) return VK_NUMPAD0 + 1 + (s - SDL_SCANCODE_KP_1);
    switch (s) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_RETURN: return VK_RETURN;
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_NONUSBACKSLASH: return VK_OEM_102;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_PRINTSCREEN: return VK_SNAPSHOT;
    case SDL_SCANCODE_SCROLLLOCK: return VK_SCROLL;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
    case SDL_SCANCODE_KP_PERIOD: return VK_DECIMAL;
    case SDL_SCANCODE_APPLICATION: return VK_APPS;
    case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: return VK_MENU;
    case SDL_SCANCODE_LGUI: return VK_LWIN;
    case SDL_SCANCODE_RGUI: return VK_RWIN;
    default: return 0;
    }
}

// The left or right twin of a modifier key (0 for other keys).
static int vk_side_of(SDL_Scancode s) {
    switch (s) {
    case SDL_SCANCODE_LCTRL: return VK_LCONTROL;
    case SDL_SCANCODE_RCTRL: return VK_RCONTROL;
    case SDL_SCANCODE_LSHIFT: return VK_LSHIFT;
    case SDL_SCANCODE_RSHIFT: return VK_RSHIFT;
    case SDL_SCANCODE_LALT: return VK_LMENU;
    case SDL_SCANCODE_RALT: return VK_RMENU;
    default: return 0;
    }
}

static WPARAM mouse_keys(void) {
    WPARAM mk = 0;
    if (keydown[VK_LBUTTON]) mk |= MK_LBUTTON;
    if (keydown[VK_RBUTTON]) mk |= MK_RBUTTON;
    if (keydown[VK_SHIFT]) mk |= MK_SHIFT;
    if (keydown[VK_CONTROL]) mk |= MK_CONTROL;
    if (keydown[VK_MBUTTON]) mk |= MK_MBUTTON;
    if (keydown[VK_XBUTTON1]) mk |= MK_XBUTTON1;
    if (keydown[VK_XBUTTON2]) mk |= MK_XBUTTON2;
    return mk;
}

// The window an SDL event belongs to: by its SDL window, else the focus
// window, else the first window of this thread.
static layer_window* window_of_event(Uint32 sdlid) {
    for (int i = 0; i < LAYER_MAXWINDOWS; i++)
        if (windows[i].used && !windows[i].destroyed && windows[i].sdlid == sdlid && sdlid) return &windows[i];
    layer_window* f = window_from_handle(focuswindow);
    if (f) return f;
    for (int i = 0; i < LAYER_MAXWINDOWS; i++)
        if (windows[i].used && !windows[i].destroyed) return &windows[i];
    return nullptr;
}

static void post_to(layer_window* w, UINT msg, WPARAM wp, LPARAM lp) {
    pthread_mutex_lock(&ulock);
    post_locked(w->owner, (HWND)w, msg, wp, lp);
    pthread_mutex_unlock(&ulock);
}

static void translate_event(const SDL_Event* e) {
    switch (e->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        int vk = vk_of(&e->key.keysym);
        if (!vk) return;
        bool down = e->type == SDL_KEYDOWN;
        bool alt = keydown[VK_MENU] || (e->key.keysym.mod & KMOD_ALT);
        bool wasdown = keydown[vk] != 0;
        keydown[vk] = down;
        int side = vk_side_of(e->key.keysym.scancode);
        if (side) keydown[side] = down;
        if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU)
            keydown[vk] = keydown[side] || keydown[side ^ 1];  // either twin holds it
        layer_window* w = window_of_event(e->key.windowID);
        if (!w) return;
        bool sys = alt || vk == VK_F10 || vk == VK_MENU;
        UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
        LPARAM lp = 1 | ((LPARAM)(e->key.keysym.scancode & 0xFF) << 16);
        if (alt && vk != VK_MENU) lp |= (LPARAM)1 << 29;
        if (!down || wasdown) lp |= (LPARAM)1 << 30;
        if (!down) lp |= (LPARAM)1u << 31;
        post_to(w, msg, (WPARAM)vk, (LPARAM)(DWORD)lp);
        return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        bool down = e->type == SDL_MOUSEBUTTONDOWN;
        int vk;
        UINT msg;
        WPARAM extra = 0;
        switch (e->button.button) {
        case SDL_BUTTON_LEFT: vk = VK_LBUTTON; msg = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
        case SDL_BUTTON_RIGHT: vk = VK_RBUTTON; msg = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
        case SDL_BUTTON_MIDDLE: vk = VK_MBUTTON; msg = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
        case SDL_BUTTON_X1: vk = VK_XBUTTON1; msg = down ? WM_XBUTTONDOWN : WM_XBUTTONUP; extra = XBUTTON1; break;
        case SDL_BUTTON_X2: vk = VK_XBUTTON2; msg = down ? WM_XBUTTONDOWN : WM_XBUTTONUP; extra = XBUTTON2; break;
        default: return;
        }
        keydown[vk] = down;
        layer_window* w = window_of_event(e->button.windowID);
        if (!w) return;
        post_to(w, msg, mouse_keys() | (extra << 16), MAKELPARAM(e->button.x, e->button.y));
        return;
    }
    case SDL_MOUSEWHEEL: {
        int y = e->wheel.y;
        if (e->wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
        if (y == 0) return;
        layer_window* w = window_of_event(e->wheel.windowID);
        if (!w) return;
        post_to(w, WM_MOUSEWHEEL, MAKEWPARAM(mouse_keys(), (short)(y * WHEEL_DELTA)),
                MAKELPARAM(cursor_x.load(), cursor_y.load()));
        return;
    }
    case SDL_MOUSEMOTION: {
        layer_window* w = window_of_event(e->motion.windowID);
        if (!w) return;
        // WM_SETCURSOR is sent, as Windows does before each mouse message.
        w->proc((HWND)w, WM_SETCURSOR, (WPARAM)w, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        post_to(w, WM_MOUSEMOVE, mouse_keys(), MAKELPARAM(e->motion.x, e->motion.y));
        return;
    }
    case SDL_WINDOWEVENT: {
        layer_window* w = nullptr;
        for (int i = 0; i < LAYER_MAXWINDOWS; i++)
            if (windows[i].used && !windows[i].destroyed && windows[i].sdlid == e->window.windowID) w = &windows[i];
        if (!w) return;
        if (e->window.event == SDL_WINDOWEVENT_CLOSE) post_to(w, WM_CLOSE, 0, 0);
        if (e->window.event == SDL_WINDOWEVENT_FOCUS_GAINED) focuswindow = (HWND)w;
        return;
    }
    case SDL_QUIT:
        // A request to quit (the last window closed, or SIGINT/SIGTERM): every
        // window is asked to close, as the system menu's Close would.
        for (int i = 0; i < LAYER_MAXWINDOWS; i++)
            if (windows[i].used && !windows[i].destroyed) post_to(&windows[i], WM_CLOSE, 0, 0);
        return;
    default: return;
    }
}

static void pump_sdl(void) {
    apply_cursor();
    SDL_PumpEvents();
    Uint32 now = SDL_GetTicks();
    if (now - cursor_lastquery >= 5 && !cursor_warp) {
        int x, y;
        SDL_GetGlobalMouseState(&x, &y);
        cursor_x = x;
        cursor_y = y;
        cursor_lastquery = now;
    }
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) translate_event(&e);
}

// ---------------------------------------------------------------------------
// The pump

static bool msg_matches(const MSG* m, HWND hwnd, UINT lo, UINT hi) {
    if (hwnd == (HWND)-1) {
        if (m->hwnd) return false;
    } else if (hwnd && m->hwnd != hwnd) {
        return false;
    }
    if ((lo || hi) && (m->message < lo || m->message > hi)) return false;
    return true;
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    layer_checkterminated();
    if (!lpMsg) return FALSE;
    DWORD self = GetCurrentThreadId();
    layer_queue* q = queue_of(self);
    if (!q) return FALSE;
    serve_sent(self);
    if (layer_isvideothread()) {
        pump_sdl();
        serve_sent(self);
    }
    pthread_mutex_lock(&ulock);
    for (int i = 0; i < q->count; i++) {
        int at = (q->head + i) % LAYER_QUEUELEN;
        if (!msg_matches(&q->msgs[at], hWnd, wMsgFilterMin, wMsgFilterMax)) continue;
        *lpMsg = q->msgs[at];
        if (wRemoveMsg & PM_REMOVE) {
            for (int j = i; j > 0; j--)
                q->msgs[(q->head + j) % LAYER_QUEUELEN] = q->msgs[(q->head + j - 1) % LAYER_QUEUELEN];
            q->head = (q->head + 1) % LAYER_QUEUELEN;
            q->count--;
        }
        pthread_mutex_unlock(&ulock);
        return TRUE;
    }
    // WM_QUIT from PostQuitMessage comes once the queue holds nothing else.
    if (q->quit && (!(wMsgFilterMin || wMsgFilterMax) || (WM_QUIT >= wMsgFilterMin && WM_QUIT <= wMsgFilterMax))) {
        memset(lpMsg, 0, sizeof *lpMsg);
        lpMsg->message = WM_QUIT;
        lpMsg->wParam = (WPARAM)q->quitcode;
        lpMsg->time = layer_ticks();
        if (wRemoveMsg & PM_REMOVE) q->quit = 0;
        pthread_mutex_unlock(&ulock);
        return TRUE;
    }
    pthread_mutex_unlock(&ulock);
    return FALSE;
}

// No character messages are made here: nothing in the system reads them.
BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    if (!lpMsg) return FALSE;
    UINT m = lpMsg->message;
    return (m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP) ? TRUE : FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
    if (!lpMsg || !lpMsg->hwnd) return 0;
    layer_window* w = window_from_handle(lpMsg->hwnd);
    if (!w) return 0;
    return w->proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

// ---------------------------------------------------------------------------
// Message boxes and DPI

// There is no desktop to show a box on: the box is printed on standard error
// as one line, "[MessageBox] <caption>: <text>", with "Error" for a missing
// caption as Windows titles it, and answered OK at once. Standard output is
// flushed first so that the two streams read in order.
int WINAPI MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT) {
    fflush(stdout);
    fprintf(stderr, "[MessageBox] %s: %s\n", lpCaption ? lpCaption : "Error", lpText ? lpText : "");
    fflush(stderr);
    return IDOK;
}

// Pixels are not scaled behind a program's back here; the call is accepted.
BOOL WINAPI SetProcessDPIAware(void) { return TRUE; }
