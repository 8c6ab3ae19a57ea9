// Start-up and the frame loop of the show.
//
// The show clock is the music's playback position in sample frames divided
// by 1024 (show units). With "music.wav" missing, the music record is empty:
// it is played and stopped all the same, its position reads 0, and the show
// stands at position 0 until Escape or the window's close.
#include "demo/main.h"

#include <cstdio>

#include "core/corefile/corefile.h"
#include "demo/assets.h"
#include "demo/bandanalysis.h"
#include "demo/demotiming.h"
#include "demo/scenes.h"
#include "krv/coreinput.h"
#include "krv/driver_win32.h"
#include "krv/krv.h"
#include "krv/video_opengl.h"
#include "sound/soundlock.h"

s_sound snd_demomusic;
int fx1_framebuffer_id = 0;
int fx2_framebuffer_id = 0;
int framebuffer_id = 0;
bool exitdemo = false;
float framestep = 0;
float currentframe = 0;

void HandleInput(int position, int event, int state) {
    (void)position;
    (void)event;
    (void)state;
    int held = 0, pressed = 0;
    KRV_GetKeys(&held, &pressed);
    if (pressed & 0x8000) {
        printf("- saving timing\n");
        exitdemo = true;
    }
}

void StartShow(int flags) {
    corefile_mountimage("kastrel.dat", 0);
    KRV_SetTitle("Ondrave - Kastrel");
    KRV_InitVideo(1920, 1080, flags);
    Soundsystem_Init(44100, 16, 2);
    Soundsystem_LoadSound("music.wav", &snd_demomusic);
    fx1_framebuffer_id = KRV_CreateFrameBuffer(640, 360, 0);
    fx2_framebuffer_id = KRV_CreateFrameBuffer(640, 360, 0);
    framebuffer_id = KRV_CreateFrameBuffer(640, 360, 0);
    KRV_SetFrameBuffer(framebuffer_id);
    LoadShaders();
    LoadResources();
    Soundsystem_PlayMusic(&snd_demomusic, 0);
    InitTiming();
    LoadTiming("timing.dat");
    printf("- ready!\n");
    AddTransition(transition_dissolve, 64, 0, 0.9f, 0.0f);
    AddTransition(transition_dissolve, 40, 0, 0.9f, 0.0f);
    AddTransition(transition_flash, 64, 0, 0.9f, 0.0f);
    currentframe = 0;
    exitdemo = false;
}

// The music's position in show units. The record is copied inside the sound
// lock, so that the mixer's 64-bit position is never read half-written.
static int ShowClock(void) {
    soundlock_enter();
    s_sound music = snd_demomusic;
    soundlock_leave();
    return (int)(unsigned int)(Soundsystem_GetSoundOffset(music) >> 10);
}

void RunFrame(void) {
    framestep = KRV_WaitRefresh();
    SplitFrequency(&fft_low, &fft_middle, &fft_middle2, &fft_high);
    UpdateFrequencySums();
    demo.currentpos = ShowClock();
    HandleInput(demo.currentpos, demo.currentevent, demo.currentstate);

    UpdateDemoTiming(demo.currentpos - 64, 0);
    demo.currenttransition = demo.events[demo.currentevent].transition_id;
    DoEffect(demo.currentpos - demo.transitions[demo.currenttransition].duration, fx1_framebuffer_id, 0);
    DoEffect(demo.currentpos, fx2_framebuffer_id, 1);

    UpdateDemoTiming(demo.currentpos, 0);
    if (demo.currentevent > 11) exitdemo = true;

    KRV_SetFrameBuffer(framebuffer_id);
    ExecuteTransition(demo.currentpos, demo.currenttransition, fx1_framebuffer_id, fx2_framebuffer_id);
    // Drawing framebuffer_id's own texture into framebuffer_id at full size
    // would sample the texture being rendered to, which OpenGL leaves
    // undefined. An exact copy of a picture onto itself changes nothing, so
    // that draw is left out: the presented picture is the mix exactly as the
    // transition drew it.
    KRV_SwapBuffers();
    currentframe = currentframe + framestep;
}

void StopShow(void) { Soundsystem_StopSound(&snd_demomusic); }
