// Writes MicroDVD files of a given size for the benchmarks.
#pragma once

#include <cstddef>
#include <random>
#include <string>

namespace Tork::Bench {

/// `lines` subtitles with varied text lengths, formatting codes and line breaks, after a
/// frame-rate declaration; the same text for the same arguments.
inline std::string makeMicroDVD(std::size_t lines, unsigned seed = 1) {
    static const char* const words[] = {"the",   "night", "was",  "cold", "and",   "quiet",
                                        "we",    "heard", "a",    "far",  "train", "calling",
                                        "close", "door",  "now!", "why?", "zürich", "čaj"};
    static const char* const codes[] = {"", "", "", "", "", "/", "{y:i}", "{y:b}", "{c:$0000FF}"};
    std::mt19937 random(seed);
    std::string text = "{1}{1}25\r\n";
    text.reserve(lines * 48);
    std::uint32_t frame = 10;
    for (std::size_t i = 0; i < lines; ++i) {
        const std::uint32_t length = 1 + random() % 40;
        text += '{' + std::to_string(frame) + "}{" + std::to_string(frame + length) + '}';
        text += codes[random() % std::size(codes)];
        const unsigned count = 2 + random() % 9;
        for (unsigned w = 0; w < count; ++w) {
            if (w) text += (random() % 7 == 0) ? '|' : ' ';
            text += words[random() % std::size(words)];
        }
        text += "\r\n";
        frame += length + random() % 20;
    }
    return text;
}

}  // namespace Tork::Bench
