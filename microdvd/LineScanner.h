// Reads the two frame groups at the start of a MicroDVD line.
#pragma once

#include "scan/ByteWords.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace Tork {

struct ScannedLine {
    /// What sscanf(line, "{%d}{%d}%[^\r\n]\n", ...) would answer: -1 when the line ends
    /// before the first conversion, else the number of conversions (0 to 3).
    int conversions = 0;
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::string_view text;  // the rest of the line when conversions is 3
};

/// Scans `line` (a zero byte ends it) exactly as the scan format
/// "{%d}{%d}%[^\r\n]\n" does: white space and a sign may precede each number, nothing may
/// stand between the groups. Numbers beyond the 32-bit range saturate at its limits.
ScannedLine scanLine(std::string_view line);

/// The same for a line known to hold no zero byte, CR or LF, as the line splitter hands
/// them out: nothing is searched for them.
inline ScannedLine scanSplitLine(std::string_view line);

/// scanSplitLine for any line; that one takes the common case inline and only the rest here.
ScannedLine scanSplitLineInFull(std::string_view line);

/// What the lenient reading makes of one line.
struct LenientLine {
    enum class Shape : std::uint8_t {
        Frames,    // "{start}{end}text" or "{start}{}text"
        Blank,     // white space only
        NoFrames,  // anything else
    };
    Shape shape = Shape::NoFrames;
    std::int32_t start = 0;
    std::optional<std::int32_t> end;  // none for an empty end group
    std::string_view text;            // without white space at either end; may be empty
};

/// Scans a split line (no zero byte, CR or LF) as hand-edited files write it: spaces and
/// tabs, and a UTF-8 signature at its start, may also stand before the first brace; blanks
/// after each number and between the groups; the end group may be empty. Numbers are read
/// as scanInt32 reads them.
LenientLine scanLenientLine(std::string_view line);

/// Reads a decimal integer at `text` as "%d" does (leading white space, a sign, at least
/// one digit), saturating at the 32-bit limits. Advances `text` past it; false, with
/// `text` unchanged, when there is no number.
[[nodiscard]] bool scanInt32(std::string_view& text, std::int32_t& value);

namespace LineScannerDetail {

// The value of the `count` (1 to 8) decimal digits at the start of `word`, in memory order;
// what follows them is ignored. Three multiplications instead of a loop whose exit is
// mispredicted at nearly every group.
inline std::int32_t digitsValue(std::uint64_t word, std::size_t count) {
    word = (word & 0x0F0F0F0F0F0F0F0Fu) << (8 * (8 - count));  // leading zeros below
    word = (word * (10 * 256 + 1)) >> 8 & 0x00FF00FF00FF00FFu;
    word = (word * (100 * 65536 + 1)) >> 16 & 0x0000FFFF0000FFFFu;
    return static_cast<std::int32_t>((word * (10000 * (std::uint64_t{1} << 32) + 1)) >> 32);
}

// "{", one to nine digits and "}" at `at`, the form of nearly every group in a file: its
// value, and `at` past it. False, with `at` anywhere, for anything else.
inline bool bareGroup(const char*& at, const char* end, std::int32_t& value) {
    if (at == end || *at != '{') return false;
    const char* const digits = ++at;
    if constexpr (std::endian::native == std::endian::little) {
        // Up to eight digits in the line's next eight bytes, and the brace after them: frames
        // pass 10^7 in a long film's last hours. Eight digits are a word without a mark.
        if (end - at > 8) {
            const std::uint64_t word = ByteWords::load(at);
            const std::uint64_t notDigits =
                ~(ByteWords::bytesBelow(word, '9' + 1) & ~ByteWords::bytesBelow(word, '0')) &
                ByteWords::kHigh;
            const auto count = static_cast<std::size_t>(std::countr_zero(notDigits)) / 8;
            if (count != 0 && at[count] == '}') {
                value = digitsValue(word, count);
                at += count + 1;
                return true;
            }
            if (count < 8) return false;  // nine digits are read below
        }
    }
    const char* const limit = end - at > 9 ? at + 9 : end;
    std::int32_t number = 0;
    for (; at < limit && static_cast<unsigned char>(*at - '0') < 10; ++at)
        number = number * 10 + (*at - '0');
    if (at == digits || at == end || *at != '}') return false;
    value = number;
    ++at;
    return true;
}

// The common case of scanLenientLine, "{digits}{digits}text": the frames, and the text
// without blanks at either end. False for any other line. Inline, so that a caller's result
// stays in registers: one returned through memory and copied whole stalls on every line.
inline bool bareFramesLine(std::string_view line, std::int32_t& start, std::int32_t& end,
                           std::string_view& text) {
    const char* at = line.data();
    const char* last = at + line.size();
    if (!bareGroup(at, last, start) || !bareGroup(at, last, end)) return false;
    while (at != last && (*at == ' ' || *at == '\t')) ++at;
    while (last != at && (last[-1] == ' ' || last[-1] == '\t')) --last;
    text = {at, static_cast<std::size_t>(last - at)};
    return true;
}

}  // namespace LineScannerDetail

inline ScannedLine scanSplitLine(std::string_view line) {
    const char* at = line.data();
    const char* const end = at + line.size();
    ScannedLine result;
    if (!LineScannerDetail::bareGroup(at, end, result.start) ||
        !LineScannerDetail::bareGroup(at, end, result.end))
        return scanSplitLineInFull(line);
    result.text = {at, static_cast<std::size_t>(end - at)};
    result.conversions = result.text.empty() ? 2 : 3;
    return result;
}

}  // namespace Tork
