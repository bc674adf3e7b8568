// How fast open reads, converts, parses and sorts a MicroDVD file, what each entry costs in
// memory, and what open holds at its peak over the file's size on the worst shapes of file
// found (BM_PeakMemory; `--benchmark_filter=PeakMemory` runs only those). Run, in one line:
//   GLIBC_TUNABLES=glibc.malloc.trim_threshold=4000000000:glibc.malloc.mmap_threshold=4000000000
//   build/bin/microdvd_bench
// Without the tunables glibc hands freed memory back between runs, and where a page fault is
// slow (11-16 us on our build machines) the figures then measure faulting fresh pages in
// more than open, and depend on which benchmark ran before.
#include "host/ContainerSession.h"
#include "host/SettingsContext.h"
#include "microdvd/MicroDVDContainer.h"
#include "tests/support/MicroDVDText.h"
#include "tests/support/TempFolder.h"
#include "text/UCNVLibrary.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <string_view>

namespace {

// While `counting`, every heap request of the process is counted, so a container's cost
// shows whole; the speed runs leave it off.
std::atomic<bool> counting{false};
std::atomic<std::int64_t> liveBytes{0};
std::atomic<std::int64_t> peakBytes{0};
std::atomic<std::int64_t> liveBlocks{0};

void* counted(std::size_t size) {
    auto* block = static_cast<std::size_t*>(std::malloc(size + 16));
    if (!block) throw std::bad_alloc();
    *block = size;
    if (!counting.load(std::memory_order_relaxed)) return reinterpret_cast<char*>(block) + 16;
    const std::int64_t live = liveBytes += static_cast<std::int64_t>(size);
    ++liveBlocks;
    for (std::int64_t peak = peakBytes;
         live > peak && !peakBytes.compare_exchange_weak(peak, live);) {
    }
    return reinterpret_cast<char*>(block) + 16;
}

void uncounted(void* pointer) {
    if (!pointer) return;
    auto* block = reinterpret_cast<std::size_t*>(static_cast<char*>(pointer) - 16);
    if (counting.load(std::memory_order_relaxed)) {
        liveBytes -= static_cast<std::int64_t>(*block);
        --liveBlocks;
    }
    std::free(block);
}

enum class Encoding { Utf8, Utf16, Windows1250 };

// UTF-16 little-endian with its signature, from UTF-8 that is ASCII but for two letters.
std::string toUtf16(const std::string& utf8) {
    std::u16string units = u"\uFEFF";
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            units += static_cast<char16_t>(byte);
        } else {  // two-byte sequences only in the generator
            units += static_cast<char16_t>(((byte & 0x1F) << 6) | (utf8[++i] & 0x3F));
        }
    }
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}

// windows-1250, from UTF-8 whose only letters beyond ASCII are the generator's two.
std::string toWindows1250(const std::string& utf8) {
    std::string bytes;
    bytes.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8.compare(i, 2, "\xC3\xBC") == 0) {  // ü
            bytes += '\xFC';
            ++i;
        } else if (utf8.compare(i, 2, "\xC4\x8D") == 0) {  // č
            bytes += '\xE8';
            ++i;
        } else {
            bytes += utf8[i];
        }
    }
    return bytes;
}

std::string encoded(const std::string& utf8, Encoding encoding) {
    switch (encoding) {
        case Encoding::Utf16:
            return toUtf16(utf8);
        case Encoding::Windows1250:
            return toWindows1250(utf8);
        case Encoding::Utf8:
            break;
    }
    return utf8;
}

// Gone with everything in it when the run ends.
const Tork::Testing::TempFolder& benchFolder() {
    static const Tork::Testing::TempFolder folder;
    return folder;
}

const std::string& sampleFile(std::size_t lines, Encoding encoding) {
    static std::map<std::pair<std::size_t, Encoding>, std::string> files;
    std::string& path = files[{lines, encoding}];
    if (path.empty()) {
        static const char* const suffixes[] = {"-utf8.sub", "-utf16.sub", "-1250.sub"};
        path = benchFolder().write(
            std::to_string(lines) + suffixes[static_cast<std::size_t>(encoding)],
            encoded(Tork::Testing::randomFilm(lines), encoding));
    }
    return path;
}

struct Opened {
    std::unique_ptr<Tork::Host::ContainerSession> session;
    bool ok;
};

enum class Reading { Default, LenientAndDetect, Windows1250, LenientWindows1250 };

// A component opened as a player opens one: settings, open, program selected.
Opened openOnce(const std::string& url, Reading reading) {
    auto session = std::make_unique<Tork::Host::ContainerSession>(
        [](Tork::PluginHost* host) { return new Tork::MicroDVDContainer(host); });
    session->context().set(Tork::Host::Settings::overrideEmbeddedSignature(false));
    if (reading == Reading::LenientAndDetect || reading == Reading::LenientWindows1250) {
        Tork::Host::setPlayerPreset(session->context());
    }
    if (reading == Reading::Windows1250 || reading == Reading::LenientWindows1250)
        session->context().set(Tork::Host::Settings::codePageName("windows-1250"));
    const bool ok = session->open(Tork::Host::FileUrl(url)) ==
                    Tork::Host::ContainerSession::OpenOutcome::Opened;
    return {std::move(session), ok};
}

void openFile(benchmark::State& state, Encoding encoding, Reading reading = Reading::Default) {
    const auto lines = static_cast<std::size_t>(state.range(0));
    const std::string& path = sampleFile(lines, encoding);
    const std::string url = "file://" + path;

    // Memory first, once: what open holds at its peak and keeps afterwards, per entry.
    const std::int64_t textBytes =
        static_cast<std::int64_t>(Tork::Testing::randomFilm(lines).size()) -
        static_cast<std::int64_t>(lines) * 14;  // less the braces
    counting = true;
    const std::int64_t before = liveBytes, blocksBefore = liveBlocks;
    peakBytes = before;
    Opened measured = openOnce(url, reading);
    const std::int64_t peak = peakBytes - before, kept = liveBytes - before;
    const std::int64_t blocks = liveBlocks - blocksBefore;
    measured.session.reset();
    counting = false;
    if (!measured.ok) state.SkipWithError("open failed");

    for (auto _ : state) {
        Opened opened = openOnce(url, reading);
        state.PauseTiming();
        opened.session.reset();
        state.ResumeTiming();
    }
    const auto entries = static_cast<double>(lines);
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines));
    state.counters["peak_B_per_entry"] = static_cast<double>(peak) / entries;
    // Requested bytes plus 16 of the heap's own per block, beyond the entries' text.
    state.counters["kept_beyond_text_B_per_entry"] =
        static_cast<double>(kept - textBytes + 16 * blocks) / entries;
}

void BM_OpenUtf8(benchmark::State& state) {
    openFile(state, Encoding::Utf8);
}
void BM_OpenUtf16(benchmark::State& state) {
    openFile(state, Encoding::Utf16);
}
// The host settings for files from the wild, on a file that needs neither.
void BM_OpenUtf8Lenient(benchmark::State& state) {
    openFile(state, Encoding::Utf8, Reading::LenientAndDetect);
}

// A legacy code page, through the system's ICU; skipped where there is none.
void BM_OpenWindows1250(benchmark::State& state) {
    if (!Tork::UCNVLibrary::instance()->usable()) {
        state.SkipWithError("no ICU on this system");
        return;
    }
    openFile(state, Encoding::Windows1250, Reading::Windows1250);
}

// What detection adds to the lenient reading of that file: the same open with the code page
// named (which detection then never runs for) and with it detected.
void BM_OpenWindows1250Named(benchmark::State& state) {
    if (!Tork::UCNVLibrary::instance()->usable()) {
        state.SkipWithError("no ICU on this system");
        return;
    }
    openFile(state, Encoding::Windows1250, Reading::LenientWindows1250);
}
void BM_OpenWindows1250Detected(benchmark::State& state) {
    if (!Tork::UCNVLibrary::instance()->usable()) {
        state.SkipWithError("no ICU on this system");
        return;
    }
    openFile(state, Encoding::Windows1250, Reading::LenientAndDetect);
}

// The shapes of file that cost open the most memory over their size, 8 MB each.
std::string repeated(std::string_view piece) {
    return Tork::Testing::repeated(piece, 8'000'000);
}

std::string typicalFile() {
    return Tork::Testing::randomFilm(170'000);  // 8 MB
}
std::string longLinesOfSlashes() {
    return repeated("{0}{1}" + std::string(99'993, '/') + "\n");
}
std::string oneLineOfSlashes() {
    return "{0}{1}" + repeated("/") + "\n";
}
std::string illFormedUtf8() {
    return repeated("{0}{1}" + std::string(1000, '\xFF') + "\n");
}
std::string illFormedCodedLine() {
    return "{0}{1}{y:ib}" + repeated("\xFF");
}
std::string blankLines() {
    return repeated("\n") + "{0}{1}x";
}
std::string shortestLines() {
    return repeated("{0}{0}x\n");
}
std::string openEndedLines() {
    return repeated("{0}{}x\n");
}
std::string sizeCodes() {
    return "{0}{1}" + repeated("{s:1}") + "x";
}
std::string faceOfQuotes() {
    return "{0}{1}{f:" + repeated("\"") + "}x";
}

// Peak over the file's size: everything open asks of the heap at once, the file's own
// text and the entries kept included.
void BM_PeakMemory(benchmark::State& state, std::string (*make)(), Reading reading) {
    std::string path;
    std::int64_t size = 0;
    {
        const std::string text = make();
        size = static_cast<std::int64_t>(text.size());
        path = benchFolder().write("shape.sub", text);
    }
    std::int64_t peak = 0;
    for (auto _ : state) {
        counting = true;
        const std::int64_t before = liveBytes;
        peakBytes = before;
        Opened opened = openOnce("file://" + path, reading);
        peak = peakBytes - before;
        opened.session.reset();
        counting = false;
        if (!opened.ok) state.SkipWithError("open failed");
    }
    std::filesystem::remove(path);
    state.counters["peak_over_file"] = static_cast<double>(peak) / static_cast<double>(size);
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
}

#define PEAK(name, make, reading)                         \
    BENCHMARK_CAPTURE(BM_PeakMemory, name, make, reading) \
        ->Iterations(1)                                   \
        ->Unit(benchmark::kMillisecond)
PEAK(typical, typicalFile, Reading::Default);
PEAK(typical_lenient, typicalFile, Reading::LenientAndDetect);
PEAK(long_lines_of_slashes, longLinesOfSlashes, Reading::Default);
PEAK(long_lines_of_slashes_lenient, longLinesOfSlashes, Reading::LenientAndDetect);
PEAK(one_line_of_slashes, oneLineOfSlashes, Reading::Default);
PEAK(one_line_of_slashes_lenient, oneLineOfSlashes, Reading::LenientAndDetect);
PEAK(ill_formed_utf8, illFormedUtf8, Reading::Default);
PEAK(ill_formed_utf8_in_a_coded_line, illFormedCodedLine, Reading::Default);
PEAK(blank_lines_lenient, blankLines, Reading::LenientAndDetect);
PEAK(lines_0_0_x, shortestLines, Reading::Default);
PEAK(lines_0_open_x_lenient, openEndedLines, Reading::LenientAndDetect);
PEAK(size_codes_lenient, sizeCodes, Reading::LenientAndDetect);
PEAK(face_of_quotes_lenient, faceOfQuotes, Reading::LenientAndDetect);

BENCHMARK(BM_OpenUtf8)->Arg(10000)->Arg(200000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenUtf16)->Arg(10000)->Arg(200000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenUtf8Lenient)->Arg(10000)->Arg(200000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenWindows1250)->Arg(10000)->Arg(200000)->Arg(1000000)->Unit(benchmark::kMillisecond);
// 2,000 lines are about 100 KB, a film's subtitles.
BENCHMARK(BM_OpenWindows1250Named)->Arg(2000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenWindows1250Detected)->Arg(2000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace

void* operator new(std::size_t size) {
    return counted(size);
}
void* operator new[](std::size_t size) {
    return counted(size);
}
void operator delete(void* pointer) noexcept {
    uncounted(pointer);
}
void operator delete[](void* pointer) noexcept {
    uncounted(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    uncounted(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    uncounted(pointer);
}
