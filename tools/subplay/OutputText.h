// How subplay spells what it writes, for its writers and its reports alike: numbers, times,
// text made safe to show, JSON strings and encoding names.
#pragma once

#include "text/Utf.h"

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace Tork::Subplay {

/// U+FFFD, which stands for whatever is not shown as it is.
inline constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

/// `value` in decimal, straight into `out`, as appendTime writes.
template <class Number>
void appendNumber(std::string& out, Number value) {
    const std::size_t at = out.size();
    out.resize(at + 24);
    out.resize(static_cast<std::size_t>(
        std::to_chars(out.data() + at, out.data() + out.size(), value).ptr - out.data()));
}

// "00" to "99" and "000" to "999", for the parts of a time.
template <std::size_t Digits, std::size_t Count>
constexpr auto digitTable() {
    std::array<std::array<char, Digits>, Count> table{};
    for (std::size_t i = 0; i < Count; ++i) {
        for (std::size_t at = Digits, rest = i; at-- > 0; rest /= 10)
            table[i][at] = static_cast<char>('0' + rest % 10);
    }
    return table;
}
inline constexpr auto kTwoDigits = digitTable<2, 100>();
inline constexpr auto kThreeDigits = digitTable<3, 1000>();

/// The most a time takes: 2^32 ms is 1193 hours.
inline constexpr std::size_t kTimeMost = 14;

/// "HH:MM:SS<separator>mmm" at `text`, with room for kTimeMost; answers its end. The digits
/// go straight to where they stay: built apart and copied, they were read back before the
/// stores that made them had landed.
inline char* writeTime(char* text, std::uint32_t milliseconds, char separator) {
    const std::uint32_t hours = milliseconds / 3600000u;
    if (hours < 100) {
        std::memcpy(text, kTwoDigits[hours].data(), 2);
        text += 2;
    } else {
        text = std::to_chars(text, text + 4, hours).ptr;
    }
    text[0] = ':';
    std::memcpy(text + 1, kTwoDigits[milliseconds / 60000u % 60u].data(), 2);
    text[3] = ':';
    std::memcpy(text + 4, kTwoDigits[milliseconds / 1000u % 60u].data(), 2);
    text[6] = separator;
    std::memcpy(text + 7, kThreeDigits[milliseconds % 1000u].data(), 3);
    return text + 10;
}

/// writeTime at the end of `out`.
inline void appendTime(std::string& out, std::uint32_t milliseconds, char separator) {
    const std::size_t at = out.size();
    out.resize(at + kTimeMost);
    out.resize(
        static_cast<std::size_t>(writeTime(out.data() + at, milliseconds, separator) - out.data()));
}

/// "HH:MM:SS<separator>mmm"; hours take more digits when they need them.
std::string formatTime(std::uint32_t milliseconds, char separator = '.');

/// Whether `bytes` hold no control (C0 but line feed and tab, DEL, C1) when read as UTF-8:
/// nearly every text, told without a branch per word.
bool noControl(std::string_view bytes);

/// Whether a text is taken as well-formed UTF-8 without a check.
enum class Source {
    Checked,  // from anywhere: checked, and repaired where it is not
    Trusted,  // an entry from the plug-in, which hands out UTF-8 (OverlayText::kWellFormedUtf8)
};

/// `bytes` at the end of `out`, ill-formed UTF-8 and control characters alike as U+FFFD.
void appendPrintable(std::string_view bytes, std::string& out, Source source = Source::Checked);

/// `bytes` repaired into `scratch`, which it answers; `wellFormed` when they are known to be.
/// Out of line, so that the test in printableView, which nearly every text passes, stays
/// inline in the writers.
[[gnu::noinline]] std::string_view repaired(std::string_view bytes, std::string& scratch,
                                            Source source, bool wellFormed);

/// `bytes` as they may be shown: themselves when nothing in them needs replacing, which
/// saves a copy of nearly every entry's text, else a repaired copy in `scratch`.
inline std::string_view printableView(std::string_view bytes, std::string& scratch, Source source) {
    const bool wellFormed = source == Source::Trusted || isWellFormedUtf8(bytes);
    if (wellFormed && noControl(bytes)) return bytes;
    return repaired(bytes, scratch, source, wellFormed);
}

/// `text` escaped for a JSON string, without its quotes, at the end of `out`.
void appendJsonEscaped(std::string_view text, std::string& out);
/// `text` as a JSON string literal, quotes included, at the end of `out`.
void appendJsonString(std::string_view text, std::string& out);

/// `bytes` as subplay prints them anywhere: ill-formed UTF-8 and every control character
/// but line feed and tab (C0, DEL, C1) replaced by U+FFFD, so nothing in a file can drive
/// a terminal or whatever reads the output.
std::string printable(std::string_view bytes);

/// `text` as a JSON string literal, quotes included.
std::string jsonString(std::string_view text);

/// An encoding's name with one spelling for each Unicode form ("UTF-8", "UTF-16LE"),
/// whoever named it; other names as they are.
std::string encodingLabel(std::string_view name);

}  // namespace Tork::Subplay
