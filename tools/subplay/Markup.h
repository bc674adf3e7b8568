// The plug-in's mark-up rewritten for each of subplay's outputs.
#pragma once

#include "host/Markup.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace Tork::Subplay {

using Host::MarkupReader;

/// SubRip: italic, bold, underline, strike-through and fonts with a valid attribute, as
/// lower-case tags. WebVTT: italic, bold and underline kept, the rest dropped, & < >
/// escaped. Plain: without any tag. MicroDVD: lines joined by "|", each opened by the codes
/// of the spans open at its start ("{y:ib}", "{c:$BBGGRR}", "{f:name}", "{s:digits}"); codes
/// that every line shares are written once, in upper case, on the first. Terminal: escape
/// sequences for italic, bold, underline, strike-through and colour, written only where the
/// style changes; every line ends with the attributes reset, so nothing leaks into the next.
enum class Markup { Srt, Vtt, Plain, MicroDvd, Terminal };

/// Hands on what `out` holds once it has grown to kSpillSize, and empties it, so that one
/// large text is written in blocks rather than held whole.
using Spill = std::function<void(std::string& out)>;
inline constexpr std::size_t kSpillSize = 1 << 18;

/// Appends `text` rewritten as `markup` to `out`, read with `reader`; `spill`, when given,
/// may be called as `out` grows (not for Terminal).
void appendMarkup(MarkupReader& reader, Markup markup, std::string_view text, std::string& out,
                  const Spill& spill = {});
/// `text` rewritten as `markup`.
std::string rewritten(Markup markup, std::string_view text);

}  // namespace Tork::Subplay
