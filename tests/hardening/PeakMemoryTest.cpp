// Memory on hostile files: what open holds at its peak over the file's size, and how the
// entry store grows. Every heap request of the program is counted while a test arms it.
#include "host/ContainerSession.h"
#include "host/HostSettings.h"
#include "microdvd/MicroDVDContainer.h"
#include "microdvd/MicroDVDParser.h"
#include "subtitle/EntryStore.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

namespace {

std::atomic<bool> counting{false};
std::atomic<std::int64_t> liveBytes{0}, peakBytes{0}, allocations{0};

// Each block carries its size in front, so that a release counts what its request did.
constexpr std::size_t kHeader = 16;

}  // namespace

void* operator new(std::size_t size) {
    auto* block = static_cast<std::size_t*>(std::malloc(size + kHeader));
    if (!block) throw std::bad_alloc();
    *block = counting ? size : 0;
    if (counting) {
        ++allocations;
        const std::int64_t live = liveBytes += static_cast<std::int64_t>(size);
        for (std::int64_t peak = peakBytes;
             live > peak && !peakBytes.compare_exchange_weak(peak, live);) {
        }
    }
    return reinterpret_cast<char*>(block) + kHeader;
}

// Kept out of line: inlined, the compiler pairs free() with operator new and warns.
[[gnu::noinline]] void operator delete(void* pointer) noexcept {
    if (!pointer) return;
    auto* block = reinterpret_cast<std::size_t*>(static_cast<char*>(pointer) - kHeader);
    liveBytes -= static_cast<std::int64_t>(*block);
    std::free(block);
}

[[gnu::noinline]] void operator delete(void* pointer, std::size_t) noexcept {
    operator delete(pointer);
}

namespace Tork {
namespace {

// Counts the heap from its construction on; only the test's own thread allocates meanwhile.
class HeapCount {
public:
    HeapCount() {
        liveBytes = peakBytes = ::allocations = 0;
        counting = true;
    }
    ~HeapCount() { counting = false; }
    std::int64_t peak() const { return peakBytes; }
    std::int64_t live() const { return liveBytes; }
    std::int64_t requests() const { return ::allocations; }
};

TEST(PeakMemory, BlockTablesGrowGeometrically) {
    // Each text fills a granule and opens a block of its own: one request per block, and a
    // few more for the tables as they double, not two more per block.
    constexpr std::int64_t kTexts = 100'000;
    EntryStore store(String(), EntryStore::kAddressable, /*granule*/ 16);
    const std::string text(16, 'x');
    const HeapCount heap;
    for (std::int64_t i = 0; i < kTexts; ++i) store.addCopy(0, 1, text);
    EXPECT_LT(heap.requests(), kTexts + 200);
}

TEST(PeakMemory, LongAndShortTextsLeaveNoHalfEmptyBlocks) {
    // Texts a little over half a block of short texts each, with a short one between.
    constexpr std::int64_t kPairs = 200;
    const std::string longText(33 * 1024, 'x'), shortText(100, 'y');
    EntryStore store;
    const HeapCount heap;
    for (std::int64_t i = 0; i < kPairs; ++i) {
        store.addCopy(0, 1, longText);
        store.addCopy(0, 1, shortText);
    }
    store.finish();
    const auto texts = static_cast<double>(kPairs * (longText.size() + shortText.size()));
    EXPECT_LT(static_cast<double>(heap.live()), 1.05 * texts);
}

std::string repeated(std::string_view piece, std::size_t bytes) {
    std::string text;
    text.reserve(bytes + piece.size());
    while (text.size() < bytes) text += piece;
    return text;
}

TEST(PeakMemory, RecordsAreReservedForLinesThatCanHoldEntries) {
    const struct {
        const char* description;
        std::string file;
        std::size_t most;  // records reserved
    } files[] = {
        {"blank lines", repeated("\n", 1'000'000) + "{0}{1}x", 2},
        {"blank lines ended by CR LF", repeated("\r\n", 1'000'000) + "{0}{1}x\r\n", 2},
        {"lines of blanks: by the length", repeated(" \n", 1'000'000) + "{0}{1}x", 142'859},
        {"a line each: by the lines", repeated("{0}{1}x\n", 800'000), 100'001},
        {"ended by CR LF", repeated("{0}{1}x\r\n", 900'000), 100'001},
        {"ended by CR", repeated("{0}{1}x\r", 800'000), 100'001},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.description);
        EntryStore entries(String(file.file.c_str()));
        ASSERT_TRUE(parseMicroDVD(entries, FrameRate{25, 1}, MicroDVDReading::Lenient));
        EXPECT_GE(entries.records().capacity(), entries.size());
        EXPECT_LE(entries.records().capacity(), file.most);
    }
}

// The worst shapes found, each about 2 MB: the peak of open over the file's size.
TEST(PeakMemory, OpenHoldsAFewTimesTheFileAtMost) {
    constexpr std::size_t kSize = 2'000'000;
    std::string typical;
    for (int i = 0; typical.size() < kSize; ++i) {
        const std::string frames =
            "{" + std::to_string(i * 50) + "}{" + std::to_string(i * 50 + 40) + "}";
        typical += frames + (i % 4 == 1   ? "{y:i}Gdzie jest latarnik?|- Na g\xC3\xB3rze.\r\n"
                             : i % 4 == 3 ? "{c:$0000FF}Zielone znaczy wolny port.\r\n"
                                          : "\xC5\xBB\x61\x64nych statk\xC3\xB3w dzi\xC5\x9B.\r\n");
    }
    const struct {
        const char* description;
        std::string file;
        bool lenient;
        double most;  // times the file
    } shapes[] = {
        {"typical", typical, false, 3},
        {"typical leniently", typical, true, 3},
        {"one line of slashes", "{0}{1}" + repeated("/", kSize) + "\n", false, 8},
        {"one line of slashes leniently", "{0}{1}" + repeated("/", kSize) + "\n", true, 8},
        {"long lines of slashes leniently",
         repeated("{0}{1}" + repeated("/", 99'990) + "\n", kSize), true, 8},
        {"ill-formed UTF-8", repeated("{0}{1}" + std::string(1000, '\xFF') + "\n", kSize), false,
         8},
        {"ill-formed UTF-8 in one coded line", "{0}{1}{y:ib}" + std::string(kSize, '\xFF'), false,
         8},
        {"blank lines leniently", "{0}{1}x" + repeated("\n", kSize) + "{0}{1}x", true, 8},
        {"{0}{0}x lines", repeated("{0}{0}x\n", kSize), false, 8},
        {"{0}{}x lines leniently", repeated("{0}{}x\n", kSize), true, 8},
        {"open-ended lines of a face code leniently", repeated("{0}{}{f:\"}\n", kSize), true, 8},
        {"sizes leniently", "{0}{1}" + repeated("{s:1}", kSize) + "x", true, 8},
        {"sizes on many lines leniently", "{0}{1}" + repeated("{s:1}|", kSize) + "x", true, 8},
        {"italics on many lines leniently", "{0}{1}" + repeated("/|", kSize) + "x", true, 8},
        {"a face of quotes leniently", "{0}{1}{f:" + std::string(kSize, '"') + "}x", true, 8},
    };
    const Testing::TempFolder folder;
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.description);
        const Host::FileUrl url(Testing::fileUrl(folder.write("shape.sub", shape.file)));
        double ratio = 0;
        {
            Host::ContainerSession session(
                [](PluginHost* host) { return new MicroDVDContainer(host); });
            session.context().set(Host::Settings::frameRateFramesPerSeconds(25, 1));
            if (shape.lenient) session.context().set(Host::Settings::lenientReading(true));
            const HeapCount heap;
            ASSERT_EQ(session.open(url), Host::ContainerSession::OpenOutcome::Opened);
            ratio = static_cast<double>(heap.peak()) / static_cast<double>(shape.file.size());
        }
        EXPECT_LT(ratio, shape.most);
    }
}

}  // namespace
}  // namespace Tork
