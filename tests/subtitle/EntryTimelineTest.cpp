// The indexed searches against direct linear scans, over random entries that overlap, repeat,
// run backwards and wrap past 2^32.
#include "subtitle/EntryTimeline.h"
#include "tests/subtitle/TestContainer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace Tork::Testing {
namespace {

std::uint32_t endOf(const EntryRow& row) {
    return row.timestamp + static_cast<std::uint32_t>(row.duration);
}

struct Profile {
    const char* description;
    std::uint32_t firstStart, startSpan;  // starts in [firstStart, firstStart + startSpan]
    std::int32_t shortest, longest;       // durations
};

const Profile profiles[] = {
    {"crowded, equal and negative", 0, 60, -40, 40},
    {"wrapping near 2^32", 0xFFFFFF00u, 0xFF, 0, 600},
    {"anything", 0, 0xFFFFFFFFu, INT32_MIN, INT32_MAX},
};

std::vector<EntryRow> randomRows(std::mt19937& random, const Profile& profile,
                                 bool distinctStarts) {
    std::uniform_int_distribution<std::uint32_t> start(0, profile.startSpan);
    std::uniform_int_distribution<std::int32_t> duration(profile.shortest, profile.longest);
    // Up to a few of the index's blocks of 16.
    const std::size_t count = std::uniform_int_distribution<std::size_t>(0, 70)(random);
    std::vector<EntryRow> rows;
    for (std::size_t i = 0; i < count; ++i) {
        rows.push_back({profile.firstStart + start(random), duration(random)});
    }
    const auto byStart = [](const EntryRow& a, const EntryRow& b) {
        return a.timestamp < b.timestamp;
    };
    std::sort(rows.begin(), rows.end(), byStart);
    if (distinctStarts) {
        rows.erase(std::unique(rows.begin(), rows.end(),
                               [](auto& a, auto& b) { return a.timestamp == b.timestamp; }),
                   rows.end());
    }
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].text = std::to_string(i);
    return rows;
}

// Every start and end with its neighbours, the extremes and a few random times.
std::vector<std::uint32_t> probeTimes(std::mt19937& random, const std::vector<EntryRow>& rows) {
    std::vector<std::uint32_t> times = {0, 1, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    for (const EntryRow& row : rows) {
        for (std::uint32_t t : {row.timestamp, endOf(row)}) {
            times.insert(times.end(), {t - 1, t, t + 1});
        }
    }
    for (int i = 0; i < 5; ++i) times.push_back(static_cast<std::uint32_t>(random()));
    return times;
}

template <class Holds>
std::optional<std::size_t> firstWhere(std::size_t count, Holds holds) {
    for (std::size_t i = 0; i < count; ++i) {
        if (holds(i)) return i;
    }
    return std::nullopt;
}

template <class Holds>
std::optional<std::size_t> lastWhere(std::size_t count, Holds holds) {
    for (std::size_t i = count; i-- > 0;) {
        if (holds(i)) return i;
    }
    return std::nullopt;
}

TEST(EntryTimeline, SearchesEqualLinearScans) {
    std::mt19937 random(20261208);
    for (const Profile& profile : profiles) {
        SCOPED_TRACE(profile.description);
        for (int round = 0; round < 800; ++round) {
            const std::vector<EntryRow> rows = randomRows(random, profile, false);
            const EntryTimeline timeline(makeEntries(rows));
            const std::size_t n = rows.size();
            for (const std::uint32_t t : probeTimes(random, rows)) {
                SCOPED_TRACE(testing::Message() << "round " << round << " time " << t);
                const auto start = [&](std::size_t i) { return rows[i].timestamp; };
                const auto end = [&](std::size_t i) { return endOf(rows[i]); };
                ASSERT_EQ(timeline.firstEndingAtOrAfter(t),
                          firstWhere(n, [&](std::size_t i) { return end(i) >= t; }));
                ASSERT_EQ(timeline.lastEndingBefore(t),
                          lastWhere(n, [&](std::size_t i) { return end(i) < t; }));
                ASSERT_EQ(timeline.firstStartingAtOrAfter(t),
                          firstWhere(n, [&](std::size_t i) { return start(i) >= t; }));
                ASSERT_EQ(timeline.lastStartingBefore(t),
                          lastWhere(n, [&](std::size_t i) { return start(i) < t; }));
            }
        }
    }
}

// seekStream and findKeyTime as the stream must answer them, by linear scans over sorted
// entries: the time answered and the cursor left behind.
struct Answer {
    std::uint32_t time;
    std::optional<std::size_t> cursor;  // none: past the last entry
};

Answer linearSeek(const std::vector<EntryRow>& e, std::int32_t rate, std::uint32_t t) {
    const std::size_t n = e.size();
    const auto end = [&](std::size_t i) { return e[i].timestamp + std::uint32_t(e[i].duration); };
    if (rate > 0) {
        for (std::size_t i = 0; i < n; ++i) {
            if (end(i) >= t) return {e[i].timestamp, i};
        }
        return {end(n - 1) + 1, std::nullopt};
    }
    for (std::size_t i = n; i-- > 0;) {
        if (e[i].timestamp < t) return {e[i].timestamp, i};
    }
    return {0, 0};
}

std::uint32_t linearKeyTime(const std::vector<EntryRow>& e, std::int32_t rate, std::uint32_t t) {
    const std::size_t n = e.size();
    const auto end = [&](std::size_t i) { return e[i].timestamp + std::uint32_t(e[i].duration); };
    if (rate > 0) {
        for (std::size_t i = 0; i < n; ++i) {
            if (e[i].timestamp >= t) return e[i].timestamp;
        }
        return end(n - 1);
    }
    for (std::size_t i = n; i-- > 0;) {
        if (end(i) < t) return e[i].timestamp;
    }
    return e[0].timestamp - 1;
}

TEST(EntryTimeline, StreamSeeksAndKeyTimesEqualLinearScans) {
    std::mt19937 random(7);
    constexpr std::int32_t clockTime = 0x7FFFFFFF;
    for (const Profile& profile : profiles) {
        SCOPED_TRACE(profile.description);
        for (int round = 0; round < 150; ++round) {
            // Distinct starts, so that the order after the container's sort is known.
            const std::vector<EntryRow> rows = randomRows(random, profile, true);
            if (rows.empty()) continue;
            Harness harness;
            StreamInterface* stream = harness.stream(rows);
            Host::ManualClock clock(clockTime);
            stream->setClock(&clock);
            for (const std::int32_t rate : {1000, -1000}) {
                stream->setRate(rate);
                for (const std::uint32_t t :
                     {0u, 0xFFFFFFFFu, rows[0].timestamp, rows.back().timestamp + 1,
                      static_cast<std::uint32_t>(random())}) {
                    SCOPED_TRACE(testing::Message() << "rate " << rate << " time " << t);
                    std::uint32_t key = 0;
                    ASSERT_EQ(stream->findKeyTime(0, t, &key), Result::Ok);
                    EXPECT_EQ(key, linearKeyTime(rows, rate, t));
                    const Answer expected = linearSeek(rows, rate, t);
                    std::uint32_t result = 0;
                    ASSERT_EQ(stream->seekStream(t, &result, 0), Result::Ok);
                    EXPECT_EQ(result, expected.time);
                    // The cursor shows in the next read (when its entry is due).
                    MediaChunk* chunk = nullptr;
                    const std::int32_t read = stream->readStream(&chunk);
                    if (!expected.cursor) {
                        EXPECT_EQ(read, Result::Ok);
                        EXPECT_EQ(chunk, nullptr);
                    } else if (std::uint32_t(clockTime) + 500 < rows[*expected.cursor].timestamp) {
                        EXPECT_EQ(read, Result::NotYet);
                    } else {
                        ASSERT_NE(chunk, nullptr);
                        EXPECT_EQ(textOf(*chunk), std::to_string(*expected.cursor));
                        chunk->release();
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace Tork::Testing
