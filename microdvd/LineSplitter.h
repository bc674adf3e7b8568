// Splits a MicroDVD text into lines in place.
#pragma once

#include "text/ByteWords.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Tork {

/// The first CR, LF or zero byte from `at` on, or `end`, each way the splitter can look for
/// it; `bar` is set when a byte tested holds a bar, which may lie past the line's end.
namespace LineEnds {

inline bool isStop(char c) {
    return c == '\0' || c == '\r' || c == '\n';
}

inline char* plain(char* at, char* end, bool& bar) {
    bool bars = false;
    for (; at < end && !isStop(*at); ++at) bars |= *at == '|';
    bar = bars;
    return at;
}

// Lines are long and those bytes rare, so whole words are tested for any byte up to CR
// first.
inline char* words(char* at, char* end, bool& bar) {
    std::uint64_t bars = 0;
    while (end - at >= 8) {
        const std::uint64_t word = ByteWords::load(at);
        bars |= ByteWords::bytesEqual(word, '|');
        const std::uint64_t low = ByteWords::bytesBelow(word, '\r' + 1);
        if (!low) {
            at += 8;
            continue;
        }
        at += ByteWords::firstMarked(low);
        if (isStop(*at)) {
            bar = bars != 0;
            return at;
        }
        ++at;  // a tab or another control byte
    }
    at = plain(at, end, bar);
    bar |= bars != 0;
    return at;
}

#if defined(__SSE2__)
// Sixteen bytes a step, the three stops compared exactly; only the bars before the stop
// count, so that a line without one is not searched for them again.
inline char* sse2(char* at, char* end, bool& bar) {
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128(), bars = _mm_set1_epi8('|');
    unsigned barsSeen = 0;
    while (end - at >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i stops =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)),
                         _mm_cmpeq_epi8(block, zero));
        const auto stopMask = static_cast<unsigned>(_mm_movemask_epi8(stops));
        const auto barMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, bars)));
        if (stopMask) {
            bar = (barsSeen | (barMask & (stopMask ^ (stopMask - 1)))) != 0;
            return at + std::countr_zero(stopMask);
        }
        barsSeen |= barMask;
        at += 16;
    }
    // Only the text's last bytes, once.
    at = plain(at, end, bar);
    bar |= barsSeen != 0;
    return at;
}
#endif

inline char* best(char* at, char* end, bool& bar) {
#if defined(__SSE2__)
    return sse2(at, end, bar);
#else
    return words(at, end, bar);
#endif
}

}  // namespace LineEnds

/// Walks a writable text: each line is terminated in place with a zero byte. Runs of CR
/// and LF are one separator, so no line is empty; the text ends at `length`, or before the
/// line that holds its first zero byte: its reader decides what the zero means there. Lines
/// are numbered from `firstNumber` on.
class LineSplitter {
public:
    struct Line {
        char* start;
        std::size_t length;  // the line's bytes, without the separator
        bool terminated;     // a separator ended it
        std::size_t number;  // 1-based, as an editor counts lines: CR LF, CR and LF each end one
        bool mayHoldBar;     // false only when the line holds no '|', MicroDVD's line break
        std::string_view view() const { return {start, length}; }
    };

    LineSplitter(char* text, std::size_t length, std::size_t firstNumber = 1)
        : position_(text), end_(text + length), number_(firstNumber) {}

    /// The next line, or nothing at the end of the text.
    std::optional<Line> next() {
        for (; position_ < end_ && isSeparator(*position_); ++position_) countBreak();
        if (position_ == end_) return std::nullopt;
        if (*position_ == '\0') {
            stopAt(position_);
            return std::nullopt;
        }
        char* start = position_;
        bool bar = false;
        position_ = LineEnds::best(position_, end_, bar);
        Line line{start, static_cast<std::size_t>(position_ - start), false, number_, bar};
        if (position_ < end_ && *position_ != '\0') {
            line.terminated = true;
            countBreak();  // before the zero overwrites it
            *position_++ = '\0';
        } else if (position_ < end_) {
            stopAt(start);
            return std::nullopt;
        }
        return line;
    }

    /// The zero byte that ended the text before its length, once a line has stopped there;
    /// null until then, and for a text without one.
    char* zero() const { return zero_; }
    /// Where the lines ended: at the text's end, or at the start of the line that holds
    /// zero().
    char* position() const { return position_; }
    /// The number of the line that starts at position().
    std::size_t number() const { return number_; }

private:
    static bool isSeparator(char c) { return c == '\r' || c == '\n'; }

    // The separator at the position ends a line unless it is the CR of a CR LF.
    void countBreak() {
        if (*position_ != '\r' || position_ + 1 == end_ || position_[1] != '\n') ++number_;
    }

    // At the zero byte at the position, which lies on the line from `lineStart` on.
    void stopAt(char* lineStart) {
        zero_ = position_;
        position_ = end_ = lineStart;
    }

    char* position_;
    char* end_;
    std::size_t number_;
    char* zero_ = nullptr;
};

}  // namespace Tork
