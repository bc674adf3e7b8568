// The kernels on any processor, eight bytes at a time: every other instruction set's kernels
// must answer as these do.
#pragma once

#include "scan/ByteWords.h"
#include "scan/Utf8Sequence.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace Tork::Scan {

/// What a look over a text for controls, escapes and blank lines finds: see Portable::cueMarks.
struct CueMarks {
    bool other;   // a control, an escape where asked, or a line feed before a blank
    bool tagged;  // a '<'
    bool operator==(const CueMarks&) const = default;
};

struct Portable {
    static constexpr const char* name = "portable";
    static bool available() noexcept { return true; }

    /// The position of the first byte beyond ASCII at or after `from`, or the text's size.
    static std::size_t asciiRun(std::string_view text, std::size_t from) noexcept {
        for (; from + 8 <= text.size(); from += 8) {
            if (const std::uint64_t high = ByteWords::load(text.data() + from) & ByteWords::kHigh)
                return from + ByteWords::firstMarked(high);
        }
        while (from < text.size() && static_cast<unsigned char>(text[from]) < 0x80) ++from;
        return from;
    }

    /// Whether every sequence of `text` is well-formed UTF-8.
    static bool utf8(std::string_view text) noexcept {
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        for (std::size_t i = 0; i < text.size();) {
            // Subtitle text is mostly ASCII: pass it eight bytes at a time, up to the first
            // byte that is not.
            if (text.size() - i >= 8) {
                const std::uint64_t high = ByteWords::load(text.data() + i) & ByteWords::kHigh;
                if (high == 0) {
                    i += 8;
                    continue;
                }
                i += ByteWords::firstMarked(high);
            }
            // Two-byte sequences (Latin, Greek, Cyrillic letters) are common enough to pass
            // here rather than through the general measure.
            if (p[i] >= 0xC2 && p[i] <= 0xDF && text.size() - i >= 2 && (p[i + 1] & 0xC0) == 0x80) {
                i += 2;
                continue;
            }
            const int length = Utf8Sequence::measure(p + i, text.size() - i);
            if (length < 0) return false;
            i += static_cast<std::size_t>(length);
        }
        return true;
    }

    /// The runs of CR and LF bytes (each run one separator) that end a line with something
    /// on it, not counting a run at the very start.
    static std::size_t filledLines(const char* text, std::size_t length) noexcept {
        const auto separators = [](std::uint64_t word) {
            return ByteWords::bytesEqual(word, '\n') | ByteWords::bytesEqual(word, '\r');
        };
        std::size_t count = 0, i = 1;
        while (i + 8 <= length) {
            // Eight counters side by side, summed before any can pass 255.
            std::uint64_t counters = 0;
            for (int round = 0; round < 255 && i + 8 <= length; ++round, i += 8) {
                const std::uint64_t ends = separators(ByteWords::load(text + i)) &
                                           ~separators(ByteWords::load(text + i - 1));
                counters += ends >> 7;
            }
            constexpr std::uint64_t evenBytes = 0x00FF00FF00FF00FFu;
            const std::uint64_t pairs = (counters & evenBytes) + (counters >> 8 & evenBytes);
            count += static_cast<std::size_t>(pairs * 0x0001000100010001u >> 48);
        }
        return count + filledLinesFrom(text, i, length);
    }

    /// utf8, and when it answers true also the text's filledLines in `filledLines`.
    static bool utf8CountingLines(std::string_view text, std::size_t& filledLines) noexcept {
        if (!utf8(text)) return false;
        filledLines = Portable::filledLines(text.data(), text.size());
        return true;
    }

    /// The first CR, LF or zero byte from `at` on, or `end`; `bar` is set when a byte
    /// tested holds a '|', which may lie past the stop (never missed before it).
    static char* lineEnd(char* at, char* end, bool& bar) noexcept {
        // Lines are long and those bytes rare, so whole words are tested for any byte up to
        // CR first.
        std::uint64_t bars = 0;
        while (end - at >= 8) {
            const std::uint64_t word = ByteWords::load(at);
            bars |= ByteWords::bytesEqual(word, '|');
            const std::uint64_t low = ByteWords::bytesBelow(word, '\r' + 1);
            if (!low) {
                at += 8;
                continue;
            }
            at += ByteWords::firstMarked(low);
            if (isLineStop(*at)) {
                bar = bars != 0;
                return at;
            }
            ++at;  // a tab or another control byte
        }
        at = lineEndByByte(at, end, bar);
        bar |= bars != 0;
        return at;
    }

    /// The same, a byte at a time, `bar` exact: the reference for the others.
    static char* lineEndByByte(char* at, char* end, bool& bar) noexcept {
        bool bars = false;
        for (; at < end && !isLineStop(*at); ++at) bars |= *at == '|';
        bar = bars;
        return at;
    }

    /// Replaces each '|' of the `length` bytes at `text` with a line feed, and tells whether
    /// a line feed (one already there or one made) is followed by `a`, `b` or `c`.
    static bool barsToLineFeeds(char* text, std::size_t length, char a, char b, char c) noexcept {
        using namespace ByteWords;
        if (std::endian::native != std::endian::little || length < 8) {
            bool followed = false;
            for (char* const end = text + length; text != end; ++text) {
                if (*text == '|') *text = '\n';
                followed |= *text == '\n' && text + 1 != end &&
                            (text[1] == a || text[1] == b || text[1] == c);
            }
            return followed;
        }
        // Without a branch on the bars, which are too irregular to predict. The last word
        // overlaps the one before it, so the line feed that ended that one is carried only up
        // to a word's edge, and it is loaded first: loaded across the stores before it, it
        // would wait for them.
        std::uint64_t followed = 0;
        std::uint64_t carried = 0;
        const auto replaceWord = [&](char* at, std::uint64_t word) {
            word ^= (bytesEqual(word, '|') >> 7) * ('|' ^ '\n');
            std::memcpy(at, &word, sizeof word);
            const std::uint64_t feeds = bytesEqual(word, '\n');
            const std::uint64_t marked =
                bytesEqual(word, a) | bytesEqual(word, b) | bytesEqual(word, c);
            followed |= (feeds << 8 | carried) & marked;
            carried = feeds >> 56;
        };
        char* const last = text + length - 8;
        const std::uint64_t lastWord = load(last);
        for (; text < last; text += 8) replaceWord(text, load(text));
        if (text != last) carried = 0;
        replaceWord(last, lastWord);
        return followed != 0;
    }

    /// Whether `bytes` hold a byte that may start a control when read as UTF-8: C0 but
    /// line feed and tab, DEL, or C2 (which leads the C1 controls, and letters too).
    static bool mayHoldControl(std::string_view bytes) noexcept {
        const auto marked = [&](std::size_t at) {
            const std::uint64_t word = ByteWords::load(bytes.data() + at);
            return (ByteWords::bytesBelow(word, 0x20) & ~ByteWords::bytesEqual(word, '\n') &
                    ~ByteWords::bytesEqual(word, '\t')) |
                   ByteWords::bytesEqual(word, 0x7F) | ByteWords::bytesEqual(word, '\xC2');
        };
        if (bytes.size() < 8) {
            for (const char c : bytes) {
                if (isControlStart(c)) return true;
            }
            return false;
        }
        // The last word overlaps the one before it.
        std::uint64_t marks = marked(bytes.size() - 8);
        for (std::size_t i = 0; bytes.size() - i >= 8; i += 8) marks |= marked(i);
        return marks != 0;
    }

    /// What the bytes of `text` after its first hold: a control start (as mayHoldControl),
    /// where `escaped` a '&' or '>', or a line feed followed by a space, tab or line feed;
    /// and whether any is a '<'.
    static CueMarks cueMarks(std::string_view text, bool escaped) noexcept {
        bool tagged = false;
        for (std::size_t i = 1; i < text.size(); ++i) {
            const char c = text[i];
            if (isControlStart(c) || (escaped && (c == '&' || c == '>'))) return {true, tagged};
            if (text[i - 1] == '\n' && (c == ' ' || c == '\t' || c == '\n')) return {true, tagged};
            tagged = tagged || c == '<';
        }
        return {false, tagged};
    }

    /// The position of the first byte at or after `from` that is `a`, `b` or `c`, or with
    /// `controls` below 0x20; the text's size when there is none.
    static std::size_t nextByteOf(std::string_view text, std::size_t from, char a, char b, char c,
                                  bool controls) noexcept {
        std::size_t i = from;
        for (; text.size() - i >= 8; i += 8) {
            const std::uint64_t word = ByteWords::load(text.data() + i);
            const std::uint64_t found =
                ByteWords::bytesEqual(word, a) | ByteWords::bytesEqual(word, b) |
                ByteWords::bytesEqual(word, c) | (controls ? ByteWords::bytesBelow(word, 0x20) : 0);
            if (found != 0) return i + ByteWords::firstMarked(found);
        }
        for (; i < text.size(); ++i) {
            const char d = text[i];
            if (d == a || d == b || d == c || (controls && static_cast<unsigned char>(d) < 0x20))
                return i;
        }
        return i;
    }

    /// How many of the `count` little-endian UTF-16 units at `units` lead in whole groups of
    /// eight that are all ASCII but zero.
    static std::size_t asciiUnits(const unsigned char* units, std::size_t count) noexcept {
        std::size_t run = 0;
        for (; count - run >= 8 && eightAsciiUnits(units + 2 * run); run += 8) {
        }
        return run;
    }

    /// asciiUnits, those units also written as bytes at `out`.
    static std::size_t narrowAsciiUnits(const unsigned char* units, std::size_t count,
                                        unsigned char* out) noexcept {
        const std::size_t run = asciiUnits(units, count);
        for (std::size_t i = 0; i < run; ++i) out[i] = units[2 * i];
        return run;
    }

protected:
    static bool eightAsciiUnits(const unsigned char* units) noexcept {
        for (int i = 0; i < 8; ++i) {
            if (units[2 * i + 1] != 0 || units[2 * i] == 0 || units[2 * i] >= 0x80) return false;
        }
        return true;
    }

    static bool isLineStop(char c) noexcept { return c == '\0' || c == '\r' || c == '\n'; }

    static bool isControlStart(char c) noexcept {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\n' && c != '\t') || byte == 0x7F || byte == 0xC2;
    }

    static std::size_t filledLinesFrom(const char* text, std::size_t from,
                                       std::size_t length) noexcept {
        const auto isSeparator = [](char c) { return c == '\n' || c == '\r'; };
        std::size_t count = 0;
        for (std::size_t i = from; i < length; ++i)
            count += isSeparator(text[i]) && !isSeparator(text[i - 1]);
        return count;
    }
};

}  // namespace Tork::Scan
