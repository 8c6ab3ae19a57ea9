// Frame pacing: the refresh-rate table, the busy-waiting limiter with its
// frame step and its wrap at 2^32 ms, and the FPS sampler, on the driver's
// own millisecond clock.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "krv/driver_win32.h"
#include "krv/krv.h"
#include "krv/video_opengl.h"
#ifndef _WIN32
#include "platform/layer.h"
#endif
#include "tests/support/testsupport.h"
#include "tests/video_test.h"

namespace {

struct RateCase {
    int rate;
    int interval;
};

TEST(RefreshRate, GivesTheFrameIntervalOfTheTable) {
    const RateCase cases[] = {{1, 909},   {30, 30},  {50, 18},  {60, 15},  {75, 12},  {100, 9},
                              {120, 7},   {144, 6},  {909, 1},  {910, 1},  {5000, 1}, {-20, 20},
                              {-1, 1},    {-1000, 1000}};
    for (const RateCase& c : cases) {
        KRV_SetRefreshRate(c.rate);
        EXPECT_EQ(KRV_video_updatespeed, c.interval) << "rate " << c.rate;
    }
}

TEST(RefreshRate, RestartsTheFrameClock) {
    KRV_video_time = 12345;
    uint32_t before = KRV_GetMillis();
    KRV_SetRefreshRate(60);
    uint32_t after = KRV_GetMillis();
    EXPECT_LE(KRV_video_time - before, after - before);
}

// Our choice: a rate of 0 has no interval; it is refused with a
// message and the pacing stays as it was.
TEST(RefreshRate, ZeroIsRefusedAndChangesNothing) {
    KRV_SetRefreshRate(60);
    uint32_t clock = KRV_video_time;
    std::string text = kt::Captured([] { KRV_SetRefreshRate(0); });
    EXPECT_EQ(text, "[KRV] Refresh rate 0 ignored\n");
    EXPECT_EQ(KRV_video_updatespeed, 15);
    EXPECT_EQ(KRV_video_time, clock);
}

TEST(FrameLimiter, WaitsOneIntervalFromTheLastBoundary) {
    KRV_SetRefreshRate(60);
    uint32_t start = KRV_video_time;
    int frames = KRV_video_numframes;
    float step = KRV_WaitRefresh();
    uint32_t after = KRV_GetMillis();
    EXPECT_EQ(KRV_video_numframes, frames + 1);
    // The boundary is the reading that ended the wait: 15 ms or more after the start.
    EXPECT_GE(KRV_video_time - start, 15u);
    EXPECT_LE(KRV_video_time - start, after - start);
    EXPECT_GE(step, 1.0f);
    EXPECT_LE(step, (float)(after - start) / 15.0f);
}

TEST(FrameLimiter, ALateFrameReturnsItsStepAndTheNextWaitCountsFromTheEndOfThisOne) {
    KRV_SetRefreshRate(60);
    uint32_t now = KRV_GetMillis();
    KRV_video_time = now - 30;  // the frame took 30 ms
    float step = KRV_WaitRefresh();
    uint32_t after = KRV_GetMillis();
    // No wait: the step is the 30 ms (plus what passed meanwhile) in intervals.
    EXPECT_GE(step, 2.0f);
    EXPECT_LE(step, (float)(after - now + 30) / 15.0f);
    uint32_t boundary = KRV_video_time;
    EXPECT_LE(boundary - now, after - now);

    float next = KRV_WaitRefresh();
    EXPECT_GE(KRV_video_time - boundary, 15u);
    EXPECT_GE(next, 1.0f);
}

// The last boundary 5 ms before the clock wraps: the wait's end (sum) wraps
// to 10, so the wait ends at once, and the unsigned difference counts the
// milliseconds across the wrap.
TEST(FrameLimiter, AnEndThatWrapsPast2To32EndsAtOnceAndCountsAcrossTheWrap) {
    while (KRV_GetMillis() < 20) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    KRV_SetRefreshRate(60);
    KRV_video_time = 0xFFFFFFFFu - 4;
    uint32_t before = KRV_GetMillis();
    float step = KRV_WaitRefresh();
    uint32_t after = KRV_GetMillis();
    EXPECT_GE(KRV_video_time, before);
    EXPECT_LE(KRV_video_time, after);
    EXPECT_GE(step, (float)(before + 5) / 15.0f);
    EXPECT_LE(step, (float)(after + 5) / 15.0f);
}

// The driver's clock itself wraps: the last boundary 5 ms before 2^32, the
// wait after the wrap. The wait's end wraps too, so it ends one interval
// after the boundary, and the step is one interval, not four billion.
TEST(FrameLimiter, FollowsTheDriversClockAcrossItsWrap) {
#ifdef _WIN32
    GTEST_SKIP() << "moves the platform layer's clock; Windows' GetTickCount cannot be moved";
#else
    KRV_SetRefreshRate(-20);
    layer_settickoffset(0);
    layer_settickoffset(0xFFFFFFFFu - KRV_GetMillis() - 4u);
    KRV_video_time = KRV_GetMillis();
    ASSERT_GT(KRV_video_time, 0xFFFFFF00u);
    uint32_t boundary = KRV_video_time;
    while (KRV_GetMillis() >= 0x80000000u) {
    }
    float step = KRV_WaitRefresh();
    layer_settickoffset(0);
    EXPECT_LT(KRV_video_time, 0x80000000u) << "the boundary is after the wrap";
    EXPECT_GE(KRV_video_time - boundary, 20u);
    EXPECT_GE(step, 1.0f);
    EXPECT_LT(step, 10.0f);
#endif
}

TEST(FpsSampler, TheFirstCallSamplesAtOnceThenOncePerSecond) {
    while (KRV_GetMillis() < 1000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    KRV_video_oldtime = 0;  // as at start, should an earlier case have sampled
    KRV_video_numframes = 0;
    KRV_SetRefreshRate(-1);
    for (int i = 0; i < 3; i++) KRV_WaitRefresh();
    EXPECT_EQ(KRV_GetFPS(), 3);
    EXPECT_EQ(KRV_video_numframes, 0);
    uint32_t sampled = KRV_video_oldtime;

    // Within the second the old sample stays and the frames keep counting.
    for (int i = 0; i < 2; i++) KRV_WaitRefresh();
    EXPECT_EQ(KRV_GetFPS(), 3);
    EXPECT_EQ(KRV_video_numframes, 2);
    EXPECT_EQ(KRV_video_oldtime, sampled);

    // A second later the count is the sample, not divided by the time.
    KRV_video_oldtime = KRV_GetMillis() - 1000;
    EXPECT_EQ(KRV_GetFPS(), 2);
    EXPECT_EQ(KRV_video_numframes, 0);
}

TEST(PowerOfTwo, ReturnsItsArgumentUnchanged) {
    for (int n : {0, 1, 3, 8, 100, 640, 1000, 1080, -5}) EXPECT_EQ(PowerOfTwo(n), n);
}

}  // namespace
