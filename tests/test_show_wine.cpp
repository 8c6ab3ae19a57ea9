// The Windows programs under Wine: kastrel-windowed.exe and
// kastrel-fullscreen.exe, as scripts/build-windows leaves them, run through
// scripts/wine-run as child processes under the test display and the
// PulseAudio server of scripts/wine-session (waveOut's device; without one
// the show's clock, the music's position, never moves).
//
// Under Wine the program's standard output is a pipe, which the C runtime
// buffers whole: nothing of it need arrive before the program ends. So the
// start is seen on the screen (the window, then its first frame), and the
// output is compared once, whole, after the end.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/gallery/realshow.h"
#include "tests/show/showdata.h"
#include "tests/show/showlog.h"
#include "tests/show/showscreen.h"
#include "tests/support/testsupport.h"

#include <X11/keysym.h>

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

std::string WindowsShowDir() { return KASTREL_WINDOWS_SHOW_DIR; }

std::string Wine() {
    if (!kt::RunCommand("command -v wine64 >/dev/null 2>&1")) return "wine64";
    return kt::FileExists("/usr/lib/wine/wine64") ? "/usr/lib/wine/wine64" : "";
}

// The PulseAudio server's socket: PULSE_SERVER's (unix:PATH), else the
// user's own.
bool PulseServer() {
    const char* server = getenv("PULSE_SERVER");
    if (server && *server) {
        std::string s = server;
        return s.compare(0, 5, "unix:") != 0 || kt::FileExists(s.substr(5));
    }
    const char* run = getenv("XDG_RUNTIME_DIR");
    return run && kt::FileExists(std::string(run) + "/pulse/native");
}

// One run of a Windows program: scripts/wine-run PROGRAM in `folder`, in a
// process group of its own (wine-run, Wine's loader and the program), its
// output into files of the current folder.
class WineChild {
public:
    WineChild(const std::string& folder, const std::string& program) {
        out_ = std::string(getcwd(cwd_, sizeof cwd_)) + "/stdout.txt";
        err_ = std::string(cwd_) + "/stderr.txt";
        start_ = Clock::now();
        pid_ = fork();
        if (pid_ == 0) {
            setpgid(0, 0);
            if (chdir(folder.c_str()) != 0) _exit(126);
            int out = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(err, 2);
            setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
            // A cached shader compiles without a log; this run compiles them all.
            setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
            std::string script = std::string(KASTREL_SOURCE_DIR) + "/scripts/wine-run";
            execl(script.c_str(), script.c_str(), program.c_str(), (char*)nullptr);
            _exit(127);
        }
        if (pid_ > 0) setpgid(pid_, pid_);
    }
    ~WineChild() {
        if (pid_ > 0) {  // still running: a failed case ends it, all of it
            kill(-pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool Started() const { return pid_ > 0; }
    bool Running() { return pid_ > 0 && waitpid(pid_, &raw_, WNOHANG) == 0; }
    // The exit status when the program ended by itself within the bound, -1
    // when it was ended by a signal, -2 when it had to be killed at the bound.
    int Wait(double seconds) {
        auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (pid_ > 0 && Clock::now() < end) {
            if (waitpid(pid_, &raw_, WNOHANG) == pid_) {
                pid_ = -1;
                ended_ = Clock::now();
                return WIFEXITED(raw_) ? WEXITSTATUS(raw_) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (pid_ < 0) return WIFEXITED(raw_) ? WEXITSTATUS(raw_) : -1;
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return -2;
    }
    Clock::time_point Start() const { return start_; }
    Clock::time_point Ended() const { return ended_; }
    std::string Out() const { return kt::ReadFile(out_); }
    std::string Err() const { return kt::ReadFile(err_); }

private:
    pid_t pid_ = -1;
    int raw_ = 0;
    char cwd_[4096];
    std::string out_, err_;
    Clock::time_point start_, ended_;
};

class WineShow : public kt::ScratchTest {
protected:
    void SetUp() override {
        if (!getenv("DISPLAY") || !*getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        for (const char* exe : {"kastrel-windowed.exe", "kastrel-fullscreen.exe"})
            if (!kt::FileExists(WindowsShowDir() + "/" + exe))
                GTEST_SKIP() << WindowsShowDir() << "/" << exe << " is not built (scripts/build-windows)";
        if (Wine().empty()) GTEST_SKIP() << "no Wine (wine64)";
        if (!PulseServer()) GTEST_SKIP() << "no PulseAudio server for waveOut (run under scripts/wine-session)";
        kt::ScratchTest::SetUp();
    }
};

// The whole show on the real data image, about 2 min 45 s, to its own end:
// the Linux program's output, its length, and at each shot moment the
// picture of the scene row that the Linux program showed then (its
// screenshots from ShowFull of this build). The pictures are compared
// coarsely, by their mix of colours (a histogram of 512 colour bins over the
// part of the window on the screen in both runs): each of this run's shots
// must be nearer to the Linux shot of its own moment than to the Linux shot
// of any other. The position and shape of what moves in a scene differ
// between the builds (their frame rates differ, and the scenes move with
// band levels summed once a frame); a scene's colours stay.
TEST_F(WineShow, WindowedPlaysTheWholeShowAsTheLinuxProgramDoes) {
    std::vector<xs::Shot> linux_shots;
    for (const rs::ShotMoment& m : rs::kShotMoments) {
        linux_shots.push_back(xs::LoadPng(rs::ShotDir() + "/" + rs::ShotName(m)));
        ASSERT_GT(linux_shots.back().w, 0) << rs::ShotDir() << "/" << rs::ShotName(m)
                                           << " is missing: ShowFull of this build leaves it (ctest -R '^ShowFull\\.')";
    }
    // The program reads the image beside it; the log is composed from that.
    std::string image = WindowsShowDir() + "/kastrel.dat";
    ASSERT_EQ(symlink(image.c_str(), "kastrel.dat"), 0);
    std::string expected = rs::ExpectedStartupLog();

    WineChild show(WindowsShowDir(), "kastrel-windowed.exe");
    ASSERT_TRUE(show.Started());
    xs::ShowScreen screen;
    ASSERT_TRUE(screen.Find(120)) << "no window\n" << show.Err();
    auto window = Clock::now();
    ASSERT_TRUE(screen.WaitForFrame(120)) << "no frame reached the window\n" << show.Err();
    auto first = Clock::now();
    printf("window %.1f s after the start, first frame %.1f s later\n",
           std::chrono::duration<double>(window - show.Start()).count(), Since(window));
    int x = 0, y = 0, w = 0, h = 0;
    EXPECT_TRUE(screen.Geometry(&x, &y, &w, &h));
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);

    std::vector<xs::Shot> shots;
    for (const rs::ShotMoment& m : rs::kShotMoments) {
        std::this_thread::sleep_until(first + std::chrono::duration<double>(rs::ShowSeconds(m.unit)));
        ASSERT_TRUE(show.Running()) << "the show ended before unit " << m.unit << "\n" << show.Out() << show.Err();
        shots.push_back(screen.Grab());
        ASSERT_GT(shots.back().w, 0) << "no screenshot at unit " << m.unit;
    }

    // The show ends at music position 7040, less the mixer's lead of up to
    // 8 units, measured here from the first frame to the program's exit.
    const double music_end = (7040 - 8) * 1024 / 44100.0;
    const double bound = music_end + 60;  // seconds after the first frame
    int status = show.Wait(bound - Since(first));
    ASSERT_NE(status, -2) << "the show did not end within " << bound << " s of its first frame"
                          << (screen.Shown() ? "" : ": its window is gone, the program did not exit") << "\n"
                          << show.Err();
    double played = std::chrono::duration<double>(show.Ended() - first).count();
    printf("played %.1f s from the first frame to the end\n", played);
    EXPECT_EQ(status, 0) << show.Err();
    EXPECT_EQ(show.Out(), expected);
    EXPECT_GE(played, 0.97 * music_end) << "the show ended before the music's last chord";
    EXPECT_LE(played, music_end + 30.0) << "the show ran on past its end";

    // This run's shots, beside the Linux ones, for a look.
    std::string wine_dir = rs::ShotDir() + "/wine";
    kt::RunCommand("rm -rf '" + wine_dir + "'");
    kt::MakeDirs(wine_dir);
    for (size_t i = 0; i < shots.size(); i++) xs::SavePng(shots[i], wine_dir + "/" + rs::ShotName(rs::kShotMoments[i]));

    // The part of the client area that is on the screen in both runs.
    int cw = 1 << 30, ch = 1 << 30;
    for (const std::vector<xs::Shot>* set : {&linux_shots, &shots})
        for (const xs::Shot& s : *set) {
            cw = std::min(cw, s.w);
            ch = std::min(ch, s.h);
        }
    std::vector<std::vector<double>> linux_colours;
    for (const xs::Shot& s : linux_shots) linux_colours.push_back(xs::ColourHistogram(s, cw, ch));
    for (size_t i = 0; i < shots.size(); i++) {
        const rs::ShotMoment& m = rs::kShotMoments[i];
        std::vector<double> colours = xs::ColourHistogram(shots[i], cw, ch);
        size_t nearest = 0;
        std::string list;
        for (size_t j = 0; j < linux_colours.size(); j++) {
            double d = xs::HistogramDistance(colours, linux_colours[j]);
            if (d < xs::HistogramDistance(colours, linux_colours[nearest])) nearest = j;
            char buf[32];
            snprintf(buf, sizeof buf, " %.3f", d);
            list += buf;
        }
        printf("row %2d at unit %4d: distance to each moment's Linux shot%s\n", m.row, m.unit, list.c_str());
        EXPECT_EQ(nearest, i) << "at unit " << m.unit << " the picture is nearest to row "
                              << rs::kShotMoments[nearest].row << "'s, not row " << m.row << "'s";
    }
}

// The full-screen program on a small three-event test image: it covers the
// screen, and Escape, held for a few frames as a user holds it (the show
// polls the key once a frame), ends it with one "- saving timing" line.
TEST_F(WineShow, FullScreenCoversTheScreenAndEscapeEndsIt) {
    st::Files files = st::DefaultFiles(8.0);
    files.Set("timing.dat", st::Timing({0, 100, 200}));
    st::WriteImage(files, "kastrel.dat");
    std::string expected = st::StartupLog(&files);

    WineChild show(dir_, WindowsShowDir() + "/kastrel-fullscreen.exe");
    ASSERT_TRUE(show.Started());
    xs::ShowScreen screen;
    ASSERT_TRUE(screen.Find(60)) << "no window\n" << show.Err();
    ASSERT_TRUE(screen.WaitForFrame(60)) << "no frame reached the window\n" << show.Err();
    int x = -1, y = -1, w = 0, h = 0;
    ASSERT_TRUE(screen.Geometry(&x, &y, &w, &h));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);

    screen.Key(XK_Escape, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    screen.Key(XK_Escape, false);
    ASSERT_EQ(show.Wait(30), 0) << show.Out() << show.Err();
    EXPECT_EQ(show.Out(), expected + "- saving timing\n");
}

}  // namespace
