// The input backend: keys, key codes, mouse and joysticks.
#include "krv/coreinput.h"

#include <cstring>

int KRV_joykey;
int krv_input_prevkey;
int krv_input_mouse_mode;

// ---------------------------------------------------------------------------
// Keys

struct krv_keybit {
    int vk;
    int bit;
};

// Keyboard keys of the key mask, in order; several keys may share a bit.
static const krv_keybit krv_keymask[] = {
    {VK_UP, 0x0001},     {VK_DOWN, 0x0002},   {VK_LEFT, 0x0004},   {VK_RIGHT, 0x0008},  {VK_SPACE, 0x0010},
    {VK_CONTROL, 0x0020}, {VK_SHIFT, 0x0040}, {VK_MENU, 0x0080},   {0x43, 0x0080},      {0x5A, 0x0100},
    {0x58, 0x0400},      {VK_RETURN, 0x1000}, {0x31, 0x1000},      {VK_BACK, 0x2000},   {VK_DELETE, 0x2000},
    {0x32, 0x2000},      {VK_TAB, 0x4000},    {VK_ESCAPE, 0x8000},
};

struct krv_keyname {
    int vk;
    int code;
};

// The special keys' KRV key codes.
static const krv_keyname krv_keycodes[] = {
    {VK_ESCAPE, 0xF000}, {VK_UP, 0xF001},      {VK_DOWN, 0xF002},    {VK_LEFT, 0xF003},    {VK_RIGHT, 0xF004},
    {VK_RETURN, 0xF010}, {VK_SHIFT, 0xF011},   {VK_SPACE, 0xF012},   {VK_CONTROL, 0xF013}, {VK_MENU, 0xF014},
    {VK_BACK, 0xF020},   {VK_INSERT, 0xF021},  {VK_DELETE, 0xF022},  {VK_PRIOR, 0xF023},   {VK_NEXT, 0xF024},
    {VK_HOME, 0xF025},   {VK_END, 0xF026},     {VK_CAPITAL, 0xF027}, {VK_TAB, 0xF028},     {VK_F1, 0xF030},
    {VK_F2, 0xF031},     {VK_F3, 0xF032},      {VK_F4, 0xF033},      {VK_F5, 0xF034},      {VK_F6, 0xF035},
    {VK_F7, 0xF036},     {VK_F8, 0xF037},      {VK_F9, 0xF038},      {VK_F10, 0xF039},     {VK_F11, 0xF03A},
    {VK_F12, 0xF03B},
};

void krv_getkeys(int*, int*) {
    for (int v = 0; v < 256; v++) KRV_keys[v] = GetAsyncKeyState(v) & 0x8000;
    KRV_joykey = 0;
    for (unsigned i = 0; i < sizeof krv_keymask / sizeof krv_keymask[0]; i++)
        if (KRV_keys[krv_keymask[i].vk]) KRV_joykey |= krv_keymask[i].bit;
}

int krv_getkeycode(void) {
    int k = krv_keycode;
    for (unsigned i = 0; i < sizeof krv_keycodes / sizeof krv_keycodes[0]; i++)
        if (krv_keycodes[i].vk == k) return krv_keycodes[i].code;
    return k;
}

// ---------------------------------------------------------------------------
// Mouse

// When GetCursorPos or ScreenToClient fails, the point read is the one
// set before the calls: the last reported position.
void krv_getmouse(int* x, int* y, int* buttons) {
    POINT p;
    p.x = krv_mouse_x;
    p.y = krv_mouse_y;
    GetCursorPos(&p);
    if (krv_input_mouse_mode == 0) {
        ScreenToClient(winhandle, &p);
        krv_mouse_x = p.x;
        krv_mouse_y = p.y;
        *x = p.x;
        *y = p.y;
    } else if (krv_input_mouse_mode == 1) {
        krv_mouse_x = p.x;
        krv_mouse_y = p.y;
        *x = p.x;
        *y = p.y;
    }
    *buttons = krv_mouse_buttons;
}

void krv_setmouse(int x, int y) {
    POINT p;
    p.x = x;
    p.y = y;
    ClientToScreen(winhandle, &p);
    SetCursorPos(p.x, p.y);
}

void krv_getmousewheel(int* z, int* direction) {
    *z = krv_mouse_z;
    *direction = krv_mouse_zdir;
    krv_mouse_zdir = 0;
}

void krv_showmouse(void) { ShowCursor(TRUE); }

void krv_hidemouse(void) { ShowCursor(FALSE); }

// ---------------------------------------------------------------------------
// Joysticks

int krv_getnumjoysticks(void) { return (int)joyGetNumDevs(); }

int krv_joystickconnected(int id) {
    JOYINFO info;
    return joyGetPos((UINT)id, &info) == JOYERR_UNPLUGGED ? 0 : 1;
}

int krv_initjoystick(int id) { return id; }

// Joystick button bits (bit n = device button n + 1) to key-mask bits, by
// pad type: [0] type 1 (10 buttons), [1] type 2 (14 buttons), [2] types 0,
// 3 and 4.
static const int krv_joybuttons[3][14] = {
    {0x0010, 0x0020, 0x0040, 0x0080, 0x0100, 0x0400, 0x2000, 0x1000, 0x4000, 0x4000, 0, 0, 0, 0},
    {0x0040, 0x0010, 0x0020, 0x0080, 0x0100, 0x0400, 0x0200, 0x0800, 0x1000, 0x2000, 0x4000, 0x4000, 0x8000,
     0x1000},
    {0x0080, 0x0020, 0x0010, 0x0040, 0x0200, 0x0800, 0x0100, 0x0400, 0x1000, 0x2000, 0x4000, 0x4000, 0, 0},
};

int krv_polljoystick(int id, int* x, int* y, int* axis3, int* axis4, int* keys) {
    JOYCAPSA caps;
    int type = 0;
    if (joyGetDevCapsA((UINT_PTR)id, &caps, 404) == JOYERR_NOERROR) {
        switch (caps.wNumButtons) {
        case 10: type = 1; break;
        case 14: type = 2; break;
        case 12: type = 4; break;
        default: type = 3; break;
        }
    }

    JOYINFOEX info;
    memset(&info, 0, sizeof info);
    info.dwSize = 52;
    info.dwFlags = JOY_RETURNALL;
    if (joyGetPosEx((UINT)id, &info) != JOYERR_NOERROR) {
        *x = 0;
        *y = 0;
        *axis3 = 0;
        *axis4 = 0;
        *keys = 0;
        return 0;
    }

    *x = ((int)info.dwXpos - 0x7FFF) >> 8;
    *y = ((int)info.dwYpos - 0x7FFF) >> 8;
    *axis3 = ((int)info.dwZpos - 0x7FFF) >> 8;
    *axis4 = ((int)info.dwRpos - 0x7FFF) >> 8;

    *keys = 0;
    unsigned int d = info.dwPOV / 100;
    if (d <= 360) {
        if (d <= 45 || d > 314) *keys |= 0x0001;
        if (d >= 45 && d <= 135) *keys |= 0x0008;
        if (d >= 135 && d <= 225) *keys |= 0x0002;
        if (d >= 225 && d <= 315) *keys |= 0x0004;
    }

    const int* map = krv_joybuttons[type == 1 ? 0 : type == 2 ? 1 : 2];
    for (int b = 0; b < 14; b++)
        if (info.dwButtons & (1u << b)) *keys |= map[b];
    return 1;
}

// ---------------------------------------------------------------------------
// Public calls

void KRV_GetKeys(int* held, int* pressed) {
    krv_getkeys(NULL, NULL);
    if (held) *held = KRV_joykey;
    if (pressed) *pressed = KRV_joykey & ~krv_input_prevkey;
    krv_input_prevkey = KRV_joykey;
}

void KRV_GetKeycode(int* code, int* changed) {
    int c = krv_getkeycode();
    if (code) *code = c;
    *changed = (c != krv_input_prevkeycode) ? 1 : 0;
    krv_input_prevkeycode = c;
}

void KRV_GetMouse(int* x, int* y, int* buttons) { krv_getmouse(x, y, buttons); }

void KRV_GetMouseWheel(int* z, int* direction) { krv_getmousewheel(z, direction); }

void KRV_SetMouse(int x, int y) { krv_setmouse(x, y); }

void KRV_SetMouseMode(int mode) { krv_input_mouse_mode = mode; }

void KRV_ShowMouse(void) { krv_showmouse(); }

void KRV_HideMouse(void) { krv_hidemouse(); }
