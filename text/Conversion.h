// Conversions from named encodings into UTF-8 through the ICU converters.
#pragma once

#include "framework/String.h"
#include "text/UCNVLibrary.h"

#include <string>
#include <string_view>

namespace Tork {

/// `source` converted from the encoding `converterName` into UTF-8 (zero bytes kept).
/// Empty when the name or the source is missing or empty, the source is longer than ICU
/// takes in one call, memory runs out, `library` is null or unusable, or it refuses the
/// name. Input that ICU cannot map is substituted, not reported.
[[nodiscard]] std::string convertToUTF8(const char* converterName, std::string_view source,
                                        const UCNVLibrary* library = UCNVLibrary::instance());

/// As convertToUTF8, set in `out` (its allocator kept). The conversion runs once, into
/// pieces that are then joined in a block of the exact size: beside `source` it holds at
/// most the result twice over. False, with `out` untouched, on the failures of
/// convertToUTF8, for an empty text or one that begins with a zero byte (nothing that a
/// zero-terminated reading would see), or for one that a String cannot hold.
[[nodiscard]] bool convertTextToUTF8(const char* converterName, std::string_view source,
                                     String& out,
                                     const UCNVLibrary* library = UCNVLibrary::instance());

}  // namespace Tork
