// Helpers of the platform and driver suites: a real window made the way
// WinMain makes it, a pump, and SDL events injected into the layer.
#pragma once

#include "krv/coreinput.h"
#include "krv/driver_win32.h"
#include "platform/layer.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace lt {

inline bool HaveDisplay() { return getenv("DISPLAY") && *getenv("DISPLAY"); }

// Registers "KRV" with the driver's window procedure and creates the hidden
// 10 by 10 window on this thread, which then owns SDL video and the pump.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveDisplay()) GTEST_SKIP() << "no X display";
        WNDCLASSA wc;
        memset(&wc, 0, sizeof wc);
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "KRV";
        ASSERT_NE(RegisterClassA(&wc), 0);
        dwExStyle = 0x40100;
        winhandle = CreateWindowExA(dwExStyle, "KRV", "KRV Application", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, NULL,
                                    NULL, wc.hInstance, NULL);
        ASSERT_NE(winhandle, nullptr);
        SetFocus(winhandle);
        Pump();
    }

    // Takes and dispatches every queued message, as WinMain's pump does;
    // returns the messages seen (WM_QUIT ends it).
    std::vector<UINT> Pump() {
        std::vector<UINT> seen;
        MSG msg;
        for (int idle = 0; idle < 3;) {
            if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
                seen.push_back(msg.message);
                if (msg.message == WM_QUIT) break;
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            } else {
                idle++;
            }
        }
        return seen;
    }

    Uint32 WindowId() { return SDL_GetWindowID(layer_sdlwindow(winhandle)); }

    void PushKey(bool down, SDL_Scancode sc, SDL_Keycode sym = 0, Uint16 mod = 0) {
        SDL_Event e;
        memset(&e, 0, sizeof e);
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = WindowId();
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.scancode = sc;
        e.key.keysym.sym = sym ? sym : SDL_GetKeyFromScancode(sc);
        e.key.keysym.mod = mod;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }

    void PushButton(bool down, Uint8 button) {
        SDL_Event e;
        memset(&e, 0, sizeof e);
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = WindowId();
        e.button.button = button;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = 3;
        e.button.y = 4;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }

    void PushWheel(int y) {
        SDL_Event e;
        memset(&e, 0, sizeof e);
        e.type = SDL_MOUSEWHEEL;
        e.wheel.windowID = WindowId();
        e.wheel.y = y;
        e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
};

}  // namespace lt
