// MicroDVD text made to order for tests, benchmarks and fuzzers: one home for every shape.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace Tork::Testing {

/// A file of frame lines after an optional head: line i is "{from}{from + shown}", its text
/// and its end, where `from` is first + i * step unless starts are given. By default lines
/// start every 50 frames from 0, last 40 and end in LF, with no text.
class MicroDVDLines {
public:
    MicroDVDLines& head(std::string text) {
        head_ = std::move(text);
        return *this;
    }
    MicroDVDLines& frames(std::int64_t first, std::int64_t step, std::int64_t shown) {
        first_ = first, step_ = step, shown_ = shown;
        return *this;
    }
    MicroDVDLines& starts(std::function<std::int64_t(std::size_t)> start, std::int64_t shown) {
        start_ = std::move(start), shown_ = shown;
        return *this;
    }
    MicroDVDLines& text(std::function<std::string(std::size_t)> text) {
        text_ = std::move(text);
        return *this;
    }
    MicroDVDLines& lineEnd(std::string end) {
        end_ = std::move(end);
        return *this;
    }

    /// The file of `count` lines.
    std::string lines(std::size_t count) const { return make(count, SIZE_MAX); }
    /// The file of as many lines as make it at least `size` bytes long.
    std::string bytes(std::size_t size) const { return make(SIZE_MAX, size); }

private:
    std::string make(std::size_t count, std::size_t size) const;

    std::string head_;
    std::int64_t first_ = 0, step_ = 50, shown_ = 40;
    std::function<std::int64_t(std::size_t)> start_;
    std::function<std::string(std::size_t)> text_;
    std::string end_ = "\n";
};

/// `lines` subtitles of a film after a 25 fps declaration: lines ended by CR LF, varied
/// lengths, gaps, formatting codes, line breaks and some non-ASCII words. The same text
/// for the same arguments on every platform, since benchmarks compare runs by it.
std::string randomFilm(std::size_t lines, unsigned seed = 1);

/// `head`, then `piece` until the whole is at least `bytes` long.
std::string repeated(std::string_view piece, std::size_t bytes, std::string_view head = {});

}  // namespace Tork::Testing
