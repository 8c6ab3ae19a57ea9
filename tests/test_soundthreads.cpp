// The mixer on a thread of its own, as on the audio device's thread, while
// this thread plays, stops, pauses, repositions, deletes and recreates sounds
// and reads the mix as the show does. Short sounds end inside blocks, so the
// mixer's own stops meet the other thread's stops of the same sounds.
#include <atomic>
#include <chrono>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "demo/bandanalysis.h"
#include "sound/audiodriver.h"
#include "sound/coresound.h"
#include "sound/soundlock.h"
#include "tests/soundtest.h"

namespace {

void QuietRefill(void* data, unsigned int size) {
    unsigned char* b = (unsigned char*)data;
    for (unsigned int i = 0; i < size; i++) b[i] = (unsigned char)(b[i] + 1);
}

class SoundThreads : public ::testing::Test {
protected:
    void SetUp() override {
        st::StartSoundSystem(44100, 2, 16);
        pool_.resize(24);
        for (size_t i = 0; i < pool_.size(); i++) Fill(i);
    }
    void TearDown() override {
        for (s_sound& s : pool_) Soundsystem_DeleteSound(&s);
        st::StopSoundSystem();
    }

    // Sounds of every kind: short ones that end inside a block, long ones,
    // looping ones, stereo ones, and streams with a refill hook.
    void Fill(size_t i) {
        s_sound* s = &pool_[i];
        if (i % 6 == 5) {
            Soundsystem_CreateSoundStream(s, QuietRefill, 22050 + (int)i * 1000, 16, 1 + (int)(i % 2), 300 + (int)i * 10);
            return;
        }
        int channels = 1 + (int)(i % 2);
        int values = (i % 3 == 0) ? 200 + (int)i * 37 : 20000 + (int)i * 1000;
        std::vector<int> v(values);
        for (int k = 0; k < values; k++) v[k] = (k * 97 + (int)i * 1000) % 20000 - 10000;
        st::Fill16(s, channels, 11025 + (unsigned int)i * 3000, v);
        s->loop = (i % 4 == 1) ? 1 : 0;
    }

    // Checked inside the sound lock: the list has no gaps, no repeats and
    // only sounds of the pool, and every listed sound is inside its length.
    void CheckList() {
        soundlock_enter();
        int n = soundsystem.numactive;
        EXPECT_GE(n, 0);
        EXPECT_LE(n, 16);
        std::set<s_sound*> seen;
        for (int i = 0; i < n && i < 16; i++) {
            s_sound* s = active_sounds[i];
            EXPECT_TRUE(s >= &pool_[0] && s <= &pool_.back()) << i;
            EXPECT_TRUE(seen.insert(s).second) << "listed twice: entry " << i;
            if (s >= &pool_[0] && s <= &pool_.back()) {
                EXPECT_LT(s->position, (uint64_t)s->length << 8) << i;
            }
        }
        soundlock_leave();
    }

    std::vector<s_sound> pool_;
};

// The ThreadSanitizer build runs the same case under a name of its own.
#ifdef KASTREL_UNDER_TSAN
using SoundThreadsUnderTsan = SoundThreads;
#define SOUND_THREADS_SUITE SoundThreadsUnderTsan
#else
#define SOUND_THREADS_SUITE SoundThreads
#endif

TEST_F(SOUND_THREADS_SUITE, ListChangesAndBlocksNeverInterleave) {
    std::atomic<bool> done{false};
    std::atomic<int> blocks{0};
    std::thread mixer([&] {
        std::vector<int16_t> buffer(4096);
        while (!done.load()) {
            audiodriver_mixbuffers(buffer.data(), 8192, 0);
            blocks++;
            // A device asks for blocks at its own pace; a short pause here
            // lets the other thread in between blocks as often as inside.
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });

    std::mt19937 rng(1234);
    int mixer_stops = 0;
    for (int step = 0; step < 30000; step++) {
        size_t i = rng() % pool_.size();
        s_sound* s = &pool_[i];
        switch (rng() % 12) {
            case 0:
            case 1:
            case 2:
                Soundsystem_PlaySound(s, (int)(rng() % 2));
                break;
            case 3:
                Soundsystem_StopSound(s);
                break;
            case 4:
                Soundsystem_PauseSound(s);
                break;
            case 5:
                Soundsystem_ResumeSound(s);
                break;
            case 6:
                Soundsystem_SetSoundOffset(s, rng() % 40000);
                break;
            case 7:
                Soundsystem_SetVolume(s, (int)(rng() % 300) - 20);
                Soundsystem_SetPanning(s, (int)(rng() % 300) - 20);
                break;
            case 8: {
                // The show's clock: the record passed by value, copied
                // inside the lock as a caller on another thread must.
                soundlock_enter();
                s_sound copy = *s;
                soundlock_leave();
                uint64_t frames = Soundsystem_GetSoundOffset(copy);
                EXPECT_LE(frames, copy.channels ? copy.length / copy.channels : 0u);
                break;
            }
            case 9:
                if (step % 50 == 0) {
                    SplitFrequency(&fft_low, &fft_middle, &fft_middle2, &fft_high);
                    UpdateFrequencySums();
                    Soundsystem_DetectFrequency(440.0f);
                }
                break;
            case 10:
                if (step % 20 == 0) {
                    Soundsystem_DeleteSound(s);
                    Fill(i);
                }
                break;
            case 11:
                Soundsystem_SetMasterVolume((int)(rng() % 256));
                break;
        }
        if (step % 100 == 0) {
            CheckList();
            // Give the mixer room to end some of the short sounds itself.
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
    }

    // Short sounds played once are stopped by the mixer alone.
    for (s_sound& s : pool_) Soundsystem_StopSound(&s);
    for (size_t i = 0; i < pool_.size(); i += 3) {
        soundlock_enter();
        pool_[i].loop = 0;
        soundlock_leave();
        Soundsystem_PlaySound(&pool_[i], 0);
    }
    int before = blocks.load();
    while (blocks.load() < before + 5) std::this_thread::yield();
    soundlock_enter();
    for (size_t i = 0; i < pool_.size(); i += 3) {
        bool listed = false;
        for (int k = 0; k < soundsystem.numactive; k++) listed |= active_sounds[k] == &pool_[i];
        if (!listed) mixer_stops++;
    }
    soundlock_leave();
    EXPECT_EQ(mixer_stops, (int)(pool_.size() + 2) / 3);

    for (s_sound& s : pool_) Soundsystem_StopSound(&s);
    EXPECT_EQ(soundsystem.numactive, 0);
    while (blocks.load() < before + 8) std::this_thread::yield();
    done = true;
    mixer.join();
    CheckList();
    EXPECT_EQ(soundsystem.numactive, 0);
    EXPECT_GT(blocks.load(), 8);
}

}  // namespace
