// The mouse position calls over the real X pointer (these tests move it, so
// they run alone), and the cursor's visibility.
#include "tests/platform/layertest.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class Mouse : public lt::WindowTest {
protected:
    void SetUp() override {
        lt::WindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // A window at (100, 50) whose client area starts 8 + 23 pixels in.
        ASSERT_TRUE(SetWindowPos(winhandle, NULL, 100, 50, 300, 200, 0));
        ShowWindow(winhandle, SW_SHOW);
        Pump();
    }
    void PumpFor(int ms) {
        for (int i = 0; i < ms; i++) {
            Pump();
            Sleep(1);
        }
    }
};

TEST_F(Mouse, PositionByMode) {
    POINT origin = {0, 0};
    ClientToScreen(winhandle, &origin);
    EXPECT_EQ(origin.x, 108);
    EXPECT_EQ(origin.y, 81);
    SetCursorPos(400, 300);
    int x = -7, y = -8, buttons = -1;
    KRV_SetMouseMode(0);
    KRV_GetMouse(&x, &y, &buttons);
    EXPECT_EQ(x, 292);
    EXPECT_EQ(y, 219);
    EXPECT_EQ(krv_mouse_x, 292);
    EXPECT_EQ(krv_mouse_y, 219);
    EXPECT_EQ(buttons, 0);
    KRV_SetMouseMode(1);
    KRV_GetMouse(&x, &y, &buttons);
    EXPECT_EQ(x, 400);
    EXPECT_EQ(y, 300);
    EXPECT_EQ(krv_mouse_x, 400);
    // Any other mode leaves the positions alone and still gives the buttons.
    x = -7;
    y = -8;
    krv_mouse_buttons = 0x4;
    KRV_SetMouseMode(2);
    KRV_GetMouse(&x, &y, &buttons);
    EXPECT_EQ(x, -7);
    EXPECT_EQ(y, -8);
    EXPECT_EQ(krv_mouse_x, 400);
    EXPECT_EQ(buttons, 0x4);
}

TEST_F(Mouse, SetMouseMovesTheRealPointerInClientCoordinates) {
    KRV_SetMouseMode(1);  // setting is in client coordinates whatever the mode
    KRV_SetMouse(5, 6);
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 113);
    EXPECT_EQ(p.y, 87);
    PumpFor(10);
    int gx = 0, gy = 0;
    SDL_GetGlobalMouseState(&gx, &gy);
    EXPECT_EQ(gx, 113);
    EXPECT_EQ(gy, 87);
}

// The demo thread reads the pointer that the message thread's pump keeps.
TEST_F(Mouse, AnotherThreadSeesThePointerMoved) {
    SDL_WarpMouseGlobal(640, 480);
    PumpFor(20);
    POINT p = {0, 0};
    std::thread t([&] { GetCursorPos(&p); });
    t.join();
    EXPECT_EQ(p.x, 640);
    EXPECT_EQ(p.y, 480);
}

TEST_F(Mouse, ShowAndHideCountLikeShowCursor) {
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    KRV_HideMouse();
    Pump();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    KRV_HideMouse();
    KRV_ShowMouse();
    Pump();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE) << "one hide still outstanding";
    KRV_ShowMouse();
    Pump();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    // A null cursor shape hides it too, until a shape is set again.
    HCURSOR arrow = SetCursor(NULL);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    SetCursor(arrow);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

// Moving over the client area sends WM_SETCURSOR, which in full screen
// hides the cursor there.
TEST_F(Mouse, MotionOverTheClientAreaSetsTheCursor) {
    krv_mouse_windowhide = true;
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = WindowId();
    e.motion.x = 10;
    e.motion.y = 10;
    SDL_PushEvent(&e);
    std::vector<UINT> seen = Pump();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), (UINT)WM_MOUSEMOVE);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
}

}  // namespace
