// The software mixer, one block at a time: gains, clipping, positions in
// fixed point, the end of a sound (stop, loop, refill), pauses, two-channel
// sources, long sounds, and records that cannot play as they are.
#include <cstring>
#include <string>
#include <vector>

#include "sound/audiodriver.h"
#include "sound/coresound.h"
#include "tests/soundtest.h"
#include "tests/support/testsupport.h"

namespace {

class Mixer : public ::testing::Test {
protected:
    void SetUp() override { st::StartSoundSystem(44100, 2, 16); }
    void TearDown() override {
        for (s_sound* s : records_) {
            st::ReleaseRecord(s);
            delete s;
        }
        st::StopSoundSystem();
    }
    // A loaded-looking 16-bit record, not listed.
    s_sound* Sound(const std::vector<int>& values, int channels = 1, unsigned int frequency = 44100) {
        s_sound* s = new s_sound;
        st::Fill16(s, channels, frequency, values);
        records_.push_back(s);
        return s;
    }
    s_sound* Constant(int value, int count, int channels = 1) {
        return Sound(std::vector<int>(count, value), channels);
    }
    // Mono output, so that one gain (253 at full volume) applies.
    void MonoOutput(int bits = 16) { st::StartSoundSystem(44100, 1, bits); }

    std::vector<s_sound*> records_;
};

std::vector<int> Ramp(int n, int step = 10) {
    std::vector<int> v;
    for (int i = 0; i < n; i++) v.push_back(i * step);
    return v;
}

// ---------------------------------------------------------------------------
// Silence, gains and clipping

TEST_F(Mixer, NothingListedGivesSilenceInEveryFormat) {
    struct Format {
        int channels, bits, silence;
    };
    const Format formats[] = {{2, 16, 0}, {1, 16, 0}, {2, 8, 128}, {1, 8, 128}};
    for (const Format& f : formats) {
        SCOPED_TRACE(std::to_string(f.channels) + "x" + std::to_string(f.bits));
        st::StartSoundSystem(44100, f.channels, f.bits);
        EXPECT_EQ(st::MixBlock(), std::vector<int>(2048 * f.channels, f.silence));
        std::vector<int> acc(soundsystem.outputbuffer, soundsystem.outputbuffer + soundsystem.outputsize / 4);
        EXPECT_EQ(acc, std::vector<int>(2048 * f.channels, 0));
    }
}

TEST_F(Mixer, APausedSoundKeepsItsPositionAndAddsNothing) {
    MonoOutput();
    s_sound* s = Sound(Ramp(4000));
    Soundsystem_PlaySound(s, 0);
    s->position = 300 * 256;
    Soundsystem_PauseSound(s);
    EXPECT_EQ(st::MixBlock(), std::vector<int>(2048, 0));
    EXPECT_EQ(s->position, 300u * 256);
    EXPECT_EQ(soundsystem.numactive, 1);

    Soundsystem_ResumeSound(s);
    std::vector<int> out = st::MixBlock();
    EXPECT_EQ(out[0], (3000 * 253) >> 8);
    EXPECT_EQ(out[1], (3010 * 253) >> 8);
    EXPECT_EQ(s->position, (300u + 2048) * 256);
}

TEST_F(Mixer, FullVolumeGivesGain253OnMonoAnd127PerSideOnStereo) {
    MonoOutput();
    s_sound* s = Constant(32767, 4096);
    Soundsystem_PlaySound(s, 0);
    std::vector<int> out = st::MixBlock();
    EXPECT_EQ(out, std::vector<int>(2048, 32383));
    EXPECT_EQ(soundsystem.outputbuffer[0], 32767 * 253);

    st::StartSoundSystem(44100, 2, 16);
    Soundsystem_PlaySound(s, 0);
    out = st::MixBlock();
    EXPECT_EQ(out, std::vector<int>(4096, 16255));
    EXPECT_EQ(soundsystem.outputbuffer[0], 32767 * 127);
    EXPECT_EQ(soundsystem.outputbuffer[1], 32767 * 127);
}

TEST_F(Mixer, GainsComeFromMasterGroupAndVoiceVolumes) {
    struct Case {
        unsigned int music;
        int master, musicvol, effectvol, volume, panning;
        int left, right, mono;
    };
    const Case cases[] = {
        // Set panning 128 at full volume gives side volumes 126 and 127.
        {1, 255, 255, 0, 255, 128, 125, 126, 253},
        {1, 255, 0, 255, 255, 128, 0, 0, 0},
        {0, 255, 0, 255, 255, 128, 125, 126, 253},
        {2, 255, 0, 255, 255, 128, 125, 126, 253},  // any value but 1 is an effect
        {0, 128, 255, 255, 255, 128, 62, 63, 127},
        {0, 255, 255, 100, 200, 0, 77, 0, 77},
        {1, 255, 255, 255, 255, 255, 0, 252, 253},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.music << " " << c.master << " " << c.musicvol << " " << c.effectvol
                                        << " " << c.volume << " " << c.panning);
        for (int channels : {2, 1}) {
            st::StartSoundSystem(44100, channels, 16);
            soundsystem.mastervolume = (unsigned short)c.master;
            soundsystem.musicvolume = (unsigned short)c.musicvol;
            soundsystem.effectvolume = (unsigned short)c.effectvol;
            s_sound* s = Constant(256, 4096);
            s->music = c.music;
            Soundsystem_SetPanning(s, c.panning);
            Soundsystem_SetVolume(s, c.volume);
            Soundsystem_PlaySound(s, 0);
            st::MixBlock();
            if (channels == 2) {
                EXPECT_EQ(soundsystem.outputbuffer[0], 256 * c.left);
                EXPECT_EQ(soundsystem.outputbuffer[1], 256 * c.right);
            } else {
                EXPECT_EQ(soundsystem.outputbuffer[0], 256 * c.mono);
            }
            Soundsystem_StopSound(s);
        }
    }
}

TEST_F(Mixer, ClippingIsSymmetric) {
    struct Case {
        int value;
        int volume;  // 255 gives gain 253, 130 gives 128
        int out;
    };
    const Case cases[] = {
        {32767, 255, 32767},    // two at 253: 64766 before clipping
        {-32768, 255, -32767},  // -64768, clipped to -32767, not -32768
        {-32768, 130, -32767},  // exactly -32768 after the shift
        {32767, 130, 32767},    // exactly 32767 after the shift
        {-16384, 130, -16384},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        MonoOutput();
        s_sound* a = Constant(c.value, 4096);
        s_sound* b = Constant(c.value, 4096);
        Soundsystem_SetVolume(a, c.volume);
        Soundsystem_SetVolume(b, c.volume);
        Soundsystem_PlaySound(a, 0);
        Soundsystem_PlaySound(b, 0);
        std::vector<int> out = st::MixBlock();
        EXPECT_EQ(out[0], c.out);
        EXPECT_EQ(out[2047], c.out);
        Soundsystem_StopSound(a);
        Soundsystem_StopSound(b);
    }
}

TEST_F(Mixer, EightBitOutputIsTheHighByteAroundTheMiddle) {
    MonoOutput(8);
    // Accumulator values whose shifted result lands on the edges of a byte.
    const int values[] = {32767, -32768, 255, 256, -1, -256, -257, 0};
    const int bytes[] = {255, 0, 128, 129, 127, 127, 126, 128};
    for (size_t i = 0; i < sizeof values / sizeof values[0]; i++) {
        SCOPED_TRACE(values[i]);
        s_sound* s = Constant(values[i], 4096);
        Soundsystem_SetVolume(s, 130);  // gain 128: accumulator = value x 128
        s_sound* t = Constant(values[i], 4096);
        Soundsystem_SetVolume(t, 130);
        Soundsystem_PlaySound(s, 0);
        Soundsystem_PlaySound(t, 0);
        // value x 256 before the shift, so the 16-bit result is the value
        // (clipped at -32767).
        EXPECT_EQ(st::MixBlock()[0], bytes[i]);
        Soundsystem_StopSound(s);
        Soundsystem_StopSound(t);
    }
}

TEST_F(Mixer, EightBitSourcesAreCentredAndScaled) {
    MonoOutput();
    s_sound* s = new s_sound;
    records_.push_back(s);
    st::FillRecord(s, 1, 8, 44100, std::string("\xff\x00\x80\x7f\x81", 5));
    s->loop = 1;
    Soundsystem_PlaySound(s, 0);
    st::MixBlock();
    const int expected[] = {127 << 8, -32768, 0, -256, 256};
    for (int k = 0; k < 10; k++) EXPECT_EQ(soundsystem.outputbuffer[k], expected[k % 5] * 253) << k;
}

// ---------------------------------------------------------------------------
// The end of a sound

TEST_F(Mixer, ASoundThatEndsInsideTheBlockIsStoppedAfterItsLastValue) {
    MonoOutput();
    s_sound* s = Sound(Ramp(1000));
    Soundsystem_PlaySound(s, 0);
    std::vector<int> out = st::MixBlock();
    for (int k = 0; k < 1000; k++) ASSERT_EQ(out[k], (k * 10 * 253) >> 8) << k;
    for (int k = 1000; k < 2048; k++) ASSERT_EQ(out[k], 0) << k;
    EXPECT_EQ(s->position, 0u);
    EXPECT_EQ(s->playing, 0);
    EXPECT_EQ(soundsystem.numactive, 0);
    EXPECT_EQ(Soundsystem_GetSoundOffset(*s), 0u);
    EXPECT_EQ(st::MixBlock(), std::vector<int>(2048, 0));
}

TEST_F(Mixer, ALoopingSoundWrapsExactly) {
    MonoOutput();
    s_sound* s = Sound(Ramp(1000));
    Soundsystem_PlaySound(s, 1);
    std::vector<int> out = st::MixBlock();
    for (int k = 0; k < 2048; k++) ASSERT_EQ(out[k], ((k % 1000) * 10 * 253) >> 8) << k;
    EXPECT_EQ(s->position, 48u * 256);
    EXPECT_EQ(s->playing, 1);
    EXPECT_EQ(soundsystem.numactive, 1);

    // A fractional step keeps its fraction across the wrap: 22050 Hz at
    // 44100 reads each value twice, 32000 Hz steps 185/256 of a value.
    Soundsystem_SetFrequency(s, 32000);
    EXPECT_EQ(s->increment, 185u);
    uint64_t pos = s->position;
    out = st::MixBlock();
    for (int k = 0; k < 2048; k++) {
        ASSERT_EQ(out[k], ((int)(pos >> 8) * 10 * 253) >> 8) << k;
        pos += 185;
        if (pos >= 1000 * 256) pos -= 1000 * 256;
    }
    EXPECT_EQ(s->position, pos);
}

TEST_F(Mixer, HalfRateReadsEachValueTwice) {
    MonoOutput();
    s_sound* s = Sound(Ramp(1024), 1, 22050);
    EXPECT_EQ(s->increment, 128u);
    Soundsystem_PlaySound(s, 0);
    std::vector<int> out = st::MixBlock();
    for (int k = 0; k < 2048; k++) ASSERT_EQ(out[k], ((k / 2) * 10 * 253) >> 8) << k;
    // The step of the last frame reaches the end: stopped within this block.
    EXPECT_EQ(soundsystem.numactive, 0);
}

TEST_F(Mixer, EverySoundListedAtTheStartIsMixedWhenOneEnds) {
    MonoOutput();
    s_sound* first = Constant(1000, 1000);
    s_sound* second = Constant(100, 3000);
    s_sound* third = Constant(10, 3000);
    Soundsystem_PlaySound(first, 0);
    Soundsystem_PlaySound(second, 0);
    Soundsystem_PlaySound(third, 0);
    st::MixBlock();
    const int* acc = soundsystem.outputbuffer;
    EXPECT_EQ(acc[0], 1110 * 253);
    EXPECT_EQ(acc[999], 1110 * 253);
    EXPECT_EQ(acc[1000], 110 * 253);
    EXPECT_EQ(acc[2047], 110 * 253);
    EXPECT_EQ(st::Listed(), (std::vector<s_sound*>{second, third}));
    EXPECT_EQ(second->position, 2048u * 256);
    EXPECT_EQ(third->position, 2048u * 256);

    // Both end in the next block, the second first.
    st::MixBlock();
    EXPECT_EQ(acc[951], 110 * 253);
    EXPECT_EQ(acc[952], 0);
    EXPECT_EQ(soundsystem.numactive, 0);
}

TEST_F(Mixer, ASoundOfMoreThan2To24ValuesPlaysToItsLastValue) {
    // 200 s of 44100 Hz stereo: 17640000 values, positions beyond 2^32.
    const unsigned int values = 17640000;
    s_sound* s = new s_sound;
    records_.push_back(s);
    st::FillRecord(s, 2, 16, 44100, "");
    free(s->data);
    s->size = values * 2;
    s->length = values;
    s->data = malloc(s->size);
    int16_t* v = (int16_t*)s->data;
    memset(v, 0, s->size);
    for (unsigned int f = 0; f < 1000; f++) {
        v[values - 2000 + 2 * f] = (int16_t)(f + 1);
        v[values - 2000 + 2 * f + 1] = (int16_t)-(int)(f + 1);
    }
    Soundsystem_PlaySound(s, 0);
    Soundsystem_SetSoundOffset(s, values / 2 - 1000);
    EXPECT_EQ(s->position, (uint64_t)(values - 2000) * 256);
    EXPECT_GT(s->position, (uint64_t)1 << 32);
    std::vector<int> out = st::MixBlock();
    for (int f = 0; f < 1000; f++) {
        ASSERT_EQ(out[2 * f], ((f + 1) * 127) >> 8) << f;
        ASSERT_EQ(out[2 * f + 1], (-(f + 1) * 127) >> 8) << f;
    }
    EXPECT_EQ(soundsystem.outputbuffer[1998], 1000 * 127);
    EXPECT_EQ(std::vector<int>(out.begin() + 2000, out.end()), std::vector<int>(2096, 0));
    EXPECT_EQ(soundsystem.numactive, 0);
    EXPECT_EQ(s->position, 0u);
}

// ---------------------------------------------------------------------------
// Streams

struct RefillLog {
    s_sound* stream = nullptr;
    std::vector<uint64_t> positions;  // the stream's position at each call
    std::vector<void*> data;
    std::vector<unsigned int> sizes;
    void* replacement = nullptr;  // given: the hook swaps the buffer for it
    bool stop = false;            // the hook stops its own stream
    bool pause = false;           // the hook pauses its own stream
    void* eightbit = nullptr;     // given: the hook puts these 8-bit values in place
};
RefillLog refills;

// Fills the stream with the number of the call, value by value.
void Refill(void* data, unsigned int size) {
    refills.positions.push_back(refills.stream->position);
    refills.data.push_back(data);
    refills.sizes.push_back(size);
    int16_t* v = (int16_t*)data;
    for (unsigned int i = 0; i < size / 2; i++) v[i] = (int16_t)(refills.positions.size() * 100);
    if (refills.replacement) {
        int16_t* r = (int16_t*)refills.replacement;
        for (unsigned int i = 0; i < size / 2; i++) r[i] = (int16_t)(refills.positions.size() * 1000);
        std::swap(refills.stream->data, refills.replacement);
    }
    if (refills.stop) Soundsystem_StopSound(refills.stream);
    if (refills.pause) Soundsystem_PauseSound(refills.stream);
    if (refills.eightbit) {
        std::swap(refills.stream->data, refills.eightbit);
        refills.stream->bits = 8;
        refills.stream->size = size / 2;
    }
}

TEST_F(Mixer, AStreamIsRefilledEachTimeItPassesTheEndBeforeTheWrap) {
    MonoOutput();
    s_sound stream;
    refills = RefillLog{};
    refills.stream = &stream;
    Soundsystem_CreateSoundStream(&stream, Refill, 44100, 16, 1, 100);
    Soundsystem_PlaySound(&stream, 0);
    std::vector<int> out = st::MixBlock();
    ASSERT_EQ(refills.positions.size(), 20u);
    for (uint64_t p : refills.positions) EXPECT_EQ(p, 100u * 256);
    for (void* d : refills.data) EXPECT_EQ(d, stream.data);
    for (unsigned int n : refills.sizes) EXPECT_EQ(n, 200u);
    for (int k = 0; k < 2048; k++) ASSERT_EQ(out[k], ((k / 100) * 100 * 253) >> 8) << k;
    EXPECT_EQ(stream.position, 48u * 256);
    EXPECT_EQ(soundsystem.numactive, 1);
    Soundsystem_DeleteSound(&stream);
}

TEST_F(Mixer, AStereoStreamPlaysItsWholeBufferBetweenRefills) {
    s_sound stream;
    refills = RefillLog{};
    refills.stream = &stream;
    Soundsystem_CreateSoundStream(&stream, Refill, 44100, 16, 2, 256);
    Soundsystem_PlaySound(&stream, 0);
    std::vector<int> out = st::MixBlock();
    EXPECT_EQ(refills.positions.size(), 8u);  // 2048 frames / 256
    for (unsigned int n : refills.sizes) EXPECT_EQ(n, 1024u);
    EXPECT_EQ(out[2 * 255], 0);
    EXPECT_EQ(out[2 * 256], (100 * 127) >> 8);
    EXPECT_EQ(out[2 * 256 + 1], (100 * 127) >> 8);
    EXPECT_EQ(out[2 * 2047 + 1], (700 * 127) >> 8);
    Soundsystem_DeleteSound(&stream);
}

TEST_F(Mixer, AHookMayReplaceTheBufferOrStopItsStream) {
    MonoOutput();
    s_sound stream;
    refills = RefillLog{};
    refills.stream = &stream;
    Soundsystem_CreateSoundStream(&stream, Refill, 44100, 16, 1, 1000);
    void* other = malloc(2000);
    refills.replacement = other;
    Soundsystem_PlaySound(&stream, 0);
    std::vector<int> out = st::MixBlock();
    EXPECT_EQ(out[999], 0);
    EXPECT_EQ(out[1000], (1000 * 253) >> 8);  // read from the buffer the hook put in place
    EXPECT_EQ(out[2000], (2000 * 253) >> 8);
    free(refills.replacement);
    Soundsystem_DeleteSound(&stream);

    refills = RefillLog{};
    refills.stream = &stream;
    refills.stop = true;
    Soundsystem_CreateSoundStream(&stream, Refill, 44100, 16, 1, 300);
    Soundsystem_PlaySound(&stream, 0);
    out = st::MixBlock();
    EXPECT_EQ(refills.positions.size(), 1u);
    EXPECT_EQ(std::vector<int>(out.begin() + 300, out.end()), std::vector<int>(1748, 0));
    EXPECT_EQ(stream.position, 0u);
    EXPECT_EQ(soundsystem.numactive, 0);
    Soundsystem_DeleteSound(&stream);
}

TEST_F(Mixer, AHookMayPauseItsStreamOrChangeItsFormat) {
    MonoOutput();
    s_sound stream;
    refills = RefillLog{};
    refills.stream = &stream;
    refills.pause = true;
    Soundsystem_CreateSoundStream(&stream, Refill, 44100, 16, 1, 300);
    Soundsystem_PlaySound(&stream, 0);
    std::vector<int> out = st::MixBlock();
    EXPECT_EQ(refills.positions.size(), 1u);
    EXPECT_EQ(std::vector<int>(out.begin() + 300, out.end()), std::vector<int>(1748, 0));
    EXPECT_EQ(stream.position, 0u);  // wrapped, then paused
    EXPECT_EQ(stream.playing, 0);
    EXPECT_EQ(soundsystem.numactive, 1);
    Soundsystem_DeleteSound(&stream);

    // 16-bit values replaced by as many 8-bit ones, in half the bytes.
    refills = RefillLog{};
    refills.stream = &stream;
    Soundsystem_CreateSoundStream(&stream, Refill, 44100, 16, 1, 1000);
    refills.eightbit = malloc(1000);
    memset(refills.eightbit, 0x90, 1000);
    Soundsystem_PlaySound(&stream, 0);
    out = st::MixBlock();
    EXPECT_EQ(out[1000], (0x10 * 256 * 253) >> 8);
    EXPECT_EQ(out[1999], (0x10 * 256 * 253) >> 8);
    free(refills.eightbit);
    Soundsystem_DeleteSound(&stream);
}

// ---------------------------------------------------------------------------
// Two-channel sources

TEST_F(Mixer, StereoSourcesFeedLeftToLeftAndRightToRight) {
    s_sound* s = Sound({1000, 3000, -1000, -3001, 50, 70}, 2);
    s->loop = 1;
    Soundsystem_SetPanning(s, 255);  // gains 0 and 254 at full volume
    Soundsystem_SetPanning(s, 128);  // back to 126 and 127
    Soundsystem_PlaySound(s, 0);
    st::MixBlock();
    const int* acc = soundsystem.outputbuffer;
    const int left[] = {1000, -1000, 50}, right[] = {3000, -3001, 70};
    for (int f = 0; f < 6; f++) {
        EXPECT_EQ(acc[2 * f], left[f % 3] * 125) << f;  // 126 x 65025 >> 16
        EXPECT_EQ(acc[2 * f + 1], right[f % 3] * 126) << f;
    }

    // Mono output hears the two values of a frame averaged.
    MonoOutput();
    Soundsystem_PlaySound(s, 0);
    st::MixBlock();
    const int mono[] = {2000, -2001, 60};
    for (int f = 0; f < 6; f++) EXPECT_EQ(soundsystem.outputbuffer[f], mono[f % 3] * 253) << f;
}

TEST_F(Mixer, APositionInsideAFrameReadsTheWholeFrame) {
    // At other rates the value index falls on either value of a frame.
    s_sound* s = Sound({10, 20, 30, 40, 50, 60, 70, 80}, 2, 22050);
    EXPECT_EQ(s->increment, 256u);  // one value per output frame
    Soundsystem_PlaySound(s, 0);
    st::MixBlock(8);
    const int* acc = soundsystem.outputbuffer;
    const int left[] = {10, 10, 30, 30, 50, 50, 70, 70};
    for (int f = 0; f < 8; f++) {
        EXPECT_EQ(acc[2 * f], left[f] * 127) << f;
        EXPECT_EQ(acc[2 * f + 1], (left[f] + 10) * 127) << f;
    }
    // The same at the mixing rate from an odd value index.
    st::StartSoundSystem();
    s_sound* t = Sound({10, 20, 30, 40, 50, 60, 70, 80}, 2);
    Soundsystem_PlaySound(t, 1);
    t->position = 256 * 3;
    st::MixBlock(4);
    const int* out = soundsystem.outputbuffer;
    EXPECT_EQ(std::vector<int>(out, out + 8),
              (std::vector<int>{30 * 127, 40 * 127, 50 * 127, 60 * 127, 70 * 127, 80 * 127,
                                10 * 127, 20 * 127}));  // the last after the wrap, at value index 1
}

// A position's fraction never changes which value is read: a sound started
// at fraction 1/256 mixes exactly as one started at 0, for every source and
// output layout (the mixer reads whole-step runs in order, other runs step
// by step).
TEST_F(Mixer, TheFractionOfAPositionDoesNotChangeTheValuesRead) {
    std::string bytes;
    for (int i = 0; i < 6000; i++) bytes += (char)((i * 7919) >> 3);
    for (int bits : {8, 16}) {
        for (int channels : {1, 2, 3}) {
            for (int outchannels : {1, 2}) {
                SCOPED_TRACE(testing::Message() << bits << " bits, " << channels << " channels, output "
                                                << outchannels);
                std::vector<int> mixed[2];
                for (int fraction = 0; fraction < 2; fraction++) {
                    st::StartSoundSystem(44100, outchannels, 16);
                    s_sound* s = new s_sound;
                    records_.push_back(s);
                    st::FillRecord(s, channels, bits, 44100, bytes);
                    Soundsystem_SetPanning(s, 40);
                    Soundsystem_PlaySound(s, 1);
                    s->position = (uint64_t)fraction;
                    st::MixBlock();
                    mixed[fraction].assign(soundsystem.outputbuffer,
                                           soundsystem.outputbuffer + 2048 * outchannels);
                }
                EXPECT_EQ(mixed[0], mixed[1]);
                EXPECT_NE(mixed[0], std::vector<int>(2048 * outchannels, 0));
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Records that cannot play as they are

TEST_F(Mixer, AnEmptyRecordIsStoppedAtOnceAndSilent) {
    s_sound empty = {};
    Soundsystem_PlaySound(&empty, 1);
    s_sound* after = Constant(1000, 4096);
    Soundsystem_PlaySound(after, 0);
    st::MixBlock();
    EXPECT_EQ(st::Listed(), (std::vector<s_sound*>{after}));
    EXPECT_EQ(soundsystem.outputbuffer[0], 1000 * 127);
    EXPECT_EQ(empty.playing, 0);
    EXPECT_EQ(Soundsystem_GetSoundOffset(empty), 0u);
}

TEST_F(Mixer, PositionsBeyondTheDataAreSilentButAdvance) {
    MonoOutput();
    s_sound* s = Sound(Ramp(500));
    s->length = 2000;  // longer than its 500 values
    Soundsystem_PlaySound(s, 0);
    std::vector<int> out = st::MixBlock();
    EXPECT_EQ(out[499], (4990 * 253) >> 8);
    EXPECT_EQ(std::vector<int>(out.begin() + 500, out.end()), std::vector<int>(1548, 0));
    EXPECT_EQ(soundsystem.numactive, 0);  // stopped at value 2000
    EXPECT_EQ(s->position, 0u);

    // A deleted record that is played again reads nothing.
    s_sound* gone = Sound(Ramp(5000));
    Soundsystem_DeleteSound(gone);
    Soundsystem_PlaySound(gone, 0);
    EXPECT_EQ(st::MixBlock(), std::vector<int>(2048, 0));
    EXPECT_EQ(gone->position, 2048u * 256);
}

TEST_F(Mixer, ALoopShorterThanOneStepStaysInsideItsValues) {
    MonoOutput();
    s_sound* s = Sound({500, 700});
    s->increment = 256 * 5;
    Soundsystem_PlaySound(s, 1);
    std::vector<int> out = st::MixBlock();
    // Index 0, then (5 mod 2) = 1, then (1 + 5) mod 2 = 0, ...
    for (int k = 0; k < 2048; k++) ASSERT_EQ(out[k], ((k % 2 ? 700 : 500) * 253) >> 8) << k;
    EXPECT_LT(s->position, 2u * 256);
}

TEST_F(Mixer, FramesTheMixBufferHasNoRoomForAreSilent) {
    // A mix buffer of one channel's 2048 accumulators under stereo output.
    st::StartSoundSystem(44100, 2, 16, 1);
    s_sound* s = Constant(1000, 100000);
    Soundsystem_PlaySound(s, 0);
    std::vector<int> out;
    std::string text = kt::Captured([&] {
        out = st::MixBlock();
        st::MixBlock();
    });
    EXPECT_EQ(text, "AUDIO: mix buffer holds 1024 of 2048 frames, the rest is silent\n");
    EXPECT_EQ(out[2047], (1000 * 127) >> 8);
    EXPECT_EQ(std::vector<int>(out.begin() + 2048, out.end()), std::vector<int>(2048, 0));
    EXPECT_EQ(s->position, 2048u * 256);
}

TEST_F(Mixer, NoMixBufferGivesASilentBlock) {
    s_sound* s = Constant(1000, 100000);
    free(soundsystem.outputbuffer);
    soundsystem.outputbuffer = nullptr;
    soundsystem.outputsize = 0;
    Soundsystem_PlaySound(s, 0);
    std::vector<int> out;
    kt::Captured([&] { out = st::MixBlock(); });
    EXPECT_EQ(out, std::vector<int>(4096, 0));
    EXPECT_EQ(s->position, 0u);
}

}  // namespace
