// Splits a MicroDVD text into lines in place.
#pragma once

#include "text/ByteWords.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace Tork {

/// Walks a writable text: each line is terminated in place with a zero byte. Runs of CR
/// and LF are one separator, so no line is empty; the text ends at its first zero byte
/// or at `length`, whichever comes first.
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

    LineSplitter(char* text, std::size_t length) : position_(text), end_(text + length) {}

    /// The next line, or nothing at the end of the text.
    std::optional<Line> next() {
        for (; position_ < end_ && isSeparator(*position_); ++position_) countBreak();
        if (position_ == end_ || *position_ == '\0') return std::nullopt;
        char* start = position_;
        bool bar = false;
        position_ = lineEnd(position_, end_, bar);
        Line line{start, static_cast<std::size_t>(position_ - start), false, number_, bar};
        if (position_ < end_ && *position_ != '\0') {
            line.terminated = true;
            countBreak();  // before the zero overwrites it
            *position_++ = '\0';
        } else {
            end_ = position_;  // a zero byte ends the whole text
        }
        return line;
    }

private:
    static bool isSeparator(char c) { return c == '\r' || c == '\n'; }

    // The first CR, LF or zero byte from `at` on, or `end`. Lines are long and those bytes
    // rare, so whole words are tested for any byte up to CR first; `bar` is set when a word
    // tested holds a bar, even past the line's end.
    static char* lineEnd(char* at, char* end, bool& bar) {
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
            if (*at == '\0' || isSeparator(*at)) {
                bar = bars != 0;
                return at;
            }
            ++at;  // a tab or another control byte
        }
        for (; at < end && *at != '\0' && !isSeparator(*at); ++at) bars |= *at == '|';
        bar = bars != 0;
        return at;
    }

    // The separator at the position ends a line unless it is the CR of a CR LF.
    void countBreak() {
        if (*position_ != '\r' || position_ + 1 == end_ || position_[1] != '\n') ++number_;
    }

    char* position_;
    char* end_;
    std::size_t number_ = 1;
};

}  // namespace Tork
