// The show's timeline: events (scenes) with their states (steps within a
// scene), the transitions between scenes, the lookups that turn a position in
// show units (1024 sample frames of the music) into the current event, state
// and state time, the two ramps of the transition pass, and the timing file.
#pragma once

// One event: a scene of the show.
struct s_event {
    int audiopos;        // start, in show units
    int transition_id;   // transition from this event into the next one
    int numstates;       // states in use
    int states[32];      // start of each state, offset from audiopos
};

// One transition between two scenes.
struct s_transition {
    int shader;          // shader id of the transition shader
    int duration;        // length, in show units
    int param;           // stored, not used by the show
    float smoothness;    // width of the smoothed band of the blend
    float custom;        // handed to the transition shader
};

// The timeline. Events and transitions are only ever appended.
struct s_demo {
    s_event events[256];
    s_transition transitions[64];
    int currentpos;          // position of this frame, set by the main loop
    int numevents;
    int numtransitions;
    int currentevent;        // answers of the latest UpdateDemoTiming
    int currenttransition;   // set by the main loop
    int currentstate;
    int statetime;
};

extern s_demo demo;

void InitTiming(void);
void AddEventTime(int audiopos, int transition_id);
void AddEventState(int time, int event, int state);
void AddTransition(int shader, int duration, int param, float smoothness, float custom);
int GetTimingEvent(int position);
int GetTimingState(int position, int event);
void UpdateDemoTiming(int position, int unused);
float step(float a, float b, float x);
float smoothstep(float a, float b, float x);
void LoadTiming(const char* path);
void SaveTiming(const char* path);
