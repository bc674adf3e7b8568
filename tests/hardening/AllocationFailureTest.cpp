// A container whose every allocation in turn fails while a host probes, opens, plays and
// closes: each call answers success or a clean failure, a failed open leaves no stream,
// and (under LeakSanitizer) nothing is lost. Every host callback in turn throws as well.
#include "framework/ContainerContext.h"
#include "framework/List.h"
#include "framework/MediaBuffer.h"
#include "framework/Plugin.h"
#include "framework/ResultCode.h"
#include "framework/Setting.h"
#include "framework/StreamInterface.h"
#include "host/ManualClock.h"
#include "host/RecordingPluginHost.h"
#include "host/SettingsContext.h"
#include "host/UrlLocation.h"
#include "microdvd/MicroDVDContainer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <vector>

namespace {

// Allocations still to succeed before one fails; negative: none fails.
std::atomic<long> allocationsLeft{-1};
std::atomic<bool> failed{false};  // an allocation failed or a callback threw
// Host callbacks still to return before one throws; negative: none throws.
std::atomic<long> callbacksLeft{-1};

}  // namespace

// Replaced for the whole program; only armed around the container's calls.
void* operator new(std::size_t size) {
    if (allocationsLeft.load(std::memory_order_relaxed) >= 0 &&
        allocationsLeft.fetch_sub(1, std::memory_order_relaxed) == 0) {
        failed = true;
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}

// Kept out of line: inlined, the compiler pairs free() with operator new and warns.
[[gnu::noinline]] void operator delete(void* block) noexcept {
    std::free(block);
}

[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

namespace Tork {
namespace {

using namespace std::string_literals;
using Testing::TempFolder;

// Fails the allocation `index` places on (0: the next one) until the guard ends.
class FailingAllocation {
public:
    explicit FailingAllocation(long index) {
        failed = false;
        allocationsLeft = index;
        callbacksLeft = index;  // and the host callback of that index throws
    }
    ~FailingAllocation() { allocationsLeft = callbacksLeft = -1; }
    /// Whether either happened.
    static bool happened() { return failed; }
};

// The host's own work while a failure is armed: its allocations neither count nor fail. A
// callback of the host's throws in its turn, and something that is no std::exception.
class HostSide {
public:
    explicit HostSide(bool callback = true) : saved_(allocationsLeft.exchange(-1)) {
        if (callback && callbacksLeft >= 0 && callbacksLeft.fetch_sub(1) == 0) {
            allocationsLeft = saved_;
            failed = true;
            throw 42;
        }
    }
    ~HostSide() { allocationsLeft = saved_; }

private:
    long saved_;
};

class Context : public Host::SettingsContext {
public:
    std::uint64_t newId() override {
        const HostSide host;
        return SettingsContext::newId();
    }
    String getPreferredLanguage() override {
        const HostSide host;
        return SettingsContext::getPreferredLanguage();
    }
    std::int32_t getSetting(const Setting* setting, SettingValue* answer) override {
        const HostSide host;
        return SettingsContext::getSetting(setting, answer);
    }
    void streamAdded(StreamInterface* stream) override {
        const HostSide host;
        SettingsContext::streamAdded(stream);
    }
    void streamRemoved(std::uint64_t id) override {
        const HostSide host;
        SettingsContext::streamRemoved(id);
    }
    void selectStream(std::uint64_t id, std::int32_t enable) override {
        const HostSide host;
        SettingsContext::selectStream(id, enable);
    }
};

class PluginHost : public Host::RecordingPluginHost {
public:
    bool checkFormat(const String& name) override {
        const HostSide host;
        return RecordingPluginHost::checkFormat(name);
    }
    void pluginDestroying(Plugin* plugin) override {
        const HostSide host;
        RecordingPluginHost::pluginDestroying(plugin);
    }
    void pluginDestroyed(Plugin* plugin) override {
        const HostSide host;
        RecordingPluginHost::pluginDestroyed(plugin);
    }
};

struct Scenario {
    const char* description;
    std::string contents;
    bool opens;  // when memory does not run out
    bool utf16;  // honour the signature (the converters' road)
};

TEST(AllocationFailure, EveryAllocationOfAContainersLife) {
    const Scenario scenarios[] = {
        {"codes, bars and a declaration",
         "{1}{1}25\n{0}{25}/Hello|world\n{25}{50}{y:ib}Bold\n{50}{75}{c:$0000FF}Red\n"
         "{75}{100}" +
             std::string(2000, 'x') + "\n",
         true, false},
        {"UTF-16 through the converters",
         "\xFF\xFE{\0"
         "0\0}\0{\0"
         "5\0}\0H\0i\0"s,
         true, true},
        {"a bad line after good ones", "{0}{25}a\n{25}{50}b\n{50}c\n", false, false},
    };
    const TempFolder folder;
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.description);
        const Host::UrlLocation location(
            Testing::fileUrl(folder.write("a.sub", scenario.contents)));
        bool reachedTheEnd = false;
        for (long index = 0; !reachedTheEnd; ++index) {
            SCOPED_TRACE("allocation " + std::to_string(index));
            ASSERT_LT(index, 100000);
            PluginHost host;
            Context context;
            if (scenario.utf16) context.set(Host::Settings::overrideEmbeddedSignature(false));
            Host::ManualClock clock(std::numeric_limits<std::int32_t>::max());
            auto* container = new MicroDVDContainer(&host);
            container->initialize(&context, 7);
            int opened = 0, read = 0;
            {
                const FailingAllocation failing(index);
                const String type = container->getMimeType(0);  // empty without memory
                EXPECT_TRUE(type.empty() || type.text() == "text/plain");
                container->probe(location.get(), 0, nullptr);
                const std::int32_t result = container->open(location.get());
                EXPECT_TRUE(result == Result::Ok || result == Result::Failure);
                if (result == Result::Ok) ++opened;
                const List<std::uint64_t> programs = container->getProgramIds();
                if (programs.count == 1) container->selectProgram(programs.head->value);
                std::vector<StreamInterface*> streams;
                {
                    const HostSide host(/*callback*/ false);
                    streams = context.streamsAdded();
                }
                for (StreamInterface* stream : streams) {
                    stream->setClock(&clock);
                    for (int i = 0; i < 10; ++i) {
                        MediaChunk* chunk = nullptr;
                        const std::int32_t answer = stream->readStream(&chunk);
                        EXPECT_TRUE(answer == Result::Ok || answer == Result::Failure);
                        if (chunk) {
                            chunk->release();
                            ++read;
                        }
                    }
                    std::uint32_t time = 0;
                    stream->seekStream(1000, &time, 0);
                    stream->setRate(-1000);
                }
                container->close(index % 2 == 0);
                reachedTheEnd = !FailingAllocation::happened();
            }
            // The announcements may have failed too; what the host was told is all it knows.
            EXPECT_LE(context.streamsAdded().size(), static_cast<std::size_t>(opened));
            if (reachedTheEnd) {
                EXPECT_EQ(opened, scenario.opens ? 1 : 0);
                if (scenario.opens) {
                    EXPECT_GT(read, 0);
                }
            }
            EXPECT_EQ(container->release(), 0);
        }
    }
}

}  // namespace
}  // namespace Tork
