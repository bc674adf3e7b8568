// Real-time playback under a simulated wall clock: event order both ways, overlaps,
// zero-length cues and entries no clock can reach.
#include "tools/subplay/Player.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace Tork::Subplay {
namespace {

using std::chrono::steady_clock;

/// Hands out sorted entries as the overlay stream does: up to 500 ms before they start.
class FakeSource : public EntrySource {
public:
    FakeSource(std::vector<Entry> entries, MediaClock& clock, bool reverse)
        : entries_(std::move(entries)),
          clock_(clock),
          reverse_(reverse),
          cursor_(reverse ? static_cast<int>(entries_.size()) - 1 : 0) {}

    Host::ReadOutcome read(Entry& entry) override {
        if (cursor_ < 0 || cursor_ >= static_cast<int>(entries_.size()))
            return Host::ReadOutcome::End;
        const Entry& next = entries_[static_cast<std::size_t>(cursor_)];
        if (static_cast<std::uint32_t>(clock_.currentTime()) + 500u < next.start) {
            return Host::ReadOutcome::NotYet;
        }
        entry = next;
        cursor_ += reverse_ ? -1 : 1;
        return Host::ReadOutcome::Entry;
    }

    void stepBackTo(std::uint32_t time) override {
        while (cursor_ >= 0 && entries_[static_cast<std::size_t>(cursor_)].start > time) --cursor_;
    }

private:
    std::vector<Entry> entries_;
    MediaClock& clock_;
    bool reverse_;
    int cursor_;
};

struct Playthrough {
    std::string output;
    PlaySummary summary;
    std::chrono::duration<double> wall;
};

Playthrough playSimulated(std::vector<Entry> entries, double origin, bool reverse,
                          bool terminal = false, double speed = 1.0, int oversleep = 1,
                          bool styled = true) {
    steady_clock::time_point now{};
    PlaybackClock clock(origin, speed, reverse, [&] { return now; });
    FakeSource source(std::move(entries), clock, reverse);
    PlayerSettings settings;
    settings.terminal = terminal;
    settings.styled = styled;
    settings.lastEnd = 5500;
    settings.sleep = [&](steady_clock::duration pause) { now += pause * oversleep; };
    std::ostringstream out;
    const PlaySummary summary = play(source, clock, settings, out);
    return {out.str(), summary, now.time_since_epoch()};
}

// A and B overlap; C ends where it starts and D starts with it.
const std::vector<Entry> scene = {
    {1000, 2000, "A"}, {2500, 1000, "<i>B</i>\nb"}, {5000, -10, "C"}, {5000, 500, "D"}};

TEST(Player, ShowsAndClearsInTimeOrder) {
    const Playthrough run = playSimulated(scene, 0, /*reverse*/ false);
    EXPECT_EQ(run.output,
              "00:00:01.000 show 1\n  A\n"
              "00:00:02.500 show 2\n  B\n  b\n"
              "00:00:03.000 clear 1\n"
              "00:00:03.500 clear 2\n"
              "00:00:05.000 show 3\n  C\n"
              "00:00:05.000 clear 3\n"
              "00:00:05.000 show 4\n  D\n"
              "00:00:05.500 clear 4\n");
    EXPECT_EQ(run.summary.shown, 4u);
    EXPECT_FALSE(run.summary.unreachable);
    // It waits for the events rather than racing through them, and stops at the last one.
    EXPECT_GE(run.wall.count(), 5.5);
    EXPECT_LT(run.wall.count(), 5.7);
}

TEST(Player, BackwardsShowsAtTheEndAndClearsAtTheStart) {
    const Playthrough run = playSimulated(scene, 5500, /*reverse*/ true);
    EXPECT_EQ(run.output,
              "00:00:05.500 show 1\n  D\n"
              "00:00:05.000 clear 1\n"
              "00:00:05.000 show 2\n  C\n"
              "00:00:05.000 clear 2\n"
              "00:00:03.500 show 3\n  B\n  b\n"
              "00:00:03.000 show 4\n  A\n"
              "00:00:02.500 clear 3\n"
              "00:00:01.000 clear 4\n");
    EXPECT_EQ(run.summary.shown, 4u);
}

TEST(Player, ABusyMachineDelaysEventsButLosesNone) {
    // Every pause lasts 100 times longer than asked, as on a loaded machine at high speed.
    for (const bool reverse : {false, true}) {
        SCOPED_TRACE(reverse ? "backwards" : "forwards");
        const std::string calm = playSimulated(scene, reverse ? 5500 : 0, reverse).output;
        const Playthrough busy = playSimulated(scene, reverse ? 5500 : 0, reverse,
                                               /*terminal*/ false, /*speed*/ 1, /*oversleep*/ 100);
        EXPECT_EQ(busy.output, calm);
    }
}

TEST(Player, SpeedScalesTheWallTime) {
    const Playthrough run = playSimulated(scene, 0, /*reverse*/ false, /*terminal*/ false, 1000);
    EXPECT_EQ(run.summary.shown, 4u);
    EXPECT_LT(run.wall.count(), 0.01);
}

TEST(Player, BackwardsStepsOverEntriesThatStartAfterTheClock) {
    const Playthrough run =
        playSimulated({{1000, 1000, "X"}, {9000, 100, "Y"}}, 2000, /*reverse*/ true);
    EXPECT_EQ(run.output, "00:00:02.000 show 1\n  X\n00:00:01.000 clear 1\n");
}

TEST(Player, StopsAtEntriesNoClockCanReach) {
    const Playthrough run = playSimulated({{1000, 100, "near"}, {0x90000000u, 100, "far"}}, 0,
                                          /*reverse*/ false, /*terminal*/ false, 1e9);
    EXPECT_EQ(run.output, "00:00:01.000 show 1\n  near\n00:00:01.100 clear 1\n");
    EXPECT_TRUE(run.summary.unreachable);
}

TEST(Player, TerminalRedrawsInPlaceWithAStatusLine) {
    const Playthrough run = playSimulated({{1000, 1000, "<b>Hi</B>\x1b[2J"}}, 0, /*reverse*/ false,
                                          /*terminal*/ true);
    // The subtitle appears with its style, without the file's escape sequence, and goes.
    EXPECT_NE(run.output.find("\x1b[1mHi\x1b[0m\xEF\xBF\xBD[2J\x1b[0m\n"), std::string::npos)
        << testing::PrintToString(run.output);
    EXPECT_EQ(run.output.find("\x1b[2J"), std::string::npos);
    EXPECT_NE(run.output.find("\x1b[1A\x1b[J>> "), std::string::npos);
    const std::string last = run.output.substr(run.output.rfind('\r'));
    EXPECT_EQ(last, "\r\x1b[1A\x1b[J>> 00:00:02.000 / 00:00:05.500   36%  1 shown\n");
}

// NO_COLOR and dumb terminals: the text without its style.
TEST(Player, UnstyledTerminalShowsPlainText) {
    const Playthrough run = playSimulated({{1000, 1000, "<b>Hi</B>"}}, 0, /*reverse*/ false,
                                          /*terminal*/ true, 1.0, 1, /*styled*/ false);
    EXPECT_NE(run.output.find("\x1b[JHi\x1b[0m\n"), std::string::npos);
    EXPECT_EQ(run.output.find("\x1b[1m"), std::string::npos);
}

// Entries on screen are kept by end time: 200,000 at once took minutes when every event
// scanned them all.
TEST(Player, ManyEntriesOnScreenAtOnce) {
    constexpr std::uint32_t count = 200'000;
    std::vector<Entry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        entries.push_back({i, static_cast<std::int32_t>(2 * count - 2 * i), "x"});
    }
    const Playthrough run =
        playSimulated(std::move(entries), 0, /*reverse*/ false, /*terminal*/ false, 1e6);
    EXPECT_EQ(run.summary.shown, count);
    // They end in the reverse order of their starts.
    const std::string tail = run.output.substr(run.output.size() - 40);
    EXPECT_NE(tail.find("clear 1\n"), std::string::npos) << tail;
    EXPECT_EQ(run.output.find("clear 1\n"), run.output.size() - 8);
}

TEST(Player, ColumnsAsATerminalCountsThem) {
    struct Row {
        std::string_view line;
        std::size_t columns;
    };
    const Row rows[] = {
        {"plain", 5},
        {"\x1b[1mbold\x1b[0m", 4},
        {"\xE6\xBC\xA2\xE5\xAD\x97", 4},  // two CJK ideographs
        {"e\xCC\x81te\xCC\x81", 3},       // combining acutes take no column
        {"a\tb", 9},                      // the tab moves to column 8
        {"abcdefgh\tx", 17},
        {"\xEF\xBF\xBD", 1},  // U+FFFD
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::string(row.line)));
        EXPECT_EQ(displayColumns(row.line), row.columns);
    }
}

}  // namespace
}  // namespace Tork::Subplay
