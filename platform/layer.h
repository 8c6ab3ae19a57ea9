// The platform layer's own calls, beside the Windows ones: what the layer's
// main() and its files share, and the few hooks the tests use to look inside.
// Programs written against the Windows API never need them.
#pragma once

#include "platform/win32types.h"

struct SDL_Window;

// kernel32: the command line GetCommandLineA returns, built from argv with
// the quoting of the Windows C runtime (arguments holding white space, or
// empty ones, in double quotes; quotes inside escaped with backslashes).
// Returns the text after the program's name, as WinMain receives it.
LPSTR layer_setcommandline(int argc, char** argv);

// kernel32: a thread that TerminateThread has stopped may still be running
// (this platform cannot stop a thread from outside safely); it stops for good
// here, in every layer call it makes.
void layer_checkterminated(void);

// kernel32: GetTickCount's clock without the stop check, for the layer's
// own use inside its locks.
DWORD layer_ticks(void);

// kernel32: moves GetTickCount by a fixed amount (tests of the clock's wrap).
void layer_settickoffset(DWORD offset);

// user32: the SDL window behind a window handle, or null (tests).
SDL_Window* layer_sdlwindow(HWND hwnd);

// user32: the thread that owns SDL video (the first to create a window), and
// the SDL initialisation shared by the layer's files.
bool layer_initvideo(void);
// user32 for gdi32/wgl: the window of a device context, its pixel format, and
// the mark that a GL context was made for it.
HWND layer_windowofdc(HDC hdc);
int layer_getpixelformat(HDC hdc);
BOOL layer_setpixelformat(HDC hdc, int format);
void layer_markgl(HWND hwnd);
bool layer_isvideothread(void);
// winmm: SDL joysticks started once; the video thread starts them with video,
// so that no other thread initialises SDL while it pumps events.
bool layer_initjoysticks(void);
void layer_sdllock(void);
void layer_sdlunlock(void);
