#include "text/LineCount.h"

#include "text/ByteWords.h"

#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#define TORK_LINE_COUNT_SSE2 1
#include <emmintrin.h>
#endif

namespace Tork::LineCount {
namespace {

bool isSeparator(char c) {
    return c == '\n' || c == '\r';
}

std::size_t filledLinesByByte(const char* text, std::size_t from, std::size_t length) {
    std::size_t count = 0;
    for (std::size_t i = from; i < length; ++i)
        count += isSeparator(text[i]) && !isSeparator(text[i - 1]);
    return count;
}

#if TORK_LINE_COUNT_SSE2

// SSE2 is part of x86-64: no choice at run time. Each byte is compared with the one
// before it through a second load one byte back; a byte counter per lane adds the ends
// and is summed before it can pass 255.
std::size_t filledLinesSse2(const char* text, std::size_t length) {
    const __m128i feed = _mm_set1_epi8('\n');
    const __m128i carriage = _mm_set1_epi8('\r');
    const auto separators = [&](const char* at) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        return _mm_or_si128(_mm_cmpeq_epi8(bytes, feed), _mm_cmpeq_epi8(bytes, carriage));
    };
    std::size_t count = 0, i = 1;
    while (i + 16 <= length) {
        __m128i counters = _mm_setzero_si128();
        for (int round = 0; round < 255 && i + 16 <= length; ++round, i += 16) {
            const __m128i ends = _mm_andnot_si128(separators(text + i - 1), separators(text + i));
            counters = _mm_sub_epi8(counters, ends);  // each end is -1
        }
        const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_extract_epi16(sums, 4));
    }
    return count + filledLinesByByte(text, i, length);
}

#endif

}  // namespace

std::size_t filledLinesPortable(const char* text, std::size_t length) noexcept {
    const auto separators = [](std::uint64_t word) {
        return ByteWords::bytesEqual(word, '\n') | ByteWords::bytesEqual(word, '\r');
    };
    std::size_t count = 0, i = 1;
    while (i + 8 <= length) {
        // Eight counters side by side, summed before any can pass 255.
        std::uint64_t counters = 0;
        for (int round = 0; round < 255 && i + 8 <= length; ++round, i += 8) {
            const std::uint64_t ends =
                separators(ByteWords::load(text + i)) & ~separators(ByteWords::load(text + i - 1));
            counters += ends >> 7;
        }
        constexpr std::uint64_t evenBytes = 0x00FF00FF00FF00FFu;
        const std::uint64_t pairs = (counters & evenBytes) + (counters >> 8 & evenBytes);
        count += static_cast<std::size_t>(pairs * 0x0001000100010001u >> 48);
    }
    return count + filledLinesByByte(text, i, length);
}

std::size_t filledLines(const char* text, std::size_t length) noexcept {
#if TORK_LINE_COUNT_SSE2
    return filledLinesSse2(text, length);
#else
    return filledLinesPortable(text, length);
#endif
}

}  // namespace Tork::LineCount
