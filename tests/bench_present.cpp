// Benchmark: the cost of one presentation pass (KRV_SwapBuffers) at 1920 by
// 1080 through the framework's default post shader, frame pacing off.
// Prints the median over many frames; run it with a display (Xvfb will do).
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <vector>

#include "krv/video_opengl.h"
#include "krv/video_opengl_extended.h"

static double NowMs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

int coremain(int argc, char** argv) {
    int frames = 300;
    if (argc > 1) frames = atoi(argv[1]);
    if (frames < 1) frames = 1;

    KRV_InitVideo(1920, 1080, 0);
    int post = KRV_InitDefaultPostShader();
    KRV_SetPostShader(post);
    KRV_SetScanlineValue(0.25f);
    KRV_SetFadeValue(1.0f);

    // A picture in framebuffer 0: a few coloured quads over the whole frame.
    KRV_BindTexture(krv_whitetexture_id);
    KRV_ClearFrameBuffer(0xFF202020u);
    for (int i = 0; i < 8; i++)
        KRV_DrawColorQuad(i * 240.0f, 0, 240.0f, 1080.0f, (i & 1) ? 1.0f : 0.3f,
                          (i & 2) ? 1.0f : 0.3f, (i & 4) ? 1.0f : 0.3f, 1.0f);

    for (int i = 0; i < 20; i++) KRV_SwapBuffers();  // warm-up

    std::vector<double> cost(frames);
    for (int i = 0; i < frames; i++) {
        double start = NowMs();
        KRV_SwapBuffers();
        cost[i] = NowMs() - start;
    }
    std::sort(cost.begin(), cost.end());
    printf("present 1920x1080 default post shader: median %.3f ms per pass "
           "(%d frames, min %.3f ms, max %.3f ms)\n",
           cost[frames / 2], frames, cost[0], cost[frames - 1]);
    fflush(stdout);
    return 0;
}
