// Controllers over the input backend: key pads read KRV_keys through their
// key maps, joysticks, the key-code pad and the mouse pad go through the
// backend calls. Demo thread only.
#include "krv/corecontroller.h"

#include <stdio.h>

#include "krv/coreinput.h"

s_controller KRV_controller[8];
int KRV_controllerkeys[8][16];
int KRV_numcontrollers;
int krv_input_prevcontrollerkey;

#define KRV_MAXCONTROLLERS 8
#define KRV_KEYSLOTS 16

// ---------------------------------------------------------------------------
// Key maps
// ---------------------------------------------------------------------------

// The mask bit each slot drives; slots 0 to 3 drive the axes too. Slot 14
// drives nothing, so a key pad never sets 0x4000; slots 9 and 10 give 0x0400
// and 0x0200 in that order.
static const int krv_slotbits[KRV_KEYSLOTS] = {
    0x0001, 0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x0040, 0x0080,
    0x0100, 0x0400, 0x0200, 0x0800, 0x1000, 0x2000, 0x0000, 0x8000,
};

// Map A: cursor keys, Space, Ctrl, Shift, Z X C V B, Return, Backspace, Escape.
static const int krv_keymap_a[KRV_KEYSLOTS] = {
    0xF001, 0xF002, 0xF003, 0xF004, 0xF012, 0xF013, 0xF011, 0x5A,
    0x58, 0x43, 0x56, 0x42, 0xF010, 0xF020, 0xF000, 0xF000,
};

// Map B: W S A D, U I O P, K L H J, Return, Backspace, Escape.
static const int krv_keymap_b[KRV_KEYSLOTS] = {
    0x57, 0x53, 0x41, 0x44, 0x55, 0x49, 0x4F, 0x50,
    0x4B, 0x4C, 0x48, 0x4A, 0xF010, 0xF020, 0xF000, 0xF000,
};

// The special KRV key codes and the virtual keys they name.
static const struct {
    int code;
    int vkey;
} krv_specialkeys[] = {
    {0xF000, 0x1B}, {0xF001, 0x26}, {0xF002, 0x28}, {0xF003, 0x25}, {0xF004, 0x27},
    {0xF010, 0x0D}, {0xF011, 0x10}, {0xF012, 0x20}, {0xF013, 0x11}, {0xF014, 0x12},
    {0xF020, 0x08}, {0xF021, 0x2D}, {0xF022, 0x2E}, {0xF023, 0x21}, {0xF024, 0x22},
    {0xF025, 0x24}, {0xF026, 0x23}, {0xF027, 0x14}, {0xF028, 0x09},
    {0xF030, 0x70}, {0xF031, 0x71}, {0xF032, 0x72}, {0xF033, 0x73}, {0xF034, 0x74},
    {0xF035, 0x75}, {0xF036, 0x76}, {0xF037, 0x77}, {0xF038, 0x78}, {0xF039, 0x79},
    {0xF03A, 0x7A}, {0xF03B, 0x7B},
};

// The virtual key (0-255) that a KRV key code names, or -1 when the code is
// no key: a code 0 to 255 is its own virtual key, a special code names its
// table entry, anything else (negative, 256 and up outside the table) names
// nothing and so can never index KRV_keys.
static int krv_controller_vkey(int code) {
    if (code >= 0 && code < 256) return code;
    for (unsigned i = 0; i < sizeof(krv_specialkeys) / sizeof(krv_specialkeys[0]); i++)
        if (krv_specialkeys[i].code == code) return krv_specialkeys[i].vkey;
    return -1;
}

// A key map is taken only when every slot holds a key code; otherwise the
// caller's message names the first bad slot and the map is refused whole, so
// a table row never holds a code that names no key.
static int krv_controller_checkmap(const char* caller, const int* keys) {
    if (!keys) {
        printf("%s: no key map given\n", caller);
        return 0;
    }
    for (int s = 0; s < KRV_KEYSLOTS; s++) {
        if (krv_controller_vkey(keys[s]) < 0) {
            printf("%s: slot %d holds 0x%X, which is no key code; key map refused\n", caller, s,
                   (unsigned)keys[s]);
            return 0;
        }
    }
    return 1;
}

static void krv_controller_setmap(int c, const int* keys) {
    for (int s = 0; s < KRV_KEYSLOTS; s++) KRV_controllerkeys[c][s] = keys[s];
}

// Indices are refused outside the table (0 to 7) with a message; inside it
// the calls act on the entry as it stands, listed or not.
static int krv_controller_checkindex(const char* caller, int c) {
    if (c >= 0 && c < KRV_MAXCONTROLLERS) return 1;
    printf("%s: no controller %d (the table holds 0 to 7)\n", caller, c);
    return 0;
}

// The entries a loop visits: the listed ones, never past the table's end even
// when a caller has written a larger count.
static int krv_controller_listed(void) {
    if (KRV_numcontrollers < 0) return 0;
    if (KRV_numcontrollers > KRV_MAXCONTROLLERS) return KRV_MAXCONTROLLERS;
    return KRV_numcontrollers;
}

static void krv_controller_set(int n, int type, int device) {
    s_controller* c = &KRV_controller[n];
    c->type = type;
    c->device = device;
    c->x = 0;
    c->y = 0;
    c->axis3 = 0;
    c->axis4 = 0;
    c->buttons = 0;
    c->released = 0;
    c->active = 1;
}

// ---------------------------------------------------------------------------
// Public calls
// ---------------------------------------------------------------------------

void KRV_InitControllers(void) {
    int n = 0;
    for (int j = 0; j < 4; j++) {
        int id = krv_initjoystick(j);
        if (krv_joystickconnected(id)) {
            krv_controller_set(n, 2, j);
            n++;
            printf("joystick %d found\n", j);
        }
    }
    krv_controller_set(n, 1, 0);
    krv_controller_setmap(n, krv_keymap_a);
    n++;
    krv_controller_set(n, 1, 0);
    krv_controller_setmap(n, krv_keymap_b);
    n++;
    krv_controller_set(n, 4, 0);
    n++;
    krv_controller_set(n, 3, 0);
    n++;
    KRV_numcontrollers = n;
}

void KRV_GetControllerKeys(int controller, int* held, int* pressed) {
    if (!krv_controller_checkindex("KRV_GetControllerKeys", controller)) return;
    s_controller* c = &KRV_controller[controller];
    if (c->type != 1) return;

    c->x = 0;
    c->y = 0;
    c->buttons = 0;
    // Later slots win: up and down together leave y at +127, left and right
    // together leave x at +127.
    for (int s = 0; s < KRV_KEYSLOTS; s++) {
        // A code that names no key (only a direct write to the table can put
        // one there) counts as never down.
        int v = krv_controller_vkey(KRV_controllerkeys[controller][s]);
        if (v < 0 || !KRV_keys[v]) continue;
        c->buttons |= krv_slotbits[s];
        switch (s) {
        case 0: c->y = -127; break;
        case 1: c->y = 127; break;
        case 2: c->x = -127; break;
        case 3: c->x = 127; break;
        }
    }
    if (held) *held = c->buttons;
    if (pressed) *pressed = c->buttons & ~c->released;
    c->released = c->buttons;
}

void KRV_PollControllers(void) {
    int n = krv_controller_listed();
    for (int i = 0; i < n; i++) {
        s_controller* c = &KRV_controller[i];
        if (!c->active) continue;
        switch (c->type) {
        case 1: {
            int m = 0, p = 0;
            KRV_GetControllerKeys(i, &m, &p);
            c->x = 0;
            c->y = 0;
            if (m & 0x0004) c->x = -127;
            if (m & 0x0008) c->x = 127;
            if (m & 0x0001) c->y = -127;
            if (m & 0x0002) c->y = 127;
            c->axis3 = 0;
            c->axis4 = 0;
            // The direction bits live in the axes.
            c->buttons = m & 0xFFF0;
            // released keeps the whole mask m that KRV_GetControllerKeys just
            // stored, directions included: a direct KRV_GetControllerKeys after
            // a poll then reports as pressed only the keys that went down
            // since this poll, not every key still held.
            break;
        }
        case 2: {
            int x = 0, y = 0, a3 = 0, a4 = 0, k = 0;
            if (krv_polljoystick(c->device, &x, &y, &a3, &a4, &k)) {
                c->x = x;
                c->y = y;
                c->axis3 = a3;
                c->axis4 = a4;
                c->released = c->buttons & ~k;
                c->buttons = k;
            } else {
                // A joystick that cannot be read is off until the next rebuild.
                c->active = 0;
            }
            break;
        }
        case 3: {
            int code = 0, changed = 0;
            KRV_GetKeycode(&code, &changed);
            c->released = c->buttons & ~code;
            c->buttons = code;
            break;
        }
        case 4: {
            // In a mouse mode that does not update positions, KRV_GetMouse
            // leaves x and y as passed: the axes then keep their last values.
            int mx = c->x, my = c->y, mb = 0;
            KRV_GetMouse(&mx, &my, &mb);
            c->x = mx;
            c->y = my;
            c->released = c->buttons & ~mb;
            c->buttons = mb;
            break;
        }
        default:
            break;
        }
    }
}

void KRV_GetAllControllers(int* held, int* pressed) {
    KRV_PollControllers();
    int mask = 0;
    int n = krv_controller_listed();
    for (int i = 0; i < n; i++) {
        const s_controller* c = &KRV_controller[i];
        if (!c->active || (c->type != 1 && c->type != 2)) continue;
        mask |= c->buttons;
        // Strict thresholds: an axis at exactly -64 or 64 sets nothing.
        if (c->x < -64)
            mask |= 0x0004;
        else if (c->x > 64)
            mask |= 0x0008;
        if (c->y < -64)
            mask |= 0x0001;
        else if (c->y > 64)
            mask |= 0x0002;
    }
    *held = mask;
    *pressed = mask & ~krv_input_prevcontrollerkey;
    krv_input_prevcontrollerkey = mask;
}

void KRV_AddKeyController(int keys[16]) {
    // A ninth controller has no row to go to: refused with a message, the
    // table and the count stay as they are.
    int n = KRV_numcontrollers;
    if (n < 0 || n >= KRV_MAXCONTROLLERS) {
        printf("KRV_AddKeyController: no free entry (%d listed, the table holds 8); key pad not added\n", n);
        return;
    }
    if (!krv_controller_checkmap("KRV_AddKeyController", keys)) return;
    krv_controller_set(n, 1, 0);
    krv_controller_setmap(n, keys);
    KRV_numcontrollers = n + 1;
}

void KRV_SetKeyController(int controller, int keys[16]) {
    if (!krv_controller_checkindex("KRV_SetKeyController", controller)) return;
    if (!krv_controller_checkmap("KRV_SetKeyController", keys)) return;
    krv_controller_setmap(controller, keys);
}
