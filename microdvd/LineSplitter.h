// Splits a MicroDVD text into lines in place.
#pragma once

#include <cstddef>
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
        std::string_view view() const { return {start, length}; }
    };

    LineSplitter(char* text, std::size_t length) : position_(text), end_(text + length) {}

    /// The next line, or nothing at the end of the text.
    std::optional<Line> next() {
        while (position_ < end_ && isSeparator(*position_)) ++position_;
        if (position_ == end_ || *position_ == '\0') return std::nullopt;
        char* start = position_;
        while (position_ < end_ && *position_ != '\0' && !isSeparator(*position_)) ++position_;
        Line line{start, static_cast<std::size_t>(position_ - start), false};
        if (position_ < end_ && *position_ != '\0') {
            line.terminated = true;
            *position_++ = '\0';
        } else {
            end_ = position_;  // a zero byte ends the whole text
        }
        return line;
    }

private:
    static bool isSeparator(char c) { return c == '\r' || c == '\n'; }

    char* position_;
    char* end_;
};

}  // namespace Tork
