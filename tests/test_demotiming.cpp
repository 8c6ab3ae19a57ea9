// The timeline: event and state lookups with the 64-unit look-ahead, the two
// ramps, the timing file read from real CORE images (made by mkcore) and from
// a directory-tree mount, the writer, and the guards of the table limits.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "core/corefile/corefile.h"
#include "demo/demotiming.h"
#include "tests/support/testsupport.h"

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

// Replaces the timeline's events by events at the given starts, each with
// transition 0 and no states.
void SetEvents(const std::vector<int>& starts) {
    demo.numevents = 0;
    for (int s : starts) AddEventTime(s, 0);
}

struct Answer {
    int event, state, statetime;
};

Answer Evaluate(int position, int currentpos) {
    demo.currentpos = currentpos;
    UpdateDemoTiming(position, 0);
    return {demo.currentevent, demo.currentstate, demo.statetime};
}

// Events, states and transition ids of the table, for comparing two tables.
std::string Dump() {
    std::string out;
    for (int i = 0; i < demo.numevents; i++) {
        const s_event& e = demo.events[i];
        out += "event " + std::to_string(e.audiopos) + " t" + std::to_string(e.transition_id) + ":";
        for (int j = 0; j < e.numstates; j++) out += " " + std::to_string(e.states[j]);
        out += "\n";
    }
    return out;
}

class Timing : public kt::ScratchTest {
protected:
    void TearDown() override {
        corefile_closeimage();
        kt::ScratchTest::TearDown();
    }

    // Packs the files with mkcore into "kastrel.dat" and mounts it.
    void MountImage(const Files& files) {
        kt::PackImage("kastrel.dat", files);
        ASSERT_FALSE(HasFatalFailure());
        int ok = 0;
        kt::Captured([&] { ok = corefile_mountimage("kastrel.dat", 0); });
        ASSERT_EQ(ok, 1);
        files_ = files;
    }

    // The line the file layer prints when it opens entry k of the image.
    std::string Found(size_t k) const {
        size_t offset = 12;
        for (auto& f : files_) offset += 12 + f.first.size();
        for (size_t i = 0; i < k; i++) offset += files_[i].second.size();
        return "found file at offset: " + std::to_string(offset) + "\n";
    }

    // The start-up order of the show: seed, then read the file.
    std::string Load(const char* path = "timing.dat") {
        return kt::Captured([&] {
            InitTiming();
            LoadTiming(path);
        });
    }

    Files files_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Filling and lookups

TEST(TimingTable, InitSeedsOneEventAndKeepsTransitions) {
    AddTransition(7, 40, 3, 0.25f, 1.5f);
    AddEventTime(100, 5);
    AddEventTime(200, 6);
    demo.currentevent = 9;
    InitTiming();
    EXPECT_EQ(demo.numevents, 1);
    EXPECT_EQ(demo.currentevent, 0);
    EXPECT_EQ(demo.events[0].audiopos, 0);
    EXPECT_EQ(demo.events[0].transition_id, 0);
    EXPECT_EQ(demo.events[0].numstates, 0);
    EXPECT_EQ(demo.numtransitions, 1);
    AddTransition(8, 50, 4, 0.5f, 2.5f);
    ASSERT_EQ(demo.numtransitions, 2);
    const s_transition& t = demo.transitions[1];
    EXPECT_EQ(t.shader, 8);
    EXPECT_EQ(t.duration, 50);
    EXPECT_EQ(t.param, 4);
    EXPECT_EQ(t.smoothness, 0.5f);
    EXPECT_EQ(t.custom, 2.5f);
    EXPECT_EQ(demo.transitions[0].shader, 7);
}

TEST(TimingTable, AddEventTimeResetsTheCountButNotTheSlots) {
    AddEventTime(100, 1);
    AddEventState(130, 0, 0);
    AddEventState(90, 0, 1);
    EXPECT_EQ(demo.events[0].states[0], 30);
    EXPECT_EQ(demo.events[0].states[1], -10);  // a state may start before its event
    demo.numevents = 0;
    AddEventTime(500, 2);
    EXPECT_EQ(demo.events[0].numstates, 0);
    EXPECT_EQ(demo.events[0].states[0], 30);
    EXPECT_EQ(demo.events[0].states[1], -10);
}

TEST(TimingTable, LookAheadOverEventsAt0_300_600) {
    SetEvents({0, 300, 600});
    const std::pair<int, int> cases[] = {
        {-100, 0}, {0, 0},   {235, 0}, {236, 1}, {299, 1},   {300, 1},
        {535, 1},  {536, 2}, {599, 2}, {600, 3}, {100000, 3},
    };
    for (auto& c : cases) EXPECT_EQ(Evaluate(c.first, c.first).event, c.second) << c.first;
    // The lookup alone, without the look-ahead.
    const std::pair<int, int> plain[] = {{-1, 0}, {0, 0}, {299, 0}, {300, 1}, {599, 1}, {600, 2}};
    for (auto& c : plain) EXPECT_EQ(GetTimingEvent(c.first), c.second) << c.first;
    // After the last event: the free entry after it, no state, time from 0.
    Answer a = Evaluate(700, 700);
    EXPECT_EQ(a.state, 0);
    EXPECT_EQ(a.statetime, 700);
}

TEST(TimingTable, UnsortedEventsAndEqualStartsTakeTheLaterEntry) {
    SetEvents({0, 500, 200, 200});
    EXPECT_EQ(GetTimingEvent(199), 0);
    EXPECT_EQ(GetTimingEvent(300), 3);
    EXPECT_EQ(GetTimingEvent(600), 3);
    demo.numevents = 0;
    EXPECT_EQ(GetTimingEvent(1000), 0);  // an empty table
}

TEST(TimingTable, OneEventOrNoneLooksAheadIntoTheFreeEntry) {
    for (int events : {0, 1}) {
        demo.numevents = 0;
        if (events) AddEventTime(0, 0);
        const std::pair<int, int> cases[] = {{-65, 0}, {-64, 1}, {0, 1}, {5000, 1}};
        for (auto& c : cases) {
            Answer a = Evaluate(c.first, c.first);
            EXPECT_EQ(a.event, c.second) << events << " events, position " << c.first;
            EXPECT_EQ(a.state, 0);
            EXPECT_EQ(a.statetime, c.first < 0 ? 0 : c.first);
        }
    }
}

// An event at 500 with states at offsets 0, 100 and 50, added in that order.
class StatesOutOfOrder : public ::testing::Test {
protected:
    void SetUp() override {
        SetEvents({0, 500, 2000});
        AddEventState(500, 1, 0);
        AddEventState(600, 1, 1);
        AddEventState(550, 1, 2);
    }
};

TEST_F(StatesOutOfOrder, LastBegunStateInTableOrderWins) {
    ASSERT_EQ(demo.events[1].numstates, 3);
    EXPECT_EQ(demo.events[1].states[1], 100);
    EXPECT_EQ(demo.events[1].states[2], 50);
    Answer a = Evaluate(580, 580);
    EXPECT_EQ(a.event, 1);
    EXPECT_EQ(a.state, 2);
    EXPECT_EQ(a.statetime, 30);

    const std::pair<int, int> cases[] = {{0, 0}, {499, 0}, {549, 0}, {550, 2}, {600, 2}, {1500, 2}};
    for (auto& c : cases) EXPECT_EQ(GetTimingState(c.first, 1), c.second) << c.first;
    EXPECT_EQ(GetTimingState(580, -1), 0);
    EXPECT_EQ(GetTimingState(580, 3), 0);  // = numevents
    EXPECT_EQ(GetTimingState(580, 0), 0);  // no states
}

TEST_F(StatesOutOfOrder, StateComesFromTheFramePositionNotThePassedOne) {
    Answer a = Evaluate(580, 520);  // event chosen at 580, state at 520
    EXPECT_EQ(a.event, 1);
    EXPECT_EQ(a.state, 0);
    EXPECT_EQ(a.statetime, 20);
    a = Evaluate(100, 580);  // event 0 has no states: time from its own start
    EXPECT_EQ(a.event, 0);
    EXPECT_EQ(a.state, 0);
    EXPECT_EQ(a.statetime, 580);
}

TEST(TimingTable, OnlyStateNotBegunClampsTheTimeToZero) {
    SetEvents({0, 500, 2000});
    AddEventState(550, 1, 0);
    Answer a = Evaluate(520, 520);
    EXPECT_EQ(a.event, 1);
    EXPECT_EQ(a.state, 0);
    EXPECT_EQ(a.statetime, 0);
    EXPECT_EQ(Evaluate(560, 560).statetime, 10);
}

// The next start is rounded to single precision before 64 is taken off:
// 2^24 + 1 becomes 2^24, so the event is current from 2^24 - 64 on.
TEST(TimingTable, LookAheadRoundsTheNextStartToSinglePrecision) {
    SetEvents({0, 16777217});
    EXPECT_EQ(Evaluate(16777151, 0).event, 0);
    EXPECT_EQ(Evaluate(16777152, 0).event, 1);
    SetEvents({0, 1000});  // below 2^24 it is the integer comparison
    EXPECT_EQ(Evaluate(935, 0).event, 0);
    EXPECT_EQ(Evaluate(936, 0).event, 1);
}

// ---------------------------------------------------------------------------
// Ramps

TEST(Ramps, StepIsLinearAndUnclamped) {
    const float cases[][4] = {
        {0, 4, 1, 0.25f}, {0, 4, 8, 2}, {0, 4, -4, -1}, {2, 4, 2, 0}, {0, 3, 1, 1.0f / 3.0f},
        // Single precision: b - a overflows to infinity.
        {-3e38f, 3e38f, 0, 0},
    };
    for (auto& c : cases) EXPECT_EQ(step(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " " << c[2];
    EXPECT_EQ(step(1, 1, 2), std::numeric_limits<float>::infinity());
    EXPECT_EQ(step(1, 1, 0), -std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(step(1, 1, 1)));
}

TEST(Ramps, SmoothstepClampsAndTakesTheOtherOperandForNaN) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float cases[][4] = {
        {0, 1, 0.5f, 0.5f}, {0, 1, 2, 1}, {0, 1, -1, 0}, {0, 1, 0, 0}, {0, 1, 1, 1},
        {0, 1, 0.25f, 0.15625f},
        // a == b: 1 after a, 0 at and before it.
        {2, 2, 3, 1}, {2, 2, 2, 0}, {2, 2, 1, 0},
        {0, 1, nan, 0},
        // The ramp position in double precision: no overflow of b - a.
        {-3e38f, 3e38f, 0, 0.5f}, {-3e38f, 3e38f, 3e38f, 1},
    };
    for (auto& c : cases)
        EXPECT_EQ(smoothstep(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " " << c[2];
}

// ---------------------------------------------------------------------------
// Reading the timing file

TEST_F(Timing, MissingFileKeepsTheSeededEvent) {
    MountImage({{"music.wav", "RIFF"}});
    EXPECT_EQ(Load(), "couldn't find file: timing.dat\n");
    EXPECT_EQ(Dump(), "event 0 t0:\n");
    Answer a = Evaluate(900, 900);
    EXPECT_EQ(a.event, 1);
    EXPECT_EQ(a.state, 0);
    EXPECT_EQ(a.statetime, 900);
}

TEST_F(Timing, ReadsEventsAndStatesSkippingOtherLines) {
    const std::string file =
        ";events (index, audiopos, numstates, transition_id)\n"
        "\n"
        "event 0 000000 2 1\n"
        "state 0 0\n"
        "  state 1 40   ; leading blanks and a trailing comment\n"
        "Event 9 9 9 9\n"
        "events 9 9 9 9\n"
        "event 1 000300 0 2\r\n"
        "\tevent 2 000600 1 0\n"
        "state 0 -20\n";
    MountImage({{"music.wav", "RIFF"}, {"timing.dat", file}});
    EXPECT_EQ(Load(), Found(1) + "load timing timing.dat, size: " + std::to_string(file.size()) +
                          "\n"
                          "- event: 0 0 2 1\n"
                          "- state: 0 0\n"
                          "- state: 1 40\n"
                          "- event: 1 300 0 2\n"
                          "- event: 2 600 1 0\n"
                          "- state: 0 -20\n");
    EXPECT_EQ(Dump(), "event 0 t1: 0 40\nevent 300 t2:\nevent 600 t0: -20\n");
}

TEST_F(Timing, FileWithoutEventsLeavesNoEvents) {
    const std::string file = "; nothing here yet\n\n";
    MountImage({{"timing.dat", file}});
    EXPECT_EQ(Load(), Found(0) + "load timing timing.dat, size: 20\n");
    EXPECT_EQ(demo.numevents, 0);
    EXPECT_EQ(GetTimingEvent(500), 0);
    EXPECT_EQ(Evaluate(-65, 0).event, 0);
    EXPECT_EQ(Evaluate(-64, 0).event, 1);
    EXPECT_EQ(Evaluate(500, 0).event, 1);
}

TEST_F(Timing, MissingNumbersCarryOverFromTheSameKindOfLine) {
    const std::string file =
        "event 0 0 0 0\n"
        "event 1 300 0 1\n"
        "event 2 600 1 2\n"
        "state 0 10\n"
        "event 3 700\n"     // state count and transition from the line above
        "state 1\n"         // offset 10 from the state line above
        "event 4 oops 9\n"  // stops at the start: it and the rest carry over
        "state x 99\n";     // nothing parses: state 1 at offset 10 again
    MountImage({{"timing.dat", file}});
    EXPECT_EQ(Load(), Found(0) + "load timing timing.dat, size: " + std::to_string(file.size()) +
                          "\n"
                          "- event: 0 0 0 0\n"
                          "- event: 1 300 0 1\n"
                          "- event: 2 600 1 2\n"
                          "- state: 0 10\n"
                          "- event: 3 700 1 2\n"
                          "- state: 1 10\n"
                          "- event: 4 700 1 2\n"
                          "- state: 1 10\n");
    EXPECT_EQ(Dump(), "event 0 t0:\nevent 300 t1:\nevent 600 t2: 10\nevent 700 t2: 10\nevent 700 t2: 10\n");
}

TEST_F(Timing, StateLinesAttachByTheIndexOfTheirEventLine) {
    const std::string file =
        "event 0 100 0 0\n"
        "event 1 400 0 1\n"
        "event 0 900 0 1\n"  // appended as entry 2, its states go to entry 0
        "state 0 30\n";
    MountImage({{"timing.dat", file}});
    Load();
    EXPECT_EQ(Dump(), "event 100 t0: 830\nevent 400 t1:\nevent 900 t1:\n");
}

TEST_F(Timing, LongLinesAreReadInPieces) {
    // 255 characters of comment, then the rest of the line is a line of its own.
    const std::string file = ";" + std::string(254, '-') + "event 0 50 0 3\n" + "state 0 5\n";
    MountImage({{"timing.dat", file}});
    EXPECT_EQ(Load(), Found(0) + "load timing timing.dat, size: " + std::to_string(file.size()) +
                          "\n- event: 0 50 0 3\n- state: 0 5\n");
    EXPECT_EQ(Dump(), "event 50 t3: 5\n");
}

// In an image the line read does not stop at the entry's end; the reader cuts
// what belongs to the next file.
TEST_F(Timing, LastLineWithoutBreakStopsAtTheFilesEnd) {
    MountImage({{"timing.dat", "event 0 0 0 0\nevent 1 300"}, {"next.dat", "0 1\nevent 2 900 0 0\n"}});
    EXPECT_EQ(Load(), Found(0) + "load timing timing.dat, size: 25\n"
                                 "- event: 0 0 0 0\n- event: 1 300 0 0\n");
    EXPECT_EQ(Dump(), "event 0 t0:\nevent 300 t0:\n");
}

TEST_F(Timing, EmptyFileInAnImageReadsNothingOfTheNextFile) {
    MountImage({{"timing.dat", ""}, {"next.dat", "event 0 5 0 0\n"}});
    EXPECT_EQ(Load(), Found(0) + "load timing timing.dat, size: 0\n");
    EXPECT_EQ(demo.numevents, 0);
}

// With and without a line break at the end: after a last line break the
// tree mount reports the end only after one more, empty, read.
TEST_F(Timing, ReadsFromADirectoryTreeMount) {
    kt::MakeDirs("tree/data");
    int ok = 0;
    kt::Captured([&] { ok = corefile_mountimage("tree", 2); });
    ASSERT_EQ(ok, 1);
    for (std::string end : {"", "\n"}) {
        const std::string file = "event 0 10 1 1\nstate 0 4\nevent 1 20 0 0" + end;
        kt::WriteFile("tree/data/timing.dat", file);
        EXPECT_EQ(Load("data/timing.dat"),
                  "load timing data/timing.dat, size: " + std::to_string(file.size()) +
                      "\n- event: 0 10 1 1\n- state: 0 4\n- event: 1 20 0 0\n");
        EXPECT_EQ(Dump(), "event 10 t1: 4\nevent 20 t0:\n");
    }
}

// ---------------------------------------------------------------------------
// Writing

TEST_F(Timing, SaveWritesTheFormatAndReadsBackTheSameTable) {
    demo.numevents = 0;
    AddEventTime(0, 0);
    AddEventState(0, 0, 0);
    AddEventState(120, 0, 1);
    AddEventTime(300, 2);
    AddEventTime(1234567, 1);
    AddEventState(1234560, 2, 0);
    AddEventTime(-5, 63);
    std::string printed = kt::Captured([] { SaveTiming("saved.dat"); });
    EXPECT_EQ(printed, "");
    const std::string text =
        ";events (index, audiopos, numstates, transition_id)\n"
        "event 0 000000 2 0\n"
        "state 0 0\n"
        "state 1 120\n"
        "event 1 000300 0 2\n"
        "event 2 1234567 1 1\n"
        "state 0 -7\n"
        "event 3 -00005 0 63\n";
    // Written in text mode: on Windows each line ends in a carriage return
    // and a line feed, and the timing file reads back all the same.
    EXPECT_EQ(kt::ReadFile("saved.dat"), kt::TextModeBytes(text));
    EXPECT_EQ(text.find('\n') + 1, 52u);

    const std::string before = Dump();
    MountImage({{"timing.dat", kt::ReadFile("saved.dat")}});
    Load();
    EXPECT_EQ(Dump(), before);
    kt::Captured([] { SaveTiming("again.dat"); });
    EXPECT_EQ(kt::ReadFile("again.dat"), kt::TextModeBytes(text));
}

TEST_F(Timing, SaveToAMissingFolderPrintsAndWritesNothing) {
    AddEventTime(0, 0);
    EXPECT_EQ(kt::Captured([] { SaveTiming("no/such/folder/t.dat"); }),
              "- could not write timing no/such/folder/t.dat\n");
    EXPECT_FALSE(kt::FileExists("no/such/folder/t.dat"));
}

// ---------------------------------------------------------------------------
// Table limits

TEST(TimingLimits, EventsStopAt255LeavingTheLastEntryFree) {
    demo.numevents = 0;
    std::string printed = kt::Captured([] {
        for (int i = 0; i < 257; i++) AddEventTime(i * 100, 0);
    });
    EXPECT_EQ(printed,
              "- too many events (at most 255), event at 25500 left out\n"
              "- too many events (at most 255), event at 25600 left out\n");
    EXPECT_EQ(demo.numevents, 255);
    EXPECT_EQ(demo.events[255].audiopos, 0);
    // The look-ahead after the last event meets the free entry.
    Answer a = Evaluate(25400, 25400);
    EXPECT_EQ(a.event, 255);
    EXPECT_EQ(a.state, 0);
    EXPECT_EQ(a.statetime, 25400);
    EXPECT_EQ(Evaluate(25335, 25335).event, 253);
    EXPECT_EQ(Evaluate(25336, 25336).event, 254);
}

TEST(TimingLimits, StatesStopAt32PerEvent) {
    SetEvents({1000});
    std::string printed = kt::Captured([] {
        for (int i = 0; i < 34; i++) AddEventState(1000 + i, 0, i);
    });
    EXPECT_EQ(printed,
              "- event 0: too many states (at most 32), state at 1032 left out\n"
              "- event 0: too many states (at most 32), state at 1033 left out\n");
    EXPECT_EQ(demo.events[0].numstates, 32);
    EXPECT_EQ(demo.events[0].states[31], 31);
    EXPECT_EQ(demo.events[1].audiopos, 0);  // the next entry is untouched
    EXPECT_EQ(demo.events[1].numstates, 0);
}

TEST(TimingLimits, StateForAnEventOutsideTheTableIsLeftOut) {
    SetEvents({0, 100});
    std::string printed = kt::Captured([] {
        for (int e : {-1, 255, 256, 100000, 254, 3}) AddEventState(500, e, 0);
    });
    EXPECT_EQ(printed,
              "- state at 500: event -1 outside 0 to 254, left out\n"
              "- state at 500: event 255 outside 0 to 254, left out\n"
              "- state at 500: event 256 outside 0 to 254, left out\n"
              "- state at 500: event 100000 outside 0 to 254, left out\n");
    EXPECT_EQ(demo.events[254].numstates, 1);  // not an event yet, but in the table
    EXPECT_EQ(demo.events[3].numstates, 1);
    EXPECT_EQ(demo.events[255].numstates, 0);
}

TEST(TimingLimits, TransitionsStopAt64) {
    std::string printed = kt::Captured([] {
        for (int i = 0; i < 65; i++) AddTransition(i, 10, 0, 0.1f, 0.2f);
    });
    EXPECT_EQ(printed, "- too many transitions (at most 64), transition left out\n");
    EXPECT_EQ(demo.numtransitions, 64);
    EXPECT_EQ(demo.transitions[63].shader, 63);
    EXPECT_EQ(demo.currentpos, 0);  // the field after the table is untouched
}

TEST(TimingLimits, TransitionIdOutsideTheTableBecomesTransition0) {
    demo.numevents = 0;
    std::string printed = kt::Captured([] {
        AddEventTime(10, -1);
        AddEventTime(20, 64);
        AddEventTime(30, 63);
    });
    EXPECT_EQ(printed,
              "- event at 10: transition -1 outside 0 to 63, transition 0 used\n"
              "- event at 20: transition 64 outside 0 to 63, transition 0 used\n");
    EXPECT_EQ(Dump(), "event 10 t0:\nevent 20 t0:\nevent 30 t63:\n");
}

TEST(TimingLimits, CountsWrittenPastTheTablesAreNotFollowed) {
    SetEvents({0, 100});
    demo.numevents = 100000;
    demo.events[0].numstates = 1000;
    EXPECT_EQ(GetTimingEvent(50), 254);  // the unwritten entries start at 0
    EXPECT_EQ(GetTimingState(50, 0), 31);
    EXPECT_EQ(Evaluate(1000000, 0).event, 255);
    demo.numevents = -3;
    EXPECT_EQ(GetTimingEvent(50), 0);
    EXPECT_EQ(GetTimingState(50, 0), 0);
}

TEST_F(Timing, FileLinesThatCannotBePlacedAreLeftOut) {
    const std::string file =
        "state 3\n"          // before any event line
        "event\n"            // no start, none to carry over
        "state 3\n"          // belongs to the left-out event
        "event 0 100\n"      // state count and transition start at 0
        "state 1\n"          // no offset, none to carry over
        "state 1 7\n"
        "event 1 200 0 99\n" // transition outside the table: the event stays
        "state 0 3 \n"       // and takes its states
        "state 0 -1 \n"
        "state 0 250\n"
        "event 300 300 0 0\n"
        "state 0 1\n";       // event index 300 is outside the table
    MountImage({{"timing.dat", file}});
    EXPECT_EQ(Load(), Found(0) + "load timing timing.dat, size: " + std::to_string(file.size()) +
                          "\n"
                          "- state line before the first event line, left out\n"
                          "- event line without a start, left out\n"
                          "- state line of a left-out event, left out\n"
                          "- event: 0 100 0 0\n"
                          "- state line without an offset, left out\n"
                          "- state: 1 7\n"
                          "- event: 1 200 0 99\n"
                          "- event at 200: transition 99 outside 0 to 63, transition 0 used\n"
                          "- state: 0 3\n"
                          "- state: 0 -1\n"
                          "- state: 0 250\n"
                          "- event: 300 300 0 0\n"
                          "- state: 0 1\n"
                          "- state at 301: event 300 outside 0 to 254, left out\n");
    EXPECT_EQ(Dump(), "event 100 t0: 7\nevent 200 t0: 3 -1 250\nevent 300 t0:\n");
}

TEST_F(Timing, FileWithTooManyEventsAndStates) {
    std::string file;
    std::string expected;
    for (int i = 0; i < 257; i++) {
        file += "event " + std::to_string(i) + " " + std::to_string(i * 10) + " 1 0\n";
        expected += "- event: " + std::to_string(i) + " " + std::to_string(i * 10) + " 1 0\n";
        if (i >= 255)
            expected += "- too many events (at most 255), event at " + std::to_string(i * 10) +
                        " left out\n";
        // Each event gets one state; the last kept event gets 34.
        int states = i == 254 ? 34 : 1;
        for (int s = 0; s < states; s++) {
            file += "state " + std::to_string(s) + " " + std::to_string(s) + "\n";
            if (i >= 255) {
                expected += "- state line of a left-out event, left out\n";
                continue;
            }
            expected += "- state: " + std::to_string(s) + " " + std::to_string(s) + "\n";
            if (s >= 32)
                expected += "- event 254: too many states (at most 32), state at " +
                            std::to_string(2540 + s) + " left out\n";
        }
    }
    MountImage({{"timing.dat", file}});
    std::string printed = Load();
    EXPECT_EQ(printed, Found(0) + "load timing timing.dat, size: " + std::to_string(file.size()) +
                           "\n" + expected);
    EXPECT_EQ(demo.numevents, 255);
    EXPECT_EQ(demo.events[254].numstates, 32);
    EXPECT_EQ(demo.events[253].numstates, 1);
    EXPECT_EQ(demo.events[255].audiopos, 0);
    EXPECT_EQ(demo.events[255].numstates, 0);
}
