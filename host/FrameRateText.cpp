// A frame rate as people write it, read into the kit's type.
#include "host/FrameRateText.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

namespace Tork::Host {

std::optional<std::uint64_t> parseDigits(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    // Nineteen digits always fit.
    if (text.empty() || text.size() > 19 || error != std::errc() ||
        end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<FrameRatio> parseFrameRate(std::string_view text) {
    std::optional<std::uint64_t> frames, seconds;
    if (const auto bar = text.find('/'); bar != std::string_view::npos) {
        frames = parseDigits(text.substr(0, bar));
        seconds = parseDigits(text.substr(bar + 1));
    } else if (const auto point = text.find_first_of(".,"); point != std::string_view::npos) {
        const std::string_view fraction = text.substr(point + 1);
        // 10^9 is the largest power of ten that still fits the 32-bit seconds.
        if (fraction.size() > 9) return std::nullopt;
        frames = parseDigits(std::string(text.substr(0, point)) + std::string(fraction));
        seconds = 1;
        for (std::size_t i = 0; i < fraction.size(); ++i) *seconds *= 10;
        if (point == 0) frames.reset();
    } else {
        frames = parseDigits(text);
        seconds = 1;
    }
    constexpr std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
    if (!frames || !seconds || *frames == 0 || *seconds == 0 || *frames > limit ||
        *seconds > limit) {
        return std::nullopt;
    }
    return FrameRatio{static_cast<std::uint32_t>(*frames), static_cast<std::uint32_t>(*seconds)};
}

}  // namespace Tork::Host
