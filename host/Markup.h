// The plug-in's mark-up tags, read into balanced spans for a host to rewrite as it shows text.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Tork::Host {

/// A span of styled text. A font span carries one attribute as the plug-in writes it: a
/// colour of six hexadecimal digits (empty when the tag's were not), a face (its
/// attribute text, still escaped) or a size in digits.
struct MarkupSpan {
    /// The styles in the order of OverlayText::kStyleTags (microdvd/OverlayText.h), then fonts.
    enum class Style { Italic, Bold, Underline, Strike, Font };
    Style style;
    std::string_view colour, face, size;
};

/// A face as plain text: the entities the plug-in writes in an attribute (and "&apos;")
/// turned back into their characters, anything else left as it is.
std::string unescapedFace(std::string_view face);

/// Receives an entry's text as MarkupReader reads it.
class MarkupSink {
public:
    virtual ~MarkupSink() = default;
    virtual void text(std::string_view bytes) = 0;
    virtual void open(const MarkupSpan& span) = 0;
    virtual void close(const MarkupSpan& span) = 0;
};

/// Reads the tags of the plug-in's mark-up (microdvd/OverlayText.h), opening and closing, in
/// any letter case, in one pass and in time linear in the text. An attribute's value ends before
/// any "<" or ">". Anything else, and a closing tag with nothing of its kind open, is text; tags
/// still open at the end are closed there. One reader serves any number of texts, one at a time.
class MarkupReader {
public:
    /// Hands `sink` the text and the spans in order: opens and closes always pair up,
    /// innermost first. Spans' attributes point into `text`.
    void read(std::string_view text, MarkupSink& sink);
    /// How many bytes the last read() searched for tags and quotes: at most twice the
    /// text's length, whatever it holds. For tests of the time read() takes.
    std::size_t searched() const { return searched_; }

private:
    std::vector<MarkupSpan> open_;
    std::array<std::size_t, 5> openCount_{};  // open spans per style
    std::size_t searched_ = 0;
};

}  // namespace Tork::Host
