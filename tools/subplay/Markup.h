// The plug-in's mark-up tags, read into balanced spans and rewritten for each output.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Tork::Subplay {

/// One piece of an entry's text. Opens and closes always pair up, innermost first.
struct MarkupToken {
    enum class Kind { Text, Open, Close };
    enum class Style { Italic, Bold, Colour };

    Kind kind;
    Style style = Style::Italic;
    std::string text;  // Text: the bytes; Colour: six hexadecimal digits, or empty if not
};

/// Reads "<i>", "<b>", `<font color="#XXXXXX">` and their closing tags, in any letter case
/// ("</B>" included). Anything else, and a closing tag with nothing open to close, is
/// text; tags still open at the end are closed there.
std::vector<MarkupToken> readMarkup(std::string_view text);

/// The text for SubRip: italic, bold and valid colours as lower-case tags.
std::string toSrtMarkup(std::string_view text);
/// The text for WebVTT: italic and bold kept, colours dropped, & < > escaped.
std::string toVttMarkup(std::string_view text);
/// The text without any tag.
std::string toPlainText(std::string_view text);
/// The text with terminal escape sequences for italic, bold and colour; every line ends
/// with the attributes reset, so nothing leaks into the next one.
std::string toTerminalText(std::string_view text);

}  // namespace Tork::Subplay
