// The audio device driver and the sound system's start and close, on real
// audio. On Linux the platform layer's waveOut plays over SDL: the disk
// driver records the device stream to a file at real-time pace, the dummy
// driver paces without recording. On Windows the driver runs on the system's
// waveOut and its default device, where the cases that need an SDL driver
// (a recording, a missing device) are skipped with the reason.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sound/audiodriver.h"
#include "sound/audiodriver_win32.h"
#include "sound/coresound.h"
#include "sound/soundlock.h"
#include "tests/soundtest.h"
#include "tests/support/testsupport.h"

namespace {

// True where the device is SDL's under the platform layer, so that a case can
// pick SDL's driver; false on Windows.
#ifdef _WIN32
constexpr bool kSdl = false;
#else
constexpr bool kSdl = true;
#endif

class AudioDevice : public kt::ScratchTest {
protected:
    void UseDriver(const char* driver) {
        kt::SetEnv("SDL_AUDIODRIVER", driver);
        kt::SetEnv("SDL_DISKAUDIOFILE", dir_ + "/stream.raw");
    }
    void TearDown() override {
        kt::Captured([] { Soundsystem_CloseAudio(); });
        kt::ScratchTest::TearDown();
    }
    // Reads the position under the sound lock, as a caller on another thread
    // than the mixer's must.
    static uint64_t Offset(s_sound* s) {
        soundlock_enter();
        s_sound copy = *s;
        soundlock_leave();
        return Soundsystem_GetSoundOffset(copy);
    }
    static bool Playing(s_sound* s) {
        soundlock_enter();
        bool listed = false;
        for (int i = 0; i < soundsystem.numactive; i++) listed |= active_sounds[i] == s;
        soundlock_leave();
        return listed;
    }
};

const char* kShowStart =
    "sample size: 4\nbuffer size: 8192\nopen waveout\nAUDIO: opening audio device succesful!\n"
    "open wav-buffers\naudiodriver inited\nsoundsystem bufferlength = 2048\n";

}  // namespace

TEST_F(AudioDevice, ShowStartPrintsItsLinesAndSetsTheRecord) {
    UseDriver("dummy");
    int result = 0;
    EXPECT_EQ(kt::Captured([&] { result = Soundsystem_Init(44100, 16, 2); }), kShowStart);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(soundsystem.frequency, 44100u);
    EXPECT_EQ(soundsystem.channels, 2);
    EXPECT_EQ(soundsystem.bits, 16);
    EXPECT_EQ(soundsystem.bufferlength, 2048);
    EXPECT_EQ(soundsystem.outputsize, 16384);
    EXPECT_NE(soundsystem.outputbuffer, nullptr);
    EXPECT_EQ(soundsystem.mastervolume, 255);
    EXPECT_EQ(soundsystem.musicvolume, 255);
    EXPECT_EQ(soundsystem.effectvolume, 255);
    void* buf = nullptr;
    unsigned int bytes = 0;
    EXPECT_EQ(audiodriver_getbuffer(&buf, &bytes), 1);
    EXPECT_EQ(bytes, 8192u);
    EXPECT_NE(buf, nullptr);
    EXPECT_EQ(audiodriver_getbuffer(nullptr, nullptr), 1);
}

// Whatever Init is given, the device runs at 44100 Hz with 16-bit values,
// stereo for 2 channels and mono for any other count.
TEST_F(AudioDevice, InitArgumentsTable) {
    struct {
        unsigned int rate;
        int bits, channels;
        const char* printed;
        int device_channels, outputsize;
    } cases[] = {
        {44100, 16, 2, kShowStart, 2, 16384},
        {22050, 8, 1,
         "sample size: 2\nbuffer size: 4096\nopen waveout\nAUDIO: opening audio device succesful!\n"
         "open wav-buffers\naudiodriver inited\nsoundsystem bufferlength = 2048\n",
         1, 8192},
        {44100, 16, 0x102,  // only the low 8 bits count: 2 channels
         kShowStart, 2, 16384},
        {44100, 16, 0,  // no channels: a mono device and room for one channel
         "sample size: 2\nbuffer size: 4096\nopen waveout\nAUDIO: opening audio device succesful!\n"
         "open wav-buffers\naudiodriver inited\nsoundsystem bufferlength = 2048\n",
         1, 8192},
    };
    UseDriver("dummy");
    for (auto& c : cases) {
        int result = 0;
        EXPECT_EQ(kt::Captured([&] { result = Soundsystem_Init(c.rate, c.bits, c.channels); }), c.printed)
            << c.rate << "/" << c.bits << "/" << c.channels;
        EXPECT_EQ(result, 1);
        EXPECT_EQ(soundsystem.frequency, c.rate);
        EXPECT_EQ(soundsystem.bits, 16);
        EXPECT_EQ(soundsystem.channels, c.device_channels);
        EXPECT_EQ(soundsystem.outputsize, c.outputsize);
        kt::Captured([] { Soundsystem_CloseAudio(); });
        EXPECT_EQ(soundsystem.outputbuffer, nullptr);
    }
}

TEST_F(AudioDevice, DriverEdgeCases) {
    UseDriver("dummy");
    int result = -1;
    // Rate 0 opens nothing.
    EXPECT_EQ(kt::Captured([&] { result = audiodriver_init(0, 16, 2048, 2); }), "");
    EXPECT_EQ(result, 1);
    // Bits 24: the format is written, then refused without a message.
    EXPECT_EQ(kt::Captured([&] { result = audiodriver_init(44100, 24, 2048, 2); }), "");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(soundsystem.bits, 24);
    EXPECT_EQ(soundsystem.channels, 2);
    // Mono 16-bit: 2048 frames of 2 bytes.
    EXPECT_EQ(kt::Captured([&] { result = audiodriver_init(44100, 16, 999, 0); }),
              "sample size: 2\nbuffer size: 4096\nopen waveout\nAUDIO: opening audio device succesful!\n"
              "open wav-buffers\naudiodriver inited\n");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(soundsystem.bufferlength, 2048);
    kt::Captured([] { audiodriver_close(); });
    // 8-bit stereo.
    EXPECT_EQ(kt::Captured([&] { result = audiodriver_init(44100, 8, 2048, 2); }),
              "sample size: 2\nbuffer size: 4096\nopen waveout\nAUDIO: opening audio device succesful!\n"
              "open wav-buffers\naudiodriver inited\n");
    EXPECT_EQ(result, 1);
    kt::Captured([] { audiodriver_close(); });
}

TEST_F(AudioDevice, NoUsableDeviceFailsAtTheFirstBuffer) {
    if (!kSdl) GTEST_SKIP() << "needs a missing device (an SDL audio driver that does not exist)";
    UseDriver("no-such-driver");
    int result = 0;
    EXPECT_EQ(kt::Captured([&] { result = Soundsystem_Init(44100, 16, 2); }),
              "sample size: 4\nbuffer size: 8192\nopen waveout\nopen wav-buffers\n"
              "AUDIO: error opening audio buffer\nsoundsystem bufferlength = 2048\n");
    EXPECT_EQ(result, 1);
    // Nothing is mixed, and the calls of the sound system still work.
    s_sound s;
    st::Fill16(&s, 2, 44100, std::vector<int>(4096, 1000));
    Soundsystem_PlaySound(&s, 0);
    usleep(200 * 1000);
    EXPECT_EQ(Soundsystem_GetSoundOffset(s), 0u);
    Soundsystem_StopSound(&s);
    st::ReleaseRecord(&s);
}

// A sound played through the device comes out of the stream exactly as the
// mixer makes it, after the silent start-up buffers; the mixer stops it at
// its end and the position reads 0 again.
TEST_F(AudioDevice, DeviceStreamIsTheMixersOutput) {
    if (!kSdl) GTEST_SKIP() << "needs the recording of the device stream (SDL's disk driver)";
    UseDriver("disk");
    kt::Captured([] { Soundsystem_Init(44100, 16, 2); });
    const int frames = 3000;  // ends inside a block
    std::vector<int> values(frames * 2);
    for (int i = 0; i < frames; i++) {
        values[2 * i] = 3000 + (i * 37) % 20000;        // never zero
        values[2 * i + 1] = -3000 - (i * 53) % 20000;
    }
    s_sound s;
    st::Fill16(&s, 2, 44100, values);
    Soundsystem_PlaySound(&s, 0);
    auto start = std::chrono::steady_clock::now();
    while (Playing(&s) && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) usleep(10 * 1000);
    ASSERT_FALSE(Playing(&s)) << "the mixer did not stop the sound at its end";
    EXPECT_EQ(Offset(&s), 0u);
    usleep(400 * 1000);  // let the blocks queued behind it play out
    kt::Captured([] { Soundsystem_CloseAudio(); });

    // The same sound mixed block by block without a device.
    st::StartSoundSystem(44100, 2, 16);
    s_sound again;
    st::Fill16(&again, 2, 44100, values);
    Soundsystem_PlaySound(&again, 0);
    std::vector<int> want;
    for (int b = 0; b < 2; b++) {
        std::vector<int> block = st::MixBlock();
        want.insert(want.end(), block.begin(), block.end());
    }
    st::ReleaseRecord(&again);
    st::StopSoundSystem();

    std::string raw = kt::ReadFile("stream.raw");
    std::vector<int> got(raw.size() / 2);
    for (size_t i = 0; i < got.size(); i++)
        got[i] = (int16_t)((uint8_t)raw[2 * i] | ((uint8_t)raw[2 * i + 1] << 8));
    size_t first = 0;
    while (first < got.size() && got[first] == 0) first++;
    ASSERT_LT(first, got.size()) << "nothing but silence was recorded";
    EXPECT_GE(first, 4u * 2048 * 2) << "the four silent start-up buffers come first";
    ASSERT_GE(got.size(), first + want.size());
    for (size_t i = 0; i < want.size(); i++)
        ASSERT_EQ(got[first + i], want[i]) << "value " << i;
    st::ReleaseRecord(&s);
}

TEST_F(AudioDevice, PositionFollowsTheDeviceClock) {
    UseDriver("dummy");
    kt::Captured([] { Soundsystem_Init(44100, 16, 2); });
    s_sound s;
    st::Fill16(&s, 2, 44100, std::vector<int>(44100 * 2 * 8, 100));  // 8 seconds
    Soundsystem_PlayMusic(&s, 0);
    usleep(300 * 1000);
    uint64_t a = Offset(&s);
    auto t0 = std::chrono::steady_clock::now();
    usleep(3000 * 1000);
    uint64_t b = Offset(&s);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double rate = (double)(b - a) / seconds;
    EXPECT_NEAR(rate, 44100.0, 4410.0) << "frames per second of wall clock";
    Soundsystem_StopSound(&s);
    st::ReleaseRecord(&s);
}

TEST_F(AudioDevice, CloseWhilePlayingReturnsAndInitWorksAgain) {
    UseDriver("dummy");
    for (int round = 0; round < 3; round++) {
        EXPECT_EQ(kt::Captured([] { Soundsystem_Init(44100, 16, 2); }), kShowStart) << round;
        s_sound s;
        st::Fill16(&s, 2, 44100, std::vector<int>(44100 * 2 * 4, 500));
        Soundsystem_PlaySound(&s, 1);
        usleep(250 * 1000);
        EXPECT_GT(Offset(&s), 0u) << round;
        std::atomic<bool> done{false};
        std::thread closer([&] {
            kt::Captured([] { Soundsystem_CloseAudio(); });
            done = true;
        });
        auto start = std::chrono::steady_clock::now();
        while (!done && std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) usleep(1000);
        if (!done) {
            ADD_FAILURE() << "Soundsystem_CloseAudio hung";
            _exit(1);  // a hung close cannot be joined
        }
        closer.join();
        EXPECT_EQ(soundsystem.outputbuffer, nullptr);
        uint64_t after = Offset(&s);
        usleep(150 * 1000);
        EXPECT_EQ(Offset(&s), after) << "nothing mixes after the close";
        Soundsystem_StopSound(&s);
        st::ReleaseRecord(&s);
    }
}

TEST_F(AudioDevice, RateArgumentScalesEverySound) {
    UseDriver("dummy");
    kt::Captured([] { Soundsystem_Init(22050, 8, 1); });
    s_sound s;
    st::Fill16(&s, 1, 22050, std::vector<int>(22050, 100));
    Soundsystem_PlaySound(&s, 0);
    soundlock_enter();
    unsigned int increment = s.increment;
    soundlock_leave();
    EXPECT_EQ(increment, 256u);  // one value per output frame: twice the speed at 44100 Hz
    Soundsystem_StopSound(&s);
    st::ReleaseRecord(&s);
}
