// Byte searches eight bytes at a time, for the scans that reading and parsing text spend
// their time in.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Tork::ByteWords {

inline constexpr std::uint64_t kEach = 0x0101010101010101u;  // a byte value in every byte
inline constexpr std::uint64_t kHigh = 0x8080808080808080u;
inline constexpr std::uint64_t kLow = 0x7F7F7F7F7F7F7F7Fu;

inline std::uint64_t load(const char* at) noexcept {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

/// The high bit of each byte of `word` that is below `limit` (at most 128), no other bit.
/// Exact per byte: the low seven bits of each byte are added without carrying into the next.
constexpr std::uint64_t bytesBelow(std::uint64_t word, std::uint8_t limit) noexcept {
    return ~((word & kLow) + kEach * (0x80u - limit)) & ~word & kHigh;
}

/// The high bit of each byte of `word` equal to `byte`.
constexpr std::uint64_t bytesEqual(std::uint64_t word, char byte) noexcept {
    return bytesBelow(word ^ (kEach * static_cast<unsigned char>(byte)), 1);
}

/// The position in memory of the first byte that `flags` (from the searches above) marks;
/// `flags` must not be 0.
inline std::size_t firstMarked(std::uint64_t flags) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        return static_cast<std::size_t>(std::countr_zero(flags)) / 8;
    } else {
        return static_cast<std::size_t>(std::countl_zero(flags)) / 8;
    }
}

/// Replaces every `from` in the `length` bytes at `text` with `to`.
inline void replaceBytes(char* text, std::size_t length, char from, char to) noexcept {
    const auto replaceWord = [from, to](char* at) {
        std::uint64_t word = load(at);
        const std::uint64_t marked = bytesEqual(word, from);
        if (!marked) return;
        const std::uint64_t mask = (marked >> 7) * 0xFF;  // whole bytes
        word = (word & ~mask) | (kEach * static_cast<unsigned char>(to) & mask);
        std::memcpy(at, &word, sizeof word);
    };
    if (length < 8) {
        for (; length > 0; ++text, --length) {
            if (*text == from) *text = to;
        }
        return;
    }
    char* const last = text + length - 8;
    for (; text < last; text += 8) replaceWord(text);
    // The last word overlaps the one before it, whose bytes hold no `from` any more.
    replaceWord(last);
}

}  // namespace Tork::ByteWords
