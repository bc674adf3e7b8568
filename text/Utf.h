// UTF-8 and UTF-16 codecs: a strict decoder, a lenient codec and their string wrappers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Tork {

enum class Utf8Decode : std::int32_t {
    Complete = 0,    // the whole source was converted
    Truncated = 1,   // the source ends inside a sequence
    TargetFull = 2,  // no room for the next character
    IllFormed = 3,   // a sequence is not well-formed UTF-8
};

/// Decodes UTF-8 into UTF-16, refusing any ill-formed sequence. Both positions are
/// advanced past what was converted; on any result but Complete the source position is
/// left at the start of the sequence that stopped the decoding. The target is not
/// terminated.
[[nodiscard]] Utf8Decode decodeUtf8Strict(const unsigned char** source,
                                          const unsigned char* sourceEnd, char16_t** target,
                                          char16_t* targetEnd) noexcept;

/// Whether the UTF-8 sequence that starts at `start` is well-formed and its last byte comes
/// before `end`. False for a lead byte that cannot start a sequence.
[[nodiscard]] bool isWellFormedUtf8Sequence(const unsigned char* start,
                                            const unsigned char* end) noexcept;

/// The length of the well-formed UTF-8 sequence that starts `text` (not empty), or minus
/// the length of the maximal ill-formed part there: what replaceIllFormedUtf8 replaces.
[[nodiscard]] int measureUtf8Sequence(std::string_view text) noexcept;

/// Whether every sequence of `text` is well-formed UTF-8 (the strict decoder's rules).
[[nodiscard]] bool isWellFormedUtf8(std::string_view text) noexcept;

/// What a text holds in UTF-8 terms: its well-formed sequences of two or more bytes, and
/// its maximal ill-formed parts (each of which replaceIllFormedUtf8 makes one U+FFFD).
struct Utf8Census {
    std::size_t multiByte = 0;
    std::size_t illFormed = 0;
};
[[nodiscard]] Utf8Census countUtf8Sequences(std::string_view text) noexcept;

/// `text` with each maximal ill-formed part replaced by U+FFFD; well-formed text, zero
/// bytes included, comes back unchanged. Adds the parts replaced to `*replaced` (may be
/// null). Throws std::bad_alloc when memory runs out.
std::string replaceIllFormedUtf8(std::string_view text, std::size_t* replaced = nullptr);
/// The length of replaceIllFormedUtf8(text), adding the parts it replaces to `*replaced`
/// (may be null), and the same text written at `out`, which has room for that many bytes:
/// a large text is then repaired into memory had once.
[[nodiscard]] std::size_t repairedUtf8Length(std::string_view text,
                                             std::size_t* replaced = nullptr) noexcept;
void writeRepairedUtf8(std::string_view text, char* out) noexcept;

/// Lenient UTF-8 to UTF-16: overlong forms and surrogate values pass; a leading EF BB BF
/// is skipped and reported through `hadSignature` (may be null). Answers the units
/// written, or -1 on a stray or missing continuation byte, a value above 10FFFF or a full
/// target.
[[nodiscard]] std::int32_t utf8ToUtf16(const unsigned char* source, std::size_t length,
                                       char16_t* target, std::int32_t capacity,
                                       bool* hadSignature) noexcept;

enum class Utf8Signature : bool { Omit, Write };

/// Lenient UTF-16 to UTF-8: a lone low surrogate is encoded as it is. Answers the bytes
/// written (the signature counted), or -1 on a high surrogate without its low half or a
/// full target.
[[nodiscard]] std::int32_t utf16ToUtf8(const char16_t* source, std::size_t length,
                                       unsigned char* target, std::int32_t capacity,
                                       Utf8Signature signature) noexcept;

/// The lenient decoding of `text` up to its first zero unit, without a leading signature.
/// Empty when the text is ill-formed or too long to convert. Throws std::bad_alloc when
/// memory runs out.
std::u16string utf8ToWide(std::string_view text);

/// The lenient encoding of `text` up to its first zero unit. Empty when a high surrogate
/// lacks its low half or the text is too long to convert. Throws std::bad_alloc when
/// memory runs out.
std::string wideToUtf8(std::u16string_view text);

}  // namespace Tork
