// The show's start-up and frame loop: the music record, the three scene
// framebuffers, the end flag and the frame count, the key check of one
// frame, and the three stages coremain runs (start, frames, stop).
#pragma once

#include "sound/coresound.h"

extern s_sound snd_demomusic;      // the music, played once from "music.wav"
extern int fx1_framebuffer_id;     // outgoing scene (the transition's first input)
extern int fx2_framebuffer_id;     // incoming scene (the transition's second input)
extern int framebuffer_id;         // the mixed picture, presented each frame
extern bool exitdemo;              // set to end the loop after the current frame
extern float framestep;            // this frame's step from KRV_WaitRefresh
extern float currentframe;         // sum of the frame steps since the loop began

// The Escape check of one frame; the three arguments are not read.
void HandleInput(int position, int event, int state);

// Start-up, from mounting "kastrel.dat" to the three transitions; flags is
// the video's full-screen flag (1 full screen, 0 windowed).
void StartShow(int flags);
// One frame: pacing, band levels, the show clock, keys, the two scenes, the
// end rule, the transition and the presentation.
void RunFrame(void);
// The end: the music is stopped.
void StopShow(void);

// The show's entry, run on the demo thread by the driver.
int coremain(int argc, char** argv);
