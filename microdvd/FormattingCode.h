// Translates the formatting code at the start of a MicroDVD subtitle into mark-up.
#pragma once

#include <string>
#include <string_view>

namespace Tork {

/// Only one code counts, and only at the very start of the text:
///   "/" or "\"            → <i>text</i>
///   "{y:ib}" (} at ≤ 5)   → style tags, later letters outermost; other letters dropped
///   "{c:$BBGGRR}"         → <font color="#RRGGBB">text</font> ("#" for "$" too; the
///                            six bytes must be hex digits)
/// Anything else is copied unchanged. `out` is replaced, so one buffer can serve every line.
void translateFormattingCode(std::string_view text, std::string& out);

/// Appends the translation to `out`: a std::string, a CountingOutput or a FixedOutput.
template <class Out>
void writeFormattingCode(std::string_view text, Out& out);

}  // namespace Tork
