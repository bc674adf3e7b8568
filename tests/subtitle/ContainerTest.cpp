// The subtitle container: entry order, program, stream selection by language, close.
#include "subtitle/LanguageCodeTable.h"
#include "subtitle/SubtitleContainer.h"
#include "tests/subtitle/TestContainer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace Tork::Testing {
namespace {

constexpr std::uint64_t noProgram = TestContainer::noProgram;

std::vector<std::uint32_t> timestampsRead(StreamInterface& stream) {
    std::vector<std::uint32_t> times;
    MediaChunk* chunk = nullptr;
    while (stream.readStream(&chunk) == Result::Ok && chunk) {
        times.push_back(chunk->timestamp);
        chunk->release();
    }
    return times;
}

TEST(SubtitleContainer, SortsEntriesByUnsignedTimestampKeepingEveryOne) {
    const struct {
        std::vector<EntryRow> entries;
        std::vector<std::uint32_t> order;
    } cases[] = {
        {{{2000, 1}, {1000, 1}, {500, 1}, {1000, 1}}, {500, 1000, 1000, 2000}},
        {{{0x80000000u, 1}, {0x7FFFFFFFu, 1}, {0, 1}}, {0, 0x7FFFFFFFu, 0x80000000u}},
        {{{7, 1}, {7, 1}, {7, 1}}, {7, 7, 7}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.order.size());
        Harness harness;
        StreamInterface* stream = harness.stream(row.entries);
        Host::ManualClock clock(0x7FFFFFFF);
        stream->setClock(&clock);
        EXPECT_EQ(timestampsRead(*stream), row.order);
    }
}

TEST(SubtitleContainer, HasOneProgramWhoseIdIsAskedForOnce) {
    TestContainer alone;
    const List<std::uint64_t> unassigned = alone.getProgramIds();
    ASSERT_EQ(unassigned.count, 1);
    EXPECT_EQ(unassigned.head->value, noProgram);  // no context to ask

    Harness harness;
    EXPECT_EQ(harness.container.selectProgram(noProgram), Result::Ok);  // before any id
    const std::uint64_t issued = harness.context.idsIssued();
    const List<std::uint64_t> first = harness.container.getProgramIds();
    const List<std::uint64_t> second = harness.container.getProgramIds();
    ASSERT_EQ(first.count, 1);
    ASSERT_EQ(second.count, 1);
    EXPECT_EQ(first.head->value, second.head->value);
    EXPECT_EQ(harness.context.idsIssued(), issued + 1);

    ASSERT_TRUE(harness.container.load(xyz));
    EXPECT_EQ(harness.container.selectProgram(noProgram), Result::Failure);
    EXPECT_EQ(harness.container.selectProgram(first.head->value + 1), Result::Failure);
    EXPECT_TRUE(harness.context.streamsAdded().empty());
    EXPECT_EQ(harness.container.selectProgram(first.head->value), Result::Ok);
    EXPECT_EQ(harness.context.streamsAdded().size(), 1u);
}

struct LanguageCase {
    const char* description;
    std::vector<std::pair<const char*, const char*>> streams;  // language, region
    const char* preferred;
    std::size_t chosen;
};

TEST(SubtitleContainer, SelectsTheStreamForThePreferredLanguage) {
    const LanguageCase cases[] = {
        {"region decides", {{"eng", "US"}, {"eng", "GB"}}, "en-GB", 1},
        {"language alone: the first", {{"eng", "US"}, {"eng", "GB"}}, "en", 0},
        {"the last of several region matches",
         {{"eng", "GB"}, {"eng", "US"}, {"eng", "GB"}},
         "eng-GB",
         2},
        {"two-letter code stored", {{"fre", ""}, {"de", ""}}, "ger", 1},
        {"no match: the smallest id", {{"fre", ""}, {"spa", ""}}, "de-AT", 0},
        {"unknown code matches an empty language", {{"fre", ""}, {"", ""}}, "xx", 1},
        {"case matters", {{"fre", ""}, {"eng", ""}}, "EN", 0},
        {"no preference", {{"fre", ""}, {"eng", ""}}, "", 0},
        {"one stream: language not consulted", {{"fre", ""}}, "en", 0},
    };
    for (const LanguageCase& row : cases) {
        SCOPED_TRACE(row.description);
        Harness harness;
        for (const auto& [language, region] : row.streams) {
            ASSERT_TRUE(harness.container.load(xyz, language, region));
        }
        harness.context.setPreferredLanguage(row.preferred);
        const std::uint64_t program = harness.container.getProgramIds().head->value;
        ASSERT_EQ(harness.container.selectProgram(program), Result::Ok);
        const auto added = harness.context.streamsAdded();
        ASSERT_EQ(added.size(), row.streams.size());
        EXPECT_TRUE(std::is_sorted(added.begin(), added.end(),
                                   [](auto* a, auto* b) { return a->id() < b->id(); }));
        const auto selected = harness.context.streamsSelected();
        ASSERT_EQ(selected.size(), 1u);
        EXPECT_EQ(selected[0].first, added[row.chosen]->id());
        EXPECT_EQ(selected[0].second, 1);
    }
}

TEST(SubtitleContainer, SelectingWithoutStreamsSelectsNothing) {
    Harness harness;
    harness.context.setPreferredLanguage("en");
    EXPECT_EQ(harness.container.selectProgram(noProgram), Result::Ok);
    EXPECT_TRUE(harness.context.streamsAdded().empty());
    EXPECT_TRUE(harness.context.streamsSelected().empty());
}

TEST(SubtitleContainer, RefusesWhatNeedsAContextWithoutOne) {
    TestContainer container;
    EXPECT_FALSE(container.load(xyz));
    EXPECT_EQ(container.selectProgram(noProgram), Result::Failure);
    EXPECT_EQ(container.close(false), Result::Ok);
}

TEST(SubtitleContainer, CloseReleasesEntriesButKeepsTheStreams) {
    Harness harness;
    StreamInterface* first = harness.stream(xyz);
    StreamInterface* second = harness.stream({{1, 1}});
    Host::ManualClock clock(100000);
    first->setClock(&clock);

    EXPECT_EQ(harness.container.close(true), Result::Ok);
    EXPECT_TRUE(harness.context.streamsRemoved().empty());
    EXPECT_EQ(timestampsRead(*first).size(), 3u);

    EXPECT_EQ(harness.container.close(false), Result::Ok);
    const std::vector<std::uint64_t> removed = {first->id(), second->id()};
    EXPECT_EQ(harness.context.streamsRemoved(), removed);
    // The host may still hold the streams: they answer as streams without entries.
    std::uint32_t result = 0;
    EXPECT_EQ(first->seekStream(1234, &result, 0), Result::Ok);
    EXPECT_EQ(result, 1234u);
    EXPECT_TRUE(timestampsRead(*first).empty());
    EXPECT_EQ(harness.container.close(false), Result::Ok);
    EXPECT_EQ(harness.context.streamsRemoved(), removed);
    // A closed container announces nothing more.
    EXPECT_EQ(harness.container.selectProgram(harness.container.getProgramIds().head->value),
              Result::Ok);
    EXPECT_EQ(harness.context.streamsAdded().size(), 3u);  // only the two earlier selections
}

// The context may call back into the container from its announcements, lock held; a walk
// over a map that the callback changed shows under AddressSanitizer.
TEST(SubtitleContainer, AnnouncesAndRemovesEachStreamOnceWhenTheContextCallsBack) {
    struct : Host::SettingsContext {
        std::function<void()> once = [] {};  // runs from the next announcement
        void streamAdded(StreamInterface* stream) override {
            SettingsContext::streamAdded(stream);
            std::exchange(once, [] {})();
        }
        void streamRemoved(std::uint64_t id) override {
            SettingsContext::streamRemoved(id);
            std::exchange(once, [] {})();
        }
    } context;
    TestContainer container;
    container.initialize(&context, Harness::containerId);
    ASSERT_TRUE(container.load(xyz) && container.load(xyz));
    context.once = [&] { container.close(false); };  // both go while the first is announced
    EXPECT_EQ(container.selectProgram(noProgram), Result::Ok);
    ASSERT_TRUE(container.load(xyz) && container.load(xyz));
    context.once = [&] {  // while the first is removed: close again, and open one that stays
        container.close(false);
        (void)container.load(xyz);
    };
    EXPECT_EQ(container.close(false), Result::Ok);
    EXPECT_EQ(container.close(false), Result::Ok);
    const auto removed = context.streamsRemoved();
    EXPECT_EQ(std::set(removed.begin(), removed.end()).size(), 5u);
    EXPECT_EQ(removed.size(), 5u);
    EXPECT_EQ(context.streamsAdded().size(), 1u);
}

// Nothing to assert here: the leak checker of the sanitizer build fails the run if the
// destructor forgets entries, streams or a chunk's text, and AddressSanitizer if a chunk
// that the host releases afterwards needs the container.
TEST(SubtitleContainer, ReleasesEverythingWhenDestroyedWithoutClose) {
    auto harness = std::make_unique<Harness>();
    StreamInterface* stream = harness->stream(xyz);
    ASSERT_TRUE(harness->container.load({{5, 5, "replaced"}}));
    Host::ManualClock clock(100000);
    stream->setClock(&clock);
    MediaChunk* chunk = nullptr;
    ASSERT_EQ(stream->readStream(&chunk), Result::Ok);
    harness.reset();
    chunk->release();
}

TEST(SubtitleContainer, AnswersTheSizeOfTheFileAtItsLocation) {
    const Testing::TempFolder temporary;
    const std::string& folder = temporary.path();
    // A non-ASCII name.
    const std::string file = temporary.write("movie \xC3\xA9.sub", std::string(1234, 'x'));
    const struct {
        const char* description;
        std::string location;
        std::int32_t answer;
        std::uint64_t size;
    } cases[] = {
        {"no location", "", Result::Failure, 77},
        {"a file", file, Result::Ok, 1234},
        {"no such file", temporary.path("none.sub"), Result::Failure, 77},
        {"a folder", folder, Result::Failure, 77},
        {"a URL is no path", "file://" + file, Result::Failure, 77},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.description);
        Harness harness;
        if (!row.location.empty()) harness.container.recordLocation(row.location);
        EXPECT_EQ(harness.container.getLocation().text(), row.location);
        std::uint64_t size = 77;
        EXPECT_EQ(harness.container.getFileSize(&size), row.answer);
        EXPECT_EQ(size, row.size);
        EXPECT_EQ(harness.container.getFileSize(nullptr), Result::Failure);
    }
}

TEST(LanguageCodeTable, MapsEachCodeToItsPartner) {
    const std::pair<const char*, const char*> rows[] = {
        {"ger", "de"}, {"de", "ger"}, {"eng", "en"}, {"en", "eng"},
        {"fre", "fr"}, {"my", "mya"},  // the later pair wins
        {"bur", "my"}, {"mya", "my"}, {"aar", "aa"}, {"zu", "zul"},
        {"GER", ""},   {"xx", ""},    {"", ""},      {"en-GB", ""},
    };
    for (const auto& [code, partner] : rows) {
        SCOPED_TRACE(code);
        EXPECT_EQ(mapLanguageCode(code), partner);
    }
    EXPECT_EQ(LanguageCodeTable::instance().size(), 371u);  // 186 pairs, "my" twice
}

}  // namespace
}  // namespace Tork::Testing
