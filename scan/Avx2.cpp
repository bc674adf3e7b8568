// The AVX2 kernels, built for that instruction set alone so that the rest of the program
// runs on any x86-64 processor.
#include "scan/Avx2.h"

#if TORK_SCAN_X86_64

#include <immintrin.h>

#include <cstdint>
#include <cstring>

namespace Tork::Scan {
namespace {

// Each byte pair (the previous byte, this byte) is classified through three 16-entry tables,
// by the previous byte's high and low nibble and this byte's high nibble; a bit that all
// three set names an error. What pairs cannot see (a lead byte that wants two or three
// continuations) is checked against the bytes two and three back.
constexpr std::uint8_t kTooShort = 1 << 0;      // a lead byte not followed by a continuation
constexpr std::uint8_t kTooLong = 1 << 1;       // ASCII followed by a continuation
constexpr std::uint8_t kOverlong3 = 1 << 2;     // E0 80-9F
constexpr std::uint8_t kTooLarge = 1 << 3;      // F4 90-BF, F5-FF
constexpr std::uint8_t kSurrogate = 1 << 4;     // ED A0-BF
constexpr std::uint8_t kOverlong2 = 1 << 5;     // C0-C1
constexpr std::uint8_t kTooLarge1000 = 1 << 6;  // F5-FF 80-8F
constexpr std::uint8_t kOverlong4 = 1 << 6;     // F0 80-8F
constexpr std::uint8_t kTwoContinuations = 1 << 7;
constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoContinuations;

__attribute__((target("avx2"))) inline __m256i table(
    std::uint8_t a0, std::uint8_t a1, std::uint8_t a2, std::uint8_t a3, std::uint8_t a4,
    std::uint8_t a5, std::uint8_t a6, std::uint8_t a7, std::uint8_t a8, std::uint8_t a9,
    std::uint8_t a10, std::uint8_t a11, std::uint8_t a12, std::uint8_t a13, std::uint8_t a14,
    std::uint8_t a15) {
    const auto c = [](std::uint8_t v) { return static_cast<char>(v); };
    return _mm256_setr_epi8(c(a0), c(a1), c(a2), c(a3), c(a4), c(a5), c(a6), c(a7), c(a8), c(a9),
                            c(a10), c(a11), c(a12), c(a13), c(a14), c(a15), c(a0), c(a1), c(a2),
                            c(a3), c(a4), c(a5), c(a6), c(a7), c(a8), c(a9), c(a10), c(a11), c(a12),
                            c(a13), c(a14), c(a15));
}

// The 32 bytes that end `shift` bytes before the end of `current`, `previous` before it.
template <int shift>
__attribute__((target("avx2"))) inline __m256i back(__m256i current, __m256i previous) {
    const __m256i straddle = _mm256_permute2x128_si256(previous, current, 0x21);
    return _mm256_alignr_epi8(current, straddle, 16 - shift);
}

__attribute__((target("avx2"))) inline __m256i highNibbles(__m256i bytes) {
    return _mm256_and_si256(_mm256_srli_epi16(bytes, 4), _mm256_set1_epi8(0x0F));
}

// Bits set where `current` (after `previous`) breaks a rule.
__attribute__((target("avx2"), always_inline)) inline __m256i errorsIn(__m256i current,
                                                                       __m256i previous) {
    const __m256i previous1 = back<1>(current, previous);
    const __m256i byte1High = _mm256_shuffle_epi8(
        table(kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
              kTwoContinuations, kTwoContinuations, kTwoContinuations, kTwoContinuations,
              kTooShort | kOverlong2, kTooShort, kTooShort | kOverlong3 | kSurrogate,
              kTooShort | kTooLarge | kTooLarge1000 | kOverlong4),
        highNibbles(previous1));
    constexpr std::uint8_t large = kCarry | kTooLarge | kTooLarge1000;
    const __m256i byte1Low = _mm256_shuffle_epi8(
        table(kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry,
              kCarry | kTooLarge, large, large, large, large, large, large, large, large,
              large | kSurrogate, large, large),
        _mm256_and_si256(previous1, _mm256_set1_epi8(0x0F)));
    constexpr std::uint8_t continuation = kTooLong | kOverlong2 | kTwoContinuations;
    const __m256i byte2High = _mm256_shuffle_epi8(
        table(kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
              kTooShort, continuation | kOverlong3 | kTooLarge1000 | kOverlong4,
              continuation | kOverlong3 | kTooLarge, continuation | kSurrogate | kTooLarge,
              continuation | kSurrogate | kTooLarge, kTooShort, kTooShort, kTooShort, kTooShort),
        highNibbles(current));
    const __m256i special = _mm256_and_si256(_mm256_and_si256(byte1High, byte1Low), byte2High);
    // A byte two after E0-FF or three after F0-FF must be a continuation, and only those
    // may follow a continuation: the table marked every continuation after one.
    const __m256i third = _mm256_subs_epu8(back<2>(current, previous), _mm256_set1_epi8(0x60));
    const __m256i fourth = _mm256_subs_epu8(back<3>(current, previous), _mm256_set1_epi8(0x70));
    const __m256i must =
        _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
    return _mm256_xor_si256(must, special);
}

// Set when `block` ends inside a sequence: a lead byte in its last three places that wants
// more bytes than are left.
__attribute__((target("avx2"))) inline __m256i incomplete(__m256i block) {
    const __m256i limits =
        _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                         -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, static_cast<char>(0xF0 - 1),
                         static_cast<char>(0xE0 - 1), static_cast<char>(0xC0 - 1));
    return _mm256_subs_epu8(block, limits);
}

struct Avx2Check {
    __m256i previous;
    __m256i errors;
    __m256i pending;  // what the block before leaves open, if the next one is ASCII

    __attribute__((target("avx2"))) void add(__m256i block) {
        if (_mm256_movemask_epi8(block) == 0) {
            errors = _mm256_or_si256(errors, pending);
            pending = _mm256_setzero_si256();
        } else {
            errors = _mm256_or_si256(errors, errorsIn(block, previous));
            pending = incomplete(block);
        }
        previous = block;
    }
    // Four blocks at once, ASCII or in full: in text with a letter beyond ASCII every few
    // words whether one block is ASCII is a coin toss, mispredicted half the time, while
    // four are nearly always the same as the four before.
    __attribute__((target("avx2"))) void addFour(const __m256i (&blocks)[4]) {
        const __m256i any = _mm256_or_si256(_mm256_or_si256(blocks[0], blocks[1]),
                                            _mm256_or_si256(blocks[2], blocks[3]));
        if (_mm256_movemask_epi8(any) == 0) {
            errors = _mm256_or_si256(errors, pending);
            pending = _mm256_setzero_si256();
        } else {
            for (const __m256i& block : blocks) {
                errors = _mm256_or_si256(errors, errorsIn(block, previous));
                previous = block;
            }
            pending = incomplete(blocks[3]);
        }
        previous = blocks[3];
    }
    __attribute__((target("avx2"))) bool clean() const {
        return _mm256_testz_si256(errors, errors) != 0;
    }
};

// The ends of lines with something on them (LineCount::filledLines), 32 bytes at a time: a
// separator whose byte before is none. Shifted as a mask, which leaves the shuffle unit to
// the check. Every processor with AVX2 has popcnt.
struct Avx2LineEnds {
    std::uint32_t previous;  // 1 when the block before ends with a separator, as at first
    std::size_t count;

    __attribute__((target("avx2,popcnt"))) void add(__m256i block) {
        const auto separators = static_cast<std::uint32_t>(_mm256_movemask_epi8(
            _mm256_or_si256(_mm256_cmpeq_epi8(block, _mm256_set1_epi8('\n')),
                            _mm256_cmpeq_epi8(block, _mm256_set1_epi8('\r')))));
        count += static_cast<std::size_t>(
            __builtin_popcount(separators & ~(separators << 1 | previous)));
        previous = separators >> 31;
    }
};

__attribute__((target("avx2,popcnt"))) bool utf8CountingLinesAvx2(
    std::string_view text, std::size_t& filledLines) noexcept {
    const char* p = text.data();
    std::size_t left = text.size();
    Avx2Check check{_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
    Avx2LineEnds ends{1, 0};
    while (left >= 128) {
        __m256i blocks[4];
        for (int i = 0; i < 4; ++i) {
            blocks[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
            ends.add(blocks[i]);
        }
        check.addFour(blocks);
        p += 128;
        left -= 128;
        if ((left & 0x3FF) < 128 && !check.clean()) return false;
    }
    while (left >= 32) {
        const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        check.add(block);
        ends.add(block);
        p += 32;
        left -= 32;
    }
    alignas(32) char last[32] = {};  // zeros: neither sequences nor separators
    if (left > 0) std::memcpy(last, p, left);
    const __m256i block = _mm256_load_si256(reinterpret_cast<const __m256i*>(last));
    check.add(block);
    ends.add(block);
    filledLines = ends.count;
    return check.clean();
}

__attribute__((target("avx2"))) bool utf8Avx2(std::string_view text) noexcept {
    const char* p = text.data();
    std::size_t left = text.size();
    Avx2Check check{_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
    while (left >= 32) {
        check.add(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
        p += 32;
        left -= 32;
        if ((left & 0x3FF) == 0 && !check.clean()) return false;
    }
    // The rest, padded with ASCII zeros, which end any sequence still open as too short.
    alignas(32) char last[32] = {};
    if (left > 0) std::memcpy(last, p, left);
    check.add(_mm256_load_si256(reinterpret_cast<const __m256i*>(last)));
    return check.clean();
}

}  // namespace

bool Avx2::available() noexcept {
    return __builtin_cpu_supports("avx2");
}

bool Avx2::utf8(std::string_view text) noexcept {
    return utf8Avx2(text);
}

bool Avx2::utf8CountingLines(std::string_view text, std::size_t& filledLines) noexcept {
    return utf8CountingLinesAvx2(text, filledLines);
}

}  // namespace Tork::Scan

#endif
