// Translates the formatting code at the start of a MicroDVD subtitle into mark-up.
#pragma once

#include <string>
#include <string_view>

namespace Tork {

/// The default reading's code: only one counts, and only at the very start of the text:
/// "/" or "\" (italic), a style code of at most two letters ("{y:ib}") or a colour code
/// ("{c:$BBGGRR}"), translated by openCode and closed at the end of the text. Anything
/// else is copied unchanged. `out` is replaced, so one buffer can serve every line.
void translateFormattingCode(std::string_view text, std::string& out);

/// Appends the translation to `out`: a std::string, a CountingOutput or a FixedOutput.
template <class Out>
void writeFormattingCode(std::string_view text, Out& out);

}  // namespace Tork
