// The Win32 driver: the program's entry, the message thread and its pump,
// the demo thread, the window procedure, the window's set-up with its OpenGL
// context and GLEW, the title, buffer swaps and the millisecond clock.
#pragma once

#include "platform/win32api.h"

// The one window, its extended style, the demo thread, the window's device
// context and the OpenGL context.
extern HWND winhandle;
extern DWORD dwExStyle;
extern HANDLE krvthread;
extern HDC hdc;
extern HGLRC hrc;

// Written by the window procedure (and the input backend's polls).
extern int KRV_keys[256];
extern int krv_keycode;
extern int krv_input_prevkeycode;
extern int krv_mouse_x;
extern int krv_mouse_y;
extern int krv_mouse_z;
extern int krv_mouse_zdir;
extern int krv_mouse_buttons;
extern bool krv_mouse_windowhide;

// GLSL usable: owned by the shader table, set by krv_initwindow.
extern int KRV_shaders_enabled;

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd);
int win32_main(int argc, char** argv);
char** CommandLineToArgvA(char* CmdLine, int* _argc);
void SetMyProcessDpiAware(void);
LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

void krv_initwindow(int width, int height, int flags);
void krv_closewindow(void);
void krv_swapbuffers(void);
void KRV_SetTitle(const char* text);
unsigned int KRV_GetMillis(void);
void GetDesktopResolution(int& horizontal, int& vertical);

// The show's entry, run on the demo thread (defined by the show).
int coremain(int argc, char** argv);
