#include "microdvd/FrameRate.h"

#include "microdvd/LineScanner.h"
#include "text/Ascii.h"

#include <cstdint>
#include <limits>
#include <numeric>

#ifndef __SIZEOF_INT128__
#include <boost/multiprecision/cpp_int.hpp>
#endif

namespace Tork {
namespace {

// A frame number times a 64-bit denominator times 1000 takes up to 106 bits.
#ifdef __SIZEOF_INT128__
__extension__ using Uint128 = unsigned __int128;
#else
using Uint128 = boost::multiprecision::uint128_t;  // 32-bit targets have no 128-bit type
#endif

using Kind = FrameRateDeclaration::Kind;

FrameRateDeclaration rate(std::int64_t numerator, std::int64_t denominator) {
    // A zero numerator would divide by zero later, a zero denominator make every time 0.
    if (numerator == 0 || denominator == 0) return {Kind::Unusable, {}};
    // Values read with %d widen with their sign, as the file's rate always has.
    return {Kind::Rate,
            {static_cast<std::uint64_t>(numerator), static_cast<std::uint64_t>(denominator)}};
}

// The digits of `text` without its decimal point, over 10 to the number after it.
FrameRateDeclaration decimalRate(std::string_view text, std::size_t point) {
    const std::size_t fractionDigits = text.size() - point - 1;
    const std::size_t digits = text.size() - 1;
    if (digits == 0) return {Kind::Unusable, {}};
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (char c : text) {
        if (c == '.' || c == ',') continue;
        if (value > (max - (c - '0')) / 10) return {Kind::Unusable, {}};
        value = value * 10 + (c - '0');
    }
    std::int64_t scale = 1;
    for (std::size_t i = 0; i < fractionDigits; ++i) {
        if (scale > max / 10) return {Kind::Unusable, {}};
        scale *= 10;
    }
    return rate(value, scale);
}

FrameRateDeclaration fractionRate(std::string_view text) {
    std::int32_t numerator = 0, denominator = 0;
    if (!scanInt32(text, numerator)) return {Kind::Unusable, {}};
    if (text.empty() || (text.front() != '/' && text.front() != '\\')) return {Kind::Unusable, {}};
    text.remove_prefix(1);
    if (!scanInt32(text, denominator)) return {Kind::Unusable, {}};
    return rate(numerator, denominator);
}

using Ascii::isBlank;
using Ascii::isDigit;

bool isPoint(char c) {
    return c == '.' || c == ',';
}

// The length of the decimal number at the start of `text` ("25", "23.976", "29,97"); 0
// when there is none.
std::size_t numberLength(std::string_view text) {
    std::size_t length = 0;
    while (length < text.size() && isDigit(text[length])) ++length;
    if (length > 0 && length + 1 < text.size() && isPoint(text[length]) &&
        isDigit(text[length + 1])) {
        length += 2;
        while (length < text.size() && isDigit(text[length])) ++length;
    }
    return length;
}

// Whether `rest`, what follows a number, begins with "fps" in any case, after blanks, as a
// word of its own.
bool fpsFollows(std::string_view rest) {
    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
    if (rest.size() < 3 || Ascii::lower(rest[0]) != 'f' || Ascii::lower(rest[1]) != 'p' ||
        Ascii::lower(rest[2]) != 's')
        return false;
    return rest.size() == 3 || !(Ascii::isLetter(rest[3]) || isDigit(rest[3]));
}

// The number of `length` bytes at the start of `text` as a rate, when it is one a film
// plays at: above 3 and below 200 frames per second.
std::optional<FrameRate> plausibleRate(std::string_view text, std::size_t length) {
    const FrameRateDeclaration number = parseFrameRateDeclaration(text.substr(0, length));
    if (number.kind != Kind::Rate) return std::nullopt;
    const FrameRate found = number.rate;
    const auto scaled = [&](std::uint64_t factor) { return Uint128{found.denominator} * factor; };
    if (found.numerator <= scaled(3) || found.numerator >= scaled(200)) return std::nullopt;
    return found;
}

}  // namespace

std::uint32_t FrameRate::toMilliseconds(std::int32_t frame) const {
    const std::uint64_t frames = static_cast<std::uint32_t>(frame);
    // Nearly every rate's denominator is small enough for the product to fit 64 bits, and
    // dividing that is several times cheaper.
    if (denominator < (std::uint64_t{1} << 32) / 1000)
        return static_cast<std::uint32_t>(frames * denominator * 1000u / numerator);
    const auto product = static_cast<Uint128>(frames) * denominator * 1000u;
    // The low 32 bits of the quotient.
    return static_cast<std::uint32_t>(
        static_cast<std::uint64_t>((product / numerator) & 0xFFFFFFFFu));
}

FrameClock::FrameClock(FrameRate rate) noexcept : rate_(rate) {
    // Beyond this the product takes more than 64 bits: every time goes the general way.
    if (rate.denominator >= (std::uint64_t{1} << 32)) return;
    const std::uint64_t scaled = rate.denominator * 1000u;
    const std::uint64_t common = std::gcd(scaled, rate.numerator);
    const std::uint64_t divisor = rate.numerator / common;
    multiplier_ = scaled / common;
    if (divisor > UINT32_MAX) return;
    divisor_ = static_cast<std::uint32_t>(divisor);
    if (multiplier_ != 0) smallFrames_ = UINT32_MAX / multiplier_ + 1;
}

FrameRateDeclaration parseFrameRateDeclaration(std::string_view text) {
    std::size_t separator = std::string_view::npos;
    bool fraction = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isDigit(c)) continue;
        const bool point = c == '.' || c == ',';
        const bool bar = c == '/' || c == '\\';
        if ((!point && !bar) || separator != std::string_view::npos) return {};
        separator = i;
        fraction = bar;
    }
    if (text.empty()) return {};
    if (separator == std::string_view::npos) {
        std::int32_t value = 0;
        if (!scanInt32(text, value)) return {Kind::Unusable, {}};
        return rate(value, 1);
    }
    return fraction ? fractionRate(text) : decimalRate(text, separator);
}

std::optional<FrameRate> parseRateLine(std::string_view text) {
    // Release notes begin with the rate ("25.000 movie info: XVID 608x256 25.0fps") or write
    // sizes before it ("4.37GB; 1280x704; 23.976fps."): a leading number counts only when a
    // word ends with it, else a number that "fps" follows.
    if (const std::size_t length = numberLength(text); length > 0) {
        const std::string_view rest = text.substr(length);
        if (rest.empty() || isBlank(rest.front()) || fpsFollows(rest)) {
            if (const auto rate = plausibleRate(text, length)) return rate;
        }
    }
    for (std::size_t at = 0; at < text.size();) {
        // A number's own digits or fraction are no number of their own.
        const bool starts = isDigit(text[at]) && (at == 0 || !isDigit(text[at - 1])) &&
                            !(at >= 2 && isPoint(text[at - 1]) && isDigit(text[at - 2]));
        if (!starts) {
            ++at;
            continue;
        }
        const std::size_t length = numberLength(text.substr(at));
        if (fpsFollows(text.substr(at + length))) {
            if (const auto rate = plausibleRate(text.substr(at), length)) return rate;
        }
        at += length;
    }
    return std::nullopt;
}

}  // namespace Tork
