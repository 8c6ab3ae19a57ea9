// genmusic: synthesises the show's music, "music.wav".
//
//   genmusic OUT.wav            render the piece and write it to OUT.wav
//   genmusic --sections         print the sections and their phases (no render)
//   genmusic --report OUT.wav   render, write, and print a summary per section
//
// The piece is an original composition in A minor at 129.2 beats per minute.
// A beat is exactly 20480 frames, so a bar is 81920 frames: 80 show units of
// 1024 frames. Every section starts on a bar, which puts every section start
// and phase change on a whole show unit. Twelve sections (intro, build, two
// drops, breakdown, second build, two more drops, bridge, final drop, climax,
// outro) fill 88 bars; then 96 show units of tail let the last echoes die.
//
// Instruments: kick, clap and snare, closed and open hats, crash, noise riser
// and noise wash, a sub and saw bass, supersaw pads, plucked chord stabs, a
// square arpeggio and a saw lead with glide and vibrato, through a stereo
// delay and a reverb. Kicks duck the bass, pads, stabs and arpeggio.
//
// The output is 44100 Hz, 16-bit stereo PCM with the plain 44-byte header.
// Everything is computed from fixed tables and a fixed-seed noise generator,
// so two runs give the same bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int64_t kStep = 5120;      // a sixteenth note, in frames
constexpr int64_t kBeat = 4 * kStep;  // 20480 frames
constexpr int64_t kBar = 16 * kStep;  // 81920 frames, 80 show units
constexpr int kUnit = 1024;           // frames per show unit
constexpr int kEndBar = 88;           // the music ends here (silent from here on)
constexpr int kTailUnits = 96;        // silence and echo tail behind the last bar
constexpr int64_t kFrames = kEndBar * kBar + kTailUnits * (int64_t)kUnit;
constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------
// Form

struct Section {
    const char* name;
    int bar;        // first bar
    int bars;       // length in bars
    int nphases;
    int phases[4];  // bars from the section start where the arrangement changes
};

const Section kSections[] = {
    {"intro", 0, 8, 2, {0, 4}},        // pads; the arpeggio enters
    {"build", 8, 8, 3, {0, 4, 6}},     // kick and bass; clap and riser; snare roll
    {"drop", 16, 8, 2, {0, 4}},        // full groove with stabs; arpeggio joins
    {"drop-lead", 24, 8, 2, {0, 4}},   // the lead's theme, question and answer
    {"breakdown", 32, 8, 2, {0, 4}},   // heartbeat, pads, slow melody; arpeggio
    {"build2", 40, 8, 3, {0, 4, 7}},   // groove; snare roll and riser; the gap
    {"drop2", 48, 8, 2, {0, 4}},       // second drop with the theme
    {"drop2-high", 56, 8, 2, {0, 4}},  // theme an octave up, busier hats
    {"bridge", 64, 4, 2, {0, 2}},      // half time, Dm F G E; hats and roll
    {"final", 68, 8, 2, {0, 4}},       // everything, theme in octaves
    {"climax", 76, 4, 2, {0, 2}},      // noise wash and rising lead; kick stops
    {"outro", 80, 8, 2, {0, 4}},       // groove fades; pads and arpeggio to the end
};
constexpr int kNumSections = (int)(sizeof kSections / sizeof kSections[0]);

int section_of_bar(int bar) {
    for (int s = kNumSections - 1; s >= 0; s--)
        if (bar >= kSections[s].bar) return s;
    return 0;
}

// ---------------------------------------------------------------------------
// Harmony

struct Chord {
    int bass;      // MIDI note of the bass (octave 2)
    int notes[4];  // pad voicing around middle C
};

const Chord kAm = {45, {57, 60, 64, 69}};
const Chord kF = {41, {57, 60, 65, 69}};
const Chord kC = {48, {55, 60, 64, 67}};
const Chord kG = {43, {55, 59, 62, 67}};
const Chord kEm7 = {40, {55, 59, 62, 64}};
const Chord kFmaj7 = {41, {57, 60, 64, 65}};
const Chord kDm = {38, {57, 62, 65, 69}};
const Chord kE = {40, {56, 59, 64, 68}};

const Chord* kMainProg[4] = {&kAm, &kF, &kC, &kG};
const Chord* kBreakProg[4] = {&kFmaj7, &kG, &kEm7, &kAm};
const Chord* kBridgeProg[4] = {&kDm, &kF, &kG, &kE};
const Chord* kClimaxProg[4] = {&kF, &kF, &kG, &kG};
const Chord* kOutroProg[8] = {&kAm, &kF, &kC, &kG, &kF, &kG, &kAm, &kAm};

const Chord& chord_of_bar(int bar) {
    int s = section_of_bar(bar);
    int k = bar - kSections[s].bar;
    const char* n = kSections[s].name;
    if (!strcmp(n, "breakdown")) return *kBreakProg[k % 4];
    if (!strcmp(n, "bridge")) return *kBridgeProg[k % 4];
    if (!strcmp(n, "climax")) return *kClimaxProg[k % 4];
    if (!strcmp(n, "outro")) return *kOutroProg[k % 8];
    return *kMainProg[k % 4];
}

// Melodies in sixteenth steps from the phrase start.
struct MelNote {
    int step, len, note;
};

// The theme: eight bars over Am F C G, a question and its answer.
const MelNote kTheme[] = {
    {0, 2, 69},   {2, 2, 72},   {4, 4, 76},   {8, 2, 74},   {10, 2, 72},  {12, 4, 74},
    {16, 2, 72},  {18, 2, 69},  {20, 4, 72},  {24, 4, 77},  {28, 4, 76},
    {32, 2, 76},  {34, 2, 79},  {36, 4, 76},  {40, 2, 74},  {42, 2, 72},  {44, 4, 74},
    {48, 4, 71},  {52, 4, 74},  {56, 6, 79},
    {64, 3, 81},  {67, 3, 79},  {70, 2, 76},  {72, 4, 81},  {76, 2, 79},  {78, 2, 76},
    {80, 4, 77},  {84, 2, 76},  {86, 2, 72},  {88, 4, 69},  {92, 4, 72},
    {96, 3, 79},  {99, 3, 76},  {102, 2, 72}, {104, 4, 76}, {108, 4, 79},
    {112, 4, 74}, {116, 2, 71}, {118, 2, 74}, {120, 8, 76},
};
// The breakdown's slow melody over Fmaj7 G Em7 Am, played twice.
const MelNote kSlow[] = {
    {0, 8, 81},  {8, 4, 79},  {12, 4, 76}, {16, 12, 74}, {28, 4, 71},
    {32, 8, 76}, {40, 4, 79}, {44, 4, 83}, {48, 16, 81},
    {64, 8, 81}, {72, 4, 79}, {76, 4, 76}, {80, 12, 74}, {92, 4, 79},
    {96, 8, 76}, {104, 4, 79}, {108, 4, 83}, {112, 12, 84}, {124, 4, 83},
};
// The climax's rising line.
const MelNote kRise[] = {
    {0, 16, 76}, {16, 16, 77}, {32, 8, 79}, {40, 8, 81}, {48, 16, 83},
};

double mtof(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// ---------------------------------------------------------------------------
// Buses and building blocks

std::vector<float> g_dry_l, g_dry_r;    // drums and lead: not ducked
std::vector<float> g_duck_l, g_duck_r;  // bass, pads, stabs, arpeggio: ducked by the kick
std::vector<float> g_rev_send;          // mono reverb input
std::vector<float> g_dly_send;          // mono delay input
std::vector<int64_t> g_kicks;           // kick frames, for the ducking

uint32_t g_noise = 0x2545F491u;

// White noise in -1 .. 1 from a fixed-seed xorshift generator.
double noise() {
    g_noise ^= g_noise << 13;
    g_noise ^= g_noise >> 17;
    g_noise ^= g_noise << 5;
    return (double)g_noise / 2147483648.0 - 1.0;
}

void add(std::vector<float>& bus, int64_t i, double v) {
    if (i >= 0 && i < kFrames) bus[(size_t)i] += (float)v;
}

// Equal-power pan: p from -1 (left) to 1 (right).
void pan_gains(double p, double* l, double* r) {
    double a = (p + 1.0) * 0.25 * kPi;
    *l = std::cos(a) * 1.41421356;
    *r = std::sin(a) * 1.41421356;
}

// Band-limited sawtooth (polyBLEP).
double blep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct Osc {
    double phase = 0.0;
    double saw(double freq) {
        double dt = freq / kRate;
        double v = 2.0 * phase - 1.0 - blep(phase, dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
    double square(double freq) {
        double dt = freq / kRate;
        double p2 = phase + 0.5;
        if (p2 >= 1.0) p2 -= 1.0;
        double v = (2.0 * phase - 1.0 - blep(phase, dt)) - (2.0 * p2 - 1.0 - blep(p2, dt));
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
    double sine(double freq) {
        double v = std::sin(2.0 * kPi * phase);
        phase += freq / kRate;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
};

// State-variable filter (trapezoidal), stable under fast cutoff changes.
struct Svf {
    double ic1 = 0, ic2 = 0, a1 = 0, a2 = 0, a3 = 0, k = 1;
    double lp = 0, bp = 0, hp = 0;
    void set(double fc, double q) {
        fc = std::min(std::max(fc, 10.0), 0.45 * kRate);
        double g = std::tan(kPi * fc / kRate);
        k = 1.0 / q;
        a1 = 1.0 / (1.0 + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    void tick(double v0) {
        double v3 = v0 - ic2;
        double v1 = a1 * ic1 + a2 * v3;
        double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * v1 - ic1;
        ic2 = 2.0 * v2 - ic2;
        lp = v2;
        bp = v1;
        hp = v0 - k * v1 - v2;
    }
};

// Attack, exponential decay to a sustain level, linear release after the gate.
double adsr(double t, double gate, double att, double dec, double sus, double rel) {
    double level;
    double tt = std::min(t, gate);
    if (tt < att)
        level = tt / att;
    else
        level = sus + (1.0 - sus) * std::exp(-(tt - att) / dec);
    if (t <= gate) return level;
    double r = 1.0 - (t - gate) / rel;
    return r > 0.0 ? level * r : 0.0;
}

// ---------------------------------------------------------------------------
// Instruments

void kick(int64_t at, double vel, bool soft = false) {
    g_kicks.push_back(at);
    double end_f = soft ? 42.0 : 47.0;
    double len = soft ? 0.32 : 0.4;
    double decay = soft ? 0.11 : 0.13;
    Osc o;
    Svf click;
    click.set(2500.0, 0.7);
    int64_t n = (int64_t)(len * kRate);
    for (int64_t i = 0; i < n; i++) {
        double t = (double)i / kRate;
        double f = end_f + 110.0 * std::exp(-t * 30.0) + 60.0 * std::exp(-t * 180.0);
        double env = std::min(1.0, t * 1500.0) * std::exp(-t / decay) * (1.0 - t / len);
        double body = std::tanh(1.6 * o.sine(f)) * env;
        click.tick(noise());
        double c = click.lp * std::exp(-t * 350.0) * 0.5;
        double v = (body + c) * vel * 0.85;
        add(g_dry_l, at + i, v);
        add(g_dry_r, at + i, v);
    }
}

// Clap (three quick bursts and a tail) with a little snare body; rev = reverb send.
void clap(int64_t at, double vel, double rev = 0.35) {
    Svf bp;
    bp.set(1400.0, 1.3);
    Osc body;
    int64_t n = (int64_t)(0.45 * kRate);
    for (int64_t i = 0; i < n; i++) {
        double t = (double)i / kRate;
        double env = 0.0;
        for (int b = 0; b < 3; b++) {
            double tb = t - b * 0.009;
            if (tb >= 0.0) env = std::max(env, std::exp(-tb / 0.004));
        }
        if (t > 0.02) env = std::max(env, 0.7 * std::exp(-(t - 0.02) / 0.11));
        bp.tick(noise());
        double v = (bp.bp * 1.6 * env + 0.35 * body.sine(185.0) * std::exp(-t / 0.05)) * vel * 0.42;
        add(g_dry_l, at + i, v * 0.97);
        add(g_dry_r, at + i, v * 1.03);
        add(g_rev_send, at + i, v * rev);
    }
}

// Short snare for rolls.
void snare(int64_t at, double vel) {
    Svf bp;
    bp.set(1900.0, 0.9);
    Osc body;
    int64_t n = (int64_t)(0.18 * kRate);
    for (int64_t i = 0; i < n; i++) {
        double t = (double)i / kRate;
        bp.tick(noise());
        double v = (bp.bp * 1.3 * std::exp(-t / 0.06) + 0.4 * body.sine(205.0) * std::exp(-t / 0.035)) *
                   vel * 0.3;
        add(g_dry_l, at + i, v);
        add(g_dry_r, at + i, v);
        add(g_rev_send, at + i, v * 0.3);
    }
}

// Hats: inharmonic square partials and noise, band-passed to 6.5 - 11 kHz,
// with two metallic resonances near 7 and 8.8 kHz where the show's treble
// probes listen.
void hat(int64_t at, double vel, bool open) {
    static const double partials[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    Osc o[6];
    Svf hp, lp, r1, r2;
    hp.set(6500.0, 0.7);
    lp.set(11000.0, 0.7);
    r1.set(7040.0, 5.0);
    r2.set(8800.0, 5.0);
    double decay = open ? 0.20 : 0.04;
    double len = open ? 0.7 : 0.15;
    double pl, pr;
    pan_gains(open ? -0.35 : 0.3, &pl, &pr);
    int64_t n = (int64_t)(len * kRate);
    for (int64_t i = 0; i < n; i++) {
        double t = (double)i / kRate;
        double m = 0.0;
        for (int p = 0; p < 6; p++) m += o[p].square(partials[p] * 4.3);
        double x = m * 0.12 + noise() * 0.7;
        hp.tick(x);
        lp.tick(hp.hp);
        r1.tick(hp.hp);
        r2.tick(hp.hp);
        double ring = (r1.bp * r1.k + r2.bp * r2.k) * 5.0;
        double env = std::min(1.0, t * 4000.0) * std::exp(-t / decay);
        double v = (lp.lp * 0.8 + ring) * env * vel * 0.28;
        add(g_dry_l, at + i, v * pl);
        add(g_dry_r, at + i, v * pr);
        if (open) add(g_rev_send, at + i, v * 0.15);
    }
}

void crash(int64_t at, double vel) {
    Svf hl, hr;
    hl.set(3500.0, 0.7);
    hr.set(3500.0, 0.7);
    int64_t n = (int64_t)(3.0 * kRate);
    for (int64_t i = 0; i < n; i++) {
        double t = (double)i / kRate;
        double env = std::min(1.0, t * 2000.0) * std::exp(-t / 0.9) * (1.0 - t / 3.0);
        hl.tick(noise());
        hr.tick(noise());
        double a = env * vel * 0.22;
        add(g_dry_l, at + i, hl.hp * a);
        add(g_dry_r, at + i, hr.hp * a);
        add(g_rev_send, at + i, (hl.hp + hr.hp) * a * 0.2);
    }
}

// Noise through a band-pass that sweeps up over len frames, swelling into the
// next downbeat.
void riser(int64_t at, int64_t len, double vel) {
    Svf fl, fr;
    for (int64_t i = 0; i < len; i++) {
        double x = (double)i / (double)len;
        if ((i & 15) == 0) {
            double fc = 300.0 * std::pow(30.0, x);
            fl.set(fc, 2.5);
            fr.set(fc * 1.05, 2.5);
        }
        fl.tick(noise());
        fr.tick(noise());
        double a = x * x * vel * 0.35;
        add(g_dry_l, at + i, fl.bp * a);
        add(g_dry_r, at + i, fr.bp * a);
        add(g_rev_send, at + i, (fl.bp + fr.bp) * a * 0.25);
    }
}

// Wide noise wash whose low-pass opens from 400 Hz to 12 kHz.
void wash(int64_t at, int64_t len, double vel) {
    Svf fl, fr;
    for (int64_t i = 0; i < len; i++) {
        double x = (double)i / (double)len;
        if ((i & 15) == 0) {
            double fc = 400.0 * std::pow(30.0, x);
            fl.set(fc, 0.9);
            fr.set(fc, 0.9);
        }
        fl.tick(noise());
        fr.tick(noise());
        double a = (0.25 + 0.75 * x) * std::min(1.0, (1.0 - x) * 40.0) * vel * 0.25;
        add(g_dry_l, at + i, fl.lp * a);
        add(g_dry_r, at + i, fr.lp * a);
        add(g_rev_send, at + i, (fl.lp + fr.lp) * a * 0.3);
    }
}

// Bass: a saw an octave up through an enveloped low-pass, over a sine sub.
void bass(int64_t at, int64_t len, int note, double vel, double bright) {
    Osc saw, sub;
    Svf lp;
    double f = mtof(note);
    double gate = (double)len / kRate;
    int64_t n = len + (int64_t)(0.03 * kRate);
    for (int64_t i = 0; i < n; i++) {
        double t = (double)i / kRate;
        if ((i & 15) == 0) lp.set(180.0 + bright * (300.0 + 1400.0 * std::exp(-t / 0.07)), 1.1);
        lp.tick(saw.saw(f));
        double env = adsr(t, gate, 0.003, 0.15, 0.75, 0.03);
        double v = (lp.lp * 0.55 + sub.sine(f * 0.5) * 0.55) * env * vel * 0.42;
        add(g_duck_l, at + i, v);
        add(g_duck_r, at + i, v);
    }
}

// Supersaw pad: five detuned saws per note spread across the stereo field.
void pad(int64_t at, int64_t len, const Chord& c, double vel, double cutoff) {
    static const double detune[5] = {-0.14, -0.07, 0.0, 0.07, 0.14};  // semitones
    static const double spread[5] = {-0.8, -0.4, 0.0, 0.4, 0.8};
    Osc o[4][5];
    uint32_t seed = 12345u + (uint32_t)(at / kStep);
    for (int a = 0; a < 4; a++)
        for (int b = 0; b < 5; b++) {
            seed = seed * 1664525u + 1013904223u;
            o[a][b].phase = (double)(seed >> 8) / 16777216.0;
        }
    double gl[5], gr[5];
    for (int b = 0; b < 5; b++) pan_gains(spread[b], &gl[b], &gr[b]);
    double freq[4][5];
    for (int a = 0; a < 4; a++)
        for (int b = 0; b < 5; b++) freq[a][b] = mtof(c.notes[a] + detune[b]);
    Svf fl, fr;
    fl.set(cutoff, 0.8);
    fr.set(cutoff, 0.8);
    double gate = (double)len / kRate;
    int64_t n = len + (int64_t)(0.8 * kRate);
    for (int64_t i = 0; i < n; i++) {
        double t = (double)i / kRate;
        double l = 0.0, r = 0.0;
        for (int a = 0; a < 4; a++)
            for (int b = 0; b < 5; b++) {
                double s = o[a][b].saw(freq[a][b]);
                l += s * gl[b];
                r += s * gr[b];
            }
        fl.tick(l);
        fr.tick(r);
        double env = adsr(t, gate, 0.35, 0.6, 0.85, 0.8) * vel * 0.045;
        add(g_duck_l, at + i, fl.lp * env);
        add(g_duck_r, at + i, fr.lp * env);
        add(g_rev_send, at + i, (fl.lp + fr.lp) * env * 0.3);
    }
}

// Plucked chord stab: three saws per note, the low-pass closing fast.
void stab(int64_t at, const Chord& c, double vel) {
    static const double detune[3] = {-0.1, 0.0, 0.1};
    Osc o[4][3];
    for (int a = 0; a < 4; a++)
        for (int b = 0; b < 3; b++) o[a][b].phase = 0.31 * a + 0.17 * b;
    Svf fl, fr;
    int64_t n = (int64_t)(0.4 * kRate);
    for (int64_t i = 0; i < n; i++) {
        double t = (double)i / kRate;
        if ((i & 15) == 0) {
            double fc = 500.0 + 4200.0 * std::exp(-t / 0.07);
            fl.set(fc, 1.4);
            fr.set(fc, 1.4);
        }
        double l = 0.0, r = 0.0;
        for (int a = 0; a < 4; a++) {
            double nt = c.notes[a] + 12;
            l += o[a][0].saw(mtof(nt + detune[0])) + 0.5 * o[a][1].saw(mtof(nt + detune[1]));
            r += o[a][2].saw(mtof(nt + detune[2])) + 0.5 * o[a][1].saw(mtof(nt + detune[1]) * 1.0005);
        }
        fl.tick(l);
        fr.tick(r);
        double env = std::min(1.0, t * 500.0) * std::exp(-t / 0.14) * (1.0 - t / 0.4) * vel * 0.075;
        add(g_duck_l, at + i, fl.lp * env);
        add(g_duck_r, at + i, fr.lp * env);
        add(g_dly_send, at + i, (fl.lp + fr.lp) * env * 0.25);
        add(g_rev_send, at + i, (fl.lp + fr.lp) * env * 0.15);
    }
}

// Arpeggio pluck: square and saw through a resonant low-pass.
void pluck(int64_t at, int note, double vel, double cutoff, double pan) {
    Osc sq, sw;
    Svf lp;
    double f = mtof(note);
    double pl, pr;
    pan_gains(pan, &pl, &pr);
    int64_t n = (int64_t)(0.3 * kRate);
    for (int64_t i = 0; i < n; i++) {
        double t = (double)i / kRate;
        if ((i & 15) == 0) lp.set(cutoff * (0.6 + 0.8 * std::exp(-t / 0.05)), 2.0);
        lp.tick(0.6 * sq.square(f) + 0.4 * sw.saw(f * 1.003));
        double env = std::min(1.0, t * 800.0) * std::exp(-t / 0.09) * (1.0 - t / 0.3) * vel * 0.2;
        double v = lp.lp * env;
        add(g_duck_l, at + i, v * pl);
        add(g_duck_r, at + i, v * pr);
        add(g_dly_send, at + i, v * 0.35);
    }
}

// Lead: two detuned saws and a square an octave down, glide from the previous
// note when legato, vibrato after the onset.
void lead_note(int64_t at, int64_t len, int note, double prev_note, double vel, double rev) {
    Osc a, b, c;
    a.phase = 0.0;
    b.phase = 0.37;
    c.phase = 0.61;
    Svf fl, fr;
    double gate = (double)len / kRate;
    int64_t n = len + (int64_t)(0.08 * kRate);
    for (int64_t i = 0; i < n; i++) {
        double t = (double)i / kRate;
        double nt = note + (prev_note - note) * std::exp(-t / 0.01);
        double vib = 0.12 * std::min(1.0, std::max(0.0, (t - 0.22) * 3.0)) * std::sin(2.0 * kPi * 5.3 * t);
        double f = mtof(nt + vib);
        if ((i & 15) == 0) {
            double fc = 2200.0 + 2600.0 * std::exp(-t / 0.12);
            fl.set(fc, 1.0);
            fr.set(fc, 1.0);
        }
        double sa = a.saw(f * 0.997), sb = b.saw(f * 1.003), sc = c.square(f * 0.5);
        fl.tick(sa + 0.3 * sc);
        fr.tick(sb + 0.3 * sc);
        double env = adsr(t, gate, 0.006, 0.25, 0.7, 0.07) * vel * 0.16;
        add(g_dry_l, at + i, fl.lp * env);
        add(g_dry_r, at + i, fr.lp * env);
        add(g_dly_send, at + i, (fl.lp + fr.lp) * env * 0.3);
        add(g_rev_send, at + i, (fl.lp + fr.lp) * env * rev);
    }
}

void melody_notes(int64_t at, const MelNote* notes, int count, int transpose, double vel, double rev) {
    for (int i = 0; i < count; i++) {
        const MelNote& m = notes[i];
        double prev = m.note + transpose;
        if (i > 0 && notes[i - 1].step + notes[i - 1].len == m.step) prev = notes[i - 1].note + transpose;
        lead_note(at + m.step * kStep, m.len * kStep - kStep / 8, m.note + transpose, prev, vel, rev);
    }
}

template <size_t N>
void melody(int64_t at, const MelNote (&notes)[N], int transpose, double vel, double rev) {
    melody_notes(at, notes, (int)N, transpose, vel, rev);
}

// ---------------------------------------------------------------------------
// Arrangement

// Arpeggio over one bar: the chord's four notes and their upper octave.
void arp_bar(int bar, double vel, double cutoff0, double cutoff1) {
    static const int pattern[16] = {0, 1, 2, 3, 1, 2, 3, 4, 2, 3, 4, 5, 3, 4, 5, 6};
    const Chord& c = chord_of_bar(bar);
    int tones[8];
    for (int i = 0; i < 4; i++) {
        tones[i] = c.notes[i] + 12;
        tones[i + 4] = c.notes[i] + 24;
    }
    for (int s = 0; s < 16; s++) {
        double x = s / 16.0;
        double acc = (s % 4 == 0) ? 1.0 : 0.75;
        pluck(bar * kBar + s * kStep, tones[pattern[s]], vel * acc, cutoff0 + (cutoff1 - cutoff0) * x,
              (s & 1) ? 0.45 : -0.45);
    }
}

void four_on_floor(int bar, double vel) {
    for (int b = 0; b < 4; b++) kick(bar * kBar + b * kBeat, vel);
}

void claps(int bar, double vel) {
    clap(bar * kBar + 1 * kBeat, vel);
    clap(bar * kBar + 3 * kBeat, vel);
}

void offbeat_hats(int bar, double vel) {
    for (int b = 0; b < 4; b++) hat(bar * kBar + b * kBeat + 2 * kStep, vel, false);
}

// Sixteenth hats, accented on the off-beat, with an open hat there when asked.
void busy_hats(int bar, double vel, bool open) {
    for (int s = 0; s < 16; s++) {
        int64_t at = bar * kBar + s * kStep;
        if (s % 4 == 2 && open)
            hat(at, vel * 0.9, true);
        else
            hat(at, vel * ((s % 4 == 2) ? 1.0 : (s % 2 ? 0.55 : 0.7)), false);
    }
}

// Rolling bass: the three sixteenths after each kick.
void rolling_bass(int bar, double vel, double bright) {
    const Chord& c = chord_of_bar(bar);
    for (int b = 0; b < 4; b++)
        for (int s = 1; s < 4; s++) {
            int note = c.bass + ((s == 3 && b == 3) ? 12 : 0);
            bass(bar * kBar + b * kBeat + s * kStep, kStep * 3 / 4, note, vel * (s == 2 ? 1.0 : 0.85),
                 bright);
        }
}

void offbeat_bass(int bar, double vel, double bright) {
    const Chord& c = chord_of_bar(bar);
    for (int b = 0; b < 4; b++) bass(bar * kBar + b * kBeat + 2 * kStep, kStep * 3 / 2, c.bass, vel, bright);
}

void long_bass(int bar, int64_t len, double vel) {
    bass(bar * kBar, len, chord_of_bar(bar).bass, vel, 0.25);
}

void stabs(int bar, double vel, bool syncopated) {
    static const int even[4] = {2, 6, 10, 14};
    static const int sync[5] = {2, 6, 9, 12, 14};
    const Chord& c = chord_of_bar(bar);
    if (syncopated)
        for (int s : sync) stab(bar * kBar + s * kStep, c, vel);
    else
        for (int s : even) stab(bar * kBar + s * kStep, c, vel);
}

void pad_bar(int bar, double vel, double cutoff, int bars = 1) {
    pad(bar * kBar, bars * kBar - kStep, chord_of_bar(bar), vel, cutoff);
}

// Snare roll over `bars` bars from `bar`: quarters, then eighths, then
// sixteenths, getting louder.
void snare_roll(int bar, int bars, double v0, double v1) {
    int64_t start = bar * kBar, len = bars * kBar;
    for (int64_t s = 0; s < bars * 16; s++) {
        double x = (double)s / (bars * 16);
        int div = x < 0.25 ? 4 : (x < 0.5 ? 2 : 1);
        if (bars == 1) div = x < 0.5 ? 2 : 1;
        if (s % div) continue;
        snare(start + s * kStep, v0 + (v1 - v0) * x);
        if (x >= 0.75) snare(start + s * kStep + kStep / 2, (v0 + (v1 - v0) * x) * 0.8);
    }
    (void)len;
}

void groove(int bar, int k, bool open_hats, bool sync_stabs, double stab_vel) {
    four_on_floor(bar, 1.0);
    claps(bar, 1.0);
    busy_hats(bar, 0.9, open_hats);
    rolling_bass(bar, 1.0, 1.0);
    stabs(bar, stab_vel, sync_stabs);
    pad_bar(bar, 0.35, 1500.0);
    (void)k;
}

void arrange() {
    for (int bar = 0; bar < kEndBar; bar++) {
        int s = section_of_bar(bar);
        const Section& sec = kSections[s];
        int k = bar - sec.bar;
        double x = (double)k / sec.bars;  // progress through the section
        const char* n = sec.name;
        int64_t at = bar * kBar;
        if (!strcmp(n, "intro")) {
            pad_bar(bar, 0.9, 500.0 + 1600.0 * x);
            long_bass(bar, kBar - kStep / 4, 0.25 + 0.25 * x);
            if (k >= 4) arp_bar(bar, 0.35 + 0.3 * (k - 4) / 4.0, 700.0 + 900.0 * (k - 4), 1100.0 + 900.0 * (k - 4));
            if (k >= 6) offbeat_hats(bar, 0.35 + 0.2 * (k - 6));
        } else if (!strcmp(n, "build")) {
            four_on_floor(bar, 1.0);
            offbeat_bass(bar, 0.9, 0.3 + 0.7 * x);
            offbeat_hats(bar, 0.7);
            arp_bar(bar, 0.55, 1200.0 + 3500.0 * x, 1200.0 + 3500.0 * (x + 1.0 / 8));
            pad_bar(bar, 0.5, 1200.0);
            if (k >= 4) claps(bar, 0.8);
            if (k == 4) riser(at, 4 * kBar, 1.0);
            if (k == 6) snare_roll(bar, 2, 0.25, 1.0);
        } else if (!strcmp(n, "drop") || !strcmp(n, "drop-lead") || !strcmp(n, "drop2") ||
                   !strcmp(n, "drop2-high") || !strcmp(n, "final")) {
            bool second = !strcmp(n, "drop2") || !strcmp(n, "drop2-high");
            groove(bar, k, k >= 4 || second || !strcmp(n, "final"), second, 1.0);
            if (k == 0 || k == 4) crash(at, k == 0 ? 1.0 : 0.6);
            if (!strcmp(n, "drop") && k >= 4) arp_bar(bar, 0.35, 2500.0, 2500.0);
            if (!strcmp(n, "drop2-high") || !strcmp(n, "final")) arp_bar(bar, 0.3, 3000.0, 3000.0);
            if (k == 0) {
                if (!strcmp(n, "drop-lead") || !strcmp(n, "drop2")) melody(at, kTheme, 0, 1.0, 0.2);
                if (!strcmp(n, "drop2-high")) melody(at, kTheme, 12, 0.8, 0.2);
                if (!strcmp(n, "final")) {
                    melody(at, kTheme, 0, 0.9, 0.2);
                    melody(at, kTheme, 12, 0.6, 0.2);
                }
            }
        } else if (!strcmp(n, "breakdown")) {
            // A heartbeat: lub-dub every half bar.
            for (int h = 0; h < 2; h++) {
                kick(at + h * 8 * kStep, 0.75, true);
                kick(at + h * 8 * kStep + 2 * kStep, 0.5, true);
            }
            pad_bar(bar, 1.0, 1800.0);
            // The heartbeat carries the low end alone at first.
            if (k >= 4) long_bass(bar, kBar - kStep, 0.3);
            if (k == 0) melody(at, kSlow, 0, 0.9, 0.45);
            if (k >= 4) arp_bar(bar, 0.3, 1500.0, 1800.0);
        } else if (!strcmp(n, "build2")) {
            if (k < 7) {
                four_on_floor(bar, 1.0);
                offbeat_bass(bar, 0.9, 0.5 + 0.5 * x);
                offbeat_hats(bar, 0.8);
                if (k < 4) claps(bar, 0.9);
            }
            arp_bar(bar, 0.5, 1500.0 + 3500.0 * x, 1500.0 + 3500.0 * (x + 1.0 / 8));
            pad_bar(bar, 0.6, 1000.0 + 1500.0 * x);
            if (k == 4) {
                snare_roll(bar, 4, 0.2, 1.0);
                riser(at, 4 * kBar, 1.2);
            }
        } else if (!strcmp(n, "bridge")) {
            kick(at, 1.0);
            clap(at + 2 * kBeat, 1.0, 0.6);
            if (k % 2 == 1) kick(at + 3 * kBeat + 2 * kStep, 0.7);
            long_bass(bar, kBar - kStep, 0.8);
            pad_bar(bar, 0.8, 1400.0);
            arp_bar(bar, 0.45, 2200.0, 2800.0);
            if (k >= 2) busy_hats(bar, 0.7, false);
            if (k == 2) riser(at, 2 * kBar, 0.9);
            if (k == 3) snare_roll(bar, 1, 0.4, 1.0);
        } else if (!strcmp(n, "climax")) {
            if (k < 2) {
                four_on_floor(bar, 1.0);
                claps(bar, 0.9);
            }
            busy_hats(bar, 0.9, k < 2);
            long_bass(bar, kBar - kStep, 0.8);
            pad_bar(bar, 1.1, 2500.0);
            stabs(bar, 0.7, true);
            if (k == 0) {
                crash(at, 1.0);
                wash(at, 4 * kBar, 1.0);
                melody(at, kRise, 0, 1.0, 0.35);
            }
        } else if (!strcmp(n, "outro")) {
            if (k == 0) crash(at, 1.0);
            if (k < 4) {
                four_on_floor(bar, 0.9 - 0.15 * k);
                offbeat_hats(bar, 0.7 - 0.12 * k);
                offbeat_bass(bar, 0.8 - 0.15 * k, 0.6);
            }
            if (k < 6) {
                pad_bar(bar, 0.9, 1800.0 - 150.0 * k);
                arp_bar(bar, 0.45 * (1.0 - k / 6.0), 2500.0 - 250.0 * k, 2300.0 - 250.0 * k);
            } else if (k == 6) {
                // The last chord: half a bar short of the end, so its release
                // and the reverb have died away at the last bar's end.
                pad(at, kBar + kBar / 4, chord_of_bar(bar), 0.9, 1200.0);
                long_bass(bar, kBar, 0.35);
            }
        }
    }
    std::sort(g_kicks.begin(), g_kicks.end());
}

// ---------------------------------------------------------------------------
// Effects and master

struct Comb {
    std::vector<float> buf;
    size_t idx = 0;
    float store = 0.0f;
    float tick(float in, float fb, float damp) {
        float out = buf[idx];
        store = out * (1.0f - damp) + store * damp;
        buf[idx] = in + store * fb;
        if (++idx >= buf.size()) idx = 0;
        return out;
    }
};

struct Allpass {
    std::vector<float> buf;
    size_t idx = 0;
    float tick(float in) {
        float b = buf[idx];
        float out = b - in;
        buf[idx] = in + b * 0.5f;
        if (++idx >= buf.size()) idx = 0;
        return out;
    }
};

// A plate-like reverb: eight damped combs and four all-passes per side.
void reverb(std::vector<float>& out_l, std::vector<float>& out_r, double wet) {
    static const int combs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static const int alls[4] = {556, 441, 341, 225};
    const int spread = 23;
    Comb cl[8], cr[8];
    Allpass al[4], ar[4];
    for (int i = 0; i < 8; i++) {
        cl[i].buf.assign(combs[i], 0.0f);
        cr[i].buf.assign(combs[i] + spread, 0.0f);
    }
    for (int i = 0; i < 4; i++) {
        al[i].buf.assign(alls[i], 0.0f);
        ar[i].buf.assign(alls[i] + spread, 0.0f);
    }
    for (int64_t n = 0; n < kFrames; n++) {
        float in = g_rev_send[(size_t)n] * 0.03f;
        float l = 0.0f, r = 0.0f;
        for (int i = 0; i < 8; i++) {
            l += cl[i].tick(in, 0.86f, 0.3f);
            r += cr[i].tick(in, 0.86f, 0.3f);
        }
        for (int i = 0; i < 4; i++) {
            l = al[i].tick(l);
            r = ar[i].tick(r);
        }
        out_l[(size_t)n] += (float)(l * wet);
        out_r[(size_t)n] += (float)(r * wet);
    }
}

// Ping-pong echo at three sixteenths, darkening with each repeat.
void delay(std::vector<float>& out_l, std::vector<float>& out_r, double wet) {
    const size_t len = (size_t)(3 * kStep);
    std::vector<float> dl(len, 0.0f), dr(len, 0.0f);
    double lpl = 0.0, lpr = 0.0;
    const double fb = 0.42, c = 0.35;
    size_t idx = 0;
    for (int64_t n = 0; n < kFrames; n++) {
        double yl = dl[idx], yr = dr[idx];
        lpl += c * (yl - lpl);
        lpr += c * (yr - lpr);
        dl[idx] = (float)(g_dly_send[(size_t)n] + fb * lpr);
        dr[idx] = (float)(fb * lpl);
        if (++idx >= len) idx = 0;
        out_l[(size_t)n] += (float)(yl * wet);
        out_r[(size_t)n] += (float)(yr * wet);
    }
}

// Gain of the ducked bus: down before each kick, back up over 200 ms.
double duck_gain(int64_t n, size_t* ki) {
    const double depth = 0.65;
    const int64_t pre = (int64_t)(0.004 * kRate), rec = (int64_t)(0.2 * kRate);
    while (*ki + 1 < g_kicks.size() && g_kicks[*ki + 1] - pre <= n) (*ki)++;
    double g = 1.0;
    for (size_t j = *ki; j < g_kicks.size() && j <= *ki + 1; j++) {
        int64_t d = n - g_kicks[j];
        double s;
        if (d < -pre)
            continue;
        else if (d < 0)
            s = (double)(d + pre) / pre;
        else if (d < rec) {
            double x = (double)d / rec;
            s = 1.0 - x * x * (3.0 - 2.0 * x);
        } else
            continue;
        g = std::min(g, 1.0 - depth * s);
    }
    return g;
}

// Mixes the buses into 16-bit frames: ducking, effects, a DC blocker, a soft
// knee above 80% of the peak and a final level that leaves the peak at about
// 91% of full scale.
std::vector<int16_t> master() {
    std::vector<float> l(g_dry_l), r(g_dry_r);
    size_t ki = 0;
    for (int64_t n = 0; n < kFrames; n++) {
        double g = g_kicks.empty() ? 1.0 : duck_gain(n, &ki);
        l[(size_t)n] += (float)(g_duck_l[(size_t)n] * g);
        r[(size_t)n] += (float)(g_duck_r[(size_t)n] * g);
    }
    reverb(l, r, 1.0);
    delay(l, r, 0.45);
    double xl = 0, yl = 0, xr = 0, yr = 0, peak = 0.0;
    const double dc = 1.0 - 2.0 * kPi * 10.0 / kRate;
    for (int64_t n = 0; n < kFrames; n++) {
        double a = l[(size_t)n], b = r[(size_t)n];
        yl = a - xl + dc * yl;
        xl = a;
        yr = b - xr + dc * yr;
        xr = b;
        l[(size_t)n] = (float)yl;
        r[(size_t)n] = (float)yr;
        peak = std::max(peak, std::max(std::fabs(yl), std::fabs(yr)));
    }
    // Scale so the loudest sample sits at 1.1, then bend everything above
    // 0.8 smoothly under 1.0.
    double pre = peak > 0.0 ? 1.1 / peak : 1.0;
    auto knee = [](double v) {
        double a = std::fabs(v);
        if (a <= 0.8) return v;
        double y = 0.8 + 0.2 * std::tanh((a - 0.8) / 0.2);
        return v < 0 ? -y : y;
    };
    std::vector<int16_t> out((size_t)kFrames * 2);
    for (int64_t n = 0; n < kFrames; n++) {
        double a = knee(l[(size_t)n] * pre) * 0.93 * 32767.0;
        double b = knee(r[(size_t)n] * pre) * 0.93 * 32767.0;
        out[(size_t)n * 2] = (int16_t)std::lround(a);
        out[(size_t)n * 2 + 1] = (int16_t)std::lround(b);
    }
    return out;
}

// ---------------------------------------------------------------------------
// Output

void put16(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; i++) p[i] = (uint8_t)(v >> (8 * i));
}

// The file is written beside the target and renamed when complete, so a
// failed run leaves no half-written file under the final name. It is created
// before the render, so an unwritable target fails at once.
FILE* create_temp(const char* path, char* tmp, size_t size) {
    if (snprintf(tmp, size, "%s.tmp", path) >= (int)size) {
        fprintf(stderr, "genmusic: output path too long\n");
        return nullptr;
    }
    FILE* f = fopen(tmp, "wb");
    if (!f) fprintf(stderr, "genmusic: cannot create %s\n", tmp);
    return f;
}

bool write_wav(FILE* f, const char* tmp, const char* path, const std::vector<int16_t>& samples) {
    uint32_t data_bytes = (uint32_t)(samples.size() * 2);
    uint8_t h[44];
    memcpy(h, "RIFF", 4);
    put32(h + 4, data_bytes + 36);
    memcpy(h + 8, "WAVE", 4);
    memcpy(h + 12, "fmt ", 4);
    put32(h + 16, 16);
    put16(h + 20, 1);              // PCM
    put16(h + 22, 2);              // channels
    put32(h + 24, kRate);          // frames per second
    put32(h + 28, kRate * 2 * 2);  // bytes per second
    put16(h + 32, 4);              // block alignment
    put16(h + 34, 16);             // bits per value
    memcpy(h + 36, "data", 4);
    put32(h + 40, data_bytes);
    std::vector<uint8_t> body(data_bytes);
    for (size_t i = 0; i < samples.size(); i++) put16(&body[i * 2], (uint16_t)samples[i]);
    bool ok = fwrite(h, 1, 44, f) == 44 && fwrite(body.data(), 1, body.size(), f) == body.size();
    ok = (fclose(f) == 0) && ok;
    if (!ok || rename(tmp, path) != 0) {
        fprintf(stderr, "genmusic: cannot write %s\n", path);
        remove(tmp);
        return false;
    }
    return true;
}

void print_sections() {
    printf("tempo %.4f bpm, beat %lld frames, bar %lld frames = %lld units\n", 60.0 * kRate / kBeat,
           (long long)kBeat, (long long)kBar, (long long)(kBar / kUnit));
    for (int s = 0; s < kNumSections; s++) {
        const Section& sec = kSections[s];
        long long unit = (long long)sec.bar * kBar / kUnit;
        printf("section %d %s bar %d unit %lld seconds %.3f phases", s, sec.name, sec.bar, unit,
               (double)sec.bar * kBar / kRate);
        for (int p = 0; p < sec.nphases; p++) printf(" %lld", (long long)sec.phases[p] * kBar / kUnit);
        printf("\n");
    }
    printf("end bar %d unit %lld seconds %.3f\n", kEndBar, (long long)kEndBar * kBar / kUnit,
           (double)kEndBar * kBar / kRate);
    printf("length frames %lld units %lld seconds %.3f\n", (long long)kFrames, (long long)(kFrames / kUnit),
           (double)kFrames / kRate);
}

// The show's band levels, measured as its analysis does: once per 15 ms frame
// over the first 1024 frames (2048 interleaved values) of the mixer's current
// 2048-frame block, the values scaled by the music's mixer gain (127).
void report(const std::vector<int16_t>& pcm) {
    static const double probes[8] = {6, 24, 120, 280, 330, 660, 4400, 3520};
    const int64_t block = 2048;
    int64_t nblocks = kFrames / block;
    std::vector<float> levels((size_t)nblocks * 4);
    std::vector<float> raw((size_t)nblocks * 4);  // before the 0..10 limit, in dB
    double amp[8] = {0};
    for (int64_t b = 0; b < nblocks; b++) {
        double power[8];
        for (int p = 0; p < 8; p++) {
            float w = (float)(probes[p] / (float)kRate);
            float c = (float)(2.0 * std::cos(6.283185306 * w));
            float s1 = 0, s2 = 0;
            const int16_t* v = &pcm[(size_t)(b * block * 2)];
            for (int i = 0; i < 2048; i++) {
                float x = (float)(v[i] * 127) / 32768.0f;
                float s = c * s1 + x - s2;
                s2 = s1;
                s1 = s;
            }
            power[p] = (double)s2 * s2 + (double)s1 * s1 - (double)c * s1 * s2;
        }
        for (int rep = 0; rep < 3; rep++)
            for (int p = 0; p < 8; p++) amp[p] = (power[p] * 9.999999974752427e-07 + amp[p]) / 2;
        double lv[4] = {(amp[0] + amp[1]) / 2, (amp[2] + amp[3]) / 2, (amp[4] + amp[5]) / 2, amp[6] + amp[7]};
        for (int q = 0; q < 4; q++) {
            levels[(size_t)(b * 4 + q)] = (float)std::min(std::max(lv[q], 0.0), 10.0);
            raw[(size_t)(b * 4 + q)] = (float)(10.0 * std::log10(lv[q] + 1e-9));
        }
    }
    printf("%-11s %7s %6s %6s   %s\n", "section", "rms dB", "peak", "bands", "band level mean/min/max (low mid mid2 high)");
    for (int s = 0; s <= kNumSections; s++) {
        int64_t a = (s < kNumSections ? kSections[s].bar : kEndBar) * kBar;
        int64_t e = s + 1 < kNumSections ? kSections[s + 1].bar * kBar : (s < kNumSections ? kEndBar * kBar : kFrames);
        double sum = 0;
        int pk = 0;
        // Band energies through fixed band-passes: sub, bass, mids, presence, air.
        static const double centres[5] = {50, 150, 700, 3000, 8500};
        Svf f[5];
        for (int i = 0; i < 5; i++) f[i].set(centres[i], 1.0);
        double be[5] = {0};
        for (int64_t n = a; n < e; n++) {
            int l = pcm[(size_t)n * 2], r = pcm[(size_t)n * 2 + 1];
            sum += (double)l * l + (double)r * r;
            pk = std::max(pk, std::max(std::abs(l), std::abs(r)));
            double m = (l + r) / 65536.0;
            for (int i = 0; i < 5; i++) {
                f[i].tick(m);
                be[i] += f[i].bp * f[i].bp;
            }
        }
        double cnt = (double)(e - a);
        printf("%-11s %7.1f %6d ", s < kNumSections ? kSections[s].name : "tail",
               10 * std::log10(sum / (2 * cnt) / (32768.0 * 32768.0) + 1e-20), pk);
        for (int i = 0; i < 5; i++) printf(" %5.1f", 10 * std::log10(be[i] / cnt + 1e-20));
        printf("  |");
        for (int q = 0; q < 4; q++) {
            double mean = 0, mn = 10, mx = 0;
            int64_t b0 = a / block, b1 = e / block;
            for (int64_t b = b0; b < b1; b++) {
                double v = levels[(size_t)(b * 4 + q)];
                mean += v;
                mn = std::min(mn, v);
                mx = std::max(mx, v);
            }
            mean /= std::max<int64_t>(1, b1 - b0);
            std::vector<float> r(raw.begin() + b0 * 4, raw.begin() + b1 * 4);
            std::vector<float> rq;
            for (size_t i = q; i < r.size(); i += 4) rq.push_back(r[i]);
            std::sort(rq.begin(), rq.end());
            printf(" %4.1f/%4.1f/%4.1f(%+3.0fdB)", mean, mn, mx, rq.empty() ? 0.0 : rq[rq.size() / 2]);
        }
        printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool do_report = false;
    const char* out = nullptr;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--sections")) {
            print_sections();
            return 0;
        } else if (!strcmp(argv[i], "--report")) {
            do_report = true;
        } else if (!out) {
            out = argv[i];
        } else {
            out = nullptr;
            break;
        }
    }
    if (!out) {
        fprintf(stderr, "usage: genmusic [--report] OUT.wav | genmusic --sections\n");
        return 2;
    }
    char tmp[4096];
    FILE* f = create_temp(out, tmp, sizeof tmp);
    if (!f) return 1;
    for (std::vector<float>* b : {&g_dry_l, &g_dry_r, &g_duck_l, &g_duck_r, &g_rev_send, &g_dly_send})
        b->assign((size_t)kFrames, 0.0f);
    arrange();
    std::vector<int16_t> pcm = master();
    if (!write_wav(f, tmp, out, pcm)) return 1;
    if (do_report) {
        print_sections();
        report(pcm);
    }
    return 0;
}
