// The input backend: the key poll and the key mask, KRV key codes, the
// mouse, the joysticks, and the public KRV_ input calls that add the
// newly-pressed edge. Everything here runs on the demo thread.
#pragma once

#include "krv/driver_win32.h"

// The key mask of the last key poll: 0x0001 up, 0x0002 down, 0x0004 left,
// 0x0008 right, action bits 0x0010 to 0x8000 (Escape 0x8000).
extern int KRV_joykey;
// The mask KRV_GetKeys returned last (basis of the newly-pressed edge).
extern int krv_input_prevkey;
// 0: positions in the window's client coordinates; 1: screen coordinates;
// any other value: positions are not updated.
extern int krv_input_mouse_mode;

// Backend
void krv_getkeys(int* keys, int* keys2);
int krv_getkeycode(void);
void krv_getmouse(int* x, int* y, int* buttons);
void krv_setmouse(int x, int y);
void krv_getmousewheel(int* z, int* direction);
void krv_showmouse(void);
void krv_hidemouse(void);
int krv_getnumjoysticks(void);
int krv_joystickconnected(int id);
int krv_initjoystick(int id);
int krv_polljoystick(int id, int* x, int* y, int* axis3, int* axis4, int* keys);

// Public calls
void KRV_GetKeys(int* held, int* pressed);
void KRV_GetKeycode(int* code, int* changed);
void KRV_GetMouse(int* x, int* y, int* buttons);
void KRV_GetMouseWheel(int* z, int* direction);
void KRV_SetMouse(int x, int y);
void KRV_SetMouseMode(int mode);
void KRV_ShowMouse(void);
void KRV_HideMouse(void);
