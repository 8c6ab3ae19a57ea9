// The driver as a whole program: the layer's main runs WinMain on the first
// thread, the demo thread runs a stand-in coremain (tests/platform/krvprog.cpp),
// and the process ends with WinMain's result. Standard output is compared
// exactly; the message box goes to standard error.
#include "tests/platform/layertest.h"
#include "tests/platform/runprog.h"

#include <gtest/gtest.h>

namespace {

const char* kGlew = "[KRV] Init Glew\n\nReady for GLSL\n";

class Process : public ::testing::Test {
protected:
    void SetUp() override {
        if (!lt::HaveDisplay()) GTEST_SKIP() << "no X display";
    }
};

TEST_F(Process, StartsWithAHiddenSmallWindowAndTheDemoThread) {
    lt::Run r = lt::RunProg("initial");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "initial: window 0,0,10,10 client 0x0 style 00CF0000 exstyle 00040100 visible 0 title \"KRV "
              "Application\"\n"
              "initial: x window 8,31 1x1 mapped 0 fullscreen 0 title \"KRV Application\"\n"
              "focus 1 thread 1\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(Process, SetsUpTheWindowAndAGlContextOnTheDemoThread) {
    lt::Run r = lt::RunProg("window 640 480");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string(kGlew) +
                         "set up: window 10,10,656,519 client 640x480 style 96C80000 exstyle 00040100 visible 1 "
                         "title \"Test Title\"\n"
                         "set up: x window 13,36 640x480 mapped 1 fullscreen 0 title \"Test Title\"\n"
                         "windowhide 0\n"
                         "gl: context current here 1, version at least 2.1 1, GLEW 2.1 1, framebuffer objects 1, "
                         "shaders enabled 1\n"
                         "gl: cleared pixel 255 0 0\n"
                         "gl: shader object 1\n"
                         "swapped\n"
                         "window: pixel 0 255 0\n");
    EXPECT_EQ(r.err, "");
}

// A key pressed on the X server's keyboard (sent to the window through the
// server) reaches the key mask: the show's way out.
TEST_F(Process, EscapeFromTheXServerReachesTheKeyMask) {
    lt::Run r = lt::RunProg("escape");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string(kGlew) + "escape pressed 1 code F000\nescape released 1 code 0\n");
    EXPECT_EQ(r.err, "");
}

// The ways the program ends: coremain returning (whatever it returns, the
// status is WM_QUIT's 0), a quit request from SDL, the X window closed by
// the X server's client, and a demo thread that never calls the layer
// again. Each must end promptly; the bound of the run fails a hang.
struct EndCase {
    const char* name;
    const char* args;
    std::string out;
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class ProcessEnd : public Process, public ::testing::WithParamInterface<EndCase> {};

TEST_P(ProcessEnd, WithStatus0Promptly) {
    lt::Run r = lt::RunProg(GetParam().args, "", 20);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, GetParam().out);
    EXPECT_EQ(r.err, "");
    EXPECT_LT(r.seconds, 10.0);
}

INSTANTIATE_TEST_SUITE_P(Ways, ProcessEnd,
                         ::testing::Values(EndCase{"CoremainReturns", "status 5", ""},
                                           EndCase{"SdlQuitWhileDrawing", "sdlquit", std::string(kGlew) + "drawing\n"},
                                           EndCase{"XWindowClosedWhileDrawing", "xclose",
                                                   std::string(kGlew) + "drawing\n"},
                                           EndCase{"DemoThreadSpinning", "spin", std::string(kGlew) + "spinning\n"}),
                         [](const ::testing::TestParamInfo<EndCase>& i) { return std::string(i.param.name); });

// GetCommandLineA is built from argv; the driver's splitter gives coremain
// its arguments back (a quote inside an argument toggles quoting there).
TEST_F(Process, CoremainGetsTheCommandLineSplit) {
    lt::Run r = lt::RunProg("args a \"b c\" \"\" 'd\"e'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "argc 6\n[args]\n[a]\n[b c]\n[]\n[d\\e]\nargv[argc] null 1\n");
}

TEST_F(Process, AClassThatCannotBeRegisteredEndsTheProgram) {
    lt::Run r = lt::RunProg("initial", "KRV_TEST_PREREGISTER=1");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Could not register Window class");
    EXPECT_EQ(r.err, "[MessageBox] Error: Register class FAILED\n");
}

TEST_F(Process, AWindowThatCannotBeCreatedShowsTheBoxAndGoesOn) {
    lt::Run r = lt::RunProg("nowindow", "DISPLAY=:4321 SDL_VIDEODRIVER=x11");
    EXPECT_EQ(r.status, 7);
    EXPECT_EQ(r.out, "coremain runs, winhandle null 1\n");
    EXPECT_NE(r.err.find("[MessageBox] Error: Window creation failed\n"), std::string::npos) << r.err;
}

}  // namespace
