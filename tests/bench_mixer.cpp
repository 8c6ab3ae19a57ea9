// Speed of the software mixer: one 2048-frame block of 16-bit stereo output
// with 16 playing voices. Prints, per case, the nanoseconds per output frame
// and how many times faster than real time at 44100 Hz the mixer runs.
//
//   bench_mixer [benchmark options]
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sound/audiodriver.h"
#include "sound/coresound.h"

namespace {

const int kFrames = 2048;
s_sound voices[16];

void StartSoundSystem() {
    free(soundsystem.outputbuffer);
    memset(&soundsystem, 0, sizeof soundsystem);
    soundsystem.frequency = 44100;
    soundsystem.channels = 2;
    soundsystem.bits = 16;
    soundsystem.bufferlength = kFrames;
    soundsystem.outputsize = 2 * kFrames * 4;
    soundsystem.outputbuffer = (int*)malloc((size_t)soundsystem.outputsize);
    soundsystem.mastervolume = soundsystem.musicvolume = soundsystem.effectvolume = 255;
}

// A looping voice of 3 seconds of a tone, 16-bit, listed and playing.
void StartVoice(s_sound* s, int channels, int frequency, int bits, int index) {
    int values = frequency * 3 * channels;
    int bytes_per_value = bits / 8;
    Soundsystem_CreateSoundStream(s, nullptr, frequency, bits, channels, values / channels);
    unsigned char* d = (unsigned char*)s->data;
    for (int i = 0; i < values; i++) {
        int v = (int)(20000 * sin(i * (0.01 + 0.003 * index)));
        if (bytes_per_value == 1)
            d[i] = (unsigned char)((v >> 8) + 128);
        else {
            d[2 * i] = (unsigned char)v;
            d[2 * i + 1] = (unsigned char)(v >> 8);
        }
    }
    s->callback = nullptr;
    Soundsystem_SetPanning(s, index * 16);
    Soundsystem_PlaySound(s, 1);
}

void StopVoices() {
    for (s_sound& s : voices) Soundsystem_DeleteSound(&s);
}

void Run(benchmark::State& state) {
    std::vector<int16_t> device(kFrames * 2);
    for (auto _ : state) {
        audiodriver_mixbuffers(device.data(), (int)(device.size() * 2), 0);
        benchmark::DoNotOptimize(device.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    StopVoices();
}

// The show's own format: 16 stereo 16-bit voices at the mixing rate.
void BM_Mix16StereoVoicesAtTheMixingRate(benchmark::State& state) {
    StartSoundSystem();
    for (int i = 0; i < 16; i++) StartVoice(&voices[i], 2, 44100, 16, i);
    Run(state);
}

// Voices at other rates, so that every frame steps by a fraction of a value:
// mono and stereo, 8-bit and 16-bit.
void BM_Mix16VoicesAtOtherRates(benchmark::State& state) {
    StartSoundSystem();
    const int rates[4] = {22050, 32000, 48000, 11025};
    for (int i = 0; i < 16; i++) StartVoice(&voices[i], 1 + i % 2, rates[i % 4], (i % 3 == 0) ? 8 : 16, i);
    Run(state);
}

BENCHMARK(BM_Mix16StereoVoicesAtTheMixingRate);
BENCHMARK(BM_Mix16VoicesAtOtherRates);

// Prints the usual table, then one line per case with the two figures.
class FrameReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.iterations == 0 || run.run_type != Run::RT_Iteration) continue;
            double ns_per_block = run.GetAdjustedRealTime() * ScaleToNanoseconds(run.time_unit);
            lines_.push_back(run.benchmark_name() + ": " + Figure(ns_per_block));
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const std::string& line : lines_) printf("%s\n", line.c_str());
    }

private:
    static double ScaleToNanoseconds(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond: return 1.0;
            case benchmark::kMicrosecond: return 1e3;
            case benchmark::kMillisecond: return 1e6;
            default: return 1e9;
        }
    }
    static std::string Figure(double ns_per_block) {
        double ns_per_frame = ns_per_block / kFrames;
        double realtime_ns_per_frame = 1e9 / 44100.0;
        char text[160];
        snprintf(text, sizeof text, "%.3f ns per output frame, %.0f times faster than real time at 44100 Hz",
                 ns_per_frame, realtime_ns_per_frame / ns_per_frame);
        return text;
    }
    std::vector<std::string> lines_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    FrameReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
