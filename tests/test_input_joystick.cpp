// The joystick poll through the layer's winmm calls, with SDL virtual
// joysticks standing in for pads: pad types by button count, button maps,
// axes, the hat, connection and failure.
#include "krv/coreinput.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

class Joystick : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError(); }

    // Attaches a virtual pad; returns its id (SDL's device index).
    int Attach(int axes, int buttons, int hats) {
        int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, axes, buttons, hats);
        EXPECT_GE(index, 0) << SDL_GetError();
        pad_ = SDL_JoystickOpen(index);
        EXPECT_NE(pad_, nullptr) << SDL_GetError();
        return index;
    }

    struct Poll {
        int result, x, y, a3, a4, keys;
    };

    Poll PollPad(int id) {
        Poll p = {-1, -999, -999, -999, -999, -999};
        p.result = krv_polljoystick(id, &p.x, &p.y, &p.a3, &p.a4, &p.keys);
        return p;
    }

    SDL_Joystick* pad_ = nullptr;
};

TEST_F(Joystick, ConnectedAndCount) {
    EXPECT_EQ(krv_getnumjoysticks(), 16);
    EXPECT_EQ(krv_joystickconnected(0), 0) << "nothing plugged yet";
    int id = Attach(2, 10, 0);
    EXPECT_EQ(krv_initjoystick(id), id);
    EXPECT_EQ(krv_joystickconnected(id), 1);
    EXPECT_EQ(krv_joystickconnected(id + 1), 0);
    // An id the driver does not know is not "unplugged": it counts as
    // connected, and its poll fails.
    EXPECT_EQ(krv_joystickconnected(16), 1);
    Poll p = PollPad(16);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.x | p.y | p.a3 | p.a4 | p.keys, 0);
}

TEST_F(Joystick, AnUnpluggedPadFailsWithZeros) {
    int id = Attach(4, 14, 1);
    SDL_JoystickSetVirtualAxis(pad_, 0, 32767);
    SDL_JoystickSetVirtualButton(pad_, 0, 1);
    EXPECT_EQ(PollPad(id).result, 1);
    SDL_JoystickClose(pad_);
    ASSERT_EQ(SDL_JoystickDetachVirtual(id), 0);
    EXPECT_EQ(krv_joystickconnected(id), 0);
    Poll p = PollPad(id);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.x | p.y | p.a3 | p.a4 | p.keys, 0);
}

struct AxisCase {
    Sint16 value;
    int expect;
};

class JoystickAxes : public Joystick, public ::testing::WithParamInterface<AxisCase> {};

TEST_P(JoystickAxes, FourAxesFromMinus128To128) {
    int id = Attach(4, 8, 0);
    for (int a = 0; a < 4; a++) SDL_JoystickSetVirtualAxis(pad_, a, GetParam().value);
    Poll p = PollPad(id);
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(p.x, GetParam().expect);
    EXPECT_EQ(p.y, GetParam().expect);
    EXPECT_EQ(p.a3, GetParam().expect);
    EXPECT_EQ(p.a4, GetParam().expect);
}

// SDL's -32768..32767 is winmm's 0..65535.
INSTANTIATE_TEST_SUITE_P(Values, JoystickAxes,
                         ::testing::Values(AxisCase{-32768, -128}, AxisCase{32767, 128}, AxisCase{0, 0},
                                           AxisCase{-1, 0}, AxisCase{-2, -1}, AxisCase{16384, 64},
                                           AxisCase{-32767, -128}, AxisCase{-16384, -64}));

TEST_F(Joystick, MissingAxesReadCentred) {
    int id = Attach(2, 8, 0);
    SDL_JoystickSetVirtualAxis(pad_, 0, -32768);
    SDL_JoystickSetVirtualAxis(pad_, 1, 32767);
    Poll p = PollPad(id);
    EXPECT_EQ(p.x, -128);
    EXPECT_EQ(p.y, 128);
    EXPECT_EQ(p.a3, 0);
    EXPECT_EQ(p.a4, 0);
}

struct HatCase {
    Uint8 hat;
    int keys;
};

class JoystickHat : public Joystick, public ::testing::WithParamInterface<HatCase> {};

TEST_P(JoystickHat, DirectionsAndDiagonals) {
    int id = Attach(2, 8, 1);
    SDL_JoystickSetVirtualHat(pad_, 0, GetParam().hat);
    Poll p = PollPad(id);
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(p.keys, GetParam().keys);
}

INSTANTIATE_TEST_SUITE_P(Values, JoystickHat,
                         ::testing::Values(HatCase{SDL_HAT_CENTERED, 0}, HatCase{SDL_HAT_UP, 0x1},
                                           HatCase{SDL_HAT_RIGHTUP, 0x9}, HatCase{SDL_HAT_RIGHT, 0x8},
                                           HatCase{SDL_HAT_RIGHTDOWN, 0xA}, HatCase{SDL_HAT_DOWN, 0x2},
                                           HatCase{SDL_HAT_LEFTDOWN, 0x6}, HatCase{SDL_HAT_LEFT, 0x4},
                                           HatCase{SDL_HAT_LEFTUP, 0x5}));

// One pad per button count; each button pressed alone gives its map's bit.
struct MapCase {
    const char* name;
    int buttons;
    std::vector<int> bits;  // by button, 0 = ignored
};

void PrintTo(const MapCase& c, std::ostream* os) { *os << c.name; }

class JoystickButtons : public Joystick, public ::testing::WithParamInterface<MapCase> {};

TEST_P(JoystickButtons, EachButtonAlone) {
    const MapCase& c = GetParam();
    int id = Attach(2, c.buttons, 1);
    ASSERT_EQ((int)c.bits.size(), c.buttons);
    for (int b = 0; b < c.buttons; b++) {
        SDL_JoystickSetVirtualButton(pad_, b, 1);
        Poll p = PollPad(id);
        ASSERT_EQ(p.result, 1);
        EXPECT_EQ(p.keys, c.bits[b]) << "button " << b + 1;
        SDL_JoystickSetVirtualButton(pad_, b, 0);
    }
    for (int b = 0; b < c.buttons; b++) SDL_JoystickSetVirtualButton(pad_, b, 1);
    int all = 0;
    for (int bit : c.bits) all |= bit;
    EXPECT_EQ(PollPad(id).keys, all);
}

INSTANTIATE_TEST_SUITE_P(
    PadTypes, JoystickButtons,
    ::testing::Values(
        MapCase{"TenButtonsType1", 10,
                {0x0010, 0x0020, 0x0040, 0x0080, 0x0100, 0x0400, 0x2000, 0x1000, 0x4000, 0x4000}},
        MapCase{"FourteenButtonsType2", 14,
                {0x0040, 0x0010, 0x0020, 0x0080, 0x0100, 0x0400, 0x0200, 0x0800, 0x1000, 0x2000, 0x4000, 0x4000,
                 0x8000, 0x1000}},
        MapCase{"TwelveButtonsType4", 12,
                {0x0080, 0x0020, 0x0010, 0x0040, 0x0200, 0x0800, 0x0100, 0x0400, 0x1000, 0x2000, 0x4000, 0x4000}},
        MapCase{"SixteenButtonsType3", 16,
                {0x0080, 0x0020, 0x0010, 0x0040, 0x0200, 0x0800, 0x0100, 0x0400, 0x1000, 0x2000, 0x4000, 0x4000, 0,
                 0, 0, 0}},
        MapCase{"FourButtonsType3", 4, {0x0080, 0x0020, 0x0010, 0x0040}},
        MapCase{"ElevenButtonsType3", 11,
                {0x0080, 0x0020, 0x0010, 0x0040, 0x0200, 0x0800, 0x0100, 0x0400, 0x1000, 0x2000, 0x4000}}),
    [](const ::testing::TestParamInfo<MapCase>& i) { return std::string(i.param.name); });

// The pad type is looked up on every poll: two pads of different types.
TEST_F(Joystick, EachPadItsOwnType) {
    int a = Attach(2, 10, 0);
    SDL_Joystick* first = pad_;
    int b = Attach(2, 14, 0);
    SDL_JoystickSetVirtualButton(first, 0, 1);
    SDL_JoystickSetVirtualButton(pad_, 0, 1);
    EXPECT_EQ(PollPad(a).keys, 0x0010);
    EXPECT_EQ(PollPad(b).keys, 0x0040);
}

}  // namespace
