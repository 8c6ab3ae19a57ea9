// The joystick backend with no joystick attached, on this system's own winmm:
// every id the driver offers answers "unplugged", so none counts as
// connected, and a poll reads nothing.
#include <gtest/gtest.h>

#include "krv/coreinput.h"
#include "platform/win32api.h"
#include "tests/support/testsupport.h"

TEST(NoJoystick, EveryIdIsUnpluggedAndAPollReadsNothing) {
    int n = krv_getnumjoysticks();
    EXPECT_GE(n, 1);
    for (int id = 0; id < n && id < 16; id++) {
        // Windows answers JOYERR_UNPLUGGED for an id with nothing behind it.
        // Wine answers JOYERR_PARMS, so there the driver counts every id as
        // connected ("joystick N found" at controller start-up).
        JOYINFO info;
        MMRESULT r = joyGetPos((UINT)id, &info);
        if (kt::UnderWine()) {
            EXPECT_EQ(r, (MMRESULT)JOYERR_PARMS) << "id " << id << ": Wine's answer has changed";
        } else {
            EXPECT_EQ(r, (MMRESULT)JOYERR_UNPLUGGED) << "id " << id;
            EXPECT_EQ(krv_joystickconnected(id), 0) << "id " << id;
        }
        int x = 1, y = 1, axis3 = 1, axis4 = 1, keys = 1;
        EXPECT_EQ(krv_polljoystick(id, &x, &y, &axis3, &axis4, &keys), 0) << "id " << id;
        EXPECT_EQ(x | y | axis3 | axis4 | keys, 0) << "id " << id;
    }
}
