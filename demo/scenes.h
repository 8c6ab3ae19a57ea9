// Scenes and transitions: each frame two scenes are drawn into their
// framebuffers, each one full-screen quad through the scene's shader with
// its images and uniforms, and a transition shader mixes the two.
#pragma once

#include "krv/corebitmap.h"

// Evaluates the timeline at position, makes the framebuffer current and draws
// the scene of the current event into it (nothing for an index without a row).
void DoEffect(int position, int framebuffer, int slot);
// Draws one scene into the current framebuffer.
void ExecuteShader(int shader, s_bitmap t0, s_bitmap t1, s_bitmap t2, s_bitmap t3, int slot);
// Mixes the outgoing and incoming framebuffers into the current one.
void ExecuteTransition(int position, int transition, int outgoing, int incoming);
// A zooming, wobbling draw of framebuffer_id through the post shader (the
// show does not call it).
void CRT_PostProcess(void);
