// Translates the formatting code at the start of a MicroDVD subtitle into mark-up.
#pragma once

#include <string>
#include <string_view>

namespace Tork {

/// Only one code counts, and only at the very start of the text:
///   "/" or "\"            → <i>text</i>
///   "{y:ib}" (} at ≤ 5)   → style tags, later letters outermost; other letters dropped
///   "{c:$BBGGRR}"         → <font color="#RRGGBB">text</font> ("#" for "$" too)
/// Anything else is returned unchanged.
std::string translateFormattingCode(std::string_view text);

}  // namespace Tork
