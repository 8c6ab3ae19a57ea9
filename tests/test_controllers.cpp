// Controllers over the real input backend and platform layer: keys are SDL
// key events through the window's pump and the window procedure, joysticks
// are SDL virtual joysticks behind winmm's calls. Covered: the table that
// KRV_InitControllers builds, the key pads' slot table and default maps,
// joysticks, the key-code pad, the combined mask and its edge, and the guards
// of the table limits. The mouse pad moves the shared X pointer: those cases
// are built into a second program (CONTROLLERS_POINTER) that runs alone.
#include "krv/corecontroller.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <initializer_list>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "krv/coreinput.h"
#include "tests/platform/layertest.h"
#include "tests/support/testsupport.h"

namespace {

struct Pad {
    int type, device, x, y, axis3, axis4, buttons, released, active;
};

Pad Entry(int i) {
    const s_controller& c = KRV_controller[i];
    return {c.type, c.device, c.x, c.y, c.axis3, c.axis4, c.buttons, c.released, c.active};
}

bool operator==(const Pad& a, const Pad& b) { return memcmp(&a, &b, sizeof a) == 0; }

std::ostream& operator<<(std::ostream& o, const Pad& p) {
    return o << "{type " << p.type << " device " << p.device << " x " << p.x << " y " << p.y
             << " axis3 " << p.axis3 << " axis4 " << p.axis4 << " buttons 0x" << std::hex
             << p.buttons << " released 0x" << p.released << std::dec << " active " << p.active
             << "}";
}

[[maybe_unused]] std::vector<int> Types() {
    std::vector<int> t;
    for (int i = 0; i < KRV_numcontrollers; i++) t.push_back(KRV_controller[i].type);
    return t;
}

[[maybe_unused]] std::vector<int> Row(int c) { return std::vector<int>(KRV_controllerkeys[c], KRV_controllerkeys[c] + 16); }

const std::vector<int> kMapA = {0xF001, 0xF002, 0xF003, 0xF004, 0xF012, 0xF013, 0xF011, 0x5A,
                                0x58,   0x43,   0x56,   0x42,   0xF010, 0xF020, 0xF000, 0xF000};
const std::vector<int> kMapB = {0x57, 0x53, 0x41, 0x44, 0x55, 0x49, 0x4F, 0x50,
                                0x4B, 0x4C, 0x48, 0x4A, 0xF010, 0xF020, 0xF000, 0xF000};

// Virtual keys.
enum {
    kBack = 0x08, kTab = 0x09, kReturn = 0x0D, kShift = 0x10, kCtrl = 0x11, kAlt = 0x12,
    kEscape = 0x1B, kSpace = 0x20, kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28,
    kF1 = 0x70, kF12 = 0x7B,
};

// The SDL key behind each virtual key the cases use.
SDL_Scancode ScancodeOf(int vk) {
    if (vk >= 'A' && vk <= 'Z') return (SDL_Scancode)(SDL_SCANCODE_A + (vk - 'A'));
    if (vk >= '1' && vk <= '9') return (SDL_Scancode)(SDL_SCANCODE_1 + (vk - '1'));
    if (vk >= kF1 && vk <= kF12) return (SDL_Scancode)(SDL_SCANCODE_F1 + (vk - kF1));
    switch (vk) {
    case kBack: return SDL_SCANCODE_BACKSPACE;
    case kTab: return SDL_SCANCODE_TAB;
    case kReturn: return SDL_SCANCODE_RETURN;
    case kShift: return SDL_SCANCODE_LSHIFT;
    case kCtrl: return SDL_SCANCODE_LCTRL;
    case kAlt: return SDL_SCANCODE_LALT;
    case kEscape: return SDL_SCANCODE_ESCAPE;
    case kSpace: return SDL_SCANCODE_SPACE;
    case kLeft: return SDL_SCANCODE_LEFT;
    case kUp: return SDL_SCANCODE_UP;
    case kRight: return SDL_SCANCODE_RIGHT;
    case kDown: return SDL_SCANCODE_DOWN;
    }
    ADD_FAILURE() << "no scancode for virtual key " << vk;
    return SDL_SCANCODE_UNKNOWN;
}

// A virtual pad: SDL's device index is its joystick id.
struct Stick {
    int id;
    SDL_Joystick* joy;
};

// A real window with its pump (the layer's test fixture), the joystick
// subsystem for virtual pads, and helpers that drive keys and pads.
class Controllers : public lt::WindowTest {
protected:
    void SetUp() override {
        lt::WindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    }
    void TearDown() override {
        // Later pads move down an index when an earlier one goes: last first.
        for (auto it = sticks_.rbegin(); it != sticks_.rend(); ++it)
            if (it->joy) Detach(*it);
    }

    // Makes exactly these keys held: key-up events for held keys not listed,
    // then key-down events in the order given, all through the pump.
    void HoldKeys(std::initializer_list<int> vks) {
        std::set<int> want(vks);
        for (auto it = held_.begin(); it != held_.end();) {
            if (!want.count(*it)) {
                PushKey(false, ScancodeOf(*it));
                it = held_.erase(it);
            } else {
                ++it;
            }
        }
        for (int vk : vks)
            if (held_.insert(vk).second) PushKey(true, ScancodeOf(vk));
        Pump();
    }

    // Attaches a virtual pad with four axes (centred), one hat and the given
    // number of buttons.
    Stick& AttachStick(int buttons) {
        int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 4, buttons, 1);
        EXPECT_GE(index, 0) << SDL_GetError();
        SDL_Joystick* joy = SDL_JoystickOpen(index);
        EXPECT_NE(joy, nullptr) << SDL_GetError();
        sticks_.push_back({index, joy});
        return sticks_.back();
    }
    // SDL's -32768..32767 is winmm's 0..65535.
    void SetAxes(Stick& s, Sint16 x, Sint16 y, Sint16 z, Sint16 r) {
        const Sint16 v[4] = {x, y, z, r};
        for (int a = 0; a < 4; a++) SDL_JoystickSetVirtualAxis(s.joy, a, v[a]);
    }
    // Bit n: button n + 1 of the device.
    void SetButtons(Stick& s, int bits) {
        for (int b = 0; b < SDL_JoystickNumButtons(s.joy); b++)
            SDL_JoystickSetVirtualButton(s.joy, b, (bits >> b) & 1);
    }
    void SetHat(Stick& s, Uint8 hat) { SDL_JoystickSetVirtualHat(s.joy, 0, hat); }
    void Detach(Stick& s) {
        SDL_JoystickClose(s.joy);
        s.joy = nullptr;
        EXPECT_EQ(SDL_JoystickDetachVirtual(s.id), 0) << SDL_GetError();
    }

    // KRV_InitControllers; returns what it printed.
    std::string Init() {
        return kt::Captured([] { KRV_InitControllers(); });
    }
    // Index of the first listed controller of this type, -1 if none.
    int Find(int type) {
        for (int i = 0; i < KRV_numcontrollers; i++)
            if (KRV_controller[i].type == type) return i;
        return -1;
    }

    std::set<int> held_;
    std::deque<Stick> sticks_;  // references stay valid as pads are added
};

#if !CONTROLLERS_POINTER

// ---------------------------------------------------------------------------
// Building the table
// ---------------------------------------------------------------------------

TEST_F(Controllers, NoJoystickGivesFourPadsInOrderAndPrintsNothing) {
    EXPECT_EQ(Init(), "");
    ASSERT_EQ(KRV_numcontrollers, 4);
    EXPECT_EQ(Types(), (std::vector<int>{1, 1, 4, 3}));
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(Entry(i), (Pad{Types()[i], 0, 0, 0, 0, 0, 0, 0, 1})) << "entry " << i;
    EXPECT_EQ(Row(0), kMapA);
    EXPECT_EQ(Row(1), kMapB);
}

TEST_F(Controllers, ConnectedJoysticksAreListedFirst) {
    AttachStick(10);
    AttachStick(14);
    EXPECT_EQ(Init(), "joystick 0 found\njoystick 1 found\n");
    ASSERT_EQ(KRV_numcontrollers, 6);
    EXPECT_EQ(Types(), (std::vector<int>{2, 2, 1, 1, 4, 3}));
    EXPECT_EQ(Entry(0), (Pad{2, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(Entry(1), (Pad{2, 1, 0, 0, 0, 0, 0, 0, 1}));
    // The key maps go with the key pads' rows.
    EXPECT_EQ(Row(2), kMapA);
    EXPECT_EQ(Row(3), kMapB);
}

// Only ids 0 to 3 are looked at: a fifth pad is not listed, the table is full.
TEST_F(Controllers, FivePadsFillTheTableWithTheFirstFour) {
    for (int i = 0; i < 5; i++) AttachStick(12);
    EXPECT_EQ(Init(), "joystick 0 found\njoystick 1 found\njoystick 2 found\njoystick 3 found\n");
    ASSERT_EQ(KRV_numcontrollers, 8);
    EXPECT_EQ(Types(), (std::vector<int>{2, 2, 2, 2, 1, 1, 4, 3}));
    for (int i = 0; i < 4; i++) EXPECT_EQ(KRV_controller[i].device, i);
    EXPECT_EQ(Row(4), kMapA);
    EXPECT_EQ(Row(5), kMapB);
}

TEST_F(Controllers, RebuildStartsAgainFromEntryZero) {
    Stick& s = AttachStick(10);
    EXPECT_EQ(Init(), "joystick 0 found\n");
    KRV_controller[0].active = 0;
    KRV_controller[4].buttons = 0x41;
    Detach(s);
    EXPECT_EQ(Init(), "");
    ASSERT_EQ(KRV_numcontrollers, 4);
    EXPECT_EQ(Types(), (std::vector<int>{1, 1, 4, 3}));
    EXPECT_EQ(Entry(0), (Pad{1, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(Row(0), kMapA);
    // The entry past the new count stays as it was.
    EXPECT_EQ(Entry(4), (Pad{3, 0, 0, 0, 0, 0, 0x41, 0, 1}));
}

// ---------------------------------------------------------------------------
// Key pads
// ---------------------------------------------------------------------------

// Each key of map A held alone: the mask and the axes of the key pad.
TEST_F(Controllers, EachSlotOfMapADrivesItsBit) {
    struct Case {
        int vk, mask, x, y;
    };
    const Case cases[] = {
        {kUp, 0x0001, 0, -127},   {kDown, 0x0002, 0, 127}, {kLeft, 0x0004, -127, 0},
        {kRight, 0x0008, 127, 0}, {kSpace, 0x0010, 0, 0},  {kCtrl, 0x0020, 0, 0},
        {kShift, 0x0040, 0, 0},   {'Z', 0x0080, 0, 0},     {'X', 0x0100, 0, 0},
        {'C', 0x0400, 0, 0},      {'V', 0x0200, 0, 0},     {'B', 0x0800, 0, 0},
        {kReturn, 0x1000, 0, 0},  {kBack, 0x2000, 0, 0},   {kEscape, 0x8000, 0, 0},
        // Keys outside the map.
        {kTab, 0, 0, 0},          {'A', 0, 0, 0},          {kF1, 0, 0, 0},
    };
    Init();
    for (const Case& k : cases) {
        HoldKeys({k.vk});
        int held = -1, pressed = -1;
        KRV_GetControllerKeys(0, &held, &pressed);
        EXPECT_EQ(held, k.mask) << "key 0x" << std::hex << k.vk;
        EXPECT_EQ(KRV_controller[0].buttons, k.mask) << "key 0x" << std::hex << k.vk;
        EXPECT_EQ(KRV_controller[0].x, k.x) << "key 0x" << std::hex << k.vk;
        EXPECT_EQ(KRV_controller[0].y, k.y) << "key 0x" << std::hex << k.vk;
    }
}

TEST_F(Controllers, MapBReadsItsOwnKeys) {
    Init();
    HoldKeys({'W', 'A', 'K', 'L', 'H', 'J', 'P'});
    int held = 0;
    KRV_GetControllerKeys(1, &held, nullptr);
    EXPECT_EQ(held, 0x0001 | 0x0004 | 0x0100 | 0x0400 | 0x0200 | 0x0800 | 0x0080);
    EXPECT_EQ(KRV_controller[1].x, -127);
    EXPECT_EQ(KRV_controller[1].y, -127);
    // Map A sees none of them.
    KRV_GetControllerKeys(0, &held, nullptr);
    EXPECT_EQ(held, 0);
}

TEST_F(Controllers, EscapeCountsFromSlot15Only) {
    Init();
    HoldKeys({kEscape});
    int held = 0;
    KRV_GetControllerKeys(0, &held, nullptr);
    EXPECT_EQ(held, 0x8000);
    // Escape in slot 14 alone drives nothing; in slot 15 alone, 0x8000.
    int keys[16];
    for (int s = 0; s < 16; s++) keys[s] = kMapA[s];
    keys[15] = 0xF030;  // F1
    KRV_SetKeyController(0, keys);
    KRV_GetControllerKeys(0, &held, nullptr);
    EXPECT_EQ(held, 0);
    keys[14] = 0xF030;
    keys[15] = 0xF000;
    KRV_SetKeyController(0, keys);
    KRV_GetControllerKeys(0, &held, nullptr);
    EXPECT_EQ(held, 0x8000);
    // No slot gives 0x4000, whatever key it holds: every slot on Escape.
    for (int s = 0; s < 16; s++) keys[s] = 0xF000;
    KRV_SetKeyController(0, keys);
    KRV_GetControllerKeys(0, &held, nullptr);
    EXPECT_EQ(held, 0xFFFF & ~0x4000);
}

TEST_F(Controllers, LaterSlotsWinOnTheAxes) {
    Init();
    HoldKeys({kUp, kDown, kLeft, kRight});
    int held = 0;
    KRV_GetControllerKeys(0, &held, nullptr);
    EXPECT_EQ(held, 0x000F);
    EXPECT_EQ(KRV_controller[0].x, 127);
    EXPECT_EQ(KRV_controller[0].y, 127);
    KRV_PollControllers();
    EXPECT_EQ(KRV_controller[0].x, 127);
    EXPECT_EQ(KRV_controller[0].y, 127);
    EXPECT_EQ(KRV_controller[0].buttons, 0);
}

TEST_F(Controllers, DirectReadsReportEachPressOnce) {
    Init();
    int held = 0, pressed = 0;
    HoldKeys({kSpace});
    KRV_GetControllerKeys(0, &held, &pressed);
    EXPECT_EQ(held, 0x0010);
    EXPECT_EQ(pressed, 0x0010);
    HoldKeys({kSpace, 'Z'});
    KRV_GetControllerKeys(0, &held, &pressed);
    EXPECT_EQ(held, 0x0090);
    EXPECT_EQ(pressed, 0x0080);
    EXPECT_EQ(KRV_controller[0].released, 0x0090);
    HoldKeys({});
    KRV_GetControllerKeys(0, &held, &pressed);
    HoldKeys({kSpace});
    KRV_GetControllerKeys(0, &held, &pressed);
    EXPECT_EQ(pressed, 0x0010);
}

// The key pads read the key table as it stands and poll nothing: a key that
// reaches the window only as a system key (pressed with Alt) counts once a
// key poll has rewritten the table.
TEST_F(Controllers, KeyPadsReadTheKeyTableAsItStands) {
    Init();
    PushKey(true, SDL_SCANCODE_LALT);
    PushKey(true, SDL_SCANCODE_Z, 0, KMOD_LALT);
    Pump();
    int held = -1;
    KRV_PollControllers();
    KRV_GetControllerKeys(0, &held, nullptr);
    EXPECT_EQ(held, 0);
    KRV_GetKeys(nullptr, nullptr);
    KRV_GetControllerKeys(0, &held, nullptr);
    EXPECT_EQ(held, 0x0080);
}

TEST_F(Controllers, CursorLeftAndSpaceOnMapA) {
    Init();
    HoldKeys({kLeft, kSpace});
    KRV_PollControllers();
    EXPECT_EQ(Entry(0), (Pad{1, 0, -127, 0, 0, 0, 0x0010, 0x0014, 1}));
    int held = 0, pressed = 0;
    KRV_GetAllControllers(&held, &pressed);
    EXPECT_EQ(held, 0x0014);
    EXPECT_EQ(pressed, 0x0014);
}

// Chosen rule: after a poll a key pad's released holds the whole mask the
// poll read, directions included, so a direct read afterwards reports only
// keys pressed since.
TEST_F(Controllers, DirectReadAfterPollReportsOnlyNewKeys) {
    Init();
    HoldKeys({kLeft, kSpace});
    KRV_PollControllers();
    EXPECT_EQ(KRV_controller[0].released, 0x0014);
    int held = 0, pressed = -1;
    KRV_GetControllerKeys(0, &held, &pressed);
    EXPECT_EQ(held, 0x0014);
    EXPECT_EQ(pressed, 0);
    KRV_PollControllers();
    HoldKeys({kLeft, kSpace, 'X', kUp});
    KRV_GetControllerKeys(0, &held, &pressed);
    EXPECT_EQ(held, 0x0115);
    EXPECT_EQ(pressed, 0x0101);
}

TEST_F(Controllers, AllControllersReportPressedOnce) {
    Init();
    HoldKeys({kLeft, kSpace, 'W'});
    int held = 0, pressed = 0;
    KRV_GetAllControllers(&held, &pressed);
    EXPECT_EQ(held, 0x0015);
    EXPECT_EQ(pressed, 0x0015);
    KRV_GetAllControllers(&held, &pressed);
    EXPECT_EQ(held, 0x0015);
    EXPECT_EQ(pressed, 0);
    EXPECT_EQ(krv_input_prevcontrollerkey, 0x0015);
    HoldKeys({kLeft});
    KRV_GetAllControllers(&held, &pressed);
    HoldKeys({kLeft, kSpace});
    KRV_GetAllControllers(&held, &pressed);
    EXPECT_EQ(held, 0x0014);
    EXPECT_EQ(pressed, 0x0010);
}

TEST_F(Controllers, InactiveAndUnknownEntriesAreNotPolled) {
    Init();
    HoldKeys({kSpace, 'U'});
    KRV_controller[0].active = 0;
    KRV_controller[1].type = 7;
    KRV_PollControllers();
    EXPECT_EQ(Entry(0), (Pad{1, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Entry(1), (Pad{7, 0, 0, 0, 0, 0, 0, 0, 1}));
    int held = -1, pressed = -1;
    KRV_GetAllControllers(&held, &pressed);
    EXPECT_EQ(held, 0);
    EXPECT_EQ(pressed, 0);
}

// ---------------------------------------------------------------------------
// Key-code pad and the other pads' key reads
// ---------------------------------------------------------------------------

TEST_F(Controllers, KeyCodePadFollowsTheLastKeyAndIsNotCombined) {
    Init();
    int kc = Find(3);
    ASSERT_GE(kc, 0);
    HoldKeys({kF1});  // in no key map
    int held = -1, pressed = -1;
    KRV_GetAllControllers(&held, &pressed);
    EXPECT_EQ(KRV_controller[kc].buttons, 0xF030);
    EXPECT_EQ(KRV_controller[kc].released, 0);
    EXPECT_EQ(held, 0);
    EXPECT_EQ(pressed, 0);
    HoldKeys({});
    KRV_PollControllers();
    EXPECT_EQ(KRV_controller[kc].buttons, 0);
    EXPECT_EQ(KRV_controller[kc].released, 0xF030);
    HoldKeys({'A'});
    KRV_PollControllers();
    EXPECT_EQ(KRV_controller[kc].buttons, 0x41);
    HoldKeys({'A', kF12});
    KRV_PollControllers();
    EXPECT_EQ(KRV_controller[kc].buttons, 0xF03B);
    EXPECT_EQ(KRV_controller[kc].released, 0x41 & ~0xF03B);
    // The poll moved the key-code change flag on for every other caller.
    int code = 0, changed = -1;
    KRV_GetKeycode(&code, &changed);
    EXPECT_EQ(code, 0xF03B);
    EXPECT_EQ(changed, 0);
}

TEST_F(Controllers, GetControllerKeysOnOtherPadsWritesNothing) {
    Stick& s = AttachStick(10);
    Init();
    HoldKeys({kSpace, kLeft, 'Q'});
    SetButtons(s, 0x0003);
    KRV_PollControllers();
    for (int type : {4, 3, 2}) {
        int c = Find(type);
        ASSERT_GE(c, 0);
        Pad before = Entry(c);
        int held = 0x5A5A, pressed = 0x3C3C;
        KRV_GetControllerKeys(c, &held, &pressed);
        EXPECT_EQ(held, 0x5A5A) << "type " << type;
        EXPECT_EQ(pressed, 0x3C3C) << "type " << type;
        EXPECT_EQ(Entry(c), before) << "type " << type;
    }
}

// ---------------------------------------------------------------------------
// Joysticks
// ---------------------------------------------------------------------------

TEST_F(Controllers, StickAtTheEndGivesFullAxisAndRightInTheMask) {
    Stick& s = AttachStick(12);
    EXPECT_EQ(Init(), "joystick 0 found\n");
    SetAxes(s, 32767, 0, -32768, 32767);  // X at winmm's 65535
    int held = 0, pressed = 0;
    KRV_GetAllControllers(&held, &pressed);
    EXPECT_EQ(Entry(0), (Pad{2, 0, 128, 0, -128, 128, 0, 0, 1}));
    EXPECT_EQ(held, 0x0008);
    EXPECT_EQ(pressed, 0x0008);
}

TEST_F(Controllers, AxisThresholdsAreStrict) {
    struct Case {
        Sint16 x, y;  // SDL positions; the axis reads (v + 1) >> 8
        int ax, ay, mask;
    };
    const Case cases[] = {
        {16383, 0, 64, 0, 0},        {16639, 0, 65, 0, 0x0008},
        {-16385, 0, -64, 0, 0},      {-16386, 0, -65, 0, 0x0004},
        {0, 16639, 0, 65, 0x0002},   {0, -16386, 0, -65, 0x0001},
        {-32768, 32767, -128, 128, 0x0006},
    };
    Stick& s = AttachStick(12);
    Init();
    for (const Case& k : cases) {
        SetAxes(s, k.x, k.y, 0, 0);
        int held = -1, pressed = 0;
        KRV_GetAllControllers(&held, &pressed);
        EXPECT_EQ(KRV_controller[0].x, k.ax) << "x " << k.x;
        EXPECT_EQ(KRV_controller[0].y, k.ay) << "y " << k.y;
        EXPECT_EQ(held, k.mask) << "x " << k.x << " y " << k.y;
    }
}

TEST_F(Controllers, JoystickButtonsAndHatTrackReleased) {
    Stick& s = AttachStick(14);
    Init();
    SetButtons(s, 0x1000 | 0x0001);  // a 14-button pad: 0x8000 and 0x0040
    SetHat(s, SDL_HAT_RIGHT);
    KRV_PollControllers();
    EXPECT_EQ(KRV_controller[0].buttons, 0x8048);
    EXPECT_EQ(KRV_controller[0].released, 0);
    int held = 0, pressed = 0;
    KRV_GetAllControllers(&held, &pressed);
    EXPECT_EQ(held, 0x8048);
    EXPECT_EQ(pressed, 0x8048);
    SetButtons(s, 0x0001);
    SetHat(s, SDL_HAT_CENTERED);
    KRV_PollControllers();
    EXPECT_EQ(KRV_controller[0].buttons, 0x0040);
    EXPECT_EQ(KRV_controller[0].released, 0x8008);
}

// Joysticks and key pads fold into one mask.
TEST_F(Controllers, JoysticksAndKeyPadsCombine) {
    Stick& a = AttachStick(10);
    Stick& b = AttachStick(14);
    Init();
    SetButtons(a, 0x0002);        // a 10-button pad: 0x0020
    SetAxes(b, 0, -32768, 0, 0);  // up
    HoldKeys({'X', 'K'});         // map A 0x0100, map B 0x0100
    int held = 0, pressed = 0;
    KRV_GetAllControllers(&held, &pressed);
    EXPECT_EQ(held, 0x0020 | 0x0001 | 0x0100);
}

TEST_F(Controllers, FailingJoystickIsSwitchedOffForGood) {
    Stick& s = AttachStick(10);
    Init();
    SetAxes(s, 32767, -32768, 0, 0);
    SetButtons(s, 0x0001);  // a 10-button pad: 0x0010
    KRV_PollControllers();
    Pad before = Entry(0);
    EXPECT_EQ(before, (Pad{2, 0, 128, -128, 0, 0, 0x0010, 0, 1}));
    Detach(s);
    EXPECT_EQ(kt::Captured([] { KRV_PollControllers(); }), "");
    before.active = 0;
    EXPECT_EQ(Entry(0), before);
    int held = -1, pressed = -1;
    KRV_GetAllControllers(&held, &pressed);
    EXPECT_EQ(held, 0);
    // A pad back at the same id is not polled until the rebuild.
    Stick& t = AttachStick(10);
    SetButtons(t, 0x0002);
    KRV_PollControllers();
    EXPECT_EQ(Entry(0), before);
    EXPECT_EQ(Init(), "joystick 0 found\n");
    KRV_PollControllers();
    EXPECT_EQ(Entry(0), (Pad{2, 0, 0, 0, 0, 0, 0x0020, 0, 1}));
}

// ---------------------------------------------------------------------------
// Table limits and bad key maps
// ---------------------------------------------------------------------------

TEST_F(Controllers, AddKeyControllerAppendsAndStopsAtEight) {
    Init();
    int keys[16];
    for (int s = 0; s < 16; s++) keys[s] = 'A' + s;
    for (int i = 4; i < 8; i++) {
        keys[0] = 0x30 + i;
        EXPECT_EQ(kt::Captured([&] { KRV_AddKeyController(keys); }), "");
        EXPECT_EQ(KRV_numcontrollers, i + 1);
        EXPECT_EQ(Entry(i), (Pad{1, 0, 0, 0, 0, 0, 0, 0, 1}));
        EXPECT_EQ(KRV_controllerkeys[i][0], 0x30 + i);
    }
    keys[0] = 0x39;
    EXPECT_EQ(kt::Captured([&] { KRV_AddKeyController(keys); }),
              "KRV_AddKeyController: no free entry (8 listed, the table holds 8); key pad not added\n");
    EXPECT_EQ(KRV_numcontrollers, 8);
    EXPECT_EQ(KRV_controllerkeys[7][0], 0x37);
    // The added pad reads its own map and takes part in the poll.
    HoldKeys({'7', 'B'});
    int held = 0;
    KRV_GetControllerKeys(7, &held, nullptr);
    EXPECT_EQ(held, 0x0001 | 0x0002);
    int pressed = 0;
    KRV_GetAllControllers(&held, &pressed);
    EXPECT_EQ(KRV_controller[7].y, 127);
    // B is slot 11 of map A too (0x0800) and slot 1 of the other added maps.
    EXPECT_EQ(held, 0x0802);
}

TEST_F(Controllers, IndicesOutsideTheTableAreRefused) {
    Init();
    int keys[16];
    for (int s = 0; s < 16; s++) keys[s] = kMapB[s];
    for (int c : {-1, 8, 1000}) {
        int held = 0x1111, pressed = 0x2222;
        std::string idx = std::to_string(c);
        EXPECT_EQ(kt::Captured([&] { KRV_GetControllerKeys(c, &held, &pressed); }),
                  "KRV_GetControllerKeys: no controller " + idx + " (the table holds 0 to 7)\n");
        EXPECT_EQ(held, 0x1111);
        EXPECT_EQ(pressed, 0x2222);
        EXPECT_EQ(kt::Captured([&] { KRV_SetKeyController(c, keys); }),
                  "KRV_SetKeyController: no controller " + idx + " (the table holds 0 to 7)\n");
    }
    EXPECT_EQ(Row(0), kMapA);
    EXPECT_EQ(Row(1), kMapB);
    // A row inside the table but past the listed ones takes a map.
    EXPECT_EQ(kt::Captured([&] { KRV_SetKeyController(7, keys); }), "");
    EXPECT_EQ(Row(7), kMapB);
}

TEST_F(Controllers, KeyMapsWithCodesThatNameNoKeyAreRefused) {
    Init();
    struct Case {
        int slot, code;
        const char* shown;
    };
    const Case cases[] = {
        {3, 0x100, "0x100"},   {0, 0xF005, "0xF005"},     {15, 0xF03C, "0xF03C"},
        {9, -1, "0xFFFFFFFF"}, {12, 0xEFFF, "0xEFFF"},
    };
    for (const Case& k : cases) {
        int keys[16];
        for (int s = 0; s < 16; s++) keys[s] = kMapB[s];
        keys[k.slot] = k.code;
        std::string tail = std::string(": slot ") + std::to_string(k.slot) + " holds " + k.shown +
                           ", which is no key code; key map refused\n";
        EXPECT_EQ(kt::Captured([&] { KRV_SetKeyController(0, keys); }), "KRV_SetKeyController" + tail);
        EXPECT_EQ(Row(0), kMapA);
        EXPECT_EQ(kt::Captured([&] { KRV_AddKeyController(keys); }), "KRV_AddKeyController" + tail);
        EXPECT_EQ(KRV_numcontrollers, 4);
    }
    EXPECT_EQ(kt::Captured([&] { KRV_SetKeyController(0, nullptr); }),
              "KRV_SetKeyController: no key map given\n");
    EXPECT_EQ(kt::Captured([&] { KRV_AddKeyController(nullptr); }),
              "KRV_AddKeyController: no key map given\n");
    EXPECT_EQ(KRV_numcontrollers, 4);
    // Special codes and plain codes 0 to 255 are keys.
    int keys[16];
    for (int s = 0; s < 16; s++) keys[s] = s < 8 ? 0xF030 + s : 0xFF - s;
    keys[8] = 0;
    EXPECT_EQ(kt::Captured([&] { KRV_SetKeyController(0, keys); }), "");
    EXPECT_EQ(Row(0), std::vector<int>(keys, keys + 16));
}

// A code written straight into the table that names no key counts as never
// down and reads nothing outside the key table.
TEST_F(Controllers, CodeWrittenStraightIntoTheTableIsNeverDown) {
    Init();
    HoldKeys({kLeft, kSpace});
    KRV_controllerkeys[0][2] = 0x12345;
    KRV_controllerkeys[0][4] = -5;
    int held = -1;
    KRV_GetControllerKeys(0, &held, nullptr);
    EXPECT_EQ(held, 0);
}

#else  // CONTROLLERS_POINTER

// ---------------------------------------------------------------------------
// Mouse pad (moves the shared X pointer)
// ---------------------------------------------------------------------------

class MousePad : public Controllers {
protected:
    void SetUp() override {
        Controllers::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // A window at (100, 50) whose client area starts at (108, 81).
        ASSERT_TRUE(SetWindowPos(winhandle, NULL, 100, 50, 300, 200, 0));
        ShowWindow(winhandle, SW_SHOW);
        Pump();
    }
};

TEST_F(MousePad, FollowsCursorAndButtonsAndIsNotCombined) {
    Init();
    int mp = Find(4);
    ASSERT_GE(mp, 0);
    SetCursorPos(400, 300);
    PushButton(true, SDL_BUTTON_LEFT);
    Pump();
    int held = -1, pressed = -1;
    KRV_GetAllControllers(&held, &pressed);
    EXPECT_EQ(Entry(mp), (Pad{4, 0, 292, 219, 0, 0, 0x1, 0, 1}));
    EXPECT_EQ(held, 0);
    EXPECT_EQ(pressed, 0);
    // Screen coordinates.
    KRV_SetMouseMode(1);
    SetCursorPos(20, 30);
    PushButton(false, SDL_BUTTON_LEFT);
    PushButton(true, SDL_BUTTON_RIGHT);
    Pump();
    KRV_PollControllers();
    EXPECT_EQ(Entry(mp), (Pad{4, 0, 20, 30, 0, 0, 0x2, 0x1, 1}));
    // Any other mode leaves the axes as they are and still gives the buttons.
    KRV_SetMouseMode(2);
    SetCursorPos(500, 400);
    PushButton(false, SDL_BUTTON_RIGHT);
    Pump();
    KRV_PollControllers();
    EXPECT_EQ(Entry(mp), (Pad{4, 0, 20, 30, 0, 0, 0, 0x2, 1}));
}

TEST_F(MousePad, GetControllerKeysLeavesTheCallersValues) {
    Init();
    int mp = Find(4);
    ASSERT_GE(mp, 0);
    SetCursorPos(400, 300);
    PushButton(true, SDL_BUTTON_MIDDLE);
    Pump();
    KRV_PollControllers();
    Pad before = Entry(mp);
    EXPECT_EQ(before, (Pad{4, 0, 292, 219, 0, 0, 0x4, 0, 1}));
    int held = 0x5A5A, pressed = 0x3C3C;
    KRV_GetControllerKeys(mp, &held, &pressed);
    EXPECT_EQ(held, 0x5A5A);
    EXPECT_EQ(pressed, 0x3C3C);
    EXPECT_EQ(Entry(mp), before);
}

#endif  // CONTROLLERS_POINTER

}  // namespace
