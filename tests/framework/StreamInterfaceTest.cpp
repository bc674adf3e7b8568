#include "framework/StreamInterface.h"

#include <gtest/gtest.h>

namespace Tork {
namespace {

// Only what the base class leaves open, so the base's own behaviour shows.
class BareStream : public StreamInterface {
public:
    BareStream() : StreamInterface(0x100000002ull, 7, 3) {}
    std::int32_t getStatus() override { return 0; }
    bool getInfo(String*, String*, String*, std::uint32_t) override { return false; }
    StreamFormat* getFormat() override { return nullptr; }
    ImageProperties* getProperties() override { return nullptr; }
    std::int32_t getStreamType() override { return 0; }
    std::int32_t setClock(MediaClock*) override { return 0; }
    std::int32_t reset() override { return 0; }
    std::int32_t findKeyTime(std::uint32_t, std::uint32_t, std::uint32_t*) override { return 0; }
    std::int32_t seekStream(std::uint32_t, std::uint32_t*, std::uint32_t) override { return 0; }
    std::int32_t flush() override { return 0; }
    std::int32_t readStream(MediaChunk**) override { return 0; }
};

TEST(StreamInterface, BaseStateAndSetters) {
    BareStream stream;
    EXPECT_EQ(stream.parentId(), 0x100000002ull);
    EXPECT_EQ(stream.getGroup(), 3);
    EXPECT_EQ(stream.getPosition(), 0u);
    EXPECT_FALSE(stream.isFlagged());
    EXPECT_TRUE(stream.setRate(25));
    EXPECT_EQ(stream.getRate(), 25);
    EXPECT_TRUE(stream.setMode(-2));
    EXPECT_EQ(stream.getMode(), -2);
    stream.setUserData(99);
    EXPECT_EQ(stream.getUserData(), 99);
    EXPECT_FALSE(stream.supportsFeature(1));
    std::int32_t first = -1, second = -1;
    stream.getRange(&first, &second);
    EXPECT_EQ(first + second, 0);
    for (std::uint32_t mask : {0u, 1u, 0xFFFFFFFFu}) {
        EXPECT_EQ(stream.getAssociatedStreams(mask).count, 0);
    }
}

}  // namespace
}  // namespace Tork
