// Host threads on one stream while the container closes, and containers side by side.
#include "tests/subtitle/TestContainer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace Tork::Testing {
namespace {

std::vector<EntryRow> manyEntries(std::uint32_t count) {
    std::vector<EntryRow> rows;
    for (std::uint32_t i = 0; i < count; ++i) rows.push_back({(count - i) * 10, 15, "line"});
    return rows;
}

TEST(SubtitleThreads, StreamOperationsRaceWithClose) {
    Harness harness;
    StreamInterface* stream = harness.stream(manyEntries(300));
    Host::ManualClock clock(100000);
    stream->setClock(&clock);
    std::atomic<int> calls{0};
    std::vector<std::thread> hosts;
    for (int t = 0; t < 4; ++t) {
        hosts.emplace_back([&, t] {
            for (int i = 0; i < 3000; ++i, ++calls) {
                std::uint32_t time = static_cast<std::uint32_t>((i * 37 + t) % 3500);
                switch ((i + t) % 7) {
                    case 0:
                    case 1: {
                        MediaChunk* chunk = nullptr;
                        if (stream->readStream(&chunk) == Result::Ok && chunk) chunk->release();
                        break;
                    }
                    case 2:
                        stream->seekStream(time, &time, 0);
                        break;
                    case 3:
                        stream->setRate(i % 4 < 2 ? 1000 : -1000);
                        break;
                    case 4:
                        stream->findKeyTime(0, time, &time);
                        break;
                    case 5:
                        stream->reset();
                        break;
                    case 6:  // answered without the lock
                        EXPECT_NE(stream->getRate(), 0);
                        (void)stream->getPosition();
                        break;
                }
            }
        });
    }
    std::thread closer([&] {
        while (calls < 2000) std::this_thread::yield();
        EXPECT_EQ(harness.container.close(false), Result::Ok);
    });
    for (std::thread& host : hosts) host.join();
    closer.join();
    std::uint32_t result = 0;
    EXPECT_EQ(stream->seekStream(1234, &result, 0), Result::Ok);
    EXPECT_EQ(result, 1234u);  // no entries left
    EXPECT_EQ(harness.context.streamsRemoved().size(), 1u);
}

TEST(SubtitleThreads, ContainersWorkSideBySide) {
    std::vector<std::thread> hosts;
    for (int t = 0; t < 4; ++t) {
        hosts.emplace_back([] {
            Harness harness;
            ASSERT_TRUE(harness.container.load(manyEntries(50), "eng", "US"));
            ASSERT_TRUE(harness.container.load(manyEntries(100), "eng", "GB"));
            harness.context.setPreferredLanguage("en-GB");  // the language table's first use
            ASSERT_EQ(
                harness.container.selectProgram(harness.container.getProgramIds().head->value),
                Result::Ok);
            StreamInterface* chosen = harness.context.streamsAdded().at(1);
            ASSERT_EQ(harness.context.streamsSelected().at(0).first, chosen->id());
            Host::ManualClock clock(100000);
            chosen->setClock(&clock);
            int read = 0;
            MediaChunk* chunk = nullptr;
            while (chosen->readStream(&chunk) == Result::Ok && chunk) {
                chunk->release();
                ++read;
            }
            EXPECT_EQ(read, 100);
            EXPECT_EQ(harness.container.close(false), Result::Ok);
        });
    }
    for (std::thread& host : hosts) host.join();
}

TEST(SubtitleThreads, ThreadsAskingTogetherGetOneProgramId) {
    Harness harness;
    std::vector<std::uint64_t> ids(4);
    std::vector<std::thread> hosts;
    for (std::size_t t = 0; t < ids.size(); ++t) {
        hosts.emplace_back([&, t] { ids[t] = harness.container.getProgramIds().head->value; });
    }
    for (std::thread& host : hosts) host.join();
    EXPECT_EQ(std::set<std::uint64_t>(ids.begin(), ids.end()).size(), 1u);
    EXPECT_LE(harness.context.idsIssued(), ids.size());  // each may ask; the first answer holds
}

// A host whose newId takes a lock of its own, which it also holds while it calls in: with
// the id asked under the container's lock, ThreadSanitizer reports the deadlock in waiting.
TEST(SubtitleThreads, AsksForTheProgramIdWithoutTheContainerLock) {
    struct : Host::SettingsContext {
        std::mutex hostLock;
        std::uint64_t newId() override {
            const std::lock_guard guard(hostLock);
            return SettingsContext::newId();
        }
    } context;
    TestContainer container;
    container.initialize(&context, Harness::containerId);
    std::thread([&] { container.getProgramIds(); }).join();
    const std::lock_guard host(context.hostLock);
    EXPECT_EQ(container.close(false), Result::Ok);
}

}  // namespace
}  // namespace Tork::Testing
