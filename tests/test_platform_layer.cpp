// The platform layer's own behaviour that the driver relies on: threads and
// TerminateThread, window calls from another thread served in the pump, the
// queue, modules, the clock, memory, frames, message boxes, display modes
// and the GL context's thread.
#include <GL/glew.h>

#include "tests/platform/layertest.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace {

// ---------------------------------------------------------------------------
// Threads

std::atomic<int> ticks{0};

DWORD WINAPI CountForever(LPVOID) {
    for (;;) {
        ticks++;
        Sleep(1);
    }
}

DWORD WINAPI ReturnParam(LPVOID p) { return (DWORD)(uintptr_t)p; }

TEST(LayerThreads, AThreadRunsAndItsResultIsItsExitCode) {
    DWORD id = 0;
    HANDLE h = CreateThread(NULL, 0, ReturnParam, (LPVOID)42, 0, &id);
    ASSERT_NE(h, nullptr);
    EXPECT_NE(id, 0u);
    DWORD code = 259;
    for (int i = 0; i < 1000 && code == 259; i++) {
        Sleep(1);
        GetExitCodeThread(h, &code);
    }
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(CloseHandle(h));
}

// A stopped thread runs no further than its next layer call.
TEST(LayerThreads, TerminateThreadStopsItAtItsNextLayerCall) {
    HANDLE h = CreateThread(NULL, 0, CountForever, NULL, 0, NULL);
    ASSERT_NE(h, nullptr);
    while (ticks < 5) Sleep(1);
    EXPECT_TRUE(TerminateThread(h, 9));
    Sleep(20);
    int stopped = ticks;
    Sleep(50);
    EXPECT_LE(ticks - stopped, 0) << "still counting";
    DWORD code = 0;
    GetExitCodeThread(h, &code);
    EXPECT_EQ(code, 9u);
    EXPECT_FALSE(TerminateThread((HANDLE)&code, 0)) << "not a thread";
}

DWORD WINAPI SleepAndReturn(LPVOID p) {
    Sleep(50);
    return (DWORD)(uintptr_t)p;
}

// A thread handle is signalled once its thread has returned, or has stopped
// for good after TerminateThread; a wait with a bound gives up at the bound.
TEST(LayerThreads, WaitForSingleObjectWaitsForTheThreadsEnd) {
    HANDLE quick = CreateThread(NULL, 0, SleepAndReturn, (LPVOID)7, 0, NULL);
    ASSERT_NE(quick, nullptr);
    EXPECT_EQ(WaitForSingleObject(quick, INFINITE), (DWORD)WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(quick, &code);
    EXPECT_EQ(code, 7u) << "the exit code is there once the wait returns";
    EXPECT_EQ(WaitForSingleObject(quick, 0), (DWORD)WAIT_OBJECT_0) << "and stays signalled";

    HANDLE forever = CreateThread(NULL, 0, CountForever, NULL, 0, NULL);
    ASSERT_NE(forever, nullptr);
    DWORD before = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(forever, 30), (DWORD)WAIT_TIMEOUT);
    EXPECT_GE(GetTickCount() - before, 30u);
    EXPECT_TRUE(TerminateThread(forever, 3));
    EXPECT_EQ(WaitForSingleObject(forever, 1000), (DWORD)WAIT_OBJECT_0) << "stopped at its next layer call";

    EXPECT_EQ(WaitForSingleObject((HANDLE)&code, 0), (DWORD)WAIT_FAILED) << "not a thread";
}

// ---------------------------------------------------------------------------
// Window calls made on another thread

class CrossThread : public lt::WindowTest {};

TEST_F(CrossThread, ServedOnlyInsideThePump) {
    std::atomic<int> done{0};
    std::atomic<BOOL> result{FALSE};
    std::thread demo([&] {
        result = SetWindowTextA(winhandle, "From the demo thread");
        done = 1;
    });
    Sleep(50);
    char title[64];
    GetWindowTextA(winhandle, title, sizeof title);
    EXPECT_STREQ(title, "KRV Application");
    EXPECT_EQ(done, 0) << "returned before the pump ran";
    for (int i = 0; i < 1000 && !done; i++) {
        Pump();
        Sleep(1);
    }
    demo.join();
    EXPECT_TRUE(result);
    GetWindowTextA(winhandle, title, sizeof title);
    EXPECT_STREQ(title, "From the demo thread");
    EXPECT_STREQ(SDL_GetWindowTitle(layer_sdlwindow(winhandle)), "From the demo thread");
}

TEST_F(CrossThread, TheWindowSetUpCallsAllWait) {
    std::atomic<int> done{0};
    std::thread demo([&] {
        SetWindowLongA(winhandle, GWL_STYLE, (LONG)(WS_POPUP | WS_CAPTION));
        SetWindowPos(winhandle, NULL, 20, 30, 206, 129, 0);
        ShowWindow(winhandle, SW_SHOW);
        UpdateWindow(winhandle);
        done = 1;
    });
    for (int i = 0; i < 2000 && !done; i++) {
        Pump();
        Sleep(1);
    }
    demo.join();
    RECT c;
    GetClientRect(winhandle, &c);
    EXPECT_EQ(c.right, 200);
    EXPECT_EQ(c.bottom, 100);
    int w, h;
    SDL_GetWindowSize(layer_sdlwindow(winhandle), &w, &h);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 100);
    EXPECT_TRUE(IsWindowVisible(winhandle));
    EXPECT_TRUE(SDL_GetWindowFlags(layer_sdlwindow(winhandle)) & SDL_WINDOW_SHOWN);
}

// A caller waiting for a window that is destroyed gets 0 back.
TEST_F(CrossThread, DestroyingTheWindowReleasesAWaitingCaller) {
    std::atomic<int> done{0};
    std::atomic<BOOL> result{TRUE};
    std::thread demo([&] {
        result = SetWindowTextA(winhandle, "never");
        done = 1;
    });
    Sleep(30);
    EXPECT_FALSE(DestroyWindow(NULL));
    EXPECT_TRUE(DestroyWindow(winhandle));
    for (int i = 0; i < 1000 && !done; i++) Sleep(1);
    demo.join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(IsWindow(winhandle));
}

TEST_F(CrossThread, OnlyTheOwnerMayDestroyTheWindow) {
    BOOL result = TRUE;
    std::thread other([&] { result = DestroyWindow(winhandle); });
    other.join();
    EXPECT_FALSE(result);
    EXPECT_TRUE(IsWindow(winhandle));
}

// ---------------------------------------------------------------------------
// The queue

class Queue : public lt::WindowTest {};

TEST_F(Queue, PostedMessagesComeInOrderAndWmQuitLast) {
    PostMessageA(winhandle, WM_USER, 1, 2);
    PostQuitMessage(3);
    PostMessageA(winhandle, WM_USER + 1, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, (UINT)WM_USER);
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_USER);
    EXPECT_EQ(m.hwnd, winhandle);
    EXPECT_EQ(m.wParam, 1u);
    EXPECT_EQ(m.lParam, 2);
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_USER + 1);
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
}

TEST_F(Queue, AFullQueueRefusesMessages) {
    int posted = 0;
    while (posted < 5000 && PostMessageA(winhandle, WM_USER, 0, 0)) posted++;
    EXPECT_EQ(posted, 1024);
    MSG m;
    int taken = 0;
    while (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) taken++;
    EXPECT_EQ(taken, 1024);
    EXPECT_TRUE(PostMessageA(winhandle, WM_USER, 0, 0));
}

TEST_F(Queue, MessagesPostedFromAnotherThreadReachTheOwner) {
    std::thread demo([&] { PostMessageA(winhandle, WM_CLOSE, 0, 0); });
    demo.join();
    std::vector<UINT> seen = Pump();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (UINT)WM_CLOSE);
    EXPECT_EQ(seen[1], (UINT)WM_QUIT);
}

TEST(QueueNoWindow, InvalidWindowsAreRefused) {
    EXPECT_FALSE(PostMessageA((HWND)&ticks, WM_USER, 0, 0));
    EXPECT_FALSE(IsWindow((HWND)&ticks));
    EXPECT_EQ(DispatchMessageA(NULL), 0);
    EXPECT_EQ(SetWindowLongA(NULL, GWL_STYLE, 0), 0);
}

// ---------------------------------------------------------------------------
// Modules, clock, memory

TEST(LayerModules, User32OffersSetProcessDpiAwareByName) {
    HMODULE u = LoadLibraryA("user32.dll");
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(LoadLibraryA("USER32.DLL"), u);
    typedef BOOL(WINAPI * fn)(void);
    fn f = (fn)(void*)GetProcAddress(u, "SetProcessDPIAware");
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f());
    EXPECT_EQ(GetProcAddress(u, "SetProcessDpiAwarenessContext"), nullptr);
    EXPECT_TRUE(FreeLibrary(u));
    EXPECT_EQ(LoadLibraryA("nosuch.dll"), nullptr);
    SetMyProcessDpiAware();  // finds and calls it; nothing to see but no crash
}

TEST(LayerModules, OtherNamesGoToTheDynamicLoader) {
    HMODULE m = LoadLibraryA("libm.so.6");
    ASSERT_NE(m, nullptr);
    typedef double (*cosfn)(double);
    cosfn c = (cosfn)(void*)GetProcAddress(m, "cos");
    ASSERT_NE(c, nullptr);
    EXPECT_DOUBLE_EQ(c(0.0), 1.0);
    EXPECT_TRUE(FreeLibrary(m));
}

TEST(LayerClock, MillisecondsAdvanceAndWrap) {
    DWORD a = KRV_GetMillis();
    Sleep(50);
    DWORD b = GetTickCount();
    EXPECT_GE(b - a, 45u);
    EXPECT_LT(b - a, 1000u);
    // Put the clock 10 ms before its wrap: it reads small numbers soon after.
    layer_settickoffset(0);
    DWORD now = GetTickCount();
    layer_settickoffset(0xFFFFFFFFu - now - 10u);
    EXPECT_GT(GetTickCount(), 0xFFFFFF00u);
    Sleep(30);
    EXPECT_LT(GetTickCount(), 1000u);
}

TEST(LayerMemory, FixedBlocksOnly) {
    unsigned char* p = (unsigned char*)GlobalAlloc(GPTR, 64);
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 64; i++) EXPECT_EQ(p[i], 0);
    GlobalFree(p);
    EXPECT_NE(GlobalAlloc(GMEM_FIXED, 16), nullptr);
    EXPECT_EQ(GlobalAlloc(0x0002 /* GMEM_MOVEABLE */, 16), nullptr);
}

// ---------------------------------------------------------------------------
// Frames

struct FrameCase {
    DWORD style, exstyle;
    BOOL menu;
    RECT grown;  // of (0, 0, 100, 50)
};

class Frames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(Frames, AdjustWindowRectEx) {
    RECT r = {0, 0, 100, 50};
    EXPECT_TRUE(AdjustWindowRectEx(&r, GetParam().style, GetParam().menu, GetParam().exstyle));
    EXPECT_EQ(r.left, GetParam().grown.left);
    EXPECT_EQ(r.top, GetParam().grown.top);
    EXPECT_EQ(r.right, GetParam().grown.right);
    EXPECT_EQ(r.bottom, GetParam().grown.bottom);
}

INSTANTIATE_TEST_SUITE_P(Styles, Frames,
                         ::testing::Values(FrameCase{0x16C00000, 0x40100, FALSE, {-3, -26, 103, 53}},
                                           FrameCase{WS_OVERLAPPEDWINDOW, 0, FALSE, {-8, -31, 108, 58}},
                                           FrameCase{WS_POPUP, 0, FALSE, {0, 0, 100, 50}},
                                           FrameCase{WS_POPUP | WS_BORDER, 0, FALSE, {-1, -1, 101, 51}},
                                           FrameCase{WS_POPUP, WS_EX_CLIENTEDGE, FALSE, {-2, -2, 102, 52}},
                                           FrameCase{WS_OVERLAPPEDWINDOW, 0, TRUE, {-8, -51, 108, 58}}));

// ---------------------------------------------------------------------------
// Message boxes

std::string Stderr(void (*fn)()) {
    fflush(stderr);
    FILE* f = tmpfile();
    int saved = dup(2);
    dup2(fileno(f), 2);
    fn();
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::string text;
    fseek(f, 0, SEEK_SET);
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    fclose(f);
    return text;
}

TEST(LayerMessageBox, PrintedOnStandardErrorAndAnsweredOk) {
    EXPECT_EQ(Stderr([] { EXPECT_EQ(MessageBoxA(NULL, "Register class FAILED", NULL, MB_OK), IDOK); }),
              "[MessageBox] Error: Register class FAILED\n");
    EXPECT_EQ(Stderr([] { MessageBoxA(NULL, "text", "Caption", MB_OK); }), "[MessageBox] Caption: text\n");
    std::string out = kt::Captured([] {
        printf("before");
        Stderr([] { MessageBoxA(NULL, "x", NULL, MB_OK); });
    });
    EXPECT_EQ(out, "before") << "standard output is flushed first";
}

// ---------------------------------------------------------------------------
// Display modes and the GL context, on this thread as the owner

class Display : public lt::WindowTest {};

TEST_F(Display, RefusedRequestsChangeNothing) {
    DEVMODEA m;
    memset(&m, 0, sizeof m);
    m.dmSize = sizeof m;
    EXPECT_EQ(sizeof m, 156u);
    m.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    m.dmPelsWidth = 1234;
    m.dmPelsHeight = 567;
    m.dmBitsPerPel = 32;
    EXPECT_EQ(ChangeDisplaySettingsA(&m, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
    EXPECT_EQ(ChangeDisplaySettingsA(&m, 0x100), DISP_CHANGE_BADFLAGS);
    m.dmSize = 20;
    EXPECT_EQ(ChangeDisplaySettingsA(&m, CDS_FULLSCREEN), DISP_CHANGE_BADPARAM);
    EXPECT_EQ(ChangeDisplaySettingsA(NULL, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(SDL_GetWindowFlags(layer_sdlwindow(winhandle)) & SDL_WINDOW_FULLSCREEN);
    int w = 0, h = 0;
    GetDesktopResolution(w, h);
    SDL_DisplayMode d;
    SDL_GetDesktopDisplayMode(0, &d);
    EXPECT_EQ(w, d.w);
    EXPECT_EQ(h, d.h);
}

TEST_F(Display, TheContextIsCurrentOnOneThreadOnly) {
    std::string out = kt::Captured([] { krv_initwindow(64, 48, 0); });
    EXPECT_EQ(out, "[KRV] Init Glew\n\nReady for GLSL\n");
    EXPECT_EQ(KRV_shaders_enabled, 1);
    EXPECT_EQ(wglGetCurrentContext(), hrc);
    EXPECT_EQ(wglGetCurrentDC(), hdc);
    EXPECT_EQ(GetPixelFormat(hdc), 1);
    BOOL other_made_current = TRUE;
    HGLRC other_current = (HGLRC)1;
    std::thread t([&] {
        other_current = wglGetCurrentContext();
        other_made_current = wglMakeCurrent(hdc, hrc);
    });
    t.join();
    EXPECT_EQ(other_current, nullptr);
    EXPECT_FALSE(other_made_current);
    EXPECT_TRUE(SwapBuffers(hdc));
    krv_closewindow();
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_FALSE(SwapBuffers(hdc)) << "no context current any more";
    EXPECT_FALSE(wglMakeCurrent(hdc, hrc)) << "the context was deleted";
}

// WGL asks for a format before a context; SDL's new context does not stay
// current, as WGL's does not.
TEST_F(Display, ContextsFollowWglRules) {
    HDC dc = GetDC(winhandle);
    EXPECT_EQ(wglCreateContext(dc), nullptr) << "no pixel format yet";
    PIXELFORMATDESCRIPTOR pfd;
    memset(&pfd, 0, sizeof pfd);
    pfd.nSize = 40;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_COLORINDEX;
    EXPECT_EQ(ChoosePixelFormat(dc, &pfd), 0);
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 32;
    int f = ChoosePixelFormat(dc, &pfd);
    EXPECT_EQ(f, 1);
    EXPECT_FALSE(SetPixelFormat(dc, 2, &pfd));
    EXPECT_TRUE(SetPixelFormat(dc, f, &pfd));
    PIXELFORMATDESCRIPTOR got;
    EXPECT_EQ(DescribePixelFormat(dc, 1, sizeof got, &got), 1);
    EXPECT_EQ(got.cColorBits, 24);
    EXPECT_EQ(got.cDepthBits, 24) << "the closest the layer has";
    HGLRC rc = wglCreateContext(dc);
    ASSERT_NE(rc, nullptr);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_TRUE(wglMakeCurrent(dc, rc));
    EXPECT_NE(glGetString(GL_VERSION), nullptr);
    EXPECT_TRUE(wglDeleteContext(rc));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

}  // namespace

extern int (*standin_coremain)(int, char**);

namespace {

// WinMain runs in a test program too: the pump on this thread, coremain on
// the demo thread, and back here once coremain has returned.
DWORD winmain_thread = 0;
DWORD coremain_thread = 0;
int coremain_gl = 0;

int GlCoremain(int, char**) {
    coremain_thread = GetCurrentThreadId();
    KRV_SetTitle("In process");
    krv_initwindow(320, 240, 0);
    coremain_gl = glGetString(GL_VERSION) != NULL && wglGetCurrentContext() == hrc;
    krv_swapbuffers();
    return 0;
}

TEST(WinMainInProcess, RunsCoremainOnTheDemoThreadAndReturns0) {
    if (!lt::HaveDisplay()) GTEST_SKIP() << "no X display";
    standin_coremain = GlCoremain;
    winmain_thread = GetCurrentThreadId();
    int result = -1;
    std::string out = kt::Captured([&] { result = WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", 10); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out, "[KRV] Init Glew\n\nReady for GLSL\n");
    EXPECT_NE(coremain_thread, 0u);
    EXPECT_NE(coremain_thread, winmain_thread);
    EXPECT_EQ(coremain_gl, 1);
    EXPECT_FALSE(IsWindow(winhandle)) << "destroyed after the pump";
    EXPECT_EQ(wglGetCurrentContext(), nullptr) << "the context was the demo thread's";
}

}  // namespace
