// The show's music and its timing file: the WAV layout the sound system reads,
// the generator's determinism, the timing file's events against the sections
// the generator reports, and the music's energy where the show's band analysis
// listens (measured here with a plain DFT at the probe frequencies).
#include "tests/support/testsupport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kGenmusic = GENMUSIC_PATH;
const std::string kBuiltWav = std::string(KASTREL_BINARY_DIR) + "/content/music.wav";
const std::string kTimingFile = std::string(KASTREL_SOURCE_DIR) + "/data/timing.dat";

uint32_t U32(const std::string& b, size_t at) {
    return (uint32_t)(uint8_t)b[at] | (uint32_t)(uint8_t)b[at + 1] << 8 | (uint32_t)(uint8_t)b[at + 2] << 16 |
           (uint32_t)(uint8_t)b[at + 3] << 24;
}
uint16_t U16(const std::string& b, size_t at) {
    return (uint16_t)((uint8_t)b[at] | (uint8_t)b[at + 1] << 8);
}

// What `genmusic --sections` reports.
struct Form {
    struct Section {
        std::string name;
        int unit = 0;
        std::vector<int> phases;  // offsets from the section start, show units
    };
    std::vector<Section> sections;
    int end_unit = -1;
    long long length_frames = -1;
    int length_units = -1;
};

Form ReadForm() {
    Form f;
    std::string out;
    EXPECT_EQ(0, kt::RunCommand(kGenmusic + " --sections", &out));
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream w(line);
        std::string word;
        w >> word;
        if (word == "section") {
            Form::Section s;
            int index, bar, unit;
            std::string key1, key2, key3, key4;
            double seconds;
            w >> index >> s.name >> key1 >> bar >> key2 >> unit >> key3 >> seconds >> key4;
            EXPECT_EQ((int)f.sections.size(), index) << line;
            EXPECT_EQ("phases", key4) << line;
            s.unit = unit;
            int p;
            while (w >> p) s.phases.push_back(p);
            f.sections.push_back(s);
        } else if (word == "end") {
            std::string key;
            int bar;
            w >> key >> bar >> key >> f.end_unit;
        } else if (word == "length") {
            std::string key;
            w >> key >> f.length_frames >> key >> f.length_units;
        }
    }
    return f;
}

// The timing file read the way the show's loader reads it: first word, then
// "%s %d %d %d %d" for events and "%s %d %d " for states.
struct Event {
    int index = 0, audiopos = 0, numstates = 0, transition = 0;
    std::vector<int> state_index, state_offset;
};

std::vector<Event> ReadTiming(std::vector<std::string>* problems) {
    std::vector<Event> events;
    std::istringstream in(kt::ReadFile(kTimingFile));
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        number++;
        if (line.size() + 1 > 255) problems->push_back("line " + std::to_string(number) + " is too long");
        char word[256] = {0};
        if (sscanf(line.c_str(), "%255s", word) != 1) continue;
        if (!strcmp(word, "event")) {
            Event e;
            if (sscanf(line.c_str(), "%255s %d %d %d %d", word, &e.index, &e.audiopos, &e.numstates,
                       &e.transition) != 5)
                problems->push_back("line " + std::to_string(number) + ": incomplete event line");
            events.push_back(e);
        } else if (!strcmp(word, "state")) {
            int index = 0, offset = 0;
            if (sscanf(line.c_str(), "%255s %d %d ", word, &index, &offset) != 3)
                problems->push_back("line " + std::to_string(number) + ": incomplete state line");
            if (events.empty()) {
                problems->push_back("line " + std::to_string(number) + ": state before any event");
                continue;
            }
            events.back().state_index.push_back(index);
            events.back().state_offset.push_back(offset);
        } else if (word[0] != ';') {
            problems->push_back("line " + std::to_string(number) + ": neither event, state nor comment");
        }
    }
    return events;
}

struct Pcm {
    std::vector<int16_t> v;  // interleaved left, right
    size_t frames() const { return v.size() / 2; }
};

Pcm ReadPcm(const std::string& path) {
    Pcm p;
    std::string b = kt::ReadFile(path);
    if (b.size() < 44) return p;
    size_t n = (b.size() - 44) / 2;
    p.v.resize(n);
    memcpy(p.v.data(), b.data() + 44, n * 2);
    return p;
}

double RmsDb(const Pcm& p, size_t f0, size_t f1) {
    double sum = 0;
    for (size_t i = f0 * 2; i < f1 * 2; i++) sum += (double)p.v[i] * p.v[i];
    return 10 * std::log10(sum / (2.0 * (double)(f1 - f0)) / (32768.0 * 32768.0) + 1e-30);
}

// The show's band analysis, recomputed independently: every 15 ms frame it
// takes the first 2048 interleaved values (1024 frames) of the mixer's latest
// 2048-frame block, each value being the sample times the music's mixer gain
// (127) over 32768, and measures eight frequencies with the frame rate 44100
// although left and right values alternate. Here each block is measured with
// a direct DFT and fed to the frame-to-frame average three times (a block
// lasts about three frames).
constexpr double kProbes[8] = {6, 24, 120, 280, 330, 660, 4400, 3520};
constexpr size_t kBlock = 2048;

struct Bands {
    std::vector<std::array<double, 8>> power;  // per block, raw DFT power x 1e-6
    std::vector<std::array<double, 4>> level;  // per block, the four levels after the average
};

Bands Analyse(const Pcm& p) {
    Bands out;
    std::vector<double> cs[8], sn[8];
    for (int k = 0; k < 8; k++) {
        cs[k].resize(2048);
        sn[k].resize(2048);
        for (int i = 0; i < 2048; i++) {
            double w = 2.0 * 3.14159265358979323846 * kProbes[k] / 44100.0 * i;
            cs[k][i] = std::cos(w);
            sn[k][i] = std::sin(w);
        }
    }
    double amp[8] = {0};
    for (size_t b = 0; (b + 1) * kBlock <= p.frames(); b++) {
        const int16_t* v = &p.v[b * kBlock * 2];
        std::array<double, 8> pw;
        for (int k = 0; k < 8; k++) {
            double re = 0, im = 0;
            for (int i = 0; i < 2048; i++) {
                double x = v[i] * 127.0 / 32768.0;
                re += x * cs[k][i];
                im -= x * sn[k][i];
            }
            pw[k] = (re * re + im * im) * 1e-6;
        }
        for (int rep = 0; rep < 3; rep++)
            for (int k = 0; k < 8; k++) amp[k] = (pw[k] + amp[k]) / 2;
        auto clamp = [](double x) { return std::min(std::max(x, 0.0), 10.0); };
        out.power.push_back(pw);
        out.level.push_back({clamp((amp[0] + amp[1]) / 2), clamp((amp[2] + amp[3]) / 2),
                             clamp((amp[4] + amp[5]) / 2), clamp(amp[6] + amp[7])});
    }
    return out;
}

const char* kBandNames[4] = {"low", "middle", "middle2", "high"};

// ---------------------------------------------------------------------------
// The file

TEST(MusicFile, HeaderIsThePlain44ByteLayout) {
    std::string b = kt::ReadFile(kBuiltWav);
    ASSERT_GT(b.size(), 44u) << kBuiltWav;
    EXPECT_EQ("RIFF", b.substr(0, 4));
    EXPECT_EQ(b.size() - 8, U32(b, 4));
    EXPECT_EQ("WAVE", b.substr(8, 4));
    EXPECT_EQ(std::string("fmt "), b.substr(12, 4));
    EXPECT_EQ(16u, U32(b, 16));
    EXPECT_EQ(1u, U16(b, 20));       // PCM
    EXPECT_EQ(2u, U16(b, 22));       // stereo
    EXPECT_EQ(44100u, U32(b, 24));   // frames per second
    EXPECT_EQ(176400u, U32(b, 28));  // bytes per second
    EXPECT_EQ(4u, U16(b, 32));       // block alignment
    EXPECT_EQ(16u, U16(b, 34));      // bits per value
    EXPECT_EQ("data", b.substr(36, 4));
    EXPECT_EQ(b.size() - 44, U32(b, 40));
    EXPECT_EQ(0u, (b.size() - 44) % 4) << "whole frames only";
}

TEST(MusicFile, LengthIsTheReportedLengthOfTwoToThreeMinutes) {
    Form f = ReadForm();
    Pcm p = ReadPcm(kBuiltWav);
    EXPECT_EQ((size_t)f.length_frames, p.frames());
    EXPECT_EQ(f.length_units, (int)(p.frames() / 1024));
    double seconds = p.frames() / 44100.0;
    EXPECT_GE(seconds, 120.0);
    EXPECT_LE(seconds, 180.0);
    EXPECT_LT(f.end_unit, f.length_units);
}

TEST(MusicFile, LoudButNoSampleAtFullScale) {
    Pcm p = ReadPcm(kBuiltWav);
    ASSERT_FALSE(p.v.empty());
    int peak = 0;
    for (int16_t s : p.v) peak = std::max(peak, std::abs((int)s));
    EXPECT_LT(peak, 32000);
    EXPECT_GT(peak, 24000) << "the music should use most of the range";
}

TEST(MusicFile, EverySectionSoundsAndTheTailIsSilent) {
    Form f = ReadForm();
    Pcm p = ReadPcm(kBuiltWav);
    ASSERT_FALSE(f.sections.empty());
    for (size_t s = 0; s < f.sections.size(); s++) {
        size_t a = (size_t)f.sections[s].unit * 1024;
        size_t e = (size_t)(s + 1 < f.sections.size() ? f.sections[s + 1].unit : f.end_unit) * 1024;
        ASSERT_LE(e, p.frames());
        EXPECT_GT(RmsDb(p, a, e), -30.0) << f.sections[s].name;
    }
    // The show stops at the end mark; what follows is only the echoes' tail.
    EXPECT_LT(RmsDb(p, (size_t)f.end_unit * 1024, p.frames()), -60.0);
}

// ---------------------------------------------------------------------------
// The generator

class MusicGenerator : public kt::ScratchTest {};

TEST_F(MusicGenerator, TwoRunsGiveTheSameBytesAsTheBuild) {
    std::string out;
    ASSERT_EQ(0, kt::RunCommand(kGenmusic + " a.wav", &out)) << out;
    ASSERT_EQ(0, kt::RunCommand(kGenmusic + " b.wav", &out)) << out;
    std::string a = kt::ReadFile("a.wav"), b = kt::ReadFile("b.wav");
    ASSERT_GT(a.size(), 44u);
    EXPECT_TRUE(a == b) << "two runs differ";
    EXPECT_TRUE(a == kt::ReadFile(kBuiltWav)) << "the built file differs from a fresh run";
    EXPECT_FALSE(kt::FileExists("a.wav.tmp"));
}

TEST_F(MusicGenerator, UsageAndWriteErrorsAreReported) {
    std::string out;
    EXPECT_EQ(2, kt::RunCommand(kGenmusic, &out));
    EXPECT_NE(std::string::npos, out.find("usage: genmusic")) << out;
    EXPECT_EQ(1, kt::RunCommand(kGenmusic + " no/such/folder/music.wav", &out));
    EXPECT_NE(std::string::npos, out.find("genmusic: cannot create no/such/folder/music.wav.tmp")) << out;
    EXPECT_FALSE(kt::FileExists("no/such/folder/music.wav"));
}

// ---------------------------------------------------------------------------
// The timing file against the music

TEST(MusicTiming, ThirteenEventsInTheLoadersFormat) {
    std::vector<std::string> problems;
    std::vector<Event> ev = ReadTiming(&problems);
    for (const std::string& p : problems) ADD_FAILURE() << p;
    ASSERT_EQ(13u, ev.size());
    for (size_t i = 0; i < ev.size(); i++) {
        EXPECT_EQ((int)i, ev[i].index) << "event " << i;
        EXPECT_EQ(ev[i].numstates, (int)ev[i].state_offset.size()) << "event " << i;
        for (size_t s = 0; s < ev[i].state_index.size(); s++)
            EXPECT_EQ((int)s, ev[i].state_index[s]) << "event " << i;
        EXPECT_GE(ev[i].transition, 0) << "event " << i;
        EXPECT_LE(ev[i].transition, 2) << "event " << i;
        if (i > 0) {
            EXPECT_GT(ev[i].audiopos, ev[i - 1].audiopos + 64) << "event " << i;
        }
    }
}

TEST(MusicTiming, EventsStartOnTheSectionsAndTheShowEndsWithTheMusic) {
    Form f = ReadForm();
    std::vector<std::string> problems;
    std::vector<Event> ev = ReadTiming(&problems);
    ASSERT_EQ(12u, f.sections.size());
    ASSERT_EQ(13u, ev.size());
    for (size_t i = 0; i < 12; i++) EXPECT_EQ(f.sections[i].unit, ev[i].audiopos) << f.sections[i].name;
    // The show ends when the thirteenth event is 64 units ahead: at the end
    // of the music, and while the music still plays (once it has played out
    // its position reads 0 and the timeline would never get there).
    EXPECT_EQ(f.end_unit, ev[12].audiopos - 64);
    EXPECT_LT(ev[12].audiopos - 64, f.length_units - 16);
}

TEST(MusicTiming, EveryScenesStatesStartOnTheMusicsPhases) {
    Form f = ReadForm();
    std::vector<std::string> problems;
    std::vector<Event> ev = ReadTiming(&problems);
    ASSERT_EQ(12u, f.sections.size());
    ASSERT_EQ(13u, ev.size());
    for (size_t i = 0; i < ev.size(); i++) {
        const std::vector<int>& st = ev[i].state_offset;
        EXPECT_GE(st.size(), 2u) << "event " << i;
        if (st.empty()) continue;
        EXPECT_EQ(0, st[0]) << "event " << i;
        for (size_t s = 1; s < st.size(); s++) EXPECT_GT(st[s], st[s - 1]) << "event " << i;
        if (i < 12) {
            int next = i + 1 < ev.size() ? ev[i + 1].audiopos : f.length_units;
            for (int o : st) {
                EXPECT_LT(ev[i].audiopos + o, next - 64) << "event " << i << ": state at " << o
                                                          << " starts after the next scene shows";
                const std::vector<int>& ph = f.sections[i].phases;
                EXPECT_NE(ph.end(), std::find(ph.begin(), ph.end(), o))
                    << "event " << i << ": state at " << o << " is not a phase of " << f.sections[i].name;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Where the band analysis listens

TEST(MusicBands, EveryProbeRegionHasEnergyThatChanges) {
    Form f = ReadForm();
    Bands b = Analyse(ReadPcm(kBuiltWav));
    ASSERT_EQ(12u, f.sections.size());
    size_t end_block = (size_t)f.end_unit * 1024 / kBlock;
    ASSERT_LE(end_block, b.power.size());
    for (int k = 0; k < 8; k++) {
        // From section to section: present somewhere (a mean contribution of
        // at least 1 to its level), and clearly louder in some sections.
        std::vector<double> mean;
        for (size_t s = 0; s < 12; s++) {
            size_t b0 = (size_t)f.sections[s].unit * 1024 / kBlock;
            size_t b1 = (size_t)(s + 1 < 12 ? f.sections[s + 1].unit : f.end_unit) * 1024 / kBlock;
            double sum = 0;
            for (size_t i = b0; i < b1; i++) sum += b.power[i][k];
            mean.push_back(sum / (double)(b1 - b0));
        }
        double lo = *std::min_element(mean.begin(), mean.end());
        double hi = *std::max_element(mean.begin(), mean.end());
        EXPECT_GT(hi, 1.0) << "probe " << kProbes[k] << " Hz: little energy anywhere";
        EXPECT_GT(hi, 2.0 * lo) << "probe " << kProbes[k] << " Hz: the same energy in every section";
        // From block to block: the loud tenth of the blocks at least ten
        // times the quiet tenth.
        std::vector<double> all;
        for (size_t i = 0; i < end_block; i++) all.push_back(b.power[i][k]);
        std::sort(all.begin(), all.end());
        double p10 = all[all.size() / 10], p90 = all[all.size() * 9 / 10];
        EXPECT_GT(p90, 10.0 * p10) << "probe " << kProbes[k] << " Hz: " << p10 << " to " << p90;
    }
}

TEST(MusicBands, EachLevelSpansTheRangeAndMovesWhileTheMusicPlays) {
    Form f = ReadForm();
    Bands b = Analyse(ReadPcm(kBuiltWav));
    size_t end_block = (size_t)f.end_unit * 1024 / kBlock;
    ASSERT_LE(end_block, b.level.size());
    for (int q = 0; q < 4; q++) {
        double lo = 10, hi = 0;
        size_t high = 0, low = 0, steps = 0;
        for (size_t i = 0; i < end_block; i++) {
            double v = b.level[i][q];
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            if (v >= 5.0) high++;
            if (v <= 2.0) low++;
            if (i > 0 && std::fabs(v - b.level[i - 1][q]) >= 1.0) steps++;
        }
        EXPECT_GE(hi - lo, 1.0) << kBandNames[q];
        // Up and down for real stretches, and often jumping: the level
        // follows the beat rather than sitting at one value.
        EXPECT_GT(high, end_block / 20) << kBandNames[q] << ": rarely high";
        EXPECT_GT(low, end_block / 20) << kBandNames[q] << ": rarely low";
        EXPECT_GT(steps, end_block / 20) << kBandNames[q] << ": hardly moves";
    }
}

TEST(MusicSections, NeighbouringSectionsSoundDifferent) {
    Form f = ReadForm();
    Pcm p = ReadPcm(kBuiltWav);
    Bands b = Analyse(p);
    ASSERT_EQ(12u, f.sections.size());
    struct Summary {
        double rms;
        double band[4];
    };
    std::vector<Summary> sum;
    for (size_t s = 0; s < 12; s++) {
        size_t a = (size_t)f.sections[s].unit * 1024;
        size_t e = (size_t)(s + 1 < 12 ? f.sections[s + 1].unit : f.end_unit) * 1024;
        Summary m{RmsDb(p, a, e), {0, 0, 0, 0}};
        for (size_t i = a / kBlock; i < e / kBlock; i++)
            for (int q = 0; q < 4; q++) m.band[q] += b.level[i][q] / (double)(e / kBlock - a / kBlock);
        sum.push_back(m);
    }
    for (size_t s = 1; s < 12; s++) {
        double d = std::fabs(sum[s].rms - sum[s - 1].rms) / 1.5;
        for (int q = 0; q < 4; q++) d = std::max(d, std::fabs(sum[s].band[q] - sum[s - 1].band[q]) / 0.5);
        EXPECT_GE(d, 1.0) << f.sections[s - 1].name << " and " << f.sections[s].name << " sound alike";
    }
}

}  // namespace
