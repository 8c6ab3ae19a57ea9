// Frame pacing: the busy-waiting frame limiter on the millisecond clock,
// the refresh rate that sets its interval, and the FPS sampler.
#pragma once

#include <stdint.h>

extern uint32_t KRV_video_time;       // tick of the last frame boundary
extern int KRV_video_updatespeed;     // frame interval in ms
extern int KRV_video_numframes;       // frames since the last FPS sample
extern int KRV_video_fps;             // the last sample
extern uint32_t KRV_video_oldtime;    // tick of the last FPS sample

float KRV_WaitRefresh(void);
void KRV_SetRefreshRate(int rate);
int KRV_GetFPS(void);
