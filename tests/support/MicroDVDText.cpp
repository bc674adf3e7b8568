// MicroDVD text made to order for tests, benchmarks and fuzzers.
#include "tests/support/MicroDVDText.h"

#include <cstdint>
#include <iterator>
#include <random>

namespace Tork::Testing {

namespace {

void appendLine(std::string& file, std::int64_t from, std::int64_t to, std::string_view text,
                std::string_view end) {
    file += '{' + std::to_string(from) + "}{" + std::to_string(to) + '}';
    file += text;
    file += end;
}

}  // namespace

std::string MicroDVDLines::make(std::size_t count, std::size_t size) const {
    std::string file = head_;
    if (size != SIZE_MAX) file.reserve(size + 256);
    for (std::size_t i = 0; i < count && file.size() < size; ++i) {
        const std::int64_t from =
            start_ ? start_(i) : first_ + static_cast<std::int64_t>(i) * step_;
        appendLine(file, from, from + shown_, text_ ? text_(i) : std::string(), end_);
    }
    return file;
}

std::string randomFilm(std::size_t lines, unsigned seed) {
    static const char* const words[] = {"the",   "night", "was",  "cold", "and",    "quiet",
                                        "we",    "heard", "a",    "far",  "train",  "calling",
                                        "close", "door",  "now!", "why?", "zürich", "čaj"};
    static const char* const codes[] = {"", "", "", "", "", "/", "{y:i}", "{y:b}", "{c:$0000FF}"};
    // mt19937's draws are fixed by the standard; the taking of them, in this order, is ours.
    std::mt19937 random(seed);
    std::string file = "{1}{1}25\r\n";
    file.reserve(lines * 48);
    std::uint32_t frame = 10;
    for (std::size_t i = 0; i < lines; ++i) {
        const std::uint32_t length = 1 + random() % 40;
        std::string text = codes[random() % std::size(codes)];
        const unsigned count = 2 + random() % 9;
        for (unsigned w = 0; w < count; ++w) {
            if (w) text += (random() % 7 == 0) ? '|' : ' ';
            text += words[random() % std::size(words)];
        }
        appendLine(file, frame, frame + length, text, "\r\n");
        frame += length + random() % 20;
    }
    return file;
}

std::string repeated(std::string_view piece, std::size_t bytes, std::string_view head) {
    std::string text(head);
    text.reserve(bytes + piece.size());
    while (text.size() < bytes) text += piece;
    return text;
}

}  // namespace Tork::Testing
