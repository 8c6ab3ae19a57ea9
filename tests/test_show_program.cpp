// The show as a whole program: kastrel-windowed run as a child process in a
// folder with a test data image, under the test display and SDL's dummy
// audio driver. Its standard output is compared exactly; Escape and the
// window's close come through the X server, as from a user.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "tests/show/showdata.h"
#include "tests/show/showlog.h"
#include "tests/support/testsupport.h"

// Xlib after GoogleTest: its macros (None, Bool, Status) would clash.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

using Clock = std::chrono::steady_clock;

// One run of a show program in the working directory.
class Child {
public:
    explicit Child(const char* program) {
        start_ = Clock::now();
        pid_ = fork();
        if (pid_ == 0) {
            int out = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(err, 2);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
            // stdbuf preloads a library of its own, which a sanitizer build
            // would otherwise refuse.
            std::string asan = getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "";
            setenv("ASAN_OPTIONS", (asan + (asan.empty() ? "" : ":") + "verify_asan_link_order=0").c_str(), 1);
            // Line-buffered, so that the test sees each line as it is printed.
            execlp("stdbuf", "stdbuf", "-oL", program, (char*)nullptr);
            _exit(127);
        }
    }
    ~Child() {
        if (pid_ > 0 && status_ == -2) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    pid_t pid() const { return pid_; }
    std::string Out() const { return kt::ReadFile("stdout.txt"); }
    std::string Err() const { return kt::ReadFile("stderr.txt"); }
    // Waits until the output holds text; false when the bound passes.
    bool WaitForOutput(const std::string& text, int seconds) {
        auto end = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < end) {
            if (Out().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // The exit status, or -1 when it had to be killed at the bound.
    int Wait(int seconds) {
        auto end = Clock::now() + std::chrono::seconds(seconds);
        int raw = 0;
        while (Clock::now() < end) {
            pid_t r = waitpid(pid_, &raw, WNOHANG);
            if (r == pid_) {
                seconds_ = std::chrono::duration<double>(Clock::now() - start_).count();
                status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
                return status_;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        status_ = -1;
        return -1;
    }
    double Seconds() const { return seconds_; }

private:
    pid_t pid_ = -1;
    int status_ = -2;
    double seconds_ = 0;
    Clock::time_point start_;
};

// The show's window on the X server, found by its process and its title.
class ShowWindow {
public:
    ShowWindow() {
        // The window goes away with the program; requests that reach it
        // afterwards are of no interest.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        display_ = XOpenDisplay(nullptr);
    }
    ~ShowWindow() {
        if (display_) XCloseDisplay(display_);
    }
    bool Find(pid_t pid, int seconds) {
        auto end = Clock::now() + std::chrono::seconds(seconds);
        while (display_ && Clock::now() < end) {
            window_ = Search(DefaultRootWindow(display_), pid);
            if (window_) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    void Key(KeySym sym, bool down) {
        XEvent e;
        memset(&e, 0, sizeof e);
        e.xkey.type = down ? KeyPress : KeyRelease;
        e.xkey.display = display_;
        e.xkey.window = window_;
        e.xkey.root = DefaultRootWindow(display_);
        e.xkey.time = CurrentTime;
        e.xkey.same_screen = True;
        e.xkey.keycode = XKeysymToKeycode(display_, sym);
        XSendEvent(display_, window_, True, down ? KeyPressMask : KeyReleaseMask, &e);
        XFlush(display_);
    }
    void Close() {
        XEvent e;
        memset(&e, 0, sizeof e);
        e.xclient.type = ClientMessage;
        e.xclient.window = window_;
        e.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = (long)XInternAtom(display_, "WM_DELETE_WINDOW", False);
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window_, False, NoEventMask, &e);
        XFlush(display_);
    }
    // The pixel at the middle of the window, raised over the others: bytes
    // R, G, B from the low byte up.
    unsigned long Middle() {
        XRaiseWindow(display_, window_);
        XSync(display_, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        XWindowAttributes a;
        XGetWindowAttributes(display_, window_, &a);
        XImage* img = XGetImage(display_, window_, a.width / 2, a.height / 2, 1, 1, AllPlanes, ZPixmap);
        if (!img) return 0;
        unsigned long p = XGetPixel(img, 0, 0);
        unsigned long rgb = ((p & img->red_mask) >> 16) | (p & img->green_mask) | ((p & img->blue_mask) << 16);
        XDestroyImage(img);
        return rgb;
    }
    // The middle pixel once a frame has reached the window: the first
    // presentation can come a moment after "- ready!", so this polls for up
    // to the given time and returns the last pixel read.
    unsigned long MiddleOnceShown(double seconds) {
        auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        unsigned long p = Middle();
        while (p == 0 && std::chrono::steady_clock::now() < until) p = Middle();
        return p;
    }
    void Size(int* w, int* h) {
        XWindowAttributes a;
        XGetWindowAttributes(display_, window_, &a);
        *w = a.width;
        *h = a.height;
    }

private:
    Window Search(Window w, pid_t pid) {
        char* name = nullptr;
        if (XFetchName(display_, w, &name) && name) {
            bool title = strcmp(name, "Ondrave - Kastrel") == 0;
            XFree(name);
            if (title && PidOf(w) == pid) return w;
        }
        Window root, parent, *children = nullptr;
        unsigned n = 0;
        Window found = 0;
        if (XQueryTree(display_, w, &root, &parent, &children, &n)) {
            for (unsigned i = 0; i < n && !found; i++) found = Search(children[i], pid);
            if (children) XFree(children);
        }
        return found;
    }
    long PidOf(Window w) {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        long pid = -1;
        if (XGetWindowProperty(display_, w, XInternAtom(display_, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL,
                               &type, &format, &count, &after, &data) == Success &&
            data && count == 1)
            pid = (long)*(unsigned long*)data;
        if (data) XFree(data);
        return pid;
    }
    Display* display_ = nullptr;
    Window window_ = 0;
};

class Program : public kt::ScratchTest {
protected:
    void SetUp() override {
        if (!getenv("DISPLAY") || !*getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        kt::ScratchTest::SetUp();
    }
};

// Events 16 units apart, the thirteenth 84 after the twelfth: the show ends
// by itself at 260 - 64 = 196 show units, 4.55 s of music (the mixer runs
// up to four blocks, 8 units, ahead of what is heard).
TEST_F(Program, EndsByItselfAtTheThirteenthStartMinus64) {
    st::Files files = st::DefaultFiles(8.0);
    std::vector<int> starts = st::EvenStarts(13, 16);
    starts.back() = 260;
    files.Set("timing.dat", st::Timing(starts));
    st::WriteImage(files, "kastrel.dat");
    std::string expected = st::StartupLog(&files);

    Child show(SHOW_WINDOWED);
    ShowWindow window;
    ASSERT_TRUE(show.WaitForOutput("- ready!\n", 30)) << show.Out();
    ASSERT_TRUE(window.Find(show.pid(), 10));
    int w = 0, h = 0;
    window.Size(&w, &h);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    EXPECT_NE(window.MiddleOnceShown(3.0), 0ul) << "frames are presented";
    ASSERT_EQ(show.Wait(40), 0) << show.Out() << show.Err();
    EXPECT_EQ(show.Out(), expected);
    EXPECT_GE(show.Seconds(), (196 - 8) * 1024 / 44100.0);
}

// Starts a program on a three-event show, presses Escape through the X server
// and expects the start-up log, one "- saving timing" line and status 0.
void EscapeRun(const char* program) {
    st::Files files = st::DefaultFiles(8.0);
    files.Set("timing.dat", st::Timing({0, 100, 200}));
    st::WriteImage(files, "kastrel.dat");
    std::string expected = st::StartupLog(&files);

    Child show(program);
    ShowWindow window;
    ASSERT_TRUE(show.WaitForOutput("- ready!\n", 30)) << show.Out();
    ASSERT_TRUE(window.Find(show.pid(), 10));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    window.Key(XK_Escape, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    window.Key(XK_Escape, false);
    ASSERT_EQ(show.Wait(20), 0) << show.Out() << show.Err();
    EXPECT_EQ(show.Out(), expected + "- saving timing\n");
}

TEST_F(Program, EscapeEndsTheShowWithOneSavingTimingLine) { EscapeRun(SHOW_WINDOWED); }

// The full-screen program is the same show: the same log, the same end. (On
// a display without a 60 Hz mode of the window's size the switch is refused
// without a word and the window stays captioned.)
TEST_F(Program, TheFullScreenProgramIsTheSameShow) { EscapeRun(SHOW_FULLSCREEN); }

// Without any data image every file is reported missing; the CRT pass still
// presents its picture, and the show runs until its window is closed.
TEST_F(Program, WithoutADataImageItReportsTheFilesAndPresentsFramesUntilClosed) {
    std::string expected = st::StartupLog(nullptr);
    Child show(SHOW_WINDOWED);
    ShowWindow window;
    ASSERT_TRUE(show.WaitForOutput("- ready!\n", 30)) << show.Out();
    ASSERT_TRUE(window.Find(show.pid(), 10));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    unsigned long middle = window.MiddleOnceShown(5.0);
    EXPECT_GT(middle & 0xFF, 0ul) << std::hex << middle;
    EXPECT_GT((middle >> 8) & 0xFF, 0ul) << std::hex << middle;
    EXPECT_GT((middle >> 16) & 0xFF, 0ul) << std::hex << middle;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    window.Close();
    ASSERT_EQ(show.Wait(20), 0) << show.Out() << show.Err();
    EXPECT_GE(show.Seconds(), 1.0);
    EXPECT_EQ(show.Out(), expected);
}

}  // namespace
