// The joystick poll's arithmetic on exact winmm values, with winmm's four
// joystick calls replaced by a scripted stand-in (this program defines them
// and the layer's joystick start-up, so the layer's joystick file is not
// linked): hat angles a real SDL pad cannot
// give, axis boundaries, the pad type when the capabilities fail, and what
// the poll passes to winmm.
#include "krv/coreinput.h"
#include "platform/layer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

MMRESULT caps_result = JOYERR_NOERROR;
UINT caps_buttons = 14;
UINT caps_size_seen = 0;
MMRESULT pos_result = JOYERR_NOERROR;
MMRESULT getpos_result = JOYERR_NOERROR;
JOYINFOEX pos;
JOYINFOEX pos_seen;

}  // namespace

bool layer_initjoysticks(void) { return true; }

UINT WINAPI joyGetNumDevs(void) { return 16; }

MMRESULT WINAPI joyGetDevCapsA(UINT_PTR, LPJOYCAPSA caps, UINT size) {
    caps_size_seen = size;
    if (caps_result != JOYERR_NOERROR) return caps_result;
    memset(caps, 0, sizeof *caps);
    caps->wNumButtons = caps_buttons;
    return JOYERR_NOERROR;
}

MMRESULT WINAPI joyGetPos(UINT, LPJOYINFO) { return getpos_result; }

MMRESULT WINAPI joyGetPosEx(UINT, LPJOYINFOEX info) {
    pos_seen = *info;
    if (pos_result != JOYERR_NOERROR) return pos_result;
    DWORD size = info->dwSize, flags = info->dwFlags;
    *info = pos;
    info->dwSize = size;
    info->dwFlags = flags;
    return JOYERR_NOERROR;
}

namespace {

class JoyFake : public ::testing::Test {
protected:
    void SetUp() override {
        memset(&pos, 0, sizeof pos);
        pos.dwXpos = pos.dwYpos = pos.dwZpos = pos.dwRpos = 32767;
        pos.dwPOV = 0xFFFF;
    }
    int Keys() {
        int x, y, a3, a4, keys = -1;
        EXPECT_EQ(krv_polljoystick(0, &x, &y, &a3, &a4, &keys), 1);
        return keys;
    }
};

TEST_F(JoyFake, AsksForEverythingWithTheRecordSizes) {
    Keys();
    EXPECT_EQ(caps_size_seen, 404u);
    EXPECT_EQ(sizeof(JOYCAPSA), 404u);
    EXPECT_EQ(pos_seen.dwSize, 52u);
    EXPECT_EQ(sizeof(JOYINFOEX), 52u);
    EXPECT_EQ(pos_seen.dwFlags, (DWORD)JOY_RETURNALL);
}

struct PovCase {
    DWORD pov;
    int keys;
};

class JoyFakePov : public JoyFake, public ::testing::WithParamInterface<PovCase> {};

TEST_P(JoyFakePov, HatAngle) {
    pos.dwPOV = GetParam().pov;
    EXPECT_EQ(Keys(), GetParam().keys) << "angle " << GetParam().pov;
}

INSTANTIATE_TEST_SUITE_P(
    Angles, JoyFakePov,
    ::testing::Values(PovCase{0, 0x1}, PovCase{4400, 0x1}, PovCase{4500, 0x9}, PovCase{4599, 0x9},
                      PovCase{4600, 0x8}, PovCase{9000, 0x8}, PovCase{13500, 0xA}, PovCase{13599, 0xA},
                      PovCase{18000, 0x2}, PovCase{22500, 0x6}, PovCase{27000, 0x4}, PovCase{31400, 0x4},
                      PovCase{31499, 0x4}, PovCase{31500, 0x5}, PovCase{31599, 0x5}, PovCase{31600, 0x1},
                      PovCase{36000, 0x1}, PovCase{36099, 0x1}, PovCase{36100, 0}, PovCase{65535, 0}));

struct AxisCase {
    DWORD value;
    int axis;
};

class JoyFakeAxis : public JoyFake, public ::testing::WithParamInterface<AxisCase> {};

TEST_P(JoyFakeAxis, ShiftedRightBy8AroundTheCentre) {
    pos.dwXpos = GetParam().value;
    pos.dwYpos = GetParam().value;
    pos.dwZpos = GetParam().value;
    pos.dwRpos = GetParam().value;
    int x, y, a3, a4, keys;
    ASSERT_EQ(krv_polljoystick(0, &x, &y, &a3, &a4, &keys), 1);
    EXPECT_EQ(x, GetParam().axis);
    EXPECT_EQ(y, GetParam().axis);
    EXPECT_EQ(a3, GetParam().axis);
    EXPECT_EQ(a4, GetParam().axis);
}

INSTANTIATE_TEST_SUITE_P(Positions, JoyFakeAxis,
                         ::testing::Values(AxisCase{0, -128}, AxisCase{65535, 128}, AxisCase{32767, 0},
                                           AxisCase{32768, 0}, AxisCase{32766, -1}, AxisCase{33023, 1},
                                           AxisCase{33022, 0}, AxisCase{255, -127}, AxisCase{254, -128}));

TEST_F(JoyFake, FailingCapabilitiesGiveType0) {
    caps_result = JOYERR_UNPLUGGED;
    pos.dwButtons = 0x1 | 0x10;
    EXPECT_EQ(Keys(), 0x0080 | 0x0200);
}

TEST_F(JoyFake, HigherButtonsAreIgnored) {
    caps_buttons = 14;
    pos.dwButtons = 0xFFFFC000;
    EXPECT_EQ(Keys(), 0);
    caps_buttons = 10;
    pos.dwButtons = 0x0300;
    EXPECT_EQ(Keys(), 0x4000);
    pos.dwButtons = 0x3C00;
    EXPECT_EQ(Keys(), 0) << "a 10-button pad's buttons 11 and up";
}

TEST_F(JoyFake, AFailedReadGivesZerosAndResult0) {
    pos_result = JOYERR_UNPLUGGED;
    int x = 5, y = 5, a3 = 5, a4 = 5, keys = 5;
    EXPECT_EQ(krv_polljoystick(3, &x, &y, &a3, &a4, &keys), 0);
    EXPECT_EQ(x | y | a3 | a4 | keys, 0);
}

TEST(JoyFakeConnected, OnlyUnpluggedCountsAsNotConnected) {
    const MMRESULT results[] = {JOYERR_NOERROR, JOYERR_PARMS, JOYERR_NOCANDO, 6, JOYERR_UNPLUGGED};
    const int connected[] = {1, 1, 1, 1, 0};
    for (int i = 0; i < 5; i++) {
        getpos_result = results[i];
        EXPECT_EQ(krv_joystickconnected(2), connected[i]) << "result " << results[i];
    }
}

}  // namespace
