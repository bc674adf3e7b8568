// Whole-file reads (as they are, repaired, converted, detected), detection alone and the
// one-time search for ICU.
#include "scan/Scan.h"
#include "tests/support/MicroDVDText.h"
#include "tests/support/TempFolder.h"
#include "text/CharsetDetection.h"
#include "text/ParserUtilities.h"
#include "text/UCNVLibrary.h"
#include "text/UCSDetLibrary.h"
#include "text/Utf.h"

#include <benchmark/benchmark.h>

#include <string>

namespace Tork {
namespace {

// About 1 MiB of MicroDVD lines; `accent` goes into every line.
std::string subtitleFile(const std::string& accent) {
    return Testing::MicroDVDLines()
        .text([&](std::size_t) { return "{y:i}Caf" + accent + " au lait|pour deux"; })
        .lineEnd("\r\n")
        .bytes(1u << 20);
}

void readFile(benchmark::State& state, const std::string& contents, const char* codePage,
              const UCSDetLibrary* detector = nullptr) {
    const Testing::TempFolder folder;
    const std::string file = folder.write("bench.sub", contents);
    ParserUtilities::EncodingSettings settings;
    if (codePage) settings.codePage = String(codePage, charAllocator());
    settings.detect = detector != nullptr;
    const String path(file);
    for (auto _ : state) {
        String out;
        if (!ParserUtilities::readTextFile(path, settings, &out, ParserUtilities::kWholeFile,
                                           ParserUtilities::ReadSize::Exact,
                                           UCNVLibrary::instance(), detector))
            state.SkipWithError("refused");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * contents.size()));
}

void BM_ReadUtf8AsItIs(benchmark::State& state) {
    readFile(state, subtitleFile("\xC3\xA9"), nullptr);
}
void BM_ReadLatin1Repaired(benchmark::State& state) {
    readFile(state, subtitleFile("\xE9"), nullptr);
}
void BM_ReadWindows1252Converted(benchmark::State& state) {
    readFile(state, subtitleFile("\xE9"), "windows-1252");
}
BENCHMARK(BM_ReadUtf8AsItIs);
BENCHMARK(BM_ReadLatin1Repaired);
// The same file with its encoding detected: what detection adds to the conversion.
void BM_ReadWindows1252Detected(benchmark::State& state) {
    readFile(state, subtitleFile("\xE9"), nullptr, UCSDetLibrary::instance());
}
BENCHMARK(BM_ReadWindows1252Converted);
BENCHMARK(BM_ReadWindows1252Detected);

// Detection alone, on the most of a file it looks at: Polish in windows-1250.
void BM_DetectCharset(benchmark::State& state) {
    const std::string text =
        Testing::MicroDVDLines()
            .text([](std::size_t) {
                return "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1|Dzi\xEA kuj\xEA";
            })
            .lineEnd("\r\n")
            .bytes(UCSDetLibrary::kMaxSample);
    const UCSDetLibrary* detector = UCSDetLibrary::instance();
    if (!detector || !detector->usable()) state.SkipWithError("no ICU i18n library");
    for (auto _ : state)
        if (detector)
            benchmark::DoNotOptimize(detectCharset(text, *detector, UCNVLibrary::instance()));
}
BENCHMARK(BM_DetectCharset)->Unit(benchmark::kMicrosecond);

void BM_StrictUtf8Check(benchmark::State& state) {
    const std::string text = subtitleFile("\xC3\xA9");
    for (auto _ : state) benchmark::DoNotOptimize(isWellFormedUtf8(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_StrictUtf8Check);

// The same check on the open benchmark's file (a two-byte letter every few words), alone
// (0), counting lines as open does (1), the line count alone (2), and counting lines on the
// file with its letters beyond ASCII made ASCII (3), as English files are.
void BM_Utf8CheckOfOpenFile(benchmark::State& state) {
    std::string text = Testing::randomFilm(20000);
    if (state.range(0) == 3) {
        std::erase_if(text, [](char c) { return static_cast<unsigned char>(c) >= 0xC0; });
        for (char& c : text) c = static_cast<unsigned char>(c) >= 0x80 ? 'u' : c;
    }
    std::size_t lines = 0;
    for (auto _ : state) {
        switch (state.range(0)) {
            case 0:
                benchmark::DoNotOptimize(Scan::isWellFormedUtf8(text));
                break;
            case 1:
                benchmark::DoNotOptimize(Scan::isWellFormedUtf8CountingLines(text, lines));
                break;
            case 2:
                benchmark::DoNotOptimize(Scan::filledLines(text.data(), text.size()));
                break;
            default:
                benchmark::DoNotOptimize(Scan::isWellFormedUtf8CountingLines(text, lines));
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Utf8CheckOfOpenFile)->DenseRange(0, 3);

// What the first conversion in a process pays; the system's ICU stays loaded meanwhile, as
// the process-wide binding holds it.
void BM_FindSystemIcu(benchmark::State& state) {
    (void)UCNVLibrary::instance();
    for (auto _ : state)
        benchmark::DoNotOptimize(UCNVLibrary(UCNVLibrary::systemCandidates()).usable());
}
void BM_FindNoIcu(benchmark::State& state) {
    std::vector<std::string> candidates;
    for (const auto& name : UCNVLibrary::systemCandidates()) candidates.push_back(name + ".absent");
    for (auto _ : state) benchmark::DoNotOptimize(UCNVLibrary(candidates).usable());
}
BENCHMARK(BM_FindSystemIcu)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindNoIcu)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace Tork
