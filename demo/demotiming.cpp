// The show's timeline and its timing file.
//
// Limits: 256 event entries, of which 255 can hold events, because the
// look-ahead of UpdateDemoTiming reads the entry after the current event and
// the last entry has to stay unwritten (all zero) for it; 32 states per event;
// 64 transitions. Whatever would go past a limit is left out with a printed
// line and the show goes on; nothing is written or read outside the tables.
#include "demo/demotiming.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/corefile/corefile.h"

s_demo demo;

namespace {

const int kEventEntries = 256;
const int kUsableEvents = kEventEntries - 1;  // the last entry stays free for the look-ahead
const int kStates = 32;
const int kTransitions = 64;

// The counts are plain fields of a public record; the lookups clamp them to
// the tables so that a stray write cannot make them read outside.
int EventsInTable() {
    if (demo.numevents < 0) return 0;
    return demo.numevents > kUsableEvents ? kUsableEvents : demo.numevents;
}

int StatesInTable(const s_event& event) {
    if (event.numstates < 0) return 0;
    return event.numstates > kStates ? kStates : event.numstates;
}

// Sums of positions wrap around as 32-bit integers do, without the undefined
// behaviour of a signed overflow.
int WrapAdd(int a, int b) { return (int)((unsigned int)a + (unsigned int)b); }
int WrapSub(int a, int b) { return (int)((unsigned int)a - (unsigned int)b); }

}  // namespace

// ---------------------------------------------------------------------------
// Filling the timeline

void InitTiming(void) {
    demo.numevents = 0;
    demo.currentevent = 0;
    AddEventTime(0, 0);
}

// A transition id outside the table would make the main loop read past it;
// such an id is replaced by transition 0 (the one of an unwritten entry) and
// the event itself is kept, so the events after it keep their places.
void AddEventTime(int audiopos, int transition_id) {
    if (demo.numevents < 0 || demo.numevents >= kUsableEvents) {
        printf("- too many events (at most %d), event at %d left out\n", kUsableEvents, audiopos);
        return;
    }
    if (transition_id < 0 || transition_id >= kTransitions) {
        printf("- event at %d: transition %d outside 0 to %d, transition 0 used\n", audiopos,
               transition_id, kTransitions - 1);
        transition_id = 0;
    }
    s_event& e = demo.events[demo.numevents];
    e.audiopos = audiopos;
    e.transition_id = transition_id;
    e.numstates = 0;
    demo.numevents++;
}

// The state index is not used: states are appended in the order they come.
// An event index may name an entry not filled yet (it is attached there all
// the same); the entry kept free for the look-ahead takes no states.
void AddEventState(int time, int event, int state) {
    (void)state;
    if (event < 0 || event >= kUsableEvents) {
        printf("- state at %d: event %d outside 0 to %d, left out\n", time, event, kUsableEvents - 1);
        return;
    }
    s_event& e = demo.events[event];
    if (e.numstates < 0 || e.numstates >= kStates) {
        printf("- event %d: too many states (at most %d), state at %d left out\n", event, kStates, time);
        return;
    }
    e.states[e.numstates] = WrapSub(time, e.audiopos);
    e.numstates++;
}

void AddTransition(int shader, int duration, int param, float smoothness, float custom) {
    if (demo.numtransitions < 0 || demo.numtransitions >= kTransitions) {
        printf("- too many transitions (at most %d), transition left out\n", kTransitions);
        return;
    }
    s_transition& t = demo.transitions[demo.numtransitions];
    t.shader = shader;
    t.duration = duration;
    t.param = param;
    t.smoothness = smoothness;
    t.custom = custom;
    demo.numtransitions++;
}

// ---------------------------------------------------------------------------
// Lookups

// The last event in table order that has started; 0 when none has.
int GetTimingEvent(int position) {
    int found = 0;
    int n = EventsInTable();
    for (int i = 0; i < n; i++)
        if (demo.events[i].audiopos <= position) found = i;
    return found;
}

// The last state in table order that has started; 0 when none has.
int GetTimingState(int position, int event) {
    if (event < 0 || event >= EventsInTable()) return 0;
    const s_event& e = demo.events[event];
    int found = 0;
    int n = StatesInTable(e);
    for (int i = 0; i < n; i++)
        if ((long long)position >= (long long)e.audiopos + e.states[i]) found = i;
    return found;
}

// An event becomes current 64 show units before its start. The event is
// chosen at the given position; its state and state time always at the
// frame's position.
void UpdateDemoTiming(int position, int unused) {
    (void)unused;
    int event = GetTimingEvent(position);
    // The next start goes through single precision before 64 is taken off.
    if ((double)position >= (double)(float)demo.events[event + 1].audiopos - 64.0) event++;
    demo.currentevent = event;

    int state = GetTimingState(demo.currentpos, event);
    demo.currentstate = state;
    const s_event& e = demo.events[event];
    long long since = (long long)demo.currentpos - ((long long)e.audiopos + e.states[state]);
    if (since < 0) since = 0;
    if (since > INT_MAX) since = INT_MAX;
    demo.statetime = (int)since;
}

// ---------------------------------------------------------------------------
// Ramps of the transition pass

// Linear ramp in single precision, not clamped.
float step(float a, float b, float x) { return (x - a) / (b - a); }

// Clamped smooth ramp. The ramp position is found in double precision; fmin
// and fmax give the other operand for a NaN, so a == b gives 0 up to a and 1
// after it.
float smoothstep(float a, float b, float x) {
    double t = ((double)x - (double)a) / ((double)b - (double)a);
    t = fmin(fmax(t, 0.0), 1.0);
    float s = (float)t;
    return s * s * (3.0f - 2.0f * s);
}

// ---------------------------------------------------------------------------
// The timing file

// Lines "event index audiopos numstates transition_id" and "state index
// offset"; anything else is skipped. A line that gives fewer numbers than its
// kind takes the missing ones from the previous line of the same kind. Lines
// that cannot be placed are left out with a printed line: an event line with
// no start of its own or carried over, a state line with no offset, a state
// line before the first event line and the state lines of a left-out event.
// Numbers that no line has set yet and that do not place anything (the state
// count and transition of an event line) are 0.
void LoadTiming(const char* path) {
    s_corefile handle = {};
    if (!corefile_open(path, &handle, 0)) return;
    printf("load timing %s, size: %d\n", path, (int)handle.size);

    demo.numevents = 0;

    int index = 0, audiopos = 0, numstates = 0, transition_id = 0;  // latest event line
    int stateindex = 0, offset = 0;                                  // latest state line
    int eventnumbers = 0;  // most numbers an event line has given so far
    int statenumbers = 0;  // most numbers a state line has given so far
    enum { NO_EVENT_YET, EVENT_KEPT, EVENT_LEFT_OUT } latest = NO_EVENT_YET;

    char line[256];
    char word[256];
    const unsigned int start = corefile_tell(&handle);
    do {
        memset(line, 0, sizeof line);
        unsigned int used = corefile_tell(&handle) - start;
        corefile_gets(line, sizeof line, &handle);
        // In an image a last line without a line break runs on into the next
        // file's bytes; those are not part of the timing file.
        unsigned int left = used < handle.size ? handle.size - used : 0;
        if (strlen(line) > left) line[left] = 0;

        memset(word, 0, sizeof word);
        if (sscanf(line, "%255s", word) != 1) word[0] = 0;

        if (strcmp(word, "event") == 0) {
            int got = sscanf(line, "%255s %d %d %d %d", word, &index, &audiopos, &numstates,
                             &transition_id) - 1;
            if (got > eventnumbers) eventnumbers = got;
            if (eventnumbers < 2) {
                printf("- event line without a start, left out\n");
                latest = EVENT_LEFT_OUT;
            } else {
                printf("- event: %d %d %d %d\n", index, audiopos, numstates, transition_id);
                int before = demo.numevents;
                AddEventTime(audiopos, transition_id);
                latest = demo.numevents > before ? EVENT_KEPT : EVENT_LEFT_OUT;
            }
        } else if (strcmp(word, "state") == 0) {
            int got = sscanf(line, "%255s %d %d ", word, &stateindex, &offset) - 1;
            if (got > statenumbers) statenumbers = got;
            if (latest == NO_EVENT_YET) {
                printf("- state line before the first event line, left out\n");
            } else if (latest == EVENT_LEFT_OUT) {
                printf("- state line of a left-out event, left out\n");
            } else if (statenumbers < 2) {
                printf("- state line without an offset, left out\n");
            } else {
                printf("- state: %d %d\n", stateindex, offset);
                AddEventState(WrapAdd(audiopos, offset), index, stateindex);
            }
        }
    } while (!corefile_feof(&handle));

    corefile_close(&handle);
}

// Writes the events and their states in the format LoadTiming reads.
void SaveTiming(const char* path) {
    FILE* fp = fopen(path, "wt");
    if (!fp) {
        printf("- could not write timing %s\n", path);
        return;
    }
    fputs(";events (index, audiopos, numstates, transition_id)\n", fp);
    int n = EventsInTable();
    for (int i = 0; i < n; i++) {
        const s_event& e = demo.events[i];
        int states = StatesInTable(e);
        fprintf(fp, "event %d %06d %d %d\n", i, e.audiopos, states, e.transition_id);
        for (int j = 0; j < states; j++) fprintf(fp, "state %d %d\n", j, e.states[j]);
    }
    fclose(fp);
}
