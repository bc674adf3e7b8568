// Conversions between named encodings and Unicode through the ICU converters.
#pragma once

#include "text/UCNVLibrary.h"

#include <optional>
#include <string>
#include <string_view>

namespace Tork {

/// `source` converted from the encoding `converterName` into UTF-16. Nullopt when the name
/// or the source is missing or empty, the source is too long to size a buffer for, memory
/// runs out, `library` is null or unusable, or it refuses the name. Input that ICU cannot
/// map is substituted, not reported.
[[nodiscard]] std::optional<std::u16string> convertToUTF16(
    const char* converterName, std::string_view source,
    const UCNVLibrary* library = UCNVLibrary::instance()) noexcept;

/// UTF-16 `source` converted into the encoding `converterName`; fails as convertToUTF16.
[[nodiscard]] std::optional<std::string> convertFromUTF16(
    const char* converterName, std::u16string_view source,
    const UCNVLibrary* library = UCNVLibrary::instance()) noexcept;

/// `source` converted from the encoding `converterName` into UTF-8 (zero bytes kept).
/// Empty on any failure, including an absent converter library.
[[nodiscard]] std::string convertToUTF8(
    const char* converterName, std::string_view source,
    const UCNVLibrary* library = UCNVLibrary::instance()) noexcept;

}  // namespace Tork
