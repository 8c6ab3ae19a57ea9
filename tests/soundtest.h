// Helpers of the sound suites: a sound system set up by hand (the rate, the
// output format and the mix buffer, as start-up leaves them), records filled
// as the WAV loader fills them, one mixed block, and WAV byte fixtures.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "sound/audiodriver.h"
#include "sound/coresound.h"
#include "tests/support/testsupport.h"

namespace st {

// The global record as start-up leaves it: mixing rate, output format, a
// 2048-frame block and a mix buffer of outputchannels x 2048 accumulators,
// filled with garbage so that a missing clear shows.
inline void StartSoundSystem(unsigned int rate = 44100, int outputchannels = 2, int outputbits = 16,
                             int bufferchannels = -1) {
    if (bufferchannels < 0) bufferchannels = outputchannels;
    free(soundsystem.outputbuffer);
    soundsystem = s_soundsystem{};
    soundsystem.frequency = rate;
    soundsystem.channels = (unsigned short)outputchannels;
    soundsystem.bits = (unsigned short)outputbits;
    soundsystem.bufferlength = 2048;
    soundsystem.outputsize = bufferchannels * 2048 * 4;
    soundsystem.mastervolume = soundsystem.musicvolume = soundsystem.effectvolume = 255;
    soundsystem.outputbuffer = (int*)malloc((size_t)soundsystem.outputsize + 4);
    memset(soundsystem.outputbuffer, 0x5A, (size_t)soundsystem.outputsize);
}

inline void StopSoundSystem() {
    free(soundsystem.outputbuffer);
    soundsystem = s_soundsystem{};
}

// A record as Soundsystem_LoadSound leaves it after a successful WAV read:
// the sample bytes in a malloc block, length = values, default playback.
inline void FillRecord(s_sound* s, int channels, int bits, unsigned int frequency, const std::string& bytes) {
    memset(s, 0, sizeof *s);
    s->channels = (unsigned short)channels;
    s->bits = (unsigned short)bits;
    s->frequency = frequency;
    s->size = (unsigned int)bytes.size();
    s->data = malloc(bytes.size() ? bytes.size() : 1);
    memcpy(s->data, bytes.data(), bytes.size());
    s->length = s->size / ((unsigned int)bits >> 3);
    s->increment = (unsigned int)((((uint64_t)frequency << 8) * (unsigned int)channels) / soundsystem.frequency);
    s->volume = 255;
    s->leftvolume = s->rightvolume = s->panning = 128;
}

inline std::string Samples16(const std::vector<int>& values) {
    std::string out;
    for (int v : values) kt::PutU16(out, (uint16_t)(int16_t)v);
    return out;
}

inline void Fill16(s_sound* s, int channels, unsigned int frequency, const std::vector<int>& values) {
    FillRecord(s, channels, 16, frequency, Samples16(values));
}

inline void ReleaseRecord(s_sound* s) {
    free(s->data);
    s->data = nullptr;
}

// Mixes one block of the given frame count into a device buffer of the
// current output format and returns its values (bytes for 8-bit output).
inline std::vector<int> MixBlock(int frames = 2048) {
    int outch = soundsystem.channels == 2 ? 2 : 1;
    int values = frames * outch;
    std::vector<int> out(values);
    if (soundsystem.bits == 16) {
        std::vector<int16_t> buf(values, 0x1234);
        audiodriver_mixbuffers(buf.data(), values * 2, 0);
        for (int i = 0; i < values; i++) out[i] = buf[i];
    } else {
        std::vector<uint8_t> buf(values, 0x55);
        audiodriver_mixbuffers(buf.data(), values, 0);
        for (int i = 0; i < values; i++) out[i] = buf[i];
    }
    return out;
}

inline std::vector<s_sound*> Listed() {
    return std::vector<s_sound*>(active_sounds, active_sounds + soundsystem.numactive);
}

// A canonical 44-byte-header WAV file around the given sample bytes.
// datasize < 0 writes the real byte count.
inline std::string WavBytes(int channels, unsigned int rate, int bits, const std::string& samples,
                            int format = 1, long long datasize = -1) {
    std::string out = "RIFF";
    kt::PutU32(out, (uint32_t)(36 + samples.size()));
    out += "WAVEfmt ";
    kt::PutU32(out, 16);
    kt::PutU16(out, (uint16_t)format);
    kt::PutU16(out, (uint16_t)channels);
    kt::PutU32(out, rate);
    kt::PutU32(out, rate * (uint32_t)channels * (uint32_t)(bits / 8));
    kt::PutU16(out, (uint16_t)(channels * (bits / 8)));
    kt::PutU16(out, (uint16_t)bits);
    out += "data";
    kt::PutU32(out, (uint32_t)(datasize < 0 ? (long long)samples.size() : datasize));
    out += samples;
    return out;
}


}  // namespace st
