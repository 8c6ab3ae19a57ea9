// The software mixer. All arithmetic is integer: gains of 0 to 253,
// positions in values with 8 fraction bits, 32-bit accumulators, a final
// shift by 8 bits and symmetric clipping.
//
// The whole block is mixed inside the sound lock, so the demo thread's list
// changes fall between blocks; the mixer's own stop at a sound's end and the
// refill hooks take the same (re-entrant) lock again.
//
// Two-channel sources: a position is read as the whole frame it falls in.
// On stereo output the frame's first value feeds the left side (through the
// left gain) and its second value the right side; on mono output the two are
// averaged. Sources with more channels play their first two.
#include "sound/audiodriver.h"

#include <cstdint>
#include <cstring>

#include "core/coredebug.h"
#include "sound/coresound.h"
#include "sound/soundlock.h"

namespace {

// A source value as the mixer adds it: 16-bit values as they are, 8-bit
// bytes moved to the signed range and scaled to 16 bits.
template <bool Bits8>
inline int16_t source_value(const unsigned char* data, uint64_t index) {
    if (Bits8) return (int16_t)(((int)data[index] - 128) * 256);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return (int16_t)(uint16_t)(data[index * 2] | (data[index * 2 + 1] << 8));
#else
    int16_t v;
    memcpy(&v, data + index * 2, 2);
    return v;
#endif
}

// Source layouts: one value per frame, two, or more (of which two are read).
enum { SOURCE_MONO = 1, SOURCE_STEREO = 2, SOURCE_MULTI = 3 };

// Adds one frame read at value index idx into the frame's accumulators.
template <bool Bits8, int Layout, int OutChannels>
inline void add_frame(int* acc, const unsigned char* data, uint64_t idx, unsigned int channels, int16_t g0,
                      int16_t g1) {
    if (Layout == SOURCE_MONO) {
        int x = source_value<Bits8>(data, idx);
        if (OutChannels == 2) {
            acc[0] += x * g0;
            acc[1] += x * g1;
        } else {
            acc[0] += x * g0;
        }
        return;
    }
    uint64_t first = Layout == SOURCE_STEREO ? (idx & ~(uint64_t)1) : idx - idx % channels;
    int left = source_value<Bits8>(data, first);
    int right = source_value<Bits8>(data, first + 1);
    if (OutChannels == 2) {
        acc[0] += left * g0;
        acc[1] += right * g1;
    } else {
        acc[0] += ((left + right) >> 1) * g0;
    }
}

// Mixes n frames of one sound starting at position pos; every position of
// the span lies before the sound's end and inside its data. Returns the
// position after the span. Values and gains (at most 253) both fit 16 bits,
// so each product is a 16 x 16 -> 32-bit multiply.
template <bool Bits8, int Layout, int OutChannels>
uint64_t mix_span(int* acc, int n, const unsigned char* data, uint64_t pos, uint32_t inc,
                  unsigned int channels, int gain0, int gain1) {
    const int16_t g0 = (int16_t)gain0, g1 = (int16_t)gain1;
    // Playing at the mixing rate from a whole frame: the values follow one
    // another, so the loop reads them in order (the same values as below).
    if (Layout != SOURCE_MULTI && ((pos | inc) & 255) == 0 && (inc >> 8) == (uint32_t)Layout &&
        ((pos >> 8) % Layout) == 0) {
        const unsigned char* src = data + (pos >> 8) * (Bits8 ? 1 : 2);
        if (Layout == SOURCE_MONO && OutChannels == 2) {
            for (int k = 0; k < n; k++) {
                int16_t x = source_value<Bits8>(src, k);
                acc[2 * k] += x * g0;
                acc[2 * k + 1] += x * g1;
            }
        } else if (Layout == SOURCE_MONO) {
            for (int k = 0; k < n; k++) acc[k] += source_value<Bits8>(src, k) * g0;
        } else if (OutChannels == 2) {
            for (int k = 0; k < n; k++) {
                acc[2 * k] += source_value<Bits8>(src, 2 * k) * g0;
                acc[2 * k + 1] += source_value<Bits8>(src, 2 * k + 1) * g1;
            }
        } else {
            for (int k = 0; k < n; k++)
                acc[k] += ((source_value<Bits8>(src, 2 * k) + source_value<Bits8>(src, 2 * k + 1)) >> 1) * g0;
        }
        return pos + (uint64_t)n * inc;
    }
    for (int k = 0; k < n; k++) {
        add_frame<Bits8, Layout, OutChannels>(acc + k * OutChannels, data, pos >> 8, channels, g0, g1);
        pos += inc;
    }
    return pos;
}

typedef uint64_t (*span_mixer)(int*, int, const unsigned char*, uint64_t, uint32_t, unsigned int, int, int);

template <bool Bits8, int OutChannels>
span_mixer pick_layout(unsigned int channels) {
    if (channels <= 1) return mix_span<Bits8, SOURCE_MONO, OutChannels>;
    if (channels == 2) return mix_span<Bits8, SOURCE_STEREO, OutChannels>;
    return mix_span<Bits8, SOURCE_MULTI, OutChannels>;
}

span_mixer pick_span_mixer(const s_sound* s, int outchannels) {
    bool bits8 = s->bits == 8;
    if (outchannels == 2) return bits8 ? pick_layout<true, 2>(s->channels) : pick_layout<false, 2>(s->channels);
    return bits8 ? pick_layout<true, 1>(s->channels) : pick_layout<false, 1>(s->channels);
}

// The first position that cannot be read: the data's whole frames, times
// 256. A record without data has none.
uint64_t readable_end(const s_sound* s) {
    if (!s->data) return 0;
    uint64_t values = s->bits == 8 ? s->size : s->size / 2;
    if (s->channels >= 2) values -= values % s->channels;
    return values << 8;
}

// Frames of the step loop until the position reaches limit (pos < limit),
// at most most_frames. A sound that does not move never reaches it.
int frames_until(uint64_t pos, uint64_t limit, uint32_t inc, int most_frames) {
    if (inc == 0) return most_frames;
    uint64_t n = (limit - pos + inc - 1) / inc;
    return n < (uint64_t)most_frames ? (int)n : most_frames;
}

bool is_listed(const s_sound* s) {
    for (int i = 0; i < soundsystem.numactive && i < 16; i++)
        if (active_sounds[i] == s) return true;
    return false;
}

// Mixes one playing sound over the block's frames. The frame whose step
// reaches the end is mixed before the end is handled: a refill hook then a
// wrap, a wrap, or a stop that leaves the rest of the block silent.
//
// What the mixer does with sounds that cannot play as they are: positions
// outside the data (no data, a length beyond the data) give nothing but still
// advance; a sound of length 0 is stopped at once whatever its loop or hook,
// since it has nothing to play; a looping sound shorter than one step wraps
// modulo its end, so that it stays inside its values.
void mix_sound(s_sound* s, int* acc, int frames, int outchannels) {
    const uint64_t end = (uint64_t)s->length << 8;
    if (end == 0) {
        Soundsystem_StopSound(s);
        return;
    }
    const unsigned int group = soundsystem.mastervolume *
                               (s->music == 1 ? soundsystem.musicvolume : soundsystem.effectvolume);
    int g0, g1;
    if (outchannels == 2) {
        g0 = (int)((s->leftvolume * group) >> 16);
        g1 = (int)((s->rightvolume * group) >> 16);
    } else {
        g0 = (int)((s->volume * group) >> 16);
        g1 = 0;
    }
    const uint32_t inc = s->increment;
    span_mixer mix = pick_span_mixer(s, outchannels);
    uint64_t pos = s->position;
    uint64_t readable = readable_end(s);

    int frame = 0;
    while (frame < frames) {
        const unsigned char* data = (const unsigned char*)s->data;
        int* at = acc + frame * outchannels;
        uint64_t limit = readable < end ? readable : end;
        int n;
        if (pos < limit) {
            n = frames_until(pos, limit, inc, frames - frame);
            pos = mix(at, n, data, pos, inc, s->channels, g0, g1);
        } else if (pos < end) {
            n = frames_until(pos, end, inc, frames - frame);
            pos += (uint64_t)n * inc;
        } else {
            // Already at or past the end (a position set from outside): one
            // frame, read if there is anything to read, then the end.
            n = 1;
            if (pos < readable)
                pos = mix(at, 1, data, pos, inc, s->channels, g0, g1);
            else
                pos += inc;
        }
        frame += n;
        if (pos < end) continue;

        if (s->callback) {
            s->position = pos;
            s->callback(s->data, s->size);
            // A hook that moved or stopped its own stream keeps what it set.
            if (s->position == pos) pos -= end;
            else pos = s->position;
            if (pos >= end) pos %= end;
            if (!is_listed(s)) return;
            if (!s->playing) {
                // Paused by its hook: it keeps its place after the wrap.
                s->position = pos;
                return;
            }
            // The hook may have put other sample bytes in place.
            mix = pick_span_mixer(s, outchannels);
            readable = readable_end(s);
        } else if (s->loop) {
            pos -= end;
        } else {
            Soundsystem_StopSound(s);
            return;
        }
        if (pos >= end) pos %= end;
    }
    s->position = pos;
}

int clip(int v) { return v < -32767 ? -32767 : (v > 32767 ? 32767 : v); }

}  // namespace

void audiodriver_mixbuffers(void* buffer, int bytes, int flags) {
    (void)flags;
    if (!buffer || bytes <= 0) return;

    soundlock_enter();
    const bool out16 = soundsystem.bits == 16;
    const int outchannels = soundsystem.channels == 2 ? 2 : 1;
    const int values = out16 ? bytes / 2 : bytes;
    const int frames = outchannels == 2 ? values / 2 : values;

    int* acc = soundsystem.outputbuffer;
    int held = (acc && soundsystem.outputsize > 0) ? soundsystem.outputsize / 4 : 0;
    if (held > 0) memset(acc, 0, (size_t)soundsystem.outputsize);

    // The mix buffer bounds the block: frames it has no room for stay silent.
    int mixframes = frames;
    if (mixframes > held / outchannels) {
        mixframes = held / outchannels;
        static bool reported = false;
        if (!reported) {
            _dbg_printf("AUDIO: mix buffer holds %d of %d frames, the rest is silent\n", mixframes, frames);
            reported = true;
        }
    }

    // Each listed sound once. A sound that leaves the list during its turn
    // lets the next one move into its entry, which is then mixed in turn.
    // The turn count only bounds a refill hook that keeps relisting sounds.
    int i = 0;
    for (int turns = 0; i < soundsystem.numactive && i < 16 && turns < 256; turns++) {
        s_sound* s = active_sounds[i];
        if (s && s->playing && mixframes > 0) mix_sound(s, acc, mixframes, outchannels);
        if (i < soundsystem.numactive && active_sounds[i] == s) i++;
    }

    if (out16) {
        int16_t* out = (int16_t*)buffer;
        for (int k = 0; k < values; k++) out[k] = (int16_t)(k < held ? clip(acc[k] >> 8) : 0);
    } else {
        unsigned char* out = (unsigned char*)buffer;
        for (int k = 0; k < values; k++) out[k] = (unsigned char)(((k < held ? clip(acc[k] >> 8) : 0) >> 8) + 128);
    }
    soundlock_leave();
}
