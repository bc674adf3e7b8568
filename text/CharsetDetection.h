// Charset detection: ICU's candidates for a text, read through the converters and weighed.
#pragma once

#include "text/CharsetChoice.h"

#include <optional>
#include <string_view>

namespace Tork {

class UCNVLibrary;
class UCSDetLibrary;

/// The converter a detected encoding is read with: windows-1252 for ISO-8859-1, which
/// differ only in 0x80-0x9F, where text files mean windows-1252's letters and punctuation
/// rather than control codes; any other name as it is.
[[nodiscard]] std::string_view readableCharset(std::string_view detected) noexcept;

/// The encoding of `text` as far as its first UCSDetLibrary::kMaxSample bytes tell:
/// `detector`'s admissible candidates, each decoded through `converters` (as
/// readableCharset() names it), chosen by chooseCharset(). The names and confidences are
/// the detector's. None when the detector or the converters are not usable, nothing is
/// admissible or can be decoded, or memory runs out.
[[nodiscard]] std::optional<CharsetChoice> detectCharset(std::string_view text,
                                                         const UCSDetLibrary& detector,
                                                         const UCNVLibrary* converters) noexcept;

}  // namespace Tork
