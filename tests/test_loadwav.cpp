// WAV files: loading from CORE images and directory trees, files written by
// Python's own wave module, the reader's refusals, and saving.
#include <cstring>
#include <string>
#include <vector>

#include "core/corefile/corefile.h"
#include "sound/coresound.h"
#include "sound/loadwav.h"
#include "tests/soundtest.h"
#include "tests/support/testsupport.h"

namespace {

class LoadWav : public kt::ScratchTest {
protected:
    void SetUp() override {
        kt::ScratchTest::SetUp();
        st::StartSoundSystem();
    }
    void TearDown() override {
        st::ReleaseRecord(&s_);
        corefile_closeimage();
        st::StopSoundSystem();
        kt::ScratchTest::TearDown();
    }

    // Packs the files into an image, mounts it, and returns the offset of
    // the first entry's data (what the file layer prints when it finds it).
    unsigned int Mount(const std::vector<std::pair<std::string, std::string>>& files) {
        kt::PackImage("img.dat", files);
        std::string text = kt::Captured([] { corefile_mountimage("img.dat", 0); });
        EXPECT_EQ(corefile_image.numfiles, files.size()) << text;
        return corefile_image.numfiles ? corefile_image.offsets[0] : 0;
    }

    std::string Load(const std::string& name) {
        memset(&s_, 0x77, sizeof s_);
        return kt::Captured([&] { Soundsystem_LoadSound(name.c_str(), &s_); });
    }

    std::string Found(unsigned int offset) { return "found file at offset: " + std::to_string(offset) + "\n"; }

    std::string Data() { return s_.data ? std::string((const char*)s_.data, s_.size) : std::string(); }

    s_sound s_ = {};
};

std::string Ramp16(int values) {
    std::vector<int> v;
    for (int i = 0; i < values; i++) v.push_back((i * 37) % 65536 - 32768);
    return st::Samples16(v);
}

// ---------------------------------------------------------------------------
// Good files

TEST_F(LoadWav, SixteenBitStereoFromAnImage) {
    std::string samples = Ramp16(88200);
    unsigned int at = Mount({{"music.wav", st::WavBytes(2, 44100, 16, samples)}});
    EXPECT_EQ(Load("music.wav"), "Loading sound music.wav\n" + Found(at));
    EXPECT_EQ(s_.channels, 2);
    EXPECT_EQ(s_.bits, 16);
    EXPECT_EQ(s_.frequency, 44100u);
    EXPECT_EQ(s_.size, 176400u);
    EXPECT_EQ(s_.length, 88200u);
    EXPECT_EQ(s_.increment, 512u);
    EXPECT_EQ(Data(), samples);
}

TEST_F(LoadWav, EightBitMonoHasOneValuePerByte) {
    std::string samples;
    for (int i = 0; i < 1001; i++) samples += (char)(i * 7);
    unsigned int at = Mount({{"blip.wav", st::WavBytes(1, 11025, 8, samples)}});
    EXPECT_EQ(Load("BLIP.WAV"), "Loading sound BLIP.WAV\n" + Found(at));
    EXPECT_EQ(s_.channels, 1);
    EXPECT_EQ(s_.bits, 8);
    EXPECT_EQ(s_.frequency, 11025u);
    EXPECT_EQ(s_.size, 1001u);
    EXPECT_EQ(s_.length, 1001u);
    EXPECT_EQ(s_.increment, 64u);
    EXPECT_EQ(Data(), samples);
}

TEST_F(LoadWav, LoadWavFillsOnlyTheSampleFields) {
    Mount({{"a.wav", st::WavBytes(1, 8000, 16, Ramp16(10))}});
    memset(&s_, 0, sizeof s_);
    s_.volume = 9;
    s_.position = 5;
    int result = 0;
    kt::Captured([&] { result = Soundsystem_LoadWAV("a.wav", &s_); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(s_.length, 10u);
    EXPECT_EQ(s_.volume, 9);
    EXPECT_EQ(s_.position, 5u);
    EXPECT_EQ(s_.increment, 0u);
}

TEST_F(LoadWav, OddSixteenBitDataKeepsItsSizeAndRoundsTheLengthDown) {
    std::string samples = Ramp16(50) + "x";
    Mount({{"odd.wav", st::WavBytes(1, 22050, 16, samples)}});
    Load("odd.wav");
    EXPECT_EQ(s_.size, 101u);
    EXPECT_EQ(s_.length, 50u);
    EXPECT_EQ(Data(), samples);
}

TEST_F(LoadWav, OnlyTheFirstThreeLettersOfFmtAreChecked) {
    std::string wav = st::WavBytes(1, 8000, 8, "abc");
    wav[15] = 'X';
    Mount({{"a.wav", wav}});
    Load("a.wav");
    EXPECT_EQ(Data(), "abc");
}

TEST_F(LoadWav, AFileLongerThanItsDataChunkLoadsTheDataOnly) {
    Mount({{"a.wav", st::WavBytes(1, 8000, 8, "abcdef", 1, 4)}});
    Load("a.wav");
    EXPECT_EQ(s_.size, 4u);
    EXPECT_EQ(Data(), "abcd");
}

TEST_F(LoadWav, LoadsFromADirectoryTree) {
    kt::MakeDirs("tree/sfx");
    std::string samples = Ramp16(64);
    kt::WriteFile("tree/sfx/hit.wav", st::WavBytes(2, 48000, 16, samples));
    kt::Captured([] { corefile_mountimage("tree", 2); });
    EXPECT_EQ(Load("sfx/hit.wav"), "Loading sound sfx/hit.wav\n");
    EXPECT_EQ(s_.frequency, 48000u);
    EXPECT_EQ(s_.increment, 557u);
    EXPECT_EQ(Data(), samples);
}

// Files written by Python's wave module (tests/fixtures/pywave.py, run by the
// build): an encoder independent of ours.
TEST_F(LoadWav, FilesWrittenByPythonsWaveModule) {
    std::string py16 = kt::ReadFile(PYWAVE_DIR "/py16.wav");
    std::string py8 = kt::ReadFile(PYWAVE_DIR "/py8.wav");
    ASSERT_FALSE(py16.empty() || py8.empty()) << "no fixtures in " PYWAVE_DIR;
    unsigned int at = Mount({{"py16.wav", py16}, {"py8.wav", py8}});

    EXPECT_EQ(Load("py16.wav"), "Loading sound py16.wav\n" + Found(at));
    EXPECT_EQ(s_.channels, 2);
    EXPECT_EQ(s_.bits, 16);
    EXPECT_EQ(s_.frequency, 32000u);
    EXPECT_EQ(s_.size, 800u);
    EXPECT_EQ(s_.length, 400u);
    ASSERT_NE(s_.data, nullptr);
    const unsigned char* b = (const unsigned char*)s_.data;
    for (int i = 0; i < 200; i++) {
        int16_t left = (int16_t)(b[4 * i] | b[4 * i + 1] << 8);
        int16_t right = (int16_t)(b[4 * i + 2] | b[4 * i + 3] << 8);
        ASSERT_EQ(left, i * 300 - 30000) << i;
        ASSERT_EQ(right, 30000 - i * 300) << i;
    }
    st::ReleaseRecord(&s_);

    Load("py8.wav");
    EXPECT_EQ(s_.channels, 1);
    EXPECT_EQ(s_.bits, 8);
    EXPECT_EQ(s_.frequency, 8000u);
    EXPECT_EQ(s_.length, 777u);
    std::string expected;
    for (int i = 0; i < 777; i++) expected += (char)((i * 3) % 256);
    EXPECT_EQ(Data(), expected);
}

// ---------------------------------------------------------------------------
// Files the reader refuses

TEST_F(LoadWav, WrongKindsOfFileAndTheirMessages) {
    std::string good = st::WavBytes(2, 22050, 16, Ramp16(8));
    std::string avi = good;
    memcpy(&avi[8], "AVI ", 4);
    std::string rifx = good;
    memcpy(&rifx[0], "RIFX", 4);
    std::string fmt = good;
    memcpy(&fmt[12], "fm_ ", 4);
    std::string nodata = good;
    memcpy(&nodata[36], "LIST", 4);
    std::string wide = st::WavBytes(2, 22050, 16, Ramp16(8));
    wide[16] = 18;  // a format chunk of 18 bytes: "data" is not at 36
    wide.insert(36, "\0\0", 2);

    struct Case {
        const char* name;
        std::string bytes;
        std::string message;
        bool header_kept;  // channels, rate and bits were taken before the failure
    };
    const Case cases[] = {
        {"avi.wav", avi, "No WAV file", false},
        {"rifx.wav", rifx, "No WAV file", false},
        {"fmt.wav", fmt, "", false},
        {"list.wav", nodata, "", true},
        {"wide.wav", wide, "", true},
    };
    std::vector<std::pair<std::string, std::string>> files;
    for (const Case& c : cases) files.push_back({c.name, c.bytes});
    Mount(files);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        std::string text = Load(c.name);
        EXPECT_EQ(text, std::string("Loading sound ") + c.name + "\n" + Found(corefile_image.offsets[i]) + c.message);
        EXPECT_EQ(s_.data, nullptr);
        EXPECT_EQ(s_.size, 0u);
        EXPECT_EQ(s_.length, 0u);
        EXPECT_EQ(s_.channels, c.header_kept ? 2 : 0);
        EXPECT_EQ(s_.frequency, c.header_kept ? 22050u : 0u);
        EXPECT_EQ(s_.bits, c.header_kept ? 16 : 0);
        EXPECT_EQ(s_.volume, 255);
    }
}

TEST_F(LoadWav, NotPcmKeepsTheHeadersChannelsRateAndBits) {
    unsigned int at = Mount({{"float.wav", st::WavBytes(2, 96000, 32, std::string(64, 'x'), 3)}});
    EXPECT_EQ(Load("float.wav"), "Loading sound float.wav\n" + Found(at) + "Not PCM signed");
    EXPECT_EQ(s_.channels, 2);
    EXPECT_EQ(s_.frequency, 96000u);
    EXPECT_EQ(s_.bits, 32);
    EXPECT_EQ(s_.data, nullptr);
    EXPECT_EQ(s_.size, 0u);
    EXPECT_EQ(s_.increment, 1114u);  // from the kept rate and channels
    int result = 1;
    kt::Captured([&] { result = Soundsystem_LoadWAV("float.wav", &s_); });
    EXPECT_EQ(result, 0);
}

TEST_F(LoadWav, AMissingFileLeavesTheRecordUnchanged) {
    Mount({{"a.wav", st::WavBytes(1, 8000, 8, "abc")}});
    memset(&s_, 0, sizeof s_);
    s_.channels = 2;
    s_.frequency = 1234;
    int result = 1;
    std::string text = kt::Captured([&] { result = Soundsystem_LoadWAV("b.wav", &s_); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(text, "couldn't find file: b.wav\n");
    EXPECT_EQ(s_.channels, 2);
    EXPECT_EQ(s_.frequency, 1234u);
}

// Files that would make the reader or the mixer read outside a buffer, or
// divide by zero: refused with a line of their own, the record left empty.
TEST_F(LoadWav, UnsafeFilesAreRefusedAndLeaveAnEmptyRecord) {
    std::string good = st::WavBytes(2, 22050, 16, Ramp16(8));
    struct Case {
        const char* name;
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {"empty.wav", "", "WAV file too short (0 bytes): empty.wav\n"},
        {"short.wav", good.substr(0, 43), "WAV file too short (43 bytes): short.wav\n"},
        {"riff.wav", "RIFF", "WAV file too short (4 bytes): riff.wav\n"},
        {"beyond.wav", st::WavBytes(2, 22050, 16, Ramp16(8), 1, 17),
         "WAV data runs past the end of the file: beyond.wav\n"},
        {"huge.wav", st::WavBytes(2, 22050, 16, Ramp16(8), 1, 0xFFFFFFFFll),
         "WAV data runs past the end of the file: huge.wav\n"},
        {"bits4.wav", st::WavBytes(1, 22050, 4, "abcd"), "WAV file with fewer than 8 bits per value: bits4.wav\n"},
        {"bits0.wav", st::WavBytes(1, 22050, 0, "abcd"), "WAV file with fewer than 8 bits per value: bits0.wav\n"},
        {"mute.wav", st::WavBytes(0, 22050, 16, "abcd"), "WAV file without channels: mute.wav\n"},
    };
    std::vector<std::pair<std::string, std::string>> files;
    for (const Case& c : cases) files.push_back({c.name, c.bytes});
    Mount(files);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        std::string text = Load(c.name);
        EXPECT_EQ(text, std::string("Loading sound ") + c.name + "\n" + Found(corefile_image.offsets[i]) + c.message);
        EXPECT_EQ(s_.data, nullptr);
        EXPECT_EQ(s_.channels, 0);
        EXPECT_EQ(s_.bits, 0);
        EXPECT_EQ(s_.frequency, 0u);
        EXPECT_EQ(s_.size, 0u);
        EXPECT_EQ(s_.length, 0u);
        EXPECT_EQ(s_.increment, 0u);

        // The show plays, queries and stops such a record like its music.
        Soundsystem_PlayMusic(&s_, 0);
        EXPECT_EQ(Soundsystem_GetSoundOffset(s_), 0u);
        std::vector<int> block = st::MixBlock();
        EXPECT_EQ(block, std::vector<int>(4096, 0));
        EXPECT_EQ(Soundsystem_GetSoundOffset(s_), 0u);
        Soundsystem_StopSound(&s_);
        EXPECT_EQ(soundsystem.numactive, 0);
    }
}

// ---------------------------------------------------------------------------
// Saving

std::string Header(unsigned int riff, int channels, unsigned int rate, unsigned int persecond, int align, int bits,
                   unsigned int datasize) {
    std::string h = "RIFF";
    kt::PutU32(h, riff);
    h += "WAVEfmt ";
    kt::PutU32(h, 16);
    kt::PutU16(h, 1);
    kt::PutU16(h, (uint16_t)channels);
    kt::PutU32(h, rate);
    kt::PutU32(h, persecond);
    kt::PutU16(h, (uint16_t)align);
    kt::PutU16(h, (uint16_t)bits);
    h += "data";
    kt::PutU32(h, datasize);
    return h;
}

TEST_F(LoadWav, SaveWritesTheCanonicalHeaderAndReloadsTheSame) {
    kt::MakeDirs("out");
    kt::Captured([] { corefile_mountimage("out", 2); });
    std::string samples = Ramp16(88200);
    st::FillRecord(&s_, 2, 16, 44100, samples);
    int result = 0;
    std::string text = kt::Captured([&] {
        Soundsystem_SaveSound("Saved.wav", &s_);
        result = Soundsystem_SaveWAV("again.wav", &s_);
    });
    EXPECT_EQ(text, "");
    EXPECT_EQ(result, 1);
    std::string file = kt::ReadFile("out/saved.wav");
    EXPECT_EQ(file, Header(176436, 2, 44100, 176400, 4, 16, 176400) + samples);
    EXPECT_EQ(kt::ReadFile("out/again.wav"), file);

    s_sound saved = s_;
    s_.data = nullptr;
    kt::Captured([] {
        corefile_closeimage();
        corefile_mountimage("out", 2);
    });
    Load("saved.wav");
    EXPECT_EQ(s_.channels, saved.channels);
    EXPECT_EQ(s_.bits, saved.bits);
    EXPECT_EQ(s_.frequency, saved.frequency);
    EXPECT_EQ(s_.size, saved.size);
    EXPECT_EQ(s_.length, saved.length);
    EXPECT_EQ(Data(), samples);
    st::ReleaseRecord(&saved);
}

TEST_F(LoadWav, SaveTakesTheSizesFromTheLength) {
    kt::MakeDirs("out");
    kt::Captured([] { corefile_mountimage("out", 2); });
    struct Case {
        int channels, bits;
        unsigned int rate;
        std::string samples;
        std::string header;
    };
    const Case cases[] = {
        // 101 bytes of 16-bit data: length 50, so the sizes say 100.
        {1, 16, 22050, Ramp16(50) + "x", Header(136, 1, 22050, 44100, 2, 16, 100)},
        {1, 8, 8000, "abcde", Header(41, 1, 8000, 8000, 1, 8, 5)},
        {2, 8, 11025, "abcdef", Header(42, 2, 11025, 22050, 2, 8, 6)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.samples.size());
        st::FillRecord(&s_, c.channels, c.bits, c.rate, c.samples);
        kt::Captured([&] { Soundsystem_SaveSound("x.wav", &s_); });
        EXPECT_EQ(kt::ReadFile("out/x.wav"), c.header + c.samples);
        st::ReleaseRecord(&s_);
    }
}

TEST_F(LoadWav, SavingIntoAnImageWritesNothing) {
    Mount({{"a.wav", st::WavBytes(1, 8000, 8, "abc")}});
    std::string before = kt::ReadFile("img.dat");
    st::FillRecord(&s_, 1, 8, 8000, "xyz");
    int result = 0;
    std::string text = kt::Captured([&] { result = Soundsystem_SaveWAV("new.wav", &s_); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(text, "couldn't find file: new.wav\n");
    EXPECT_EQ(kt::ReadFile("img.dat"), before);
    EXPECT_FALSE(kt::FileExists("new.wav"));
}

}  // namespace
