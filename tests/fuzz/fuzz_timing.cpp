// The timing file: the input is "timing.dat" of the mounted data image, read
// with LoadTiming after InitTiming and the show's three transitions; the
// timeline is then evaluated around every event's start and at the ends of
// the position range, and each answer is checked the way the main loop and
// the scenes use it.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "demo/demotiming.h"
#include "tests/fuzz/fuzzsupport.h"

namespace {

int wrap_add(int a, int b) { return (int)((unsigned int)a + (unsigned int)b); }

void evaluate(int position) {
    demo.currentpos = position;
    UpdateDemoTiming(wrap_add(position, -64), 0);
    UpdateDemoTiming(position, 1);
    // What the main loop and the scenes index with the answers.
    // The look-ahead may pass the last event by one (onto the unwritten entry).
    if (demo.currentevent < 0 || demo.currentevent > demo.numevents + 1 || demo.currentevent > 255) abort();
    const s_event& e = demo.events[demo.currentevent];
    if (e.transition_id < 0 || e.transition_id >= 64) abort();
    if (demo.currentstate < 0 || demo.currentstate >= 32) abort();
    if (demo.statetime < 0) abort();
    (void)demo.transitions[e.transition_id].duration;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_mountone("timing.dat", data, size);
    memset(&demo, 0, sizeof demo);
    InitTiming();
    LoadTiming("timing.dat");
    AddTransition(0, 64, 0, 0.2f, 0.0f);
    AddTransition(0, 40, 0, 0.1f, 0.0f);
    AddTransition(1, 20, 0, 0.0f, 1.0f);

    const int offsets[] = {-65, -64, -1, 0, 1, 64};
    int n = demo.numevents < 0 ? 0 : (demo.numevents > 256 ? 256 : demo.numevents);
    for (int i = 0; i < n; i++)
        for (int d : offsets) evaluate(wrap_add(demo.events[i].audiopos, d));
    for (int p : {INT_MIN, -65, 0, INT_MAX}) evaluate(p);
    return 0;
}
