// The byte scans that reading and writing text spend their time in, each by the widest
// kernels this processor runs. Every instruction set's kernels (Portable, Sse2, Avx2) answer
// alike; the portable ones are the reference.
#pragma once

#include "scan/Avx2.h"
#include "scan/Isa.h"
#include "scan/Portable.h"
#include "scan/Sse2.h"

#include <cstddef>
#include <string_view>

namespace Tork::Scan {

/// The kernels every processor of this build runs, chosen when the program is built.
#if TORK_SCAN_X86_64
using Baseline = Sse2;
#else
using Baseline = Portable;
#endif

/// Whether every sequence of `text` is well-formed UTF-8.
[[nodiscard]] bool isWellFormedUtf8(std::string_view text) noexcept;

/// isWellFormedUtf8, and when it answers true also the text's filledLines in `filledLines`:
/// for a text that is split into lines next, in the same pass where the processor allows.
/// Both use AVX2 where the processor has it, chosen once.
[[nodiscard]] bool isWellFormedUtf8CountingLines(std::string_view text,
                                                 std::size_t& filledLines) noexcept;

// The rest, inline where they are called: SSE2 is part of x86-64, so nothing is chosen at
// run time. Each is documented with its portable kernel.

inline std::size_t asciiRun(std::string_view text, std::size_t from) noexcept {
    return Baseline::asciiRun(text, from);
}
inline std::size_t filledLines(const char* text, std::size_t length) noexcept {
    return Baseline::filledLines(text, length);
}
inline char* lineEnd(char* at, char* end, bool& bar) noexcept {
    return Baseline::lineEnd(at, end, bar);
}
inline bool barsToLineFeeds(char* text, std::size_t length, char a, char b, char c) noexcept {
    return Baseline::barsToLineFeeds(text, length, a, b, c);
}
inline bool mayHoldControl(std::string_view bytes) noexcept {
    return Baseline::mayHoldControl(bytes);
}
inline CueMarks cueMarks(std::string_view text, bool escaped) noexcept {
    return Baseline::cueMarks(text, escaped);
}
inline std::size_t nextByteOf(std::string_view text, std::size_t from, char a, char b, char c,
                              bool controls) noexcept {
    return Baseline::nextByteOf(text, from, a, b, c, controls);
}
inline std::size_t asciiUnits(const unsigned char* units, std::size_t count) noexcept {
    return Baseline::asciiUnits(units, count);
}
inline std::size_t narrowAsciiUnits(const unsigned char* units, std::size_t count,
                                    unsigned char* out) noexcept {
    return Baseline::narrowAsciiUnits(units, count, out);
}

}  // namespace Tork::Scan
