// waveOut over real audio. On Linux it is the platform layer's waveOut over
// SDL audio: the disk driver records the device stream to a file at real-time
// pace, the dummy driver paces without recording. Each case runs in its own
// process, so it picks its SDL driver with an environment variable.
//
// On Windows the same cases run on the system's waveOut and its default
// device, which nothing records: there the recordings are not checked, and
// cases that test what only the layer promises (its own limits, or what
// Windows leaves undocumented) are skipped with the reason. Where Wine
// departs from what Windows documents, the case is skipped under Wine only.
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32api.h"
#include "tests/support/testsupport.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// True where the waveOut under test is the platform layer's, false on
// Windows, where it is the system's.
#ifdef _WIN32
constexpr bool kLayer = false;
#else
constexpr bool kLayer = true;
#endif

// Skips a case that tests what only the layer promises where the system's
// waveOut runs.
#define LAYER_ONLY(reason)                                                             \
    do {                                                                               \
        if (!kLayer) GTEST_SKIP() << "the platform layer's own behaviour: " << (reason); \
    } while (0)
// Skips a case under Wine, whose waveOut departs there from what Windows
// documents.
#define NOT_UNDER_WINE(reason)                                                          \
    do {                                                                                \
        if (kt::UnderWine()) GTEST_SKIP() << "Wine departs from Windows: " << (reason); \
    } while (0)

// Why a callback that calls waveOut functions is the layer's own case.
const char* kCallsFromTheCallback =
    "Windows documents that a waveOut callback must not call waveOut functions; what they do "
    "there is the layer's promise";

// One callback message as the callback saw it.
struct Message {
    UINT msg;
    WAVEHDR* hdr;
    DWORD flags;      // the header's flags during the call
    DWORD_PTR user;   // the header's dwUser during the call
    std::thread::id thread;
};

// What the callback records; onDone runs inside the WOM_DONE call, after
// the message was recorded, with no lock of the test held.
struct Events {
    std::mutex m;
    std::condition_variable cv;
    std::vector<Message> msgs;
    std::function<void(HWAVEOUT, WAVEHDR*)> onDone;
    size_t doneHandled = 0;  // WOM_DONE calls whose onDone has returned
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};

    size_t Count(UINT msg) {
        std::lock_guard<std::mutex> l(m);
        size_t n = 0;
        for (const Message& x : msgs) n += x.msg == msg;
        return n;
    }
    std::vector<Message> Done() {
        std::lock_guard<std::mutex> l(m);
        std::vector<Message> out;
        for (const Message& x : msgs)
            if (x.msg == WOM_DONE) out.push_back(x);
        return out;
    }
    std::vector<Message> All() {
        std::lock_guard<std::mutex> l(m);
        return msgs;
    }
    bool WaitDone(size_t n, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> l(m);
        return cv.wait_for(l, timeout, [&] { return doneHandled >= n; });
    }
};

void CALLBACK RecordProc(HWAVEOUT hwo, UINT msg, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR) {
    Events* ev = (Events*)instance;
    if (ev->inside.fetch_add(1) != 0) ev->overlapped = true;
    WAVEHDR* h = (WAVEHDR*)p1;
    {
        std::lock_guard<std::mutex> l(ev->m);
        ev->msgs.push_back({msg, h, h ? h->dwFlags : 0, h ? h->dwUser : 0,
                            std::this_thread::get_id()});
    }
    if (msg == WOM_DONE && ev->onDone) ev->onDone(hwo, h);
    ev->inside.fetch_sub(1);
    {
        std::lock_guard<std::mutex> l(ev->m);
        ev->doneHandled += msg == WOM_DONE;
    }
    ev->cv.notify_all();
}

WAVEFORMATEX Format(DWORD rate, WORD bits, WORD channels) {
    WAVEFORMATEX f;
    memset(&f, 0, sizeof f);
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = (WORD)(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    f.cbSize = 0;
    return f;
}

// The test stream: value k of the whole stream (frames times channels,
// counted over every buffer) is never the format's silence and differs
// from its neighbours, so a lost, repeated or reordered buffer shows.
int16_t Value16(size_t k) { return (int16_t)(1 + (k * 37) % 32000); }
uint8_t Value8(size_t k) { return (uint8_t)(k % 2 ? 1 + (k * 7) % 120 : 130 + (k * 11) % 120); }

// Fills block n (of valuesPerBlock values) of the test stream into data.
void FillBlock(char* data, int bits, size_t valuesPerBlock, size_t n) {
    for (size_t i = 0; i < valuesPerBlock; i++) {
        size_t k = n * valuesPerBlock + i;
        if (bits == 16) {
            int16_t v = Value16(k);
            memcpy(data + 2 * i, &v, 2);
        } else {
            data[i] = (char)Value8(k);
        }
    }
}

// Checks a recording: leading silence, then exactly `values` values of the
// test stream starting at its value `first`, then silence only.
// Returns how many stream values were found when `values` is 0 (a prefix of
// any length is accepted then).
size_t CheckRecording(const std::string& raw, int bits, int channels, size_t values,
                      size_t first = 0) {
    size_t size = (size_t)bits / 8;
    size_t count = raw.size() / size;
    auto at = [&](size_t i) -> int {
        if (bits == 16) {
            int16_t v;
            memcpy(&v, raw.data() + 2 * i, 2);
            return v;
        }
        return (uint8_t)raw[i];
    };
    int silence = bits == 16 ? 0 : 0x80;
    auto expect = [&](size_t k) -> int { return bits == 16 ? Value16(k) : Value8(k); };

    size_t start = 0;
    while (start < count && at(start) == silence) start++;
    EXPECT_LT(start, count) << "nothing but silence recorded";
    if (start >= count) return 0;
    EXPECT_EQ(start % (size_t)channels, 0u) << "stream does not start on a frame";

    size_t n = 0;
    if (values) {
        EXPECT_GE(count - start, values) << "recording too short";
        for (; n < values && start + n < count; n++)
            if (at(start + n) != expect(first + n)) {
                ADD_FAILURE() << "value " << n << " of the stream is " << at(start + n)
                              << ", written " << expect(first + n);
                return n;
            }
    } else {
        while (start + n < count && at(start + n) == expect(first + n)) n++;
    }
    for (size_t i = start + n; i < count; i++)
        if (at(i) != silence) {
            ADD_FAILURE() << "non-silence " << at(i) << " at value " << (i - start)
                          << " after the written stream";
            break;
        }
    return n;
}

// Four device buffers and their headers, as a double-buffering driver has.
struct Buffers {
    std::vector<std::vector<char>> mem;
    WAVEHDR hdr[4];
    Buffers(size_t bytes) : mem(4, std::vector<char>(bytes)) { memset(hdr, 0, sizeof hdr); }
    void Set(int i, size_t bytes, DWORD_PTR user) {
        memset(&hdr[i], 0, sizeof(WAVEHDR));
        hdr[i].lpData = mem[i].data();
        hdr[i].dwBufferLength = (DWORD)bytes;
        hdr[i].dwUser = user;
    }
};

class WaveOut : public kt::ScratchTest {
protected:
    void UseDriver(const char* driver) {
        driver_ = driver;
        kt::SetEnv("SDL_AUDIODRIVER", driver);
        rawPath_ = dir_ + "/stream.raw";
        kt::SetEnv("SDL_DISKAUDIOFILE", rawPath_);
    }
    // Whether the device stream is recorded to rawPath_: by SDL's disk
    // driver, under the layer only.
    bool Records() const { return kLayer && driver_ == "disk"; }
    MMRESULT Open(const WAVEFORMATEX& f) {
        return waveOutOpen(&hwo_, WAVE_MAPPER, &f, (DWORD_PTR)RecordProc, (DWORD_PTR)&ev_,
                           CALLBACK_FUNCTION);
    }
    void CheckOpenAndCloseMessages() {
        std::vector<Message> all = ev_.All();
        ASSERT_GE(all.size(), 2u);
        EXPECT_EQ(all.front().msg, (UINT)WOM_OPEN);
        EXPECT_EQ(all.back().msg, (UINT)WOM_CLOSE);
        EXPECT_EQ(ev_.Count(WOM_OPEN), 1u);
        EXPECT_EQ(ev_.Count(WOM_CLOSE), 1u);
        EXPECT_FALSE(ev_.overlapped) << "two callbacks ran at once";
    }
    HWAVEOUT hwo_ = NULL;
    Events ev_;
    std::string driver_;
    std::string rawPath_;
};

// Runs fn on a thread of its own and fails the process if it does not end
// within the bound: a deadlock would otherwise hang until ctest's timeout.
void WithinOrDie(std::chrono::seconds bound, const char* what, std::function<void()> fn) {
    std::promise<void> done;
    std::future<void> f = done.get_future();
    std::thread t([&] {
        fn();
        done.set_value();
    });
    if (f.wait_for(bound) != std::future_status::ready) {
        fprintf(stderr, "%s did not return within %lld s: deadlock\n", what,
                (long long)bound.count());
        fflush(stderr);
        _exit(3);
    }
    t.join();
}

}  // namespace

// The refill cycle of a four-buffer driver: four 2048-frame buffers queued,
// each WOM_DONE refills and re-queues the buffer that came back, from inside
// the callback, until eight blocks have been written. The disk recording
// holds exactly the eight blocks in order, and the device took them at
// real-time pace.
TEST_F(WaveOut, DiskRecordsRefilledBuffersInOrderAtRealTimePace) {
    UseDriver("disk");
    const size_t frames = 2048, values = frames * 2, bytes = values * 2;
    const size_t blocks = 8;
    Buffers b(bytes);
    int cur = 0;
    size_t next = 4;
    std::vector<MMRESULT> refillResults;
    ev_.onDone = [&](HWAVEOUT hwo, WAVEHDR* h) {
        WAVEHDR* mine = &b.hdr[cur];
        EXPECT_EQ(h, mine) << "buffers came back out of order";
        if (mine->dwFlags & WHDR_PREPARED)
            refillResults.push_back(waveOutUnprepareHeader(hwo, mine, sizeof(WAVEHDR)));
        if (next < blocks) {
            b.Set(cur, bytes, next);
            FillBlock(mine->lpData, 16, values, next);
            refillResults.push_back(waveOutPrepareHeader(hwo, mine, sizeof(WAVEHDR)));
            refillResults.push_back(waveOutWrite(hwo, mine, sizeof(WAVEHDR)));
            next++;
        }
        cur = (cur + 1) % 4;
    };

    ASSERT_EQ(Open(Format(44100, 16, 2)), (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_NE(hwo_, (HWAVEOUT)NULL);
    for (int i = 0; i < 4; i++) {
        b.Set(i, bytes, i);
        FillBlock(b.hdr[i].lpData, 16, values, i);
        ASSERT_EQ(waveOutPrepareHeader(hwo_, &b.hdr[i], sizeof(WAVEHDR)),
                  (MMRESULT)MMSYSERR_NOERROR);
    }
    Clock::time_point start = Clock::now();
    for (int i = 0; i < 4; i++)
        ASSERT_EQ(waveOutWrite(hwo_, &b.hdr[i], sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);

    ASSERT_TRUE(ev_.WaitDone(blocks, 20s)) << "only " << ev_.Count(WOM_DONE) << " WOM_DONE";
    Clock::time_point end = Clock::now();
    std::this_thread::sleep_for(100ms);  // no extra WOM_DONE comes

    std::vector<Message> done = ev_.Done();
    ASSERT_EQ(done.size(), blocks);
    for (size_t i = 0; i < blocks; i++) {
        EXPECT_EQ(done[i].user, i) << "block " << i;
        EXPECT_EQ(done[i].hdr, &b.hdr[i % 4]);
        EXPECT_EQ(done[i].flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
        EXPECT_NE(done[i].thread, std::this_thread::get_id());
    }
    for (MMRESULT r : refillResults) EXPECT_EQ(r, (MMRESULT)MMSYSERR_NOERROR);

    // 8 x 46.4 ms; the last SDL period may be taken at once.
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count(), 300);

    for (int i = 0; i < 4; i++)
        EXPECT_EQ(waveOutUnprepareHeader(hwo_, &b.hdr[i], sizeof(WAVEHDR)),
                  (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(hwo_), (MMRESULT)MMSYSERR_NOERROR);
    CheckOpenAndCloseMessages();

    if (Records()) CheckRecording(kt::ReadFile(rawPath_), 16, 2, blocks * values);
}

// Every PCM format plays exactly what was written, including buffers whose
// length is not a multiple of SDL's period.
struct FormatCase {
    const char* name;
    DWORD rate;
    WORD bits;
    WORD channels;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class WaveOutFormat : public WaveOut, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(WaveOutFormat, DiskRecordsExactlyTheWrittenSamples) {
    const FormatCase& c = GetParam();
    UseDriver("disk");
    const size_t frames = 1000, values = frames * c.channels, bytes = values * c.bits / 8;
    Buffers b(bytes);
    ASSERT_EQ(Open(Format(c.rate, c.bits, c.channels)), (MMRESULT)MMSYSERR_NOERROR);
    for (int i = 0; i < 3; i++) {
        b.Set(i, bytes, i);
        FillBlock(b.hdr[i].lpData, c.bits, values, i);
        ASSERT_EQ(waveOutPrepareHeader(hwo_, &b.hdr[i], sizeof(WAVEHDR)),
                  (MMRESULT)MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(hwo_, &b.hdr[i], sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    }
    ASSERT_TRUE(ev_.WaitDone(3, 20s));
    std::vector<Message> done = ev_.Done();
    ASSERT_EQ(done.size(), 3u);
    for (int i = 0; i < 3; i++) EXPECT_EQ(done[i].hdr, &b.hdr[i]);
    ASSERT_EQ(waveOutClose(hwo_), (MMRESULT)MMSYSERR_NOERROR);
    CheckOpenAndCloseMessages();
    if (Records()) CheckRecording(kt::ReadFile(rawPath_), c.bits, c.channels, 3 * values);
}

INSTANTIATE_TEST_SUITE_P(Pcm, WaveOutFormat,
                         ::testing::Values(FormatCase{"Stereo16At44100", 44100, 16, 2},
                                           FormatCase{"Mono16At22050", 22050, 16, 1},
                                           FormatCase{"Mono8At22050", 22050, 8, 1},
                                           FormatCase{"Mono8At8000", 8000, 8, 1},
                                           FormatCase{"Stereo8At11025", 11025, 8, 2}),
                         [](const ::testing::TestParamInfo<FormatCase>& i) {
                             return std::string(i.param.name);
                         });

// The dummy driver records nothing but paces all the same.
TEST_F(WaveOut, DummyDriverPacesInRealTime) {
    UseDriver("dummy");
    const size_t bytes = 2048 * 4;
    Buffers b(bytes);
    int cur = 0, next = 4;
    ev_.onDone = [&](HWAVEOUT hwo, WAVEHDR*) {
        if (next < 8) {
            waveOutUnprepareHeader(hwo, &b.hdr[cur], sizeof(WAVEHDR));
            b.Set(cur, bytes, next++);
            waveOutPrepareHeader(hwo, &b.hdr[cur], sizeof(WAVEHDR));
            waveOutWrite(hwo, &b.hdr[cur], sizeof(WAVEHDR));
        }
        cur = (cur + 1) % 4;
    };
    ASSERT_EQ(Open(Format(44100, 16, 2)), (MMRESULT)MMSYSERR_NOERROR);
    Clock::time_point start = Clock::now();
    for (int i = 0; i < 4; i++) {
        b.Set(i, bytes, i);
        waveOutPrepareHeader(hwo_, &b.hdr[i], sizeof(WAVEHDR));
        ASSERT_EQ(waveOutWrite(hwo_, &b.hdr[i], sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    }
    ASSERT_TRUE(ev_.WaitDone(8, 20s));
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(),
              300);
    ASSERT_EQ(waveOutClose(hwo_), (MMRESULT)MMSYSERR_NOERROR);
}

// waveOutReset hands back every queued buffer as done, in queue order, before
// it returns; what was not yet played is never heard.
TEST_F(WaveOut, ResetHandsBackEveryQueuedBufferAndStopsPlayback) {
    UseDriver("disk");
    const size_t values = 44100 * 2, bytes = values * 2;  // 1 s each
    Buffers b(bytes);
    ASSERT_EQ(Open(Format(44100, 16, 2)), (MMRESULT)MMSYSERR_NOERROR);
    for (int i = 0; i < 4; i++) {
        b.Set(i, bytes, i);
        FillBlock(b.hdr[i].lpData, 16, values, i);
        waveOutPrepareHeader(hwo_, &b.hdr[i], sizeof(WAVEHDR));
        ASSERT_EQ(waveOutWrite(hwo_, &b.hdr[i], sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
        EXPECT_EQ(b.hdr[i].dwFlags, WHDR_PREPARED | WHDR_INQUEUE);
    }
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(ev_.Count(WOM_DONE), 0u);

    ASSERT_EQ(waveOutReset(hwo_), (MMRESULT)MMSYSERR_NOERROR);
    // Every WOM_DONE has been delivered by the time the reset returns.
    std::vector<Message> done = ev_.Done();
    ASSERT_EQ(done.size(), 4u);
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(done[i].hdr, &b.hdr[i]);
        EXPECT_EQ(done[i].flags, WHDR_PREPARED | WHDR_DONE);
        // The layer hands them back on its delivery thread. Windows does not
        // say on which thread (Wine calls back on the resetting one).
        if (kLayer) {
            EXPECT_NE(done[i].thread, std::this_thread::get_id());
        }
        EXPECT_EQ(b.hdr[i].dwFlags, WHDR_PREPARED | WHDR_DONE);
        EXPECT_EQ(waveOutUnprepareHeader(hwo_, &b.hdr[i], sizeof(WAVEHDR)),
                  (MMRESULT)MMSYSERR_NOERROR);
        EXPECT_EQ(b.hdr[i].dwFlags, WHDR_DONE);
    }
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(ev_.Count(WOM_DONE), 4u);
    ASSERT_EQ(waveOutClose(hwo_), (MMRESULT)MMSYSERR_NOERROR);
    CheckOpenAndCloseMessages();

    // A beginning of the first buffer, then silence: playback stopped.
    if (Records()) {
        size_t played = CheckRecording(kt::ReadFile(rawPath_), 16, 2, 0);
        EXPECT_GT(played, 0u);
        EXPECT_LT(played, values);
    }
}

// From inside the callback the other waveOut calls work on the same device
// (no layer lock is held): header calls, and a reset that hands the rest
// back right after the running callback. Closing from there is refused.
TEST_F(WaveOut, CallbackMayCallWaveOutReentrantly) {
    LAYER_ONLY(kCallsFromTheCallback);
    UseDriver("dummy");
    const size_t bigBytes = 44100 * 4;
    Buffers b(bigBytes);
    std::vector<MMRESULT> seen;
    DWORD flagsAfterReset = 0;
    bool first = true;
    ev_.onDone = [&](HWAVEOUT hwo, WAVEHDR*) {
        if (!first) return;
        first = false;
        WAVEHDR* queued = &b.hdr[3];
        seen.push_back(waveOutUnprepareHeader(hwo, queued, sizeof(WAVEHDR)));
        seen.push_back(waveOutPrepareHeader(hwo, queued, sizeof(WAVEHDR)));
        seen.push_back(waveOutWrite(hwo, queued, sizeof(WAVEHDR)));
        seen.push_back(waveOutClose(hwo));
        seen.push_back(waveOutReset(hwo));
        flagsAfterReset = queued->dwFlags;
        seen.push_back(waveOutUnprepareHeader(hwo, &b.hdr[0], sizeof(WAVEHDR)));
    };
    ASSERT_EQ(Open(Format(44100, 16, 2)), (MMRESULT)MMSYSERR_NOERROR);
    b.Set(0, 256 * 4, 0);  // short: comes back first while the others play
    for (int i = 1; i < 4; i++) b.Set(i, bigBytes, i);
    for (int i = 0; i < 4; i++) {
        waveOutPrepareHeader(hwo_, &b.hdr[i], sizeof(WAVEHDR));
        ASSERT_EQ(waveOutWrite(hwo_, &b.hdr[i], sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    }
    WithinOrDie(10s, "reset from the callback", [&] { ASSERT_TRUE(ev_.WaitDone(4, 5s)); });
    std::vector<MMRESULT> want = {WAVERR_STILLPLAYING, MMSYSERR_NOERROR, WAVERR_STILLPLAYING,
                                  MMSYSERR_HANDLEBUSY, MMSYSERR_NOERROR, MMSYSERR_NOERROR};
    EXPECT_EQ(seen, want);
    EXPECT_EQ(flagsAfterReset, WHDR_PREPARED | WHDR_DONE);
    std::vector<Message> done = ev_.Done();
    ASSERT_EQ(done.size(), 4u);
    for (int i = 0; i < 4; i++) EXPECT_EQ(done[i].hdr, &b.hdr[i]);
    ASSERT_EQ(waveOutClose(hwo_), (MMRESULT)MMSYSERR_NOERROR);
    CheckOpenAndCloseMessages();
}

// A callback that keeps re-queuing (and takes its time, as a mixer does)
// while the device is reset and closed: nothing deadlocks. Buffers written
// during the reset's hand-back stay queued, so the close is refused as on
// Windows until the callback stops re-queuing and a reset empties the queue.
TEST_F(WaveOut, ResetAndCloseWhileTheCallbackRequeues) {
    LAYER_ONLY(kCallsFromTheCallback);
    UseDriver("disk");
    const size_t bytes = 8192 * 4;  // 186 ms each
    Buffers b(bytes);
    std::atomic<bool> requeue{true};
    std::atomic<int> writesRefused{0};
    ev_.onDone = [&](HWAVEOUT hwo, WAVEHDR* h) {
        std::this_thread::sleep_for(5ms);
        if (!requeue) return;
        waveOutUnprepareHeader(hwo, h, sizeof(WAVEHDR));
        waveOutPrepareHeader(hwo, h, sizeof(WAVEHDR));
        if (waveOutWrite(hwo, h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) writesRefused++;
    };
    ASSERT_EQ(Open(Format(44100, 16, 2)), (MMRESULT)MMSYSERR_NOERROR);
    for (int i = 0; i < 4; i++) {
        b.Set(i, bytes, i);
        waveOutPrepareHeader(hwo_, &b.hdr[i], sizeof(WAVEHDR));
        ASSERT_EQ(waveOutWrite(hwo_, &b.hdr[i], sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    }
    ASSERT_TRUE(ev_.WaitDone(2, 10s));

    WithinOrDie(10s, "reset and close", [&] {
        size_t before = ev_.Count(WOM_DONE);
        EXPECT_EQ(waveOutReset(hwo_), (MMRESULT)MMSYSERR_NOERROR);
        EXPECT_GE(ev_.Count(WOM_DONE), before + 4);
        // The hand-back re-queued all four.
        EXPECT_EQ(waveOutUnprepareHeader(hwo_, &b.hdr[0], sizeof(WAVEHDR)),
                  (MMRESULT)WAVERR_STILLPLAYING);
        EXPECT_EQ(waveOutClose(hwo_), (MMRESULT)WAVERR_STILLPLAYING);

        requeue = false;
        MMRESULT r = WAVERR_STILLPLAYING;
        for (int attempt = 0; attempt < 3 && r == WAVERR_STILLPLAYING; attempt++) {
            EXPECT_EQ(waveOutReset(hwo_), (MMRESULT)MMSYSERR_NOERROR);
            r = waveOutClose(hwo_);
        }
        EXPECT_EQ(r, (MMRESULT)MMSYSERR_NOERROR);
    });
    EXPECT_EQ(writesRefused.load(), 0);
    size_t total = ev_.All().size();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ev_.All().size(), total) << "callback after close";
    CheckOpenAndCloseMessages();
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(b.hdr[i].dwFlags & WHDR_INQUEUE, 0u);
}

// A callback still running when the device is closed: its write is refused
// (the handle is closing), the close waits for it and delivers WOM_CLOSE last.
TEST_F(WaveOut, CloseWaitsForARunningCallback) {
    LAYER_ONLY(kCallsFromTheCallback);
    UseDriver("dummy");
    Buffers b(256 * 4);
    std::atomic<bool> entered{false};
    std::atomic<MMRESULT> lateWrite{0};
    ev_.onDone = [&](HWAVEOUT hwo, WAVEHDR* h) {
        entered = true;
        std::this_thread::sleep_for(300ms);
        waveOutPrepareHeader(hwo, h, sizeof(WAVEHDR));
        lateWrite = waveOutWrite(hwo, h, sizeof(WAVEHDR));
    };
    ASSERT_EQ(Open(Format(44100, 16, 2)), (MMRESULT)MMSYSERR_NOERROR);
    b.Set(0, 256 * 4, 0);
    waveOutPrepareHeader(hwo_, &b.hdr[0], sizeof(WAVEHDR));
    ASSERT_EQ(waveOutWrite(hwo_, &b.hdr[0], sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    for (int i = 0; i < 500 && !entered; i++) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(entered);
    WithinOrDie(10s, "close during a callback",
                [&] { EXPECT_EQ(waveOutClose(hwo_), (MMRESULT)MMSYSERR_NOERROR); });
    EXPECT_EQ(lateWrite.load(), (MMRESULT)MMSYSERR_INVALHANDLE);
    CheckOpenAndCloseMessages();
}

// The header rules of Windows: only prepared headers are written, a queued
// header is neither written again nor unprepared, preparing twice is harmless.
TEST_F(WaveOut, HeaderRules) {
    UseDriver("dummy");
    Buffers b(44100 * 4);
    ASSERT_EQ(Open(Format(44100, 16, 2)), (MMRESULT)MMSYSERR_NOERROR);
    b.Set(0, 44100 * 4, 0);
    WAVEHDR* h = &b.hdr[0];
    EXPECT_EQ(waveOutWrite(hwo_, h, sizeof(WAVEHDR)), (MMRESULT)WAVERR_UNPREPARED);
    EXPECT_EQ(waveOutUnprepareHeader(hwo_, h, sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutPrepareHeader(hwo_, h, sizeof(WAVEHDR) - 1), (MMRESULT)MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutPrepareHeader(hwo_, NULL, sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_INVALPARAM);
    // Windows documents no answer for writing a null header (Wine's
    // waveOutWrite reads through it); the layer refuses it.
    if (kLayer) {
        EXPECT_EQ(waveOutWrite(hwo_, NULL, sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_INVALPARAM);
    }
    EXPECT_EQ(h->dwFlags, 0u);

    EXPECT_EQ(waveOutPrepareHeader(hwo_, h, sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(h->dwFlags, WHDR_PREPARED);
    EXPECT_EQ(waveOutPrepareHeader(hwo_, h, sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    h->dwFlags |= WHDR_DONE;  // left from an earlier round: a write clears it
    EXPECT_EQ(waveOutWrite(hwo_, h, sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(h->dwFlags, WHDR_PREPARED | WHDR_INQUEUE);
    EXPECT_EQ(waveOutWrite(hwo_, h, sizeof(WAVEHDR)), (MMRESULT)WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutUnprepareHeader(hwo_, h, sizeof(WAVEHDR)), (MMRESULT)WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutPrepareHeader(hwo_, h, sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(h->dwFlags, WHDR_PREPARED | WHDR_INQUEUE);

    EXPECT_EQ(waveOutReset(hwo_), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(ev_.Count(WOM_DONE), 1u);
    EXPECT_EQ(waveOutUnprepareHeader(hwo_, h, sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(hwo_), (MMRESULT)MMSYSERR_NOERROR);
}

// A device with a buffer queued is not closed: the close is refused and
// changes nothing until a reset has handed the buffer back.
TEST_F(WaveOut, CloseIsRefusedWhileBuffersAreQueued) {
    NOT_UNDER_WINE("Wine closes a device with buffers still queued and never hands them back; "
                   "Windows documents WAVERR_STILLPLAYING");
    UseDriver("dummy");
    Buffers b(44100 * 4);  // 1 s
    ASSERT_EQ(Open(Format(44100, 16, 2)), (MMRESULT)MMSYSERR_NOERROR);
    b.Set(0, 44100 * 4, 0);
    WAVEHDR* h = &b.hdr[0];
    ASSERT_EQ(waveOutPrepareHeader(hwo_, h, sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(hwo_, h, sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(hwo_), (MMRESULT)WAVERR_STILLPLAYING);
    EXPECT_EQ(h->dwFlags, WHDR_PREPARED | WHDR_INQUEUE);
    EXPECT_EQ(ev_.Count(WOM_CLOSE), 0u);

    EXPECT_EQ(waveOutReset(hwo_), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(ev_.Count(WOM_DONE), 1u);
    EXPECT_EQ(waveOutUnprepareHeader(hwo_, h, sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(hwo_), (MMRESULT)MMSYSERR_NOERROR);
    CheckOpenAndCloseMessages();
}

// The queue is a fixed table: a write beyond it is refused, not lost.
TEST_F(WaveOut, FullQueueRefusesFurtherWrites) {
    LAYER_ONLY("a queue of 64 headers");
    UseDriver("dummy");
    std::vector<char> data(44100 * 4);
    std::vector<WAVEHDR> hdrs(65);
    ASSERT_EQ(Open(Format(44100, 16, 2)), (MMRESULT)MMSYSERR_NOERROR);
    MMRESULT last = MMSYSERR_NOERROR;
    size_t accepted = 0;
    for (WAVEHDR& h : hdrs) {
        memset(&h, 0, sizeof h);
        h.lpData = data.data();
        h.dwBufferLength = (DWORD)data.size();
        waveOutPrepareHeader(hwo_, &h, sizeof(WAVEHDR));
        last = waveOutWrite(hwo_, &h, sizeof(WAVEHDR));
        if (last == MMSYSERR_NOERROR) accepted++;
    }
    EXPECT_EQ(accepted, 64u);
    EXPECT_EQ(last, (MMRESULT)MMSYSERR_NOMEM);
    EXPECT_EQ(hdrs.back().dwFlags, WHDR_PREPARED);
    EXPECT_EQ(waveOutReset(hwo_), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(ev_.Count(WOM_DONE), 64u);
    EXPECT_EQ(waveOutClose(hwo_), (MMRESULT)MMSYSERR_NOERROR);
}

// After a close the handle is dead for every call that needs the device, and
// the device opens again. Preparing a prepared header and unpreparing one that
// is not prepared need no device: they have no effect and return zero.
TEST_F(WaveOut, ClosedHandleIsInvalidAndTheDeviceReopens) {
    UseDriver("dummy");
    Buffers b(1024);
    b.Set(0, 1024, 0);
    b.Set(1, 1024, 1);
    WAVEHDR* unprepared = &b.hdr[0];
    WAVEHDR* prepared = &b.hdr[1];
    ASSERT_EQ(Open(Format(44100, 16, 2)), (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutPrepareHeader(hwo_, prepared, sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    HWAVEOUT old = hwo_;
    ASSERT_EQ(waveOutClose(old), (MMRESULT)MMSYSERR_NOERROR);
    struct {
        const char* call;
        MMRESULT result, want;
    } dead[] = {
        {"prepare, not prepared", waveOutPrepareHeader(old, unprepared, sizeof(WAVEHDR)),
         MMSYSERR_INVALHANDLE},
        {"prepare, prepared", waveOutPrepareHeader(old, prepared, sizeof(WAVEHDR)),
         MMSYSERR_NOERROR},
        {"unprepare, prepared", waveOutUnprepareHeader(old, prepared, sizeof(WAVEHDR)),
         MMSYSERR_INVALHANDLE},
        {"unprepare, not prepared", waveOutUnprepareHeader(old, unprepared, sizeof(WAVEHDR)),
         MMSYSERR_NOERROR},
        {"write, not prepared", waveOutWrite(old, unprepared, sizeof(WAVEHDR)),
         MMSYSERR_INVALHANDLE},
        {"write, prepared", waveOutWrite(old, prepared, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE},
        {"reset", waveOutReset(old), MMSYSERR_INVALHANDLE},
        {"close", waveOutClose(old), MMSYSERR_INVALHANDLE},
    };
    for (auto& c : dead) EXPECT_EQ(c.result, c.want) << c.call;
    EXPECT_EQ(unprepared->dwFlags, 0u);
    EXPECT_EQ(prepared->dwFlags, WHDR_PREPARED);
    CheckOpenAndCloseMessages();

    ASSERT_EQ(Open(Format(22050, 8, 1)), (MMRESULT)MMSYSERR_NOERROR);
    // The layer never hands out a closed handle again. Windows may (Wine
    // gives the new device the closed one's handle).
    if (kLayer) {
        EXPECT_NE(hwo_, old);
        EXPECT_EQ(waveOutPrepareHeader(old, &b.hdr[0], sizeof(WAVEHDR)),
                  (MMRESULT)MMSYSERR_INVALHANDLE);
    }
    EXPECT_EQ(waveOutPrepareHeader(hwo_, &b.hdr[0], sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutWrite(hwo_, &b.hdr[0], sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_TRUE(ev_.WaitDone(1, 10s));
    EXPECT_EQ(waveOutClose(hwo_), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(ev_.Count(WOM_OPEN), 2u);
    EXPECT_EQ(ev_.Count(WOM_CLOSE), 2u);
}

// Without a callback the flags tell when a buffer is done.
TEST_F(WaveOut, OpenWithoutCallbackMarksBuffersDone) {
    UseDriver("dummy");
    Buffers b(1024);
    b.Set(0, 1024, 0);
    WAVEFORMATEX f = Format(44100, 16, 2);
    ASSERT_EQ(waveOutOpen(&hwo_, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL),
              (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutPrepareHeader(hwo_, &b.hdr[0], sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(hwo_, &b.hdr[0], sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_NOERROR);
    for (int i = 0; i < 500 && !(b.hdr[0].dwFlags & WHDR_DONE); i++)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(b.hdr[0].dwFlags, WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(waveOutClose(hwo_), (MMRESULT)MMSYSERR_NOERROR);
}

// Opens that fail as on Windows: a non-zero result, no handle, and the first
// header call on what the failed open left (NULL from the layer) fails too.
struct OpenFailure {
    const char* name;
    const char* driver;
    const char* file;  // NULL: the scratch folder's stream.raw
    UINT device;
    DWORD flags;
    void (*change)(WAVEFORMATEX&);
    MMRESULT result;
    const char* layerOnly = NULL;    // why the case is the layer's own
    const char* wineDeparts = NULL;  // how Wine departs from Windows here
};

void PrintTo(const OpenFailure& c, std::ostream* os) { *os << c.name; }

class WaveOutOpenFailure : public WaveOut, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(WaveOutOpenFailure, ReturnsAnErrorAndNoHandle) {
    const OpenFailure& c = GetParam();
    if (c.layerOnly) LAYER_ONLY(c.layerOnly);
    if (c.wineDeparts) NOT_UNDER_WINE(c.wineDeparts);
    UseDriver(c.driver);
    if (c.file) kt::SetEnv("SDL_DISKAUDIOFILE", c.file);
    WAVEFORMATEX f = Format(44100, 16, 2);
    if (c.change) c.change(f);
    hwo_ = (HWAVEOUT)(uintptr_t)0x1234;
    MMRESULT r = waveOutOpen(&hwo_, c.device, &f, (DWORD_PTR)RecordProc, (DWORD_PTR)&ev_, c.flags);
    EXPECT_EQ(r, c.result);
    // Windows does not say what a failed open leaves in the handle (Wine
    // leaves it as it was); the layer clears it.
    if (kLayer) {
        EXPECT_EQ(hwo_, (HWAVEOUT)NULL);
    }
    EXPECT_TRUE(ev_.All().empty()) << "a callback on a failed open";

    Buffers b(1024);
    b.Set(0, 1024, 0);
    EXPECT_EQ(waveOutPrepareHeader(hwo_, &b.hdr[0], sizeof(WAVEHDR)),
              (MMRESULT)MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutWrite(hwo_, &b.hdr[0], sizeof(WAVEHDR)), (MMRESULT)MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutReset(hwo_), (MMRESULT)MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(hwo_), (MMRESULT)MMSYSERR_INVALHANDLE);
}

INSTANTIATE_TEST_SUITE_P(
    Open, WaveOutOpenFailure,
    ::testing::Values(
        OpenFailure{"NoSuchAudioDriver", "no-such-driver", NULL, WAVE_MAPPER, CALLBACK_FUNCTION,
                    NULL, MMSYSERR_NODRIVER, "an SDL audio driver that does not exist"},
        OpenFailure{"DiskFileCannotBeCreated", "disk", "/nonexistent-dir/x/stream.raw",
                    WAVE_MAPPER, CALLBACK_FUNCTION, NULL, MMSYSERR_ALLOCATED,
                    "SDL's disk driver with a file it cannot make"},
        OpenFailure{"Bits24", "dummy", NULL, WAVE_MAPPER, CALLBACK_FUNCTION,
                    [](WAVEFORMATEX& f) {
                        f.wBitsPerSample = 24;
                        f.nBlockAlign = 6;
                        f.nAvgBytesPerSec = 6 * 44100;
                    },
                    WAVERR_BADFORMAT, NULL,
                    "Wine opens 24-bit PCM; Windows documents 8 or 16 bits for PCM"},
        OpenFailure{"NoChannels", "dummy", NULL, WAVE_MAPPER, CALLBACK_FUNCTION,
                    [](WAVEFORMATEX& f) {
                        f.nChannels = 0;
                        f.nBlockAlign = 0;
                        f.nAvgBytesPerSec = 0;
                    },
                    WAVERR_BADFORMAT, NULL,
                    "Wine opens a format of no channels, then its PCM converter aborts the "
                    "process"},
        OpenFailure{"RateZero", "dummy", NULL, WAVE_MAPPER, CALLBACK_FUNCTION,
                    [](WAVEFORMATEX& f) {
                        f.nSamplesPerSec = 0;
                        f.nAvgBytesPerSec = 0;
                    },
                    WAVERR_BADFORMAT, NULL,
                    "Wine answers a rate of 0 with MMSYSERR_INVALPARAM, which is not among "
                    "waveOutOpen's documented results; Windows documents WAVERR_BADFORMAT for a "
                    "format it cannot play"},
        OpenFailure{"NotPcm", "dummy", NULL, WAVE_MAPPER, CALLBACK_FUNCTION,
                    [](WAVEFORMATEX& f) { f.wFormatTag = 3; }, WAVERR_BADFORMAT},
        OpenFailure{"BlockAlignWrong", "dummy", NULL, WAVE_MAPPER, CALLBACK_FUNCTION,
                    [](WAVEFORMATEX& f) { f.nBlockAlign = 2; }, WAVERR_BADFORMAT, NULL,
                    "Wine opens PCM whose nBlockAlign is not nChannels x wBitsPerSample / 8, "
                    "which Windows documents it must be"},
        OpenFailure{"ByteRateWrong", "dummy", NULL, WAVE_MAPPER, CALLBACK_FUNCTION,
                    [](WAVEFORMATEX& f) { f.nAvgBytesPerSec = 44100; }, WAVERR_BADFORMAT, NULL,
                    "Wine opens PCM whose nAvgBytesPerSec is not nSamplesPerSec x nBlockAlign, "
                    "which Windows documents it should be"},
        OpenFailure{"DeviceOtherThanMapper", "dummy", NULL, 0, CALLBACK_FUNCTION, NULL,
                    MMSYSERR_BADDEVICEID,
                    "the layer has the mapper only; on Windows device 0 is the first device"},
        OpenFailure{"CallbackKindNotSupported", "dummy", NULL, WAVE_MAPPER, 0x00010000u, NULL,
                    MMSYSERR_INVALFLAG,
                    "the layer has no window callbacks; Windows takes CALLBACK_WINDOW with a "
                    "window"}),
    [](const ::testing::TestParamInfo<OpenFailure>& i) { return std::string(i.param.name); });
