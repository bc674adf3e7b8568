// Reading, seeking and rate changes of the overlay stream over the subtitles X, Y and Z.
#include "framework/Properties.h"
#include "subtitle/SubtitleContainer.h"
#include "tests/subtitle/TestContainer.h"

#include <gtest/gtest.h>

#include <string>

namespace Tork::Testing {
namespace {

constexpr std::int32_t forwards = 1000;
constexpr std::int32_t backwards = -1000;
constexpr std::int32_t late = 100000;

// The texts of every chunk handed out until the stream hands out none.
std::string readAll(StreamInterface& stream) {
    std::string texts;
    MediaChunk* chunk = nullptr;
    while (stream.readStream(&chunk) == Result::Ok && chunk) {
        texts += textOf(*chunk);
        chunk->release();
    }
    return texts;
}

struct SeekCase {
    std::int32_t rate;
    std::uint32_t time;
    std::uint32_t result;
    const char* readsAfter;  // from the new cursor, in the playing direction
};

TEST(OverlayStream, SeeksToTheEntryInThePlayingDirection) {
    const SeekCase cases[] = {
        {forwards, 0, 1000, "XYZ"},
        {forwards, 2500, 1000, "XYZ"},  // X has not ended yet
        {forwards, 3000, 1000, "XYZ"},  // nor at its very end
        {forwards, 3001, 5000, "YZ"},
        {forwards, 10000, 9501, ""},  // past the last end: one after it
        {backwards, 5000, 1000, "X"},
        {backwards, 5001, 5000, "YX"},
        {backwards, 500, 0, "X"},  // nothing started before: the first entry
        {backwards, 100000, 9000, "ZYX"},
    };
    for (const SeekCase& row : cases) {
        SCOPED_TRACE(testing::Message() << row.rate << " seek " << row.time);
        Harness harness;
        StreamInterface* stream = harness.stream(xyz);
        Host::ManualClock clock(late);
        stream->setClock(&clock);
        stream->setRate(row.rate);
        std::uint32_t result = 7;
        EXPECT_EQ(stream->seekStream(row.time, &result, 0), Result::Ok);
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(readAll(*stream), row.readsAfter);
    }
}

struct KeyTimeCase {
    std::int32_t rate;
    std::uint32_t time;
    std::uint32_t result;
};

TEST(OverlayStream, FindsTheNextKeyTimeWithoutMoving) {
    const KeyTimeCase cases[] = {
        {forwards, 1000, 1000},  {forwards, 1001, 5000},
        {forwards, 9001, 9500},  // none starts later: the last end, without + 1
        {backwards, 5000, 1000}, {backwards, 9501, 9000},
        {backwards, 1000, 999},  // every entry ends at or after: one before the first start
    };
    for (const KeyTimeCase& row : cases) {
        SCOPED_TRACE(testing::Message() << row.rate << " key " << row.time);
        Harness harness;
        StreamInterface* stream = harness.stream(xyz);
        Host::ManualClock clock(late);
        stream->setClock(&clock);
        stream->setRate(row.rate);
        stream->reset();
        std::uint32_t result = 7;
        EXPECT_EQ(stream->findKeyTime(0, row.time, &result), Result::Ok);
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(readAll(*stream), row.rate > 0 ? "XYZ" : "ZYX");
    }
}

TEST(OverlayStream, StoppedStreamRefusesToSeekAndChangesNothing) {
    Harness harness;
    StreamInterface* stream = harness.stream(xyz);
    Host::ManualClock clock(late);
    stream->setClock(&clock);
    std::uint32_t result = 7;
    ASSERT_EQ(stream->seekStream(3001, &result, 0), Result::Ok);  // on Y
    ASSERT_TRUE(stream->setRate(0));
    EXPECT_EQ(stream->seekStream(0, &result, 0), Result::Failure);
    EXPECT_EQ(stream->findKeyTime(0, 0, &result), Result::Failure);
    EXPECT_EQ(stream->findKeyTime(0, 0, nullptr), Result::Failure);
    EXPECT_EQ(result, 5000u);
    EXPECT_EQ(readAll(*stream), "");    // stopped
    ASSERT_TRUE(stream->setRate(500));  // no seek under rate 0: the cursor stays on Y
    EXPECT_EQ(readAll(*stream), "YZ");
}

TEST(OverlayStream, HandsOutEntriesFrom500msAheadAndLate) {
    Harness harness;
    StreamInterface* stream = harness.stream(xyz);
    MediaChunk* chunk = reinterpret_cast<MediaChunk*>(&harness);
    EXPECT_EQ(stream->readStream(&chunk), Result::NotYet);  // no clock
    EXPECT_EQ(chunk, nullptr);
    Host::ManualClock clock(-1);
    EXPECT_EQ(stream->setClock(&clock), Result::Ok);
    EXPECT_EQ(stream->readStream(&chunk), Result::NotYet);  // no time yet
    EXPECT_EQ(stream->setClock(nullptr), Result::NotYet);   // keeps the clock
    clock.set(400);
    std::uint32_t result = 0;
    ASSERT_EQ(stream->seekStream(0, &result, 0), Result::Ok);
    EXPECT_EQ(stream->readStream(&chunk), Result::NotYet);
    clock.set(500);
    ASSERT_EQ(stream->readStream(&chunk), Result::Ok);
    ASSERT_NE(chunk, nullptr);
    EXPECT_EQ(textOf(*chunk), "X");
    EXPECT_EQ(chunk->timestamp, 1000u);
    EXPECT_EQ(chunk->duration, 2000);
    EXPECT_EQ(stream->getPosition(), 3000u);
    chunk->release();
    clock.set(late);
    EXPECT_EQ(readAll(*stream), "YZ");
    EXPECT_EQ(stream->readStream(&chunk), Result::Ok);
    EXPECT_EQ(chunk, nullptr);
    EXPECT_EQ(stream->getPosition(), 9500u);
    EXPECT_EQ(stream->readStream(nullptr), Result::Failure);
}

TEST(OverlayStream, ReadsBackwardsAfterResetWithANegativeRate) {
    Harness harness;
    StreamInterface* stream = harness.stream(xyz);
    Host::ManualClock clock(10000);
    stream->setClock(&clock);
    ASSERT_TRUE(stream->setRate(backwards));
    EXPECT_EQ(stream->getRate(), backwards);
    EXPECT_EQ(stream->reset(), Result::Ok);
    EXPECT_EQ(readAll(*stream), "ZYX");
    MediaChunk* chunk = nullptr;
    EXPECT_EQ(stream->readStream(&chunk), Result::Ok);
    EXPECT_EQ(chunk, nullptr);
}

TEST(OverlayStream, RateChangeReseeksAroundTheCurrentEntry) {
    Harness harness;
    StreamInterface* stream = harness.stream(xyz);
    Host::ManualClock clock(late);
    stream->setClock(&clock);
    MediaChunk* chunk = nullptr;
    ASSERT_EQ(stream->readStream(&chunk), Result::Ok);  // X; the cursor is on Y
    chunk->release();
    EXPECT_TRUE(stream->setRate(forwards));   // same rate: nothing moves
    EXPECT_TRUE(stream->setRate(backwards));  // seeks forwards to Y's end: still Y
    EXPECT_EQ(readAll(*stream), "YX");

    // Past the end the cursor is clamped to the last entry first.
    Harness ended;
    stream = ended.stream(xyz);
    stream->setClock(&clock);
    EXPECT_EQ(readAll(*stream), "XYZ");
    EXPECT_TRUE(stream->setRate(backwards));
    EXPECT_EQ(readAll(*stream), "ZYX");
    EXPECT_TRUE(stream->setRate(forwards));  // before the first: clamped to X
    EXPECT_EQ(readAll(*stream), "XYZ");
}

TEST(OverlayStream, ChunkHoldsACopyOfTheTextAndNothingMore) {
    Harness harness;
    StreamInterface* stream = harness.stream(
        {{100, 40, "Hello\nWorld"}, {200, -50, ""}, {300, 10, std::string("a\0b", 3)}});
    Host::ManualClock clock(late);
    stream->setClock(&clock);
    const struct {
        std::string text;
        std::uint32_t timestamp;
        std::int32_t duration;
        std::uint32_t position;
    } expected[] = {{"Hello\nWorld", 100, 40, 140},
                    {"", 200, -50, 150},  // an empty text is handed out like any other
                    {std::string("a\0b", 3), 300, 10, 310}};
    for (const auto& row : expected) {
        SCOPED_TRACE(row.timestamp);
        MediaChunk* chunk = nullptr;
        ASSERT_EQ(stream->readStream(&chunk), Result::Ok);
        ASSERT_NE(chunk, nullptr);
        EXPECT_EQ(chunk->getCapacity(), static_cast<std::int32_t>(row.text.size()));
        EXPECT_EQ(chunk->sizeField(), static_cast<std::int32_t>(row.text.size()));
        EXPECT_EQ(textOf(*chunk), row.text);
        EXPECT_EQ(chunk->timestamp, row.timestamp);
        EXPECT_EQ(chunk->duration, row.duration);
        EXPECT_EQ(stream->getPosition(), row.position);
        chunk->release();
    }
}

TEST(OverlayStream, WithoutEntriesEchoesTimesAndHandsOutNothing) {
    Harness harness;
    StreamInterface* stream = harness.stream({});
    MediaChunk* chunk = nullptr;
    EXPECT_EQ(stream->readStream(&chunk), Result::NotYet);  // no clock
    Host::ManualClock clock(late);
    stream->setClock(&clock);
    std::uint32_t result = 0;
    EXPECT_EQ(stream->seekStream(1234, &result, 0), Result::Ok);
    EXPECT_EQ(result, 1234u);
    EXPECT_EQ(stream->findKeyTime(0, 4321, &result), Result::Ok);
    EXPECT_EQ(result, 4321u);
    EXPECT_EQ(stream->readStream(&chunk), Result::Ok);
    EXPECT_EQ(chunk, nullptr);
    EXPECT_TRUE(stream->setRate(0));
    EXPECT_EQ(stream->seekStream(99, &result, 0), Result::Ok);  // no entries beats rate 0
    EXPECT_EQ(result, 99u);
    EXPECT_TRUE(stream->setRate(backwards));
    EXPECT_EQ(stream->getRate(), backwards);
    EXPECT_EQ(stream->reset(), Result::Ok);
    EXPECT_EQ(stream->readStream(&chunk), Result::Ok);
    EXPECT_EQ(chunk, nullptr);
}

TEST(OverlayStream, DescribesItself) {
    Harness harness;
    StreamInterface* stream = harness.stream(xyz, "", "", "movie.sub");
    const StreamFormat* format = stream->getFormat();
    EXPECT_EQ(std::string(format->code, 8), std::string("UTF8\0\0\0\0", 8));
    EXPECT_EQ(format->size, 20u);
    EXPECT_EQ(format->fourth, 4u);
    EXPECT_EQ(format->fifth, 0u);
    EXPECT_EQ(stream->getProperties()->width, 640);
    EXPECT_EQ(stream->getProperties()->height, 480);
    EXPECT_EQ(stream->getStreamType(), 320);
    EXPECT_EQ(stream->getStatus(), 0);
    EXPECT_EQ(stream->flush(), 0);
    EXPECT_EQ(stream->getGroup(), 0);
    EXPECT_EQ(stream->getRate(), 1000);
    EXPECT_EQ(stream->parentId(), Harness::containerId);
    for (std::uint32_t feature : {0u, 1u, 0xFFFFFFFFu})
        EXPECT_FALSE(stream->supportsFeature(feature));

    struct InfoCase {
        const char* name;
        const char* language;
        const char* region;
        bool answer;
    };
    for (const InfoCase& row : {InfoCase{"movie.sub", "", "", true}, InfoCase{"", "", "", false},
                                InfoCase{"", "eng", "GB", true}}) {
        SCOPED_TRACE(row.name);
        Harness described;
        stream = described.stream(xyz, row.language, row.region, row.name);
        String name("old"), language("old"), region("old");
        EXPECT_EQ(stream->getInfo(&name, &language, &region, 0), row.answer);
        // Empty members leave their targets alone.
        EXPECT_EQ(name.text(), *row.name ? row.name : "old");
        EXPECT_EQ(language.text(), *row.language ? row.language : "old");
        EXPECT_EQ(region.text(), *row.region ? row.region : "old");
        EXPECT_EQ(stream->getInfo(nullptr, nullptr, nullptr, 0), false);
    }
}

}  // namespace
}  // namespace Tork::Testing
