// Audio band levels for the scenes: eight probe frequencies measured in the
// sound system's latest mix block, smoothed from frame to frame and folded
// into four levels of 0 to 10, plus running sums of three of them.
#pragma once

// Smoothed power of the eight probes (entries 0 to 7).
extern double freq_amplitude[32];
extern float fft_low;
extern float fft_middle;
extern float fft_middle2;
extern float fft_high;
extern float absfft_low;
extern float absfft_middle;
extern float absfft_high;

// Goertzel power of one frequency over the first bufferlength values of the
// latest mix block.
double DetectFrequency(float frequency);
// Measures the probes, updates freq_amplitude and writes the four levels.
void SplitFrequency(float* low, float* middle, float* middle2, float* high);
// The main loop's step right after SplitFrequency: adds a tenth of the low,
// middle and high levels to their running sums.
void UpdateFrequencySums(void);
