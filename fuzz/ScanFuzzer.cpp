// Every kernel of every instruction set this processor runs answers as the portable one does.
#include "fuzz/FuzzCheck.h"
#include "scan/Scan.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Tork::Scan {
namespace {

template <class Kernels>
void checkAgainstPortable(std::string_view text) {
    if (!Kernels::available()) return;
    const bool wellFormed = Portable::utf8(text);
    FUZZ_CHECK(Kernels::utf8(text) == wellFormed);
    std::size_t lines = 0;
    FUZZ_CHECK(Kernels::utf8CountingLines(text, lines) == wellFormed);
    const std::size_t filled = Portable::filledLines(text.data(), text.size());
    if (wellFormed) FUZZ_CHECK(lines == filled);
    FUZZ_CHECK(Kernels::filledLines(text.data(), text.size()) == filled);
    for (std::size_t from = 0; from <= text.size(); from = Portable::asciiRun(text, from) + 1)
        FUZZ_CHECK(Kernels::asciiRun(text, from) == Portable::asciiRun(text, from));
    FUZZ_CHECK(Kernels::mayHoldControl(text) == Portable::mayHoldControl(text));
    for (const bool controls : {false, true}) {
        for (std::size_t from = 0; from <= text.size();) {
            const std::size_t next = Portable::nextByteOf(text, from, '&', '<', '"', controls);
            FUZZ_CHECK(Kernels::nextByteOf(text, from, '&', '<', '"', controls) == next);
            from = next + 1;
        }
    }
    for (const bool escaped : {false, true}) {
        const CueMarks marks = Kernels::cueMarks(text, escaped);
        const CueMarks portable = Portable::cueMarks(text, escaped);
        FUZZ_CHECK(marks.other == portable.other);
        if (!marks.other) FUZZ_CHECK(marks.tagged == portable.tagged);
    }
    std::string replaced(text), expected(text);
    FUZZ_CHECK(Kernels::barsToLineFeeds(replaced.data(), replaced.size(), '/', '\\', '{') ==
               Portable::barsToLineFeeds(expected.data(), expected.size(), '/', '\\', '{'));
    FUZZ_CHECK(replaced == expected);
    // Line ends from each line's start, as the splitter asks for them.
    std::string copy(text);
    char* const end = copy.data() + copy.size();
    for (char* at = copy.data(); at < end;) {
        bool exact = false, seen = false;
        char* const stop = Portable::lineEndByByte(at, end, exact);
        FUZZ_CHECK(Kernels::lineEnd(at, end, seen) == stop && (seen || !exact));
        at = stop + 1;
    }
    const auto* units = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t count = text.size() / 2;
    const std::size_t run = Portable::asciiUnits(units, count);
    FUZZ_CHECK(Kernels::asciiUnits(units, count) == run);
    std::string narrowed(count, '#'), portable(count, '#');
    FUZZ_CHECK(Kernels::narrowAsciiUnits(units, count,
                                         reinterpret_cast<unsigned char*>(narrowed.data())) == run);
    Portable::narrowAsciiUnits(units, count, reinterpret_cast<unsigned char*>(portable.data()));
    FUZZ_CHECK(narrowed == portable);
}

}  // namespace
}  // namespace Tork::Scan

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace Tork::Scan;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
#if TORK_SCAN_X86_64
    checkAgainstPortable<Sse2>(text);
    checkAgainstPortable<Avx2>(text);
#endif
    // The run-time choice is one of them.
    std::size_t lines = 0;
    FUZZ_CHECK(isWellFormedUtf8(text) == Portable::utf8(text));
    FUZZ_CHECK(isWellFormedUtf8CountingLines(text, lines) == Portable::utf8(text));
    return 0;
}
