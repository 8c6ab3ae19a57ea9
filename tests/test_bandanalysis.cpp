// The show's band analysis over generated mix blocks: probe powers against
// an independent Goertzel, smoothing, band folding and limits, running sums.
#include <cmath>
#include <cstdlib>
#include <vector>

#include "demo/bandanalysis.h"
#include "sound/coresound.h"
#include "tests/soundtest.h"

namespace {

const float kProbes[8] = {6, 24, 120, 280, 330, 660, 4400, 3520};

class BandAnalysis : public ::testing::Test {
protected:
    void SetUp() override { st::StartSoundSystem(44100, 2, 16); }
    void TearDown() override { st::StopSoundSystem(); }

    // Fills the mix buffer with a stereo block, both sides alike: frame f
    // holds value(f) on the left and on the right.
    template <typename Fn>
    void StereoBlock(Fn value) {
        for (int f = 0; f < 2048; f++)
            soundsystem.outputbuffer[2 * f] = soundsystem.outputbuffer[2 * f + 1] = (int)lround(value(f));
    }
    // Fills the mix buffer value by value.
    template <typename Fn>
    void ValueBlock(Fn value) {
        for (int i = 0; i < 4096; i++) soundsystem.outputbuffer[i] = (int)lround(value(i));
    }
    void Split() { SplitFrequency(&fft_low, &fft_middle, &fft_middle2, &fft_high); }
};

// Goertzel power in double precision with the exact 2 pi, over the first
// 2048 values, for comparison.
double Reference(double f) {
    double c = 2 * cos(2 * M_PI * f / 44100.0), s1 = 0, s2 = 0;
    for (int i = 0; i < 2048; i++) {
        double s = c * s1 + soundsystem.outputbuffer[i] / 32768.0 - s2;
        s2 = s1;
        s1 = s;
    }
    return s2 * s2 + s1 * s1 - c * s1 * s2;
}

TEST_F(BandAnalysis, ProbesMatchAnIndependentGoertzelOnASineBlock) {
    // A 660 Hz tone on both channels: read as one interleaved sequence at the
    // frame rate, it is a 330 Hz tone, which the 330 Hz probe picks up.
    StereoBlock([](int f) { return 100000.0 * sin(2 * M_PI * 660.0 * f / 44100.0); });
    double peak = Reference(330.0);
    EXPECT_GT(peak, 1e6);
    int strongest = 0;
    double strongest_power = -1;
    for (int k = 0; k < 8; k++) {
        SCOPED_TRACE(kProbes[k]);
        double power = DetectFrequency(kProbes[k]);
        EXPECT_NEAR(power, Reference(kProbes[k]), peak * 1e-4);
        if (power > strongest_power) {
            strongest_power = power;
            strongest = k;
        }
    }
    EXPECT_EQ(strongest, 4);
    // The 660 Hz probe itself hears little of it.
    EXPECT_LT(DetectFrequency(660.0f), peak / 100);
}

TEST_F(BandAnalysis, OneFrameFromZeroHalvesTheScaledPowers) {
    StereoBlock([](int f) { return 100000.0 * sin(2 * M_PI * 660.0 * f / 44100.0); });
    double p[8];
    for (int k = 0; k < 8; k++) p[k] = DetectFrequency(kProbes[k]);
    Split();
    const double scale = (double)1e-6f;
    for (int k = 0; k < 8; k++) EXPECT_DOUBLE_EQ(freq_amplitude[k], p[k] * scale / 2) << k;
    EXPECT_FLOAT_EQ(fft_low, (float)((freq_amplitude[0] + freq_amplitude[1]) / 2));
    EXPECT_FLOAT_EQ(fft_middle, (float)((freq_amplitude[2] + freq_amplitude[3]) / 2));
    EXPECT_FLOAT_EQ(fft_middle2, (float)((freq_amplitude[4] + freq_amplitude[5]) / 2));
    // The high band is the sum of its two probes, not their mean.
    EXPECT_FLOAT_EQ(fft_high, (float)(freq_amplitude[6] + freq_amplitude[7]));
    // The tone lands in the middle2 band: about 2.4 there, little elsewhere.
    EXPECT_NEAR(fft_middle2, Reference(330.0) * 1e-6 / 4, 0.01);
    EXPECT_GT(fft_middle2, 2.0f);
    EXPECT_LT(fft_middle2, 10.0f);
    EXPECT_LT(fft_low, 0.1f);
    EXPECT_LT(fft_high, 0.1f);
}

TEST_F(BandAnalysis, ASilentBlockHalvesEveryEntryEachFrame) {
    ValueBlock([](int) { return 0.0; });
    for (int k = 0; k < 32; k++) freq_amplitude[k] = 8.0;
    Split();
    for (int k = 0; k < 8; k++) EXPECT_EQ(freq_amplitude[k], 4.0) << k;
    for (int k = 8; k < 32; k++) EXPECT_EQ(freq_amplitude[k], 8.0) << k;
    EXPECT_EQ(fft_low, 4.0f);
    EXPECT_EQ(fft_middle, 4.0f);
    EXPECT_EQ(fft_middle2, 4.0f);
    EXPECT_EQ(fft_high, 8.0f);
    Split();
    EXPECT_EQ(fft_low, 2.0f);
    EXPECT_EQ(fft_high, 4.0f);
}

TEST_F(BandAnalysis, LevelsStayBetween0And10) {
    // A loud tone at every probe's frequency, read value by value.
    ValueBlock([](int i) {
        double v = 0;
        for (float f : kProbes) v += 2000000.0 * sin(2 * M_PI * f * i / 44100.0 + 1.0);
        return v;
    });
    for (int frame = 0; frame < 3; frame++) {
        Split();
        EXPECT_EQ(fft_low, 10.0f);
        EXPECT_EQ(fft_middle, 10.0f);
        EXPECT_EQ(fft_middle2, 10.0f);
        EXPECT_EQ(fft_high, 10.0f);
        UpdateFrequencySums();
    }
    // Each sum grows by a tenth of its level per frame; middle2 has none.
    EXPECT_FLOAT_EQ(absfft_low, 3.0f);
    EXPECT_FLOAT_EQ(absfft_middle, 3.0f);
    EXPECT_FLOAT_EQ(absfft_high, 3.0f);

    // A level that is not a number falls to the lower limit.
    ValueBlock([](int) { return 0.0; });
    freq_amplitude[0] = NAN;
    freq_amplitude[1] = 0;
    Split();
    EXPECT_EQ(fft_low, 0.0f);
    UpdateFrequencySums();
    EXPECT_FLOAT_EQ(absfft_low, 3.0f);
    EXPECT_FLOAT_EQ(absfft_middle, 3.0f + fft_middle * 0.1f);
}

TEST_F(BandAnalysis, NoMoreValuesAreReadThanTheMixBufferHolds) {
    ValueBlock([](int i) { return 50000.0 * sin(i * 0.3); });
    soundsystem.bufferlength = 4096;
    double whole = DetectFrequency(2000.0f);
    soundsystem.bufferlength = 1 << 30;
    EXPECT_EQ(DetectFrequency(2000.0f), whole);
    soundsystem.bufferlength = -1;  // compared unsigned: the whole buffer
    EXPECT_EQ(DetectFrequency(2000.0f), whole);
}

TEST_F(BandAnalysis, WithoutASoundSystemEveryPowerIsZero) {
    st::StopSoundSystem();
    EXPECT_EQ(DetectFrequency(330.0f), 0.0);
    for (int k = 0; k < 8; k++) freq_amplitude[k] = 2.0;
    Split();
    EXPECT_EQ(fft_low, 1.0f);
    EXPECT_EQ(fft_high, 2.0f);
}

}  // namespace
