// The whole show on its real content: build/show/kastrel-windowed run as a
// child process from build/show/, under the test display and SDL's dummy
// audio driver, from start-up through "- ready!" to its own end, about
// 2 min 45 s later, with exit status 0. On the way it takes a screenshot at
// each of the show's shot moments and leaves them in build/show-shots/, the
// Linux build's pictures that the Windows program's run is held against.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/gallery/realshow.h"
#include "tests/show/showscreen.h"
#include "tests/support/testsupport.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

class ShowFull : public kt::ScratchTest {
protected:
    void SetUp() override {
        if (!getenv("DISPLAY") || !*getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        kt::ScratchTest::SetUp();
    }
    void TearDown() override {
        if (pid_ > 0) {  // still running: a failed case ends it
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        kt::ScratchTest::TearDown();
    }
    // Starts the program in the show's folder; its output goes to files here.
    void Run(const std::string& program) {
        out_ = dir_ + "/stdout.txt";
        err_ = dir_ + "/stderr.txt";
        pid_ = fork();
        if (pid_ == 0) {
            if (chdir(rs::ShowDir().c_str()) != 0) _exit(126);
            int out = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(err, 2);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
            // A cached shader compiles without a log; this run compiles them all.
            setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
            // stdbuf preloads a library of its own, which a sanitizer build
            // would otherwise refuse.
            std::string asan = getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "";
            setenv("ASAN_OPTIONS", (asan + (asan.empty() ? "" : ":") + "verify_asan_link_order=0").c_str(), 1);
            // Line-buffered, so that each line is seen as it is printed.
            execlp("stdbuf", "stdbuf", "-oL", program.c_str(), (char*)nullptr);
            _exit(127);
        }
        ASSERT_GT(pid_, 0);
    }
    std::string Out() const { return kt::ReadFile(out_); }
    std::string Err() const { return kt::ReadFile(err_); }
    bool WaitForOutput(const std::string& text, int seconds) {
        auto end = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < end) {
            if (Out().find(text) != std::string::npos) return true;
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return Out().find(text) != std::string::npos;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // The exit status when the program ended by itself within the bound, -1
    // when it was killed by a signal, -2 when it had to be killed at the bound.
    int Wait(int seconds) {
        auto end = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < end) {
            int raw = 0;
            if (waitpid(pid_, &raw, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return -2;
    }

    pid_t pid_ = -1;
    std::string out_, err_;
};

// The show ends when the thirteenth event (7104) is 64 units ahead: at music
// position 7040, 163.5 s after the music started, which start-up does just
// before it prints "- ready!" (the frame that ends reads the mixer's
// position, which runs up to four blocks, 8 units, ahead of what is heard).
TEST_F(ShowFull, PlaysFromReadyToItsOwnEndWithStatusZero) {
    rs::LinkImage();
    std::string expected = rs::ExpectedStartupLog();

    Run(SHOW_WINDOWED);
    ASSERT_TRUE(WaitForOutput("- ready!\n", 120)) << Out() << Err();
    auto ready = Clock::now();
    std::string out = Out();
    EXPECT_EQ(out.substr(0, out.find("- ready!\n") + 9), expected);

    // The moments count from the first frame on the screen, which follows
    // "- ready!" at once.
    xs::ShowScreen screen;
    ASSERT_TRUE(screen.Find(10, pid_));
    ASSERT_TRUE(screen.WaitForFrame(10)) << "no frame reached the window";
    auto first = Clock::now();
    printf("first frame %.3f s after \"- ready!\"\n", std::chrono::duration<double>(first - ready).count());
    std::vector<xs::Shot> shots;
    for (const rs::ShotMoment& m : rs::kShotMoments) {
        std::this_thread::sleep_until(first + std::chrono::duration<double>(rs::ShowSeconds(m.unit)));
        shots.push_back(screen.Grab());
    }

    const int bound = 420;  // seconds: a hard end for a show that never stops
    int status = Wait(bound);
    double played = Since(ready);
    ASSERT_NE(status, -2) << "the show did not end within " << bound << " s\n" << Err();
    ASSERT_EQ(status, 0) << Out() << Err();
    printf("played %.1f s from \"- ready!\" to the end\n", played);
    // SDL's dummy driver takes its blocks a little faster than real time
    // (the whole show came out 1.5% short of the music's length here): 3% is
    // allowed.
    const double music_end = (7040 - 8) * 1024 / 44100.0;
    EXPECT_GE(played, 0.97 * music_end) << "the show ended before the music's last chord";
    EXPECT_LE(played, music_end + 30.0) << "the show ran on past its end";
    // Nothing after "- ready!": no Escape, no error on the way.
    EXPECT_EQ(Out(), expected);

    kt::RunCommand("rm -rf '" + rs::ShotDir() + "'");
    kt::MakeDirs(rs::ShotDir());
    for (size_t i = 0; i < shots.size(); i++) {
        const rs::ShotMoment& m = rs::kShotMoments[i];
        EXPECT_GT(shots[i].w, 0) << "no screenshot at unit " << m.unit;
        EXPECT_TRUE(xs::SavePng(shots[i], rs::ShotDir() + "/" + rs::ShotName(m))) << rs::ShotName(m);
    }
}

}  // namespace
