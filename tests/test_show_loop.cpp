// Start-up and the frame loop run in this process on the driver's demo
// thread, with the real sound system on SDL's dummy audio driver: the
// start-up log in its order, the end rule against the music's position, the
// mixed picture as the transition drew it, Escape, and a show without music.
#include <GL/glew.h>
#include <SDL.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "demo/assets.h"
#include "demo/demotiming.h"
#include "demo/main.h"
#include "krv/driver_win32.h"
#include "krv/video_opengl.h"
#include "krv/video_opengl_extended.h"
#include "platform/layer.h"
#include "platform/win32api.h"
#include "sound/coresound.h"
#include "tests/show/showdata.h"
#include "tests/show/showlog.h"
#include "tests/support/testsupport.h"

namespace {

class Loop : public kt::ScratchTest {
protected:
    // Packs the files and starts the show (windowed); returns its log.
    std::string Start(const st::Files& files) {
        st::WriteImage(files, "kastrel.dat");
        return kt::Captured([] { StartShow(0); });
    }
    // Runs frames until the show asks to end or the bound passes; returns the
    // position of every frame and fills *log with what the frames printed.
    std::vector<int> Frames(int bound_ms, std::string* log = nullptr, int (*until)(int) = nullptr) {
        std::vector<int> positions;
        auto t0 = std::chrono::steady_clock::now();
        std::string text = kt::Captured([&] {
            do {
                RunFrame();
                positions.push_back(demo.currentpos);
                if (until && until(demo.currentpos)) break;
            } while (!exitdemo && std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(bound_ms));
        });
        if (log) *log = text;
        return positions;
    }
};

void PushEscape(bool down) {
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    e.key.keysym.sym = SDLK_ESCAPE;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    // The message thread's pump turns it into the key state.
    for (int i = 0; i < 2000; i++) {
        if (((GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0) == down) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    FAIL() << "the key never arrived";
}

TEST_F(Loop, StartUpRunsInOrderAndEndsWithReady) {
    st::Files files = st::DefaultFiles(5.0);
    st::WriteImage(files, "kastrel.dat");
    std::string expected = st::StartupLog(&files);
    std::string log = kt::Captured([] { StartShow(0); });
    EXPECT_EQ(log, expected);

    EXPECT_EQ(fx1_framebuffer_id, 1);
    EXPECT_EQ(fx2_framebuffer_id, 2);
    EXPECT_EQ(framebuffer_id, 3);
    EXPECT_EQ(KRV_FrameBuffer, &KRV_framebuffers[3]);
    EXPECT_EQ(KRV_framebuffers[3].width, 640);
    EXPECT_EQ(KRV_postshader_id, 16);
    ASSERT_EQ(demo.numtransitions, 3);
    const int shaders[3] = {transition_dissolve, transition_dissolve, transition_flash};
    const int durations[3] = {64, 40, 64};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(demo.transitions[i].shader, shaders[i]);
        EXPECT_EQ(demo.transitions[i].duration, durations[i]);
        EXPECT_EQ(demo.transitions[i].smoothness, 0.9f);
        EXPECT_EQ(demo.transitions[i].custom, 0.0f);
    }
    EXPECT_EQ(transition_dissolve, 12);
    EXPECT_EQ(transition_flash, 14);
    EXPECT_EQ(demo.numevents, 13);
    EXPECT_EQ(soundsystem.numactive, 1);
    EXPECT_EQ(active_sounds[0], &snd_demomusic);
    EXPECT_EQ(snd_demomusic.music, 1u);
    EXPECT_EQ(snd_demomusic.loop, 0u);
    EXPECT_FALSE(exitdemo);
    EXPECT_EQ(currentframe, 0.0f);
    EXPECT_STREQ(SDL_GetWindowTitle(layer_sdlwindow(winhandle)), "Ondrave - Kastrel");
    EXPECT_EQ(KRV_video.width, 1920);
    EXPECT_EQ(KRV_video.height, 1080);
}

// The end rule against the music's position. Events 16 units apart; with
// thirteen, the last lies 84 units after the twelfth, so that its look-ahead
// (not the twelfth's start) decides the end: 260 - 64.
struct EndCase {
    const char* name;
    std::vector<int> starts;
    int endpos;  // -1: the timeline never ends the show
};

std::vector<int> Starts(int count, int last = -1) {
    std::vector<int> s = st::EvenStarts(count, 16);
    if (last >= 0) s.back() = last;
    return s;
}

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class LoopEnd : public Loop, public ::testing::WithParamInterface<EndCase> {};

TEST_P(LoopEnd, InTheFirstFrameAtTheEndPosition) {
    const EndCase& c = GetParam();
    st::Files files = st::DefaultFiles(6.0);
    files.Set("timing.dat", st::Timing(c.starts));
    Start(files);
    static int stop_at;
    stop_at = c.endpos < 0 ? c.starts.back() + 80 : 100000;
    std::string log;
    std::vector<int> pos = Frames(15000, &log, [](int p) { return p >= stop_at ? 1 : 0; });
    EXPECT_EQ(log, "");
    ASSERT_GE(pos.size(), 2u);
    for (size_t i = 1; i < pos.size(); i++) EXPECT_GE(pos[i], pos[i - 1]) << "the clock runs forwards";
    if (c.endpos < 0) {
        EXPECT_FALSE(exitdemo);
        EXPECT_GE(pos.back(), stop_at);
    } else {
        ASSERT_TRUE(exitdemo);
        EXPECT_GE(pos.back(), c.endpos);
        for (size_t i = 0; i + 1 < pos.size(); i++) EXPECT_LT(pos[i], c.endpos) << "frame " << i;
    }
    float frames = currentframe;
    EXPECT_GE(frames, (float)pos.size() * 0.9f) << "frame steps of about 1 add up";
    StopShow();
    EXPECT_EQ(soundsystem.numactive, 0);
    EXPECT_EQ(snd_demomusic.playing, 0);
    EXPECT_EQ(snd_demomusic.position, 0u);
}

INSTANTIATE_TEST_SUITE_P(Timing, LoopEnd,
                         ::testing::Values(EndCase{"ThirteenEvents", Starts(13, 260), 260 - 64},
                                           EndCase{"TwelveEvents", Starts(12), 11 * 16},
                                           EndCase{"ElevenEventsNever", Starts(11), -1}),
                         [](const ::testing::TestParamInfo<EndCase>& i) { return std::string(i.param.name); });

const char* Solid(const char* rgb) {
    static std::string text;
    text = std::string("#version 120\nvoid main() { gl_FragColor = vec4(") + rgb + ", 1.0); }\n";
    return text.c_str();
}

// The mixed framebuffer holds exactly what the transition drew from the two
// scene pictures: blue going out, red coming in, mixed by the blend.
TEST_F(Loop, ThePresentedPictureIsTheMixAsTheTransitionDrewIt) {
    st::Files files = st::DefaultFiles(6.0);
    files.Set("wave_curtain2.glsl", Solid("0.0, 0.0, 1.0"));
    files.Set("firecube.glsl", Solid("1.0, 0.0, 0.0"));
    files.Set("timing.dat", st::Timing({0, 150, 300}));
    Start(files);
    std::vector<int> pos = Frames(15000, nullptr, [](int p) { return p >= 100 ? 1 : 0; });
    ASSERT_GE(pos.back(), 100);
    ASSERT_LT(pos.back(), 150) << "a frame inside the transition into event 1";
    float blend = -1;
    glGetUniformfv(KRV_shader[transition_dissolve].program,
                   glGetUniformLocation(KRV_shader[transition_dissolve].program, "blend"), &blend);
    ASSERT_GT(blend, 0.0f);
    ASSERT_LT(blend, 1.0f);
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previous);
    EXPECT_EQ((GLuint)previous, KRV_framebufferdata[3].fbo) << "the mixed picture stays current";
    unsigned char px[4];
    glReadPixels(320, 180, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    EXPECT_NEAR(px[0], 255 * blend, 2.0);
    EXPECT_EQ(px[1], 0);
    EXPECT_NEAR(px[2], 255 * (1 - blend), 2.0);
    // The same over the whole picture: nothing was drawn over the mix.
    std::vector<unsigned char> all(640 * 360 * 4);
    glReadPixels(0, 0, 640, 360, GL_RGBA, GL_UNSIGNED_BYTE, all.data());
    for (size_t i = 0; i < all.size(); i += 4) {
        ASSERT_EQ(all[i], px[0]) << i / 4;
        ASSERT_EQ(all[i + 2], px[2]) << i / 4;
    }
}

TEST_F(Loop, EscapeEndsTheShowAfterItsFrameOnce) {
    st::Files files = st::DefaultFiles(6.0);
    files.Set("timing.dat", st::Timing({0, 5000}));
    Start(files);
    Frames(200);
    ASSERT_FALSE(exitdemo);
    PushEscape(true);
    std::string log;
    std::vector<int> pos = Frames(5000, &log);
    EXPECT_TRUE(exitdemo);
    EXPECT_EQ(pos.size(), 1u) << "the frame that sees the press is the last";
    EXPECT_EQ(log, "- saving timing\n");
    // Held on, it does not count again.
    EXPECT_EQ(kt::Captured([] { HandleInput(0, 0, 0); }), "");
    PushEscape(false);
    EXPECT_EQ(kt::Captured([] { HandleInput(0, 0, 0); }), "");
    StopShow();
    EXPECT_EQ(soundsystem.numactive, 0);
}

TEST_F(Loop, EscapeHeldBeforeTheFirstFrameCountsInTheFirstFrame) {
    st::Files files = st::DefaultFiles(6.0);
    Start(files);
    PushEscape(true);
    std::string log;
    std::vector<int> pos = Frames(5000, &log);
    EXPECT_EQ(pos.size(), 1u);
    EXPECT_EQ(log, "- saving timing\n");
}

// Red byte of a scene framebuffer's centre: the id of the scene shader that drew it.
int CentreRed(int fb) {
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previous);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, KRV_framebufferdata[fb].fbo);
    unsigned char px[4];
    glReadPixels(320, 180, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, (GLuint)previous);
    return px[0];
}

// Without "timing.dat" the timeline holds one event at 0: the look-ahead
// gives index 1 everywhere, both scene framebuffers show row 1 and the show
// does not end by itself.
TEST_F(Loop, WithoutATimingFileBothScenesShowEventOneAndTheShowGoesOn) {
    st::Files files = st::DefaultFiles(6.0);
    files.Remove("timing.dat");
    Start(files);
    std::vector<int> pos = Frames(60000, nullptr, [](int p) { return p >= 100 ? 1 : 0; });
    EXPECT_GE(pos.back(), 100);
    EXPECT_FALSE(exitdemo);
    EXPECT_EQ(demo.currentevent, 1);
    EXPECT_EQ(CentreRed(1), 3);
    EXPECT_EQ(CentreRed(2), 3);
}

// Once the mixer has passed the music's end it stops the music and the
// position reads 0 again: the show goes back to its first event and runs on
// silently.
TEST_F(Loop, PastTheMusicsEndThePositionReadsZeroAndTheShowGoesOn) {
    // 3 s, 129 show units: long enough that on a loaded machine the first
    // frames still come while the music plays.
    st::Files files = st::DefaultFiles(3.0);
    files.Set("timing.dat", st::Timing({0, 200, 400}));
    Start(files);
    static int peak;
    peak = 0;
    std::vector<int> pos = Frames(20000, nullptr, [](int p) {
        if (p > peak) peak = p;
        return peak > 30 && p == 0 ? 1 : 0;
    });
    EXPECT_GT(peak, 30);
    EXPECT_EQ(pos.back(), 0);
    EXPECT_FALSE(exitdemo);
    EXPECT_EQ(soundsystem.numactive, 0) << "the mixer stopped the music";
    Frames(300);
    EXPECT_FALSE(exitdemo);
    EXPECT_EQ(demo.currentpos, 0);
}

// Without "music.wav" the record is empty: it is played and stopped all the
// same, the clock reads 0 and frames keep coming until Escape.
TEST_F(Loop, WithoutMusicTheShowStandsAtPositionZero) {
    st::Files files = st::DefaultFiles(0.1);
    files.Remove("music.wav");
    Start(files);
    static int frames;
    frames = 0;
    std::vector<int> pos = Frames(60000, nullptr, [](int) { return ++frames >= 8 ? 1 : 0; });
    ASSERT_EQ(pos.size(), 8u);
    for (int p : pos) EXPECT_EQ(p, 0);
    EXPECT_FALSE(exitdemo);
    PushEscape(true);
    std::string log;
    Frames(5000, &log);
    EXPECT_EQ(log, "- saving timing\n");
    StopShow();
    EXPECT_EQ(soundsystem.numactive, 0);
}

}  // namespace
