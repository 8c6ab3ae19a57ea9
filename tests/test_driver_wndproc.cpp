// The driver's window procedure over its message table.
#include "tests/platform/layertest.h"

#include <gtest/gtest.h>

namespace {

struct Globals {
    int keycode, prevkeycode, buttons, z, zdir;
};

Globals Now() { return {krv_keycode, krv_input_prevkeycode, krv_mouse_buttons, krv_mouse_z, krv_mouse_zdir}; }

struct MessageCase {
    const char* name;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    LRESULT result;
    Globals after;  // from all zero
    int key, keystate;  // KRV_keys[key] afterwards
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.name; }

class WndProcTable : public ::testing::TestWithParam<MessageCase> {};

TEST_P(WndProcTable, FromZeroState) {
    const MessageCase& c = GetParam();
    EXPECT_EQ(WndProc(winhandle, c.msg, c.wp, c.lp), c.result);
    Globals g = Now();
    EXPECT_EQ(g.keycode, c.after.keycode);
    EXPECT_EQ(g.prevkeycode, c.after.prevkeycode);
    EXPECT_EQ(g.buttons, c.after.buttons);
    EXPECT_EQ(g.z, c.after.z);
    EXPECT_EQ(g.zdir, c.after.zdir);
    EXPECT_EQ(KRV_keys[c.key], c.keystate);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, WndProcTable,
    ::testing::Values(MessageCase{"KeyDown", WM_KEYDOWN, 0x41, 0, 0, {0x41, 0, 0, 0, 0}, 0x41, 1},
                      MessageCase{"KeyDownHighBitsMasked", WM_KEYDOWN, 0x1141, 0, 0, {0x41, 0, 0, 0, 0}, 0x41, 1},
                      MessageCase{"KeyUp", WM_KEYUP, 0x41, 0, 0, {0, 0, 0, 0, 0}, 0x41, 0},
                      MessageCase{"LeftDown", WM_LBUTTONDOWN, 0, 0, 0, {0, 0, 1, 0, 0}, 0, 0},
                      MessageCase{"RightDown", WM_RBUTTONDOWN, 0, 0, 0, {0, 0, 2, 0, 0}, 0, 0},
                      MessageCase{"MiddleDown", WM_MBUTTONDOWN, 0, 0, 0, {0, 0, 4, 0, 0}, 0, 0},
                      MessageCase{"LeftUp", WM_LBUTTONUP, 0, 0, 0, {0, 0, 0, 0, 0}, 0, 0},
                      MessageCase{"WheelForward", WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0, 0, {0, 0, 0, 1, 1}, 0, 0},
                      MessageCase{"WheelTwoNotchesIsOneStep", WM_MOUSEWHEEL, MAKEWPARAM(0, 240), 0, 0,
                                  {0, 0, 0, 1, 1}, 0, 0},
                      MessageCase{"WheelBack", WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-120), 0, 0, {0, 0, 0, -1, -1}, 0,
                                  0},
                      MessageCase{"WheelZero", WM_MOUSEWHEEL, MAKEWPARAM(MK_LBUTTON, 0), 0, 0, {0, 0, 0, 0, 0}, 0, 0},
                      MessageCase{"Destroy", WM_DESTROY, 0, 0, 0, {0, 0, 0, 0, 0}, 0, 0},
                      MessageCase{"SetCursorWindowed", WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), 0,
                                  {0, 0, 0, 0, 0}, 0, 0},
                      // Keys with Alt come as system keys: not recorded here.
                      MessageCase{"SysKeyDown", WM_SYSKEYDOWN, 0x41, 1 << 29, 0, {0, 0, 0, 0, 0}, 0x41, 0},
                      MessageCase{"SysKeyDownAlt", WM_SYSKEYDOWN, VK_MENU, 0, 0, {0, 0, 0, 0, 0}, VK_MENU, 0},
                      MessageCase{"Other", WM_USER + 7, 1, 2, 0, {0, 0, 0, 0, 0}, 0, 0}),
    [](const ::testing::TestParamInfo<MessageCase>& i) { return std::string(i.param.name); });

TEST(WndProcKeys, TheLastKeyDownIsTheKeyCodeAndOnlyItsReleaseClearsIt) {
    WndProc(NULL, WM_KEYDOWN, 'A', 0);
    WndProc(NULL, WM_KEYDOWN, 'B', 0);
    krv_input_prevkeycode = 'B';
    WndProc(NULL, WM_KEYUP, 'A', 0);
    EXPECT_EQ(krv_keycode, 'B');
    EXPECT_EQ(krv_input_prevkeycode, 'B');
    EXPECT_EQ(KRV_keys['A'], 0);
    EXPECT_EQ(KRV_keys['B'], 1);
    WndProc(NULL, WM_KEYUP, 'B', 0);
    EXPECT_EQ(krv_keycode, 0);
    EXPECT_EQ(krv_input_prevkeycode, 0);
    EXPECT_EQ(KRV_keys['B'], 0);
}

TEST(WndProcMouse, ButtonBitsHoldUntilTheirButtonUp) {
    WndProc(NULL, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    WndProc(NULL, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 0);
    WndProc(NULL, WM_USER, 0, 0);  // any other message between
    EXPECT_EQ(krv_mouse_buttons, 0x3);
    WndProc(NULL, WM_LBUTTONUP, MK_RBUTTON, 0);
    EXPECT_EQ(krv_mouse_buttons, 0x2);
    WndProc(NULL, WM_MBUTTONDOWN, 0, 0);
    WndProc(NULL, WM_RBUTTONUP, 0, 0);
    EXPECT_EQ(krv_mouse_buttons, 0x4);
    WndProc(NULL, WM_MBUTTONUP, 0, 0);
    EXPECT_EQ(krv_mouse_buttons, 0);
}

TEST(WndProcMouse, WheelCountsStepsAndZeroOnlyClearsTheDirection) {
    WndProc(NULL, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    WndProc(NULL, WM_MOUSEWHEEL, MAKEWPARAM(0, 360), 0);
    EXPECT_EQ(krv_mouse_z, 2);
    EXPECT_EQ(krv_mouse_zdir, 1);
    WndProc(NULL, WM_MOUSEWHEEL, MAKEWPARAM(0, 0), 0);
    EXPECT_EQ(krv_mouse_z, 2);
    EXPECT_EQ(krv_mouse_zdir, 0);
    WndProc(NULL, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-1), 0);
    EXPECT_EQ(krv_mouse_z, 1);
    EXPECT_EQ(krv_mouse_zdir, -1);
}

// In full screen the cursor is hidden over the client area only.
TEST(WndProcCursor, HiddenOverTheClientAreaInFullScreen) {
    krv_mouse_windowhide = true;
    EXPECT_EQ(WndProc(NULL, WM_SETCURSOR, 0, MAKELPARAM(2 /* caption */, WM_MOUSEMOVE)), 0);
    HCURSOR before = SetCursor((HCURSOR)&before);  // a shape of our own, to see whether it is replaced
    EXPECT_EQ(WndProc(NULL, WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(SetCursor(before), nullptr) << "the procedure set the null cursor";
}

TEST(WndProcClose, PostsWmQuitTwice) {
    // Without a window the first WM_QUIT is a thread message of this thread.
    EXPECT_EQ(WndProc(NULL, WM_CLOSE, 0, 0), 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    EXPECT_EQ(m.wParam, 0u);
    EXPECT_FALSE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
}

class WndProcWindow : public lt::WindowTest {};

TEST_F(WndProcWindow, CloseEndsThePumpWithWmQuit) {
    PostMessageA(winhandle, WM_CLOSE, 0, 0);
    std::vector<UINT> seen = Pump();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (UINT)WM_CLOSE);
    EXPECT_EQ(seen[1], (UINT)WM_QUIT);
    EXPECT_TRUE(IsWindow(winhandle)) << "the driver, not the procedure, destroys the window";
}

// System keys go to DefWindowProcA, which turns Alt+F4 into a close request.
TEST_F(WndProcWindow, SystemKeysReachDefWindowProc) {
    EXPECT_EQ(WndProc(winhandle, WM_SYSKEYDOWN, 'A', 1 << 29), 0);
    EXPECT_TRUE(Pump().empty());
    EXPECT_EQ(WndProc(winhandle, WM_SYSKEYDOWN, VK_F4, 1 << 29), 0);
    EXPECT_EQ(KRV_keys[VK_F4], 0);
    EXPECT_EQ(krv_keycode, 0);
    std::vector<UINT> seen = Pump();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0], (UINT)WM_QUIT);
}

TEST_F(WndProcWindow, OtherMessagesGiveDefWindowProcsResult) {
    EXPECT_EQ(WndProc(winhandle, WM_PAINT, 0, 0), DefWindowProcA(winhandle, WM_PAINT, 0, 0));
    // WM_CLOSE through DefWindowProcA destroys; the driver's procedure does not.
    EXPECT_EQ(WndProc(winhandle, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(winhandle));
    DefWindowProcA(winhandle, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(winhandle));
}

}  // namespace
