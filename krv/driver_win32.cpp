// The Win32 driver: entry and message thread, demo thread, window procedure,
// window set-up with the OpenGL context and GLEW, title, swaps and clock.
#include <GL/glew.h>

#include "krv/driver_win32.h"

#include <atomic>
#include <cstdio>
#include <cstring>

HWND winhandle;
DWORD dwExStyle;
HANDLE krvthread;
HDC hdc;
HGLRC hrc;

int KRV_keys[256];
int krv_keycode;
int krv_input_prevkeycode;
int krv_mouse_x;
int krv_mouse_y;
int krv_mouse_z;
int krv_mouse_zdir;
int krv_mouse_buttons;
bool krv_mouse_windowhide;

// Set by the demo thread when the show's entry has returned, just before it
// posts WM_CLOSE: the thread is then on its way out by itself.
static std::atomic<bool> krv_demo_returned{false};

// ---------------------------------------------------------------------------
// Message thread

// The demo thread's start routine: win32_main reads neither argument.
static DWORD WINAPI krv_threadstart(LPVOID) { return (DWORD)win32_main(0, NULL); }

void SetMyProcessDpiAware(void) {
    HMODULE user32 = LoadLibraryA("user32.dll");
    if (user32) {
        typedef BOOL(WINAPI * setdpiaware_fn)(void);
        setdpiaware_fn setdpiaware = (setdpiaware_fn)(void*)GetProcAddress(user32, "SetProcessDPIAware");
        if (setdpiaware) setdpiaware();
        FreeLibrary(user32);
    }
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    wc.lpfnWndProc = WndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hIcon = NULL;
    wc.hCursor = NULL;
    wc.hbrBackground = NULL;
    wc.lpszMenuName = NULL;
    wc.lpszClassName = "KRV";

    if (!RegisterClassA(&wc)) {
        printf("Could not register Window class");
        MessageBoxA(NULL, "Register class FAILED", NULL, MB_OK);
        return 0;
    }

    SetMyProcessDpiAware();

    dwExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    winhandle = CreateWindowExA(dwExStyle, "KRV", "KRV Application", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, NULL, NULL,
                                wc.hInstance, NULL);
    if (!winhandle) MessageBoxA(NULL, "Window creation failed", NULL, MB_OK);

    SetFocus(winhandle);

    krv_mouse_x = 0;
    krv_mouse_y = 0;
    krv_mouse_z = 0;
    krv_mouse_zdir = 0;
    krv_mouse_buttons = 0;

    krvthread = CreateThread(NULL, 0, krv_threadstart, NULL, 0, NULL);

    MSG msg;
    memset(&msg, 0, sizeof msg);
    bool done = false;
    while (!done) {
        if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                done = true;
            } else {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else {
            Sleep(1);
        }
    }

    // After the show's own end the demo thread is let finish its exit (up to
    // 5 s) rather than stopped inside it: TerminateThread there can leave the
    // runtime's or the loader's locks held, and the process then hangs or
    // dies at its end (seen under Wine on a loaded machine). A window closed
    // from outside stops the demo thread at once, wherever it is.
    if (krv_demo_returned) WaitForSingleObject(krvthread, 5000);
    TerminateThread(krvthread, 0);
    DestroyWindow(winhandle);
    return (int)msg.wParam;
}

// ---------------------------------------------------------------------------
// Demo thread

int win32_main(int, char**) {
    int argc = 0;
    char** argv = CommandLineToArgvA(GetCommandLineA(), &argc);
    int result = coremain(argc, argv);
    krv_demo_returned = true;
    PostMessageA(winhandle, WM_CLOSE, 0, 0);
    return result;
}

// Splits a command line: white space separates arguments, double quotes
// group and are dropped, there are no escapes. The vector and its text share
// one block, which is never freed.
char** CommandLineToArgvA(char* CmdLine, int* _argc) {
    unsigned long len = (unsigned long)strlen(CmdLine);
    unsigned long i = ((len + 2) / 2) * sizeof(void*) + sizeof(void*);
    char** argv = (char**)GlobalAlloc(GMEM_FIXED, i + (len + 2) * sizeof(char));
    if (!argv) {
        // No memory for the block: no arguments rather than a crash.
        (*_argc) = 0;
        return NULL;
    }
    char* _argv = (char*)(((unsigned char*)argv) + i);

    int argc = 0;
    argv[argc] = _argv;
    bool in_qm = false;
    bool in_text = false;
    bool in_space = true;
    unsigned long j = 0;
    i = 0;
    char a;
    while ((a = CmdLine[i]) != 0) {
        if (in_qm) {
            if (a == '\"') {
                in_qm = false;
            } else {
                _argv[j] = a;
                j++;
            }
        } else {
            switch (a) {
            case '\"':
                in_qm = true;
                in_text = true;
                if (in_space) {
                    argv[argc] = _argv + j;
                    argc++;
                }
                in_space = false;
                break;
            case ' ':
            case '\t':
            case '\n':
            case '\r':
                if (in_text) {
                    _argv[j] = '\0';
                    j++;
                }
                in_text = false;
                in_space = true;
                break;
            default:
                in_text = true;
                if (in_space) {
                    argv[argc] = _argv + j;
                    argc++;
                }
                _argv[j] = a;
                j++;
                in_space = false;
                break;
            }
        }
        i++;
    }
    _argv[j] = '\0';
    argv[argc] = NULL;

    (*_argc) = argc;
    return argv;
}

// ---------------------------------------------------------------------------
// Window procedure

LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    // Mouse button bits hold from their button-down message to their
    // button-up message, so that a poll between the two sees the button held.
    switch (uMsg) {
    case WM_DESTROY: return 0;
    case WM_CLOSE:
        PostMessageA(winhandle, WM_QUIT, 0, 0);
        PostQuitMessage(0);
        return 0;
    case WM_SETCURSOR:
        if (krv_mouse_windowhide && LOWORD(lParam) == HTCLIENT) {
            SetCursor(NULL);
            return TRUE;
        }
        return 0;
    case WM_KEYDOWN: {
        int k = (int)(wParam & 0xFF);
        KRV_keys[k] = 1;
        krv_keycode = k;
        return 0;
    }
    case WM_KEYUP:
        KRV_keys[wParam & 0xFF] = 0;
        if (wParam == (WPARAM)krv_keycode) {
            krv_input_prevkeycode = 0;
            krv_keycode = 0;
        }
        return 0;
    case WM_LBUTTONDOWN: krv_mouse_buttons |= 0x1; return 0;
    case WM_LBUTTONUP: krv_mouse_buttons &= ~0x1; return 0;
    case WM_RBUTTONDOWN: krv_mouse_buttons |= 0x2; return 0;
    case WM_RBUTTONUP: krv_mouse_buttons &= ~0x2; return 0;
    case WM_MBUTTONDOWN: krv_mouse_buttons |= 0x4; return 0;
    case WM_MBUTTONUP: krv_mouse_buttons &= ~0x4; return 0;
    case WM_MOUSEWHEEL: {
        short delta = (short)HIWORD(wParam);
        krv_mouse_zdir = 0;
        if (delta < 0) {
            krv_mouse_zdir = -1;
            krv_mouse_z -= 1;
        }
        if (delta > 0) {
            krv_mouse_zdir = 1;
            krv_mouse_z += 1;
        }
        return 0;
    }
    default: return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

// ---------------------------------------------------------------------------
// Window set-up, on the demo thread

// The GL 2.0 calls the shader table makes; without every one of them GLSL is
// not usable, whatever GLEW reported.
static bool krv_glsl_entrypoints(void) {
    return glCreateShader && glShaderSource && glCompileShader && glGetShaderiv && glGetShaderInfoLog &&
           glDeleteShader && glCreateProgram && glAttachShader && glDetachShader && glLinkProgram &&
           glValidateProgram && glGetProgramiv && glGetProgramInfoLog && glUseProgram && glDeleteProgram &&
           glGetUniformLocation && glUniform1i && glUniform1f && glUniform1fv && glUniform2f && glUniform3f &&
           glUniform4f && glActiveTexture;
}

void krv_initwindow(int width, int height, int flags) {
    SetWindowLongA(winhandle, GWL_STYLE,
                   (LONG)(WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU));

    RECT rect;
    rect.left = 0;
    rect.top = 0;
    rect.right = width;
    rect.bottom = height;
    AdjustWindowRectEx(&rect, WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION, FALSE, 0x40100);
    SetWindowPos(winhandle, HWND_TOP, 10, 10, rect.right - rect.left, rect.bottom - rect.top, 0);

    if (flags & 1) {
        DEVMODEA mode;
        memset(&mode, 0, sizeof mode);
        mode.dmSize = 156;
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
        mode.dmBitsPerPel = 32;
        mode.dmPelsWidth = (DWORD)width;
        mode.dmPelsHeight = (DWORD)height;
        mode.dmDisplayFrequency = 60;
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL) {
            DWORD ex = (DWORD)GetWindowLongA(winhandle, GWL_EXSTYLE);
            DWORD style = (DWORD)GetWindowLongA(winhandle, GWL_STYLE);
            ex &= 0xFFFDFDFE;
            style &= 0xDE33FFFF;
            SetWindowLongA(winhandle, GWL_EXSTYLE, (LONG)ex);
            SetWindowLongA(winhandle, GWL_STYLE, (LONG)style);
            SetWindowPos(winhandle, NULL, 0, 0, width, height, SWP_NOZORDER | SWP_FRAMECHANGED);
            SetCursor(NULL);
            ShowCursor(FALSE);
            krv_mouse_windowhide = true;
        }
    }

    ShowWindow(winhandle, SW_SHOW);
    UpdateWindow(winhandle);
    SetFocus(winhandle);

    hdc = GetDC(winhandle);

    PIXELFORMATDESCRIPTOR pfd;
    memset(&pfd, 0, sizeof pfd);
    pfd.nSize = 40;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 32;
    pfd.iLayerType = PFD_MAIN_PLANE;
    int format = ChoosePixelFormat(hdc, &pfd);
    SetPixelFormat(hdc, format, &pfd);

    hrc = wglCreateContext(hdc);
    wglMakeCurrent(hdc, hrc);

    puts("[KRV] Init Glew");
    glewExperimental = GL_TRUE;
    GLenum err = glewInit();
    if (err != GLEW_OK) puts("\nError Initing Glew");

    puts("\nReady for GLSL");
    // Only with the shader entry points present: the shader calls would
    // otherwise jump through null pointers.
    if (krv_glsl_entrypoints()) KRV_shaders_enabled = 1;
}

void krv_closewindow(void) {
    wglMakeCurrent(NULL, NULL);
    wglDeleteContext(hrc);
    ReleaseDC(winhandle, hdc);
}

void krv_swapbuffers(void) { SwapBuffers(hdc); }

void KRV_SetTitle(const char* text) { SetWindowTextA(winhandle, text); }

unsigned int KRV_GetMillis(void) { return GetTickCount(); }

void GetDesktopResolution(int& horizontal, int& vertical) {
    RECT desktop;
    const HWND hDesktop = GetDesktopWindow();
    GetWindowRect(hDesktop, &desktop);
    horizontal = desktop.right;
    vertical = desktop.bottom;
}
