// Benchmark: the cost of one full frame of the show for each scene row, on
// the real data image: RunFrame as the show runs it (band levels, the two
// scenes into their 640x360 framebuffers, the transition pass, the
// presentation at 1920 by 1080 through the CRT post shader), with the frame
// limiter off. Started like the show (StartShow, window 1920x1080, the
// driver's demo thread); run it from build/show/, beside kastrel.dat, under
// a display (Xvfb will do):  bench_frames [frames per row]
//
// Each row is measured over frames spread evenly from the event's start to
// 64 units before the next one (where both scenes of the frame are the
// row's own). The last row is current only in the 64 units before its own
// start, where the transition from row 11 into it runs: it is measured
// there (the show ends on the first of those frames). Before each frame the music is set to the frame's position,
// so the show clock, the states and the band levels are those of the show
// at that moment. Prints each row's median and names every row whose median
// is above the 15 ms frame interval.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "demo/demotiming.h"
#include "demo/main.h"
#include "krv/krv.h"
#include "sound/soundlock.h"

static double NowMs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

static void PrintLoad(const char* when) {
    char text[128] = "?";
    FILE* f = fopen("/proc/loadavg", "r");
    if (f) {
        if (!fgets(text, sizeof text, f)) text[0] = 0;
        fclose(f);
    }
    printf("load average %s: %s", when, text);
}

// The music's playback position set to a show position (values, 8 fraction bits).
static void SetMusicPosition(int position) {
    soundlock_enter();
    snd_demomusic.position = ((uint64_t)position * 1024 * snd_demomusic.channels) << 8;
    soundlock_leave();
}

static const char* const kRowNames[13] = {
    "wave_curtain2 (intro)", "firecube (title)", "ballz", "lumicube", "heart", "cubemaze2 (credits)",
    "blobs2 (floor)",        "voronoi",          "mossruncube", "mossruninside", "noise",
    "wave_curtain2 (vote)",  "wave_curtain2 (end)",
};

int coremain(int argc, char** argv) {
    int frames = 60;
    if (argc > 1) frames = atoi(argv[1]);
    if (frames < 1) frames = 1;
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    // Start-up's own log is of no interest here.
    fflush(stdout);
    int saved = dup(1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    StartShow(0);
    fflush(stdout);
    dup2(saved, 1);
    close(null);
    close(saved);
    if (demo.numevents != 13) {
        printf("bench_frames: the timeline has %d events, not 13 (is kastrel.dat here?)\n", demo.numevents);
        fflush(stdout);
        StopShow();
        return 0;
    }
    // Pacing off: an interval of 0 ms makes the limiter return at once (its
    // frame step, elapsed time over 0, is not used by a frame).
    KRV_video_updatespeed = 0;

    PrintLoad("before");
    printf("frame = RunFrame: two scenes at 640x360, the transition, presentation at 1920x1080 (CRT)\n");
    printf("%d frames per row, pacing off\n", frames);
    double medians[13];
    for (int row = 0; row < 13; row++) {
        int from = demo.events[row].audiopos;
        int to = row < 12 ? demo.events[row + 1].audiopos - 64 : from;
        if (row == 12) from -= 64;
        for (int i = 0; i < 5; i++) {  // warm-up: first draws compile and upload lazily
            SetMusicPosition(from);
            RunFrame();
        }
        std::vector<double> cost(frames);
        for (int i = 0; i < frames; i++) {
            SetMusicPosition(from + (int)((long long)(to - from) * i / frames));
            double start = NowMs();
            RunFrame();
            cost[i] = NowMs() - start;
        }
        std::sort(cost.begin(), cost.end());
        medians[row] = cost[frames / 2];
        printf("row %2d %-22s median %7.2f ms  (min %7.2f, max %7.2f)\n", row, kRowNames[row], medians[row],
               cost[0], cost[frames - 1]);
        fflush(stdout);
    }
    int over = 0;
    for (int row = 0; row < 13; row++)
        if (medians[row] > 15.0) {
            printf("above 15 ms: row %d %s, median %.2f ms\n", row, kRowNames[row], medians[row]);
            over++;
        }
    if (!over) printf("every row within 15 ms\n");
    PrintLoad("after");
    fflush(stdout);
    StopShow();
    return 0;
}
