// The plug-in's mark-up tags, read into balanced spans and rewritten for each output.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Tork::Subplay {

/// A span of styled text; a colour is six hexadecimal digits, or empty when the tag's were
/// not.
struct MarkupSpan {
    enum class Style { Italic, Bold, Colour };
    Style style;
    std::string_view colour;
};

/// Receives an entry's text as MarkupReader reads it.
class MarkupSink {
public:
    virtual ~MarkupSink() = default;
    virtual void text(std::string_view bytes) = 0;
    virtual void open(const MarkupSpan& span) = 0;
    virtual void close(const MarkupSpan& span) = 0;
};

/// Reads "<i>", "<b>", `<font color="#XXXXXX">` and their closing tags, in any letter case
/// ("</B>" included), in one pass. Anything else, and a closing tag with nothing open to
/// close, is text; tags still open at the end are closed there. One reader serves any
/// number of texts, one at a time.
class MarkupReader {
public:
    /// Hands `sink` the text and the spans in order: opens and closes always pair up,
    /// innermost first. Spans' colours point into `text`.
    void read(std::string_view text, MarkupSink& sink);

    /// Append the text to `out`, for SubRip: italic, bold and valid colours as lower-case
    /// tags; for WebVTT: italic and bold kept, colours dropped, & < > escaped; without
    /// any tag.
    void appendSrt(std::string_view text, std::string& out);
    void appendVtt(std::string_view text, std::string& out);
    void appendPlain(std::string_view text, std::string& out);

private:
    std::vector<MarkupSpan> open_;
};

/// The text for SubRip, WebVTT and without tags, as MarkupReader appends them.
std::string toSrtMarkup(std::string_view text);
std::string toVttMarkup(std::string_view text);
std::string toPlainText(std::string_view text);
/// The text with terminal escape sequences for italic, bold and colour; every line ends
/// with the attributes reset, so nothing leaks into the next one.
std::string toTerminalText(std::string_view text);

}  // namespace Tork::Subplay
