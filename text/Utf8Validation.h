// The whole-text UTF-8 check, by the widest path this processor offers.
#pragma once

#include <cstddef>
#include <string_view>

namespace Tork::Utf8Validation {

/// Ways to check a text; all give the same answer.
enum class Path {
    Portable,  // byte by byte, eight ASCII bytes at a time
    Sse2,      // x86-64: sixteen ASCII bytes at a time, the rest as Portable
    Avx2,      // x86-64 with AVX2: every byte checked 32 at a time
};

/// Whether `path` runs on this processor (Portable always does).
[[nodiscard]] bool available(Path path) noexcept;

/// Whether every sequence of `text` is well-formed UTF-8, checked by `path`, which must be
/// available().
[[nodiscard]] bool isWellFormed(std::string_view text, Path path) noexcept;

/// isWellFormed, and when it answers true also the text's LineCount::filledLines in
/// `filledLines`: for a text that is split into lines next, in the same pass where the path
/// is AVX2, else by a second.
[[nodiscard]] bool isWellFormedCountingLines(std::string_view text, Path path,
                                             std::size_t& filledLines) noexcept;

/// The portable path itself.
[[nodiscard]] bool isWellFormedPortable(std::string_view text) noexcept;

/// The widest available path, chosen once.
[[nodiscard]] Path best() noexcept;

}  // namespace Tork::Utf8Validation
