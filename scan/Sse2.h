// The kernels sixteen bytes at a time, on every x86-64 processor: those that SSE2 does not
// speed up are the portable ones.
#pragma once

#include "scan/Isa.h"
#include "scan/Portable.h"

#if TORK_SCAN_X86_64

#include <emmintrin.h>

#include <bit>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace Tork::Scan {

struct Sse2 : Portable {
    static constexpr const char* name = "sse2";
    static bool available() noexcept { return true; }

    static std::size_t asciiRun(std::string_view text, std::size_t from) noexcept {
        for (; from + 16 <= text.size(); from += 16) {
            if (const auto high =
                    static_cast<unsigned>(_mm_movemask_epi8(load(text.data() + from))))
                return from + static_cast<std::size_t>(std::countr_zero(high));
        }
        return Portable::asciiRun(text, from);
    }

    static bool utf8(std::string_view text) noexcept {
        const char* p = text.data();
        std::size_t left = text.size();
        // Skip ASCII sixteen bytes at a time; the first block that is not goes to the
        // portable check up to the next ASCII byte, where a sequence cannot be in progress.
        while (left >= 16) {
            if (_mm_movemask_epi8(load(p)) == 0) {
                p += 16;
                left -= 16;
                continue;
            }
            std::size_t end = 16;
            while (end < left && static_cast<unsigned char>(p[end]) >= 0x80) ++end;
            if (!Portable::utf8(std::string_view(p, end))) return false;
            p += end;
            left -= end;
        }
        return Portable::utf8(std::string_view(p, left));
    }

    static std::size_t filledLines(const char* text, std::size_t length) noexcept {
        // Each byte is compared with the one before it through a second load one byte back;
        // a byte counter per lane adds the ends and is summed before it can pass 255.
        const __m128i feed = _mm_set1_epi8('\n');
        const __m128i carriage = _mm_set1_epi8('\r');
        const auto separators = [&](const char* at) {
            const __m128i bytes = load(at);
            return _mm_or_si128(_mm_cmpeq_epi8(bytes, feed), _mm_cmpeq_epi8(bytes, carriage));
        };
        std::size_t count = 0, i = 1;
        while (i + 16 <= length) {
            __m128i counters = _mm_setzero_si128();
            for (int round = 0; round < 255 && i + 16 <= length; ++round, i += 16) {
                const __m128i ends =
                    _mm_andnot_si128(separators(text + i - 1), separators(text + i));
                counters = _mm_sub_epi8(counters, ends);  // each end is -1
            }
            const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
            count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                     static_cast<std::size_t>(_mm_extract_epi16(sums, 4));
        }
        return count + filledLinesFrom(text, i, length);
    }

    static bool utf8CountingLines(std::string_view text, std::size_t& filledLines) noexcept {
        if (!utf8(text)) return false;
        filledLines = Sse2::filledLines(text.data(), text.size());
        return true;
    }

    /// As Portable's, with `bar` exact: only the bars before the stop count, so that a line
    /// without one is not searched for them again.
    static char* lineEnd(char* at, char* end, bool& bar) noexcept {
        const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
        const __m128i zero = _mm_setzero_si128(), bars = _mm_set1_epi8('|');
        unsigned barsSeen = 0;
        while (end - at >= 16) {
            const __m128i block = load(at);
            const __m128i stops =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)),
                             _mm_cmpeq_epi8(block, zero));
            const auto stopMask = static_cast<unsigned>(_mm_movemask_epi8(stops));
            const auto barMask =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, bars)));
            if (stopMask) {
                bar = (barsSeen | (barMask & (stopMask ^ (stopMask - 1)))) != 0;
                return at + std::countr_zero(stopMask);
            }
            barsSeen |= barMask;
            at += 16;
        }
        // Only the text's last bytes, once.
        at = lineEndByByte(at, end, bar);
        bar |= barsSeen != 0;
        return at;
    }

    static bool barsToLineFeeds(char* text, std::size_t length, char a, char b, char c) noexcept {
        if (length < 16) return Portable::barsToLineFeeds(text, length, a, b, c);
        const __m128i bar = _mm_set1_epi8('|'), feed = _mm_set1_epi8('\n');
        const __m128i swap = _mm_set1_epi8('|' ^ '\n');
        const __m128i first = _mm_set1_epi8(a), second = _mm_set1_epi8(b);
        const __m128i third = _mm_set1_epi8(c);
        unsigned followed = 0, carried = 0;
        const auto replaceBlock = [&](char* at, __m128i bytes) {
            bytes = _mm_xor_si128(bytes, _mm_and_si128(_mm_cmpeq_epi8(bytes, bar), swap));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), bytes);
            const auto feeds =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, feed)));
            const auto marked = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi8(bytes, first), _mm_cmpeq_epi8(bytes, second)),
                _mm_cmpeq_epi8(bytes, third))));
            followed |= (feeds << 1 | carried) & marked;
            carried = feeds >> 15;
        };
        char* const last = text + length - 16;
        const __m128i lastBlock = load(last);  // first, as the portable kernel does
        for (; text < last; text += 16) replaceBlock(text, load(text));
        if (text != last) carried = 0;
        replaceBlock(last, lastBlock);
        return followed != 0;
    }

    static bool mayHoldControl(std::string_view bytes) noexcept {
        if (bytes.size() < 16) return Portable::mayHoldControl(bytes);
        // The last block overlaps the one before it.
        __m128i marks = controlStarts(load(bytes.data() + bytes.size() - 16));
        for (std::size_t i = 0; bytes.size() - i >= 16; i += 16)
            marks = _mm_or_si128(marks, controlStarts(load(bytes.data() + i)));
        return _mm_movemask_epi8(marks) != 0;
    }

    static CueMarks cueMarks(std::string_view text, bool escaped) noexcept {
        const std::size_t size = text.size();
        if (size <= 16) return Portable::cueMarks(text, escaped);
        // Each step tests sixteen bytes and, through a second load one byte on, whether a
        // line feed among them comes before a byte that does not show. A last step ending
        // at the text's end overlaps the one before it. Every byte but the first is tested.
        const __m128i lineFeed = _mm_set1_epi8('\n');
        const __m128i escapedOnly = escaped ? _mm_set1_epi8(-1) : _mm_setzero_si128();
        __m128i marks = _mm_setzero_si128(), tags = _mm_setzero_si128();
        const auto step = [&](std::size_t at) {
            const __m128i here = load(text.data() + at), next = load(text.data() + at + 1);
            const __m128i escapes =
                _mm_and_si128(escapedOnly, _mm_or_si128(_mm_cmpeq_epi8(next, _mm_set1_epi8('&')),
                                                        _mm_cmpeq_epi8(next, _mm_set1_epi8('>'))));
            const __m128i hidden =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(next, lineFeed),
                                          _mm_cmpeq_epi8(next, _mm_set1_epi8('\t'))),
                             _mm_cmpeq_epi8(next, _mm_set1_epi8(' ')));
            marks = _mm_or_si128(
                marks, _mm_or_si128(_mm_or_si128(controlStarts(next), escapes),
                                    _mm_and_si128(_mm_cmpeq_epi8(here, lineFeed), hidden)));
            tags = _mm_or_si128(tags, _mm_cmpeq_epi8(next, _mm_set1_epi8('<')));
        };
        step(size - 17);
        for (std::size_t at = 0; size - at >= 17; at += 16) step(at);
        return {_mm_movemask_epi8(marks) != 0, _mm_movemask_epi8(tags) != 0};
    }

    static std::size_t nextByteOf(std::string_view text, std::size_t from, char a, char b, char c,
                                  bool controls) noexcept {
        const __m128i first = _mm_set1_epi8(a), second = _mm_set1_epi8(b);
        const __m128i third = _mm_set1_epi8(c);
        const __m128i below = controls ? _mm_set1_epi8(0x1F) : _mm_setzero_si128();
        const __m128i any = controls ? _mm_set1_epi8(-1) : _mm_setzero_si128();
        std::size_t i = from;
        for (; text.size() - i >= 16; i += 16) {
            const __m128i block = load(text.data() + i);
            const __m128i low =
                _mm_and_si128(any, _mm_cmpeq_epi8(_mm_min_epu8(block, below), block));
            const auto found = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi8(block, first), _mm_cmpeq_epi8(block, second)),
                _mm_or_si128(_mm_cmpeq_epi8(block, third), low))));
            if (found != 0) return i + static_cast<std::size_t>(std::countr_zero(found));
        }
        return Portable::nextByteOf(text, i, a, b, c, controls);
    }

    static std::size_t asciiUnits(const unsigned char* units, std::size_t count) noexcept {
        const __m128i zero = _mm_setzero_si128(), high = _mm_set1_epi16(-0x80);
        std::size_t run = 0;
        for (; count - run >= 8; run += 8) {
            if (!asciiBlock(load(units + 2 * run), zero, high)) break;
        }
        return run;
    }

    static std::size_t narrowAsciiUnits(const unsigned char* units, std::size_t count,
                                        unsigned char* out) noexcept {
        const __m128i zero = _mm_setzero_si128(), high = _mm_set1_epi16(-0x80);
        std::size_t run = 0;
        for (; count - run >= 8; run += 8) {
            const __m128i block = load(units + 2 * run);  // once, for the test and the bytes
            if (!asciiBlock(block, zero, high)) break;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + run), _mm_packus_epi16(block, block));
        }
        return run;
    }

private:
    template <class Byte>
    static __m128i load(const Byte* at) noexcept {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    }

    // Whether the eight 16-bit units are all ASCII but zero.
    static bool asciiBlock(__m128i block, __m128i zero, __m128i high) noexcept {
        const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(block, high), zero);
        const __m128i plain = _mm_andnot_si128(_mm_cmpeq_epi16(block, zero), ascii);
        return _mm_movemask_epi8(plain) == 0xFFFF;
    }

    // C0 but line feed and tab, DEL and C2, each compared.
    static __m128i controlStarts(__m128i block) noexcept {
        const __m128i c0 = _mm_cmpeq_epi8(_mm_min_epu8(block, _mm_set1_epi8(0x1F)), block);
        const __m128i spared = _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n')),
                                            _mm_cmpeq_epi8(block, _mm_set1_epi8('\t')));
        return _mm_or_si128(_mm_andnot_si128(spared, c0),
                            _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8(0x7F)),
                                         _mm_cmpeq_epi8(block, _mm_set1_epi8('\xC2'))));
    }
};

}  // namespace Tork::Scan

#endif
