// winmm joysticks over SDL joysticks.
//
// Joystick id n is SDL's joystick device n at the time of the call; ids 0 to
// 15 exist, and an id with no device behind it answers JOYERR_UNPLUGGED.
// Axes 0 to 5 are X, Y, Z, R, U and V, moved from SDL's -32768..32767 to
// winmm's 0..65535 (an axis the device lacks reads 32767, centred); buttons
// 1 to 32 are the bits of dwButtons; the first hat is the point-of-view
// control in hundredths of a degree clockwise from forward. The calls may
// come from any thread: they take one lock and read SDL's joystick state,
// which they refresh themselves (SDL's joystick events stay off, so the
// message pump does not consume them).
#include "platform/winmm_joystick.h"

#include "platform/kernel32.h"
#include "platform/layer.h"

#include <SDL.h>
#include <pthread.h>

#include <cstdio>
#include <cstring>

#define LAYER_MAXJOYSTICKS 16

static pthread_mutex_t jlock = PTHREAD_MUTEX_INITIALIZER;
static int joy_state = 0;  // 0 not tried, 1 running, -1 failed
static SDL_Joystick* joy_open[LAYER_MAXJOYSTICKS];
static SDL_JoystickID joy_instance[LAYER_MAXJOYSTICKS];

bool layer_initjoysticks(void) {
    if (joy_state == 0) {
        layer_sdllock();
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
            fprintf(stderr, "winmm: no joysticks: %s\n", SDL_GetError());
            joy_state = -1;
        } else {
            SDL_JoystickEventState(SDL_IGNORE);
            joy_state = 1;
        }
        layer_sdlunlock();
    }
    return joy_state == 1;
}

// The open SDL joystick behind an id, refreshed; null when none is plugged.
// Caller holds jlock.
static SDL_Joystick* joy_get(UINT id) {
    if (!layer_initjoysticks()) return nullptr;
    SDL_JoystickUpdate();
    if (id >= (UINT)SDL_NumJoysticks()) {
        if (joy_open[id]) {
            SDL_JoystickClose(joy_open[id]);
            joy_open[id] = nullptr;
        }
        return nullptr;
    }
    SDL_JoystickID inst = SDL_JoystickGetDeviceInstanceID((int)id);
    if (joy_open[id] && (joy_instance[id] != inst || !SDL_JoystickGetAttached(joy_open[id]))) {
        SDL_JoystickClose(joy_open[id]);
        joy_open[id] = nullptr;
    }
    if (!joy_open[id]) {
        joy_open[id] = SDL_JoystickOpen((int)id);
        joy_instance[id] = inst;
        if (joy_open[id]) SDL_JoystickUpdate();
    }
    return joy_open[id];
}

static DWORD axis_of(SDL_Joystick* j, int axis) {
    if (axis >= SDL_JoystickNumAxes(j)) return 32767;
    return (DWORD)((int)SDL_JoystickGetAxis(j, axis) + 32768);
}

static DWORD buttons_of(SDL_Joystick* j, DWORD* count) {
    DWORD bits = 0, n = 0;
    int nb = SDL_JoystickNumButtons(j);
    for (int b = 0; b < nb && b < 32; b++)
        if (SDL_JoystickGetButton(j, b)) {
            bits |= 1u << b;
            n++;
        }
    if (count) *count = n;
    return bits;
}

static DWORD pov_of(SDL_Joystick* j) {
    if (SDL_JoystickNumHats(j) < 1) return JOY_POVCENTERED;
    switch (SDL_JoystickGetHat(j, 0)) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return JOY_POVCENTERED;
    }
}

UINT WINAPI joyGetNumDevs(void) { return LAYER_MAXJOYSTICKS; }

MMRESULT WINAPI joyGetDevCapsA(UINT_PTR uJoyID, LPJOYCAPSA pjc, UINT cbjc) {
    layer_checkterminated();
    if (!pjc || cbjc == 0 || uJoyID >= LAYER_MAXJOYSTICKS) return JOYERR_PARMS;
    pthread_mutex_lock(&jlock);
    SDL_Joystick* j = joy_get((UINT)uJoyID);
    if (!j) {
        pthread_mutex_unlock(&jlock);
        return JOYERR_UNPLUGGED;
    }
    JOYCAPSA caps;
    memset(&caps, 0, sizeof caps);
    caps.wMid = SDL_JoystickGetVendor(j);
    caps.wPid = SDL_JoystickGetProduct(j);
    const char* name = SDL_JoystickName(j);
    snprintf(caps.szPname, sizeof caps.szPname, "%s", name ? name : "");
    caps.wXmax = caps.wYmax = caps.wZmax = caps.wRmax = caps.wUmax = caps.wVmax = 65535;
    int nb = SDL_JoystickNumButtons(j);
    int na = SDL_JoystickNumAxes(j);
    caps.wNumButtons = (UINT)(nb < 32 ? nb : 32);
    caps.wMaxButtons = 32;
    caps.wNumAxes = (UINT)(na < 6 ? na : 6);
    caps.wMaxAxes = 6;
    caps.wPeriodMin = 10;
    caps.wPeriodMax = 1000;
    if (na > 2) caps.wCaps |= JOYCAPS_HASZ;
    if (na > 3) caps.wCaps |= JOYCAPS_HASR;
    if (na > 4) caps.wCaps |= JOYCAPS_HASU;
    if (na > 5) caps.wCaps |= JOYCAPS_HASV;
    if (SDL_JoystickNumHats(j) > 0) caps.wCaps |= JOYCAPS_HASPOV | JOYCAPS_POV4DIR;
    pthread_mutex_unlock(&jlock);
    memcpy(pjc, &caps, cbjc < sizeof caps ? cbjc : sizeof caps);
    return JOYERR_NOERROR;
}

MMRESULT WINAPI joyGetPos(UINT uJoyID, LPJOYINFO pji) {
    layer_checkterminated();
    if (!pji || uJoyID >= LAYER_MAXJOYSTICKS) return JOYERR_PARMS;
    pthread_mutex_lock(&jlock);
    SDL_Joystick* j = joy_get(uJoyID);
    if (!j) {
        pthread_mutex_unlock(&jlock);
        return JOYERR_UNPLUGGED;
    }
    pji->wXpos = axis_of(j, 0);
    pji->wYpos = axis_of(j, 1);
    pji->wZpos = axis_of(j, 2);
    pji->wButtons = buttons_of(j, nullptr) & 0xF;
    pthread_mutex_unlock(&jlock);
    return JOYERR_NOERROR;
}

MMRESULT WINAPI joyGetPosEx(UINT uJoyID, LPJOYINFOEX pji) {
    layer_checkterminated();
    if (!pji || pji->dwSize != sizeof(JOYINFOEX) || uJoyID >= LAYER_MAXJOYSTICKS) return JOYERR_PARMS;
    pthread_mutex_lock(&jlock);
    SDL_Joystick* j = joy_get(uJoyID);
    if (!j) {
        pthread_mutex_unlock(&jlock);
        return JOYERR_UNPLUGGED;
    }
    DWORD f = pji->dwFlags;
    if (f & JOY_RETURNX) pji->dwXpos = axis_of(j, 0);
    if (f & JOY_RETURNY) pji->dwYpos = axis_of(j, 1);
    if (f & JOY_RETURNZ) pji->dwZpos = axis_of(j, 2);
    if (f & JOY_RETURNR) pji->dwRpos = axis_of(j, 3);
    if (f & JOY_RETURNU) pji->dwUpos = axis_of(j, 4);
    if (f & JOY_RETURNV) pji->dwVpos = axis_of(j, 5);
    if (f & JOY_RETURNPOV) pji->dwPOV = pov_of(j);
    if (f & JOY_RETURNBUTTONS) pji->dwButtons = buttons_of(j, &pji->dwButtonNumber);
    pthread_mutex_unlock(&jlock);
    return JOYERR_NOERROR;
}
