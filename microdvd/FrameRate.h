// Frame rates of MicroDVD files: the declaration line and frame-to-time conversion.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace Tork {

/// numerator / denominator frames per second. The numerator is never 0.
struct FrameRate {
    std::uint64_t numerator = 24000;
    std::uint64_t denominator = 1001;

    /// frame × denominator × 1000 / numerator, exact, then its low 32 bits. The frame
    /// is read as an unsigned 32-bit value.
    std::uint32_t toMilliseconds(std::int32_t frame) const;

    bool operator==(const FrameRate&) const = default;
};

/// FrameRate::toMilliseconds for one rate, its fraction reduced once: at a rate whose
/// frames last whole milliseconds a time is a multiplication, at most others a 32-bit
/// division; the rest go the general way. Always the same answer.
class FrameClock {
public:
    explicit FrameClock(FrameRate rate) noexcept;

    std::uint32_t toMilliseconds(std::int32_t frame) const {
        const std::uint64_t frames = static_cast<std::uint32_t>(frame);
        // The low 32 bits of the product are those of the exact one, wrapped or not.
        if (divisor_ == 1) return static_cast<std::uint32_t>(frames * multiplier_);
        if (frames < smallFrames_)
            return static_cast<std::uint32_t>(frames * multiplier_) / divisor_;
        return rate_.toMilliseconds(frame);
    }

private:
    FrameRate rate_;
    std::uint64_t multiplier_ = 0;   // denominator × 1000 over their common divisor
    std::uint32_t divisor_ = 0;      // numerator likewise; 0 when it takes more than 32 bits
    std::uint64_t smallFrames_ = 0;  // below this frames × multiplier fits 32 bits
};

/// What a {1}{1} line's text says about the rate.
struct FrameRateDeclaration {
    enum class Kind {
        NotDeclaration,  // an ordinary subtitle
        Unusable,        // declaration syntax, but no usable rate: the line is dropped
        Rate,
    };
    Kind kind = Kind::NotDeclaration;
    FrameRate rate;
};

/// Reads "25", "23.976", "29,97", "30000/1001" or "30000\1001". A rate whose numerator
/// or denominator would be 0, or whose digits or power of ten exceed 64 bits, is Unusable.
FrameRateDeclaration parseFrameRateDeclaration(std::string_view text);

/// The rate a rate line's text states, above 3 and below 200 frames per second: a decimal
/// number (point or comma) at its start that the end, a blank or "fps" in any case follows
/// ("25.000", "23,976 fps", "25.000 movie info: XVID"); else the first such number that
/// "fps" follows anywhere ("4.37GB; 1280x704; 23.976fps."). None for any other text
/// ("1,5 km", "Hello").
std::optional<FrameRate> parseRateLine(std::string_view text);

}  // namespace Tork
