// The plug-in's mark-up rewritten as the Pango mark-up GStreamer's text renderers take.
#pragma once

#include <string>
#include <string_view>

namespace Tork::Gst {

/// Where a text comes from: the plug-in's stream hands out only well-formed UTF-8
/// (OverlayText::kWellFormedUtf8), so its texts need no check.
enum class TextSource { Any, Plugin };

/// `text` in the plug-in's mark-up as well-formed Pango mark-up: italic, bold, underline and
/// strike-through as <i>, <b>, <u>, <s>; a font's colour, face or size as a <span>
/// (a size outside 1 to 1000 points, or a colour that is not six hexadecimal digits, leaves
/// a plain span). Tags nest however the input stacked them; anything that is not a tag is
/// text, with & < > escaped, ill-formed UTF-8 and control characters other than line feed
/// and tab replaced by U+FFFD. Throws std::bad_alloc when memory runs out.
std::string toPangoMarkup(std::string_view text, TextSource source = TextSource::Any);

}  // namespace Tork::Gst
