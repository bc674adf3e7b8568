// Host threads on the loaded plug-in: eight with containers of their own, opening, reading,
// seeking, changing rate and closing in loops, and several sharing one container.
#include "host/UrlLocation.h"
#include "tests/hardening/LoadedPlugin.h"
#include "tests/support/MicroDVDText.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace Tork::Hardening {
namespace {

using Testing::TempFolder;

std::string subtitleFile(int entries) {
    // Out of order: the container sorts.
    return Testing::MicroDVDLines()
        .head("{1}{1}25\n")
        .frames(entries * 10, -10, 15)
        .text([](std::size_t i) {
            return (i % 3 == 0 ? "{y:i}Line " : "Line ") + std::to_string(i) + "|second";
        })
        .lines(static_cast<std::size_t>(entries));
}

// One host call chosen by `step` on `stream`, as a player's threads make them.
void hostCall(StreamInterface& stream, int step) {
    std::uint32_t time = static_cast<std::uint32_t>((step * 397) % 9000);
    switch (step % 7) {
        case 0:
        case 1: {
            MediaChunk* chunk = nullptr;
            if (stream.readStream(&chunk) == Result::Ok && chunk) chunk->release();
            break;
        }
        case 2:
            stream.seekStream(time, &time, 0);
            break;
        case 3:
            stream.setRate(step % 2 ? 1000 : -1000);
            break;
        case 4:
            stream.findKeyTime(0, time, &time);
            break;
        case 5:
            stream.reset();
            break;
        case 6:
            stream.setRate(0);
            break;
    }
}

TEST(HostThreads, ContainersOfTheirOwn) {
    const TempFolder folder;
    const std::string url = Testing::fileUrl(folder.write("own.sub", subtitleFile(150)));
    const std::string utf16 = Testing::fileUrl(folder.write("own16.sub", [] {
        std::string bytes = "\xFF\xFE";
        for (char c : subtitleFile(40)) bytes += {c, '\0'};
        return bytes;
    }()));
    std::atomic<int> entriesRead{0};
    std::vector<std::thread> hosts;
    for (int t = 0; t < 8; ++t) {
        hosts.emplace_back([&, t] {
            for (int round = 0; round < 32; ++round) {
                Session session;
                session.context().set(Host::Settings::overrideEmbeddedSignature(false));
                EXPECT_TRUE(session.probe(Host::FileUrl(url)));
                StreamInterface* stream =
                    session.openStream(Host::FileUrl(round % 4 == 3 ? utf16 : url));
                ASSERT_NE(stream, nullptr);
                session.clock().set(latestClockTime);
                entriesRead += static_cast<int>(readDue(*stream).size());
                for (int step = 0; step < 100; ++step) {
                    session.clock().set((step * 131 + t) % 8000);
                    hostCall(*stream, step + t);
                }
                // Odd rounds end without closing: the release cleans up.
                if (round % 2 == 0) {
                    EXPECT_EQ(session.container().close(false), Result::Ok);
                }
            }
        });
    }
    for (std::thread& host : hosts) host.join();
    EXPECT_EQ(entriesRead, 8 * (24 * 150 + 8 * 40));
}

TEST(HostThreads, SharedContainer) {
    const TempFolder folder;
    const std::string url = Testing::fileUrl(folder.write("shared.sub", subtitleFile(300)));
    Session session;
    StreamInterface* first = session.openStream(Host::FileUrl(url));
    ASSERT_NE(first, nullptr);
    session.clock().set(4000);
    std::atomic<int> calls{0};
    std::vector<std::thread> hosts;
    for (int t = 0; t < 4; ++t) {
        hosts.emplace_back([&, t] {
            for (int step = 0; step < 10000; ++step, ++calls) {
                hostCall(*first, step * 5 + t);
                if (step % 1000 == 0) session.clock().set((step + t * 1000) % 9000);
            }
        });
    }
    // Meanwhile the host opens a second stream, asks about the container, then closes it.
    hosts.emplace_back([&] {
        while (calls < 12000) std::this_thread::yield();
        const Host::UrlLocation location(url);
        EXPECT_EQ(session.container().open(location.get()), Result::Ok);
        std::uint64_t size = 0;
        EXPECT_EQ(session.container().getFileSize(&size), Result::Ok);
        EXPECT_FALSE(session.container().getLocation().empty());
        while (calls < 28000) std::this_thread::yield();
        EXPECT_EQ(session.container().close(false), Result::Ok);
    });
    for (std::thread& host : hosts) host.join();
    EXPECT_EQ(session.context().streamsRemoved().size(), 2u);
    MediaChunk* chunk = nullptr;
    EXPECT_EQ(first->readStream(&chunk), Result::Ok);
    EXPECT_EQ(chunk, nullptr);  // closed: nothing left to hand out
}

}  // namespace
}  // namespace Tork::Hardening
