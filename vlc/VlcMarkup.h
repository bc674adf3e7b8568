// The plug-in's mark-up rewritten as the HTML-like tags VLC's text subtitle decoder reads.
#pragma once

#include <string>
#include <string_view>

namespace Tork::Vlc {

/// `text` in the plug-in's mark-up as VLC's text subtitle decoder (subsdec) renders it:
/// italic, bold, underline and strike-through as <i>, <b>, <u>, <s>; a font's colour, face
/// or size as a <font> with that attribute (a colour that is not six hexadecimal digits, a
/// size outside 1 to 1000, or a face holding both kinds of quote leaves a plain <font>).
/// Tags nest however the input stacked them. The decoder knows no entities, so text stays
/// as it is, except that what it would take for a tag or a code ("<b", "{y:i}", "{\an8}",
/// "\n") gets a word joiner (U+2060, which nothing draws) after its first character, and
/// ill-formed UTF-8 and control characters other than line feed and tab become U+FFFD.
/// Throws std::bad_alloc when memory runs out.
std::string toVlcMarkup(std::string_view text);

}  // namespace Tork::Vlc
