// The plug-in's mark-up tags, read into balanced spans and rewritten for each output.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Tork::Subplay {

/// A span of styled text. A font span carries one attribute as the plug-in writes it: a
/// colour of six hexadecimal digits (empty when the tag's were not), a face (its
/// attribute text, still escaped) or a size in digits.
struct MarkupSpan {
    enum class Style { Italic, Bold, Underline, Strike, Font };
    Style style;
    std::string_view colour, face, size;
};

/// Receives an entry's text as MarkupReader reads it.
class MarkupSink {
public:
    virtual ~MarkupSink() = default;
    virtual void text(std::string_view bytes) = 0;
    virtual void open(const MarkupSpan& span) = 0;
    virtual void close(const MarkupSpan& span) = 0;
};

/// Reads "<i>", "<b>", "<u>", "<s>", `<font color="#XXXXXX">`, `<font face="...">`,
/// `<font size="...">` and their closing tags, in any letter case ("</B>" included), in
/// one pass and in time linear in the text. Anything else, and a closing tag with nothing
/// of its kind open, is text; tags still open at the end are closed there. One reader
/// serves any number of texts, one at a time.
class MarkupReader {
public:
    /// Hands `sink` the text and the spans in order: opens and closes always pair up,
    /// innermost first. Spans' attributes point into `text`.
    void read(std::string_view text, MarkupSink& sink);

    /// Append the text to `out`, for SubRip: italic, bold, underline, strike-through and
    /// fonts with a valid attribute, as lower-case tags; for WebVTT: italic, bold and
    /// underline kept, the rest dropped, & < > escaped; without any tag.
    void appendSrt(std::string_view text, std::string& out);
    void appendVtt(std::string_view text, std::string& out);
    void appendPlain(std::string_view text, std::string& out);
    /// For MicroDVD: lines joined by "|", each opened by the codes of the spans open at its
    /// start ("{y:ib}", "{c:$BBGGRR}", "{f:name}", "{s:digits}"); codes that every line
    /// shares are written once, in upper case, on the first.
    void appendMicroDvd(std::string_view text, std::string& out);

private:
    std::vector<MarkupSpan> open_;
    std::array<std::size_t, 5> openCount_{};  // open spans per style
};

/// The text for SubRip, WebVTT, MicroDVD and without tags, as MarkupReader appends them.
std::string toSrtMarkup(std::string_view text);
std::string toVttMarkup(std::string_view text);
std::string toMicroDvdMarkup(std::string_view text);
std::string toPlainText(std::string_view text);
/// The text with terminal escape sequences for italic, bold, underline, strike-through and
/// colour, written only where the style changes; every line ends with the attributes
/// reset, so nothing leaks into the next one.
std::string toTerminalText(std::string_view text);

}  // namespace Tork::Subplay
