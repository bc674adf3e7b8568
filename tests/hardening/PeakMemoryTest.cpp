// Memory on hostile files: what open holds at its peak over the file's size, and how the
// entry store grows. Every heap request of the program is counted while a test arms it.
#include "host/ContainerSession.h"
#include "host/HostSettings.h"
#include "microdvd/MicroDVDContainer.h"
#include "microdvd/MicroDVDParser.h"
#include "subtitle/EntryStore.h"
#include "tests/support/MicroDVDText.h"
#include "tests/support/TempFolder.h"
#ifdef TORK_WITH_SUBPLAY
#include "tools/subplay/Stream.h"
#include "tools/subplay/Writers.h"
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <ostream>
#include <streambuf>
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

using Testing::repeated;

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
    const std::string typical =
        Testing::MicroDVDLines()
            .text([](std::size_t i) {
                return i % 4 == 1   ? "{y:i}Gdzie jest latarnik?|- Na g\xC3\xB3rze."
                       : i % 4 == 3 ? "{c:$0000FF}Zielone znaczy wolny port."
                                    : "\xC5\xBB\x61\x64nych statk\xC3\xB3w dzi\xC5\x9B.";
            })
            .lineEnd("\r\n")
            .bytes(kSize);
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

#ifdef TORK_WITH_SUBPLAY
// Takes the output and keeps none of it.
class Discard : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize size) override { return size; }
};

// Hands entries on and remembers the largest text: the chunk the plug-in made for it.
class LargestText : public Subplay::EntryWriter {
public:
    explicit LargestText(Subplay::EntryWriter& next) : next_(next) {}
    void begin(const Subplay::StreamDescription& stream) override { next_.begin(stream); }
    void write(const Subplay::EntryView& entry) override {
        largest = std::max(largest, entry.text.size());
        next_.write(entry);
    }
    void end() override { next_.end(); }
    std::size_t largest = 0;

private:
    Subplay::EntryWriter& next_;
};

// subplay kept copies of each entry on top of the plug-in's: the chunk's text, a repair, the
// output of the whole entry, and MicroDVD's lines a string pair each (16 MB of "/|" took
// 1.2 GB). What it adds while it reads and writes, beyond the chunk the plug-in hands out,
// stays within 4 times the file, for every format, and grows with the file, not faster.
TEST(PeakMemory, SubplayAddsLittleToWhatThePluginHolds) {
    const struct {
        const char* description;
        std::string (*file)(std::size_t size);
    } shapes[] = {
        {"italics on many lines",
         [](std::size_t size) { return "{0}{1}" + repeated("/|", size) + "x\n"; }},
        {"controls, each printed as U+FFFD",
         [](std::size_t size) { return "{0}{1}" + repeated("a\x01", size) + "\n"; }},
        {"quotes that JSON escapes",
         [](std::size_t size) { return "{0}{1}" + repeated("\"\\", size) + "\n"; }},
        {"blank lines in a cue",
         [](std::size_t size) { return "{0}{1}" + repeated(" |", size) + "x\n"; }},
        {"one long line",
         [](std::size_t size) { return "{0}{1}" + repeated("word ", size) + "\n"; }},
        {"colours on many lines",
         [](std::size_t size) { return "{0}{1}" + repeated("{c:$0000FF}x|", size) + "\n"; }},
        {"many short entries", [](std::size_t size) { return repeated("{0}{1}{y:i}x\n", size); }},
    };
    const Subplay::OutputFormat formats[] = {
        Subplay::OutputFormat::Text, Subplay::OutputFormat::Srt, Subplay::OutputFormat::Vtt,
        Subplay::OutputFormat::Json, Subplay::OutputFormat::Sub};
    const Testing::TempFolder folder;
    for (const auto& shape : shapes) {
        for (const Subplay::OutputFormat format : formats) {
            SCOPED_TRACE(std::string(shape.description) + ", format " +
                         std::to_string(static_cast<int>(format)));
            std::int64_t added[2] = {};
            const std::size_t sizes[2] = {2'000'000, 6'000'000};
            for (int i = 0; i < 2; ++i) {
                const std::string file = shape.file(sizes[i]);
                const Host::FileUrl url(Testing::fileUrl(folder.write("shape.sub", file)));
                Host::ContainerSession session(
                    [](PluginHost* host) { return new MicroDVDContainer(host); });
                session.context().set(Host::Settings::frameRateFramesPerSeconds(25, 1));
                session.context().set(Host::Settings::lenientReading(true));
                ASSERT_EQ(session.open(url), Host::ContainerSession::OpenOutcome::Opened);
                Discard discard;
                std::ostream out(&discard);
                Subplay::StreamDescription description;
                description.report = session.report();
                std::int64_t peak = 0;
                std::size_t largest = 0;
                {
                    const HeapCount heap;
                    const auto writer = Subplay::makeWriter(format, out);
                    LargestText watched(*writer);
                    (void)Subplay::readAll(*session.stream(), session.clock(), description,
                                           watched);
                    peak = heap.peak();
                    largest = watched.largest;
                }
                added[i] = peak - static_cast<std::int64_t>(largest);
                EXPECT_LT(static_cast<double>(added[i]), 4.0 * static_cast<double>(file.size()));
            }
            // Three times the file, at most three times as much and a little.
            EXPECT_LT(added[1], 3 * added[0] + (1 << 20));
        }
    }
}
#endif

}  // namespace
}  // namespace Tork
