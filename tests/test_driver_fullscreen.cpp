// The full-screen path of the window set-up, as a whole program.
#include "tests/platform/layertest.h"
#include "tests/platform/runprog.h"

#include <gtest/gtest.h>

namespace {

const char* kGlew = "[KRV] Init Glew\n\nReady for GLSL\n";
const char* kGl =
    "gl: context current here 1, version at least 2.1 1, GLEW 2.1 1, framebuffer objects 1, shaders enabled 1\n"
    "gl: cleared pixel 255 0 0\n"
    "gl: shader object 1\n"
    "swapped\n"
    "window: pixel 0 255 0\n";

std::string Refused(int w, int h) {
    char buf[512];
    snprintf(buf, sizeof buf,
             "set up: window 10,10,%d,%d client %dx%d style 96C80000 exstyle 00040100 visible 1 title \"Test "
             "Title\"\n"
             "set up: x window 13,36 %dx%d mapped 1 fullscreen 0 title \"Test Title\"\n"
             "windowhide 0\n",
             10 + w + 6, 10 + h + 29, w, h, w, h);
    return std::string(kGlew) + buf + kGl;
}

std::string Switched(int w, int h) {
    char buf[512];
    snprintf(buf, sizeof buf,
             "set up: window 0,0,%d,%d client %dx%d style 96000000 exstyle 00040100 visible 1 title \"Test Title\"\n"
             "set up: x window 0,0 %dx%d mapped 1 fullscreen 0 title \"Test Title\"\n"
             "windowhide 1\n",
             w, h, w, h, w, h);
    return std::string(kGlew) + buf + kGl;
}

class FullScreen : public ::testing::Test {
protected:
    void SetUp() override {
        if (!lt::HaveDisplay()) GTEST_SKIP() << "no X display";
    }
};

// The display's own size: the mode may switch or be refused; whichever
// happened, the window must be in the matching state (switched: a frameless
// window covering the screen from (0, 0), the cursor hidden; refused: the
// captioned window at (10, 10)). The desktop's own mode needs no SDL
// full-screen window, so the X window itself is placed at (0, 0).
TEST_F(FullScreen, TheDisplaysSizeSwitchesOrLeavesTheCaptionedWindow) {
    SDL_Init(SDL_INIT_VIDEO);
    SDL_DisplayMode m;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &m), 0) << SDL_GetError();
    SDL_Quit();
    lt::Run r = lt::RunProg("fullscreen " + std::to_string(m.w) + " " + std::to_string(m.h));
    EXPECT_EQ(r.status, 0);
    if (r.out.find("windowhide 1") != std::string::npos)
        EXPECT_EQ(r.out, Switched(m.w, m.h));
    else
        EXPECT_EQ(r.out, Refused(m.w, m.h));
    EXPECT_EQ(r.err, "");
}

// A mode the display does not have is refused without a word.
TEST_F(FullScreen, AModeTheDisplayLacksIsRefusedSilently) {
    lt::Run r = lt::RunProg("fullscreen 1234 567");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Refused(1234, 567));
    EXPECT_EQ(r.err, "");
}

}  // namespace
