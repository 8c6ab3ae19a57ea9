// Keys and mouse buttons through the real layer: SDL events injected into
// the window's pump, the window procedure, GetAsyncKeyState, the key poll,
// the key mask with its newly-pressed edge, and the key codes.
#include "tests/platform/layertest.h"

#include <gtest/gtest.h>

namespace {

class Keys : public lt::WindowTest {
protected:
    void Press(SDL_Scancode sc, Uint16 mod = 0) {
        PushKey(true, sc, 0, mod);
        Pump();
    }
    void Release(SDL_Scancode sc, Uint16 mod = 0) {
        PushKey(false, sc, 0, mod);
        Pump();
    }
    int Held() {
        int held = -1, pressed = -1;
        KRV_GetKeys(&held, &pressed);
        return held;
    }
};

TEST_F(Keys, KeyEventsReachTheWindowProcedureAndTheKeyState) {
    PushKey(true, SDL_SCANCODE_A);
    std::vector<UINT> seen = Pump();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], (UINT)WM_KEYDOWN);
    EXPECT_EQ(KRV_keys['A'], 1);
    EXPECT_EQ(krv_keycode, 'A');
    EXPECT_EQ(GetAsyncKeyState('A') & 0x8000, 0x8000);
    Release(SDL_SCANCODE_A);
    EXPECT_EQ(KRV_keys['A'], 0);
    EXPECT_EQ(krv_keycode, 0);
    EXPECT_EQ(GetAsyncKeyState('A'), 0);
}

struct MaskCase {
    const char* name;
    SDL_Scancode key;
    int bit;
};

void PrintTo(const MaskCase& c, std::ostream* os) { *os << c.name; }

class KeyMask : public Keys, public ::testing::WithParamInterface<MaskCase> {};

TEST_P(KeyMask, HeldAndPressedOnce) {
    const MaskCase& c = GetParam();
    Press(c.key);
    int held = -1, pressed = -1;
    KRV_GetKeys(&held, &pressed);
    EXPECT_EQ(held, c.bit);
    EXPECT_EQ(pressed, c.bit);
    EXPECT_EQ(KRV_joykey, c.bit);
    KRV_GetKeys(&held, &pressed);
    EXPECT_EQ(held, c.bit);
    EXPECT_EQ(pressed, 0);
    Release(c.key);
    KRV_GetKeys(&held, &pressed);
    EXPECT_EQ(held, 0);
    EXPECT_EQ(pressed, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Keyboard, KeyMask,
    ::testing::Values(MaskCase{"Up", SDL_SCANCODE_UP, 0x0001}, MaskCase{"Down", SDL_SCANCODE_DOWN, 0x0002},
                      MaskCase{"Left", SDL_SCANCODE_LEFT, 0x0004}, MaskCase{"Right", SDL_SCANCODE_RIGHT, 0x0008},
                      MaskCase{"Space", SDL_SCANCODE_SPACE, 0x0010}, MaskCase{"LeftCtrl", SDL_SCANCODE_LCTRL, 0x0020},
                      MaskCase{"RightCtrl", SDL_SCANCODE_RCTRL, 0x0020},
                      MaskCase{"LeftShift", SDL_SCANCODE_LSHIFT, 0x0040},
                      MaskCase{"RightShift", SDL_SCANCODE_RSHIFT, 0x0040}, MaskCase{"Alt", SDL_SCANCODE_LALT, 0x0080},
                      MaskCase{"C", SDL_SCANCODE_C, 0x0080}, MaskCase{"Z", SDL_SCANCODE_Z, 0x0100},
                      MaskCase{"X", SDL_SCANCODE_X, 0x0400}, MaskCase{"Return", SDL_SCANCODE_RETURN, 0x1000},
                      MaskCase{"KeypadEnter", SDL_SCANCODE_KP_ENTER, 0x1000}, MaskCase{"Digit1", SDL_SCANCODE_1, 0x1000},
                      MaskCase{"Backspace", SDL_SCANCODE_BACKSPACE, 0x2000},
                      MaskCase{"Delete", SDL_SCANCODE_DELETE, 0x2000}, MaskCase{"Digit2", SDL_SCANCODE_2, 0x2000},
                      MaskCase{"Tab", SDL_SCANCODE_TAB, 0x4000}, MaskCase{"Escape", SDL_SCANCODE_ESCAPE, 0x8000},
                      MaskCase{"LetterA", SDL_SCANCODE_A, 0}, MaskCase{"F1", SDL_SCANCODE_F1, 0},
                      MaskCase{"Digit3", SDL_SCANCODE_3, 0}),
    [](const ::testing::TestParamInfo<MaskCase>& i) { return std::string(i.param.name); });

TEST_F(Keys, EscapeIsReportedPressedOnceUntilReleasedBetweenCalls) {
    int held, pressed;
    Press(SDL_SCANCODE_ESCAPE);
    KRV_GetKeys(&held, &pressed);
    EXPECT_EQ(held, 0x8000);
    EXPECT_EQ(pressed, 0x8000);
    KRV_GetKeys(&held, &pressed);
    EXPECT_EQ(pressed, 0);
    Release(SDL_SCANCODE_ESCAPE);
    KRV_GetKeys(&held, &pressed);
    EXPECT_EQ(held, 0);
    Press(SDL_SCANCODE_ESCAPE);
    KRV_GetKeys(NULL, &pressed);
    EXPECT_EQ(pressed, 0x8000);
}

// The edge is taken against the previous KRV_GetKeys, not the previous poll.
TEST_F(Keys, ThePressedEdgeIgnoresPollsBetweenCalls) {
    int held, pressed;
    KRV_GetKeys(&held, &pressed);
    Press(SDL_SCANCODE_SPACE);
    krv_getkeys(NULL, NULL);
    EXPECT_EQ(KRV_joykey, 0x0010);
    KRV_GetKeys(&held, &pressed);
    EXPECT_EQ(pressed, 0x0010);
}

TEST_F(Keys, KeysSharingABitSetItOnce) {
    Press(SDL_SCANCODE_C);
    Press(SDL_SCANCODE_RETURN);
    Press(SDL_SCANCODE_1);
    Press(SDL_SCANCODE_2);
    Press(SDL_SCANCODE_BACKSPACE);
    EXPECT_EQ(Held(), 0x0080 | 0x1000 | 0x2000);
    Press(SDL_SCANCODE_LALT);
    EXPECT_EQ(Held(), 0x0080 | 0x1000 | 0x2000) << "Alt shares C's bit";
}

TEST_F(Keys, NoKeySetsTheJoystickOnlyBits) {
    for (int sc = SDL_SCANCODE_A; sc < SDL_SCANCODE_RGUI; sc++) PushKey(true, (SDL_Scancode)sc);
    Pump();
    int held = Held();
    EXPECT_EQ(held & 0x0A00, 0);
    EXPECT_EQ(held, 0xFFFF & ~0x0A00);
}

// The poll rewrites the whole key table with GetAsyncKeyState's bit, mouse
// buttons included; the window procedure's 1 and 0 come back on the next
// key message.
TEST_F(Keys, ThePollRewritesTheKeyTable) {
    Press(SDL_SCANCODE_A);
    PushButton(true, SDL_BUTTON_LEFT);
    PushButton(true, SDL_BUTTON_RIGHT);
    PushButton(true, SDL_BUTTON_MIDDLE);
    Pump();
    EXPECT_EQ(KRV_keys['A'], 1);
    krv_getkeys(NULL, NULL);
    EXPECT_EQ(KRV_keys['A'], 0x8000);
    EXPECT_EQ(KRV_keys[VK_LBUTTON], 0x8000);
    EXPECT_EQ(KRV_keys[VK_RBUTTON], 0x8000);
    EXPECT_EQ(KRV_keys[VK_MBUTTON], 0x8000);
    EXPECT_EQ(KRV_keys['B'], 0);
    PushButton(false, SDL_BUTTON_RIGHT);
    Press(SDL_SCANCODE_B);
    EXPECT_EQ(KRV_keys['B'], 1);
    EXPECT_EQ(KRV_keys[VK_RBUTTON], 0x8000) << "until the next poll";
    krv_getkeys(NULL, NULL);
    EXPECT_EQ(KRV_keys[VK_RBUTTON], 0);
    EXPECT_EQ(KRV_keys['B'], 0x8000);
}

// Keys pressed with Alt come as system keys: the window procedure does not
// record them, the poll sees them.
TEST_F(Keys, AltKeysAreSystemKeysSeenOnlyByThePoll) {
    PushKey(true, SDL_SCANCODE_LALT);
    PushKey(true, SDL_SCANCODE_A, 0, KMOD_LALT);
    PushKey(true, SDL_SCANCODE_F10);
    std::vector<UINT> seen = Pump();
    ASSERT_EQ(seen.size(), 3u);
    for (UINT m : seen) EXPECT_EQ(m, (UINT)WM_SYSKEYDOWN);
    EXPECT_EQ(KRV_keys['A'], 0);
    EXPECT_EQ(KRV_keys[VK_MENU], 0);
    EXPECT_EQ(krv_keycode, 0);
    EXPECT_EQ(krv_getkeycode(), 0);
    krv_getkeys(NULL, NULL);
    EXPECT_EQ(KRV_keys['A'], 0x8000);
    EXPECT_EQ(KRV_keys[VK_MENU], 0x8000);
    EXPECT_EQ(KRV_keys[VK_LMENU], 0x8000);
    EXPECT_EQ(KRV_keys[VK_F10], 0x8000);
    EXPECT_EQ(KRV_joykey, 0x0080);
    PushKey(false, SDL_SCANCODE_A, 0, KMOD_LALT);
    PushKey(false, SDL_SCANCODE_LALT);
    seen = Pump();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (UINT)WM_SYSKEYUP);
    EXPECT_EQ(seen[1], (UINT)WM_SYSKEYUP);
}

struct CodeCase {
    const char* name;
    SDL_Scancode key;
    int code;
};

void PrintTo(const CodeCase& c, std::ostream* os) { *os << c.name; }

class KeyCodes : public Keys, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(KeyCodes, OfTheLastKeyPressed) {
    const CodeCase& c = GetParam();
    Press(c.key);
    EXPECT_EQ(krv_getkeycode(), c.code);
    Release(c.key);
    EXPECT_EQ(krv_getkeycode(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Keyboard, KeyCodes,
    ::testing::Values(
        CodeCase{"Escape", SDL_SCANCODE_ESCAPE, 0xF000}, CodeCase{"Up", SDL_SCANCODE_UP, 0xF001},
        CodeCase{"Down", SDL_SCANCODE_DOWN, 0xF002}, CodeCase{"Left", SDL_SCANCODE_LEFT, 0xF003},
        CodeCase{"Right", SDL_SCANCODE_RIGHT, 0xF004}, CodeCase{"Return", SDL_SCANCODE_RETURN, 0xF010},
        CodeCase{"Shift", SDL_SCANCODE_RSHIFT, 0xF011}, CodeCase{"Space", SDL_SCANCODE_SPACE, 0xF012},
        CodeCase{"Ctrl", SDL_SCANCODE_LCTRL, 0xF013}, CodeCase{"Backspace", SDL_SCANCODE_BACKSPACE, 0xF020},
        CodeCase{"Insert", SDL_SCANCODE_INSERT, 0xF021}, CodeCase{"Delete", SDL_SCANCODE_DELETE, 0xF022},
        CodeCase{"PageUp", SDL_SCANCODE_PAGEUP, 0xF023}, CodeCase{"PageDown", SDL_SCANCODE_PAGEDOWN, 0xF024},
        CodeCase{"Home", SDL_SCANCODE_HOME, 0xF025}, CodeCase{"End", SDL_SCANCODE_END, 0xF026},
        CodeCase{"CapsLock", SDL_SCANCODE_CAPSLOCK, 0xF027}, CodeCase{"Tab", SDL_SCANCODE_TAB, 0xF028},
        CodeCase{"F1", SDL_SCANCODE_F1, 0xF030}, CodeCase{"F9", SDL_SCANCODE_F9, 0xF038},
        CodeCase{"F11", SDL_SCANCODE_F11, 0xF03A}, CodeCase{"F12", SDL_SCANCODE_F12, 0xF03B},
        CodeCase{"LetterA", SDL_SCANCODE_A, 0x41}, CodeCase{"Digit0", SDL_SCANCODE_0, 0x30},
        CodeCase{"Keypad5", SDL_SCANCODE_KP_5, 0x65}, CodeCase{"Minus", SDL_SCANCODE_MINUS, VK_OEM_MINUS}),
    [](const ::testing::TestParamInfo<CodeCase>& i) { return std::string(i.param.name); });

// Every entry of the key-code table, including Alt and F10, which reach the
// window procedure only as system keys.
TEST(KeyCodeTable, SpecialKeysAndOthers) {
    const int special[][2] = {{0x1B, 0xF000}, {0x26, 0xF001}, {0x28, 0xF002}, {0x25, 0xF003}, {0x27, 0xF004},
                              {0x0D, 0xF010}, {0x10, 0xF011}, {0x20, 0xF012}, {0x11, 0xF013}, {0x12, 0xF014},
                              {0x08, 0xF020}, {0x2D, 0xF021}, {0x2E, 0xF022}, {0x21, 0xF023}, {0x22, 0xF024},
                              {0x24, 0xF025}, {0x23, 0xF026}, {0x14, 0xF027}, {0x09, 0xF028}};
    for (auto& s : special) {
        krv_keycode = s[0];
        EXPECT_EQ(krv_getkeycode(), s[1]) << "virtual key " << s[0];
    }
    for (int f = 0; f < 12; f++) {
        krv_keycode = 0x70 + f;
        EXPECT_EQ(krv_getkeycode(), 0xF030 + f);
    }
    int others[] = {0, 1, 0x41, 0x5A, 0x30, 0x7C, 0x90, 0xA0, 0xFF};
    for (int v : others) {
        krv_keycode = v;
        EXPECT_EQ(krv_getkeycode(), v);
    }
}

TEST_F(Keys, KeyCodeChangesOnPressAndNotOnRelease) {
    int code = -1, changed = -1;
    Press(SDL_SCANCODE_A);
    KRV_GetKeycode(&code, &changed);
    EXPECT_EQ(code, 0x41);
    EXPECT_EQ(changed, 1);
    KRV_GetKeycode(&code, &changed);
    EXPECT_EQ(changed, 0);
    Release(SDL_SCANCODE_A);
    KRV_GetKeycode(&code, &changed);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(changed, 0);
    Press(SDL_SCANCODE_A);
    KRV_GetKeycode(NULL, &changed);
    EXPECT_EQ(changed, 1);
}

TEST_F(Keys, ReleasingTheLastKeyGivesNoCodeWhileAnEarlierIsHeld) {
    Press(SDL_SCANCODE_A);
    Press(SDL_SCANCODE_F12);
    EXPECT_EQ(krv_getkeycode(), 0xF03B);
    Release(SDL_SCANCODE_F12);
    EXPECT_EQ(krv_getkeycode(), 0);
    EXPECT_EQ(KRV_keys['A'], 1);
}

TEST_F(Keys, MouseButtonsAndWheelFromSdlEvents) {
    PushButton(true, SDL_BUTTON_LEFT);
    std::vector<UINT> seen = Pump();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], (UINT)WM_LBUTTONDOWN);
    PushButton(true, SDL_BUTTON_MIDDLE);
    Pump();
    int x = 0, y = 0, buttons = -1;
    KRV_SetMouseMode(2);
    KRV_GetMouse(&x, &y, &buttons);
    EXPECT_EQ(buttons, 0x5);
    PushButton(false, SDL_BUTTON_LEFT);
    PushButton(true, SDL_BUTTON_RIGHT);
    Pump();
    KRV_GetMouse(&x, &y, &buttons);
    EXPECT_EQ(buttons, 0x6);

    PushWheel(1);
    PushWheel(3);
    PushWheel(-1);
    seen = Pump();
    EXPECT_EQ(seen, std::vector<UINT>(3, WM_MOUSEWHEEL));
    int z = 0, dir = 0;
    KRV_GetMouseWheel(&z, &dir);
    EXPECT_EQ(z, 1);
    EXPECT_EQ(dir, -1);
    KRV_GetMouseWheel(&z, &dir);
    EXPECT_EQ(z, 1);
    EXPECT_EQ(dir, 0) << "reading clears the direction";
}

}  // namespace
