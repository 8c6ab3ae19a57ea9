// Band analysis of the sound system's mix buffer. The buffer's values are
// the mixer's 32-bit accumulators, both channels interleaved, read as one
// sequence at the mixing rate.
#include "demo/bandanalysis.h"

#include <cmath>

#include "sound/coresound.h"
#include "sound/soundlock.h"

double freq_amplitude[32];
float fft_low;
float fft_middle;
float fft_middle2;
float fft_high;
float absfft_low;
float absfft_middle;
float absfft_high;

// The probes in the order they are measured and stored.
static const float probe_frequencies[8] = {6.0f, 24.0f, 120.0f, 280.0f, 330.0f, 660.0f, 4400.0f, 3520.0f};

// Without a started sound system (no mix buffer, rate 0) every power is 0.
// No more values are read than the mix buffer holds. The measurement holds
// the sound lock so that it sees one whole block, never one being mixed.
double DetectFrequency(float frequency) {
    soundlock_enter();
    const int* values = Soundsystem_GetOutputBuffer();
    if (!values || soundsystem.frequency == 0 || soundsystem.outputsize <= 0) {
        soundlock_leave();
        return 0.0;
    }
    unsigned int count = (unsigned int)soundsystem.bufferlength;
    unsigned int held = (unsigned int)soundsystem.outputsize / 4;
    if (count > held) count = held;

    float rate = (float)soundsystem.frequency;
    float w = frequency / rate;
    float c = (float)(2.0 * cos(6.283185306 * (double)w));
    float s1 = 0.0f, s2 = 0.0f;
    for (unsigned int i = 0; i < count; i++) {
        float x = (float)values[i] / 32768.0f;
        float s = c * s1 + x - s2;
        s2 = s1;
        s1 = s;
    }
    soundlock_leave();
    return (double)s2 * s2 + (double)s1 * s1 - (double)c * s1 * s2;
}

static float band_level(double value) { return (float)fmin(fmax(value, 0.0), 10.0); }

void SplitFrequency(float* low, float* middle, float* middle2, float* high) {
    for (int k = 0; k < 8; k++)
        freq_amplitude[k] = (DetectFrequency(probe_frequencies[k]) * (double)1e-6f + freq_amplitude[k]) / 2;
    *low = band_level((freq_amplitude[0] + freq_amplitude[1]) / 2);
    *middle = band_level((freq_amplitude[2] + freq_amplitude[3]) / 2);
    *middle2 = band_level((freq_amplitude[4] + freq_amplitude[5]) / 2);
    *high = band_level(freq_amplitude[6] + freq_amplitude[7]);
}

void UpdateFrequencySums(void) {
    absfft_low += fft_low * 0.1f;
    absfft_middle += fft_middle * 0.1f;
    absfft_high += fft_high * 0.1f;
}
