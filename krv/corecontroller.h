// Controllers: one uniform view of the players' inputs. Each controller is a
// row of a fixed table of 8 with two axes, two more joystick axes and a
// 16-bit key mask in the KRV_joykey layout (0x0001 up, 0x0002 down, 0x0004
// left, 0x0008 right, action bits 0x0010 to 0x8000). Sources: a key pad (16
// keyboard keys mapped onto the mask), a joystick, the last key code, or the
// mouse. Demo thread only.
#pragma once

// One controller, nine ints in this order.
struct s_controller {
    int type;      // 1 key pad, 2 joystick, 3 key-code pad, 4 mouse pad; others never polled
    int device;    // joystick id for type 2; 0 for the others
    int x;         // key pads -127/0/+127; joysticks -128..128; mouse pad cursor x
    int y;         // negative upwards; as x; mouse pad cursor y
    int axis3;     // joystick Z axis; 0 for key pads
    int axis4;     // joystick R axis; 0 for key pads
    int buttons;   // key mask (key pads, joysticks), KRV key code (key-code pad), mouse bits (mouse pad)
    int released;  // bits set before the last poll and clear now; key pads: previous mask
    int active;    // nonzero: polled and combined
};

// The table; the listed controllers are entries 0 to KRV_numcontrollers - 1.
extern s_controller KRV_controller[8];
// Row i: the key map of controller i (used while its type is 1), one KRV key
// code per slot.
extern int KRV_controllerkeys[8][16];
extern int KRV_numcontrollers;
// The combined mask that KRV_GetAllControllers returned last.
extern int krv_input_prevcontrollerkey;

// Lists joysticks 0 to 3 that count as connected ("joystick %d found\n" each),
// then key pad A, key pad B, the mouse pad and the key-code pad.
void KRV_InitControllers(void);
// Key pads only: reads the 16 keys of the map into x, y and buttons; held and
// pressed (either may be null) get the mask and its newly-pressed edge.
// Other types: nothing is written.
void KRV_GetControllerKeys(int controller, int* held, int* pressed);
// Updates every active controller from its source.
void KRV_PollControllers(void);
// Polls, then folds all active key pads and joysticks into one mask (held)
// and its newly-pressed edge (pressed); neither may be null.
void KRV_GetAllControllers(int* held, int* pressed);
// Appends a key pad with this key map.
void KRV_AddKeyController(int keys[16]);
// Replaces the key map of a controller; the entry itself is not touched.
void KRV_SetKeyController(int controller, int keys[16]);
