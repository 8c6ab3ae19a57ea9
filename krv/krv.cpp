// Frame pacing: the busy-waiting frame limiter on the millisecond clock,
// the refresh rate that sets its interval, and the FPS sampler.
#include "krv/krv.h"

#include <limits.h>
#include <stdio.h>

#include "krv/driver_win32.h"

uint32_t KRV_video_time;
int KRV_video_updatespeed;
int KRV_video_numframes;
int KRV_video_fps;
uint32_t KRV_video_oldtime;

// =============================================================================
// Frame pacing
// =============================================================================

// A negative rate is the interval itself in milliseconds; otherwise the
// interval is 1000 / (rate * 1.1), truncated, at least 1 ms. A rate of 0 has
// no interval: it is refused with a message and nothing changes.
void KRV_SetRefreshRate(int rate) {
    if (rate == 0) {
        printf("[KRV] Refresh rate 0 ignored\n");
        return;
    }
    int interval;
    if (rate < 0) {
        interval = rate == INT_MIN ? INT_MAX : -rate;
    } else {
        float t = (float)((double)rate * 1.1);
        float q = (float)(1000.0 / t);
        interval = (int)q;
    }
    if (interval == 0) interval = 1;
    KRV_video_updatespeed = interval;
    KRV_video_time = KRV_GetMillis();
}

// Spins until the interval has passed since the last frame boundary and
// returns the time since then in intervals. Sums and differences are
// unsigned 32-bit, so they follow the clock across its wrap.
float KRV_WaitRefresh(void) {
    KRV_video_numframes++;
    uint32_t end = KRV_video_time + (uint32_t)KRV_video_updatespeed;
    uint32_t now = KRV_GetMillis();
    while (now < end) now = KRV_GetMillis();
    uint32_t elapsed = KRV_GetMillis() - KRV_video_time;
    KRV_video_time = now;
    return (float)elapsed / (float)KRV_video_updatespeed;
}

// Takes a sample of the frame count once a second or more has passed since
// the last one; the sample is not divided by its length.
int KRV_GetFPS(void) {
    uint32_t now = KRV_GetMillis();
    if (now - KRV_video_oldtime >= 1000) {
        KRV_video_fps = KRV_video_numframes;
        KRV_video_numframes = 0;
        KRV_video_oldtime = now;
    }
    return KRV_video_fps;
}
