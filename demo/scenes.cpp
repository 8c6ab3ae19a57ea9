// Scenes and transitions.
//
// A shader id of -1 (its file was missing from the data image) names no
// program: such a scene or transition draws nothing and makes no GL call on
// its shader, so the framebuffer keeps the picture it last received.
#include "demo/scenes.h"

#include <cmath>
#include <cstdlib>

#include "demo/assets.h"
#include "demo/bandanalysis.h"
#include "demo/demotiming.h"
#include "demo/main.h"
#include "krv/video_opengl.h"
#include "krv/video_opengl_extended.h"

namespace {

// Rows of the scene table: one per event index 0 to 12.
const int DEMO_NUMSCENES = 13;

struct s_scene {
    int* shader;
    s_bitmap* channel[4];
};

// The scene of each event index: its shader and the images on channels 0 to 3.
const s_scene scenes[DEMO_NUMSCENES] = {
    {&shader_intro, {&bmp_curtain, &bmp_band, &bmp_intro, &bmp_none}},
    {&shader_title, {&bmp_curtain, &bmp_title, &bmp_none, &bmp_none}},
    {&shader_metaballs, {&bmp_lumitide, &bmp_kowtf1, &bmp_kowtf2, &bmp_lumitide1}},
    {&shader_lumicube, {&bmp_lumitide2, &bmp_lumitide2b, &bmp_lumitide2t, &bmp_none}},
    {&shader_heart, {&bmp_varu1, &bmp_varu2, &bmp_none, &bmp_none}},
    {&shader_cubemaze, {&bmp_credits1, &bmp_credits2, &bmp_credits3, &bmp_credits4}},
    {&shader_floor, {&bmp_girls, &bmp_girls2, &bmp_none, &bmp_none}},
    {&shader_prolvens, {&bmp_prolvens, &bmp_prolvens2, &bmp_prolvenstext, &bmp_none}},
    {&shader_mossruncube, {&bmp_curtain, &bmp_getmossruny, &bmp_none, &bmp_none}},
    {&shader_mossruninside, {&bmp_curtain, &bmp_glintext, &bmp_none, &bmp_none}},
    {&shader_noise, {&bmp_none, &bmp_none, &bmp_none, &bmp_none}},
    {&shader_intro, {&bmp_curtain, &bmp_band, &bmp_vote, &bmp_none}},
    {&shader_intro, {&bmp_curtain, &bmp_band, &bmp_vote, &bmp_none}},
};

// Start of an event; an index outside the table reads as an unwritten entry
// (start 0), as the entry after the last event does.
int EventStart(int index) {
    if (index < 0 || index >= (int)(sizeof demo.events / sizeof demo.events[0])) return 0;
    return demo.events[index].audiopos;
}

}  // namespace

void DoEffect(int position, int framebuffer, int slot) {
    UpdateDemoTiming(position, slot);
    KRV_SetFrameBuffer(framebuffer);
    if ((unsigned)demo.currentevent < DEMO_NUMSCENES) {
        const s_scene& s = scenes[demo.currentevent];
        ExecuteShader(*s.shader, *s.channel[0], *s.channel[1], *s.channel[2], *s.channel[3], slot);
    }
}

void ExecuteShader(int shader, s_bitmap t0, s_bitmap t1, s_bitmap t2, s_bitmap t3, int slot) {
    (void)slot;
    if (shader < 0) return;
    KRV_BindShader(shader);
    float time = (float)((demo.currentpos - EventStart(demo.currentevent)) * 0.01);
    KRV_SetShaderUniform1f(shader, "time", time);
    KRV_SetShaderUniform1f(shader, "statetime", (float)(demo.statetime * 0.01));
    KRV_SetShaderUniform1f(shader, "fade", 1.0f);
    KRV_SetShaderUniform2f(shader, "resolution", 640.0f, 360.0f);
    KRV_SetShaderUniform3f(shader, "spectrum", fft_low, fft_middle, fft_high);
    KRV_SetShaderUniform3f(shader, "absfft", absfft_low, absfft_middle, absfft_high);
    KRV_SetShaderUniform4f(shader, "fft", fft_low, fft_middle, fft_middle2, fft_high);
    KRV_SetShaderUniform1i(shader, "state", demo.currentstate);
    KRV_SetShaderUniform1i(shader, "texture0", 0);
    KRV_SetShaderUniform1i(shader, "texture1", 1);
    KRV_SetShaderUniform1i(shader, "texture2", 2);
    KRV_SetShaderUniform1i(shader, "texture3", 3);
    KRV_BindTextureChannel(t3.textureid, 3);
    KRV_BindTextureChannel(t2.textureid, 2);
    KRV_BindTextureChannel(t1.textureid, 1);
    KRV_BindTextureChannel(t0.textureid, 0);
    KRV_DrawQuad(0, 0, (float)KRV_FrameBuffer->width, (float)KRV_FrameBuffer->height, 0, 1, 1, 0);
    KRV_UnbindShader();
}

void ExecuteTransition(int position, int transition, int outgoing, int incoming) {
    // The timeline keeps every event's transition id within the table.
    if (transition < 0 || transition >= (int)(sizeof demo.transitions / sizeof demo.transitions[0])) return;
    const s_transition& t = demo.transitions[transition];
    if (t.shader < 0) return;
    // A framebuffer that could not be made has the id -1: nothing to mix.
    const int slots = (int)(sizeof KRV_framebufferdata / sizeof KRV_framebufferdata[0]);
    if (outgoing < 0 || outgoing >= slots || incoming < 0 || incoming >= slots) return;
    float len = (float)t.duration;
    float startA = (float)EventStart(demo.currentevent);
    float startB = (float)EventStart(demo.currentevent + 1);
    float pos = (float)position;
    float end = pos >= startB - len ? startB : startA;
    float progress = step(end - len, end, pos);
    progress = (float)fmax(fmin((double)progress, 1.0), 0.0);
    float blend = smoothstep(0.5 - 0.5 * t.smoothness, 0.5 + 0.5 * t.smoothness, progress);
    float sintime = (float)(1 - (cos(progress * 3.141592653) * 0.5 + 0.5));

    KRV_SetShaderUniform2f(t.shader, "resolution", 640.0f, 360.0f);
    KRV_SetShaderUniform3f(t.shader, "spectrum", fft_low, fft_middle, fft_high);
    KRV_SetShaderUniform4f(t.shader, "fft", fft_low, fft_middle, fft_middle2, fft_high);
    KRV_SetShaderUniform1i(t.shader, "texture0", 0);
    KRV_SetShaderUniform1i(t.shader, "texture1", 1);
    KRV_SetShaderUniform1i(t.shader, "texture2", 2);
    KRV_SetShaderUniform1i(t.shader, "texture3", 3);
    KRV_SetShaderUniform1f(t.shader, "time", (float)position);
    KRV_SetShaderUniform3f(t.shader, "color", 1.0f, 1.0f, 1.0f);
    KRV_SetShaderUniform1f(t.shader, "timingProgress", progress);
    KRV_SetShaderUniform1f(t.shader, "sintime", sintime);
    KRV_SetShaderUniform1f(t.shader, "blend", blend);
    KRV_SetShaderUniform1f(t.shader, "custom", t.custom);

    KRV_BindTextureChannel((int)KRV_framebufferdata[incoming].texture, 1);
    KRV_BindTextureChannel((int)KRV_framebufferdata[outgoing].texture, 0);
    KRV_BindShader(t.shader);
    KRV_DrawQuad(0, 0, (float)KRV_FrameBuffer->width, (float)KRV_FrameBuffer->height, 0, 1, 1, 0);
    KRV_UnbindShader();
}

// Nothing in the show calls this pass; it draws into whatever framebuffer is
// current and is kept for callers that want the zooming CRT look.
void CRT_PostProcess(void) {
    if (postshader_id < 0) return;
    KRV_BindShader(postshader_id);
    KRV_SetShaderUniform1f(postshader_id, "time", currentframe);
    int r = rand() % 100;
    KRV_SetShaderUniform1f(postshader_id, "fadevalue", (float)(1.0 + r / 1000.0));
    KRV_EnableRenderState(2);
    double t = currentframe;
    float zoom = (float)(t * 0.0001 + 0.88);
    zoom = (float)(zoom + sin(t * (3.141592653 / 140)) * 0.005);
    float w = zoom * 1844.0f;
    float h = zoom * 1000.0f;
    float dx = (float)(sin(t * (3.141592653 / 900)) * 64.0);
    float dy = (float)(sin(t * (3.141592653 / 637)) * 24.0);
    KRV_DrawFrameBuffer((int)(960 - 0.5f * w + dx), (int)(540 - 0.5f * h + dy), (int)w, (int)h, framebuffer_id);
    KRV_DisableRenderState(2);
    KRV_UnbindShader();
}
