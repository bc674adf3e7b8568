// Splits a MicroDVD text into lines in place.
#pragma once

#include "scan/Scan.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace Tork {

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
        position_ = Scan::lineEnd(position_, end_, bar);
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
