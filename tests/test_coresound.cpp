// The sound-system interface: rates, names, the playing list, offsets,
// volumes and panning, deletion, streams and the sound system's own
// frequency probe.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/corefile/corefile.h"
#include "sound/coresound.h"
#include "tests/soundtest.h"
#include "tests/support/testsupport.h"

namespace {

class CoreSound : public kt::ScratchTest {
protected:
    void SetUp() override {
        kt::ScratchTest::SetUp();
        st::StartSoundSystem();
    }
    void TearDown() override {
        for (s_sound* s : records_) {
            st::ReleaseRecord(s);
            delete s;
        }
        corefile_closeimage();
        st::StopSoundSystem();
        kt::ScratchTest::TearDown();
    }
    // A loaded-looking mono record of the given number of values.
    s_sound* Sound(int values, int channels = 1) {
        s_sound* s = new s_sound;
        st::Fill16(s, channels, 44100, std::vector<int>(values, 1000));
        records_.push_back(s);
        return s;
    }
    std::vector<s_sound*> records_;
};

// ---------------------------------------------------------------------------
// Increments

struct IncrementCase {
    unsigned int mixrate;
    int frequency;
    int channels;
    unsigned int increment;
};

TEST_F(CoreSound, IncrementIsTheFixedPointStepPerOutputFrame) {
    const IncrementCase cases[] = {
        {44100, 44100, 2, 512},
        {44100, 44100, 1, 256},
        {44100, 22050, 1, 128},
        {44100, 48000, 2, 557},  // 557.28 truncated
        {22050, 22050, 1, 256},
        {44100, 11025, 2, 128},
        // (frequency << 8) x channels wraps modulo 2^32 before the division.
        {44100, 20000000, 2, (uint32_t)((20000000u << 8) * 2u) / 44100u},
        {44100, 16777216, 1, 0},
        // Before the sound system has a rate there is no step at all.
        {0, 44100, 2, 0},
    };
    for (const IncrementCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.mixrate) + " " + std::to_string(c.frequency) + " x" +
                     std::to_string(c.channels));
        soundsystem.frequency = c.mixrate;
        s_sound s;
        Soundsystem_CreateSoundStream(&s, nullptr, c.frequency, 16, c.channels, 4);
        EXPECT_EQ(s.increment, c.increment);
        EXPECT_EQ(s.frequency, (unsigned int)c.frequency);
        // SetFrequency gives the same step and leaves the stored rate alone.
        s.increment = 12345;
        Soundsystem_SetFrequency(&s, c.frequency);
        EXPECT_EQ(s.increment, c.increment);
        Soundsystem_DeleteSound(&s);
    }
}

TEST_F(CoreSound, SetFrequencyChangesOnlyTheStep) {
    s_sound* s = Sound(100, 2);
    Soundsystem_SetFrequency(s, 22050);
    EXPECT_EQ(s->increment, 256u);
    EXPECT_EQ(s->frequency, 44100u);
}

// ---------------------------------------------------------------------------
// Names

TEST_F(CoreSound, UpcaseTurnsOnlyAsciiLettersInPlace) {
    char text[] = "a.b-Wav\xe4z{`@[";
    EXPECT_EQ(upcase_sound(text), text);
    EXPECT_STREQ(text, "A.B-WAV\xe4Z{`@[");
}

TEST_F(CoreSound, OnlyNamesEndingInDotWavAreReadAsWav) {
    std::string wav = st::WavBytes(1, 22050, 8, std::string("\x10\x20\x30", 3));
    std::vector<std::pair<std::string, std::string>> files = {
        {"music.wav", wav}, {"a.b.wav", wav},  {"music.wave", wav}, {"music", wav},
        {".wav", wav},      {"x.wav.abcdefghijklmnop", wav},
    };
    kt::PackImage("img.dat", files);
    kt::Captured([] { corefile_mountimage("img.dat", 0); });

    struct NameCase {
        const char* name;
        bool wav;
    };
    const NameCase cases[] = {
        {"music.wav", true},   {"MUSIC.WAV", true}, {"a.b.Wav", true},
        {"music.wave", false}, {"music", false},    {".wav", false},
        // An extension longer than 15 characters cannot be ".WAV".
        {"x.wav.abcdefghijklmnop", false},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        s_sound s;
        memset(&s, 0x77, sizeof s);
        std::string text = kt::Captured([&] { Soundsystem_LoadSound(c.name, &s); });
        if (c.wav) {
            ASSERT_NE(s.data, nullptr);
            EXPECT_EQ(s.channels, 1);
            EXPECT_EQ(s.size, 3u);
            EXPECT_EQ(text.rfind(std::string("Loading sound ") + c.name + "\nfound file at offset: ", 0), 0u)
                << text;
        } else {
            EXPECT_EQ(s.data, nullptr);
            EXPECT_EQ(s.channels, 0);
            EXPECT_EQ(s.size, 0u);
            EXPECT_EQ(s.length, 0u);
            EXPECT_EQ(s.increment, 0u);
            EXPECT_EQ(text, std::string("Loading sound ") + c.name + "\n");
        }
        st::ReleaseRecord(&s);
    }
}

TEST_F(CoreSound, LoadSetsThePlaybackDefaultsAndCountsEveryLoad) {
    std::string wav = st::WavBytes(2, 22050, 16, st::Samples16({1, 2, 3, 4}));
    kt::PackImage("img.dat", {{"fx.wav", wav}});
    kt::Captured([] { corefile_mountimage("img.dat", 0); });

    s_sound s;
    memset(&s, 0x77, sizeof s);
    kt::Captured([&] { Soundsystem_LoadSound("fx.wav", &s); });
    EXPECT_EQ(s.position, 0u);
    EXPECT_EQ(s.increment, 256u);  // 22050 Hz stereo at 44100
    EXPECT_EQ(s.volume, 255);
    EXPECT_EQ(s.leftvolume, 128);
    EXPECT_EQ(s.rightvolume, 128);
    EXPECT_EQ(s.panning, 128);
    EXPECT_EQ(s.loop, 0u);
    EXPECT_EQ(s.playing, 0);
    EXPECT_EQ(s.music, 0u);
    EXPECT_EQ(s.callback, nullptr);
    EXPECT_EQ(s.length, 4u);
    EXPECT_EQ(soundsystem.numsounds, 1);

    // A failed load counts as well and still gets the defaults.
    s_sound missing;
    memset(&missing, 0x77, sizeof missing);
    std::string text = kt::Captured([&] { Soundsystem_LoadSound("none.wav", &missing); });
    EXPECT_EQ(text, "Loading sound none.wav\ncouldn't find file: none.wav\n");
    EXPECT_EQ(missing.data, nullptr);
    EXPECT_EQ(missing.volume, 255);
    EXPECT_EQ(missing.panning, 128);
    EXPECT_EQ(soundsystem.numsounds, 2);
    st::ReleaseRecord(&s);
}

// ---------------------------------------------------------------------------
// The playing list

TEST_F(CoreSound, StoppingTheMiddleSoundKeepsTheOthersInOrder) {
    s_sound *a = Sound(10), *b = Sound(10), *c = Sound(10);
    Soundsystem_PlaySound(a, 0);
    Soundsystem_PlaySound(b, 0);
    Soundsystem_PlaySound(c, 0);
    EXPECT_EQ(st::Listed(), (std::vector<s_sound*>{a, b, c}));
    b->position = 999;
    Soundsystem_StopSound(b);
    EXPECT_EQ(st::Listed(), (std::vector<s_sound*>{a, c}));
    EXPECT_EQ(soundsystem.numactive, 2);
    EXPECT_EQ(b->playing, 0);
    EXPECT_EQ(b->position, 0u);
    Soundsystem_StopSound(a);
    EXPECT_EQ(st::Listed(), (std::vector<s_sound*>{c}));
    Soundsystem_StopSound(c);
    EXPECT_EQ(soundsystem.numactive, 0);
}

TEST_F(CoreSound, PlayingAListedSoundRestartsItInPlace) {
    s_sound *a = Sound(10), *b = Sound(10);
    Soundsystem_PlaySound(a, 0);
    Soundsystem_PlaySound(b, 0);
    a->position = 1280;
    Soundsystem_PauseSound(a);
    Soundsystem_PlaySound(a, 0);
    EXPECT_EQ(st::Listed(), (std::vector<s_sound*>{a, b}));
    EXPECT_EQ(a->position, 0u);
    EXPECT_EQ(a->playing, 1);
}

TEST_F(CoreSound, StoppingAnUnlistedSoundRewindsItAndLeavesTheList) {
    s_sound *a = Sound(10), *b = Sound(10);
    Soundsystem_PlaySound(a, 0);
    b->position = 2560;
    b->playing = 1;
    Soundsystem_StopSound(b);
    EXPECT_EQ(b->position, 0u);
    EXPECT_EQ(b->playing, 0);
    EXPECT_EQ(st::Listed(), (std::vector<s_sound*>{a}));
}

TEST_F(CoreSound, LoopOnceSetStaysSet) {
    s_sound* a = Sound(10);
    Soundsystem_PlaySound(a, 0);
    EXPECT_EQ(a->loop, 0u);
    Soundsystem_PlaySound(a, 7);
    EXPECT_EQ(a->loop, 1u);
    Soundsystem_PlaySound(a, 0);
    EXPECT_EQ(a->loop, 1u);
}

TEST_F(CoreSound, TheSeventeenthSoundIsNotListed) {
    std::vector<s_sound*> sounds;
    for (int i = 0; i < 17; i++) sounds.push_back(Sound(10));
    std::string text = kt::Captured([&] {
        for (s_sound* s : sounds) Soundsystem_PlaySound(s, 0);
    });
    EXPECT_EQ(text, "");
    EXPECT_EQ(soundsystem.numactive, 16);
    EXPECT_EQ(st::Listed(), std::vector<s_sound*>(sounds.begin(), sounds.begin() + 16));
    EXPECT_EQ(sounds[16]->playing, 1);
    // Room again: the next play lists it.
    Soundsystem_StopSound(sounds[3]);
    Soundsystem_PlaySound(sounds[16], 0);
    EXPECT_EQ(soundsystem.numactive, 16);
    EXPECT_EQ(active_sounds[15], sounds[16]);
}

TEST_F(CoreSound, PauseAndResumeChangeOnlyTheFlag) {
    s_sound* a = Sound(10);
    Soundsystem_PlaySound(a, 0);
    a->position = 768;
    Soundsystem_PauseSound(a);
    EXPECT_EQ(a->playing, 0);
    EXPECT_EQ(a->position, 768u);
    EXPECT_EQ(soundsystem.numactive, 1);
    Soundsystem_ResumeSound(a);
    EXPECT_EQ(a->playing, 1);
    EXPECT_EQ(a->position, 768u);

    // Resuming a sound that is not listed does not list it.
    s_sound* b = Sound(10);
    Soundsystem_ResumeSound(b);
    EXPECT_EQ(b->playing, 1);
    EXPECT_EQ(st::Listed(), (std::vector<s_sound*>{a}));
}

TEST_F(CoreSound, MusicCallsSetTheGroupAndStopLikeAnySound) {
    s_sound* m = Sound(10);
    Soundsystem_PlayMusic(m, 0);
    EXPECT_EQ(m->music, 1u);
    EXPECT_EQ(m->playing, 1);
    EXPECT_EQ(st::Listed(), (std::vector<s_sound*>{m}));
    Soundsystem_StopMusic(m);
    EXPECT_EQ(m->music, 1u);
    EXPECT_EQ(m->playing, 0);
    EXPECT_EQ(soundsystem.numactive, 0);
}

// ---------------------------------------------------------------------------
// Offsets

TEST_F(CoreSound, OffsetsCountFramesAndStopAtTheLastOne) {
    s_sound* stereo = Sound(2000, 2);  // 1000 frames
    struct OffsetCase {
        uint64_t frame;
        uint64_t position;
    };
    const OffsetCase cases[] = {
        {0, 0},
        {1, 512},
        {998, 998 * 512},
        {999, 511488},
        {1000, 511488},
        {~(uint64_t)0, 511488},
    };
    for (const OffsetCase& c : cases) {
        SCOPED_TRACE(c.frame);
        Soundsystem_SetSoundOffset(stereo, c.frame);
        EXPECT_EQ(stereo->position, c.position);
    }

    stereo->position = 131072;
    EXPECT_EQ(Soundsystem_GetSoundOffset(*stereo), 256u);
    stereo->position = 131072 + 511;  // fraction and odd value inside frame 256
    EXPECT_EQ(Soundsystem_GetSoundOffset(*stereo), 256u);

    s_sound* mono = Sound(1000);
    Soundsystem_SetSoundOffset(mono, 500);
    EXPECT_EQ(mono->position, 128000u);
    EXPECT_EQ(Soundsystem_GetSoundOffset(*mono), 500u);
}

TEST_F(CoreSound, OffsetsLeaveTheListingAndFlagAlone) {
    s_sound* a = Sound(1000);
    Soundsystem_SetSoundOffset(a, 10);
    EXPECT_EQ(a->playing, 0);
    EXPECT_EQ(soundsystem.numactive, 0);
    Soundsystem_PlaySound(a, 0);
    Soundsystem_PauseSound(a);
    Soundsystem_SetSoundOffset(a, 20);
    EXPECT_EQ(a->playing, 0);
    EXPECT_EQ(soundsystem.numactive, 1);
}

TEST_F(CoreSound, AnEmptyRecordHasOffsetZero) {
    s_sound empty = {};
    empty.position = 4096;
    EXPECT_EQ(Soundsystem_GetSoundOffset(empty), 0u);
    Soundsystem_SetSoundOffset(&empty, 5);
    EXPECT_EQ(empty.position, 0u);
    // A stereo record of one value has no whole frame either.
    s_sound* one = Sound(1, 2);
    Soundsystem_SetSoundOffset(one, 3);
    EXPECT_EQ(one->position, 0u);
}

// ---------------------------------------------------------------------------
// Volumes and panning

TEST_F(CoreSound, GroupVolumesAreClampedTo0To255) {
    struct VolumeCase {
        int in;
        unsigned short out;
    };
    const VolumeCase cases[] = {{-1, 0}, {-100000, 0}, {0, 0}, {17, 17}, {255, 255}, {256, 255}, {100000, 255}};
    for (const VolumeCase& c : cases) {
        SCOPED_TRACE(c.in);
        Soundsystem_SetMasterVolume(c.in);
        Soundsystem_SetMusicVolume(c.in);
        Soundsystem_SetEffectVolume(c.in);
        EXPECT_EQ(soundsystem.mastervolume, c.out);
        EXPECT_EQ(soundsystem.musicvolume, c.out);
        EXPECT_EQ(soundsystem.effectvolume, c.out);
    }
}

TEST_F(CoreSound, VolumeClampsAndDerivesBothGainsFromThePanning) {
    struct Case {
        int panning;  // set first
        int volume;
        int stored_volume, left, right;
    };
    const Case cases[] = {
        {128, 255, 255, 126, 127},
        {128, -5, 0, 0, 0},
        {128, 300, 255, 126, 127},
        {0, 255, 255, 254, 0},
        {255, 255, 255, 0, 254},
        {64, 100, 100, 74, 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.panning) + " " + std::to_string(c.volume));
        s_sound* s = Sound(4);
        s->panning = (unsigned char)c.panning;
        Soundsystem_SetVolume(s, c.volume);
        EXPECT_EQ(s->volume, c.stored_volume);
        EXPECT_EQ(s->leftvolume, c.left);
        EXPECT_EQ(s->rightvolume, c.right);
    }
}

TEST_F(CoreSound, PanningClampsOnlyAboveAndKeepsTheLowByte) {
    struct Case {
        int panning;
        int stored, left, right;
    };
    const Case cases[] = {
        {300, 255, 0, 254},
        {255, 255, 0, 254},
        {128, 128, 126, 127},
        {0, 0, 254, 0},
        {-1, 255, 0, 254},
        {-128, 128, 126, 127},
        {-256, 0, 254, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.panning);
        s_sound* s = Sound(4);
        Soundsystem_SetPanning(s, c.panning);
        EXPECT_EQ(s->panning, c.stored);
        EXPECT_EQ(s->leftvolume, c.left);
        EXPECT_EQ(s->rightvolume, c.right);
    }
    // The gains come from the stored volume.
    s_sound* quiet = Sound(4);
    Soundsystem_SetVolume(quiet, 100);
    Soundsystem_SetPanning(quiet, 255);
    EXPECT_EQ(quiet->leftvolume, 0);
    EXPECT_EQ(quiet->rightvolume, 99);
}

// ---------------------------------------------------------------------------
// Deleting and streams

TEST_F(CoreSound, DeleteStopsFreesAndNeverCountsBelowZero) {
    s_sound s;
    st::Fill16(&s, 1, 44100, {1, 2, 3});
    soundsystem.numsounds = 1;
    Soundsystem_PlaySound(&s, 1);
    Soundsystem_DeleteSound(&s);
    EXPECT_EQ(soundsystem.numactive, 0);
    EXPECT_EQ(s.playing, 0);
    EXPECT_EQ(s.data, nullptr);
    EXPECT_EQ(soundsystem.numsounds, 0);
    // A second delete finds nothing to free and leaves the count at 0.
    Soundsystem_DeleteSound(&s);
    EXPECT_EQ(soundsystem.numsounds, 0);
}

void NoRefill(void*, unsigned int) {}

TEST_F(CoreSound, StreamsHoldZeroedFramesAndAreNotListed) {
    struct StreamCase {
        int bits, channels, length;
        unsigned int size, values;
    };
    const StreamCase cases[] = {
        {16, 1, 1000, 2000, 1000},
        {16, 2, 1000, 4000, 2000},
        {8, 1, 500, 500, 500},
        {8, 2, 3, 6, 6},
        {4, 1, 10, 0, 10},  // no whole byte per value: no bytes at all
    };
    for (const StreamCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits x" + std::to_string(c.channels));
        s_sound s;
        memset(&s, 0x77, sizeof s);
        Soundsystem_CreateSoundStream(&s, NoRefill, 22050, c.bits, c.channels, c.length);
        EXPECT_EQ(s.size, c.size);
        EXPECT_EQ(s.length, c.values);
        EXPECT_EQ(s.bits, c.bits);
        EXPECT_EQ(s.channels, c.channels);
        EXPECT_EQ(s.frequency, 22050u);
        EXPECT_EQ(s.callback, NoRefill);
        EXPECT_EQ(s.loop, 1u);
        EXPECT_EQ(s.playing, 0);
        EXPECT_EQ(s.music, 0u);
        EXPECT_EQ(s.volume, 255);
        EXPECT_EQ(s.panning, 128);
        EXPECT_EQ(s.increment, 128u * (unsigned int)c.channels);
        ASSERT_NE(s.data, nullptr);
        EXPECT_EQ(std::string((char*)s.data, c.size), std::string(c.size, '\0'));
        EXPECT_EQ(soundsystem.numactive, 0);
        Soundsystem_DeleteSound(&s);
    }
}

TEST_F(CoreSound, OutputBufferIsTheMixBuffer) {
    EXPECT_EQ(Soundsystem_GetOutputBuffer(), soundsystem.outputbuffer);
}

// ---------------------------------------------------------------------------
// The sound system's frequency probe

// Independent Goertzel power in double precision, for comparison.
double Goertzel(const int* values, int n, double f, double rate) {
    double c = 2 * cos(2 * M_PI * f / rate), s1 = 0, s2 = 0;
    for (int i = 0; i < n; i++) {
        double s = c * s1 + values[i] / 32767.0 - s2;
        s2 = s1;
        s1 = s;
    }
    return s2 * s2 + s1 * s1 - c * s1 * s2;
}

TEST_F(CoreSound, DetectFrequencyMeasuresTheFirstBufferlengthValues) {
    // A 1000 Hz tone in the values' own sequence, at accumulator scale.
    int* values = soundsystem.outputbuffer;
    for (int i = 0; i < 4096; i++) values[i] = (int)lround(3000000.0 * sin(2 * M_PI * 1000.0 * i / 44100.0));
    double expected = Goertzel(values, 2048, 1000.0, 44100.0);
    float on = Soundsystem_DetectFrequency(1000.0f);
    EXPECT_NEAR(on, expected, expected * 1e-3);
    EXPECT_GT(on, 1e6f);
    float off = Soundsystem_DetectFrequency(5000.0f);
    EXPECT_LT(off, on / 1000.0f);
    // Values beyond the first bufferlength are not read.
    for (int i = 2048; i < 4096; i++) values[i] = 0x7FFFFFFF;
    EXPECT_EQ(Soundsystem_DetectFrequency(1000.0f), on);
}

TEST_F(CoreSound, DetectFrequencyWithoutAMixBufferIsZero) {
    st::StopSoundSystem();
    EXPECT_EQ(Soundsystem_DetectFrequency(440.0f), 0.0f);
}

}  // namespace
